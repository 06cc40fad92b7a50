// The tooltip wrapper: it takes the system tooltip class over, answers the
// tip text from the controls' hints, and the controls register with it. The
// system class here is a stand-in that records what it is told, unless the
// window system brings the real one.
#include "toolkit/ToolTip.h"

#include <map>

#include "tests/toolkit_controls/ControlTestSupport.h"

namespace varnika::testing {
namespace {

struct StandInLog {
  std::vector<std::pair<UINT, TOOLINFOW>> tools;  // TTM_ADDTOOLW and friends
  std::vector<std::u16string> texts;               // of the tools
  HFONT font = nullptr;
  LPARAM max_width = -1;
  COLORREF back = 0x00E1FFFF;
  COLORREF text = 0;
};

StandInLog* g_log = nullptr;

LRESULT StandInProc(HWND wnd, UINT msg, WPARAM wparam, LPARAM lparam) {
  switch (msg) {
    case TTM_ADDTOOLW:
    case TTM_DELTOOLW:
    case TTM_UPDATETIPTEXTW:
      g_log->tools.emplace_back(msg, *reinterpret_cast<TOOLINFOW*>(lparam));
      return TRUE;
    case WM_SETFONT: g_log->font = reinterpret_cast<HFONT>(wparam); return 0;
    case TTM_SETMAXTIPWIDTH: g_log->max_width = lparam; return 0;
    case TTM_SETTIPBKCOLOR: g_log->back = static_cast<COLORREF>(wparam); return 0;
    case TTM_SETTIPTEXTCOLOR: g_log->text = static_cast<COLORREF>(wparam); return 0;
    case TTM_GETTIPBKCOLOR: return g_log->back;
    case TTM_GETTIPTEXTCOLOR: return g_log->text;
    default: return DefWindowProcW(wnd, msg, wparam, lparam);
  }
}

class ToolTipTest : public WindowSystemTest {
 protected:
  void SetUp() override {
    WindowSystemTest::SetUp();
    g_log = &log_;
    WNDCLASSW existing;
    if (!GetClassInfoW(nullptr, u"tooltips_class32", &existing)) {
      WNDCLASSW wc;
      wc.style = CS_GLOBALCLASS | CS_DBLCLKS;
      wc.lpfnWndProc = StandInProc;
      wc.lpszClassName = u"tooltips_class32";
      ASSERT_NE(RegisterSystemClassW(&wc), 0);
    }
    tip_ = Make<TToolTip>();
    tip_->SetParentWindow(nullptr);
    ToolTipWindow = tip_->Handle();
  }
  void TearDown() override {
    g_log = nullptr;
    WindowSystemTest::TearDown();
  }

  // What the tooltip class would ask before showing the tool's tip.
  LPWSTR AskText(HWND tool, LPWSTR before = nullptr) {
    NMTTDISPINFOW info;
    info.hdr.hwndFrom = ToolTipWindow;
    info.hdr.idFrom = reinterpret_cast<UINT_PTR>(tool);
    info.hdr.code = TTN_GETDISPINFOW;
    info.lpszText = before;
    SendMessageW(ToolTipWindow, WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&info));
    return info.lpszText;
  }

  StandInLog log_;
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
  LOGFONTW lf;
  ASSERT_EQ(GetObjectW(log_.font, sizeof lf, &lf), static_cast<int>(sizeof lf));
  EXPECT_EQ(std::u16string(lf.lfFaceName), u"Tahoma");
  EXPECT_EQ(lf.lfHeight, -11);
}

TEST_F(ToolTipTest, ControlsRegisterAsToolsAskedForTheirText) {
  auto* window = Make<SolidWindow>();
  auto* button = Make<SolidControl>(window);
  HWND handle = button->Handle();
  button->SetShowHint(true);
  button->SetHint(u"Yenile");
  button->SetShowHint(false);
  ASSERT_EQ(log_.tools.size(), 3u);
  EXPECT_EQ(log_.tools[0].first, TTM_ADDTOOLW);
  EXPECT_EQ(log_.tools[0].second.uFlags, TTF_IDISHWND | TTF_SUBCLASS);
  EXPECT_EQ(log_.tools[0].second.hwnd, ToolTipWindow);
  EXPECT_EQ(log_.tools[0].second.uId, reinterpret_cast<UINT_PTR>(handle));
  EXPECT_EQ(log_.tools[0].second.lpszText, TextCallbackW());
  EXPECT_EQ(log_.tools[1].first, TTM_UPDATETIPTEXTW);
  EXPECT_EQ(log_.tools[2].first, TTM_DELTOOLW);
}

TEST_F(ToolTipTest, TheTextIsTheControlsHintOnlyWhileTipsAreEnabled) {
  auto* window = Make<SolidWindow>();
  auto* button = Make<SolidControl>(window);
  button->Handle();
  button->SetShowHint(true);
  button->SetHint(u"Ayarlar");
  EXPECT_EQ(AskText(button->WindowHandle()), nullptr);  // EnableTip is off
  EXPECT_EQ(log_.max_width, -1);
  tip_->SetEnableTip(true);
  LPWSTR text = AskText(button->WindowHandle());
  ASSERT_NE(text, nullptr);
  EXPECT_EQ(std::u16string(text), u"Ayarlar");
  EXPECT_EQ(log_.max_width, 300);
  button->SetShowHint(false);
  EXPECT_EQ(AskText(button->WindowHandle()), nullptr);
  button->SetShowHint(true);
  button->SetHint(u"");
  EXPECT_EQ(AskText(button->WindowHandle()), nullptr);
  log_.max_width = -1;
  EXPECT_EQ(AskText(reinterpret_cast<HWND>(0x777)), nullptr);  // not a window
  EXPECT_EQ(log_.max_width, -1);
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
