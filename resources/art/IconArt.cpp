// Draws the program icon (resource ICON 101): a rounded tile with a folded
// news sheet carrying a title bar and three text lines. Run at build time:
//   varnika_icon_art <output.png>
#include <cairo.h>

#include <cmath>
#include <cstdio>

namespace {

constexpr int kSize = 64;

void RoundedRect(cairo_t* cr, double x, double y, double w, double h, double r) {
  constexpr double kQuarter = M_PI / 2;
  cairo_new_sub_path(cr);
  cairo_arc(cr, x + w - r, y + r, r, -kQuarter, 0);
  cairo_arc(cr, x + w - r, y + h - r, r, 0, kQuarter);
  cairo_arc(cr, x + r, y + h - r, r, kQuarter, 2 * kQuarter);
  cairo_arc(cr, x + r, y + r, r, 2 * kQuarter, 3 * kQuarter);
  cairo_close_path(cr);
}

void DrawTile(cairo_t* cr) {
  cairo_pattern_t* fill = cairo_pattern_create_linear(0, 0, 0, kSize);
  cairo_pattern_add_color_stop_rgb(fill, 0, 0.98, 0.55, 0.20);
  cairo_pattern_add_color_stop_rgb(fill, 1, 0.80, 0.20, 0.12);
  RoundedRect(cr, 2, 2, kSize - 4, kSize - 4, 12);
  cairo_set_source(cr, fill);
  cairo_fill_preserve(cr);
  cairo_pattern_destroy(fill);
  cairo_set_source_rgba(cr, 0.45, 0.08, 0.05, 0.8);
  cairo_set_line_width(cr, 2);
  cairo_stroke(cr);
}

void DrawSheet(cairo_t* cr) {
  RoundedRect(cr, 13, 12, 38, 40, 3);
  cairo_set_source_rgb(cr, 1, 0.98, 0.94);
  cairo_fill(cr);
  cairo_set_source_rgb(cr, 0.80, 0.20, 0.12);
  cairo_rectangle(cr, 18, 17, 28, 7);
  cairo_fill(cr);
  cairo_set_source_rgb(cr, 0.35, 0.35, 0.38);
  const double widths[] = {28, 24, 26};
  for (int i = 0; i < 3; ++i) {
    cairo_rectangle(cr, 18, 29 + i * 7, widths[i], 3);
  }
  cairo_fill(cr);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s <output.png>\n", argv[0]);
    return 2;
  }
  cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, kSize, kSize);
  cairo_t* cr = cairo_create(surface);
  DrawTile(cr);
  DrawSheet(cr);
  cairo_destroy(cr);
  cairo_status_t status = cairo_surface_write_to_png(surface, argv[1]);
  cairo_surface_destroy(surface);
  cairo_debug_reset_static_data();
  if (status != CAIRO_STATUS_SUCCESS) {
    std::fprintf(stderr, "%s: %s\n", argv[1], cairo_status_to_string(status));
    return 1;
  }
  return 0;
}
