// Reading map. Icon pictures and the Tip window at the top; then the tray
// manager (finding it, its selection and visual), icons (docking, drawing,
// ShowIcon/RemoveIcon, balloons through the notifier), events from the
// backend's loop (Handle: start here; pointer input becomes TrayInput), and
// the tip's timing.
#include "platform/x11/X11Tray.h"

#include <X11/Xatom.h>
#include <cairo-xlib.h>
#include <pango/pangocairo.h>
#include <time.h>

#include <algorithm>
#include <string>

#include "base/Utf.h"
#include "platform/CairoOwners.h"
#include "platform/IconSurface.h"
#include "platform/Gdi.h"
#include "platform/x11/X11Keys.h"
#include "platform/x11/XErrors.h"

namespace varnika::x11 {

namespace {

constexpr int kMinIconSize = 16;
constexpr int kStartIconSize = 22;
constexpr unsigned long kTipDelayMs = 500;
constexpr int kTipPadding = 4;
constexpr int kTipMaxWidth = 300;
constexpr int kTipOffsetY = 20;
constexpr long kRequestDock = 0;  // SYSTEM_TRAY_REQUEST_DOCK
constexpr long kXembedMapped = 1;  // XEMBED_MAPPED

unsigned long NowMs() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<unsigned long>(now.tv_sec) * 1000ul + static_cast<unsigned long>(now.tv_nsec) / 1000000ul;
}

using SurfacePtr = CairoSurfacePtr;
using ContextPtr = CairoContextPtr;

void SetColor(cairo_t* cr, COLORREF c) {
  cairo_set_source_rgb(cr, GetRValue(c) / 255.0, GetGValue(c) / 255.0, GetBValue(c) / 255.0);
}

}  // namespace

struct Tray::Icon {
  TrayIconState state;
  SurfacePtr image;
  ::Window window = 0;  // 0: not docked
  Visual* visual = nullptr;
  Colormap colormap = 0;  // ours, for an ARGB visual
  bool argb = false;
  int width = kStartIconSize;
  int height = kStartIconSize;
};

// The small window that shows an icon's tip while the pointer rests on it.
class Tray::Tip {
 public:
  Tip(const TrayContext& x, std::u16string text, int pointer_x, int pointer_y) : x_(x), text_(std::move(text)) {
    description_.reset(pango_font_description_new());
    pango_font_description_set_family(description_.get(), Utf16ToUtf8(x_.looks.font_face).c_str());
    pango_font_description_set_absolute_size(description_.get(), x_.looks.font_pixels * PANGO_SCALE);
    int text_width = 0;
    int text_height = 0;
    Measure(&text_width, &text_height);
    // Laid out in logical pixels; the window and its picture take scale
    // device pixels for each.
    logical_width_ = text_width + 2 * kTipPadding;
    logical_height_ = text_height + 2 * kTipPadding;
    width_ = logical_width_ * x_.scale;
    height_ = logical_height_ * x_.scale;
    const int screen_width = DisplayWidth(x_.display, x_.screen);
    const int screen_height = DisplayHeight(x_.display, x_.screen);
    int left = std::clamp(pointer_x, 0, std::max(screen_width - width_, 0));
    int top = pointer_y + kTipOffsetY * x_.scale;
    if (top + height_ > screen_height) top = std::max(pointer_y - height_ - kTipPadding * x_.scale, 0);
    XSetWindowAttributes attrs{};
    attrs.override_redirect = True;
    attrs.background_pixmap = None;
    attrs.event_mask = ExposureMask;
    window_ = XCreateWindow(x_.display, x_.root, left, top, static_cast<unsigned>(width_),
                            static_cast<unsigned>(height_), 0, CopyFromParent, InputOutput, CopyFromParent,
                            CWOverrideRedirect | CWBackPixmap | CWEventMask, &attrs);
    Atom type = XInternAtom(x_.display, "_NET_WM_WINDOW_TYPE", False);
    Atom tooltip = XInternAtom(x_.display, "_NET_WM_WINDOW_TYPE_TOOLTIP", False);
    XChangeProperty(x_.display, window_, type, XA_ATOM, 32, PropModeReplace, reinterpret_cast<unsigned char*>(&tooltip),
                    1);
    XMapRaised(x_.display, window_);
    XFlush(x_.display);
  }

