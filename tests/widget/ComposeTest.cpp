// The face composed with a real-looking feed: the list inside its box over
// the background, beside its scroll bar, checked pixel by pixel at chosen
// points while it scrolls.
#include "tests/feed/FeedTestSupport.h"
#include "tests/feed/SampleFeeds.h"
#include "tests/widget/WidgetScene.h"

namespace varnika::testing {
namespace {

constexpr std::uint32_t kPanel = TWidgetScene::kPanelColor;
constexpr std::uint32_t kHeader = 0xFF2B4C7E;
constexpr int kHeaderRows = 60;
constexpr int kListWidth = kBoxWidth - 25;
constexpr int kTrackLeft = kBoxLeft + kBoxWidth - kTrackWidth;

std::unique_ptr<TBitmapEx> PanelBitmap() {
  auto bitmap = SolidBitmap(475, 350, kPanel);
  cairo_surface_flush(bitmap->Image());
  for (int y = 0; y < kHeaderRows; ++y) {
    auto* row = reinterpret_cast<std::uint32_t*>(bitmap->Bits() + y * bitmap->Stride());
    for (int x = 0; x < 475; ++x) row[x] = kHeader;
  }
  cairo_surface_mark_dirty(bitmap->Image());
  return bitmap;
}

bool Bluish(std::uint32_t p) { return static_cast<int>(p & 0xFF) - static_cast<int>((p >> 16) & 0xFF) > 60; }
bool DarkGrey(std::uint32_t p) {
  int r = (p >> 16) & 0xFF, g = (p >> 8) & 0xFF, b = p & 0xFF;
  return r < 160 && std::abs(r - b) < 12 && std::abs(r - g) < 12;
}

class ComposeTest : public WindowSystemTest {
 protected:
  void SetUp() override {
    WindowSystemTest::SetUp();
    auto* background = new TBackgroundEx(Owner());
    background->SetBitmap(PanelBitmap());
    scene_ = std::make_unique<TWidgetScene>(Owner(), TListTiles::kDefaultRows, background);
    scene_->Load(folder_.Write("news.xml", RealLookingRss(20, 3)));
    Refresh();
  }
  void TearDown() override {
    scene_.reset();
    WindowSystemTest::TearDown();
  }

  // Reads the frame presented last (Refresh after every change).
  void Refresh() { frame_ = std::make_unique<TFrame>(Backend(), scene_->window); }
  std::uint32_t At(int x, int y) { return frame_->At(x, y); }
  const TRect& Title(int i) { return (*scene_->list->Items())[i].Bounds; }

  // Window row of a list row.
  int Row(int list_row) { return kBoxTop + scene_->list->Top() + list_row; }
  bool RowInBox(int row) { return row >= kBoxTop && row < kBoxTop + kBoxHeight; }

  // Checks every headline whose parts show: rules, empty gaps, title and
  // summary colours.
  void ExpectHeadlinesAsLaidOut() {
    const TElementList& items = *scene_->list->Items();
    const std::uint32_t rule = Over(kPanel, 0x40000000);
    int rules = 0;
    for (int i = 0; i < items.Count(); ++i) {
      const TRect& title = Title(i);
      const int rule_row = Row(title.Bottom + 2);
      if (RowInBox(rule_row)) {
        for (int x = kBoxLeft + 1; x < kBoxLeft + kListWidth; x += 13) EXPECT_EQ(At(x, rule_row), rule) << i;
        ++rules;
      }
      // Nothing is drawn between the title box and the rule.
      for (int row = std::max(Row(title.Bottom), kBoxTop); row < rule_row && RowInBox(row); ++row) {
        for (int x = kBoxLeft; x < kBoxLeft + kListWidth; x += 3) EXPECT_EQ(At(x, row), kPanel) << i;
      }
      // Title text is blue and stays in its box.
      int blue = 0;
      for (int row = std::max(Row(title.Top), kBoxTop); row < Row(title.Bottom) && RowInBox(row); ++row) {
        for (int x = kBoxLeft; x < kBoxLeft + kListWidth; ++x) {
          if (Bluish(At(x, row))) ++blue;
          if (x >= kBoxLeft + title.Right) {
            EXPECT_EQ(At(x, row), kPanel) << i;
          }
        }
      }
      if (RowInBox(Row(title.Top)) && RowInBox(Row(title.Bottom))) {
        EXPECT_GT(blue, 40) << i;
      }
      // Summary text is dark grey; the gap after it is empty.
      const int summary_top = Row(title.Bottom + 4);
      const int next_title = i + 1 < items.Count() ? Row(Title(i + 1).Top) : Row(scene_->list->Height());
      int grey = 0;
      for (int row = std::max(summary_top, kBoxTop); row < next_title - 15 && RowInBox(row); ++row) {
        for (int x = kBoxLeft; x < kBoxLeft + kListWidth; ++x) grey += DarkGrey(At(x, row));
      }
      if (RowInBox(summary_top) && RowInBox(next_title - 16)) {
        EXPECT_GT(grey, 100) << i;
      }
      for (int row = std::max(next_title - 15, kBoxTop); row < next_title && RowInBox(row); ++row) {
        for (int x = kBoxLeft; x < kBoxLeft + kListWidth; x += 2) ASSERT_EQ(At(x, row), kPanel) << i << " row " << row;
      }
    }
    EXPECT_GT(rules, 0);
  }

