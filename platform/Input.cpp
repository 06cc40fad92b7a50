// Reading map. Mouse and keyboard input inside the window core: the key
// state, hit testing, routing helpers (who gets a pointer event, mouse
// activation, double clicks), one handler per raw event kind (OnPointerMove
// ... OnEndSession), then the public calls: capture, focus and activation,
// mouse tracking, cursors, key state. Route (in namespace core, near the
// end) is where every raw input event enters: start there.
#include "platform/Input.h"

#include <array>
#include <cstdlib>

#include "platform/Core.h"
#include "platform/MessageLoop.h"
#include "platform/Window.h"

namespace varnika {

using core::Find;
using core::FindQuiet;
using core::HandleOf;
using core::Hit;
using core::InputState;
using core::Sys;
using core::Window;

namespace {

constexpr DWORD kDoubleClickTime = 500;
constexpr int kDoubleClickSize = 4;  // SM_CXDOUBLECLK
constexpr int kHoverSize = 4;        // the pointer may wander this much while hovering
constexpr size_t kKeyTexts = 64;

InputState& In() { return Sys().in; }
DWORD Now() { return Sys().backend->TickCount(); }

// --- cursors ---------------------------------------------------------------

constexpr std::array<WORD, 16> kCursorIds = {32512, 32513, 32514, 32515, 32516, 32640, 32641, 32642,
                                             32643, 32644, 32645, 32646, 32648, 32649, 32650, 32651};
// The handles of the system cursors are the addresses of these bytes.
unsigned char g_cursor_tokens[kCursorIds.size()];

HCURSOR CursorHandle(size_t index) { return reinterpret_cast<HCURSOR>(&g_cursor_tokens[index]); }

// --- key state ---------------------------------------------------------------

bool IsDown(UINT vk) { return In().keys[vk & 0xFF] & 0x80; }

void SetKey(UINT vk, bool down) {
  BYTE& k = In().keys[vk & 0xFF];
  if (down && !(k & 0x80)) k ^= 0x01;  // toggles on each press
  k = down ? (k | 0x80) : (k & ~0x80);
}

UINT GenericKey(UINT vk) {
  switch (vk) {
    case VK_LSHIFT:
    case VK_RSHIFT: return VK_SHIFT;
    case VK_LCONTROL:
    case VK_RCONTROL: return VK_CONTROL;
    case VK_LMENU:
    case VK_RMENU: return VK_MENU;
    default: return vk;
  }
}

void SetHeld(UINT vk, bool down) {
  if (IsDown(vk) != down) SetKey(vk, down);
}

void SyncModifiers(DWORD mods) {
  SetHeld(VK_SHIFT, mods & kModShift);
  SetHeld(VK_CONTROL, mods & kModControl);
  SetHeld(VK_MENU, mods & kModAlt);
  SetHeld(VK_LBUTTON, mods & kModLeftButton);
  SetHeld(VK_RBUTTON, mods & kModRightButton);
  SetHeld(VK_MBUTTON, mods & kModMiddleButton);
}

UINT ButtonKey(MouseButton b) {
  switch (b) {
    case MouseButton::Left: return VK_LBUTTON;
    case MouseButton::Right: return VK_RBUTTON;
    default: return VK_MBUTTON;
  }
}

UINT DownMessage(MouseButton b) {
  switch (b) {
    case MouseButton::Left: return WM_LBUTTONDOWN;
    case MouseButton::Right: return WM_RBUTTONDOWN;
    default: return WM_MBUTTONDOWN;
  }
}

// --- hit testing ---------------------------------------------------------------

bool Hittable(const Window* w) { return (w->style & WS_VISIBLE) && !(w->style & WS_DISABLED); }

// pt lies inside window h. Children first (top of the z-order first), then
// h's own WM_NCHITTEST; a transparent answer gives a Hit without a window.
// A handler may destroy any window, its ancestors included: the walk holds
// handles and looks each one up again after every message.
Hit HitWithin(HWND h, POINT pt) {
  Window* w = FindQuiet(h);
  if (!w) return Hit{nullptr, HTTRANSPARENT};
  std::vector<HWND> children;
  for (Window* c : w->children) children.push_back(c->handle);
  for (HWND ch : children) {
    Window* c = FindQuiet(ch);
    if (!c || !Hittable(c) || !PtInRect(core::ScreenRect(c), pt)) continue;
    Hit hit = HitWithin(ch, pt);
    if (hit.window) return hit;
    if (!FindQuiet(h)) return Hit{nullptr, HTTRANSPARENT};
  }
  LRESULT code = core::Send(h, WM_NCHITTEST, 0, MakeLParam(pt.x, pt.y));
  Window* again = FindQuiet(h);
  if (!again || code == HTTRANSPARENT) return Hit{nullptr, HTTRANSPARENT};
  return Hit{again, code};
}

// --- routing helpers ---------------------------------------------------------------

// The window that "has" the pointer for leave tracking.
HWND PointerOwner() {
  InputState& in = In();
  return in.capture ? in.capture : in.under_pointer;
}

void StopTracking() {
  InputState& in = In();
  in.track = nullptr;
  in.track_flags = 0;
}

void CheckLeave() {
  InputState& in = In();
  if (!in.track || in.track == PointerOwner()) return;
  HWND left = in.track;
  bool wanted = in.track_flags & TME_LEAVE;
  StopTracking();
  if (wanted && FindQuiet(left)) core::QueueInput(left, WM_MOUSELEAVE, 0, 0);
}

void FollowHover(POINT pt) {
  InputState& in = In();
  if (!in.track || !(in.track_flags & TME_HOVER)) return;
  if (std::abs(pt.x - in.hover_anchor.x) <= kHoverSize / 2 && std::abs(pt.y - in.hover_anchor.y) <= kHoverSize / 2) {
    return;
  }
  in.hover_anchor = pt;
  in.hover_start = Now();
}

LPARAM ClientPoint(HWND wnd, POINT screen) {
  ScreenToClient(wnd, &screen);
  return MakeLParam(screen.x, screen.y);
}

void SendSetCursor(HWND target, LRESULT code, UINT mouse_message) {
  Window* w = FindQuiet(target);
  if (!w) return;
  In().cursor_surface = core::Root(w)->handle;
  core::Send(target, WM_SETCURSOR, reinterpret_cast<WPARAM>(target),
             MakeLParam(static_cast<int>(code), static_cast<int>(mouse_message)));
}

// A client message, or its non-client twin when the hit was not the client area.
void QueueMouse(HWND target, LRESULT code, UINT client_message, POINT pt) {
  if (!FindQuiet(target)) return;
  if (code == HTCLIENT || target == In().capture) {
    core::QueueInput(target, client_message, core::KeyStateFlags(), ClientPoint(target, pt));
  } else {
    UINT nc = client_message - (WM_MOUSEMOVE - WM_NCMOUSEMOVE);
    core::QueueInput(target, nc, static_cast<WPARAM>(code), MakeLParam(pt.x, pt.y));
  }
}

struct Target {
  HWND wnd = nullptr;
  LRESULT code = HTNOWHERE;
};

// Finds the window under the pointer and the window that gets the message.
Target Locate(const RawEvent& e) {
  InputState& in = In();
  in.cursor = e.pt;
  Hit hit = core::HitTest(e.pt, e.surface);
  HWND before = in.under_pointer;
  in.under_pointer = HandleOf(hit.window);
  if (before != in.under_pointer) core::PointerLeft(before);
  CheckLeave();
  if (in.capture) return Target{in.capture, HTCLIENT};
  return Target{in.under_pointer, hit.code};
}

bool IsDoubleClick(HWND target, LRESULT code, MouseButton button, const RawEvent& e) {
  InputState& in = In();
  Window* w = FindQuiet(target);
  bool wants = w && (code != HTCLIENT || (w->cls->style & CS_DBLCLKS));
  return wants && !in.last_click_was_double && in.last_click_wnd == target && in.last_click_button == button &&
         e.time - in.last_click_time <= kDoubleClickTime &&
         std::abs(e.pt.x - in.last_click_pt.x) <= kDoubleClickSize / 2 &&
         std::abs(e.pt.y - in.last_click_pt.y) <= kDoubleClickSize / 2;
}

// WM_MOUSEACTIVATE for a press in an inactive top-level window. Returns
// whether the press is eaten.
bool MouseActivate(HWND target, LRESULT code, UINT message) {
  Window* root = core::Root(FindQuiet(target));
  if (!root || root->handle == In().active || (root->ex_style & WS_EX_NOACTIVATE)) return false;
  HWND top = root->handle;
  LRESULT answer = core::Send(target, WM_MOUSEACTIVATE, reinterpret_cast<WPARAM>(top),
                              MakeLParam(static_cast<int>(code), static_cast<int>(message)));
  if (answer != MA_NOACTIVATE && answer != MA_NOACTIVATEANDEAT && FindQuiet(top)) {
    core::ActivateTopLevel(top, WA_CLICKACTIVE, true);
  }
  return answer == MA_ACTIVATEANDEAT || answer == MA_NOACTIVATEANDEAT;
}

// --- raw event handlers ---------------------------------------------------------------

void OnPointerMove(const RawEvent& e) {
  Target t = Locate(e);
  FollowHover(e.pt);
  if (!t.wnd) return;
  if (!In().capture) SendSetCursor(t.wnd, t.code, WM_MOUSEMOVE);
  QueueMouse(t.wnd, t.code, WM_MOUSEMOVE, e.pt);
}

void OnPointerLeave(const RawEvent&) {
  HWND before = In().under_pointer;
  In().under_pointer = nullptr;
  core::PointerLeft(before);
  CheckLeave();
}

void OnButtonDown(const RawEvent& e) {
  SetHeld(ButtonKey(e.button), true);
  Target t = Locate(e);
  if (!t.wnd) return;
  UINT message = DownMessage(e.button);
  if (!In().capture) {
    if (MouseActivate(t.wnd, t.code, message)) return;
    SendSetCursor(t.wnd, t.code, message);
  }
  if (!FindQuiet(t.wnd)) return;
  InputState& in = In();
  bool twice = IsDoubleClick(t.wnd, t.code, e.button, e);
  in.last_click_wnd = t.wnd;
  in.last_click_button = e.button;
  in.last_click_time = e.time;
  in.last_click_pt = e.pt;
  in.last_click_was_double = twice;
  QueueMouse(t.wnd, t.code, twice ? message + 2 : message, e.pt);
}

void OnButtonUp(const RawEvent& e) {
  SetHeld(ButtonKey(e.button), false);
  Target t = Locate(e);
  if (!t.wnd) return;
  QueueMouse(t.wnd, t.code, DownMessage(e.button) + 1, e.pt);
}

void OnWheel(const RawEvent& e) {
  InputState& in = In();
  in.cursor = e.pt;
  HWND target = in.focus ? in.focus : in.active;
  if (!FindQuiet(target)) return;
  WPARAM wparam = MakeWParam(static_cast<int>(core::KeyStateFlags()), e.wheel_delta);
  core::QueueInput(target, WM_MOUSEWHEEL, wparam, MakeLParam(e.pt.x, e.pt.y));
}

void OnKey(const RawEvent& e, bool down) {
  InputState& in = In();
  UINT vk = e.vk & 0xFF;
  bool was_down = IsDown(vk);
  SetKey(vk, down);
  if (GenericKey(vk) != vk) SetHeld(GenericKey(vk), down);
  HWND target = in.key_grab ? in.key_grab : in.focus ? in.focus : in.active;
  if (!FindQuiet(target)) return;
  bool alt = IsDown(VK_MENU);
  bool system = !in.focus || GenericKey(vk) == VK_MENU || vk == VK_F10 || (alt && !IsDown(VK_CONTROL));
  UINT message = down ? (system ? WM_SYSKEYDOWN : WM_KEYDOWN) : (system ? WM_SYSKEYUP : WM_KEYUP);
  DWORD bits = 1u | ((e.scan_code & 0xFFu) << 16);
  if (e.extended) bits |= 1u << 24;
  if (alt && in.focus) bits |= 1u << 29;
  if (!down || was_down) bits |= 1u << 30;
  if (!down) bits |= 1u << 31;
  DWORD serial = ++in.key_serial;
  if (down && !e.text.empty()) {
    in.key_texts.push_back(core::KeyText{serial, e.text});
    if (in.key_texts.size() > kKeyTexts) in.key_texts.pop_front();
  }
  core::QueueInput(target, message, vk, static_cast<LPARAM>(bits), serial);
}

void OnKeyDown(const RawEvent& e) { OnKey(e, true); }
void OnKeyUp(const RawEvent& e) { OnKey(e, false); }

Window* Surface(const RawEvent& e) {
  Window* w = FindQuiet(e.surface);
  return w && w->TopLevel() ? w : nullptr;
}

void OnActivate(const RawEvent& e) {
  // A window that never takes activation (a popup menu, a tooltip) does not
  // take it from the display either.
  Window* w = Surface(e);
  if (w && !(w->ex_style & WS_EX_NOACTIVATE)) core::ActivateTopLevel(w->handle, WA_ACTIVE, false);
}

void OnDeactivate(const RawEvent& e) {
  if (Surface(e) && In().active == e.surface) core::ActivateTopLevel(nullptr, WA_INACTIVE, false);
}

void OnCloseRequest(const RawEvent& e) {
  if (Surface(e)) PostMessageW(e.surface, WM_CLOSE, 0, 0);
}

// A move or resize the display made goes through SetPosition like any other,
// and whatever the window system makes of it goes back to the display: when
// WM_WINDOWPOSCHANGING corrects it (snapping), the display follows the
// correction; otherwise the backend already has that rectangle and the echo
// changes nothing.
// While the window manager moves the window, its places are taken as they
// come (the correction is made once, when the drag ends), and so is its
// answer to a place asked for that it put elsewhere: asking again would
// only bring the same answer, again and again.
void OnConfigure(const RawEvent& e) {
  Window* w = Surface(e);
  if (!w) return;
  const UINT managed = Sys().managed_move == w->handle || e.settled ? SWP_NOSENDCHANGING : 0;
  core::SetPosition(w, nullptr, e.rect.left, e.rect.top, e.rect.right - e.rect.left, e.rect.bottom - e.rect.top,
                    SWP_NOZORDER | SWP_NOACTIVATE | managed);
}

void OnMessage(const RawEvent& e) {
  if (Surface(e)) PostMessageW(e.surface, e.message, e.wparam, e.lparam);
}

void OnEndSession(const RawEvent&) {
  std::vector<HWND> tops;
  for (Window* w : Sys().desktop->children) tops.push_back(w->handle);
  for (HWND h : tops) core::Send(h, WM_QUERYENDSESSION, 0, 0);
  for (HWND h : tops) core::Send(h, WM_CLOSE, 0, 0);
}

using RawHandler = void (*)(const RawEvent&);

// One row per RawEventKind, in its order.
constexpr std::array<RawHandler, 15> kRawHandlers = {
    OnPointerMove, OnPointerLeave, OnButtonDown, OnButtonUp,     OnWheel,   OnKeyDown,    OnKeyUp,
    OnActivate,    OnDeactivate,   OnCloseRequest, OnConfigure, OnMessage, OnEndSession, core::OnTrayInput,
    core::OnTrayHostChanged,
};
static_assert(static_cast<size_t>(RawEventKind::TrayHostChanged) + 1 == kRawHandlers.size());

}  // namespace

// --- capture -------------------------------------------------------------------------

HWND SetCapture(HWND wnd) {
  Window* w = Find(wnd);
  if (!w || w->destroying || w->is_desktop) return nullptr;
  InputState& in = In();
  HWND old = in.capture;
  if (old == wnd) return old;
  in.capture = wnd;
  Sys().backend->GrabPointer(core::Root(w)->handle);
  if (FindQuiet(old)) core::Send(old, WM_CAPTURECHANGED, 0, reinterpret_cast<LPARAM>(wnd));
  return old;
}

BOOL ReleaseCapture() {
  auto& sys = Sys();
  if (!sys.running || !core::OnUiThread()) return FALSE;
  HWND old = sys.in.capture;
  if (!old) return TRUE;
  sys.in.capture = nullptr;
  sys.backend->GrabPointer(nullptr);
  if (FindQuiet(old)) core::Send(old, WM_CAPTURECHANGED, 0, 0);
  return TRUE;
}

HWND GetCapture() { return core::UiReady() ? In().capture : nullptr; }

// --- focus and activation ------------------------------------------------------------

HWND SetFocus(HWND wnd) {
  if (!Sys().running || !core::OnUiThread()) return nullptr;
  InputState& in = In();
  HWND original = in.focus;
  if (wnd) {
    Window* w = Find(wnd);
    if (!w || w->destroying || w->is_desktop) return nullptr;
    if (in.focus == wnd) return wnd;
    HWND root = core::Root(w)->handle;
    if (in.active != root) core::ActivateTopLevel(root, WA_ACTIVE, true);
    if (!FindQuiet(wnd)) return nullptr;
    if (in.focus == wnd) return original;
  }
  HWND old = in.focus;
  if (old == wnd) return original;
  if (FindQuiet(old)) core::Send(old, WM_KILLFOCUS, reinterpret_cast<WPARAM>(wnd), 0);
  if (wnd && !FindQuiet(wnd)) return original;
  in.focus = wnd;
  if (wnd) core::Send(wnd, WM_SETFOCUS, reinterpret_cast<WPARAM>(old), 0);
  return original;
}

HWND GetFocus() { return core::UiReady() ? In().focus : nullptr; }

HWND SetActiveWindow(HWND wnd) {
  if (!Sys().running || !core::OnUiThread()) return nullptr;
  HWND old = In().active;
  if (!wnd) {
    core::ActivateTopLevel(nullptr, WA_INACTIVE, false);
    return old;
  }
  Window* w = Find(wnd);
  if (!w || w->is_desktop) return nullptr;
  core::ActivateTopLevel(core::Root(w)->handle, WA_ACTIVE, true);
  return old;
}

HWND GetActiveWindow() { return core::UiReady() ? In().active : nullptr; }

BOOL SetForegroundWindow(HWND wnd) {
  Window* w = Find(wnd);
  if (!w || w->is_desktop) return FALSE;
  core::ActivateTopLevel(core::Root(w)->handle, WA_ACTIVE, true);
  return TRUE;
}

HWND GetForegroundWindow() { return GetActiveWindow(); }

// --- tracking --------------------------------------------------------------------------

BOOL TrackMouseEvent(TRACKMOUSEEVENT* track) {
  if (!track || track->cbSize < sizeof(TRACKMOUSEEVENT)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  if (!core::UiReady()) return FALSE;
  InputState& in = In();
  if (track->dwFlags & TME_QUERY) {
    track->dwFlags = in.track ? in.track_flags : 0;
    track->hwndTrack = in.track;
    track->dwHoverTime = in.hover_time;
    return TRUE;
  }
  HWND wnd = track->hwndTrack;
  if (!Find(wnd)) return FALSE;
  DWORD wanted = track->dwFlags & (TME_HOVER | TME_LEAVE);
  if (track->dwFlags & TME_CANCEL) {
    if (in.track == wnd) {
      in.track_flags &= ~wanted;
      if (!in.track_flags) StopTracking();
    }
    return TRUE;
  }
  if (PointerOwner() != wnd) {
    if (wanted & TME_LEAVE) core::QueueInput(wnd, WM_MOUSELEAVE, 0, 0);
    return TRUE;
  }
  if (in.track != wnd) {
    in.track = wnd;
    in.track_flags = 0;
  }
  in.track_flags |= wanted;
  if (wanted & TME_HOVER) {
    in.hover_time = track->dwHoverTime == HOVER_DEFAULT ? 400 : track->dwHoverTime;
    in.hover_start = Now();
    in.hover_anchor = in.cursor;
  }
  return TRUE;
}

// --- cursors ---------------------------------------------------------------------------

HCURSOR LoadCursorW(HINSTANCE instance, LPCWSTR name) {
  if (!instance && IsIntResource(name)) {
    auto id = static_cast<WORD>(reinterpret_cast<std::uintptr_t>(name));
    for (size_t i = 0; i < kCursorIds.size(); ++i) {
      if (kCursorIds[i] == id) return CursorHandle(i);
    }
  }
  SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
  return nullptr;
}

HCURSOR SetCursor(HCURSOR cursor) {
  auto& sys = Sys();
  if (!sys.running || !core::OnUiThread()) return nullptr;
  InputState& in = In();
  HCURSOR old = in.cursor_handle;
  in.cursor_handle = cursor;
  sys.backend->SetCursorShape(in.cursor_surface, cursor ? core::ShapeOf(cursor) : CursorShape::Hidden);
  return old;
}

HCURSOR GetCursor() { return core::UiReady() ? In().cursor_handle : nullptr; }

BOOL GetCursorPos(POINT* point) {
  if (!point || !core::UiReady()) return FALSE;
  *point = In().cursor;
  return TRUE;
}

SHORT GetKeyState(int virtual_key) {
  if (!core::UiReady()) return 0;
  BYTE k = In().keys[virtual_key & 0xFF];
  return static_cast<SHORT>(((k & 0x80) ? 0x8000 : 0) | (k & 0x01));
}

SHORT GetAsyncKeyState(int virtual_key) { return GetKeyState(virtual_key); }

UINT GetDoubleClickTime() { return kDoubleClickTime; }

HWND WindowFromPoint(POINT point) {
  if (!core::UiReady()) return nullptr;
  return HandleOf(core::HitTest(point, nullptr).window);
}

namespace core {

Hit HitTest(POINT screen, HWND surface) {
  std::vector<HWND> tops;
  for (Window* w : Sys().desktop->children) tops.push_back(w->handle);
  for (HWND h : tops) {
    if (surface && h != surface) continue;
    Window* w = FindQuiet(h);
    if (!w || !(w->style & WS_VISIBLE) || (w->ex_style & WS_EX_TRANSPARENT)) continue;
    if (!PtInRect(w->rect, screen) || LayeredPassesThrough(w, screen)) continue;
    if (w->style & WS_DISABLED) return Hit{};  // a disabled window swallows the mouse
    Hit hit = HitWithin(h, screen);
    if (hit.window) return hit;
  }
  return Hit{};
}

void Route(const RawEvent& event) {
  InputState& in = In();
  if (event.has_modifiers) SyncModifiers(event.modifiers);
  in.event_time = event.time;
  auto index = static_cast<size_t>(event.kind);
  if (index < kRawHandlers.size()) kRawHandlers[index](event);
}

void ForgetWindow(Window* w, bool notify) {
  InputState& in = In();
  HWND h = w->handle;
  if (in.capture == h) {
    in.capture = nullptr;
    Sys().backend->GrabPointer(nullptr);
    if (notify) Send(h, WM_CAPTURECHANGED, 0, 0);
  }
  if (in.key_grab == h) {
    in.key_grab = nullptr;
    Sys().backend->GrabKeyboard(nullptr);
  }
  ForgetWatches(h, notify);
  if (in.focus == h) in.focus = nullptr;
  if (in.active == h) in.active = nullptr;
  if (in.track == h) StopTracking();
  if (in.under_pointer == h) in.under_pointer = nullptr;
  if (in.cursor_surface == h) in.cursor_surface = nullptr;
  if (in.last_click_wnd == h) in.last_click_wnd = nullptr;
}

void GrabKeyboard(HWND wnd) {
  InputState& in = In();
  Window* w = FindQuiet(wnd);
  in.key_grab = w ? wnd : nullptr;
  Sys().backend->GrabKeyboard(w ? Root(w)->handle : nullptr);
}

void ActivateTopLevel(HWND wnd, WORD how, bool tell_backend) {
  InputState& in = In();
  HWND old = in.active;
  if (old == wnd) return;
  in.active = wnd;
  // An open popup menu closes when the activation moves.
  if (FindQuiet(in.key_grab)) PostMessageW(in.key_grab, WM_CANCELMODE, 0, 0);
  if (FindQuiet(old)) Send(old, WM_ACTIVATE, MakeWParam(WA_INACTIVE, 0), reinterpret_cast<LPARAM>(wnd));
  Window* focus = FindQuiet(in.focus);
  if (focus && Root(focus)->handle != wnd) {
    HWND lost = in.focus;
    in.focus = nullptr;
    Send(lost, WM_KILLFOCUS, 0, 0);
  }
  if (in.active != wnd || !FindQuiet(wnd)) return;
  if (tell_backend) Sys().backend->ActivateSurface(wnd);
  Send(wnd, WM_ACTIVATE, MakeWParam(how, 0), reinterpret_cast<LPARAM>(old));
}

bool HoverDue(DWORD, DWORD* due) {
  InputState& in = In();
  if (!in.track || !(in.track_flags & TME_HOVER)) return false;
  *due = in.hover_start + in.hover_time;
  return true;
}

void FireHover() {
  InputState& in = In();
  HWND wnd = in.track;
  in.track_flags &= ~TME_HOVER;
  if (!in.track_flags) StopTracking();
  if (!FindQuiet(wnd) || PointerOwner() != wnd) return;
  in.event_time = Now();
  QueueInput(wnd, WM_MOUSEHOVER, KeyStateFlags(), ClientPoint(wnd, in.cursor));
}

CursorShape ShapeOf(HCURSOR cursor) {
  for (size_t i = 0; i < kCursorIds.size(); ++i) {
    if (CursorHandle(i) == cursor) return static_cast<CursorShape>(i);
  }
  return CursorShape::Arrow;
}

WPARAM KeyStateFlags() {
  WPARAM flags = 0;
  if (IsDown(VK_LBUTTON)) flags |= MK_LBUTTON;
  if (IsDown(VK_RBUTTON)) flags |= MK_RBUTTON;
  if (IsDown(VK_SHIFT)) flags |= MK_SHIFT;
  if (IsDown(VK_CONTROL)) flags |= MK_CONTROL;
  if (IsDown(VK_MBUTTON)) flags |= MK_MBUTTON;
  return flags;
}

const std::u16string* TextOfKey(DWORD serial) {
  if (!UiReady() || serial == 0) return nullptr;
  for (const KeyText& k : In().key_texts) {
    if (k.serial == serial) return &k.text;
  }
  return nullptr;
}

void ResetInput() {
  auto& sys = Sys();
  sys.in = InputState{};
  if (sys.backend) sys.in.cursor = sys.backend->PointerPosition();
}

}  // namespace core
}  // namespace varnika
