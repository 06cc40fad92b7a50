// Layered windows and the desktop's metrics.
#include <algorithm>
#include <climits>

#include "platform/Gdi.h"
#include "platform/Icons.h"
#include "platform/WindowSystem.h"
#include "tests/platform/PlatformFixture.h"

namespace varnika::test {
namespace {

class LayeredTest : public PlatformTest {
 protected:
  // A layered window showing a 4 x 2 frame whose second pixel is transparent.
  HWND Layered(const std::string& name, POINT at, BYTE alpha = 255) {
    HWND w = Top(name, Rect(0, 0, 1, 1), WS_EX_LAYERED | WS_EX_TOOLWINDOW);
    Show(w, at, alpha);
    return w;
  }
  bool Show(HWND w, POINT at, BYTE alpha, DWORD flags = ULW_ALPHA) {
    HDC dc = CreateMemoryDC(pixels_, 4, 2, 16);
    SIZE size{4, 2};
    POINT src{0, 0};
    BLENDFUNCTION blend{AC_SRC_OVER, 0, alpha, AC_SRC_ALPHA};
    BOOL ok = UpdateLayeredWindow(w, nullptr, &at, &size, dc, &src, 0, &blend, flags);
    DeleteDC(dc);
    return ok;
  }
  std::uint32_t pixels_[8] = {0xFF112233, 0x00000000, 0x80402010, 0xFFFFFFFF,
                              0x01010101, 0xFF000000, 0xFF0000FF, 0x7F7F7F7F};
};

TEST_F(LayeredTest, TheDisplayShowsExactlyTheLastFrameAtItsPositionWithItsAlpha) {
  HWND w = Layered("w", POINT{30, 40}, 128);
  HeadlessBackend::Surface s = display->SurfaceOf(w);
  EXPECT_EQ(s.pixels, std::vector<std::uint32_t>(pixels_, pixels_ + 8));
  EXPECT_EQ(s.frame_width, 4);
  EXPECT_EQ(s.frame_height, 2);
  EXPECT_EQ(s.alpha, 128);
  EXPECT_EQ(s.rect, Rect(30, 40, 4, 2));
  EXPECT_TRUE(s.visible);
  EXPECT_EQ(s.ex_style & WS_EX_TOOLWINDOW, WS_EX_TOOLWINDOW);
  // Only the constant alpha changes: the pixels stay.
  BLENDFUNCTION fade{AC_SRC_OVER, 0, 3, AC_SRC_ALPHA};
  EXPECT_TRUE(UpdateLayeredWindow(w, nullptr, nullptr, nullptr, nullptr, nullptr, 0, &fade, ULW_ALPHA));
  s = display->SurfaceOf(w);
  EXPECT_EQ(s.alpha, 3);
  EXPECT_EQ(s.pixels[0], 0xFF112233u);
  EXPECT_EQ(s.frames_presented, 2);
  BYTE alpha = 0;
  GetLayeredWindowAttributes(w, nullptr, &alpha, nullptr);
  EXPECT_EQ(alpha, 3);
}

// A fade sends the same picture again and again: it needs no copy, and a
// new picture leaves no second buffer behind.
TEST_F(LayeredTest, ThePictureAlreadyShownIsNotCopiedAndNoSpareBufferIsKept) {
  HWND w = Layered("w", POINT{0, 0});
  std::shared_ptr<const FrameBuffer> first = display->FrameBufferOf(w);
  ASSERT_TRUE(first);
  EXPECT_TRUE(Show(w, POINT{0, 0}, 100));
  EXPECT_EQ(display->FrameBufferOf(w), first);
  EXPECT_EQ(display->SurfaceOf(w).alpha, 100);
  EXPECT_EQ(display->SurfaceOf(w).frames_presented, 2);

  std::weak_ptr<const FrameBuffer> old = first;
  first.reset();
  pixels_[7] = 0xFF000000;
  EXPECT_TRUE(Show(w, POINT{0, 0}, 100));
  EXPECT_TRUE(old.expired());
  EXPECT_EQ(display->SurfaceOf(w).pixels[7], 0xFF000000u);
  // Pixels shown opaque are stored with their alpha set, so they always
  // come as a new picture.
  EXPECT_TRUE(Show(w, POINT{0, 0}, 255, ULW_OPAQUE));
  EXPECT_EQ(display->SurfaceOf(w).pixels[1], 0xFF000000u);
}

// A window's canvas is shown from its own pixels. Each present of it is a
// new frame (the canvas may have been drawn again in between), the display
// keeps the canvas alive while it shows it, and lets it go with the next one.
TEST_F(LayeredTest, ACanvasIsShownWithoutACopyAndHeldOnlyWhileShown) {
  HWND w = Layered("w", POINT{0, 0});
  cairo_surface_t* canvas = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 4, 2);
  static cairo_user_data_key_t key;
  bool freed = false;
  cairo_surface_set_user_data(canvas, &key, &freed, [](void* flag) { *static_cast<bool*>(flag) = true; });
  auto* bits = reinterpret_cast<std::uint32_t*>(cairo_image_surface_get_data(canvas));
  auto present = [&](HDC dc) {
    SIZE size{4, 2};
    POINT at{0, 0}, src{0, 0};
    BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
    EXPECT_TRUE(UpdateLayeredWindow(w, nullptr, &at, &size, dc, &src, 0, &blend, ULW_ALPHA));
    DeleteDC(dc);
  };
  for (std::uint32_t colour : {0xFF00FF00u, 0xFF0000FFu}) {
    std::fill(bits, bits + 8, colour);
    cairo_surface_mark_dirty(canvas);
    const int before = display->SurfaceOf(w).frames_presented;
    present(CreateMemoryDC(canvas));
    EXPECT_EQ(display->FrameBufferOf(w)->pixels, bits) << "no copy";
    EXPECT_EQ(display->SurfaceOf(w).pixels, std::vector<std::uint32_t>(8, colour));
    EXPECT_EQ(display->SurfaceOf(w).frames_presented, before + 1);
  }
  cairo_surface_destroy(canvas);
  EXPECT_FALSE(freed) << "still shown";
  EXPECT_EQ(NameOf(WindowFromPoint(POINT{1, 0})), "w") << "hit testing reads the canvas";
  present(CreateMemoryDC(pixels_, 4, 2, 16));
  EXPECT_TRUE(freed);
  cairo_surface_t* a8 = cairo_image_surface_create(CAIRO_FORMAT_A8, 4, 2);
  EXPECT_EQ(CreateMemoryDC(a8), nullptr);
  cairo_surface_destroy(a8);
}

TEST_F(LayeredTest, AMoveByFrameGoesThroughWindowPosChanging) {
  On("w", WM_WINDOWPOSCHANGING, [](HWND, WPARAM, LPARAM l) {
    auto* wp = reinterpret_cast<WINDOWPOS*>(l);
    if (!(wp->flags & SWP_NOMOVE) && wp->y < 8) wp->y = 0;
    return LRESULT{0};
  });
  HWND w = Layered("w", POINT{30, 5});
  RECT r;
  GetWindowRect(w, &r);
  EXPECT_EQ(r, Rect(30, 0, 4, 2));
  EXPECT_EQ(display->SurfaceOf(w).rect, Rect(30, 0, 4, 2));
}

TEST_F(LayeredTest, BadCallsFailWithoutChangingTheFrame) {
  HWND plain = Top("plain", Rect(0, 0, 4, 2));
  EXPECT_FALSE(Show(plain, POINT{0, 0}, 255));
  EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
  HWND w = Layered("w", POINT{0, 0});
  HDC dc = CreateMemoryDC(pixels_, 4, 2, 16);
  SIZE too_big{5, 2};
  POINT src{0, 0};
  EXPECT_FALSE(UpdateLayeredWindow(w, nullptr, nullptr, &too_big, dc, &src, 0, nullptr, 0));
  POINT outside{1, 1};
  SIZE size{4, 2};
  EXPECT_FALSE(UpdateLayeredWindow(w, nullptr, nullptr, &size, dc, &outside, 0, nullptr, 0));
  EXPECT_TRUE(DeleteDC(dc));
  EXPECT_FALSE(DeleteDC(dc));
  EXPECT_FALSE(UpdateLayeredWindow(w, nullptr, nullptr, &size, dc, &src, 0, nullptr, 0)) << "a deleted DC";
  EXPECT_EQ(display->SurfaceOf(w).frames_presented, 1);
}

// Source points and sizes near the integer limits must not wrap around the
// bounds checks (and then copy from far outside the bitmap); frames larger
// than a display can show are refused.
TEST_F(LayeredTest, SourceBoundsHoldForValuesNearTheIntegerLimits) {
  HWND w = Layered("w", POINT{0, 0});
  HDC dc = CreateMemoryDC(pixels_, 4, 2, 16);
  SIZE size{4, 2};
  for (POINT far : {POINT{INT_MAX - 2, 0}, POINT{0, INT_MAX - 1}, POINT{INT_MAX, INT_MAX}}) {
    EXPECT_FALSE(UpdateLayeredWindow(w, nullptr, nullptr, &size, dc, &far, 0, nullptr, 0));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
  }
  POINT src{0, 0};
  SIZE huge{INT_MAX, 2};
  EXPECT_FALSE(UpdateLayeredWindow(w, nullptr, nullptr, &huge, dc, &src, 0, nullptr, 0));
  DeleteDC(dc);
  std::vector<std::uint32_t> wide(40000, 0xFF000000u);
  HDC wide_dc = CreateMemoryDC(wide.data(), 40000, 1, 160000);
  SIZE wide_size{40000, 1};
  EXPECT_FALSE(UpdateLayeredWindow(w, nullptr, nullptr, &wide_size, wide_dc, &src, 0, nullptr, 0))
      << "wider than any display";
  DeleteDC(wide_dc);
  EXPECT_EQ(display->SurfaceOf(w).frames_presented, 1);
  EXPECT_EQ(CreateMemoryDC(pixels_, INT_MAX, 1, INT_MAX), nullptr) << "a stride too small for the width";
  EXPECT_EQ(CreateMemoryDC(nullptr, 65536, 65536, 65536 * 4), nullptr) << "a size without bits";
}

TEST_F(LayeredTest, TheMousePassesThroughTransparentPixelsAndFadedWindows) {
  Top("desk", Rect(0, 0, 100, 100));
  HWND w = Layered("w", POINT{10, 10});
  EXPECT_EQ(NameOf(WindowFromPoint(POINT{10, 10})), "w");
  EXPECT_EQ(NameOf(WindowFromPoint(POINT{11, 10})), "desk") << "alpha 0";
  EXPECT_EQ(NameOf(WindowFromPoint(POINT{10, 11})), "w") << "alpha 1 still counts";
  Show(w, POINT{10, 10}, 255, ULW_OPAQUE);
  EXPECT_EQ(NameOf(WindowFromPoint(POINT{11, 10})), "w") << "opaque frames ignore the pixel alpha";
  Show(w, POINT{10, 10}, 0);
  EXPECT_EQ(NameOf(WindowFromPoint(POINT{10, 10})), "desk");
  SetLayeredWindowAttributes(w, 0, 200, LWA_ALPHA);
  EXPECT_EQ(NameOf(WindowFromPoint(POINT{10, 10})), "w");
  EXPECT_EQ(display->SurfaceOf(w).alpha, 200);
}

// On a display of scale 2 windows keep their logical size and frames come
// in device pixels: twice as many each way, in layered and painted windows.
class ScaledDisplayTest : public LayeredTest {
 protected:
  ScaledDisplayTest() { display_scale = 2; }
};

TEST_F(ScaledDisplayTest, FramesHoldDevicePixelsWhileWindowsAndTheMouseStayLogical) {
  EXPECT_EQ(DisplayScale(), 2);
  Top("desk", Rect(0, 0, 100, 100));
  // 4 x 2 pixels at scale 2: a 2 x 1 window whose right half is transparent.
  std::uint32_t pixels[8] = {0xFF112233, 0xFF112233, 0, 0, 0xFF112233, 0xFF112233, 0, 0};
  HWND w = Top("w", Rect(0, 0, 1, 1), WS_EX_LAYERED | WS_EX_TOOLWINDOW);
  HDC dc = CreateMemoryDC(pixels, 4, 2, 16, 2);
  SIZE size{2, 1};
  POINT at{10, 10};
  POINT src{0, 0};
  BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
  ASSERT_TRUE(UpdateLayeredWindow(w, nullptr, &at, &size, dc, &src, 0, &blend, ULW_ALPHA));
  HeadlessBackend::Surface s = display->SurfaceOf(w);
  EXPECT_EQ(s.rect, Rect(10, 10, 2, 1));
  EXPECT_EQ(s.frame_width, 4);
  EXPECT_EQ(s.frame_height, 2);
  EXPECT_EQ(display->FrameBufferOf(w)->scale, 2);
  EXPECT_EQ(NameOf(WindowFromPoint(POINT{10, 10})), "w");
  EXPECT_EQ(NameOf(WindowFromPoint(POINT{11, 10})), "desk") << "device pixel (2, 0) is transparent";
  SIZE too_wide{3, 1};
  EXPECT_FALSE(UpdateLayeredWindow(w, nullptr, &at, &too_wide, dc, &src, 0, &blend, ULW_ALPHA))
      << "3 logical pixels need 6 device pixels";
  DeleteDC(dc);
  EXPECT_EQ(CreateMemoryDC(pixels, 4, 2, 16, 0), nullptr);
  EXPECT_EQ(CreateMemoryDC(pixels, 4, 2, 16, kMaxDisplayScale + 1), nullptr);

  // A painted window's pixels: a 3 x 2 window shows a 6 x 4 frame.
  HWND plain = Top("plain", Rect(50, 50, 3, 2));
  HDC paint = GetDC(plain);
  RECT all{0, 0, 3, 2};
  HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
  FillRect(paint, &all, red);
  EXPECT_EQ(GetPixel(paint, 2, 1), RGB(255, 0, 0));
  ReleaseDC(plain, paint);
  DeleteObject(red);
  s = display->SurfaceOf(plain);
  EXPECT_EQ(s.frame_width, 6);
  EXPECT_EQ(s.frame_height, 4);
  EXPECT_EQ(s.pixels, std::vector<std::uint32_t>(24, 0xFFFF0000u));
}

TEST_F(LayeredTest, WorkAreaAndScreenSizeComeFromTheDisplay) {
  display->SetWorkArea(RECT{0, 0, 1920, 1050});
  display->SetScreenSize(1920, 1080);
  RECT work;
  EXPECT_TRUE(SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0));
  EXPECT_EQ(work, (RECT{0, 0, 1920, 1050}));
  EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), 1920);
  EXPECT_EQ(GetSystemMetrics(SM_CYSCREEN), 1080);
  EXPECT_FALSE(SystemParametersInfoW(0x1234, 0, &work, 0));
}

