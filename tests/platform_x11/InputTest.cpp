// Real input (XTest) reaching the right windows as the right messages.
#include <chrono>
#include <thread>

#include "tests/platform_x11/X11Harness.h"

namespace varnika::xtest {
namespace {

constexpr RECT kPlace{300, 200, 500, 350};  // 200 x 150
constexpr RECT kLeftChild{10, 10, 90, 60};
constexpr RECT kRightChild{100, 10, 190, 60};
constexpr unsigned kHandCursor = 60;   // XC_hand2
constexpr unsigned kArrowCursor = 68;  // XC_left_ptr

POINT ClientOf(LPARAM lparam) {
  return POINT{SignedLoWord(static_cast<std::uintptr_t>(lparam)), SignedHiWord(static_cast<std::uintptr_t>(lparam))};
}

class InputTest : public X11Test {
 protected:
  void SetUp() override {
    X11Test::SetUp();
    top_ = MakeTopLevel(kPlace);
    left_ = MakeChild(top_, kLeftChild);
    right_ = MakeChild(top_, kRightChild);
    Present(top_, Frame(200, 150, 0xFF303030u));
    Settle();
    // Shown with activation: the window holds the X focus once mapped.
    ASSERT_TRUE(Pump([&] { return GetActiveWindow() == top_; }));
    Forget();
  }

  // Screen point at client point (x, y) of the top-level window.
  static POINT At(int x, int y) { return POINT{kPlace.left + x, kPlace.top + y}; }
  void MoveTo(POINT p) { User().MovePointer(p.x, p.y); }

