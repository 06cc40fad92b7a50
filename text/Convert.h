// Locale-independent conversions between values and the text the INI file
// stores. Every form written here is read back to the same value (dates and
// times to the second, floating-point numbers to 15 significant digits).
//
// Integers: an optional sign, then decimal digits or "$" and hexadecimal
//   digits, and nothing else (no blanks). Decimal values must fit a signed
//   32-bit integer; hexadecimal ones may use all 32 bits ("$FFFFFFFF" is -1).
// Floats: "." as decimal separator, no thousands separators; written in the
//   general form with up to 15 significant digits ("0.5", "1E20", "1.5E-7").
// Dates: "dd.MM.yyyy"; times: "HH:mm:ss" (24 hours); date-times: the date, a
//   space and the time, the time left out at midnight. Reading also takes
//   one-digit days, months, hours, minutes and seconds, "HH:mm" and ".zzz"
//   milliseconds; years have four digits, 0001 to 9999.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace varnika {

// Days since 30 December 1899; the fraction is the time of day.
using TDateTime = double;

bool TryStrToInt(std::u16string_view s, std::int32_t& value);

bool TryStrToFloat(std::u16string_view s, double& value);
std::u16string FloatToStr(double value);

bool TryEncodeDate(int year, int month, int day, TDateTime& value);
bool TryEncodeTime(int hour, int minute, int second, int millisecond, TDateTime& value);

bool TryStrToDate(std::u16string_view s, TDateTime& value);
bool TryStrToTime(std::u16string_view s, TDateTime& value);
bool TryStrToDateTime(std::u16string_view s, TDateTime& value);
// Raise EConvertError "Invalid argument to date encode" for a value outside
// the years 1 to 9999 (or not a number).
std::u16string DateToStr(TDateTime value);
std::u16string TimeToStr(TDateTime value);
std::u16string DateTimeToStr(TDateTime value);

// Two upper-case hexadecimal digits per byte.
std::u16string BytesToHex(const std::uint8_t* data, std::size_t size);
// False for an odd length or a character that is not a hexadecimal digit.
bool HexToBytes(std::u16string_view hex, std::vector<std::uint8_t>& bytes);

}  // namespace varnika
