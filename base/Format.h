// printf-style formatting of wide and 8-bit messages ("List index out of
// bounds (%d)", "0x%.8x", "Cannot open file "%s". %s").
//
// Supported: %% and %[-][0][width][.precision](d|i|u|x|X|s|c). Integers take
// any integral argument; %s takes wide or 8-bit strings (converted as UTF-8);
// %c takes a code unit. A directive without a fitting argument raises
// EConvertError, as does a format that ends inside a directive.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

namespace varnika {

struct FormatArg {
  enum class Kind { Signed, Unsigned, Wide, Narrow };
  Kind kind;
  std::int64_t i = 0;
  std::uint64_t u = 0;
  std::u16string_view wide;
  std::string_view narrow;

  template <typename T, std::enable_if_t<std::is_integral_v<T> && std::is_signed_v<T>, int> = 0>
  FormatArg(T v) : kind(Kind::Signed), i(v) {}
  template <typename T, std::enable_if_t<std::is_integral_v<T> && std::is_unsigned_v<T>, int> = 0>
  FormatArg(T v) : kind(Kind::Unsigned), u(v) {}
  FormatArg(std::u16string_view s) : kind(Kind::Wide), wide(s) {}
  FormatArg(const std::u16string& s) : kind(Kind::Wide), wide(s) {}
  FormatArg(const char16_t* s) : kind(Kind::Wide), wide(s) {}
  FormatArg(std::string_view s) : kind(Kind::Narrow), narrow(s) {}
  FormatArg(const std::string& s) : kind(Kind::Narrow), narrow(s) {}
  FormatArg(const char* s) : kind(Kind::Narrow), narrow(s) {}
};

std::u16string FormatArgs(std::u16string_view format, const std::vector<FormatArg>& args);
std::string FormatArgs(std::string_view format, const std::vector<FormatArg>& args);

template <typename... Args>
std::u16string Format(std::u16string_view format, const Args&... args) {
  return FormatArgs(format, std::vector<FormatArg>{FormatArg(args)...});
}

template <typename... Args>
std::string Format(std::string_view format, const Args&... args) {
  return FormatArgs(format, std::vector<FormatArg>{FormatArg(args)...});
}

}  // namespace varnika
