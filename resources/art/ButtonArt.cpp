// The header buttons (5012 close, 5013 options; 20 x 20 each): a light
// translucent disc on the blue band with a white glyph.
#include <cmath>
#include <numbers>

#include "resources/art/SkinArt.h"

namespace varnika::art {

namespace {

constexpr double pi = std::numbers::pi;

void Disc(cairo_t* cr) {
  cairo_arc(cr, 10, 10, 9.5, 0, 2 * pi);
  SetSource(cr, Hex(0xFFFFFF, 0.14));
  cairo_fill(cr);
  cairo_arc(cr, 10, 10, 9, 0, 2 * pi);
  cairo_set_line_width(cr, 1);
  SetSource(cr, Hex(0xFFFFFF, 0.18));
  cairo_stroke(cr);
}

}  // namespace

void DrawCloseButton(cairo_t* cr, int, int) {
  Disc(cr);
  constexpr double arm = 3.5;
  RoundLine(cr, 10 - arm, 10 - arm, 10 + arm, 10 + arm, 1.8, kWhite);
  RoundLine(cr, 10 - arm, 10 + arm, 10 + arm, 10 - arm, 1.8, kWhite);
}

void DrawOptionsButton(cairo_t* cr, int, int) {
  Disc(cr);
  // A gear of eight teeth with a hole, filled even-odd.
  constexpr int kTeeth = 8;
  constexpr double outer = 5.6, inner = 4.1, hole = 1.7;
  cairo_save(cr);
  cairo_translate(cr, 10, 10);
  cairo_new_path(cr);
  for (int i = 0; i < kTeeth; ++i) {
    const double a = i * 2 * pi / kTeeth;
    const double half_tooth = pi / kTeeth * 0.45;
    const double half_gap = pi / kTeeth - half_tooth;
    cairo_arc(cr, 0, 0, inner, a - pi / kTeeth, a - half_tooth - half_gap * 0.2);
    cairo_line_to(cr, outer * std::cos(a - half_tooth), outer * std::sin(a - half_tooth));
    cairo_arc(cr, 0, 0, outer, a - half_tooth, a + half_tooth);
    cairo_line_to(cr, inner * std::cos(a + half_tooth + half_gap * 0.2), inner * std::sin(a + half_tooth + half_gap * 0.2));
  }
  cairo_close_path(cr);
  cairo_new_sub_path(cr);
  cairo_arc_negative(cr, 0, 0, hole, 0, -2 * pi);
  cairo_set_fill_rule(cr, CAIRO_FILL_RULE_EVEN_ODD);
  SetSource(cr, kWhite);
  cairo_fill(cr);
  cairo_restore(cr);
}

}  // namespace varnika::art
