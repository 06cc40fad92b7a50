// Reading map. The process-wide state (the property that ties a window to
// its TControl), the dispatch table from message to handler, and the one
// window procedure every control's window shares (WidgetWndProc: start
// here); then construction, creating and destroying the window (CreateWnd,
// DestroyWnd), the properties (bounds, style, visibility, caption), hints,
// and the default message handlers (WMCreate, the mouse, size, move, focus,
// text) that subclasses override.
#include "toolkit/Control.h"

#include <unistd.h>

#include <algorithm>
#include <array>
#include <cfenv>
#include <iterator>

#include "base/Exceptions.h"
#include "base/Format.h"
#include "platform/CommonControls.h"
#include "platform/Input.h"
#include "platform/MessageLoop.h"
#include "platform/Window.h"
#include "platform/WindowSystem.h"

namespace varnika {

// --- process-wide state -------------------------------------------------------

int ControlNameCounter = 0;
DWORD LastInputTick = 0;
HWND ToolTipWindow = nullptr;

const std::u16string& WidgetPropName() {
  static const std::u16string name = Format(u"Widget%.8X", static_cast<unsigned>(::getpid()));
  return name;
}

namespace {

// The property atom lives as long as the process; the atom table outlives
// every static object, so the atom can be given back at exit.
struct WidgetAtomHolder {
  ATOM atom = GlobalAddAtomW(WidgetPropName().c_str());
  ~WidgetAtomHolder() { GlobalDeleteAtom(atom); }
};

}  // namespace

ATOM WidgetAtom() {
  static const WidgetAtomHolder holder;
  return holder.atom;
}

HINSTANCE ModuleInstance() { return GetModuleHandleW(nullptr); }

TShiftState ShiftStateFromKeyData(LPARAM key_data) {
  TShiftState shift;
  if (GetKeyState(static_cast<int>(VK_SHIFT)) < 0) shift.Include(TShiftStateItem::ssShift);
  if (GetKeyState(static_cast<int>(VK_CONTROL)) < 0) shift.Include(TShiftStateItem::ssCtrl);
  if (key_data & KF_ALTDOWN_BIT) shift.Include(TShiftStateItem::ssAlt);
  return shift;
}

TControl* FindControl(HWND wnd) {
  if (!wnd) return nullptr;
  return static_cast<TControl*>(GetPropW(wnd, MakeIntAtom(WidgetAtom())));
}

namespace {

[[noreturn]] void RaiseLastWindowError() {
  const DWORD code = GetLastError();
  throw EOSError(static_cast<int>(code),
                 Format(u"System Error.  Code: %d.\r\n%s", code, WindowErrorMessage(code)));
}

// The system cursors that Cursor indexes, in index order.
LPCWSTR CursorId(int index) {
  static const std::array<LPCWSTR, 16> ids = {
      IDC_ARROW,    IDC_IBEAM,    IDC_WAIT,   IDC_CROSS,  IDC_UPARROW, IDC_SIZE,
      IDC_ICON,     IDC_SIZENWSE, IDC_SIZENESW, IDC_SIZEWE, IDC_SIZENS, IDC_SIZEALL,
      IDC_NO,       IDC_HAND,     IDC_APPSTARTING, IDC_HELP};
  return ids[static_cast<std::size_t>(index)];
}

// The class name as the 64-character class-name buffer holds it.
void CopyClassName(const std::u16string& name, char16_t (&buffer)[64]) {
  const std::size_t n = std::min<std::size_t>(name.size(), std::size(buffer) - 1);
  std::copy_n(name.begin(), n, buffer);
  buffer[n] = 0;
}

// Window creation runs with the floating-point environment of the caller,
// whatever the window procedures do to it meanwhile.
class FloatingPointGuard {
 public:
  FloatingPointGuard() { std::fegetenv(&saved_); }
  ~FloatingPointGuard() { std::fesetenv(&saved_); }
  FloatingPointGuard(const FloatingPointGuard&) = delete;
  FloatingPointGuard& operator=(const FloatingPointGuard&) = delete;

