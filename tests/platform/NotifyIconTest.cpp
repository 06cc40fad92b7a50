// Shell_NotifyIconW on the headless backend's tray: what the tray is given,
// and what the owner hears back.
#include "platform/NotifyIcon.h"

#include <cstring>

#include "platform/Icons.h"
#include "tests/platform/PlatformFixture.h"

namespace varnika::test {
namespace {

constexpr UINT kCallback = WM_APP + 7;

class NotifyIconTest : public PlatformTest {
 protected:
  void SetUp() override {
    PlatformTest::SetUp();
    owner_ = Top("owner", Rect(0, 0, 1, 1), WS_EX_TOOLWINDOW, WS_POPUP);
  }

  NOTIFYICONDATAW Data(UINT flags) {
    NOTIFYICONDATAW d;
    d.hWnd = owner_;
    d.uID = 5;
    d.uFlags = flags;
    d.uCallbackMessage = kCallback;
    return d;
  }

  static void SetText(char16_t* field, std::size_t size, const char16_t* text) {
    std::memset(field, 0, size * sizeof(char16_t));
    std::u16string_view t(text);
    std::copy(t.begin(), t.end(), field);
  }

  HICON SolidIcon(std::uint32_t premultiplied, int size = 4) {
    std::vector<std::uint32_t> pixels(static_cast<std::size_t>(size * size), premultiplied);
    return CreateIconFromBits(pixels.data(), size, size, size * 4);
  }

  // The callback messages' lParams, in order.
  std::vector<LPARAM> Callbacks() {
    std::vector<LPARAM> out;
    for (const Record& r : Records(kCallback)) {
      EXPECT_EQ(r.wparam, 5u);
      out.push_back(r.lparam);
    }
    return out;
  }

