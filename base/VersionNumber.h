// Dotted version numbers ("2", "2.0", "10.4.1"): trimmed of the blanks
// around them and compared part by part as numbers, a missing part counting
// as 0 ("2" equals "2.0"). Parts are compared as digit strings, so no length
// of number can overflow.
#pragma once

#include <string_view>

namespace varnika {

// The text without the ASCII blanks (space, tab, line breaks) around it.
inline std::string_view TrimVersion(std::string_view text) {
  constexpr std::string_view kBlanks = " \t\r\n\f\v";
  const auto first = text.find_first_not_of(kBlanks);
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(kBlanks) - first + 1);
}

// Whether text is one or more runs of digits joined by single dots.
inline bool IsDottedNumber(std::string_view text) {
  bool digit_before = false;
  for (char c : text) {
    if (c >= '0' && c <= '9') {
      digit_before = true;
    } else if (c == '.' && digit_before) {
      digit_before = false;
    } else {
      return false;
    }
  }
  return digit_before;
}

// -1, 0 or 1 as a is older than, equal to or newer than b. Text that is not
// a dotted number (after trimming) is older than any dotted number and
// equal to any other such text, so it is never offered as an update.
inline int CompareVersions(std::string_view a, std::string_view b) {
  a = TrimVersion(a);
  b = TrimVersion(b);
  const bool a_valid = IsDottedNumber(a);
  const bool b_valid = IsDottedNumber(b);
  if (!a_valid || !b_valid) return a_valid == b_valid ? 0 : (a_valid ? 1 : -1);
  // Takes the next part off text, without its leading zeros.
  auto next_part = [](std::string_view& text) {
    const auto dot = text.find('.');
    std::string_view part = text.substr(0, dot);
    text = dot == std::string_view::npos ? std::string_view() : text.substr(dot + 1);
    const auto digit = part.find_first_not_of('0');
    return digit == std::string_view::npos ? std::string_view() : part.substr(digit);
  };
  while (!a.empty() || !b.empty()) {
    const std::string_view pa = next_part(a);
    const std::string_view pb = next_part(b);
    if (pa.size() != pb.size()) return pa.size() < pb.size() ? -1 : 1;
    if (const int c = pa.compare(pb); c != 0) return c < 0 ? -1 : 1;
  }
  return 0;
}

}  // namespace varnika
