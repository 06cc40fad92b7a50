// Mouse and keyboard input through the window system: drag versus move,
// enter/leave/hover tracking, clicks, wheel, keys and cursors.
#include <vector>

#include "platform/Input.h"
#include "tests/toolkit_controls/ControlTestSupport.h"

namespace varnika::testing {
namespace {

struct MouseCall {
  int keys;
  int x;
  int y;
};

// An opaque window at (100, 100), 200 x 100, with one plain control at
// (10, 10), 50 x 30: the control covers screen (110, 110)-(160, 140).
class ControlInputTest : public WindowSystemTest {
 protected:
  void SetUp() override {
    WindowSystemTest::SetUp();
    window_ = Make<SolidWindow>();
    window_->SetLeft(100);
    window_->SetTop(100);
    window_->SetSize(200, 100);
    control_ = Make<TControl>(window_);
    control_->SetLeft(10);
    control_->SetTop(10);
    control_->SetSize(50, 30);
    control_->Handle();
    window_->Show();
    window_->Invalidate();
    Record(control_->OnMouseMove, moves_);
    Record(control_->OnDrag, drags_);
    Record(control_->OnMouseEnter, enters_);
    Record(control_->OnMouseLeave, leaves_);
    Record(control_->OnMouseHover, hovers_);
    Record(control_->OnMouseDown, downs_);
    Record(control_->OnMouseUp, ups_);
    Record(control_->OnClick, clicks_);
    Pump();
  }

  static void Record(TMouseEvent& event, std::vector<MouseCall>& calls) {
    event = [&calls](TControl*, int keys, int x, int y) { calls.push_back({keys, x, y}); };
  }

  void ClearCalls() {
    for (auto* calls : {&moves_, &drags_, &enters_, &leaves_, &hovers_, &downs_, &ups_, &clicks_}) calls->clear();
  }

