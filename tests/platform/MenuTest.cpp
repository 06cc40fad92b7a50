// Popup menus on the headless display: choosing by mouse, keys and
// mnemonics, cancelling, the WM_COMMAND hand-over, placement in the work
// area, and a menu whose owner or menu goes away while it is open.
#include "platform/Menu.h"

#include <stdexcept>

#include "platform/MenuModel.h"
#include "resources/MenuResource.h"
#include "tests/platform/PopupFixture.h"

namespace varnika::test {
namespace {

constexpr POINT kOpenAt{150, 150};
constexpr std::uint32_t kHighlight = 0xFF000000u | popup::theme::kAccent;
constexpr std::uint32_t kPanel = 0xFF000000u | popup::theme::kPanel;

// Positions of menu 101's sub-menu.
constexpr UINT kAbout = 0;
constexpr UINT kOptions = 2;
constexpr UINT kRefresh = 3;
constexpr UINT kClose = 5;

class MenuTest : public PopupTest {
 protected:
  void SetUp() override {
    PopupTest::SetUp();
    owner_ = Top("owner", Rect(100, 100, 400, 300));
    bar_ = LoadMenuW(nullptr, MakeIntResourceW(kMainMenuResourceId));
    ASSERT_NE(bar_, nullptr);
    menu_ = GetSubMenu(bar_, 0);
    ASSERT_NE(menu_, nullptr);
  }
  void TearDown() override {
    DestroyMenu(bar_);
    PopupTest::TearDown();
  }

  // Opens the menu at the pointer's place (moved there first) and runs the
  // steps on it; the result of TrackPopupMenuEx.
  BOOL Track(std::vector<Step> steps, UINT flags = TPM_VERTICAL | TPM_RETURNCMD, POINT at = kOpenAt) {
    MoveTo(at);
    Pump();
    Script("owner", std::move(steps));
    return TrackPopupMenuEx(menu_, flags, at.x, at.y, owner_, nullptr);
  }

  RECT ItemRect(UINT position) {
    RECT r;
    EXPECT_TRUE(GetMenuItemRect(nullptr, menu_, position, &r));
    return r;
  }
  Step ClickOn(UINT position) {
    return [this, position](HWND) {
      MoveTo(Centre(ItemRect(position)));
      display->Click();
    };
  }
  static Step Keys(std::vector<UINT> keys) {
    return [keys](HWND) {
      for (UINT vk : keys) CurrentDisplay()->TypeKey(vk);
    };
  }
  static HeadlessBackend* CurrentDisplay() { return static_cast<HeadlessBackend*>(CurrentBackend()); }

  std::vector<WPARAM> Commands() const {
    std::vector<WPARAM> out;
    for (const Record& r : Records(WM_COMMAND)) out.push_back(r.wparam);
    return out;
  }

