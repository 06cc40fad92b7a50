// Reading map. The one Xvfb of the test process, Desktop (a private Xvfb
// with its window manager and compositor, screenshots, XTest input, window
// queries: start here), and the window managers the tests run under.
// Child processes are in TestProcess.cpp.
#include "tests/platform_x11/TestDesktop.h"

#include <gtest/gtest.h>
#include <poll.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <thread>

// After gtest: Xlib's macros (None, Bool, Status) would trip it.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/cursorfont.h>
#include <X11/extensions/XTest.h>
#include <X11/extensions/Xfixes.h>
#include <X11/extensions/Xrandr.h>
#include <X11/extensions/shape.h>

namespace varnika::xtest {

namespace {

Display* D(void* p) { return static_cast<Display*>(p); }

int IgnoreErrors(Display*, XErrorEvent*) { return 0; }

std::string g_display_name;

// One Xvfb for the test process, with a 24-bit screen (which also offers
// the depth-32 visual that layered windows need).
class XvfbEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    server_ = StartXvfb(&g_display_name);
    ASSERT_FALSE(g_display_name.empty()) << "Xvfb did not start: " << server_.Errors();
    setenv("DISPLAY", g_display_name.c_str(), 1);

    Display* d = XOpenDisplay(g_display_name.c_str());
    ASSERT_NE(d, nullptr);
    XVisualInfo info;
    bool argb = XMatchVisualInfo(d, DefaultScreen(d), 32, TrueColor, &info);
    XCloseDisplay(d);
    ASSERT_TRUE(argb) << "the test server offers no depth-32 TrueColor visual";
  }
  void TearDown() override { server_.Stop(); }

 private:
  Process server_;
};

[[maybe_unused]] ::testing::Environment* const g_xvfb = ::testing::AddGlobalTestEnvironment(new XvfbEnvironment);

}  // namespace

const std::string& TestDisplayName() { return g_display_name; }

Process StartXvfb(std::string* display_name) {
  display_name->clear();
  int fds[2];
  if (pipe(fds) != 0) return Process();
  const std::string screen =
      std::to_string(kTestScreenWidth) + "x" + std::to_string(kTestScreenHeight) + "x24";
  Process server = Process::Start({"Xvfb", "-displayfd", std::to_string(fds[1]), "-screen", "0", screen, "-dpi",
                                   std::to_string(kTestScreenDpi), "-noreset", "-nolisten", "tcp"});
  close(fds[1]);
  std::string number;
  pollfd p{fds[0], POLLIN, 0};
  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(15);
  while (number.find('\n') == std::string::npos && std::chrono::steady_clock::now() < deadline) {
    if (poll(&p, 1, 100) <= 0) continue;
    char buffer[16];
    ssize_t n = read(fds[0], buffer, sizeof buffer);
    if (n <= 0) break;
    number.append(buffer, static_cast<size_t>(n));
  }
  close(fds[0]);
  if (number.find('\n') != std::string::npos) *display_name = ":" + number.substr(0, number.find('\n'));
  return server;
}

// --- Desktop ------------------------------------------------------------------------

Desktop& Desktop::Get() {
  static Desktop desktop;
  return desktop;
}

Desktop::Desktop() {
  display_ = XOpenDisplay(g_display_name.c_str());
  if (!display_) std::abort();
  XSetErrorHandler(IgnoreErrors);
}

void Desktop::Sync() { XSync(D(display_), False); }

void Desktop::PaintRoot(std::uint32_t rgb) {
  Display* d = D(display_);
  XSetWindowBackground(d, DefaultRootWindow(d), rgb);
  XClearWindow(d, DefaultRootWindow(d));
  Sync();
}

void Desktop::MovePointer(int x, int y) {
  XTestFakeMotionEvent(D(display_), -1, x, y, CurrentTime);
  Sync();
}

void Desktop::Press(int button) {
  XTestFakeButtonEvent(D(display_), static_cast<unsigned>(button), True, CurrentTime);
  Sync();
}

void Desktop::Release(int button) {
  XTestFakeButtonEvent(D(display_), static_cast<unsigned>(button), False, CurrentTime);
  Sync();
}

void Desktop::Click(int button) {
  Press(button);
  Release(button);
}

void Desktop::KeyDown(const char* keysym) {
  KeyCode code = XKeysymToKeycode(D(display_), XStringToKeysym(keysym));
  XTestFakeKeyEvent(D(display_), code, True, CurrentTime);
  Sync();
}

