#include "resources/StringTable.h"

#include <mutex>

#include "base/Utf.h"
#include "resources/ResourceText.h"
#include "resources/Resources.h"

namespace varnika {

namespace {
constexpr std::u16string_view kWhat = u"STRINGTABLE";
}

std::map<UINT, std::u16string> ParseStringTable(std::string_view text) {
  std::map<UINT, std::u16string> table;
  for (const ResourceTextLine& line : TokenizeResourceText(text, kWhat)) {
    int id = 0;
    if (line.tokens.size() != 2 || !ParseResourceId(line.tokens[0], id) || !line.tokens[1].quoted) {
      RaiseResourceFormatError(kWhat, line.number);
    }
    if (!table.emplace(static_cast<UINT>(id), Utf8ToUtf16(line.tokens[1].text)).second) {
      RaiseResourceFormatError(kWhat, line.number);
    }
  }
  return table;
}

std::u16string LoadStringW(UINT id) { return LoadStringW(id, UserLanguage()); }

std::u16string LoadStringW(UINT id, Language language) {
  std::span<const std::uint8_t> data =
      FindLocalizedResourceData(kResourceTypeStringTable, kStringTableResourceId, language);
  // The table is parsed once for the bytes it comes from (the language's
  // table); a resource set registered later with a table of its own is
  // parsed when it is found.
  struct Parsed {
    const std::uint8_t* data = nullptr;
    std::size_t size = 0;
    std::map<UINT, std::u16string> table;
  };
  static std::mutex mutex;
  static Parsed parsed;
  std::lock_guard lock(mutex);
  if (!parsed.data || parsed.data != data.data() || parsed.size != data.size()) {
    std::string_view text(reinterpret_cast<const char*>(data.data()), data.size());
    parsed.table = ParseStringTable(text);
    parsed.data = data.data();
    parsed.size = data.size();
  }
  auto it = parsed.table.find(id);
  return it == parsed.table.end() ? std::u16string() : it->second;
}

}  // namespace varnika