 private:
  std::fenv_t saved_;
};

int Keys(const TWidgetMessage& m) { return static_cast<int>(m.WParam); }

bool IsInputMessage(UINT msg) {
  return (msg >= WM_KEYFIRST && msg <= WM_KEYLAST) || (msg >= WM_MOUSEFIRST && msg <= WM_MOUSEWHEEL);
}

}  // namespace

// --- the dispatch table -----------------------------------------------------------

// What follows a handler: default processing (DefaultHandler's result becomes
// the message's), nothing, or one of the few special rules.
enum class TAfter : std::uint8_t {
  Default,
  Stop,
  StopIfHandled,     // stop when the handler set Result to 1, else default
  ResultOneStop,     // Result := 1, stop
  ResultOneDefault,  // Result := 1, then default
  StopIfSwallowed,   // stop when WParam is now 0, else default
};

struct TControlDispatch {
  using Handler = void (TControl::*)(TWidgetMessage&);
  struct Row {
    UINT first;
    UINT last;
    Handler handler;
    TAfter after;
  };

  // Sorted by message number; a row covers first..last.
  static constexpr Row kRows[] = {
      {WM_MOVE, WM_MOVE, &TControl::WMMove, TAfter::Default},
      {WM_SIZE, WM_SIZE, &TControl::WMSize, TAfter::Default},
      {WM_SETFOCUS, WM_SETFOCUS, &TControl::WMSetFocus, TAfter::Default},
      {WM_KILLFOCUS, WM_KILLFOCUS, &TControl::WMKillFocus, TAfter::Default},
      {WM_SETTEXT, WM_SETTEXT, &TControl::WMSetText, TAfter::Default},
      {WM_GETTEXT, WM_GETTEXT, &TControl::WMGetText, TAfter::Default},
      {WM_GETTEXTLENGTH, WM_GETTEXTLENGTH, &TControl::WMGetTextLength, TAfter::Default},
      {WM_SHOWWINDOW, WM_SHOWWINDOW, &TControl::WMShowWindow, TAfter::Default},
      {WM_CANCELMODE, WM_CANCELMODE, &TControl::WMCancelMode, TAfter::Default},
      {WM_SETCURSOR, WM_SETCURSOR, &TControl::WMSetCursor, TAfter::StopIfHandled},
      {WM_DRAWITEM, WM_DRAWITEM, &TControl::WMDrawItem, TAfter::ResultOneStop},
      {WM_MEASUREITEM, WM_MEASUREITEM, &TControl::WMMeasureItem, TAfter::ResultOneStop},
      {WM_WINDOWPOSCHANGING, WM_WINDOWPOSCHANGING, &TControl::WMWindowPosChanging, TAfter::Default},
      {WM_WINDOWPOSCHANGED, WM_WINDOWPOSCHANGED, &TControl::WMWindowPosChanged, TAfter::Default},
      {WM_NOTIFY, WM_NOTIFY, &TControl::WMNotify, TAfter::Default},
      {WM_CONTEXTMENU, WM_CONTEXTMENU, &TControl::WMContextMenu, TAfter::Default},
      {WM_NCHITTEST, WM_NCHITTEST, &TControl::WMNCHitTest, TAfter::Default},
      {WM_GETDLGCODE, WM_GETDLGCODE, &TControl::WMGetDlgCode, TAfter::Default},
      {WM_KEYDOWN, WM_KEYDOWN, &TControl::WMKeyDown, TAfter::Default},
      {WM_KEYUP, WM_KEYUP, &TControl::WMKeyUp, TAfter::Default},
      {WM_CHAR, WM_CHAR, &TControl::WMChar, TAfter::StopIfSwallowed},
      {WM_COMMAND, WM_COMMAND, &TControl::WMCommand, TAfter::Stop},
      {WM_HSCROLL, WM_HSCROLL, &TControl::WMHScroll, TAfter::Default},
      {WM_VSCROLL, WM_VSCROLL, &TControl::WMVScroll, TAfter::Default},
      {WM_SYSTIMER, WM_SYSTIMER, &TControl::WMSysTimer, TAfter::Default},
      {WM_CTLCOLORMSGBOX, WM_CTLCOLORSTATIC, &TControl::WMCtlColor, TAfter::Stop},
      {WM_MOUSEMOVE, WM_MOUSEMOVE, &TControl::WMMouseMove, TAfter::Default},
      {WM_LBUTTONDOWN, WM_LBUTTONDOWN, &TControl::WMButtonDown, TAfter::Default},
      {WM_LBUTTONUP, WM_LBUTTONUP, &TControl::WMButtonUp, TAfter::Default},
      {WM_LBUTTONDBLCLK, WM_LBUTTONDBLCLK, &TControl::WMButtonDblClk, TAfter::Default},
      {WM_RBUTTONDOWN, WM_RBUTTONDOWN, &TControl::WMButtonDown, TAfter::Default},
      {WM_RBUTTONUP, WM_RBUTTONUP, &TControl::WMButtonUp, TAfter::Default},
      {WM_RBUTTONDBLCLK, WM_RBUTTONDBLCLK, &TControl::WMButtonDblClk, TAfter::Default},
      {WM_MBUTTONDOWN, WM_MBUTTONDOWN, &TControl::WMButtonDown, TAfter::Default},
      {WM_MBUTTONUP, WM_MBUTTONUP, &TControl::WMButtonUp, TAfter::Default},
      {WM_MBUTTONDBLCLK, WM_MBUTTONDBLCLK, &TControl::WMButtonDblClk, TAfter::Default},
      {WM_MOUSEWHEEL, WM_MOUSEWHEEL, &TControl::WMMouseWheel, TAfter::Default},
      {WM_SIZING, WM_SIZING, &TControl::WMSizing, TAfter::ResultOneDefault},
      {WM_MOVING, WM_MOVING, &TControl::WMMoving, TAfter::ResultOneDefault},
      {WM_MOUSEHOVER, WM_MOUSEHOVER, &TControl::WMMouseHover, TAfter::Default},
      {WM_MOUSELEAVE, WM_MOUSELEAVE, &TControl::WMMouseLeave, TAfter::Default},
      {CM_MOUSEENTER, CM_MOUSEENTER, &TControl::WMMouseEnter, TAfter::Stop},
      {CM_FONTCHANGED, CM_FONTCHANGED, &TControl::FontChanged, TAfter::Stop},
      {CM_TEXTCHANGED, CM_TEXTCHANGED, &TControl::TextChanged, TAfter::Stop},
  };

