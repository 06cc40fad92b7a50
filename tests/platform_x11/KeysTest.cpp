#include "platform/x11/X11Keys.h"

#include <gtest/gtest.h>

#include "platform/Messages.h"

namespace varnika::x11 {
namespace {

// Key symbols and evdev + 8 key codes of a pc105 keyboard.
constexpr unsigned long kA = 0x61, kPageDown = 0xFF56, kKpPageDown = 0xFF9B, kKp7 = 0xFFB7;
constexpr unsigned long kReturn = 0xFF0D, kEscape = 0xFF1B, kDelete = 0xFFFF, kF4 = 0xFFC1, kControlR = 0xFFE4;

TEST(KeyTranslation, ExtendedKeysDifferFromTheirKeypadTwinsOnlyInTheExtendedBit) {
  KeyCode page_down = TranslateKey(kPageDown, 117);
  KeyCode keypad = TranslateKey(kKpPageDown, 89);  // Num Lock off
  EXPECT_EQ(page_down.vk, VK_NEXT);
  EXPECT_EQ(keypad.vk, VK_NEXT);
  EXPECT_TRUE(page_down.extended);
  EXPECT_FALSE(keypad.extended);
  EXPECT_EQ(page_down.scan_code, 0x51u);
  EXPECT_EQ(keypad.scan_code, 0x51u);
  KeyCode right_control = TranslateKey(kControlR, 105);
  EXPECT_EQ(right_control.vk, VK_CONTROL);
  EXPECT_TRUE(right_control.extended);
  EXPECT_EQ(right_control.scan_code, 0x1Du);
  // Main-block keys keep evdev's code, which is the PC scan code.
  EXPECT_EQ(TranslateKey(kA, 38).scan_code, 30u);
  EXPECT_EQ(TranslateKey(kKp7, 79).vk, VK_NUMPAD0 + 7);
}

TEST(KeyTranslation, LettersOfOtherAlphabetsGetTheOemKeyAndMediaKeysNone) {
  EXPECT_EQ(TranslateKey(0x2BB, 34).vk, kVkOtherCharacter);  // gbreve on a Turkish layout
  EXPECT_EQ(TranslateKey(0x10020AC, 26).vk, kVkOtherCharacter);
  EXPECT_EQ(TranslateKey(0x1008FF11, 122).vk, 0u);
}

TEST(KeyText, TurkishAndUnicodeSymbolsTypeTheirCharacters) {
  EXPECT_EQ(KeyText(0xE7, "\xe7", 1), u"\u00e7");      // ccedilla (Latin-1)
  EXPECT_EQ(KeyText(0x2BB, "", 0), u"\u011f");          // gbreve
  EXPECT_EQ(KeyText(0x2B9, "", 0), u"\u0131");          // idotless
  EXPECT_EQ(KeyText(0x2A9, "", 0), u"\u0130");          // Iabovedot
  EXPECT_EQ(KeyText(0x1BA, "", 0), u"\u015f");          // scedilla
  EXPECT_EQ(KeyText(0x10020AC, "", 0), u"\u20ac");      // a Unicode keysym
  EXPECT_EQ(KeyText(0x101F600, "", 0), u"\U0001F600");  // beyond the BMP: a surrogate pair
  EXPECT_EQ(KeyText(kKp7, "7", 1), u"7");
}

TEST(KeyText, ControlCharactersAndKeysThatTypeNothing) {
  EXPECT_EQ(KeyText(kA, "\x01", 1), u"\x01");  // Ctrl+A
  EXPECT_EQ(KeyText(kReturn, "\r", 1), u"\r");
  EXPECT_EQ(KeyText(kEscape, "\x1b", 1), u"\x1b");
  EXPECT_EQ(KeyText(kDelete, "\x7f", 1), u"");
  EXPECT_EQ(KeyText(kF4, "", 0), u"");
}

}  // namespace
}  // namespace varnika::x11
