// The program as a user meets it: started on a desktop with a window
// manager and a compositing manager, fed from a loopback server, and driven
// with the real pointer.
#include <algorithm>
#include <chrono>
#include <csignal>
#include <thread>

#include "tests/app_x11/WidgetSession.h"

namespace varnika::e2e {
namespace {

constexpr std::uint32_t kTransparent = kDesk;

class WidgetOnTheDesktop : public WidgetSession {
 protected:
  // Started at a place of the test's choosing, with its headlines shown.
  void StartWithHeadlines(std::optional<Point> place = std::nullopt) {
    WriteOptions(place);
    ASSERT_TRUE(Launch()) << program_.Errors();
    ASSERT_TRUE(WaitForHeadlines()) << "no headlines on the screen";
    // The wheel goes to the focus window: the user works with an active
    // widget.
    ASSERT_TRUE(Activate());
  }

  // Right-clicks at window coordinates; the menu window that appears, or 0.
  unsigned long RightClickForMenu(int x, int y) {
    const std::vector<unsigned long> before = Shown().Popups();
    MoveTo(x, y);
    User().Click(3);
    unsigned long menu = 0;
    xtest::WaitFor(
        [&] {
          for (unsigned long w : Shown().Popups()) {
            if (std::find(before.begin(), before.end(), w) == before.end()) menu = w;
          }
          return menu != 0;
        },
        kPatience);
    return menu;
  }

  // Presses on the thumb (at from_top in the track), pulls the pointer by
  // dy in steps while the thumb follows each one, and releases; whether the
  // thumb ended at from_top + dy, kept within the track.
  bool PullThumb(int from_top, int dy) {
    constexpr int kThumbTravel = 213 - 70;
    const Point grip = OnScreen(435, 75 + from_top + 35);
    User().MovePointer(grip.x, grip.y);
    User().Press(1);
    // The thumb reads the pointer when it handles the press: let it do so
    // before the pointer goes on, as a hand would.
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    bool followed = true;
    const int steps = std::abs(dy) / 30;
    for (int i = 1; i <= steps && followed; ++i) {
      const int moved = dy * i / steps;
      User().MovePointer(grip.x + (i % 2 ? 20 : -20), grip.y + moved);
      const int want = std::clamp(from_top + moved, 0, kThumbTravel);
      followed = xtest::WaitFor([&] { return ThumbTop(GrabWindow(), kDesk) == want; }, kPatience);
      if (!followed) ADD_FAILURE() << "step " << i << ": thumb at " << ThumbTop(GrabWindow(), kDesk) << ", not " << want;
    }
    User().Release(1);
    return followed;
  }