  static const Row* Find(UINT msg) {
    auto row = std::lower_bound(std::begin(kRows), std::end(kRows), msg,
                                [](const Row& r, UINT m) { return r.last < m; });
    return row != std::end(kRows) && row->first <= msg ? row : nullptr;
  }

  static void Run(TControl& control, const Row& row, TWidgetMessage& m) {
    (control.*row.handler)(m);
    switch (row.after) {
      case TAfter::Default:
        control.DefaultHandler(m);
        break;
      case TAfter::Stop:
        break;
      case TAfter::StopIfHandled:
        if (m.Result != 1) control.DefaultHandler(m);
        break;
      case TAfter::ResultOneStop:
        m.Result = 1;
        break;
      case TAfter::ResultOneDefault:
        m.Result = 1;
        control.DefaultHandler(m);
        break;
      case TAfter::StopIfSwallowed:
        if (m.WParam != 0) control.DefaultHandler(m);
        break;
    }
  }
};

void TControl::WndProc(TWidgetMessage& message) {
  if (IsInputMessage(message.Msg)) LastInputTick = GetTickCount();
  if (const TControlDispatch::Row* row = TControlDispatch::Find(message.Msg))
    TControlDispatch::Run(*this, *row, message);
  else
    DefaultHandler(message);
}

// --- the shared window procedure ---------------------------------------------------

LRESULT WidgetWndProc(HWND wnd, UINT msg, WPARAM wparam, LPARAM lparam) {
  TWidgetMessage message{wnd, msg, wparam, lparam, 0};
  if (TControl* control = FindControl(wnd)) {
    if (msg == WM_NCDESTROY) {
      control->ReleaseWindowProc(wnd);
      control->WndProc(message);
      RemovePropW(wnd, MakeIntAtom(WidgetAtom()));
    } else {
      control->WndProc(message);
    }
  } else if (msg == WM_CREATE && lparam) {
    auto* create = reinterpret_cast<const CREATESTRUCTW*>(lparam);
    if (auto* creator = static_cast<TControl*>(create->lpCreateParams))
      creator->WndProc(message);
    else
      message.Result = DefWindowProcW(wnd, msg, wparam, lparam);
  } else {
    message.Result = DefWindowProcW(wnd, msg, wparam, lparam);
  }
  return message.Result;
}

void TControl::ReleaseWindowProc(HWND wnd) {
  if (default_proc_) SetWindowLongPtrW(wnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(default_proc_));
}

// --- construction -------------------------------------------------------------------

TControl::TControl(TComponent* owner) : TComponent(owner) {
  SetName(u"Widget_" + Format(u"%d", ControlNameCounter));
  ++ControlNameCounter;
}

TControl::~TControl() {
  saved_text_.reset();
  if (!WindowSystemRunning()) return;
  // A window that outlives its control must not reach the freed object.
  DetachFromWindow();
  TCreateParams names;
  CopyClassName(class_name_, names.WinClassName);
  WNDCLASSW wc;
  if (GetClassInfoW(ModuleInstance(), names.WinClassName, &wc)) UnregisterClassW(names.WinClassName, ModuleInstance());
}

void TControl::DetachFromWindow() {
  if (!HasWindow() || FindControl(window_handle_) != this) return;
  ReleaseWindowProc(window_handle_);
  RemovePropW(window_handle_, MakeIntAtom(WidgetAtom()));
}

LRESULT TControl::Perform(UINT msg, WPARAM wparam, LPARAM lparam) {
  TWidgetMessage message{window_handle_, msg, wparam, lparam, 0};
  WndProc(message);
  return message.Result;
}

// --- window creation and destruction ------------------------------------------------

bool TControl::HasWindow() const { return window_handle_ && IsWindow(window_handle_); }

HWND TControl::Handle() {
  HandleNeeded();
  return window_handle_;
}

void TControl::HandleNeeded() {
  if (window_handle_) return;
  if (parent_) parent_->HandleNeeded();
  CreateHandle();
}

void TControl::CreateHandle() {
  if (window_handle_) return;
  CreateWnd();
  SetPropW(window_handle_, MakeIntAtom(WidgetAtom()), static_cast<HANDLE>(this));
  if (parent_) SetWindowPos(window_handle_, HWND_TOP, 0, 0, 0, 0, SWP_NOACTIVATE | SWP_NOMOVE | SWP_NOSIZE);
}

void TControl::CreateParams(TCreateParams& params) {
  params = TCreateParams{};
  params.Caption = saved_text_ ? saved_text_->c_str() : nullptr;
  params.Style = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | (enabled_ ? 0 : WS_DISABLED);
  params.ExStyle = WS_EX_CONTROLPARENT;
  params.X = left_;
  params.Y = top_;
  params.Width = width_;
  params.Height = height_;
  params.WndParent = parent_ ? parent_->Handle() : parent_window_;
  params.Param = static_cast<void*>(this);
  params.WindowClass.style = CS_DBLCLKS;
  params.WindowClass.lpfnWndProc = DefWindowProcW;
  params.WindowClass.cbWndExtra = 4;
  params.WindowClass.hInstance = ModuleInstance();
  params.WindowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  CopyClassName(class_name_, params.WinClassName);
}

void TControl::CreateWnd() {
  TCreateParams params;
  CreateParams(params);
  if (!params.WndParent && (params.Style & WS_CHILD)) throw EInvalidOperation(Format(u"Parent Required %s", Name()));
  // The title is copied: handlers that run during creation may replace the
  // saved text the record points into.
  const std::optional<std::u16string> caption =
      params.Caption ? std::optional<std::u16string>(params.Caption) : std::nullopt;
  params.Caption = caption ? caption->c_str() : nullptr;

  default_proc_ = params.WindowClass.lpfnWndProc;
  WNDCLASSW existing;
  const bool class_existed = GetClassInfoW(params.WindowClass.hInstance, params.WinClassName, &existing);
  if (!class_existed) {
    params.WindowClass.lpfnWndProc = WidgetWndProc;
    params.WindowClass.lpszClassName = params.WinClassName;
    if (!RegisterClassW(&params.WindowClass)) RaiseLastWindowError();
  }
  CreateWindowHandle(params);
  HWND wnd = window_handle_;
  if (class_existed) {
    auto proc = reinterpret_cast<WNDPROC>(GetWindowLongPtrW(wnd, GWLP_WNDPROC));
    if (proc != WidgetWndProc) {
      default_proc_ = proc;
      SetWindowLongPtrW(wnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&WidgetWndProc));
    }
  }
  if ((static_cast<DWORD>(GetWindowLongW(wnd, GWL_STYLE)) & WS_CHILD) && GetWindowLongPtrW(wnd, GWLP_ID) == 0)
    SetWindowLongPtrW(wnd, GWLP_ID, reinterpret_cast<LONG_PTR>(wnd));
  saved_text_.reset();
}

