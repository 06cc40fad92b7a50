#include "platform/x11/X11Keys.h"

// Before the X headers, whose macros would clash with its names.
#include "platform/Backend.h"

#include <X11/X.h>
#include <X11/keysym.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <iterator>

#include "platform/Messages.h"

namespace varnika::x11 {

namespace {

struct KeyRow {
  unsigned long keysym;
  UINT vk;
  bool extended;
};

// Keys that are not letters, digits, F-keys or keypad digits, sorted by keysym.
constexpr KeyRow kKeys[] = {
    {XK_space, VK_SPACE, false},
    {XK_apostrophe, VK_OEM_7, false},
    {XK_comma, VK_OEM_COMMA, false},
    {XK_minus, VK_OEM_MINUS, false},
    {XK_period, VK_OEM_PERIOD, false},
    {XK_slash, VK_OEM_2, false},
    {XK_semicolon, VK_OEM_1, false},
    {XK_equal, VK_OEM_PLUS, false},
    {XK_bracketleft, VK_OEM_4, false},
    {XK_backslash, VK_OEM_5, false},
    {XK_bracketright, VK_OEM_6, false},
    {XK_grave, VK_OEM_3, false},
    {XK_ISO_Level3_Shift, VK_MENU, true},
    {XK_ISO_Left_Tab, VK_TAB, false},
    {XK_BackSpace, VK_BACK, false},
    {XK_Tab, VK_TAB, false},
    {XK_Clear, VK_CLEAR, false},
    {XK_Return, VK_RETURN, false},
    {XK_Pause, VK_PAUSE, false},
    {XK_Scroll_Lock, VK_SCROLL, false},
    {XK_Sys_Req, VK_SNAPSHOT, false},
    {XK_Escape, VK_ESCAPE, false},
    {XK_Home, VK_HOME, true},
    {XK_Left, VK_LEFT, true},
    {XK_Up, VK_UP, true},
    {XK_Right, VK_RIGHT, true},
    {XK_Down, VK_DOWN, true},
    {XK_Prior, VK_PRIOR, true},
    {XK_Next, VK_NEXT, true},
    {XK_End, VK_END, true},
    {XK_Select, VK_SELECT, false},
    {XK_Print, VK_SNAPSHOT, true},
    {XK_Execute, VK_EXECUTE, false},
    {XK_Insert, VK_INSERT, true},
    {XK_Menu, VK_APPS, true},
    {XK_Help, VK_HELP, false},
    {XK_Num_Lock, VK_NUMLOCK, true},
    {XK_KP_Space, VK_SPACE, false},
    {XK_KP_Tab, VK_TAB, false},
    {XK_KP_Enter, VK_RETURN, true},
    {XK_KP_Home, VK_HOME, false},
    {XK_KP_Left, VK_LEFT, false},
    {XK_KP_Up, VK_UP, false},
    {XK_KP_Right, VK_RIGHT, false},
    {XK_KP_Down, VK_DOWN, false},
    {XK_KP_Prior, VK_PRIOR, false},
    {XK_KP_Next, VK_NEXT, false},
    {XK_KP_End, VK_END, false},
    {XK_KP_Begin, VK_CLEAR, false},
    {XK_KP_Insert, VK_INSERT, false},
    {XK_KP_Delete, VK_DELETE, false},
    {XK_KP_Multiply, VK_MULTIPLY, false},
    {XK_KP_Add, VK_ADD, false},
    {XK_KP_Separator, VK_SEPARATOR, false},
    {XK_KP_Subtract, VK_SUBTRACT, false},
    {XK_KP_Decimal, VK_DECIMAL, false},
    {XK_KP_Divide, VK_DIVIDE, true},
    {XK_Shift_L, VK_SHIFT, false},
    {XK_Shift_R, VK_SHIFT, false},
    {XK_Control_L, VK_CONTROL, false},
    {XK_Control_R, VK_CONTROL, true},
    {XK_Caps_Lock, VK_CAPITAL, false},
    {XK_Meta_L, VK_MENU, false},
    {XK_Meta_R, VK_MENU, true},
    {XK_Alt_L, VK_MENU, false},
    {XK_Alt_R, VK_MENU, true},
    {XK_Super_L, VK_LWIN, true},
    {XK_Super_R, VK_RWIN, true},
    {XK_Delete, VK_DELETE, true},
};

constexpr bool SortedByKeysym() {
  for (size_t i = 1; i < std::size(kKeys); ++i) {
    if (kKeys[i - 1].keysym >= kKeys[i].keysym) return false;
  }
  return true;
}
static_assert(SortedByKeysym(), "kKeys must stay sorted for the binary search");

// Scan codes (PC set 1) of the extended keys; the others take evdev's code,
// which is the set 1 code for the main block.
struct ScanRow {
  UINT vk;
  UINT scan;
};
constexpr ScanRow kExtendedScan[] = {
    {VK_HOME, 0x47},    {VK_UP, 0x48},     {VK_PRIOR, 0x49}, {VK_LEFT, 0x4B},  {VK_RIGHT, 0x4D},
    {VK_END, 0x4F},     {VK_DOWN, 0x50},   {VK_NEXT, 0x51},  {VK_INSERT, 0x52}, {VK_DELETE, 0x53},
    {VK_CONTROL, 0x1D}, {VK_MENU, 0x38},   {VK_RETURN, 0x1C}, {VK_DIVIDE, 0x35}, {VK_LWIN, 0x5B},
    {VK_RWIN, 0x5C},    {VK_APPS, 0x5D},   {VK_NUMLOCK, 0x45}, {VK_SNAPSHOT, 0x37},
};

UINT ScanCodeOf(UINT vk, bool extended, unsigned keycode) {
  if (extended) {
    for (const ScanRow& row : kExtendedScan) {
      if (row.vk == vk) return row.scan;
    }
    return 0;
  }
  unsigned evdev = keycode >= 8 ? keycode - 8 : 0;
  return evdev <= 0x58 ? evdev : 0;
}

KeyCode VirtualKeyOf(unsigned long keysym) {
  if (keysym >= XK_a && keysym <= XK_z) return {static_cast<UINT>('A' + (keysym - XK_a)), 0, false};
  if (keysym >= XK_A && keysym <= XK_Z) return {static_cast<UINT>('A' + (keysym - XK_A)), 0, false};
  if (keysym >= XK_0 && keysym <= XK_9) return {static_cast<UINT>('0' + (keysym - XK_0)), 0, false};
  if (keysym >= XK_KP_0 && keysym <= XK_KP_9) return {static_cast<UINT>(VK_NUMPAD0 + (keysym - XK_KP_0)), 0, false};
  if (keysym >= XK_F1 && keysym <= XK_F24) return {static_cast<UINT>(VK_F1 + (keysym - XK_F1)), 0, false};
  auto it = std::lower_bound(std::begin(kKeys), std::end(kKeys), keysym,
                             [](const KeyRow& row, unsigned long k) { return row.keysym < k; });
  if (it != std::end(kKeys) && it->keysym == keysym) return {it->vk, 0, it->extended};
  // Other character keys (letters of other alphabets, dead keys).
  bool latin = (keysym >= 0x20 && keysym <= 0xFF) || (keysym >= 0x100 && keysym < 0x1400);
  bool unicode = (keysym & 0xFF000000ul) == 0x01000000ul;
  bool dead = keysym >= XK_dead_grave && keysym <= 0xFE8F;
  if (latin || unicode || dead) return {kVkOtherCharacter, 0, false};
  return {};
}

// ISO 8859-2 upper half, for the Latin-2 keysyms 0x1A1-0x1FF.
constexpr char16_t kLatin2[96] = {
    0x00A0, 0x0104, 0x02D8, 0x0141, 0x00A4, 0x013D, 0x015A, 0x00A7, 0x00A8, 0x0160, 0x015E, 0x0164,
    0x0179, 0x00AD, 0x017D, 0x017B, 0x00B0, 0x0105, 0x02DB, 0x0142, 0x00B4, 0x013E, 0x015B, 0x02C7,
    0x00B8, 0x0161, 0x015F, 0x0165, 0x017A, 0x02DD, 0x017E, 0x017C, 0x0154, 0x00C1, 0x00C2, 0x0102,
    0x00C4, 0x0139, 0x0106, 0x00C7, 0x010C, 0x00C9, 0x0118, 0x00CB, 0x011A, 0x00CD, 0x00CE, 0x010E,
    0x0110, 0x0143, 0x0147, 0x00D3, 0x00D4, 0x0150, 0x00D6, 0x00D7, 0x0158, 0x016E, 0x00DA, 0x0170,
    0x00DC, 0x00DD, 0x0162, 0x00DF, 0x0155, 0x00E1, 0x00E2, 0x0103, 0x00E4, 0x013A, 0x0107, 0x00E7,
    0x010D, 0x00E9, 0x0119, 0x00EB, 0x011B, 0x00ED, 0x00EE, 0x010F, 0x0111, 0x0144, 0x0148, 0x00F3,
    0x00F4, 0x0151, 0x00F6, 0x00F7, 0x0159, 0x016F, 0x00FA, 0x0171, 0x00FC, 0x00FD, 0x0163, 0x02D9,
};

// The Latin-3 (Turkish, Maltese, Esperanto), Latin-9 and currency keysyms.
struct CharRow {
  unsigned long keysym;
  char16_t ch;
};
constexpr CharRow kOtherChars[] = {
    {0x2A1, 0x0126}, {0x2A6, 0x0124}, {0x2A9, 0x0130}, {0x2AB, 0x011E}, {0x2AC, 0x0134}, {0x2B1, 0x0127},
    {0x2B6, 0x0125}, {0x2B9, 0x0131}, {0x2BB, 0x011F}, {0x2BC, 0x0135}, {0x2C5, 0x010A}, {0x2C6, 0x0108},
    {0x2D5, 0x0120}, {0x2D8, 0x011C}, {0x2DD, 0x016C}, {0x2DE, 0x015C}, {0x2E5, 0x010B}, {0x2E6, 0x0109},
    {0x2F5, 0x0121}, {0x2F8, 0x011D}, {0x2FD, 0x016D}, {0x2FE, 0x015D}, {0x13BC, 0x0152}, {0x13BD, 0x0153},
    {0x13BE, 0x0178}, {0x20AC, 0x20AC},
};

void AppendCodePoint(std::u16string& out, std::uint32_t cp) {
  if (cp >= 0x10000 && cp <= 0x10FFFF) {
    cp -= 0x10000;
    out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
    out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
  } else if (cp < 0xD800 || (cp > 0xDFFF && cp < 0x10000)) {
    out.push_back(static_cast<char16_t>(cp));
  }
}

// The character of a keysym, or 0.
std::uint32_t CharacterOf(unsigned long keysym) {
  if ((keysym >= 0x20 && keysym <= 0x7E) || (keysym >= 0xA0 && keysym <= 0xFF)) return static_cast<std::uint32_t>(keysym);
  if ((keysym & 0xFF000000ul) == 0x01000000ul) return static_cast<std::uint32_t>(keysym & 0x00FFFFFFul);
  if (keysym >= 0x1A0 && keysym <= 0x1FF) return kLatin2[keysym - 0x1A0];
  for (const CharRow& row : kOtherChars) {
    if (row.keysym == keysym) return row.ch;
  }
  switch (keysym) {
    case XK_Return:
    case XK_KP_Enter: return u'\r';
    case XK_Tab:
    case XK_ISO_Left_Tab:
    case XK_KP_Tab: return u'\t';
    case XK_BackSpace: return u'\b';
    case XK_Escape: return 0x1B;
    case XK_KP_Space: return u' ';
    case XK_KP_Equal: return u'=';
    case XK_KP_Multiply: return u'*';
    case XK_KP_Add: return u'+';
    case XK_KP_Separator: return u',';
    case XK_KP_Subtract: return u'-';
    case XK_KP_Decimal: return u'.';
    case XK_KP_Divide: return u'/';
    default: break;
  }
  if (keysym >= XK_KP_0 && keysym <= XK_KP_9) return static_cast<std::uint32_t>(u'0' + (keysym - XK_KP_0));
  return 0;
}

}  // namespace

KeyCode TranslateKey(unsigned long keysym, unsigned keycode) {
  KeyCode key = VirtualKeyOf(keysym);
  if (key.vk != 0) key.scan_code = ScanCodeOf(key.vk, key.extended, keycode);
  return key;
}

std::u16string KeyText(unsigned long keysym, const char* lookup, int lookup_length) {
  std::u16string text;
  // Ctrl+letter and friends: XLookupString has already made the control character.
  if (lookup_length == 1) {
    auto byte = static_cast<unsigned char>(lookup[0]);
    bool no_char = keysym == XK_Delete || keysym == XK_KP_Delete;
    if ((byte < 0x20 || byte == 0x7F) && !no_char && keysym != XK_Return && keysym != XK_KP_Enter) {
      text.push_back(static_cast<char16_t>(byte));
      return text;
    }
  }
  if (std::uint32_t cp = CharacterOf(keysym)) AppendCodePoint(text, cp);
  return text;
}

DWORD ModifiersOf(unsigned state) {
  DWORD m = 0;
  if (state & ShiftMask) m |= kModShift;
  if (state & ControlMask) m |= kModControl;
  if (state & Mod1Mask) m |= kModAlt;
  if (state & Button1Mask) m |= kModLeftButton;
  if (state & Button2Mask) m |= kModMiddleButton;
  if (state & Button3Mask) m |= kModRightButton;
  return m;
}

}  // namespace varnika::x11
