#include <gtest/gtest.h>

#include <functional>

#include "resources/Resources.h"
#include "tests/toolkit/PixelSupport.h"
#include "tests/toolkit/TestImageIds.h"
#include "toolkit/BitmapEx.h"
#include "toolkit/CanvasEx.h"

namespace varnika {
namespace {

using testing::BytesOf;
using testing::PixelAt;

std::unique_ptr<TBitmapEx> Load(int id) { return TBitmapEx::CreateFromResource(nullptr, id, u"PNG"); }

TEST(ImageLoader, PixelsArePremultipliedWithTheirAlpha) {
  auto bitmap = Load(kTestImagePixels);
  ASSERT_EQ(bitmap->Width(), 3);
  ASSERT_EQ(bitmap->Height(), 2);
  EXPECT_EQ(bitmap->Format(), 0);
  EXPECT_EQ(bitmap->Stride(), 12);
  EXPECT_EQ(PixelAt(*bitmap, 0, 0), 0x80808080u);  // white at alpha 128
  EXPECT_EQ(PixelAt(*bitmap, 1, 0), 0u);
  EXPECT_EQ(PixelAt(*bitmap, 2, 0), 0xFFFF0000u);
  std::uint32_t orange = PixelAt(*bitmap, 0, 1);  // (200, 100, 50) at alpha 128
  EXPECT_EQ(orange >> 24, 128u);
  EXPECT_NEAR(static_cast<int>((orange >> 16) & 0xFF), 100, 1);
  EXPECT_NEAR(static_cast<int>((orange >> 8) & 0xFF), 50, 1);
  EXPECT_NEAR(static_cast<int>(orange & 0xFF), 25, 1);
  EXPECT_EQ(PixelAt(*bitmap, 1, 1), 0xFF0A141Eu);
  EXPECT_EQ(PixelAt(*bitmap, 2, 1), 0u);  // transparent white keeps no colour
}

TEST(ImageLoader, ImagesWithoutAlphaBecomeOpaque) {
  auto bitmap = Load(kTestImageOpaque);
  ASSERT_EQ(bitmap->Width(), 2);
  EXPECT_EQ(PixelAt(*bitmap, 0, 0), 0xFF0A141Eu);
  EXPECT_EQ(PixelAt(*bitmap, 1, 0), 0xFF28323Cu);
}

TEST(ImageLoader, DrawPartOfAStripShowsExactlyOneFrame) {
  auto strip = Load(kTestImageStrip);
  ASSERT_EQ(strip->Width(), 18);
  ASSERT_EQ(strip->Height(), 324);
  for (int frame : {0, 7, 17}) {
    TCanvasEx canvas(18, 18);
    canvas.DrawPart(*strip, 0, 0, 0, 18 * frame, 18, 18);
    std::uint32_t colour = 0xFF000000u | static_cast<std::uint32_t>(10 * frame) << 16 |
                           static_cast<std::uint32_t>(255 - 10 * frame) << 8 | static_cast<std::uint32_t>(frame);
    for (int y = 0; y < 18; ++y)
      for (int x = 0; x < 18; ++x) ASSERT_EQ(PixelAt(canvas.Bitmap(), x, y), colour) << frame;
  }
}

TEST(ImageLoader, MissingResourceRaisesResourceNotFound) {
  try {
    Load(4242);
    FAIL() << "no exception";
  } catch (const EResNotFound& e) {
    EXPECT_EQ(e.Message(), u"Resource 4242 not found");
    EXPECT_STREQ(e.what(), "Resource 4242 not found");
  }
  // The type is part of the look-up.
  EXPECT_THROW(TBitmapEx::CreateFromResource(nullptr, kTestImagePixels, u"ICON"), EResNotFound);
}

TEST(ImageLoader, UndecodableBytesGiveAnEmptyBitmapThatDrawsNothing) {
  for (int id : {kTestImageGarbage, kTestImageTruncated}) {
    auto bitmap = Load(id);
    EXPECT_EQ(bitmap->Width(), 0) << id;
    EXPECT_EQ(bitmap->Height(), 0) << id;
    bitmap->Fade(10);
    bitmap->Blur(1);
    TCanvasEx canvas(4, 4);
    canvas.Draw(*bitmap, 0, 0);
    canvas.StretchDraw(*bitmap, 0, 0, 4, 4);
    canvas.TileDraw(*bitmap, 0, 0, 4, 4);
    EXPECT_EQ(BytesOf(canvas.Bitmap()), std::vector<std::uint8_t>(64, 0));
  }
  EXPECT_EQ(TBitmapEx::CreateFromPng({})->Width(), 0);
}

// The skin's images come as pixels stored at build time, drawn from the
// executable without decoding: each must be exactly its PNG decoded, and
// whoever changes one (a fade, a tint, a blur) gets a copy of its own.
TEST(ImageLoader, SkinImagesAreTheirPngsDecodedAndCopiedBeforeAnyChange) {
  for (int id = 5000; id <= 5013; ++id) {
    auto stored = Load(id);
    auto decoded = TBitmapEx::CreateFromPng(FindResourceData(kResourceTypePng, id));
    ASSERT_TRUE(stored->ReadOnly()) << id;
    ASSERT_GT(decoded->Width(), 0) << id;
    EXPECT_EQ(stored->Width(), decoded->Width()) << id;
    EXPECT_EQ(stored->Height(), decoded->Height()) << id;
    EXPECT_EQ(BytesOf(*stored), BytesOf(*decoded)) << id;
  }
  const std::vector<std::uint8_t> logo = BytesOf(*Load(5004));
  auto copy = Load(5004)->Clone();
  EXPECT_TRUE(copy->ReadOnly()) << "a copy shares the stored pixels until changed";
  const std::function<void(TBitmapEx&)> changes[] = {[](TBitmapEx& b) { b.Fade(100); },
                                                     [](TBitmapEx& b) { b.Tint(0xFF808080); },
                                                     [](TBitmapEx& b) { b.Blur(2); },
                                                     [](TBitmapEx& b) { b.Bits()[4 * 20 + 3] ^= 0xFF; }};
  for (const auto& change : changes) {
    auto image = Load(5004);
    change(*image);
    EXPECT_FALSE(image->ReadOnly());
    EXPECT_NE(BytesOf(*image), logo);
    EXPECT_EQ(BytesOf(*Load(5004)), logo) << "the stored pixels stay";
  }
}

TEST(ImageLoader, ProgramIconIsAPngWithTransparentCorners) {
  auto icon = TBitmapEx::CreateFromResource(nullptr, 101, kResourceTypeIcon);
  ASSERT_EQ(icon->Width(), 64);
  ASSERT_EQ(icon->Height(), 64);
  EXPECT_EQ(PixelAt(*icon, 0, 0), 0u);
  EXPECT_EQ(PixelAt(*icon, 32, 32) >> 24, 255u);
}

}  // namespace
}  // namespace varnika