  bool AtPlace(int x, int y) {
    return xtest::WaitFor(
        [&] {
          const WindowBox box = Box();
          return box.x == x && box.y == y;
        },
        kPatience);
  }
};

TEST_F(WidgetOnTheDesktop, AWheelNotchScrollsTheListSixtyPixelsAndTheThumbFollows) {
  ASSERT_NO_FATAL_FAILURE(StartWithHeadlines());
  const Pixels top = GrabList();
  ASSERT_EQ(ThumbTop(GrabWindow(), kDesk), 0);

  MoveTo(200, 180);
  User().Click(5);  // one notch towards the end
  Shift down;
  ASSERT_TRUE(xtest::WaitFor(
      [&] {
        down = ContentShift(top, GrabList(), 100);
        return down.rows != 0;
      },
      kPatience));
  EXPECT_EQ(down.rows, 60) << "mismatch " << down.mismatch;
  EXPECT_LT(down.mismatch, 0.02);
  const int thumb = ThumbTop(GrabWindow(), kDesk);
  EXPECT_GT(thumb, 0) << "the thumb must move down with the list";
  EXPECT_LT(thumb, 60) << "twenty headlines are far taller than the box: the thumb moves less than the list";

  User().Click(4);  // and back
  Shift back;
  ASSERT_TRUE(xtest::WaitFor(
      [&] {
        back = ContentShift(top, GrabList(), 100);
        return back.rows == 0 && back.mismatch < 0.02;
      },
      kPatience))
      << "back to " << back.rows << ", mismatch " << back.mismatch;
  EXPECT_EQ(ThumbTop(GrabWindow(), kDesk), 0);
}

TEST_F(WidgetOnTheDesktop, TheThumbDraggedPastEitherEndOfTheTrackStopsThereWithTheList) {
  ASSERT_NO_FATAL_FAILURE(StartWithHeadlines());
  const Pixels top = GrabList();
  // Pulled far below the window: the thumb keeps following the pointer
  // outside the window and stops at the track's end.
  EXPECT_TRUE(PullThumb(0, 500));
  const Pixels end = GrabList();
  EXPECT_GT(ContentShift(top, end, 100).mismatch, 0.5) << "the list must have moved far";

  // At the end a wheel notch further changes nothing.
  MoveTo(200, 180);
  User().Click(5);
  EXPECT_FALSE(xtest::WaitFor([&] { return ContentShift(end, GrabList(), 0).mismatch > 0.02; }, 500))
      << "the list moved past its last headline";

  // Pulled above the track, both come back to the top.
  EXPECT_TRUE(PullThumb(143, -400));
  EXPECT_LT(ContentShift(top, GrabList(), 0).mismatch, 0.02);
}

TEST_F(WidgetOnTheDesktop, ARightClickOpensTheMenuAndItsFirstItemOpensTheAboutPanel) {
  ASSERT_NO_FATAL_FAILURE(StartWithHeadlines());
  const Point click = OnScreen(200, 150);
  const unsigned long menu = RightClickForMenu(200, 150);
  ASSERT_NE(menu, 0u) << "no menu window appeared";
  WindowBox box;
  ASSERT_TRUE(Shown().Box(menu, &box));
  EXPECT_LE(box.x, click.x);
  EXPECT_LE(box.y, click.y);
  EXPECT_GT(box.x + box.width, click.x + 100);
  EXPECT_GT(box.y + box.height, click.y + 100) << "the menu opens below and right of the pointer";

  // Its first row ("Hakkında") lies just below the pointer.
  User().MovePointer(click.x + 40, click.y + 19);
  User().Click(1);
  ASSERT_TRUE(xtest::WaitFor([&] { return !Shown().Viewable(menu); }, kPatience)) << "the menu stays open";
  ExpectAboutPanel();
}

TEST_F(WidgetOnTheDesktop, InEnglishTheMenusLetterAOpensTheAboutPanel) {
  language_ = "en";  // "&About"; no Turkish item has the letter
  ASSERT_NO_FATAL_FAILURE(StartWithHeadlines());
  const unsigned long menu = RightClickForMenu(200, 150);
  ASSERT_NE(menu, 0u) << "no menu window appeared";
  User().KeyDown("a");
  User().KeyUp("a");
  ASSERT_TRUE(xtest::WaitFor([&] { return !Shown().Viewable(menu); }, kPatience)) << "the menu stays open";
  ExpectAboutPanel();
}

TEST_F(WidgetOnTheDesktop, ADragEndingNearAnEdgeSnapsFlushWhileOneFartherAwayStaysWhereDropped) {
  ASSERT_NO_FATAL_FAILURE(StartWithHeadlines(Point{400, 300}));
  ASSERT_TRUE(AtPlace(400, 300));

  DragHeaderBy(-395, 17);  // left edge 5 pixels from the screen's
  EXPECT_TRUE(AtPlace(0, 317)) << Box().x << "," << Box().y;

  // To 7 pixels above the bottom: flush with it; the left edge stays.
  const int bottom = kScreenHeight - kHeight;
  DragHeaderBy(0, bottom - 7 - 317);
  EXPECT_TRUE(AtPlace(0, bottom)) << Box().x << "," << Box().y;

  // 8 pixels from the right edge is far enough to stay put.
  const int right = kScreenWidth - kWidth;
  DragHeaderBy(right - 8, -300);
  EXPECT_TRUE(AtPlace(right - 8, bottom - 300)) << Box().x << "," << Box().y;
}

TEST_F(WidgetOnTheDesktop, OnTwoMonitorsTheFirstRunIsCentredOnThePrimaryAndSnapsToItsEdges) {
  User().SplitScreen(500);  // the primary on the right, from x 500
  struct Restore {
    ~Restore() { xtest::Desktop::Get().SplitScreen(0); }
  } restore;
  ASSERT_NO_FATAL_FAILURE(StartWithHeadlines());
  const int top = (kScreenHeight - kHeight) / 2;
  EXPECT_TRUE(AtPlace(500 + (kScreenWidth - 500 - kWidth) / 2, top)) << Box().x << "," << Box().y;
  DragHeaderBy(505 - Box().x, 0);  // 5 pixels right of the seam
  EXPECT_TRUE(AtPlace(500, top)) << Box().x << "," << Box().y;
}

TEST_F(WidgetOnTheDesktop, LosingActivationShrinksItToItsCornerAndAClickOnThePictureGrowsItBack) {
  // In the lower right quarter of the screen: it shrinks toward its lower
  // right corner, and the window itself becomes the 119 x 87 picture there,
  // so nothing invisible around it takes clicks.
  ASSERT_NO_FATAL_FAILURE(StartWithHeadlines(Point{700, 600}));
  const Area picture{kWidth - 119, kHeight - 87, kWidth, kHeight};

  User().MovePointer(100, 100);  // the bare desk
  User().Click(1);
  ASSERT_TRUE(xtest::WaitFor(
      [&] {
        const WindowBox box = Box();
        return box.x == 700 + picture.left && box.y == 600 + picture.top && box.width == 119 && box.height == 87;
      },
      kPatience))
      << Box().x << "," << Box().y << " " << Box().width << "x" << Box().height;
  const Pixels shot = Shown().Grab(700, 600, kWidth, kHeight);
  Screen::SavePng(shot, std::string(VARNIKA_SHOT_DIR) + "/shot-widget-shrunk.png");
  for (int y = 0; y < kHeight; y += 5) {
    for (int x = 0; x < kWidth; x += 5) {
      if (picture.Contains(x, y)) continue;
      ASSERT_TRUE(Near(shot.At(x, y), kTransparent, 2)) << x << "," << y;
    }
  }
  // The picture itself is the shrunken face: its header band is opaque.
  EXPECT_FALSE(Near(shot.At(picture.left + 60, picture.top + 10), kTransparent, 20));

  User().MovePointer(700 + picture.left + 60, 600 + picture.top + 40);
  User().Click(1);
  EXPECT_TRUE(WaitForHeadlines()) << "the full face did not come back";
  EXPECT_TRUE(AtPlace(700, 600));
  EXPECT_EQ(Box().width, kWidth);
  std::string report;
  const int wrong = Mismatches(GrabWindow(), ExpectedFace(0), kDesk, 3,
                               [](int x, int y) { return y < 70 && x < 380; }, &report);
  EXPECT_EQ(wrong, 0) << "the header after growing back:" << report;
}

// Without a compositing manager the window shows its pixels over black: the
// soft shadow's faint pixels would make a dark frame, so the cut leaves them
// out and the desk shows there.
TEST_F(WidgetOnTheDesktop, WithoutACompositorTheShadowIsCutAwayInsteadOfFramingTheFaceInBlack) {
  compositor_.reset();
  ASSERT_NO_FATAL_FAILURE(StartWithHeadlines(Point{300, 200}));
  const Pixels shot = GrabWindow();
  Screen::SavePng(shot, std::string(VARNIKA_SHOT_DIR) + "/shot-widget-bare.png");
  int dark = 0;
  for (std::uint32_t pixel : shot.rgb) {
    if (((pixel >> 16) & 0xFF) < 0x30 && ((pixel >> 8) & 0xFF) < 0x30 && (pixel & 0xFF) < 0x30) ++dark;
  }
  EXPECT_LT(dark, 100) << "dark pixels around the face";
}

TEST_F(WidgetOnTheDesktop, TheCloseButtonEndsTheProgramAndTheNewPlaceIsSaved) {
  ASSERT_NO_FATAL_FAILURE(StartWithHeadlines(Point{300, 200}));
  DragHeaderBy(123, 45);
  ASSERT_TRUE(AtPlace(423, 245));

  ClickAt(436, 35);
  EXPECT_EQ(program_.WaitExit(kPatience), 0) << program_.Errors();
  const std::string options = OptionsText();
  EXPECT_NE(options.find("[general]\r\nleft=423\r\ntop=245\r\n"), std::string::npos) << options;
  EXPECT_NE(options.find("[feed]\r\nurl=" + FeedUrl() + "\r\n"), std::string::npos)
      << "the user's feed must survive the save:\n"
      << options;
  EXPECT_NE(options.find("autoscale=1"), std::string::npos) << options;
}

TEST_F(WidgetOnTheDesktop, TheEndOfTheSessionClosesItCleanlyWithThePlaceSaved) {
  ASSERT_NO_FATAL_FAILURE(StartWithHeadlines(Point{300, 200}));
  DragHeaderBy(-100, 60);
  ASSERT_TRUE(AtPlace(200, 260));
  program_.Signal(SIGTERM);  // what a session manager sends at logout
  EXPECT_EQ(program_.WaitExit(kPatience), 0) << program_.Errors();
  EXPECT_NE(OptionsText().find("left=200\r\ntop=260\r\n"), std::string::npos) << OptionsText();
}

TEST_F(WidgetOnTheDesktop, ASecondStartEndsAtOnceAndLeavesTheFirstAlone) {
  ASSERT_NO_FATAL_FAILURE(StartWithHeadlines());
  const unsigned long first = window_;
  // Another runtime folder: the guard is the data folder itself.
  xtest::Process second = xtest::Process::Start({VARNIKA_PROGRAM}, {"XDG_CONFIG_HOME=" + (root_ / "config").string(),
                                                                     "XDG_RUNTIME_DIR=" + (root_ / "run2").string()});
  EXPECT_EQ(second.WaitExit(kPatience), 0) << second.Errors();
  EXPECT_TRUE(program_.Running());
  EXPECT_EQ(Shown().Clients(kWidgetClass), std::vector<unsigned long>{first}) << "a second widget window appeared";
  EXPECT_TRUE(Shown().Viewable(first));
}

}  // namespace
}  // namespace varnika::e2e
