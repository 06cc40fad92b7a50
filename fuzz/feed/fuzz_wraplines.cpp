// Wraps arbitrary bytes at a column taken from the first byte. Wrapping only
// inserts CR LF pairs after break points: removing every CR LF from input
// and output must give the same bytes, and valid UTF-8 must stay valid (no
// break inside a character).
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "base/Utf.h"
#include "feed/FeedParser.h"
#include "feed/WrapLines.h"

using namespace varnika;

namespace {

std::string WithoutLineBreaks(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text.compare(i, 2, "\r\n") == 0) {
      ++i;
      continue;
    }
    out += text[i];
  }
  return out;
}

bool IsValidUtf8(std::string_view text) { return Narrow(Widen(text)) == text; }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const int columns = data[0] % 101;  // 0 .. 100
  std::string_view text(reinterpret_cast<const char*>(data + 1), size - 1);
  const std::string wrapped = WrapLines(text, kWrapBreak, kWrapBreakChars, columns);
  if ((wrapped.size() - text.size()) % 2 != 0 || wrapped.size() < text.size()) std::abort();
  if (WithoutLineBreaks(wrapped) != WithoutLineBreaks(text)) std::abort();
  if (IsValidUtf8(text) && !IsValidUtf8(wrapped)) std::abort();
  return 0;
}
