#include "toolkit/PenEx.h"

#include <array>
#include <span>

#include "toolkit/BrushEx.h"

namespace varnika {

namespace {

// Dash and gap lengths of each style, in multiples of the pen width.
std::span<const double> DashPattern(DashStyle style) {
  static constexpr std::array<double, 2> kDash{3, 1};
  static constexpr std::array<double, 2> kDot{1, 1};
  static constexpr std::array<double, 4> kDashDot{3, 1, 1, 1};
  static constexpr std::array<double, 6> kDashDotDot{3, 1, 1, 1, 1, 1};
  switch (style) {
    case DashStyleDash: return kDash;
    case DashStyleDot: return kDot;
    case DashStyleDashDot: return kDashDot;
    case DashStyleDashDotDot: return kDashDotDot;
    default: return {};  // solid; a custom style has no pattern of its own
  }
}

}  // namespace

TPenEx::TPenEx() { CreateHandle(); }

void TPenEx::CreateHandle() { handle_ = CreateSolidPattern(color_); }

void TPenEx::SetColor(ARGB color) {
  if (color == color_) return;
  color_ = color;
  CreateHandle();
}

void TPenEx::SetWidth(float width) {
  if (width == width_) return;
  width_ = width;
}

void TPenEx::SetStyle(DashStyle style) {
  if (style == style_) return;
  style_ = style;
}

void TPenEx::Assign(const TGraphicObjectEx& source) {
  const auto* pen = dynamic_cast<const TPenEx*>(&source);
  if (!pen) return;
  FreeHandle();
  color_ = pen->color_;
  width_ = pen->width_;
  style_ = pen->style_;
  CreateHandle();
}

void TPenEx::ApplyTo(cairo_t* cr) const {
  cairo_set_source(cr, handle_.get());
  double width = width_ > 0 ? width_ : 1.0;
  cairo_set_line_width(cr, width);
  cairo_set_line_cap(cr, CAIRO_LINE_CAP_BUTT);
  cairo_set_line_join(cr, CAIRO_LINE_JOIN_MITER);
  std::span<const double> pattern = DashPattern(style_);
  double dashes[6];
  for (std::size_t i = 0; i < pattern.size(); ++i) dashes[i] = pattern[i] * width;
  cairo_set_dash(cr, dashes, static_cast<int>(pattern.size()), 0);
}

}  // namespace varnika
