// The window system's shared state and the operations its services use among
// themselves. Internal to platform/: the toolkit uses the public headers.
#pragma once

#include <atomic>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <unordered_map>
#include <utility>
#include <vector>

#include "platform/Backend.h"
#include "platform/DesktopNotifications.h"
#include "platform/Messages.h"
#include "platform/StatusNotifierTray.h"
#include "platform/Window.h"

namespace varnika::core {

struct WindowClass {
  std::u16string name;
  HINSTANCE instance = nullptr;
  bool system = false;
  ATOM atom = 0;
  UINT style = 0;
  WNDPROC proc = nullptr;
  int cls_extra = 0;
  int wnd_extra = 0;
  HICON icon = nullptr;
  HCURSOR cursor = nullptr;
  HBRUSH background = nullptr;
  LPCWSTR menu_name = nullptr;  // an integer resource, or points into menu_name_text
  std::u16string menu_name_text;
  std::vector<BYTE> extra;
  int windows = 0;
};

// A layered window's frame: the one the backend was given last and shares.
// A window's canvas is shown from its own pixels, so no second buffer is
// kept beside it; only sources without an owner are copied, and a copy equal
// to the new picture (a fade step) is reused.
struct LayeredFrame {
  std::shared_ptr<FrameBuffer> shown;
  BYTE alpha = 255;
};

// A window property. One set by a string name holds a reference to that
// name's atom (counted), which goes with the property.
struct Property {
  ATOM atom = 0;
  HANDLE data = nullptr;
  bool counted = false;
};

struct Window {
  HWND handle = nullptr;
  WindowClass* cls = nullptr;
  WNDPROC proc = nullptr;
  DWORD style = 0;
  DWORD ex_style = 0;
  LONG_PTR id = 0;
  LONG_PTR user_data = 0;
  HINSTANCE instance = nullptr;
  std::u16string text;
  Window* parent = nullptr;  // the desktop for top-level windows; nullptr for the desktop
  HWND owner = nullptr;
  std::vector<Window*> children;  // top of the z-order first
  RECT rect;                      // in the parent's client coordinates
  std::vector<Property> props;
  std::vector<BYTE> extra;
  bool destroying = false;
  bool is_desktop = false;
  std::unique_ptr<LayeredFrame> frame;  // the last layered frame
  HICON icon_big = nullptr;
  HICON icon_small = nullptr;

  bool TopLevel() const { return parent != nullptr && parent->is_desktop; }
  int Width() const { return rect.right - rect.left; }
  int Height() const { return rect.bottom - rect.top; }
};

struct Timer {
  HWND wnd = nullptr;
  UINT_PTR id = 0;
  UINT elapse = 0;
  TIMERPROC proc = nullptr;
  DWORD due = 0;
  std::uint64_t order = 0;  // creation order breaks ties between equal due times
};

// A window that sees another window's mouse input (a tooltip watching its
// tools): each mouse message dispatched to `tool`, and a WM_MOUSELEAVE when
// the pointer leaves it, reach `watcher` as `relay` with LPARAM = MSG*.
struct MouseWatch {
  HWND tool = nullptr;
  HWND watcher = nullptr;
  UINT relay = 0;
};

struct KeyText {
  DWORD serial = 0;
  std::u16string text;
};

struct InputState {
  POINT cursor;
  DWORD event_time = 0;  // time of the raw event being routed
  BYTE keys[256] = {};
  HWND capture = nullptr;
  HWND key_grab = nullptr;  // takes every key while set (an open popup menu)
  HWND focus = nullptr;
  HWND active = nullptr;
  HWND under_pointer = nullptr;  // the window the last pointer event hit
  // TrackMouseEvent
  HWND track = nullptr;
  DWORD track_flags = 0;
  DWORD hover_time = 400;
  DWORD hover_start = 0;
  POINT hover_anchor;
  // double clicks
  HWND last_click_wnd = nullptr;
  MouseButton last_click_button = MouseButton::Left;
  DWORD last_click_time = 0;
  POINT last_click_pt;
  bool last_click_was_double = true;  // no pending first click
  // cursor
  HCURSOR cursor_handle = nullptr;
  HWND cursor_surface = nullptr;
  // characters of key presses, for TranslateMessage
  DWORD key_serial = 0;
  std::deque<KeyText> key_texts;
};

class WindowSystem : public IRawEventSink {
 public:
  void Deliver(RawEvent event) override;

