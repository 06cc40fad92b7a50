// The program under sway through XWayland, as a user there meets it: sway
// places X windows itself (it centres a floating one at every move or
// resize it is asked for) and moves them only on _NET_WM_MOVERESIZE, and
// it ignores the input shape, so only the window's own rectangle keeps
// clicks from the windows below.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
#include <cstdlib>
#include <csignal>
#include <fstream>
#include <iterator>
#include <optional>
#include <thread>

#include "tests/app_sway/SwayDesktop.h"
#include "tests/net/LoopbackServer.h"

namespace varnika::sway {
namespace {

constexpr int kWidth = 475;
constexpr int kHeight = 350;
constexpr int kPatience = 20000;
// A point of the header band clear of the logo and the buttons.
constexpr int kBandX = 300;
constexpr int kBandY = 45;

SwayDesktop& Desk() { return SwayDesktop::Get(); }

void Pause(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

std::string Utf16Le(const std::string& ascii) {
  std::string out = "\xFF\xFE";
  for (char c : ascii) {
    out += c;
    out += '\0';
  }
  return out;
}

std::string FromUtf16Le(const std::string& bytes) {
  std::string text;
  for (std::size_t i = 2; i + 1 < bytes.size(); i += 2) text += bytes[i + 1] ? '?' : bytes[i];
  return text;
}

class SwayWidget : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!Desk().Up()) GTEST_SKIP() << "no headless sway: " << Desk().WhyNot();
    std::string folder = "/tmp/varnika-sway-e2e-XXXXXX";
    ASSERT_NE(mkdtemp(folder.data()), nullptr);
    root_ = folder;
    std::filesystem::create_directories(root_ / "config/Telvoran/Varnika");
    std::filesystem::create_directories(root_ / "run");
    chmod((root_ / "run").c_str(), 0700);
    const std::string feed =
        "<?xml version=\"1.0\"?><rss version=\"2.0\"><channel><title>G</title>"
        "<item><title>Kıyıda hasat rekor düzeye yaklaştı</title><link>http://haber.example/1</link></item>"
        "<item><title>Sefer tarifesi pazartesi başlıyor</title><link>http://haber.example/2</link></item>"
        "</channel></rss>";
    server_ = std::make_unique<test::TLoopbackServer>([feed](test::TServerConnection& connection) {
      connection.ServeAll([&](const std::string&) { return test::HttpReply("200 OK", feed); });
    });
  }

  void TearDown() override {
    if (HasFailure() && Desk().Up()) {
      const std::string name = ::testing::UnitTest::GetInstance()->current_test_info()->name();
      Desk().Screenshot(std::string(VARNIKA_SHOT_DIR) + "/shot-sway-failed-" + name + ".png");
    }
    if (program_.Running()) program_.Stop();
    if (HasFailure()) std::cerr << "program's errors:\n" << program_.Errors() << std::endl;
    server_.reset();
    std::error_code ignored;
    if (!root_.empty()) std::filesystem::remove_all(root_, ignored);
  }

  // Starts the program with a stored place; true once its window shows.
  bool Launch(std::optional<std::pair<int, int>> place) {
    std::string text = "[feed]\r\nurl=http://" + server_->Host() + "/gundem.rss\r\n";
    if (place) {
      text += "\r\n[general]\r\nleft=" + std::to_string(place->first) + "\r\ntop=" + std::to_string(place->second) +
              "\r\n";
    }
    std::ofstream(root_ / "config/Telvoran/Varnika/options.ini", std::ios::binary) << Utf16Le(text);
    program_ = xtest::Process::Start({VARNIKA_PROGRAM}, {"DISPLAY=" + Desk().XDisplayName(),
                                                         "XDG_CONFIG_HOME=" + (root_ / "config").string(),
                                                         "XDG_RUNTIME_DIR=" + (root_ / "run").string(),
                                                         "DBUS_SESSION_BUS_ADDRESS=" + Desk().BusAddress()});
    return xtest::WaitFor(
        [&] {
          const std::vector<unsigned long> found = Desk().Clients("varnikaclass");
          window_ = found.empty() ? 0 : found.front();
          Box ignored;
          return Desk().XBox(window_, &ignored);
        },
        kPatience);
  }

  // Waits until X and sway agree on the window's box and it is want, give
  // or take slack pixels in place (sway keeps places in fractions: the
  // centre of an odd width is half a pixel off).
  bool Settled(const Box& want, int slack = 0) {
    return xtest::WaitFor(
        [&] {
          Box x, shown;
          return Desk().XBox(window_, &x) && Desk().ContainerBox(window_, &shown) && x == shown &&
                 std::abs(x.x - want.x) <= slack && std::abs(x.y - want.y) <= slack && x.width == want.width &&
                 x.height == want.height;
        },
        kPatience);
  }

