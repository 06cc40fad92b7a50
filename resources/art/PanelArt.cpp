// The background (5002): a light panel with rounded corners and a soft
// shadow, a blue header band for the logo and the buttons, and a dark footer
// band whose white texts stay readable.
#include "resources/art/SkinArt.h"

namespace varnika::art {

namespace {

constexpr double kBodyWidth = kBodyRight - kBodyLeft;
constexpr double kBodyHeight = kBodyBottom - kBodyTop;

void BodyShape(cairo_t* cr) { RoundedRect(cr, kBodyLeft, kBodyTop, kBodyWidth, kBodyHeight, kBodyRadius); }

void DrawBands(cairo_t* cr) {
  // Header: blue, a faint light edge along its top, a crisp dark line and a
  // short shade below it, as if the content lay underneath.
  SetVerticalGradient(cr, kBodyTop, kHeaderBottom, kBandTop, kBandBottom);
  cairo_rectangle(cr, 0, 0, 475, kHeaderBottom);
  cairo_fill(cr);
  SetSource(cr, Hex(0xFFFFFF, 0.16));
  cairo_rectangle(cr, kBodyLeft, kBodyTop + 1, kBodyWidth, 1);
  cairo_fill(cr);
  SetSource(cr, Hex(0x142647));
  cairo_rectangle(cr, 0, kHeaderBottom - 1, 475, 1);
  cairo_fill(cr);
  SetVerticalGradient(cr, kHeaderBottom, kHeaderBottom + 6, Hex(0x0B1628, 0.10), Hex(0x0B1628, 0));
  cairo_rectangle(cr, 0, kHeaderBottom, 475, 6);
  cairo_fill(cr);

  // Footer: darker blue with a light line along its top.
  SetVerticalGradient(cr, kFooterTopY, kBodyBottom, kFooterTop, kFooterBottom);
  cairo_rectangle(cr, 0, kFooterTopY, 475, 350 - kFooterTopY);
  cairo_fill(cr);
  SetSource(cr, Hex(0x0E1C36));
  cairo_rectangle(cr, 0, kFooterTopY, 475, 1);
  cairo_fill(cr);
  SetSource(cr, Hex(0xFFFFFF, 0.10));
  cairo_rectangle(cr, 0, kFooterTopY + 1, 475, 1);
  cairo_fill(cr);
}

}  // namespace

void DrawPanel(cairo_t* cr, int width, int height) {
  // Two shadows: a wide soft one that falls a little downwards, and a
  // tight one that settles the edge.
  SoftShadow(cr, width, height, BodyShape, 0, 4, 5.0, Hex(0x0B1628, 0.30));
  SoftShadow(cr, width, height, BodyShape, 0, 1, 1.0, Hex(0x0B1628, 0.25));

  cairo_save(cr);
  BodyShape(cr);
  cairo_clip(cr);
  SetVerticalGradient(cr, kHeaderBottom, kFooterTopY, kSurfaceTop, kSurfaceBottom);
  cairo_paint(cr);
  DrawBands(cr);
  cairo_restore(cr);

  // A hairline around the body keeps its edge crisp on light desktops.
  cairo_save(cr);
  RoundedRect(cr, kBodyLeft + 0.5, kBodyTop + 0.5, kBodyWidth - 1, kBodyHeight - 1, kBodyRadius - 0.5);
  cairo_set_line_width(cr, 1);
  SetSource(cr, Hex(0x0B1628, 0.30));
  cairo_stroke(cr);
  cairo_restore(cr);
}

}  // namespace varnika::art
