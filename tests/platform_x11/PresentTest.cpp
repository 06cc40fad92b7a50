// Layered frames as a screenshot of the root window shows them.
#include <algorithm>

#include "tests/platform_x11/X11Harness.h"

namespace varnika::xtest {
namespace {

constexpr RECT kPlace{300, 200, 420, 280};  // 120 x 80
constexpr std::uint32_t kRed = 0xFFFF0000u;
constexpr std::uint32_t kHalfWhite = 0x80808080u;  // premultiplied
constexpr int kCorner = 8;

// Left half opaque red, right half half-transparent white, the four corners
// fully transparent.
Frame TestFrame() {
  Frame f(120, 80, kRed);
  f.Fill(60, 0, 60, 80, kHalfWhite);
  f.Fill(0, 0, kCorner, kCorner, 0);
  f.Fill(120 - kCorner, 0, kCorner, kCorner, 0);
  f.Fill(0, 80 - kCorner, kCorner, kCorner, 0);
  f.Fill(120 - kCorner, 80 - kCorner, kCorner, kCorner, 0);
  return f;
}

POINT InRed() { return POINT{kPlace.left + 20, kPlace.top + 40}; }
POINT InHalf() { return POINT{kPlace.left + 90, kPlace.top + 40}; }
POINT InCorner() { return POINT{kPlace.left + 2, kPlace.top + 2}; }

class PresentTest : public X11Test {
 protected:
  std::uint32_t Screen(POINT p) { return User().ScreenPixel(p.x, p.y); }
};

TEST_F(PresentTest, WithoutCompositorPixelsShowPremultipliedOverBlackAndCornersStayCut) {
  ASSERT_FALSE(Backend().Compositing());
  ASSERT_EQ(Screen(InCorner()), kRootColour);
  HWND wnd = MakeTopLevel(kPlace);
  Present(wnd, TestFrame());
  Settle();

  EXPECT_EQ(PixelSoon(InRed().x, InRed().y, 0xFF0000), 0xFF0000u);
  EXPECT_EQ(PixelSoon(InHalf().x, InHalf().y, 0x808080), 0x808080u);
  EXPECT_EQ(Screen(InCorner()), kRootColour) << "the transparent corner must show what lies beneath";
  std::vector<int> shape = User().BoundingShape(XWindow(wnd));
  ASSERT_GE(shape.size(), 4u);
  EXPECT_EQ(shape[0], kCorner);  // the first band starts after the corner
  EXPECT_EQ(shape[1], 0);

  // The constant alpha scales every channel of the premultiplied pixels,
  // whether it changes alone or comes with a frame.
  SetLayeredWindowAttributes(wnd, 0, 128, LWA_ALPHA);
  EXPECT_EQ(PixelSoon(InRed().x, InRed().y, 0x800000), 0x800000u);
  EXPECT_EQ(PixelSoon(InHalf().x, InHalf().y, 0x404040), 0x404040u);
  SetLayeredWindowAttributes(wnd, 0, 255, LWA_ALPHA);
  EXPECT_EQ(PixelSoon(InRed().x, InRed().y, 0xFF0000), 0xFF0000u);
  EXPECT_EQ(PixelSoon(InHalf().x, InHalf().y, 0x808080), 0x808080u);
  Present(wnd, TestFrame(), 64);
  EXPECT_EQ(PixelSoon(InRed().x, InRed().y, 0x400000), 0x400000u);
  // Alpha 0 cuts the whole window away.
  SetLayeredWindowAttributes(wnd, 0, 0, LWA_ALPHA);
  EXPECT_EQ(PixelSoon(InRed().x, InRed().y, kRootColour), kRootColour);
}

TEST_F(PresentTest, AWindowShownAgainIsRepaintedFromItsLastFrame) {
  HWND wnd = MakeTopLevel(kPlace);
  Present(wnd, TestFrame());
  Settle();
  ShowWindow(wnd, SW_HIDE);
  Settle();
  EXPECT_FALSE(User().Viewable(XWindow(wnd)));
  ShowWindow(wnd, SW_SHOWNA);
  EXPECT_EQ(PixelSoon(InRed().x, InRed().y, 0xFF0000), 0xFF0000u);
  EXPECT_EQ(PixelSoon(InHalf().x, InHalf().y, 0x808080), 0x808080u);
}

// The exposure of a window that has just been mapped finds the frame already
// put after it, and the same picture with the same alpha is sent once.
TEST_F(PresentTest, AFrameIsPutOnceAcrossTheMapsExposureAndIdenticalRepeats) {
  HWND wnd = MakeTopLevel(kPlace, WS_EX_LAYERED, false);
  ShowWindow(wnd, SW_SHOWNA);
  Present(wnd, TestFrame());
  EXPECT_EQ(PixelSoon(InRed().x, InRed().y, 0xFF0000), 0xFF0000u);
  Settle();
  EXPECT_EQ(Backend().FramesPut(wnd), 1);
  Present(wnd, TestFrame());
  Settle();
  EXPECT_EQ(Backend().FramesPut(wnd), 1);
  // Another alpha is another picture.
  Present(wnd, TestFrame(), 128);
  EXPECT_EQ(PixelSoon(InRed().x, InRed().y, 0x800000), 0x800000u);
  EXPECT_EQ(Backend().FramesPut(wnd), 2);
}

// Under a window manager the window becomes viewable only after it has been
// taken into a frame: a frame sent before that is put again on exposure.
TEST_F(PresentTest, AFrameSentBeforeTheWindowManagerMapsTheWindowIsShown) {
  WindowManager wm;
  HWND wnd = MakeTopLevel(kPlace, WS_EX_LAYERED, false);
  ShowWindow(wnd, SW_SHOWNA);
  Present(wnd, TestFrame());
  EXPECT_EQ(PixelSoon(InRed().x, InRed().y, 0xFF0000, 0, 10000), 0xFF0000u);
}

TEST_F(PresentTest, AFrameOfAnotherSizeResizesTheWindowInTheSameStep) {
  HWND wnd = MakeTopLevel(kPlace);
  Present(wnd, TestFrame());
  Frame big(200, 100, 0xFF00FF00u);
  POINT to{500, 300};
  SIZE size{200, 100};
  POINT origin{0, 0};
  HDC dc = CreateMemoryDC(big.pixels.data(), 200, 100, 800);
  BLENDFUNCTION blend;
  blend.AlphaFormat = AC_SRC_ALPHA;
  ASSERT_TRUE(UpdateLayeredWindow(wnd, nullptr, &to, &size, dc, &origin, 0, &blend, ULW_ALPHA));
  DeleteDC(dc);
  Settle();
  int x = 0, y = 0, w = 0, h = 0;
  ASSERT_TRUE(User().Geometry(XWindow(wnd), &x, &y, &w, &h));
  EXPECT_EQ(x, 500);
  EXPECT_EQ(y, 300);
  EXPECT_EQ(w, 200);
  EXPECT_EQ(h, 100);
  EXPECT_EQ(PixelSoon(690, 390, 0x00FF00), 0x00FF00u);  // the new frame reaches its far corner
  EXPECT_TRUE(User().BoundingShape(XWindow(wnd)) == (std::vector<int>{0, 0, 200, 100}));
}

TEST_F(PresentTest, WithCompositorPixelsBlendOverWhatLiesBeneath) {
  Compositor compositor;
  Pump([&] { return Backend().Compositing(); });
  ASSERT_TRUE(Backend().Compositing());
  HWND wnd = MakeTopLevel(kPlace);
  Present(wnd, TestFrame());
  Settle();
  // The compositing manager paints the root in one flat colour; read it
  // beside the window once it has painted.
  std::uint32_t bg = 0;
  Pump([&] {
    bg = Screen(POINT{kPlace.left - 30, kPlace.top - 30});
    return Near(PixelSoon(InRed().x, InRed().y, 0xFF0000, 1, 0), 0xFF0000, 1);
  });
  const std::uint32_t bg_half = bg;
  const std::uint32_t bg_corner = bg;

  EXPECT_TRUE(Near(PixelSoon(InRed().x, InRed().y, 0xFF0000, 1), 0xFF0000, 1));
  std::uint32_t half = PixelSoon(InHalf().x, InHalf().y, Over(kHalfWhite, bg_half), 2);
  EXPECT_TRUE(Near(half, Over(kHalfWhite, bg_half), 2)) << std::hex << half << " over " << bg_half;
  std::uint32_t corner = PixelSoon(InCorner().x, InCorner().y, bg_corner, 2);
  EXPECT_TRUE(Near(corner, bg_corner, 2)) << std::hex << corner;
  EXPECT_TRUE(User().BoundingShape(XWindow(wnd)).empty()) << "a compositing manager blends the whole window";

  Present(wnd, TestFrame(), 128);
  std::uint32_t faded = PixelSoon(InRed().x, InRed().y, Over(0x80800000u, bg_half), 2);
  EXPECT_TRUE(Near(faded, Over(0x80800000u, bg_half), 2)) << std::hex << faded;
}

TEST_F(PresentTest, ACompositorArrivingOrLeavingSwitchesBetweenShapeAndBlending) {
  HWND wnd = MakeTopLevel(kPlace);
  Present(wnd, TestFrame());
  Settle();
  ASSERT_FALSE(User().BoundingShape(XWindow(wnd)).empty());
  {
    Compositor compositor;
    ASSERT_TRUE(Pump([&] { return Backend().Compositing(); }));
    Settle();
    EXPECT_TRUE(User().BoundingShape(XWindow(wnd)).empty());
  }
  ASSERT_TRUE(Pump([&] { return !Backend().Compositing(); }));
  Settle();
  EXPECT_FALSE(User().BoundingShape(XWindow(wnd)).empty());
  EXPECT_EQ(PixelSoon(InHalf().x, InHalf().y, 0x808080), 0x808080u);
}

// Every third pixel transparent, shifted by one on each row so that no two
// neighbouring rows share their runs: far more rectangles than one shape
// request can carry. The connection must survive and the holes stay cut.
TEST_F(PresentTest, AFrameWithTensOfThousandsOfHolesIsShapedWithoutBreakingTheConnection) {
  constexpr RECT kWide{100, 100, 575, 450};  // 475 x 350, the widget's size
  HWND wnd = MakeTopLevel(kWide);
  Frame sieve(475, 350, kRed);
  for (int y = 0; y < 350; ++y) {
    for (int x = y % 3; x < 475; x += 3) sieve.Fill(x, y, 1, 1, 0);
  }
  Present(wnd, sieve);
  Settle();
  // Row 200 has its holes at x = 2, 5, 8, ...; row 349 at x = 1, 4, ...
  EXPECT_EQ(PixelSoon(kWide.left + 300, kWide.top + 200, 0xFF0000), 0xFF0000u);
  EXPECT_EQ(Screen(POINT{kWide.left + 302, kWide.top + 200}), kRootColour);
  EXPECT_EQ(Screen(POINT{kWide.left + 4, kWide.top + 349}), kRootColour);

  // The next frame is whole again, and the window still answers.
  Present(wnd, Frame(475, 350, kRed));
  EXPECT_EQ(PixelSoon(kWide.left + 300, kWide.top + 200, 0xFF0000), 0xFF0000u);
  EXPECT_TRUE(User().BoundingShape(XWindow(wnd)) == (std::vector<int>{0, 0, 475, 350}));
}

// The widget's way: a canvas shown from its own pixels, drawn again between
// frames. Each new picture reaches the screen, a new constant alpha or an
// exposure shows what the canvas holds, and the canvas outlives its owner's
// reference for as long as the window shows it.
TEST_F(PresentTest, ACanvasRedrawnBetweenFramesShowsEachPictureAndOutlivesItsOwner) {
  HWND wnd = MakeTopLevel(kPlace);
  cairo_surface_t* canvas = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 120, 80);
  auto paint = [&](std::uint32_t colour) {
    auto* bits = reinterpret_cast<std::uint32_t*>(cairo_image_surface_get_data(canvas));
    std::fill(bits, bits + cairo_image_surface_get_stride(canvas) / 4 * 80, colour);
    cairo_surface_mark_dirty(canvas);
    HDC dc = CreateMemoryDC(canvas);
    ASSERT_NE(dc, nullptr);
    SIZE size{120, 80};
    POINT origin{0, 0};
    BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
    EXPECT_TRUE(UpdateLayeredWindow(wnd, nullptr, nullptr, &size, dc, &origin, 0, &blend, ULW_ALPHA));
    DeleteDC(dc);
  };
  const struct {
    std::uint32_t colour;
    std::uint32_t shown;
  } pictures[] = {{kRed, 0xFF0000}, {0xFF00FF00u, 0x00FF00}, {kRed, 0xFF0000}, {0xFF0000FFu, 0x0000FF}};
  for (const auto& p : pictures) {
    paint(p.colour);
    EXPECT_EQ(PixelSoon(InRed().x, InRed().y, p.shown), p.shown) << std::hex << p.colour;
  }
  SetLayeredWindowAttributes(wnd, 0, 128, LWA_ALPHA);
  EXPECT_EQ(PixelSoon(InRed().x, InRed().y, 0x000080), 0x000080u);
  SetLayeredWindowAttributes(wnd, 0, 255, LWA_ALPHA);
  cairo_surface_destroy(canvas);
  ShowWindow(wnd, SW_HIDE);
  Settle();
  ShowWindow(wnd, SW_SHOWNA);
  EXPECT_EQ(PixelSoon(InRed().x, InRed().y, 0x0000FF), 0x0000FFu);
}

// An empty frame replaces the last one: later alpha changes, exposures and
// mode changes have nothing of the old frame left to read (the window
// system has freed it), and the next real frame shows normally.
TEST_F(PresentTest, AfterAnEmptyFrameAlphaChangesAndExposuresReadNoOldPixels) {
  HWND wnd = MakeTopLevel(kPlace);
  Present(wnd, TestFrame());
  Settle();
  Present(wnd, Frame(0, 0, 0));
  SetLayeredWindowAttributes(wnd, 0, 128, LWA_ALPHA);
  ShowWindow(wnd, SW_HIDE);
  Settle();
  ShowWindow(wnd, SW_SHOWNA);  // maps again: the server asks for a repaint
  SetWindowLongW(wnd, GWL_EXSTYLE, WS_EX_LAYERED | WS_EX_TRANSPARENT);
  Settle();
  EXPECT_EQ(Screen(POINT{kPlace.left, kPlace.top}), kRootColour) << "an empty frame shows nothing";

  Present(wnd, TestFrame());
  EXPECT_EQ(PixelSoon(InRed().x, InRed().y, 0xFF0000), 0xFF0000u);
}

}  // namespace
}  // namespace varnika::xtest
