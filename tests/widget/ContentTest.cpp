// The headline list: layout, hit testing, the hand cursor, clicks that open
// links, and the tiled picture (what is painted when, what it costs in
// memory, and that tiles add up to the same picture).
#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <functional>
#include <thread>

#include "platform/Input.h"
#include "tests/feed/FeedTestSupport.h"
#include "tests/feed/SampleFeeds.h"
#include "tests/widget/WidgetScene.h"
#include "widget/Rounding.h"

namespace varnika::testing {
namespace {

// Puts a stand-in xdg-open first on PATH that appends its argument to a log.
class OpenerStub {
 public:
  OpenerStub() : log_(folder_.Path("opened.log")), old_path_(std::getenv("PATH") ? std::getenv("PATH") : "") {
    std::string script = folder_.Write("xdg-open", "#!/bin/sh\nprintf '%s\\n' \"$1\" >> '" + log_ + "'\n");
    ::chmod(script.c_str(), 0755);
    ::setenv("PATH", (folder_.Folder().string() + ":" + old_path_).c_str(), 1);
  }
  ~OpenerStub() { ::setenv("PATH", old_path_.c_str(), 1); }

  // The arguments seen so far, once at least `count` arrived or the time is up.
  std::vector<std::string> Opened(std::size_t count,
                                  std::chrono::milliseconds patience = std::chrono::seconds(5)) const {
    auto deadline = std::chrono::steady_clock::now() + patience;
    std::vector<std::string> lines;
    for (;;) {
      lines.clear();
      std::string text = ReadFile(log_);
      for (std::size_t start = 0, end; (end = text.find('\n', start)) != std::string::npos; start = end + 1)
        lines.push_back(text.substr(start, end - start));
      if (lines.size() >= count || std::chrono::steady_clock::now() > deadline) return lines;
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
  }

 private:
  TempFolder folder_;
  std::string log_;
  std::string old_path_;
};

class ContentTest : public WindowSystemTest {
 protected:
  void SetUp() override {
    WindowSystemTest::SetUp();
    scene_ = std::make_unique<TWidgetScene>(Owner());
  }
  void TearDown() override {
    scene_.reset();
    WindowSystemTest::TearDown();
  }

  TContentEx& List() { return *scene_->list; }
  const TRect& Box(int i) { return (*List().Items())[i].Bounds; }

  void MovePointerTo(int list_x, int list_y) {
    POINT p = scene_->ListToScreen(list_x, list_y);
    Backend().MovePointer(p.x, p.y);
    Pump();
  }
  void ClickAt(int list_x, int list_y) {
    MovePointerTo(list_x, list_y);
    Backend().Click();
    Pump();
  }

  // Pixels of the list's part of the box that show something.
  int DrawnPixelsInBox() {
    TFrame frame(Backend(), scene_->window);
    int drawn = 0;
    for (int y = kBoxTop; y < kBoxTop + kBoxHeight; ++y)
      for (int x = kBoxLeft; x < kBoxLeft + kBoxWidth - 25; ++x)
        if (frame.At(x, y) != TWidgetScene::kPanelColor) ++drawn;
    return drawn;
  }
  TFrame Frame() { return TFrame(Backend(), scene_->window); }

  // Lets the list's measuring slices run (at most `slices` of them) and
  // returns how many ran.
  int RunSlices(int slices = 100000) {
    int ran = 0;
    for (; ran < slices && List().Measuring(); ++ran) {
      Backend().AdvanceClock(TContentEx::kSliceMilliseconds);
      Pump();
    }
    return ran;
  }
  // How many headlines' title boxes differ between the two lists.
  static int BoxesUnlike(const TContentEx& a, const TContentEx& b) {
    int unlike = std::abs(a.Items()->Count() - b.Items()->Count());
    for (int i = 0; i < std::min(a.Items()->Count(), b.Items()->Count()); ++i)
      unlike += (*a.Items())[i].Bounds == (*b.Items())[i].Bounds ? 0 : 1;
    return unlike;
  }

