#include "platform/x11/FramePixels.h"

#include <gtest/gtest.h>

#include <cmath>

namespace varnika::x11 {
namespace {

TEST(ConstantAlpha, ScalesEveryChannelRoundedToNearestForAllValues) {
  for (int c = 0; c < 256; ++c) {
    std::uint32_t v = static_cast<std::uint32_t>(c);
    std::uint32_t src = v << 24 | v << 16 | v << 8 | v;
    for (int a = 0; a < 256; ++a) {
      std::uint32_t dst = 0;
      ApplyConstantAlpha(&src, 1, &dst, 1, 1, 1, static_cast<BYTE>(a), false);
      auto want = static_cast<std::uint32_t>(std::floor(c * a / 255.0 + 0.5));
      ASSERT_EQ(dst, want << 24 | want << 16 | want << 8 | want) << "c=" << c << " a=" << a;
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
    for (const char* p = row; *p; ++p) pixels.push_back(*p == '#' ? 0xFF000000u : (*p == '+' ? 0x01000000u : 0u));
  }
  return pixels;
}

TEST(OpaqueRuns, RoundedCornersGiveOneBandPerDistinctRow) {
  auto pixels = Mask({
      ".####.",
      "######",
      "######",
      ".####.",
  });
  std::vector<ShapeRect> runs = OpaqueRuns(pixels.data(), 6, 6, 4);
  std::vector<ShapeRect> want = {{1, 0, 4, 1}, {0, 1, 6, 2}, {1, 3, 4, 1}};
  EXPECT_EQ(runs, want);
}

TEST(OpaqueRuns, BarelyVisiblePixelsCountAndHolesSplitRuns) {
  auto pixels = Mask({
      "++..##",
      "##..#+",
  });
  std::vector<ShapeRect> runs = OpaqueRuns(pixels.data(), 6, 6, 2);
  std::vector<ShapeRect> want = {{0, 0, 2, 2}, {4, 0, 2, 2}};
  EXPECT_EQ(runs, want);
}

TEST(OpaqueRuns, AnEmptyRowEndsABandAndAnEmptyFrameHasNoRectangles) {
  auto pixels = Mask({
      "##..",
      "....",
      "##..",
  });
  std::vector<ShapeRect> runs = OpaqueRuns(pixels.data(), 4, 4, 3);
  std::vector<ShapeRect> want = {{0, 0, 2, 1}, {0, 2, 2, 1}};
  EXPECT_EQ(runs, want);
  auto empty = Mask({"....", "...."});
  EXPECT_TRUE(OpaqueRuns(empty.data(), 4, 4, 2).empty());
}

TEST(OpaqueRuns, ReadsRowsWithTheGivenStride) {
  // Width 2 inside rows of 3: the third column must not leak into the runs.
  auto pixels = Mask({
      "#.#",
      "#.#",
  });
  std::vector<ShapeRect> runs = OpaqueRuns(pixels.data(), 3, 2, 2);
  std::vector<ShapeRect> want = {{0, 0, 1, 2}};
  EXPECT_EQ(runs, want);
}

}  // namespace
}  // namespace varnika::x11
