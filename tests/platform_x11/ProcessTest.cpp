// The backend and other processes: the close command, signals, a missing
// display, and the loop's sleep while nothing happens.
#include <csignal>
#include <thread>

#include "tests/platform_x11/X11Harness.h"

namespace varnika::xtest {
namespace {

constexpr UINT kCloseMessage = 37683;
constexpr RECT kPlace{200, 150, 300, 230};

bool Has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

class ProcessTest : public X11Test {
 protected:
  HWND Shown() {
    HWND wnd = MakeTopLevel(kPlace);
    Present(wnd, Frame(100, 80, 0xFF404040u));
    Settle();
    return wnd;
  }

  // Runs the close command while the loop keeps pumping; its exit code.
  int RunCloseCommand() {
    Process tool = Process::Start({VARNIKA_CLOSE_TOOL});
    int code = -1;
    Pump([&] {
      code = tool.WaitExit(0);
      return code != -1;
    });
    return code;
  }
};

TEST_F(ProcessTest, TheCloseCommandFromAnotherProcessArrivesAsMessage37683) {
  HWND wnd = Shown();
  HWND other = CreateWindowExW(WS_EX_LAYERED, kChildClass, u"", WS_POPUP, 400, 150, 50, 50, nullptr, nullptr, nullptr,
                               nullptr);
  ShowWindow(other, SW_SHOWNA);
  Settle();
  EXPECT_EQ(RunCloseCommand(), 0);
  ASSERT_TRUE(AwaitMessage(wnd, kCloseMessage));
  EXPECT_FALSE(Got(other, kCloseMessage)) << "only windows of the widget's class are asked";
}

TEST_F(ProcessTest, TheCloseCommandFindsTheWidgetInsideAWindowManagersFrame) {
  WindowManager wm;
  HWND wnd = Shown();
  ASSERT_TRUE(Pump([&] { return User().Viewable(XWindow(wnd)); }));
  EXPECT_EQ(RunCloseCommand(), 0);
  EXPECT_TRUE(AwaitMessage(wnd, kCloseMessage));
}

TEST_F(ProcessTest, TheCloseCommandWithoutAWidgetOrDisplaySaysSo) {
  Process none = Process::Start({VARNIKA_CLOSE_TOOL});
  EXPECT_EQ(none.WaitExit(5000), 2);
  EXPECT_TRUE(Has(none.Errors(), "no window of class varnikaclass"));
  Process nowhere = Process::Start({VARNIKA_CLOSE_TOOL}, {"DISPLAY=:4093"});
  EXPECT_EQ(nowhere.WaitExit(5000), 1);
  EXPECT_TRUE(Has(nowhere.Errors(), "cannot open display :4093"));
}

TEST_F(ProcessTest, OtherMessagesFromOtherProcessesAreDropped) {
  HWND wnd = Shown();
  // A foreign program must not be able to inject WM_COMMAND or WM_DESTROY.
  User().SendClientMessage(XWindow(wnd), kForeignMessageAtom, WM_COMMAND, 1, 0);
  User().SendClientMessage(XWindow(wnd), kForeignMessageAtom, WM_USER + 5, 0, 0);
  User().SendClientMessage(XWindow(wnd), kForeignMessageAtom, kCloseMessage, 7, 9);
  ASSERT_TRUE(AwaitMessage(wnd, kCloseMessage));
  EXPECT_FALSE(Got(wnd, WM_COMMAND));
  EXPECT_FALSE(Got(wnd, WM_USER + 5));
  std::vector<Seen> close = Received(wnd, kCloseMessage);
  EXPECT_EQ(close[0].wparam, 7u);
  EXPECT_EQ(close[0].lparam, 9);
}

// A child process on the backend, ended by a signal.
class SignalTest : public ::testing::TestWithParam<int> {};

TEST_P(SignalTest, EndsTheSessionCleanly) {
  Process child = Process::Start({VARNIKA_X11_TEST_CHILD, "run"}, {"DISPLAY=" + TestDisplayName()});
  ASSERT_TRUE(WaitFor([&] { return Has(child.Output(), "ready"); }, 10000)) << child.Errors();
  child.Signal(GetParam());
  EXPECT_EQ(child.WaitExit(10000), 0) << child.Errors();
  EXPECT_EQ(child.Output(), "ready\nWM_QUERYENDSESSION\nWM_CLOSE\nWM_DESTROY\nexit\n");
}

INSTANTIATE_TEST_SUITE_P(Signals, SignalTest, ::testing::Values(SIGTERM, SIGHUP, SIGINT),
                         [](const ::testing::TestParamInfo<int>& info) {
                           return info.param == SIGTERM ? "Term" : info.param == SIGHUP ? "Hangup" : "Interrupt";
                         });

// The X server goes away under a running program: the session ends as on
// SIGTERM (so options get saved), the window system keeps working without a
// display (timers, windows, frames), and the program leaves its loop and
// exits normally instead of being ended inside Xlib.
TEST(LostDisplay, EndsTheSessionLikeSigtermAndExitsCleanly) {
  std::string name;
  Process server = StartXvfb(&name);
  ASSERT_FALSE(name.empty()) << server.Errors();
  // A tray host, so that the child's tray icon has windows to lose as well.
  Process tray = Process::Start({"trayer", "--edge", "top", "--widthtype", "request", "--height", "32"},
                                {"DISPLAY=" + name});
  std::this_thread::sleep_for(std::chrono::milliseconds(500));
  Process child = Process::Start({VARNIKA_X11_TEST_CHILD, "linger"}, {"DISPLAY=" + name});
  ASSERT_TRUE(WaitFor([&] { return Has(child.Output(), "ready"); }, 10000)) << child.Errors();
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  server.Signal(SIGKILL);
  EXPECT_EQ(child.WaitExit(10000), 0) << child.Errors();
  EXPECT_EQ(child.Output(), "ready\nWM_QUERYENDSESSION\nWM_CLOSE\nWM_TIMER\nWM_DESTROY\nexit\n");
  EXPECT_TRUE(Has(child.Errors(), "lost the connection to display " + name)) << child.Errors();
}

TEST(NoDisplay, TheProgramSaysSoOnStderrAndExitsWithOne) {
  Process child = Process::Start({VARNIKA_X11_TEST_CHILD, "open"}, {"DISPLAY=:4094"});
  EXPECT_EQ(child.WaitExit(10000), 1);
  EXPECT_TRUE(Has(child.Errors(), "cannot open display :4094")) << child.Errors();
  EXPECT_EQ(child.Output(), "");
}

TEST_F(ProcessTest, TheIdleLoopSleepsWithoutWakingUpAndATimerWakesItOnlyWhenDue) {
  Shown();
  Settle();
  // Five idle seconds: the only return from poll is the post that ends them.
  int before = Backend().PollWakeUps();
  std::thread poster([] {
    std::this_thread::sleep_for(std::chrono::seconds(5));
    PostMessageW(nullptr, WM_USER, 0, 0);
  });
  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0 && msg.message != WM_USER) DispatchMessageW(&msg);
  poster.join();
  EXPECT_LE(Backend().PollWakeUps() - before, 1);

  // A timer of 250 ms over one second: about four wake-ups, not a busy loop.
  before = Backend().PollWakeUps();
  UINT_PTR timer = SetTimer(nullptr, 0, 250, nullptr);
  int ticks = 0;
  while (ticks < 4 && GetMessageW(&msg, nullptr, 0, 0) > 0) {
    if (msg.message == WM_TIMER) ++ticks;
  }
  KillTimer(nullptr, timer);
  int wake_ups = Backend().PollWakeUps() - before;
  EXPECT_GE(wake_ups, 4);
  EXPECT_LE(wake_ups, 8);
}

}  // namespace
}  // namespace varnika::xtest
