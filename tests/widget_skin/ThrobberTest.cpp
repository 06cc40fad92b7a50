// The busy animation: which frame each step shows, and that the frame shown
// is the strip's own row.
#include "tests/widget_skin/SkinTestSupport.h"
#include "widget/ThrobberEx.h"

namespace varnika::testing {
namespace {

class ThrobberTest : public SkinControlTest {
 protected:
  TThrobberEx* MakeThrobber() { return Child<TThrobberEx>(18, 18); }
};

TEST_F(ThrobberTest, StepsShowEveryFrameOnceAndWrapToTheFirst) {
  TThrobberEx* throbber = MakeThrobber();
  EXPECT_EQ(throbber->Frame(), 0);
  for (int expected = 1; expected <= 17; ++expected) {
    throbber->Step();
    EXPECT_EQ(throbber->Frame(), expected);
  }
  throbber->Step();
  EXPECT_EQ(throbber->Frame(), 0);

  throbber->SetFrame(16);
  throbber->Step();
  EXPECT_EQ(throbber->Frame(), 17);
  throbber->Step();
  EXPECT_EQ(throbber->Frame(), 0);
}

TEST_F(ThrobberTest, FrameOutsideTheStripDrawsNothingAndTheNextStepStartsOver) {
  TThrobberEx* throbber = MakeThrobber();
  throbber->SetFrame(40);
  EXPECT_EQ(throbber->Frame(), 40);
  throbber->Paint();
  EXPECT_EQ(InkBounds(throbber->Canvas().Bitmap()), TRect{});
  // Whatever is asked next, a frame beyond the last one goes back to 0.
  throbber->SetFrame(3);
  EXPECT_EQ(throbber->Frame(), 0);
  throbber->SetFrame(-2);
  throbber->Step();
  EXPECT_EQ(throbber->Frame(), 0);
}

TEST_F(ThrobberTest, EachFrameIsItsOwnRowOfTheStrip) {
  TThrobberEx* throbber = MakeThrobber();
  ASSERT_EQ(throbber->Strip().Width(), 18);
  ASSERT_EQ(throbber->Strip().Height(), 18 * 18);
  for (int frame : {0, 1, 9, 17}) {
    throbber->SetFrame(frame);
    throbber->Paint();
    const TBitmapEx& shown = throbber->Canvas().Bitmap();
    int differing = 0;
    for (int y = 0; y < 18; ++y)
      for (int x = 0; x < 18; ++x) differing += PixelAt(shown, x, y) != PixelAt(throbber->Strip(), x, 18 * frame + y);
    EXPECT_EQ(differing, 0) << "frame " << frame;
    EXPECT_NE(InkBounds(throbber->Canvas().Bitmap()), TRect{}) << "frame " << frame;
  }
}

}  // namespace
}  // namespace varnika::testing
