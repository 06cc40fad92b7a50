#include "toolkit/TopLevel.h"

#include <cstdint>

#include "platform/Window.h"
#include "toolkit/ControlEx.h"
#include "toolkit/WinControl.h"

namespace varnika {

template <typename Base>
void TTopLevel<Base>::WndProc(TWidgetMessage& message) {
  switch (message.Msg) {
    case WM_CREATE: WMCreate(message); return;
    case WM_DESTROY: WMDestroy(message); return;
    case WM_ACTIVATE: WMActivate(message); return;
    case WM_CLOSE: WMClose(message); return;
    case WM_MOUSEACTIVATE: WMMouseActivate(message); return;
    case WM_TIMER: WMTimer(message); return;
    default: Base::WndProc(message);
  }
}

template <typename Base>
void TTopLevel<Base>::WMCreate(TWidgetMessage& message) {
  Base::WMCreate(message);
  if (OnCreate) OnCreate(this);
  DoCreate();
}

template <typename Base>
void TTopLevel<Base>::WMDestroy(TWidgetMessage& message) {
  if (OnDestroy) OnDestroy(this);
  Base::WMDestroy(message);
}

template <typename Base>
void TTopLevel<Base>::WMActivate(TWidgetMessage& message) {
  if (OnActivate) OnActivate(this, LoWord(message.WParam), reinterpret_cast<HWND>(message.LParam));
}

template <typename Base>
void TTopLevel<Base>::WMClose(TWidgetMessage&) {
  TCloseAction action = TCloseAction::caFree;
  if (OnClose) OnClose(this, action);
  if (action == TCloseAction::caHide)
    this->SetVisible(false);
  else if (action == TCloseAction::caFree)
    DestroyWindow(this->WindowHandle());
}

template <typename Base>
void TTopLevel<Base>::WMMouseActivate(TWidgetMessage& message) {
  message.Result = MA_ACTIVATE;
  if (!OnMouseActivate) return;
  int result = static_cast<int>(message.Result);
  const auto lparam = static_cast<std::uintptr_t>(message.LParam);
  OnMouseActivate(this, LoWord(lparam), HiWord(lparam), result);
  message.Result = result;
}

template <typename Base>
void TTopLevel<Base>::WMTimer(TWidgetMessage& message) {
  if (OnTimer) OnTimer(this, static_cast<int>(message.WParam));
}

template class TTopLevel<TWinControl>;
template class TTopLevel<TControlEx>;

}  // namespace varnika
