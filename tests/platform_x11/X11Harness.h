// The window system running on the X11 backend against the test display:
// a fixture that starts and stops it, window classes that record what they
// receive, frames to present, and a message pump with a deadline.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <vector>

#include "platform/Icons.h"
#include "platform/Input.h"
#include "platform/Layered.h"
#include "platform/MessageLoop.h"
#include "platform/Window.h"
#include "platform/WindowSystem.h"
#include "platform/x11/X11Backend.h"
#include "tests/platform_x11/TestDesktop.h"

namespace varnika::xtest {

// Top-level windows of this class answer WM_NCHITTEST with HTCAPTION when
// they carry the property "caption" (so a press starts the move loop), and
// snap moves that end near the left edge to it when they carry "snap".
inline constexpr const char16_t* kTopClass = u"varnikaclass";
// Child windows: with the property "capture" they capture the mouse on a
// left press and release it on the release; with "hand" they ask for the
// hand cursor.
inline constexpr const char16_t* kChildClass = u"x11testchild";
// The root's colour in every test (without a compositing manager).
inline constexpr std::uint32_t kRootColour = 0x336699;

struct Seen {
  HWND wnd = nullptr;
  UINT msg = 0;
  WPARAM wparam = 0;
  LPARAM lparam = 0;
};

// A premultiplied ARGB32 frame.
struct Frame {
  int width = 0;
  int height = 0;
  std::vector<std::uint32_t> pixels;

  Frame(int w, int h, std::uint32_t fill) : width(w), height(h), pixels(static_cast<size_t>(w) * h, fill) {}
  void Fill(int x, int y, int w, int h, std::uint32_t value);
};

class X11Test : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;
  virtual X11Options Options() const { return {}; }

  X11Backend& Backend() { return *backend_; }
  Desktop& User() { return Desktop::Get(); }

  HWND MakeTopLevel(const RECT& rect, DWORD ex_style = WS_EX_LAYERED, bool show = true);
  HWND MakeChild(HWND parent, const RECT& rect);
  // UpdateLayeredWindow with the frame at the window's place.
  void Present(HWND wnd, const Frame& frame, BYTE alpha = 255);
  unsigned long XWindow(HWND wnd) { return backend_->XWindowOf(wnd); }

  // Dispatches messages until done() holds (true) or timeout_ms passed.
  bool Pump(const std::function<bool()>& done, int timeout_ms = 10000);
  void PumpFor(int ms);
  // Waits until the server has shown what the window system asked for.
  void Settle();

  // Messages of one kind to one window (nullptr: any window).
  std::vector<Seen> Received(HWND wnd, UINT msg) const;
  bool Got(HWND wnd, UINT msg) const { return !Received(wnd, msg).empty(); }
  bool AwaitMessage(HWND wnd, UINT msg, int timeout_ms = 10000);
  void Forget();

  // The screen pixel, after waiting (bounded) for it to become `expected`
  // within `tolerance` per channel: a compositing manager repaints late.
  std::uint32_t PixelSoon(int x, int y, std::uint32_t expected, int tolerance = 0, int timeout_ms = 10000);

 private:
  X11Backend* backend_ = nullptr;
};

bool Near(std::uint32_t a, std::uint32_t b, int tolerance);
// The pixel a compositing manager shows: premultiplied src over bg (0xRRGGBB).
std::uint32_t Over(std::uint32_t src, std::uint32_t bg);

}  // namespace varnika::xtest
