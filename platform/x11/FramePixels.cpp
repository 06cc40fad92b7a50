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

std::vector<std::uint8_t> AlphaMask(const std::uint32_t* pixels, int stride, int width, int height) {
  if (width <= 0 || height <= 0) return {};
  const size_t row_bytes = (static_cast<size_t>(width) + 7) / 8;
  std::vector<std::uint8_t> mask(row_bytes * static_cast<size_t>(height), 0);
  // The bits of the last byte that lie inside the row.
  const auto last = static_cast<std::uint8_t>(width % 8 == 0 ? 0xFF : (1u << (width % 8)) - 1);
  for (int y = 0; y < height; ++y) {
    const std::uint32_t* row = pixels + static_cast<std::ptrdiff_t>(y) * stride;
    std::uint8_t* bits = mask.data() + static_cast<size_t>(y) * row_bytes;
    // Most rows have no transparent pixel: one quick check before the
    // pixel-by-pixel walk.
    if (!HasClearPixel(row, width)) {
      std::memset(bits, 0xFF, row_bytes - 1);
      bits[row_bytes - 1] = last;
      continue;
    }
    for (int x = 0; x < width; ++x) {
      if (row[x] >> 24) bits[x >> 3] = static_cast<std::uint8_t>(bits[x >> 3] | (1u << (x & 7)));
    }
  }
  return mask;
}

}  // namespace varnika::x11
