// The control base: names, lazy creation, the window class, the shared window
// procedure, the dispatch rules, text, hints, forwarding and reflection.
#include <unistd.h>

#include <algorithm>
#include <string>
#include <vector>

#include "base/Exceptions.h"
#include "base/Format.h"
#include "platform/CommonControls.h"
#include "platform/Input.h"
#include "tests/toolkit_controls/ControlTestSupport.h"

namespace varnika::testing {
namespace {

// A plain control that records the messages its WndProc sees.
class RecordingControl : public TControl {
 public:
  using TControl::TControl;
  void WndProc(TWidgetMessage& message) override {
    seen.push_back(message.Msg);
    TControl::WndProc(message);
  }
  void TextChanged(TWidgetMessage&) override { ++text_changes; }
  bool Saw(UINT msg) const { return std::find(seen.begin(), seen.end(), msg) != seen.end(); }
  std::vector<UINT> seen;
  int text_changes = 0;
};

// A window class of the test's own whose procedure records what reaches it,
// so that default processing becomes visible when a control subclasses it.
struct DefaultLog {
  struct Entry {
    UINT msg;
    WPARAM wparam;
    LPARAM lparam;
  };
  static inline std::vector<Entry> entries;
  static constexpr LRESULT kAnswer = 77;

  static inline std::vector<TOOLINFOW> tools;  // copies of the tool records

