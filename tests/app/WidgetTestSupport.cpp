#include "tests/app/WidgetTestSupport.h"

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <system_error>
#include <thread>

#include "base/Utf.h"
#include "net/Internet.h"
#include "net/Request.h"
#include "platform/MessageLoop.h"
#include "platform/Window.h"
#include "platform/WindowSystem.h"
#include "toolkit/Control.h"

namespace varnika::test {

void TTestMainWindow::WndProc(TWidgetMessage& message) {
  if (message.Msg == WM_ENTERIDLE && OnIdle) {
    OnIdle(reinterpret_cast<HWND>(message.LParam));
    return;
  }
  TMainWindow::WndProc(message);
}

std::unique_ptr<TInternetThread> TTestMainWindow::NewDownload(UINT message, const std::string& host,
                                                              const std::string& object, bool secure) {
  if (fail_thread_start) throw std::system_error(std::make_error_code(std::errc::resource_unavailable_try_again));
  return TMainWindow::NewDownload(message, host, object, secure);
}

namespace {

std::string PathOf(const std::string& request) {
  const std::size_t start = request.find(' ');
  const std::size_t end = request.find(' ', start + 1);
  if (start == std::string::npos || end == std::string::npos) return {};
  return request.substr(start + 1, end - start - 1);
}

}  // namespace

void WidgetTest::SetUp() {
  const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
  root = std::filesystem::temp_directory_path() /
         ("varnika-widget-" + std::to_string(::getpid()) + "-" + info->name());
  std::filesystem::remove_all(root);
  std::filesystem::create_directories(root / "config" / "Telvoran" / "Varnika");
  // Autostart entries and the like go below the test's own folder.
  ::setenv("XDG_CONFIG_HOME", (root / "config").c_str(), 1);
  data_path = Utf8ToUtf16((root / "config" / "Telvoran" / "Varnika").string());

  replies.feed = RssFeed(12);
  server = std::make_unique<TLoopbackServer>([this](TServerConnection& connection) {
    for (;;) {
      const std::string request = connection.ReadRequest();
      if (request.empty()) return;
      const std::string path = PathOf(request);
      TServedReplies now;
      {
        std::lock_guard lock(replies_mutex);
        now = replies;
      }
      std::string reply;
      if (path.rfind("/varnika.xml", 0) == 0) {
        reply = HttpReply("200 OK", "<?xml version=\"1.0\"?><data><version>" + now.version + "</version></data>");
      } else if (path.rfind("/swidget/", 0) == 0) {
        reply = HttpReply("200 OK", "GIF89a");
      } else {
        while (now.hold_feed && !release_feed.load()) {
          if (!connection.Pause(std::chrono::milliseconds(5))) return;
        }
        const std::string etag = HeaderValue(now.feed_headers, "ETag");
        const std::size_t head_end = request.find("\r\n\r\n");
        if (!etag.empty() && HeaderValue(request.substr(0, head_end), "If-None-Match") == etag)
          reply = "HTTP/1.1 304 Not Modified\r\n" + now.feed_headers + "\r\n";
        else
          reply = HttpReply(now.feed_status, now.feed, now.feed_headers);
      }
      if (!connection.Send(reply)) return;
    }
  });

  auto backend = std::make_unique<HeadlessBackend>(display_scale);
  display = backend.get();
  display->SetScreenSize(1280, 1024);
  display->SetWorkArea(RECT{0, 0, 1280, 994});
  InitWindowSystem(std::move(backend));
  OpenInternet();
}

void WidgetTest::TearDown() {
  release_feed = true;
  if (wnd && IsWindow(wnd)) SendMessageW(wnd, WM_CLOSE, 0, 0);
  desktop.reset();
  ToolTipWindow = nullptr;
  CloseInternet();
  ShutdownWindowSystem();
  server.reset();
  ::unsetenv("XDG_CONFIG_HOME");
  std::filesystem::remove_all(root);
}

TTestMainWindow& WidgetTest::Start() {
  desktop = std::make_unique<TDesktop>(nullptr);
  desktop->SetName(u"ManagerDesktop");
  window = new TTestMainWindow(desktop.get());
  window->SetParentWindow(nullptr);
  window->SetName(u"varnika");
  window->SetClassNameW(u"varnikaclass");
  window->SetCaption(u"varnika");
  window->SetDataPath(data_path);
  window->SetDesktop(desktop.get());
  const std::string host = server->Host();
  window->SetServers(TServers{host, host, host, host});
  window->HandleNeeded();
  window->SetOpacity(0);
  window->SetVisible(true);
  wnd = window->WindowHandle();
  return *window;
}

void WidgetTest::StartUp() {
  Advance(50);
  ASSERT_TRUE(PumpUntil([this] { return DownloadsIdle(); }));
}

void WidgetTest::Pump() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) {
      PostQuitMessage(static_cast<int>(msg.wParam));
      return;
    }
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
}

bool WidgetTest::PumpUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
  const auto end = std::chrono::steady_clock::now() + timeout;
  for (;;) {
    Pump();
    if (done()) return true;
    if (std::chrono::steady_clock::now() > end) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
}

void WidgetTest::Advance(DWORD ms) {
  display->AdvanceClock(ms);
  Pump();
}

bool WidgetTest::DownloadsIdle() const {
  return window && !window->FeedThread() && !window->UpdateThread() && !window->CounterThread() &&
         !window->FeedRead() && !window->CacheRead();
}

std::u16string WidgetTest::DataFile(const char* name) const { return data_path + u"/" + Utf8ToUtf16(name); }

std::string WidgetTest::ReadFile(const std::u16string& path) const {
  std::ifstream in(Utf16ToUtf8(path), std::ios::binary);
  std::stringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

void WidgetTest::WriteFile(const std::u16string& path, const std::string& bytes) const {
  std::ofstream(Utf16ToUtf8(path), std::ios::binary) << bytes;
}

std::string WidgetTest::Utf16File(std::u16string_view text) {
  std::string out = "\xFF\xFE";
  for (char16_t c : text) {
    out += static_cast<char>(c & 0xFF);
    out += static_cast<char>(c >> 8);
  }
  return out;
}

std::vector<std::string> WidgetTest::RequestsFor(std::string_view path) const {
  std::vector<std::string> found;
  for (const std::string& request : server->Requests()) {
    if (PathOf(request).rfind(path, 0) == 0) found.push_back(request);
  }
  return found;
}

std::string WidgetTest::RssFeed(int items, std::string_view title_prefix) {
  std::string feed = "<?xml version=\"1.0\" encoding=\"UTF-8\"?><rss version=\"2.0\"><channel><title>Gündem</title>";
  for (int i = 1; i <= items; ++i) {
    const std::string n = std::to_string(i);
    feed += "<item><title>" + std::string(title_prefix) + " " + n + "</title><link>http://haber.example/" + n +
            "</link><description>Özet " + n + ": kısa bir açıklama.</description>"
            "<pubDate>Mon, 07 Dec 2026 09:00:00 +0300</pubDate></item>";
  }
  return feed + "</channel></rss>";
}

}  // namespace varnika::test
