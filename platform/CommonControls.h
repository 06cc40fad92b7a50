// Records and numbers of the tooltip messages and of owner-drawn items. They
// keep their Win32 layouts and values; the tooltip window class answers them.
#pragma once

#include <cstdint>

#include "platform/Messages.h"

namespace varnika {

// The tool record of the TTM_*TOOLW messages.
struct TOOLINFOW {
  UINT cbSize = sizeof(TOOLINFOW);
  UINT uFlags = 0;
  HWND hwnd = nullptr;  // the window that owns the tool
  UINT_PTR uId = 0;     // with TTF_IDISHWND: the tool's window handle
  RECT rect;
  HINSTANCE hinst = nullptr;
  LPWSTR lpszText = nullptr;
  LPARAM lParam = 0;
  void* lpReserved = nullptr;
};

constexpr UINT TTF_IDISHWND = 0x0001;
constexpr UINT TTF_SUBCLASS = 0x0010;

constexpr UINT TTM_ADDTOOLW = WM_USER + 50;
constexpr UINT TTM_DELTOOLW = WM_USER + 51;
constexpr UINT TTM_UPDATETIPTEXTW = WM_USER + 57;

constexpr UINT TTM_SETTIPBKCOLOR = WM_USER + 19;
constexpr UINT TTM_SETTIPTEXTCOLOR = WM_USER + 20;
constexpr UINT TTM_GETTIPBKCOLOR = WM_USER + 22;
constexpr UINT TTM_GETTIPTEXTCOLOR = WM_USER + 23;
constexpr UINT TTM_SETMAXTIPWIDTH = WM_USER + 24;
constexpr UINT TTM_GETMAXTIPWIDTH = WM_USER + 25;

// Tooltip window styles.
constexpr DWORD TTS_ALWAYSTIP = 0x01;
constexpr DWORD TTS_NOPREFIX = 0x02;
constexpr DWORD TTS_NOFADE = 0x20;

// The header of every WM_NOTIFY record.
struct NMHDR {
  HWND hwndFrom = nullptr;
  UINT_PTR idFrom = 0;
  UINT code = 0;
};

// Sent (WM_NOTIFY) to a tool's owner for the text of a tool registered with
// LPSTR_TEXTCALLBACKW.
constexpr UINT TTN_GETDISPINFOW = static_cast<UINT>(-530);

struct NMTTDISPINFOW {
  NMHDR hdr;
  LPWSTR lpszText = nullptr;
  char16_t szText[80] = {};
  HINSTANCE hinst = nullptr;
  UINT uFlags = 0;
  LPARAM lParam = 0;
};

// The tooltip asks its owner for the text when it is about to show.
inline LPWSTR TextCallbackW() { return reinterpret_cast<LPWSTR>(static_cast<std::intptr_t>(-1)); }

// WM_DRAWITEM's record.
struct DRAWITEMSTRUCT {
  UINT CtlType = 0;
  UINT CtlID = 0;
  UINT itemID = 0;
  UINT itemAction = 0;
  UINT itemState = 0;
  HWND hwndItem = nullptr;
  HDC hDC = nullptr;
  RECT rcItem;
  ULONG_PTR itemData = 0;
};

// WM_MEASUREITEM's record.
struct MEASUREITEMSTRUCT {
  UINT CtlType = 0;
  UINT CtlID = 0;
  UINT itemID = 0;
  UINT itemWidth = 0;
  UINT itemHeight = 0;
  ULONG_PTR itemData = 0;
};

}  // namespace varnika
