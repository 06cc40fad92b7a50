#include "base/Format.h"

#include "base/Exceptions.h"
#include "base/Utf.h"

namespace varnika {
namespace {

struct Spec {
  bool left = false;
  bool zero = false;
  int width = 0;
  int precision = -1;
  char conv = 0;
};

[[noreturn]] void Invalid(std::u16string_view format) {
  throw EConvertError(u"Format '" + std::u16string(format) +
                      u"' invalid or incompatible with argument");
}

std::u16string Digits(std::uint64_t v, int base, bool upper) {
  const char* set = upper ? "0123456789ABCDEF" : "0123456789abcdef";
  std::u16string out;
  do {
    out.insert(out.begin(), static_cast<char16_t>(set[v % base]));
    v /= base;
  } while (v != 0);
  return out;
}

std::u16string Integer(const Spec& spec, const FormatArg& arg, std::u16string_view format) {
  bool negative = false;
  std::uint64_t magnitude;
  if (arg.kind == FormatArg::Kind::Signed) {
    negative = arg.i < 0 && (spec.conv == 'd' || spec.conv == 'i');
    if (spec.conv == 'd' || spec.conv == 'i') {
      magnitude = negative ? 0 - static_cast<std::uint64_t>(arg.i) : static_cast<std::uint64_t>(arg.i);
    } else {
      // %u and %x show the 32-bit pattern of a negative int, as printf does.
      magnitude = arg.i < 0 && arg.i >= INT32_MIN ? static_cast<std::uint32_t>(arg.i)
                                                  : static_cast<std::uint64_t>(arg.i);
    }
  } else if (arg.kind == FormatArg::Kind::Unsigned) {
    magnitude = arg.u;
  } else {
    Invalid(format);
  }
  const bool hex = spec.conv == 'x' || spec.conv == 'X';
  std::u16string digits = Digits(magnitude, hex ? 16 : 10, spec.conv == 'X');
  if (spec.precision > static_cast<int>(digits.size()))
    digits.insert(0, spec.precision - digits.size(), u'0');
  if (spec.zero && !spec.left && spec.precision < 0) {
    const int room = spec.width - static_cast<int>(digits.size()) - (negative ? 1 : 0);
    if (room > 0) digits.insert(0, room, u'0');
  }
  return negative ? u"-" + digits : digits;
}

std::u16string Text(const Spec& spec, const FormatArg& arg, std::u16string_view format) {
  std::u16string text;
  if (arg.kind == FormatArg::Kind::Wide)
    text = arg.wide;
  else if (arg.kind == FormatArg::Kind::Narrow)
    text = Utf8ToUtf16(arg.narrow);
  else
    Invalid(format);
  if (spec.precision >= 0 && static_cast<int>(text.size()) > spec.precision)
    text.resize(spec.precision);
  return text;
}

std::u16string Char(const FormatArg& arg, std::u16string_view format) {
  if (arg.kind == FormatArg::Kind::Signed) return std::u16string(1, static_cast<char16_t>(arg.i));
  if (arg.kind == FormatArg::Kind::Unsigned) return std::u16string(1, static_cast<char16_t>(arg.u));
  Invalid(format);
}

// Reads the directive after '%' at format[pos]; leaves pos after it.
Spec ParseSpec(std::u16string_view format, std::size_t& pos) {
  Spec spec;
  auto at_end = [&] { return pos >= format.size(); };
  for (; !at_end(); ++pos) {
    if (format[pos] == u'-')
      spec.left = true;
    else if (format[pos] == u'0')
      spec.zero = true;
    else
      break;
  }
  while (!at_end() && format[pos] >= u'0' && format[pos] <= u'9')
    spec.width = spec.width * 10 + (format[pos++] - u'0');
  if (!at_end() && format[pos] == u'.') {
    ++pos;
    spec.precision = 0;
    while (!at_end() && format[pos] >= u'0' && format[pos] <= u'9')
      spec.precision = spec.precision * 10 + (format[pos++] - u'0');
  }
  if (at_end()) Invalid(format);
  const char16_t c = format[pos++];
  if (c > 0x7F) Invalid(format);
  spec.conv = static_cast<char>(c);
  return spec;
}

}  // namespace

std::u16string FormatArgs(std::u16string_view format, const std::vector<FormatArg>& args) {
  std::u16string out;
  out.reserve(format.size() + 16);
  std::size_t next = 0;
  std::size_t pos = 0;
  while (pos < format.size()) {
    const char16_t c = format[pos++];
    if (c != u'%') {
      out += c;
      continue;
    }
    if (pos < format.size() && format[pos] == u'%') {
      out += u'%';
      ++pos;
      continue;
    }
    const Spec spec = ParseSpec(format, pos);
    if (next >= args.size()) Invalid(format);
    const FormatArg& arg = args[next++];
    std::u16string piece;
    switch (spec.conv) {
      case 'd': case 'i': case 'u': case 'x': case 'X':
        piece = Integer(spec, arg, format);
        break;
      case 's':
        piece = Text(spec, arg, format);
        break;
      case 'c':
        piece = Char(arg, format);
        break;
      default:
        Invalid(format);
    }
    const int pad = spec.width - static_cast<int>(piece.size());
    if (pad > 0) {
      if (spec.left)
        piece.append(pad, u' ');
      else
        piece.insert(0, pad, u' ');
    }
    out += piece;
  }
  return out;
}

std::string FormatArgs(std::string_view format, const std::vector<FormatArg>& args) {
  return Utf16ToUtf8(FormatArgs(Utf8ToUtf16(format), args));
}

}  // namespace varnika
