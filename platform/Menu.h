// Popup menus. A menu is a list of items (commands with an id and a text,
// separators, and sub-menus), made from the program's embedded menu
// resources (LoadMenuW) or item by item. TrackPopupMenuEx shows a menu at a
// screen point, kept inside the work area, and runs a modal loop until the
// user picks an item (mouse, Up/Down/Home/End and Enter, or an item's "&"
// mnemonic letter) or cancels it (Escape, a click anywhere outside the menu,
// the program losing activation). Timers and posted messages keep being
// dispatched meanwhile. The menu holds the mouse and the keyboard while it
// is open, so it works even when its owner is not the active window (a
// tray icon's menu).
//
// Item texts: "&x" marks x as the mnemonic (shown underlined), "&&" is an
// ampersand, and a TAB separates the text from an accelerator shown
// right-aligned ("&Kapat\tAlt+F4").
//
// UI thread only, while the window system runs; menus are freed when it
// shuts down. Handles are never reused.
#pragma once

#include "platform/Messages.h"

namespace varnika {

// AppendMenuW flags
constexpr UINT MF_STRING = 0x0000;
constexpr UINT MF_ENABLED = 0x0000;
constexpr UINT MF_GRAYED = 0x0001;
constexpr UINT MF_DISABLED = 0x0002;
constexpr UINT MF_POPUP = 0x0010;
constexpr UINT MF_SEPARATOR = 0x0800;
constexpr UINT MF_BYCOMMAND = 0x0000;
constexpr UINT MF_BYPOSITION = 0x0400;

// TrackPopupMenuEx flags
constexpr UINT TPM_LEFTBUTTON = 0x0000;
constexpr UINT TPM_RIGHTBUTTON = 0x0002;  // the right button chooses too
constexpr UINT TPM_LEFTALIGN = 0x0000;
constexpr UINT TPM_CENTERALIGN = 0x0004;
constexpr UINT TPM_RIGHTALIGN = 0x0008;
constexpr UINT TPM_TOPALIGN = 0x0000;
constexpr UINT TPM_VCENTERALIGN = 0x0010;
constexpr UINT TPM_BOTTOMALIGN = 0x0020;
constexpr UINT TPM_HORIZONTAL = 0x0000;  // with an exclusion rectangle: move sideways off it
constexpr UINT TPM_VERTICAL = 0x0040;    // with an exclusion rectangle: move above or below it
constexpr UINT TPM_NONOTIFY = 0x0080;    // no WM_*MENU* notifications to the owner
constexpr UINT TPM_RETURNCMD = 0x0100;   // return the chosen id instead of posting WM_COMMAND
constexpr UINT TPM_NOANIMATION = 0x4000;

struct TPMPARAMS {
  UINT cbSize = sizeof(TPMPARAMS);
  RECT rcExclude;  // screen area the menu should not cover
};

// Notifications to the owner while a menu is tracked (besides
// WM_ENTERMENULOOP, WM_INITMENUPOPUP, WM_ENTERIDLE and WM_EXITMENULOOP of
// Messages.h).
constexpr UINT WM_UNINITMENUPOPUP = 0x0125;
// WM_ENTERIDLE's WPARAM while a menu waits for input; LPARAM is the menu's window.
constexpr WPARAM MSGF_MENU = 2;

constexpr DWORD ERROR_INVALID_DATA = 13;
constexpr DWORD ERROR_INVALID_MENU_HANDLE = 1401;
constexpr DWORD ERROR_POPUP_ALREADY_ACTIVE = 1446;

// The menu resource with that integer id (MakeIntResourceW); nullptr with
// ERROR_RESOURCE_NAME_NOT_FOUND when there is none, ERROR_INVALID_DATA when
// it is malformed. The instance is not looked at: resources are the
// program's own.
HMENU LoadMenuW(HINSTANCE instance, LPCWSTR name);
HMENU CreatePopupMenu();
// MF_STRING (text), MF_SEPARATOR, MF_POPUP (id_or_submenu is an HMENU, which
// then belongs to this menu); MF_GRAYED/MF_DISABLED items cannot be chosen.
BOOL AppendMenuW(HMENU menu, UINT flags, UINT_PTR id_or_submenu, LPCWSTR text);
HMENU GetSubMenu(HMENU menu, int position);
int GetMenuItemCount(HMENU menu);  // -1 for an invalid menu
// The command id at position; 0 for a separator, 0xFFFFFFFF for a sub-menu
// or a position out of range.
UINT GetMenuItemID(HMENU menu, int position);
// Copies the text of an item (MF_BYPOSITION: at that position; otherwise
// the command with that id) into text, cut to max - 1 characters and ended
// with a 0; the number of characters copied, 0 when there is no such item.
int GetMenuStringW(HMENU menu, UINT item, LPWSTR text, int max, UINT flags);
BOOL IsMenu(HMENU menu);
// Destroys the menu and its sub-menus.
BOOL DestroyMenu(HMENU menu);

// Shows the menu with its top-left corner at (x, y) (or as TPM_*ALIGN say),
// moved and flipped as needed to stay inside the work area and, with
// params, off params->rcExclude. Without TPM_RETURNCMD the chosen item's id
// is posted to the owner as WM_COMMAND (WPARAM: the id, LPARAM 0) and the
// result is nonzero unless the call failed; with it, the result is the id
// or 0 when nothing was chosen. Unless TPM_NONOTIFY, the owner is sent
// WM_ENTERMENULOOP, WM_INITMENUPOPUP (the menu may still be changed then),
// WM_ENTERIDLE whenever the menu waits for input, WM_UNINITMENUPOPUP and
// WM_EXITMENULOOP. One menu at a time: a second call while one is open
// fails with ERROR_POPUP_ALREADY_ACTIVE. Items of sub-menus are shown but
// not opened: only one level is tracked.
BOOL TrackPopupMenuEx(HMENU menu, UINT flags, int x, int y, HWND owner, TPMPARAMS* params);
// Screen rectangle of an item of the menu being tracked (the window is not
// used: popup menus have their own).
BOOL GetMenuItemRect(HWND wnd, HMENU menu, UINT position, RECT* rect);
// Cancels the menu being tracked.
BOOL EndMenu();

}  // namespace varnika
