// A real X desktop for the backend's tests: a private Xvfb (started once per
// test process by a global environment), helper processes (window manager,
// compositing manager, the program under test) that never outlive the test
// process, and a second X connection that plays the user: it moves the
// pointer, clicks and types through XTest, and reads back pixels, cursors and
// properties. No Xlib types here, so tests include this next to gtest.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tests/platform_x11/TestProcess.h"

namespace varnika::xtest {

// The screen of the display the global environment starts: a test program
// built with VARNIKA_TEST_SCREEN_WIDTH, _HEIGHT and _DPI gets another one.
#ifndef VARNIKA_TEST_SCREEN_WIDTH
#define VARNIKA_TEST_SCREEN_WIDTH 1280
#define VARNIKA_TEST_SCREEN_HEIGHT 1024
#define VARNIKA_TEST_SCREEN_DPI 96
#endif
inline constexpr int kTestScreenWidth = VARNIKA_TEST_SCREEN_WIDTH;
inline constexpr int kTestScreenHeight = VARNIKA_TEST_SCREEN_HEIGHT;
inline constexpr int kTestScreenDpi = VARNIKA_TEST_SCREEN_DPI;

// The display the global environment started (":N").
const std::string& TestDisplayName();
// Starts another Xvfb and names its display (empty when it did not start).
Process StartXvfb(std::string* display_name);

// The user's side of the display.
class Desktop {
 public:
  static Desktop& Get();

  // --- input (XTest) ---
  void MovePointer(int x, int y);
  void Press(int button);
  void Release(int button);
  void Click(int button);
  // Key symbol names as X spells them ("Page_Down", "F4", "Alt_L", "a").
  void KeyDown(const char* keysym);
  void KeyUp(const char* keysym);
  void Tap(const char* keysym);
  void Sync();
  // Gives the root window a flat background (the weave of a bare server
  // could match what a test looks for).
  void PaintRoot(std::uint32_t rgb);

  // --- reading back ---
  // 0xRRGGBB of the screen (the root window, as a screenshot sees it).
  std::uint32_t ScreenPixel(int x, int y);
  // The current cursor image (XFixes), as width, height, hot spot and pixels.
  struct CursorImage {
    int width = 0;
    int height = 0;
    int xhot = 0;
    int yhot = 0;
    std::vector<unsigned long> pixels;
    friend bool operator==(const CursorImage&, const CursorImage&) = default;
  };
  CursorImage Cursor();
  // The image of an X font cursor (XC_hand2 = 60, XC_left_ptr = 68), read by
  // showing it over a window of the test's own.
  CursorImage FontCursorImage(unsigned shape, int x, int y);

  // Properties of a window (0: the root).
  std::vector<std::string> AtomList(unsigned long window, const char* property);
  std::vector<long> Cardinals(unsigned long window, const char* property);
  std::string ClassOf(unsigned long window);
  std::string Utf8Property(unsigned long window, const char* property);
  long AtomOf(const char* name);
  // The window holding the keyboard focus; moving it to the root (as when
  // the user picks something else).
  unsigned long FocusWindow();
  void FocusRoot();
  unsigned long WindowProperty(unsigned long window, const char* property);
  void SetCardinals(unsigned long window, const char* property, const std::vector<long>& values);
  // The X resources on the root window (RESOURCE_MANAGER, as xrdb writes
  // them: "Xft.dpi:\t192\n"); empty removes them.
  void SetResources(const std::string& text);
  // Splits the screen into two RandR monitors side by side at x (the right
  // one primary), as `xrandr --setmonitor` does; x 0 puts the server's own
  // monitor back.
  void SplitScreen(int x);
  // Moves and resizes, or destroys, a window as another client (a window
  // manager, xkill) would.
  void MoveWindow(unsigned long window, int x, int y, int width, int height);
  void DestroyWindow(unsigned long window);
  // Takes a window into a frame of this client's at (x, y), as a
  // reparenting window manager does; returns the frame.
  unsigned long Reparent(unsigned long window, int x, int y);
  // Where the window is on the screen and whether it is viewable.
  bool Geometry(unsigned long window, int* x, int* y, int* width, int* height);
  bool Viewable(unsigned long window);
  // The bounding shape's rectangles (x, y, w, h each); empty when unshaped.
  std::vector<int> BoundingShape(unsigned long window);
  bool HasSelectionOwner(const char* selection);
  // Whether a window manager takes newly mapped windows into frames (tried
  // until timeout_ms).
  bool ManagesNewWindows(int timeout_ms);
  // A client message from another client, as a foreign program would send it
  // (window 0: a request to the window manager on the root).
  void SendClientMessage(unsigned long window, const char* type, long l0, long l1 = 0, long l2 = 0);

 private:
  Desktop();
  void* display_;
};

// A window manager or compositing manager for one test; ready once the
// constructor returns, gone when the object is.
class WindowManager {
 public:
  WindowManager();  // openbox
  ~WindowManager();

 private:
  Process process_;
};

class Compositor {
 public:
  Compositor();  // xcompmgr
  ~Compositor();

 private:
  Process process_;
};

}  // namespace varnika::xtest
