// The scroll bar: a slim groove (5000, 20 x 213) and the thumb that rides
// in it (5001, 18 x 70, placed one pixel in from the track's left edge, so
// both are centred on the track's x = 10).
#include "resources/art/SkinArt.h"

namespace varnika::art {

void DrawScrollTrack(cairo_t* cr, int, int height) {
  RoundedRect(cr, 8, 3, 4, height - 6, 2);
  SetSource(cr, Hex(0x22324D, 0.12));
  cairo_fill(cr);
}

void DrawScrollThumb(cairo_t* cr, int, int height) {
  // Eight pixels wide, centred on the thumb's x = 9; the outline runs on
  // pixel centres so that it stays one sharp pixel wide.
  RoundedRect(cr, 5, 2, 8, height - 4, 4);
  SetVerticalGradient(cr, 2, height - 2, Hex(0x5F7DB0), Hex(0x3F5F96));
  cairo_fill(cr);
  RoundedRect(cr, 5.5, 2.5, 7, height - 5, 3.5);
  cairo_set_line_width(cr, 1);
  SetSource(cr, Hex(0x22324D, 0.25));
  cairo_stroke(cr);
  // Grip: three short lines across the middle, on whole rows.
  SetSource(cr, Hex(0xFFFFFF, 0.55));
  for (int i = -1; i <= 1; ++i) {
    cairo_rectangle(cr, 7, height / 2 - 1 + i * 3, 4, 1);
    cairo_fill(cr);
  }
}

}  // namespace varnika::art
