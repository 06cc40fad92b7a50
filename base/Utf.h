// UTF-16 ("wide") <-> UTF-8 (the 8-bit code page) conversion.
#pragma once

#include <string>
#include <string_view>

namespace varnika {

// Unpaired surrogates become U+FFFD.
std::string Utf16ToUtf8(std::u16string_view s);
// Malformed or overlong sequences become U+FFFD, one per offending byte.
std::u16string Utf8ToUtf16(std::string_view s);

// Short spellings for the many call sites that convert one way or the other.
inline std::string Narrow(std::u16string_view s) { return Utf16ToUtf8(s); }
inline std::u16string Widen(std::string_view s) { return Utf8ToUtf16(s); }

}  // namespace varnika
