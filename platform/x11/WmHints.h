// What the backend tells the window manager about a window (ICCCM and EWMH
// properties and requests), and what it reads from the root window.
// Internal to platform/x11.
#pragma once

#include "platform/x11/XIncludes.h"

#include <cstdint>
#include <string>
#include <vector>

#include "platform/Messages.h"
#include "platform/x11/X11Atoms.h"

namespace varnika::x11 {

// WM_CLASS (instance and class both the window class name), WM_CLIENT_MACHINE,
// _NET_WM_PID, WM_PROTOCOLS (WM_DELETE_WINDOW, _NET_WM_PING), WM_HINTS (takes
// input) and no decorations (_MOTIF_WM_HINTS).
void SetIdentity(Display* display, ::Window window, const Atoms& atoms, const std::string& class_name);
// WM_NORMAL_HINTS: the program chose the position and size (USPosition,
// PPosition, USSize, PSize), so the manager neither centres nor places it.
void SetPositionHints(Display* display, ::Window window, const RECT& rect);
void SetTitle(Display* display, ::Window window, const Atoms& atoms, const std::string& utf8);
void SetTransientFor(Display* display, ::Window window, ::Window owner);
void SetWindowType(Display* display, ::Window window, const Atoms& atoms, Atom type);

// The _NET_WM_STATE entries the backend keeps: ABOVE, and for a tool window
// (a desktop widget) SKIP_TASKBAR, SKIP_PAGER and STICKY.
struct WmState {
  bool above = false;
  bool tool = false;
  friend bool operator==(const WmState&, const WmState&) = default;
};
// Writes the property (a window that is not mapped, or no window manager).
void WriteState(Display* display, ::Window window, const Atoms& atoms, WmState state);
// Asks the window manager to change a mapped window's state (a client
// message to the root window).
void RequestState(Display* display, ::Window root, ::Window window, const Atoms& atoms, Atom entry, bool on,
                  Atom second_entry = 0);
// _NET_WM_DESKTOP: on every desktop (0xFFFFFFFF) for a tool window, else
// none of the program's choosing (a window that is not mapped, or no window
// manager).
void WriteDesktop(Display* display, ::Window window, const Atoms& atoms, bool all_desktops);
// Asks the window manager to move a mapped window to every desktop, or back
// to the current one.
void RequestDesktop(Display* display, ::Window root, ::Window window, const Atoms& atoms, bool all_desktops);
// Asks the window manager to move the window with the pointer while the user
// holds x_button, from the pointer's root position (_NET_WM_MOVERESIZE_MOVE).
void RequestMove(Display* display, ::Window root, ::Window window, const Atoms& atoms, POINT pointer,
                 unsigned x_button);
// Asks the window manager to activate the window.
void RequestActivation(Display* display, ::Window root, ::Window window, const Atoms& atoms, Time time);
// Answers a window manager's _NET_WM_PING.
void AnswerPing(Display* display, ::Window root, const XClientMessageEvent& ping);

// _NET_WM_ICON from width x height ARGB32 pixels (not premultiplied).
void SetIcon(Display* display, ::Window window, const Atoms& atoms, const std::uint32_t* argb, int width,
             int height);

// Whether an EWMH window manager runs (_NET_SUPPORTING_WM_CHECK is set on
// the root and on the window it names).
bool WindowManagerRunning(Display* display, ::Window root, const Atoms& atoms);
// Whether the window manager lists the atom in _NET_SUPPORTED.
bool ManagerSupports(Display* display, ::Window root, const Atoms& atoms, Atom feature);
// The current desktop's entry of _NET_WORKAREA; false when there is none.
bool ReadWorkArea(Display* display, ::Window root, const Atoms& atoms, RECT* rect);
// The RandR monitors (active ones), the primary first; empty without RandR
// 1.5 or when the server lists none.
std::vector<RECT> ReadMonitors(Display* display, ::Window root);

}  // namespace varnika::x11
