// The canvas's quality settings and what each value means for cairo and
// pango. The values keep their customary numbers (text rendering hint 4 is
// plain antialiased text, interpolation mode 5 is nearest neighbour, ...).
//
// Text rendering hint -> cairo font options, pango glyph positions:
//   0 SystemDefault             fontconfig's own settings, whole-pixel positions
//   1 SingleBitPerPixelGridFit  no antialiasing, full hinting, hinted metrics, whole pixels
//   2 SingleBitPerPixel         no antialiasing, no hinting, fractional positions
//   3 AntiAliasGridFit          grey antialiasing, full hinting, hinted metrics, whole pixels
//   4 AntiAlias                 grey antialiasing, no hinting, fractional positions
//   5 ClearTypeGridFit          as 3: subpixel (coloured) coverage has no meaning on a
//                               canvas with its own alpha and would leave colour bytes
//                               above their alpha, so text stays grey-antialiased
//   other values                as 0
// Smoothing mode (lines) -> cairo antialias: 2, 4, 5, 6 antialiased; 0, 1, 3 and
//   others not antialiased.
// Interpolation mode (smooth scaling) -> cairo filter: 5 nearest; 0, 1, 3 bilinear;
//   6 "good" (bilinear, box-filtered when shrinking below 3/4); 2, 4, 7 "best".
// Pixel offset mode: 2 and 4 put pixel centres at .5 (cairo's own grid); the others
//   put them at whole coordinates, so lines are drawn half a pixel further on.
// Text contrast is kept but changes nothing: cairo has no text gamma.
#pragma once

#include <cairo.h>
#include <pango/pango.h>

#include "toolkit/CairoHandles.h"

namespace varnika {

enum : int {
  TextRenderingHintSystemDefault = 0,
  TextRenderingHintSingleBitPerPixelGridFit = 1,
  TextRenderingHintSingleBitPerPixel = 2,
  TextRenderingHintAntiAliasGridFit = 3,
  TextRenderingHintAntiAlias = 4,
  TextRenderingHintClearTypeGridFit = 5,
};

enum : int {
  SmoothingModeDefault = 0,
  SmoothingModeHighSpeed = 1,
  SmoothingModeHighQuality = 2,
  SmoothingModeNone = 3,
  SmoothingModeAntiAlias = 4,
  SmoothingModeAntiAlias8x4 = 5,
  SmoothingModeAntiAlias8x8 = 6,
};

enum : int {
  InterpolationModeDefault = 0,
  InterpolationModeLowQuality = 1,
  InterpolationModeHighQuality = 2,
  InterpolationModeBilinear = 3,
  InterpolationModeBicubic = 4,
  InterpolationModeNearestNeighbor = 5,
  InterpolationModeHighQualityBilinear = 6,
  InterpolationModeHighQualityBicubic = 7,
};

enum : int {
  PixelOffsetModeDefault = 0,
  PixelOffsetModeHighSpeed = 1,
  PixelOffsetModeHighQuality = 2,
  PixelOffsetModeNone = 3,
  PixelOffsetModeHalf = 4,
};

struct TextRenderingSettings {
  cairo_antialias_t antialias;
  cairo_hint_style_t hint_style;
  cairo_hint_metrics_t hint_metrics;
  bool round_glyph_positions;
};

TextRenderingSettings TextRenderingFor(int text_rendering_hint);

// Sets the pango context's font options and glyph positioning for a hint.
void ApplyTextRenderingHint(PangoContext* context, int text_rendering_hint);

cairo_antialias_t LineAntialiasFor(int smoothing_mode);
cairo_filter_t ScaleFilterFor(int interpolation_mode);
// What is added to integer coordinates to reach the pixel centres of the mode.
double PixelCentreOffsetFor(int pixel_offset_mode);

}  // namespace varnika
