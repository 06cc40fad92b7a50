// The X state behind X11Backend. Internal to platform/x11.
#pragma once

#include "platform/x11/XIncludes.h"

#include <array>
#include <memory>

#include "platform/x11/FramePresenter.h"
#include "platform/x11/SignalPipe.h"
#include "platform/x11/X11Atoms.h"
#include "platform/x11/X11Backend.h"
#include "platform/x11/XHandles.h"

namespace varnika {

inline constexpr size_t kCursorShapes = static_cast<size_t>(CursorShape::Hidden) + 1;

struct X11Backend::Connection {
  // Declared first, so closed last.
  x11::DisplayPtr display;
  int screen = 0;
  ::Window root = 0;
  x11::Atoms atoms;
  X11Options options;

  Visual* visual = nullptr;  // 32-bit ARGB when the server has one
  int depth = 24;
  x11::XColormapHandle own_colormap;
  Colormap colormap = 0;

  bool shape = false;
  bool xfixes = false;
  int xfixes_event_base = 0;
  bool compositing = false;
  int scale = 1;  // the desktop's, read at start: device pixels to a logical pixel
  Time last_user_time = CurrentTime;

  x11::UniqueFd wake;  // eventfd
  x11::SignalPipe signals;
  std::array<x11::XCursorHandle, kCursorShapes> cursors;

  Display* dpy() const { return display.get(); }

  // The window system speaks logical pixels, X device pixels. Logical
  // values the display reports are rounded down (a work area stays inside).
  LONG ToDevice(LONG v) const { return v * scale; }
  POINT ToDevice(POINT p) const { return POINT{ToDevice(p.x), ToDevice(p.y)}; }
  RECT ToDevice(const RECT& r) const {
    return RECT{ToDevice(r.left), ToDevice(r.top), ToDevice(r.right), ToDevice(r.bottom)};
  }
  LONG ToLogical(LONG v) const { return v >= 0 ? v / scale : -((-v + scale - 1) / scale); }
  POINT ToLogical(POINT p) const { return POINT{ToLogical(p.x), ToLogical(p.y)}; }
  RECT ToLogical(const RECT& r) const {
    return RECT{ToLogical(r.left), ToLogical(r.top), ToLogical(r.right), ToLogical(r.bottom)};
  }
};

struct X11Backend::Surface {
  HWND hwnd = nullptr;
  x11::XWindowHandle window;  // declared before the presenter, so it goes after it
  std::unique_ptr<x11::FramePresenter> presenter;
  RECT rect;                         // where the window system wants it
  bool geometry_pending = false;     // rect not yet sent to the server
  unsigned long configure_serial = 0;  // request number of the last move or resize we sent
  bool awaiting_answer = false;        // the next report answers that request (sent while mapped)
  RECT asked;                          // the place that request asked for
  RECT on_server;                      // the place last asked of, or reported by, the server
  ::Window parent = 0;               // as the events read so far tell: the root or a manager's frame
  DWORD style = 0;
  DWORD ex_style = 0;
  bool popup = false;            // override-redirect: menus and tooltips, not managed
  bool dialog = false;           // a message box: a managed dialog above its owner
  bool visible = false;          // asked to be shown
  bool mapped = false;           // the server says it is
  bool activate_on_map = false;  // activation asked for before it was mapped
  CursorShape cursor = CursorShape::Arrow;

  ::Window xid() const { return window.Get(); }
};

}  // namespace varnika