void TControl::CreateWindowHandle(const TCreateParams& params) {
  HWND wnd;
  {
    FloatingPointGuard fpu;
    wnd = CreateWindowExW(params.ExStyle, params.WinClassName, params.Caption, params.Style, params.X, params.Y,
                          params.Width, params.Height, params.WndParent,
                          reinterpret_cast<HMENU>(static_cast<std::intptr_t>(ctrl_id_)),
                          params.WindowClass.hInstance, params.Param);
  }
  // Stored also when creation failed: WM_CREATE may already have stored the
  // handle of the window that was destroyed again.
  window_handle_ = wnd;
  if (!wnd) RaiseLastWindowError();
}

void TControl::DestroyHandle() {
  if (HasWindow()) DestroyWnd();
}

void TControl::DestroyWindowHandle() {
  if (!DestroyWindow(window_handle_)) RaiseLastWindowError();
  window_handle_ = nullptr;
}

void TControl::DestroyWnd() {
  if (!saved_text_) {
    const int length = GetWindowTextLengthW(window_handle_);
    std::u16string text(static_cast<std::size_t>(std::max(length, 0)) + 1, u'\0');
    const int copied = GetWindowTextW(window_handle_, text.data(), static_cast<int>(text.size()));
    text.resize(static_cast<std::size_t>(std::clamp(copied, 0, std::max(length, 0))));
    saved_text_ = std::move(text);
  }
  DestroyWindowHandle();
}

