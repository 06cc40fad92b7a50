#include "text/Convert.h"

#include <charconv>
#include <cmath>

#include "base/Exceptions.h"

namespace varnika {
namespace {

constexpr std::int64_t kMsPerDay = 86400000;
constexpr std::int64_t kUnixEpoch = 25569;     // 1970-01-01 as a TDateTime
constexpr double kMinDateTime = -693593.0;     // 0001-01-01
constexpr double kMaxDateTime = 2958466.0;     // 10000-01-01, excluded

std::u16string_view Trim(std::u16string_view s) {
  while (!s.empty() && s.front() <= u' ') s.remove_prefix(1);
  while (!s.empty() && s.back() <= u' ') s.remove_suffix(1);
  return s;
}

int HexDigit(char16_t c) {
  if (c >= u'0' && c <= u'9') return c - u'0';
  if (c >= u'a' && c <= u'f') return c - u'a' + 10;
  if (c >= u'A' && c <= u'F') return c - u'A' + 10;
  return -1;
}

bool IsDigit(char16_t c) { return c >= u'0' && c <= u'9'; }

// Reads 1 to max_digits decimal digits at s[pos].
bool ReadNumber(std::u16string_view s, std::size_t& pos, int max_digits, int& value) {
  value = 0;
  int digits = 0;
  while (pos < s.size() && IsDigit(s[pos]) && digits < max_digits) {
    value = value * 10 + (s[pos++] - u'0');
    ++digits;
  }
  return digits > 0 && (pos >= s.size() || !IsDigit(s[pos]));
}

bool Expect(std::u16string_view s, std::size_t& pos, char16_t c) {
  if (pos >= s.size() || s[pos] != c) return false;
  ++pos;
  return true;
}

// Days since 1970-01-01 of a proleptic Gregorian date.
std::int64_t DaysFromCivil(std::int64_t y, int m, int d) {
  y -= m <= 2;
  const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
  const std::int64_t yoe = y - era * 400;
  const std::int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const std::int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

void CivilFromDays(std::int64_t z, int& y, int& m, int& d) {
  z += 719468;
  const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const std::int64_t doe = z - era * 146097;
  const std::int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const std::int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const std::int64_t mp = (5 * doy + 2) / 153;
  d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  y = static_cast<int>(yoe + era * 400 + (m <= 2));
}

bool IsLeap(int y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

int DaysInMonth(int y, int m) {
  static constexpr int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return m == 2 && IsLeap(y) ? 29 : kDays[m - 1];
}

struct DateTimeParts {
  int year, month, day, hour, minute, second;
};

// Splits a value into its calendar date and its time to the second (the
// milliseconds are rounded first, then dropped).
DateTimeParts Decode(TDateTime value) {
  if (!std::isfinite(value) || value < kMinDateTime || value >= kMaxDateTime)
    throw EConvertError(u"Invalid argument to date encode");
  const double whole = std::trunc(value);
  std::int64_t day = static_cast<std::int64_t>(whole);
  std::int64_t ms = std::llround(std::fabs(value - whole) * static_cast<double>(kMsPerDay));
  if (ms >= kMsPerDay) {
    ms -= kMsPerDay;
    day += value < 0 ? -1 : 1;
  }
  if (day < static_cast<std::int64_t>(kMinDateTime) || day >= static_cast<std::int64_t>(kMaxDateTime))
    throw EConvertError(u"Invalid argument to date encode");
  DateTimeParts p{};
  CivilFromDays(day - kUnixEpoch, p.year, p.month, p.day);
  const std::int64_t seconds = ms / 1000;
  p.hour = static_cast<int>(seconds / 3600);
  p.minute = static_cast<int>(seconds / 60 % 60);
  p.second = static_cast<int>(seconds % 60);
  return p;
}

void AppendDigits(std::u16string& out, int value, int width) {
  char buffer[16];
  const auto end = std::to_chars(buffer, buffer + sizeof buffer, value).ptr;
  for (int pad = width - static_cast<int>(end - buffer); pad > 0; --pad) out += u'0';
  for (const char* p = buffer; p != end; ++p) out += static_cast<char16_t>(*p);
}

std::u16string FormatDate(const DateTimeParts& p) {
  std::u16string out;
  AppendDigits(out, p.day, 2);
  out += u'.';
  AppendDigits(out, p.month, 2);
  out += u'.';
  AppendDigits(out, p.year, 4);
  return out;
}

std::u16string FormatTime(const DateTimeParts& p) {
  std::u16string out;
  AppendDigits(out, p.hour, 2);
  out += u':';
  AppendDigits(out, p.minute, 2);
  out += u':';
  AppendDigits(out, p.second, 2);
  return out;
}

bool ParseDate(std::u16string_view s, std::size_t& pos, TDateTime& value) {
  int day, month, year;
  if (!ReadNumber(s, pos, 2, day) || !Expect(s, pos, u'.') || !ReadNumber(s, pos, 2, month) ||
      !Expect(s, pos, u'.'))
    return false;
  const std::size_t year_start = pos;
  if (!ReadNumber(s, pos, 4, year) || pos - year_start != 4) return false;
  return TryEncodeDate(year, month, day, value);
}

bool ParseTime(std::u16string_view s, std::size_t& pos, TDateTime& value) {
  int hour, minute, second = 0, ms = 0;
  if (!ReadNumber(s, pos, 2, hour) || !Expect(s, pos, u':') || !ReadNumber(s, pos, 2, minute))
    return false;
  if (pos < s.size() && s[pos] == u':') {
    ++pos;
    if (!ReadNumber(s, pos, 2, second)) return false;
    if (pos < s.size() && s[pos] == u'.') {
      ++pos;
      if (!ReadNumber(s, pos, 3, ms)) return false;
    }
  }
  return TryEncodeTime(hour, minute, second, ms, value);
}

TDateTime Combine(TDateTime date, TDateTime time) { return date < 0 ? date - time : date + time; }

}  // namespace

bool TryStrToInt(std::u16string_view s, std::int32_t& value) {
  std::size_t i = 0;
  bool negative = false;
  if (i < s.size() && (s[i] == u'+' || s[i] == u'-')) negative = s[i++] == u'-';
  const bool hex = i < s.size() && s[i] == u'$';
  if (hex) ++i;
  if (i >= s.size()) return false;
  std::uint64_t magnitude = 0;
  const std::uint64_t limit = hex ? 0xFFFFFFFFu : negative ? 2147483648u : 2147483647u;
  for (; i < s.size(); ++i) {
    const int digit = hex ? HexDigit(s[i]) : IsDigit(s[i]) ? s[i] - u'0' : -1;
    if (digit < 0) return false;
    magnitude = magnitude * (hex ? 16 : 10) + static_cast<std::uint64_t>(digit);
    if (magnitude > limit) return false;
  }
  std::uint32_t bits = static_cast<std::uint32_t>(magnitude);
  if (negative) bits = 0u - bits;
  value = static_cast<std::int32_t>(bits);
  return true;
}

bool TryStrToFloat(std::u16string_view s, double& value) {
  s = Trim(s);
  if (!s.empty() && s.front() == u'+') {
    s.remove_prefix(1);
    if (!s.empty() && s.front() == u'-') return false;
  }
  std::string ascii;
  ascii.reserve(s.size());
  for (const char16_t c : s) {
    if (c > 0x7F) return false;
    ascii += static_cast<char>(c);
  }
  double parsed = 0;
  const char* end = ascii.data() + ascii.size();
  const auto [ptr, ec] = std::from_chars(ascii.data(), end, parsed, std::chars_format::general);
  if (ascii.empty() || ec != std::errc() || ptr != end) return false;
  value = parsed;
  return true;
}

std::u16string FloatToStr(double value) {
  char buffer[64];
  const auto end = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, 15).ptr;
  std::u16string out;
  for (const char* p = buffer; p != end; ++p) {
    if (*p == 'e') {
      // "e+20" becomes "E20", "e-07" becomes "E-7".
      out += u'E';
      ++p;
      if (*p == '-') out += u'-';
      ++p;
      while (p + 1 != end && *p == '0') ++p;
      for (; p != end; ++p) out += static_cast<char16_t>(*p);
      break;
    }
    const char c = *p >= 'a' && *p <= 'z' ? static_cast<char>(*p - 'a' + 'A') : *p;  // inf, nan
    out += static_cast<char16_t>(c);
  }
  return out;
}

bool TryEncodeDate(int year, int month, int day, TDateTime& value) {
  if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1 || day > DaysInMonth(year, month))
    return false;
  value = static_cast<double>(DaysFromCivil(year, month, day) + kUnixEpoch);
  return true;
}

bool TryEncodeTime(int hour, int minute, int second, int millisecond, TDateTime& value) {
  if (hour < 0 || hour > 23 || minute < 0 || minute > 59 || second < 0 || second > 59 ||
      millisecond < 0 || millisecond > 999)
    return false;
  const std::int64_t ms = ((hour * 60 + minute) * 60 + second) * 1000LL + millisecond;
  value = static_cast<double>(ms) / static_cast<double>(kMsPerDay);
  return true;
}

bool TryStrToDate(std::u16string_view s, TDateTime& value) {
  s = Trim(s);
  std::size_t pos = 0;
  TDateTime date;
  if (!ParseDate(s, pos, date) || pos != s.size()) return false;
  value = date;
  return true;
}

bool TryStrToTime(std::u16string_view s, TDateTime& value) {
  s = Trim(s);
  std::size_t pos = 0;
  TDateTime time;
  if (!ParseTime(s, pos, time) || pos != s.size()) return false;
  value = time;
  return true;
}

bool TryStrToDateTime(std::u16string_view s, TDateTime& value) {
  s = Trim(s);
  std::size_t pos = 0;
  TDateTime date;
  if (!ParseDate(s, pos, date)) return TryStrToTime(s, value);
  if (pos == s.size()) {
    value = date;
    return true;
  }
  if (s[pos] != u' ') return false;
  while (pos < s.size() && s[pos] == u' ') ++pos;
  TDateTime time;
  if (!ParseTime(s, pos, time) || pos != s.size()) return false;
  value = Combine(date, time);
  return true;
}

std::u16string DateToStr(TDateTime value) { return FormatDate(Decode(value)); }

std::u16string TimeToStr(TDateTime value) { return FormatTime(Decode(value)); }

std::u16string DateTimeToStr(TDateTime value) {
  const DateTimeParts p = Decode(value);
  std::u16string out = FormatDate(p);
  if (p.hour != 0 || p.minute != 0 || p.second != 0) out += u' ' + FormatTime(p);
  return out;
}

std::u16string BytesToHex(const std::uint8_t* data, std::size_t size) {
  static constexpr char16_t kDigits[] = u"0123456789ABCDEF";
  std::u16string out(size * 2, u'0');
  for (std::size_t i = 0; i < size; ++i) {
    out[2 * i] = kDigits[data[i] >> 4];
    out[2 * i + 1] = kDigits[data[i] & 0x0F];
  }
  return out;
}

bool HexToBytes(std::u16string_view hex, std::vector<std::uint8_t>& bytes) {
  if (hex.size() % 2 != 0) return false;
  std::vector<std::uint8_t> out(hex.size() / 2);
  for (std::size_t i = 0; i < out.size(); ++i) {
    const int high = HexDigit(hex[2 * i]);
    const int low = HexDigit(hex[2 * i + 1]);
    if (high < 0 || low < 0) return false;
    out[i] = static_cast<std::uint8_t>(high << 4 | low);
  }
  bytes.swap(out);
  return true;
}

}  // namespace varnika
