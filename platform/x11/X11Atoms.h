// The atoms the display backend speaks, interned in one round trip.
// Internal to platform/x11.
#pragma once

#include "platform/x11/XIncludes.h"

namespace varnika::x11 {

struct Atoms {
  Atom wm_protocols = 0;
  Atom wm_delete_window = 0;
  Atom net_wm_ping = 0;
  Atom net_wm_pid = 0;
  Atom net_wm_name = 0;
  Atom utf8_string = 0;
  Atom net_wm_state = 0;
  Atom net_wm_state_above = 0;
  Atom net_wm_state_skip_taskbar = 0;
  Atom net_wm_state_skip_pager = 0;
  Atom net_wm_state_sticky = 0;
  Atom net_wm_desktop = 0;
  Atom net_wm_moveresize = 0;
  Atom net_supported = 0;
  Atom net_wm_window_type = 0;
  Atom net_wm_window_type_normal = 0;
  Atom net_wm_window_type_utility = 0;
  Atom net_wm_window_type_tooltip = 0;
  Atom net_wm_window_type_popup_menu = 0;
  Atom net_wm_window_type_dialog = 0;
  Atom motif_wm_hints = 0;
  Atom net_active_window = 0;
  Atom net_workarea = 0;
  Atom net_current_desktop = 0;
  Atom net_supporting_wm_check = 0;
  Atom net_wm_icon = 0;
  Atom net_wm_cm = 0;  // _NET_WM_CM_S<screen>
  Atom message = 0;    // kForeignMessageAtom
  Atom timestamp = 0;  // appended to (with nothing) to learn the server's time

  void Intern(Display* display, int screen);
};

}  // namespace varnika::x11