  ~Tip() {
    if (!DisplayLost(x_.display)) {  // a lost display gets no further calls
      XDestroyWindow(x_.display, window_);
      XFlush(x_.display);
    }
  }

  Tip(const Tip&) = delete;
  Tip& operator=(const Tip&) = delete;

  ::Window Window() const { return window_; }

  // The tip is drawn in memory and then put on the window whole: text drawn
  // straight onto an X surface would leave glyph caches tied to the display.
  void Draw() {
    SurfacePtr picture(cairo_image_surface_create(CAIRO_FORMAT_RGB24, width_, height_));
    cairo_surface_set_device_scale(picture.get(), x_.scale, x_.scale);
    {
      ContextPtr cr(cairo_create(picture.get()));
      const COLORREF back = x_.looks.back;
      const COLORREF fore = x_.looks.text;
      const COLORREF frame = x_.looks.frame;
      SetColor(cr.get(), back);
      cairo_paint(cr.get());
      SetColor(cr.get(), frame);
      cairo_set_line_width(cr.get(), 1);
      cairo_rectangle(cr.get(), 0.5, 0.5, logical_width_ - 1, logical_height_ - 1);
      cairo_stroke(cr.get());
      PangoLayoutPtr layout = Layout(cr.get());
      SetColor(cr.get(), fore);
      cairo_move_to(cr.get(), kTipPadding, kTipPadding);
      pango_cairo_show_layout(cr.get(), layout.get());
    }
    Visual* visual = DefaultVisual(x_.display, x_.screen);
    SurfacePtr surface(cairo_xlib_surface_create(x_.display, window_, visual, width_, height_));
    cairo_surface_set_device_scale(surface.get(), x_.scale, x_.scale);  // the picture's, so it goes over 1:1
    ContextPtr cr(cairo_create(surface.get()));
    cairo_set_source_surface(cr.get(), picture.get(), 0, 0);
    cairo_paint(cr.get());
    cr.reset();
    cairo_surface_flush(surface.get());
    XFlush(x_.display);
  }

 private:
  PangoLayoutPtr Layout(cairo_t* cr) const {
    PangoLayoutPtr layout(pango_cairo_create_layout(cr));
    pango_layout_set_font_description(layout.get(), description_.get());
    pango_layout_set_width(layout.get(), kTipMaxWidth * PANGO_SCALE);
    pango_layout_set_wrap(layout.get(), PANGO_WRAP_WORD_CHAR);
    const std::string utf8 = Utf16ToUtf8(text_);
    pango_layout_set_text(layout.get(), utf8.data(), static_cast<int>(utf8.size()));
    return layout;
  }

  void Measure(int* width, int* height) const {
    SurfacePtr scratch(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 1, 1));
    ContextPtr cr(cairo_create(scratch.get()));
    pango_layout_get_pixel_size(Layout(cr.get()).get(), width, height);
  }

  const TrayContext& x_;
  std::u16string text_;
  PangoFontDescriptionPtr description_;
  ::Window window_ = 0;
  int logical_width_ = 1;
  int logical_height_ = 1;
  int width_ = 1;  // device pixels
  int height_ = 1;
};

Tray::Tray(TrayContext context) : x_(std::move(context)) {
  Display* d = x_.display;
  const std::string selection = "_NET_SYSTEM_TRAY_S" + std::to_string(x_.screen);
  selection_ = XInternAtom(d, selection.c_str(), False);
  manager_atom_ = XInternAtom(d, "MANAGER", False);
  opcode_ = XInternAtom(d, "_NET_SYSTEM_TRAY_OPCODE", False);
  visual_atom_ = XInternAtom(d, "_NET_SYSTEM_TRAY_VISUAL", False);
  xembed_info_ = XInternAtom(d, "_XEMBED_INFO", False);
  // A new manager announces itself with a MANAGER client message to the root.
  XWindowAttributes root{};
  XGetWindowAttributes(d, x_.root, &root);
  XSelectInput(d, x_.root, root.your_event_mask | StructureNotifyMask);
  FindManager();
}

Tray::~Tray() {
  if (x_.closed) x_.closed();
  if (DisplayLost(x_.display)) return;  // the windows went with the server: no further calls
  tip_.reset();
  for (auto& icon : icons_) Undock(*icon);
  XFlush(x_.display);
}

