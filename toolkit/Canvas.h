// The classic canvas: a font, a brush and a pen that it selects into its
// device context whenever they change while it has one (the font also sets
// the text colour). It holds a device context only while a window paints.
#pragma once

#include <functional>
#include <memory>

#include "toolkit/GraphicObject.h"

namespace varnika {

class TWinControl;

class TCanvas {
 public:
  using TNotifyEvent = std::function<void(TCanvas* sender)>;

  // The brush starts in the window colour, the pen black.
  TCanvas();
  virtual ~TCanvas() = default;
  TCanvas(const TCanvas&) = delete;
  TCanvas& operator=(const TCanvas&) = delete;

  HDC Handle() const { return handle_; }
  // Only stores: nothing is selected until an object changes.
  void SetHandle(HDC dc) { handle_ = dc; }
  TWinControl* Control() const { return control_; }
  void SetControl(TWinControl* control) { control_ = control; }

  TFont& Font() { return *font_; }
  TSolidBrush& Brush() { return *brush_; }
  TPen& Pen() { return *pen_; }

  virtual void Changed() {
    if (OnChange) OnChange(this);
  }

  TNotifyEvent OnChange;

 private:
  void FontChanged();
  void BrushChanged();
  void PenChanged();

  HDC handle_ = nullptr;
  TWinControl* control_ = nullptr;
  std::unique_ptr<TFont> font_;
  std::unique_ptr<TSolidBrush> brush_;
  std::unique_ptr<TPen> pen_;
};

}  // namespace varnika
