// The notification area on a real X server with a real tray host (trayer):
// docking, drawing, a real click, the tip, docking again after the host
// comes back, and docking when the session bus hangs.
#include <signal.h>

#include <chrono>
#include <optional>

#include "platform/NotifyIcon.h"
#include "platform/StatusNotifierTray.h"
#include "tests/base/ScopedEnv.h"
#include "tests/platform/ServicesSupport.h"
#include "tests/platform/SilentBus.h"
#include "tests/platform_x11/X11Harness.h"
// After gtest (in the harness header): Xlib's macros would trip it.
#include "platform/x11/X11Tray.h"
#include <X11/Xatom.h>

namespace varnika::xtest {
namespace {

constexpr UINT kCallback = WM_APP + 3;
constexpr std::uint32_t kRed = 0xFFE00000;

class TrayTest : public X11Test {
 protected:
  void SetUp() override {
    X11Test::SetUp();
    owner_ = MakeTopLevel(RECT{0, 0, 1, 1}, WS_EX_TOOLWINDOW, false);
    std::vector<std::uint32_t> pixels(16 * 16, kRed);
    icon_ = CreateIconFromBits(pixels.data(), 16, 16, 16 * 4);
  }
  void TearDown() override {
    DestroyIcon(icon_);
    X11Test::TearDown();
  }

  Process StartTrayer() {
    Process tray = Process::Start({"trayer", "--edge", "top", "--align", "right", "--widthtype", "request",
                                   "--height", "32", "--SetDockType", "false", "--SetPartialStrut", "false"});
    EXPECT_TRUE(WaitFor([&] { return User().HasSelectionOwner("_NET_SYSTEM_TRAY_S0"); }, 10000))
        << "trayer did not start: " << tray.Errors();
    return tray;
  }

  NOTIFYICONDATAW Data() {
    NOTIFYICONDATAW d;
    d.hWnd = owner_;
    d.uID = 1;
    d.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    d.uCallbackMessage = kCallback;
    d.hIcon = icon_;
    const std::u16string tip = u"Varnika haberler";
    std::copy(tip.begin(), tip.end(), d.szTip);
    return d;
  }

  x11::Tray* Tray() { return Backend().TrayIfStarted(); }
  unsigned long IconWindow() { return Tray() ? Tray()->IconWindow(owner_, 1) : 0; }

  // Waits until the icon sits in the tray, shown; returns its screen centre.
  bool Docked(POINT* centre = nullptr) {
    int x = 0, y = 0, w = 0, h = 0;
    const bool docked = Pump([&] {
      const unsigned long window = IconWindow();
      return window && User().Viewable(window) && User().Geometry(window, &x, &y, &w, &h) && w >= 16 && y < 32;
    });
    if (centre) *centre = POINT{x + w / 2, y + h / 2};
    return docked;
  }

  std::vector<LPARAM> Callbacks() {
    std::vector<LPARAM> out;
    for (const Seen& s : Received(owner_, kCallback)) {
      if (s.lparam != WM_MOUSEMOVE) out.push_back(s.lparam);
    }
    return out;
  }

