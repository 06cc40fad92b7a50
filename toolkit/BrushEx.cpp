#include "toolkit/BrushEx.h"

namespace varnika {

CairoPatternPtr CreateSolidPattern(ARGB color) {
  return CairoPatternPtr(cairo_pattern_create_rgba(ColorRed(color) / 255.0, ColorGreen(color) / 255.0,
                                                   ColorBlue(color) / 255.0, ColorAlpha(color) / 255.0));
}

TSolidBrushEx::TSolidBrushEx(ARGB color) : TBrushEx(0), color_(color) { CreateHandle(); }

void TSolidBrushEx::CreateHandle() { handle_ = CreateSolidPattern(color_); }

void TSolidBrushEx::SetColor(ARGB color) {
  if (color == color_) return;
  color_ = color;
  // cairo's solid patterns are immutable: the new colour is a new pattern.
  CreateHandle();
}

void TSolidBrushEx::Assign(const TGraphicObjectEx& source) {
  const auto* brush = dynamic_cast<const TSolidBrushEx*>(&source);
  if (!brush) return;
  FreeHandle();
  color_ = brush->color_;
  CreateHandle();
}

}  // namespace varnika