void Desktop::KeyUp(const char* keysym) {
  KeyCode code = XKeysymToKeycode(D(display_), XStringToKeysym(keysym));
  XTestFakeKeyEvent(D(display_), code, False, CurrentTime);
  Sync();
}

void Desktop::Tap(const char* keysym) {
  KeyDown(keysym);
  KeyUp(keysym);
}

std::uint32_t Desktop::ScreenPixel(int x, int y) {
  Display* d = D(display_);
  XImage* image = XGetImage(d, DefaultRootWindow(d), x, y, 1, 1, AllPlanes, ZPixmap);
  if (!image) return 0xDEADBEEF;
  auto pixel = static_cast<std::uint32_t>(XGetPixel(image, 0, 0) & 0xFFFFFF);
  XDestroyImage(image);
  return pixel;
}

Desktop::CursorImage Desktop::Cursor() {
  CursorImage c;
  XFixesCursorImage* image = XFixesGetCursorImage(D(display_));
  if (!image) return c;
  c.width = image->width;
  c.height = image->height;
  c.xhot = image->xhot;
  c.yhot = image->yhot;
  c.pixels.assign(image->pixels, image->pixels + static_cast<size_t>(image->width) * image->height);
  XFree(image);
  return c;
}

Desktop::CursorImage Desktop::FontCursorImage(unsigned shape, int x, int y) {
  Display* d = D(display_);
  XSetWindowAttributes attrs{};
  attrs.override_redirect = True;
  Window w = XCreateWindow(d, DefaultRootWindow(d), x, y, 20, 20, 0, CopyFromParent, InputOutput, CopyFromParent,
                           CWOverrideRedirect, &attrs);
  ::Cursor cursor = XCreateFontCursor(d, shape);
  XDefineCursor(d, w, cursor);
  XMapRaised(d, w);
  Sync();
  MovePointer(x + 10, y + 10);
  CursorImage image = Cursor();
  XDestroyWindow(d, w);
  XFreeCursor(d, cursor);
  Sync();
  return image;
}

namespace {

struct Property {
  Atom type = 0;
  int format = 0;
  unsigned long count = 0;
  unsigned char* data = nullptr;
  ~Property() {
    if (data) XFree(data);
  }
};

bool ReadProperty(Display* d, unsigned long window, const char* name, Property* p) {
  Window w = window ? window : DefaultRootWindow(d);
  unsigned long after = 0;
  Atom atom = XInternAtom(d, name, False);
  return XGetWindowProperty(d, w, atom, 0, 1 << 16, False, AnyPropertyType, &p->type, &p->format, &p->count, &after,
                            &p->data) == Success &&
         p->data != nullptr;
}

}  // namespace

std::vector<std::string> Desktop::AtomList(unsigned long window, const char* property) {
  Display* d = D(display_);
  std::vector<std::string> names;
  Property p;
  if (!ReadProperty(d, window, property, &p) || p.format != 32) return names;
  const auto* atoms = reinterpret_cast<const Atom*>(p.data);
  for (unsigned long i = 0; i < p.count; ++i) {
    char* name = XGetAtomName(d, atoms[i]);
    if (name) {
      names.emplace_back(name);
      XFree(name);
    }
  }
  return names;
}

std::vector<long> Desktop::Cardinals(unsigned long window, const char* property) {
  Property p;
  if (!ReadProperty(D(display_), window, property, &p) || p.format != 32) return {};
  const auto* values = reinterpret_cast<const long*>(p.data);
  return std::vector<long>(values, values + p.count);
}

unsigned long Desktop::WindowProperty(unsigned long window, const char* property) {
  std::vector<long> values = Cardinals(window, property);
  return values.empty() ? 0 : static_cast<unsigned long>(values[0]);
}

void Desktop::SetCardinals(unsigned long window, const char* property, const std::vector<long>& values) {
  Display* d = D(display_);
  Window w = window ? window : DefaultRootWindow(d);
  if (values.empty()) {
    XDeleteProperty(d, w, XInternAtom(d, property, False));
  } else {
    XChangeProperty(d, w, XInternAtom(d, property, False), XA_CARDINAL, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(values.data()), static_cast<int>(values.size()));
  }
  Sync();
}

