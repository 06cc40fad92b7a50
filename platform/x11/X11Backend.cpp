// Reading map. Opening the display (X11Backend::Open: start here) and
// finding an ARGB visual; surfaces: creating one from what the window
// system tells (CreateSurface, Introduce), showing, moving, restacking,
// style and state, frames and alpha; activation, focus, cursors and grabs;
// the tray host the window system opens (OpenTray); time, the work area and
// the pointer. Events and the wait loop are in X11Events.cpp.
#include "platform/x11/X11Backend.h"

#include "platform/x11/X11Internal.h"

#include <X11/XKBlib.h>
#include <X11/Xatom.h>
#include <X11/cursorfont.h>
#include <X11/extensions/Xfixes.h>
#include <X11/extensions/shape.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>

#include "base/Utf.h"
#include "platform/Window.h"
#include "platform/x11/DesktopScale.h"
#include "platform/x11/WmHints.h"
#include "platform/x11/X11Tray.h"
#include "platform/x11/XErrors.h"

namespace varnika {

namespace {

// Where the pointer is on the root (device pixels) and which buttons and
// modifiers are down.
struct PointerState {
  POINT at{};
  unsigned mask = 0;
};

PointerState QueryPointer(Display* d, ::Window root) {
  ::Window root_return = 0;
  ::Window child = 0;
  int wx = 0;
  int wy = 0;
  PointerState state;
  int x = 0;
  int y = 0;
  XQueryPointer(d, root, &root_return, &child, &x, &y, &wx, &wy, &state.mask);
  state.at = POINT{x, y};
  return state;
}

// A grab fails while another client holds one (a window manager finishing
// the click that opened a menu, a panel closing its own menu), so it is
// tried again for a short while.
constexpr int kGrabAttempts = 10;
constexpr long kGrabRetryNs = 10 * 1000 * 1000;

template <typename Attempt>
bool GrabWithRetries(Attempt attempt) {
  for (int i = 0; i < kGrabAttempts; ++i) {
    if (attempt() == GrabSuccess) return true;
    timespec pause{0, kGrabRetryNs};
    nanosleep(&pause, nullptr);
  }
  return false;
}

// The X font cursor of each CursorShape (Hidden has none: a blank cursor).
constexpr unsigned kFontCursors[] = {
    XC_left_ptr,             // Arrow
    XC_xterm,                // IBeam
    XC_watch,                // Wait
    XC_crosshair,            // Cross
    XC_sb_up_arrow,          // UpArrow
    XC_fleur,                // Size
    XC_icon,                 // Icon
    XC_bottom_right_corner,  // SizeNWSE
    XC_bottom_left_corner,   // SizeNESW
    XC_sb_h_double_arrow,    // SizeWE
    XC_sb_v_double_arrow,    // SizeNS
    XC_fleur,                // SizeAll
    XC_X_cursor,             // No
    XC_hand2,                // Hand
    XC_watch,                // AppStarting
    XC_question_arrow,       // Help
};
static_assert(std::size(kFontCursors) == kCursorShapes - 1);

// Tooltips and menus: the window manager must leave them alone; they
// appear and vanish at exact places and never take the focus.
bool IsPopupRole(SurfaceRole role) { return role == SurfaceRole::Tooltip || role == SurfaceRole::PopupMenu; }

// The window system keeps surfaces within the protocol's limits; these only
// make the conversions exact (and X has no empty windows).
int Coordinate(LONG v) { return std::clamp<LONG>(v, kDisplayCoordMin, kDisplayCoordMax); }
unsigned Dimension(LONG v) { return static_cast<unsigned>(std::clamp<LONG>(v, 1, kDisplaySizeMax)); }

// Finds the depth-32 TrueColor visual with the usual ARGB masks.
bool FindArgbVisual(Display* display, int screen, XVisualInfo* out) {
  XVisualInfo templ{};
  templ.screen = screen;
  templ.depth = 32;
  templ.c_class = TrueColor;
  int count = 0;
  x11::XMemory<XVisualInfo> list(
      XGetVisualInfo(display, VisualScreenMask | VisualDepthMask | VisualClassMask, &templ, &count));
  for (int i = 0; i < count; ++i) {
    const XVisualInfo& v = list.get()[i];
    if (v.red_mask == 0xFF0000 && v.green_mask == 0x00FF00 && v.blue_mask == 0x0000FF) {
      *out = v;
      return true;
    }
  }
  return false;
}

}  // namespace

// --- opening -------------------------------------------------------------------------

std::unique_ptr<X11Backend> X11Backend::Open(const char* display_name, std::string* error, X11Options options) {
  x11::DisplayPtr display(XOpenDisplay(display_name));
  if (!display) {
    const char* shown = display_name ? display_name : std::getenv("DISPLAY");
    if (error) *error = std::string("cannot open display ") + (shown && *shown ? shown : "(DISPLAY is not set)");
    return nullptr;
  }
  x11::InstallErrorHandler();
  x11::WatchForLoss(display.get());
  auto c = std::make_unique<Connection>();
  Display* d = display.get();
  c->display = std::move(display);
  c->options = options;
  c->screen = DefaultScreen(d);
  c->root = RootWindow(d, c->screen);
  c->atoms.Intern(d, c->screen);

  XVisualInfo argb{};
  if (FindArgbVisual(d, c->screen, &argb)) {
    c->visual = argb.visual;
    c->depth = 32;
    c->own_colormap = x11::XColormapHandle(d, XCreateColormap(d, c->root, argb.visual, AllocNone));
    c->colormap = c->own_colormap.Get();
  } else {
    c->visual = DefaultVisual(d, c->screen);
    c->depth = DefaultDepth(d, c->screen);
    c->colormap = DefaultColormap(d, c->screen);
  }

  int event_base = 0;
  int error_base = 0;
  c->shape = XShapeQueryExtension(d, &event_base, &error_base);
  c->xfixes = XFixesQueryExtension(d, &c->xfixes_event_base, &error_base);
  if (c->xfixes) {
    XFixesSelectSelectionInput(d, c->root, c->atoms.net_wm_cm,
                               XFixesSetSelectionOwnerNotifyMask | XFixesSelectionWindowDestroyNotifyMask |
                                   XFixesSelectionClientCloseNotifyMask);
  }
  c->compositing = XGetSelectionOwner(d, c->atoms.net_wm_cm) != None;
  c->scale = x11::ReadDesktopScale(d, c->screen);

  // Held keys repeat as presses only, without the releases in between.
  Bool detectable = False;
  XkbSetDetectableAutoRepeat(d, True, &detectable);

  c->wake = x11::UniqueFd(eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC));
  return std::unique_ptr<X11Backend>(new X11Backend(std::move(c)));
}

