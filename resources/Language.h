// The language of the program's texts. Its own texts are Turkish; everyone
// whose locale asks for another language gets English. Text resources (the
// string table, the menus) exist once per language: the Turkish one under its
// plain type, the English one under the type with "_EN" appended.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

namespace varnika {

enum class Language { Turkish, English };

// The locale variables that choose the language of messages, in the order
// gettext reads them; null or empty when unset.
struct LocaleVariables {
  const char* language = nullptr;     // LANGUAGE: a colon-separated list of preferences
  const char* lc_all = nullptr;       // LC_ALL
  const char* lc_messages = nullptr;  // LC_MESSAGES
  const char* lang = nullptr;         // LANG
};

// The first non-empty variable decides. A locale name ("tr", "tr_TR.UTF-8",
// "tr_CY@euro") chooses Turkish when its language part is "tr"; in a
// LANGUAGE list the first entry naming Turkish or English decides. Anything
// else chooses English.
Language LanguageOfLocale(const LocaleVariables& locale);

// The language the process environment asks for, read at each call.
Language UserLanguage();

// The bytes of a text resource in the language; a resource without an
// English version gives its Turkish one. Empty when there is neither.
std::span<const std::uint8_t> FindLocalizedResourceData(std::u16string_view type, int id, Language language);

}  // namespace varnika