void Desktop::SetResources(const std::string& text) {
  Display* d = D(display_);
  if (text.empty()) {
    XDeleteProperty(d, DefaultRootWindow(d), XA_RESOURCE_MANAGER);
  } else {
    XChangeProperty(d, DefaultRootWindow(d), XA_RESOURCE_MANAGER, XA_STRING, 8, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(text.data()), static_cast<int>(text.size()));
  }
  Sync();
}

void Desktop::SplitScreen(int x) {
  Display* d = D(display_);
  const Window root = DefaultRootWindow(d);
  const Atom left_name = XInternAtom(d, "VARNIKA-LEFT", False);
  const Atom right_name = XInternAtom(d, "VARNIKA-RIGHT", False);
  XRRDeleteMonitor(d, root, left_name);
  XRRDeleteMonitor(d, root, right_name);
  if (x > 0) {
    // The left monitor takes the screen's output, so the server's own
    // monitor for it goes; the right one is a monitor without outputs.
    XRRScreenResources* resources = XRRGetScreenResources(d, root);
    const int width = DisplayWidth(d, DefaultScreen(d));
    const int height = DisplayHeight(d, DefaultScreen(d));
    const auto add = [&](Atom name, int left, int w, bool primary, bool with_output) {
      XRRMonitorInfo* m = XRRAllocateMonitor(d, with_output && resources && resources->noutput > 0 ? 1 : 0);
      m->name = name;
      m->primary = primary;
      m->x = left;
      m->y = 0;
      m->width = w;
      m->height = height;
      m->mwidth = w / 4;
      m->mheight = height / 4;
      if (m->noutput > 0) m->outputs[0] = resources->outputs[0];
      XRRSetMonitor(d, root, m);
      XRRFreeMonitors(m);
    };
    add(left_name, 0, x, false, true);
    add(right_name, x, width - x, true, false);
    if (resources) XRRFreeScreenResources(resources);
  }
  Sync();
}

std::string Desktop::ClassOf(unsigned long window) {
  XClassHint hint{};
  if (!XGetClassHint(D(display_), window, &hint)) return {};
  std::string name = hint.res_class ? hint.res_class : "";
  if (hint.res_name) XFree(hint.res_name);
  if (hint.res_class) XFree(hint.res_class);
  return name;
}

std::string Desktop::Utf8Property(unsigned long window, const char* property) {
  Property p;
  if (!ReadProperty(D(display_), window, property, &p) || p.format != 8) return {};
  return std::string(reinterpret_cast<const char*>(p.data), p.count);
}

long Desktop::AtomOf(const char* name) { return static_cast<long>(XInternAtom(D(display_), name, False)); }

unsigned long Desktop::FocusWindow() {
  Window focus = 0;
  int revert = 0;
  XGetInputFocus(D(display_), &focus, &revert);
  return focus;
}

void Desktop::FocusRoot() {
  XSetInputFocus(D(display_), PointerRoot, RevertToPointerRoot, CurrentTime);
  Sync();
}

void Desktop::MoveWindow(unsigned long window, int x, int y, int width, int height) {
  XMoveResizeWindow(D(display_), window, x, y, static_cast<unsigned>(width), static_cast<unsigned>(height));
  Sync();
}

unsigned long Desktop::Reparent(unsigned long window, int x, int y) {
  Display* d = D(display_);
  XWindowAttributes attrs;
  if (!XGetWindowAttributes(d, window, &attrs)) return 0;
  Window frame = XCreateSimpleWindow(d, DefaultRootWindow(d), x, y, static_cast<unsigned>(attrs.width),
                                     static_cast<unsigned>(attrs.height), 0, 0, 0);
  XReparentWindow(d, window, frame, 0, 0);
  XMapWindow(d, frame);
  Sync();
  return frame;
}

void Desktop::DestroyWindow(unsigned long window) {
  XDestroyWindow(D(display_), window);
  Sync();
}

bool Desktop::Geometry(unsigned long window, int* x, int* y, int* width, int* height) {
  Display* d = D(display_);
  XWindowAttributes attrs;
  if (!XGetWindowAttributes(d, window, &attrs)) return false;
  Window child = 0;
  XTranslateCoordinates(d, window, DefaultRootWindow(d), 0, 0, x, y, &child);
  *width = attrs.width;
  *height = attrs.height;
  return true;
}

bool Desktop::Viewable(unsigned long window) {
  XWindowAttributes attrs;
  return XGetWindowAttributes(D(display_), window, &attrs) && attrs.map_state == IsViewable;
}