  HWND owner_ = nullptr;
  HMENU bar_ = nullptr;
  HMENU menu_ = nullptr;
};

TEST_F(MenuTest, TheMenuResourceGivesTheSubMenuWithItsIdsAndSeparators) {
  EXPECT_EQ(GetMenuItemCount(bar_), 1);
  ASSERT_EQ(GetMenuItemCount(menu_), 6);
  const UINT expected[] = {IDM_ABOUT, 0, IDM_OPTIONS, IDM_REFRESH, 0, IDM_CLOSE};
  for (int i = 0; i < 6; ++i) EXPECT_EQ(GetMenuItemID(menu_, i), expected[i]) << i;
  EXPECT_EQ(GetMenuItemID(bar_, 0), 0xFFFFFFFFu);  // the sub-menu
  EXPECT_EQ(LoadMenuW(nullptr, MakeIntResourceW(4242)), nullptr);
  EXPECT_EQ(GetLastError(), ERROR_RESOURCE_NAME_NOT_FOUND);
}

TEST_F(MenuTest, AClickOnAnItemPostsItsCommandToTheOwnerAfterTheMenuCloses) {
  EXPECT_TRUE(Track({ClickOn(kRefresh)}, TPM_VERTICAL));
  EXPECT_FALSE(Overran());
  EXPECT_TRUE(Commands().empty());  // posted, not sent
  EXPECT_EQ(FindWindowW(u"#32768", nullptr), nullptr);
  EXPECT_EQ(GetCapture(), nullptr);
  EXPECT_EQ(display->Grab(), nullptr);
  EXPECT_EQ(display->KeyboardGrab(), nullptr);
  Pump();
  EXPECT_EQ(Commands(), std::vector<WPARAM>{IDM_REFRESH});
  EXPECT_EQ(Records(WM_COMMAND)[0].lparam, 0);
}

TEST_F(MenuTest, ReturnCmdGivesTheIdInsteadOfACommand) {
  EXPECT_EQ(Track({ClickOn(kOptions)}), static_cast<BOOL>(IDM_OPTIONS));
  Pump();
  EXPECT_TRUE(Commands().empty());
}

TEST_F(MenuTest, ArrowsHomeAndEndWalkTheItemsSkippingSeparatorsAndWrapping) {
  struct Case {
    std::vector<UINT> keys;
    UINT chosen;
  };
  const Case cases[] = {
      {{VK_DOWN, VK_RETURN}, IDM_ABOUT},
      {{VK_DOWN, VK_DOWN, VK_RETURN}, IDM_OPTIONS},  // over the separator
      {{VK_UP, VK_RETURN}, IDM_CLOSE},               // from nothing to the last
      {{VK_UP, VK_DOWN, VK_RETURN}, IDM_ABOUT},      // from the last round to the first
      {{VK_END, VK_UP, VK_RETURN}, IDM_REFRESH},
      {{VK_END, VK_HOME, VK_RETURN}, IDM_ABOUT},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Track({Keys(c.keys)}), static_cast<BOOL>(c.chosen));
    EXPECT_FALSE(Overran());
  }
}

TEST_F(MenuTest, MnemonicLettersChooseTheirItemWhateverTheCase) {
  EXPECT_EQ(Track({[this](HWND) { Type(u'g'); }}), static_cast<BOOL>(IDM_REFRESH));
  EXPECT_EQ(Track({[this](HWND) { Type(u'K'); }}), static_cast<BOOL>(IDM_CLOSE));
  // A letter no item has does nothing.
  EXPECT_EQ(Track({[this](HWND) { Type(u'z'); }, Keys({VK_ESCAPE})}), 0);
}

TEST_F(MenuTest, ASharedMnemonicCyclesAndTurkishLettersMatchTheirCapitals) {
  HMENU menu = CreatePopupMenu();
  AppendMenuW(menu, MF_STRING, 1, u"&Aç");
  AppendMenuW(menu, MF_STRING, 2, u"&Ara");
  AppendMenuW(menu, MF_STRING | MF_GRAYED, 3, u"&Alt");  // cannot be chosen
  AppendMenuW(menu, MF_STRING, 4, u"&Şimdi");
  AppendMenuW(menu, MF_STRING, 5, u"&İleri");
  auto track = [&](std::vector<Step> steps) {
    Script("owner", std::move(steps));
    return TrackPopupMenuEx(menu, TPM_RETURNCMD, 150, 150, owner_, nullptr);
  };
  EXPECT_EQ(track({[this](HWND) { Type(u'a'); }, [this](HWND) { Type(u'a'); }, Keys({VK_RETURN})}), 2);
  EXPECT_EQ(track({[this](HWND) { Type(u'a'); }, [this](HWND) { Type(u'a'); }, [this](HWND) { Type(u'a'); },
                   Keys({VK_RETURN})}),
            1);
  EXPECT_EQ(track({[this](HWND) { Type(u'ş'); }}), 4);
  EXPECT_EQ(track({[this](HWND) { Type(u'i'); }}), 5);
  EXPECT_FALSE(Overran());
  DestroyMenu(menu);
}

TEST_F(MenuTest, EscapeOrAClickOutsideCancelsAndTheClickReachesNoWindow) {
  HWND other = Top("other", Rect(600, 100, 200, 200), 0, WS_POPUP | WS_VISIBLE);
  SetActiveWindow(owner_);
  EXPECT_EQ(Track({Keys({VK_ESCAPE})}), 0);
  EXPECT_FALSE(Overran());
  ClearLog();
  EXPECT_EQ(Track({[this](HWND) {
              MoveTo(POINT{700, 200});
              display->Click();
            }}),
            0);
  EXPECT_FALSE(Overran());
  Pump();
  EXPECT_TRUE(Log({WM_LBUTTONDOWN, WM_LBUTTONUP}).empty());
  EXPECT_NE(GetActiveWindow(), other);
  // Without TPM_RETURNCMD a cancelled menu still succeeds, and posts nothing.
  EXPECT_TRUE(Track({Keys({VK_ESCAPE})}, 0));
  Pump();
  EXPECT_TRUE(Commands().empty());
}

TEST_F(MenuTest, TheProgramLosingActivationClosesTheMenu) {
  SetActiveWindow(owner_);
  EXPECT_EQ(Track({[this](HWND) { display->UserDeactivate(owner_); }}), 0);
  EXPECT_FALSE(Overran());
}

TEST_F(MenuTest, KeysReachTheMenuWhenItsOwnerIsNotTheActiveWindow) {
  // A tray icon's menu: the program's window is not active.
  HWND other = Top("other", Rect(600, 100, 200, 200));
  SetActiveWindow(other);
  EXPECT_EQ(Track({[this](HWND menu) {
                     EXPECT_EQ(display->KeyboardGrab(), menu);
                     EXPECT_EQ(display->Grab(), menu);
                     display->TypeKey(VK_DOWN);
                     display->TypeKey(VK_RETURN);
                   }}),
            static_cast<BOOL>(IDM_ABOUT));
  EXPECT_EQ(GetActiveWindow(), other);
}

TEST_F(MenuTest, TheReleaseOfThePressThatOpenedTheMenuChoosesNothing) {
  // Centred on the pointer, the menu has an item under it at once.
  MoveTo(POINT{300, 300});
  display->PressButton();
  Pump();
  Script("owner", {[this](HWND) { display->ReleaseButton(); }, Keys({VK_ESCAPE})});
  EXPECT_EQ(TrackPopupMenuEx(menu_, TPM_RETURNCMD | TPM_CENTERALIGN | TPM_VCENTERALIGN, 300, 300, owner_, nullptr), 0);
  EXPECT_FALSE(Overran());
}

TEST_F(MenuTest, TheItemUnderThePointerIsHighlighted) {
  std::uint32_t hot = 0;
  std::uint32_t cold = 0;
  auto sample = [this](HWND menu, UINT position) {
    RECT item = ItemRect(position);
    RECT window;
    GetWindowRect(menu, &window);
    HeadlessBackend::Surface s = display->SurfaceOf(menu);
    int x = item.left - window.left + 8;  // left of the text, inside the highlight
    int y = (item.top + item.bottom) / 2 - window.top;
    return s.pixels[static_cast<size_t>(y) * s.frame_width + x];
  };
  Track({[this](HWND) { MoveTo(Centre(ItemRect(kOptions))); },
         [&](HWND menu) {
           hot = sample(menu, kOptions);
           cold = sample(menu, kAbout);
           display->TypeKey(VK_ESCAPE);
         }});
  EXPECT_EQ(hot, kHighlight);
  EXPECT_EQ(cold, kPanel);
}

TEST_F(MenuTest, TimersAndPostedMessagesKeepRunningWhileTheMenuIsOpen) {
  SetTimer(owner_, 7, 100, nullptr);
  size_t timers_seen = 0;
  Track({[this](HWND) {
           PostMessageW(owner_, WM_APP, 1, 2);
           display->AdvanceClock(100);
         },
         [this](HWND) { display->AdvanceClock(100); },
         [&](HWND) {
           timers_seen = Records(WM_TIMER).size();
           display->TypeKey(VK_ESCAPE);
         }});
  EXPECT_EQ(timers_seen, 2u);
  EXPECT_EQ(Records(WM_APP).size(), 1u);
}

TEST_F(MenuTest, TheMenuIsKeptInsideTheWorkAreaAndFlipsAwayFromItsEdges) {
  display->SetWorkArea(RECT{0, 0, 800, 600});
  RECT panel{};
  Track({[&](HWND) {
           RECT first = ItemRect(kAbout);
           RECT last = ItemRect(kClose);
           panel = RECT{first.left, first.top, last.right, last.bottom};
           display->TypeKey(VK_ESCAPE);
         }},
        TPM_RETURNCMD, POINT{790, 590});
  EXPECT_LE(panel.right, 790);  // to the left of the point, not cut at the edge
  EXPECT_LE(panel.bottom, 590);
  EXPECT_GE(panel.left, 0);
  EXPECT_GE(panel.top, 0);
}

TEST_F(MenuTest, PlacementFollowsTheAlignmentFlagsAndAvoidsTheExcludedArea) {
  const RECT work{0, 0, 800, 600};
  const SIZE size{200, 150};
  auto place = [&](POINT at, UINT flags, const RECT* exclude = nullptr) {
    return popup::PlaceMenu(size, at, flags, exclude, work);
  };
  EXPECT_EQ(place({100, 100}, 0), (RECT{100, 100, 300, 250}));
  // No room to the left of and above the point: flipped to the other side.
  EXPECT_EQ(place({100, 100}, TPM_RIGHTALIGN | TPM_BOTTOMALIGN), (RECT{100, 100, 300, 250}));
  EXPECT_EQ(place({300, 300}, TPM_RIGHTALIGN | TPM_BOTTOMALIGN), (RECT{100, 150, 300, 300}));
  EXPECT_EQ(place({400, 300}, TPM_CENTERALIGN | TPM_VCENTERALIGN), (RECT{300, 225, 500, 375}));
  EXPECT_EQ(place({700, 500}, 0), (RECT{500, 350, 700, 500}));
  EXPECT_EQ(place({-50, -50}, 0), (RECT{0, 0, 200, 150}));
  const RECT button{380, 280, 420, 320};
  EXPECT_EQ(place({400, 300}, TPM_VERTICAL, &button), (RECT{400, 320, 600, 470}));
  EXPECT_EQ(place({400, 300}, TPM_HORIZONTAL, &button), (RECT{420, 300, 620, 450}));
  const RECT low{380, 500, 420, 540};
  EXPECT_EQ(place({400, 520}, TPM_VERTICAL, &low), (RECT{400, 350, 600, 500}));  // above it
}

TEST_F(MenuTest, AnOwnerDestroyedWhileTheMenuIsOpenEndsTheMenuSafely) {
  EXPECT_EQ(Track({[this](HWND) { DestroyWindow(owner_); }}), 0);
  EXPECT_FALSE(Overran());
  EXPECT_EQ(FindWindowW(u"#32768", nullptr), nullptr);
  EXPECT_EQ(GetCapture(), nullptr);
  EXPECT_EQ(display->KeyboardGrab(), nullptr);
}

TEST_F(MenuTest, AMenuDestroyedWhileOpenStillAnswersTheChoiceMadeInIt) {
  EXPECT_EQ(Track({[this](HWND menu) {
              DestroyMenu(bar_);
              ClickOn(kClose)(menu);
            }}),
            static_cast<BOOL>(IDM_CLOSE));
  EXPECT_FALSE(IsMenu(menu_));
  bar_ = nullptr;
}

TEST_F(MenuTest, AHandlerThatThrowsTakesTheMenuDownAndTheNextMenuOpens) {
  EXPECT_THROW(Track({[](HWND) { throw std::runtime_error("handler"); }}), std::runtime_error);
  EXPECT_EQ(FindWindowW(u"#32768", nullptr), nullptr);
  EXPECT_EQ(GetCapture(), nullptr);
  EXPECT_EQ(display->KeyboardGrab(), nullptr);
  EndMenu();  // finds no menu, and no tracker that is gone
  EXPECT_EQ(Track({ClickOn(kClose)}), static_cast<BOOL>(IDM_CLOSE));
}

TEST_F(MenuTest, OnlyOneMenuIsTrackedAtATime) {
  BOOL nested = TRUE;
  DWORD error = 0;
  Track({[&](HWND) {
    nested = TrackPopupMenuEx(menu_, TPM_RETURNCMD, 10, 10, owner_, nullptr);
    error = GetLastError();
    display->TypeKey(VK_ESCAPE);
  }});
  EXPECT_EQ(nested, FALSE);
  EXPECT_EQ(error, ERROR_POPUP_ALREADY_ACTIVE);
  EXPECT_FALSE(TrackPopupMenuEx(reinterpret_cast<HMENU>(0x1234), 0, 0, 0, owner_, nullptr));
  EXPECT_EQ(GetLastError(), ERROR_INVALID_MENU_HANDLE);
}

TEST_F(MenuTest, TheOwnerHearsTheMenuLoopBeginAndEnd) {
  const std::vector<UINT> loop = {WM_ENTERMENULOOP, WM_INITMENUPOPUP, WM_UNINITMENUPOPUP, WM_EXITMENULOOP};
  std::vector<UINT> heard;
  for (UINT m : loop) {
    On("owner", m, [&heard, m](HWND, WPARAM, LPARAM) {
      heard.push_back(m);
      return LRESULT{0};
    });
  }
  Track({Keys({VK_ESCAPE})});
  EXPECT_EQ(heard, loop);
  EXPECT_EQ(Records(WM_INITMENUPOPUP)[0].wparam, reinterpret_cast<WPARAM>(menu_));
  heard.clear();
  // Without notifications there is no WM_ENTERIDLE either: the key waits in the queue.
  display->TypeKey(VK_ESCAPE);
  EXPECT_EQ(TrackPopupMenuEx(menu_, TPM_RETURNCMD | TPM_NONOTIFY, 150, 150, owner_, nullptr), 0);
  EXPECT_TRUE(heard.empty());
}

}  // namespace
}  // namespace varnika::test
