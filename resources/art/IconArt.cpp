// The program icon (ICON 101, the hicolor sizes, and the about panel's
// picture 5010): a blue rounded tile carrying a white news sheet with an
// orange headline bar and lines of text. The shapes are laid out on a
// 64-unit grid and snapped to whole pixels at every size; the smallest
// sizes show fewer text lines so that each stays a clear line of its own.
#include <algorithm>
#include <cmath>

#include "resources/art/SkinArt.h"

namespace varnika::art {

namespace {

struct Box {
  double x0, y0, x1, y1;
};

// Snaps a box of the 64-unit grid to whole pixels at `size`, keeping at
// least `min` pixels each way.
Box Snap(Box b, int size, double min = 1) {
  const double k = size / 64.0;
  Box s{std::round(b.x0 * k), std::round(b.y0 * k), std::round(b.x1 * k), std::round(b.y1 * k)};
  if (s.x1 - s.x0 < min) s.x1 = s.x0 + min;
  if (s.y1 - s.y0 < min) s.y1 = s.y0 + min;
  return s;
}

void Fill(cairo_t* cr, Box b, double radius, Rgba color) {
  RoundedRect(cr, b.x0, b.y0, b.x1 - b.x0, b.y1 - b.y0, radius);
  SetSource(cr, color);
  cairo_fill(cr);
}

}  // namespace

void DrawIcon(cairo_t* cr, int size, int) {
  const double k = size / 64.0;
  const bool tiny = size < 24;
  const bool small = size < 48;

  // Tile, with a soft shadow where the size leaves room for one.
  const Box tile = size >= 32 ? Snap({3, 2, 61, 60}, size) : Box{0, 0, double(size), double(size)};
  const double tile_r = std::max(2.0, std::round(13 * k));
  auto tile_shape = [&](cairo_t* c) {
    RoundedRect(c, tile.x0, tile.y0, tile.x1 - tile.x0, tile.y1 - tile.y0, tile_r);
  };
  if (size >= 32) SoftShadow(cr, size, size, tile_shape, 0, std::max(1.0, k), std::max(0.8, 1.2 * k), Hex(0x0B1628, 0.35));
  tile_shape(cr);
  SetVerticalGradient(cr, tile.y0, tile.y1, Hex(0x3A62A0), Hex(0x1E3760));
  cairo_fill(cr);
  if (size >= 32) {
    // A light edge along the tile's top.
    cairo_save(cr);
    tile_shape(cr);
    cairo_clip(cr);
    SetSource(cr, Hex(0xFFFFFF, 0.18));
    cairo_rectangle(cr, tile.x0, tile.y0, tile.x1 - tile.x0, std::max(1.0, std::round(k)));
    cairo_fill(cr);
    cairo_restore(cr);
  }

  // The sheet.
  const Box sheet = tiny ? Box{3, 3, double(size) - 3, double(size) - 2} : Snap({14, 12, 50, 53}, size);
  const double sheet_r = tiny ? 1 : std::max(1.0, std::round(3 * k));
  if (!tiny) {
    Box shade = sheet;
    shade.y0 += std::max(1.0, std::round(k));
    shade.y1 += std::max(1.0, std::round(k));
    Fill(cr, shade, sheet_r, Hex(0x0B1628, 0.30));
  }
  Fill(cr, sheet, sheet_r, kWhite);

  // Headline bar and text lines, inset from the sheet.
  const double inset = tiny ? 2 : std::round(5 * k);
  const double left = sheet.x0 + inset, right = sheet.x1 - inset;
  const double bar_h = tiny ? 2 : std::max(2.0, std::round(8 * k));
  double y = sheet.y0 + inset;
  Fill(cr, {left, y, right, y + bar_h}, 0, kAccent);
  y += bar_h + (tiny ? 2 : std::max(2.0, std::round(5 * k)));
  const double line_h = std::max(1.0, std::round(3 * k));
  const double pitch = tiny ? 2 : (small ? line_h + std::max(2.0, std::round(3 * k)) : std::round(5 * k));
  const double lengths[] = {1.0, 0.78, 0.9, 0.62};
  const int lines = tiny ? 2 : (small ? 3 : 4);
  for (int i = 0; i < lines && y + line_h <= sheet.y1 - inset + 0.5; ++i) {
    const double w = std::max(2.0, std::round((right - left) * lengths[i]));
    Fill(cr, {left, y, left + w, y + line_h}, 0, Hex(0x7C8AA3));
    y += pitch;
  }
}

}  // namespace varnika::art
