// Case-insensitive tests on protocol text (URL schemes, header names): ASCII
// letters only, whatever the locale.
#pragma once

#include <cstddef>
#include <string_view>

namespace varnika {

inline char LowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

inline bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
  if (text.size() < prefix.size()) return false;
  for (std::size_t i = 0; i < prefix.size(); ++i)
    if (LowerAscii(text[i]) != LowerAscii(prefix[i])) return false;
  return true;
}

}  // namespace varnika
