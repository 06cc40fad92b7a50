// Classic GDI on the headless backend: objects, device contexts over a
// window's pixels, and WM_PAINT with its update regions.
#include "platform/Gdi.h"

#include <algorithm>
#include <cstring>

#include "tests/platform/PlatformFixture.h"

namespace varnika::test {
namespace {

using Strings = std::vector<std::string>;

class GdiTest : public PlatformTest {
 protected:
  // The pixel the display was last given for a top-level window, as RGB.
  COLORREF Shown(HWND top, int x, int y) {
    HeadlessBackend::Surface s = display->SurfaceOf(top);
    if (x >= s.frame_width || y >= s.frame_height) return CLR_INVALID;
    const std::uint32_t p = s.pixels[static_cast<std::size_t>(y * s.frame_width + x)];
    return RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
  }
  // Paints through handler on WM_PAINT for the named window.
  void OnPaint(const std::string& name, std::function<void(HDC, const PAINTSTRUCT&)> draw) {
    On(name, WM_PAINT, [draw](HWND wnd, WPARAM, LPARAM) -> LRESULT {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(wnd, &ps);
      draw(dc, ps);
      EndPaint(wnd, &ps);
      return 0;
    });
  }
};

TEST_F(GdiTest, ObjectsDescribeThemselvesAndStockObjectsSurviveDeletion) {
  HPEN pen = CreatePen(PS_DASH, 3, RGB(255, 0, 0));
  LOGPEN lp;
  ASSERT_EQ(GetObjectW(pen, sizeof lp, &lp), static_cast<int>(sizeof lp));
  EXPECT_EQ(lp.lopnStyle, static_cast<UINT>(PS_DASH));
  EXPECT_EQ(lp.lopnWidth.x, 3);
  EXPECT_EQ(lp.lopnColor, RGB(255, 0, 0));
  HBRUSH hatch = CreateHatchBrush(HS_CROSS, RGB(0, 0, 255));
  LOGBRUSH lb;
  ASSERT_EQ(GetObjectW(hatch, sizeof lb, &lb), static_cast<int>(sizeof lb));
  EXPECT_EQ(lb.lbStyle, BS_HATCHED);
  EXPECT_EQ(lb.lbHatch, static_cast<ULONG_PTR>(HS_CROSS));
  EXPECT_EQ(CreateHatchBrush(6, 0), nullptr);
  EXPECT_EQ(GetObjectType(pen), OBJ_PEN);
  EXPECT_TRUE(DeleteObject(pen));
  EXPECT_FALSE(DeleteObject(pen));
  EXPECT_EQ(GetObjectType(pen), 0u);
  EXPECT_TRUE(DeleteObject(hatch));
  HGDIOBJ stock = GetStockObject(BLACK_BRUSH);
  EXPECT_TRUE(DeleteObject(stock));
  EXPECT_EQ(GetObjectType(stock), OBJ_BRUSH);
  EXPECT_EQ(GetStockObject(BLACK_BRUSH), stock);
}

TEST_F(GdiTest, FontsKeepTheirLogFontAndTheMessageFontComesFromTheDesktop) {
  NONCLIENTMETRICSW metrics;
  ASSERT_TRUE(SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0));
  EXPECT_LT(metrics.lfMessageFont.lfHeight, 0);
  EXPECT_NE(metrics.lfMessageFont.lfFaceName[0], u'\0');
  metrics.cbSize = 504;  // a record of another size is refused
  EXPECT_FALSE(SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, 0, &metrics, 0));

  // The style alone is the same font but for the face, which it does not resolve.
  LOGFONTW style = DesktopMessageFontStyle();
  std::fill(std::begin(style.lfFaceName), std::end(style.lfFaceName), u'\0');
  LOGFONTW resolved = DesktopMessageFont();
  std::fill(std::begin(resolved.lfFaceName), std::end(resolved.lfFaceName), u'\0');
  EXPECT_EQ(std::memcmp(&style, &resolved, sizeof style), 0);

