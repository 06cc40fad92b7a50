// The event loop: poll on the X connection, the wake-up eventfd and the
// signal pipe; X events become raw events through one table from event type
// to a small handler. Event types without a row (other extensions' events)
// are ignored.
#include "platform/x11/X11Internal.h"

#include <X11/XKBlib.h>
#include <X11/extensions/Xfixes.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <climits>
#include <utility>

#include "platform/x11/WmHints.h"
#include "platform/x11/X11Keys.h"
#include "platform/x11/X11Tray.h"

namespace varnika {

namespace {

// Window messages that other processes may send (the client message of type
// _VARNIKA_MESSAGE): the widget's close request and its request to read
// its feed address again. Anything else is dropped, so
// another program on the display cannot inject arbitrary messages.
constexpr UINT kForeignMessages[] = {37683, 37684};

bool ForeignMessageAllowed(long message) {
  return std::find(std::begin(kForeignMessages), std::end(kForeignMessages), message) != std::end(kForeignMessages);
}

constexpr int kManagedMoveCheckMs = 20;

unsigned ButtonMask(unsigned button) {
  switch (button) {
    case Button1: return Button1Mask;
    case Button2: return Button2Mask;
    case Button3: return Button3Mask;
    default: return 0;
  }
}

bool ButtonOf(unsigned x_button, MouseButton* button) {
  switch (x_button) {
    case Button1: *button = MouseButton::Left; return true;
    case Button2: *button = MouseButton::Middle; return true;
    case Button3: *button = MouseButton::Right; return true;
    default: return false;
  }
}

// Focus changes that say something about activation: not grabs, not moves
// inside the window. NotifyPointer counts: with PointerRoot focus (no
// window manager, or after it quit) the keys go to the window under the
// pointer, so that window is the active one.
bool MeaningfulFocusChange(const XFocusChangeEvent& f) {
  if (f.mode == NotifyGrab || f.mode == NotifyUngrab) return false;
  return f.detail != NotifyInferior && f.detail != NotifyPointerRoot && f.detail != NotifyDetailNone;
}

}  // namespace

// --- waiting -------------------------------------------------------------------------------

void X11Backend::Wait(DWORD timeout_ms) {
  Display* d = x_->dpy();
  delivered_ = false;
  if (!Lost()) {
    for (auto& [h, s] : surfaces_) ApplyGeometry(*s);
    DispatchQueued();
    CheckManagedMove();
  }
  ReportLoss();
  int ms = -1;
  if (delivered_ || timeout_ms == 0) {
    ms = 0;
  } else if (timeout_ms != INFINITE) {
    ms = static_cast<int>(std::min<DWORD>(timeout_ms, INT_MAX));
  }
  if (tray_) ms = tray_->PollTimeout(ms);
  // Only while the window manager moves a window: the release of the
  // button is read from the pointer's state.
  if (managed_move_ && (ms < 0 || ms > kManagedMoveCheckMs)) ms = kManagedMoveCheckMs;
  // Without a display only posts, signals and time wake the loop.
  pollfd fds[3] = {
      {Lost() ? -1 : ConnectionNumber(d), POLLIN, 0},
      {x_->wake.Get(), POLLIN, 0},
      {x_->signals.ReadFd(), POLLIN, 0},
  };
  int ready = poll(fds, 3, ms);
  if (ms != 0) ++poll_wake_ups_;
  if (tray_ && !Lost()) tray_->Tick();
  if (ready <= 0) return;
  if (fds[1].revents) {
    std::uint64_t count = 0;
    ssize_t ignored = ::read(x_->wake.Get(), &count, sizeof count);
    (void)ignored;
  }
  if (fds[2].revents && x_->signals.Drain()) {
    RawEvent end;
    end.kind = RawEventKind::EndSession;
    Deliver(std::move(end));
  }
  if (fds[0].revents && !Lost()) DispatchQueued();
  ReportLoss();
}

// A lost display ends the session as SIGTERM does: the window system asks
// its windows (WM_QUERYENDSESSION, WM_CLOSE) and keeps running without a
// display until the program ends.
void X11Backend::ReportLoss() {
  if (loss_reported_ || !Lost()) return;
  loss_reported_ = true;
  if (tray_) tray_->ForgetBackend();  // it stays with its owner, silent
  tray_ = nullptr;
  surfaces_.clear();
  by_window_.clear();
  stacking_.clear();
  grab_ = nullptr;
  keyboard_grab_ = nullptr;
  explicit_focus_ = nullptr;
  RawEvent end;
  end.kind = RawEventKind::EndSession;
  Deliver(std::move(end));
}

bool X11Backend::DispatchQueued() {
  Display* d = x_->dpy();
  while (!Lost() && XPending(d) > 0) {
    XEvent event;
    XNextEvent(d, &event);
    Dispatch(event);
  }
  return delivered_;
}

X11Backend::Handler X11Backend::HandlerFor(int type) {
  static const std::array<Handler, LASTEvent> table = [] {
    std::array<Handler, LASTEvent> t{};
    t[ButtonPress] = &X11Backend::OnButtonPress;
    t[ButtonRelease] = &X11Backend::OnButtonRelease;
    t[MotionNotify] = &X11Backend::OnMotion;
    t[EnterNotify] = &X11Backend::OnEnter;
    t[LeaveNotify] = &X11Backend::OnLeave;
    t[KeyPress] = &X11Backend::OnKeyPress;
    t[KeyRelease] = &X11Backend::OnKeyRelease;
    t[FocusIn] = &X11Backend::OnFocusIn;
    t[FocusOut] = &X11Backend::OnFocusOut;
    t[Expose] = &X11Backend::OnExpose;
    t[ConfigureNotify] = &X11Backend::OnConfigure;
    t[ReparentNotify] = &X11Backend::OnReparent;
    t[MapNotify] = &X11Backend::OnMap;
    t[UnmapNotify] = &X11Backend::OnUnmap;
    t[ClientMessage] = &X11Backend::OnClientMessage;
    t[MappingNotify] = &X11Backend::OnMapping;
    return t;
  }();
  return type >= 0 && type < LASTEvent ? table[static_cast<size_t>(type)] : nullptr;
}

void X11Backend::Dispatch(XEvent& event) {
  if (tray_ && tray_->Handle(event)) return;
  if (x_->xfixes && event.type == x_->xfixes_event_base + XFixesSelectionNotify) {
    OnSelectionOwner(event);
    return;
  }
  if (Handler handler = HandlerFor(event.type)) (this->*handler)(event);
}

bool X11Backend::NextIsOurs(int type) const {
  Display* d = x_->dpy();
  if (XEventsQueued(d, QueuedAfterReading) == 0) return false;
  XEvent next;
  XPeekEvent(d, &next);
  return next.type == type && FindX(next.xany.window) != nullptr;
}

// --- pointer -------------------------------------------------------------------------------

RawEvent X11Backend::PointerEvent(RawEventKind kind, unsigned long window, int x_root, int y_root,
                                  unsigned state) const {
  RawEvent e;
  e.kind = kind;
  e.pt = x_->ToLogical(POINT{x_root, y_root});
  // Name the window only while the pointer is really in it: under a grab X
  // reports everything to the grabbing window.
  if (Surface* s = FindX(window); s && PtInRect(s->rect, e.pt)) e.surface = s->hwnd;
  e.has_modifiers = true;
  e.modifiers = x11::ModifiersOf(state);
  return e;
}

void X11Backend::OnButtonPress(const XEvent& e) {
  const XButtonEvent& b = e.xbutton;
  x_->last_user_time = b.time;
  if (b.button == Button4 || b.button == Button5) {
    RawEvent w = PointerEvent(RawEventKind::Wheel, b.window, b.x_root, b.y_root, b.state);
    w.wheel_delta = b.button == Button4 ? WHEEL_DELTA : -WHEEL_DELTA;
    Deliver(std::move(w));
    return;
  }
  MouseButton button;
  if (!ButtonOf(b.button, &button)) return;
  RawEvent down = PointerEvent(RawEventKind::ButtonDown, b.window, b.x_root, b.y_root, b.state | ButtonMask(b.button));
  down.button = button;
  Deliver(std::move(down));
}

void X11Backend::OnButtonRelease(const XEvent& e) {
  const XButtonEvent& b = e.xbutton;
  x_->last_user_time = b.time;
  MouseButton button;
  if (!ButtonOf(b.button, &button)) return;  // the wheel's releases
  if (button == MouseButton::Left) managed_move_ = nullptr;
  RawEvent up = PointerEvent(RawEventKind::ButtonUp, b.window, b.x_root, b.y_root, b.state & ~ButtonMask(b.button));
  up.button = button;
  Deliver(std::move(up));
}

void X11Backend::OnMotion(const XEvent& e) {
  // Only the latest of a run of motions for the same window matters.
  Display* d = x_->dpy();
  XMotionEvent m = e.xmotion;
  while (XEventsQueued(d, QueuedAlready) > 0) {
    XEvent next;
    XPeekEvent(d, &next);
    if (next.type != MotionNotify || next.xmotion.window != m.window) break;
    XNextEvent(d, &next);
    m = next.xmotion;
  }
  Deliver(PointerEvent(RawEventKind::PointerMove, m.window, m.x_root, m.y_root, m.state));
}

// Keys go to the window under the pointer while the focus is the root or
// PointerRoot (no window manager, or after it quit), and X sends no focus
// events when the pointer crosses: crossing.focus says the keys follow the
// pointer here, so entering and leaving then activate and deactivate.
bool X11Backend::KeysFollowPointer(const XEvent& crossing) const {
  const XCrossingEvent& c = crossing.xcrossing;
  return c.focus && !explicit_focus_ && c.mode == NotifyNormal && c.detail != NotifyInferior;
}

void X11Backend::OnEnter(const XEvent& e) {
  const XCrossingEvent& c = e.xcrossing;
  if (c.mode == NotifyGrab) return;
  Deliver(PointerEvent(RawEventKind::PointerMove, c.window, c.x_root, c.y_root, c.state));
  Surface* s = FindX(c.window);
  if (s && KeysFollowPointer(e)) Deliver(SurfaceEvent(RawEventKind::Activate, s->hwnd));
}

void X11Backend::OnLeave(const XEvent& e) {
  const XCrossingEvent& c = e.xcrossing;
  if (c.mode != NotifyNormal || c.detail == NotifyInferior) return;
  if (NextIsOurs(EnterNotify)) return;  // straight into another of our windows
  RawEvent leave = PointerEvent(RawEventKind::PointerLeave, c.window, c.x_root, c.y_root, c.state);
  leave.surface = nullptr;
  Deliver(std::move(leave));
  Surface* s = FindX(c.window);
  if (s && KeysFollowPointer(e)) Deliver(SurfaceEvent(RawEventKind::Deactivate, s->hwnd));
}

// --- keyboard ------------------------------------------------------------------------------

RawEvent X11Backend::KeyEvent(RawEventKind kind, const XEvent& e, bool with_text) {
  XKeyEvent k = e.xkey;
  x_->last_user_time = k.time;
  char bytes[32] = {};
  KeySym typed = NoSymbol;
  int length = XLookupString(&k, bytes, sizeof bytes, &typed, nullptr);
  // The virtual key comes from the unmodified symbol, except on the keypad,
  // where Num Lock decides between digits and navigation.
  KeySym base = XLookupKeysym(&k, 0);
  if (IsKeypadKey(typed)) base = typed;
  x11::KeyCode code = x11::TranslateKey(base, k.keycode);
  if (code.vk == 0) code = x11::TranslateKey(typed, k.keycode);

  RawEvent r;
  r.kind = kind;
  r.vk = code.vk;
  r.scan_code = code.scan_code;
  r.extended = code.extended;
  r.pt = x_->ToLogical(POINT{k.x_root, k.y_root});
  if (Surface* s = FindX(k.window)) r.surface = s->hwnd;
  // The state from before the key, as X reports it: a modifier key's own
  // press then reads as a fresh press, not a repeat.
  r.has_modifiers = true;
  r.modifiers = x11::ModifiersOf(k.state);
  if (with_text) r.text = x11::KeyText(typed, bytes, length);
  return r;
}

void X11Backend::OnKeyPress(const XEvent& e) {
  RawEvent r = KeyEvent(RawEventKind::KeyDown, e, true);
  if (r.vk != 0) Deliver(std::move(r));
}

void X11Backend::OnKeyRelease(const XEvent& e) {
  RawEvent r = KeyEvent(RawEventKind::KeyUp, e, false);
  if (r.vk != 0) Deliver(std::move(r));
}

void X11Backend::OnMapping(const XEvent& e) {
  XMappingEvent m = e.xmapping;
  XRefreshKeyboardMapping(&m);
}

// --- focus ---------------------------------------------------------------------------------

RawEvent X11Backend::SurfaceEvent(RawEventKind kind, HWND surface) {
  RawEvent r;
  r.kind = kind;
  r.surface = surface;
  return r;
}

void X11Backend::OnFocusIn(const XEvent& e) {
  Surface* s = FindX(e.xfocus.window);
  if (!s || !MeaningfulFocusChange(e.xfocus)) return;
  if (e.xfocus.detail != NotifyPointer) explicit_focus_ = s->hwnd;
  Deliver(SurfaceEvent(RawEventKind::Activate, s->hwnd));
}

void X11Backend::OnFocusOut(const XEvent& e) {
  Surface* s = FindX(e.xfocus.window);
  if (!s || !MeaningfulFocusChange(e.xfocus)) return;
  if (explicit_focus_ == s->hwnd) explicit_focus_ = nullptr;
  if (NextIsOurs(FocusIn)) return;  // the focus stays in the program
  Deliver(SurfaceEvent(RawEventKind::Deactivate, s->hwnd));
}

// --- structure -----------------------------------------------------------------------------

void X11Backend::OnExpose(const XEvent& e) {
  Surface* s = FindX(e.xexpose.window);
  if (s && e.xexpose.count == 0) s->presenter->Redraw(e.xexpose.serial);
}

void X11Backend::OnConfigure(const XEvent& e) {
  const XConfigureEvent& c = e.xconfigure;
  Surface* s = FindX(c.window);
  // Reports of our own moves that a newer one has overtaken are stale.
  if (!s || s->geometry_pending || c.serial < s->configure_serial) return;
  int x = c.x;
  int y = c.y;
  if (!c.send_event && s->parent != x_->root) {
    // A real event is relative to the parent the window had then: under a
    // manager's frame only the frame's place tells where that is. While the
    // window was still the root's child its own numbers do; the place it
    // has now may be that of a frame which the manager has not yet moved
    // to where the window was.
    ::Window child = 0;
    XTranslateCoordinates(x_->dpy(), c.window, x_->root, 0, 0, &x, &y, &child);
  }
  const RECT now = x_->ToLogical(RECT{x, y, x + c.width, y + c.height});
  // The first report after a request of ours answers it: a manager that put
  // the window elsewhere places windows itself, and its places stand from
  // then on.
  s->on_server = now;
  const bool overruled = std::exchange(s->awaiting_answer, false) && now != s->asked;
  if (overruled) manager_places_ = true;
  if (now == s->rect) return;
  s->rect = now;
  RawEvent r;
  r.kind = RawEventKind::Configure;
  r.surface = s->hwnd;
  r.rect = now;
  r.settled = manager_places_;
  Deliver(std::move(r));
}

void X11Backend::OnReparent(const XEvent& e) {
  if (Surface* s = FindX(e.xreparent.window)) s->parent = e.xreparent.parent;
}

void X11Backend::OnMap(const XEvent& e) {
  Surface* s = FindX(e.xmap.window);
  if (!s) return;
  s->mapped = true;
  if (s->activate_on_map) {
    s->activate_on_map = false;
    FocusNow(*s);
  }
}

void X11Backend::OnUnmap(const XEvent& e) {
  if (Surface* s = FindX(e.xunmap.window)) s->mapped = false;
}

void X11Backend::OnClientMessage(const XEvent& e) {
  const XClientMessageEvent& m = e.xclient;
  Surface* s = FindX(m.window);
  if (!s || m.format != 32) return;
  const x11::Atoms& a = x_->atoms;
  if (m.message_type == a.wm_protocols) {
    auto protocol = static_cast<Atom>(m.data.l[0]);
    if (protocol == a.wm_delete_window) {
      RawEvent r;
      r.kind = RawEventKind::CloseRequest;
      r.surface = s->hwnd;
      Deliver(std::move(r));
    } else if (protocol == a.net_wm_ping) {
      x11::AnswerPing(x_->dpy(), x_->root, m);
    }
    return;
  }
  if (m.message_type == a.message && ForeignMessageAllowed(m.data.l[0])) {
    RawEvent r;
    r.kind = RawEventKind::Message;
    r.surface = s->hwnd;
    r.message = static_cast<UINT>(m.data.l[0]);
    r.wparam = static_cast<WPARAM>(m.data.l[1]);
    r.lparam = static_cast<LPARAM>(m.data.l[2]);
    Deliver(std::move(r));
  }
}

void X11Backend::OnSelectionOwner(const XEvent& e) {
  const auto& n = reinterpret_cast<const XFixesSelectionNotifyEvent&>(e);
  if (n.selection != x_->atoms.net_wm_cm) return;
  SetCompositing(n.subtype == XFixesSetSelectionOwnerNotify && n.owner != None);
}

}  // namespace varnika