  std::atomic<bool> running{false};
  std::thread::id ui_thread;
  std::unique_ptr<Backend> backend;
  int scale = 1;  // the backend's, read when the window system starts (DisplayScale)
  // Beside the backend: the notification area's hosts (opened at their first
  // use) and the desktop notifier that shows balloons and carries the
  // status notifier host's bus work. The icons are shown on one host at a
  // time: the status notifier host while a watcher runs or it is not yet
  // known whether one does (for a moment at most: a bus that says nothing
  // counts as one without a watcher, StatusNotifierTray::kWatcherWaitMs),
  // else the backend's (null when it has none). All go before the backend.
  std::unique_ptr<DesktopNotifier> notifier;
  std::unique_ptr<StatusNotifierTray> status_tray;
  std::unique_ptr<TrayHost> tray;
  TrayHost* tray_in_use = nullptr;
  bool tray_opened = false;

  // Windows. The map belongs to the UI thread; it changes only under
  // post_mutex so that other threads may look a handle up under that mutex.
  std::unordered_map<std::uintptr_t, std::unique_ptr<Window>> windows;
  Window* desktop = nullptr;
  std::uintptr_t next_handle = 0x10010;
  std::vector<std::unique_ptr<WindowClass>> classes;
  ATOM next_class_atom = 0xC100;

  // Posted messages (any thread).
  std::mutex post_mutex;
  std::deque<MSG> posted;
  std::deque<RawEvent> posted_raw;  // PostRawEvent's, until the loop routes them
  std::uint64_t post_serial = 0;  // counts posts, so a waiter sees whether one arrived
  bool sleeping = false;          // the UI thread waits (or is about to) in the backend

