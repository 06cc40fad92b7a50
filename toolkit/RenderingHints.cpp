#include "toolkit/RenderingHints.h"

#include <pango/pangocairo.h>

namespace varnika {

TextRenderingSettings TextRenderingFor(int hint) {
  switch (hint) {
    case TextRenderingHintSingleBitPerPixelGridFit:
      return {CAIRO_ANTIALIAS_NONE, CAIRO_HINT_STYLE_FULL, CAIRO_HINT_METRICS_ON, true};
    case TextRenderingHintSingleBitPerPixel:
      return {CAIRO_ANTIALIAS_NONE, CAIRO_HINT_STYLE_NONE, CAIRO_HINT_METRICS_OFF, false};
    case TextRenderingHintAntiAliasGridFit:
    case TextRenderingHintClearTypeGridFit:
      return {CAIRO_ANTIALIAS_GRAY, CAIRO_HINT_STYLE_FULL, CAIRO_HINT_METRICS_ON, true};
    case TextRenderingHintAntiAlias:
      return {CAIRO_ANTIALIAS_GRAY, CAIRO_HINT_STYLE_NONE, CAIRO_HINT_METRICS_OFF, false};
    default:
      return {CAIRO_ANTIALIAS_DEFAULT, CAIRO_HINT_STYLE_DEFAULT, CAIRO_HINT_METRICS_DEFAULT, true};
  }
}

void ApplyTextRenderingHint(PangoContext* context, int hint) {
  TextRenderingSettings settings = TextRenderingFor(hint);
  CairoFontOptionsPtr options(cairo_font_options_create());
  cairo_font_options_set_antialias(options.get(), settings.antialias);
  cairo_font_options_set_hint_style(options.get(), settings.hint_style);
  cairo_font_options_set_hint_metrics(options.get(), settings.hint_metrics);
  pango_cairo_context_set_font_options(context, options.get());
  pango_context_set_round_glyph_positions(context, settings.round_glyph_positions);
}

cairo_antialias_t LineAntialiasFor(int smoothing_mode) {
  switch (smoothing_mode) {
    case SmoothingModeHighQuality:
    case SmoothingModeAntiAlias:
    case SmoothingModeAntiAlias8x4:
    case SmoothingModeAntiAlias8x8:
      return CAIRO_ANTIALIAS_GRAY;
    default:
      return CAIRO_ANTIALIAS_NONE;
  }
}

cairo_filter_t ScaleFilterFor(int interpolation_mode) {
  switch (interpolation_mode) {
    case InterpolationModeNearestNeighbor: return CAIRO_FILTER_NEAREST;
    case InterpolationModeHighQualityBilinear: return CAIRO_FILTER_GOOD;
    case InterpolationModeHighQuality:
    case InterpolationModeBicubic:
    case InterpolationModeHighQualityBicubic:
      return CAIRO_FILTER_BEST;
    default: return CAIRO_FILTER_BILINEAR;
  }
}

double PixelCentreOffsetFor(int pixel_offset_mode) {
  return (pixel_offset_mode == PixelOffsetModeHighQuality || pixel_offset_mode == PixelOffsetModeHalf) ? 0.0
                                                                                                        : 0.5;
}

}  // namespace varnika
