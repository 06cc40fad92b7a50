#include "toolkit/Canvas.h"

namespace varnika {

TCanvas::TCanvas()
    : font_(std::make_unique<TFont>()), brush_(std::make_unique<TSolidBrush>()), pen_(std::make_unique<TPen>()) {
  brush_->SetColor(clWindow);
  pen_->SetColor(0);
  font_->OnChange = [this](TGraphicObject*) { FontChanged(); };
  brush_->OnChange = [this](TGraphicObject*) { BrushChanged(); };
  pen_->OnChange = [this](TGraphicObject*) { PenChanged(); };
}

void TCanvas::FontChanged() {
  if (handle_) {
    SelectObject(handle_, font_->Handle());
    SetTextColor(handle_, ColorToRGB(font_->Color()));
  }
  Changed();
}

void TCanvas::BrushChanged() {
  if (handle_) SelectObject(handle_, brush_->Handle());
  Changed();
}

void TCanvas::PenChanged() {
  if (handle_) SelectObject(handle_, pen_->Handle());
  Changed();
}

}  // namespace varnika
