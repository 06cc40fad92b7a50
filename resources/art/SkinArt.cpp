#include "resources/art/SkinArt.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <vector>

namespace varnika::art {

namespace {

// One box blur of radius r along rows (horizontal) or columns, on 8-bit
// alpha values with a running sum.
void BoxBlur(std::vector<double>& a, int w, int h, int r, bool horizontal) {
  if (r <= 0) return;
  const int lines = horizontal ? h : w;
  const int length = horizontal ? w : h;
  std::vector<double> line(static_cast<std::size_t>(length));
  for (int l = 0; l < lines; ++l) {
    auto at = [&](int i) -> double& {
      return horizontal ? a[static_cast<std::size_t>(l * w + i)] : a[static_cast<std::size_t>(i * w + l)];
    };
    for (int i = 0; i < length; ++i) line[static_cast<std::size_t>(i)] = at(i);
    double sum = 0;
    for (int i = -r; i <= r; ++i) sum += (i >= 0 && i < length) ? line[static_cast<std::size_t>(i)] : 0;
    for (int i = 0; i < length; ++i) {
      at(i) = sum / (2 * r + 1);
      const int leaving = i - r, entering = i + r + 1;
      if (leaving >= 0) sum -= line[static_cast<std::size_t>(leaving)];
      if (entering < length) sum += line[static_cast<std::size_t>(entering)];
    }
  }
}

}  // namespace

void SetSource(cairo_t* cr, Rgba c) { cairo_set_source_rgba(cr, c.r, c.g, c.b, c.a); }

void SetVerticalGradient(cairo_t* cr, double y0, double y1, Rgba top, Rgba bottom) {
  cairo_pattern_t* p = cairo_pattern_create_linear(0, y0, 0, y1);
  cairo_pattern_add_color_stop_rgba(p, 0, top.r, top.g, top.b, top.a);
  cairo_pattern_add_color_stop_rgba(p, 1, bottom.r, bottom.g, bottom.b, bottom.a);
  cairo_set_source(cr, p);
  cairo_pattern_destroy(p);
}

void RoundedRect(cairo_t* cr, double x, double y, double w, double h, double tl, double tr, double br, double bl) {
  constexpr double q = std::numbers::pi / 2;
  cairo_new_sub_path(cr);
  if (tr > 0) cairo_arc(cr, x + w - tr, y + tr, tr, -q, 0); else cairo_line_to(cr, x + w, y);
  if (br > 0) cairo_arc(cr, x + w - br, y + h - br, br, 0, q); else cairo_line_to(cr, x + w, y + h);
  if (bl > 0) cairo_arc(cr, x + bl, y + h - bl, bl, q, 2 * q); else cairo_line_to(cr, x, y + h);
  if (tl > 0) cairo_arc(cr, x + tl, y + tl, tl, 2 * q, 3 * q); else cairo_line_to(cr, x, y);
  cairo_close_path(cr);
}

void SoftShadow(cairo_t* cr, int width, int height, const std::function<void(cairo_t*)>& shape, double dx,
                double dy, double sigma, Rgba color) {
  // The mask has the pixels of the target: at twice the resolution it is
  // blurred over twice as many of them.
  double scale = 1, unused = 0;
  cairo_user_to_device_distance(cr, &scale, &unused);
  width = static_cast<int>(std::lround(width * scale));
  height = static_cast<int>(std::lround(height * scale));
  sigma *= scale;
  cairo_surface_t* mask = cairo_image_surface_create(CAIRO_FORMAT_A8, width, height);
  cairo_t* m = cairo_create(mask);
  cairo_scale(m, scale, scale);
  cairo_translate(m, dx, dy);
  shape(m);
  cairo_set_source_rgba(m, 0, 0, 0, 1);
  cairo_fill(m);
  cairo_destroy(m);
  cairo_surface_flush(mask);

  // Three box blurs come close to a Gaussian of the same deviation.
  const int stride = cairo_image_surface_get_stride(mask);
  unsigned char* data = cairo_image_surface_get_data(mask);
  std::vector<double> a(static_cast<std::size_t>(width * height));
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) a[static_cast<std::size_t>(y * width + x)] = data[y * stride + x];
  const int r = std::max(0, static_cast<int>(std::lround(std::sqrt(12.0 * sigma * sigma / 3 + 1) / 2 - 0.5)));
  for (int pass = 0; pass < 3; ++pass) {
    BoxBlur(a, width, height, r, true);
    BoxBlur(a, width, height, r, false);
  }
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      data[y * stride + x] = static_cast<unsigned char>(std::clamp(std::lround(a[static_cast<std::size_t>(y * width + x)]), 0L, 255L));
  cairo_surface_mark_dirty(mask);
  cairo_surface_set_device_scale(mask, scale, scale);

  SetSource(cr, color);
  cairo_mask_surface(cr, mask, 0, 0);
  cairo_surface_destroy(mask);
}

void RoundLine(cairo_t* cr, double x0, double y0, double x1, double y1, double width, Rgba color) {
  cairo_save(cr);
  cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
  cairo_set_line_width(cr, width);
  cairo_move_to(cr, x0, y0);
  cairo_line_to(cr, x1, y1);
  SetSource(cr, color);
  cairo_stroke(cr);
  cairo_restore(cr);
}

}  // namespace varnika::art