Tray::Icon* Tray::Find(HWND owner, UINT id) const {
  for (const auto& icon : icons_) {
    if (icon->state.owner == owner && icon->state.id == id) return icon.get();
  }
  return nullptr;
}

Tray::Icon* Tray::FindWindow(::Window window) const {
  if (!window) return nullptr;
  for (const auto& icon : icons_) {
    if (icon->window == window) return icon.get();
  }
  return nullptr;
}

::Window Tray::IconWindow(HWND owner, UINT id) const {
  Icon* icon = Find(owner, id);
  return icon ? icon->window : 0;
}

::Window Tray::TipWindow() const { return tip_ ? tip_->Window() : 0; }

// --- the manager --------------------------------------------------------------------------

void Tray::FindManager() {
  Display* d = x_.display;
  // The owner must not change between the question and the interest in its end.
  XGrabServer(d);
  manager_ = XGetSelectionOwner(d, selection_);
  if (manager_) XSelectInput(d, manager_, StructureNotifyMask);
  XUngrabServer(d);
  manager_visual_ = 0;
  if (manager_) {
    Atom type = 0;
    int format = 0;
    unsigned long count = 0;
    unsigned long after = 0;
    unsigned char* data = nullptr;
    if (XGetWindowProperty(d, manager_, visual_atom_, 0, 1, False, XA_VISUALID, &type, &format, &count, &after,
                           &data) == Success &&
        data && format == 32 && count == 1) {
      manager_visual_ = static_cast<VisualID>(*reinterpret_cast<unsigned long*>(data));
    }
    if (data) XFree(data);
  }
  XFlush(d);
  if (!manager_) return;
  for (auto& icon : icons_) Dock(*icon);
}

void Tray::ManagerGone() {
  manager_ = 0;
  EndHover();
  // Windows the manager kept in its save-set come back to the root; ours go.
  for (auto& icon : icons_) Undock(*icon);
  FindManager();
}

// --- icons -----------------------------------------------------------------------------------

void Tray::Dock(Icon& icon) {
  if (!manager_ || icon.window) return;
  Display* d = x_.display;
  icon.visual = DefaultVisual(d, x_.screen);
  int depth = DefaultDepth(d, x_.screen);
  icon.argb = false;
  if (manager_visual_) {
    XVisualInfo templ{};
    templ.visualid = manager_visual_;
    int count = 0;
    XVisualInfo* found = XGetVisualInfo(d, VisualIDMask, &templ, &count);
    if (found && count > 0 && found[0].depth == 32) {
      icon.visual = found[0].visual;
      depth = 32;
      icon.argb = true;
    }
    if (found) XFree(found);
  }
  XSetWindowAttributes attrs{};
  unsigned long mask = CWEventMask | CWBorderPixel;
  attrs.border_pixel = 0;
  attrs.event_mask = ExposureMask | StructureNotifyMask | ButtonPressMask | ButtonReleaseMask | PointerMotionMask |
                     EnterWindowMask | LeaveWindowMask;
  if (icon.argb) {
    icon.colormap = XCreateColormap(d, x_.root, icon.visual, AllocNone);
    attrs.colormap = icon.colormap;
    attrs.background_pixel = 0;
    mask |= CWColormap | CWBackPixel;
  } else {
    attrs.background_pixmap = ParentRelative;
    mask |= CWBackPixmap;
  }
  // The tray sizes its icons in device pixels; ours asks for the logical
  // sizes scaled.
  const int start = kStartIconSize * x_.scale;
  icon.width = icon.height = start;
  icon.window = XCreateWindow(d, x_.root, 0, 0, static_cast<unsigned>(start), static_cast<unsigned>(start), 0, depth,
                              InputOutput, icon.visual, mask, &attrs);
  XSizeHints hints{};
  hints.flags = PMinSize | PBaseSize;
  hints.min_width = hints.min_height = kMinIconSize * x_.scale;
  hints.base_width = hints.base_height = start;
  XSetWMNormalHints(d, icon.window, &hints);
  XClassHint class_hint{const_cast<char*>("varnika-tray"), const_cast<char*>("VarnikaTray")};
  XSetClassHint(d, icon.window, &class_hint);
  const long info[2] = {0, kXembedMapped};  // XEmbed version 0, map me
  XChangeProperty(d, icon.window, xembed_info_, xembed_info_, 32, PropModeReplace,
                  reinterpret_cast<const unsigned char*>(info), 2);
  XEvent request{};
  request.xclient.type = ClientMessage;
  request.xclient.window = manager_;
  request.xclient.message_type = opcode_;
  request.xclient.format = 32;
  request.xclient.data.l[0] = CurrentTime;
  request.xclient.data.l[1] = kRequestDock;
  request.xclient.data.l[2] = static_cast<long>(icon.window);
  XSendEvent(d, manager_, False, NoEventMask, &request);
  XFlush(d);
}

