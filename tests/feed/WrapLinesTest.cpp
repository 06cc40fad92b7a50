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
  EXPECT_EQ(Wrap(commas), commas.substr(0, 50) + "\r\n" + commas.substr(50));
  // Each line is measured again from its start.
  std::string three = Repeat("0123456789 ", 13);
  std::string wrapped = Wrap(three, 30);
  EXPECT_EQ(wrapped, Repeat(Repeat("0123456789 ", 2) + "\r\n", 6) + "0123456789 ");
  // Multi-byte characters count one column each when choosing the break.
  EXPECT_EQ(Wrap(Repeat("ş", 30) + " " + Repeat("ğ", 25)), Repeat("ş", 30) + " \r\n" + Repeat("ğ", 25));
}

TEST(WrapLinesTest, WordsLongerThanTheColumnAreBrokenWhereItFalls) {
  EXPECT_EQ(Wrap(std::string(120, 'x')), std::string(50, 'x') + "\r\n" + std::string(50, 'x') + "\r\n" +
                                             std::string(20, 'x'));
  EXPECT_EQ(Wrap("a " + std::string(60, 'x') + " b"), "a \r\n" + std::string(50, 'x') + "\r\n" +
                                                        std::string(10, 'x') + " b");
  // A word of exactly the column's width, and multi-byte letters, stay whole.
  EXPECT_EQ(Wrap(std::string(50, 'x') + " b"), std::string(50, 'x') + " \r\nb");
  EXPECT_EQ(Wrap(Repeat("ş", 55), 50), Repeat("ş", 50) + "\r\n" + Repeat("ş", 5));
  // A break character in a line's first position is no break point.
  EXPECT_EQ(Wrap(" " + std::string(70, 'y')), " " + std::string(49, 'y') + "\r\n" + std::string(21, 'y'));
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
  EXPECT_EQ(Wrap(lone), lone.substr(0, 50) + "\r\n" + lone.substr(50));
}

TEST(WrapLinesTest, TextBetweenBarsIsNeverBroken) {
  const std::string quoted = "said |" + Repeat("do not break me ", 5) + "| then more words";
  // The closing bar ends the line at the break point before the quote.
  EXPECT_EQ(Wrap(quoted), "said \r\n|" + Repeat("do not break me ", 5) + "| \r\nthen more words");
  // A bar without a second one after it is a plain character.
  EXPECT_EQ(Wrap("x |" + Repeat("word ", 10)), "x |" + Repeat("word ", 9) + "\r\nword ");
  EXPECT_EQ(Wrap("Son dakika | " + Repeat("haber ", 9)), "Son dakika | " + Repeat("haber ", 6) + "\r\n" +
                                                          Repeat("haber ", 3));
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
