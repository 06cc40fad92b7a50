// The 32-bit colour of the toolkit: 0xAARRGGBB, alpha in the top byte.
#pragma once

#include <cstdint>

#include "base/WinTypes.h"

namespace varnika {

using ARGB = std::uint32_t;

// Each part is taken as a byte.
constexpr ARGB ArgbColor(unsigned a, unsigned r, unsigned g, unsigned b) {
  return (b & 0xFF) | (g & 0xFF) << 8 | (r & 0xFF) << 16 | (a & 0xFFu) << 24;
}

constexpr BYTE ColorAlpha(ARGB color) { return static_cast<BYTE>(color >> 24); }
constexpr BYTE ColorRed(ARGB color) { return static_cast<BYTE>(color >> 16); }
constexpr BYTE ColorGreen(ARGB color) { return static_cast<BYTE>(color >> 8); }
constexpr BYTE ColorBlue(ARGB color) { return static_cast<BYTE>(color); }

}  // namespace varnika
