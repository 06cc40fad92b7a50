#include "tests/app_x11/WidgetSession.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <iterator>
#include <thread>

namespace varnika::e2e {

namespace {

// A point of the header band clear of the logo and the buttons.
constexpr Point kHeaderBand{300, 45};

std::string PathOf(const std::string& request) {
  const std::size_t start = request.find(' ');
  const std::size_t end = request.find(' ', start + 1);
  return start == std::string::npos || end == std::string::npos ? std::string()
                                                                  : request.substr(start + 1, end - start - 1);
}

std::string Utf16Le(const std::string& ascii) {
  std::string out = "\xFF\xFE";
  for (char c : ascii) {
    out += c;
    out += '\0';
  }
  return out;
}

void Pause(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

}  // namespace

std::string VariedFeed(int count) {
  static const char* const kWords[] = {"belediye", "yeni",    "park",   "alanını", "hizmete", "açtı",   "kıyıda",
                                       "hasat",    "rekor",   "düzeye", "yaklaştı", "sefer",  "tarifesi", "pazartesi",
                                       "başlıyor", "okullar", "kar",    "tatili",  "uzatıldı", "müze"};
  constexpr int kWordCount = static_cast<int>(std::size(kWords));
  std::string feed = "<?xml version=\"1.0\" encoding=\"UTF-8\"?><rss version=\"2.0\"><channel><title>Gündem</title>";
  for (int i = 1; i <= count; ++i) {
    std::string title = "Haber " + std::to_string(i) + ":";
    for (int w = 0; w < 1 + (i * 7) % 5; ++w) title += std::string(" ") + kWords[(i * 3 + w) % kWordCount];
    std::string summary = "Özet " + std::to_string(i) + ":";
    for (int w = 0; w < 3 + (i * 11) % 17; ++w) summary += std::string(" ") + kWords[(i + w * 5) % kWordCount];
    feed += "<item><title>" + title + "</title><link>http://haber.example/" + std::to_string(i) +
            "</link><description>" + summary + ".</description></item>";
  }
  return feed + "</channel></rss>";
}

int InkPixels(const Pixels& pixels) {
  return static_cast<int>(std::count_if(pixels.rgb.begin(), pixels.rgb.end(), [](std::uint32_t p) {
    return ((p >> 16) & 0xFF) < 160 && ((p >> 8) & 0xFF) < 160 && (p & 0xFF) < 160;
  }));
}

Shift ContentShift(const Pixels& before, const Pixels& after, int max_shift) {
  Shift best;
  for (int s = -max_shift; s <= max_shift; ++s) {
    int differing = 0;
    int ink = 0;
    for (int y = std::max(0, -s); y < after.height && y + s < before.height; ++y) {
      for (int x = 0; x < after.width; ++x) {
        const std::uint32_t a = after.At(x, y);
        if (!Near(a, before.At(x, y + s), 40)) ++differing;
        if (!Near(a, 0xFFFFFF, 95)) ++ink;
      }
    }
    const double mismatch = static_cast<double>(differing) / std::max(1, ink);
    if (mismatch < best.mismatch) best = Shift{s, mismatch};
  }
  return best;
}

// --- the fixture ----------------------------------------------------------------

void WidgetSession::SetUp() {
  std::string folder = "/tmp/varnika-e2e-XXXXXX";
  ASSERT_NE(mkdtemp(folder.data()), nullptr);
  root_ = folder;
  std::filesystem::create_directories(root_ / "config/Telvoran/Varnika");
  std::filesystem::create_directories(root_ / "run");
  chmod((root_ / "run").c_str(), 0700);  // a runtime folder must be private
  options_path_ = root_ / "config/Telvoran/Varnika/options.ini";

  const std::string feed = VariedFeed(20);
  server_ = std::make_unique<test::TLoopbackServer>([feed](test::TServerConnection& connection) {
    connection.ServeAll([&](const std::string& request) {
      return PathOf(request).rfind("/gundem.rss", 0) == 0
                 ? test::HttpReply("200 OK", feed, "Content-Type: application/rss+xml\r\n")
                 : test::HttpReply("404 Not Found", "");
    });
  });

  User().MovePointer(kScreenWidth - 10, 10);
  Shown().PaintDesk(kDesk);
  wm_ = std::make_unique<xtest::WindowManager>();
  compositor_ = std::make_unique<xtest::Compositor>();
}

void WidgetSession::TearDown() {
  if (HasFailure()) {
    // The whole screen as the failure left it, for a look afterwards.
    const std::string name = ::testing::UnitTest::GetInstance()->current_test_info()->name();
    const std::string file = std::string(VARNIKA_SHOT_DIR) + "/shot-failed-" + name + ".png";
    if (Screen::SavePng(Shown().Grab(0, 0, kScreenWidth, kScreenHeight), file)) std::cerr << "screen: " << file << "\n";
  }
  if (program_.Running()) program_.Stop();
  if (HasFailure()) std::cerr << "program's errors:\n" << program_.Errors() << std::endl;
  compositor_.reset();
  wm_.reset();
  Shown().ClearDesk();
  server_.reset();
  std::error_code ignored;
  std::filesystem::remove_all(root_, ignored);
}

std::string WidgetSession::FeedUrl() const { return "http://" + server_->Host() + "/gundem.rss"; }

void WidgetSession::WriteOptions(std::optional<Point> place) {
  std::string text = "[feed]\r\nurl=" + FeedUrl() + "\r\n";
  if (place) {
    text += "\r\n[general]\r\nleft=" + std::to_string(place->x) + "\r\ntop=" + std::to_string(place->y) + "\r\n";
  }
  std::ofstream(options_path_, std::ios::binary) << Utf16Le(text);
}

std::string WidgetSession::OptionsText() const {
  std::ifstream in(options_path_, std::ios::binary);
  const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (bytes.size() < 2 || bytes.compare(0, 2, "\xFF\xFE") != 0) return "(not UTF-16 LE with a byte-order mark)";
  std::string text;
  for (std::size_t i = 2; i + 1 < bytes.size(); i += 2) {
    const unsigned unit = static_cast<unsigned char>(bytes[i]) | static_cast<unsigned char>(bytes[i + 1]) << 8;
    text += unit < 0x80 ? static_cast<char>(unit) : '?';
  }
  return text;
}

bool WidgetSession::Launch() {
  program_ = xtest::Process::Start({VARNIKA_PROGRAM}, {"DISPLAY=" + xtest::TestDisplayName(),
                                                       "XDG_CONFIG_HOME=" + (root_ / "config").string(),
                                                       "XDG_RUNTIME_DIR=" + (root_ / "run").string(),
                                                       "LANGUAGE=" + language_});
  return xtest::WaitFor(
      [&] {
        const std::vector<unsigned long> found = Shown().Clients(kWidgetClass);
        window_ = found.empty() ? 0 : found.front();
        return Shown().Viewable(window_);
      },
      kPatience);
}

bool WidgetSession::WaitForHeadlines() {
  const SkinPicture face = ExpectedFace(0, scale_);
  const std::uint32_t band = face.Over(kHeaderBand.x * scale_, kHeaderBand.y * scale_, kDesk);
  if (!xtest::WaitFor(
          [&] {
            const Point at = OnScreen(kHeaderBand.x, kHeaderBand.y);
            const Pixels header = Shown().Grab(at.x, at.y, 1, 1);
            return !header.Empty() && Near(header.At(0, 0), band, 3) && InkPixels(GrabList()) > 400;
          },
          kPatience)) {
    return false;
  }
  // The last steps of the fade-in (within 3 of the band already) may still
  // be on their way on a busy machine: the picture stands still once two
  // grabs 50 ms apart agree.
  Pixels last = GrabWindow();
  return xtest::WaitFor(
      [&] {
        Pause(50);
        Pixels now = GrabWindow();
        const bool same = now.rgb == last.rgb;
        last = std::move(now);
        return same;
      },
      kPatience);
}

WindowBox WidgetSession::Box() {
  WindowBox box;
  Shown().Box(window_, &box);
  return box;
}

int WidgetSession::WrongAfterWaiting(const SkinPicture& expected, const std::function<bool(int x, int y)>& logical,
                                     std::string* report) {
  const auto counted = [&](int x, int y) { return logical(x / scale_, y / scale_); };
  int wrong = -1;
  xtest::WaitFor(
      [&] {
        report->clear();
        wrong = Mismatches(GrabWindow(), expected, kDesk, 3, counted, report);
        return wrong == 0;
      },
      kPatience);
  return wrong;
}

void WidgetSession::ExpectAboutPanel() {
  SkinPicture expected = ExpectedFace(0, scale_);
  DrawAboutPanel(expected, scale_);
  const SkinPicture about = SkinPicture::Load(5009);
  constexpr Area kTexts[] = {{190, 106, 339, 152}, {198, 146, 378, 216}, {198, 220, 402, 260}};
  const auto art = [&](int x, int y) {
    if (!kAboutImageArea.Contains(x, y)) return false;
    if ((about.At(x - kAboutImageArea.left, y - kAboutImageArea.top) >> 24) != 0xFF) return false;
    return std::none_of(std::begin(kTexts), std::end(kTexts), [&](const Area& a) { return a.Contains(x, y); });
  };
  std::string report;
  EXPECT_EQ(WrongAfterWaiting(expected, art, &report), 0) << "the about panel's art differs:" << report;
}

Point WidgetSession::OnScreen(int x, int y) {
  const WindowBox box = Box();
  return Point{box.x + x * scale_, box.y + y * scale_};
}

Pixels WidgetSession::GrabWindow() {
  const WindowBox box = Box();
  return Shown().Grab(box.x, box.y, kWidth * scale_, kHeight * scale_);
}

Pixels WidgetSession::GrabList() {
  const Point at = OnScreen(kListArea.left, kListArea.top);
  return Shown().Grab(at.x, at.y, (kListArea.right - kListArea.left) * scale_,
                      (kListArea.bottom - kListArea.top) * scale_);
}

void WidgetSession::MoveTo(int x, int y) {
  const Point at = OnScreen(x, y);
  User().MovePointer(at.x, at.y);
}

void WidgetSession::ClickAt(int x, int y, int button) {
  MoveTo(x, y);
  User().Click(button);
}

void WidgetSession::DragHeaderBy(int dx, int dy) {
  const Point start = OnScreen(kHeaderBand.x, kHeaderBand.y);
  User().MovePointer(start.x, start.y);
  User().Press(1);
  constexpr int kSteps = 10;
  for (int i = 1; i <= kSteps; ++i) {
    Pause(15);
    User().MovePointer(start.x + dx * i / kSteps, start.y + dy * i / kSteps);
  }
  Pause(50);
  User().Release(1);
}

bool WidgetSession::Activate() {
  Shown().RequestActivation(window_);
  return xtest::WaitFor([&] { return User().WindowProperty(0, "_NET_ACTIVE_WINDOW") == window_; }, kPatience);
}

}  // namespace varnika::e2e