  HWND top_ = nullptr;
  HWND left_ = nullptr;
  HWND right_ = nullptr;
};

TEST_F(InputTest, ClicksReachTheChildUnderThePointerInItsClientCoordinates) {
  MoveTo(At(120, 30));
  User().Click(1);
  ASSERT_TRUE(AwaitMessage(right_, WM_LBUTTONUP));
  std::vector<Seen> down = Received(nullptr, WM_LBUTTONDOWN);
  ASSERT_EQ(down.size(), 1u);
  EXPECT_EQ(down[0].wnd, right_);
  EXPECT_EQ(ClientOf(down[0].lparam), (POINT{20, 20}));
  EXPECT_TRUE(down[0].wparam & MK_LBUTTON);

  MoveTo(At(15, 15));
  User().Click(3);
  ASSERT_TRUE(AwaitMessage(left_, WM_RBUTTONUP));
  EXPECT_TRUE(Got(left_, WM_RBUTTONDOWN));
  EXPECT_FALSE(Got(right_, WM_RBUTTONDOWN));
}

TEST_F(InputTest, WheelNotchesArriveAsOneHundredTwentyUnitsAtTheFocusWindow) {
  SetFocus(left_);
  MoveTo(At(150, 100));
  User().Click(4);
  User().Click(5);
  User().Click(5);
  ASSERT_TRUE(Pump([&] { return Received(left_, WM_MOUSEWHEEL).size() == 3; }));
  std::vector<Seen> wheel = Received(left_, WM_MOUSEWHEEL);
  EXPECT_EQ(SignedHiWord(wheel[0].wparam), 120);
  EXPECT_EQ(SignedHiWord(wheel[1].wparam), -120);
  EXPECT_EQ(SignedHiWord(wheel[2].wparam), -120);
  // The wheel is no button: nothing was pressed.
  EXPECT_FALSE(Got(nullptr, WM_LBUTTONDOWN));
  EXPECT_FALSE(Got(nullptr, WM_MBUTTONDOWN));
}

TEST_F(InputTest, ACapturedDragKeepsReportingAfterThePointerLeavesTheWindow) {
  SetPropW(left_, u"capture", reinterpret_cast<HANDLE>(1));
  MoveTo(At(20, 20));
  User().Press(1);
  ASSERT_TRUE(AwaitMessage(left_, WM_LBUTTONDOWN));
  MoveTo(POINT{700, 600});
  ASSERT_TRUE(Pump([&] {
    for (const Seen& s : Received(left_, WM_MOUSEMOVE)) {
      if (ClientOf(s.lparam) == POINT{700 - 310, 600 - 210}) return true;
    }
    return false;
  })) << "moves outside the window must still reach the capturing child";
  User().Release(1);
  ASSERT_TRUE(AwaitMessage(left_, WM_LBUTTONUP));
  EXPECT_EQ(ClientOf(Received(left_, WM_LBUTTONUP).back().lparam), (POINT{390, 390}));
  EXPECT_EQ(GetCapture(), nullptr);
}

TEST_F(InputTest, KeysReachTheFocusWindowAndTypeCharacters) {
  SetFocus(right_);
  MoveTo(At(150, 100));
  User().Tap("Page_Down");
  ASSERT_TRUE(AwaitMessage(right_, WM_KEYUP));
  std::vector<Seen> down = Received(right_, WM_KEYDOWN);
  ASSERT_EQ(down.size(), 1u);
  EXPECT_EQ(down[0].wparam, WPARAM{VK_NEXT});
  EXPECT_TRUE(down[0].lparam & (LPARAM{1} << 24)) << "Page Down is an extended key";
  EXPECT_FALSE(down[0].lparam & (LPARAM{1} << 30)) << "a first press is no repeat";

  User().Tap("a");
  ASSERT_TRUE(AwaitMessage(right_, WM_CHAR));
  EXPECT_EQ(Received(right_, WM_CHAR)[0].wparam, WPARAM{u'a'});
  Forget();
  User().KeyDown("Shift_L");
  User().Tap("b");
  User().KeyUp("Shift_L");
  ASSERT_TRUE(AwaitMessage(right_, WM_CHAR));
  EXPECT_EQ(Received(right_, WM_CHAR)[0].wparam, WPARAM{u'B'});
  std::vector<Seen> shift = Received(right_, WM_KEYDOWN);
  ASSERT_FALSE(shift.empty());
  EXPECT_EQ(shift[0].wparam, WPARAM{VK_SHIFT});
  EXPECT_FALSE(shift[0].lparam & (LPARAM{1} << 30)) << "the modifier's own press is no repeat either";
  EXPECT_FALSE(Got(left_, WM_KEYDOWN));
}

TEST_F(InputTest, AltF4ClosesTheActiveWindow) {
  MoveTo(At(150, 100));
  User().KeyDown("Alt_L");
  User().Tap("F4");
  User().KeyUp("Alt_L");
  ASSERT_TRUE(AwaitMessage(top_, WM_CLOSE));
  EXPECT_FALSE(IsWindow(top_));
}

TEST_F(InputTest, TheHandCursorShowsOverAChildThatAsksForIt) {
  Desktop::CursorImage hand = User().FontCursorImage(kHandCursor, 900, 700);
  Desktop::CursorImage arrow = User().FontCursorImage(kArrowCursor, 900, 700);
  ASSERT_FALSE(hand == arrow);
  SetPropW(right_, u"hand", reinterpret_cast<HANDLE>(1));

  MoveTo(At(150, 30));
  EXPECT_TRUE(Pump([&] { return User().Cursor() == hand; })) << "over the child that asks for the hand";
  MoveTo(At(150, 100));
  EXPECT_TRUE(Pump([&] { return User().Cursor() == arrow; })) << "over the parent, which keeps the arrow";
  MoveTo(At(30, 30));
  EXPECT_TRUE(Pump([&] { return User().Cursor() == arrow; })) << "over the other child";
}

TEST_F(InputTest, WithPointerRootFocusTheWindowUnderThePointerIsActiveAndGetsKeys) {
  // As after a window manager quits: the keys follow the pointer.
  MoveTo(POINT{5, 5});
  User().FocusRoot();
  ASSERT_TRUE(Pump([&] { return GetActiveWindow() == nullptr; }));
  MoveTo(At(150, 100));
  ASSERT_TRUE(Pump([&] { return GetActiveWindow() == top_; }));
  User().Tap("Escape");
  ASSERT_TRUE(AwaitMessage(top_, WM_KEYUP));
  EXPECT_EQ(Received(top_, WM_KEYDOWN).at(0).wparam, WPARAM{VK_ESCAPE});
  MoveTo(POINT{5, 5});
  EXPECT_TRUE(Pump([&] { return GetActiveWindow() == nullptr; }));
}

// Two layered windows at the same place: the upper one has cut corners.
class StackedInputTest : public X11Test, public ::testing::WithParamInterface<bool> {
 protected:
  HWND Lower() {
    HWND lower = MakeTopLevel(kPlace);
    Present(lower, Frame(200, 150, 0xFF2020A0u));
    return lower;
  }
  Frame UpperFrame() {
    Frame f(200, 150, 0xFFA02020u);
    f.Fill(0, 0, 20, 20, 0);
    return f;
  }
};

TEST_P(StackedInputTest, APressOnAFullyTransparentPixelGoesToTheWindowBeneath) {
  std::unique_ptr<Compositor> compositor;
  if (GetParam()) {
    compositor = std::make_unique<Compositor>();
    ASSERT_TRUE(Pump([&] { return Backend().Compositing(); }));
  }
  HWND lower = Lower();
  HWND upper = MakeTopLevel(kPlace);
  Present(upper, UpperFrame());
  Settle();
  Forget();
  User().MovePointer(kPlace.left + 5, kPlace.top + 5);
  User().Click(1);
  ASSERT_TRUE(AwaitMessage(lower, WM_LBUTTONUP));
  EXPECT_FALSE(Got(upper, WM_LBUTTONDOWN));

  User().MovePointer(kPlace.left + 50, kPlace.top + 50);
  User().Click(1);
  ASSERT_TRUE(AwaitMessage(upper, WM_LBUTTONUP));
}

TEST_P(StackedInputTest, AClickThroughWindowPassesEveryPress) {
  HWND lower = Lower();
  HWND upper = MakeTopLevel(kPlace, WS_EX_LAYERED | WS_EX_TRANSPARENT);
  Present(upper, UpperFrame());
  Settle();
  Forget();
  User().MovePointer(kPlace.left + 50, kPlace.top + 50);
  User().Click(1);
  ASSERT_TRUE(AwaitMessage(lower, WM_LBUTTONUP));
  EXPECT_FALSE(Got(upper, WM_LBUTTONDOWN));
}

INSTANTIATE_TEST_SUITE_P(Compositing, StackedInputTest, ::testing::Values(false, true),
                         [](const ::testing::TestParamInfo<bool>& info) {
                           return info.param ? "WithCompositor" : "WithoutCompositor";
                         });

// Another client moves the window; the program snaps it to the left edge
// in WM_WINDOWPOSCHANGING. The server must end up where the window system
// believes the window is, or clicks land beside their targets.
TEST_F(InputTest, AMoveByAnotherClientIsSnappedAndTheServerFollowsTheSnap) {
  HWND wnd = top_;
  SetPropW(wnd, u"snap", reinterpret_cast<HANDLE>(1));
  User().MoveWindow(XWindow(wnd), 20, 300, 200, 150);
  RECT r{};
  ASSERT_TRUE(Pump([&] {
    GetWindowRect(wnd, &r);
    return r.top == 300;
  }));
  EXPECT_EQ(r.left, 0);
  int x = -1, y = -1, w = 0, h = 0;
  EXPECT_TRUE(Pump([&] {
    User().Geometry(XWindow(wnd), &x, &y, &w, &h);
    return x == 0 && y == 300;
  })) << "the server keeps the window at " << x << "," << y;
  EXPECT_EQ(w, 200);
  EXPECT_EQ(h, 150);
}

// A reparenting window manager takes a window in after it moved itself: the
// report of that move, read once the window sits in a frame that is not yet
// where the window was, still names the window's place on the screen.
TEST_F(InputTest, AWindowTakenIntoAFrameKeepsItsPlaceForClicks) {
  constexpr RECT kOther{600, 400, 700, 480};
  HWND wnd = MakeTopLevel(RECT{0, 0, 100, 80});
  SetWindowPos(wnd, nullptr, kOther.left, kOther.top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  Present(wnd, Frame(100, 80, 0xFF303030u));
  // The frame appears at the screen's corner, takes the window in, and only
  // then moves to where the window was, which tells the window nothing.
  const unsigned long frame = User().Reparent(XWindow(wnd), 0, 0);
  PumpFor(300);
  User().MoveWindow(frame, kOther.left, kOther.top, 100, 80);
  PumpFor(100);
  RECT r{};
  GetWindowRect(wnd, &r);
  EXPECT_EQ(r.left, kOther.left);
  EXPECT_EQ(r.top, kOther.top);
  Forget();
  MoveTo(POINT{kOther.left + 50, kOther.top + 40});
  User().Click(1);
  EXPECT_TRUE(AwaitMessage(wnd, WM_LBUTTONUP, 3000)) << "the click missed the window";
  DestroyWindow(wnd);
  User().DestroyWindow(frame);
}

// A place beyond X's 16-bit coordinates is held at the limit on both sides,
// never cut to a different place on the server.
TEST_F(InputTest, APlaceBeyondSixteenBitsIsHeldAtTheLimitOnTheServerToo) {
  SetWindowPos(top_, nullptr, 70000, 100, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  RECT r;
  GetWindowRect(top_, &r);
  EXPECT_EQ(r.left, 32767);
  int x = 0, y = 0, w = 0, h = 0;
  EXPECT_TRUE(Pump([&] {
    User().Geometry(XWindow(top_), &x, &y, &w, &h);
    return x == r.left && y == r.top;
  })) << "the server has the window at " << x << "," << y;
}

// The modal move loop behind WM_SYSCOMMAND SC_MOVE, on a bare server and
// under openbox.
class MoveLoopTest : public X11Test, public ::testing::WithParamInterface<bool> {};

TEST_P(MoveLoopTest, DraggingTheCaptionMovesTheWindowOnTheScreen) {
  std::unique_ptr<WindowManager> wm;
  if (GetParam()) wm = std::make_unique<WindowManager>();
  HWND wnd = MakeTopLevel(kPlace);
  SetPropW(wnd, u"caption", reinterpret_cast<HANDLE>(1));
  Present(wnd, Frame(200, 150, 0xFF208020u));
  Settle();
  int x = 0, y = 0, w = 0, h = 0;
  ASSERT_TRUE(User().Geometry(XWindow(wnd), &x, &y, &w, &h));
  ASSERT_EQ(x, kPlace.left) << "the window manager must keep the program's position";
  ASSERT_EQ(y, kPlace.top);

  // The move loop is modal: the test's own pump sits inside it while the
  // user drags from another thread.
  Desktop& user = User();
  std::thread drag([&user] {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    user.MovePointer(kPlace.left + 50, kPlace.top + 50);
    user.Press(1);
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    for (int step = 1; step <= 5; ++step) {
      user.MovePointer(kPlace.left + 50 + step * 20, kPlace.top + 50 + step * 12);
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    user.Release(1);
  });
  bool done = AwaitMessage(wnd, WM_EXITSIZEMOVE, 5000);
  drag.join();
  ASSERT_TRUE(done);
  EXPECT_TRUE(Got(wnd, WM_ENTERSIZEMOVE));
  // openbox offers _NET_WM_MOVERESIZE and moves the window itself; without a
  // manager the loop follows the pointer (WM_MOVING).
  EXPECT_EQ(Got(wnd, WM_MOVING), !GetParam());
  // Where the drag ended, the window system and the server agree.
  RECT r;
  GetWindowRect(wnd, &r);
  EXPECT_EQ(r.left, kPlace.left + 100);
  EXPECT_EQ(r.top, kPlace.top + 60);
  ASSERT_TRUE(Pump([&] {
    User().Geometry(XWindow(wnd), &x, &y, &w, &h);
    return x == kPlace.left + 100 && y == kPlace.top + 60;
  })) << "at " << x << "," << y;
  EXPECT_EQ(w, 200);
  EXPECT_EQ(h, 150);
}

INSTANTIATE_TEST_SUITE_P(Managers, MoveLoopTest, ::testing::Values(false, true),
                         [](const ::testing::TestParamInfo<bool>& info) {
                           return info.param ? "Openbox" : "NoWindowManager";
                         });

}  // namespace
}  // namespace varnika::xtest
