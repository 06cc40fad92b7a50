// Mouse and keyboard: capture, focus, activation, hover and leave tracking,
// cursors and the key state. The routing of the backend's raw events into
// window messages lives in Input.cpp:
// - the mouse goes to the capture window, else to the window under the
//   pointer: top-level windows from the top of the z-order, then their
//   visible, enabled children top-down, each clipped by its parent, asking
//   WM_NCHITTEST on the way (HTTRANSPARENT passes the point to what lies
//   below; WS_EX_TRANSPARENT and fully transparent pixels of a layered window
//   let it through);
// - a press in an inactive top-level window sends WM_MOUSEACTIVATE and
//   activates it (WA_CLICKACTIVE); WM_SETCURSOR goes to the window under the
//   pointer unless the mouse is captured; CS_DBLCLKS classes get double clicks;
// - the wheel and keys go to the focus window, else to the active window (keys
//   then as WM_SYSKEYDOWN/UP, as Win32 does).
// UI thread only.
#pragma once

#include "platform/Messages.h"

namespace varnika {

HWND SetCapture(HWND wnd);   // returns the previous capture window
BOOL ReleaseCapture();
HWND GetCapture();

HWND SetFocus(HWND wnd);     // WM_KILLFOCUS, then WM_SETFOCUS; activates the top-level window
HWND GetFocus();

HWND SetActiveWindow(HWND wnd);  // WM_ACTIVATE to both windows; returns the previous one
HWND GetActiveWindow();
BOOL SetForegroundWindow(HWND wnd);
HWND GetForegroundWindow();

// TME_HOVER (WM_MOUSEHOVER after the pointer rested dwHoverTime ms, 400 for
// HOVER_DEFAULT), TME_LEAVE (WM_MOUSELEAVE), TME_CANCEL, TME_QUERY.
BOOL TrackMouseEvent(TRACKMOUSEEVENT* track);

// The sixteen IDC_* cursors (no instance); other cursors are not available.
HCURSOR LoadCursorW(HINSTANCE instance, LPCWSTR name);
HCURSOR SetCursor(HCURSOR cursor);  // returns the previous cursor
HCURSOR GetCursor();

BOOL GetCursorPos(POINT* point);
// Negative while the key is down; bit 0 toggles with each press.
SHORT GetKeyState(int virtual_key);
SHORT GetAsyncKeyState(int virtual_key);

UINT GetDoubleClickTime();  // 500 ms

}  // namespace varnika
