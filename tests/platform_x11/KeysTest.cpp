#include "platform/x11/X11Keys.h"

#include <gtest/gtest.h>

#include "platform/Messages.h"

namespace varnika::x11 {
namespace {

// Key symbols and evdev + 8 key codes of a pc105 keyboard.
constexpr unsigned long kA = 0x61, kUpperA = 0x41, kDigit7 = 0x37;
constexpr unsigned long kF4 = 0xFFC1, kF12 = 0xFFC9, kPageDown = 0xFF56, kKpPageDown = 0xFF9B, kKp7 = 0xFFB7;
constexpr unsigned long kReturn = 0xFF0D, kKpEnter = 0xFF8D, kEscape = 0xFF1B, kTab = 0xFF09, kDelete = 0xFFFF;
constexpr unsigned long kControlR = 0xFFE4, kAltL = 0xFFE9, kShiftL = 0xFFE1, kLevel3 = 0xFE03;

TEST(KeyTranslation, LettersAndDigitsKeepTheirCharacterCodes) {
  EXPECT_EQ(TranslateKey(kA, 38).vk, UINT{'A'});
  EXPECT_EQ(TranslateKey(kA, 38).scan_code, 30u);
  EXPECT_EQ(TranslateKey(kUpperA, 38).vk, UINT{'A'});
  EXPECT_EQ(TranslateKey(kDigit7, 16).vk, UINT{'7'});
  EXPECT_FALSE(TranslateKey(kA, 38).extended);
}

TEST(KeyTranslation, FunctionAndNavigationKeys) {
  EXPECT_EQ(TranslateKey(kF4, 70).vk, VK_F4);
  EXPECT_EQ(TranslateKey(kF12, 96).vk, VK_F12);
  KeyCode page_down = TranslateKey(kPageDown, 117);
  EXPECT_EQ(page_down.vk, VK_NEXT);
  EXPECT_TRUE(page_down.extended);
  EXPECT_EQ(page_down.scan_code, 0x51u);
  // The keypad's Page Down (Num Lock off) is the same key, not extended.
  KeyCode kp = TranslateKey(kKpPageDown, 89);
  EXPECT_EQ(kp.vk, VK_NEXT);
  EXPECT_FALSE(kp.extended);
  EXPECT_EQ(kp.scan_code, 0x51u);
  EXPECT_EQ(TranslateKey(kKp7, 79).vk, VK_NUMPAD0 + 7);
  EXPECT_EQ(TranslateKey(kReturn, 36).vk, VK_RETURN);
  EXPECT_TRUE(TranslateKey(kKpEnter, 104).extended);
  EXPECT_EQ(TranslateKey(kEscape, 9).vk, VK_ESCAPE);
  EXPECT_EQ(TranslateKey(kTab, 23).vk, VK_TAB);
  EXPECT_EQ(TranslateKey(kDelete, 119).vk, VK_DELETE);
}

TEST(KeyTranslation, ModifiersBecomeTheGenericKeysWithRightOnesExtended) {
  EXPECT_EQ(TranslateKey(kShiftL, 50).vk, VK_SHIFT);
  EXPECT_EQ(TranslateKey(kAltL, 64).vk, VK_MENU);
  KeyCode right_control = TranslateKey(kControlR, 105);
  EXPECT_EQ(right_control.vk, VK_CONTROL);
  EXPECT_TRUE(right_control.extended);
  EXPECT_EQ(right_control.scan_code, 0x1Du);
  EXPECT_EQ(TranslateKey(kLevel3, 108).vk, VK_MENU);  // AltGr
}

TEST(KeyTranslation, OtherAlphabetsGetTheOemKeyAndUnknownSymbolsNone) {
  EXPECT_EQ(TranslateKey(0x2BB, 34).vk, kVkOtherCharacter);  // gbreve on a Turkish layout
  EXPECT_EQ(TranslateKey(0x10020AC, 26).vk, kVkOtherCharacter);
  EXPECT_EQ(TranslateKey(0x1008FF11, 122).vk, 0u);  // a media key
}

TEST(KeyText, PrintableSymbolsTypeTheirCharacters) {
  EXPECT_EQ(KeyText(kA, "a", 1), u"a");
  EXPECT_EQ(KeyText(0xE7, "\xe7", 1), u"\u00e7");        // ccedilla
  EXPECT_EQ(KeyText(0x2BB, "", 0), u"\u011f");            // gbreve
  EXPECT_EQ(KeyText(0x2B9, "", 0), u"\u0131");            // idotless
  EXPECT_EQ(KeyText(0x2A9, "", 0), u"\u0130");            // Iabovedot
  EXPECT_EQ(KeyText(0x1BA, "", 0), u"\u015f");            // scedilla
  EXPECT_EQ(KeyText(0x10020AC, "", 0), u"\u20ac");        // a Unicode keysym
  EXPECT_EQ(KeyText(0x101F600, "", 0), u"\U0001F600");    // beyond the BMP: a surrogate pair
  EXPECT_EQ(KeyText(kKp7, "7", 1), u"7");
}

TEST(KeyText, ControlCharactersAndKeysThatTypeNothing) {
  EXPECT_EQ(KeyText(kA, "\x01", 1), u"\x01");  // Ctrl+A
  EXPECT_EQ(KeyText(kReturn, "\r", 1), u"\r");
  EXPECT_EQ(KeyText(kEscape, "\x1b", 1), u"\x1b");
  EXPECT_EQ(KeyText(kTab, "\t", 1), u"\t");
  EXPECT_EQ(KeyText(kDelete, "\x7f", 1), u"");
  EXPECT_EQ(KeyText(kF4, "", 0), u"");
  EXPECT_EQ(KeyText(kShiftL, "", 0), u"");
}

}  // namespace
}  // namespace varnika::x11
