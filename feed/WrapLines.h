// Breaks a long line of text into lines of at most a given number of
// columns, at break characters, keeping the line breaks the text already has.
#pragma once

#include <string>
#include <string_view>

namespace varnika {

// Wraps UTF-8 text at max_col columns, one column per character:
// - a line ends after the last break character that falls within the
//   column limit (a break character in the line's first position does not
//   count); the break character stays at the end of the line and break_str
//   follows it, unless only break characters and existing breaks remain;
// - break_str already in the text ends a line where it stands;
// - text between two "|" characters is never broken (a "|" without a
//   second one after it is a plain character);
// - a word longer than the limit is broken where the limit falls, between
//   characters, so that outside quotes no line is longer than the limit
//   (not counting the break character that ends it);
// - scanning resumes right after the break point, so the spaces that follow
//   a break begin the next line.
std::string WrapLines(std::string_view line, std::string_view break_str, std::string_view break_chars, int max_col);

}  // namespace varnika
