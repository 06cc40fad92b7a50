// The display backend for a real X server (Xlib). Top-level windows become X
// windows with a 32-bit ARGB visual; frames are put straight from the
// window's canvas, with the constant alpha applied; without a compositing manager the
// window's shape follows the frame's alpha. X events become raw events
// through a table of one small handler per event type. Wait sleeps in poll
// on the X connection, a wake-up eventfd, the SIGTERM/SIGHUP/SIGINT pipe and the
// timeout. Losing the connection to the server ends the session as SIGTERM
// does, and the backend then serves the window system without a display.
//
// This header keeps Xlib out of its includers: X types appear only as the
// forward-declared structs below.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/Backend.h"

struct _XDisplay;
union _XEvent;

namespace varnika {

namespace x11 {
class Tray;
}

// The type of the client message through which another process posts a
// window message to one of our windows: data.l[0] the message, l[1] wParam,
// l[2] lParam (format 32). Only the messages the backend lists as foreign
// (37683, the widget's close request, and 37684, its feed reload) get through.
inline constexpr const char* kForeignMessageAtom = "_VARNIKA_MESSAGE";

// How a backend is opened (nothing to choose yet; tests and benchmarks
// pass it through).
struct X11Options {};

class X11Backend final : public Backend {
 public:
  // display_name nullptr: $DISPLAY. nullptr when the display cannot be
  // opened, with *error set to "cannot open display <name>".
  static std::unique_ptr<X11Backend> Open(const char* display_name, std::string* error, X11Options options = {});
  ~X11Backend() override;
  X11Backend(const X11Backend&) = delete;
  X11Backend& operator=(const X11Backend&) = delete;

  // --- Backend -------------------------------------------------------------
  void Attach(IRawEventSink* sink) override;
  void CreateSurface(HWND wnd, const SurfaceDesc& desc) override;
  void DestroySurface(HWND wnd) override;
  void ShowSurface(HWND wnd, bool visible) override;
  void MoveSurface(HWND wnd, const RECT& rect) override;
  void RestackSurfaces(const std::vector<HWND>& top_to_bottom) override;
  void SetSurfaceStyle(HWND wnd, DWORD style, DWORD ex_style) override;
  void SetSurfaceTitle(HWND wnd, std::u16string_view title) override;
  void PresentFrame(HWND wnd, const FrameView& frame) override;
  void SetSurfaceAlpha(HWND wnd, BYTE alpha) override;
  void ActivateSurface(HWND wnd) override;
  void SetCursorShape(HWND wnd, CursorShape shape) override;
  void SetSurfaceIcon(HWND wnd, const std::uint32_t* argb, int width, int height) override;  // _NET_WM_ICON
  void GrabPointer(HWND wnd) override;
  // Through _NET_WM_MOVERESIZE when the manager lists it.
  bool BeginManagedMove(HWND wnd, POINT pointer) override;
  bool ManagerPlacesWindows() const override { return manager_places_; }
  // The XEmbed system tray (one per display; none without a display). The
  // caller owns it and drops it before the backend.
  std::unique_ptr<TrayHost> OpenTray(const TrayHostContext& context) override;
  bool StatusNotifierHosts() const override { return true; }
  void GrabKeyboard(HWND wnd) override;
  bool Compositing() const override;  // whether a compositing manager owns _NET_WM_CM_S<screen>
  void Wait(DWORD timeout_ms) override;
  void Wake() override;
  DWORD TickCount() override;
  void Sleep(DWORD ms) override;
  RECT WorkArea() override;
  std::vector<RECT> Monitors() override;
  SIZE ScreenSize() override;
  POINT PointerPosition() override;
  int Scale() const override;  // XSETTINGS Xft/DPI, else Xft.dpi; GDK_SCALE first