std::unique_ptr<Backend> OpenX11BackendOrExit() {
  std::string error;
  std::unique_ptr<X11Backend> backend = X11Backend::Open(nullptr, &error);
  if (!backend) {
    std::fprintf(stderr, "%s\n", error.c_str());
    std::exit(1);
  }
  return backend;
}

X11Backend::X11Backend(std::unique_ptr<Connection> connection) : x_(std::move(connection)) {}

X11Backend::~X11Backend() {
  if (tray_) tray_->ForgetBackend();  // its owner should have dropped it first
  if (grab_ && !Lost()) XUngrabPointer(x_->dpy(), CurrentTime);
  if (keyboard_grab_ && !Lost()) XUngrabKeyboard(x_->dpy(), CurrentTime);
  surfaces_.clear();
  if (!Lost()) XSync(x_->dpy(), False);
}

bool X11Backend::Lost() const { return x11::DisplayLost(x_->dpy()); }

void X11Backend::Attach(IRawEventSink* sink) { sink_ = sink; }

_XDisplay* X11Backend::XDisplay() const { return x_->dpy(); }

bool X11Backend::Compositing() const { return x_->compositing; }

unsigned long X11Backend::XWindowOf(HWND wnd) const {
  Surface* s = Find(wnd);
  return s ? s->xid() : 0;
}

int X11Backend::FramesPut(HWND wnd) const {
  Surface* s = Find(wnd);
  return s ? s->presenter->Puts() : 0;
}

X11Backend::Surface* X11Backend::Find(HWND wnd) const {
  auto it = surfaces_.find(wnd);
  return it == surfaces_.end() ? nullptr : it->second.get();
}

X11Backend::Surface* X11Backend::FindX(unsigned long window) const {
  auto it = by_window_.find(window);
  return it == by_window_.end() ? nullptr : it->second;
}

void X11Backend::Deliver(RawEvent event) {
  if (!sink_) return;
  delivered_ = true;
  sink_->Deliver(std::move(event));
}