  HWND owner_ = nullptr;
  HICON icon_ = nullptr;
};

TEST_F(TrayTest, TheIconDocksInTrayerShowsItsPictureAndReportsARealClick) {
  Process tray = StartTrayer();
  NOTIFYICONDATAW d = Data();
  ASSERT_TRUE(Shell_NotifyIconW(NIM_ADD, &d));
  POINT centre;
  ASSERT_TRUE(Docked(&centre));
  EXPECT_TRUE(Pump([&] { return User().ScreenPixel(centre.x, centre.y) == (kRed & 0xFFFFFF); }))
      << std::hex << User().ScreenPixel(centre.x, centre.y);

  // Resting on it shows the tip near the pointer; a press takes it away.
  User().MovePointer(centre.x, centre.y);
  EXPECT_TRUE(Pump([&] { return Tray()->TipWindow() && User().Viewable(Tray()->TipWindow()); }));
  User().Click(1);
  EXPECT_TRUE(Pump([&] { return Callbacks().size() >= 2; }));
  EXPECT_EQ(Callbacks(), (std::vector<LPARAM>{WM_LBUTTONDOWN, WM_LBUTTONUP}));
  EXPECT_EQ(Tray()->TipWindow(), 0u);
  POINT at;
  GetCursorPos(&at);
  EXPECT_EQ(at, centre);
  EXPECT_FALSE(Received(owner_, kCallback).empty());

  ASSERT_TRUE(Shell_NotifyIconW(NIM_DELETE, &d));
  EXPECT_EQ(IconWindow(), 0u);
}

TEST_F(TrayTest, TheIconDocksAgainWhenTheTrayHostIsKilledAndRestarted) {
  std::optional<Process> tray(StartTrayer());
  NOTIFYICONDATAW d = Data();
  ASSERT_TRUE(Shell_NotifyIconW(NIM_ADD, &d));
  ASSERT_TRUE(Docked());
  tray->Signal(SIGKILL);
  tray->WaitExit(5000);
  EXPECT_TRUE(Pump([&] { return Tray()->Manager() == 0 && IconWindow() == 0; }));

  Process again = StartTrayer();
  POINT centre;
  ASSERT_TRUE(Docked(&centre));
  User().MovePointer(centre.x, centre.y);
  User().Click(3);
  EXPECT_TRUE(Pump([&] { return Callbacks().size() >= 2; }));
  EXPECT_EQ(Callbacks(), (std::vector<LPARAM>{WM_RBUTTONDOWN, WM_RBUTTONUP}));
}

TEST_F(TrayTest, AnIconAddedBeforeAnyTrayDocksWhenOneAppears) {
  NOTIFYICONDATAW d = Data();
  ASSERT_TRUE(Shell_NotifyIconW(NIM_ADD, &d));
  PumpFor(200);
  EXPECT_EQ(IconWindow(), 0u);
  Process tray = StartTrayer();
  EXPECT_TRUE(Docked());
}

TEST_F(TrayTest, WithoutATrayHostEveryCallSucceedsAndNothingIsShown) {
  NOTIFYICONDATAW d = Data();
  EXPECT_TRUE(Shell_NotifyIconW(NIM_ADD, &d));
  d.uFlags = NIF_TIP | NIF_INFO;
  const std::u16string text = u"Yeni haberler";
  std::copy(text.begin(), text.end(), d.szInfo);
  EXPECT_TRUE(Shell_NotifyIconW(NIM_MODIFY, &d));
  PumpFor(300);
  EXPECT_EQ(Tray()->Manager(), 0u);
  EXPECT_EQ(IconWindow(), 0u);
  EXPECT_TRUE(Shell_NotifyIconW(NIM_DELETE, &d));
  EXPECT_TRUE(Callbacks().empty());
}

// A session bus that takes the connections and never answers: the icon
// docks once the wait for the watcher's answer is over, as if none ran, and
// the window system, with a balloon's notice also waiting for that bus,
// closes at once.
TEST_F(TrayTest, WhenTheSessionBusNeverAnswersTheIconDocksAfterTheWaitAndClosingDoesNotHang) {
  using Clock = std::chrono::steady_clock;
  auto ms_since = [](Clock::time_point start) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
  };
  test::TempFolder folder;
  test::SilentBus bus(folder.Path());
  test::ScopedEnv session("DBUS_SESSION_BUS_ADDRESS", bus.Address().c_str());
  Process tray = StartTrayer();
  NOTIFYICONDATAW d = Data();
  const Clock::time_point added = Clock::now();
  ASSERT_TRUE(Shell_NotifyIconW(NIM_ADD, &d));
  ASSERT_TRUE(Docked());
  const auto docked_ms = ms_since(added);
  EXPECT_GE(docked_ms, StatusNotifierTray::kWatcherWaitMs);
  EXPECT_LT(docked_ms, StatusNotifierTray::kWatcherWaitMs + 1500);
  EXPECT_GE(bus.Accepted(), 1);

