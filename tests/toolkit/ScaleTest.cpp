// Bitmaps, images and canvases on a scaled display: logical sizes with
// scale x scale pixels behind each, drawing in logical units landing on
// whole device pixels, images drawn at twice the resolution chosen at scale
// 2 and above, and text laid out the same at every scale.
#include <gtest/gtest.h>

#include "platform/WindowSystem.h"
#include "platform/headless/HeadlessBackend.h"
#include "tests/toolkit/PixelSupport.h"
#include "tests/toolkit/TestImageIds.h"

namespace varnika {
namespace {

using testing::InkBounds;
using testing::PixelAt;

// The window system on a headless display of that scale for one scope.
class ScaledDisplay {
 public:
  explicit ScaledDisplay(int scale) { InitWindowSystem(std::make_unique<HeadlessBackend>(scale)); }
  ~ScaledDisplay() { ShutdownWindowSystem(); }
  ScaledDisplay(const ScaledDisplay&) = delete;
  ScaledDisplay& operator=(const ScaledDisplay&) = delete;
};

TEST(Scale, ALogicalRectangleCoversExactlyItsDevicePixelsAndCopiesKeepTheScale) {
  for (int scale : {1, 2, 3}) {
    SCOPED_TRACE(scale);
    TBitmapEx bitmap(5, 3, kBitmapFormatArgb32, scale);
    EXPECT_EQ(bitmap.Width(), 5);
    EXPECT_EQ(bitmap.PixelWidth(), 5 * scale);
    EXPECT_EQ(bitmap.PixelHeight(), 3 * scale);
    EXPECT_EQ(bitmap.Stride(), 20 * scale);
    {
      CairoContextPtr cr(cairo_create(bitmap.Image()));
      cairo_rectangle(cr.get(), 1, 1, 2, 1);
      cairo_set_source_rgba(cr.get(), 0, 0, 1, 1);
      cairo_fill(cr.get());
    }
    auto copy = bitmap.Clone();
    EXPECT_EQ(copy->Scale(), scale);
    for (int y = 0; y < bitmap.PixelHeight(); ++y) {
      for (int x = 0; x < bitmap.PixelWidth(); ++x) {
        const bool inside = x / scale >= 1 && x / scale < 3 && y / scale == 1;
        ASSERT_EQ(PixelAt(*copy, x, y), inside ? 0xFF0000FFu : 0u) << x << "," << y;
      }
    }
  }
  TBitmapEx too_big(20000, 1, kBitmapFormatArgb32, 2);
  EXPECT_EQ(too_big.Bits(), nullptr) << "40000 pixels wide is more than cairo addresses";
}

TEST(Scale, ImagesAtTwiceTheResolutionAreTakenFromScaleTwoUp) {
  struct Case {
    int display_scale;
    int width, height, scale;
  };
  // Image 9003 is 2 x 1; its finer version 18 x 324.
  for (const Case& c : {Case{1, 2, 1, 1}, Case{2, 9, 162, 2}, Case{3, 9, 162, 2}}) {
    SCOPED_TRACE(c.display_scale);
    ScaledDisplay display(c.display_scale);
    auto image = TBitmapEx::CreateFromResource(nullptr, kTestImageOpaque, u"png");
    EXPECT_EQ(image->Width(), c.width);
    EXPECT_EQ(image->Height(), c.height);
    EXPECT_EQ(image->Scale(), c.scale);
    // An image without a finer version stays as it is.
    EXPECT_EQ(TBitmapEx::CreateFromResource(nullptr, kTestImagePixels, u"PNG")->Scale(), 1);
  }
}

TEST(Scale, CanvasesDrawAtTheDisplaysScaleAndTextKeepsItsLayout) {
  TRect ink[2];
  int width[2] = {};
  for (int scale : {1, 2}) {
    ScaledDisplay display(scale);
    TCanvasEx canvas(120, 30);
    EXPECT_EQ(canvas.Bitmap().Scale(), scale);
    EXPECT_EQ(canvas.Width(), 120);
    canvas.Font().SetSize(12);
    canvas.Font().SetColor(0xFF000000);
    width[scale - 1] = canvas.TextWidth(u"Gündem");
    canvas.DrawText({4, 4, 120, 30}, u"Gündem");
    ink[scale - 1] = InkBounds(canvas.Bitmap());  // over the device pixels
  }
  EXPECT_EQ(width[1], width[0]) << "measured in logical pixels alike";
  // Glyphs drawn at the device resolution: the ink spans twice the pixels,
  // give or take the edge pixels' antialiasing.
  EXPECT_NEAR(ink[1].Left, 2 * ink[0].Left, 2);
  EXPECT_NEAR(ink[1].Right, 2 * ink[0].Right, 3);
  EXPECT_NEAR(ink[1].Bottom - ink[1].Top, 2 * (ink[0].Bottom - ink[0].Top), 3);
}

}  // namespace
}  // namespace varnika
