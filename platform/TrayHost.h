// What a display backend does for Shell_NotifyIconW: shows the icons the
// window system keeps, their tips and balloons, and reports the user's mouse
// actions on them as RawEventKind::TrayInput events. A backend without a
// notification area returns no host (Backend::Tray). UI thread only, except
// where noted.
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
