// The whole widget on the headless display: a main window built as the
// application builds it, a data folder of its own, and a loopback server
// standing in for the news, update and counter servers.
#pragma once

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

#include "platform/headless/HeadlessBackend.h"
#include "tests/base/ScopedEnv.h"
#include "tests/net/LoopbackServer.h"
#include "toolkit/Desktop.h"
#include "widget/MainWindow.h"

namespace varnika::test {

// The main window with a hook on the modal loops' idle message, so a test
// can answer a menu or a message box while it is open.
class TTestMainWindow : public TMainWindow {
 public:
  using TMainWindow::TMainWindow;
  std::function<void(HWND popup)> OnIdle;
  int paints = 0;
  bool fail_thread_start = false;  // NewDownload throws as a failed thread start does

  void WndProc(TWidgetMessage& message) override;

 protected:
  std::unique_ptr<TInternetThread> NewDownload(UINT message, const std::string& host, const std::string& object,
                                               bool secure) override;
};

// What the stand-in servers answer.
struct TServedReplies {
  std::string feed_status = "200 OK";
  std::string feed;             // body of /gundem.rss (and of any other feed path)
  // Extra header lines of the feed's reply. With an ETag among them, a
  // request whose If-None-Match names it is answered 304 Not Modified.
  std::string feed_headers;
  std::string version = "2.0";  // text of /data/version
  bool hold_feed = false;       // keep feed requests waiting until released
};

class WidgetTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Builds the main window as the application does and shows it at opacity 0.
  TTestMainWindow& Start();
  // The 50 ms start-up step: fade-in and the first three downloads, which
  // are then awaited.
  void StartUp();

  // Dispatches what is queued.
  void Pump();
  // Pumps, waiting in real time for the downloads' messages, until done()
  // holds or timeout passes.
  bool PumpUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout = std::chrono::seconds(10));
  // Moves the manual clock and delivers what falls due.
  void Advance(DWORD ms);
  bool DownloadsIdle() const;

  std::u16string DataFile(const char* name) const;
  std::string ReadFile(const std::u16string& path) const;
  void WriteFile(const std::u16string& path, const std::string& bytes) const;
  // The options file's text as stored (UTF-16 LE with a byte-order mark).
  static std::string Utf16File(std::u16string_view text);
  // Requests whose first line names path.
  std::vector<std::string> RequestsFor(std::string_view path) const;

  static std::string RssFeed(int items, std::string_view title_prefix = "Başlık");

  // The widget speaks Turkish, whatever the locale of the test run.
  ScopedEnv language{"LANGUAGE", "tr"};
  HeadlessBackend* display = nullptr;
  int display_scale = 1;  // the display's scale, for fixtures that set it before SetUp
  std::unique_ptr<TLoopbackServer> server;
  std::mutex replies_mutex;
  TServedReplies replies;
  std::atomic<bool> release_feed{false};
  std::unique_ptr<TDesktop> desktop;
  TTestMainWindow* window = nullptr;
  HWND wnd = nullptr;
  std::filesystem::path root;
  std::u16string data_path;
};

}  // namespace varnika::test