std::vector<int> Desktop::BoundingShape(unsigned long window) {
  Display* d = D(display_);
  Bool bounding = False;
  Bool clip = False;
  int bx = 0, by = 0, cx = 0, cy = 0;
  unsigned bw = 0, bh = 0, cw = 0, ch = 0;
  if (!XShapeQueryExtents(d, window, &bounding, &bx, &by, &bw, &bh, &clip, &cx, &cy, &cw, &ch) || !bounding) return {};
  int count = 0;
  int ordering = 0;
  XRectangle* rects = XShapeGetRectangles(d, window, ShapeBounding, &count, &ordering);
  std::vector<int> out;
  for (int i = 0; i < count; ++i) out.insert(out.end(), {rects[i].x, rects[i].y, rects[i].width, rects[i].height});
  if (rects) XFree(rects);
  return out;
}

bool Desktop::ManagesNewWindows(int timeout_ms) {
  Display* d = D(display_);
  auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
  // Two probes in a row must be taken in (reparented into a frame): the
  // first may be mapped while the manager still starts and be lost.
  int managed = 0;
  while (managed < 2 && std::chrono::steady_clock::now() < deadline) {
    Window probe = XCreateSimpleWindow(d, DefaultRootWindow(d), 1200, 950, 40, 40, 0, 0, 0);
    XMapWindow(d, probe);
    Sync();
    bool taken = WaitFor(
        [&] {
          Window root = 0, parent = 0, *children = nullptr;
          unsigned count = 0;
          if (!XQueryTree(d, probe, &root, &parent, &children, &count)) return false;
          if (children) XFree(children);
          return parent != root && Viewable(probe);
        },
        300);
    XDestroyWindow(d, probe);
    Sync();
    managed = taken ? managed + 1 : 0;
  }
  return managed == 2;
}

bool Desktop::HasSelectionOwner(const char* selection) {
  Display* d = D(display_);
  return XGetSelectionOwner(d, XInternAtom(d, selection, False)) != None;
}

void Desktop::SendClientMessage(unsigned long window, const char* type, long l0, long l1, long l2) {
  Display* d = D(display_);
  XEvent event{};
  event.xclient.type = ClientMessage;
  event.xclient.window = window;
  event.xclient.message_type = XInternAtom(d, type, False);
  event.xclient.format = 32;
  event.xclient.data.l[0] = l0;
  event.xclient.data.l[1] = l1;
  event.xclient.data.l[2] = l2;
  if (window == 0) {
    // A request to the window manager.
    event.xclient.window = DefaultRootWindow(d);
    XSendEvent(d, DefaultRootWindow(d), False, SubstructureRedirectMask | SubstructureNotifyMask, &event);
  } else {
    XSendEvent(d, window, False, NoEventMask, &event);
  }
  Sync();
}

// --- managers -------------------------------------------------------------------------

WindowManager::WindowManager() {
  Desktop& desktop = Desktop::Get();
  process_ = Process::Start({"openbox", "--sm-disable"});
  bool up = WaitFor([&] { return desktop.WindowProperty(0, "_NET_SUPPORTING_WM_CHECK") != 0; }, 10000);
  // openbox names itself before it has finished starting, and a window
  // mapped meanwhile may be lost.
  up = up && desktop.ManagesNewWindows(10000);
  if (!up) ADD_FAILURE() << "openbox did not start: " << process_.Errors();
}

WindowManager::~WindowManager() {
  process_.Stop();
  // What it leaves on the root would make the next test see a manager.
  Desktop& desktop = Desktop::Get();
  for (const char* name : {"_NET_SUPPORTING_WM_CHECK", "_NET_WORKAREA", "_NET_ACTIVE_WINDOW", "_NET_SUPPORTED",
                           "_NET_CURRENT_DESKTOP"}) {
    desktop.SetCardinals(0, name, {});
  }
}

Compositor::Compositor() {
  Desktop& desktop = Desktop::Get();
  process_ = Process::Start({"xcompmgr"});
  bool up = WaitFor([&] { return desktop.HasSelectionOwner("_NET_WM_CM_S0"); }, 10000);
  if (!up) ADD_FAILURE() << "xcompmgr did not start: " << process_.Errors();
}

Compositor::~Compositor() {
  process_.Stop();
  WaitFor([] { return !Desktop::Get().HasSelectionOwner("_NET_WM_CM_S0"); }, 3000);
}

}  // namespace varnika::xtest
