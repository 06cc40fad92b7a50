// Icons in the desktop's notification area (the system tray) with their
// tips and balloon notices, as Shell_NotifyIconW manages them.
//
// An icon is known by its owner window and id. NIM_ADD and NIM_MODIFY take
// the members their flags name (the rest stays as it was): NIF_MESSAGE the
// callback message, NIF_ICON a copy of the icon's pixels (the caller may
// destroy its icon afterwards), NIF_TIP the tip (an empty one: none),
// NIF_STATE the NIS_HIDDEN state, NIF_INFO a balloon (an empty szInfo takes
// a shown one away). The owner gets the callback message (wParam the id) with
// the mouse message in lParam when the user moves over or clicks the icon:
// WM_MOUSEMOVE, WM_xBUTTONDOWN/UP, and WM_xBUTTONDBLCLK in place of the
// second press of a double click; GetCursorPos and GetKeyState then describe
// that moment. Balloons report NIN_BALLOONSHOW, NIN_BALLOONHIDE,
// NIN_BALLOONTIMEOUT (expired, or closed by the user) and
// NIN_BALLOONUSERCLICK the same way.
//
// Where the icons appear is a tray host's affair (TrayHost.h): a status
// notifier host on the session bus while a watcher runs there
// (StatusNotifierTray.h), else the display backend's; the icons move when a
// watcher comes or goes. Without a notification area they are kept, shown
// once one appears, and every call still succeeds. UI thread only.
#pragma once

#include "platform/Messages.h"

namespace varnika {

struct NOTIFYICONDATAW {
  DWORD cbSize = sizeof(NOTIFYICONDATAW);
  HWND hWnd = nullptr;
  UINT uID = 0;
  UINT uFlags = 0;
  UINT uCallbackMessage = 0;
  HICON hIcon = nullptr;
  char16_t szTip[128] = {};
  DWORD dwState = 0;
  DWORD dwStateMask = 0;
  char16_t szInfo[256] = {};
  UINT uTimeout = 0;  // milliseconds a balloon stays
  char16_t szInfoTitle[64] = {};
  DWORD dwInfoFlags = 0;
};

inline constexpr DWORD NIM_ADD = 0x00000000;
inline constexpr DWORD NIM_MODIFY = 0x00000001;
inline constexpr DWORD NIM_DELETE = 0x00000002;
inline constexpr DWORD NIM_SETFOCUS = 0x00000003;
inline constexpr DWORD NIM_SETVERSION = 0x00000004;

inline constexpr UINT NIF_MESSAGE = 0x00000001;
inline constexpr UINT NIF_ICON = 0x00000002;
inline constexpr UINT NIF_TIP = 0x00000004;
inline constexpr UINT NIF_STATE = 0x00000008;
inline constexpr UINT NIF_INFO = 0x00000010;

inline constexpr DWORD NIS_HIDDEN = 0x00000001;

inline constexpr DWORD NIIF_NONE = 0x00000000;
inline constexpr DWORD NIIF_INFO = 0x00000001;
inline constexpr DWORD NIIF_WARNING = 0x00000002;
inline constexpr DWORD NIIF_ERROR = 0x00000003;
inline constexpr DWORD NIIF_NOSOUND = 0x00000010;

inline constexpr LPARAM NIN_BALLOONSHOW = WM_USER + 2;
inline constexpr LPARAM NIN_BALLOONHIDE = WM_USER + 3;
inline constexpr LPARAM NIN_BALLOONTIMEOUT = WM_USER + 4;
inline constexpr LPARAM NIN_BALLOONUSERCLICK = WM_USER + 5;

// FALSE for a record of another size, an owner that is not a window, NIM_ADD
// of an icon that exists or NIM_MODIFY/NIM_DELETE of one that does not.
BOOL Shell_NotifyIconW(DWORD message, NOTIFYICONDATAW* data);

}  // namespace varnika
