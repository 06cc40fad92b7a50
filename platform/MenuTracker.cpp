// TrackPopupMenuEx: the menu's window (class "#32768", a topmost layered
// popup that never takes activation) and the modal loop that owns the mouse
// and the keyboard while it is open.
#include <algorithm>
#include <memory>

#include "platform/Core.h"
#include "platform/Input.h"
#include "platform/Layered.h"
#include "platform/Menu.h"
#include "platform/MenuModel.h"
#include "platform/MessageLoop.h"
#include "platform/Window.h"
#include "platform/WindowSystem.h"
#include "text/WideCase.h"

namespace varnika {

using core::Fail;
using core::FindQuiet;

namespace {

constexpr const char16_t* kMenuClass = u"#32768";
constexpr int kDragSlop = 2;  // pointer movement that makes a release count as a choice
constexpr UINT_PTR kReleaseTimer = 1;
constexpr UINT kReleaseCheck = 50;
constexpr DWORD kReleaseWait = 1000;

UINT ButtonKey(UINT down_message) {
  switch (down_message) {
    case WM_RBUTTONDOWN:
    case WM_RBUTTONDBLCLK: return VK_RBUTTON;
    case WM_MBUTTONDOWN:
    case WM_MBUTTONDBLCLK: return VK_MBUTTON;
    default: return VK_LBUTTON;
  }
}

class MenuTracker;

MenuTracker* TrackerOf(HWND wnd) {
  return FindQuiet(wnd) ? reinterpret_cast<MenuTracker*>(GetWindowLongPtrW(wnd, 0)) : nullptr;
}

// The open menu's window, if a menu is being tracked.
HWND OpenMenuWindow() {
  for (HWND w = GetTopWindow(nullptr); w; w = GetWindow(w, GW_HWNDNEXT)) {
    char16_t name[16] = {};
    GetClassNameW(w, name, 16);
    if (std::u16string_view(name) == kMenuClass && TrackerOf(w)) return w;
  }
  return nullptr;
}

// Lives on the stack of TrackPopupMenuEx while its window points at it; the
// destructor takes the window, the capture and the keyboard grab down, so
// they go on every way out, an exception from a handler included.
class MenuTracker {
 public:
  MenuTracker(HMENU menu, UINT flags, HWND owner) : menu_(menu), flags_(flags), owner_(owner) {}
  ~MenuTracker() { Close(); }
  MenuTracker(const MenuTracker&) = delete;
  MenuTracker& operator=(const MenuTracker&) = delete;

  // Shows the menu; false when it has nothing to show or its window failed.
  bool Open(const std::vector<core::MenuItem>& items, POINT at, const TPMPARAMS* params) {
    rows_ = popup::MenuRows(items);
    if (rows_.empty()) return false;
    composited_ = popup::Composited();
    layout_ = popup::LayoutMenu(rows_, composited_);
    RECT work;
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    SIZE panel{layout_.panel.right - layout_.panel.left, layout_.panel.bottom - layout_.panel.top};
    RECT placed = popup::PlaceMenu(panel, at, flags_, params ? &params->rcExclude : nullptr, work);
    origin_ = POINT{placed.left - layout_.margins.left, placed.top - layout_.margins.top};
    wnd_ = CreateWindowExW(WS_EX_TOPMOST | WS_EX_TOOLWINDOW | WS_EX_LAYERED | WS_EX_NOACTIVATE, kMenuClass, u"",
                           WS_POPUP, origin_.x, origin_.y, layout_.picture.cx, layout_.picture.cy, owner_, nullptr,
                           nullptr, nullptr);
    if (!wnd_) return false;
    SetWindowLongPtrW(wnd_, 0, reinterpret_cast<LONG_PTR>(this));
    panel_ = std::make_unique<popup::Picture>(layout_.picture.cx, layout_.picture.cy);
    popup::PaintMenuPanel(*panel_, layout_, composited_);
    Paint();
    SetWindowPos(wnd_, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_SHOWWINDOW);
    if (!FindQuiet(wnd_)) return false;
    GetCursorPos(&opened_at_);
    SetCapture(wnd_);
    core::GrabKeyboard(wnd_);
    active_ = GetActiveWindow();
    return true;
  }

  // Runs until a choice, a cancel, or the menu's window going away.
  void Run() {
    MSG msg;
    while (!done_ && StillOpen()) {
      if (!PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE)) {
        if (!(flags_ & TPM_NONOTIFY) && FindQuiet(owner_)) {
          core::Send(owner_, WM_ENTERIDLE, MSGF_MENU, reinterpret_cast<LPARAM>(wnd_));
        }
        if (done_ || !StillOpen()) break;
      }
      if (!core::NextModalMessage(&msg)) break;
      Handle(msg);
    }
    SwallowRelease();
  }

  void Close() {
    if (!FindQuiet(wnd_)) return;
    SetWindowLongPtrW(wnd_, 0, 0);
    if (GetCapture() == wnd_) ReleaseCapture();
    core::GrabKeyboard(nullptr);
    DestroyWindow(wnd_);
  }

  void Cancel() { done_ = true; }
  UINT Chosen() const { return chosen_; }