void Tray::Undock(Icon& icon) {
  if (hover_ == &icon) EndHover();
  Display* d = x_.display;
  if (icon.window) XDestroyWindow(d, icon.window);
  if (icon.colormap) XFreeColormap(d, icon.colormap);
  icon.window = 0;
  icon.colormap = 0;
  XFlush(d);
}

void Tray::Draw(Icon& icon) {
  if (!icon.window || icon.width <= 0 || icon.height <= 0) return;
  Display* d = x_.display;
  SurfacePtr surface(cairo_xlib_surface_create(d, icon.window, icon.visual, icon.width, icon.height));
  ContextPtr cr(cairo_create(surface.get()));
  if (icon.argb) {
    cairo_set_operator(cr.get(), CAIRO_OPERATOR_SOURCE);
    cairo_set_source_rgba(cr.get(), 0, 0, 0, 0);
    cairo_paint(cr.get());
    cairo_set_operator(cr.get(), CAIRO_OPERATOR_OVER);
  } else {
    XClearArea(d, icon.window, 0, 0, 0, 0, False);  // the tray's background
  }
  if (icon.image) {
    const int image_width = cairo_image_surface_get_width(icon.image.get());
    const int image_height = cairo_image_surface_get_height(icon.image.get());
    const double scale = std::min(static_cast<double>(icon.width) / image_width,
                                  static_cast<double>(icon.height) / image_height);
    cairo_translate(cr.get(), (icon.width - image_width * scale) / 2, (icon.height - image_height * scale) / 2);
    cairo_scale(cr.get(), scale, scale);
    cairo_set_source_surface(cr.get(), icon.image.get(), 0, 0);
    cairo_pattern_set_filter(cairo_get_source(cr.get()), CAIRO_FILTER_GOOD);
    cairo_paint(cr.get());
  }
  cr.reset();
  cairo_surface_flush(surface.get());
  XFlush(d);
}

void Tray::ShowIcon(const TrayIconState& state) {
  if (DisplayLost(x_.display)) return;
  Icon* icon = Find(state.owner, state.id);
  if (!icon) {
    icons_.push_back(std::make_unique<Icon>());
    icon = icons_.back().get();
  }
  const bool tip_changed = icon->state.tip != state.tip;
  icon->state = state;
  icon->image = IconSurface(state.icon);
  if (tip_changed && hover_ == icon && tip_) {
    tip_.reset();
    if (!state.tip.empty()) hover_deadline_ = NowMs();
  }
  if (icon->window)
    Draw(*icon);
  else
    Dock(*icon);
}

void Tray::RemoveIcon(HWND owner, UINT id) {
  if (DisplayLost(x_.display)) return;
  if (x_.notifier) x_.notifier->Close(owner, id);
  auto it = std::find_if(icons_.begin(), icons_.end(),
                         [&](const auto& icon) { return icon->state.owner == owner && icon->state.id == id; });
  if (it == icons_.end()) return;
  Undock(**it);
  icons_.erase(it);
}

void Tray::ShowBalloon(const TrayIconState& icon, const TrayBalloon& balloon) {
  if (DisplayLost(x_.display) || !x_.notifier) return;
  x_.notifier->Show(DesktopNotifier::Notice::ForBalloon(icon, balloon));
}

void Tray::HideBalloon(HWND owner, UINT id) {
  if (!DisplayLost(x_.display) && x_.notifier) x_.notifier->Close(owner, id);
}

// --- events ----------------------------------------------------------------------------------