  SolidWindow* window_ = nullptr;
  TControl* control_ = nullptr;
  std::vector<MouseCall> moves_, drags_, enters_, leaves_, hovers_, downs_, ups_, clicks_;
};

TEST_F(ControlInputTest, DragWithTheLeftButtonAloneIsNoMove) {
  SendMessageW(control_->WindowHandle(), WM_MOUSEMOVE, MK_LBUTTON, MakeLParam(5, -3));
  Pump();
  ASSERT_EQ(drags_.size(), 1u);
  EXPECT_EQ(drags_[0].keys, static_cast<int>(MK_LBUTTON));
  EXPECT_EQ(drags_[0].y, -3);
  EXPECT_TRUE(moves_.empty());
  EXPECT_TRUE(enters_.empty());
  EXPECT_FALSE(control_->MouseInside());

  // Any other key state is a move, and the first one starts tracking.
  SendMessageW(control_->WindowHandle(), WM_MOUSEMOVE, MK_LBUTTON | MK_SHIFT, MakeLParam(6, 7));
  EXPECT_EQ(moves_.size(), 1u);
  EXPECT_TRUE(control_->MouseInside());
  Pump();
  EXPECT_EQ(enters_.size(), 1u);
}

TEST_F(ControlInputTest, EnterHoverLeaveAndEnterAgain) {
  Backend().MovePointer(120, 115);
  Pump();
  ASSERT_EQ(moves_.size(), 1u);
  EXPECT_EQ(moves_[0].x, 10);
  EXPECT_EQ(moves_[0].y, 5);
  ASSERT_EQ(enters_.size(), 1u);
  EXPECT_EQ(enters_[0].keys, 0);
  EXPECT_EQ(enters_[0].x, 0);

  Backend().MovePointer(121, 116);
  Pump();
  EXPECT_EQ(moves_.size(), 2u);
  EXPECT_EQ(enters_.size(), 1u);

  Backend().AdvanceClock(500);
  Pump();
  ASSERT_EQ(hovers_.size(), 1u);
  EXPECT_EQ(hovers_[0].x, 11);

  Backend().MovePointer(250, 150);  // still over the window, off the control
  Pump();
  EXPECT_EQ(leaves_.size(), 1u);
  EXPECT_FALSE(control_->MouseInside());

  Backend().MovePointer(130, 130);
  Pump();
  EXPECT_EQ(enters_.size(), 2u);
}

TEST_F(ControlInputTest, ClickNeedsALoneLeftPressAndAReleaseInside) {
  Backend().MovePointer(120, 120);
  Backend().Click();
  Pump();
  ASSERT_EQ(clicks_.size(), 1u);
  EXPECT_EQ(clicks_[0].keys, static_cast<int>(MK_LBUTTON));
  EXPECT_EQ(clicks_[0].x, 10);
  ASSERT_EQ(downs_.size(), 1u);
  ASSERT_EQ(ups_.size(), 1u);
  EXPECT_EQ(ups_[0].keys, static_cast<int>(MK_LBUTTON));

  // The right button pressed while the left is held disarms the click.
  ClearCalls();
  Backend().AdvanceClock(1000);  // no double click
  Backend().PressButton(MouseButton::Left);
  Backend().PressButton(MouseButton::Right);
  Backend().ReleaseButton(MouseButton::Right);
  Backend().ReleaseButton(MouseButton::Left);
  Pump();
  EXPECT_EQ(downs_.size(), 2u);
  EXPECT_EQ(ups_.size(), 2u);
  EXPECT_EQ(ups_[0].keys, static_cast<int>(MK_LBUTTON | MK_RBUTTON));
  EXPECT_TRUE(clicks_.empty());

  // A press with Shift held disarms too.
  ClearCalls();
  Backend().AdvanceClock(1000);
  Backend().PressKey(VK_SHIFT);
  Backend().Click();
  Backend().ReleaseKey(VK_SHIFT);
  Pump();
  EXPECT_EQ(downs_.size(), 1u);
  EXPECT_TRUE(clicks_.empty());
}

TEST_F(ControlInputTest, ReleaseOutsideAfterPressInsideGivesNoClick) {
  control_->OnMouseDown = [this](TControl* sender, int, int, int) {
    downs_.push_back({});
    SetCapture(sender->WindowHandle());
  };
  Backend().MovePointer(120, 120);
  Backend().PressButton();
  Backend().MovePointer(400, 400);
  Backend().ReleaseButton();
  Pump();
  ReleaseCapture();
  EXPECT_EQ(downs_.size(), 1u);
  ASSERT_EQ(ups_.size(), 1u);
  EXPECT_EQ(ups_[0].x, 290);
  EXPECT_TRUE(clicks_.empty());
  // A fresh press and release inside clicks again.
  Backend().AdvanceClock(1000);
  Backend().MovePointer(120, 120);
  Backend().Click();
  Pump();
  EXPECT_EQ(clicks_.size(), 1u);
}

TEST_F(ControlInputTest, WheelAndKeysReachTheFocusedControl) {
  control_->Show();
  control_->SetFocus();
  ASSERT_EQ(GetFocus(), control_->WindowHandle());

  std::vector<int> wheel;
  control_->OnMouseWheel = [&](TControl*, int keys, int delta, int x, int y) { wheel = {keys, delta, x, y}; };
  Backend().MovePointer(130, 120);
  Backend().TurnWheel(-1);
  Pump();
  EXPECT_EQ(wheel, (std::vector<int>{0, -120, 130, 120}));

  std::vector<WORD> keys;
  TShiftState shift;
  std::vector<int> chars;
  control_->OnKeyDown = [&](TControl*, WORD& key, TShiftState s) {
    keys.push_back(key);
    shift = s;
  };
  control_->OnChar = [&](TControl*, int& code) { chars.push_back(code); };
  Backend().AdvanceClock(1234);
  Backend().PressKey(VK_SHIFT);
  Backend().TypeKey('A', u"A");
  Backend().ReleaseKey(VK_SHIFT);
  Pump();
  ASSERT_EQ(keys.size(), 2u);
  EXPECT_EQ(keys[1], 'A');
  EXPECT_TRUE(shift.Contains(TShiftStateItem::ssShift));
  EXPECT_FALSE(shift.Contains(TShiftStateItem::ssCtrl));
  EXPECT_FALSE(shift.Contains(TShiftStateItem::ssAlt));
  EXPECT_EQ(chars, std::vector<int>{'A'});
  EXPECT_EQ(LastInputTick, GetTickCount());

  // Alt comes from the key data's context bit, not from the keyboard.
  EXPECT_EQ(ShiftStateFromKeyData(KF_ALTDOWN_BIT), TShiftState{TShiftStateItem::ssAlt});
}

TEST_F(ControlInputTest, CursorIndexOutsideTheTableChangesNothing) {
  control_->SetCursor(16);
  control_->SetCursor(-1);
  EXPECT_EQ(control_->Cursor(), 0);
  Backend().MovePointer(120, 120);
  Pump();
  EXPECT_EQ(Backend().Cursor(), CursorShape::Arrow);

  control_->SetCursor(13);
  EXPECT_EQ(control_->Cursor(), 13);
  Backend().MovePointer(121, 121);
  Pump();
  EXPECT_EQ(Backend().Cursor(), CursorShape::Hand);
  // Off the control, the window's class cursor shows again.
  Backend().MovePointer(250, 150);
  Pump();
  EXPECT_EQ(Backend().Cursor(), CursorShape::Arrow);
}

}  // namespace
}  // namespace varnika::testing