void TControl::SetHandle(HWND wnd) {
  if (HasWindow() || wnd == window_handle_ || !IsWindow(wnd)) return;
  RECT client;
  GetClientRect(wnd, &client);
  width_ = client.right - client.left;
  height_ = client.bottom - client.top;
  enabled_ = IsWindowEnabled(wnd) != 0;
  visible_ = IsWindowVisible(wnd) != 0;
  POINT origin{0, 0};
  ClientToScreen(wnd, &origin);
  if (HWND parent = parent_ ? parent_->window_handle_ : parent_window_) ScreenToClient(parent, &origin);
  left_ = origin.x;
  top_ = origin.y;
  cursor_handle_ = reinterpret_cast<HCURSOR>(GetClassLongPtrW(wnd, GCLP_HCURSOR));
  style_ = static_cast<DWORD>(GetWindowLongW(wnd, GWL_STYLE));
  ex_style_ = static_cast<DWORD>(GetWindowLongW(wnd, GWL_EXSTYLE));
  ctrl_id_ = GetWindowLongW(wnd, GWL_ID);
  window_handle_ = wnd;
}

int TControl::ControlCount() const {
  if (!HasWindow()) return 0;
  int count = 0;
  for (HWND child = GetWindow(window_handle_, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) ++count;
  return count;
}

// --- properties -----------------------------------------------------------------

void TControl::SetParent(TControl* parent) {
  if (parent != parent_ && parent != this) parent_ = parent;
}

void TControl::SetClassNameW(const std::u16string& name) {
  if (!HasWindow()) class_name_ = name;
}

DWORD TControl::Style() const {
  return HasWindow() ? static_cast<DWORD>(GetWindowLongW(window_handle_, GWL_STYLE)) : 0;
}

void TControl::SetStyle(DWORD style) {
  style_ = style;
  if (HasWindow()) SetWindowLongW(window_handle_, GWL_STYLE, static_cast<LONG>(style));
}

DWORD TControl::ExStyle() const {
  return HasWindow() ? static_cast<DWORD>(GetWindowLongW(window_handle_, GWL_EXSTYLE)) : 0;
}

void TControl::SetExStyle(DWORD ex_style) {
  ex_style_ = ex_style;
  if (HasWindow()) SetWindowLongW(window_handle_, GWL_EXSTYLE, static_cast<LONG>(ex_style));
}

void TControl::MoveToBounds() {
  if (HasWindow()) MoveWindow(window_handle_, left_, top_, width_, height_, FALSE);
}

void TControl::SetLeft(int left) {
  if (left == left_) return;
  left_ = left;
  MoveToBounds();
}

void TControl::SetTop(int top) {
  if (top == top_) return;
  top_ = top;
  MoveToBounds();
}

void TControl::SetWidth(int width) {
  if (width == width_) return;
  width_ = width;
  MoveToBounds();
}

void TControl::SetHeight(int height) {
  if (height == height_) return;
  height_ = height;
  MoveToBounds();
}

void TControl::SetSize(int width, int height) {
  if (width == width_ && height == height_) return;
  width_ = width;
  height_ = height;
  MoveToBounds();
}

void TControl::SetBounds(int left, int top, int width, int height) {
  if (!HasWindow()) return;
  left_ = left;
  top_ = top;
  width_ = width;
  height_ = height;
  MoveWindow(window_handle_, left, top, width, height, TRUE);
}

void TControl::SetEnabled(bool enabled) {
  if (enabled == enabled_) return;
  enabled_ = enabled;
  if (HasWindow()) EnableWindow(window_handle_, enabled ? TRUE : FALSE);
}

void TControl::SetVisible(bool visible) {
  visible_ = visible;
  ShowWindow(Handle(), visible ? SW_SHOW : SW_HIDE);
}

void TControl::SetFocus() {
  if (HasWindow() && visible_ && enabled_) varnika::SetFocus(window_handle_);
}

void TControl::SetCursor(int index) {
  if (index < 0 || index > 15 || index == cursor_index_) return;
  cursor_index_ = index;
  cursor_handle_ = LoadCursorW(nullptr, CursorId(index));
}

std::u16string TControl::Caption() {
  const LRESULT length = Perform(WM_GETTEXTLENGTH, 0, 0);
  if (length <= 0) return {};
  std::u16string text(static_cast<std::size_t>(length) + 1, u'\0');
  const LRESULT copied = Perform(WM_GETTEXT, static_cast<WPARAM>(length) + 1, reinterpret_cast<LPARAM>(text.data()));
  text.resize(static_cast<std::size_t>(std::clamp<LRESULT>(copied, 0, length)));
  return text;
}

void TControl::SetCaption(const std::u16string& caption) {
  if (caption == Caption()) return;
  Perform(WM_SETTEXT, 0, reinterpret_cast<LPARAM>(caption.c_str()));
  Perform(CM_TEXTCHANGED, 0, 0);
}

// --- hints --------------------------------------------------------------------------

void TControl::SendToolInfo(UINT msg, UINT flags) {
  if (!ToolTipWindow || !HasWindow()) return;
  TOOLINFOW tool;
  tool.uFlags = flags;
  tool.hwnd = ToolTipWindow;
  tool.uId = reinterpret_cast<UINT_PTR>(window_handle_);
  tool.lpszText = TextCallbackW();
  SendMessageW(ToolTipWindow, msg, 0, reinterpret_cast<LPARAM>(&tool));
}

void TControl::SetShowHint(bool show) {
  if (show == show_hint_) return;
  show_hint_ = show;
  if (show)
    SendToolInfo(TTM_ADDTOOLW, TTF_IDISHWND | TTF_SUBCLASS);
  else
    SendToolInfo(TTM_DELTOOLW, TTF_IDISHWND);
}

void TControl::SetHint(const std::u16string& hint) {
  hint_ = hint;
  if (show_hint_) SendToolInfo(TTM_UPDATETIPTEXTW, TTF_IDISHWND);
}

// --- painting hooks -----------------------------------------------------------------

void TControl::Refresh() { Repaint(); }

void TControl::Invalidate() {
  if (parent_) parent_->Invalidate();
}

// --- default processing -------------------------------------------------------------

void TControl::DefaultHandler(TWidgetMessage& message) {
  if (default_proc_ && HasWindow())
    message.Result = CallWindowProcW(default_proc_, window_handle_, message.Msg, message.WParam, message.LParam);
}

// --- message handlers ---------------------------------------------------------------

void TControl::WMCreate(TWidgetMessage& message) {
  if (!window_handle_) window_handle_ = message.Handle;
}

void TControl::WMDestroy(TWidgetMessage&) {}

void TControl::AcceptMessage(TWidgetMessage& message) { message.Result = 1; }

void TControl::WMSetCursor(TWidgetMessage& message) {
  if (LoWord(static_cast<std::uintptr_t>(message.LParam)) != HTCLIENT || !cursor_handle_) return;
  varnika::SetCursor(cursor_handle_);
  message.Result = 1;
}

void TControl::WMMouseHover(TWidgetMessage& message) {
  mouse_inside_ = true;
  if (OnMouseHover) OnMouseHover(this, Keys(message), MessageX(message), MessageY(message));
}

void TControl::WMMouseEnter(TWidgetMessage&) {
  mouse_inside_ = true;
  if (OnMouseEnter) OnMouseEnter(this, 0, 0, 0);
}

void TControl::WMMouseLeave(TWidgetMessage& message) {
  mouse_inside_ = false;
  if (OnMouseLeave) OnMouseLeave(this, Keys(message), MessageX(message), MessageY(message));
}

void TControl::WMMouseMove(TWidgetMessage& message) {
  if (message.WParam == MK_LBUTTON) {
    if (OnDrag) OnDrag(this, Keys(message), MessageX(message), MessageY(message));
    return;
  }
  if (OnMouseMove) OnMouseMove(this, Keys(message), MessageX(message), MessageY(message));
  if (mouse_inside_) return;
  mouse_inside_ = true;
  TRACKMOUSEEVENT track;
  track.dwFlags = TME_HOVER | TME_LEAVE;
  track.hwndTrack = message.Handle;
  track.dwHoverTime = HOVER_DEFAULT;
  TrackMouseEvent(&track);
  PostMessageW(message.Handle, CM_MOUSEENTER, 0, 0);
}

void TControl::WMButtonDown(TWidgetMessage& message) {
  if (OnMouseDown) OnMouseDown(this, Keys(message), MessageX(message), MessageY(message));
  click_armed_ = message.WParam == MK_LBUTTON;
}

void TControl::WMButtonUp(TWidgetMessage& message) {
  const WPARAM released = message.Msg == WM_LBUTTONUP ? MK_LBUTTON
                          : message.Msg == WM_RBUTTONUP ? MK_RBUTTON
                                                        : MK_MBUTTON;
  const int keys = static_cast<int>(message.WParam | released);
  if (OnMouseUp) OnMouseUp(this, keys, MessageX(message), MessageY(message));
  if (!click_armed_ || (message.WParam & MK_LBUTTON) || !OnClick) return;
  RECT client;
  if (!GetClientRect(message.Handle, &client)) return;
  POINT top_left{client.left, client.top};
  POINT bottom_right{client.right, client.bottom};
  ClientToScreen(message.Handle, &top_left);
  ClientToScreen(message.Handle, &bottom_right);
  POINT cursor;
  GetCursorPos(&cursor);
  if (!PtInRect(RECT{top_left.x, top_left.y, bottom_right.x, bottom_right.y}, cursor)) return;
  OnClick(this, keys, MessageX(message), MessageY(message));
  click_armed_ = false;
}

void TControl::WMMouseWheel(TWidgetMessage& message) {
  if (OnMouseWheel)
    OnMouseWheel(this, LoWord(message.WParam), SignedHiWord(message.WParam), MessageX(message), MessageY(message));
}

void TControl::WMButtonDblClk(TWidgetMessage& message) {
  if (OnDblClick) OnDblClick(this, Keys(message), MessageX(message), MessageY(message));
}

void TControl::WMSize(TWidgetMessage& message) {
  RECT outer;
  if (GetWindowRect(window_handle_, &outer)) {
    width_ = outer.right - outer.left;
    height_ = outer.bottom - outer.top;
  }
  client_width_ = MessageX(message);
  client_height_ = MessageY(message);
  if (OnSize) OnSize(this, static_cast<int>(message.WParam), client_width_, client_height_);
}

void TControl::WMSizing(TWidgetMessage& message) {
  auto* rect = reinterpret_cast<RECT*>(message.LParam);
  if (OnSizing && rect) OnSizing(this, static_cast<int>(message.WParam), *rect);
}

// WM_MOVE carries 16-bit coordinates. A child placed beyond their reach (a
// long list scrolled far) keeps its true position, read from its rectangle
// wherever that agrees with the message in the low 16 bits.
void TControl::WMMove(TWidgetMessage& message) {
  left_ = MessageX(message);
  top_ = MessageY(message);
  RECT rect;
  if ((Style() & WS_CHILD) && GetWindowRect(window_handle_, &rect)) {
    POINT origin{rect.left, rect.top};
    if (HWND parent = GetParent(window_handle_)) ScreenToClient(parent, &origin);
    if (((origin.x - left_) & 0xFFFF) == 0) left_ = origin.x;
    if (((origin.y - top_) & 0xFFFF) == 0) top_ = origin.y;
  }
  if (OnMove) OnMove(this, left_, top_);
}

void TControl::WMMoving(TWidgetMessage& message) {
  auto* rect = reinterpret_cast<RECT*>(message.LParam);
  if (OnMoving && rect) OnMoving(this, static_cast<int>(message.WParam), *rect);
}

void TControl::WMSysTimer(TWidgetMessage&) {
  if (OnSysTimer) OnSysTimer(this);
}

void TControl::WMSetFocus(TWidgetMessage&) {
  if (OnSetFocus) OnSetFocus(this);
}

void TControl::WMKillFocus(TWidgetMessage&) {
  if (OnKillFocus) OnKillFocus(this);
}

void TControl::WMShowWindow(TWidgetMessage& message) { visible_ = message.WParam != 0; }

void TControl::WMGetDlgCode(TWidgetMessage& message) { message.Result = DLGC_WANTALLKEYS; }

void TControl::WMCancelMode(TWidgetMessage&) {}

void TControl::WMWindowPosChanged(TWidgetMessage& message) {
  auto* pos = reinterpret_cast<WINDOWPOS*>(message.LParam);
  if (OnWindowPosChanged && pos) OnWindowPosChanged(this, *pos);
}

void TControl::WMWindowPosChanging(TWidgetMessage& message) {
  auto* pos = reinterpret_cast<WINDOWPOS*>(message.LParam);
  if (OnWindowPosChanging && pos) OnWindowPosChanging(this, *pos);
}

void TControl::WMNCHitTest(TWidgetMessage&) {}

void TControl::WMGetText(TWidgetMessage& message) {
  auto* buffer = reinterpret_cast<char16_t*>(message.LParam);
  if (!buffer || message.WParam == 0) return;
  const std::u16string_view text = saved_text_ ? std::u16string_view(*saved_text_) : std::u16string_view();
  const std::size_t n = std::min<std::size_t>(text.size(), message.WParam - 1);
  std::copy_n(text.begin(), n, buffer);
  buffer[n] = 0;
  message.Result = static_cast<LRESULT>(n);
}

void TControl::WMGetTextLength(TWidgetMessage& message) {
  message.Result = saved_text_ ? static_cast<LRESULT>(saved_text_->size()) : 0;
}

void TControl::WMSetText(TWidgetMessage& message) {
  auto* text = reinterpret_cast<const char16_t*>(message.LParam);
  saved_text_ = text ? std::u16string(text) : std::u16string();
}

void TControl::ForwardToParent(TWidgetMessage& message) {
  if (parent_ && parent_->HasWindow())
    message.Result = SendMessageW(parent_->window_handle_, message.Msg, message.WParam, message.LParam);
}

void TControl::WMHScroll(TWidgetMessage& message) { ForwardToParent(message); }

void TControl::WMVScroll(TWidgetMessage& message) { ForwardToParent(message); }

void TControl::WMNotify(TWidgetMessage& message) { ForwardToParent(message); }

void TControl::ReflectTo(HWND target, TWidgetMessage& message) {
  if (target == window_handle_) return;
  TControl* control = FindControl(target);
  if (control && control != this) control->WndProc(message);
}

void TControl::WMCtlColor(TWidgetMessage& message) { ReflectTo(reinterpret_cast<HWND>(message.LParam), message); }

void TControl::WMReflect(TWidgetMessage& message) { ReflectTo(reinterpret_cast<HWND>(message.LParam), message); }

void TControl::WMCommand(TWidgetMessage& message) { ReflectTo(reinterpret_cast<HWND>(message.LParam), message); }

void TControl::WMDrawItem(TWidgetMessage& message) {
  if (auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(message.LParam)) ReflectTo(item->hwndItem, message);
}

void TControl::WMMeasureItem(TWidgetMessage& message) {
  auto* item = reinterpret_cast<const MEASUREITEMSTRUCT*>(message.LParam);
  if (!item) return;
  HWND target = reinterpret_cast<HWND>(static_cast<std::uintptr_t>(item->CtlID));
  if (IsWindow(target)) ReflectTo(target, message);
}

void TControl::WMChar(TWidgetMessage& message) {
  int char_code = static_cast<int>(message.WParam);
  if (OnChar) OnChar(this, char_code);
  message.WParam = static_cast<WPARAM>(static_cast<UINT>(char_code));
}

void TControl::WMKeyDown(TWidgetMessage& message) {
  WORD key = LoWord(message.WParam);
  if (OnKeyDown) OnKeyDown(this, key, ShiftStateFromKeyData(message.LParam));
  message.WParam = key;
}

void TControl::WMKeyUp(TWidgetMessage& message) {
  WORD key = LoWord(message.WParam);
  if (OnKeyUp) OnKeyUp(this, key, ShiftStateFromKeyData(message.LParam));
  message.WParam = key;
}

void TControl::WMContextMenu(TWidgetMessage& message) {
  if (OnContextMenu) OnContextMenu(this, MessageX(message), MessageY(message));
}

void TControl::TextChanged(TWidgetMessage&) {}

void TControl::FontChanged(TWidgetMessage&) {}

}  // namespace varnika