// --- surfaces ----------------------------------------------------------------------------

::Window X11Backend::NewXWindow(const RECT& rect, bool popup) {
  XSetWindowAttributes attrs{};
  attrs.colormap = x_->colormap;
  attrs.border_pixel = 0;
  attrs.background_pixel = 0;
  attrs.bit_gravity = NorthWestGravity;
  attrs.override_redirect = popup ? True : False;
  attrs.event_mask = ExposureMask | StructureNotifyMask | FocusChangeMask | ButtonPressMask | ButtonReleaseMask |
                     PointerMotionMask | EnterWindowMask | LeaveWindowMask | KeyPressMask | KeyReleaseMask |
                     PropertyChangeMask;
  constexpr unsigned long kMask =
      CWColormap | CWBorderPixel | CWBackPixel | CWBitGravity | CWOverrideRedirect | CWEventMask;
  const RECT r = x_->ToDevice(rect);
  return XCreateWindow(x_->dpy(), x_->root, Coordinate(r.left), Coordinate(r.top), Dimension(r.right - r.left),
                       Dimension(r.bottom - r.top), 0, x_->depth,
                       InputOutput, x_->visual, kMask, &attrs);
}

// What the window manager learns before the window first maps.
void X11Backend::Introduce(Surface& s, const SurfaceDesc& desc) {
  Display* d = x_->dpy();
  x11::SetIdentity(d, s.xid(), x_->atoms, Utf16ToUtf8(desc.class_name));
  x11::SetPositionHints(d, s.xid(), x_->ToDevice(desc.rect));
  x11::SetTitle(d, s.xid(), x_->atoms, Utf16ToUtf8(desc.title));
  if (Surface* owner = Find(desc.owner)) x11::SetTransientFor(d, s.xid(), owner->xid());
  if (s.popup) {
    x11::SetWindowType(d, s.xid(), x_->atoms,
                       desc.role == SurfaceRole::Tooltip ? x_->atoms.net_wm_window_type_tooltip
                                                         : x_->atoms.net_wm_window_type_popup_menu);
  }
  if (s.dialog) x11::SetWindowType(d, s.xid(), x_->atoms, x_->atoms.net_wm_window_type_dialog);
  // Every style bit counts as changed, so the state and type get written.
  ApplyState(s, ~desc.ex_style);
}

void X11Backend::CreateSurface(HWND wnd, const SurfaceDesc& desc) {
  if (Find(wnd)) DestroySurface(wnd);
  if (Lost()) return;  // without a display the window system keeps its windows to itself
  auto s = std::make_unique<Surface>();
  s->hwnd = wnd;
  s->rect = desc.rect;
  s->on_server = desc.rect;
  s->style = desc.style;
  s->ex_style = desc.ex_style;
  s->popup = IsPopupRole(desc.role);
  s->dialog = desc.role == SurfaceRole::Dialog;
  s->window = x11::XWindowHandle(x_->dpy(), NewXWindow(desc.rect, s->popup));
  s->parent = x_->root;

  x11::FramePresenter::Target target;
  target.display = x_->dpy();
  target.window = s->xid();
  target.visual = x_->visual;
  target.depth = x_->depth;
  target.has_shape = x_->shape;
  s->presenter = std::make_unique<x11::FramePresenter>(target);

  Surface& ref = *s;
  by_window_[ref.xid()] = &ref;
  surfaces_[wnd] = std::move(s);
  Introduce(ref, desc);
  ApplyMode(ref);
  ApplyCursor(ref);
}

void X11Backend::DestroySurface(HWND wnd) {
  auto it = surfaces_.find(wnd);
  if (it == surfaces_.end()) return;
  if (grab_ == wnd) GrabPointer(nullptr);
  if (keyboard_grab_ == wnd) GrabKeyboard(nullptr);
  if (explicit_focus_ == wnd) explicit_focus_ = nullptr;
  if (managed_move_ == wnd) managed_move_ = nullptr;
  by_window_.erase(it->second->xid());
  surfaces_.erase(it);
  std::erase(stacking_, wnd);
  if (!Lost()) XFlush(x_->dpy());
}

