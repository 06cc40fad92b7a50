#include "platform/x11/X11Atoms.h"

#include <string>

#include "platform/x11/X11Backend.h"

namespace varnika::x11 {

void Atoms::Intern(Display* display, int screen) {
  std::string cm = "_NET_WM_CM_S" + std::to_string(screen);
  struct Entry {
    const char* name;
    Atom* slot;
  };
  const Entry entries[] = {
      {"WM_PROTOCOLS", &wm_protocols},
      {"WM_DELETE_WINDOW", &wm_delete_window},
      {"_NET_WM_PING", &net_wm_ping},
      {"_NET_WM_PID", &net_wm_pid},
      {"_NET_WM_NAME", &net_wm_name},
      {"UTF8_STRING", &utf8_string},
      {"_NET_WM_STATE", &net_wm_state},
      {"_NET_WM_STATE_ABOVE", &net_wm_state_above},
      {"_NET_WM_STATE_SKIP_TASKBAR", &net_wm_state_skip_taskbar},
      {"_NET_WM_STATE_SKIP_PAGER", &net_wm_state_skip_pager},
      {"_NET_WM_STATE_STICKY", &net_wm_state_sticky},
      {"_NET_WM_DESKTOP", &net_wm_desktop},
      {"_NET_WM_MOVERESIZE", &net_wm_moveresize},
      {"_NET_SUPPORTED", &net_supported},
      {"_NET_WM_WINDOW_TYPE", &net_wm_window_type},
      {"_NET_WM_WINDOW_TYPE_NORMAL", &net_wm_window_type_normal},
      {"_NET_WM_WINDOW_TYPE_UTILITY", &net_wm_window_type_utility},
      {"_NET_WM_WINDOW_TYPE_TOOLTIP", &net_wm_window_type_tooltip},
      {"_NET_WM_WINDOW_TYPE_POPUP_MENU", &net_wm_window_type_popup_menu},
      {"_NET_WM_WINDOW_TYPE_DIALOG", &net_wm_window_type_dialog},
      {"_MOTIF_WM_HINTS", &motif_wm_hints},
      {"_NET_ACTIVE_WINDOW", &net_active_window},
      {"_NET_WORKAREA", &net_workarea},
      {"_NET_CURRENT_DESKTOP", &net_current_desktop},
      {"_NET_SUPPORTING_WM_CHECK", &net_supporting_wm_check},
      {"_NET_WM_ICON", &net_wm_icon},
      {cm.c_str(), &net_wm_cm},
      {kForeignMessageAtom, &message},
      {"_VARNIKA_TIMESTAMP", &timestamp},
  };
  constexpr int kCount = sizeof(entries) / sizeof(entries[0]);
  char* names[kCount];
  Atom atoms[kCount];
  for (int i = 0; i < kCount; ++i) names[i] = const_cast<char*>(entries[i].name);
  XInternAtoms(display, names, kCount, False, atoms);
  for (int i = 0; i < kCount; ++i) *entries[i].slot = atoms[i];
}

}  // namespace varnika::x11
