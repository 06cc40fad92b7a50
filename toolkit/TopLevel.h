// What every top-level window of the toolkit does with its window's life:
// creation, destruction, activation, closing and timers become events.
// TWindow (a classic window) and TWindowEx (a layered one) both stand on it,
// over their own control base.
//
// On WM_CREATE the base's handling runs first, then OnCreate, then the
// class's DoCreate; on WM_DESTROY OnDestroy runs before the base's handling.
// These six messages get no default processing. The two bases are
// instantiated once, in TopLevel.cpp.
#pragma once

#include "toolkit/Control.h"

namespace varnika {

template <typename Base>
class TTopLevel : public Base {
 public:
  explicit TTopLevel(TComponent* owner) : Base(owner) {}

  void WndProc(TWidgetMessage& message) override;

  TNotifyEvent OnCreate;
  TNotifyEvent OnDestroy;
  TCloseEvent OnClose;
  TActivateEvent OnActivate;
  TMouseActivateEvent OnMouseActivate;
  TTimerEvent OnTimer;

 protected:
  void WMCreate(TWidgetMessage& message) override;
  void WMDestroy(TWidgetMessage& message) override;

  // Raises OnClose (caFree unless the handler says otherwise), then hides
  // (caHide) or destroys (caFree) the window.
  virtual void WMClose(TWidgetMessage& message);
  virtual void WMActivate(TWidgetMessage& message);
  // Answers MA_ACTIVATE unless OnMouseActivate changes it.
  virtual void WMMouseActivate(TWidgetMessage& message);
  virtual void WMTimer(TWidgetMessage& message);
  // Called when the window has been created, after OnCreate.
  virtual void DoCreate() {}
};

}  // namespace varnika