void X11Backend::ApplyGeometry(Surface& s) {
  if (!s.geometry_pending) return;
  s.geometry_pending = false;
  // Already there (the window system learnt the server's place late): a
  // request would only make a manager that places windows itself move it.
  if (s.rect == s.on_server) return;
  s.on_server = s.rect;
  s.configure_serial = NextRequest(x_->dpy());
  s.awaiting_answer = s.mapped && !s.popup;
  s.asked = s.rect;
  const RECT r = x_->ToDevice(s.rect);
  XMoveResizeWindow(x_->dpy(), s.xid(), Coordinate(r.left), Coordinate(r.top), Dimension(r.right - r.left),
                    Dimension(r.bottom - r.top));
}

void X11Backend::ShowSurface(HWND wnd, bool visible) {
  if (Lost()) return;
  Surface* s = Find(wnd);
  if (!s || s->visible == visible) return;
  s->visible = visible;
  Display* d = x_->dpy();
  if (visible) {
    ApplyGeometry(*s);
    // Managers read the position from the hints when the window maps.
    if (!s->popup) x11::SetPositionHints(d, s->xid(), x_->ToDevice(s->rect));
    const bool tool = (s->ex_style & WS_EX_TOOLWINDOW) != 0;
    x11::WriteState(d, s->xid(), x_->atoms, x11::WmState{(s->ex_style & WS_EX_TOPMOST) != 0, tool});
    x11::WriteDesktop(d, s->xid(), x_->atoms, tool);
    XMapWindow(d, s->xid());
  } else {
    s->activate_on_map = false;
    if (s->popup) {
      XUnmapWindow(d, s->xid());
    } else {
      XWithdrawWindow(d, s->xid(), x_->screen);
    }
  }
  XFlush(d);
}

void X11Backend::MoveSurface(HWND wnd, const RECT& rect) {
  if (Lost()) return;
  Surface* s = Find(wnd);
  if (!s || s->rect == rect) return;
  // Sent with the next frame (or at the next Wait), so a move and the
  // frame that goes with it reach the server together.
  s->rect = rect;
  s->geometry_pending = true;
}

void X11Backend::RestackSurfaces(const std::vector<HWND>& top_to_bottom) {
  if (Lost()) return;
  // Raise, bottom to top, the first window whose place changed among the
  // others and every window above it; the rest keeps its place, so windows
  // of other programs between ours are not disturbed needlessly.
  std::vector<HWND> old = stacking_;
  std::vector<HWND> order;
  for (HWND h : top_to_bottom) {
    if (Find(h)) order.push_back(h);
  }
  stacking_ = order;
  std::vector<HWND> old_known;
  for (HWND h : old) {
    if (std::find(order.begin(), order.end(), h) != order.end()) old_known.push_back(h);
  }
  // Positions from the bottom that still agree with the old order.
  size_t same = 0;
  while (same < order.size() && same < old_known.size() &&
         order[order.size() - 1 - same] == old_known[old_known.size() - 1 - same]) {
    ++same;
  }
  if (same == order.size()) return;
  for (size_t i = order.size() - same; i-- > 0;) {
    if (Surface* s = Find(order[i])) XRaiseWindow(x_->dpy(), s->xid());
  }
  XFlush(x_->dpy());
}

void X11Backend::SetSurfaceStyle(HWND wnd, DWORD style, DWORD ex_style) {
  if (Lost()) return;
  Surface* s = Find(wnd);
  if (!s) return;
  DWORD old = s->ex_style;
  s->style = style;
  s->ex_style = ex_style;
  ApplyState(*s, old);
  ApplyMode(*s);
  XFlush(x_->dpy());
}

