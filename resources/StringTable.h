// The program's string table: the user-interface texts, looked up by id.
// The table is the resource STRINGTABLE 1, a text of lines `<id> "<text>"`
// (resources/data/strings.txt, in English resources/data/strings-en.txt).
#pragma once

#include <map>
#include <string>
#include <string_view>

#include "base/WinTypes.h"
#include "resources/Language.h"

namespace varnika {

// String-table ids of the program.
enum : UINT {
  IDS_PRODUCTNAME = 100,
  IDS_ABOUTTEXT = 101,
  IDS_ABOUTLINK = 102,
  IDS_CLOSEHINT = 103,
  IDS_STARTUPOPTION = 104,
  IDS_ALWAYSTOPOPTION = 105,
  IDS_TRAYOPTION = 106,
  IDS_AUTOSCALEOPTION = 107,
  IDS_TRAYTIP = 108,
  IDS_OPTIONSHINT = 109,
  IDS_SITEHINT = 110,
  IDS_UPDATEOFFER = 200,
  IDS_UPDATING = 301,
};

inline constexpr int kStringTableResourceId = 1;

// The text of entry id in the user's language (or the given one), or an
// empty string when the table has none.
std::u16string LoadStringW(UINT id);
std::u16string LoadStringW(UINT id, Language language);

// Parses a string-table text; raises EResourceFormatError on a malformed line
// or a repeated id.
std::map<UINT, std::u16string> ParseStringTable(std::string_view text);

}  // namespace varnika
