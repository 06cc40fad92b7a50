// What a tray host does for Shell_NotifyIconW: shows the icons the window
// system keeps, their tips and balloons, and reports the user's mouse
// actions on them as RawEventKind::TrayInput events. The window system owns
// the hosts it opened (Backend::OpenTray, and the status notifier host of
// StatusNotifierTray.h), beside the backend, and the desktop notifier that
// shows balloons; a backend without a notification area opens none. UI
// thread only, except where noted.
#pragma once

#include <string>

#include "platform/Icons.h"
#include "platform/Messages.h"

namespace varnika {

struct TrayIconState {
  HWND owner = nullptr;
  UINT id = 0;
  UINT callback = 0;  // 0: the owner asked for no callback message
  IconPixels icon;    // width 0: no icon
  std::u16string tip;  // empty: no tip
};

struct TrayBalloon {
  std::u16string title;
  std::u16string text;
  DWORD flags = 0;  // NIIF_*
  UINT timeout_ms = 0;
};

// How a tip looks where a host draws tips itself: the desktop's message
// font and the tooltip colours, as the window system gives them.
struct TrayTipLooks {
  std::u16string font_face;
  int font_pixels = 8;  // the font's height in pixels
  COLORREF back = 0;
  COLORREF text = 0;
  COLORREF frame = 0;
};

class DesktopNotifier;  // platform/DesktopNotifications.h

// What the window system hands a host it opens.
struct TrayHostContext {
  TrayTipLooks looks;
  DesktopNotifier* notifier = nullptr;  // where balloons go; outlives the host
};

class TrayHost {
 public:
  virtual ~TrayHost() = default;
  // A new icon, or new looks for one shown before.
  virtual void ShowIcon(const TrayIconState& icon) = 0;
  virtual void RemoveIcon(HWND owner, UINT id) = 0;
  // The host reports NIN_BALLOON* to the owner itself (it may post the
  // callback message from any thread).
  virtual void ShowBalloon(const TrayIconState& icon, const TrayBalloon& balloon) = 0;
  virtual void HideBalloon(HWND owner, UINT id) = 0;
};

}  // namespace varnika
