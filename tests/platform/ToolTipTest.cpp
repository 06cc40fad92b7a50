// The tooltip class on the headless display and its manual clock: when tips
// show and hide, their text (given or asked for with TTN_GETDISPINFOW),
// wrapping, colours, fonts and styles.
#include "platform/ToolTip.h"

#include "platform/Gdi.h"
#include "tests/platform/PopupFixture.h"

namespace varnika::test {
namespace {

// The tool: a child of "main" at screen (120, 120)-(220, 160).
constexpr POINT kOnTool{150, 130};
constexpr POINT kOffTool{50, 50};

class ToolTipTest : public PopupTest {
 protected:
  void SetUp() override {
    PopupTest::SetUp();
    main_ = Top("main", Rect(100, 100, 300, 200));
    tool_ = Child("tool", main_, Rect(20, 20, 100, 40));
    tip_ = MakeTip(TTS_ALWAYSTIP | TTS_NOPREFIX);
    Pump();
  }

  HWND MakeTip(DWORD styles) {
    return CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | styles, 0, 0, 0, 0, nullptr,
                           nullptr, nullptr, nullptr);
  }

  // Registers the tool window with a text, or for TTN_GETDISPINFOW
  // (nullptr) sent to `owner`.
  void AddTool(HWND tip, HWND tool, const char16_t* text, HWND owner = nullptr,
               UINT flags = TTF_IDISHWND | TTF_SUBCLASS) {
    TOOLINFOW info;
    info.uFlags = flags;
    info.hwnd = owner ? owner : main_;
    info.uId = reinterpret_cast<UINT_PTR>(tool);
    info.lpszText = text ? const_cast<LPWSTR>(text) : TextCallbackW();
    ASSERT_TRUE(SendMessageW(tip, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&info)));
  }

  void Hover(POINT p) {
    MoveTo(p);
    Pump();
  }
  void Wait(DWORD ms) {
    display->AdvanceClock(ms);
    Pump();
  }
  bool Shown(HWND tip = nullptr) { return IsWindowVisible(tip ? tip : tip_) != FALSE; }
  std::u16string TextOf(HWND tip) {
    char16_t buffer[256] = {};
    GetWindowTextW(tip, buffer, 256);
    return buffer;
  }
  RECT RectOf(HWND tip) {
    RECT r;
    GetWindowRect(tip, &r);
    return r;
  }
  // The tip's height once shown for a text on the tool.
  LONG ShownHeight() {
    Hover(kOffTool);
    Hover(kOnTool);
    Wait(500);
    EXPECT_TRUE(Shown());
    RECT r = RectOf(tip_);
    return r.bottom - r.top;
  }

  HWND main_ = nullptr;
  HWND tool_ = nullptr;
  HWND tip_ = nullptr;
};

TEST_F(ToolTipTest, TheTipShowsAfterTheInitialDelayBelowRightOfThePointerAndPopsAfterFiveSeconds) {
  AddTool(tip_, tool_, u"Kapat");
  Hover(kOnTool);
  Wait(499);
  EXPECT_FALSE(Shown());
  Wait(1);
  ASSERT_TRUE(Shown());
  EXPECT_EQ(TextOf(tip_), u"Kapat");
  RECT r = RectOf(tip_);
  EXPECT_GT(r.left, kOnTool.x);
  EXPECT_GT(r.top, kOnTool.y + 10);  // below the arrow
  Wait(4999);
  EXPECT_TRUE(Shown());
  Wait(1);
  EXPECT_FALSE(Shown());
  // Resting on the tool does not bring it back...
  Hover(POINT{kOnTool.x + 5, kOnTool.y});
  Wait(1000);
  EXPECT_FALSE(Shown());
  // ...coming back to it does.
  Hover(kOffTool);
  Hover(kOnTool);
  Wait(500);
  EXPECT_TRUE(Shown());
}

TEST_F(ToolTipTest, LeavingTheToolOrClickingItHidesTheTipAtOnce) {
  AddTool(tip_, tool_, u"Kapat");
  Hover(kOnTool);
  Wait(500);
  ASSERT_TRUE(Shown());
  Hover(kOffTool);
  EXPECT_FALSE(Shown());
  // Leaving before the delay ran out shows nothing.
  Hover(kOnTool);
  Wait(300);
  Hover(kOffTool);
  Wait(500);
  EXPECT_FALSE(Shown());

  Hover(kOnTool);
  Wait(500);
  ASSERT_TRUE(Shown());
  display->Click();
  Pump();
  EXPECT_FALSE(Shown());
  Wait(1000);
  EXPECT_FALSE(Shown());  // not again until the pointer comes back
}

