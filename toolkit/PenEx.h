// The pen that lines are drawn with: colour, width and dash style. Its
// native object is a cairo solid pattern in its colour; ApplyTo sets the
// stroke parameters of a cairo context.
#pragma once

#include "toolkit/ArgbColor.h"
#include "toolkit/CairoHandles.h"
#include "toolkit/GraphicObjectEx.h"

namespace varnika {

enum DashStyle {
  DashStyleSolid = 0,
  DashStyleDash = 1,
  DashStyleDot = 2,
  DashStyleDashDot = 3,
  DashStyleDashDotDot = 4,
  DashStyleCustom = 5,
};

class TPenEx : public TGraphicObjectEx {
 public:
  static constexpr ARGB kDefaultColor = 0xFF000000;

  TPenEx();

  cairo_pattern_t* Handle() const { return handle_.get(); }
  ARGB Color() const { return color_; }
  void SetColor(ARGB color);
  float Width() const { return width_; }
  void SetWidth(float width);
  DashStyle Style() const { return style_; }
  void SetStyle(DashStyle style);
  void Assign(const TGraphicObjectEx& source) override;

  // Source, line width, dashes (in multiples of the width), flat caps and
  // mitred joins. A width of 0 or less strokes one pixel wide.
  void ApplyTo(cairo_t* cr) const;

 private:
  void CreateHandle();
  void FreeHandle() { handle_.reset(); }

  CairoPatternPtr handle_;
  ARGB color_ = kDefaultColor;
  float width_ = 1.0f;
  DashStyle style_ = DashStyleSolid;
};

}  // namespace varnika
