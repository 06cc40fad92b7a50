// The window system's popups on a real X server under openbox, without and
// with a compositing manager, driven by real input (XTest): a menu opened
// and chosen from by clicks, closed by a click elsewhere, worked by keys
// while its owner is not active; a tooltip over a hovered tool; a message
// box answered with Enter. Screenshots of each go to the build folder.
#include <chrono>
#include <cstdio>
#include <map>
#include <memory>
#include <thread>

#include "platform/Menu.h"
#include "platform/MessageBox.h"
#include "platform/ToolTip.h"
#include "resources/MenuResource.h"
#include "tests/platform_x11/X11Harness.h"

// After gtest (in the harness header): Xlib's macros would trip it.
#include <X11/Xatom.h>
#include <X11/Xlib.h>

namespace varnika::xtest {
namespace {

constexpr const char16_t* kOwnerClass = u"popupowner";
constexpr RECT kOwnerPlace{320, 240, 795, 590};  // 475 x 350, the widget's size
constexpr std::uint32_t kOwnerColour = 0xFFEEF1F5u;
constexpr std::uint32_t kDesk = 0x50698A;
constexpr std::uint32_t kHighlight = 0x2B67DA;  // the hot menu item
constexpr UINT_PTR kTick = 77;       // keeps the modal loops waking up
constexpr UINT_PTR kOpenLater = 78;  // opens a popup from a timer
constexpr int kGiveUpTicks = 300;    // 15 s of ticks
constexpr const char16_t* kOffer = u"\"Varnika\" için yeni sürüm hazır. İndirmek ister misiniz?";

// What the owner's procedure does; one test at a time.
struct OwnerHooks {
  std::map<UINT, std::function<void(HWND, WPARAM, LPARAM)>> on;
  std::vector<Seen> seen;
  int ticks = 0;
};
OwnerHooks& Hooks() {
  static OwnerHooks hooks;
  return hooks;
}

LRESULT OwnerProc(HWND wnd, UINT msg, WPARAM wparam, LPARAM lparam) {
  OwnerHooks& h = Hooks();
  h.seen.push_back(Seen{wnd, msg, wparam, lparam});
  if (msg == WM_TIMER && wparam == kTick) {
    // A popup that never ends is closed, so a failing test ends too.
    if (++h.ticks == kGiveUpTicks) {
      EndMenu();
      if (HWND box = FindWindowW(u"#32770", nullptr)) PostMessageW(box, WM_CLOSE, 0, 0);
    }
  }
  auto it = h.on.find(msg);
  if (it != h.on.end()) {
    auto hook = it->second;
    hook(wnd, wparam, lparam);
    return 0;
  }
  return DefWindowProcW(wnd, msg, wparam, lparam);
}

// Steps of a script, run while a popup waits for input (WM_ENTERIDLE); a
// step returns false to be tried again at the next wait.
class Script {
 public:
  using Step = std::function<bool(HWND popup)>;
  explicit Script(std::vector<Step> steps) : steps_(std::move(steps)) {}
  void Run(HWND popup) {
    while (next_ < steps_.size() && steps_[next_](popup)) ++next_;
  }
  bool Finished() const { return next_ == steps_.size(); }

