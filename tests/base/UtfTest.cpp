#include "base/Utf.h"

#include <gtest/gtest.h>

using namespace varnika;

TEST(Utf, TurkishTextRoundTrips) {
  const std::u16string text = u"Güncel haberler: İstanbul'da ışık, şeker, çay, öğle";
  EXPECT_EQ(Utf8ToUtf16(Utf16ToUtf8(text)), text);
  EXPECT_EQ(Utf16ToUtf8(u"ğ"), "\xC4\x9F");
}

TEST(Utf, SurrogatePairsBecomeFourBytesAndBack) {
  const std::u16string emoji = u"\xD83D\xDE00";
  EXPECT_EQ(Utf16ToUtf8(emoji), "\xF0\x9F\x98\x80");
  EXPECT_EQ(Utf8ToUtf16("\xF0\x9F\x98\x80"), emoji);
}

TEST(Utf, UnpairedSurrogatesBecomeReplacementCharacter) {
  EXPECT_EQ(Utf16ToUtf8(std::u16string(u"a\xD800" u"b")), "a\xEF\xBF\xBD" "b");
  EXPECT_EQ(Utf16ToUtf8(std::u16string(1, u'\xDC00')), "\xEF\xBF\xBD");
  EXPECT_EQ(Utf16ToUtf8(std::u16string(1, u'\xD800')), "\xEF\xBF\xBD");
}

TEST(Utf, MalformedUtf8BecomesOneReplacementPerBadByte) {
  EXPECT_EQ(Utf8ToUtf16("a\xFF" "b"), u"a\xFFFD" u"b");
  EXPECT_EQ(Utf8ToUtf16("\xC3"), u"\xFFFD");                 // truncated
  EXPECT_EQ(Utf8ToUtf16("\xC0\xAF"), u"\xFFFD\xFFFD");       // overlong
  EXPECT_EQ(Utf8ToUtf16("\xED\xA0\x80"), u"\xFFFD\xFFFD\xFFFD");  // encoded surrogate
}

TEST(Utf, NulInsideTextIsKept) {
  const std::string bytes("a\0b", 3);
  EXPECT_EQ(Utf8ToUtf16(bytes), std::u16string(u"a\0b", 3));
}
