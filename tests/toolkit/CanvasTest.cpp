#include <gtest/gtest.h>

#include "tests/toolkit/PixelSupport.h"
#include "toolkit/CanvasEx.h"

namespace varnika {
namespace {

using testing::BytesOf;
using testing::MakeBitmap;
using testing::Marker;
using testing::PixelAt;

constexpr std::uint32_t kBackground = 0x80402010;  // premultiplied, half transparent

// A canvas filled with kBackground, so that untouched pixels can be told apart.
std::unique_ptr<TCanvasEx> FilledCanvas(int w, int h) {
  auto canvas = std::make_unique<TCanvasEx>(w, h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) testing::SetPixel(canvas->Bitmap(), x, y, kBackground);
  return canvas;
}

// Checks every pixel of the canvas: inside(x, y) gives the expected value
// there, or nullopt for "untouched".
template <typename F>
void ExpectPixels(const TCanvasEx& canvas, F expected) {
  for (int y = 0; y < canvas.Height(); ++y)
    for (int x = 0; x < canvas.Width(); ++x) {
      std::optional<std::uint32_t> want = expected(x, y);
      ASSERT_EQ(PixelAt(canvas.Bitmap(), x, y), want.value_or(kBackground)) << "at " << x << "," << y;
    }
}

TEST(CanvasEx, ClearMakesEveryByteZero) {
  auto canvas = FilledCanvas(9, 4);
  canvas->Clear();
  EXPECT_EQ(BytesOf(canvas->Bitmap()), std::vector<std::uint8_t>(9 * 4 * 4, 0));
}

TEST(CanvasEx, DrawCopiesOpaqueAndTransparentPixelsExactly) {
  auto canvas = FilledCanvas(8, 6);
  auto bitmap = MakeBitmap(3, 2, [](int x, int y) { return x == 1 ? 0u : Marker(x, y); });
  canvas->Draw(*bitmap, 4, 3);
  ExpectPixels(*canvas, [](int x, int y) -> std::optional<std::uint32_t> {
    if (x >= 4 && x < 7 && y >= 3 && y < 5 && x != 5) return Marker(x - 4, y - 3);
    return std::nullopt;  // outside, and under the transparent column
  });
}

TEST(CanvasEx, DrawCompositesOverWhatIsThere) {
  TCanvasEx canvas(1, 1);
  testing::SetPixel(canvas.Bitmap(), 0, 0, 0xFF0000FF);
  auto half_red = MakeBitmap(1, 1, [](int, int) { return 0x80800000u; });
  canvas.Draw(*half_red, 0, 0);
  std::uint32_t p = PixelAt(canvas.Bitmap(), 0, 0);
  EXPECT_EQ(p >> 24, 0xFFu);
  EXPECT_EQ((p >> 16) & 0xFF, 0x80u);
  EXPECT_NEAR(static_cast<int>(p & 0xFF), 127, 1);  // blue kept at (255 - 128) / 255
}

TEST(CanvasEx, DrawAlphaAt255EqualsDrawAndAt0ChangesNothing) {
  auto bitmap = MakeBitmap(4, 4, [](int x, int y) { return (x + y) % 2 ? Marker(x, y) : 0x40201008u; });
  auto drawn = FilledCanvas(6, 6);
  drawn->Draw(*bitmap, 1, 2);
  auto alpha255 = FilledCanvas(6, 6);
  alpha255->DrawAlpha(*bitmap, 1, 2, 255);
  EXPECT_EQ(BytesOf(alpha255->Bitmap()), BytesOf(drawn->Bitmap()));
  auto alpha0 = FilledCanvas(6, 6);
  alpha0->DrawAlpha(*bitmap, 1, 2, 0);
  ExpectPixels(*alpha0, [](int, int) { return std::nullopt; });
}

TEST(CanvasEx, DrawAlphaScalesTheWholePixelByTheConstantAlpha) {
  TCanvasEx canvas(1, 1);
  auto bitmap = MakeBitmap(1, 1, [](int, int) { return 0xFFC86432u; });
  canvas.DrawAlpha(*bitmap, 0, 0, 128);
  std::uint32_t p = PixelAt(canvas.Bitmap(), 0, 0);
  EXPECT_NEAR(static_cast<int>(p >> 24), 128, 1);
  EXPECT_NEAR(static_cast<int>((p >> 16) & 0xFF), 200 * 128 / 255, 1);
  EXPECT_NEAR(static_cast<int>((p >> 8) & 0xFF), 100 * 128 / 255, 1);
  EXPECT_NEAR(static_cast<int>(p & 0xFF), 50 * 128 / 255, 1);
}

TEST(CanvasEx, StretchDrawToTheSameSizeIsDraw) {
  auto bitmap = MakeBitmap(5, 3, [](int x, int y) { return (x * y) % 3 ? Marker(x, y) : 0x30100800u; });
  auto drawn = FilledCanvas(9, 9);
  drawn->Draw(*bitmap, 2, 4);
  auto stretched = FilledCanvas(9, 9);
  stretched->StretchDraw(*bitmap, 2, 4, 5, 3);
  EXPECT_EQ(BytesOf(stretched->Bitmap()), BytesOf(drawn->Bitmap()));
}

TEST(CanvasEx, StretchDrawDoublingRepeatsEachPixelInTwoByTwoBlocks) {
  auto bitmap = MakeBitmap(10, 10, Marker);
  auto canvas = FilledCanvas(24, 24);
  canvas->StretchDraw(*bitmap, 2, 3, 20, 20);
  ExpectPixels(*canvas, [](int x, int y) -> std::optional<std::uint32_t> {
    if (x < 2 || x >= 22 || y < 3 || y >= 23) return std::nullopt;
    return Marker((x - 2) / 2, (y - 3) / 2);
  });
}

TEST(CanvasEx, StretchDrawSamplesAtPixelCentres) {
  // 3 -> 4 columns samples columns 0, 1, 1, 2; 5 -> 2 rows samples rows 1, 3.
  auto bitmap = MakeBitmap(3, 5, Marker);
  auto canvas = FilledCanvas(4, 2);
  canvas->StretchDraw(*bitmap, 0, 0, 4, 2);
  const int columns[] = {0, 1, 1, 2};
  const int rows[] = {1, 3};
  ExpectPixels(*canvas, [&](int x, int y) -> std::optional<std::uint32_t> { return Marker(columns[x], rows[y]); });
}

TEST(CanvasEx, StretchDrawIntoNothingOrFromNothingDrawsNothing) {
  auto bitmap = MakeBitmap(4, 4, Marker);
  TBitmapEx empty(0, 0);
  auto canvas = FilledCanvas(6, 6);
  canvas->StretchDraw(*bitmap, 0, 0, 0, 5);
  canvas->StretchDraw(*bitmap, 0, 0, 5, -3);
  canvas->StretchDraw(empty, 0, 0, 5, 5);
  ExpectPixels(*canvas, [](int, int) { return std::nullopt; });
}

TEST(CanvasEx, StretchDrawSmoothBlendsNeighboursAndKeepsTheEdges) {
  auto bitmap = MakeBitmap(2, 1, [](int x, int) { return x == 0 ? 0xFF0000C8u : 0xFFC80000u; });
  auto canvas = FilledCanvas(6, 3);
  canvas->SetInterpolationMode(InterpolationModeHighQualityBilinear);
  canvas->StretchDrawSmooth(*bitmap, 1, 1, 4, 1);
  EXPECT_EQ(PixelAt(canvas->Bitmap(), 1, 1), 0xFF0000C8u);  // the edge does not fade out
  EXPECT_EQ(PixelAt(canvas->Bitmap(), 4, 1), 0xFFC80000u);
  std::uint32_t inner = PixelAt(canvas->Bitmap(), 2, 1);
  EXPECT_EQ(inner >> 24, 0xFFu);
  EXPECT_GT((inner >> 16) & 0xFF, 0u);  // a blend of both neighbours
  EXPECT_GT(inner & 0xFF, 0u);
  EXPECT_EQ(PixelAt(canvas->Bitmap(), 0, 1), kBackground);
  EXPECT_EQ(PixelAt(canvas->Bitmap(), 5, 1), kBackground);
  EXPECT_EQ(PixelAt(canvas->Bitmap(), 2, 0), kBackground);
}

TEST(CanvasEx, StretchDrawSmoothWithNearestNeighbourMatchesStretchDraw) {
  auto bitmap = MakeBitmap(3, 5, Marker);
  auto nearest = FilledCanvas(10, 10);
  nearest->StretchDraw(*bitmap, 1, 1, 7, 8);
  auto smooth = FilledCanvas(10, 10);
  smooth->SetInterpolationMode(InterpolationModeNearestNeighbor);
  smooth->StretchDrawSmooth(*bitmap, 1, 1, 7, 8);
  EXPECT_EQ(BytesOf(smooth->Bitmap()), BytesOf(nearest->Bitmap()));
}

TEST(CanvasEx, DrawPartShowsOneFrameAndLeavesNoPathBehind) {
  auto strip = MakeBitmap(4, 12, Marker);  // three 4 x 4 frames
  auto canvas = FilledCanvas(8, 8);
  canvas->DrawPart(*strip, 2, 1, 0, 4, 4, 4);  // frame 1
  ExpectPixels(*canvas, [](int x, int y) -> std::optional<std::uint32_t> {
    if (x >= 2 && x < 6 && y >= 1 && y < 5) return Marker(x - 2, y - 1 + 4);
    return std::nullopt;
  });
  // A later tile fill covers its whole rectangle: no clip or path remains.
  auto tile = MakeBitmap(1, 1, [](int, int) { return 0xFF00FF00u; });
  canvas->TileDraw(*tile, 0, 0, 8, 8);
  ExpectPixels(*canvas, [](int, int) -> std::optional<std::uint32_t> { return 0xFF00FF00u; });
}

TEST(CanvasEx, TileDrawAnchorsTilesAtTheCanvasOrigin) {
  auto bitmap = MakeBitmap(10, 10, Marker);
  auto canvas = FilledCanvas(30, 30);
  canvas->TileDraw(*bitmap, 5, 5, 25, 25);
  ExpectPixels(*canvas, [](int x, int y) -> std::optional<std::uint32_t> {
    if (x < 5 || x >= 25 || y < 5 || y >= 25) return std::nullopt;
    return Marker(x % 10, y % 10);
  });
}

TEST(CanvasEx, DrawLineStrokesOnePixelRowOnWholeCoordinates) {
  auto canvas = std::make_unique<TCanvasEx>(16, 10);
  canvas->Pen().SetColor(0xFF0000FF);
  canvas->SetSmoothingMode(SmoothingModeNone);
  canvas->DrawLine(2, 5, 12, 5);
  EXPECT_EQ(testing::InkBounds(canvas->Bitmap()), (TRect{2, 5, 12, 6}));
  EXPECT_EQ(PixelAt(canvas->Bitmap(), 7, 5), 0xFF0000FFu);
  // Antialiased, the ends cover half a pixel; the row stays one pixel high.
  canvas->Clear();
  canvas->SetSmoothingMode(SmoothingModeAntiAlias);
  canvas->DrawLine(2, 5, 12, 5);
  EXPECT_EQ(testing::InkBounds(canvas->Bitmap()), (TRect{2, 5, 13, 6}));
  EXPECT_EQ(PixelAt(canvas->Bitmap(), 7, 5), 0xFF0000FFu);
  EXPECT_NEAR(static_cast<int>(PixelAt(canvas->Bitmap(), 2, 5) >> 24), 128, 2);
}

TEST(CanvasEx, DashedPenLeavesGaps) {
  TCanvasEx canvas(40, 3);
  canvas.Pen().SetWidth(2);
  canvas.Pen().SetStyle(DashStyleDash);  // 6 on, 2 off at width 2, from x = 0.5
  canvas.DrawLine(0, 1, 40, 1);
  int full = 0, empty = 0;
  for (int x = 0; x < 40; ++x) {
    std::uint32_t alpha = PixelAt(canvas.Bitmap(), x, 1) >> 24;
    full += alpha == 255;
    empty += alpha == 0;
  }
  EXPECT_EQ(full, 25);   // columns 8k + 1 ... 8k + 5
  EXPECT_EQ(empty, 5);   // columns 8k + 7
}

TEST(CanvasEx, SetSizeGivesATransparentBitmapAndKeepsTheDrawingObjects) {
  TCanvasEx canvas(4, 4);
  canvas.Font().SetName(u"DejaVu Serif");
  canvas.Font().SetSize(14);
  canvas.Font().SetColor(0x80112233);
  canvas.StringFormat().SetAlignment(StringAlignmentFar);
  canvas.Pen().SetColor(0xFF00FF00);
  canvas.Brush().SetColor(0x12345678);
  canvas.SetAntialias(false);
  canvas.SetInterpolationMode(InterpolationModeHighQualityBilinear);
  canvas.SetPixelOffsetMode(PixelOffsetModeHalf);
  canvas.SetSmoothingMode(SmoothingModeNone);
  canvas.SetTextContrast(7);
  auto* font = &canvas.Font();
  float height_before = canvas.TextHeight(u"Xg");
  testing::SetPixel(canvas.Bitmap(), 1, 1, 0xFFFFFFFF);

  canvas.SetSize(12, 7);

  EXPECT_EQ(canvas.Width(), 12);
  EXPECT_EQ(canvas.Bitmap().Width(), 12);
  EXPECT_EQ(canvas.Bitmap().Height(), 7);
  EXPECT_EQ(BytesOf(canvas.Bitmap()), std::vector<std::uint8_t>(12 * 7 * 4, 0));
  EXPECT_EQ(&canvas.Font(), font);
  EXPECT_EQ(canvas.Font().Name(), u"DejaVu Serif");
  EXPECT_EQ(canvas.Font().Size(), 14);
  EXPECT_EQ(canvas.Font().Color(), 0x80112233u);
  EXPECT_EQ(canvas.StringFormat().Alignment(), StringAlignmentFar);
  EXPECT_EQ(canvas.Pen().Color(), 0xFF00FF00u);
  EXPECT_EQ(canvas.Brush().Color(), 0x12345678u);
  EXPECT_FALSE(canvas.Antialias());
  EXPECT_EQ(canvas.TextRenderingHint(), TextRenderingHintAntiAliasGridFit);
  EXPECT_EQ(canvas.InterpolationMode(), InterpolationModeHighQualityBilinear);
  EXPECT_EQ(canvas.PixelOffsetMode(), PixelOffsetModeHalf);
  EXPECT_EQ(canvas.SmoothingMode(), SmoothingModeNone);
  EXPECT_EQ(canvas.TextContrast(), 7u);
  EXPECT_EQ(canvas.TextHeight(u"Xg"), height_before);
  // The new surface is drawn on.
  canvas.DrawLine(0, 3, 12, 3);
  TRect ink = testing::InkBounds(canvas.Bitmap());
  EXPECT_EQ(ink.Right - ink.Left, 12);
  EXPECT_EQ(PixelAt(canvas.Bitmap(), 6, ink.Top), 0xFF00FF00u);
}

TEST(CanvasEx, DefaultsFollowTheToolkitsQualitySettings) {
  TCanvasEx canvas(1, 1);
  EXPECT_TRUE(canvas.Antialias());
  EXPECT_EQ(canvas.TextRenderingHint(), 4);
  EXPECT_EQ(canvas.SmoothingMode(), 4);
  EXPECT_EQ(canvas.InterpolationMode(), 5);
  EXPECT_EQ(canvas.PixelOffsetMode(), 3);
  EXPECT_EQ(canvas.TextContrast(), 4u);
  EXPECT_EQ(canvas.Brush().Color(), 0xFF808080u);
  EXPECT_EQ(canvas.Pen().Color(), 0xFF000000u);
  canvas.SetAntialias(false);
  EXPECT_EQ(canvas.TextRenderingHint(), 3);
  EXPECT_EQ(canvas.SmoothingMode(), 4);  // Antialias concerns text only
  canvas.SetAntialias(true);
  EXPECT_EQ(canvas.TextRenderingHint(), 4);
}

}  // namespace
}  // namespace varnika
