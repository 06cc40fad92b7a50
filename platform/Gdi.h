// Classic GDI: pens, brushes and fonts, device contexts over a window's own
// pixels, WM_PAINT with its update regions, the system colours of a light
// theme and the screen's metrics. Drawing goes through cairo (text through
// pango); a font is a LOGFONTW mapped to a pango font description.
//
// Objects may be made, read and deleted on any thread; device contexts and
// painting belong to the UI thread. A failing call returns 0/FALSE/nullptr.
//
// Painting:
// - Every visible window whose top-level window is not layered has an
//   update region. Showing or resizing a window invalidates it (a top-level
//   window with all its children); InvalidateRect adds to the region and,
//   unless the window has WS_CLIPCHILDREN, to its children's regions.
// - WM_PAINT reaches a window with a non-empty update region when no posted
//   or input message is waiting, before WM_TIMER, and comes again until the
//   region is validated (BeginPaint, ValidateRect, DefWindowProcW).
// - A device context (BeginPaint, GetDC) draws into the top-level window's
//   pixels at the window's place, clipped to the window and its ancestors
//   (less its children with WS_CLIPCHILDREN and the siblings above it with
//   WS_CLIPSIBLINGS); BeginPaint's also to the update region. When a context
//   that drew is given back (EndPaint, ReleaseDC), the top-level window's
//   pixels go to the display. A layered window shows only its
//   UpdateLayeredWindow frames: contexts on it draw nothing.
// - Deleting a pen, brush or font that a context still has selected frees
//   it once no context has it selected.
#pragma once

#include <cstdint>

#include "platform/Messages.h"

