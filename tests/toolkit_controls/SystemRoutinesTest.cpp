// The shell's pieces on the headless window system: the options file, window
// timers, fades, draining the queue and writing files.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "base/Exceptions.h"
#include "base/Utf.h"
#include "platform/MessageLoop.h"
#include "platform/Window.h"
#include "platform/WindowSystem.h"
#include "platform/headless/HeadlessBackend.h"
#include "toolkit/SystemRoutines.h"
#include "toolkit/WinTimer.h"
#include "toolkit/WindowEx.h"
#include "widget/Options.h"

namespace varnika {
namespace {

class ShellTest : public ::testing::Test {
 protected:
  void SetUp() override {
    auto backend = std::make_unique<HeadlessBackend>();
    backend_ = backend.get();
    backend_->SetWorkArea(RECT{0, 0, 1280, 994});
    InitWindowSystem(std::move(backend));
    dir_ = std::filesystem::temp_directory_path() /
           ("varnika-shell-" + std::to_string(::getpid()) + "-" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::remove_all(dir_);
    std::filesystem::create_directories(dir_);
  }
  void TearDown() override {
    ShutdownWindowSystem();
    std::filesystem::remove_all(dir_);
  }

  std::u16string Path(const char* name) const { return Utf8ToUtf16((dir_ / name).string()); }
  static std::string Bytes(const std::u16string& path) {
    std::ifstream in(Utf16ToUtf8(path), std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  }
  static void Write(const std::u16string& path, const std::string& bytes) {
    std::ofstream(Utf16ToUtf8(path), std::ios::binary) << bytes;
  }
  static std::string Le(std::u16string_view text) {
    std::string out = "\xFF\xFE";
    for (char16_t c : text) {
      out += static_cast<char>(c & 0xFF);
      out += static_cast<char>(c >> 8);
    }
    return out;
  }
  void Pump() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
  }

  HeadlessBackend* backend_ = nullptr;
  std::filesystem::path dir_;
};

TEST_F(ShellTest, FirstRunOptionsAreCentredAndWrittenInTheKnownLayout) {
  TOptions options(Path("options.ini"));
  EXPECT_EQ(options.DefaultLeft(), 402);
  EXPECT_EQ(options.DefaultTop(), 322);
  EXPECT_TRUE(options.ReadAlwaysTop() && options.ReadAutoScale() && options.ReadShowTray() && options.ReadStartup());
  options.WriteLeft(options.ReadLeft());
  options.WriteTop(options.ReadTop());
  options.WriteStartup(true);
  options.WriteAlwaysTop(true);
  options.WriteShowTray(true);
  options.WriteAutoScale(true);
  options.UpdateFile();
  EXPECT_EQ(Bytes(Path("options.ini")),
            Le(u"[general]\r\nleft=402\r\ntop=322\r\n\r\n[options]\r\nstartup=1\r\nalwaystop=1\r\n"
               u"showtray=1\r\nautoscale=1\r\n\r\n"));
}

TEST_F(ShellTest, StoredValuesWinAndTheUsersFeedSurvivesAWrite) {
  Write(Path("options.ini"),
        Le(u"[feed]\r\nurl=https://haber.example.org/rss\r\n[general]\r\nleft=0x20\r\ntop=7px\r\n"
           u"[options]\r\nstartup=0\r\nshowtray=2\r\nautoscale=yes\r\n"));
  TOptions options(Path("options.ini"));
  EXPECT_EQ(options.ReadLeft(), 32);
  EXPECT_EQ(options.ReadTop(), 322);  // malformed: the default
  EXPECT_FALSE(options.ReadStartup());
  EXPECT_TRUE(options.ReadShowTray());
  EXPECT_TRUE(options.ReadAutoScale());
  EXPECT_EQ(options.ReadFeedUrl(), "https://haber.example.org/rss");
  options.WriteLeft(5);
  options.UpdateFile();
  TOptions again(Path("options.ini"));
  EXPECT_EQ(again.ReadFeedUrl(), "https://haber.example.org/rss");
  EXPECT_EQ(again.ReadLeft(), 5);
}

TEST_F(ShellTest, TimerFiresWhileEnabledAndNeverOnADeadWindow) {
  TComponent owner(nullptr);
  auto* window = new TWindowEx(&owner);
  HWND wnd = window->Handle();
  int fired = 0;
  window->OnTimer = [&](TControl*, int id) { fired += id == 1003 ? 1 : 100; };
  {
    TWinTimer timer(wnd, 1003, 300000);
    timer.SetEnabled(true);
    EXPECT_TRUE(timer.Enabled());
    backend_->AdvanceClock(300000);
    Pump();
    EXPECT_EQ(fired, 1);
    timer.Stop();
    backend_->AdvanceClock(300000);
    Pump();
    EXPECT_EQ(fired, 1);
    timer.Start();
  }  // the destructor stops it
  backend_->AdvanceClock(300000);
  Pump();
  EXPECT_EQ(fired, 1);
  DestroyWindow(wnd);
  TWinTimer late(wnd, 1001, 50);
  late.Start();
  EXPECT_FALSE(late.Enabled());
}

TEST_F(ShellTest, FadeInEndsAtFullOpacityAndFadeOutHidesAtThree) {
  TComponent owner(nullptr);
  auto* window = new TWindowEx(&owner);
  window->SetSize(475, 350);
  HWND wnd = window->Handle();
  window->SetOpacity(0);
  const DWORD start = GetTickCount();
  FadeIn(*window, 4, 1);
  EXPECT_EQ(window->Opacity(), 255);
  EXPECT_TRUE(IsWindowVisible(wnd));
  EXPECT_EQ(GetTickCount() - start, 63u);  // 63 steps of 4, one pause each
  EXPECT_EQ(backend_->SurfaceOf(wnd).alpha, 255);
  const int frames = backend_->SurfaceOf(wnd).frames_presented;
  FadeOut(*window, 4, 1);
  EXPECT_EQ(window->Opacity(), 3);
  EXPECT_FALSE(IsWindowVisible(wnd));
  EXPECT_GE(backend_->SurfaceOf(wnd).frames_presented - frames, 0);
}

TEST_F(ShellTest, DrainDispatchesEverythingButKeepsAQuitForTheLoop) {
  TComponent owner(nullptr);
  auto* window = new TWindowEx(&owner);
  HWND wnd = window->Handle();
  int seen = 0;
  window->OnTimer = [&](TControl*, int) { ++seen; };
  PostMessageW(wnd, WM_TIMER, 1, 0);
  PostQuitMessage(3);
  PostMessageW(wnd, WM_TIMER, 2, 0);
  DrainMessages();
  EXPECT_EQ(seen, 2);
  MSG msg;
  EXPECT_EQ(GetMessageW(&msg, nullptr, 0, 0), 0);
  EXPECT_EQ(msg.wParam, 3u);
}

TEST_F(ShellTest, SavedTextIsExactlyItsBytesAndAFailedWriteKeepsTheOldFile) {
  SaveTextToFile(Path("empty.xml"), u"");
  EXPECT_TRUE(std::filesystem::exists(dir_ / "empty.xml"));
  EXPECT_EQ(Bytes(Path("empty.xml")), "");
  SaveTextToFile(Path("news.xml"), u"<t>Gündem: İstanbul</t>");
  EXPECT_EQ(Bytes(Path("news.xml")), "<t>G\xC3\xBC" "ndem: \xC4\xB0stanbul</t>");
  SaveBytesToFile(Path("news.xml"), std::string("\xFD\xFE ISO-8859-9", 14));
  EXPECT_EQ(Bytes(Path("news.xml")), std::string("\xFD\xFE ISO-8859-9", 14));
  EXPECT_THROW(SaveTextToFile(Path("missing/news.xml"), u"x"), EFCreateError);
}

}  // namespace
}  // namespace varnika
