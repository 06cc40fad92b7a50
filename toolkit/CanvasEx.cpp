#include "toolkit/CanvasEx.h"

#include <pango/pangocairo.h>

#include <algorithm>
#include <cmath>

#include "platform/WindowSystem.h"
#include "toolkit/TextContext.h"
#include "toolkit/TextLayout.h"

namespace varnika {

namespace {

// Measures without padding or trimming and counts trailing spaces.
std::unique_ptr<TStringFormatEx> CreateTypographicFormat() {
  auto format = std::make_unique<TStringFormatEx>();
  format->SetFormatFlags(StringFormatFlagsNoFitBlackBox | StringFormatFlagsLineLimit | StringFormatFlagsNoClip |
                         StringFormatFlagsMeasureTrailingSpaces);
  format->SetTrimming(StringTrimmingNone);
  return format;
}

// The rectangle's extent in canvas coordinates as floats; an unbounded (0)
// side reaches over the whole canvas.
void ClipToLayoutRect(cairo_t* cr, double x, double y, double w, double h, int canvas_w, int canvas_h) {
  double left = w > 0 ? x : 0;
  double right = w > 0 ? x + w : std::max(canvas_w, 0);
  double top = h > 0 ? y : 0;
  double bottom = h > 0 ? y + h : std::max(canvas_h, 0);
  cairo_rectangle(cr, left, top, right - left, bottom - top);
  cairo_clip(cr);
}

// Whether a line of the text ends in a space, which the typographic format
// measures and the others drop.
bool HasTrailingSpace(std::u16string_view text) {
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != u' ') continue;
    if (i + 1 == text.size() || text[i + 1] == u'\n' || text[i + 1] == u'\r' || text[i + 1] == u'\u2028' ||
        text[i + 1] == u'\u2029')
      return true;
  }
  return false;
}

float Span(int from, int to) { return static_cast<float>(static_cast<double>(to) - from); }

}  // namespace

TCanvasEx::TCanvasEx(int width, int height, int format) : width_(width), height_(height), format_(format) {
  CreateSurfaceObjects();
  layout_.reset(pango_layout_new(TTextContext::Shared().Context(text_rendering_hint_)));
  typographic_format_ = CreateTypographicFormat();
  font_ = std::make_unique<TFontEx>();
  string_format_ = std::make_unique<TStringFormatEx>();
  brush_ = std::make_unique<TSolidBrushEx>();
  pen_ = std::make_unique<TPenEx>();
}

TCanvasEx::~TCanvasEx() = default;

void TCanvasEx::CreateSurfaceObjects() {
  bitmap_ = std::make_unique<TBitmapEx>(width_, height_, format_, DisplayScale());
  context_.reset(cairo_create(bitmap_->Image()));
}

void TCanvasEx::SetSize(int width, int height) {
  context_.reset();
  bitmap_.reset();
  width_ = width;
  height_ = height;
  CreateSurfaceObjects();
}

void TCanvasEx::Clear() {
  cairo_t* cr = context_.get();
  CairoSaveGuard save(cr);
  cairo_set_operator(cr, CAIRO_OPERATOR_CLEAR);
  cairo_paint(cr);
}

void TCanvasEx::Draw(const TBitmapEx& bitmap, int x, int y) {
  cairo_t* cr = context_.get();
  CairoSaveGuard save(cr);  // drops the source again afterwards
  cairo_set_source_surface(cr, bitmap.Image(), x, y);
  cairo_paint(cr);
}

void TCanvasEx::DrawAlpha(const TBitmapEx& bitmap, int x, int y, BYTE alpha) {
  cairo_t* cr = context_.get();
  CairoSaveGuard save(cr);
  cairo_set_source_surface(cr, bitmap.Image(), x, y);
  if (alpha == 255) {
    cairo_paint(cr);
  } else {
    cairo_paint_with_alpha(cr, alpha / 255.0);
  }
}

void TCanvasEx::ScaledDraw(const TBitmapEx& bitmap, int x, int y, int w, int h, double xx, double yy,
                           cairo_filter_t filter, cairo_extend_t extend) {
  cairo_t* cr = context_.get();
  CairoSaveGuard save(cr);
  CairoPatternPtr pattern(cairo_pattern_create_for_surface(bitmap.Image()));
  cairo_pattern_set_filter(pattern.get(), filter);
  cairo_pattern_set_extend(pattern.get(), extend);
  cairo_matrix_t matrix;
  cairo_matrix_init(&matrix, xx, 0, 0, yy, 0, 0);
  cairo_pattern_set_matrix(pattern.get(), &matrix);
  cairo_translate(cr, x, y);
  cairo_set_source(cr, pattern.get());
  cairo_rectangle(cr, 0, 0, w, h);
  cairo_clip(cr);
  cairo_paint(cr);
}

void TCanvasEx::StretchDraw(const TBitmapEx& bitmap, int x, int y, int w, int h) {
  if (w == bitmap.Width() && h == bitmap.Height()) return Draw(bitmap, x, y);
  if (bitmap.Width() <= 0 || bitmap.Height() <= 0 || w <= 0 || h <= 0) return;
  float xx = static_cast<float>(bitmap.Width()) / static_cast<float>(w);
  float yy = static_cast<float>(bitmap.Height()) / static_cast<float>(h);
  ScaledDraw(bitmap, x, y, w, h, xx, yy, CAIRO_FILTER_NEAREST, CAIRO_EXTEND_NONE);
}

