#include <gtest/gtest.h>

#include "tests/toolkit/PixelSupport.h"
#include "toolkit/BitmapEx.h"

namespace varnika {
namespace {

using testing::BytesOf;
using testing::MakeBitmap;
using testing::PixelAt;
using testing::SetPixel;

TEST(BitmapEx, NewBitmapIsTransparentWithFourBytesPerPixelInRows) {
  TBitmapEx bitmap(7, 3);
  EXPECT_EQ(bitmap.Width(), 7);
  EXPECT_EQ(bitmap.Height(), 3);
  EXPECT_EQ(bitmap.Format(), 0);
  EXPECT_EQ(bitmap.Stride(), 28);
  EXPECT_EQ(cairo_image_surface_get_data(bitmap.Image()), bitmap.Bits());
  EXPECT_EQ(cairo_image_surface_get_stride(bitmap.Image()), 28);
  EXPECT_EQ(BytesOf(bitmap), std::vector<std::uint8_t>(7 * 3 * 4, 0));
}

TEST(BitmapEx, NegativeOrUnaddressableSizesGiveEmptyBitmaps) {
  TBitmapEx negative(-5, 4);
  EXPECT_EQ(negative.Width(), 0);
  EXPECT_EQ(negative.Bits(), nullptr);
  TBitmapEx huge(40000, 2);
  EXPECT_EQ(huge.Width(), 0);
  EXPECT_EQ(huge.Height(), 0);
  EXPECT_EQ(huge.Bits(), nullptr);
  TBitmapEx unknown_format(3, 3, 99);
  EXPECT_EQ(unknown_format.Width(), 0);
  EXPECT_EQ(unknown_format.Bits(), nullptr);
  // Pixel operations leave empty bitmaps alone.
  huge.Fade(3);
  huge.Tint(0);
  huge.Blur(2);
  EXPECT_EQ(huge.Clone()->Width(), 0);
}

TEST(BitmapEx, CloneIsAnExactIndependentCopy) {
  auto source = MakeBitmap(5, 4, [](int x, int y) { return testing::Marker(x, y) & 0x7F7F7F7F; });
  auto copy = source->Clone();
  ASSERT_EQ(copy->Width(), 5);
  ASSERT_EQ(copy->Height(), 4);
  EXPECT_EQ(BytesOf(*copy), BytesOf(*source));
  EXPECT_NE(copy->Bits(), source->Bits());
  SetPixel(*copy, 0, 0, 0xFFFFFFFF);
  EXPECT_NE(PixelAt(*source, 0, 0), 0xFFFFFFFFu);
}

TEST(BitmapEx, FadeScalesEveryByteAndDividesBy256) {
  auto bitmap = MakeBitmap(2, 1, [](int x, int) { return x == 0 ? 0xFFFFFFFFu : 0xC8643201u; });
  bitmap->Fade(255);
  EXPECT_EQ(PixelAt(*bitmap, 0, 0), 0xFEFEFEFEu);  // 255 * 255 >> 8 = 254
  bitmap->Fade(128);
  EXPECT_EQ(PixelAt(*bitmap, 0, 0), 0x7F7F7F7Fu);
  EXPECT_EQ(PixelAt(*bitmap, 1, 0), 0x63311800u);  // 0xC7633100 after the first fade
  bitmap->Fade(0);
  EXPECT_EQ(BytesOf(*bitmap), std::vector<std::uint8_t>(8, 0));
}

TEST(BitmapEx, TintScalesColourBytesByTheColourAndKeepsAlpha) {
  auto bitmap = MakeBitmap(1, 1, [](int, int) { return 0xFFC86432u; });
  bitmap->Tint(0xFFF0F0F0);
  EXPECT_EQ(PixelAt(*bitmap, 0, 0), 0xFF000000u | (0xC8u * 240 >> 8) << 16 | (0x64u * 240 >> 8) << 8 | (0x32u * 240 >> 8));
  // Each channel has its own factor, and the colour's alpha plays no part.
  auto other = MakeBitmap(1, 1, [](int, int) { return 0x80808080u; });
  other->Tint(0x00FF8000);
  EXPECT_EQ(PixelAt(*other, 0, 0), 0x807F4000u);
}

TEST(BitmapEx, PixelOperationsIgnoreOtherFormats) {
  TBitmapEx rgb(2, 2, CAIRO_FORMAT_RGB24);
  ASSERT_NE(rgb.Bits(), nullptr);
  SetPixel(rgb, 0, 0, 0xFF102030);
  rgb.Fade(0);
  rgb.Tint(0);
  EXPECT_EQ(PixelAt(rgb, 0, 0), 0xFF102030u);
}

TEST(BitmapEx, OneBlurPassOnThreeByThreeChangesOnlyTheCentre) {
  const std::uint32_t values[3][3] = {{0x01020304, 0x10203040, 0x05060708},
                                      {0x11111111, 0xFFFFFFFF, 0x23232323},
                                      {0x0A0B0C0D, 0x30405060, 0x0E0F1011}};
  auto bitmap = MakeBitmap(3, 3, [&](int x, int y) { return values[y][x]; });
  bitmap->Blur(1);
  for (int y = 0; y < 3; ++y) {
    for (int x = 0; x < 3; ++x) {
      if (x != 1 || y != 1) {
        EXPECT_EQ(PixelAt(*bitmap, x, y), values[y][x]) << x << "," << y;
      }
    }
  }
  std::uint32_t centre = 0;
  for (int shift = 0; shift < 32; shift += 8) {
    auto byte = [&](std::uint32_t v) { return (v >> shift) & 0xFF; };
    std::uint32_t mean = (byte(values[0][1]) + byte(values[2][1]) + byte(values[1][0]) + byte(values[1][2])) >> 2;
    centre |= mean << shift;
  }
  EXPECT_EQ(PixelAt(*bitmap, 1, 1), centre);
}

TEST(BitmapEx, BlurPassReadsNeighboursAlreadyBlurredInThisPass) {
  // Row 1 of a 4 x 3 bitmap: (1,1) is blurred first and then feeds (2,1).
  auto bitmap = MakeBitmap(4, 3, [](int x, int y) { return (x == 0 && y == 1) ? 0xFFFFFFFFu : 0u; });
  bitmap->Blur(1);
  EXPECT_EQ(PixelAt(*bitmap, 1, 1), 0x3F3F3F3Fu);  // 255 >> 2
  EXPECT_EQ(PixelAt(*bitmap, 2, 1), 0x0F0F0F0Fu);  // 63 >> 2: the new left neighbour
  // A second pass compounds.
  bitmap->Blur(1);
  EXPECT_EQ(PixelAt(*bitmap, 1, 1), 0x43434343u);  // (255 + 15) >> 2
}

TEST(BitmapEx, BlurLeavesThinBitmapsAndZeroPassesAlone) {
  for (auto [w, h] : {std::pair{2, 5}, std::pair{5, 2}}) {
    auto bitmap = MakeBitmap(w, h, testing::Marker);
    auto before = BytesOf(*bitmap);
    bitmap->Blur(3);
    EXPECT_EQ(BytesOf(*bitmap), before) << w << "x" << h;
  }
  auto square = MakeBitmap(4, 4, testing::Marker);
  auto before = BytesOf(*square);
  square->Blur(0);
  square->Blur(-2);
  EXPECT_EQ(BytesOf(*square), before);
}

TEST(BitmapEx, FadeTintAndBlurKeepPixelsPremultiplied) {
  auto bitmap = MakeBitmap(6, 6, [](int x, int y) {
    std::uint32_t a = static_cast<std::uint32_t>(40 * x + 7 * y);
    return a << 24 | (a * 3 / 4) << 16 | (a / 2) << 8 | a;
  });
  bitmap->Blur(2);
  bitmap->Tint(0xFF80FFC0);
  bitmap->Fade(200);
  for (int y = 0; y < 6; ++y)
    for (int x = 0; x < 6; ++x) {
      std::uint32_t p = PixelAt(*bitmap, x, y);
      std::uint32_t a = p >> 24;
      EXPECT_LE((p >> 16) & 0xFF, a);
      EXPECT_LE((p >> 8) & 0xFF, a);
      EXPECT_LE(p & 0xFF, a);
    }
}

}  // namespace
}  // namespace varnika