// The display keeps reading the frame it was given until the next one is
// presented, whether the new frame has the same size or another one, and an
// empty frame leaves it nothing of the old one.
TEST_F(LayeredTest, TheDisplayKeepsItsFrameUntilTheNextOneIsPresented) {
  HWND w = Layered("w", POINT{0, 0});
  std::vector<std::uint32_t> seen_during_move;
  On("w", WM_WINDOWPOSCHANGING, [&](HWND h, WPARAM, LPARAM) {
    seen_during_move = display->SurfaceOf(h).pixels;
    return LRESULT{0};
  });
  auto present = [&](std::vector<std::uint32_t>& bits, int width, int height, POINT at) {
    HDC dc = CreateMemoryDC(bits.data(), width, height, width * 4);
    SIZE size{width, height};
    POINT src{0, 0};
    BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
    EXPECT_TRUE(UpdateLayeredWindow(w, nullptr, &at, &size, dc, &src, 0, &blend, ULW_ALPHA));
    DeleteDC(dc);
  };
  std::vector<std::uint32_t> same(8, 0xFF00FF00u);
  present(same, 4, 2, POINT{5, 5});
  EXPECT_EQ(seen_during_move, std::vector<std::uint32_t>(pixels_, pixels_ + 8));
  EXPECT_EQ(display->SurfaceOf(w).pixels, same);

  std::vector<std::uint32_t> big(64 * 32, 0xFF336699u);
  present(big, 64, 32, POINT{5, 5});
  EXPECT_EQ(seen_during_move, same);
  EXPECT_EQ(display->SurfaceOf(w).pixels, big);

  std::vector<std::uint32_t> none;
  present(none, 0, 0, POINT{5, 5});
  HeadlessBackend::Surface s = display->SurfaceOf(w);
  EXPECT_TRUE(s.pixels.empty());
  EXPECT_EQ(s.frame_width, 0);
  EXPECT_TRUE(SetLayeredWindowAttributes(w, 0, 100, LWA_ALPHA));
  present(same, 4, 2, POINT{5, 5});
  EXPECT_EQ(display->SurfaceOf(w).pixels, same);
}

