// A classic top-level window (320 x 240, button-face background) that paints
// through its canvas: WM_PAINT selects copies of the window's brush, pen and
// font into the paint context and calls Repaint. Its life's events come from
// TTopLevel (toolkit/TopLevel.h).
#pragma once

#include "toolkit/TopLevel.h"
#include "toolkit/WinControl.h"

namespace varnika {

extern template class TTopLevel<TWinControl>;

class TWindow : public TTopLevel<TWinControl> {
 public:
  explicit TWindow(TComponent* owner);

  BYTE Opacity() const { return opacity_; }
  // Applied with SetLayeredWindowAttributes, which shows only on a window
  // that has WS_EX_LAYERED (TWindow does not set it by itself).
  void SetOpacity(BYTE opacity);

 protected:
  void CreateParams(TCreateParams& params) override;
  void WMPaint(TWidgetMessage& message) override;
  // Applies Opacity.
  void DoCreate() override;

 private:
  void ApplyOpacity();

  BYTE opacity_ = 255;
};

}  // namespace varnika
