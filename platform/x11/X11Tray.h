// The notification area on X11: the XEmbed system tray protocol.
//
// The tray manager owns the selection _NET_SYSTEM_TRAY_S<screen>. Each icon
// is a small window of ours (a minimum size in WM_NORMAL_HINTS, _XEMBED_INFO
// asking to be mapped) that the manager embeds after a
// SYSTEM_TRAY_REQUEST_DOCK. When the manager advertises an ARGB visual
// (_NET_SYSTEM_TRAY_VISUAL) the icon window uses it and is drawn with
// per-pixel alpha; otherwise it has the default visual and the tray's own
// background (ParentRelative) under the icon. The icon is scaled to the size
// the tray gives the window.
//
// A manager that appears later (MANAGER on the root window) or comes back
// after it ended (DestroyNotify of its window) gets every icon again;
// without one nothing is shown and nothing fails. The pointer over an icon
// becomes TrayInput events; resting on it shows the icon's tip in a small
// window of the tray's own, drawn with the looks the window system hands
// over; balloons go to the desktop's notification service through the
// notifier the window system owns. The window system owns the tray too
// (X11Backend::OpenTray) and drops it before the backend; the backend only
// routes X events to it while it lives. After the display is lost every
// call does nothing. Internal to platform/x11.
#pragma once

#include "platform/x11/XIncludes.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/Backend.h"
#include "platform/DesktopNotifications.h"
#include "platform/TrayHost.h"

namespace varnika::x11 {

struct TrayContext {
  Display* display = nullptr;
  int screen = 0;
  ::Window root = 0;
  std::function<void(RawEvent)> deliver;   // to the window system
  std::function<void(Time)> user_input;    // the time of a press or release on an icon
  std::function<void()> closed;            // the tray is going
  TrayTipLooks looks;
  DesktopNotifier* notifier = nullptr;     // where balloons go; outlives the tray
  int scale = 1;                           // device pixels to a logical pixel: icons and tips grow with it
};

class Tray final : public TrayHost {
 public:
  explicit Tray(TrayContext context);
  ~Tray() override;
  Tray(const Tray&) = delete;
  Tray& operator=(const Tray&) = delete;

  // --- TrayHost --------------------------------------------------------------
  void ShowIcon(const TrayIconState& icon) override;
  void RemoveIcon(HWND owner, UINT id) override;
  void ShowBalloon(const TrayIconState& icon, const TrayBalloon& balloon) override;
  void HideBalloon(HWND owner, UINT id) override;

  // --- from the backend's event loop ------------------------------------------
  // Whether the event was the tray's (then nobody else needs it).
  bool Handle(const XEvent& event);
  // The poll timeout (ms, -1 for none) shortened to the tip's deadline.
  int PollTimeout(int ms) const;
  // After poll: shows a tip that is due.
  void Tick();

  // The backend is going: the tray no longer tells it anything.
  void ForgetBackend() { x_.closed = nullptr; }

  // --- for tests -----------------------------------------------------------------
  ::Window Manager() const { return manager_; }
  // The icon's window (0 while it is not docked).
  ::Window IconWindow(HWND owner, UINT id) const;
  ::Window TipWindow() const;

 private:
  struct Icon;
  class Tip;

  Icon* Find(HWND owner, UINT id) const;
  Icon* FindWindow(::Window window) const;
  void FindManager();
  void ManagerGone();
  void Dock(Icon& icon);
  void Undock(Icon& icon);
  void Draw(Icon& icon);
  bool HandleIconEvent(Icon& icon, const XEvent& event);
  void Pointer(Icon& icon, LPARAM message, int x_root, int y_root, unsigned state);
  void StartHover(Icon& icon, int x_root, int y_root);
  void EndHover();

  TrayContext x_;
  Atom selection_ = 0;  // _NET_SYSTEM_TRAY_S<screen>
  Atom manager_atom_ = 0;
  Atom opcode_ = 0;
  Atom visual_atom_ = 0;
  Atom xembed_info_ = 0;
  ::Window manager_ = 0;
  VisualID manager_visual_ = 0;  // 0: the default visual
  std::vector<std::unique_ptr<Icon>> icons_;
  std::unique_ptr<Tip> tip_;
  Icon* hover_ = nullptr;
  int hover_x_ = 0;  // where the pointer entered it
  int hover_y_ = 0;
  unsigned long hover_deadline_ = 0;  // ms; 0: none
  bool tip_suppressed_ = false;       // after a press, until the pointer leaves
};

}  // namespace varnika::x11