bool Tray::Handle(const XEvent& event) {
  const ::Window window = event.xany.window;
  if (event.type == ClientMessage && window == x_.root && event.xclient.message_type == manager_atom_ &&
      static_cast<Atom>(event.xclient.data.l[1]) == selection_) {
    if (manager_) ManagerGone();  // a new owner took the selection over
    else FindManager();
    return true;
  }
  if (event.type == DestroyNotify && manager_ && window == manager_) {
    ManagerGone();
    return true;
  }
  if (tip_ && window == tip_->Window()) {
    if (event.type == Expose && event.xexpose.count == 0) tip_->Draw();
    return true;
  }
  if (Icon* icon = FindWindow(window)) return HandleIconEvent(*icon, event);
  return false;
}

bool Tray::HandleIconEvent(Icon& icon, const XEvent& event) {
  switch (event.type) {
    case Expose:
      if (event.xexpose.count == 0) Draw(icon);
      return true;
    case ConfigureNotify:
      if (event.xconfigure.width != icon.width || event.xconfigure.height != icon.height) {
        icon.width = event.xconfigure.width;
        icon.height = event.xconfigure.height;
        Draw(icon);
      }
      return true;
    case ReparentNotify:
      // Back on the root: the manager that held it has gone.
      if (event.xreparent.parent == x_.root) Undock(icon);
      return true;
    case DestroyNotify:
      if (hover_ == &icon) EndHover();
      icon.window = 0;  // the server took it (no save-set): nothing to destroy
      return true;
    case ButtonPress:
    case ButtonRelease: {
      const XButtonEvent& b = event.xbutton;
      const bool press = event.type == ButtonPress;
      LPARAM message = 0;
      unsigned mask = 0;
      switch (b.button) {
        case Button1: message = press ? WM_LBUTTONDOWN : WM_LBUTTONUP; mask = Button1Mask; break;
        case Button2: message = press ? WM_MBUTTONDOWN : WM_MBUTTONUP; mask = Button2Mask; break;
        case Button3: message = press ? WM_RBUTTONDOWN : WM_RBUTTONUP; mask = Button3Mask; break;
        default: return true;  // the wheel
      }
      if (x_.user_input) x_.user_input(b.time);
      tip_.reset();
      hover_deadline_ = 0;
      tip_suppressed_ = true;
      Pointer(icon, message, b.x_root, b.y_root, press ? (b.state | mask) : (b.state & ~mask));
      return true;
    }
    case MotionNotify:
      Pointer(icon, WM_MOUSEMOVE, event.xmotion.x_root, event.xmotion.y_root, event.xmotion.state);
      if (hover_ != &icon) StartHover(icon, event.xmotion.x_root, event.xmotion.y_root);
      return true;
    case EnterNotify:
      StartHover(icon, event.xcrossing.x_root, event.xcrossing.y_root);
      return true;
    case LeaveNotify:
      if (event.xcrossing.detail != NotifyInferior) EndHover();
      return true;
    default:
      return true;
  }
}

void Tray::Pointer(Icon& icon, LPARAM message, int x_root, int y_root, unsigned state) {
  if (!x_.deliver) return;
  RawEvent e;
  e.kind = RawEventKind::TrayInput;
  e.surface = icon.state.owner;
  e.wparam = icon.state.id;
  e.lparam = message;
  e.pt = POINT{x_root, y_root};
  e.has_modifiers = true;
  e.modifiers = ModifiersOf(state);
  x_.deliver(std::move(e));
}

// --- the tip --------------------------------------------------------------------------------

void Tray::StartHover(Icon& icon, int x_root, int y_root) {
  if (hover_ == &icon) return;
  tip_.reset();
  hover_ = &icon;
  tip_suppressed_ = false;
  hover_x_ = x_root;
  hover_y_ = y_root;
  hover_deadline_ = NowMs() + kTipDelayMs;
}

void Tray::EndHover() {
  hover_ = nullptr;
  hover_deadline_ = 0;
  tip_suppressed_ = false;
  tip_.reset();
}

int Tray::PollTimeout(int ms) const {
  if (!hover_deadline_) return ms;
  const unsigned long now = NowMs();
  const int left = hover_deadline_ > now ? static_cast<int>(hover_deadline_ - now) : 0;
  return ms < 0 ? left : std::min(ms, left);
}

void Tray::Tick() {
  if (!hover_deadline_ || NowMs() < hover_deadline_) return;
  hover_deadline_ = 0;
  if (!hover_ || tip_suppressed_ || hover_->state.tip.empty()) return;
  tip_ = std::make_unique<Tip>(x_, hover_->state.tip, hover_x_, hover_y_);
}

}  // namespace varnika::x11
