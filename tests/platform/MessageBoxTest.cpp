// The message box on the headless display: answers by key and by mouse,
// the program's other windows disabled while it is open and given back
// their state, timers and posted messages running meanwhile.
#include "platform/MessageBox.h"

#include <stdexcept>

#include "platform/Core.h"
#include "tests/platform/PopupFixture.h"

namespace varnika::test {
namespace {

constexpr UINT kUpdateOffer = MB_YESNO | MB_ICONINFORMATION | MB_TOPMOST;
constexpr const char16_t* kText = u"\"Varnika\" için yeni sürüm hazır. İndirmek ister misiniz?";

class MessageBoxTest : public PopupTest {
 protected:
  void SetUp() override {
    PopupTest::SetUp();
    owner_ = Top("owner", Rect(300, 200, 475, 350), WS_EX_TOPMOST);
    other_ = Top("other", Rect(20, 20, 100, 100));
    SetActiveWindow(owner_);
    Pump();
  }

  int Ask(std::vector<Step> steps, UINT type = kUpdateOffer) {
    Script("owner", std::move(steps));
    return MessageBoxW(owner_, kText, u"Varnika", type);
  }
  static Step Keys(std::vector<UINT> keys) {
    return [keys](HWND) {
      auto* display = static_cast<HeadlessBackend*>(CurrentBackend());
      for (UINT vk : keys) display->TypeKey(vk);
    };
  }
  RECT ButtonRect(HWND box, int id) {
    RECT r;
    EXPECT_TRUE(core::MessageBoxButtonRect(box, id, &r));
    return r;
  }