  bool RowRect(UINT position, RECT* rect) const {
    if (position >= layout_.rows.size()) return false;
    RECT r = layout_.rows[position];
    *rect = RECT{r.left + origin_.x, r.top + origin_.y, r.right + origin_.x, r.bottom + origin_.y};
    return true;
  }
  HMENU Menu() const { return menu_; }

 private:
  bool StillOpen() const {
    // Someone took the mouse away (WM_CANCELMODE, another capture), or the
    // program lost activation: the menu goes.
    return FindQuiet(wnd_) && GetCapture() == wnd_ && GetActiveWindow() == active_;
  }

  // A press outside closed the menu: its release reaches no window either.
  // The menu keeps the mouse until the button comes up (it stays on the
  // screen meanwhile: a display drops the grab of a window it hides), or
  // for a second at most, should the release never be seen.
  void SwallowRelease() {
    if (!release_key_ || !FindQuiet(wnd_) || GetCapture() != wnd_) return;
    const DWORD start = GetTickCount();
    SetTimer(wnd_, kReleaseTimer, kReleaseCheck, nullptr);
    MSG msg;
    while (GetKeyState(static_cast<int>(release_key_)) < 0 && FindQuiet(wnd_) && GetCapture() == wnd_ &&
           GetTickCount() - start < kReleaseWait) {
      if (!core::NextModalMessage(&msg)) return;
      if (core::IsMouseInput(msg.message) || core::IsKeyInput(msg.message)) continue;
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
  }

  void Handle(const MSG& msg) {
    if (core::IsMouseInput(msg.message)) {
      if (msg.hwnd == wnd_) OnMouse(msg);
      return;  // the menu owns the mouse
    }
    if (core::IsKeyInput(msg.message)) {
      if (msg.hwnd != wnd_) return;
      if (msg.message == WM_KEYDOWN || msg.message == WM_SYSKEYDOWN) {
        TranslateMessage(&msg);
        OnKey(static_cast<UINT>(msg.wParam));
      } else if (msg.message == WM_CHAR || msg.message == WM_SYSCHAR) {
        OnChar(static_cast<char16_t>(msg.wParam));
      }
      return;
    }
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }

  int RowAt(POINT screen) const {
    return popup::MenuRowAt(layout_, POINT{screen.x - origin_.x, screen.y - origin_.y});
  }

  bool InsidePanel(POINT screen) const {
    return PtInRect(layout_.panel, POINT{screen.x - origin_.x, screen.y - origin_.y});
  }

  void OnMouse(const MSG& msg) {
    const POINT pt = msg.pt;
    if (std::abs(pt.x - opened_at_.x) > kDragSlop || std::abs(pt.y - opened_at_.y) > kDragSlop) moved_ = true;
    const int row = RowAt(pt);
    const int selectable = row >= 0 && rows_[static_cast<size_t>(row)].Selectable() ? row : -1;
    switch (msg.message) {
      case WM_MOUSEMOVE: SetHot(selectable); break;
      case WM_LBUTTONDOWN:
      case WM_RBUTTONDOWN:
      case WM_MBUTTONDOWN:
      case WM_LBUTTONDBLCLK:
      case WM_RBUTTONDBLCLK:
      case WM_MBUTTONDBLCLK:
        if (!InsidePanel(pt)) {
          Cancel();  // a click anywhere else closes the menu, and is spent on it
          release_key_ = ButtonKey(msg.message);
          return;
        }
        moved_ = true;  // a fresh press inside: its release chooses
        SetHot(selectable);
        break;
      case WM_LBUTTONUP:
      case WM_RBUTTONUP: {
        const bool chooses = msg.message == WM_LBUTTONUP || (flags_ & TPM_RIGHTBUTTON);
        // The release of the press that opened the menu chooses nothing
        // unless the pointer went somewhere first.
        if (chooses && moved_ && selectable >= 0) Choose(selectable);
        break;
      }
      default: break;
    }
  }

  void OnKey(UINT vk) {
    switch (vk) {
      case VK_ESCAPE:
      case VK_MENU:
      case VK_F10: Cancel(); break;
      case VK_UP: SetHot(Step(hot_, -1)); break;
      case VK_DOWN: SetHot(Step(hot_, +1)); break;
      case VK_HOME: SetHot(Step(-1, +1)); break;
      case VK_END: SetHot(Step(static_cast<int>(rows_.size()), -1)); break;
      case VK_RETURN:
        if (hot_ >= 0) {
          Choose(hot_);
        } else {
          Cancel();
        }
        break;
      default: break;
    }
  }

  // A mnemonic: the only item with it is chosen; with several, the next one
  // after the hot item becomes hot.
  void OnChar(char16_t c) {
    if (c < 0x20) return;
    const char16_t key = WideUpperChar(c);
    std::vector<int> matches;
    for (size_t i = 0; i < rows_.size(); ++i) {
      const popup::MenuRow& row = rows_[i];
      if (!row.Selectable() || row.mnemonic < 0) continue;
      if (WideUpperChar(row.label[static_cast<size_t>(row.mnemonic)]) == key) matches.push_back(static_cast<int>(i));
    }
    if (matches.empty()) return;
    if (matches.size() == 1) {
      Choose(matches.front());
      return;
    }
    auto next = std::find_if(matches.begin(), matches.end(), [&](int i) { return i > hot_; });
    SetHot(next == matches.end() ? matches.front() : *next);
  }

  // The next selectable row from `from` in direction dir, wrapping around;
  // -1 when there is none.
  int Step(int from, int dir) const {
    const int n = static_cast<int>(rows_.size());
    int i = from;
    for (int tries = 0; tries < n; ++tries) {
      i += dir;
      if (i < 0) i = n - 1;
      if (i >= n) i = 0;
      if (rows_[static_cast<size_t>(i)].Selectable()) return i;
    }
    return -1;
  }

  void SetHot(int row) {
    if (row == hot_) return;
    hot_ = row;
    Paint();
  }

  void Choose(int row) {
    chosen_ = rows_[static_cast<size_t>(row)].id;
    done_ = true;
  }

  void Paint() {
    popup::Picture picture = popup::Picture::CopyOf(*panel_);
    popup::PaintMenuRows(picture, layout_, rows_, hot_);
    picture.Present(wnd_, origin_);
  }

  HMENU menu_;
  UINT flags_;
  HWND owner_;
  HWND wnd_ = nullptr;
  HWND active_ = nullptr;
  std::vector<popup::MenuRow> rows_;
  popup::MenuLayout layout_;
  std::unique_ptr<popup::Picture> panel_;  // the panel under every repaint of the rows
  bool composited_ = false;
  POINT origin_;
  POINT opened_at_;
  bool moved_ = false;
  UINT release_key_ = 0;  // the button whose press outside closed the menu
  int hot_ = -1;
  bool done_ = false;
  UINT chosen_ = 0;
};

LRESULT MenuWindowProc(HWND wnd, UINT msg, WPARAM wparam, LPARAM lparam) {
  switch (msg) {
    case WM_MOUSEACTIVATE: return MA_NOACTIVATE;
    case WM_CANCELMODE:
      if (MenuTracker* t = TrackerOf(wnd)) t->Cancel();
      break;
    default: break;
  }
  return DefWindowProcW(wnd, msg, wparam, lparam);
}

}  // namespace

BOOL TrackPopupMenuEx(HMENU menu, UINT flags, int x, int y, HWND owner, TPMPARAMS* params) {
  if (!core::UiReady()) return Fail<BOOL>(ERROR_ACCESS_DENIED, FALSE);
  if (!IsMenu(menu)) return Fail<BOOL>(ERROR_INVALID_MENU_HANDLE, FALSE);
  if (!IsWindow(owner)) return Fail<BOOL>(ERROR_INVALID_WINDOW_HANDLE, FALSE);
  if (OpenMenuWindow()) return Fail<BOOL>(ERROR_POPUP_ALREADY_ACTIVE, FALSE);
  const bool notify = !(flags & TPM_NONOTIFY);
  if (notify) {
    core::Send(owner, WM_ENTERMENULOOP, TRUE, 0);
    if (IsMenu(menu)) core::Send(owner, WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(menu), 0);
  }
  std::vector<core::MenuItem> items;
  UINT chosen = 0;
  bool shown = false;
  if (IsWindow(owner) && core::ReadMenu(menu, &items)) {
    MenuTracker tracker(menu, flags, owner);
    shown = tracker.Open(items, POINT{x, y}, params);
    if (shown) tracker.Run();
    tracker.Close();  // before the owner hears the loop end
    chosen = tracker.Chosen();
  }
  if (notify && IsWindow(owner)) {
    core::Send(owner, WM_UNINITMENUPOPUP, reinterpret_cast<WPARAM>(menu), 0);
    core::Send(owner, WM_EXITMENULOOP, TRUE, 0);
  }
  if (flags & TPM_RETURNCMD) return static_cast<BOOL>(chosen);
  if (chosen && IsWindow(owner)) PostMessageW(owner, WM_COMMAND, MakeWParam(static_cast<int>(chosen), 0), 0);
  return shown ? TRUE : FALSE;
}

BOOL GetMenuItemRect(HWND, HMENU menu, UINT position, RECT* rect) {
  if (!core::UiReady() || !rect) return FALSE;
  MenuTracker* t = TrackerOf(OpenMenuWindow());
  if (!t || t->Menu() != menu) return FALSE;
  return t->RowRect(position, rect) ? TRUE : FALSE;
}

BOOL EndMenu() {
  if (!core::UiReady()) return FALSE;
  MenuTracker* t = TrackerOf(OpenMenuWindow());
  if (t) t->Cancel();
  return TRUE;
}

namespace core {

void RegisterMenuClass() {
  WNDCLASSW wc;
  wc.style = CS_SAVEBITS | CS_DROPSHADOW;
  wc.lpfnWndProc = MenuWindowProc;
  wc.cbWndExtra = sizeof(LONG_PTR);
  wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  wc.lpszClassName = kMenuClass;
  RegisterSystemClassW(&wc);
}

}  // namespace core
}  // namespace varnika
