// The default window procedure, one small handler per message it gives
// meaning to, and the modal move loop behind WM_SYSCOMMAND SC_MOVE|HTCAPTION.
#include <algorithm>
#include <array>

#include "platform/Core.h"
#include "platform/Icons.h"
#include "platform/Input.h"
#include "platform/MessageLoop.h"
#include "platform/Window.h"

namespace varnika {

using core::FindQuiet;
using core::Send;
using core::Sys;
using core::Window;

namespace {

// The parent of a child window, for the messages that ask it first.
HWND ChildParent(HWND wnd) {
  Window* w = FindQuiet(wnd);
  if (!w || !(w->style & WS_CHILD) || !w->parent || w->parent->is_desktop) return nullptr;
  return w->parent->handle;
}

void StoreText(HWND wnd, LPCWSTR text) {
  Window* w = FindQuiet(wnd);
  if (!w) return;
  w->text = (text && !IsIntResource(text)) ? std::u16string(text) : std::u16string();
  if (w->TopLevel()) Sys().backend->SetSurfaceTitle(wnd, w->text);
}

LRESULT OnNcCreate(HWND wnd, WPARAM, LPARAM lparam) {
  if (auto* cs = reinterpret_cast<CREATESTRUCTW*>(lparam)) StoreText(wnd, cs->lpszName);
  return TRUE;
}

LRESULT OnClose(HWND wnd, WPARAM, LPARAM) {
  DestroyWindow(wnd);
  return 0;
}

LRESULT OnSysCommand(HWND wnd, WPARAM wparam, LPARAM) {
  switch (wparam & 0xFFF0) {
    case SC_CLOSE: Send(wnd, WM_CLOSE, 0, 0); break;
    case SC_MOVE:
      if (static_cast<LRESULT>(wparam & 0x000F) == HTCAPTION) core::RunMoveLoop(wnd);
      break;
    default: break;
  }
  return 0;
}

LRESULT OnNcHitTest(HWND wnd, WPARAM, LPARAM lparam) {
  Window* w = FindQuiet(wnd);
  if (!w) return HTNOWHERE;
  POINT p{SignedLoWord(static_cast<std::uintptr_t>(lparam)), SignedHiWord(static_cast<std::uintptr_t>(lparam))};
  return PtInRect(core::ScreenRect(w), p) ? HTCLIENT : HTNOWHERE;
}

LRESULT OnSetCursor(HWND wnd, WPARAM wparam, LPARAM lparam) {
  if (HWND parent = ChildParent(wnd)) {
    if (Send(parent, WM_SETCURSOR, wparam, lparam)) return TRUE;
  }
  Window* w = FindQuiet(wnd);
  if (!w) return FALSE;
  if (SignedLoWord(static_cast<std::uintptr_t>(lparam)) == HTCLIENT) {
    if (!w->cls->cursor) return FALSE;
    SetCursor(w->cls->cursor);
    return TRUE;
  }
  SetCursor(LoadCursorW(nullptr, IDC_ARROW));
  return FALSE;
}

LRESULT OnMouseActivate(HWND wnd, WPARAM wparam, LPARAM lparam) {
  if (HWND parent = ChildParent(wnd)) {
    if (LRESULT answer = Send(parent, WM_MOUSEACTIVATE, wparam, lparam)) return answer;
  }
  return MA_ACTIVATE;
}

// WM_MOUSEWHEEL, WM_MOUSEHWHEEL, WM_CONTEXTMENU: the parent's answer.
template <UINT Msg>
LRESULT AskParent(HWND wnd, WPARAM wparam, LPARAM lparam) {
  HWND parent = ChildParent(wnd);
  return parent ? Send(parent, Msg, wparam, lparam) : 0;
}

LRESULT OnSetText(HWND wnd, WPARAM, LPARAM lparam) {
  StoreText(wnd, reinterpret_cast<LPCWSTR>(lparam));
  return TRUE;
}

LRESULT OnGetText(HWND wnd, WPARAM wparam, LPARAM lparam) {
  Window* w = FindQuiet(wnd);
  auto* buffer = reinterpret_cast<LPWSTR>(lparam);
  if (!w || !buffer || wparam == 0) return 0;
  size_t n = std::min(w->text.size(), static_cast<size_t>(wparam - 1));
  std::copy_n(w->text.begin(), n, buffer);
  buffer[n] = 0;
  return static_cast<LRESULT>(n);
}

LRESULT OnGetTextLength(HWND wnd, WPARAM, LPARAM) {
  Window* w = FindQuiet(wnd);
  return w ? static_cast<LRESULT>(w->text.size()) : 0;
}

LRESULT AnswerOne(HWND, WPARAM, LPARAM) { return 1; }

LRESULT OnWindowPosChanged(HWND wnd, WPARAM, LPARAM lparam) {
  auto* wp = reinterpret_cast<WINDOWPOS*>(lparam);
  if (!wp) return 0;
  WINDOWPOS pos = *wp;
  if (!(pos.flags & SWP_NOCLIENTMOVE)) Send(wnd, WM_MOVE, 0, MakeLParam(pos.x, pos.y));
  if (!(pos.flags & SWP_NOCLIENTSIZE)) Send(wnd, WM_SIZE, SIZE_RESTORED, MakeLParam(pos.cx, pos.cy));
  return 0;
}

LRESULT OnActivate(HWND wnd, WPARAM wparam, LPARAM) {
  if (LoWord(wparam) != WA_INACTIVE) SetFocus(wnd);
  return 0;
}

// Alt+F4 on the active top-level window closes it.
// Alt+F4 closes the active top-level window. With no focus window the key
// reaches the active window without the Alt context bit, so the live Alt
// state counts too.
LRESULT OnSysKeyDown(HWND wnd, WPARAM wparam, LPARAM lparam) {
  const bool alt = (lparam & KF_ALTDOWN_BIT) || GetKeyState(VK_MENU) < 0;
  if (wparam != VK_F4 || !alt) return 0;
  HWND root = GetAncestor(wnd, GA_ROOT);
  Window* r = FindQuiet(root);
  if (r && root == GetActiveWindow() && !(r->cls->style & CS_NOCLOSE)) Send(root, WM_SYSCOMMAND, SC_CLOSE, 0);
  return 0;
}

LRESULT OnRButtonUp(HWND wnd, WPARAM, LPARAM lparam) {
  POINT p{SignedLoWord(static_cast<std::uintptr_t>(lparam)), SignedHiWord(static_cast<std::uintptr_t>(lparam))};
  ClientToScreen(wnd, &p);
  Send(wnd, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(wnd), MakeLParam(p.x, p.y));
  return 0;
}

LRESULT OnNcLButtonDown(HWND wnd, WPARAM wparam, LPARAM lparam) {
  if (static_cast<LRESULT>(wparam) == HTCAPTION) Send(wnd, WM_SYSCOMMAND, SC_MOVE | HTCAPTION, lparam);
  return 0;
}

LRESULT OnCancelMode(HWND wnd, WPARAM, LPARAM) {
  if (GetCapture() == wnd) ReleaseCapture();
  return 0;
}

// The display shows a top-level window's big icon, else its small one.
void ShowIcon(Window* w) {
  if (!w->TopLevel()) return;
  IconPixels pixels;
  HICON shown = w->icon_big ? w->icon_big : w->icon_small;
  if (shown && GetIconPixels(shown, &pixels))
    Sys().backend->SetSurfaceIcon(w->handle, pixels.argb.data(), pixels.width, pixels.height);
  else
    Sys().backend->SetSurfaceIcon(w->handle, nullptr, 0, 0);
}

LRESULT OnSetIcon(HWND wnd, WPARAM which, LPARAM lparam) {
  Window* w = FindQuiet(wnd);
  if (!w || which > ICON_SMALL2) return 0;
  HICON& slot = which == ICON_BIG ? w->icon_big : w->icon_small;
  HICON previous = slot;
  slot = reinterpret_cast<HICON>(lparam);
  ShowIcon(w);
  return reinterpret_cast<LRESULT>(previous);
}

LRESULT OnGetIcon(HWND wnd, WPARAM which, LPARAM) {
  Window* w = FindQuiet(wnd);
  if (!w) return 0;
  HICON icon = which == ICON_BIG ? w->icon_big : w->icon_small;
  if (which == ICON_SMALL2 && !icon) icon = w->icon_big;
  return reinterpret_cast<LRESULT>(icon);
}

struct DefaultRow {
  UINT msg;
  LRESULT (*handler)(HWND, WPARAM, LPARAM);
};

constexpr std::array<DefaultRow, 25> kDefaults = {{
    {WM_NCCREATE, OnNcCreate},
    {WM_CLOSE, OnClose},
    {WM_SYSCOMMAND, OnSysCommand},
    {WM_NCHITTEST, OnNcHitTest},
    {WM_SETCURSOR, OnSetCursor},
    {WM_MOUSEACTIVATE, OnMouseActivate},
    {WM_MOUSEWHEEL, AskParent<WM_MOUSEWHEEL>},
    {WM_MOUSEHWHEEL, AskParent<WM_MOUSEHWHEEL>},
    {WM_CONTEXTMENU, AskParent<WM_CONTEXTMENU>},
    {WM_SETTEXT, OnSetText},
    {WM_GETTEXT, OnGetText},
    {WM_GETTEXTLENGTH, OnGetTextLength},
    {WM_QUERYENDSESSION, AnswerOne},
    {WM_QUERYOPEN, AnswerOne},
    {WM_NCACTIVATE, AnswerOne},
    {WM_WINDOWPOSCHANGED, OnWindowPosChanged},
    {WM_ACTIVATE, OnActivate},
    {WM_SYSKEYDOWN, OnSysKeyDown},
    {WM_RBUTTONUP, OnRButtonUp},
    {WM_NCLBUTTONDOWN, OnNcLButtonDown},
    {WM_CANCELMODE, OnCancelMode},
    {WM_SETICON, OnSetIcon},
    {WM_GETICON, OnGetIcon},
    {WM_PAINT, core::DefPaint},
    {WM_ERASEBKGND, core::DefEraseBackground},
}};

// --- the move loop -----------------------------------------------------------

// Moves the window so that it keeps its offset to the pointer.
void FollowPointer(HWND wnd, const RECT& start_rect, POINT start_pointer, POINT pointer) {
  RECT r = start_rect;
  LONG dx = pointer.x - start_pointer.x;
  LONG dy = pointer.y - start_pointer.y;
  r.left += dx;
  r.right += dx;
  r.top += dy;
  r.bottom += dy;
  Send(wnd, WM_MOVING, 0, reinterpret_cast<LPARAM>(&r));
  POINT origin{r.left, r.top};
  Window* w = FindQuiet(wnd);
  if (!w) return;
  if (!w->TopLevel()) ScreenToClient(w->parent->handle, &origin);
  SetWindowPos(wnd, nullptr, origin.x, origin.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

enum class MoveStep { Continue, Finish, Cancel };

struct MoveDrag {
  HWND wnd = nullptr;
  RECT start_rect;
  POINT start_pointer;
  bool offered = false;  // to the window manager
  bool managed = false;  // the window manager moves the window
};

// The first motion offers the drag to the window manager (so a plain click
// never reaches it); when it takes it, the window follows its moves.
void OfferToManager(MoveDrag& drag) {
  if (drag.offered) return;
  drag.offered = true;
  drag.managed = Sys().backend->BeginManagedMove(drag.wnd, drag.start_pointer);
  if (drag.managed) Sys().managed_move = drag.wnd;
}

MoveStep HandleMoveMessage(MoveDrag& drag, const MSG& msg) {
  switch (msg.message) {
    case WM_MOUSEMOVE:
      OfferToManager(drag);
      if (!drag.managed) FollowPointer(drag.wnd, drag.start_rect, drag.start_pointer, msg.pt);
      return MoveStep::Continue;
    case WM_LBUTTONUP:
      if (!drag.managed) FollowPointer(drag.wnd, drag.start_rect, drag.start_pointer, msg.pt);
      return MoveStep::Finish;
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
      if (msg.wParam == VK_ESCAPE) return MoveStep::Cancel;
      if (msg.wParam == VK_RETURN) return MoveStep::Finish;
      return MoveStep::Continue;
    default:
      if (core::IsMouseInput(msg.message) || core::IsKeyInput(msg.message)) {
        return MoveStep::Continue;  // the loop owns the mouse and keyboard
      }
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
      return MoveStep::Continue;
  }
}

}  // namespace

LRESULT DefWindowProcW(HWND wnd, UINT msg, WPARAM wparam, LPARAM lparam) {
  for (const DefaultRow& row : kDefaults) {
    if (row.msg == msg) return row.handler(wnd, wparam, lparam);
  }
  return 0;
}

namespace core {

// Follows the pointer while the left button is held; Escape puts the window
// back. When the window manager can move the window, the drag is handed to
// it at the first motion and the window takes the places it reports.
// Posted messages and timers are dispatched meanwhile.
void RunMoveLoop(HWND wnd) {
  Window* w = FindQuiet(wnd);
  if (!w || w->is_desktop || GetKeyState(VK_LBUTTON) >= 0) return;
  MoveDrag drag;
  drag.wnd = wnd;
  GetWindowRect(wnd, &drag.start_rect);
  GetCursorPos(&drag.start_pointer);
  SetCapture(wnd);
  {
    // The capture and the manager's move go on every way out, an exception
    // from a handler included.
    struct Teardown {
      HWND wnd;
      ~Teardown() {
        if (Sys().managed_move == wnd) Sys().managed_move = nullptr;
        if (GetCapture() == wnd) ReleaseCapture();
      }
    } teardown{wnd};
    Send(wnd, WM_ENTERSIZEMOVE, 0, 0);
    MSG msg;
    while (GetCapture() == wnd) {
      if (!NextModalMessage(&msg)) break;
      MoveStep step = HandleMoveMessage(drag, msg);
      if (step == MoveStep::Cancel) FollowPointer(wnd, drag.start_rect, drag.start_pointer, drag.start_pointer);
      if (step != MoveStep::Continue) break;
    }
  }
  // Where the window manager's drag ended, the window's own rules (edge
  // snapping) have their say once; the display follows any correction. A
  // manager that places windows itself would answer with a place of its
  // own (sway: the centre of the screen), so it is not asked.
  if (drag.managed && FindQuiet(wnd) && !Sys().backend->ManagerPlacesWindows()) {
    RECT end;
    GetWindowRect(wnd, &end);
    SetWindowPos(wnd, nullptr, end.left, end.top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
  if (FindQuiet(wnd)) Send(wnd, WM_EXITSIZEMOVE, 0, 0);
}

}  // namespace core
}  // namespace varnika