TEST_F(ToolTipTest, MovingToAnotherToolWhileATipShowsBringsItsTipAfterTheReshowDelay) {
  HWND second = Child("second", main_, Rect(150, 20, 100, 40));  // screen (250, 120)-(350, 160)
  AddTool(tip_, tool_, u"Birinci");
  AddTool(tip_, second, u"İkinci");
  Hover(kOnTool);
  Wait(500);
  ASSERT_TRUE(Shown());
  Hover(POINT{260, 130});
  EXPECT_FALSE(Shown());
  Wait(100);
  EXPECT_TRUE(Shown());
  EXPECT_EQ(TextOf(tip_), u"İkinci");
}

TEST_F(ToolTipTest, ACallbackToolIsAskedForItsTextWithGetDispInfo) {
  NMTTDISPINFOW seen;
  static char16_t answer[] = u"Seçenekler";
  On("main", WM_NOTIFY, [&](HWND, WPARAM wparam, LPARAM lparam) {
    auto* info = reinterpret_cast<NMTTDISPINFOW*>(lparam);
    seen = *info;
    EXPECT_EQ(wparam, info->hdr.idFrom);
    info->lpszText = answer;
    return LRESULT{0};
  });
  AddTool(tip_, tool_, nullptr);
  Hover(kOnTool);
  Wait(499);
  EXPECT_TRUE(Records(WM_NOTIFY).empty());  // asked only when about to show
  Wait(1);
  ASSERT_EQ(Records(WM_NOTIFY).size(), 1u);
  EXPECT_EQ(seen.hdr.hwndFrom, tip_);
  EXPECT_EQ(seen.hdr.idFrom, reinterpret_cast<UINT_PTR>(tool_));
  EXPECT_EQ(seen.hdr.code, TTN_GETDISPINFOW);
  EXPECT_EQ(static_cast<int>(seen.hdr.code), -530);
  EXPECT_TRUE(Shown());
  EXPECT_EQ(TextOf(tip_), u"Seçenekler");
}

TEST_F(ToolTipTest, AnEmptyAnswerShowsNoTipAndTheOwnerMayAnswerInSzText) {
  std::u16string reply;
  On("main", WM_NOTIFY, [&](HWND, WPARAM, LPARAM lparam) {
    auto* info = reinterpret_cast<NMTTDISPINFOW*>(lparam);
    std::copy(reply.begin(), reply.end(), info->szText);
    info->szText[reply.size()] = 0;
    return LRESULT{0};
  });
  AddTool(tip_, tool_, nullptr);
  Hover(kOnTool);
  Wait(500);
  EXPECT_FALSE(Shown());
  reply = u"Güncelle";
  Hover(kOffTool);
  Hover(kOnTool);
  Wait(500);
  EXPECT_TRUE(Shown());
  EXPECT_EQ(TextOf(tip_), u"Güncelle");
}

TEST_F(ToolTipTest, LongTextsWrapAtTheMaximumTipWidth) {
  AddTool(tip_, tool_, u"Oturum her açıldığında otomatik olarak başlat ve tepsi simgesini göster.");
  const LONG one_line = ShownHeight();
  const LONG one_line_width = RectOf(tip_).right - RectOf(tip_).left;
  EXPECT_EQ(SendMessageW(tip_, TTM_SETMAXTIPWIDTH, 0, 150), -1);
  EXPECT_EQ(SendMessageW(tip_, TTM_GETMAXTIPWIDTH, 0, 0), 150);
  const LONG wrapped = ShownHeight();
  RECT r = RectOf(tip_);
  EXPECT_GT(one_line_width, 200);
  EXPECT_LE(r.right - r.left, 150 + 2 * 8);
  EXPECT_GT(wrapped, 2 * one_line);
}

TEST_F(ToolTipTest, TheTipIsKeptOnTheScreen) {
  HWND corner = Top("corner", Rect(1180, 980, 100, 44));
  HWND inside = Child("inside", corner, Rect(0, 0, 100, 44));
  AddTool(tip_, inside, u"Web sitemizi ziyaret edin...");
  Hover(POINT{1275, 1015});
  Wait(500);
  ASSERT_TRUE(Shown());
  RECT r = RectOf(tip_);
  EXPECT_LE(r.right, 1280);
  EXPECT_LE(r.bottom, 1015);  // above the pointer, as there is no room below
  EXPECT_GE(r.left, 0);
}