  void ExpectThumbAt(int top) {
    for (int row = kBoxTop; row < kBoxTop + kBoxHeight; row += 3) {
      const bool on_thumb = row >= kBoxTop + top && row < kBoxTop + top + kThumbHeight;
      EXPECT_EQ(At(kTrackLeft + 5, row), on_thumb ? TWidgetScene::kThumbColor : TWidgetScene::kTrackColor) << row;
      EXPECT_EQ(At(kTrackLeft, row), TWidgetScene::kTrackColor) << row;  // beside the thumb
    }
  }

  // Nothing of the list shows outside its box.
  void ExpectOnlyTheBoxShowsTheList() {
    for (int x = 0; x < 475; x += 5) {
      for (int y = 0; y < kBoxTop; y += 4) EXPECT_EQ(At(x, y), y < kHeaderRows ? kHeader : kPanel) << x << "," << y;
      for (int y = kBoxTop + kBoxHeight; y < 350; y += 4) EXPECT_EQ(At(x, y), kPanel) << x << "," << y;
    }
    for (int y = kBoxTop; y < kBoxTop + kBoxHeight; ++y) {
      for (int x = kBoxLeft + kListWidth; x < kTrackLeft; ++x) EXPECT_EQ(At(x, y), kPanel) << x << "," << y;
      EXPECT_EQ(At(kBoxLeft - 1, y), kPanel);
    }
  }

  std::unique_ptr<TWidgetScene> scene_;
  std::unique_ptr<TFrame> frame_;
  TempFolder folder_;
};

TEST_F(ComposeTest, TheListShowsInsideItsBoxBesideItsScrollBar) {
  ASSERT_GT(scene_->list->Height(), 2000);
  ExpectOnlyTheBoxShowsTheList();
  ExpectThumbAt(0);
  ExpectHeadlinesAsLaidOut();
}

TEST_F(ComposeTest, ScrollingMovesThePictureAndTheThumb) {
  const TFrame before(Backend(), scene_->window);
  scene_->scroll->MouseWheel(-120);
  Refresh();
  // Box rows 0..152 now show what rows 60..212 showed.
  for (int y = 0; y < kBoxHeight - 60; ++y)
    for (int x = kBoxLeft; x < kBoxLeft + kListWidth; ++x)
      ASSERT_EQ(At(x, kBoxTop + y), before.At(x, kBoxTop + y + 60)) << x << "," << y;

  scene_->scroll->KeyDown(VK_NEXT);
  Refresh();
  ExpectThumbAt(scene_->thumb->Top());
  ExpectHeadlinesAsLaidOut();
  ExpectOnlyTheBoxShowsTheList();

  scene_->scroll->KeyDown(VK_END);
  Refresh();
  EXPECT_EQ(scene_->list->Top(), kBoxHeight - scene_->list->Height());
  ExpectThumbAt(kBoxHeight - kThumbHeight);
  ExpectHeadlinesAsLaidOut();
  ExpectOnlyTheBoxShowsTheList();
}

}  // namespace
}  // namespace varnika::testing