namespace varnika {

// --- handles and records ------------------------------------------------------
using HGDIOBJ = void*;  // any of the handles below
struct HPEN__;
using HPEN = HPEN__*;
struct HFONT__;
using HFONT = HFONT__*;
// HBRUSH and HDC: platform/Messages.h.

inline constexpr int LF_FACESIZE = 32;

struct LOGFONTW {
  LONG lfHeight = 0;
  LONG lfWidth = 0;
  LONG lfEscapement = 0;
  LONG lfOrientation = 0;
  LONG lfWeight = 0;
  BYTE lfItalic = 0;
  BYTE lfUnderline = 0;
  BYTE lfStrikeOut = 0;
  BYTE lfCharSet = 0;
  BYTE lfOutPrecision = 0;
  BYTE lfClipPrecision = 0;
  BYTE lfQuality = 0;
  BYTE lfPitchAndFamily = 0;
  char16_t lfFaceName[LF_FACESIZE] = {};
};
static_assert(sizeof(LOGFONTW) == 92);

struct LOGPEN {
  UINT lopnStyle = 0;
  POINT lopnWidth;
  COLORREF lopnColor = 0;
};

struct LOGBRUSH {
  UINT lbStyle = 0;
  COLORREF lbColor = 0;
  ULONG_PTR lbHatch = 0;
};

struct NONCLIENTMETRICSW {
  UINT cbSize = sizeof(NONCLIENTMETRICSW);
  int iBorderWidth = 0;
  int iScrollWidth = 0;
  int iScrollHeight = 0;
  int iCaptionWidth = 0;
  int iCaptionHeight = 0;
  LOGFONTW lfCaptionFont;
  int iSmCaptionWidth = 0;
  int iSmCaptionHeight = 0;
  LOGFONTW lfSmCaptionFont;
  int iMenuWidth = 0;
  int iMenuHeight = 0;
  LOGFONTW lfMenuFont;
  LOGFONTW lfStatusFont;
  LOGFONTW lfMessageFont;
};
static_assert(sizeof(NONCLIENTMETRICSW) == 500);

struct PAINTSTRUCT {
  HDC hdc = nullptr;
  BOOL fErase = FALSE;
  RECT rcPaint;
  BOOL fRestore = FALSE;
  BOOL fIncUpdate = FALSE;
  BYTE rgbReserved[32] = {};
};

// --- values ---------------------------------------------------------------------
constexpr COLORREF RGB(BYTE r, BYTE g, BYTE b) {
  return static_cast<COLORREF>(r) | static_cast<COLORREF>(g) << 8 | static_cast<COLORREF>(b) << 16;
}
constexpr BYTE GetRValue(COLORREF c) { return static_cast<BYTE>(c & 0xFF); }
constexpr BYTE GetGValue(COLORREF c) { return static_cast<BYTE>((c >> 8) & 0xFF); }
constexpr BYTE GetBValue(COLORREF c) { return static_cast<BYTE>((c >> 16) & 0xFF); }
inline constexpr COLORREF CLR_INVALID = 0xFFFFFFFF;

// Pen styles
inline constexpr int PS_SOLID = 0;
inline constexpr int PS_DASH = 1;
inline constexpr int PS_DOT = 2;
inline constexpr int PS_DASHDOT = 3;
inline constexpr int PS_DASHDOTDOT = 4;
inline constexpr int PS_NULL = 5;
inline constexpr int PS_INSIDEFRAME = 6;

// Brush styles and hatches
inline constexpr UINT BS_SOLID = 0;
inline constexpr UINT BS_NULL = 1;
inline constexpr UINT BS_HOLLOW = BS_NULL;
inline constexpr UINT BS_HATCHED = 2;
inline constexpr int HS_HORIZONTAL = 0;  // -----
inline constexpr int HS_VERTICAL = 1;    // |||||
inline constexpr int HS_FDIAGONAL = 2;   // \\\\\ .
inline constexpr int HS_BDIAGONAL = 3;   // /////
inline constexpr int HS_CROSS = 4;       // +++++
inline constexpr int HS_DIAGCROSS = 5;   // xxxxx

// Stock objects
inline constexpr int WHITE_BRUSH = 0;
inline constexpr int LTGRAY_BRUSH = 1;
inline constexpr int GRAY_BRUSH = 2;
inline constexpr int DKGRAY_BRUSH = 3;
inline constexpr int BLACK_BRUSH = 4;
inline constexpr int NULL_BRUSH = 5;
inline constexpr int HOLLOW_BRUSH = NULL_BRUSH;
inline constexpr int WHITE_PEN = 6;
inline constexpr int BLACK_PEN = 7;
inline constexpr int NULL_PEN = 8;
inline constexpr int OEM_FIXED_FONT = 10;
inline constexpr int ANSI_FIXED_FONT = 11;
inline constexpr int ANSI_VAR_FONT = 12;
inline constexpr int SYSTEM_FONT = 13;
inline constexpr int DEVICE_DEFAULT_FONT = 14;
inline constexpr int SYSTEM_FIXED_FONT = 16;
inline constexpr int DEFAULT_GUI_FONT = 17;

// Object types (GetObjectType)
inline constexpr DWORD OBJ_PEN = 1;
inline constexpr DWORD OBJ_BRUSH = 2;
inline constexpr DWORD OBJ_DC = 3;
inline constexpr DWORD OBJ_FONT = 6;

// LOGFONTW values
inline constexpr LONG FW_DONTCARE = 0;
inline constexpr LONG FW_NORMAL = 400;
inline constexpr LONG FW_BOLD = 700;
inline constexpr BYTE ANSI_CHARSET = 0;
inline constexpr BYTE DEFAULT_CHARSET = 1;
inline constexpr BYTE TURKISH_CHARSET = 162;
inline constexpr BYTE OUT_DEFAULT_PRECIS = 0;
inline constexpr BYTE CLIP_DEFAULT_PRECIS = 0;
inline constexpr BYTE DEFAULT_QUALITY = 0;
inline constexpr BYTE NONANTIALIASED_QUALITY = 3;
inline constexpr BYTE ANTIALIASED_QUALITY = 4;
inline constexpr BYTE CLEARTYPE_QUALITY = 5;
inline constexpr BYTE DEFAULT_PITCH = 0;
inline constexpr BYTE FIXED_PITCH = 1;
inline constexpr BYTE VARIABLE_PITCH = 2;
inline constexpr BYTE FF_DONTCARE = 0x00;
inline constexpr BYTE FF_SWISS = 0x20;
inline constexpr BYTE FF_MODERN = 0x30;

// Background modes
inline constexpr int TRANSPARENT = 1;
inline constexpr int OPAQUE = 2;

// GetDeviceCaps
inline constexpr int HORZRES = 8;
inline constexpr int VERTRES = 10;
inline constexpr int BITSPIXEL = 12;
inline constexpr int PLANES = 14;
inline constexpr int LOGPIXELSX = 88;
inline constexpr int LOGPIXELSY = 90;

// SystemParametersInfoW (platform/Layered.h): a NONCLIENTMETRICSW whose
// cbSize is sizeof(NONCLIENTMETRICSW).
inline constexpr UINT SPI_GETNONCLIENTMETRICS = 0x0029;

// System colours (GetSysColor)
inline constexpr int COLOR_SCROLLBAR = 0;
inline constexpr int COLOR_BACKGROUND = 1;
inline constexpr int COLOR_ACTIVECAPTION = 2;
inline constexpr int COLOR_INACTIVECAPTION = 3;
inline constexpr int COLOR_MENU = 4;
inline constexpr int COLOR_WINDOW = 5;
inline constexpr int COLOR_WINDOWFRAME = 6;
inline constexpr int COLOR_MENUTEXT = 7;
inline constexpr int COLOR_WINDOWTEXT = 8;
inline constexpr int COLOR_CAPTIONTEXT = 9;
inline constexpr int COLOR_ACTIVEBORDER = 10;
inline constexpr int COLOR_INACTIVEBORDER = 11;
inline constexpr int COLOR_APPWORKSPACE = 12;
inline constexpr int COLOR_HIGHLIGHT = 13;
inline constexpr int COLOR_HIGHLIGHTTEXT = 14;
inline constexpr int COLOR_BTNFACE = 15;
inline constexpr int COLOR_BTNSHADOW = 16;
inline constexpr int COLOR_GRAYTEXT = 17;
inline constexpr int COLOR_BTNTEXT = 18;
inline constexpr int COLOR_INACTIVECAPTIONTEXT = 19;
inline constexpr int COLOR_BTNHIGHLIGHT = 20;
inline constexpr int COLOR_3DDKSHADOW = 21;
inline constexpr int COLOR_3DLIGHT = 22;
inline constexpr int COLOR_INFOTEXT = 23;
inline constexpr int COLOR_INFOBK = 24;
inline constexpr int COLOR_HOTLIGHT = 26;
inline constexpr int COLOR_GRADIENTACTIVECAPTION = 27;
inline constexpr int COLOR_GRADIENTINACTIVECAPTION = 28;
inline constexpr int COLOR_MENUHILIGHT = 29;
inline constexpr int COLOR_MENUBAR = 30;

// --- objects ----------------------------------------------------------------------
HPEN CreatePen(int style, int width, COLORREF color);
HBRUSH CreateSolidBrush(COLORREF color);
HBRUSH CreateHatchBrush(int hatch, COLORREF color);
// A font for the LOGFONTW: lfHeight < 0 is the character height in pixels,
// > 0 the cell height, 0 the desktop font's height; lfWeight, lfItalic,
// lfUnderline, lfStrikeOut and lfEscapement count; a face that is not
// installed falls back to the generic sans-serif family.
HFONT CreateFontIndirectW(const LOGFONTW* font);
// Stock objects are never freed (DeleteObject on them does nothing).
HGDIOBJ GetStockObject(int index);
BOOL DeleteObject(HGDIOBJ object);
// The LOGPEN, LOGBRUSH or LOGFONTW of an object: returns the bytes written
// (the record's size when buffer is nullptr), 0 for an unknown object or a
// buffer too small.
int GetObjectW(HGDIOBJ object, int size, void* buffer);
DWORD GetObjectType(HGDIOBJ object);  // 0 when unknown

// --- system values ----------------------------------------------------------------
// A light theme: white windows, light grey button faces, black text.
COLORREF GetSysColor(int index);
HBRUSH GetSysColorBrush(int index);  // a stock brush of that colour
// LOGPIXELSX/Y 96; HORZRES/VERTRES the screen's size; BITSPIXEL 32; PLANES 1.
int GetDeviceCaps(HDC dc, int index);
// number * numerator / denominator in 64 bits, rounded to the nearest
// integer (halves away from zero); -1 when denominator is 0 or the result
// does not fit.
int MulDiv(int number, int numerator, int denominator);
// What lfMessageFont of SPI_GETNONCLIENTMETRICS holds: the desktop's user
// interface font (GNOME's font setting when there is one, else fontconfig's
// sans-serif family at 9 points).
LOGFONTW DesktopMessageFont();
// The same with the face left as the setting names it, for a font that
// names its own face: no font is loaded to find the installed family.
LOGFONTW DesktopMessageFontStyle();

// --- device contexts ----------------------------------------------------------
// nullptr: a context for the screen, which measures but does not draw.
HDC GetDC(HWND wnd);
int ReleaseDC(HWND wnd, HDC dc);  // 1 when released
HDC BeginPaint(HWND wnd, PAINTSTRUCT* paint);
BOOL EndPaint(HWND wnd, const PAINTSTRUCT* paint);

// Returns the object of the same kind selected before.
HGDIOBJ SelectObject(HDC dc, HGDIOBJ object);
COLORREF SetTextColor(HDC dc, COLORREF color);  // returns the previous colour
COLORREF GetTextColor(HDC dc);
COLORREF SetBkColor(HDC dc, COLORREF color);
COLORREF GetBkColor(HDC dc);
int SetBkMode(HDC dc, int mode);  // TRANSPARENT or OPAQUE; returns the previous mode
int GetBkMode(HDC dc);
// The viewport origin moves what is drawn; the extent is kept (the mapping
// mode is always MM_TEXT, where it has no effect).
BOOL SetViewportOrgEx(HDC dc, int x, int y, POINT* previous);
BOOL SetViewportExtEx(HDC dc, int x, int y, SIZE* previous);

// --- update regions ---------------------------------------------------------------
// rect nullptr: the whole client area. wnd nullptr: every top-level window.
BOOL InvalidateRect(HWND wnd, const RECT* rect, BOOL erase);
BOOL ValidateRect(HWND wnd, const RECT* rect);
// The bounds of the update region (an empty rectangle when there is none);
// returns whether it is not empty.
BOOL GetUpdateRect(HWND wnd, RECT* rect, BOOL erase);
// Sends WM_PAINT now when the update region is not empty.
BOOL UpdateWindow(HWND wnd);

// --- drawing ----------------------------------------------------------------------
// Rectangles exclude their right and bottom edges. Hatches are 8 x 8 pixel
// patterns aligned to the context's origin, drawn over the background
// colour in OPAQUE mode and over what is there in TRANSPARENT mode.
// brush may be a system colour index + 1, as window classes give it.
int FillRect(HDC dc, const RECT* rect, HBRUSH brush);
// Filled with the brush, outlined with the pen.
BOOL Rectangle(HDC dc, int left, int top, int right, int bottom);
BOOL MoveToEx(HDC dc, int x, int y, POINT* previous);
BOOL LineTo(HDC dc, int x, int y);  // the end point itself is not drawn
// One line of text with its top-left corner at (x, y), in the selected font
// and text colour, on the background colour in OPAQUE mode.
BOOL TextOutW(HDC dc, int x, int y, LPCWSTR text, int count);
BOOL GetTextExtentPoint32W(HDC dc, LPCWSTR text, int count, SIZE* size);
// CLR_INVALID outside the context's visible area.
COLORREF GetPixel(HDC dc, int x, int y);

}  // namespace varnika
