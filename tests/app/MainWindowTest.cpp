// The whole widget on the headless display with the manual clock and a
// loopback server: start-up, options, the refresh cycle, zoom, panels,
// check boxes and closing.
//
// Reading map: WidgetTest cases in that order (first run and placement,
// downloads and the refresh cycle, updates, shrinking and panels, check
// boxes and the menu, closing and the end of the session, the user's feed
// address), then ApplicationTest (a second instance, the data folder).
#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "app/Application.h"
#include "base/Exceptions.h"
#include "base/Utf.h"
#include "platform/Core.h"
#include "platform/Input.h"
#include "platform/InstanceLock.h"
#include "platform/Menu.h"
#include "platform/MessageLoop.h"
#include "platform/Window.h"
#include "resources/MenuResource.h"
#include "resources/Resources.h"
#include "tests/app/WidgetTestSupport.h"
#include "toolkit/TrayIcon.h"
#include "widget/BitmapControls.h"
#include "widget/CheckBoxEx.h"
#include "widget/ContentEx.h"
#include "widget/FeedCacheHeaders.h"
#include "widget/ImageEx.h"
#include "widget/SkinText.h"
#include "widget/ThrobberEx.h"

namespace varnika::test {
namespace {

constexpr std::u16string_view kFirstRunFile =
    u"[general]\r\nleft=402\r\ntop=322\r\n\r\n[options]\r\nstartup=1\r\nalwaystop=1\r\nshowtray=1\r\n"
    u"autoscale=1\r\n\r\n";

int ItemCount(TMainWindow& w) { return w.NewsList()->Items() ? w.NewsList()->Items()->Count() : 0; }

// Closes the widget and takes the quit it posts, so the test may start another.
void CloseForAnotherStart(HWND wnd) {
  SendMessageW(wnd, WM_CLOSE, 0, 0);
  MSG quit;
  PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE);
}

TEST_F(WidgetTest, FirstRunIsCentredWithEverythingOnAndWritesTheKnownFileOnClose) {
  TTestMainWindow& w = Start();
  EXPECT_EQ(w.Left(), 402);
  EXPECT_EQ(w.Top(), 322);
  EXPECT_EQ(w.Width(), 475);
  EXPECT_EQ(w.Height(), 350);
  EXPECT_EQ(w.Opacity(), 0);
  EXPECT_TRUE(IsWindowVisible(wnd));
  EXPECT_TRUE(w.StartupBox()->Checked() && w.AlwaysTopBox()->Checked() && w.TrayBox()->Checked() &&
              w.AutoScaleBox()->Checked());
  EXPECT_TRUE(w.AutoScale());
  EXPECT_TRUE(GetWindowLongW(wnd, GWL_EXSTYLE) & WS_EX_TOPMOST);
  ASSERT_EQ(display->TrayIcons().size(), 1u);
  EXPECT_EQ(display->TrayIcons()[0].tip, u"Varnika");
  EXPECT_TRUE(std::filesystem::is_directory(Utf16ToUtf8(data_path)));
  EXPECT_TRUE(std::filesystem::is_regular_file(root / "config/autostart/Varnika.desktop"));  // as the box says

  SendMessageW(wnd, WM_CLOSE, 0, 0);
  EXPECT_FALSE(IsWindow(wnd));
  EXPECT_EQ(ReadFile(DataFile("options.ini")), Utf16File(kFirstRunFile));
  EXPECT_TRUE(display->TrayIcons().empty());
  MSG msg;
  EXPECT_TRUE(PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
}

TEST_F(WidgetTest, AStoredPositionIsUsedAndSnapsToTheWorkAreaWithinSevenPixels) {
  WriteFile(DataFile("options.ini"), Utf16File(u"[general]\r\nleft=7\r\ntop=641\r\n[options]\r\nstartup=0\r\n"));
  TTestMainWindow& w = Start();
  EXPECT_EQ(w.Left(), 0);           // 7 from the left edge
  EXPECT_EQ(w.Top(), 994 - 350);    // 3 above the bottom
  EXPECT_FALSE(w.StartupBox()->Checked());
  SetWindowPos(wnd, nullptr, 8, 100, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  EXPECT_EQ(w.Left(), 8);
  SetWindowPos(wnd, nullptr, 1280 - 475 - 6, 5, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  EXPECT_EQ(w.Left(), 1280 - 475);
  EXPECT_EQ(w.Top(), 0);
  RECT r;
  GetWindowRect(wnd, &r);
  EXPECT_EQ(r.left, 1280 - 475);  // the window system agrees with the control
}

TEST_F(WidgetTest, AfterTheFirstRunTheStartupBoxFollowsTheAutostartEntry) {
  const auto entry = root / "config/autostart/Varnika.desktop";
  for (const bool installed : {false, true}) {
    for (const char16_t* stored : {u"startup=0", u"startup=1"}) {
      SCOPED_TRACE(::testing::Message() << installed << " " << Utf16ToUtf8(stored));
      std::filesystem::create_directories(entry.parent_path());
      if (installed) std::ofstream(entry) << "[Desktop Entry]\n";
      WriteFile(DataFile("options.ini"), Utf16File(u"[options]\r\n" + std::u16string(stored) + u"\r\n"));
      EXPECT_EQ(Start().StartupBox()->Checked(), installed);
      EXPECT_EQ(std::filesystem::exists(entry), installed);  // reading changes nothing
      CloseForAnotherStart(wnd);
      std::filesystem::remove(entry);
    }
  }
}

// Two monitors side by side, the primary on the right, one panel along the
// bottom of both.
TEST_F(WidgetTest, PlacingSnappingAndShrinkingFollowTheMonitorTheWidgetIsOn) {
  display->SetScreenSize(2560, 1024);
  display->SetMonitors({RECT{1280, 0, 2560, 1024}, RECT{0, 0, 1280, 1024}});
  display->SetWorkArea(RECT{0, 0, 2560, 994});
  const struct {
    const char16_t* stored;
    int left, top;
  } places[] = {
      {u"", 1280 + 402, 322},                                         // first run: centred on the primary
      {u"left=801\r\ntop=640\r\n", 1280 - 475, 994 - 350},            // snaps to the seam's edge
      {u"left=1284\r\ntop=3\r\n", 1280, 0},                           // and to the primary's left edge
      {u"left=-100\r\ntop=500\r\n", -100, 500},                       // partly on a monitor: as stored
      {u"left=-2147483648\r\ntop=-2147483648\r\n", 0, 0},             // off every monitor: brought back
      {u"left=2147483647\r\ntop=300\r\n", 2560 - 475, 300},
      {u"left=700\r\ntop=5000\r\n", 700, 994 - 350},
  };
  for (const auto& place : places) {
    SCOPED_TRACE(Utf16ToUtf8(place.stored));
    WriteFile(DataFile("options.ini"), Utf16File(u"[general]\r\n" + std::u16string(place.stored)));
    TTestMainWindow& w = Start();
    EXPECT_EQ(w.Left(), place.left);
    EXPECT_EQ(w.Top(), place.top);
    CloseForAnotherStart(wnd);
  }

  // Shrinking goes toward the nearest corner of the widget's own monitor.
  TTestMainWindow& w = Start();
  for (const auto& [x, corner] : {std::pair{805, 3}, std::pair{1290, 1}, std::pair{2000, 3}}) {
    SetWindowPos(wnd, nullptr, x, 600, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    SendMessageW(wnd, WM_ACTIVATE, WA_INACTIVE, 0);
    EXPECT_EQ(w.Corner(), corner) << x;
    SendMessageW(wnd, WM_ACTIVATE, WA_ACTIVE, 0);
  }
}

TEST_F(WidgetTest, StartUpFadesInAndFetchesFeedUpdateAndCounterOnce) {
  TTestMainWindow& w = Start();
  Advance(49);
  EXPECT_TRUE(RequestsFor("/").empty());
  EXPECT_FALSE(w.StartTrimmed());
  StartUp();
  EXPECT_TRUE(w.StartTrimmed());
  EXPECT_EQ(w.Opacity(), 255);
  EXPECT_EQ(display->SurfaceOf(wnd).alpha, 255);
  ASSERT_EQ(RequestsFor("/gundem.rss?rand=").size(), 1u);
  EXPECT_EQ(RequestsFor("/varnika.xml?rand=").size(), 1u);
  EXPECT_EQ(RequestsFor("/swidget/varnikadalmo.gif").size(), 1u);
  EXPECT_EQ(ItemCount(w), 12);
  EXPECT_EQ(ReadFile(DataFile("news.xml")), replies.feed);
  EXPECT_FALSE(w.Throbber()->Visible());
  EXPECT_FALSE(w.StatusText()->Visible());
  EXPECT_TRUE(w.Scroller()->Visible());  // twelve headlines overflow the box
  Advance(1000);
  EXPECT_EQ(RequestsFor("/varnika.xml").size(), 1u);  // the update check runs once
}

TEST_F(WidgetTest, ALongCacheIsShownOnlyAfterTheFaceHasFadedIn) {
  WriteFile(DataFile("news.xml"), RssFeed(1001));
  TTestMainWindow& w = Start();
  ASSERT_TRUE(PumpUntil([&] { return w.CacheRead() == nullptr; }));
  EXPECT_EQ(ItemCount(w), 0);
  EXPECT_FALSE(w.StartTrimmed());
  w.SetServers(TServers{});  // no download to replace it
  StartUp();
  EXPECT_EQ(w.Opacity(), 255);
  EXPECT_EQ(ItemCount(w), 1001);
  EXPECT_TRUE(w.StartTrimmed());
}

TEST_F(WidgetTest, RefreshesComeFiveMinutesAfterTheEndOfTheLastDownload) {
  Start();
  StartUp();
  Advance(299999);
  ASSERT_TRUE(PumpUntil([this] { return DownloadsIdle(); }));
  EXPECT_EQ(RequestsFor("/gundem.rss").size(), 1u);
  Advance(1);
  ASSERT_TRUE(PumpUntil([this] { return RequestsFor("/gundem.rss").size() == 2 && DownloadsIdle(); }));
}

TEST_F(WidgetTest, TheIdleCheckTrimsOnceThenSleepsUntilInputOrAFeedDownload) {
  TTestMainWindow& w = Start();
  StartUp();
  LastInputTick = GetTickCount();
  Advance(9950);  // the first check, 10 s after start: input 9.95 s ago is not idle yet
  EXPECT_TRUE(w.IdleTimer()->Enabled());
  Advance(10000);  // idle: one trim, then the timer stays off
  EXPECT_FALSE(w.IdleTimer()->Enabled());
  Advance(60000);  // the counter's ping neither counts as activity nor wakes it
  ASSERT_TRUE(PumpUntil([this] { return DownloadsIdle(); }));
  EXPECT_EQ(RequestsFor("/swidget/varnikadalmo.gif").size(), 2u);
  EXPECT_FALSE(w.IdleTimer()->Enabled());

  // The mouse over the headlines wakes it; 10 s after the last input it
  // trims and sleeps again.
  display->MovePointer(w.Left() + 100, w.Top() + 120);
  display->MovePointer(w.Left() + 110, w.Top() + 130);
  Pump();
  EXPECT_TRUE(w.IdleTimer()->Enabled());
  Advance(10001);
  EXPECT_FALSE(w.IdleTimer()->Enabled());

  // So does a finished feed download.
  SendMessageW(wnd, WM_COMMAND, IDM_REFRESH, 0);
  ASSERT_TRUE(PumpUntil([this] { return DownloadsIdle(); }));
  EXPECT_TRUE(w.IdleTimer()->Enabled());
}

TEST_F(WidgetTest, AFailedOrForeignDownloadKeepsTheCacheAndTheHeadlines) {
  TTestMainWindow& w = Start();
  StartUp();
  const std::string good = ReadFile(DataFile("news.xml"));
  {
    std::lock_guard lock(replies_mutex);
    replies.feed_status = "500 Internal Server Error";
    replies.feed = "<html><body>Sunucu hatası</body></html>";
  }
  SendMessageW(wnd, WM_COMMAND, IDM_REFRESH, 0);
  EXPECT_TRUE(w.Throbber()->Visible());
  ASSERT_TRUE(PumpUntil([this] { return DownloadsIdle(); }));
  EXPECT_EQ(ReadFile(DataFile("news.xml")), good);
  EXPECT_EQ(ItemCount(w), 12);
  EXPECT_FALSE(w.Throbber()->Visible());
  EXPECT_TRUE(w.RefreshTimer()->Enabled());

  // No server at all: the same, and the next attempt five minutes later.
  server.reset();
  SendMessageW(wnd, WM_COMMAND, IDM_REFRESH, 0);
  ASSERT_TRUE(PumpUntil([this] { return DownloadsIdle(); }));
  EXPECT_EQ(ItemCount(w), 12);
  EXPECT_TRUE(w.RefreshTimer()->Enabled());
}

TEST_F(WidgetTest, AnUnchangedFeedIsAskedForConditionallyAndNeitherReparsedNorRepainted) {
  const std::string v1 = "ETag: \"v1\"\r\nLast-Modified: Mon, 07 Dec 2026 10:00:00 GMT\r\n"
                         "Content-Type: application/rss+xml; charset=utf-8\r\n";
  replies.feed_headers = v1;
  TTestMainWindow& w = Start();
  StartUp();
  const std::u16string sidecar = DataFile("news.xml.headers");
  EXPECT_EQ(RequestsFor("/gundem.rss")[0].find("If-"), std::string::npos);
  EXPECT_EQ(TFeedCacheHeaders::Parse(ReadFile(sidecar)).etag, "\"v1\"");
  const auto refresh = [&](std::string_view expected_condition) {
    w.NewsList()->ResetCounters();
    const std::size_t before = RequestsFor("/gundem.rss").size();
    SendMessageW(wnd, WM_COMMAND, IDM_REFRESH, 0);
    ASSERT_TRUE(PumpUntil([&] { return RequestsFor("/gundem.rss").size() > before && DownloadsIdle(); }));
    const std::string sent = RequestsFor("/gundem.rss").back();
    EXPECT_EQ(sent.find("If-None-Match: " + std::string(expected_condition)) != std::string::npos,
              !expected_condition.empty()) << sent;
    EXPECT_TRUE(w.RefreshTimer()->Enabled());
  };
  // 304: the list and the cache stay, nothing is measured or painted.
  refresh("\"v1\"");
  EXPECT_NE(RequestsFor("/gundem.rss").back().find("If-Modified-Since: Mon, 07 Dec 2026 10:00:00 GMT\r\n"),
            std::string::npos);
  EXPECT_EQ(ItemCount(w), 12);
  EXPECT_EQ(w.NewsList()->Counters().TextMeasures + w.NewsList()->Counters().TilePaints, 0u);
  // A 200 whose body is the cached one: the same, and its new validators are kept.
  {
    std::lock_guard lock(replies_mutex);
    replies.feed_headers = "ETag: \"v2\"\r\n";
  }
  refresh("\"v1\"");
  EXPECT_EQ(w.NewsList()->Counters().TextMeasures + w.NewsList()->Counters().TilePaints, 0u);
  EXPECT_EQ(TFeedCacheHeaders::Parse(ReadFile(sidecar)).etag, "\"v2\"");
  refresh("\"v2\"");
  // A changed feed is loaded as before.
  {
    std::lock_guard lock(replies_mutex);
    replies.feed = RssFeed(5);
    replies.feed_headers = "ETag: \"v3\"\r\n";
  }
  refresh("\"v2\"");
  EXPECT_EQ(ItemCount(w), 5);
  EXPECT_GT(w.NewsList()->Counters().TextMeasures, 0u);
  EXPECT_EQ(ReadFile(DataFile("news.xml")), replies.feed);
  // A cache that is not the one its headers were stored for is asked for unconditionally.
  WriteFile(DataFile("news.xml"), RssFeed(3));
  refresh("");
  EXPECT_EQ(ReadFile(DataFile("news.xml")), replies.feed);
  EXPECT_EQ(ItemCount(w), 5);
}

TEST_F(WidgetTest, ReloadsHoldTheListsMemoryFlat) {
  TTestMainWindow& w = Start();
  StartUp();
  const auto resident = [] {
    long pages = 0, resident_pages = 0;
    std::ifstream("/proc/self/statm") >> pages >> resident_pages;
    return resident_pages * ::sysconf(_SC_PAGESIZE);
  };
  const std::size_t tiles = w.NewsList()->TileCount();
  [[maybe_unused]] const long rss = resident();
  for (int reload = 0; reload < 8; ++reload) {
    {
      std::lock_guard lock(replies_mutex);
      replies.feed = RssFeed(12, reload % 2 ? "Başlık" : "Manşet");
    }
    SendMessageW(wnd, WM_COMMAND, IDM_REFRESH, 0);
    ASSERT_TRUE(PumpUntil([this] { return DownloadsIdle(); }));
  }
  EXPECT_EQ(w.NewsList()->TileCount(), tiles);
#if !defined(__SANITIZE_ADDRESS__)  // the sanitizer's quarantine holds freed memory
  EXPECT_LT(resident() - rss, 4L << 20);  // each tile added would be 0.8 MB
#endif
}

TEST_F(WidgetTest, AThreadThatCannotStartEndsLikeAFailedDownload) {
  TTestMainWindow& w = Start();
  StartUp();
  w.fail_thread_start = true;
  SendMessageW(wnd, WM_COMMAND, IDM_REFRESH, 0);
  EXPECT_EQ(w.FeedThread(), nullptr);
  EXPECT_FALSE(w.Throbber()->Visible());
  EXPECT_FALSE(w.BusyTimer()->Enabled());
  EXPECT_TRUE(w.RefreshTimer()->Enabled());
  w.fail_thread_start = false;
  Advance(300000);  // the next attempt comes with the timer
  ASSERT_TRUE(PumpUntil([this] { return RequestsFor("/gundem.rss").size() == 2 && DownloadsIdle(); }));
}

TEST_F(WidgetTest, AnEmptyHostSwitchesItsRequestsOff) {
  TTestMainWindow& w = Start();
  w.SetServers(TServers{});
  StartUp();
  Advance(600000);  // refreshes and counter pings fall due meanwhile
  Pump();
  EXPECT_TRUE(RequestsFor("/").empty());
  EXPECT_TRUE(w.FeedThread() == nullptr && w.UpdateThread() == nullptr && w.CounterThread() == nullptr);
  EXPECT_FALSE(w.Throbber()->Visible());
  EXPECT_TRUE(w.RefreshTimer()->Enabled());
  EXPECT_FALSE(w.CounterTimer()->Enabled());  // nothing wakes for a counter that is off
  EXPECT_TRUE(w.StartTrimmed());              // with no refresh at all
  CloseForAnotherStart(wnd);

  // The user's own feed is still fetched.
  WriteFile(DataFile("options.ini"), Utf16File(Utf8ToUtf16("[feed]\r\nurl=http://" + server->Host() + "/kendi.rss\r\n")));
  Start().SetServers(TServers{});
  StartUp();
  EXPECT_EQ(RequestsFor("/kendi.rss").size(), 1u);
  EXPECT_EQ(RequestsFor("/").size(), 1u);
}

TEST_F(WidgetTest, RefreshWhileADownloadRunsStartsNothingNew) {
  TTestMainWindow& w = Start();
  {
    std::lock_guard lock(replies_mutex);
    replies.hold_feed = true;
  }
  Advance(50);
  ASSERT_TRUE(PumpUntil([this] { return RequestsFor("/gundem.rss").size() == 1; }));
  TInternetThread* running = w.FeedThread();
  ASSERT_NE(running, nullptr);
  SendMessageW(wnd, WM_COMMAND, IDM_REFRESH, 0);
  EXPECT_EQ(w.FeedThread(), running);
  Advance(20 * 5);  // the busy animation turns meanwhile
  EXPECT_GT(w.Throbber()->Frame(), 0);
  release_feed = true;
  ASSERT_TRUE(PumpUntil([this] { return DownloadsIdle(); }));
  EXPECT_EQ(RequestsFor("/gundem.rss").size(), 1u);
}

TEST_F(WidgetTest, ANewerVersionIsOfferedOnceWithTheProductNameInQuotes) {
  // Dotted numbers compare part by part as numbers; blanks around them do not count.
  const struct {
    const char* version;
    bool newer;
  } versions[] = {
      {"2.1", true},    {"2.0.1", true}, {"3", true},       {"10.0", true},  {"2.10", true},
      {" 2.1\n", true}, {"2.0", false}, {"2", false},      {"2.0.0", false}, {"02.00", false},
      {"1.9", false},   {"1.10", false}, {"2.0\n", false}, {" 2.0 ", false}, {"", false},
      {"2.x", false},   {"2..1", false}, {"abc", false},    {"99999999999999999999.0", true},
  };
  for (const auto& v : versions) EXPECT_EQ(TMainWindow::IsNewerVersion(v.version), v.newer) << '"' << v.version << '"';
  EXPECT_EQ(TMainWindow::ReadVersion("<data><version>2.1</version></data>"), "2.1");
  EXPECT_EQ(TMainWindow::ReadVersion("<data><version>\n  2.0\n</version></data>"), "2.0");
  EXPECT_EQ(TMainWindow::ReadVersion("<data><version>2.1</version>"), "");
  EXPECT_EQ(TMainWindow::ReadVersion("<other><version>2.1</version></other>"), "");

  {
    std::lock_guard lock(replies_mutex);
    replies.version = "2.1";
  }
  TTestMainWindow& w = Start();
  std::u16string caption;
  int offers = 0;
  w.OnIdle = [&](HWND box) {
    ++offers;
    char16_t text[64] = {};
    GetWindowTextW(box, text, 64);
    caption = text;
    display->TypeKey('N', u"n");
  };
  StartUp();
  EXPECT_EQ(offers, 1);
  EXPECT_EQ(caption, u"Varnika");
  Advance(600000);
  ASSERT_TRUE(PumpUntil([this] { return DownloadsIdle(); }));
  EXPECT_EQ(offers, 1);
}

TEST_F(WidgetTest, DeactivationShrinksToTheNearestCornerAndActivationGrowsBack) {
  TTestMainWindow& w = Start();
  StartUp();
  SendMessageW(wnd, WM_ACTIVATE, WA_INACTIVE, 0);
  EXPECT_TRUE(w.Collapsed());
  EXPECT_TRUE(w.CollapseDone());
  EXPECT_EQ(w.Scale(), 0.24999984f);
  EXPECT_EQ(w.Corner(), 0);
  EXPECT_EQ(w.Root()->Width(), 1);
  // The window is the 119 x 87 picture in the top left corner of the face.
  const RECT full{w.Left(), w.Top(), w.Left() + 475, w.Top() + 350};
  auto frame = display->SurfaceOf(wnd);
  EXPECT_EQ(frame.rect, (RECT{full.left, full.top, full.left + 119, full.top + 87}));
  ASSERT_EQ(frame.frame_width, 119);
  ASSERT_EQ(frame.frame_height, 87);
  EXPECT_NE(frame.pixels[50 * 119 + 60] >> 24, 0u);

  SendMessageW(wnd, WM_ACTIVATE, WA_ACTIVE, 0);
  EXPECT_FALSE(w.Collapsed());
  EXPECT_EQ(w.Scale(), 1.0f);
  EXPECT_EQ(w.Root()->Width(), 475);
  EXPECT_EQ(display->SurfaceOf(wnd).rect, full);

  // Near the bottom right corner of the screen it shrinks toward it, and
  // the place it saves is the whole face's.
  SetWindowPos(wnd, nullptr, 700, 600, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  SendMessageW(wnd, WM_ACTIVATE, WA_INACTIVE, 0);
  EXPECT_EQ(w.Corner(), 3);
  frame = display->SurfaceOf(wnd);
  EXPECT_EQ(frame.rect, (RECT{700 + 475 - 119, 600 + 350 - 87, 700 + 475, 600 + 350}));
  EXPECT_NE(frame.pixels[(87 - 40) * 119 + 60] >> 24, 0u);
  w.SaveOptions();
  EXPECT_NE(ReadFile(DataFile("options.ini")).find(Utf16File(u"left=700\r\ntop=600\r\n").substr(2)), std::string::npos);
  SendMessageW(wnd, WM_ACTIVATE, WA_INACTIVE, 0);  // again: it stays where it is
  EXPECT_EQ(display->SurfaceOf(wnd).rect, frame.rect);

  // A left click on the tray icon brings it back grown and active.
  SetActiveWindow(nullptr);
  ASSERT_TRUE(w.Collapsed());
  const TrayIconState icon = display->TrayIcons().at(0);
  display->TrayClick(icon.owner, icon.id);
  ASSERT_TRUE(PumpUntil([&] { return !w.Collapsed(); }));
  EXPECT_EQ(w.Scale(), 1.0f);
  EXPECT_EQ(GetActiveWindow(), wnd);
  SendMessageW(wnd, WM_ACTIVATE, WA_INACTIVE, 0);

  // A download that ends meanwhile refreshes the small picture and keeps it small.
  const int frames = display->SurfaceOf(wnd).frames_presented;
  SendMessageW(wnd, WM_COMMAND, IDM_REFRESH, 0);
  ASSERT_TRUE(PumpUntil([this] { return DownloadsIdle(); }));
  EXPECT_TRUE(w.Collapsed());
  EXPECT_GT(display->SurfaceOf(wnd).frames_presented, frames);

  // Without autoscale nothing changes.
  SendMessageW(wnd, WM_ACTIVATE, WA_ACTIVE, 0);
  w.SetAutoScale(false);
  SendMessageW(wnd, WM_ACTIVATE, WA_INACTIVE, 0);
  EXPECT_FALSE(w.Collapsed());
}

TEST_F(WidgetTest, PanelsSlideInFifteenPixelStepsWithRisingOpacity) {
  TTestMainWindow& w = Start();
  // The panels' controls have their sizes; their pictures wait for the first
  // show and are there for the slide's first frame.
  EXPECT_EQ(w.OptionsSlider()->Width(), 385);
  EXPECT_EQ(w.OptionsSlider()->Height(), 183);
  EXPECT_EQ(w.AboutClose()->Width(), 21);
  EXPECT_TRUE(w.OptionsSlider()->ImagePending() && w.AboutClose()->ImagePending());
  std::vector<std::pair<int, int>> about;
  std::vector<bool> about_pending;
  w.OnPaint = [&](TControl*) {
    about.emplace_back(w.AboutSlider()->Top(), w.AboutSlider()->Opacity());
    about_pending.push_back(w.AboutClose()->ImagePending());
  };
  SendMessageW(wnd, WM_COMMAND, IDM_ABOUT, 0);
  ASSERT_EQ(about.size(), 16u);
  EXPECT_FALSE(about_pending[0]);
  EXPECT_TRUE(w.OptionsSlider()->ImagePending());
  EXPECT_EQ(about[0], std::make_pair(-224, 0));
  for (int i = 1; i <= 14; ++i) EXPECT_EQ(about[i], std::make_pair(-224 + 15 * i, 17 * i)) << i;
  EXPECT_EQ(about[15], std::make_pair(0, 255));
  EXPECT_TRUE(w.AboutPanel()->Visible());

  // Options while about is open: about slides out first, then options in.
  std::vector<std::pair<int, int>> options;
  std::vector<bool> options_pending;
  w.OnPaint = [&](TControl*) {
    options.emplace_back(w.OptionsSlider()->Top(), w.OptionsSlider()->Opacity());
    options_pending.push_back(w.OptionsSlider()->ImagePending());
  };
  SendMessageW(wnd, WM_COMMAND, IDM_OPTIONS, 0);
  EXPECT_FALSE(w.AboutPanel()->Visible());
  EXPECT_EQ(w.AboutSlider()->Top(), -224);
  EXPECT_TRUE(w.OptionsPanel()->Visible());
  ASSERT_GE(options.size(), 14u);
  const auto tail = std::vector<std::pair<int, int>>(options.end() - 14, options.end());
  EXPECT_EQ(tail[0], std::make_pair(-183, 0));
  EXPECT_FALSE(options_pending[options.size() - 14]);
  for (int i = 1; i <= 12; ++i) EXPECT_EQ(tail[i], std::make_pair(-183 + 15 * i, 21 * i)) << i;
  EXPECT_EQ(tail[13], std::make_pair(0, 255));

  options.clear();
  SendMessageW(wnd, WM_COMMAND, IDM_OPTIONS, 0);  // again: slides out
  EXPECT_FALSE(w.OptionsPanel()->Visible());
  EXPECT_EQ(options.back(), std::make_pair(-183, 0));
}

TEST_F(WidgetTest, EachCheckBoxTakesEffectAtOnceAndIsSaved) {
  TTestMainWindow& w = Start();
  const std::string entry = (root / "config" / "autostart" / "Varnika.desktop").string();
  auto click = [](TCheckBoxEx* box) { box->OnClick(box, MK_LBUTTON, 5, 5); };

  click(w.StartupBox());
  EXPECT_FALSE(std::filesystem::exists(entry));
  click(w.StartupBox());
  ASSERT_TRUE(std::filesystem::exists(entry));
  EXPECT_NE(ReadFile(Utf8ToUtf16(entry)).find("app_tests"), std::string::npos);

  click(w.AlwaysTopBox());
  EXPECT_FALSE(GetWindowLongW(wnd, GWL_EXSTYLE) & WS_EX_TOPMOST);
  click(w.TrayBox());
  EXPECT_TRUE(display->TrayIcons().empty());
  click(w.AutoScaleBox());
  SendMessageW(wnd, WM_ACTIVATE, WA_INACTIVE, 0);
  EXPECT_FALSE(w.Collapsed());

  EXPECT_EQ(ReadFile(DataFile("options.ini")),
            Utf16File(u"[general]\r\nleft=402\r\ntop=322\r\n\r\n[options]\r\nstartup=1\r\nalwaystop=0\r\n"
                      u"showtray=0\r\nautoscale=0\r\n\r\n"));
  // The menu still opens from the widget with the tray icon hidden.
  int menus = 0;
  w.OnIdle = [&](HWND) {
    ++menus;
    display->TypeKey(VK_ESCAPE);
  };
  w.ShowMenu();
  EXPECT_EQ(menus, 1);
}

TEST_F(WidgetTest, TheMenuChoosesAboutByItsLetter) {
  TTestMainWindow& w = Start();
  w.OnIdle = [&](HWND) { display->TypeKey('H', u"h"); };
  w.ShowMenu();
  Pump();
  EXPECT_TRUE(w.AboutPanel()->Visible());
}

// On a display of scale 2 the widget keeps its logical layout and shows
// twice the pixels each way, from the skin's finer images; its menu too.
class ScaledWidgetTest : public WidgetTest {
 protected:
  ScaledWidgetTest() { display_scale = 2; }
};

TEST_F(ScaledWidgetTest, AtScaleTwoTheFrameHoldsTheFinerArtAndTheLayoutStaysLogical) {
  TTestMainWindow& w = Start();
  StartUp();
  const HeadlessBackend::Surface face = display->SurfaceOf(wnd);
  EXPECT_EQ(face.rect.right - face.rect.left, 475);
  EXPECT_EQ(face.rect.bottom - face.rect.top, 350);
  ASSERT_EQ(face.frame_width, 950);
  ASSERT_EQ(face.frame_height, 700);
  // Where the background shows bare (the header and footer bands, a corner),
  // the frame holds its finer image's pixels exactly.
  auto fine = TBitmapEx::CreateFromPng(FindResourceData(kResourceTypePng2x, 5002), 2);
  ASSERT_EQ(fine->PixelWidth(), 950);
  for (POINT p : {POINT{600, 90}, POINT{480, 624}, POINT{1, 1}, POINT{946, 696}}) {
    cairo_surface_flush(fine->Image());
    const auto* row = reinterpret_cast<const std::uint32_t*>(fine->Bits() + p.y * fine->Stride());
    EXPECT_EQ(face.pixels[static_cast<size_t>(p.y) * 950 + static_cast<size_t>(p.x)], row[p.x]) << p.x << "," << p.y;
  }

  RECT menu{};
  int menu_frame_width = 0;
  w.OnIdle = [&](HWND popup) {
    const HeadlessBackend::Surface shown = display->SurfaceOf(popup);
    menu = shown.rect;
    menu_frame_width = shown.frame_width;
    display->TypeKey('H', u"h");
  };
  w.ShowMenu();
  Pump();
  EXPECT_GT(menu.right - menu.left, 100);
  EXPECT_EQ(menu_frame_width, 2 * (menu.right - menu.left));
  EXPECT_TRUE(w.AboutPanel()->Visible());
  EXPECT_EQ(w.AboutSlider()->Top(), 0) << "the panel slid in by logical steps";
}

struct Speech {
  const char* locale;  // LANGUAGE is unset, LC_ALL takes this
  char16_t about_key;
  std::vector<std::u16string> menu;
  std::vector<std::u16string> buttons;
  std::u16string startup_caption;
  std::u16string close_hint;
};

class WidgetLanguageTest : public WidgetTest, public ::testing::WithParamInterface<Speech> {};

TEST_P(WidgetLanguageTest, TheMenuTheOfferTheOptionsAndTheHintsSpeakTheUsersLanguage) {
  const Speech& speech = GetParam();
  ScopedEnv no_list("LANGUAGE", nullptr);
  ScopedEnv locale("LC_ALL", speech.locale);
  {
    std::lock_guard lock(replies_mutex);
    replies.version = "2.1";
  }
  TTestMainWindow& w = Start();
  std::vector<std::u16string> buttons;
  w.OnIdle = [&](HWND box) {
    buttons = core::MessageBoxButtonLabels(box);
    display->TypeKey('N', u"n");
  };
  StartUp();
  EXPECT_EQ(buttons, speech.buttons);

  std::vector<std::u16string> menu;
  HMENU popup = GetSubMenu(w.Menu(), 0);
  for (int i = 0; i < GetMenuItemCount(popup); ++i) {
    char16_t text[64] = {};
    GetMenuStringW(popup, static_cast<UINT>(i), text, 64, MF_BYPOSITION);
    menu.push_back(text);
  }
  EXPECT_EQ(menu, speech.menu);
  EXPECT_EQ(w.StartupBox()->Caption(), speech.startup_caption);
  EXPECT_EQ(w.CloseButton()->Hint(), speech.close_hint);

  // The menu's letters are the language's own.
  w.OnIdle = [&](HWND) { display->TypeKey(static_cast<UINT>(speech.about_key), std::u16string(1, speech.about_key)); };
  w.ShowMenu();
  Pump();
  EXPECT_TRUE(w.AboutPanel()->Visible());
}

INSTANTIATE_TEST_SUITE_P(
    Languages, WidgetLanguageTest,
    ::testing::Values(Speech{"tr_TR.UTF-8", u'H',
                             {u"&Hakkında", u"", u"&Seçenekler", u"&Güncelle", u"", u"&Kapat\tAlt+F4"},
                             {u"Evet", u"Hayır"},
                             u"Oturum her açıldığında otomatik olarak başlat.",
                             u"Kapat"},
                      Speech{"en_US.UTF-8", u'A',
                             {u"&About", u"", u"&Options", u"&Refresh", u"", u"&Close\tAlt+F4"},
                             {u"Yes", u"No"},
                             u"Start automatically at every login.",
                             u"Close"}),
    [](const ::testing::TestParamInfo<Speech>& info) { return info.index == 0 ? "Turkish" : "English"; });

TEST_F(WidgetTest, CloseFadesOutSavesAbortsDownloadsAndRemovesTheTrayIcon) {
  TTestMainWindow& w = Start();
  {
    std::lock_guard lock(replies_mutex);
    replies.hold_feed = true;
  }
  Advance(50);
  ASSERT_TRUE(PumpUntil([this] { return RequestsFor("/gundem.rss").size() == 1; }));
  ASSERT_NE(w.FeedThread(), nullptr);
  SetWindowPos(wnd, nullptr, 100, 120, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  const DWORD before = GetTickCount();
  SendMessageW(wnd, WM_COMMAND, IDM_CLOSE, 0);
  EXPECT_EQ(GetTickCount() - before, 63u);  // 63 fade steps of 1 ms
  EXPECT_FALSE(IsWindow(wnd));
  EXPECT_TRUE(display->TrayIcons().empty());
  EXPECT_NE(ReadFile(DataFile("options.ini")).find(Utf16File(u"left=100").substr(2)), std::string::npos);
}

TEST_F(WidgetTest, EndOfSessionReleasesEverythingAndALaterCloseStillEnds) {
  TTestMainWindow& w = Start();
  StartUp();
  EXPECT_EQ(SendMessageW(wnd, WM_QUERYENDSESSION, 0, 0), 1);
  EXPECT_EQ(w.Options(), nullptr);
  EXPECT_EQ(w.RefreshTimer(), nullptr);
  EXPECT_EQ(ReadFile(DataFile("options.ini")), Utf16File(kFirstRunFile));
  w.TrayBox()->OnClick(w.TrayBox(), MK_LBUTTON, 1, 1);  // changes only the screen now
  SendMessageW(wnd, WM_CLOSE, 0, 0);
  EXPECT_FALSE(IsWindow(wnd));
  EXPECT_EQ(ReadFile(DataFile("options.ini")), Utf16File(kFirstRunFile));
}

TEST_F(WidgetTest, AnotherProcessClosesTheWidgetWithItsMessage) {
  Start();
  display->PostForeign(wnd, 37682, 0, 0);
  Pump();
  EXPECT_TRUE(IsWindow(wnd));
  display->PostForeign(wnd, 37683, 0, 0);
  Pump();
  EXPECT_FALSE(IsWindow(wnd));
}

TEST_F(WidgetTest, TheUsersFeedReplacesTheNewsServer) {
  const std::string url = "http://" + server->Host() + "/kendi/akis.xml?dil=tr";
  WriteFile(DataFile("options.ini"), Utf16File(u"[feed]\r\nurl=" + Utf8ToUtf16(url) + u"\r\n"));
  TTestMainWindow& w = Start();
  StartUp();
  ASSERT_EQ(RequestsFor("/kendi/akis.xml?dil=tr&rand=").size(), 1u);
  EXPECT_TRUE(RequestsFor("/gundem.rss").empty());
  EXPECT_EQ(ItemCount(w), 12);
  // The program keeps the key when it writes the file.
  SendMessageW(wnd, WM_CLOSE, 0, 0);
  EXPECT_NE(ReadFile(DataFile("options.ini")).find(Utf16File(u"[feed]").substr(2)), std::string::npos);
}

TEST_F(WidgetTest, AnHttpsFeedIsFetchedSecurelyAndAMalformedOneIsIgnored) {
  WriteFile(DataFile("options.ini"), Utf16File(u"[feed]\r\nurl=https://" + Utf8ToUtf16(server->Host()) + u"/akis\r\n"));
  TTestMainWindow& w = Start();
  {
    std::lock_guard lock(replies_mutex);
    replies.hold_feed = true;
  }
  Advance(50);
  ASSERT_NE(w.FeedThread(), nullptr);
  EXPECT_EQ(w.FeedThread()->Request().Secure(), 1);
  EXPECT_EQ(w.FeedThread()->Request().GetValue(rvHost), server->Host());
  EXPECT_EQ(w.FeedThread()->Request().GetValue(rvObject).rfind("/akis?rand=", 0), 0u);
  // Closing aborts the handshake with the plain server.
  SendMessageW(wnd, WM_CLOSE, 0, 0);
  EXPECT_FALSE(IsWindow(wnd));
}

TEST_F(WidgetTest, AMalformedFeedAddressFallsBackToTheNewsServer) {
  WriteFile(DataFile("options.ini"), Utf16File(u"[feed]\r\nurl=file:///etc/passwd\r\n"));
  Start();
  StartUp();
  EXPECT_EQ(RequestsFor("/gundem.rss?rand=").size(), 1u);
}

// The data folder below a configuration folder of the test's own.
class ApplicationTest : public ::testing::Test {
 protected:
  void SetUp() override {
    root_ = std::filesystem::temp_directory_path() / ("varnika-app-" + std::to_string(::getpid()));
    std::filesystem::remove_all(root_);
  }
  void TearDown() override {
    ::unsetenv("XDG_CONFIG_HOME");
    std::filesystem::remove_all(root_);
  }
  // Runs the application until it opens the display, where probe runs.
  void RunUntilTheDisplay(TApplication& application, bool& opened) {
    EXPECT_THROW(application.Run(), Exception);
    EXPECT_TRUE(opened);
  }
  std::filesystem::path root_;
};

TEST_F(ApplicationTest, ASecondInstanceEndsAtOnceWithoutTouchingTheDisplay) {
  const std::filesystem::path folder = root_ / "config/Telvoran/Varnika";
  std::filesystem::create_directories(folder);
  std::filesystem::create_directory_symlink(root_ / "config", root_ / "other");
  ::setenv("XDG_CONFIG_HOME", (root_ / "other").c_str(), 1);  // the same folder by another path
  auto held = InstanceLock::TryAcquireFolder(folder.string(), nullptr);
  ASSERT_NE(held, nullptr);
  bool opened = false;
  TApplication application([&] {
    opened = true;
    return std::unique_ptr<Backend>(new HeadlessBackend());
  });
  application.Run();
  EXPECT_TRUE(application.AnotherInstance());
  EXPECT_FALSE(opened);
}

// Configuration folders whose paths UTF-16 cannot carry within MAX_PATH or
// at all: the data folder is made below them, reached through DataPath and
// locked for the run, whatever XDG_RUNTIME_DIR says.
TEST_F(ApplicationTest, TheDataFolderIsMadeWhereverTheConfigurationFolderIsAndLockedForTheRun) {
  const std::string long_path = (root_ / std::string(120, 'u') / std::string(120, 'z') / "config").string();
  for (const std::string& config : {(root_ / "config").string(), long_path, (root_ / "conf\xFF\xFEig").string()}) {
    SCOPED_TRACE(config);
    ::setenv("XDG_CONFIG_HOME", config.c_str(), 1);
    const std::string folder = config + "/Telvoran/Varnika";
    bool opened = false;
    TApplication application([&] {
      opened = true;
      // Running: the files land in the folder, and the folder is taken.
      const std::string probe = Utf16ToUtf8(application.DataPath()) + "/options.ini";
      std::ofstream(probe) << "[general]";
      EXPECT_TRUE(std::filesystem::is_regular_file(folder + "/options.ini"));
      int error = 0;
      EXPECT_EQ(InstanceLock::TryAcquireFolder(folder, &error), nullptr);
      EXPECT_EQ(error, EWOULDBLOCK);
      throw Exception(u"no display here");
      return std::unique_ptr<Backend>();
    });
    RunUntilTheDisplay(application, opened);
    EXPECT_NE(InstanceLock::TryAcquireFolder(folder, nullptr), nullptr);  // released when Run ends
  }
  EXPECT_FALSE(std::filesystem::exists("/Telvoran"));
}

}  // namespace
}  // namespace varnika::test
