// Takes the bytes as UTF-16 LE text: setting it, reading Text back and
// setting that again must give the same items. Hashed and linear look-ups
// must agree on which items match.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "text/WStrings.h"
#include "text/WideCase.h"

using namespace varnika;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::u16string text(size / 2, u'\0');
  if (!text.empty()) std::memcpy(text.data(), data, text.size() * 2);

  TWHashedStringList list;
  list.SetText(text);
  const std::u16string joined = list.Text();
  TWStringList again;
  again.SetText(joined);
  if (again.Count() != list.Count() || again.Text() != joined) std::abort();
  for (int i = 0; i < list.Count(); ++i)
    if (again.StringAt(i) != list.StringAt(i)) std::abort();

  const int count = list.Count() < 64 ? list.Count() : 64;
  for (int i = 0; i < count; ++i) {
    const std::u16string& probe = list.StringAt(i);
    int first = -1, last = -1;
    for (int j = 0; j < list.Count(); ++j) {
      if (WideCompareText(list.StringAt(j), probe) != 0) continue;
      if (WideUpperCase(list.StringAt(j)) != WideUpperCase(probe)) std::abort();
      if (first < 0) first = j;
      last = j;
    }
    if (list.IndexOf(probe) != last || again.IndexOf(probe) != first) std::abort();
    const std::u16string name = list.Names(i);
    if (probe.find(u'=') != std::u16string::npos) {
      const int hashed = list.IndexOfName(name);
      const int linear = again.IndexOfName(name);
      if (hashed < linear || linear < 0 || WideCompareText(list.Names(hashed), name) != 0) std::abort();
    }
  }
  return 0;
}