void TCanvasEx::StretchDrawSmooth(const TBitmapEx& bitmap, int x, int y, int w, int h) {
  if (w == bitmap.Width() && h == bitmap.Height()) return Draw(bitmap, x, y);
  if (bitmap.Width() <= 0 || bitmap.Height() <= 0 || w <= 0 || h <= 0) return;
  double xx = static_cast<double>(bitmap.Width()) / w;
  double yy = static_cast<double>(bitmap.Height()) / h;
  ScaledDraw(bitmap, x, y, w, h, xx, yy, ScaleFilterFor(interpolation_mode_), CAIRO_EXTEND_PAD);
}

void TCanvasEx::DrawPart(const TBitmapEx& bitmap, int x, int y, int src_x, int src_y, int w, int h) {
  cairo_t* cr = context_.get();
  CairoSaveGuard save(cr);
  cairo_set_source_surface(cr, bitmap.Image(), static_cast<double>(x) - src_x, static_cast<double>(y) - src_y);
  cairo_rectangle(cr, x, y, w, h);
  cairo_fill(cr);
}

void TCanvasEx::TileDraw(const TBitmapEx& bitmap, int left, int top, int right, int bottom) {
  if (bitmap.Width() <= 0 || bitmap.Height() <= 0) return;
  cairo_t* cr = context_.get();
  CairoPatternPtr pattern(cairo_pattern_create_for_surface(bitmap.Image()));
  CairoSaveGuard save(cr);
  cairo_set_source(cr, pattern.get());
  cairo_pattern_set_extend(pattern.get(), CAIRO_EXTEND_REPEAT);
  cairo_rectangle(cr, left, top, Span(left, right), Span(top, bottom));
  cairo_fill(cr);
}

void TCanvasEx::DrawLine(int x1, int y1, int x2, int y2) {
  cairo_t* cr = context_.get();
  CairoSaveGuard save(cr);
  cairo_set_antialias(cr, LineAntialiasFor(smoothing_mode_));
  pen_->ApplyTo(cr);
  double offset = PixelCentreOffsetFor(pixel_offset_mode_);
  cairo_move_to(cr, x1 + offset, y1 + offset);
  cairo_line_to(cr, x2 + offset, y2 + offset);
  cairo_stroke(cr);
}

void TCanvasEx::DrawText(const TRect& rect, std::u16string_view text) {
  if (!font_->Handle() || text.empty()) return;
  double x = static_cast<float>(rect.Left);
  double y = static_cast<float>(rect.Top);
  double w = Span(rect.Left, rect.Right);
  double h = Span(rect.Top, rect.Bottom);
  if (w < 0 || h < 0) return;
  ConfigureLayout(layout_.get(), *font_, *string_format_, text, w, h);
  TextPlacement placement = PlaceLayout(layout_.get(), *string_format_, w, h);
  if (!placement.visible) return;
  cairo_t* cr = context_.get();
  CairoSaveGuard save(cr);
  if (!string_format_->HasFlag(StringFormatFlagsNoClip)) {
    ClipToLayoutRect(cr, x, y + placement.clip_top, w, placement.clip_height, width_, height_);
  }
  cairo_set_source(cr, font_->Brush().Handle());
  cairo_move_to(cr, x + placement.dx, y + placement.dy);
  pango_cairo_show_layout(cr, layout_.get());
}

TSize TCanvasEx::TextExtent(std::u16string_view text) {
  TextBox box = MeasureLayout(layout_.get(), *font_, *string_format_, text);
  return {static_cast<int>(std::trunc(box.width + 1.0)), static_cast<int>(std::trunc(box.height + 1.0))};
}

float TCanvasEx::TextHeight(std::u16string_view text, int width) {
  return static_cast<float>(
      MeasureLayout(layout_.get(), *font_, *typographic_format_, text, std::max(width, 0)).height);
}

TCanvasEx::TWrappedExtent TCanvasEx::WrappedExtent(std::u16string_view text, int width) {
  const int bound = std::max(width, 0);
  const TextBox box = MeasureLayout(layout_.get(), *font_, *typographic_format_, text, bound);
  int text_width = 1;  // an empty text's extent
  if (!font_->Handle() || text.empty()) {
  } else if (string_format_->HotkeyPrefix() != HotkeyPrefixNone || HasTrailingSpace(text)) {
    text_width = TextWidth(text);  // the two formats lay such a text out differently
  } else if (bound > 0 && pango_layout_is_wrapped(layout_.get())) {
    text_width = bound;
  } else {
    text_width = static_cast<int>(std::trunc(box.width + 1.0));
  }
  return {static_cast<float>(box.height), bound > 0 ? std::min(text_width, bound) : text_width};
}

void TCanvasEx::SetAntialias(bool antialias) {
  if (antialias == antialias_) return;
  antialias_ = antialias;
  SetTextRenderingHint(antialias ? TextRenderingHintAntiAlias : TextRenderingHintAntiAliasGridFit);
}

void TCanvasEx::SetTextRenderingHint(int hint) {
  if (hint == text_rendering_hint_) return;
  text_rendering_hint_ = hint;
  // The shared contexts never change: the text moves to the hint's own.
  layout_.reset(pango_layout_new(TTextContext::Shared().Context(hint)));
}

// The other settings are read by the operations that use them.
void TCanvasEx::SetSmoothingMode(int mode) { smoothing_mode_ = mode; }
void TCanvasEx::SetInterpolationMode(int mode) { interpolation_mode_ = mode; }
void TCanvasEx::SetPixelOffsetMode(int mode) { pixel_offset_mode_ = mode; }
void TCanvasEx::SetTextContrast(unsigned contrast) { text_contrast_ = contrast; }

}  // namespace varnika
