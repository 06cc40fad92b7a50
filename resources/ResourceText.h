// The small line-oriented text format of the program's text resources (the
// string table and the menus): one statement a line, words and quoted UTF-8
// strings separated by blanks, comment lines starting with '#'. Quoted strings
// know the escapes \r \n \t \\ and \".
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace varnika {

struct ResourceToken {
  bool quoted = false;
  std::string text;  // unescaped UTF-8
};

struct ResourceTextLine {
  int number = 0;  // 1-based line number in the resource
  std::vector<ResourceToken> tokens;
};

// Splits text into its non-empty, non-comment lines. Raises
// EResourceFormatError ("Invalid resource <what> at line <n>") on an
// unterminated string, an unknown escape or a quote glued to a word.
std::vector<ResourceTextLine> TokenizeResourceText(std::string_view text, std::u16string_view what);

[[noreturn]] void RaiseResourceFormatError(std::u16string_view what, int line);

// A decimal id token ("40005"); false for anything else or a value over
// 2^31 - 1.
bool ParseResourceId(const ResourceToken& token, int& id);

}  // namespace varnika
