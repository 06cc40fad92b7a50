// A top-level layered window: the root of a tree of layered controls. Its
// canvas holds the whole composed picture, which UpdateLayer hands to the
// window system with the window's Opacity as constant alpha. It starts hidden.
// Its life's events come from TTopLevel (toolkit/TopLevel.h).
#pragma once

#include "toolkit/ControlEx.h"
#include "toolkit/TopLevel.h"

namespace varnika {

extern template class TTopLevel<TControlEx>;

class TWindowEx : public TTopLevel<TControlEx> {
 public:
  explicit TWindowEx(TComponent* owner);

  bool AlwaysTop() const { return always_top_; }
  void SetAlwaysTop(bool always_top);
  // Lets the mouse through the window (WS_EX_TRANSPARENT).
  bool Transparent() const { return transparent_; }
  void SetTransparent(bool transparent);

  void Update() override { Repaint(); }
  // The canvas goes to the screen at (Left, Top) with Opacity.
  void UpdateLayer() override;
  // Repaints the whole tree now, unless a repaint is already running.
  void Invalidate() override;

  TNotifyEvent OnShow;
  TNotifyEvent OnHide;
  TNotifyEvent OnDeactivate;  // kept for users; no message raises it
  TNotifyEvent OnResize;

 protected:
  void CreateParams(TCreateParams& params) override;
  void WMSize(TWidgetMessage& message) override;
  void WMShowWindow(TWidgetMessage& message) override;

 private:
  bool always_top_ = false;
  bool transparent_ = false;
};

}  // namespace varnika