TEST_F(LayeredTest, TheDisplayShowsTheBigIconElseTheSmallOneUnpremultiplied) {
  HWND w = Layered("w", POINT{0, 0});
  const std::uint32_t small_bits[1] = {0x80402010};  // half-transparent, premultiplied
  const std::uint32_t big_bits[4] = {0xFF0000FF, 0x00000000, 0xFFFFFFFF, 0xFF00FF00};
  HICON small = CreateIconFromBits(small_bits, 1, 1, 4);
  HICON big = CreateIconFromBits(big_bits, 2, 2, 8);
  ASSERT_TRUE(small && big);
  EXPECT_EQ(SendMessageW(w, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(small)), 0);
  HeadlessBackend::Surface s = display->SurfaceOf(w);
  EXPECT_EQ(s.icon, (std::vector<std::uint32_t>{0x80804020}));
  SendMessageW(w, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(big));
  s = display->SurfaceOf(w);
  EXPECT_EQ(s.icon_width, 2);
  EXPECT_EQ(s.icon, std::vector<std::uint32_t>(big_bits, big_bits + 4));
  EXPECT_EQ(SendMessageW(w, WM_GETICON, ICON_SMALL, 0), reinterpret_cast<LRESULT>(small));
  // Taking the big icon away shows the small one again.
  EXPECT_EQ(SendMessageW(w, WM_SETICON, ICON_BIG, 0), reinterpret_cast<LRESULT>(big));
  EXPECT_EQ(display->SurfaceOf(w).icon_width, 1);
  EXPECT_TRUE(DestroyIcon(big));
  EXPECT_FALSE(DestroyIcon(big));
  EXPECT_FALSE(GetIconPixels(LoadCursorW(nullptr, IDC_ARROW), nullptr));
  EXPECT_EQ(CreateIconFromBits(big_bits, 0, 2, 8), nullptr);
  DestroyIcon(small);
}

}  // namespace
}  // namespace varnika::test
