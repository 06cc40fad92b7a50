// varnika-close: asks a running widget to close, as its own close command
// does. Sends the client message that carries window message 37683 to every
// window whose WM_CLASS is "varnikaclass" on $DISPLAY.
// varnika-close --reload-feed sends 37684 instead: the widget reads its feed
// address from options.ini again and fetches the feed at once.
// Exit codes: 0 sent, 1 no display, 2 no such window, 3 unknown argument.
// Before Xlib, whose X.h defines a CursorShape macro.
#include "platform/x11/X11Backend.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

namespace {

constexpr long kCloseMessage = 37683;
constexpr long kReloadFeedMessage = 37684;
constexpr const char* kWidgetClass = "varnikaclass";

struct DisplayCloser {
  void operator()(Display* d) const { XCloseDisplay(d); }
};

bool HasWidgetClass(Display* display, Window window) {
  XClassHint hint{};
  if (!XGetClassHint(display, window, &hint)) return false;
  bool match = hint.res_class && std::strcmp(hint.res_class, kWidgetClass) == 0;
  if (hint.res_name) XFree(hint.res_name);
  if (hint.res_class) XFree(hint.res_class);
  return match;
}

// Depth first: a window manager keeps the widget's window inside its frame.
void CollectWidgets(Display* display, Window window, std::vector<Window>* found) {
  if (HasWidgetClass(display, window)) {
    found->push_back(window);
    return;
  }
  Window root = 0;
  Window parent = 0;
  Window* children = nullptr;
  unsigned count = 0;
  if (!XQueryTree(display, window, &root, &parent, &children, &count)) return;
  std::vector<Window> list(children, children + count);
  if (children) XFree(children);
  for (Window child : list) CollectWidgets(display, child, found);
}

int IgnoreErrors(Display*, XErrorEvent*) { return 0; }  // windows may vanish while we look

}  // namespace

int main(int argc, char** argv) {
  long message = kCloseMessage;
  if (argc == 2 && std::strcmp(argv[1], "--reload-feed") == 0) {
    message = kReloadFeedMessage;
  } else if (argc != 1) {
    std::fprintf(stderr, "usage: varnika-close [--reload-feed]\n");
    return 3;
  }
  std::unique_ptr<Display, DisplayCloser> display(XOpenDisplay(nullptr));
  if (!display) {
    const char* name = std::getenv("DISPLAY");
    std::fprintf(stderr, "varnika-close: cannot open display %s\n", name && *name ? name : "(DISPLAY is not set)");
    return 1;
  }
  XSetErrorHandler(IgnoreErrors);
  Display* d = display.get();
  std::vector<Window> widgets;
  CollectWidgets(d, DefaultRootWindow(d), &widgets);
  if (widgets.empty()) {
    std::fprintf(stderr, "varnika-close: no window of class %s\n", kWidgetClass);
    return 2;
  }
  Atom type = XInternAtom(d, varnika::kForeignMessageAtom, False);
  for (Window w : widgets) {
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = w;
    event.xclient.message_type = type;
    event.xclient.format = 32;
    event.xclient.data.l[0] = message;
    XSendEvent(d, w, False, NoEventMask, &event);
  }
  XSync(d, False);
  return 0;
}
