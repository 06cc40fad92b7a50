// The busy animation (5003): 18 frames of 18 x 18 stacked vertically, a
// comet that runs round a faint ring, 20 degrees further in each frame.
#include <cmath>
#include <numbers>

#include "resources/art/SkinArt.h"

namespace varnika::art {

namespace {

constexpr int kFrame = 18;
constexpr int kFrames = 18;

void DrawFrame(cairo_t* cr, int n) {
  constexpr double pi = std::numbers::pi;
  // Centred a little left of the frame's middle: the status text follows
  // right after the frame.
  const double cx = 8, cy = 8.5, r = 5.5;
  cairo_set_line_width(cr, 2.2);
  cairo_arc(cr, cx, cy, r, 0, 2 * pi);
  SetSource(cr, Hex(0xFFFFFF, 0.20));
  cairo_stroke(cr);

  // The tail fades out over 160 degrees behind the head.
  const double head = -pi / 2 + n * 2 * pi / kFrames;
  constexpr int kPieces = 32;
  constexpr double kTail = 160.0 / 180.0 * pi;
  cairo_set_line_cap(cr, CAIRO_LINE_CAP_BUTT);
  for (int i = 0; i < kPieces; ++i) {
    const double a0 = head - kTail + kTail * i / kPieces;
    const double a1 = head - kTail + kTail * (i + 1) / kPieces + 0.01;
    const double t = (i + 1.0) / kPieces;
    cairo_new_path(cr);
    cairo_arc(cr, cx, cy, r, a0, a1);
    SetSource(cr, Hex(0xFFFFFF, 0.95 * t));
    cairo_stroke(cr);
  }
  // The head: a round dot in the accent colour.
  cairo_new_path(cr);
  cairo_arc(cr, cx + r * std::cos(head), cy + r * std::sin(head), 1.8, 0, 2 * pi);
  SetSource(cr, kAccent);
  cairo_fill(cr);
}

}  // namespace

void DrawThrobberStrip(cairo_t* cr, int, int) {
  for (int n = 0; n < kFrames; ++n) {
    cairo_save(cr);
    cairo_rectangle(cr, 0, n * kFrame, kFrame, kFrame);
    cairo_clip(cr);
    cairo_translate(cr, 0, n * kFrame);
    DrawFrame(cr, n);
    cairo_restore(cr);
  }
}

}  // namespace varnika::art