  // --- beyond the interface --------------------------------------------------
  // The X window of a surface (0 when wnd has none).
  unsigned long XWindowOf(HWND wnd) const;
  _XDisplay* XDisplay() const;
  // How often a Wait that was allowed to block came back from poll.
  int PollWakeUps() const { return poll_wake_ups_; }
  // How many times a surface's pixels have been sent to the server.
  int FramesPut(HWND wnd) const;
  // The tray, while one is open.
  x11::Tray* TrayIfStarted() const { return tray_; }

 private:
  struct Connection;
  struct Surface;
  using Handler = void (X11Backend::*)(const _XEvent&);

  explicit X11Backend(std::unique_ptr<Connection> connection);

  unsigned long NewXWindow(const RECT& rect, bool popup);
  void Introduce(Surface& s, const SurfaceDesc& desc);
  Surface* Find(HWND wnd) const;
  Surface* FindX(unsigned long window) const;
  void Deliver(RawEvent event);
  void ApplyGeometry(Surface& s);
  void ApplyState(Surface& s, DWORD old_ex_style);
  void ApplyMode(Surface& s);
  void ApplyCursor(Surface& s);
  void FocusNow(Surface& s);
  unsigned long ServerTime(Surface& s);
  unsigned long CursorFor(CursorShape shape);
  bool WindowManagerRunning() const;
  // Whether the connection to the server broke: then no X call is made any
  // more, and the next Wait ends the session (ReportLoss).
  bool Lost() const;
  void ReportLoss();

  // Events (X11Events.cpp).
  static Handler HandlerFor(int type);
  bool DispatchQueued();  // true when something reached the sink
  void Dispatch(_XEvent& event);
  void OnButtonPress(const _XEvent& e);
  void OnButtonRelease(const _XEvent& e);
  void OnMotion(const _XEvent& e);
  void OnEnter(const _XEvent& e);
  void OnLeave(const _XEvent& e);
  void OnKeyPress(const _XEvent& e);
  void OnKeyRelease(const _XEvent& e);
  void OnFocusIn(const _XEvent& e);
  void OnFocusOut(const _XEvent& e);
  void OnExpose(const _XEvent& e);
  void OnConfigure(const _XEvent& e);
  void OnReparent(const _XEvent& e);
  void OnMap(const _XEvent& e);
  void OnUnmap(const _XEvent& e);
  void OnClientMessage(const _XEvent& e);
  void OnMapping(const _XEvent& e);
  void OnSelectionOwner(const _XEvent& e);
  RawEvent PointerEvent(RawEventKind kind, unsigned long window, int x_root, int y_root, unsigned state) const;
  RawEvent KeyEvent(RawEventKind kind, const _XEvent& e, bool with_text);
  static RawEvent SurfaceEvent(RawEventKind kind, HWND surface);
  bool KeysFollowPointer(const _XEvent& crossing) const;
  bool NextIsOurs(int type) const;  // whether the next queued event is of that type for one of our windows
  void SetCompositing(bool on);
  // While the manager moves a window: whether the left button is still held
  // (the manager's grab keeps its release from us); when not, the drag ends.
  void CheckManagedMove();

  std::unique_ptr<Connection> x_;
  IRawEventSink* sink_ = nullptr;
  std::map<HWND, std::unique_ptr<Surface>> surfaces_;
  std::unordered_map<unsigned long, Surface*> by_window_;
  std::vector<HWND> stacking_;  // top to bottom, as last told
  HWND grab_ = nullptr;
  HWND keyboard_grab_ = nullptr;
  HWND explicit_focus_ = nullptr;  // the surface that holds the X input focus itself
  HWND managed_move_ = nullptr;    // the surface the window manager is moving
  bool manager_places_ = false;    // the manager put a window elsewhere than asked
  bool delivered_ = false;
  bool loss_reported_ = false;
  int poll_wake_ups_ = 0;
  x11::Tray* tray_ = nullptr;  // the open tray (the window system owns it), routed X events
};

// Opens $DISPLAY, or prints "cannot open display ..." on stderr and ends the
// process with exit code 1.
std::unique_ptr<Backend> OpenX11BackendOrExit();

}  // namespace varnika
