// The tray icon wrapper on the headless backend's tray.
#include "toolkit/TrayIcon.h"

#include "platform/Icons.h"
#include "tests/toolkit_controls/ControlTestSupport.h"

namespace varnika::testing {
namespace {

class TrayIconTest : public WindowSystemTest {
 protected:
  void SetUp() override {
    WindowSystemTest::SetUp();
    tray_ = Make<TTrayIcon>();
    tray_->Handle();
    tray_->OnMouseDown = [this](TControl*, int keys, int x, int y) { Note("down", keys, x, y); };
    tray_->OnMouseUp = [this](TControl*, int keys, int x, int y) { Note("up", keys, x, y); };
    tray_->OnMouseMove = [this](TControl*, int keys, int x, int y) { Note("move", keys, x, y); };
    tray_->OnClick = [this](TControl*) { events_.push_back("click"); };
    tray_->OnDblClick = [this](TControl*) { events_.push_back("dblclick"); };
    tray_->OnBalloonAction = [this](TControl*, int action) { actions_.push_back(action); };
  }

  void Note(const char* what, int keys, int x, int y) {
    events_.push_back(what);
    keys_.push_back(keys);
    last_ = POINT{x, y};
  }

  HWND Owner() { return tray_->WindowHandle(); }
  UINT Id() { return tray_->Data().uID; }
  HICON Icon(std::uint32_t pixel) {
    std::vector<std::uint32_t> pixels(16, pixel);
    return CreateIconFromBits(pixels.data(), 4, 4, 16);
  }
  std::vector<TrayIconState> Shown() { return Backend().TrayIcons(); }