  HWND owner_ = nullptr;
};

TEST_F(NotifyIconTest, TheTrayShowsACopyOfTheIconAndTheTipUntilDeleted) {
  NOTIFYICONDATAW d = Data(NIF_MESSAGE | NIF_ICON | NIF_TIP);
  d.hIcon = SolidIcon(0xFF204060);
  SetText(d.szTip, 128, u"Varnika");
  ASSERT_TRUE(Shell_NotifyIconW(NIM_ADD, &d));
  DestroyIcon(d.hIcon);  // the tray keeps its own copy
  std::vector<TrayIconState> icons = display->TrayIcons();
  ASSERT_EQ(icons.size(), 1u);
  EXPECT_EQ(icons[0].owner, owner_);
  EXPECT_EQ(icons[0].callback, kCallback);
  EXPECT_EQ(icons[0].tip, u"Varnika");
  ASSERT_EQ(icons[0].icon.width, 4);
  EXPECT_EQ(icons[0].icon.argb[0], 0xFF204060u);

  EXPECT_FALSE(Shell_NotifyIconW(NIM_ADD, &d));  // exists already
  ASSERT_TRUE(Shell_NotifyIconW(NIM_DELETE, &d));
  EXPECT_TRUE(display->TrayIcons().empty());
  EXPECT_FALSE(Shell_NotifyIconW(NIM_MODIFY, &d));
  EXPECT_FALSE(Shell_NotifyIconW(NIM_DELETE, &d));
}

TEST_F(NotifyIconTest, ModifyChangesOnlyWhatItsFlagsNameAndAnEmptyTipRemovesIt) {
  NOTIFYICONDATAW d = Data(NIF_MESSAGE | NIF_TIP);
  SetText(d.szTip, 128, u"eski");
  Shell_NotifyIconW(NIM_ADD, &d);
  NOTIFYICONDATAW change = Data(NIF_ICON);
  change.hIcon = SolidIcon(0xFFFFFFFF);
  SetText(change.szTip, 128, u"yok sayılır");
  Shell_NotifyIconW(NIM_MODIFY, &change);
  EXPECT_EQ(display->TrayIcons()[0].tip, u"eski");
  change.uFlags = NIF_TIP;
  SetText(change.szTip, 128, u"");
  Shell_NotifyIconW(NIM_MODIFY, &change);
  EXPECT_EQ(display->TrayIcons()[0].tip, u"");
  EXPECT_EQ(display->TrayIcons()[0].icon.width, 4);
  DestroyIcon(change.hIcon);
}

TEST_F(NotifyIconTest, ATipFillingItsWholeFieldKeepsOnlyWhatFitsBeforeTheTerminator) {
  NOTIFYICONDATAW d = Data(NIF_TIP);
  std::fill(std::begin(d.szTip), std::end(d.szTip), u'x');  // no terminator at all
  Shell_NotifyIconW(NIM_ADD, &d);
  EXPECT_EQ(display->TrayIcons()[0].tip.size(), 127u);
}

TEST_F(NotifyIconTest, AHiddenIconLeavesTheTrayAndComesBack) {
  NOTIFYICONDATAW d = Data(NIF_STATE);
  d.dwState = d.dwStateMask = NIS_HIDDEN;
  Shell_NotifyIconW(NIM_ADD, &d);
  EXPECT_TRUE(display->TrayIcons().empty());
  d.dwState = 0;
  Shell_NotifyIconW(NIM_MODIFY, &d);
  EXPECT_EQ(display->TrayIcons().size(), 1u);
}

TEST_F(NotifyIconTest, MouseActionsReachTheOwnerAsTheCallbackWithThePointerAndKeysOfTheirMoment) {
  NOTIFYICONDATAW d = Data(NIF_MESSAGE);
  Shell_NotifyIconW(NIM_ADD, &d);
  POINT seen_at;
  SHORT control = 0;
  On("owner", kCallback, [&](HWND, WPARAM, LPARAM l) -> LRESULT {
    if (l == WM_RBUTTONDOWN) {
      GetCursorPos(&seen_at);
      control = GetKeyState(static_cast<int>(VK_CONTROL));
    }
    return 0;
  });
  display->MovePointer(1200, 990);
  display->TrayMouse(owner_, 5, WM_MOUSEMOVE);
  display->PressKey(VK_CONTROL);
  display->TrayClick(owner_, 5, MouseButton::Right);
  display->ReleaseKey(VK_CONTROL);
  Pump();
  EXPECT_EQ(Callbacks(), (std::vector<LPARAM>{WM_MOUSEMOVE, WM_RBUTTONDOWN, WM_RBUTTONUP}));
  EXPECT_EQ(seen_at, (POINT{1200, 990}));
  EXPECT_LT(control, 0);
}

TEST_F(NotifyIconTest, ASecondPressSoonAfterTheFirstIsADoubleClick) {
  NOTIFYICONDATAW d = Data(NIF_MESSAGE);
  Shell_NotifyIconW(NIM_ADD, &d);
  display->TrayClick(owner_, 5);
  display->AdvanceClock(100);
  display->TrayClick(owner_, 5);
  display->AdvanceClock(100);
  display->TrayClick(owner_, 5);  // a third press starts over
  display->AdvanceClock(1000);
  display->TrayClick(owner_, 5);
  display->TrayClick(owner_, 5);
  Pump();
  EXPECT_EQ(Callbacks(), (std::vector<LPARAM>{WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDBLCLK, WM_LBUTTONUP,
                                              WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDOWN, WM_LBUTTONUP,
                                              WM_LBUTTONDBLCLK, WM_LBUTTONUP}));
}

TEST_F(NotifyIconTest, WithoutACallbackMessageOrAfterTheOwnerIsGoneNothingIsSent) {
  NOTIFYICONDATAW d = Data(0);
  Shell_NotifyIconW(NIM_ADD, &d);
  display->TrayClick(owner_, 5);
  Pump();
  EXPECT_TRUE(Callbacks().empty());
  DestroyWindow(owner_);
  display->TrayClick(owner_, 5);
  Pump();
  EXPECT_TRUE(display->TrayIcons().empty());  // the orphan is taken away
}

TEST_F(NotifyIconTest, BalloonsGoToTheTrayAndAnEmptyOneHidesTheShownOne) {
  NOTIFYICONDATAW d = Data(NIF_MESSAGE);
  Shell_NotifyIconW(NIM_ADD, &d);
  d.uFlags = NIF_INFO;
  SetText(d.szInfoTitle, 64, u"Varnika");
  SetText(d.szInfo, 256, u"Yeni sürüm var");
  d.dwInfoFlags = NIIF_INFO;
  d.uTimeout = 3000;
  Shell_NotifyIconW(NIM_MODIFY, &d);
  auto balloons = display->TrayBalloons();
  ASSERT_EQ(balloons.size(), 1u);
  EXPECT_EQ(balloons[0].balloon.title, u"Varnika");
  EXPECT_EQ(balloons[0].balloon.text, u"Yeni sürüm var");
  EXPECT_EQ(balloons[0].balloon.flags, NIIF_INFO);
  EXPECT_EQ(balloons[0].balloon.timeout_ms, 3000u);
  EXPECT_TRUE(balloons[0].showing);
  SetText(d.szInfo, 256, u"");
  Shell_NotifyIconW(NIM_MODIFY, &d);
  EXPECT_FALSE(display->TrayBalloons()[0].showing);
  display->TrayBalloonEvent(owner_, 5, NIN_BALLOONHIDE);
  Pump();
  EXPECT_EQ(Callbacks(), (std::vector<LPARAM>{NIN_BALLOONHIDE}));
}

TEST_F(NotifyIconTest, WithoutATrayEveryCallStillSucceeds) {
  display->SetTrayAvailable(false);
  NOTIFYICONDATAW d = Data(NIF_MESSAGE | NIF_TIP | NIF_INFO);
  SetText(d.szInfo, 256, u"balon");
  EXPECT_TRUE(Shell_NotifyIconW(NIM_ADD, &d));
  EXPECT_TRUE(Shell_NotifyIconW(NIM_MODIFY, &d));
  EXPECT_TRUE(Shell_NotifyIconW(NIM_DELETE, &d));
  EXPECT_TRUE(display->TrayBalloons().empty());
}

TEST_F(NotifyIconTest, ARecordOfAnotherSizeOrADeadOwnerIsRefused) {
  NOTIFYICONDATAW d = Data(NIF_MESSAGE);
  d.cbSize = 936;
  EXPECT_FALSE(Shell_NotifyIconW(NIM_ADD, &d));
  d = Data(NIF_MESSAGE);
  d.hWnd = reinterpret_cast<HWND>(0x1234);
  EXPECT_FALSE(Shell_NotifyIconW(NIM_ADD, &d));
  EXPECT_TRUE(display->TrayIcons().empty());
}

}  // namespace
}  // namespace varnika::test