  std::string Places() {
    Box x, shown;
    Desk().XBox(window_, &x);
    Desk().ContainerBox(window_, &shown);
    return "X " + ToString(x) + ", sway " + ToString(shown);
  }

  // Presses on the header band, moves one pixel and waits for sway to take
  // the move over (it keeps the pointer's offset from the window as it is
  // then), moves the pointer by (dx, dy) in steps and releases.
  void DragBandBy(const Box& from, int dx, int dy) {
    VirtualPointer& hand = Desk().Pointer();
    const int x = from.x + kBandX;
    const int y = from.y + kBandY;
    hand.MoveTo(x - 1, y);
    Pause(100);
    hand.Press();
    hand.MoveTo(x, y);
    Pause(300);
    constexpr int kSteps = 10;
    for (int i = 1; i <= kSteps; ++i) {
      hand.MoveTo(x + dx * i / kSteps, y + dy * i / kSteps);
      Pause(20);
    }
    Pause(100);
    hand.Release();
  }

  std::string SavedOptions() {
    std::ifstream in(root_ / "config/Telvoran/Varnika/options.ini", std::ios::binary);
    return FromUtf16Le(std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()));
  }

  std::filesystem::path root_;
  std::unique_ptr<test::TLoopbackServer> server_;
  xtest::Process program_;
  unsigned long window_ = 0;
};

const Box kCentred{(kScreenWidth - kWidth) / 2, (kScreenHeight - kHeight) / 2, kWidth, kHeight};

TEST_F(SwayWidget, ADragOnTheFaceMovesTheWindowAndTheEdgeIsAskedForOnlyUntilSwayShowsItPlacesWindowsItself) {
  // sway centres the window wherever it asks to be.
  ASSERT_TRUE(Launch(std::make_pair(100, 100)));
  ASSERT_TRUE(Settled(kCentred)) << Places();
  Pause(1500);  // the headlines
  Desk().Screenshot(std::string(VARNIKA_SHOT_DIR) + "/shot-sway-face.png");

  DragBandBy(kCentred, -300, -120);
  const Box moved{kCentred.x - 300, kCentred.y - 120, kWidth, kHeight};
  EXPECT_TRUE(Settled(moved)) << Places();

  // Ending 5 pixels from the left edge, snapping asks sway for the edge
  // once; sway answers with the centre of the screen, and that stands.
  DragBandBy(moved, 5 - moved.x, 0);
  EXPECT_TRUE(Settled(kCentred)) << Places();
  Desk().ConfigureNotifies(window_);
  Pause(500);
  EXPECT_LE(Desk().ConfigureNotifies(window_), 2) << "the place keeps changing";
  EXPECT_TRUE(Settled(kCentred)) << Places();

  // From then on the window stays where a drag leaves it.
  DragBandBy(kCentred, 5 - kCentred.x, -120);
  EXPECT_TRUE(Settled(Box{5, moved.y, kWidth, kHeight}, 1)) << Places();

  // The program agrees: the place it saves is the one on the screen.
  Box end;
  ASSERT_TRUE(Desk().XBox(window_, &end));
  program_.Signal(SIGTERM);
  EXPECT_EQ(program_.WaitExit(kPatience), 0);
  const std::string saved = SavedOptions();
  EXPECT_NE(saved.find("left=" + std::to_string(end.x) + "\r\ntop=" + std::to_string(end.y) + "\r\n"),
            std::string::npos)
      << saved;
}

TEST_F(SwayWidget, CollapsedTheWindowIsThePictureAloneAndClicksBesideItReachTheWindowBelow) {
  ASSERT_TRUE(Launch(std::nullopt));
  ASSERT_TRUE(Settled(kCentred)) << Places();
  // A window of the test's own takes the focus (sway tiles it under the
  // floating widget): the widget shrinks to its 119 x 87 picture, which
  // sway centres in turn.
  const unsigned long below = Desk().CreateProbe();
  const Box picture{(kScreenWidth - 119) / 2, (kScreenHeight - 87) / 2, 119, 87};
  EXPECT_TRUE(Settled(picture)) << Places();
  Pause(300);
  Desk().Screenshot(std::string(VARNIKA_SHOT_DIR) + "/shot-sway-shrunk.png");

  // Inside the rectangle the face had, outside the picture.
  Desk().ProbePresses(below);
  Desk().Pointer().MoveTo(kCentred.x + 30, kCentred.y + 30);
  Desk().Pointer().Click();
  std::vector<std::pair<int, int>> presses;
  EXPECT_TRUE(xtest::WaitFor(
      [&] {
        presses = Desk().ProbePresses(below);
        return !presses.empty();
      },
      kPatience))
      << "the click did not reach the window below";
  if (!presses.empty()) {
    EXPECT_EQ(presses.front(), std::make_pair(kCentred.x + 30, kCentred.y + 30));
  }

  // A click on the picture grows the face back.
  Desk().Pointer().MoveTo(picture.x + 60, picture.y + 40);
  Desk().Pointer().Click();
  EXPECT_TRUE(Settled(kCentred)) << Places();
  Desk().DestroyWindow(below);
}