  d.uFlags = NIF_INFO;
  const std::u16string text = u"Yeni haberler";
  std::copy(text.begin(), text.end(), d.szInfo);
  ASSERT_TRUE(Shell_NotifyIconW(NIM_MODIFY, &d));
  EXPECT_TRUE(Pump([&] { return bus.Accepted() >= 2; }));  // the notice's connection waits too
  const Clock::time_point closing = Clock::now();
  ShutdownWindowSystem();
  const auto closing_ms = ms_since(closing);
  EXPECT_LT(closing_ms, DesktopNotifier::kStopWaitMs);  // cancelled, not cut off
  RecordProperty("docked_ms", static_cast<int>(docked_ms));
  RecordProperty("closing_ms", static_cast<int>(closing_ms));
}

// A tray manager of the test's own that offers an ARGB visual and records
// the dock requests it gets.
class ArgbTrayManager {
 public:
  ArgbTrayManager() : display_(XOpenDisplay(TestDisplayName().c_str())) {
    Display* d = display_;
    const ::Window root = DefaultRootWindow(d);
    window_ = XCreateSimpleWindow(d, root, 0, 0, 1, 1, 0, 0, 0);
    XVisualInfo argb{};
    XMatchVisualInfo(d, DefaultScreen(d), 32, TrueColor, &argb);
    unsigned long visual = argb.visualid;
    XChangeProperty(d, window_, XInternAtom(d, "_NET_SYSTEM_TRAY_VISUAL", False), XA_VISUALID, 32,
                    PropModeReplace, reinterpret_cast<unsigned char*>(&visual), 1);
    const Atom selection = XInternAtom(d, "_NET_SYSTEM_TRAY_S0", False);
    XSetSelectionOwner(d, selection, window_, CurrentTime);
    XEvent manager{};
    manager.xclient.type = ClientMessage;
    manager.xclient.window = root;
    manager.xclient.message_type = XInternAtom(d, "MANAGER", False);
    manager.xclient.format = 32;
    manager.xclient.data.l[0] = CurrentTime;
    manager.xclient.data.l[1] = static_cast<long>(selection);
    manager.xclient.data.l[2] = static_cast<long>(window_);
    XSendEvent(d, root, False, StructureNotifyMask, &manager);
    XSync(d, False);
  }
  ~ArgbTrayManager() {
    XDestroyWindow(display_, window_);
    XCloseDisplay(display_);
  }

  // The window of the first dock request that arrived, or 0.
  unsigned long DockRequest() {
    while (XPending(display_)) {
      XEvent e;
      XNextEvent(display_, &e);
      if (e.type == ClientMessage && e.xclient.data.l[1] == 0) requested_ = static_cast<unsigned long>(e.xclient.data.l[2]);
    }
    return requested_;
  }
  int DepthOf(unsigned long window) {
    XWindowAttributes attrs;
    return XGetWindowAttributes(display_, window, &attrs) ? attrs.depth : 0;
  }

 private:
  Display* display_;
  ::Window window_ = 0;
  unsigned long requested_ = 0;
};

TEST_F(TrayTest, ATrayThatOffersAnArgbVisualGetsAnArgbIconWindowThatAsksToBeMapped) {
  NOTIFYICONDATAW d = Data();
  ASSERT_TRUE(Shell_NotifyIconW(NIM_ADD, &d));
  ArgbTrayManager manager;  // appears after the icon: the MANAGER message brings them together
  ASSERT_TRUE(Pump([&] { return manager.DockRequest() != 0; }));
  const unsigned long window = manager.DockRequest();
  EXPECT_EQ(window, IconWindow());
  EXPECT_EQ(manager.DepthOf(window), 32);
  EXPECT_EQ(User().Cardinals(window, "_XEMBED_INFO"), (std::vector<long>{0, 1}));
  std::vector<long> hints = User().Cardinals(window, "WM_NORMAL_HINTS");
  ASSERT_GE(hints.size(), 7u);
  EXPECT_EQ(hints[5], 16);  // minimum width
  EXPECT_EQ(hints[6], 16);  // minimum height
}

}  // namespace
}  // namespace varnika::xtest
