// Images stored ready to draw: a 16-byte header (RawImageHeader), then
// height rows of stride bytes of premultiplied ARGB32 pixels (cairo's
// CAIRO_FORMAT_ARGB32) in the byte order of the machine that built them.
// The skin's images are embedded this way beside their PNGs (resource type
// ARGB, the PNG's id), so that they need no decoding: the program draws
// straight from the executable's read-only pages.
#pragma once

#include <cstdint>
#include <cstring>
#include <span>
#include <string_view>

namespace varnika {

inline constexpr std::u16string_view kResourceTypeArgb = u"ARGB";

struct RawImageHeader {
  // Written in the building machine's byte order: read back as another
  // value, the pixels are in the wrong one.
  static constexpr std::uint32_t kMagic = 0x41524742;  // "ARGB"
  std::uint32_t magic = kMagic;
  std::uint32_t width = 0;
  std::uint32_t height = 0;
  std::uint32_t stride = 0;  // bytes per row
};
static_assert(sizeof(RawImageHeader) == 16);

struct RawImage {
  const std::uint8_t* pixels = nullptr;  // nullptr: the bytes are no raw image of this machine
  int width = 0;
  int height = 0;
  int stride = 0;
};

// The image in bytes, checked: the magic in this machine's order, a stride
// of at least four bytes a pixel and a multiple of four, sides below 32768,
// exactly the rows the header promises, and pixels aligned to four bytes.
inline RawImage ReadRawImage(std::span<const std::uint8_t> bytes) {
  RawImageHeader h;
  if (bytes.size() < sizeof h) return {};
  std::memcpy(&h, bytes.data(), sizeof h);
  if (h.magic != RawImageHeader::kMagic || h.width > 32767 || h.height > 32767 || h.stride % 4 != 0 ||
      h.stride < h.width * 4 || bytes.size() - sizeof h != std::uint64_t{h.stride} * h.height) {
    return {};
  }
  const std::uint8_t* pixels = bytes.data() + sizeof h;
  if (reinterpret_cast<std::uintptr_t>(pixels) % 4 != 0) return {};
  return RawImage{pixels, static_cast<int>(h.width), static_cast<int>(h.height), static_cast<int>(h.stride)};
}

}  // namespace varnika
