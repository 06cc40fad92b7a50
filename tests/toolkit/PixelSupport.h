// Small helpers for pixel-exact checks on bitmaps: a pixel is read and
// written as one premultiplied 0xAARRGGBB value.
#pragma once

#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <memory>
#include <vector>

#include "toolkit/BitmapEx.h"
#include "toolkit/CanvasEx.h"

namespace varnika::testing {

inline std::uint32_t PixelAt(const TBitmapEx& bitmap, int x, int y) {
  cairo_surface_flush(bitmap.Image());
  std::uint32_t value;
  std::memcpy(&value, bitmap.Bits() + y * bitmap.Stride() + x * 4, 4);
  return value;
}

inline void SetPixel(TBitmapEx& bitmap, int x, int y, std::uint32_t value) {
  std::memcpy(bitmap.Bits() + y * bitmap.Stride() + x * 4, &value, 4);
  cairo_surface_mark_dirty(bitmap.Image());
}

// A bitmap whose pixel (x, y) is f(x, y).
template <typename F>
std::unique_ptr<TBitmapEx> MakeBitmap(int width, int height, F f) {
  auto bitmap = std::make_unique<TBitmapEx>(width, height);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) SetPixel(*bitmap, x, y, f(x, y));
  return bitmap;
}

// A distinct opaque colour for each source position.
inline std::uint32_t Marker(int x, int y) {
  return 0xFF000000u | static_cast<std::uint32_t>(x * 16 + 1) << 16 | static_cast<std::uint32_t>(y * 16 + 1) << 8 | 0x40u;
}

inline std::vector<std::uint8_t> BytesOf(const TBitmapEx& bitmap) {
  cairo_surface_flush(bitmap.Image());
  if (!bitmap.Bits()) return {};
  return {bitmap.Bits(), bitmap.Bits() + static_cast<std::size_t>(bitmap.Stride()) * bitmap.Height()};
}

// The smallest rectangle holding every pixel with a non-zero alpha; Right
// and Bottom are exclusive; all zero when there is none. In the bitmap's
// pixels (device pixels on a scaled bitmap).
inline TRect InkBounds(const TBitmapEx& bitmap) {
  TRect r{bitmap.PixelWidth(), bitmap.PixelHeight(), 0, 0};
  for (int y = 0; y < bitmap.PixelHeight(); ++y)
    for (int x = 0; x < bitmap.PixelWidth(); ++x)
      if (PixelAt(bitmap, x, y) >> 24) {
        r.Left = std::min(r.Left, x);
        r.Top = std::min(r.Top, y);
        r.Right = std::max(r.Right, x + 1);
        r.Bottom = std::max(r.Bottom, y + 1);
      }
  return r.Right == 0 ? TRect{} : r;
}

}  // namespace varnika::testing
