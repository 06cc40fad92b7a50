// Scrolling the list with a stand-in main window: keys, wheel, track clicks
// and thumb drags, through the scroll logic and through real input.
#include "platform/Input.h"
#include "tests/widget/WidgetScene.h"
#include "widget/Rounding.h"

namespace varnika::testing {
namespace {

class ScrollTest : public WindowSystemTest {
 protected:
  void SetUp() override {
    WindowSystemTest::SetUp();
    scene_ = std::make_unique<TWidgetScene>(Owner());
    SetListHeight(500);
  }
  void TearDown() override {
    scene_.reset();
    WindowSystemTest::TearDown();
  }

  void SetListHeight(int height) {
    scene_->list->SetHeight(height);
    Scroll().UpdateScrollBar();
  }
  TNewsScroll& Scroll() { return *scene_->scroll; }
  int ListTop() { return scene_->list->Top(); }
  int ThumbTop() { return scene_->thumb->Top(); }
  int Frames() { return Backend().SurfaceOf(scene_->window->WindowHandle()).frames_presented; }

  // Screen position of a point of the track (track coordinates).
  POINT TrackPoint(int x, int y) { return POINT{kWindowLeft + kBoxLeft + kBoxWidth - kTrackWidth + x, kWindowTop + kBoxTop + y}; }

