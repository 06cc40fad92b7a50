// Pixel work on layered frames before they go to the X server: the constant
// alpha, and the shape (the rectangles of pixels that are not fully
// transparent). Pure functions; no X calls.
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

struct ShapeRect {
  int x = 0;
  int y = 0;
  int width = 0;
  int height = 0;
  friend bool operator==(const ShapeRect&, const ShapeRect&) = default;
};

// The pixels whose alpha is not 0, as rectangles sorted by y, then x; rows
// with the same runs share one band (a list the X SHAPE extension takes as
// YXBanded).
std::vector<ShapeRect> OpaqueRuns(const std::uint32_t* pixels, int stride, int width, int height);

}  // namespace varnika::x11