  TTrayIcon* tray_ = nullptr;
  std::vector<std::string> events_;
  std::vector<int> keys_;
  std::vector<int> actions_;
  POINT last_;
};

TEST_F(TrayIconTest, TheIconEntersTheTrayWithItsWindowAndLeavesWithIt) {
  EXPECT_TRUE(Shown().empty());  // not before VisibleTray
  tray_->SetIcon(Icon(0xFF336699));
  tray_->SetHintText(u"Varnika");
  tray_->SetVisibleTray(true);
  ASSERT_EQ(Shown().size(), 1u);
  EXPECT_EQ(Shown()[0].owner, Owner());
  EXPECT_EQ(Shown()[0].callback, CM_TRAYICON);
  EXPECT_EQ(Shown()[0].tip, u"Varnika");
  EXPECT_EQ(Shown()[0].icon.argb[0], 0xFF336699u);
  EXPECT_FALSE(IsWindowVisible(Owner()));
  HICON held = tray_->Icon();
  tray_->DestroyHandle();
  EXPECT_TRUE(Shown().empty());
  EXPECT_FALSE(GetIconPixels(held, nullptr));  // destroyed with the window
}

TEST_F(TrayIconTest, ALeftClickIsDownClickUpAndARightClickHasNoClick) {
  tray_->SetVisibleTray(true);
  Backend().MovePointer(1240, 1000);
  Backend().TrayClick(Owner(), Id(), MouseButton::Left);
  Backend().AdvanceClock(1000);
  Backend().TrayClick(Owner(), Id(), MouseButton::Right);
  Pump();
  EXPECT_EQ(events_, (std::vector<std::string>{"down", "click", "up", "down", "up"}));
  EXPECT_EQ(keys_, (std::vector<int>{MK_LBUTTON, MK_LBUTTON, MK_RBUTTON, MK_RBUTTON}));
  EXPECT_EQ(last_, (POINT{1240, 1000}));
}

TEST_F(TrayIconTest, HeldControlAndShiftAddTheirKeyBits) {
  tray_->SetVisibleTray(true);
  Backend().PressKey(VK_CONTROL);
  Backend().TrayClick(Owner(), Id(), MouseButton::Right);
  Backend().ReleaseKey(VK_CONTROL);
  Backend().PressKey(VK_SHIFT);
  Backend().TrayMouse(Owner(), Id(), WM_MOUSEMOVE);
  Backend().ReleaseKey(VK_SHIFT);
  Pump();
  EXPECT_EQ(keys_, (std::vector<int>{MK_RBUTTON | MK_CONTROL, MK_RBUTTON | MK_CONTROL, MK_SHIFT}));
}

TEST_F(TrayIconTest, ADoubleClickRaisesDblClickAndTheFollowingUpNoSecondClick) {
  tray_->SetVisibleTray(true);
  Backend().TrayClick(Owner(), Id());
  Backend().TrayClick(Owner(), Id());
  Pump();
  EXPECT_EQ(events_, (std::vector<std::string>{"down", "click", "up", "dblclick", "up"}));
}

TEST_F(TrayIconTest, TextsAreCutToTheirFieldsAndTheTrayGetsTheCut) {
  tray_->SetVisibleTray(true);
  tray_->SetHintText(std::u16string(200, u'a'));
  tray_->SetBalloonTitle(std::u16string(100, u'b'));
  tray_->SetBalloonHint(std::u16string(300, u'c'));
  EXPECT_EQ(tray_->HintText().size(), 200u);  // the property keeps all of it
  EXPECT_EQ(std::u16string(tray_->Data().szTip).size(), 127u);
  EXPECT_EQ(std::u16string(tray_->Data().szInfoTitle).size(), 63u);
  EXPECT_EQ(std::u16string(tray_->Data().szInfo).size(), 255u);
  EXPECT_EQ(Shown()[0].tip, std::u16string(127, u'a'));
}

TEST_F(TrayIconTest, AnEmptyHintRemovesTheTipFromTheRecordAndFromTheTray) {
  tray_->SetHintText(u"İpucu");
  EXPECT_TRUE(tray_->Data().uFlags & NIF_TIP);
  tray_->SetVisibleTray(true);
  EXPECT_EQ(Shown()[0].tip, u"İpucu");
  tray_->SetHintText(u"");
  EXPECT_FALSE(tray_->Data().uFlags & NIF_TIP);
  EXPECT_EQ(Shown()[0].tip, u"");
  tray_->SetIcon(Icon(0xFF000000));  // a later refresh brings nothing back
  EXPECT_EQ(Shown()[0].tip, u"");
}

TEST_F(TrayIconTest, ANewIconDestroysTheOldOneButTheSameOneSurvives) {
  HICON first = Icon(0xFF111111);
  HICON second = Icon(0xFF222222);
  tray_->SetIcon(first);
  tray_->SetIcon(first);
  EXPECT_TRUE(GetIconPixels(first, nullptr));
  tray_->SetIcon(second);
  EXPECT_FALSE(GetIconPixels(first, nullptr));
  EXPECT_EQ(tray_->Icon(), second);
}

TEST_F(TrayIconTest, ABalloonShowsAndItsEndIsReportedAndForgotten) {
  tray_->SetVisibleTray(true);
  tray_->SetBalloonTitle(u"Varnika");
  tray_->SetBalloonHint(u"Yeni sürüm var");
  tray_->SetBalloonFlags(TBalloonFlags::bfWarning);
  tray_->ShowBalloon();
  auto balloons = Backend().TrayBalloons();
  ASSERT_FALSE(balloons.empty());
  EXPECT_EQ(balloons.back().balloon.title, u"Varnika");
  EXPECT_EQ(balloons.back().balloon.text, u"Yeni sürüm var");
  EXPECT_EQ(balloons.back().balloon.flags, NIIF_WARNING);
  EXPECT_EQ(balloons.back().balloon.timeout_ms, 3000u);
  EXPECT_TRUE(tray_->Data().uFlags & NIF_INFO);
  Backend().TrayBalloonEvent(Owner(), Id(), NIN_BALLOONTIMEOUT);
  Pump();
  EXPECT_EQ(actions_, (std::vector<int>{0x404}));
  EXPECT_FALSE(tray_->Data().uFlags & NIF_INFO);
  const std::size_t shown = Backend().TrayBalloons().size();
  tray_->SetIcon(Icon(0xFF000000));  // a refresh does not show it again
  EXPECT_EQ(Backend().TrayBalloons().size(), shown);
}

TEST_F(TrayIconTest, TheSessionsEndTakesTheIconAway) {
  tray_->SetVisibleTray(true);
  EXPECT_EQ(SendMessageW(Owner(), WM_QUERYENDSESSION, 0, 0), 1);
  SendMessageW(Owner(), WM_ENDSESSION, FALSE, 0);  // the session goes on
  EXPECT_EQ(Shown().size(), 1u);
  SendMessageW(Owner(), WM_ENDSESSION, TRUE, 0);
  EXPECT_TRUE(Shown().empty());
}

}  // namespace
}  // namespace varnika::testing
