// Keyboard translation: X keysyms to the window system's virtual-key codes,
// the characters a key press types, and the modifier bits of an X state
// mask. Pure functions; no X calls.
#pragma once

#include <string>

#include "base/WinTypes.h"

namespace varnika::x11 {

// The key code given to character keys that have no virtual key of their own
// (letters of other alphabets, dead keys): VK_OEM_8.
inline constexpr UINT kVkOtherCharacter = 0xDF;

struct KeyCode {
  UINT vk = 0;  // 0: a key the window system does not know
  UINT scan_code = 0;
  bool extended = false;
};

// keysym: the key's symbol without modifiers (level 0), or the keypad symbol
// that Num Lock selects; keycode: the X key code (evdev + 8).
KeyCode TranslateKey(unsigned long keysym, unsigned keycode);

// The characters of a press. keysym is the symbol after the modifiers (what
// XLookupString reports) and lookup the bytes XLookupString produced (they
// carry the control characters of Ctrl+letter).
std::u16string KeyText(unsigned long keysym, const char* lookup, int lookup_length);

// The kMod* bits (platform/Backend.h) of the modifier keys and buttons in an
// X event's state mask.
DWORD ModifiersOf(unsigned state);

}  // namespace varnika::x11
