#include "base/Format.h"

#include <gtest/gtest.h>

#include "base/Exceptions.h"

using namespace varnika;

TEST(Format, MessagesOfTheProgram) {
  EXPECT_EQ(Format(u"List index out of bounds (%d)", -1), u"List index out of bounds (-1)");
  EXPECT_EQ(Format(u"Parent Required %s", std::u16string(u"Widget_3")), u"Parent Required Widget_3");
  EXPECT_EQ(Format(u"Cannot open file \"%s\". %s", u"/x", "No such file"),
            u"Cannot open file \"/x\". No such file");
  EXPECT_EQ(Format("Cookie: %s\r\n", "a=b"), "Cookie: a=b\r\n");
}

TEST(Format, HexWidthAndPrecision) {
  EXPECT_EQ(Format(u"0x%.8x", 255u), u"0x000000ff");
  EXPECT_EQ(Format(u"0x%.8x", -1), u"0xffffffff");
  EXPECT_EQ(Format(u"%X", 48879), u"BEEF");
  EXPECT_EQ(Format(u"[%5d|%-4d|%05d]", 42, 7, -3), u"[   42|7   |-0003]");
  EXPECT_EQ(Format(u"%.2s", u"abc"), u"ab");
  EXPECT_EQ(Format(u"100%%"), u"100%");
}

TEST(Format, ExtremeIntegers) {
  EXPECT_EQ(Format(u"%d", INT32_MIN), u"-2147483648");
  EXPECT_EQ(Format(u"%d", INT64_MIN), u"-9223372036854775808");
  EXPECT_EQ(Format(u"%u", UINT64_MAX), u"18446744073709551615");
}

TEST(Format, MissingOrMismatchedArgumentRaises) {
  EXPECT_THROW(Format(u"%d"), EConvertError);
  EXPECT_THROW(Format(u"%d", u"text"), EConvertError);
  EXPECT_THROW(Format(u"%s", 5), EConvertError);
  EXPECT_THROW(Format(u"abc %"), EConvertError);
  EXPECT_THROW(Format(u"%q", 1), EConvertError);
}
