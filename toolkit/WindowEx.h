// A top-level layered window: the root of a tree of layered controls. Its
// canvas holds the whole composed picture, which UpdateLayer hands to the
// window system with the window's Opacity as constant alpha. It starts hidden.
#pragma once

#include "toolkit/ControlEx.h"

namespace varnika {

class TWindowEx : public TControlEx {
 public:
  explicit TWindowEx(TComponent* owner);

  bool AlwaysTop() const { return always_top_; }
  void SetAlwaysTop(bool always_top);
  // Lets the mouse through the window (WS_EX_TRANSPARENT).
  bool Transparent() const { return transparent_; }
  void SetTransparent(bool transparent);

  void WndProc(TWidgetMessage& message) override;
  void Update() override { Repaint(); }
  // The canvas goes to the screen at (Left, Top) with Opacity.
  void UpdateLayer() override;
  // Repaints the whole tree now, unless a repaint is already running.
  void Invalidate() override;

  TNotifyEvent OnCreate;
  TNotifyEvent OnDestroy;
  TCloseEvent OnClose;
  TActivateEvent OnActivate;
  TMouseActivateEvent OnMouseActivate;
  TTimerEvent OnTimer;
  TNotifyEvent OnShow;
  TNotifyEvent OnHide;
  TNotifyEvent OnDeactivate;  // kept for users; no message raises it
  TNotifyEvent OnResize;

 protected:
  void CreateParams(TCreateParams& params) override;
  void WMCreate(TWidgetMessage& message) override;
  void WMDestroy(TWidgetMessage& message) override;
  void WMSize(TWidgetMessage& message) override;
  void WMShowWindow(TWidgetMessage& message) override;

  virtual void WMClose(TWidgetMessage& message);
  virtual void WMActivate(TWidgetMessage& message);
  virtual void WMMouseActivate(TWidgetMessage& message);
  virtual void WMTimer(TWidgetMessage& message);
  // Called when the window has been created, after OnCreate.
  virtual void DoCreate() {}

 private:
  friend struct TWindowExDispatch;

  bool always_top_ = false;
  bool transparent_ = false;
};

}  // namespace varnika