  std::unique_ptr<TWidgetScene> scene_;
  TempFolder folder_;
};

TEST_F(ContentTest, LayoutStacksHeadlinesInSinglePrecision) {
  scene_->Load(DataFile("corpus/rss_mixed.xml"));
  const TElementList& items = *List().Items();
  ASSERT_EQ(items.Count(), 7);

  TCanvasEx probe(1, 1);
  probe.SetAntialias(false);
  probe.Font().SetName(List().Font().Name());
  float y = 0;
  for (int i = 0; i < items.Count(); ++i) {
    TRect title{0, RoundToInt(y), 0, 0};
    probe.Font().SetStyle(FontStyleBold);
    probe.Font().SetSize(10);
    y += probe.TextHeight(items[i].Title, List().Width());
    title.Right = std::min(probe.TextWidth(items[i].Title), List().Width());
    y += 4;
    title.Bottom = RoundToInt(y);
    EXPECT_EQ(items[i].Bounds, title) << i;
    y += 2;
    y += 2;
    probe.Font().SetStyle(FontStyleRegular);
    probe.Font().SetSize(9);
    y += probe.TextHeight(items[i].Summary, List().Width());
    y += 4;
    y += 15;
  }
  EXPECT_EQ(List().Height(), RoundToInt(y));
  EXPECT_EQ(List().UpdateLayout(), List().Height());
  // A title of two lines is about twice as tall as one of one line.
  const TRect& one = Box(0);
  const TRect& two = Box(6);  // the quoted title wraps into three lines
  EXPECT_GT(two.Bottom - two.Top, 2 * (one.Bottom - one.Top) - 8);
}

TEST_F(ContentTest, WithoutHeadlinesTheLayoutChangesNothing) {
  EXPECT_EQ(List().Items(), nullptr);
  EXPECT_EQ(List().UpdateLayout(), kBoxHeight);
  EXPECT_EQ(List().Height(), kBoxHeight);
  EXPECT_EQ(List().ItemAt(1, 1), -1);
  List().Load(Widen(DataFile("rss_zero_items.xml")));
  EXPECT_EQ(List().Items(), nullptr);
  EXPECT_EQ(List().Height(), kBoxHeight);

  scene_->Load(DataFile("rss_all_blank.xml"));  // a list, but empty
  ASSERT_NE(List().Items(), nullptr);
  EXPECT_EQ(List().Height(), kBoxHeight);
  EXPECT_EQ(DrawnPixelsInBox(), 0);
}

TEST_F(ContentTest, OnlyTitleBoxesAreHit) {
  scene_->Load(DataFile("corpus/atom_default_namespace.xml"));
  for (int i = 0; i < List().Items()->Count(); ++i) {
    const TRect b = Box(i);
    EXPECT_EQ(List().ItemAt(b.Left, b.Top), i);
    EXPECT_EQ(List().ItemAt(b.Right - 1, b.Bottom - 1), i);
    EXPECT_EQ(List().ItemAt(b.Right, b.Top), -1);
    EXPECT_EQ(List().ItemAt(b.Left, b.Bottom), -1);
    EXPECT_EQ(List().ItemAt(b.Left - 1, b.Top), -1);
    EXPECT_EQ(List().ItemAt(b.Left + 1, b.Bottom + 8), -1);  // the summary
  }
  // The untitled entry is headed by its summary, and clickable.
  EXPECT_GT(Box(2).Right, 100);
}

TEST_F(ContentTest, HandCursorOverTitlesAndPressesCaptureTheMouse) {
  scene_->Load(DataFile("corpus/atom_default_namespace.xml"));
  const TRect title = Box(0);
  MovePointerTo(title.Left + 3, title.Top + 3);
  MovePointerTo(title.Left + 4, title.Top + 3);
  EXPECT_EQ(List().Cursor(), 13);
  EXPECT_EQ(Backend().Cursor(), CursorShape::Hand);
  MovePointerTo(title.Left + 3, title.Bottom + 10);
  MovePointerTo(title.Left + 4, title.Bottom + 10);
  EXPECT_EQ(List().Cursor(), 0);
  EXPECT_EQ(Backend().Cursor(), CursorShape::Arrow);

  Backend().PressButton();
  Pump();
  EXPECT_EQ(GetCapture(), List().WindowHandle());
  EXPECT_EQ(GetFocus(), List().WindowHandle());
  Backend().ReleaseButton();
  Pump();
  EXPECT_EQ(GetCapture(), nullptr);
}

TEST_F(ContentTest, ClickOnATitleOpensItsLinkWithTheReferral) {
  OpenerStub opener;
  scene_->Load(DataFile("corpus/atom_default_namespace.xml"));
  const TRect title = Box(0);
  ClickAt(title.Left + 5, title.Bottom + 10);  // the summary: nothing
  ClickAt(title.Right + 5, title.Top + 3);     // beside the title: nothing
  ClickAt(title.Left + 5, title.Top + 3);
  ASSERT_EQ(opener.Opened(1), std::vector<std::string>{"https://haber.example/istanbul-yagis?ref=varnika"});
  EXPECT_EQ(opener.Opened(2, std::chrono::milliseconds(300)).size(), 1u);
}

TEST_F(ContentTest, AnIndentedLinkOpensWithoutTheBlanksAroundIt) {
  OpenerStub opener;
  scene_->Load(folder_.Write("indented.xml",
                             "<rss><channel><item><title>Başlık</title>\n"
                             "<link>\n\t\t https://haber.example/a?x=1 \r\n\t</link></item></channel></rss>"));
  const TRect title = Box(0);
  ClickAt(title.Left + 5, title.Top + 3);
  EXPECT_EQ(opener.Opened(1), std::vector<std::string>{"https://haber.example/a?x=1&ref=varnika"});
}

TEST_F(ContentTest, TextsWiderThanTheListWrapInItAndKeepEveryLine) {
  const std::string wide(48, 'W');
  scene_->Load(folder_.Write("wide.xml", "<rss><channel><item><title>" + wide + " " + wide + "</title><description>" +
                                             wide + " " + wide + " " + wide + "</description></item></channel></rss>"));
  const TElement& item = (*List().Items())[0];
  TCanvasEx probe(1, 1);
  probe.SetAntialias(false);
  probe.Font().SetName(List().Font().Name());
  probe.Font().SetSize(9);
  const float unbounded = probe.TextHeight(item.Summary);
  const float bounded = probe.TextHeight(item.Summary, List().Width());
  ASSERT_GT(bounded, unbounded);  // the lines are wider than the list
  probe.Font().SetStyle(FontStyleBold);
  probe.Font().SetSize(10);
  ASSERT_GT(probe.TextWidth(item.Title), List().Width());
  EXPECT_EQ(Box(0).Right, List().Width());
  EXPECT_EQ(Box(0).Bottom - Box(0).Top, RoundToInt(probe.TextHeight(item.Title, List().Width()) + 4));
  // Title, gaps and the whole wrapped summary make the list's height.
  EXPECT_EQ(List().Height(), RoundToInt(probe.TextHeight(item.Title, List().Width()) + 4 + 2 + 2 + bounded + 4 + 15));
}

TEST_F(ContentTest, TitlesFarDownATallListAreHitAndOpened) {
  OpenerStub opener;
  scene_->Load(folder_.Write("tall.xml", RealLookingRss(1000)));
  RunSlices();
  ASSERT_GT(List().Height(), 100000);  // beyond what 16-bit mouse coordinates reach
  scene_->scroll->ScrollBy(TNewsScroll::kEndDelta);
  const TRect title = Box(999);
  MovePointerTo(title.Left + 3, title.Top + 3);
  MovePointerTo(title.Left + 4, title.Top + 3);
  EXPECT_EQ(List().Cursor(), 13);
  ClickAt(title.Left + 4, title.Top + 3);
  EXPECT_EQ(opener.Opened(1), std::vector<std::string>{"https://haber.example/haber/100999?ref=varnika"});
}

TEST_F(ContentTest, TextIsMeasuredPerLoadAndDrawnPerRedrawNotPerScroll) {
  scene_->Load(folder_.Write("feed.xml", RealLookingRss(40)));
  EXPECT_EQ(List().Counters().TextMeasures, 80u);  // each title and summary once
  EXPECT_EQ(List().Counters().TilePaints, 1u);
  EXPECT_GT(List().Counters().TextDraws, 0u);
  const TFrame top_frame = Frame();

  // Scrolling paints each band once, measuring nothing; scrolling back to
  // painted bands reuses the pictures (the two bands a view meets are kept).
  List().ResetCounters();
  for (int i = 0; i < 4; ++i) scene_->scroll->MouseWheel(-120);
  EXPECT_EQ(List().Counters().TextMeasures, 0u);
  EXPECT_EQ(List().Counters().TilePaints, static_cast<std::uint64_t>((240 + kBoxHeight) / TListTiles::kDefaultRows));
  List().ResetCounters();
  for (int i = 0; i < 4; ++i) scene_->scroll->MouseWheel(120);
  EXPECT_EQ(List().Counters().TextMeasures, 0u);
  EXPECT_EQ(List().Counters().TextDraws, 0u);
  EXPECT_EQ(List().Counters().TilePaints, 0u);
  EXPECT_TRUE(Frame() == top_frame);
  List().ResetCounters();
  scene_->window->Invalidate();
  EXPECT_EQ(List().Counters().TilePaints, 0u);

  // A reload with Redraw set measures and paints the new headlines.
  scene_->Load(DataFile("corpus/rss_mixed.xml"));
  EXPECT_EQ(List().Counters().TextMeasures, 14u);
  EXPECT_EQ(List().Counters().TilePaints, 1u);
  EXPECT_FALSE(Frame() == top_frame);
  // An uncached list paints on every walk.
  List().SetCached(false);
  List().SetRedraw(true);
  List().ResetCounters();
  scene_->window->Invalidate();
  scene_->window->Invalidate();
  EXPECT_EQ(List().Counters().TilePaints, 2u);
  EXPECT_EQ(List().Counters().TextMeasures, 0u);
}

TEST_F(ContentTest, SmallTilesComposeTheSamePictureAsOneBand) {
  const std::string feed = folder_.Write("feed.xml", RealLookingRss(3, 7));
  constexpr int kOneBand = 4096;
  TWidgetScene whole(Owner(), kOneBand);
  whole.Load(feed);
  ASSERT_LE(whole.list->Height(), kOneBand);
  TWidgetScene banded(Owner(), 37);
  banded.Load(feed);
  ASSERT_EQ(banded.list->Height(), whole.list->Height());
  for (int top : {0, -1, -36, -37, -111, -250, kBoxHeight - whole.list->Height()}) {
    whole.list->SetTop(top);
    banded.list->SetTop(top);
    whole.window->Invalidate();
    banded.window->Invalidate();
    EXPECT_TRUE(TFrame(Backend(), banded.window) == TFrame(Backend(), whole.window)) << "top " << top;
  }
  EXPECT_GT(banded.list->Counters().TilePaints, 8u);
}

TEST_F(ContentTest, ReloadsAndScrollingHoldNoMoreTilesThanOneViewMeets) {
  const std::string feed = folder_.Write("feed.xml", RealLookingRss(40));
  scene_->Load(feed);
  const std::size_t bytes = List().PixelBytes();
  // Every reload discards the pictures; their tiles are repainted, not added.
  for (int reload = 0; reload < 10; ++reload) {
    scene_->Load(reload % 2 ? feed : DataFile("corpus/rss_mixed.xml"));
    scene_->Load(feed);
  }
  EXPECT_EQ(List().PixelBytes(), bytes);
  // A view across a band's edge needs two tiles; scrolling on never adds a third.
  TWidgetScene banded(Owner(), 300);
  banded.Load(feed);
  for (int top = 0; top > kBoxHeight - banded.list->Height(); top -= 37) {
    banded.list->SetTop(top);
    banded.window->Invalidate();
    banded.Load(feed);
  }
  EXPECT_EQ(banded.list->TileCount(), 2u);
}

TEST_F(ContentTest, TenThousandHeadlinesFitInSixteenMegabytes) {
  scene_->Load(folder_.Write("huge.xml", RealLookingRss(10000)));
  RunSlices();
  ASSERT_EQ(List().Items()->Count(), 10000);
  EXPECT_GT(List().Height(), 1000000);
  for (int step = 0; step <= 20; ++step) {
    List().SetTop(static_cast<int>(static_cast<long long>(kBoxHeight - List().Height()) * step / 20));
    scene_->window->Invalidate();
    EXPECT_GT(DrawnPixelsInBox(), 500) << "step " << step;
  }
  EXPECT_LE(List().TileCount(), 2u);
  EXPECT_LE(List().PixelBytes(), 16u << 20);
}

// A long list shows its first screens at once, exactly as the whole list
// would; the slices then grow it, and the scroll range with it, to the
// height and boxes of measuring in one go.
TEST_F(ContentTest, ALongListIsShownAfterItsFirstSliceAndGrowsToItsWholeHeight) {
  const std::string feed = folder_.Write("long.xml", RealLookingRss(600));
  TWidgetScene whole(Owner());
  whole.list->SetItemsMeasuredAtOnce(600);
  whole.Load(feed);
  ASSERT_FALSE(whole.list->Measuring());
  scene_->Load(feed);
  ASSERT_TRUE(List().Measuring());
  EXPECT_GE(List().Height(), 2 * kBoxHeight);
  EXPECT_LT(List().MeasuredCount(), 100);
  EXPECT_EQ(List().Counters().TextMeasures, 2u * static_cast<unsigned>(List().MeasuredCount()));
  EXPECT_TRUE(Frame() == TFrame(Backend(), whole.window));

  // The view reaches only measured rows; the slices keep it where it is.
  scene_->scroll->ScrollBy(TNewsScroll::kEndDelta);
  const int top = List().Top();
  EXPECT_EQ(top, kBoxHeight - List().Height());
  std::vector<int> heights{List().Height()};
  List().OnMeasured = [&, update = List().OnMeasured](TControl* sender) {
    heights.push_back(List().Height());
    update(sender);
  };
  EXPECT_GE(RunSlices(), 1);
  EXPECT_FALSE(List().Measuring());
  EXPECT_TRUE(std::is_sorted(heights.begin(), heights.end(), std::less_equal<int>())) << heights.size();
  EXPECT_EQ(List().Height(), whole.list->Height());
  EXPECT_EQ(BoxesUnlike(List(), *whole.list), 0);
  EXPECT_EQ(List().Counters().TextMeasures, 1200u);
  EXPECT_EQ(List().Top(), top);
  EXPECT_LT(scene_->thumb->Top(), kBoxHeight - kThumbHeight);
  scene_->scroll->ScrollBy(TNewsScroll::kEndDelta);
  whole.scroll->ScrollBy(TNewsScroll::kEndDelta);
  EXPECT_TRUE(Frame() == TFrame(Backend(), whole.window));
}

// A load or a clear while a long list is being measured stops its slices;
// a long list that follows is measured from its own first headline.
TEST_F(ContentTest, ANewFeedMidWaySupersedesTheSlicesOfTheOldOne) {
  const std::string first = folder_.Write("first.xml", RealLookingRss(500, 7));
  const std::string second = folder_.Write("second.xml", RealLookingRss(700, 9));
  TWidgetScene whole(Owner());
  whole.list->SetItemsMeasuredAtOnce(700);
  whole.Load(second);

  // A short feed or a clear: nothing is measured any more.
  const std::function<void()> interruptions[] = {[&] { scene_->Load(DataFile("corpus/rss_mixed.xml")); },
                                                 [&] { List().ClearItems(); }};
  for (const auto& interrupt : interruptions) {
    scene_->Load(first);
    RunSlices(1);
    ASSERT_TRUE(List().Measuring());
    interrupt();
    EXPECT_FALSE(List().Measuring());
    const int height = List().Height();
    const int measured = List().MeasuredCount();
    List().ResetCounters();
    Backend().AdvanceClock(1000);
    Pump();
    EXPECT_EQ(List().Counters().TextMeasures, 0u);
    EXPECT_EQ(List().Height(), height);
    EXPECT_EQ(List().MeasuredCount(), measured);
  }
  EXPECT_EQ(List().MeasuredCount(), 0);

  scene_->Load(first);
  RunSlices(2);
  ASSERT_TRUE(List().Measuring());
  scene_->Load(second);
  RunSlices();
  EXPECT_EQ(List().Height(), whole.list->Height());
  EXPECT_EQ(BoxesUnlike(List(), *whole.list), 0);
}

}  // namespace
}  // namespace varnika::testing