  // The rest belongs to the UI thread.
  std::deque<MSG> taken;  // posted messages moved out of `posted`, still in posting order
  bool quit_pending = false;
  int quit_code = 0;
  std::deque<MSG> input;     // mouse and keyboard messages ready for retrieval
  std::deque<RawEvent> raw;  // backend events not yet routed
  std::vector<Timer> timers;
  std::uint64_t timer_order = 0;
  UINT_PTR next_thread_timer = 1;
  InputState in;
  DWORD last_message_time = 0;
  POINT last_message_pos;
  HWND managed_move = nullptr;  // the window the window manager is moving
  std::vector<MouseWatch> mouse_watches;
};

// The one window system (never freed, so other threads can always reach its
// mutex). Sys().running says whether it is started.
WindowSystem& Sys();
bool OnUiThread();
// Started, and called on the UI thread: what reading UI-owned state requires.
inline bool UiReady() { return Sys().running && OnUiThread(); }

// A failing call's way out: leaves error for GetLastError and returns result.
template <typename T>
T Fail(DWORD error, T result) {
  SetLastError(error);
  return result;
}

// --- windows (Window.cpp) ----------------------------------------------------
// x, y, cx, cy of a top-level window held within what a display can show
// (kDisplayCoordMin ... in Backend.h). Frames larger than that are refused.
RECT DisplayRect(int x, int y, int cx, int cy);

// The window for a live handle, or nullptr (with ERROR_INVALID_WINDOW_HANDLE).
Window* Find(HWND wnd);
Window* FindQuiet(HWND wnd);
inline HWND HandleOf(const Window* w) { return w ? w->handle : nullptr; }
POINT ClientOrigin(const Window* w);  // screen
RECT ScreenRect(const Window* w);
bool VisibleChain(const Window* w);   // the window and all ancestors visible
Window* Root(Window* w);              // the top-level ancestor (or w)
void TellBackendStacking();
void DestroyAllWindows();
void RegisterBuiltinClasses();
void CreateDesktopWindow();
void ClearClasses();
// SetWindowPos without the public checks.
bool SetPosition(Window* w, HWND insert_after, int x, int y, int cx, int cy, UINT flags);

// --- messages (MessageLoop.cpp) -----------------------------------------------
LRESULT Send(HWND wnd, UINT msg, WPARAM wparam, LPARAM lparam);
void QueueInput(HWND wnd, UINT msg, WPARAM wparam, LPARAM lparam, DWORD serial = 0);
void DropWindowMessages(HWND wnd);  // posted and input messages, timers
void ClearQueues();
// Queues a raw event for the UI thread to route, from any thread (dropped
// while the window system is not running).
void PostRawEvent(RawEvent event);
// The mouse messages, client and non-client, and the keyboard's: what a
// modal loop keeps for itself or from the windows it does not serve.
bool IsMouseInput(UINT msg);
bool IsKeyInput(UINT msg);
// GetMessageW for a modal loop: false when the loop is to stop, on an error
// or on WM_QUIT, which it posts again for the loop outside.
bool NextModalMessage(MSG* msg);

// --- input (Input.cpp) --------------------------------------------------------
struct Hit {
  Window* window = nullptr;
  LRESULT code = HTNOWHERE;
};
// The window under a screen point as the mouse finds it (surface: only that
// top-level window; nullptr: all of them).
Hit HitTest(POINT screen, HWND surface);
void Route(const RawEvent& event);
// Drops capture, focus, activation and tracking of a dying window; notify
// sends WM_CAPTURECHANGED as a release would.
void ForgetWindow(Window* w, bool notify);
void ActivateTopLevel(HWND wnd, WORD how, bool tell_backend);
bool HoverDue(DWORD now, DWORD* due);  // pending hover deadline
void FireHover();
CursorShape ShapeOf(HCURSOR cursor);
WPARAM KeyStateFlags();               // MK_* from the key state
const std::u16string* TextOfKey(DWORD serial);
void ResetInput();

// Keys go to wnd whatever has the focus, and the display grabs the keyboard
// for it; nullptr releases. Dropped when the window dies.
void GrabKeyboard(HWND wnd);

// --- mouse watching (MouseWatch.cpp) ----------------------------------------------
void WatchMouse(HWND tool, HWND watcher, UINT relay);
void UnwatchMouse(HWND tool, HWND watcher);
// Shows a mouse message that is about to be dispatched to its window to
// that window's watchers.
void RelayMouse(const MSG& msg);
// The pointer is no longer over wnd: its watchers see a WM_MOUSELEAVE.
void PointerLeft(HWND wnd);
// Drops the watches of a dying window (as tool or watcher); notify tells
// the watchers of a dying tool that the pointer left it.
void ForgetWatches(HWND wnd, bool notify);

// --- system classes of the popup services ------------------------------------------
void RegisterMenuClass();        // MenuTracker.cpp
void RegisterToolTipClass();     // ToolTip.cpp
void RegisterMessageBoxClass();  // MessageBox.cpp
void ClearMenus();               // Menu.cpp: at shutdown
// Screen rectangle of the button with that id (IDYES, ...) of an open
// message box's window (MessageBox.cpp).
bool MessageBoxButtonRect(HWND box, int id, RECT* rect);
// The labels of an open message box's buttons, left to right.
std::vector<std::u16string> MessageBoxButtonLabels(HWND box);

// --- layered windows (Layered.cpp) ----------------------------------------------
// Whether the pixel under a screen point is fully transparent.
bool LayeredPassesThrough(const Window* w, POINT screen);

// --- default processing (DefWindowProc.cpp) -----------------------------------
void RunMoveLoop(HWND wnd);

// --- the notification area (NotifyIcon.cpp) ---------------------------------
// A TrayInput raw event: the callback message to the icon's owner.
void OnTrayInput(const RawEvent& event);
// TrayHostChanged: moves the icons to the host that is to show them now.
void OnTrayHostChanged(const RawEvent& event);
// Forgets every icon and closes the tray host and the notifier (the window
// system shuts down).
void ClearTray();

// --- painting (Paint.cpp, GdiObjects.cpp) -------------------------------------
// A WM_PAINT for the first window (matching the filter) whose update region
// is not empty; it stays until the region is validated.
bool TakePaint(HWND filter, UINT min, UINT max, MSG* out);
// After SetPosition: invalidates what showing, sizing or moving uncovered.
void PaintPositionChanged(Window* w, const RECT& old_rect, bool was_visible, UINT flags);
void ForgetPaint(HWND wnd);
LRESULT DefPaint(HWND wnd, WPARAM wparam, LPARAM lparam);
LRESULT DefEraseBackground(HWND wnd, WPARAM wparam, LPARAM lparam);
// SPI_GETNONCLIENTMETRICS.
BOOL NonClientMetrics(UINT size, void* metrics);

}  // namespace varnika::core
