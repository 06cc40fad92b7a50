// The tooltip window class "tooltips_class32". A tooltip window serves a
// set of tools: windows (TTF_IDISHWND: uId is the tool's window) or
// rectangles of a window. With TTF_SUBCLASS it watches the tools' mouse
// input itself; otherwise the program relays it with TTM_RELAYEVENT.
//
// When the pointer has rested on a tool for the initial delay (500 ms) the
// tip shows below and to the right of the pointer, kept on the screen; it
// hides when the pointer leaves the tool, on a click, and after the
// auto-pop delay (5000 ms); moving to another tool while a tip shows brings
// the next one after the reshow delay (100 ms). The times follow the
// window system's clock. A tool registered with LPSTR_TEXTCALLBACKW
// (TextCallbackW()) gets its text from WM_NOTIFY/TTN_GETDISPINFOW sent to
// the tool record's hwnd when the tip is about to show; an empty text shows
// nothing. Texts wrap at TTM_SETMAXTIPWIDTH; "&" prefixes are removed unless
// the window has TTS_NOPREFIX; without TTS_ALWAYSTIP tips show only while
// the tool's top-level window is active. The window's text is the text of
// the tip on show.
//
// The tool record TOOLINFOW, TTF_IDISHWND, TTF_SUBCLASS, TTM_ADDTOOLW,
// TTM_DELTOOLW and TTM_UPDATETIPTEXTW are in CommonControls.h.
#pragma once

#include "platform/CommonControls.h"

namespace varnika {

inline constexpr const char16_t* TOOLTIPS_CLASSW = u"tooltips_class32";

// Window styles (TTS_ALWAYSTIP, TTS_NOPREFIX and TTS_NOFADE are in
// CommonControls.h)
constexpr DWORD TTS_NOANIMATE = 0x10;

// Tool flags (besides TTF_IDISHWND and TTF_SUBCLASS)
constexpr UINT TTF_DI_SETITEM = 0x8000;  // in TTN_GETDISPINFOW: keep the text given

// Messages
constexpr UINT TTM_ACTIVATE = WM_USER + 1;        // WPARAM: TRUE shows tips, FALSE none
constexpr UINT TTM_SETDELAYTIME = WM_USER + 3;    // WPARAM: TTDT_*; LPARAM: ms, -1 for the default
constexpr UINT TTM_RELAYEVENT = WM_USER + 7;      // LPARAM: MSG* of a tool's mouse message
constexpr UINT TTM_GETTOOLCOUNT = WM_USER + 13;
constexpr UINT TTM_GETDELAYTIME = WM_USER + 21;   // WPARAM: TTDT_*
constexpr UINT TTM_POP = WM_USER + 28;             // hides the tip

constexpr WPARAM TTDT_AUTOMATIC = 0;  // sets all three from the initial delay
constexpr WPARAM TTDT_RESHOW = 1;
constexpr WPARAM TTDT_AUTOPOP = 2;
constexpr WPARAM TTDT_INITIAL = 3;

// Notifications (NMHDR::code)
constexpr UINT TTN_FIRST = static_cast<UINT>(-520);
constexpr UINT TTN_SHOW = TTN_FIRST - 1;
constexpr UINT TTN_POP = TTN_FIRST - 2;

}  // namespace varnika
