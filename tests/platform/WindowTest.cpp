// Windows, classes, procedures, properties, the tree and its z-order.
#include <stdexcept>

#include "tests/platform/PlatformFixture.h"

namespace varnika::test {
namespace {

using Strings = std::vector<std::string>;

class WindowTest : public PlatformTest {};

TEST_F(WindowTest, CreationSendsItsMessagesInWin32OrderWithTheCreationParameter) {
  HWND parent = Top("parent", Rect(10, 10, 200, 100));
  void* seen_param = nullptr;
  On("child", WM_CREATE, [&](HWND, WPARAM, LPARAM l) {
    seen_param = reinterpret_cast<CREATESTRUCTW*>(l)->lpCreateParams;
    return LRESULT{0};
  });
  ClearLog();
  HWND child = Child("child", parent, Rect(5, 6, 50, 40));
  ASSERT_NE(child, nullptr);
  EXPECT_EQ(Log(), (Strings{"child WM_NCCREATE", "child WM_CREATE", "child WM_SIZE", "child WM_MOVE",
                            "child WM_SHOWWINDOW", "child WM_WINDOWPOSCHANGING", "child WM_WINDOWPOSCHANGED"}));
  EXPECT_NE(seen_param, nullptr);
  EXPECT_EQ(PointOf(Records(WM_MOVE)[0].lparam), (POINT{5, 6}));
  EXPECT_EQ(PointOf(Records(WM_SIZE)[0].lparam), (POINT{50, 40}));
  EXPECT_TRUE(IsWindowVisible(child));
  EXPECT_EQ(GetParent(child), parent);
}

TEST_F(WindowTest, FailingCreateFailsTheCreationAndFreesTheClass) {
  On("bad", WM_CREATE, [](HWND, WPARAM, LPARAM) { return LRESULT{-1}; });
  EXPECT_EQ(Top("bad", Rect(0, 0, 10, 10)), nullptr);
  EXPECT_EQ(Log({WM_CREATE, WM_DESTROY, WM_NCDESTROY}),
            (Strings{"bad WM_CREATE", "bad WM_DESTROY", "bad WM_NCDESTROY"}));
  EXPECT_EQ(GetWindow(GetDesktopWindow(), GW_CHILD), nullptr);
  EXPECT_TRUE(UnregisterClassW(kTestClass, nullptr));
}

TEST_F(WindowTest, AProcedureRaisingDuringCreationTakesTheHalfMadeWindowWithIt) {
  On("nc", WM_NCCREATE, [](HWND, WPARAM, LPARAM) -> LRESULT { throw std::runtime_error("nc"); });
  EXPECT_THROW(Top("nc", Rect(0, 0, 10, 10)), std::runtime_error);
  On("cr", WM_CREATE, [](HWND, WPARAM, LPARAM) -> LRESULT { throw std::runtime_error("create"); });
  EXPECT_THROW(Top("cr", Rect(0, 0, 10, 10)), std::runtime_error);
  EXPECT_EQ(Log({WM_DESTROY, WM_NCDESTROY}), (Strings{"nc WM_NCDESTROY", "cr WM_DESTROY", "cr WM_NCDESTROY"}));
  EXPECT_EQ(GetWindow(GetDesktopWindow(), GW_CHILD), nullptr);
  EXPECT_TRUE(display->Stacking().empty());
  EXPECT_TRUE(UnregisterClassW(kTestClass, nullptr));
}

TEST_F(WindowTest, ChildWithoutParentAndUnknownClassAreRefused) {
  EXPECT_EQ(CreateWindowExW(0, kTestClass, u"", WS_CHILD, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr), nullptr);
  EXPECT_EQ(GetLastError(), ERROR_TLW_WITH_WSCHILD);
  EXPECT_EQ(CreateWindowExW(0, u"NoSuchClass", u"", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr),
            nullptr);
  EXPECT_EQ(GetLastError(), ERROR_CANNOT_FIND_WND_CLASS);
}

TEST_F(WindowTest, DestroySendsDestroyParentFirstAndNcDestroyChildrenFirst) {
  HWND parent = Top("parent", Rect(0, 0, 100, 100));
  HWND first = Child("first", parent, Rect(0, 0, 10, 10));
  Child("grandchild", first, Rect(0, 0, 5, 5));
  Child("second", parent, Rect(0, 0, 10, 10));
  ClearLog();
  EXPECT_TRUE(DestroyWindow(parent));
  EXPECT_EQ(Log({WM_DESTROY, WM_NCDESTROY}),
            (Strings{"parent WM_DESTROY", "first WM_DESTROY", "grandchild WM_DESTROY", "second WM_DESTROY",
                     "grandchild WM_NCDESTROY", "first WM_NCDESTROY", "second WM_NCDESTROY",
                     "parent WM_NCDESTROY"}));
  EXPECT_FALSE(IsWindow(parent));
  EXPECT_FALSE(IsWindow(first));
  EXPECT_FALSE(display->HasSurface(parent));
}

TEST_F(WindowTest, OwnedWindowsGoFirstAndHandlesAreNeverReused) {
  HWND owner = Top("owner", Rect(0, 0, 10, 10));
  HWND owned = CreateWindowExW(0, kTestClass, u"", WS_POPUP, 0, 0, 5, 5, owner, nullptr, nullptr, nullptr);
  EXPECT_EQ(GetWindow(owned, GW_OWNER), owner);
  EXPECT_EQ(GetParent(owned), owner);
  ClearLog();
  DestroyWindow(owner);
  EXPECT_EQ(Log({WM_DESTROY}), (Strings{"? WM_DESTROY", "owner WM_DESTROY"}));
  EXPECT_FALSE(IsWindow(owned));
  HWND next = Top("next", Rect(0, 0, 10, 10));
  EXPECT_NE(next, owner);
  EXPECT_NE(next, owned);
}

// Owner m owns a, a owns c, and a lies above c: a menu and its submenu, a
// panel and its message box.
TEST_F(WindowTest, DestroyingAnOwnerTakesAChainOfOwnedWindowsInnermostFirst) {
  HWND m = Top("m", Rect(0, 0, 10, 10));
  HWND a = Child("a", m, Rect(0, 0, 5, 5), WS_POPUP | WS_VISIBLE);
  HWND c = Child("c", a, Rect(0, 0, 5, 5), WS_POPUP | WS_VISIBLE);
  BringWindowToTop(a);
  ASSERT_EQ(GetWindow(a, GW_HWNDNEXT), c);
  ClearLog();
  EXPECT_TRUE(DestroyWindow(m));
  EXPECT_EQ(Log({WM_DESTROY}), (Strings{"c WM_DESTROY", "a WM_DESTROY", "m WM_DESTROY"}));
  EXPECT_FALSE(IsWindow(a));
  EXPECT_FALSE(IsWindow(c));
  EXPECT_TRUE(display->Stacking().empty());
}

TEST_F(WindowTest, DestroyInsideItsOwnCloseAndDestroyHandlersIsSafe) {
  HWND w = Top("w", Rect(0, 0, 10, 10));
  Child("c", w, Rect(0, 0, 5, 5));
  On("w", WM_DESTROY, [](HWND h, WPARAM, LPARAM) {
    EXPECT_TRUE(DestroyWindow(h));  // already being destroyed: nothing more happens
    EXPECT_TRUE(DestroyWindow(GetWindow(h, GW_CHILD)));
    return LRESULT{0};
  });
  SendMessageW(w, WM_CLOSE, 0, 0);
  EXPECT_FALSE(IsWindow(w));
  EXPECT_EQ(Log({WM_DESTROY, WM_NCDESTROY}).size(), 4u);
}

TEST_F(WindowTest, ClassIsRefusedForUnregisteringWhileItHasWindows) {
  HWND w = Top("w", Rect(0, 0, 10, 10));
  EXPECT_FALSE(UnregisterClassW(kTestClass, nullptr));
  EXPECT_EQ(GetLastError(), ERROR_CLASS_HAS_WINDOWS);
  WNDCLASSW wc;
  EXPECT_TRUE(GetClassInfoW(nullptr, u"platformtestwindow", &wc));
  EXPECT_EQ(wc.lpfnWndProc, &PlatformTest::Proc);
  EXPECT_FALSE(RegisterClassW(&wc));
  EXPECT_EQ(GetLastError(), ERROR_CLASS_ALREADY_EXISTS);
  DestroyWindow(w);
  EXPECT_TRUE(UnregisterClassW(kTestClass, nullptr));
  EXPECT_FALSE(GetClassInfoW(nullptr, kTestClass, &wc));
  // System classes are found for any instance.
  EXPECT_TRUE(GetClassInfoW(reinterpret_cast<HINSTANCE>(0x1234), u"STATIC", &wc));
}

// --- procedures, properties, longs, text ---------------------------------------

std::vector<UINT>* g_subclass_seen = nullptr;
WNDPROC g_previous = nullptr;

LRESULT SubclassProc(HWND wnd, UINT msg, WPARAM wparam, LPARAM lparam) {
  g_subclass_seen->push_back(msg);
  if (msg == WM_USER) return 42;
  return CallWindowProcW(g_previous, wnd, msg, wparam, lparam);
}

TEST_F(WindowTest, SubclassingSeesMessagesFirstAndPropertiesSurviveIt) {
  HWND w = Top("w", Rect(0, 0, 10, 10));
  ATOM atom = GlobalAddAtomW(u"Widget000012AC");
  ASSERT_GE(atom, 0xC000);
  int object = 7;
  EXPECT_TRUE(SetPropW(w, MakeIntAtom(atom), &object));
  std::vector<UINT> seen;
  g_subclass_seen = &seen;
  g_previous = reinterpret_cast<WNDPROC>(SetWindowLongPtrW(w, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(SubclassProc)));
  EXPECT_EQ(g_previous, &PlatformTest::Proc);
  EXPECT_EQ(SendMessageW(w, WM_USER, 0, 0), 42);
  SendMessageW(w, WM_USER + 1, 0, 0);
  EXPECT_EQ(seen, (std::vector<UINT>{WM_USER, WM_USER + 1}));
  EXPECT_EQ(Log({WM_USER, WM_USER + 1}), (Strings{"w 0x1025"}));
  // The property is found by the atom and by its name (any case).
  EXPECT_EQ(GetPropW(w, MakeIntAtom(atom)), &object);
  EXPECT_EQ(GetPropW(w, u"widget000012ac"), &object);
  EXPECT_EQ(RemovePropW(w, MakeIntAtom(atom)), &object);
  EXPECT_EQ(GetPropW(w, MakeIntAtom(atom)), nullptr);
  SetWindowLongPtrW(w, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(g_previous));
  g_subclass_seen = nullptr;
  EXPECT_EQ(GlobalDeleteAtom(atom), 0);
  EXPECT_EQ(GlobalFindAtomW(u"Widget000012AC"), 0);
}

// A property named by a string holds one reference to its atom however
// often it is set, and lets go of it when it is removed or its window goes.
TEST_F(WindowTest, NamedPropertiesHoldOneAtomReferenceUntilTheyGo) {
  HWND w = Top("w", Rect(0, 0, 10, 10));
  int values[3] = {};
  for (int& v : values) EXPECT_TRUE(SetPropW(w, u"varnika.test.prop", &v));
  ATOM atom = GlobalFindAtomW(u"varnika.test.prop");
  ASSERT_NE(atom, 0);
  EXPECT_EQ(GetPropW(w, MakeIntAtom(atom)), &values[2]);
  EXPECT_EQ(RemovePropW(w, u"varnika.test.prop"), &values[2]);
  EXPECT_EQ(GlobalFindAtomW(u"varnika.test.prop"), 0) << "the atom outlived every property named by it";

  const ATOM kept = GlobalAddAtomW(u"varnika.test.kept");  // the program's own reference
  SetPropW(w, u"varnika.test.kept", &values[0]);
  SetPropW(w, u"varnika.test.gone", &values[0]);
  SetPropW(w, u"varnika.test.gone", &values[1]);
  DestroyWindow(w);
  EXPECT_EQ(GlobalFindAtomW(u"varnika.test.gone"), 0);
  EXPECT_EQ(GlobalFindAtomW(u"varnika.test.kept"), kept);
  EXPECT_EQ(GlobalDeleteAtom(kept), 0);
  EXPECT_EQ(GlobalFindAtomW(u"varnika.test.kept"), 0);
}

TEST_F(WindowTest, AtomsAreCountedAndIntegerAtomsStandForThemselves) {
  ATOM a = GlobalAddAtomW(u"Name");
  EXPECT_EQ(GlobalAddAtomW(u"NAME"), a);
  EXPECT_EQ(GlobalDeleteAtom(a), 0);
  EXPECT_EQ(GlobalFindAtomW(u"name"), a);  // one reference left
  EXPECT_EQ(GlobalDeleteAtom(a), 0);
  EXPECT_EQ(GlobalFindAtomW(u"name"), 0);
  EXPECT_EQ(GlobalAddAtomW(u"#123"), 123);
  char16_t buffer[8];
  EXPECT_EQ(GlobalGetAtomNameW(123, buffer, 8), 4u);
  EXPECT_EQ(std::u16string(buffer), u"#123");
}

TEST_F(WindowTest, LongsStylesIdsAndExtraBytes) {
  HWND parent = Top("parent", Rect(0, 0, 10, 10));
  HWND child = CreateWindowExW(0, kTestClass, u"", WS_CHILD, 0, 0, 1, 1, parent, reinterpret_cast<HMENU>(77),
                               nullptr, nullptr);
  EXPECT_EQ(GetWindowLongW(child, GWL_ID), 77);
  EXPECT_EQ(SetWindowLongW(child, GWL_ID, 5), 77);
  EXPECT_EQ(GetWindowLongPtrW(child, GWL_ID), 5);
  ClearLog();
  SetWindowLongW(parent, GWL_EXSTYLE, static_cast<LONG>(WS_EX_TRANSPARENT));
  EXPECT_EQ(Log(), (Strings{"parent WM_STYLECHANGING", "parent WM_STYLECHANGED"}));
  EXPECT_EQ(static_cast<DWORD>(GetWindowLongW(parent, GWL_EXSTYLE)), WS_EX_TRANSPARENT);
  EXPECT_EQ(display->SurfaceOf(parent).ex_style, WS_EX_TRANSPARENT);
  EXPECT_EQ(GetWindowLongW(parent, GWL_WNDPROC), 0);
  EXPECT_EQ(GetLastError(), ERROR_INVALID_INDEX);
  SetWindowLongPtrW(parent, GWLP_USERDATA, 99);
  EXPECT_EQ(GetWindowLongPtrW(parent, GWLP_USERDATA), 99);
  EXPECT_EQ(GetWindowLongPtrW(parent, 0), 0);  // the class has no extra bytes
  EXPECT_EQ(GetLastError(), ERROR_INVALID_INDEX);
}

TEST_F(WindowTest, TextIsKeptByTheDefaultProcessingAndCutToTheBuffer) {
  HWND w = CreateWindowExW(0, kTestClass, u"start", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
  EXPECT_EQ(GetWindowTextLengthW(w), 5);
  EXPECT_TRUE(SetWindowTextW(w, u"varnika"));
  char16_t buffer[5];
  EXPECT_EQ(GetWindowTextW(w, buffer, 5), 4);
  EXPECT_EQ(std::u16string(buffer), u"varn");
  EXPECT_EQ(display->SurfaceOf(w).title, u"varnika");
  EXPECT_EQ(FindWindowW(u"PLATFORMTESTWINDOW", u"varnika"), w);
}

// --- tree, z-order, geometry --------------------------------------------------------

std::vector<HWND> Children(HWND parent) {
  std::vector<HWND> out;
  for (HWND c = GetWindow(parent, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) out.push_back(c);
  return out;
}

TEST_F(WindowTest, ChildrenStartAtTheBottomAndSetWindowPosRestacksThem) {
  HWND p = Top("p", Rect(0, 0, 100, 100));
  HWND a = Child("a", p, Rect(0, 0, 10, 10));
  HWND b = Child("b", p, Rect(0, 0, 10, 10));
  HWND c = Child("c", p, Rect(0, 0, 10, 10));
  EXPECT_EQ(Children(p), (std::vector<HWND>{a, b, c}));
  SetWindowPos(c, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  EXPECT_EQ(Children(p), (std::vector<HWND>{c, a, b}));
  SetWindowPos(c, b, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
  EXPECT_EQ(Children(p), (std::vector<HWND>{a, b, c}));
  SetWindowPos(a, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
  EXPECT_EQ(Children(p), (std::vector<HWND>{b, c, a}));
  EXPECT_EQ(GetWindow(a, GW_HWNDFIRST), b);
  EXPECT_EQ(GetWindow(b, GW_HWNDLAST), a);
  EXPECT_EQ(GetWindow(b, GW_HWNDPREV), nullptr);
  EXPECT_EQ(GetAncestor(a, GA_ROOT), p);
  EXPECT_EQ(GetAncestor(p, GA_PARENT), GetDesktopWindow());
}

TEST_F(WindowTest, ANewTopmostWindowStartsAboveTheTopmostWindowsThatWereThere) {
  HWND a = Top("a", Rect(0, 0, 10, 10), WS_EX_TOPMOST);
  HWND b = Top("b", Rect(0, 0, 10, 10));
  HWND c = Top("c", Rect(0, 0, 10, 10), WS_EX_TOPMOST);
  EXPECT_EQ(Children(GetDesktopWindow()), (std::vector<HWND>{c, a, b}));
  EXPECT_EQ(WindowFromPoint(POINT{5, 5}), c);
}

TEST_F(WindowTest, TopmostWindowsStayAboveTheOthersAndTheBackendFollows) {
  HWND a = Top("a", Rect(0, 0, 10, 10));
  HWND b = Top("b", Rect(0, 0, 10, 10), WS_EX_TOPMOST);
  HWND c = Top("c", Rect(0, 0, 10, 10));
  EXPECT_EQ(Children(GetDesktopWindow()), (std::vector<HWND>{b, c, a}));
  SetWindowPos(a, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
  EXPECT_EQ(Children(GetDesktopWindow()), (std::vector<HWND>{b, a, c}));
  SetWindowPos(c, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
  EXPECT_EQ(Children(GetDesktopWindow()), (std::vector<HWND>{c, b, a}));
  EXPECT_TRUE(GetWindowLongW(c, GWL_EXSTYLE) & WS_EX_TOPMOST);
  EXPECT_TRUE(display->SurfaceOf(c).ex_style & WS_EX_TOPMOST);
  SetWindowPos(b, HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
  EXPECT_EQ(Children(GetDesktopWindow()), (std::vector<HWND>{c, b, a}));
  EXPECT_FALSE(GetWindowLongW(b, GWL_EXSTYLE) & WS_EX_TOPMOST);
  SetWindowPos(a, b, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
  EXPECT_EQ(display->Stacking(), (std::vector<HWND>{c, b, a}));
  SetWindowPos(a, c, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);  // cannot join the topmost band this way
  EXPECT_EQ(display->Stacking(), (std::vector<HWND>{c, a, b}));
}

TEST_F(WindowTest, WindowPosChangingCanChangeTheMove) {
  HWND w = Top("w", Rect(0, 0, 100, 50));
  On("w", WM_WINDOWPOSCHANGING, [](HWND, WPARAM, LPARAM l) {
    auto* wp = reinterpret_cast<WINDOWPOS*>(l);
    if (!(wp->flags & SWP_NOMOVE) && wp->x < 8) wp->x = 0;  // snap to the left edge
    return LRESULT{0};
  });
  ClearLog();
  MoveWindow(w, 6, 20, 100, 50, TRUE);
  RECT r;
  GetWindowRect(w, &r);
  EXPECT_EQ(r, Rect(0, 20, 100, 50));
  EXPECT_EQ(display->SurfaceOf(w).rect, Rect(0, 20, 100, 50));
  EXPECT_EQ(Log(), (Strings{"w WM_WINDOWPOSCHANGING", "w WM_WINDOWPOSCHANGED", "w WM_MOVE"}));
  EXPECT_EQ(PointOf(Records(WM_MOVE)[0].lparam), (POINT{0, 20}));
  ClearLog();
  SetWindowPos(w, nullptr, 0, 0, 120, 60, SWP_NOMOVE | SWP_NOZORDER);
  EXPECT_EQ(Log(), (Strings{"w WM_WINDOWPOSCHANGING", "w WM_WINDOWPOSCHANGED", "w WM_SIZE"}));
  EXPECT_EQ(PointOf(Records(WM_SIZE)[0].lparam), (POINT{120, 60}));
}

// A move the display made goes through WM_WINDOWPOSCHANGING like any other;
// where the program corrects it, the correction goes back to the display.
TEST_F(WindowTest, AMoveByTheDisplayIsSnappedAndTheSnappedPlaceGoesBack) {
  HWND w = Top("w", Rect(100, 100, 100, 50));
  On("w", WM_WINDOWPOSCHANGING, [](HWND, WPARAM, LPARAM l) {
    auto* wp = reinterpret_cast<WINDOWPOS*>(l);
    if (!(wp->flags & SWP_NOMOVE) && wp->x < 8) wp->x = 0;
    return LRESULT{0};
  });
  ClearLog();
  display->MoveByDisplay(w, Rect(6, 20, 100, 50));
  Pump();
  RECT r;
  GetWindowRect(w, &r);
  EXPECT_EQ(r, Rect(0, 20, 100, 50));
  EXPECT_EQ(display->SurfaceOf(w).rect, Rect(0, 20, 100, 50));
  EXPECT_EQ(Log({WM_WINDOWPOSCHANGING, WM_WINDOWPOSCHANGED, WM_MOVE, WM_SIZE}),
            (Strings{"w WM_WINDOWPOSCHANGING", "w WM_WINDOWPOSCHANGED", "w WM_MOVE"}));
  display->MoveByDisplay(w, Rect(50, 60, 120, 70));  // not corrected: taken as it is
  Pump();
  GetWindowRect(w, &r);
  EXPECT_EQ(r, Rect(50, 60, 120, 70));
  EXPECT_EQ(display->SurfaceOf(w).rect, Rect(50, 60, 120, 70));
}

// X carries window positions in 16 signed bits and sizes in 16 unsigned
// ones: top-level windows stay within what every display can show, so the
// window system and the display agree on where a window is.
TEST_F(WindowTest, TopLevelWindowsStayWithinSixteenBitPlacesAndSizes) {
  HWND w = Top("w", Rect(100000, -100000, 70000, 10));
  RECT r;
  GetWindowRect(w, &r);
  EXPECT_EQ(r, Rect(32767, -32768, 32767, 10));
  SetWindowPos(w, nullptr, -40000, 40000, 5, 80000, SWP_NOZORDER);
  GetWindowRect(w, &r);
  EXPECT_EQ(r, Rect(-32768, 32767, 5, 32767));
  EXPECT_EQ(display->SurfaceOf(w).rect, r);
  ASSERT_FALSE(Records(WM_SIZE).empty());
  EXPECT_EQ(PointOf(Records(WM_SIZE).back().lparam), (POINT{5, 32767}));
}

TEST_F(WindowTest, CoordinatesMapThroughNestedWindows) {
  HWND top = Top("top", Rect(100, 50, 300, 200));
  HWND mid = Child("mid", top, Rect(10, 20, 100, 100));
  HWND inner = Child("inner", mid, Rect(5, 5, 20, 20));
  POINT p{1, 2};
  ClientToScreen(inner, &p);
  EXPECT_EQ(p, (POINT{116, 77}));
  ScreenToClient(mid, &p);
  EXPECT_EQ(p, (POINT{6, 7}));
  POINT pts[2] = {{0, 0}, {3, 3}};
  int offset = MapWindowPoints(inner, top, pts, 2);
  EXPECT_EQ(pts[1], (POINT{18, 28}));
  EXPECT_EQ(offset, static_cast<int>(MakeLParam(15, 25)));
  RECT r;
  GetWindowRect(inner, &r);
  EXPECT_EQ(r, Rect(115, 75, 20, 20));
  GetClientRect(inner, &r);
  EXPECT_EQ(r, Rect(0, 0, 20, 20));
  SetParent(inner, top);
  GetWindowRect(inner, &r);
  EXPECT_EQ(r, Rect(105, 55, 20, 20));
  EXPECT_EQ(GetWindow(top, GW_CHILD), inner);
}

TEST_F(WindowTest, ShowAndEnableSendTheirMessagesOnlyOnChange) {
  HWND w = Top("w", Rect(0, 0, 10, 10), 0, WS_POPUP);
  HWND c = Child("c", w, Rect(0, 0, 5, 5));
  EXPECT_FALSE(IsWindowVisible(c));  // the parent is hidden
  ClearLog();
  EXPECT_FALSE(ShowWindow(w, SW_SHOWNA));
  EXPECT_TRUE(ShowWindow(w, SW_SHOWNA));
  EXPECT_EQ(Log({WM_SHOWWINDOW}), (Strings{"w WM_SHOWWINDOW"}));
  EXPECT_TRUE(IsWindowVisible(c));
  EXPECT_TRUE(display->SurfaceOf(w).visible);
  EXPECT_EQ(GetActiveWindow(), nullptr);
  SetFocus(c);
  ClearLog();
  EXPECT_FALSE(EnableWindow(c, FALSE));
  EXPECT_TRUE(EnableWindow(c, FALSE));
  EXPECT_EQ(Log({WM_ENABLE, WM_KILLFOCUS}), (Strings{"c WM_KILLFOCUS", "c WM_ENABLE"}));
  EXPECT_EQ(GetFocus(), nullptr);
  EXPECT_FALSE(IsWindowEnabled(c));
}

}  // namespace
}  // namespace varnika::test
