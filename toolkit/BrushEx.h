// Brushes. The native object of a solid brush is a cairo solid pattern in
// its colour.
#pragma once

#include "toolkit/ArgbColor.h"
#include "toolkit/CairoHandles.h"
#include "toolkit/GraphicObjectEx.h"

namespace varnika {

class TBrushEx : public TGraphicObjectEx {
 public:
  explicit TBrushEx(int brush_kind) : brush_kind_(brush_kind) {}
  int BrushKind() const { return brush_kind_; }
  // The pattern to fill with; the base has none.
  virtual cairo_pattern_t* Handle() const { return nullptr; }

 private:
  int brush_kind_;
};

class TSolidBrushEx : public TBrushEx {
 public:
  static constexpr ARGB kDefaultColor = 0xFF808080;

  explicit TSolidBrushEx(ARGB color = kDefaultColor);

  ARGB Color() const { return color_; }
  void SetColor(ARGB color);
  cairo_pattern_t* Handle() const override { return handle_.get(); }
  void Assign(const TGraphicObjectEx& source) override;

 private:
  void CreateHandle();
  void FreeHandle() { handle_.reset(); }

  ARGB color_;
  CairoPatternPtr handle_;
};

// A cairo solid pattern in an ARGB colour (straight, not premultiplied).
CairoPatternPtr CreateSolidPattern(ARGB color);

}  // namespace varnika
