// The logo (5004, 136 x 40): the word "Varnika" as a monoline geometric
// wordmark in white on the header band, drawn from strokes (no font), with
// the dot of the i in the accent colour. Straight stems sit on whole pixels.
// The letters fill the image's upper part: its centre line lines up with the
// header buttons.
#include <numbers>

#include "resources/art/SkinArt.h"

namespace varnika::art {

namespace {

constexpr double pi = std::numbers::pi;
constexpr double kStroke = 4;
constexpr double kHalf = kStroke / 2;
// Centre lines of the strokes.
constexpr double kCapTop = 5;     // V and k reach up to here
constexpr double kXTop = 12;      // top of the short letters
constexpr double kBase = 25;      // baseline
constexpr double kBowl = 6.5;     // radius of round letters
constexpr double kBowlY = kBase - kBowl;
constexpr double kGap = 3.5;      // between the outer edges of two letters

void Stroke(cairo_t* cr) {
  cairo_set_line_width(cr, kStroke);
  cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
  cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
  SetSource(cr, kWhite);
  cairo_stroke(cr);
}

// Each letter takes the left outer edge and returns the right outer edge.
double LetterV(cairo_t* cr, double x) {
  const double l = x + kHalf, w = 17;
  cairo_move_to(cr, l, kCapTop);
  cairo_line_to(cr, l + w / 2, kBase);
  cairo_line_to(cr, l + w, kCapTop);
  Stroke(cr);
  return l + w + kHalf;
}

double LetterA(cairo_t* cr, double x) {
  const double cx = x + kHalf + kBowl;
  cairo_new_sub_path(cr);
  cairo_arc(cr, cx, kBowlY, kBowl, 0, 2 * pi);
  Stroke(cr);
  cairo_move_to(cr, cx + kBowl, kXTop);
  cairo_line_to(cr, cx + kBowl, kBase);
  Stroke(cr);
  return cx + kBowl + kHalf;
}

double LetterR(cairo_t* cr, double x) {
  const double s = x + kHalf, r = 6;
  cairo_move_to(cr, s, kBase);
  cairo_line_to(cr, s, kXTop);
  Stroke(cr);
  const double end = 1.62 * pi;
  cairo_arc(cr, s + r, kXTop + r, r, pi, end);
  Stroke(cr);
  return s + r + r * 0.35 + kHalf;
}

double LetterN(cairo_t* cr, double x) {
  const double s = x + kHalf;
  cairo_move_to(cr, s, kBase);
  cairo_line_to(cr, s, kXTop);
  Stroke(cr);
  cairo_move_to(cr, s, kBowlY);
  cairo_arc(cr, s + kBowl, kBowlY, kBowl, pi, 2 * pi);
  cairo_line_to(cr, s + 2 * kBowl, kBase);
  Stroke(cr);
  return s + 2 * kBowl + kHalf;
}

double LetterI(cairo_t* cr, double x) {
  const double s = x + kHalf;
  cairo_move_to(cr, s, kXTop);
  cairo_line_to(cr, s, kBase);
  Stroke(cr);
  cairo_arc(cr, s, kCapTop + 0.5, 2.6, 0, 2 * pi);
  SetSource(cr, kAccent);
  cairo_fill(cr);
  return s + kHalf;
}

double LetterK(cairo_t* cr, double x) {
  const double s = x + kHalf;
  cairo_move_to(cr, s, kCapTop);
  cairo_line_to(cr, s, kBase);
  Stroke(cr);
  cairo_move_to(cr, s + 10, kXTop);
  cairo_line_to(cr, s + 1, kBase - 5.5);
  Stroke(cr);
  cairo_move_to(cr, s + 4.5, kBase - 7.5);
  cairo_line_to(cr, s + 10.5, kBase);
  Stroke(cr);
  return s + 10.5 + kHalf;
}

}  // namespace

void DrawLogo(cairo_t* cr, int, int) {
  // Straight stems are 4 pixels wide: a whole-pixel left edge keeps them
  // sharp, so every letter starts on a whole pixel.
  auto next = [](double right, double gap = kGap) { return static_cast<double>(static_cast<int>(right + gap + 0.5)); };
  double x = 4;
  // The V's open top leaves room: the a tucks in closer.
  x = next(LetterV(cr, x), 1);
  x = next(LetterA(cr, x));
  x = next(LetterR(cr, x));
  x = next(LetterN(cr, x));
  x = next(LetterI(cr, x));
  x = next(LetterK(cr, x));
  LetterA(cr, x);
}

}  // namespace varnika::art
