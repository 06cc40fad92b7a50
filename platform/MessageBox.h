// The message box: a modal dialog with a caption, a wrapped text, an
// information icon and push buttons, centred on its owner (or the work
// area) and kept inside the work area. While it is open the program's other
// top-level windows are disabled (and given back exactly the enabled state
// they had), so they get no input, while their timers and posted messages
// keep being dispatched. The owner is sent WM_ENTERIDLE (MSGF_DIALOGBOX,
// the box's window) whenever the box waits for input.
//
// Keys: Enter or Space presses the focused button (the default one until
// Tab, Shift+Tab or the arrows move the focus), Escape and closing the box
// answer "no" (IDNO; IDOK for a box with one button), Y or E answer "yes"
// and N or H answer "no". A click answers when the button is pressed and
// released over the same button. The caption drags the box.
//
// Supported: MB_YESNO ("Evet", "Hayır"; in English "Yes", "No") and MB_OK
// ("Tamam", "OK"; also used for the other button sets), MB_DEFBUTTON2,
// MB_ICONINFORMATION (the other icons show the same one), MB_TOPMOST (above
// every window).
//
// UI thread only.
#pragma once

#include "platform/Messages.h"

namespace varnika {

constexpr UINT MB_OK = 0x00000000;
constexpr UINT MB_YESNO = 0x00000004;
constexpr UINT MB_TYPEMASK = 0x0000000F;
constexpr UINT MB_ICONINFORMATION = 0x00000040;
constexpr UINT MB_ICONMASK = 0x000000F0;
constexpr UINT MB_DEFBUTTON1 = 0x00000000;
constexpr UINT MB_DEFBUTTON2 = 0x00000100;
constexpr UINT MB_TOPMOST = 0x00040000;

constexpr int IDOK = 1;
constexpr int IDYES = 6;
constexpr int IDNO = 7;

// WM_ENTERIDLE's WPARAM while a dialog waits for input.
constexpr WPARAM MSGF_DIALOGBOX = 0;

// Returns the answer (IDYES, IDNO or IDOK), or 0 when the box could not be
// shown or went away unanswered (its owner destroyed, WM_QUIT: which is
// posted again).
int MessageBoxW(HWND owner, LPCWSTR text, LPCWSTR caption, UINT type);

}  // namespace varnika
