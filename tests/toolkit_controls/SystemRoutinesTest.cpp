// The toolkit's routines on the headless window system: window timers, fades
// and draining the queue.
#include <gtest/gtest.h>

#include "platform/MessageLoop.h"
#include "platform/Window.h"
#include "platform/WindowSystem.h"
#include "platform/headless/HeadlessBackend.h"
#include "toolkit/SystemRoutines.h"
#include "toolkit/WinTimer.h"
#include "toolkit/WindowEx.h"
#include "tests/toolkit_controls/ControlTestSupport.h"

namespace varnika {
namespace {

class SystemRoutinesTest : public testing::WindowSystemTest {
 protected:
  void SetUp() override {
    testing::WindowSystemTest::SetUp();
    Backend().SetWorkArea(RECT{0, 0, 1280, 994});
  }
};

TEST_F(SystemRoutinesTest, TimerFiresWhileEnabledAndNeverOnADeadWindow) {
  TComponent owner(nullptr);
  auto* window = new TWindowEx(&owner);
  HWND wnd = window->Handle();
  int fired = 0;
  window->OnTimer = [&](TControl*, int id) { fired += id == 1003 ? 1 : 100; };
  {
    TWinTimer timer(wnd, 1003, 300000);
    timer.SetEnabled(true);
    EXPECT_TRUE(timer.Enabled());
    Backend().AdvanceClock(300000);
    Pump();
    EXPECT_EQ(fired, 1);
    timer.Stop();
    Backend().AdvanceClock(300000);
    Pump();
    EXPECT_EQ(fired, 1);
    timer.Start();
  }  // the destructor stops it
  Backend().AdvanceClock(300000);
  Pump();
  EXPECT_EQ(fired, 1);
  DestroyWindow(wnd);
  TWinTimer late(wnd, 1001, 50);
  late.Start();
  EXPECT_FALSE(late.Enabled());
}

TEST_F(SystemRoutinesTest, FadeInEndsAtFullOpacityAndFadeOutHidesAtThree) {
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
  EXPECT_EQ(Backend().SurfaceOf(wnd).alpha, 255);
  const int frames = Backend().SurfaceOf(wnd).frames_presented;
  FadeOut(*window, 4, 1);
  EXPECT_EQ(window->Opacity(), 3);
  EXPECT_FALSE(IsWindowVisible(wnd));
  EXPECT_GE(Backend().SurfaceOf(wnd).frames_presented - frames, 0);
}

TEST_F(SystemRoutinesTest, DrainDispatchesEverythingButKeepsAQuitForTheLoop) {
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

}  // namespace
}  // namespace varnika
