// What the user sees of the test display: rectangles of screen pixels, the
// top-level windows (found inside a window manager's frames), and a flat
// desk colour that the compositing manager paints under every window.
// No Xlib types here, so tests include this next to gtest.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace varnika::e2e {

// What a grab holds where its rectangle leaves the screen (no 0xRRGGBB
// value looks like it).
inline constexpr std::uint32_t kOffScreen = 0xFF000000u;

// A rectangle of the screen as 0xRRGGBB values.
struct Pixels {
  int left = 0;
  int top = 0;
  int width = 0;
  int height = 0;
  std::vector<std::uint32_t> rgb;

  // By coordinates relative to the rectangle's top left corner.
  std::uint32_t At(int x, int y) const { return rgb[static_cast<size_t>(y) * width + x]; }
  bool Empty() const { return rgb.empty(); }
};

struct WindowBox {
  int x = 0;
  int y = 0;
  int width = 0;
  int height = 0;
};

class Screen {
 public:
  static Screen& Get();

  // The screen's pixels in that rectangle.
  Pixels Grab(int x, int y, int width, int height);
  // The windows whose WM_CLASS class is wm_class, searched through the
  // whole window tree.
  std::vector<unsigned long> Clients(const char* wm_class);
  // Viewable override-redirect windows directly under the root (menus,
  // tooltips and other popups).
  std::vector<unsigned long> Popups();
  // Where a window is on the screen; false once it is gone.
  bool Box(unsigned long window, WindowBox* box);
  bool Viewable(unsigned long window);
  // Asks the window manager to activate the window, as a taskbar or pager
  // does (_NET_ACTIVE_WINDOW).
  void RequestActivation(unsigned long window);

  // Paints the root and tells a compositing manager (_XROOTPMAP_ID) to use
  // the same flat colour; ClearDesk takes the tile away again.
  void PaintDesk(std::uint32_t rgb);
  void ClearDesk();

  static bool SavePng(const Pixels& pixels, const std::string& path);

 private:
  Screen();
  void* display_;
  unsigned long tile_ = 0;
};

// Per channel within tolerance.
bool Near(std::uint32_t a, std::uint32_t b, int tolerance);

}  // namespace varnika::e2e
