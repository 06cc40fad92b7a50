// A classic top-level window (320 x 240, button-face background) that paints
// through its canvas: WM_PAINT selects copies of the window's brush, pen and
// font into the paint context and calls Repaint. It turns creation,
// destruction, activation, closing and timers into events.
#pragma once

#include "toolkit/WinControl.h"

namespace varnika {

class TWindow : public TWinControl {
 public:
  explicit TWindow(TComponent* owner);

  void WndProc(TWidgetMessage& message) override;

  BYTE Opacity() const { return opacity_; }
  // Applied with SetLayeredWindowAttributes, which shows only on a window
  // that has WS_EX_LAYERED (TWindow does not set it by itself).
  void SetOpacity(BYTE opacity);

  TNotifyEvent OnCreate;
  TNotifyEvent OnDestroy;
  TCloseEvent OnClose;
  TActivateEvent OnActivate;
  TMouseActivateEvent OnMouseActivate;
  TTimerEvent OnTimer;

 protected:
  void CreateParams(TCreateParams& params) override;
  void WMCreate(TWidgetMessage& message) override;
  void WMDestroy(TWidgetMessage& message) override;
  void WMPaint(TWidgetMessage& message) override;

  virtual void WMClose(TWidgetMessage& message);
  virtual void WMActivate(TWidgetMessage& message);
  virtual void WMMouseActivate(TWidgetMessage& message);
  virtual void WMTimer(TWidgetMessage& message);
  // Applies Opacity, then raises OnCreate.
  virtual void DoCreate();

 private:
  friend struct TWindowDispatch;

  void ApplyOpacity();

  BYTE opacity_ = 255;
};

}  // namespace varnika