 private:
  std::vector<Step> steps_;
  size_t next_ = 0;
};

class PopupsTest : public X11Test, public ::testing::WithParamInterface<bool> {
 protected:
  void SetUp() override {
    X11Test::SetUp();
    Hooks() = OwnerHooks{};
    WNDCLASSW wc;
    wc.lpfnWndProc = OwnerProc;
    wc.lpszClassName = kOwnerClass;
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    ASSERT_NE(RegisterClassW(&wc), 0);
    User().PaintRoot(kDesk);
    wm_ = std::make_unique<WindowManager>();
    if (GetParam()) {
      compositor_ = std::make_unique<Compositor>();
      ASSERT_TRUE(Pump([&] { return Backend().Compositing(); }));
      TileDesk(kDesk);
    }
    owner_ = CreateWindowExW(WS_EX_LAYERED | WS_EX_TOPMOST | WS_EX_TOOLWINDOW, kOwnerClass, u"Varnika", WS_POPUP,
                             kOwnerPlace.left, kOwnerPlace.top, 475, 350, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(owner_, nullptr);
    Present(owner_, OwnerFrame());
    ShowWindow(owner_, SW_SHOW);
    Settle();
    ASSERT_TRUE(Pump([&] { return User().Viewable(XWindow(owner_)); }));
    menu_bar_ = LoadMenuW(nullptr, MakeIntResourceW(kMainMenuResourceId));
    menu_ = GetSubMenu(menu_bar_, 0);
    SetTimer(owner_, kTick, 50, nullptr);
  }

  void TearDown() override {
    DestroyMenu(menu_bar_);
    if (desk_tile_) {
      Display* d = Backend().XDisplay();
      XDeleteProperty(d, DefaultRootWindow(d), XInternAtom(d, "_XROOTPMAP_ID", False));
      XSync(d, False);
    }
    compositor_.reset();
    X11Test::TearDown();  // closes the connection, and the tile with it
    wm_.reset();
    Hooks() = OwnerHooks{};
  }

  // A compositing manager paints the desktop from the root's background
  // pixmap (grey without one), not from its background colour.
  void TileDesk(std::uint32_t rgb) {
    Display* d = Backend().XDisplay();
    const ::Window root = DefaultRootWindow(d);
    desk_tile_ = XCreatePixmap(d, root, 8, 8, static_cast<unsigned>(DefaultDepth(d, DefaultScreen(d))));
    GC gc = XCreateGC(d, desk_tile_, 0, nullptr);
    XSetForeground(d, gc, rgb);
    XFillRectangle(d, desk_tile_, gc, 0, 0, 8, 8);
    XFreeGC(d, gc);
    XChangeProperty(d, root, XInternAtom(d, "_XROOTPMAP_ID", False), XA_PIXMAP, 32, PropModeReplace,
                    reinterpret_cast<unsigned char*>(&desk_tile_), 1);
    XSync(d, False);
  }

  // A light panel with a header band, like the widget's skin.
  static Frame OwnerFrame() {
    Frame f(475, 350, kOwnerColour);
    f.Fill(0, 0, 475, 44, 0xFF3D5A80u);
    return f;
  }

  void RunScriptOnIdle(Script* script) {
    Hooks().on[WM_ENTERIDLE] = [script](HWND, WPARAM, LPARAM popup) { script->Run(reinterpret_cast<HWND>(popup)); };
  }

  // Waits (bounded) until the display has caught up with what this
  // connection asked for.
  void Sync() { XSync(Backend().XDisplay(), False); }

  // Whether the screen shows the window's pixel at `probe` (client
  // coordinates) in `colour` yet: a window shows nothing until it has
  // answered its first Expose, and a compositing manager repaints late.
  bool OnScreen(HWND wnd, POINT probe, std::uint32_t colour) {
    Sync();
    ClientToScreen(wnd, &probe);
    return User().ScreenPixel(probe.x, probe.y) == colour;
  }

  // The screen around a window, to the build folder.
  void Shoot(const std::string& name, HWND wnd, int around) {
    Sync();
    std::this_thread::sleep_for(std::chrono::milliseconds(150));  // the shadow, composited
    RECT r;
    GetWindowRect(wnd, &r);
    std::string file = std::string(VARNIKA_SHOT_DIR) + "/shot-" + name + (GetParam() ? "" : "-crisp") + ".png";
    char geometry[64];
    std::snprintf(geometry, sizeof geometry, "%ldx%ld+%ld+%ld", static_cast<long>(r.right - r.left + 2 * around),
                  static_cast<long>(r.bottom - r.top + 2 * around), static_cast<long>(r.left - around),
                  static_cast<long>(r.top - around));
    Process shot = Process::Start({"import", "-window", "root", "-crop", geometry, "+repage", file},
                                  {"DISPLAY=" + TestDisplayName()});
    EXPECT_EQ(shot.WaitExit(20000), 0) << shot.Errors();
  }

  // Room the message box's shadow takes above and left of its panel.
  int ShadowRoom() const { return GetParam() ? 18 : 0; }
  // A point of the hot third item of the open menu, left of its text.
  POINT MenuProbe() {
    RECT item;
    GetMenuItemRect(nullptr, menu_, 3, &item);
    HWND menu = FindWindowW(u"#32768", nullptr);
    POINT p{item.left + 8, (item.top + item.bottom) / 2};
    ScreenToClient(menu, &p);
    return p;
  }

  static POINT Centre(const RECT& r) { return POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2}; }

