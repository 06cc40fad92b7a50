#include "platform/x11/FramePixels.h"

#include <cstring>

namespace varnika::x11 {

namespace {

// Two 8-bit channels at once (bits 0-7 and 16-23), each times alpha / 255
// rounded to nearest: the exact division trick t + (t >> 8) >> 8.
inline std::uint32_t ScalePair(std::uint32_t pair, std::uint32_t alpha) {
  std::uint32_t t = pair * alpha + 0x00800080u;
  t += (t >> 8) & 0x00FF00FFu;
  return (t >> 8) & 0x00FF00FFu;
}

inline std::uint32_t Scale(std::uint32_t p, std::uint32_t alpha) {
  return ScalePair(p & 0x00FF00FFu, alpha) | (ScalePair((p >> 8) & 0x00FF00FFu, alpha) << 8);
}

// Whether any of the n pixels has alpha 0; four pixels a step.
bool HasClearPixel(const std::uint32_t* row, int n) {
  using Lanes = std::uint32_t __attribute__((vector_size(16)));
  const Lanes visible = {0x01000000u, 0x01000000u, 0x01000000u, 0x01000000u};
  Lanes any = {0, 0, 0, 0};
  int i = 0;
  for (; i + 4 <= n; i += 4) {
    Lanes v;
    std::memcpy(&v, row + i, sizeof v);
    any |= reinterpret_cast<Lanes>(v < visible);
  }
  bool clear = (any[0] | any[1] | any[2] | any[3]) != 0;
  for (; i < n; ++i) clear = clear || row[i] < 0x01000000u;
  return clear;
}

}  // namespace

void ApplyConstantAlpha(const std::uint32_t* src, int src_stride, std::uint32_t* dst, int dst_stride, int width,
                        int height, BYTE alpha, bool force_opaque) {
  const std::uint32_t set = force_opaque ? 0xFF000000u : 0u;
  for (int y = 0; y < height; ++y) {
    const std::uint32_t* s = src + static_cast<std::ptrdiff_t>(y) * src_stride;
    std::uint32_t* d = dst + static_cast<std::ptrdiff_t>(y) * dst_stride;
    if (alpha == 255 && !force_opaque) {
      std::memcpy(d, s, static_cast<size_t>(width) * 4);
    } else if (alpha == 255) {
      for (int x = 0; x < width; ++x) d[x] = s[x] | set;
    } else if (alpha == 0) {
      std::memset(d, 0, static_cast<size_t>(width) * 4);
    } else {
      for (int x = 0; x < width; ++x) d[x] = Scale(s[x] | set, alpha);
    }
  }
}

std::vector<ShapeRect> OpaqueRuns(const std::uint32_t* pixels, int stride, int width, int height) {
  std::vector<ShapeRect> rects;
  size_t band_start = 0;  // first rectangle of the previous row's band
  size_t band_size = 0;
  for (int y = 0; y < height; ++y) {
    const std::uint32_t* row = pixels + static_cast<std::ptrdiff_t>(y) * stride;
    size_t row_start = rects.size();
    // Most rows have no transparent pixel: one quick check before the
    // run-by-run walk.
    bool clear = HasClearPixel(row, width);
    int x = clear ? 0 : width;
    if (!clear && width > 0) rects.push_back(ShapeRect{0, y, width, 1});
    while (x < width) {
      while (x < width && (row[x] >> 24) == 0) ++x;
      if (x == width) break;
      int start = x;
      while (x < width && (row[x] >> 24) != 0) ++x;
      rects.push_back(ShapeRect{start, y, x - start, 1});
    }
    size_t row_size = rects.size() - row_start;
    // A row with the same runs as the row above joins its band.
    bool same = row_size == band_size && row_size > 0 && rects[band_start].y + rects[band_start].height == y;
    for (size_t i = 0; same && i < row_size; ++i) {
      same = rects[band_start + i].x == rects[row_start + i].x &&
             rects[band_start + i].width == rects[row_start + i].width;
    }
    if (same) {
      rects.resize(row_start);
      for (size_t i = 0; i < band_size; ++i) rects[band_start + i].height++;
    } else {
      band_start = row_start;
      band_size = row_size;
    }
  }
  return rects;
}

}  // namespace varnika::x11
