// The window system's record of the notification-area icons, kept between
// Shell_NotifyIconW calls and handed to the tray host whole.
#include "platform/NotifyIcon.h"

#include <algorithm>
#include <cstdlib>
#include <vector>

#include "platform/Core.h"
#include "platform/Gdi.h"
#include "platform/Input.h"
#include "platform/MessageLoop.h"
#include "platform/TrayHost.h"
#include "platform/Window.h"

namespace varnika {

using core::Sys;

namespace {

constexpr int kDoubleClickDistance = 2;  // half of SM_CXDOUBLECLK either way

struct IconRecord {
  TrayIconState state;
  bool hidden = false;
  bool shown = false;  // the host shows it
  // The last press, for telling double clicks.
  LPARAM last_press = 0;
  DWORD last_press_time = 0;
  POINT last_press_pt;
  bool last_was_double = true;
};

std::vector<IconRecord>& Icons() {
  static auto* icons = new std::vector<IconRecord>;
  return *icons;
}

// The tray tips' looks: the desktop's message font and the tooltip colours.
TrayTipLooks TipLooks() {
  TrayTipLooks looks;
  const LOGFONTW font = DesktopMessageFont();
  looks.font_face = font.lfFaceName;
  looks.font_pixels = std::max<int>(-font.lfHeight, 8);
  looks.back = GetSysColor(COLOR_INFOBK);
  looks.text = GetSysColor(COLOR_INFOTEXT);
  looks.frame = GetSysColor(COLOR_WINDOWFRAME);
  return looks;
}

// The status notifier host, where the backend allows one and a session bus
// is known.
void OpenStatusTray() {
  auto& sys = Sys();
  if (!sys.backend->StatusNotifierHosts()) return;
  StatusNotifierContext context;
  context.bus_address = SessionBusAddress();
  if (context.bus_address.empty()) return;
  context.notifier = sys.notifier.get();
  context.post = [](RawEvent event) { core::PostRawEvent(std::move(event)); };
  sys.status_tray = std::make_unique<StatusNotifierTray>(std::move(context));
}

// The host that is to show the icons now: the status notifier host unless
// no watcher runs, else the backend's (opened here; nullptr when it has none).
TrayHost* ChooseHost() {
  auto& sys = Sys();
  if (sys.status_tray && sys.status_tray->WatcherState() != StatusNotifierTray::Watcher::Absent) {
    return sys.status_tray.get();
  }
  if (!sys.tray) {
    TrayHostContext context;
    context.looks = TipLooks();
    context.notifier = sys.notifier.get();
    sys.tray = sys.backend->OpenTray(context);
  }
  return sys.tray.get();
}

// Opens the hosts at the first use; nullptr without any.
TrayHost* Host() {
  auto& sys = Sys();
  if (!sys.backend) return nullptr;
  if (!sys.tray_opened) {
    sys.tray_opened = true;
    if (!sys.notifier) sys.notifier = std::make_unique<DesktopNotifier>();
    OpenStatusTray();
    sys.tray_in_use = ChooseHost();
  }
  return sys.tray_in_use;
}

std::vector<IconRecord>::iterator FindIcon(HWND owner, UINT id) {
  auto& icons = Icons();
  return std::find_if(icons.begin(), icons.end(),
                      [&](const IconRecord& r) { return r.state.owner == owner && r.state.id == id; });
}

// The text of a fixed-size field, up to its first NUL (at most capacity - 1
// characters: the last one is the terminator's place).
template <std::size_t N>
std::u16string FieldText(const char16_t (&field)[N]) {
  std::size_t n = 0;
  while (n + 1 < N && field[n]) ++n;
  return std::u16string(field, n);
}

void Apply(IconRecord& r, const NOTIFYICONDATAW& d) {
  if (d.uFlags & NIF_MESSAGE) r.state.callback = d.uCallbackMessage;
  if (d.uFlags & NIF_ICON) {
    IconPixels pixels;
    r.state.icon = d.hIcon && GetIconPixels(d.hIcon, &pixels) ? std::move(pixels) : IconPixels{};
  }
  if (d.uFlags & NIF_TIP) r.state.tip = FieldText(d.szTip);
  if ((d.uFlags & NIF_STATE) && (d.dwStateMask & NIS_HIDDEN)) r.hidden = (d.dwState & NIS_HIDDEN) != 0;
}

void Show(IconRecord& r) {
  TrayHost* host = Host();
  if (!host) return;
  if (r.hidden) {
    if (r.shown) host->RemoveIcon(r.state.owner, r.state.id);
    r.shown = false;
    return;
  }
  host->ShowIcon(r.state);
  r.shown = true;
}

void Balloon(const IconRecord& r, const NOTIFYICONDATAW& d) {
  TrayHost* host = Host();
  if (!host || !(d.uFlags & NIF_INFO) || !r.shown) return;
  TrayBalloon balloon;
  balloon.text = FieldText(d.szInfo);
  if (balloon.text.empty()) {
    host->HideBalloon(r.state.owner, r.state.id);
    return;
  }
  balloon.title = FieldText(d.szInfoTitle);
  balloon.flags = d.dwInfoFlags;
  balloon.timeout_ms = d.uTimeout;
  host->ShowBalloon(r.state, balloon);
}

void Remove(std::vector<IconRecord>::iterator it) {
  if (TrayHost* host = Host(); host && it->shown) host->RemoveIcon(it->state.owner, it->state.id);
  Icons().erase(it);
}

BOOL Fail(DWORD error) {
  SetLastError(error);
  return FALSE;
}

bool IsPress(LPARAM message) {
  return message == WM_LBUTTONDOWN || message == WM_RBUTTONDOWN || message == WM_MBUTTONDOWN;
}

bool IsMouse(LPARAM message) { return message >= WM_MOUSEFIRST && message <= WM_MOUSELAST; }

// The second press of a double click becomes WM_xBUTTONDBLCLK.
LPARAM Classify(IconRecord& r, const RawEvent& e) {
  const LPARAM message = e.lparam;
  if (!IsPress(message)) return message;
  const bool twice = !r.last_was_double && r.last_press == message &&
                     e.time - r.last_press_time <= GetDoubleClickTime() &&
                     std::abs(e.pt.x - r.last_press_pt.x) <= kDoubleClickDistance &&
                     std::abs(e.pt.y - r.last_press_pt.y) <= kDoubleClickDistance;
  r.last_press = message;
  r.last_press_time = e.time;
  r.last_press_pt = e.pt;
  r.last_was_double = twice;
  return twice ? message + (WM_LBUTTONDBLCLK - WM_LBUTTONDOWN) : message;
}

}  // namespace

BOOL Shell_NotifyIconW(DWORD message, NOTIFYICONDATAW* data) {
  if (!core::UiReady()) return Fail(ERROR_ACCESS_DENIED);
  if (!data || data->cbSize != sizeof(NOTIFYICONDATAW)) return Fail(ERROR_INVALID_PARAMETER);
  if (!IsWindow(data->hWnd)) return Fail(ERROR_INVALID_WINDOW_HANDLE);
  auto it = FindIcon(data->hWnd, data->uID);
  const bool exists = it != Icons().end();
  switch (message) {
    case NIM_ADD: {
      if (exists) return Fail(ERROR_INVALID_PARAMETER);
      IconRecord record;
      record.state.owner = data->hWnd;
      record.state.id = data->uID;
      Apply(record, *data);
      Icons().push_back(std::move(record));
      Show(Icons().back());
      Balloon(Icons().back(), *data);
      return TRUE;
    }
    case NIM_MODIFY:
      if (!exists) return Fail(ERROR_INVALID_PARAMETER);
      Apply(*it, *data);
      Show(*it);
      Balloon(*it, *data);
      return TRUE;
    case NIM_DELETE:
      if (!exists) return Fail(ERROR_INVALID_PARAMETER);
      Remove(it);
      return TRUE;
    case NIM_SETFOCUS:
    case NIM_SETVERSION: return exists ? TRUE : Fail(ERROR_INVALID_PARAMETER);
    default: return Fail(ERROR_INVALID_PARAMETER);
  }
}

namespace core {

void OnTrayInput(const RawEvent& e) {
  auto it = FindIcon(e.surface, static_cast<UINT>(e.wparam));
  if (it == Icons().end()) return;
  if (!IsWindow(it->state.owner)) {  // the owner went without taking its icon along
    Remove(it);
    return;
  }
  if (IsMouse(e.lparam)) Sys().in.cursor = e.pt;
  const LPARAM message = Classify(*it, e);
  if (it->state.callback) PostMessageW(it->state.owner, it->state.callback, it->state.id, message);
}

void OnTrayHostChanged(const RawEvent&) {
  auto& sys = Sys();
  if (!sys.tray_opened) return;
  TrayHost* next = ChooseHost();
  TrayHost* before = sys.tray_in_use;
  if (next == before) return;
  for (IconRecord& r : Icons()) {
    if (r.shown && before) before->RemoveIcon(r.state.owner, r.state.id);
    r.shown = false;
  }
  sys.tray_in_use = next;
  if (before && before == sys.tray.get()) sys.tray.reset();  // the backend's host rests while the other shows them
  for (IconRecord& r : Icons()) Show(r);
}

void ClearTray() {
  auto& icons = Icons();
  while (!icons.empty()) Remove(icons.begin());
  auto& sys = Sys();
  sys.tray_in_use = nullptr;
  sys.status_tray.reset();
  sys.tray.reset();
  sys.notifier.reset();
  sys.tray_opened = false;
}

}  // namespace core
}  // namespace varnika
