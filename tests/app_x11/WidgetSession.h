// The real program on the test display: a fixture that gives it a desktop
// (openbox, xcompmgr, a flat desk colour), a data folder of its own whose
// options.ini points the feed at a loopback server, starts it as a child
// process and plays the user through XTest.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "tests/app_x11/Screen.h"
#include "tests/app_x11/SkinPicture.h"
#include "tests/net/LoopbackServer.h"
#include "tests/platform_x11/TestDesktop.h"

namespace varnika::e2e {

inline constexpr const char* kWidgetClass = "varnikaclass";
inline constexpr int kWidth = 475;
inline constexpr int kHeight = 350;
inline constexpr int kScreenWidth = xtest::kTestScreenWidth;
inline constexpr int kScreenHeight = xtest::kTestScreenHeight;
// The flat colour under every window.
inline constexpr std::uint32_t kDesk = 0x5A7A3C;
// Generous, for the sanitizer build.
inline constexpr int kPatience = 20000;

struct Point {
  int x = 0;
  int y = 0;
};

class WidgetSession : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // options.ini with the feed address and, when given, a stored place.
  void WriteOptions(std::optional<Point> place = std::nullopt);
  // Starts the program; true once its window is on the screen.
  bool Launch();
  // Waits until the window has faded in and the list shows headlines.
  bool WaitForHeadlines();

  // The window's place on the screen, from the X server.
  WindowBox Box();
  // The window's and the list's device pixels.
  Pixels GrabWindow();
  Pixels GrabList();
  // Window coordinates (logical pixels) to screen coordinates.
  Point OnScreen(int x, int y);

  // Device pixels of the window against the picture that differ by more
  // than 3, counted where logical(x, y) holds for the logical pixel they
  // belong to: none once the window shows the picture, else the count when
  // patience ran out.
  int WrongAfterWaiting(const SkinPicture& expected, const std::function<bool(int x, int y)>& logical,
                        std::string* report);
  // The about panel's own art shows, where it is opaque and carries no text.
  void ExpectAboutPanel();

  // Input at window coordinates (XTest).
  void MoveTo(int x, int y);
  void ClickAt(int x, int y, int button = 1);
  // Press on the header band, move in steps by (dx, dy), release.
  void DragHeaderBy(int dx, int dy);
  // Makes the widget the active window, as a taskbar would; a click on it
  // would do the same, but input right after such a click can overtake the
  // window manager's handling of it.
  bool Activate();

  // The options file as text (it is stored as UTF-16 LE).
  std::string OptionsText() const;
  std::string FeedUrl() const;

  xtest::Desktop& User() { return xtest::Desktop::Get(); }
  Screen& Shown() { return Screen::Get(); }

  std::filesystem::path root_;
  std::filesystem::path options_path_;
  std::unique_ptr<test::TLoopbackServer> server_;
  std::unique_ptr<xtest::WindowManager> wm_;
  std::unique_ptr<xtest::Compositor> compositor_;
  xtest::Process program_;
  unsigned long window_ = 0;
  std::string language_ = "tr";  // the program's LANGUAGE
  int scale_ = 1;                 // the desktop's scale that the test sets up
};

// An RSS feed of count items whose titles and summaries differ in length,
// so that no two stretches of the list look alike.
std::string VariedFeed(int count);

// How far the content moved up from before to after, judged on the pixels
// that differ clearly (text, rules) rather than on the faint ground under
// them: the shift in [-max_shift, max_shift] that matches best, and the
// share of differing pixels at that shift.
struct Shift {
  int rows = 0;
  double mismatch = 1.0;
};
Shift ContentShift(const Pixels& before, const Pixels& after, int max_shift);

// Pixels dark enough to be text.
int InkPixels(const Pixels& pixels);

}  // namespace varnika::e2e