// _NET_WM_STATE and the window type after WS_EX_TOPMOST or WS_EX_TOOLWINDOW
// changed (old_ex_style: the bits before; all flipped at creation).
void X11Backend::ApplyState(Surface& s, DWORD old_ex_style) {
  if (s.popup) return;
  Display* d = x_->dpy();
  const x11::Atoms& a = x_->atoms;
  bool above = s.ex_style & WS_EX_TOPMOST;
  bool tool = s.ex_style & WS_EX_TOOLWINDOW;
  bool above_changed = above != ((old_ex_style & WS_EX_TOPMOST) != 0);
  bool tool_changed = tool != ((old_ex_style & WS_EX_TOOLWINDOW) != 0);
  if (!above_changed && !tool_changed) return;
  if (tool_changed) {
    Atom type = s.dialog ? a.net_wm_window_type_dialog : a.net_wm_window_type_normal;
    x11::SetWindowType(d, s.xid(), a, tool ? a.net_wm_window_type_utility : type);
  }
  if (!s.visible) {
    // A withdrawn window's state is its own to write.
    x11::WriteState(d, s.xid(), a, x11::WmState{above, tool});
    x11::WriteDesktop(d, s.xid(), a, tool);
    return;
  }
  if (above_changed) x11::RequestState(d, x_->root, s.xid(), a, a.net_wm_state_above, above);
  if (tool_changed) {
    x11::RequestState(d, x_->root, s.xid(), a, a.net_wm_state_skip_taskbar, tool, a.net_wm_state_skip_pager);
    x11::RequestState(d, x_->root, s.xid(), a, a.net_wm_state_sticky, tool);
    x11::RequestDesktop(d, x_->root, s.xid(), a, tool);
  }
  // Nobody else keeps the properties without a window manager.
  if (!WindowManagerRunning()) {
    x11::WriteState(d, s.xid(), a, x11::WmState{above, tool});
    x11::WriteDesktop(d, s.xid(), a, tool);
  }
}

void X11Backend::ApplyMode(Surface& s) {
  s.presenter->SetMode((s.ex_style & WS_EX_LAYERED) != 0, x_->compositing, (s.ex_style & WS_EX_TRANSPARENT) != 0);
}

void X11Backend::SetCompositing(bool on) {
  if (x_->compositing == on) return;
  x_->compositing = on;
  for (auto& [h, s] : surfaces_) ApplyMode(*s);
  XFlush(x_->dpy());
}

void X11Backend::SetSurfaceTitle(HWND wnd, std::u16string_view title) {
  if (Lost()) return;
  Surface* s = Find(wnd);
  if (!s) return;
  x11::SetTitle(x_->dpy(), s->xid(), x_->atoms, Utf16ToUtf8(title));
  XFlush(x_->dpy());
}

void X11Backend::SetSurfaceIcon(HWND wnd, const std::uint32_t* argb, int width, int height) {
  if (Lost()) return;
  Surface* s = Find(wnd);
  if (!s) return;
  x11::SetIcon(x_->dpy(), s->xid(), x_->atoms, argb, width, height);
  XFlush(x_->dpy());
}

void X11Backend::PresentFrame(HWND wnd, const FrameView& frame) {
  if (Lost()) return;
  Surface* s = Find(wnd);
  if (!s) return;
  ApplyGeometry(*s);
  s->presenter->Present(frame);
  XFlush(x_->dpy());
}

void X11Backend::SetSurfaceAlpha(HWND wnd, BYTE alpha) {
  if (Lost()) return;
  Surface* s = Find(wnd);
  if (!s) return;
  ApplyGeometry(*s);
  s->presenter->SetAlpha(alpha);
  XFlush(x_->dpy());
}

// --- activation, cursor, grab ----------------------------------------------------------

bool X11Backend::WindowManagerRunning() const {
  return x11::WindowManagerRunning(x_->dpy(), x_->root, x_->atoms);
}

void X11Backend::ActivateSurface(HWND wnd) {
  if (Lost()) return;
  Surface* s = Find(wnd);
  if (!s || s->popup) return;
  // The latest activation wins: one still waiting for its window's map
  // would otherwise overtake it when that map arrives.
  for (auto& [handle, other] : surfaces_) other->activate_on_map = false;
  if (!s->mapped) {
    s->activate_on_map = true;
    return;
  }
  FocusNow(*s);
}

// The X server's current time: the time stamp of the PropertyNotify that
// appending nothing to a property of the window produces. The wait is
// bounded: no event comes when another client has destroyed the window, and
// none while another client grabs the server. Then, or when the display is
// lost meanwhile, CurrentTime stands in.
Time X11Backend::ServerTime(Surface& s) {
  constexpr int kMaxWaitMs = 1000;
  Display* d = x_->dpy();
  const Atom atom = x_->atoms.timestamp;
  XChangeProperty(d, s.xid(), atom, XA_STRING, 8, PropModeAppend, nullptr, 0);
  XFlush(d);
  struct Match {
    ::Window window;
    Atom atom;
  } match{s.xid(), atom};
  auto is_stamp = [](Display*, XEvent* e, XPointer arg) -> Bool {
    const auto* m = reinterpret_cast<const Match*>(arg);
    return e->type == PropertyNotify && e->xproperty.window == m->window && e->xproperty.atom == m->atom;
  };
  const DWORD start = TickCount();
  for (;;) {
    XEvent event;
    if (Lost()) return CurrentTime;
    if (XCheckIfEvent(d, &event, is_stamp, reinterpret_cast<XPointer>(&match))) return event.xproperty.time;
    const DWORD waited = TickCount() - start;
    if (waited >= kMaxWaitMs || Lost()) return CurrentTime;
    pollfd p{ConnectionNumber(d), POLLIN, 0};
    poll(&p, 1, static_cast<int>(kMaxWaitMs - waited));
  }
}