  LOGFONTW lf = DesktopMessageFont();
  lf.lfHeight = -11;
  lf.lfWeight = FW_BOLD;
  lf.lfCharSet = TURKISH_CHARSET;
  HFONT font = CreateFontIndirectW(&lf);
  LOGFONTW back;
  ASSERT_EQ(GetObjectW(font, sizeof back, &back), static_cast<int>(sizeof back));
  EXPECT_EQ(back.lfHeight, -11);
  EXPECT_EQ(back.lfWeight, FW_BOLD);
  EXPECT_EQ(back.lfCharSet, TURKISH_CHARSET);
  HDC screen = GetDC(nullptr);
  EXPECT_EQ(GetDeviceCaps(screen, LOGPIXELSY), 96);
  SelectObject(screen, font);
  SIZE size;
  ASSERT_TRUE(GetTextExtentPoint32W(screen, u"Haber", 5, &size));
  EXPECT_GT(size.cx, 10);
  EXPECT_GE(size.cy, 11);
  ReleaseDC(nullptr, screen);
  DeleteObject(font);
}

TEST_F(GdiTest, MulDivRoundsToTheNearestAndReportsWhatDoesNotFit) {
  EXPECT_EQ(MulDiv(96, 8, 72), 11);  // 10.67
  EXPECT_EQ(MulDiv(96, 9, 72), 12);
  EXPECT_EQ(MulDiv(-5, 1, 2), -3);   // halves away from zero
  EXPECT_EQ(MulDiv(5, 1, -2), -3);
  EXPECT_EQ(MulDiv(1, 1, 0), -1);
  EXPECT_EQ(MulDiv(0x40000000, 4, 1), -1);
  EXPECT_EQ(MulDiv(0x40000000, 4, 4), 0x40000000);  // 64-bit product
}

TEST_F(GdiTest, SystemColoursAreALightTheme) {
  EXPECT_EQ(GetSysColor(COLOR_WINDOW), RGB(255, 255, 255));
  EXPECT_EQ(GetSysColor(COLOR_BTNFACE), RGB(240, 240, 240));
  EXPECT_EQ(GetSysColor(COLOR_WINDOWTEXT), RGB(0, 0, 0));
  EXPECT_EQ(GetSysColor(COLOR_INFOBK), RGB(255, 255, 225));
  LOGBRUSH lb;
  GetObjectW(GetSysColorBrush(COLOR_BTNFACE), sizeof lb, &lb);
  EXPECT_EQ(lb.lbColor, RGB(240, 240, 240));
}

TEST_F(GdiTest, AShownWindowIsPaintedOnceAfterPostedMessagesAndBeforeTimers) {
  HWND w = Top("w", Rect(10, 10, 40, 30));
  SetTimer(w, 1, 10, nullptr);
  display->AdvanceClock(20);
  PostMessageW(w, WM_USER, 0, 0);
  ClearLog();
  Pump();
  EXPECT_EQ(Log({WM_USER, WM_PAINT, WM_ERASEBKGND, WM_TIMER}),
            (Strings{"w 0x1024", "w WM_PAINT", "w WM_ERASEBKGND", "w WM_TIMER"}));
  ClearLog();
  Pump();
  EXPECT_TRUE(Log({WM_PAINT}).empty());  // validated by the default processing
  InvalidateRect(w, nullptr, FALSE);
  Pump();
  EXPECT_EQ(Log({WM_PAINT, WM_ERASEBKGND}), (Strings{"w WM_PAINT"}));  // no erase asked for
}

TEST_F(GdiTest, LayeredAndHiddenWindowsGetNoPaint) {
  Top("layered", Rect(0, 0, 20, 20), WS_EX_LAYERED);
  HWND hidden = Top("hidden", Rect(0, 0, 20, 20), 0, WS_POPUP);
  InvalidateRect(hidden, nullptr, TRUE);
  Pump();
  EXPECT_TRUE(Records(WM_PAINT).empty());
  RECT r;
  EXPECT_FALSE(GetUpdateRect(hidden, &r, FALSE));
}

