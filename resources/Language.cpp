#include "resources/Language.h"

#include <cstdlib>
#include <optional>
#include <string>

#include "resources/Resources.h"

namespace varnika {

namespace {

// The language a locale name names, when it is one of the program's.
std::optional<Language> KnownLanguage(std::string_view locale) {
  std::string_view code = locale.substr(0, locale.find_first_of("_.@"));
  if (code == "tr") return Language::Turkish;
  if (code == "en") return Language::English;
  return std::nullopt;
}

Language FromList(std::string_view list) {
  while (true) {
    std::size_t colon = list.find(':');
    if (std::optional<Language> known = KnownLanguage(list.substr(0, colon))) return *known;
    if (colon == std::string_view::npos) return Language::English;
    list.remove_prefix(colon + 1);
  }
}

bool IsSet(const char* value) { return value && *value; }

}  // namespace

Language LanguageOfLocale(const LocaleVariables& locale) {
  if (IsSet(locale.language)) return FromList(locale.language);
  for (const char* value : {locale.lc_all, locale.lc_messages, locale.lang}) {
    if (IsSet(value)) return KnownLanguage(value).value_or(Language::English);
  }
  return Language::English;
}

Language UserLanguage() {
  return LanguageOfLocale({std::getenv("LANGUAGE"), std::getenv("LC_ALL"), std::getenv("LC_MESSAGES"),
                           std::getenv("LANG")});
}

std::span<const std::uint8_t> FindLocalizedResourceData(std::u16string_view type, int id, Language language) {
  if (language == Language::English) {
    std::u16string english = std::u16string(type) + u"_EN";
    if (const ResourceEntry* entry = FindResource(english, id)) return entry->Data();
  }
  return FindResourceData(type, id);
}

}  // namespace varnika
