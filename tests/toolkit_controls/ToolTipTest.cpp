// The tooltip wrapper: it takes the system tooltip class over, answers the
// tip text from the controls' hints, and the controls register with it.
#include "toolkit/ToolTip.h"

#include "platform/ToolTip.h"
#include "tests/toolkit_controls/ControlTestSupport.h"

namespace varnika::testing {
namespace {

class ToolTipTest : public WindowSystemTest {
 protected:
  void SetUp() override {
    WindowSystemTest::SetUp();
    tip_ = Make<TToolTip>();
    tip_->SetParentWindow(nullptr);
    ToolTipWindow = tip_->Handle();
  }

  // What the tooltip class asks before showing the tool's tip.
  LPWSTR AskText(HWND tool, LPWSTR before = nullptr) {
    NMTTDISPINFOW info;
    info.hdr.hwndFrom = ToolTipWindow;
    info.hdr.idFrom = reinterpret_cast<UINT_PTR>(tool);
    info.hdr.code = TTN_GETDISPINFOW;
    info.lpszText = before;
    SendMessageW(ToolTipWindow, WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&info));
    return info.lpszText;
  }
  LRESULT ToolCount() { return SendMessageW(ToolTipWindow, TTM_GETTOOLCOUNT, 0, 0); }
  LRESULT MaxWidth() { return SendMessageW(ToolTipWindow, TTM_GETMAXTIPWIDTH, 0, 0); }
  std::u16string ShownText() {
    char16_t text[256] = {};
    GetWindowTextW(ToolTipWindow, text, 256);
    return text;
  }

  TToolTip* tip_ = nullptr;
};

TEST_F(ToolTipTest, TheTooltipIsATopmostPopupOfTheSystemClassWithTheToolkitInFront) {
  char16_t name[64];
  GetClassNameW(ToolTipWindow, name, 64);
  EXPECT_EQ(std::u16string(name), u"tooltips_class32");
  const auto style = static_cast<DWORD>(GetWindowLongW(ToolTipWindow, GWL_STYLE));
  EXPECT_EQ(style & ~WS_VISIBLE, WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX | TTS_NOFADE);
  EXPECT_EQ(static_cast<DWORD>(GetWindowLongW(ToolTipWindow, GWL_EXSTYLE)) & WS_EX_TOPMOST, WS_EX_TOPMOST);
  EXPECT_EQ(reinterpret_cast<WNDPROC>(GetWindowLongPtrW(ToolTipWindow, GWLP_WNDPROC)), &WidgetWndProc);
  // The font the tips use: the control's, Tahoma 8 points.
  auto* font = reinterpret_cast<HFONT>(SendMessageW(ToolTipWindow, WM_GETFONT, 0, 0));
  LOGFONTW lf;
  ASSERT_EQ(GetObjectW(font, sizeof lf, &lf), static_cast<int>(sizeof lf));
  EXPECT_EQ(std::u16string(lf.lfFaceName), u"Tahoma");
  EXPECT_EQ(lf.lfHeight, -11);
}

TEST_F(ToolTipTest, ControlsRegisterAsToolsAndTheirHintShowsOnHover) {
  auto* window = Make<SolidWindow>();
  window->SetLeft(100);
  window->SetTop(100);
  window->SetSize(200, 100);
  auto* button = Make<SolidControl>(window);
  button->SetLeft(10);
  button->SetTop(10);
  button->SetSize(60, 20);
  button->Show();
  window->Show();
  window->Invalidate();  // a frame to hit
  button->SetShowHint(true);
  EXPECT_EQ(ToolCount(), 1);
  button->SetHint(u"Yenile");
  tip_->SetEnableTip(true);
  Backend().MovePointer(120, 115);
  Pump();
  Backend().AdvanceClock(600);
  Pump();
  EXPECT_TRUE(IsWindowVisible(ToolTipWindow));
  EXPECT_EQ(ShownText(), u"Yenile");
  EXPECT_EQ(MaxWidth(), 300);
  button->SetShowHint(false);
  EXPECT_EQ(ToolCount(), 0);
}

TEST_F(ToolTipTest, TheTextIsTheControlsHintOnlyWhileTipsAreEnabled) {
  auto* window = Make<SolidWindow>();
  auto* button = Make<SolidControl>(window);
  button->Handle();
  button->SetShowHint(true);
  button->SetHint(u"Ayarlar");
  const LRESULT initial_width = MaxWidth();
  EXPECT_EQ(AskText(button->WindowHandle()), nullptr);  // EnableTip is off
  EXPECT_EQ(MaxWidth(), initial_width);
  tip_->SetEnableTip(true);
  LPWSTR text = AskText(button->WindowHandle());
  ASSERT_NE(text, nullptr);
  EXPECT_EQ(std::u16string(text), u"Ayarlar");
  EXPECT_EQ(MaxWidth(), 300);
  button->SetShowHint(false);
  EXPECT_EQ(AskText(button->WindowHandle()), nullptr);
  button->SetShowHint(true);
  button->SetHint(u"");
  EXPECT_EQ(AskText(button->WindowHandle()), nullptr);
  EXPECT_EQ(AskText(reinterpret_cast<HWND>(0x777)), nullptr);  // not a window
}

TEST_F(ToolTipTest, ColoursLiveInTheSystemControl) {
  tip_->SetBackColor(RGB(250, 250, 210));
  tip_->SetTextColor(RGB(20, 20, 20));
  EXPECT_EQ(tip_->BackColor(), RGB(250, 250, 210));
  EXPECT_EQ(tip_->TextColor(), RGB(20, 20, 20));
  TToolTip unborn(nullptr);
  EXPECT_EQ(unborn.BackColor(), 0u);
  unborn.SetBackColor(RGB(1, 2, 3));  // ignored without a window
  EXPECT_FALSE(unborn.HasWindow());
}

}  // namespace
}  // namespace varnika::testing
