// Windows and window classes: creation and destruction, window procedures and
// subclassing, styles, ids, text, properties, the parent/child tree with its
// z-order, visibility, enabling, geometry and coordinate mapping.
//
// Child windows are the window system's own; only top-level windows (children
// of the desktop window) reach the display backend. A window has no
// non-client area: its client rectangle is its whole window rectangle.
//
// Everything here runs on the UI thread, except IsWindow, which any thread may
// call. A failing call returns 0/FALSE/nullptr and leaves an ERROR_* code for
// GetLastError.
#pragma once

#include <string>

#include "platform/Messages.h"

namespace varnika {

// --- errors -----------------------------------------------------------------
DWORD GetLastError();
void SetLastError(DWORD code);
// The text for one of the ERROR_* codes above ("Invalid window handle.").
std::u16string WindowErrorMessage(DWORD code);

// The program's own module (module_name nullptr); other modules are unknown.
HINSTANCE GetModuleHandleW(LPCWSTR module_name);

// --- atoms ------------------------------------------------------------------
// The global atom table (any thread). Names compare ignoring ASCII case;
// "#123" and integer atoms below 0xC000 stand for themselves.
ATOM GlobalAddAtomW(LPCWSTR name);
ATOM GlobalFindAtomW(LPCWSTR name);
ATOM GlobalDeleteAtom(ATOM atom);  // 0 on success, like Win32
UINT GlobalGetAtomNameW(ATOM atom, LPWSTR buffer, int size);

// --- window classes ---------------------------------------------------------
// Class names compare ignoring ASCII case. A class belongs to its instance;
// system classes ("STATIC", ...) are found for any instance.
ATOM RegisterClassW(const WNDCLASSW* wc);
BOOL UnregisterClassW(LPCWSTR class_name, HINSTANCE instance);  // refused while windows of it exist
BOOL GetClassInfoW(HINSTANCE instance, LPCWSTR class_name, WNDCLASSW* wc);
int GetClassNameW(HWND wnd, LPWSTR buffer, int size);
ULONG_PTR GetClassLongPtrW(HWND wnd, int index);
ULONG_PTR SetClassLongPtrW(HWND wnd, int index, LONG_PTR value);

// --- creation and destruction ----------------------------------------------
// Sends WM_NCCREATE and WM_CREATE (LPARAM: CREATESTRUCTW*); either failing
// (FALSE / -1) fails the creation. Then WM_SIZE, WM_MOVE and, for WS_VISIBLE,
// WM_SHOWWINDOW. A WS_CHILD window needs a parent; a top-level window's
// "parent" argument becomes its owner. Child windows start at the bottom of
// their siblings' z-order, top-level windows at the top.
HWND CreateWindowExW(DWORD ex_style, LPCWSTR class_name, LPCWSTR window_name, DWORD style, int x, int y,
                     int width, int height, HWND parent, HMENU menu_or_id, HINSTANCE instance, void* param);
// Destroys owned windows first, then sends WM_DESTROY to the window and then
// to its children (parent first) and WM_NCDESTROY to the children and then to
// the window (children first). Handles are never reused.
BOOL DestroyWindow(HWND wnd);

BOOL IsWindow(HWND wnd);  // any thread
BOOL IsWindowVisible(HWND wnd);  // the window and all its ancestors have WS_VISIBLE
BOOL IsWindowEnabled(HWND wnd);
BOOL IsWindowUnicode(HWND wnd);  // every window is
BOOL IsChild(HWND parent, HWND wnd);

// --- window procedures ------------------------------------------------------
LRESULT CallWindowProcW(WNDPROC proc, HWND wnd, UINT msg, WPARAM wparam, LPARAM lparam);
// The default processing; see DefWindowProc.cpp for the messages it handles.
LRESULT DefWindowProcW(HWND wnd, UINT msg, WPARAM wparam, LPARAM lparam);

// --- longs ------------------------------------------------------------------
// GWLP_WNDPROC, GWLP_HINSTANCE, GWLP_HWNDPARENT, GWL_ID, GWL_STYLE,
// GWL_EXSTYLE, GWLP_USERDATA and the window-extra bytes (index >= 0).
// Style changes send WM_STYLECHANGING/WM_STYLECHANGED.
LONG_PTR GetWindowLongPtrW(HWND wnd, int index);
LONG_PTR SetWindowLongPtrW(HWND wnd, int index, LONG_PTR value);
// 32-bit forms; GWLP_WNDPROC is refused (ERROR_INVALID_INDEX).
LONG GetWindowLongW(HWND wnd, int index);
LONG SetWindowLongW(HWND wnd, int index, LONG value);

// --- text -------------------------------------------------------------------
BOOL SetWindowTextW(HWND wnd, LPCWSTR text);               // sends WM_SETTEXT
int GetWindowTextW(HWND wnd, LPWSTR buffer, int size);      // sends WM_GETTEXT
int GetWindowTextLengthW(HWND wnd);                         // sends WM_GETTEXTLENGTH

// --- properties -------------------------------------------------------------
// Keyed by atom: an integer atom (MakeIntAtom) or a name, which is added to
// the global atom table.
BOOL SetPropW(HWND wnd, LPCWSTR name, HANDLE data);
HANDLE GetPropW(HWND wnd, LPCWSTR name);
HANDLE RemovePropW(HWND wnd, LPCWSTR name);

// --- tree -------------------------------------------------------------------
HWND GetDesktopWindow();
// WS_CHILD: the parent; otherwise the owner (as Win32 does).
HWND GetParent(HWND wnd);
HWND SetParent(HWND wnd, HWND new_parent);  // nullptr: the desktop
HWND GetAncestor(HWND wnd, UINT flags);      // GA_PARENT, GA_ROOT, GA_ROOTOWNER
// GW_CHILD gives the topmost child; GW_HWNDNEXT walks down the z-order.
HWND GetWindow(HWND wnd, UINT relation);
HWND GetTopWindow(HWND wnd);                 // nullptr: the topmost top-level window
// The first visible top-level window of that class (and title when given).
HWND FindWindowW(LPCWSTR class_name, LPCWSTR window_name);

// --- position, size, z-order, visibility -----------------------------------
// WM_WINDOWPOSCHANGING may change x, y, cx, cy, the insert-after window and
// the flags; the result goes out in WM_WINDOWPOSCHANGED, whose default
// processing sends WM_MOVE and WM_SIZE. Insert-after: a sibling, HWND_TOP,
// HWND_BOTTOM, HWND_TOPMOST, HWND_NOTOPMOST (top-level windows only for the
// last two). Top-level windows are activated unless SWP_NOACTIVATE.
BOOL SetWindowPos(HWND wnd, HWND insert_after, int x, int y, int cx, int cy, UINT flags);
BOOL MoveWindow(HWND wnd, int x, int y, int width, int height, BOOL repaint);
BOOL BringWindowToTop(HWND wnd);
// Returns whether the window was visible before. Sends WM_SHOWWINDOW when the
// visibility changes; showing a top-level window activates it unless
// SW_SHOWNA/SW_SHOWNOACTIVATE.
BOOL ShowWindow(HWND wnd, int command);
// Returns whether the window was disabled before; sends WM_ENABLE.
BOOL EnableWindow(HWND wnd, BOOL enable);

BOOL GetWindowRect(HWND wnd, RECT* rect);  // screen coordinates
BOOL GetClientRect(HWND wnd, RECT* rect);  // (0, 0, width, height)
BOOL ClientToScreen(HWND wnd, POINT* point);
BOOL ScreenToClient(HWND wnd, POINT* point);
// nullptr stands for the screen. Returns the offset: low word x, high word y.
int MapWindowPoints(HWND from, HWND to, POINT* points, UINT count);
// The window under a screen point as mouse input would find it.
HWND WindowFromPoint(POINT point);

}  // namespace varnika
