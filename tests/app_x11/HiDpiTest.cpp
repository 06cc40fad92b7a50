// The program on a 3840 x 2160 screen whose desktop asks for 192 dpi (the
// Xft.dpi resource, as GNOME, KDE and Xfce set it at 200%): the widget at
// twice its size in device pixels, drawn from the finer art with text at
// the screen's resolution, scrolled, its menu and a panel opened.
#include <algorithm>

#include "tests/app_x11/WidgetSession.h"

namespace varnika::e2e {
namespace {

class WidgetAtScaleTwo : public WidgetSession {
 protected:
  void SetUp() override {
    scale_ = 2;
    User().SetResources("Xft.antialias:\t1\nXft.dpi:\t192\n");
    WidgetSession::SetUp();
  }
  void TearDown() override {
    WidgetSession::TearDown();
    User().SetResources("");
  }

  void StartWithHeadlines() {
    WriteOptions(Point{400, 300});
    ASSERT_TRUE(Launch()) << program_.Errors();
    ASSERT_TRUE(WaitForHeadlines()) << "no headlines on the screen";
    ASSERT_TRUE(Activate());
  }
};

// Of the 2 x 2 blocks of device pixels that carry text, the share whose
// pixels differ: none when a picture drawn at 96 dpi is blown up.
double FineBlocks(const Pixels& list) {
  int inked = 0;
  int fine = 0;
  for (int y = 0; y + 1 < list.height; y += 2) {
    for (int x = 0; x + 1 < list.width; x += 2) {
      const std::uint32_t block[4] = {list.At(x, y), list.At(x + 1, y), list.At(x, y + 1), list.At(x + 1, y + 1)};
      const bool ink = std::any_of(std::begin(block), std::end(block), [](std::uint32_t p) {
        return ((p >> 16 & 0xFF) + (p >> 8 & 0xFF) + (p & 0xFF)) < 3 * 160;
      });
      if (!ink) continue;
      ++inked;
      if (!std::all_of(std::begin(block), std::end(block), [&](std::uint32_t p) { return Near(p, block[0], 8); })) {
        ++fine;
      }
    }
  }
  return inked ? static_cast<double>(fine) / inked : 0;
}

TEST_F(WidgetAtScaleTwo, TheWidgetTakesTwiceItsSizeInDevicePixelsWithTheFinerArtAndCrispText) {
  ASSERT_NO_FATAL_FAILURE(StartWithHeadlines());
  const WindowBox box = Box();
  EXPECT_EQ(box.width, 950);
  EXPECT_EQ(box.height, 700);

  const SkinPicture face = ExpectedFace(0, 2);
  const auto layout = [](int x, int y) { return !kListArea.Contains(x, y) && !kFooterLinkArea.Contains(x, y); };
  std::string report;
  const int wrong = WrongAfterWaiting(face, layout, &report);
  const Pixels shot = GrabWindow();
  const std::string file = std::string(VARNIKA_SHOT_DIR) + "/shot-widget@2x.png";
  EXPECT_TRUE(Screen::SavePng(shot, file)) << file;
  EXPECT_EQ(wrong, 0) << "pixels off the layout:" << report << " (see " << file << ")";
  struct Key {
    const char* what;
    int x, y;  // logical
  };
  const Key keys[] = {{"header band", 300, 45},       {"footer band", 240, 312}, {"top right corner", 473, 1},
                      {"bottom left corner", 1, 348}, {"close button", 436, 35}, {"thumb at the top", 435, 110}};
  for (const Key& key : keys) {
    for (int dx : {0, 1}) {
      const int x = key.x * 2 + dx;
      const int y = key.y * 2 + dx;
      EXPECT_TRUE(Near(shot.At(x, y), face.Over(x, y, kDesk), 3)) << key.what << " at " << x << "," << y;
    }
  }
  EXPECT_EQ(shot.At(2, 2), kDesk) << "the corners are see-through";

  const Pixels list = GrabList();
  EXPECT_GT(InkPixels(list), 4 * 1500) << "headlines four times the ink of a 96 dpi list";
  EXPECT_GT(FineBlocks(list), 0.5) << "text drawn at 192 dpi, not blown up from 96";
}

TEST_F(WidgetAtScaleTwo, AWheelNotchScrolls120DevicePixelsAndTheMenuOpensTheAboutPanel) {
  ASSERT_NO_FATAL_FAILURE(StartWithHeadlines());
  const Pixels top = GrabList();
  MoveTo(200, 180);
  User().Click(5);
  Shift down;
  ASSERT_TRUE(xtest::WaitFor(
      [&] {
        down = ContentShift(top, GrabList(), 200);
        return down.rows != 0;
      },
      kPatience));
  EXPECT_EQ(down.rows, 120) << "mismatch " << down.mismatch;
  EXPECT_LT(down.mismatch, 0.02);

  // The menu below and right of the pointer, its texts at the same scale.
  const Point click = OnScreen(200, 150);
  const std::vector<unsigned long> before = Shown().Popups();
  User().MovePointer(click.x, click.y);
  User().Click(3);
  unsigned long menu = 0;
  ASSERT_TRUE(xtest::WaitFor(
      [&] {
        for (unsigned long w : Shown().Popups()) {
          if (std::find(before.begin(), before.end(), w) == before.end()) menu = w;
        }
        return menu != 0;
      },
      kPatience))
      << "no menu window appeared";
  WindowBox shown;
  ASSERT_TRUE(Shown().Box(menu, &shown));
  EXPECT_LE(shown.x, click.x);
  EXPECT_GT(shown.x + shown.width, click.x + 200);
  EXPECT_GT(shown.y + shown.height, click.y + 200);
  EXPECT_EQ(shown.width % 2, 0);
  EXPECT_EQ(shown.height % 2, 0);

  // Its first row lies just below the pointer, twice as far as at 96 dpi.
  User().MovePointer(click.x + 80, click.y + 38);
  User().Click(1);
  ASSERT_TRUE(xtest::WaitFor([&] { return !Shown().Viewable(menu); }, kPatience)) << "the menu stays open";
  ExpectAboutPanel();
}

}  // namespace
}  // namespace varnika::e2e