void X11Backend::FocusNow(Surface& s) {
  Display* d = x_->dpy();
  if (WindowManagerRunning()) {
    // A window manager may refuse an activation without a time stamp; with no
    // user input seen yet, the server's present time speaks for the request.
    const Time time = x_->last_user_time != CurrentTime ? x_->last_user_time : ServerTime(s);
    x11::RequestActivation(d, x_->root, s.xid(), x_->atoms, time);
  } else {
    XSetInputFocus(d, s.xid(), RevertToPointerRoot, CurrentTime);
  }
  XFlush(d);
}

unsigned long X11Backend::CursorFor(CursorShape shape) {
  auto index = static_cast<size_t>(shape);
  if (index >= kCursorShapes) index = 0;
  x11::XCursorHandle& slot = x_->cursors[index];
  if (!slot) {
    Display* d = x_->dpy();
    if (shape == CursorShape::Hidden) {
      char empty = 0;
      x11::XPixmapHandle blank(d, XCreateBitmapFromData(d, x_->root, &empty, 1, 1));
      XColor black{};
      slot = x11::XCursorHandle(d, XCreatePixmapCursor(d, blank.Get(), blank.Get(), &black, &black, 0, 0));
    } else {
      slot = x11::XCursorHandle(d, XCreateFontCursor(d, kFontCursors[index]));
    }
  }
  return slot.Get();
}

void X11Backend::ApplyCursor(Surface& s) { XDefineCursor(x_->dpy(), s.xid(), CursorFor(s.cursor)); }

void X11Backend::SetCursorShape(HWND wnd, CursorShape shape) {
  if (Lost()) return;
  Surface* s = Find(wnd);
  if (!s) s = Find(grab_);
  if (!s) return;
  if (s->cursor != shape) {
    s->cursor = shape;
    ApplyCursor(*s);
  }
  if (grab_) {
    XChangeActivePointerGrab(x_->dpy(), ButtonPressMask | ButtonReleaseMask | PointerMotionMask |
                                            EnterWindowMask | LeaveWindowMask,
                             CursorFor(shape), CurrentTime);
  }
  XFlush(x_->dpy());
}

void X11Backend::GrabPointer(HWND wnd) {
  if (Lost()) {
    grab_ = nullptr;
    return;
  }
  Display* d = x_->dpy();
  Surface* s = Find(wnd);
  if (!s) {
    if (grab_) XUngrabPointer(d, CurrentTime);
    grab_ = nullptr;
    XFlush(d);
    return;
  }
  grab_ = wnd;
  const ::Window window = s->xid();
  const unsigned long cursor = CursorFor(s->cursor);
  GrabWithRetries([&] {
    return XGrabPointer(d, window, True,
                        ButtonPressMask | ButtonReleaseMask | PointerMotionMask | EnterWindowMask | LeaveWindowMask,
                        GrabModeAsync, GrabModeAsync, None, cursor, CurrentTime);
  });
  XFlush(d);
}

bool X11Backend::BeginManagedMove(HWND wnd, POINT pointer) {
  if (Lost()) return false;
  Surface* s = Find(wnd);
  Display* d = x_->dpy();
  if (!s || s->popup || !s->mapped || !WindowManagerRunning() ||
      !x11::ManagerSupports(d, x_->root, x_->atoms, x_->atoms.net_wm_moveresize)) {
    return false;
  }
  // A button released already would never end the manager's move.
  if (!(QueryPointer(d, x_->root).mask & Button1Mask)) return false;
  // The manager takes the pointer: ours (the capture's, and the press's own)
  // goes first.
  XUngrabPointer(d, CurrentTime);
  // A manager that grabs the pointer with the time of the last event it
  // read (xfwm4) would be refused as earlier than our grab: a property
  // change of the window tells it the present time first.
  XChangeProperty(d, s->xid(), x_->atoms.timestamp, XA_STRING, 8, PropModeAppend, nullptr, 0);
  x11::RequestMove(d, x_->root, s->xid(), x_->atoms, x_->ToDevice(pointer), Button1);
  XFlush(d);
  managed_move_ = wnd;
  return true;
}

