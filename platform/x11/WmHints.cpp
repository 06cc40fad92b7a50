#include "platform/x11/WmHints.h"

#include <X11/Xatom.h>
#include <X11/extensions/Xrandr.h>
#include <X11/Xutil.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <memory>
#include <vector>

#include "platform/x11/XHandles.h"

namespace varnika::x11 {

namespace {

constexpr long kNetWmStateRemove = 0;
constexpr long kNetWmStateAdd = 1;
constexpr long kSourceApplication = 1;

void SetCardinals(Display* display, ::Window window, Atom property, const std::vector<long>& values) {
  XChangeProperty(display, window, property, XA_CARDINAL, 32, PropModeReplace,
                  reinterpret_cast<const unsigned char*>(values.data()), static_cast<int>(values.size()));
}

void SendToRoot(Display* display, ::Window root, ::Window window, Atom type, const long (&data)[5]) {
  XEvent event{};
  event.xclient.type = ClientMessage;
  event.xclient.window = window;
  event.xclient.message_type = type;
  event.xclient.format = 32;
  for (int i = 0; i < 5; ++i) event.xclient.data.l[i] = data[i];
  XSendEvent(display, root, False, SubstructureRedirectMask | SubstructureNotifyMask, &event);
}

// A 32-bit property of one window-typed value, or 0.
::Window ReadWindowProperty(Display* display, ::Window window, Atom property) {
  Atom type = 0;
  int format = 0;
  unsigned long count = 0;
  unsigned long after = 0;
  unsigned char* raw = nullptr;
  if (XGetWindowProperty(display, window, property, 0, 1, False, XA_WINDOW, &type, &format, &count, &after, &raw) !=
      Success) {
    return 0;
  }
  XMemory<unsigned char> data(raw);
  if (type != XA_WINDOW || format != 32 || count != 1) return 0;
  return static_cast<::Window>(reinterpret_cast<const long*>(data.get())[0]);
}

// A 32-bit CARDINAL property of one value; false when there is none.
bool ReadCardinal(Display* display, ::Window window, Atom property, long* value) {
  Atom type = 0;
  int format = 0;
  unsigned long count = 0;
  unsigned long after = 0;
  unsigned char* raw = nullptr;
  if (XGetWindowProperty(display, window, property, 0, 1, False, XA_CARDINAL, &type, &format, &count, &after,
                         &raw) != Success) {
    return false;
  }
  XMemory<unsigned char> data(raw);
  if (type != XA_CARDINAL || format != 32 || count != 1) return false;
  *value = reinterpret_cast<const long*>(data.get())[0];
  return true;
}

constexpr long kAllDesktops = 0xFFFFFFFF;

}  // namespace

void SetIdentity(Display* display, ::Window window, const Atoms& atoms, const std::string& class_name) {
  std::string name = class_name.empty() ? std::string("varnika") : class_name;
  XClassHint class_hint;
  class_hint.res_name = name.data();
  class_hint.res_class = name.data();
  XSetClassHint(display, window, &class_hint);

  char host[HOST_NAME_MAX + 1] = {};
  if (gethostname(host, sizeof host - 1) == 0) {
    XChangeProperty(display, window, XA_WM_CLIENT_MACHINE, XA_STRING, 8, PropModeReplace,
                    reinterpret_cast<unsigned char*>(host), static_cast<int>(std::string(host).size()));
  }
  SetCardinals(display, window, atoms.net_wm_pid, {static_cast<long>(getpid())});

  Atom protocols[] = {atoms.wm_delete_window, atoms.net_wm_ping};
  XSetWMProtocols(display, window, protocols, 2);

  XWMHints hints{};
  hints.flags = InputHint | StateHint;
  hints.input = True;
  hints.initial_state = NormalState;
  XSetWMHints(display, window, &hints);

  // flags: decorations; decorations: none.
  long motif[5] = {2, 0, 0, 0, 0};
  XChangeProperty(display, window, atoms.motif_wm_hints, atoms.motif_wm_hints, 32, PropModeReplace,
                  reinterpret_cast<unsigned char*>(motif), 5);
}

void SetPositionHints(Display* display, ::Window window, const RECT& rect) {
  XSizeHints hints{};
  hints.flags = USPosition | PPosition | USSize | PSize | PWinGravity;
  hints.x = rect.left;
  hints.y = rect.top;
  hints.width = rect.right - rect.left;
  hints.height = rect.bottom - rect.top;
  hints.win_gravity = NorthWestGravity;
  XSetWMNormalHints(display, window, &hints);
}

void SetTitle(Display* display, ::Window window, const Atoms& atoms, const std::string& utf8) {
  auto bytes = reinterpret_cast<const unsigned char*>(utf8.data());
  int length = static_cast<int>(utf8.size());
  XChangeProperty(display, window, atoms.net_wm_name, atoms.utf8_string, 8, PropModeReplace, bytes, length);
  XChangeProperty(display, window, XA_WM_NAME, atoms.utf8_string, 8, PropModeReplace, bytes, length);
}

void SetTransientFor(Display* display, ::Window window, ::Window owner) {
  if (owner) XSetTransientForHint(display, window, owner);
}

void SetWindowType(Display* display, ::Window window, const Atoms& atoms, Atom type) {
  XChangeProperty(display, window, atoms.net_wm_window_type, XA_ATOM, 32, PropModeReplace,
                  reinterpret_cast<unsigned char*>(&type), 1);
}

void WriteState(Display* display, ::Window window, const Atoms& atoms, WmState state) {
  std::vector<Atom> entries;
  if (state.above) entries.push_back(atoms.net_wm_state_above);
  if (state.tool) {
    entries.push_back(atoms.net_wm_state_skip_taskbar);
    entries.push_back(atoms.net_wm_state_skip_pager);
    entries.push_back(atoms.net_wm_state_sticky);
  }
  XChangeProperty(display, window, atoms.net_wm_state, XA_ATOM, 32, PropModeReplace,
                  reinterpret_cast<unsigned char*>(entries.data()), static_cast<int>(entries.size()));
}

void RequestState(Display* display, ::Window root, ::Window window, const Atoms& atoms, Atom entry, bool on,
                  Atom second_entry) {
  const long data[5] = {on ? kNetWmStateAdd : kNetWmStateRemove, static_cast<long>(entry),
                        static_cast<long>(second_entry), kSourceApplication, 0};
  SendToRoot(display, root, window, atoms.net_wm_state, data);
}

void WriteDesktop(Display* display, ::Window window, const Atoms& atoms, bool all_desktops) {
  if (all_desktops) {
    SetCardinals(display, window, atoms.net_wm_desktop, {kAllDesktops});
  } else {
    XDeleteProperty(display, window, atoms.net_wm_desktop);
  }
}

void RequestDesktop(Display* display, ::Window root, ::Window window, const Atoms& atoms, bool all_desktops) {
  long desktop = 0;
  if (all_desktops) {
    desktop = kAllDesktops;
  } else {
    ReadCardinal(display, root, atoms.net_current_desktop, &desktop);
  }
  const long data[5] = {desktop, kSourceApplication, 0, 0, 0};
  SendToRoot(display, root, window, atoms.net_wm_desktop, data);
}

void RequestMove(Display* display, ::Window root, ::Window window, const Atoms& atoms, POINT pointer,
                 unsigned x_button) {
  constexpr long kMoveResizeMove = 8;
  const long data[5] = {pointer.x, pointer.y, kMoveResizeMove, static_cast<long>(x_button), kSourceApplication};
  SendToRoot(display, root, window, atoms.net_wm_moveresize, data);
}

void RequestActivation(Display* display, ::Window root, ::Window window, const Atoms& atoms, Time time) {
  const long data[5] = {kSourceApplication, static_cast<long>(time), 0, 0, 0};
  SendToRoot(display, root, window, atoms.net_active_window, data);
}

void AnswerPing(Display* display, ::Window root, const XClientMessageEvent& ping) {
  XEvent reply{};
  reply.xclient = ping;
  reply.xclient.window = root;
  XSendEvent(display, root, False, SubstructureRedirectMask | SubstructureNotifyMask, &reply);
}

void SetIcon(Display* display, ::Window window, const Atoms& atoms, const std::uint32_t* argb, int width,
             int height) {
  if (!argb || width <= 0 || height <= 0) {
    XDeleteProperty(display, window, atoms.net_wm_icon);
    return;
  }
  // Format-32 properties travel as longs in Xlib, whatever their width.
  std::vector<long> values;
  values.reserve(2 + static_cast<size_t>(width) * static_cast<size_t>(height));
  values.push_back(width);
  values.push_back(height);
  for (int i = 0; i < width * height; ++i) values.push_back(static_cast<long>(argb[i]));
  SetCardinals(display, window, atoms.net_wm_icon, values);
}

bool WindowManagerRunning(Display* display, ::Window root, const Atoms& atoms) {
  ::Window check = ReadWindowProperty(display, root, atoms.net_supporting_wm_check);
  return check != 0 && ReadWindowProperty(display, check, atoms.net_supporting_wm_check) == check;
}

bool ManagerSupports(Display* display, ::Window root, const Atoms& atoms, Atom feature) {
  constexpr long kMaxAtoms = 1024;
  Atom type = 0;
  int format = 0;
  unsigned long count = 0;
  unsigned long after = 0;
  unsigned char* raw = nullptr;
  if (XGetWindowProperty(display, root, atoms.net_supported, 0, kMaxAtoms, False, XA_ATOM, &type, &format, &count,
                         &after, &raw) != Success) {
    return false;
  }
  XMemory<unsigned char> data(raw);
  if (type != XA_ATOM || format != 32) return false;
  const auto* list = reinterpret_cast<const Atom*>(data.get());
  return std::find(list, list + count, feature) != list + count;
}

bool ReadWorkArea(Display* display, ::Window root, const Atoms& atoms, RECT* rect) {
  long desktop = 0;
  ReadCardinal(display, root, atoms.net_current_desktop, &desktop);
  Atom type = 0;
  int format = 0;
  unsigned long count = 0;
  unsigned long after = 0;
  unsigned char* raw = nullptr;
  if (XGetWindowProperty(display, root, atoms.net_workarea, 0, 4 * 64, False, XA_CARDINAL, &type, &format, &count,
                         &after, &raw) != Success) {
    return false;
  }
  XMemory<unsigned char> data(raw);
  if (type != XA_CARDINAL || format != 32 || count < 4) return false;
  if (desktop < 0 || static_cast<unsigned long>(desktop) * 4 + 4 > count) desktop = 0;
  const long* v = reinterpret_cast<const long*>(data.get()) + desktop * 4;
  if (v[2] <= 0 || v[3] <= 0) return false;
  rect->left = static_cast<LONG>(v[0]);
  rect->top = static_cast<LONG>(v[1]);
  rect->right = static_cast<LONG>(v[0] + v[2]);
  rect->bottom = static_cast<LONG>(v[1] + v[3]);
  return true;
}

std::vector<RECT> ReadMonitors(Display* display, ::Window root) {
  int event_base = 0;
  int error_base = 0;
  int major = 0;
  int minor = 0;
  if (!XRRQueryExtension(display, &event_base, &error_base) || !XRRQueryVersion(display, &major, &minor) ||
      major * 100 + minor < 105)
    return {};
  int count = 0;
  const std::unique_ptr<XRRMonitorInfo, decltype(&XRRFreeMonitors)> monitors(
      XRRGetMonitors(display, root, True, &count), &XRRFreeMonitors);
  std::vector<RECT> rects;
  for (int i = 0; monitors && i < count; ++i) {
    const XRRMonitorInfo& m = monitors.get()[i];
    if (m.width <= 0 || m.height <= 0) continue;
    const RECT rect{m.x, m.y, m.x + m.width, m.y + m.height};
    if (m.primary) {
      rects.insert(rects.begin(), rect);
    } else {
      rects.push_back(rect);
    }
  }
  return rects;
}

}  // namespace varnika::x11
