// A screenshot of the settled widget against its layout: the skin's pictures
// where the main window places them, its corners see-through, and headlines
// in the list. Text is only counted, never compared, so other fonts pass.
#include "tests/app_x11/WidgetSession.h"

namespace varnika::e2e {
namespace {

class WidgetScreenshot : public WidgetSession {};

TEST_F(WidgetScreenshot, TheSettledWidgetMatchesItsLayoutWhereverNoTextIsDrawn) {
  WriteOptions(Point{400, 300});
  ASSERT_TRUE(Launch()) << program_.Errors();
  ASSERT_TRUE(WaitForHeadlines());
  const SkinPicture face = ExpectedFace(0);

  // Everything but the list and the footer link, once the busy animation
  // has gone from the footer.
  const auto layout = [](int x, int y) { return !kListArea.Contains(x, y) && !kFooterLinkArea.Contains(x, y); };
  Pixels shot;
  int wrong = -1;
  std::string report;
  xtest::WaitFor(
      [&] {
        shot = GrabWindow();
        report.clear();
        wrong = Mismatches(shot, face, kDesk, 3, layout, &report);
        return wrong == 0;
      },
      kPatience);
  const std::string file = std::string(VARNIKA_SHOT_DIR) + "/shot-widget.png";
  EXPECT_TRUE(Screen::SavePng(shot, file)) << file;
  EXPECT_EQ(wrong, 0) << "pixels off the layout:" << report << " (see " << file << ")";

  // The key places on their own, to say plainly what is wrong.
  struct Key {
    const char* what;
    int x, y;
  };
  const Key keys[] = {{"header band", 300, 45},        {"footer band", 240, 312},
                      {"top left corner", 1, 1},       {"top right corner", 473, 1},
                      {"bottom left corner", 1, 348},  {"bottom right corner", 473, 348},
                      {"thumb at the top", 435, 110},  {"track below the thumb", 435, 250},
                      {"close button", 436, 35},       {"logo", 60, 40}};
  for (const Key& key : keys) {
    EXPECT_TRUE(Near(shot.At(key.x, key.y), face.Over(key.x, key.y, kDesk), 3))
        << key.what << " at " << key.x << "," << key.y << ": " << std::hex << shot.At(key.x, key.y) << " not "
        << face.Over(key.x, key.y, kDesk);
  }
  EXPECT_EQ(shot.At(1, 1), kDesk) << "the corners are see-through";

  // The list: headlines on a light ground; most of it is the bare ground.
  Pixels list = GrabList();
  EXPECT_GT(InkPixels(list), 1500);
  int ground = 0;
  for (int y = 0; y < list.height; ++y) {
    for (int x = 0; x < list.width; ++x) {
      if (Near(list.At(x, y), face.Over(kListArea.left + x, kListArea.top + y, kDesk), 3)) ++ground;
    }
  }
  EXPECT_GT(ground, list.width * list.height * 6 / 10);
}

}  // namespace
}  // namespace varnika::e2e