  // Whether the owner got WM_COMMAND with that id (0: any).
  bool Commanded(WPARAM id) const {
    for (const Seen& s : Hooks().seen) {
      if (s.msg == WM_COMMAND && (id == 0 || s.wparam == id)) return true;
    }
    return false;
  }

  std::unique_ptr<WindowManager> wm_;
  unsigned long desk_tile_ = 0;
  std::unique_ptr<Compositor> compositor_;
  HWND owner_ = nullptr;
  HMENU menu_bar_ = nullptr;
  HMENU menu_ = nullptr;
};

TEST_P(PopupsTest, ARightClickOpensTheMenuAndALeftClickChoosesAnItem) {
  BOOL tracked = -1;
  Hooks().on[WM_RBUTTONDOWN] = [&](HWND wnd, WPARAM, LPARAM) {
    POINT at;
    GetCursorPos(&at);
    tracked = TrackPopupMenuEx(menu_, TPM_VERTICAL, at.x, at.y, wnd, nullptr);
  };
  HWND seen_menu = nullptr;
  Script script({[&](HWND menu) {
                   seen_menu = menu;
                   Sync();
                   RECT item;
                   EXPECT_TRUE(GetMenuItemRect(nullptr, menu_, 3, &item));
                   User().MovePointer(Centre(item).x, Centre(item).y);
                   return true;
                 },
                 [&](HWND menu) {
                   POINT pointer;
                   GetCursorPos(&pointer);
                   RECT item;
                   GetMenuItemRect(nullptr, menu_, 3, &item);
                   if (!PtInRect(item, pointer)) return false;  // the motion is still on its way
                   if (!OnScreen(menu, MenuProbe(), kHighlight)) return false;
                   Shoot("menu", menu, 28);
                   User().Click(1);
                   return true;
                 }});
  RunScriptOnIdle(&script);
  User().MovePointer(kOwnerPlace.left + 120, kOwnerPlace.top + 110);
  User().Click(3);
  ASSERT_TRUE(Pump([&] { return Commanded(IDM_REFRESH); }, 20000));
  EXPECT_TRUE(script.Finished());
  EXPECT_EQ(tracked, TRUE);
  EXPECT_TRUE(seen_menu != nullptr && !IsWindow(seen_menu));
}

TEST_P(PopupsTest, AClickOutsideTheMenuClosesItWithoutAChoice) {
  BOOL chosen = -1;
  Hooks().on[WM_RBUTTONDOWN] = [&](HWND wnd, WPARAM, LPARAM) {
    POINT at;
    GetCursorPos(&at);
    chosen = TrackPopupMenuEx(menu_, TPM_VERTICAL | TPM_RETURNCMD, at.x, at.y, wnd, nullptr);
  };
  unsigned long menu_window = 0;
  Script script({[&](HWND menu) {
    Sync();
    menu_window = XWindow(menu);
    User().MovePointer(60, 60);  // on the bare desktop
    User().Click(1);
    return true;
  }});
  RunScriptOnIdle(&script);
  User().MovePointer(kOwnerPlace.left + 120, kOwnerPlace.top + 110);
  User().Click(3);
  ASSERT_TRUE(Pump([&] { return chosen != -1; }, 20000));
  EXPECT_EQ(chosen, 0);
  EXPECT_LT(Hooks().ticks, kGiveUpTicks);
  PumpFor(100);
  EXPECT_FALSE(Commanded(0));
}

TEST_P(PopupsTest, KeysWorkInAMenuOpenedWhileItsOwnerIsNotActive) {
  // As from a tray icon: the keyboard focus is elsewhere. Openbox may not
  // yet have acted on the owner's own activation when it was shown, and then
  // hands the focus back to it: take the focus away until it stays away.
  auto last_active = std::chrono::steady_clock::now();
  ASSERT_TRUE(Pump([&] {
    const auto now = std::chrono::steady_clock::now();
    if (GetActiveWindow() != nullptr) {
      User().FocusRoot();
      last_active = now;
    }
    return now - last_active >= std::chrono::milliseconds(200);
  }));
  BOOL chosen = -1;
  Hooks().on[WM_TIMER] = [&](HWND wnd, WPARAM id, LPARAM) {
    if (id != kOpenLater) return;
    KillTimer(wnd, kOpenLater);
    chosen = TrackPopupMenuEx(menu_, TPM_VERTICAL | TPM_RETURNCMD, 900, 700, wnd, nullptr);
  };
  Script script({[&](HWND) {
                   Sync();
                   User().Tap("Down");
                   User().Tap("Down");
                   return true;
                 },
                 [&](HWND) {
                   User().Tap("Return");
                   return true;
                 }});
  RunScriptOnIdle(&script);
  SetTimer(owner_, kOpenLater, 10, nullptr);
  ASSERT_TRUE(Pump([&] { return chosen != -1; }, 20000));
  EXPECT_EQ(chosen, static_cast<BOOL>(IDM_OPTIONS));
}

TEST_P(PopupsTest, AHoveredToolShowsItsTip) {
  HWND tool = MakeChild(owner_, RECT{380, 20, 420, 40});
  HWND tip = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX, 0, 0,
                             0, 0, nullptr, nullptr, nullptr, nullptr);
  ASSERT_NE(tip, nullptr);
  TOOLINFOW info;
  info.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
  info.hwnd = tip;
  info.uId = reinterpret_cast<UINT_PTR>(tool);
  info.lpszText = const_cast<LPWSTR>(u"Seçenekler");
  ASSERT_TRUE(SendMessageW(tip, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&info)));
  Settle();
  User().MovePointer(kOwnerPlace.left + 395, kOwnerPlace.top + 30);
  ASSERT_TRUE(Pump([&] { return IsWindowVisible(tip) && User().Viewable(XWindow(tip)); }));
  RECT r;
  GetWindowRect(tip, &r);
  const int margin = GetParam() ? 8 : 0;  // the shadow's room
  EXPECT_GE(r.left + margin, kOwnerPlace.left + 395);
  EXPECT_GE(r.top, kOwnerPlace.top + 30);
  EXPECT_EQ(PixelSoon(r.left + margin + 3, (r.top + r.bottom) / 2, 0xFFFFFF, 2), 0xFFFFFFu);
  Shoot("tooltip", tip, 24);
  User().MovePointer(kOwnerPlace.left + 200, kOwnerPlace.top + 200);
  EXPECT_TRUE(Pump([&] { return !IsWindowVisible(tip); }));
  DestroyWindow(tip);
}

