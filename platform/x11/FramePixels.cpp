#include "platform/x11/FramePixels.h"

#include <cstring>

namespace varnika::x11 {

namespace {

using Bytes8 = std::uint8_t __attribute__((vector_size(8)));
using Words8 = std::uint16_t __attribute__((vector_size(16)));

// Every byte of n times alpha / 255, rounded to nearest (t + (t >> 8) >> 8
// with t = byte * alpha + 128 is exact for 8-bit values, and never leaves
// 16 bits), eight bytes a step.
void ScaleBytes(const std::uint8_t* src, std::uint8_t* dst, std::size_t n, BYTE alpha) {
  const Words8 factor = {alpha, alpha, alpha, alpha, alpha, alpha, alpha, alpha};
  const Words8 half = {128, 128, 128, 128, 128, 128, 128, 128};
  std::size_t i = 0;
  for (; i + 8 <= n; i += 8) {
    Bytes8 bytes;
    std::memcpy(&bytes, src + i, sizeof bytes);
    Words8 t = __builtin_convertvector(bytes, Words8) * factor + half;
    t = (t + (t >> 8)) >> 8;
    const Bytes8 scaled = __builtin_convertvector(t, Bytes8);
    std::memcpy(dst + i, &scaled, sizeof scaled);
  }
  for (; i < n; ++i) {
    const unsigned t = src[i] * alpha + 128u;
    dst[i] = static_cast<std::uint8_t>((t + (t >> 8)) >> 8);
  }
}

using Lanes = std::uint32_t __attribute__((vector_size(16)));

// A pixel is in the mask when it is at least this (its alpha byte on top).
std::uint32_t Floor(BYTE min_alpha) { return std::uint32_t{min_alpha} << 24; }

// Whether any of the n pixels lies below floor; four pixels a step.
bool HasPixelBelow(const std::uint32_t* row, int n, std::uint32_t floor) {
  const Lanes lanes = {floor, floor, floor, floor};
  Lanes any = {0, 0, 0, 0};
  int i = 0;
  for (; i + 4 <= n; i += 4) {
    Lanes v;
    std::memcpy(&v, row + i, sizeof v);
    any |= reinterpret_cast<Lanes>(v < lanes);
  }
  bool below = (any[0] | any[1] | any[2] | any[3]) != 0;
  for (; i < n; ++i) below = below || row[i] < floor;
  return below;
}

// The mask bits of eight pixels: bit k for pixel k, set when it is at
// least floor.
std::uint8_t EightBits(const std::uint32_t* pixels, std::uint32_t floor) {
  const Lanes lanes = {floor, floor, floor, floor};
  const Lanes low_bits = {1, 2, 4, 8};
  const Lanes high_bits = {16, 32, 64, 128};
  Lanes low;
  Lanes high;
  std::memcpy(&low, pixels, sizeof low);
  std::memcpy(&high, pixels + 4, sizeof high);
  const Lanes set = (reinterpret_cast<Lanes>(low >= lanes) & low_bits) |
                    (reinterpret_cast<Lanes>(high >= lanes) & high_bits);
  return static_cast<std::uint8_t>(set[0] | set[1] | set[2] | set[3]);
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
      ScaleBytes(reinterpret_cast<const std::uint8_t*>(s), reinterpret_cast<std::uint8_t*>(d),
                 static_cast<size_t>(width) * 4, alpha);
      // An opaque pixel's alpha, 255, scales to alpha itself.
      if (force_opaque) {
        for (int x = 0; x < width; ++x) d[x] = (d[x] & 0x00FFFFFFu) | (std::uint32_t{alpha} << 24);
      }
    }
  }
}

BYTE LowestVisibleAlpha(BYTE alpha) {
  for (unsigned a = 1; a <= 255; ++a) {
    const unsigned t = a * alpha + 128u;
    if (((t + (t >> 8)) >> 8) != 0) return static_cast<BYTE>(a);
  }
  return 0;
}

std::vector<std::uint8_t> AlphaMask(const std::uint32_t* pixels, int stride, int width, int height,
                                    BYTE min_alpha) {
  if (width <= 0 || height <= 0) return {};
  const std::uint32_t floor = Floor(min_alpha == 0 ? 1 : min_alpha);
  const size_t row_bytes = (static_cast<size_t>(width) + 7) / 8;
  std::vector<std::uint8_t> mask(row_bytes * static_cast<size_t>(height), 0);
  // The bits of the last byte that lie inside the row.
  const auto last = static_cast<std::uint8_t>(width % 8 == 0 ? 0xFF : (1u << (width % 8)) - 1);
  for (int y = 0; y < height; ++y) {
    const std::uint32_t* row = pixels + static_cast<std::ptrdiff_t>(y) * stride;
    std::uint8_t* bits = mask.data() + static_cast<size_t>(y) * row_bytes;
    // Most rows have no transparent pixel: one quick check before the
    // pixel-by-pixel walk.
    if (!HasPixelBelow(row, width, floor)) {
      std::memset(bits, 0xFF, row_bytes - 1);
      bits[row_bytes - 1] = last;
      continue;
    }
    int x = 0;
    for (; x + 8 <= width; x += 8) bits[x >> 3] = EightBits(row + x, floor);
    for (; x < width; ++x) {
      if (row[x] >= floor) bits[x >> 3] = static_cast<std::uint8_t>(bits[x >> 3] | (1u << (x & 7)));
    }
  }
  return mask;
}

}  // namespace varnika::x11