  static LRESULT Proc(HWND wnd, UINT msg, WPARAM wparam, LPARAM lparam) {
    entries.push_back({msg, wparam, lparam});
    if (msg >= TTM_ADDTOOLW && msg <= TTM_UPDATETIPTEXTW && lparam)
      tools.push_back(*reinterpret_cast<const TOOLINFOW*>(lparam));
    if (msg == WM_USER + 5 || msg == WM_SIZING || msg == WM_SETCURSOR) return kAnswer;
    return DefWindowProcW(wnd, msg, wparam, lparam);
  }
  static void Register(const char16_t* name) {
    entries.clear();
    tools.clear();
    WNDCLASSW wc;
    wc.lpfnWndProc = &Proc;
    wc.hInstance = ModuleInstance();
    wc.lpszClassName = name;
    ASSERT_NE(RegisterClassW(&wc), 0);
  }
  static const Entry* Find(UINT msg) {
    for (const Entry& e : entries)
      if (e.msg == msg) return &e;
    return nullptr;
  }
};

using ControlTest = WindowSystemTest;

TEST_F(ControlTest, DefaultNamesCountUpAcrossClasses) {
  const int first = ControlNameCounter;
  auto* a = Make<TControl>();
  auto* b = Make<TControlEx>();
  auto* c = Make<TWindowEx>();
  EXPECT_EQ(a->Name(), Format(u"Widget_%d", first));
  EXPECT_EQ(b->Name(), Format(u"Widget_%d", first + 1));
  EXPECT_EQ(c->Name(), Format(u"Widget_%d", first + 2));
  EXPECT_EQ(ControlNameCounter, first + 3);
  EXPECT_EQ(a->ClassNameW(), u"TControl");
  EXPECT_EQ(b->ClassNameW(), u"TControlEx");
  EXPECT_EQ(c->ClassNameW(), u"TWindowEx");
}

TEST_F(ControlTest, PropertyNameCarriesTheProcessId) {
  EXPECT_EQ(WidgetPropName(), Format(u"Widget%.8X", static_cast<unsigned>(::getpid())));
  EXPECT_EQ(WidgetPropName().size(), 14u);
  EXPECT_EQ(GlobalFindAtomW(WidgetPropName().c_str()), WidgetAtom());
}

TEST_F(ControlTest, ReadingHandleCreatesTheParentsFirst) {
  auto* top = Make<TWindowEx>();
  auto* middle = Make<TControlEx>(top);
  auto* leaf = Make<TControl>(middle);
  EXPECT_EQ(top->WindowHandle(), nullptr);

  HWND wnd = leaf->Handle();
  ASSERT_TRUE(IsWindow(wnd));
  ASSERT_TRUE(top->HasWindow());
  ASSERT_TRUE(middle->HasWindow());
  EXPECT_EQ(GetParent(wnd), middle->WindowHandle());
  EXPECT_EQ(GetParent(middle->WindowHandle()), top->WindowHandle());
  EXPECT_EQ(FindControl(wnd), leaf);
  EXPECT_EQ(top->ControlCount(), 1);
  // A child takes its own handle as its identifier.
  EXPECT_EQ(GetWindowLongPtrW(wnd, GWLP_ID), reinterpret_cast<LONG_PTR>(wnd));
  // The top window starts hidden; the child is a visible native window
  // although its Visible field stays false.
  EXPECT_FALSE(IsWindowVisible(top->WindowHandle()));
  EXPECT_TRUE(GetWindowLongW(wnd, GWL_STYLE) & WS_VISIBLE);
  EXPECT_FALSE(leaf->Visible());
}

TEST_F(ControlTest, ChildWithoutAnyParentWindowIsRefused) {
  const int number = ControlNameCounter;
  auto* orphan = Make<TControl>();
  try {
    orphan->Handle();
    FAIL() << "creation succeeded";
  } catch (const EInvalidOperation& e) {
    EXPECT_EQ(e.Message(), Format(u"Parent Required Widget_%d", number));
  }
  EXPECT_EQ(orphan->WindowHandle(), nullptr);

  // ParentWindow alone is enough.
  auto* top = Make<TWindowEx>();
  orphan->SetParentWindow(top->Handle());
  EXPECT_TRUE(IsWindow(orphan->Handle()));
}

TEST_F(ControlTest, FailedCreationRaisesTheSystemError) {
  auto* control = Make<TControl>();
  control->SetParentWindow(reinterpret_cast<HWND>(std::intptr_t{0x7FFFFFF0}));  // no such window
  try {
    control->Handle();
    FAIL() << "creation succeeded";
  } catch (const EOSError& e) {
    EXPECT_NE(e.ErrorCode(), 0);
    EXPECT_NE(e.Message().find(WindowErrorMessage(static_cast<DWORD>(e.ErrorCode()))), std::u16string::npos);
  }
}

TEST_F(ControlTest, GeometryBeforeAndAfterTheWindowExists) {
  auto* top = Make<TWindowEx>();
  auto* control = Make<TControl>(top);
  control->SetBounds(5, 6, 70, 80);  // no window: nothing is stored
  EXPECT_EQ(control->Left(), 0);
  EXPECT_EQ(control->Width(), 1);
  control->SetLeft(12);
  control->SetSize(30, 20);
  EXPECT_EQ(control->Left(), 12);
  EXPECT_EQ(control->Width(), 30);

  // Hiding a control without a window creates it, hidden, at the stored bounds.
  control->SetVisible(false);
  HWND wnd = control->WindowHandle();
  ASSERT_TRUE(IsWindow(wnd));
  EXPECT_FALSE(GetWindowLongW(wnd, GWL_STYLE) & WS_VISIBLE);
  RECT r;
  GetClientRect(wnd, &r);
  EXPECT_EQ(r.right, 30);
  EXPECT_EQ(r.bottom, 20);

  control->SetBounds(1, 2, 3, 4);
  EXPECT_EQ(control->Left(), 1);
  EXPECT_EQ(control->Height(), 4);
  control->SetTop(9);
  POINT origin{0, 0};
  MapWindowPoints(wnd, top->WindowHandle(), &origin, 1);
  EXPECT_EQ(origin.x, 1);
  EXPECT_EQ(origin.y, 9);
  EXPECT_EQ(control->ClientWidth(), 3);
}

// WM_MOVE reports positions in 16 bits; a tall child scrolled far keeps its
// real place.
TEST_F(ControlTest, PositionsBeyondSixteenBitsSurviveTheMoveMessage) {
  auto* top = Make<TWindowEx>();
  auto* control = Make<TControl>(top);
  control->SetSize(40, 200000);
  control->Handle();
  for (int y : {-150000, -70000, -32769, 40000, -20}) {
    control->SetTop(y);
    control->SetLeft(-y);
    EXPECT_EQ(control->Top(), y);
    EXPECT_EQ(control->Left(), -y);
    POINT origin{0, 0};
    MapWindowPoints(control->WindowHandle(), top->WindowHandle(), &origin, 1);
    EXPECT_EQ(origin.y, y);
  }
  // A move message on its own still sets the position it carries.
  SendMessageW(control->WindowHandle(), WM_MOVE, 0, MakeLParam(3, 4));
  EXPECT_EQ(control->Left(), 3);
  EXPECT_EQ(control->Top(), 4);
}

TEST_F(ControlTest, OneClassServesEveryWindowAndGoesWithTheLastObject) {
  auto* top = Make<TWindowEx>();
  auto* a = Make<TControl>(top);
  auto* b = Make<TControl>(top);
  HWND wa = a->Handle();
  HWND wb = b->Handle();
  EXPECT_EQ(GetClassLongPtrW(wa, GCW_ATOM), GetClassLongPtrW(wb, GCW_ATOM));
  EXPECT_EQ(reinterpret_cast<WNDPROC>(GetWindowLongPtrW(wa, GWLP_WNDPROC)), &WidgetWndProc);
  WNDCLASSW wc;
  ASSERT_TRUE(GetClassInfoW(ModuleInstance(), u"TControl", &wc));
  EXPECT_EQ(wc.lpfnWndProc, &WidgetWndProc);
  EXPECT_EQ(wc.style, CS_DBLCLKS);

  // While windows of the class exist, freeing an object keeps the class.
  delete a;
  EXPECT_TRUE(GetClassInfoW(ModuleInstance(), u"TControl", &wc));
  DestroyWindow(wa);
  DestroyWindow(wb);
  delete b;
  EXPECT_FALSE(GetClassInfoW(ModuleInstance(), u"TControl", &wc));
}

TEST_F(ControlTest, ExistingClassIsSubclassedAndKeepsItsProcedure) {
  DefaultLog::Register(u"TestRecorder");
  auto* top = Make<TWindowEx>();
  auto* control = Make<RecordingControl>(top);
  control->SetClassNameW(u"TestRecorder");
  HWND wnd = control->Handle();
  EXPECT_EQ(reinterpret_cast<WNDPROC>(GetWindowLongPtrW(wnd, GWLP_WNDPROC)), &WidgetWndProc);
  control->seen.clear();
  DefaultLog::entries.clear();
  EXPECT_EQ(SendMessageW(wnd, WM_USER + 5, 1, 2), DefaultLog::kAnswer);
  EXPECT_TRUE(control->Saw(WM_USER + 5));
  ASSERT_NE(DefaultLog::Find(WM_USER + 5), nullptr);

  // The final destruction message gives the window back its own procedure
  // and detaches the object.
  DestroyWindow(wnd);
  EXPECT_EQ(control->seen.back(), WM_NCDESTROY);
  EXPECT_NE(DefaultLog::Find(WM_NCDESTROY), nullptr);
}

TEST_F(ControlTest, SystemClassWindowIsSubclassed) {
  auto* top = Make<TWindowEx>();
  auto* label = Make<RecordingControl>(top);
  label->SetClassNameW(u"STATIC");
  HWND wnd = label->Handle();
  EXPECT_EQ(reinterpret_cast<WNDPROC>(GetWindowLongPtrW(wnd, GWLP_WNDPROC)), &WidgetWndProc);
  // Default processing is the static class's own: it lets the mouse through.
  RECT r;
  GetWindowRect(wnd, &r);
  EXPECT_EQ(label->Perform(WM_NCHITTEST, 0, MakeLParam(r.left, r.top)), HTTRANSPARENT);
}

TEST_F(ControlTest, WindowWithoutThePropertyGetsDefaultProcessing) {
  auto* top = Make<TWindowEx>();
  auto* control = Make<RecordingControl>(top);
  HWND wnd = control->Handle();
  RemovePropW(wnd, MakeIntAtom(WidgetAtom()));
  control->seen.clear();
  SendMessageW(wnd, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(u"kept by the system"));
  MoveWindow(wnd, 3, 3, 40, 40, TRUE);
  DestroyWindow(wnd);
  EXPECT_TRUE(control->seen.empty());
}

TEST_F(ControlTest, FreedObjectLeavesItsWindowToDefaultProcessing) {
  auto* top = Make<TWindowEx>();
  auto* control = Make<RecordingControl>(top);
  HWND wnd = control->Handle();
  delete control;
  EXPECT_EQ(FindControl(wnd), nullptr);
  // Messages after the object is gone must not reach it.
  EXPECT_EQ(SendMessageW(wnd, WM_GETTEXTLENGTH, 0, 0), 0);
  MoveWindow(wnd, 1, 1, 5, 5, TRUE);
  EXPECT_TRUE(DestroyWindow(wnd));
}

TEST_F(ControlTest, DispatchRulesDecideWhatDefaultProcessingSees) {
  DefaultLog::Register(u"TestRules");
  auto* top = Make<TWindowEx>();
  auto* control = Make<RecordingControl>(top);
  control->SetClassNameW(u"TestRules");
  control->Handle();
  DefaultLog::entries.clear();

  // A command is reflected or dropped, never defaulted.
  control->Perform(WM_COMMAND, 1, 0);
  EXPECT_EQ(DefaultLog::Find(WM_COMMAND), nullptr);
  // Owner-drawn items answer 1 without default processing.
  DRAWITEMSTRUCT item;
  EXPECT_EQ(control->Perform(WM_DRAWITEM, 0, reinterpret_cast<LPARAM>(&item)), 1);
  EXPECT_EQ(DefaultLog::Find(WM_DRAWITEM), nullptr);
  // Sizing sets 1, but default processing runs afterwards and has the last word.
  RECT r{0, 0, 10, 10};
  EXPECT_EQ(control->Perform(WM_SIZING, 2, reinterpret_cast<LPARAM>(&r)), DefaultLog::kAnswer);
  // The private messages stop at their hooks.
  control->Perform(CM_TEXTCHANGED, 0, 0);
  control->Perform(CM_MOUSEENTER, 0, 0);
  EXPECT_EQ(DefaultLog::Find(CM_TEXTCHANGED), nullptr);
  EXPECT_EQ(DefaultLog::Find(CM_MOUSEENTER), nullptr);
  // Anything unlisted goes straight to default processing.
  EXPECT_EQ(control->Perform(WM_USER + 5, 0, 0), DefaultLog::kAnswer);
}

TEST_F(ControlTest, CharacterSwallowedByOnCharNeverReachesDefaultProcessing) {
  DefaultLog::Register(u"TestChars");
  auto* top = Make<TWindowEx>();
  auto* control = Make<TControl>(top);
  control->SetClassNameW(u"TestChars");
  control->Handle();
  control->OnChar = [](TControl*, int& code) { code = code == 'x' ? 0 : code + 1; };
  DefaultLog::entries.clear();

  control->Perform(WM_CHAR, 'x', 0);
  EXPECT_EQ(DefaultLog::Find(WM_CHAR), nullptr);
  control->Perform(WM_CHAR, 'a', 0);
  ASSERT_NE(DefaultLog::Find(WM_CHAR), nullptr);
  EXPECT_EQ(DefaultLog::Find(WM_CHAR)->wparam, static_cast<WPARAM>('b'));

  // A key handler's change of Key reaches default processing too.
  control->OnKeyDown = [](TControl*, WORD& key, TShiftState) { key = VK_ESCAPE; };
  control->Perform(WM_KEYDOWN, VK_RETURN, 0);
  ASSERT_NE(DefaultLog::Find(WM_KEYDOWN), nullptr);
  EXPECT_EQ(DefaultLog::Find(WM_KEYDOWN)->wparam, VK_ESCAPE);
}

TEST_F(ControlTest, CaptionLivesInThePrivateCopyUntilTheWindowExists) {
  auto* top = Make<TWindowEx>();
  auto* control = Make<RecordingControl>(top);
  control->SetCaption(u"Başlık");
  EXPECT_EQ(control->Caption(), u"Başlık");
  EXPECT_EQ(control->text_changes, 1);
  control->SetCaption(u"Başlık");
  EXPECT_EQ(control->text_changes, 1);

  HWND wnd = control->Handle();
  char16_t buffer[32] = {};
  EXPECT_EQ(GetWindowTextW(wnd, buffer, 32), 6);
  EXPECT_EQ(std::u16string(buffer), u"Başlık");

  control->SetCaption(u"second");
  EXPECT_EQ(control->text_changes, 2);
  control->DestroyHandle();
  EXPECT_FALSE(IsWindow(wnd));
  EXPECT_EQ(control->WindowHandle(), nullptr);
  EXPECT_EQ(control->Caption(), u"second");
  HWND again = control->Handle();
  EXPECT_NE(again, wnd);
  GetWindowTextW(again, buffer, 32);
  EXPECT_EQ(std::u16string(buffer), u"second");

  // A short buffer gets the text cut, terminated.
  char16_t small[4] = {u'?', u'?', u'?', u'?'};
  EXPECT_EQ(control->Perform(WM_GETTEXT, 4, reinterpret_cast<LPARAM>(small)), 3);
  EXPECT_EQ(std::u16string(small), u"sec");
}

TEST_F(ControlTest, HintsRegisterWithTheToolTipWindowOnlyOnChange) {
  DefaultLog::Register(u"TestToolTip");
  HWND tip = CreateWindowExW(0, u"TestToolTip", nullptr, WS_POPUP, 0, 0, 1, 1, nullptr, nullptr,
                             ModuleInstance(), nullptr);
  ASSERT_TRUE(IsWindow(tip));
  auto* top = Make<TWindowEx>();
  auto* control = Make<TControl>(top);

  ToolTipWindow = tip;
  DefaultLog::entries.clear();
  control->SetShowHint(true);  // no window yet: nothing is registered
  EXPECT_EQ(DefaultLog::Find(TTM_ADDTOOLW), nullptr);

  control->SetShowHint(false);
  HWND wnd = control->Handle();
  DefaultLog::entries.clear();
  DefaultLog::tools.clear();
  control->SetShowHint(true);
  control->SetShowHint(true);
  const auto& tools = DefaultLog::tools;
  ASSERT_EQ(tools.size(), 1u);
  EXPECT_EQ(DefaultLog::entries[0].msg, TTM_ADDTOOLW);
  EXPECT_EQ(tools[0].uFlags, TTF_IDISHWND | TTF_SUBCLASS);
  EXPECT_EQ(tools[0].hwnd, tip);
  EXPECT_EQ(tools[0].uId, reinterpret_cast<UINT_PTR>(wnd));
  EXPECT_EQ(tools[0].lpszText, TextCallbackW());

  DefaultLog::entries.clear();
  control->SetHint(u"ipucu");
  control->SetShowHint(false);
  ASSERT_EQ(DefaultLog::entries.size(), 2u);
  EXPECT_EQ(DefaultLog::entries[0].msg, TTM_UPDATETIPTEXTW);
  EXPECT_EQ(DefaultLog::entries[1].msg, TTM_DELTOOLW);
  EXPECT_EQ(control->Hint(), u"ipucu");
}

TEST_F(ControlTest, ScrollsAndNotificationsGoUpCommandsComeBackDown) {
  auto* top = Make<TWindowEx>();
  auto* parent = Make<RecordingControl>(top);
  auto* child = Make<RecordingControl>(parent);
  HWND child_wnd = child->Handle();
  parent->seen.clear();
  child->seen.clear();

  child->Perform(WM_VSCROLL, 1, 0);
  child->Perform(WM_NOTIFY, 0, 0);
  EXPECT_TRUE(parent->Saw(WM_VSCROLL));
  EXPECT_TRUE(parent->Saw(WM_NOTIFY));

  // A command that names the child's window is reflected to the child.
  child->seen.clear();
  parent->Perform(WM_COMMAND, 0, reinterpret_cast<LPARAM>(child_wnd));
  EXPECT_TRUE(child->Saw(WM_COMMAND));
  // Reflection to itself does not loop.
  parent->seen.clear();
  parent->Perform(WM_CTLCOLORSTATIC, 0, reinterpret_cast<LPARAM>(parent->WindowHandle()));
  EXPECT_EQ(parent->seen.size(), 1u);
  // Measure requests find the target through the item's id.
  child->seen.clear();
  MEASUREITEMSTRUCT measure;
  measure.CtlID = static_cast<UINT>(reinterpret_cast<std::uintptr_t>(child_wnd));
  EXPECT_EQ(parent->Perform(WM_MEASUREITEM, 0, reinterpret_cast<LPARAM>(&measure)), 1);
  EXPECT_TRUE(child->Saw(WM_MEASUREITEM));
}

TEST_F(ControlTest, AttachingAWindowReadsItsState) {
  auto* top = Make<TWindowEx>();
  HWND foreign = CreateWindowExW(0, u"STATIC", u"x", WS_CHILD | WS_VISIBLE | WS_DISABLED, 7, 8, 20, 10,
                                 top->Handle(), nullptr, ModuleInstance(), nullptr);
  auto* control = Make<RecordingControl>(top);
  control->SetHandle(foreign);
  EXPECT_EQ(control->WindowHandle(), foreign);
  EXPECT_EQ(control->Left(), 7);
  EXPECT_EQ(control->Top(), 8);
  EXPECT_EQ(control->Width(), 20);
  EXPECT_FALSE(control->Enabled());
  // The window keeps its own procedure: its messages do not reach the object.
  SendMessageW(foreign, WM_USER, 0, 0);
  EXPECT_TRUE(control->seen.empty());
}

}  // namespace
}  // namespace varnika::testing