TEST_P(PopupsTest, EnterAnswersTheMessageBoxShownAsADialogAboveItsOwner) {
  int answer = -1;
  Hooks().on[WM_TIMER] = [&](HWND wnd, WPARAM id, LPARAM) {
    if (id != kOpenLater) return;
    KillTimer(wnd, kOpenLater);
    answer = MessageBoxW(wnd, kOffer, u"Varnika", MB_YESNO | MB_ICONINFORMATION | MB_TOPMOST);
  };
  std::vector<std::string> types;
  std::vector<std::string> states;
  unsigned long transient_for = 0;
  Script script({[&](HWND box) {
                   // Shown, and holding the keyboard focus.
                   Sync();
                   return User().Viewable(XWindow(box)) && GetActiveWindow() == box &&
                          User().FocusWindow() == XWindow(box) &&
                          OnScreen(box, POINT{ShadowRoom() + 8, ShadowRoom() + 8}, 0xFFFFFF);
                 },
                 [&](HWND box) {
                   const unsigned long x = XWindow(box);
                   types = User().AtomList(x, "_NET_WM_WINDOW_TYPE");
                   states = User().AtomList(x, "_NET_WM_STATE");
                   transient_for = User().WindowProperty(x, "WM_TRANSIENT_FOR");
                   Shoot("messagebox", box, 36);
                   User().Tap("Return");
                   return true;
                 }});
  RunScriptOnIdle(&script);
  SetTimer(owner_, kOpenLater, 10, nullptr);
  ASSERT_TRUE(Pump([&] { return answer != -1; }, 20000));
  EXPECT_EQ(answer, IDYES);
  EXPECT_EQ(types, std::vector<std::string>{"_NET_WM_WINDOW_TYPE_DIALOG"});
  EXPECT_NE(std::find(states.begin(), states.end(), "_NET_WM_STATE_ABOVE"), states.end());
  EXPECT_EQ(transient_for, XWindow(owner_));
  EXPECT_TRUE(IsWindowEnabled(owner_));
}

INSTANTIATE_TEST_SUITE_P(Openbox, PopupsTest, ::testing::Values(false, true),
                         [](const ::testing::TestParamInfo<bool>& info) {
                           return info.param ? "WithCompositor" : "WithoutCompositor";
                         });

}  // namespace
}  // namespace varnika::xtest
