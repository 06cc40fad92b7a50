#include "tests/platform_x11/X11Harness.h"

#include <chrono>
#include <cstdlib>

// After gtest (in the harness header): Xlib's macros would trip it.
#include <X11/Xlib.h>

namespace varnika::xtest {

namespace {

std::vector<Seen>& Log() {
  static std::vector<Seen> log;
  return log;
}

bool Has(HWND wnd, const char16_t* prop) { return GetPropW(wnd, prop) != nullptr; }

LRESULT TopProc(HWND wnd, UINT msg, WPARAM wparam, LPARAM lparam) {
  Log().push_back(Seen{wnd, msg, wparam, lparam});
  if (msg == WM_NCHITTEST && Has(wnd, u"caption")) return HTCAPTION;
  if (msg == WM_WINDOWPOSCHANGING && Has(wnd, u"snap")) {
    auto* wp = reinterpret_cast<WINDOWPOS*>(lparam);
    if (!(wp->flags & SWP_NOMOVE) && wp->x < 40) wp->x = 0;  // to the left edge
  }
  return DefWindowProcW(wnd, msg, wparam, lparam);
}

LRESULT ChildProc(HWND wnd, UINT msg, WPARAM wparam, LPARAM lparam) {
  Log().push_back(Seen{wnd, msg, wparam, lparam});
  switch (msg) {
    case WM_LBUTTONDOWN:
      if (Has(wnd, u"capture")) SetCapture(wnd);
      return 0;
    case WM_LBUTTONUP:
      if (Has(wnd, u"capture") && GetCapture() == wnd) ReleaseCapture();
      return 0;
    case WM_SETCURSOR:
      if (!Has(wnd, u"hand")) break;
      SetCursor(LoadCursorW(nullptr, IDC_HAND));
      return TRUE;
    default: break;
  }
  return DefWindowProcW(wnd, msg, wparam, lparam);
}

void Register(const char16_t* name, WNDPROC proc) {
  WNDCLASSW wc;
  wc.lpfnWndProc = proc;
  wc.lpszClassName = name;
  wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  ASSERT_NE(RegisterClassW(&wc), 0);
}

}  // namespace

void Frame::Fill(int x, int y, int w, int h, std::uint32_t value) {
  for (int row = y; row < y + h; ++row) {
    for (int col = x; col < x + w; ++col) pixels[static_cast<size_t>(row) * width + col] = value;
  }
}

void X11Test::SetUp() {
  std::string error;
  std::unique_ptr<X11Backend> backend = X11Backend::Open(TestDisplayName().c_str(), &error, Options());
  ASSERT_TRUE(backend) << error;
  backend_ = backend.get();
  InitWindowSystem(std::move(backend));
  Register(kTopClass, TopProc);
  Register(kChildClass, ChildProc);
  Log().clear();
  User().MovePointer(5, 5);  // away from where the tests put their windows
  User().PaintRoot(kRootColour);
}

void X11Test::TearDown() {
  if (WindowSystemRunning()) ShutdownWindowSystem();
  backend_ = nullptr;
  Log().clear();
  User().Release(1);  // a failed test may leave the button down
}

HWND X11Test::MakeTopLevel(const RECT& rect, DWORD ex_style, bool show) {
  HWND wnd = CreateWindowExW(ex_style, kTopClass, u"x11 test", WS_POPUP, rect.left, rect.top, rect.right - rect.left,
                             rect.bottom - rect.top, nullptr, nullptr, nullptr, nullptr);
  EXPECT_NE(wnd, nullptr);
  if (show) ShowWindow(wnd, SW_SHOW);
  return wnd;
}

HWND X11Test::MakeChild(HWND parent, const RECT& rect) {
  HWND wnd = CreateWindowExW(0, kChildClass, u"", WS_CHILD | WS_VISIBLE, rect.left, rect.top,
                             rect.right - rect.left, rect.bottom - rect.top, parent, nullptr, nullptr, nullptr);
  EXPECT_NE(wnd, nullptr);
  return wnd;
}

void X11Test::Present(HWND wnd, const Frame& frame, BYTE alpha) {
  auto* bits = const_cast<std::uint32_t*>(frame.pixels.data());
  HDC dc = CreateMemoryDC(bits, frame.width, frame.height, frame.width * 4);
  SIZE size{frame.width, frame.height};
  POINT origin{0, 0};
  BLENDFUNCTION blend;
  blend.SourceConstantAlpha = alpha;
  blend.AlphaFormat = AC_SRC_ALPHA;
  EXPECT_TRUE(UpdateLayeredWindow(wnd, nullptr, nullptr, &size, dc, &origin, 0, &blend, ULW_ALPHA));
  DeleteDC(dc);
}

bool X11Test::Pump(const std::function<bool()>& done, int timeout_ms) {
  auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
  UINT_PTR tick = SetTimer(nullptr, 0, 20, nullptr);  // bounds each wait
  bool ok = false;
  while (true) {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
    if (done()) {
      ok = true;
      break;
    }
    if (std::chrono::steady_clock::now() >= deadline) break;
    ::varnika::WaitMessage();
  }
  KillTimer(nullptr, tick);
  return ok;
}

void X11Test::PumpFor(int ms) { Pump([] { return false; }, ms); }

void X11Test::Settle() {
  Pump([] { return true; }, 0);
  XSync(backend_->XDisplay(), False);
  PumpFor(30);
  XSync(backend_->XDisplay(), False);
}

std::vector<Seen> X11Test::Received(HWND wnd, UINT msg) const {
  std::vector<Seen> out;
  for (const Seen& s : Log()) {
    if (s.msg == msg && (!wnd || s.wnd == wnd)) out.push_back(s);
  }
  return out;
}

bool X11Test::AwaitMessage(HWND wnd, UINT msg, int timeout_ms) {
  return Pump([&] { return Got(wnd, msg); }, timeout_ms);
}

void X11Test::Forget() { Log().clear(); }

std::uint32_t X11Test::PixelSoon(int x, int y, std::uint32_t expected, int tolerance, int timeout_ms) {
  std::uint32_t pixel = 0;
  Pump(
      [&] {
        XSync(backend_->XDisplay(), False);
        pixel = User().ScreenPixel(x, y);
        return Near(pixel, expected, tolerance);
      },
      timeout_ms);
  return pixel;
}

bool Near(std::uint32_t a, std::uint32_t b, int tolerance) {
  for (int shift = 0; shift < 24; shift += 8) {
    int ca = static_cast<int>((a >> shift) & 0xFF);
    int cb = static_cast<int>((b >> shift) & 0xFF);
    if (std::abs(ca - cb) > tolerance) return false;
  }
  return true;
}

std::uint32_t Over(std::uint32_t src, std::uint32_t bg) {
  std::uint32_t a = src >> 24;
  std::uint32_t out = 0;
  for (int shift = 0; shift < 24; shift += 8) {
    std::uint32_t s = (src >> shift) & 0xFF;
    std::uint32_t b = (bg >> shift) & 0xFF;
    std::uint32_t c = s + (b * (255 - a) + 127) / 255;
    out |= std::min<std::uint32_t>(c, 255) << shift;
  }
  return out;
}

}  // namespace varnika::xtest
