#include "platform/x11/FramePixels.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

namespace varnika::x11 {
namespace {

TEST(ConstantAlpha, ScalesEveryChannelRoundedToNearestForAllValues) {
  for (int c = 0; c < 256; ++c) {
    std::uint32_t v = static_cast<std::uint32_t>(c);
    // Three pixels: two go through the eight-byte steps, the last alone.
    const std::uint32_t p = v << 24 | v << 16 | v << 8 | v;
    const std::uint32_t src[3] = {p, p, p};
    for (int a = 0; a < 256; ++a) {
      std::uint32_t dst[3] = {};
      ApplyConstantAlpha(src, 3, dst, 3, 3, 1, static_cast<BYTE>(a), false);
      auto want = static_cast<std::uint32_t>(std::floor(c * a / 255.0 + 0.5));
      for (std::uint32_t d : dst) ASSERT_EQ(d, want << 24 | want << 16 | want << 8 | want) << "c=" << c << " a=" << a;
      // The floor of the input shape under a compositing manager.
      const BYTE lowest = LowestVisibleAlpha(static_cast<BYTE>(a));
      if (c > 0) {
        ASSERT_EQ(want != 0, lowest != 0 && c >= lowest) << "c=" << c << " a=" << a;
      }
    }
  }
}

TEST(ConstantAlpha, ForcedOpaquePixelsLoseTheirTransparencyBeforeScaling) {
  std::uint32_t src[2] = {0x00102030u, 0x80404040u};
  std::uint32_t dst[2] = {};
  ApplyConstantAlpha(src, 2, dst, 2, 2, 1, 255, true);
  EXPECT_EQ(dst[0], 0xFF102030u);
  EXPECT_EQ(dst[1], 0xFF404040u);
  ApplyConstantAlpha(src, 2, dst, 2, 2, 1, 128, true);
  EXPECT_EQ(dst[0], 0x80081018u);
}

TEST(ConstantAlpha, HonoursBothStridesAndLeavesPaddingAlone) {
  // Two rows of two pixels; the source has one spare pixel per row, the
  // destination three.
  std::uint32_t src[6] = {0xFF0000FFu, 0xFF00FF00u, 0x11111111u, 0xFFFF0000u, 0x80808080u, 0x22222222u};
  std::uint32_t dst[10];
  std::fill(std::begin(dst), std::end(dst), 0xDEADBEEFu);
  ApplyConstantAlpha(src, 3, dst, 5, 2, 2, 255, false);
  EXPECT_EQ(dst[0], 0xFF0000FFu);
  EXPECT_EQ(dst[1], 0xFF00FF00u);
  EXPECT_EQ(dst[2], 0xDEADBEEFu);
  EXPECT_EQ(dst[5], 0xFFFF0000u);
  EXPECT_EQ(dst[6], 0x80808080u);
  EXPECT_EQ(dst[7], 0xDEADBEEFu);
  ApplyConstantAlpha(src, 3, dst, 5, 2, 2, 0, false);
  EXPECT_EQ(dst[0], 0u);
  EXPECT_EQ(dst[6], 0u);
  EXPECT_EQ(dst[7], 0xDEADBEEFu);
}

std::vector<std::uint32_t> Mask(const std::vector<const char*>& rows) {
  std::vector<std::uint32_t> pixels;
  for (const char* row : rows) {
    for (const char* p = row; *p; ++p) {
      // '#' opaque, '=' just half opaque, '-' just under half, '+' barely visible.
      switch (*p) {
        case '#': pixels.push_back(0xFF000000u); break;
        case '=': pixels.push_back(0x80010203u); break;
        case '-': pixels.push_back(0x7FFFFFFFu); break;
        case '+': pixels.push_back(0x01000000u); break;
        default: pixels.push_back(0u);
      }
    }
  }
  return pixels;
}

// The mask as rows of '#' (bit set) and '.' (clear), for readable expectations.
std::vector<std::string> Bits(const std::vector<std::uint8_t>& mask, int width, int height) {
  std::vector<std::string> rows;
  const size_t row_bytes = (static_cast<size_t>(width) + 7) / 8;
  EXPECT_EQ(mask.size(), row_bytes * static_cast<size_t>(height));
  for (int y = 0; y < height; ++y) {
    std::string row;
    for (int x = 0; x < width; ++x) row += (mask[y * row_bytes + x / 8] >> (x % 8)) & 1 ? '#' : '.';
    rows.push_back(row);
  }
  return rows;
}

TEST(AlphaMask, SetsABitForEveryPixelThatIsNotFullyTransparent) {
  auto pixels = Mask({
      ".####.",
      "++..##",
      "######",
  });
  EXPECT_EQ(Bits(AlphaMask(pixels.data(), 6, 6, 3), 6, 3),
            (std::vector<std::string>{".####.", "##..##", "######"}));
}

TEST(AlphaMask, AFloorOfHalfDropsTheFaintPixelsInTheBlocksOfEightAndAtTheRowsEnd) {
  // Thirteen columns: one block of eight pixels and a tail of five.
  auto pixels = Mask({
      "+-=#.-=+#=-+=",
      "=============",
      "-------------",
  });
  EXPECT_EQ(Bits(AlphaMask(pixels.data(), 13, 13, 3, 128), 13, 3),
            (std::vector<std::string>{"..##..#.##..#", "#############", "............."}));
  EXPECT_EQ(Bits(AlphaMask(pixels.data(), 13, 13, 3, 0), 13, 3),
            (std::vector<std::string>{"####.########", "#############", "#############"}));
}

TEST(AlphaMask, PadsRowsToWholeBytesWithClearBitsAndReadsWithTheStride) {
  // Width 11 inside rows of 12: the twelfth column must not leak into the
  // mask, and the padding bits of each row's second byte stay clear.
  auto pixels = Mask({
      "###########.",
      "#.#########+",
  });
  std::vector<std::uint8_t> mask = AlphaMask(pixels.data(), 12, 11, 2);
  ASSERT_EQ(mask.size(), 4u);
  EXPECT_EQ(mask[0], 0xFF);
  EXPECT_EQ(mask[1], 0x07);
  EXPECT_EQ(mask[2], 0xFD);
  EXPECT_EQ(mask[3], 0x07);
  EXPECT_TRUE(AlphaMask(pixels.data(), 12, 0, 2).empty());
}

TEST(AlphaMask, ARaggedFrameTakesNoMoreRoomThanAWholeOne) {
  // Every third pixel clear and shifted on each row: tens of thousands of
  // runs, still one bit per pixel.
  std::vector<std::uint32_t> sieve(475 * 350, 0xFF000000u);
  for (int y = 0; y < 350; ++y) {
    for (int x = y % 3; x < 475; x += 3) sieve[static_cast<size_t>(y) * 475 + x] = 0;
  }
  std::vector<std::uint8_t> mask = AlphaMask(sieve.data(), 475, 475, 350);
  EXPECT_EQ(mask.size(), 60u * 350u);
  EXPECT_EQ(Bits(mask, 475, 350)[200].substr(0, 7), "##.##.#");
  // Every bit, also where eight pixels are packed at once and at the row's end.
  for (int y = 0; y < 350; ++y) {
    for (int x = 0; x < 475; ++x) {
      const bool set = (mask[static_cast<size_t>(y) * 60 + x / 8] >> (x % 8)) & 1;
      ASSERT_EQ(set, sieve[static_cast<size_t>(y) * 475 + x] != 0) << x << "," << y;
    }
  }
}

}  // namespace
}  // namespace varnika::x11
