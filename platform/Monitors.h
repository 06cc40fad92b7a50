// The monitors of the display, shaped after Win32's monitor calls: a window
// or a place belongs to the monitor it overlaps most (or the nearest one),
// and each monitor has a work area, its rectangle within the desktop's work
// area (what panels leave free). A backend that knows no monitors has one,
// the whole screen. Monitor handles are valid until the layout changes;
// GetMonitorInfoW fails for a stale one. UI thread only.
#pragma once

#include "platform/Messages.h"

namespace varnika {

using HMONITOR = struct HMONITOR__*;

inline constexpr DWORD MONITOR_DEFAULTTONULL = 0;
inline constexpr DWORD MONITOR_DEFAULTTOPRIMARY = 1;
inline constexpr DWORD MONITOR_DEFAULTTONEAREST = 2;
inline constexpr DWORD MONITORINFOF_PRIMARY = 1;

struct MONITORINFO {
  DWORD cbSize = sizeof(MONITORINFO);
  RECT rcMonitor{};
  RECT rcWork{};
  DWORD dwFlags = 0;
};

// The monitor that rect overlaps most; when it overlaps none, by flags:
// nullptr, the primary, or the one nearest to it.
HMONITOR MonitorFromRect(const RECT* rect, DWORD flags);
HMONITOR MonitorFromPoint(POINT point, DWORD flags);
// The primary monitor (the first the backend lists), wherever it lies.
HMONITOR PrimaryMonitor();
BOOL GetMonitorInfoW(HMONITOR monitor, MONITORINFO* info);

}  // namespace varnika