TEST_F(ToolTipTest, ColoursAreKeptAndPaintTheTip) {
  AddTool(tip_, tool_, u"Kapat");
  const COLORREF back = 0x00604020;  // RGB(0x20, 0x40, 0x60)
  SendMessageW(tip_, TTM_SETTIPBKCOLOR, back, 0);
  SendMessageW(tip_, TTM_SETTIPTEXTCOLOR, 0x00FFFFFF, 0);
  EXPECT_EQ(static_cast<COLORREF>(SendMessageW(tip_, TTM_GETTIPBKCOLOR, 0, 0)), back);
  EXPECT_EQ(static_cast<COLORREF>(SendMessageW(tip_, TTM_GETTIPTEXTCOLOR, 0, 0)), 0x00FFFFFFu);
  Hover(kOnTool);
  Wait(500);
  ASSERT_TRUE(Shown());
  HeadlessBackend::Surface s = display->SurfaceOf(tip_);
  EXPECT_EQ(s.pixels[static_cast<size_t>(3) * s.frame_width + 3], 0xFF204060u);
}

TEST_F(ToolTipTest, PrefixesAreRemovedUnlessTheTipHasNoPrefix) {
  HWND plain = MakeTip(TTS_ALWAYSTIP);
  AddTool(plain, tool_, u"&Aç && kapat");
  AddTool(tip_, tool_, u"&Aç && kapat");
  Hover(kOnTool);
  Wait(500);
  EXPECT_EQ(TextOf(plain), u"Aç & kapat");
  EXPECT_EQ(TextOf(tip_), u"&Aç && kapat");
}

TEST_F(ToolTipTest, WithoutAlwaysTipOnlyTheActiveWindowsToolsShowTips) {
  HWND strict = MakeTip(0);
  AddTool(strict, tool_, u"Kapat");
  HWND other = Top("other", Rect(600, 600, 100, 100));
  SetActiveWindow(other);
  Hover(kOnTool);
  Wait(500);
  EXPECT_FALSE(Shown(strict));
  SetActiveWindow(main_);
  Hover(kOffTool);
  Hover(kOnTool);
  Wait(500);
  EXPECT_TRUE(Shown(strict));
}

TEST_F(ToolTipTest, ABiggerFontGivesATallerTip) {
  AddTool(tip_, tool_, u"Kapat");
  const LONG normal = ShownHeight();
  LOGFONTW lf;
  lf.lfHeight = -28;
  std::u16string face = u"DejaVu Sans";
  std::copy(face.begin(), face.end(), lf.lfFaceName);
  HFONT font = CreateFontIndirectW(&lf);
  SendMessageW(tip_, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
  EXPECT_EQ(reinterpret_cast<HFONT>(SendMessageW(tip_, WM_GETFONT, 0, 0)), font);
  EXPECT_GT(ShownHeight(), normal + 10);
  DestroyWindow(tip_);
  EXPECT_TRUE(DeleteObject(font));
}

TEST_F(ToolTipTest, ATipGoesWhenItsToolIsDeletedOrDestroyed) {
  AddTool(tip_, tool_, u"Kapat");
  Hover(kOnTool);
  Wait(500);
  ASSERT_TRUE(Shown());
  TOOLINFOW info;
  info.hwnd = main_;
  info.uId = reinterpret_cast<UINT_PTR>(tool_);
  SendMessageW(tip_, TTM_DELTOOLW, 0, reinterpret_cast<LPARAM>(&info));
  EXPECT_FALSE(Shown());
  EXPECT_EQ(SendMessageW(tip_, TTM_GETTOOLCOUNT, 0, 0), 0);
  Hover(kOffTool);
  Hover(kOnTool);
  Wait(500);
  EXPECT_FALSE(Shown());

  AddTool(tip_, tool_, u"Kapat");
  Hover(kOffTool);
  Hover(kOnTool);
  Wait(500);
  ASSERT_TRUE(Shown());
  DestroyWindow(tool_);
  EXPECT_FALSE(Shown());
  Wait(5000);
}

TEST_F(ToolTipTest, WithoutSubclassOnlyRelayedMessagesDriveTheTip) {
  AddTool(tip_, tool_, u"Kapat", nullptr, TTF_IDISHWND);
  Hover(kOnTool);
  Wait(500);
  EXPECT_FALSE(Shown());
  MSG move{tool_, WM_MOUSEMOVE, 0, MakeLParam(30, 10), 0, kOnTool, 0};
  SendMessageW(tip_, TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(&move));
  Wait(500);
  EXPECT_TRUE(Shown());
}

TEST_F(ToolTipTest, NoTipShowsForAToolInADisabledWindow) {
  AddTool(tip_, tool_, u"Kapat");
  Hover(kOnTool);
  EnableWindow(main_, FALSE);
  Wait(500);
  EXPECT_FALSE(Shown());
}

}  // namespace
}  // namespace varnika::test
