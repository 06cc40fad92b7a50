// Mouse watching: how a tooltip sees the mouse input of its tools without
// replacing their window procedures. The dispatcher shows each mouse message
// to the watchers of its window before the window gets it, and the input
// router tells them when the pointer moves off the window.
#include <algorithm>

#include "platform/Core.h"

namespace varnika::core {

namespace {

bool IsRelayed(UINT message) {
  return (message >= WM_MOUSEFIRST && message <= WM_MOUSELAST) || message == WM_MOUSELEAVE;
}

// The watchers of a tool, copied: a relay may change the list.
std::vector<MouseWatch> WatchersOf(HWND tool) {
  std::vector<MouseWatch> out;
  for (const MouseWatch& w : Sys().mouse_watches) {
    if (w.tool == tool) out.push_back(w);
  }
  return out;
}

void Relay(const std::vector<MouseWatch>& watches, const MSG& msg) {
  for (const MouseWatch& w : watches) {
    if (!FindQuiet(w.watcher) || !FindQuiet(msg.hwnd)) continue;
    MSG copy = msg;
    Send(w.watcher, w.relay, 0, reinterpret_cast<LPARAM>(&copy));
  }
}

MSG LeaveOf(HWND wnd) {
  auto& sys = Sys();
  return MSG{wnd, WM_MOUSELEAVE, 0, 0, sys.backend->TickCount(), sys.in.cursor, 0};
}

}  // namespace

void WatchMouse(HWND tool, HWND watcher, UINT relay) {
  if (!FindQuiet(tool) || !FindQuiet(watcher)) return;
  auto& list = Sys().mouse_watches;
  for (MouseWatch& w : list) {
    if (w.tool == tool && w.watcher == watcher) {
      w.relay = relay;
      return;
    }
  }
  list.push_back(MouseWatch{tool, watcher, relay});
}

void UnwatchMouse(HWND tool, HWND watcher) {
  std::erase_if(Sys().mouse_watches,
                [&](const MouseWatch& w) { return w.tool == tool && w.watcher == watcher; });
}

void RelayMouse(const MSG& msg) {
  if (!IsRelayed(msg.message) || Sys().mouse_watches.empty()) return;
  Relay(WatchersOf(msg.hwnd), msg);
}

void PointerLeft(HWND wnd) {
  if (!wnd || Sys().mouse_watches.empty()) return;
  Relay(WatchersOf(wnd), LeaveOf(wnd));
}

void ForgetWatches(HWND wnd, bool notify) {
  auto& list = Sys().mouse_watches;
  if (list.empty()) return;
  std::vector<MouseWatch> tools_gone = WatchersOf(wnd);
  std::erase_if(list, [&](const MouseWatch& w) { return w.tool == wnd || w.watcher == wnd; });
  if (!notify) return;
  // The window still exists while it is being destroyed: the watchers learn
  // that the pointer is no longer over it.
  MSG leave = LeaveOf(wnd);
  for (const MouseWatch& w : tools_gone) {
    if (!FindQuiet(w.watcher)) continue;
    MSG copy = leave;
    Send(w.watcher, w.relay, 0, reinterpret_cast<LPARAM>(&copy));
  }
}

}  // namespace varnika::core
