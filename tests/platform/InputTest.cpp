// Hit testing and the routing of mouse and keyboard input.
#include <stdexcept>

#include "tests/platform/PlatformFixture.h"

namespace varnika::test {
namespace {

using Strings = std::vector<std::string>;
const std::vector<UINT> kMouse = {WM_MOUSEMOVE, WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDBLCLK, WM_MOUSEHOVER,
                                  WM_MOUSELEAVE};

class InputTest : public PlatformTest {
 protected:
  std::string At(int x, int y) { return NameOf(WindowFromPoint(POINT{x, y})); }
  void TrackOnMove(const std::string& name) {
    On(name, WM_MOUSEMOVE, [](HWND h, WPARAM, LPARAM) {
      TRACKMOUSEEVENT t;
      t.dwFlags = TME_HOVER | TME_LEAVE;
      t.hwndTrack = h;
      t.dwHoverTime = HOVER_DEFAULT;
      TRACKMOUSEEVENT q;
      q.dwFlags = TME_QUERY;
      TrackMouseEvent(&q);
      if (q.hwndTrack != h) TrackMouseEvent(&t);
      return LRESULT{0};
    });
  }
};

TEST_F(InputTest, HitTestingFollowsZOrderClipsToParentsAndSkipsHiddenAndDisabled) {
  HWND top = Top("top", Rect(0, 0, 200, 200));
  HWND a = Child("a", top, Rect(10, 10, 100, 100));
  HWND b = Child("b", top, Rect(50, 50, 100, 100));
  Child("inner", a, Rect(80, 80, 50, 50));  // reaches beyond a, which clips it
  EXPECT_EQ(At(60, 60), "a");
  EXPECT_EQ(At(95, 95), "inner");
  EXPECT_EQ(At(120, 120), "b");
  EXPECT_EQ(At(190, 5), "top");
  EXPECT_EQ(At(300, 5), "?");
  SetWindowPos(b, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
  EXPECT_EQ(At(60, 60), "b");
  EnableWindow(b, FALSE);
  EXPECT_EQ(At(60, 60), "a");
  ShowWindow(a, SW_HIDE);
  EXPECT_EQ(At(60, 60), "top");
}

TEST_F(InputTest, TransparentAnswersLetThePointThroughToWhatLiesBelow) {
  HWND top = Top("top", Rect(0, 0, 200, 200));
  Child("below", top, Rect(0, 0, 100, 100));
  HWND glass = Child("glass", top, Rect(0, 0, 100, 100));
  SetWindowPos(glass, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
  On("glass", WM_NCHITTEST, [](HWND, WPARAM, LPARAM) { return HTTRANSPARENT; });
  EXPECT_EQ(At(10, 10), "below");
  HWND label = Child("label", top, Rect(150, 0, 50, 50), WS_CHILD | WS_VISIBLE, u"STATIC");
  EXPECT_EQ(At(160, 10), "top");
  SetWindowLongW(label, GWL_STYLE, static_cast<LONG>(WS_CHILD | WS_VISIBLE | SS_NOTIFY));
  EXPECT_EQ(At(160, 10), "label");
  Top("over", Rect(0, 0, 300, 300), WS_EX_TRANSPARENT);
  EXPECT_EQ(At(160, 10), "label");
}

// A hit-test handler may destroy anything, its own ancestors included: the
// search goes on with what is left (here the window beneath).
TEST_F(InputTest, AHitTestHandlerThatDestroysAnAncestorEndsTheSearchThere) {
  Top("beneath", Rect(0, 0, 200, 200));
  HWND top = Top("top", Rect(0, 0, 200, 200));
  HWND mid = Child("mid", top, Rect(0, 0, 100, 100));
  Child("leaf", mid, Rect(0, 0, 50, 50));
  On("leaf", WM_NCHITTEST, [top](HWND, WPARAM, LPARAM) {
    DestroyWindow(top);
    return HTTRANSPARENT;
  });
  EXPECT_EQ(At(10, 10), "beneath");
  EXPECT_FALSE(IsWindow(top));
  display->MovePointer(10, 10);
  Pump();
  EXPECT_EQ(Log({WM_MOUSEMOVE}), (Strings{"beneath WM_MOUSEMOVE"}));
}

TEST_F(InputTest, CaptureKeepsADragThatLeavesTheWindow) {
  HWND w = Top("w", Rect(0, 0, 100, 100));
  Top("other", Rect(200, 0, 100, 100));
  On("w", WM_LBUTTONDOWN, [](HWND h, WPARAM, LPARAM) {
    SetCapture(h);
    return LRESULT{0};
  });
  On("w", WM_LBUTTONUP, [](HWND, WPARAM, LPARAM) {
    ReleaseCapture();
    return LRESULT{0};
  });
  display->MovePointer(10, 10);
  display->PressButton();
  display->MovePointer(250, 50);
  display->MovePointer(-40, 500);
  Pump();
  EXPECT_EQ(display->Grab(), w);
  display->ReleaseButton();
  Pump();
  EXPECT_EQ(Log(kMouse), (Strings{"w WM_MOUSEMOVE", "w WM_LBUTTONDOWN", "w WM_MOUSEMOVE", "w WM_MOUSEMOVE",
                                  "w WM_LBUTTONUP"}));
  auto moves = Records(WM_MOUSEMOVE);
  EXPECT_EQ(PointOf(moves[1].lparam), (POINT{250, 50}));
  EXPECT_EQ(PointOf(moves[2].lparam), (POINT{-40, 500}));
  EXPECT_EQ(moves[1].wparam, MK_LBUTTON);
  EXPECT_EQ(Records(WM_LBUTTONUP)[0].wparam, 0u);
  EXPECT_EQ(Log({WM_CAPTURECHANGED}), (Strings{"w WM_CAPTURECHANGED"}));
  EXPECT_EQ(GetCapture(), nullptr);
  EXPECT_EQ(display->Grab(), nullptr);
  EXPECT_EQ(Log({WM_SETCURSOR}).size(), 2u) << "no WM_SETCURSOR while captured";
}

TEST_F(InputTest, HoverFiresAfterTheDefaultDelayAndLeaveWhenThePointerGoes) {
  Top("p", Rect(0, 0, 200, 200));
  HWND c = Child("c", GetTopWindow(nullptr), Rect(50, 50, 50, 50));
  TrackOnMove("c");
  display->MovePointer(60, 60);
  Pump();
  display->AdvanceClock(300);
  display->MovePointer(61, 62);  // within the hover rectangle: the delay keeps running
  Pump();
  display->AdvanceClock(99);
  Pump();
  EXPECT_TRUE(Records(WM_MOUSEHOVER).empty());
  display->AdvanceClock(1);
  Pump();
  ASSERT_EQ(Records(WM_MOUSEHOVER).size(), 1u);
  EXPECT_EQ(PointOf(Records(WM_MOUSEHOVER)[0].lparam), (POINT{11, 12}));
  ClearLog();
  display->MovePointer(150, 150);
  Pump();
  // WM_SETCURSOR is sent while the move is routed; the leave is queued before the move.
  EXPECT_EQ(Log({WM_MOUSELEAVE, WM_SETCURSOR, WM_MOUSEMOVE}),
            (Strings{"p WM_SETCURSOR", "c WM_MOUSELEAVE", "p WM_MOUSEMOVE"}));
  EXPECT_EQ(GetCapture(), nullptr);
  (void)c;
}

TEST_F(InputTest, HoverRestartsWhenThePointerWandersAndLeaveGoesToTheParentOnEnteringAChild) {
  Top("p", Rect(0, 0, 200, 200));
  Child("c", GetTopWindow(nullptr), Rect(50, 50, 50, 50));
  TrackOnMove("p");
  TrackOnMove("c");
  display->MovePointer(10, 10);
  Pump();
  display->AdvanceClock(300);
  display->MovePointer(20, 10);
  Pump();
  display->AdvanceClock(300);
  Pump();
  EXPECT_TRUE(Records(WM_MOUSEHOVER).empty());
  display->AdvanceClock(100);
  Pump();
  EXPECT_EQ(Log({WM_MOUSEHOVER}), (Strings{"p WM_MOUSEHOVER"}));
  ClearLog();
  display->MovePointer(60, 60);
  Pump();
  EXPECT_EQ(Log(kMouse), (Strings{"p WM_MOUSELEAVE", "c WM_MOUSEMOVE"}));
}

TEST_F(InputTest, DoubleClicksOnlyForClassesThatAskAndWithinTheTime) {
  Top("fast", Rect(0, 0, 100, 100));
  Top("plain", Rect(200, 0, 100, 100), 0, WS_POPUP | WS_VISIBLE, kPlainClass);
  display->MovePointer(10, 10);
  for (int i = 0; i < 3; ++i) {
    display->Click();
    display->AdvanceClock(100);
  }
  display->AdvanceClock(600);
  display->Click();
  display->MovePointer(210, 10);
  display->Click();
  display->Click();
  Pump();
  EXPECT_EQ(Log({WM_LBUTTONDOWN, WM_LBUTTONDBLCLK}),
            (Strings{"fast WM_LBUTTONDOWN", "fast WM_LBUTTONDBLCLK", "fast WM_LBUTTONDOWN", "fast WM_LBUTTONDOWN",
                     "plain WM_LBUTTONDOWN", "plain WM_LBUTTONDOWN"}));
}

TEST_F(InputTest, ClickInAnInactiveWindowActivatesItUnlessItDeclines) {
  HWND a = Top("a", Rect(0, 0, 100, 100));
  HWND b = Top("b", Rect(200, 0, 100, 100));
  ASSERT_EQ(GetActiveWindow(), b);
  ClearLog();
  display->MovePointer(10, 10);
  display->PressButton();
  Pump();
  EXPECT_EQ(Log({WM_MOUSEACTIVATE, WM_ACTIVATE, WM_LBUTTONDOWN}),
            (Strings{"a WM_MOUSEACTIVATE", "b WM_ACTIVATE", "a WM_ACTIVATE", "a WM_LBUTTONDOWN"}));
  auto activates = Records(WM_ACTIVATE);
  EXPECT_EQ(LoWord(activates[0].wparam), WA_INACTIVE);
  EXPECT_EQ(activates[0].lparam, reinterpret_cast<LPARAM>(a));
  EXPECT_EQ(LoWord(activates[1].wparam), WA_CLICKACTIVE);
  EXPECT_EQ(activates[1].lparam, reinterpret_cast<LPARAM>(b));
  EXPECT_EQ(display->ActivationRequest(), a);
  display->ReleaseButton();
  Pump();
  On("b", WM_MOUSEACTIVATE, [](HWND, WPARAM, LPARAM) { return MA_NOACTIVATEANDEAT; });
  ClearLog();
  display->MovePointer(210, 10);
  display->Click();
  Pump();
  EXPECT_EQ(Log({WM_MOUSEACTIVATE, WM_ACTIVATE, WM_LBUTTONDOWN, WM_LBUTTONUP}),
            (Strings{"b WM_MOUSEACTIVATE", "b WM_LBUTTONUP"}));
  EXPECT_EQ(GetActiveWindow(), a);
}

TEST_F(InputTest, SetCursorAsksTheParentFirstThenUsesTheClassCursor) {
  HWND p = Top("p", Rect(0, 0, 200, 200));
  Child("c", p, Rect(0, 0, 50, 50));
  display->MovePointer(10, 10);
  Pump();
  EXPECT_EQ(Log({WM_SETCURSOR}), (Strings{"c WM_SETCURSOR", "p WM_SETCURSOR"}));
  EXPECT_EQ(display->Cursor(), CursorShape::Arrow);
  On("c", WM_SETCURSOR, [](HWND, WPARAM, LPARAM l) {
    if (LoWord(static_cast<std::uintptr_t>(l)) != HTCLIENT) return LRESULT{FALSE};
    SetCursor(LoadCursorW(nullptr, IDC_HAND));
    return LRESULT{TRUE};
  });
  display->MovePointer(12, 10);
  Pump();
  EXPECT_EQ(display->Cursor(), CursorShape::Hand);
  EXPECT_EQ(LoadCursorW(nullptr, MakeIntResourceW(1)), nullptr);
}

TEST_F(InputTest, WheelGoesToTheFocusWindowAndBubblesToItsParents) {
  HWND p = Top("p", Rect(0, 0, 200, 200));
  HWND c = Child("c", p, Rect(0, 0, 50, 50));
  SetFocus(c);
  display->MovePointer(150, 160);  // the wheel ignores the pointer's window
  display->PressKey(VK_SHIFT);
  display->TurnWheel(-1);
  Pump();
  EXPECT_EQ(Log({WM_MOUSEWHEEL}), (Strings{"c WM_MOUSEWHEEL", "p WM_MOUSEWHEEL"}));
  Record wheel = Records(WM_MOUSEWHEEL)[0];
  EXPECT_EQ(SignedHiWord(wheel.wparam), -120);
  EXPECT_EQ(LoWord(wheel.wparam), MK_SHIFT);
  EXPECT_EQ(PointOf(wheel.lparam), (POINT{150, 160}));
  On("c", WM_MOUSEWHEEL, [](HWND, WPARAM, LPARAM) { return LRESULT{0}; });
  ClearLog();
  display->TurnWheel(2);
  SetFocus(nullptr);
  Pump();
  EXPECT_EQ(Log({WM_MOUSEWHEEL}), (Strings{"p WM_MOUSEWHEEL"})) << "without focus: the active window";
}

TEST_F(InputTest, KeysReachTheFocusWindowWithWin32LParamBitsAndCharacters) {
  HWND p = Top("p", Rect(0, 0, 200, 200));
  HWND c = Child("c", p, Rect(0, 0, 50, 50));
  SetFocus(c);
  SHORT shift_during_a = 0;
  On("c", WM_KEYDOWN, [&](HWND, WPARAM w, LPARAM) {
    if (w == 'A') shift_during_a = GetKeyState(VK_SHIFT);
    return LRESULT{0};
  });
  display->PressKey(VK_SHIFT);
  display->PressKey('A', u"A");
  display->PressKey('A', u"A");
  display->ReleaseKey('A');
  display->ReleaseKey(VK_SHIFT);
  Pump();
  EXPECT_EQ(Log({WM_KEYDOWN, WM_KEYUP, WM_CHAR}),
            (Strings{"c WM_KEYDOWN", "c WM_KEYDOWN", "c WM_CHAR", "c WM_KEYDOWN", "c WM_CHAR", "c WM_KEYUP",
                     "c WM_KEYUP"}));
  EXPECT_LT(shift_during_a, 0);
  EXPECT_GE(GetKeyState(VK_SHIFT), 0);
  auto downs = Records(WM_KEYDOWN);
  EXPECT_EQ(downs[1].lparam, 1);
  EXPECT_EQ(downs[2].lparam, 1 | KF_REPEAT_BIT);
  EXPECT_EQ(Records(WM_KEYUP)[0].lparam, 1 | KF_REPEAT_BIT | KF_UP_BIT);
  EXPECT_EQ(Records(WM_CHAR)[0].wparam, u'A');
  ClearLog();
  display->PressKey(VK_MENU);
  display->TypeKey('X', u"x");
  display->ReleaseKey(VK_MENU);
  Pump();
  EXPECT_EQ(Log({WM_KEYDOWN, WM_SYSKEYDOWN, WM_SYSCHAR, WM_SYSKEYUP}),
            (Strings{"c WM_SYSKEYDOWN", "c WM_SYSKEYDOWN", "c WM_SYSCHAR", "c WM_SYSKEYUP", "c WM_SYSKEYUP"}));
  EXPECT_TRUE(Records(WM_SYSKEYDOWN)[1].lparam & KF_ALTDOWN_BIT);
}

TEST_F(InputTest, AltF4ClosesTheActiveTopLevelWindowFromAFocusedChild) {
  HWND keep = Top("keep", Rect(300, 0, 50, 50));
  HWND w = Top("w", Rect(0, 0, 100, 100));
  SetFocus(Child("c", w, Rect(0, 0, 10, 10)));
  display->PressKey(VK_MENU);
  display->PressKey(VK_F4);
  Pump();
  EXPECT_EQ(Log({WM_SYSCOMMAND, WM_CLOSE}), (Strings{"w WM_SYSCOMMAND", "w WM_CLOSE"}));
  EXPECT_FALSE(IsWindow(w));
  EXPECT_TRUE(IsWindow(keep));
  EXPECT_EQ(Records(WM_SYSCOMMAND)[0].wparam, SC_CLOSE);
  display->ReleaseKey(VK_F4);
  display->PressKey(VK_F4);  // Alt is still held, but no window is active now
  Pump();
  EXPECT_TRUE(IsWindow(keep));
}

TEST_F(InputTest, AltF4ClosesTheActiveWindowAlsoWithoutAFocusWindow) {
  HWND w = Top("w", Rect(0, 0, 100, 100));
  SetActiveWindow(w);
  SetFocus(nullptr);  // as a window that keeps no focus on activation
  ASSERT_EQ(GetFocus(), nullptr);
  display->PressKey(VK_MENU);
  display->PressKey(VK_F4);
  Pump();
  EXPECT_EQ(Log({WM_SYSKEYDOWN, WM_CLOSE}), (Strings{"w WM_SYSKEYDOWN", "w WM_SYSKEYDOWN", "w WM_CLOSE"}));
  EXPECT_FALSE(Records(WM_SYSKEYDOWN)[1].lparam & KF_ALTDOWN_BIT);
  EXPECT_FALSE(IsWindow(w));
}

TEST_F(InputTest, MoveLoopFollowsThePointerThroughWindowPosChanging) {
  HWND w = Top("w", Rect(100, 100, 50, 50));
  On("w", WM_LBUTTONDOWN, [](HWND h, WPARAM, LPARAM) {
    PostMessageW(h, WM_USER, 0, 0);
    ReleaseCapture();
    SendMessageW(h, WM_SYSCOMMAND, SC_MOVE | HTCAPTION, 0);
    return LRESULT{0};
  });
  On("w", WM_WINDOWPOSCHANGING, [](HWND, WPARAM, LPARAM l) {
    auto* wp = reinterpret_cast<WINDOWPOS*>(l);
    if (!(wp->flags & SWP_NOMOVE) && wp->x < 8) wp->x = 0;
    return LRESULT{0};
  });
  display->MovePointer(110, 110);
  display->PressButton();
  display->MovePointer(120, 130);
  display->MovePointer(15, 130);
  display->ReleaseButton();
  display->MovePointer(16, 131);
  Pump();
  RECT r;
  GetWindowRect(w, &r);
  EXPECT_EQ(r, Rect(0, 120, 50, 50));
  EXPECT_EQ(Log({WM_ENTERSIZEMOVE, WM_USER, WM_MOVING, WM_LBUTTONUP, WM_EXITSIZEMOVE, WM_MOUSEMOVE}),
            (Strings{"w WM_MOUSEMOVE", "w WM_ENTERSIZEMOVE", "w 0x1024", "w WM_MOVING", "w WM_MOVING", "w WM_MOVING",
                     "w WM_EXITSIZEMOVE", "w WM_MOUSEMOVE"}));
  EXPECT_EQ(GetCapture(), nullptr);
}

TEST_F(InputTest, AHandlerThatThrowsInTheMoveLoopLeavesNoCaptureBehind) {
  Top("w", Rect(100, 100, 50, 50));
  On("w", WM_LBUTTONDOWN, [](HWND h, WPARAM, LPARAM) {
    PostMessageW(h, WM_USER, 0, 0);
    SendMessageW(h, WM_SYSCOMMAND, SC_MOVE | HTCAPTION, 0);
    return LRESULT{0};
  });
  On("w", WM_USER, [](HWND, WPARAM, LPARAM) -> LRESULT { throw std::runtime_error("handler"); });
  display->MovePointer(110, 110);
  display->PressButton();
  EXPECT_THROW(Pump(), std::runtime_error);
  EXPECT_EQ(GetCapture(), nullptr);
  display->ReleaseButton();
}

TEST_F(InputTest, EscapeEndsTheMoveLoopWhereItStarted) {
  HWND w = Top("w", Rect(100, 100, 50, 50));
  On("w", WM_LBUTTONDOWN, [](HWND h, WPARAM, LPARAM) {
    SendMessageW(h, WM_SYSCOMMAND, SC_MOVE | HTCAPTION, 0);
    return LRESULT{0};
  });
  display->MovePointer(110, 110);
  display->PressButton();
  display->MovePointer(300, 300);
  display->TypeKey(VK_ESCAPE);
  display->ReleaseButton();
  Pump();
  RECT r;
  GetWindowRect(w, &r);
  EXPECT_EQ(r, Rect(100, 100, 50, 50));
  EXPECT_EQ(Log({WM_MOVING, WM_LBUTTONUP, WM_EXITSIZEMOVE}),
            (Strings{"w WM_MOVING", "w WM_MOVING", "w WM_EXITSIZEMOVE"}));
}

TEST_F(InputTest, RightButtonUpAsksForAContextMenuAtTheScreenPoint) {
  HWND p = Top("p", Rect(100, 100, 200, 200));
  Child("c", p, Rect(10, 10, 50, 50));
  display->MovePointer(120, 130);
  display->Click(MouseButton::Right);
  Pump();
  EXPECT_EQ(Log({WM_RBUTTONDOWN, WM_RBUTTONUP, WM_CONTEXTMENU}),
            (Strings{"c WM_RBUTTONDOWN", "c WM_RBUTTONUP", "c WM_CONTEXTMENU", "p WM_CONTEXTMENU"}));
  EXPECT_EQ(PointOf(Records(WM_CONTEXTMENU)[0].lparam), (POINT{120, 130}));
}

TEST_F(InputTest, FocusAndActivationMessagesNameTheOtherWindow) {
  HWND a = Top("a", Rect(0, 0, 50, 50));
  HWND b = Top("b", Rect(100, 0, 50, 50));
  HWND c = Child("c", a, Rect(0, 0, 10, 10));
  ClearLog();
  EXPECT_EQ(SetFocus(c), b);
  EXPECT_EQ(GetActiveWindow(), a);
  EXPECT_EQ(Log({WM_ACTIVATE, WM_SETFOCUS, WM_KILLFOCUS}),
            (Strings{"b WM_ACTIVATE", "b WM_KILLFOCUS", "a WM_ACTIVATE", "a WM_SETFOCUS", "a WM_KILLFOCUS",
                     "c WM_SETFOCUS"}));
  EXPECT_EQ(Records(WM_SETFOCUS)[1].wparam, reinterpret_cast<WPARAM>(a));
  ClearLog();
  display->UserDeactivate(a);
  Pump();
  EXPECT_EQ(Log({WM_ACTIVATE, WM_KILLFOCUS}), (Strings{"a WM_ACTIVATE", "c WM_KILLFOCUS"}));
  EXPECT_EQ(GetActiveWindow(), nullptr);
  EXPECT_EQ(GetFocus(), nullptr);
}

}  // namespace
}  // namespace varnika::test
