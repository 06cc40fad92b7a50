// A classic control: a native window painted through WM_PAINT with a
// canvas, with a font (sent to the window with WM_SETFONT), a brush and a
// pen of its own. Its Repaint is the drawing hook that WM_PAINT calls
// (TWindow) for subclasses to draw on Canvas; Refresh invalidates the window.
#pragma once

#include <memory>

#include "toolkit/Canvas.h"
#include "toolkit/Control.h"

namespace varnika {

class TWinControl : public TControl {
 public:
  explicit TWinControl(TComponent* owner);
  ~TWinControl() override;

  TCanvas& Canvas() { return *canvas_; }
  TFont& Font() { return *font_; }
  TSolidBrush& Brush() { return *brush_; }
  TPen& Pen() { return *pen_; }
  TColor Color() const { return brush_->Color(); }
  void SetColor(TColor color) { brush_->SetColor(color); }
  BYTE Opacity() const { return opacity_; }
  void SetOpacity(BYTE opacity) { opacity_ = opacity; }

  void WndProc(TWidgetMessage& message) override;
  // Invalidates the whole window (erasing) when it exists.
  void Refresh() override;
  // The drawing hook; empty.
  void Repaint() override {}

 protected:
  void CreateWnd() override;
  virtual void WMPaint(TWidgetMessage& message);
  virtual void WMNCPaint(TWidgetMessage& message);
  virtual void WMEraseBkgnd(TWidgetMessage& message);

 private:
  friend struct TWinControlDispatch;

  std::unique_ptr<TCanvas> canvas_;
  std::unique_ptr<TFont> font_;
  std::unique_ptr<TSolidBrush> brush_;
  std::unique_ptr<TPen> pen_;
  BYTE opacity_ = 255;
};

}  // namespace varnika
