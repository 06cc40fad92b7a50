#include "tests/app_x11/Screen.h"

#include <cairo.h>

#include <algorithm>
#include <cstdlib>

#include "tests/platform_x11/TestDesktop.h"

// Last: Xlib's macros would trip the headers above.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

namespace varnika::e2e {

namespace {

Display* D(void* p) { return static_cast<Display*>(p); }

int IgnoreErrors(Display*, XErrorEvent*) { return 0; }

std::string ClassOf(Display* d, Window w) {
  XClassHint hint{};
  if (!XGetClassHint(d, w, &hint)) return {};
  std::string name = hint.res_class ? hint.res_class : "";
  if (hint.res_name) XFree(hint.res_name);
  if (hint.res_class) XFree(hint.res_class);
  return name;
}

std::vector<Window> Children(Display* d, Window w) {
  Window root = 0, parent = 0, *children = nullptr;
  unsigned count = 0;
  if (!XQueryTree(d, w, &root, &parent, &children, &count)) return {};
  std::vector<Window> out(children, children + count);
  if (children) XFree(children);
  return out;
}

void Find(Display* d, Window w, const std::string& wm_class, std::vector<unsigned long>* found) {
  for (Window child : Children(d, w)) {
    if (ClassOf(d, child) == wm_class) found->push_back(child);
    Find(d, child, wm_class, found);
  }
}

}  // namespace

Screen& Screen::Get() {
  static Screen screen;
  return screen;
}

Screen::Screen() {
  display_ = XOpenDisplay(xtest::TestDisplayName().c_str());
  if (!display_) std::abort();
  XSetErrorHandler(IgnoreErrors);
}

Pixels Screen::Grab(int x, int y, int width, int height) {
  Display* d = D(display_);
  Pixels out;
  out.left = x;
  out.top = y;
  out.width = width;
  out.height = height;
  out.rgb.assign(static_cast<size_t>(width) * height, kOffScreen);
  // Only the part on the screen can be read.
  const int left = std::max(x, 0);
  const int top = std::max(y, 0);
  const int right = std::min(x + width, DisplayWidth(d, DefaultScreen(d)));
  const int bottom = std::min(y + height, DisplayHeight(d, DefaultScreen(d)));
  if (right <= left || bottom <= top) return out;
  XImage* image = XGetImage(d, DefaultRootWindow(d), left, top, static_cast<unsigned>(right - left),
                            static_cast<unsigned>(bottom - top), AllPlanes, ZPixmap);
  if (!image) return out;
  for (int row = 0; row < bottom - top; ++row) {
    for (int col = 0; col < right - left; ++col) {
      unsigned long pixel = image->bits_per_pixel == 32
                                ? reinterpret_cast<const std::uint32_t*>(image->data + row * image->bytes_per_line)[col]
                                : XGetPixel(image, col, row);
      out.rgb[static_cast<size_t>(row + top - y) * width + (col + left - x)] = static_cast<std::uint32_t>(pixel & 0xFFFFFF);
    }
  }
  XDestroyImage(image);
  return out;
}

std::vector<unsigned long> Screen::Clients(const char* wm_class) {
  Display* d = D(display_);
  std::vector<unsigned long> found;
  Find(d, DefaultRootWindow(d), wm_class, &found);
  return found;
}

std::vector<unsigned long> Screen::Popups() {
  Display* d = D(display_);
  std::vector<unsigned long> out;
  for (Window w : Children(d, DefaultRootWindow(d))) {
    XWindowAttributes attrs;
    if (XGetWindowAttributes(d, w, &attrs) && attrs.override_redirect && attrs.map_state == IsViewable &&
        attrs.width > 1 && attrs.height > 1)
      out.push_back(w);
  }
  return out;
}

bool Screen::Box(unsigned long window, WindowBox* box) {
  Display* d = D(display_);
  XWindowAttributes attrs;
  if (!window || !XGetWindowAttributes(d, window, &attrs)) return false;
  Window child = 0;
  XTranslateCoordinates(d, window, DefaultRootWindow(d), 0, 0, &box->x, &box->y, &child);
  box->width = attrs.width;
  box->height = attrs.height;
  return true;
}

bool Screen::Viewable(unsigned long window) {
  XWindowAttributes attrs;
  return window && XGetWindowAttributes(D(display_), window, &attrs) && attrs.map_state == IsViewable;
}

void Screen::RequestActivation(unsigned long window) {
  Display* d = D(display_);
  XEvent event{};
  event.xclient.type = ClientMessage;
  event.xclient.window = window;
  event.xclient.message_type = XInternAtom(d, "_NET_ACTIVE_WINDOW", False);
  event.xclient.format = 32;
  event.xclient.data.l[0] = 2;  // from a pager: never refused as focus stealing
  event.xclient.data.l[1] = CurrentTime;
  XSendEvent(d, DefaultRootWindow(d), False, SubstructureRedirectMask | SubstructureNotifyMask, &event);
  XSync(d, False);
}

void Screen::PaintDesk(std::uint32_t rgb) {
  Display* d = D(display_);
  const Window root = DefaultRootWindow(d);
  XSetWindowBackground(d, root, rgb);
  XClearWindow(d, root);
  if (!tile_) tile_ = XCreatePixmap(d, root, 8, 8, static_cast<unsigned>(DefaultDepth(d, DefaultScreen(d))));
  GC gc = XCreateGC(d, tile_, 0, nullptr);
  XSetForeground(d, gc, rgb);
  XFillRectangle(d, tile_, gc, 0, 0, 8, 8);
  XFreeGC(d, gc);
  Pixmap tile = tile_;
  XChangeProperty(d, root, XInternAtom(d, "_XROOTPMAP_ID", False), XA_PIXMAP, 32, PropModeReplace,
                  reinterpret_cast<unsigned char*>(&tile), 1);
  XSync(d, False);
}

void Screen::ClearDesk() {
  Display* d = D(display_);
  XDeleteProperty(d, DefaultRootWindow(d), XInternAtom(d, "_XROOTPMAP_ID", False));
  XSync(d, False);
}

bool Screen::SavePng(const Pixels& pixels, const std::string& path) {
  if (pixels.Empty()) return false;
  cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_RGB24, pixels.width, pixels.height);
  unsigned char* data = cairo_image_surface_get_data(surface);
  const int stride = cairo_image_surface_get_stride(surface);
  cairo_surface_flush(surface);
  for (int y = 0; y < pixels.height; ++y) {
    auto* row = reinterpret_cast<std::uint32_t*>(data + y * stride);
    for (int x = 0; x < pixels.width; ++x) row[x] = pixels.At(x, y);
  }
  cairo_surface_mark_dirty(surface);
  const bool ok = cairo_surface_write_to_png(surface, path.c_str()) == CAIRO_STATUS_SUCCESS;
  cairo_surface_destroy(surface);
  return ok;
}

bool Near(std::uint32_t a, std::uint32_t b, int tolerance) {
  for (int shift = 0; shift < 24; shift += 8) {
    const int ca = static_cast<int>((a >> shift) & 0xFF);
    const int cb = static_cast<int>((b >> shift) & 0xFF);
    if (std::abs(ca - cb) > tolerance) return false;
  }
  return true;
}

}  // namespace varnika::e2e
