// Pixel work on layered frames before they go to the X server: the constant
// alpha, and the shape (a mask of the pixels of at least a given alpha).
// Pure functions; no X calls.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "base/WinTypes.h"

namespace varnika::x11 {

// dst[i] = src[i] with every channel scaled by alpha / 255 (rounded), the
// rows of width pixels read with src_stride and written with dst_stride
// (both in pixels). force_opaque first sets each pixel's alpha to 255 (a
// window that is not layered shows its pixels without transparency).
void ApplyConstantAlpha(const std::uint32_t* src, int src_stride, std::uint32_t* dst, int dst_stride, int width,
                        int height, BYTE alpha, bool force_opaque);

// The smallest pixel alpha that ApplyConstantAlpha with this constant
// alpha leaves above 0 (0: none, when alpha is 0).
BYTE LowestVisibleAlpha(BYTE alpha);

// The shape of a frame as a 1-bit mask: a bit for each pixel whose alpha is
// at least min_alpha (0 counts as 1: the pixels that are not fully
// transparent). Rows of (width + 7) / 8 bytes, the leftmost pixel in the least
// significant bit (an X bitmap with LSBFirst bit order and 8-bit units).
// Its size does not depend on how ragged the shape is, so any frame fits a
// shape request.
std::vector<std::uint8_t> AlphaMask(const std::uint32_t* pixels, int stride, int width, int height,
                                    BYTE min_alpha = 1);

}  // namespace varnika::x11
