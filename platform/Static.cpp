// The "STATIC" system class: draws nothing; without SS_NOTIFY the mouse
// passes through it to whatever lies below.
#include "platform/Core.h"
#include "platform/Input.h"
#include "platform/Window.h"
#include "platform/WindowSystem.h"

namespace varnika {
namespace {

LRESULT StaticProc(HWND wnd, UINT msg, WPARAM wparam, LPARAM lparam) {
  if (msg == WM_NCHITTEST && !(static_cast<DWORD>(GetWindowLongW(wnd, GWL_STYLE)) & SS_NOTIFY)) {
    return HTTRANSPARENT;
  }
  return DefWindowProcW(wnd, msg, wparam, lparam);
}

}  // namespace

namespace core {

void RegisterBuiltinClasses() {
  WNDCLASSW wc;
  wc.style = CS_DBLCLKS | CS_PARENTDC | CS_GLOBALCLASS;
  wc.lpfnWndProc = StaticProc;
  wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  wc.lpszClassName = u"STATIC";
  RegisterSystemClassW(&wc);
  RegisterMenuClass();
  RegisterToolTipClass();
  RegisterMessageBoxClass();
}

}  // namespace core
}  // namespace varnika
