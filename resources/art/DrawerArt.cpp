// The two panels that slide down over the headline list, drawn as drawers
// that come out from under the header band: a flat top edge, rounded lower
// corners and a shadow inside the image's own margin. The options panel
// (5005) is faded and tinted by the program before it shows, so it is drawn
// a little lighter than it will appear. Their small close buttons (5006,
// 5011) and the check boxes (5007, 5008) belong with them.
#include <cmath>

#include "resources/art/SkinArt.h"

namespace varnika::art {

namespace {

struct Drawer {
  double margin;  // left, right and bottom margin that holds the shadow
  double radius;
};

void DrawDrawer(cairo_t* cr, int width, int height, Drawer d) {
  const double w = width - 2 * d.margin, h = height - d.margin;
  auto shape = [&](cairo_t* c) { RoundedRect(c, d.margin, -20, w, h + 20, 0, 0, d.radius, d.radius); };
  SoftShadow(cr, width, height, shape, 0, 2, 3.0, Hex(0x0B1628, 0.30));

  cairo_save(cr);
  shape(cr);
  cairo_clip(cr);
  SetVerticalGradient(cr, 0, h, kWhite, Hex(0xF6F7F9));
  cairo_paint(cr);
  // The header's shade falls on the drawer's top.
  SetVerticalGradient(cr, 0, 7, Hex(0x0B1628, 0.16), Hex(0x0B1628, 0));
  cairo_rectangle(cr, 0, 0, width, 7);
  cairo_fill(cr);
  cairo_restore(cr);

  // Hairline along the sides and the bottom.
  cairo_save(cr);
  RoundedRect(cr, d.margin + 0.5, -20, w - 1, h + 20 - 0.5, 0, 0, d.radius - 0.5, d.radius - 0.5);
  cairo_set_line_width(cr, 1);
  SetSource(cr, Hex(0x0B1628, 0.22));
  cairo_stroke(cr);
  cairo_restore(cr);
}

// A round close button: a quiet disc and an x.
void DrawCloseGlyph(cairo_t* cr, double size, double disc_alpha, double arm, double stroke, Rgba ink) {
  const double c = size / 2;
  cairo_arc(cr, c, c, c - 0.5, 0, 2 * M_PI);
  SetSource(cr, Hex(0x22324D, disc_alpha));
  cairo_fill(cr);
  RoundLine(cr, c - arm, c - arm, c + arm, c + arm, stroke, ink);
  RoundLine(cr, c - arm, c + arm, c + arm, c - arm, stroke, ink);
}

void DrawBox(cairo_t* cr, bool checked) {
  // 14 x 14 pixels (x 1..14, y 3..16): the caption that follows at x = 20
  // keeps a clear gap from the box.
  RoundedRect(cr, 1.5, 3.5, 13, 13, 3);
  if (checked) {
    SetVerticalGradient(cr, 3, 17, Hex(0x3D66AD), kBrand);
    cairo_fill_preserve(cr);
    SetSource(cr, Hex(0x1F3D73));
  } else {
    SetVerticalGradient(cr, 3, 17, kWhite, Hex(0xEEF1F5));
    cairo_fill_preserve(cr);
    SetSource(cr, kMuted);
  }
  cairo_set_line_width(cr, 1);
  cairo_stroke(cr);
  if (!checked) return;
  cairo_save(cr);
  cairo_set_line_width(cr, 2);
  cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
  cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
  cairo_move_to(cr, 4.5, 10.5);
  cairo_line_to(cr, 7, 13);
  cairo_line_to(cr, 11.5, 7.5);
  SetSource(cr, kWhite);
  cairo_stroke(cr);
  cairo_restore(cr);
}

}  // namespace

void DrawOptionsPanel(cairo_t* cr, int width, int height) {
  DrawDrawer(cr, width, height, Drawer{6, 10});
  // A quiet rule between the options and the close button's row.
  SetSource(cr, Hex(0x22324D, 0.10));
  cairo_rectangle(cr, 40, 139, width - 80, 1);
  cairo_fill(cr);
}

void DrawAboutPanel(cairo_t* cr, int width, int height) {
  DrawDrawer(cr, width, height, Drawer{6, 12});
  // A rule between the icon's column and the texts.
  cairo_pattern_t* p = cairo_pattern_create_linear(0, 36, 0, 196);
  cairo_pattern_add_color_stop_rgba(p, 0, 0.13, 0.2, 0.3, 0);
  cairo_pattern_add_color_stop_rgba(p, 0.2, 0.13, 0.2, 0.3, 0.12);
  cairo_pattern_add_color_stop_rgba(p, 0.8, 0.13, 0.2, 0.3, 0.12);
  cairo_pattern_add_color_stop_rgba(p, 1, 0.13, 0.2, 0.3, 0);
  cairo_set_source(cr, p);
  cairo_pattern_destroy(p);
  cairo_rectangle(cr, 118, 36, 1, 160);
  cairo_fill(cr);
}

void DrawOptionsClose(cairo_t* cr, int width, int) { DrawCloseGlyph(cr, width, 0.10, 2.2, 1.5, kInk); }

void DrawAboutClose(cairo_t* cr, int width, int) { DrawCloseGlyph(cr, width, 0.08, 3.5, 1.8, kInk); }

void DrawCheckBoxClear(cairo_t* cr, int, int) { DrawBox(cr, false); }

void DrawCheckBoxSet(cairo_t* cr, int, int) { DrawBox(cr, true); }

}  // namespace varnika::art
