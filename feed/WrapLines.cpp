#include "feed/WrapLines.h"

namespace varnika {

namespace {

constexpr char kQuote = '|';

// Bytes of the UTF-8 character whose first byte is at pos: the length its
// lead byte announces, cut short at the first byte that does not continue
// it and at the end of the text; 1 for anything that is not a lead byte.
std::size_t CharLength(std::string_view text, std::size_t pos) {
  auto lead = static_cast<unsigned char>(text[pos]);
  std::size_t expected = lead >= 0xF0 && lead < 0xF8 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
  if (lead >= 0xF8) expected = 1;
  std::size_t length = 1;
  while (length < expected && pos + length < text.size() &&
         (static_cast<unsigned char>(text[pos + length]) & 0xC0) == 0x80)
    ++length;
  return length;
}

}  // namespace

// Positions count from 0 here; the scan state mirrors the algorithm's: col
// counts characters of the current line from 1, line_pos is where the line
// began, break_pos the last break point seen (npos: none yet).
std::string WrapLines(std::string_view line, std::string_view break_str, std::string_view break_chars, int max_col) {
  constexpr std::size_t kNone = std::string_view::npos;
  auto is_break_char = [&](char c) { return break_chars.find(c) != std::string_view::npos; };
  const std::size_t length = line.size();
  std::string result;
  result.reserve(length + length / 16);
  long col = 1;
  std::size_t pos = 0;
  std::size_t line_pos = 0;
  std::size_t break_pos = kNone;  // "before line_pos" while no break point is known
  bool quoting = false;
  bool existing_break = false;
  // Whether a break point lies after the line's first position.
  auto break_after_line_start = [&] { return break_pos != kNone && break_pos > line_pos; };

  while (pos < length) {
    char c = line[pos];
    // A word longer than the column is broken before the character that
    // would make its line too long.
    if (!quoting && col > max_col && pos > line_pos && !break_after_line_start() && !is_break_char(c) &&
        (break_str.empty() || line.compare(pos, break_str.size(), break_str) != 0)) {
      result.append(line, line_pos, pos - line_pos);
      result.append(break_str);
      line_pos = pos;
      break_pos = kNone;
      col = 1;
    }
    if (static_cast<unsigned char>(c) >= 0xC0) {
      // A multi-byte character takes one column.
      pos += CharLength(line, pos) - 1;
    } else {
      // A bar quotes only up to the next bar: a lone one is a plain character.
      if (c == kQuote) quoting = !quoting && line.find(kQuote, pos + 1) != std::string_view::npos;
      if (!quoting) {
        if (!break_str.empty() && c == break_str.front()) {
          existing_break = line.substr(pos, break_str.size()) == break_str;
          if (existing_break) {
            pos += break_str.size() - 1;
            break_pos = pos;
          }
        }
        if (!existing_break && is_break_char(c)) break_pos = pos;
      }
    }
    ++pos;
    ++col;
    if (quoting) continue;
    if (existing_break || (col > max_col && break_after_line_start())) {
      col = 1;
      result.append(line, line_pos, break_pos - line_pos + 1);
      if (c != kQuote) {
        while (pos < length) {
          if (is_break_char(line[pos])) {
            pos += 1;
            existing_break = false;
          } else if (line.compare(pos, 2, "\r\n") == 0) {
            pos += 2;
            existing_break = true;
          } else {
            break;
          }
        }
      }
      if (pos < length && !existing_break) result.append(break_str);
      line_pos = break_pos + 1;
      pos = line_pos;
      existing_break = false;
    }
  }
  result.append(line, line_pos);
  return result;
}

}  // namespace varnika
