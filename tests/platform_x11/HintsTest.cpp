// What the window manager is told, read back from the window's properties,
// and what it does with it.
#include <unistd.h>

#include <algorithm>
#include <chrono>

#include "platform/Monitors.h"
#include "tests/platform_x11/X11Harness.h"

namespace varnika::xtest {
namespace {

constexpr RECT kPlace{200, 150, 300, 230};

bool Contains(const std::vector<std::string>& list, const char* name) {
  return std::find(list.begin(), list.end(), name) != list.end();
}

class HintsTest : public X11Test {
 protected:
  HWND Shown(DWORD ex_style) {
    HWND wnd = MakeTopLevel(kPlace, ex_style);
    Present(wnd, Frame(100, 80, 0xFF404040u));
    Settle();
    return wnd;
  }
  std::vector<std::string> State(HWND wnd) { return User().AtomList(XWindow(wnd), "_NET_WM_STATE"); }
};

TEST_F(HintsTest, ATopmostToolWindowAsksToStayAboveOutOfTaskbarAndPager) {
  HWND wnd = MakeTopLevel(kPlace, WS_EX_LAYERED | WS_EX_TOPMOST | WS_EX_TOOLWINDOW, false);
  unsigned long x = XWindow(wnd);
  std::vector<std::string> state = User().AtomList(x, "_NET_WM_STATE");
  EXPECT_TRUE(Contains(state, "_NET_WM_STATE_ABOVE"));
  EXPECT_TRUE(Contains(state, "_NET_WM_STATE_SKIP_TASKBAR"));
  EXPECT_TRUE(Contains(state, "_NET_WM_STATE_SKIP_PAGER"));
  EXPECT_TRUE(Contains(state, "_NET_WM_STATE_STICKY"));
  std::vector<long> desktop = User().Cardinals(x, "_NET_WM_DESKTOP");
  ASSERT_EQ(desktop.size(), 1u);
  EXPECT_EQ(static_cast<std::uint32_t>(desktop[0]), 0xFFFFFFFFu) << "on every desktop";
  EXPECT_EQ(User().AtomList(x, "_NET_WM_WINDOW_TYPE"), std::vector<std::string>{"_NET_WM_WINDOW_TYPE_UTILITY"});
  EXPECT_EQ(User().ClassOf(x), "varnikaclass");
  EXPECT_EQ(User().Cardinals(x, "_NET_WM_PID"), std::vector<long>{getpid()});
  EXPECT_EQ(User().Cardinals(x, "_MOTIF_WM_HINTS"), (std::vector<long>{2, 0, 0, 0, 0})) << "no decorations";
  EXPECT_TRUE(Contains(User().AtomList(x, "WM_PROTOCOLS"), "WM_DELETE_WINDOW"));
  std::vector<long> normal = User().Cardinals(x, "WM_NORMAL_HINTS");
  ASSERT_FALSE(normal.empty());
  EXPECT_EQ(normal[0] & 3, 3) << "USPosition and USSize, so the manager keeps the place";

  HWND plain = MakeTopLevel(RECT{400, 150, 500, 230}, WS_EX_LAYERED, false);
  EXPECT_TRUE(State(plain).empty());
  EXPECT_TRUE(User().Cardinals(XWindow(plain), "_NET_WM_DESKTOP").empty());
  EXPECT_EQ(User().AtomList(XWindow(plain), "_NET_WM_WINDOW_TYPE"),
            std::vector<std::string>{"_NET_WM_WINDOW_TYPE_NORMAL"});
}

TEST_F(HintsTest, KeepAboveFollowsTheTopmostFlagAtRunTimeWithoutAWindowManager) {
  HWND wnd = Shown(WS_EX_LAYERED | WS_EX_TOPMOST);
  ASSERT_TRUE(Contains(State(wnd), "_NET_WM_STATE_ABOVE"));
  SetWindowPos(wnd, HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  Settle();
  EXPECT_FALSE(Contains(State(wnd), "_NET_WM_STATE_ABOVE"));
  SetWindowPos(wnd, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  Settle();
  EXPECT_TRUE(Contains(State(wnd), "_NET_WM_STATE_ABOVE"));
}

TEST_F(HintsTest, UnderOpenboxTheWindowStaysWhereItAskedUndecoratedAndKeepAboveChangesAtRunTime) {
  WindowManager wm;
  HWND wnd = Shown(WS_EX_LAYERED | WS_EX_TOPMOST | WS_EX_TOOLWINDOW);
  unsigned long x = XWindow(wnd);
  int left = 0, top = 0, w = 0, h = 0;
  ASSERT_TRUE(Pump([&] { return User().Viewable(x); }));
  ASSERT_TRUE(User().Geometry(x, &left, &top, &w, &h));
  EXPECT_EQ(left, kPlace.left);
  EXPECT_EQ(top, kPlace.top);
  EXPECT_EQ(User().Cardinals(x, "_NET_FRAME_EXTENTS"), (std::vector<long>{0, 0, 0, 0}));
  EXPECT_TRUE(Contains(State(wnd), "_NET_WM_STATE_ABOVE"));
  EXPECT_TRUE(Contains(State(wnd), "_NET_WM_STATE_SKIP_TASKBAR"));

  // The manager owns the property now: it changes when it grants the request.
  SetWindowPos(wnd, HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  EXPECT_TRUE(Pump([&] { return !Contains(State(wnd), "_NET_WM_STATE_ABOVE"); }));
  SetWindowPos(wnd, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  EXPECT_TRUE(Pump([&] { return Contains(State(wnd), "_NET_WM_STATE_ABOVE"); }));
  EXPECT_TRUE(Contains(State(wnd), "_NET_WM_STATE_SKIP_TASKBAR"));

  // On another desktop the tool window still shows; a plain one stays behind.
  HWND plain = Shown(WS_EX_LAYERED);
  ASSERT_TRUE(Pump([&] { return User().Viewable(XWindow(plain)); }));
  User().SendClientMessage(0, "_NET_CURRENT_DESKTOP", 1);
  EXPECT_TRUE(Pump([&] { return !User().Viewable(XWindow(plain)); }));
  EXPECT_TRUE(User().Viewable(x));
  // openbox keeps "sticky" as the desktop number, not as a state entry.
  EXPECT_EQ(static_cast<std::uint32_t>(User().Cardinals(x, "_NET_WM_DESKTOP").at(0)), 0xFFFFFFFFu);
  User().SendClientMessage(0, "_NET_CURRENT_DESKTOP", 0);
  EXPECT_TRUE(Pump([&] { return User().Viewable(XWindow(plain)); }));
}

TEST_F(HintsTest, ActivationGoesThroughTheWindowManagerWhenOneRuns) {
  WindowManager wm;
  HWND first = Shown(WS_EX_LAYERED);
  HWND second = MakeTopLevel(RECT{500, 150, 600, 230});
  Present(second, Frame(100, 80, 0xFF404040u));
  ASSERT_TRUE(Pump([&] { return User().WindowProperty(0, "_NET_ACTIVE_WINDOW") == XWindow(second); }));
  SetActiveWindow(first);
  EXPECT_TRUE(Pump([&] { return User().WindowProperty(0, "_NET_ACTIVE_WINDOW") == XWindow(first); }));
  // The focus events that tell the program come after the property's change.
  EXPECT_TRUE(Pump([&] { return GetActiveWindow() == first; }));
}

// Before any user input, an activation request carries the server's time,
// learnt from a PropertyNotify on the window. When another client has
// destroyed the window (and the program has not heard of it yet) no such
// event comes: the request must not wait for it for ever.
TEST_F(HintsTest, ActivatingAWindowAnotherClientDestroyedDoesNotWaitForEver) {
  WindowManager wm;
  HWND first = MakeTopLevel(kPlace, WS_EX_LAYERED, false);
  Present(first, Frame(100, 80, 0xFF404040u));
  ShowWindow(first, SW_SHOWNA);  // never activated: it has no time-stamp property to lose
  ASSERT_TRUE(Pump([&] { return User().Viewable(XWindow(first)); }));
  HWND second = MakeTopLevel(RECT{500, 150, 600, 230});
  Present(second, Frame(100, 80, 0xFF404040u));
  ASSERT_TRUE(Pump([&] { return GetActiveWindow() == second; }));
  User().DestroyWindow(XWindow(first));
  const auto start = std::chrono::steady_clock::now();
  SetActiveWindow(first);
  const auto waited = std::chrono::steady_clock::now() - start;
  EXPECT_LT(std::chrono::duration_cast<std::chrono::milliseconds>(waited).count(), 3000);
  EXPECT_EQ(GetActiveWindow(), first);
}

TEST_F(HintsTest, WithoutAWindowManagerActivationSetsTheInputFocus) {
  HWND first = Shown(WS_EX_LAYERED);
  HWND second = MakeTopLevel(RECT{500, 150, 600, 230});
  Present(second, Frame(100, 80, 0xFF404040u));
  Settle();
  SetActiveWindow(first);
  Settle();
  EXPECT_EQ(User().FocusWindow(), XWindow(first));
  // The user switching to something else deactivates the program.
  User().FocusRoot();
  EXPECT_TRUE(Pump([&] { return GetActiveWindow() == nullptr; }));
  EXPECT_TRUE(Got(first, WM_ACTIVATE));
}

// A window shown and activated is focused only once the server has mapped
// it; a later activation of another window must not be overtaken by that.
TEST_F(HintsTest, AnActivationWaitingForAMapGivesWayToALaterOne) {
  HWND first = Shown(WS_EX_LAYERED);
  HWND second = MakeTopLevel(RECT{500, 150, 600, 230}, WS_EX_LAYERED, false);
  Present(second, Frame(100, 80, 0xFF404040u));
  ShowWindow(second, SW_SHOW);  // activated before its map is seen
  SetActiveWindow(first);
  Settle();
  ASSERT_TRUE(Pump([&] { return User().Viewable(XWindow(second)); }));
  Settle();
  EXPECT_EQ(User().FocusWindow(), XWindow(first));
  EXPECT_EQ(GetActiveWindow(), first);
}

TEST_F(HintsTest, TheWindowManagersCloseRequestBecomesWmClose) {
  HWND wnd = Shown(WS_EX_LAYERED);
  User().SendClientMessage(XWindow(wnd), "WM_PROTOCOLS", User().AtomOf("WM_DELETE_WINDOW"));
  ASSERT_TRUE(AwaitMessage(wnd, WM_CLOSE));
  EXPECT_FALSE(IsWindow(wnd));
}

TEST_F(HintsTest, WorkAreaComesFromTheRootPropertyElseTheScreen) {
  User().SetCardinals(0, "_NET_WORKAREA", {});
  RECT area;
  ASSERT_TRUE(SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0));
  EXPECT_EQ(area, (RECT{0, 0, 1280, 1024}));
  // Two desktops; the second is current and has a panel on top.
  User().SetCardinals(0, "_NET_WORKAREA", {0, 0, 1280, 1000, 0, 30, 1280, 994});
  User().SetCardinals(0, "_NET_CURRENT_DESKTOP", {1});
  ASSERT_TRUE(SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0));
  EXPECT_EQ(area, (RECT{0, 30, 1280, 1024}));
  User().SetCardinals(0, "_NET_WORKAREA", {});
  User().SetCardinals(0, "_NET_CURRENT_DESKTOP", {});
}

TEST_F(HintsTest, EachRandrMonitorHasItsShareOfTheWorkArea) {
  User().SplitScreen(500);
  User().SetCardinals(0, "_NET_WORKAREA", {0, 0, 1280, 994});  // a panel along the bottom
  const struct {
    RECT place;
    RECT monitor, work;
    DWORD flags;
  } cases[] = {
      {RECT{600, 100, 1075, 450}, RECT{500, 0, 1280, 1024}, RECT{500, 0, 1280, 994}, MONITORINFOF_PRIMARY},
      {RECT{100, 100, 575, 450}, RECT{0, 0, 500, 1024}, RECT{0, 0, 500, 994}, 0},  // mostly on the left one
      {RECT{-900, 10, -425, 360}, RECT{0, 0, 500, 1024}, RECT{0, 0, 500, 994}, 0},  // off both: the nearest
  };
  for (const auto& c : cases) {
    MONITORINFO info;
    ASSERT_TRUE(GetMonitorInfoW(MonitorFromRect(&c.place, MONITOR_DEFAULTTONEAREST), &info));
    EXPECT_EQ(info.rcMonitor, c.monitor);
    EXPECT_EQ(info.rcWork, c.work);
    EXPECT_EQ(info.dwFlags, c.flags);
  }
  MONITORINFO primary;
  ASSERT_TRUE(GetMonitorInfoW(PrimaryMonitor(), &primary));
  EXPECT_EQ(primary.rcMonitor, (RECT{500, 0, 1280, 1024}));
  User().SplitScreen(0);
  User().SetCardinals(0, "_NET_WORKAREA", {});
  ASSERT_TRUE(GetMonitorInfoW(PrimaryMonitor(), &primary));
  EXPECT_EQ(primary.rcMonitor, (RECT{0, 0, 1280, 1024}));
}

TEST_F(HintsTest, TheIconAndTitleReachTheirProperties) {
  HWND wnd = Shown(WS_EX_LAYERED);
  // Premultiplied bits in; the display gets them straight.
  std::uint32_t bits[4] = {0xFFFF0000u, 0xFF00FF00u, 0xFF0000FFu, 0x80808080u};
  HICON icon = CreateIconFromBits(bits, 2, 2, 8);
  SendMessageW(wnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon));
  SetWindowTextW(wnd, u"Haberler \u015eimdi");
  Settle();
  std::vector<std::uint32_t> values;
  for (long v : User().Cardinals(XWindow(wnd), "_NET_WM_ICON")) values.push_back(static_cast<std::uint32_t>(v));
  std::vector<std::uint32_t> want = {2, 2, 0xFFFF0000u, 0xFF00FF00u, 0xFF0000FFu, 0x80FFFFFFu};
  EXPECT_EQ(values, want);
  EXPECT_EQ(User().Utf8Property(XWindow(wnd), "_NET_WM_NAME"), "Haberler \xc5\x9eimdi");
  SendMessageW(wnd, WM_SETICON, ICON_BIG, 0);
  Settle();
  EXPECT_TRUE(User().Cardinals(XWindow(wnd), "_NET_WM_ICON").empty());
  DestroyIcon(icon);
}

}  // namespace
}  // namespace varnika::xtest
