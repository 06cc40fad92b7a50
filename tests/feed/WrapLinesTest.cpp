// Line wrapping of titles and summaries.
#include <gtest/gtest.h>

#include "feed/FeedParser.h"
#include "feed/WrapLines.h"

namespace varnika::testing {
namespace {

std::string Wrap(std::string_view text, int columns = 50) {
  return WrapLines(text, kWrapBreak, kWrapBreakChars, columns);
}

std::string Repeat(std::string_view piece, int times) {
  std::string out;
  for (int i = 0; i < times; ++i) out += piece;
  return out;
}

TEST(WrapLinesTest, LinesWithinTheColumnStayUnchanged) {
  EXPECT_EQ(Wrap(""), "");
  const std::string fifty = Repeat("abcd ", 9) + "abcde";  // 50 characters
  ASSERT_EQ(fifty.size(), 50u);
  EXPECT_EQ(Wrap(fifty), fifty);
  // Columns count characters, not bytes: 41 Turkish letters are 81 bytes.
  const std::string turkish = Repeat("ş", 20) + " " + Repeat("ğ", 20);
  EXPECT_EQ(Wrap(turkish), turkish);
}

TEST(WrapLinesTest, BreaksAfterTheLastBreakCharacterWithinTheColumn) {
  // The break character stays at the end of the line; CR LF follows it.
  EXPECT_EQ(Wrap(Repeat("word ", 9) + "wordy more"), Repeat("word ", 9) + "\r\nwordy more");
  EXPECT_EQ(Wrap(std::string(45, 'a') + "-bbbbbbbbbb"), std::string(45, 'a') + "-\r\nbbbbbbbbbb");
  EXPECT_EQ(Wrap(std::string(45, 'a') + ".bbbbbbbbbb"), std::string(45, 'a') + ".\r\nbbbbbbbbbb");
  EXPECT_EQ(Wrap(std::string(45, 'a') + "\tbbbbbbbbbb"), std::string(45, 'a') + "\t\r\nbbbbbbbbbb");
  // Other punctuation is no break point.
  const std::string commas = std::string(45, 'a') + ",/;:bbbbbbbbbb";
  EXPECT_EQ(Wrap(commas), commas);
  // Each line is measured again from its start.
  std::string three = Repeat("0123456789 ", 13);
  std::string wrapped = Wrap(three, 30);
  EXPECT_EQ(wrapped, Repeat(Repeat("0123456789 ", 2) + "\r\n", 6) + "0123456789 ");
  // Multi-byte characters count one column each when choosing the break.
  EXPECT_EQ(Wrap(Repeat("ş", 30) + " " + Repeat("ğ", 25)), Repeat("ş", 30) + " \r\n" + Repeat("ğ", 25));
}

TEST(WrapLinesTest, LongWordsAreNeverSplit) {
  const std::string word(120, 'x');
  EXPECT_EQ(Wrap(word), word);
  EXPECT_EQ(Wrap("a " + word + " b"), "a \r\n" + word + " \r\nb");
  // A break character in a line's first position is no break point.
  const std::string leading = " " + std::string(70, 'y');
  EXPECT_EQ(Wrap(leading), leading);
}

TEST(WrapLinesTest, SpacesAfterABreakBeginTheNextLineUnlessNothingElseFollows) {
  EXPECT_EQ(Wrap(std::string(49, 'a') + "  bbb"), std::string(49, 'a') + " \r\n bbb");
  // Only break characters left: no line break is added.
  const std::string trailing = std::string(49, 'a') + "    ";
  EXPECT_EQ(Wrap(trailing), trailing);
}

TEST(WrapLinesTest, ExistingLineBreaksEndLinesWithoutAnotherBreak) {
  EXPECT_EQ(Wrap("short\r\nlines\r\nstay"), "short\r\nlines\r\nstay");
  const std::string lines = std::string(40, 'a') + "\r\n" + std::string(40, 'b') + " " + std::string(20, 'c');
  EXPECT_EQ(Wrap(lines), std::string(40, 'a') + "\r\n" + std::string(40, 'b') + " \r\n" + std::string(20, 'c'));
  // A lone CR or LF is no break point.
  const std::string lone = std::string(30, 'a') + "\n" + std::string(30, 'b');
  EXPECT_EQ(Wrap(lone), lone);
}

TEST(WrapLinesTest, TextBetweenBarsIsNeverBroken) {
  const std::string quoted = "said |" + Repeat("do not break me ", 5) + "| then more words";
  // The closing bar ends the line at the break point before the quote.
  EXPECT_EQ(Wrap(quoted), "said \r\n|" + Repeat("do not break me ", 5) + "| \r\nthen more words");
  // An unclosed bar protects the rest of the text.
  const std::string open = "x |" + Repeat("word ", 20);
  EXPECT_EQ(Wrap(open), open);
}

TEST(WrapLinesTest, MalformedUtf8IsCopiedByteForByte) {
  std::string bytes = "\xC3 \xE2\x82 \xF0\x9F\x98 \xFF\xFE " + std::string(60, '\x80') + " end";
  std::string wrapped = Wrap(bytes, 10);
  std::string without_breaks;
  for (std::size_t i = 0; i < wrapped.size(); ++i) {
    if (wrapped.compare(i, 2, "\r\n") == 0) {
      ++i;
      continue;
    }
    without_breaks += wrapped[i];
  }
  EXPECT_EQ(without_breaks, bytes);
}

}  // namespace
}  // namespace varnika::testing
