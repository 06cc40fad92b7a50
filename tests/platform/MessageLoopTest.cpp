// The queue, timers, waiting and posting from other threads.
#include <atomic>
#include <thread>

#include "tests/platform/PlatformFixture.h"

namespace varnika::test {
namespace {

using Strings = std::vector<std::string>;

class MessageLoopTest : public PlatformTest {};

TEST_F(MessageLoopTest, TimersFireWhenDueAfterPostedMessagesOncePerDueTime) {
  HWND w = Top("w", Rect(0, 0, 10, 10));
  SetTimer(w, 1, 300000, nullptr);
  SetTimer(w, 2, 60000, nullptr);
  PostMessageW(w, WM_USER, 0, 0);
  Pump();
  EXPECT_EQ(Log({WM_TIMER, WM_USER}), (Strings{"w 0x1024"}));
  display->AdvanceClock(300000);
  PostMessageW(w, WM_USER, 0, 0);
  Pump();
  EXPECT_EQ(Log({WM_TIMER, WM_USER}), (Strings{"w 0x1024", "w 0x1024", "w WM_TIMER", "w WM_TIMER"}));
  auto timers = Records(WM_TIMER);
  EXPECT_EQ(timers[0].wparam, 2u) << "the earlier due time first";
  EXPECT_EQ(timers[1].wparam, 1u);
  ClearLog();
  display->AdvanceClock(59999);
  Pump();
  EXPECT_TRUE(Records(WM_TIMER).empty());
  display->AdvanceClock(1);
  Pump();
  EXPECT_EQ(Records(WM_TIMER).size(), 1u);
}

TEST_F(MessageLoopTest, SetTimerWithTheSameIdReplacesAndKillTimerStops) {
  HWND w = Top("w", Rect(0, 0, 10, 10));
  EXPECT_EQ(SetTimer(w, 7, 1000, nullptr), 7u);
  display->AdvanceClock(900);
  EXPECT_EQ(SetTimer(w, 7, 500, nullptr), 7u);  // starts again from now
  display->AdvanceClock(400);
  Pump();
  EXPECT_TRUE(Records(WM_TIMER).empty());
  display->AdvanceClock(100);
  Pump();
  EXPECT_EQ(Records(WM_TIMER).size(), 1u);
  EXPECT_TRUE(KillTimer(w, 7));
  EXPECT_FALSE(KillTimer(w, 7));
  display->AdvanceClock(5000);
  Pump();
  EXPECT_EQ(Records(WM_TIMER).size(), 1u);
  SetTimer(w, 8, 10, nullptr);
  DestroyWindow(w);
  display->AdvanceClock(5000);
  Pump();
  EXPECT_EQ(Records(WM_TIMER).size(), 1u);
}

TEST_F(MessageLoopTest, TimersSurviveTheTickCountWrapping) {
  display->SetClock(0xFFFFFF00u);
  HWND w = Top("w", Rect(0, 0, 10, 10));
  SetTimer(w, 1, 1000, nullptr);
  display->AdvanceClock(999);
  Pump();
  EXPECT_TRUE(Records(WM_TIMER).empty());
  display->AdvanceClock(1);
  Pump();
  EXPECT_EQ(Records(WM_TIMER).size(), 1u);
  EXPECT_LT(GetTickCount(), 1000u);
}

int g_callbacks = 0;
void CountCallback(HWND, UINT, UINT_PTR, DWORD) { ++g_callbacks; }

TEST_F(MessageLoopTest, TimerCallbacksRunOnlyForTimersThatRegisteredThem) {
  g_callbacks = 0;
  UINT_PTR id = SetTimer(nullptr, 0, 50, CountCallback);
  EXPECT_NE(id, 0u);
  display->AdvanceClock(50);
  Pump();
  EXPECT_EQ(g_callbacks, 1);
  // A posted WM_TIMER naming a procedure that no timer registered calls nothing.
  PostMessageW(nullptr, WM_TIMER, 999, reinterpret_cast<LPARAM>(CountCallback));
  Pump();
  EXPECT_EQ(g_callbacks, 1);
  KillTimer(nullptr, id);
}

TEST_F(MessageLoopTest, QuitComesAfterPostedMessagesAndPeekCanLeaveMessagesQueued) {
  HWND a = Top("a", Rect(0, 0, 10, 10));
  HWND b = Top("b", Rect(0, 0, 10, 10));
  Pump();  // their first WM_PAINT
  PostMessageW(a, WM_USER, 1, 0);
  PostMessageW(b, WM_USER + 5, 2, 0);
  PostQuitMessage(3);
  MSG msg;
  ASSERT_TRUE(PeekMessageW(&msg, b, 0, 0, PM_NOREMOVE));
  EXPECT_EQ(msg.wParam, 2u);
  ASSERT_TRUE(PeekMessageW(&msg, nullptr, WM_USER + 1, WM_USER + 9, PM_REMOVE));
  EXPECT_EQ(msg.hwnd, b);
  EXPECT_EQ(GetMessageW(&msg, nullptr, 0, 0), 1);
  EXPECT_EQ(msg.hwnd, a);
  EXPECT_EQ(GetMessageW(&msg, nullptr, 0, 0), 0);
  EXPECT_EQ(msg.wParam, 3u);
  EXPECT_FALSE(PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE));
}

TEST_F(MessageLoopTest, MessagesQueuedForADestroyedWindowAreDropped) {
  HWND w = Top("w", Rect(0, 0, 10, 10));
  PostMessageW(w, WM_USER, 0, 0);
  DestroyWindow(w);
  EXPECT_FALSE(PostMessageW(w, WM_USER, 0, 0));
  EXPECT_FALSE(SystemMessagePoster().PostIfWindow(w, WM_USER, 0, 0));
  Pump();
  EXPECT_TRUE(Records(WM_USER).empty());
}

TEST_F(MessageLoopTest, LoopStaysAsleepWithoutTimers) {
  HWND w = Top("w", Rect(0, 0, 10, 10));
  Pump();
  int before = display->WakeUps();
  std::thread clock([&] {
    while (!display->Blocked()) std::this_thread::yield();
    for (int i = 0; i < 100; ++i) display->AdvanceClock(100);  // ten seconds
    PostMessageW(w, WM_USER, 0, 0);
  });
  MSG msg;
  ASSERT_EQ(GetMessageW(&msg, nullptr, 0, 0), 1);
  clock.join();
  EXPECT_EQ(msg.message, WM_USER);
  EXPECT_EQ(display->WakeUps() - before, 1);
}

TEST_F(MessageLoopTest, LoopWakesOnlyForTimerDeadlines) {
  HWND w = Top("w", Rect(0, 0, 10, 10));
  Pump();
  display->SetAutoAdvance(true);
  DWORD start = GetTickCount();
  int before = display->WakeUps();
  SetTimer(w, 1, 1000, nullptr);
  MSG msg;
  for (int fired = 0; fired < 10;) {
    ASSERT_EQ(GetMessageW(&msg, nullptr, 0, 0), 1);
    if (msg.message == WM_TIMER) ++fired;
  }
  EXPECT_EQ(GetTickCount() - start, 10000u);
  EXPECT_EQ(display->WakeUps() - before, 10);
}

TEST_F(MessageLoopTest, PostsFromManyThreadsArriveOnceEachInOrder) {
  constexpr int kThreads = 8;
  constexpr int kPerThread = 5000;
  HWND w = Top("w", Rect(0, 0, 10, 10));
  HWND gone = Top("gone", Rect(0, 0, 10, 10));
  DestroyWindow(gone);
  std::vector<int> next(kThreads, 0);
  int wrong = 0;
  int received = 0;
  On("w", WM_USER, [&](HWND, WPARAM thread, LPARAM seq) {
    if (next[thread] != seq) ++wrong;
    next[thread] = static_cast<int>(seq) + 1;
    ++received;
    return LRESULT{0};
  });
  std::atomic<int> refused{0};
  std::vector<std::thread> workers;
  for (int t = 0; t < kThreads; ++t) {
    workers.emplace_back([&, t] {
      for (int i = 0; i < kPerThread; ++i) PostMessageW(w, WM_USER, static_cast<WPARAM>(t), i);
      if (!IsWindow(gone) && !SystemMessagePoster().PostIfWindow(gone, WM_USER, 0, 0) && IsWindow(w)) ++refused;
    });
  }
  MSG msg;
  while (received < kThreads * kPerThread && GetMessageW(&msg, nullptr, 0, 0) > 0) DispatchMessageW(&msg);
  for (auto& worker : workers) worker.join();
  Pump();
  EXPECT_EQ(received, kThreads * kPerThread);
  EXPECT_EQ(wrong, 0);
  EXPECT_EQ(refused.load(), kThreads);
  for (int t = 0; t < kThreads; ++t) EXPECT_EQ(next[t], kPerThread);
}

TEST_F(MessageLoopTest, OnlyTheUiThreadMayDriveTheWindowSystem) {
  HWND w = Top("w", Rect(0, 0, 10, 10));
  std::thread other([&] {
    EXPECT_EQ(SendMessageW(w, WM_USER, 0, 0), 0);
    EXPECT_FALSE(DestroyWindow(w));
    MSG msg;
    EXPECT_EQ(GetMessageW(&msg, nullptr, 0, 0), -1);
    EXPECT_TRUE(IsWindow(w));
  });
  other.join();
  EXPECT_TRUE(Records(WM_USER).empty());
}

TEST_F(MessageLoopTest, SessionEndAndCloseRequestsComeFromTheDisplay) {
  Top("a", Rect(0, 0, 10, 10));
  HWND b = Top("b", Rect(0, 0, 10, 10));
  display->PostForeign(b, 37683, 0, 0);
  display->EndSession();
  Pump();
  EXPECT_EQ(Log({37683, WM_QUERYENDSESSION, WM_CLOSE}),
            (Strings{"b 0x37683", "b WM_QUERYENDSESSION", "a WM_QUERYENDSESSION", "b WM_CLOSE", "a WM_CLOSE"}));
  EXPECT_EQ(GetTopWindow(nullptr), nullptr);
  EXPECT_EQ(DefWindowProcW(nullptr, WM_QUERYENDSESSION, 0, 0), 1);
  HWND c = Top("c", Rect(0, 0, 10, 10));
  display->RequestClose(c);
  Pump();
  EXPECT_FALSE(IsWindow(c));
}

}  // namespace
}  // namespace varnika::test