void X11Backend::CheckManagedMove() {
  if (!managed_move_ || Lost()) return;
  const PointerState pointer = QueryPointer(x_->dpy(), x_->root);
  if (pointer.mask & Button1Mask) return;
  // The places the manager reported before the release come first.
  DispatchQueued();
  if (!managed_move_) return;  // a release of our own came with them
  Surface* s = Find(managed_move_);
  managed_move_ = nullptr;
  if (!s) return;
  RawEvent up = PointerEvent(RawEventKind::ButtonUp, s->xid(), pointer.at.x, pointer.at.y, pointer.mask);
  up.button = MouseButton::Left;
  Deliver(std::move(up));
}

void X11Backend::GrabKeyboard(HWND wnd) {
  if (Lost()) {
    keyboard_grab_ = nullptr;
    return;
  }
  Display* d = x_->dpy();
  Surface* s = Find(wnd);
  if (!s) {
    if (keyboard_grab_) XUngrabKeyboard(d, CurrentTime);
    keyboard_grab_ = nullptr;
    XFlush(d);
    return;
  }
  keyboard_grab_ = wnd;
  const ::Window window = s->xid();
  GrabWithRetries([&] { return XGrabKeyboard(d, window, True, GrabModeAsync, GrabModeAsync, CurrentTime); });
  XFlush(d);
}

std::unique_ptr<TrayHost> X11Backend::OpenTray(const TrayHostContext& host) {
  if (Lost() || tray_) return nullptr;  // no notification area without a display; one tray a display
  x11::TrayContext context;
  context.display = x_->dpy();
  context.screen = x_->screen;
  context.root = x_->root;
  context.deliver = [this](RawEvent event) {
    event.pt = x_->ToLogical(event.pt);
    Deliver(std::move(event));
  };
  context.scale = x_->scale;
  context.user_input = [this](Time time) { x_->last_user_time = time; };
  context.closed = [this] { tray_ = nullptr; };
  context.looks = host.looks;
  context.notifier = host.notifier;
  auto tray = std::make_unique<x11::Tray>(std::move(context));
  tray_ = tray.get();
  return tray;
}

// --- time and the desktop ----------------------------------------------------------------

void X11Backend::Wake() {
  std::uint64_t one = 1;
  ssize_t ignored = ::write(x_->wake.Get(), &one, sizeof one);
  (void)ignored;
}

DWORD X11Backend::TickCount() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  auto ms = static_cast<std::uint64_t>(now.tv_sec) * 1000u + static_cast<std::uint64_t>(now.tv_nsec) / 1000000u;
  return static_cast<DWORD>(ms);
}

void X11Backend::Sleep(DWORD ms) {
  timespec left{static_cast<time_t>(ms / 1000), static_cast<long>(ms % 1000) * 1000000L};
  while (nanosleep(&left, &left) != 0 && errno == EINTR) {
  }
}

RECT X11Backend::WorkArea() {
  RECT area;
  if (!Lost() && x11::ReadWorkArea(x_->dpy(), x_->root, x_->atoms, &area)) return x_->ToLogical(area);
  SIZE screen = ScreenSize();
  return RECT{0, 0, screen.cx, screen.cy};
}

std::vector<RECT> X11Backend::Monitors() {
  if (Lost()) return {};
  std::vector<RECT> monitors = x11::ReadMonitors(x_->dpy(), x_->root);
  for (RECT& m : monitors) m = x_->ToLogical(m);
  return monitors;
}

int X11Backend::Scale() const { return x_->scale; }

SIZE X11Backend::ScreenSize() {
  return SIZE{x_->ToLogical(DisplayWidth(x_->dpy(), x_->screen)), x_->ToLogical(DisplayHeight(x_->dpy(), x_->screen))};
}

POINT X11Backend::PointerPosition() {
  if (Lost()) return POINT{};
  return x_->ToLogical(QueryPointer(x_->dpy(), x_->root).at);
}

}  // namespace varnika