TEST_F(SwayWidget, OnAScreenBarelyWiderThanTheWidgetTheCentreNearTheEdgeIsAskedAboutAtMostOnce) {
  // sway centres the window 2 pixels from the left edge, where snapping
  // pulls it; asked for the edge, sway answers with the centre again.
  ASSERT_TRUE(Desk().Command("output HEADLESS-1 resolution 480x700"));
  struct Restore {
    ~Restore() {
      Desk().Command("output HEADLESS-1 resolution " + std::to_string(kScreenWidth) + "x" +
                     std::to_string(kScreenHeight));
    }
  } restore;
  ASSERT_TRUE(Launch(std::nullopt));
  const Box centred{2, (700 - kHeight) / 2, kWidth, kHeight};
  EXPECT_TRUE(Settled(centred)) << Places();
  Desk().ConfigureNotifies(window_);
  Pause(1000);
  EXPECT_LE(Desk().ConfigureNotifies(window_), 2) << "the program and sway keep moving the window";
  EXPECT_TRUE(Settled(centred)) << Places();
}

// The status notifier items swaybar's watcher knows, as bus name and path.
std::vector<std::pair<std::string, std::string>> WatchedItems() {
  const std::string reply =
      Desk().BusCall({"--dest=org.kde.StatusNotifierWatcher", "/StatusNotifierWatcher",
                      "org.freedesktop.DBus.Properties.Get", "string:org.kde.StatusNotifierWatcher",
                      "string:RegisteredStatusNotifierItems"});
  std::vector<std::pair<std::string, std::string>> items;
  for (std::size_t at = reply.find("string \""); at != std::string::npos; at = reply.find("string \"", at + 1)) {
    const std::size_t start = at + 8;
    const std::string item = reply.substr(start, reply.find('"', start) - start);
    const std::size_t slash = item.find('/');
    items.emplace_back(item.substr(0, slash), slash == std::string::npos ? "/StatusNotifierItem" : item.substr(slash));
  }
  return items;
}

TEST_F(SwayWidget, SwaybarsWatcherListsTheTrayIconAndActivatingItGrowsTheCollapsedWidget) {
  ASSERT_TRUE(Launch(std::nullopt));
  ASSERT_TRUE(Settled(kCentred)) << Places();
  std::vector<std::pair<std::string, std::string>> items;
  ASSERT_TRUE(xtest::WaitFor(
      [&] {
        items = WatchedItems();
        return !items.empty();
      },
      kPatience))
      << "no status notifier item registered";
  // The watcher is swaybar's own, whose tray shows the item.
  const std::string owner = Desk().BusCall({"--dest=org.freedesktop.DBus", "/org/freedesktop/DBus",
                                            "org.freedesktop.DBus.GetConnectionUnixProcessID",
                                            "string:org.kde.StatusNotifierWatcher"});
  std::string command;
  if (const std::size_t at = owner.find("uint32 "); at != std::string::npos) {
    std::ifstream("/proc/" + std::to_string(std::atol(owner.c_str() + at + 7)) + "/comm") >> command;
  }
  EXPECT_EQ(command, "swaybar");

  // Collapsed behind a window of the test's own, the widget grows again at
  // the item's Activate, which swaybar calls on a left click.
  const unsigned long below = Desk().CreateProbe();
  EXPECT_TRUE(Settled(Box{(kScreenWidth - 119) / 2, (kScreenHeight - 87) / 2, 119, 87})) << Places();
  EXPECT_NE(Desk().BusCall({"--dest=" + items.front().first, items.front().second,
                            "org.kde.StatusNotifierItem.Activate", "int32:0", "int32:0"}),
            "");
  EXPECT_TRUE(Settled(kCentred)) << Places();
  Desk().DestroyWindow(below);
}

}  // namespace
}  // namespace varnika::sway