  HWND owner_ = nullptr;
  HWND other_ = nullptr;
};

TEST_F(MessageBoxTest, KeysAnswerTheBox) {
  struct Case {
    std::vector<UINT> keys;
    int answer;
  };
  const Case cases[] = {
      {{VK_RETURN}, IDYES},                 // the default button
      {{VK_SPACE}, IDYES},
      {{VK_ESCAPE}, IDNO},
      {{VK_TAB, VK_RETURN}, IDNO},          // Tab moves to the next button...
      {{VK_TAB, VK_TAB, VK_RETURN}, IDYES},  // ...and round
      {{VK_RIGHT, VK_RETURN}, IDNO},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Ask({Keys(c.keys)}), c.answer);
    EXPECT_FALSE(Overran());
  }
  EXPECT_EQ(Ask({[this](HWND) { Type(u'n'); }}), IDNO);
  EXPECT_EQ(Ask({[this](HWND) { Type(u'Y'); }}), IDYES);
  EXPECT_EQ(Ask({[this](HWND) { Type(u'h'); }}), IDNO);
  EXPECT_EQ(Ask({[this](HWND) {
              display->PressKey(VK_SHIFT);
              display->TypeKey(VK_TAB);
              display->ReleaseKey(VK_SHIFT);
              display->TypeKey(VK_RETURN);
            }}),
            IDNO);
  EXPECT_EQ(Ask({Keys({VK_RETURN})}, kUpdateOffer | MB_DEFBUTTON2), IDNO);
  EXPECT_EQ(Ask({Keys({VK_ESCAPE})}, MB_OK), IDOK);
}

TEST_F(MessageBoxTest, AButtonAnswersWhenPressedAndReleasedOverIt) {
  EXPECT_EQ(Ask({[this](HWND box) {
              MoveTo(Centre(ButtonRect(box, IDNO)));
              display->Click();
            }}),
            IDNO);
  // Pressed on one button and released over the other: no answer.
  EXPECT_EQ(Ask({[this](HWND box) {
                   MoveTo(Centre(ButtonRect(box, IDYES)));
                   display->PressButton();
                   MoveTo(Centre(ButtonRect(box, IDNO)));
                   display->ReleaseButton();
                 },
                 Keys({VK_ESCAPE})}),
            IDNO);
  EXPECT_FALSE(Overran());
  EXPECT_EQ(Ask({[this](HWND box) {
              MoveTo(Centre(ButtonRect(box, IDYES)));
              display->Click();
            }}),
            IDYES);
}

TEST_F(MessageBoxTest, OtherWindowsGetNoInputMeanwhileAndGetTheirEnabledStateBack) {
  HWND off = Top("off", Rect(20, 500, 100, 100));
  EnableWindow(off, FALSE);
  bool owner_enabled = true;
  bool other_enabled = true;
  Ask({[&](HWND) {
         owner_enabled = IsWindowEnabled(owner_);
         other_enabled = IsWindowEnabled(other_);
         MoveTo(POINT{50, 50});  // on "other"
         display->Click();
         display->TypeKey('A', u"a");
       },
       Keys({VK_ESCAPE})});
  EXPECT_FALSE(owner_enabled);
  EXPECT_FALSE(other_enabled);
  EXPECT_TRUE(Log({WM_LBUTTONDOWN, WM_LBUTTONUP, WM_KEYDOWN, WM_CHAR}).empty());
  EXPECT_TRUE(IsWindowEnabled(owner_));
  EXPECT_TRUE(IsWindowEnabled(other_));
  EXPECT_FALSE(IsWindowEnabled(off));
  EXPECT_EQ(GetActiveWindow(), owner_);
}

TEST_F(MessageBoxTest, AHandlerThatThrowsTakesTheBoxDownAndGivesTheWindowsBack) {
  EXPECT_THROW(Ask({[](HWND) { throw std::runtime_error("handler"); }}), std::runtime_error);
  EXPECT_EQ(FindWindowW(u"#32770", nullptr), nullptr);
  EXPECT_TRUE(IsWindowEnabled(owner_));
  EXPECT_TRUE(IsWindowEnabled(other_));
  display->TypeKey(VK_TAB);  // reaches no box whose state is gone
  Pump();
  EXPECT_EQ(Ask({[this](HWND) { Type(u'y'); }}), IDYES);
}

TEST_F(MessageBoxTest, TimersAndPostedMessagesKeepRunningWhileItIsOpen) {
  SetTimer(other_, 3, 50, nullptr);
  size_t timers = 0;
  Ask({[this](HWND) {
         PostMessageW(other_, WM_APP, 0, 0);
         display->AdvanceClock(50);
       },
       [this](HWND) { display->AdvanceClock(50); },
       [&](HWND) {
         timers = Records(WM_TIMER).size();
         display->TypeKey(VK_RETURN);
       }});
  EXPECT_EQ(timers, 2u);
  EXPECT_EQ(Records(WM_APP).size(), 1u);
}

TEST_F(MessageBoxTest, TheBoxIsCentredOnItsOwnerAboveEveryWindowWithItsCaption) {
  RECT box_rect{};
  std::vector<HWND> stacking;
  std::u16string title(32, u'\0');
  HWND owner_of_box = nullptr;
  HWND shown = nullptr;
  DWORD ex_style = 0;
  Ask({[&](HWND box) {
    shown = box;
    GetWindowRect(box, &box_rect);
    stacking = display->Stacking();
    title.resize(static_cast<size_t>(GetWindowTextW(box, title.data(), 32)));
    owner_of_box = GetWindow(box, GW_OWNER);
    ex_style = static_cast<DWORD>(GetWindowLongW(box, GWL_EXSTYLE));
    display->TypeKey(VK_RETURN);
  }});
  EXPECT_NEAR((box_rect.left + box_rect.right) / 2, 300 + 475 / 2, 1);
  EXPECT_NEAR((box_rect.top + box_rect.bottom) / 2, 200 + 350 / 2, 1);
  EXPECT_LT(box_rect.right - box_rect.left, 475);  // the text wraps rather than widening the box
  ASSERT_FALSE(stacking.empty());
  EXPECT_EQ(owner_of_box, owner_);
  EXPECT_EQ(stacking.front(), shown);  // above the topmost owner
  EXPECT_TRUE(ex_style & WS_EX_TOPMOST);
  EXPECT_EQ(title, u"Varnika");
}

TEST_F(MessageBoxTest, WithoutAnOwnerTheBoxIsCentredOnTheWorkArea) {
  display->SetWorkArea(RECT{0, 0, 1000, 800});
  RECT r{};
  On("other", WM_TIMER, [&](HWND, WPARAM, LPARAM) {
    KillTimer(other_, 1);
    HWND box = FindWindowW(u"#32770", nullptr);
    GetWindowRect(box, &r);
    display->TypeKey(VK_RETURN);
    return LRESULT{0};
  });
  SetTimer(other_, 1, 10, nullptr);
  display->SetAutoAdvance(true);
  EXPECT_EQ(MessageBoxW(nullptr, u"Tamam mı?", u"Varnika", kUpdateOffer), IDYES);
  EXPECT_NEAR((r.left + r.right) / 2, 500, 1);
  EXPECT_NEAR((r.top + r.bottom) / 2, 400, 1);
}

TEST_F(MessageBoxTest, AnOwnerDestroyedWhileTheBoxIsOpenEndsItUnanswered) {
  EXPECT_EQ(Ask({[this](HWND) { DestroyWindow(owner_); }}), 0);
  EXPECT_FALSE(Overran());
  EXPECT_EQ(FindWindowW(u"#32770", nullptr), nullptr);
  EXPECT_TRUE(IsWindowEnabled(other_));
}

TEST_F(MessageBoxTest, AQuitRequestEndsTheBoxAndStaysForTheMainLoop) {
  EXPECT_EQ(Ask({[](HWND) { PostQuitMessage(3); }}), 0);
  MSG msg;
  ASSERT_TRUE(PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(msg.message, WM_QUIT);
  EXPECT_EQ(msg.wParam, 3u);
  EXPECT_TRUE(IsWindowEnabled(owner_));
}

}  // namespace
}  // namespace varnika::test