TEST_F(GdiTest, InvalidatingAParentReachesChildrenUnlessItClipsThem) {
  HWND parent = Top("parent", Rect(0, 0, 100, 100));
  Child("inside", parent, Rect(10, 10, 20, 20));
  Child("outside", parent, Rect(60, 60, 20, 20));
  Pump();
  ClearLog();
  RECT corner{0, 0, 40, 40};
  InvalidateRect(parent, &corner, TRUE);
  Pump();
  EXPECT_EQ(Log({WM_PAINT}), (Strings{"parent WM_PAINT", "inside WM_PAINT"}));
  SetWindowLongW(parent, GWL_STYLE, static_cast<LONG>(WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN));
  ClearLog();
  InvalidateRect(parent, &corner, TRUE);
  Pump();
  EXPECT_EQ(Log({WM_PAINT}), (Strings{"parent WM_PAINT"}));
}

TEST_F(GdiTest, PaintedPixelsReachTheDisplayClippedToTheWindowAndTheUpdateRegion) {
  HWND top = Top("top", Rect(100, 100, 60, 40));
  HWND child = Child("child", top, Rect(20, 10, 20, 10));
  OnPaint("top", [](HDC dc, const PAINTSTRUCT& ps) {
    HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
    FillRect(dc, &ps.rcPaint, red);
    DeleteObject(red);
  });
  OnPaint("child", [](HDC dc, const PAINTSTRUCT&) {
    HBRUSH blue = CreateSolidBrush(RGB(0, 0, 255));
    RECT everything{-100, -100, 100, 100};  // clipped to the child
    FillRect(dc, &everything, blue);
    DeleteObject(blue);
  });
  Pump();
  EXPECT_EQ(Shown(top, 0, 0), RGB(255, 0, 0));
  EXPECT_EQ(Shown(top, 25, 15), RGB(0, 0, 255));
  EXPECT_EQ(Shown(top, 19, 15), RGB(255, 0, 0));
  EXPECT_EQ(Shown(top, 40, 20), RGB(255, 0, 0));

  // Only the invalid part is painted again.
  OnPaint("top", [](HDC dc, const PAINTSTRUCT& ps) {
    RECT everything{0, 0, 60, 40};
    FillRect(dc, &everything, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    EXPECT_EQ(ps.rcPaint, (RECT{50, 30, 60, 40}));
  });
  RECT corner{50, 30, 60, 40};
  InvalidateRect(top, &corner, FALSE);
  Pump();
  EXPECT_EQ(Shown(top, 55, 35), RGB(0, 0, 0));
  EXPECT_EQ(Shown(top, 45, 35), RGB(255, 0, 0));
  (void)child;
}

TEST_F(GdiTest, HatchedBrushesDrawTheirPatternOverTheBackgroundOrWhatIsThere) {
  HWND w = Top("w", Rect(0, 0, 32, 32));
  Pump();
  HDC dc = GetDC(w);
  RECT all{0, 0, 32, 32};
  FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
  HBRUSH cross = CreateHatchBrush(HS_CROSS, RGB(0, 0, 255));
  SetBkColor(dc, RGB(255, 255, 0));
  RECT left{0, 0, 16, 32};
  FillRect(dc, &left, cross);  // OPAQUE: the gaps take the background colour
  SetBkMode(dc, TRANSPARENT);
  RECT right{16, 0, 32, 32};
  FillRect(dc, &right, cross);  // TRANSPARENT: the gaps stay white
  for (int y : {0, 3, 8, 13}) {
    for (int x : {0, 5, 8, 16, 21, 24}) {
      const bool line = x % 8 == 0 || y % 8 == 0;
      const COLORREF gap = x < 16 ? RGB(255, 255, 0) : RGB(255, 255, 255);
      EXPECT_EQ(GetPixel(dc, x, y), line ? RGB(0, 0, 255) : gap) << x << "," << y;
    }
  }
  EXPECT_EQ(GetPixel(dc, 40, 0), CLR_INVALID);  // outside the window
  // The pattern keeps to the context's origin whatever the viewport.
  SetViewportOrgEx(dc, 3, 3, nullptr);
  SetBkMode(dc, OPAQUE);
  FillRect(dc, &left, cross);
  EXPECT_EQ(GetPixel(dc, 5, 5), RGB(0, 0, 255));  // device (8, 8)
  EXPECT_EQ(GetPixel(dc, 0, 0), RGB(255, 255, 0));
  DeleteObject(cross);
  ReleaseDC(w, dc);
  EXPECT_EQ(Shown(w, 8, 3), RGB(0, 0, 255));
}

TEST_F(GdiTest, SelectObjectSwapsAndADeletedSelectedObjectLivesUntilReleased) {
  HWND w = Top("w", Rect(0, 0, 20, 20));
  Pump();
  HDC dc = GetDC(w);
  HBRUSH green = CreateSolidBrush(RGB(0, 255, 0));
  HGDIOBJ previous = SelectObject(dc, green);
  EXPECT_EQ(previous, GetStockObject(WHITE_BRUSH));
  HPEN none = static_cast<HPEN>(GetStockObject(NULL_PEN));
  SelectObject(dc, none);
  EXPECT_TRUE(DeleteObject(green));
  EXPECT_EQ(GetObjectType(green), 0u);  // gone for everyone else
  EXPECT_TRUE(Rectangle(dc, 2, 2, 10, 10));  // still draws with it
  EXPECT_EQ(GetPixel(dc, 5, 5), RGB(0, 255, 0));
  EXPECT_EQ(GetPixel(dc, 10, 10), RGB(255, 255, 255));  // right and bottom edges excluded
  ReleaseDC(w, dc);
}

TEST_F(GdiTest, LinesAndTextUseThePenAndTheTextColour) {
  HWND w = Top("w", Rect(0, 0, 120, 40));
  Pump();
  HDC dc = GetDC(w);
  HPEN red = CreatePen(PS_SOLID, 1, RGB(255, 0, 0));
  SelectObject(dc, red);
  MoveToEx(dc, 0, 30, nullptr);
  LineTo(dc, 10, 30);
  EXPECT_EQ(GetPixel(dc, 0, 30), RGB(255, 0, 0));
  EXPECT_EQ(GetPixel(dc, 9, 30), RGB(255, 0, 0));
  EXPECT_EQ(GetPixel(dc, 10, 30), RGB(255, 255, 255));  // the end point is not drawn
  SetTextColor(dc, RGB(0, 0, 255));
  SetBkMode(dc, TRANSPARENT);
  TextOutW(dc, 20, 2, u"WWWW", 4);
  int blue = 0;
  for (int y = 2; y < 20; ++y) {
    for (int x = 20; x < 80; ++x) blue += GetPixel(dc, x, y) == RGB(0, 0, 255);
  }
  EXPECT_GT(blue, 10);
  SelectObject(dc, GetStockObject(BLACK_PEN));
  DeleteObject(red);
  ReleaseDC(w, dc);
}

TEST_F(GdiTest, AClassBackgroundErasesWhatIsInvalid) {
  WNDCLASSW wc;
  wc.lpfnWndProc = DefWindowProcW;
  wc.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<std::uintptr_t>(COLOR_BTNFACE + 1));
  wc.lpszClassName = u"GdiTestBackground";
  ASSERT_NE(RegisterClassW(&wc), 0);
  HWND w = CreateWindowExW(0, u"GdiTestBackground", u"", WS_POPUP | WS_VISIBLE, 0, 0, 10, 10, nullptr, nullptr,
                           nullptr, nullptr);
  Pump();
  EXPECT_EQ(Shown(w, 5, 5), RGB(240, 240, 240));
  const int frames = display->SurfaceOf(w).frames_presented;
  InvalidateRect(w, nullptr, FALSE);  // nothing drawn: nothing presented
  Pump();
  EXPECT_EQ(display->SurfaceOf(w).frames_presented, frames);
}

TEST_F(GdiTest, ResizingATopLevelWindowRepaintsItAtItsNewSize) {
  HWND w = Top("w", Rect(0, 0, 10, 10));
  OnPaint("w", [](HDC dc, const PAINTSTRUCT& ps) { FillRect(dc, &ps.rcPaint, static_cast<HBRUSH>(GetStockObject(GRAY_BRUSH))); });
  Pump();
  SetWindowPos(w, nullptr, 0, 0, 30, 20, SWP_NOMOVE | SWP_NOZORDER);
  Pump();
  HeadlessBackend::Surface s = display->SurfaceOf(w);
  EXPECT_EQ(s.frame_width, 30);
  EXPECT_EQ(s.frame_height, 20);
  EXPECT_EQ(Shown(w, 29, 19), RGB(128, 128, 128));
}

}  // namespace
}  // namespace varnika::test
