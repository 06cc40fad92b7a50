// Case-insensitive tests on protocol text and program names (URL schemes,
// header names, component, window-class and resource-type names, font
// families): ASCII letters only, whatever the locale.
#pragma once

#include <cstddef>
#include <string_view>

namespace varnika {

inline char LowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }
inline char16_t LowerAscii(char16_t c) { return (c >= u'A' && c <= u'Z') ? static_cast<char16_t>(c - u'A' + u'a') : c; }

template <typename Char>
bool EqualsNoCase(std::basic_string_view<Char> a, std::basic_string_view<Char> b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (LowerAscii(a[i]) != LowerAscii(b[i])) return false;
  return true;
}
inline bool EqualsNoCase(std::string_view a, std::string_view b) { return EqualsNoCase<char>(a, b); }
inline bool EqualsNoCase(std::u16string_view a, std::u16string_view b) { return EqualsNoCase<char16_t>(a, b); }

inline bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
  return text.size() >= prefix.size() && EqualsNoCase(text.substr(0, prefix.size()), prefix);
}

}  // namespace varnika