  std::unique_ptr<TWidgetScene> scene_;
};

TEST_F(ScrollTest, PageKeysMoveByTheBoxAndTheThumbByTheRatio) {
  EXPECT_TRUE(scene_->scroller->Visible());
  Scroll().KeyDown(VK_NEXT);
  EXPECT_EQ(ListTop(), -213);
  EXPECT_EQ(Scroll().ScrollRatio(), static_cast<float>(287.0 / 143.0));
  EXPECT_EQ(ThumbTop(), 106);  // r(213 / (287 / 143))
  Scroll().KeyDown(VK_NEXT);
  EXPECT_EQ(ListTop(), -287);
  EXPECT_EQ(ThumbTop(), 143);
  Scroll().KeyDown(VK_PRIOR);
  EXPECT_EQ(ListTop(), -74);
  EXPECT_EQ(ThumbTop(), 37);
  Scroll().KeyDown(VK_UP);
  EXPECT_EQ(ListTop(), -64);
  Scroll().KeyDown(VK_LEFT);
  Scroll().KeyDown(VK_DOWN);
  Scroll().KeyDown(VK_RIGHT);
  EXPECT_EQ(ListTop(), -74);
  const int frames = Frames();
  Scroll().KeyDown(VK_RETURN);
  EXPECT_EQ(ListTop(), -74);
  EXPECT_EQ(Frames(), frames);
}

TEST_F(ScrollTest, HomeAndEndLandOnTheFirstAndLastPositions) {
  Scroll().KeyDown(VK_END);
  EXPECT_EQ(ListTop(), -(500 - 213));
  EXPECT_EQ(ThumbTop(), 213 - 70);
  Scroll().KeyDown(VK_HOME);
  EXPECT_EQ(ListTop(), 0);
  EXPECT_EQ(ThumbTop(), 0);

  // The same keys typed on the focused list.
  scene_->list->SetFocus();
  Backend().TypeKey(VK_END);
  Pump();
  EXPECT_EQ(ListTop(), -287);
  Backend().TypeKey(VK_HOME);
  Pump();
  EXPECT_EQ(ListTop(), 0);
}

TEST_F(ScrollTest, WheelScrollsHalfItsDelta) {
  Scroll().MouseWheel(-120);
  EXPECT_EQ(ListTop(), -60);
  EXPECT_EQ(ThumbTop(), 30);
  const int frames = Frames();
  Scroll().MouseWheel(-1);  // truncates to nothing: no move, no repaint
  EXPECT_EQ(ListTop(), -60);
  EXPECT_EQ(Frames(), frames);
  Scroll().MouseWheel(1000);
  EXPECT_EQ(ListTop(), 0);

  // A notch turned over the focused list reaches the window's handler.
  POINT p = scene_->ListToScreen(100, 100);
  Backend().MovePointer(p.x, p.y);
  scene_->list->SetFocus();
  Backend().TurnWheel(-1);
  Pump();
  EXPECT_EQ(ListTop(), -60);
}

TEST_F(ScrollTest, ThumbDragIsClampedToTheTrack) {
  POINT grip = TrackPoint(10, 35);
  Backend().MovePointer(grip.x, grip.y);
  Backend().PressButton();
  Pump();
  EXPECT_EQ(GetCapture(), scene_->thumb->WindowHandle());
  EXPECT_EQ(Scroll().DragStartY(), grip.y);
  EXPECT_EQ(Scroll().DragStartThumbTop(), 0);

  Backend().MovePointer(grip.x, grip.y + 50);
  Pump();
  EXPECT_EQ(ThumbTop(), 50);
  EXPECT_EQ(ListTop(), -100);  // r(50 * 287 / 143)
  Backend().MovePointer(grip.x + 40, grip.y + 500);
  Pump();
  EXPECT_EQ(ThumbTop(), 143);
  EXPECT_EQ(ListTop(), -287);
  Backend().MovePointer(grip.x, grip.y - 1000);
  Pump();
  EXPECT_EQ(ThumbTop(), 0);
  EXPECT_EQ(ListTop(), 0);
  Backend().ReleaseButton();
  Pump();
  EXPECT_EQ(GetCapture(), nullptr);
}

TEST_F(ScrollTest, TrackPressesPageTowardsThePointer) {
  POINT below = TrackPoint(10, 150);
  Backend().MovePointer(below.x, below.y);
  Backend().Click();
  Pump();
  EXPECT_EQ(ListTop(), -213);
  EXPECT_EQ(ThumbTop(), 106);
  POINT above = TrackPoint(10, 50);
  Backend().MovePointer(above.x, above.y);
  Backend().Click();
  Pump();
  EXPECT_EQ(ListTop(), 0);
  // On the thumb itself the track does nothing.
  Scroll().TrackMouseDown(35);
  EXPECT_EQ(ListTop(), 0);
}

TEST_F(ScrollTest, AListThatFitsItsBoxHidesTheTrackAndStaysAtTheTop) {
  Scroll().KeyDown(VK_NEXT);
  SetListHeight(213);
  EXPECT_FALSE(scene_->scroller->Visible());
  EXPECT_EQ(ListTop(), 0);
  EXPECT_EQ(ThumbTop(), 0);
  EXPECT_EQ(Scroll().DragStartY(), 0);
  Scroll().ScrollBy(-60);
  Scroll().KeyDown(VK_END);
  EXPECT_EQ(ListTop(), 0);
  // A shorter list ends at the top as well.
  SetListHeight(100);
  Scroll().ScrollBy(-60);
  EXPECT_EQ(ListTop(), 0);
  SetListHeight(214);
  EXPECT_TRUE(scene_->scroller->Visible());
  Scroll().KeyDown(VK_END);
  EXPECT_EQ(ListTop(), -1);
}

TEST_F(ScrollTest, AListThatGotShorterKeepsItsTopInTheNewRange) {
  SetListHeight(2000);
  Scroll().KeyDown(VK_END);
  ASSERT_EQ(ListTop(), 213 - 2000);
  // Scrolled to the end, a shorter list ends at the box's bottom with the
  // thumb at the track's end, and the wheel moves from there.
  SetListHeight(400);
  EXPECT_EQ(ListTop(), 213 - 400);
  EXPECT_EQ(ThumbTop(), 213 - 70);
  Scroll().MouseWheel(120);
  EXPECT_EQ(ListTop(), 213 - 400 + 60);
  // A position still in range stays, and the thumb follows the new ratio.
  SetListHeight(1000);
  EXPECT_EQ(ListTop(), 213 - 400 + 60);
  EXPECT_EQ(ThumbTop(), RoundToInt(127 / Scroll().ScrollRatio()));
}

}  // namespace
}  // namespace varnika::testing
