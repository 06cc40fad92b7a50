// The canvas a layered control paints with: a bitmap of its own, a cairo
// context over it for compositing and lines, and pango for text, with the
// font, string format, brush and pen it owns and the quality settings of
// RenderingHints.h. Its text is laid out in the text context that all
// canvases share for its text rendering hint (TextContext.h). All coordinates are integer canvas pixels from the top
// left corner; the context's operator is OVER outside Clear.
#pragma once

#include <memory>
#include <string_view>

#include "base/Geometry.h"
#include "toolkit/BitmapEx.h"
#include "toolkit/BrushEx.h"
#include "toolkit/CairoHandles.h"
#include "toolkit/FontEx.h"
#include "toolkit/GraphicObjectEx.h"
#include "toolkit/PenEx.h"
#include "toolkit/RenderingHints.h"
#include "toolkit/StringFormatEx.h"

namespace varnika {

class TCanvasEx : public TGraphicObjectEx {
 public:
  TCanvasEx(int width, int height, int format = kBitmapFormatArgb32);
  ~TCanvasEx() override;

  // A new, transparent bitmap of the new size; font, string format, brush,
  // pen and the quality settings stay.
  void SetSize(int width, int height);

  TBitmapEx& Bitmap() { return *bitmap_; }
  const TBitmapEx& Bitmap() const { return *bitmap_; }
  cairo_t* Context() const { return context_.get(); }
  cairo_surface_t* DC() const { return bitmap_->DC(); }
  int Width() const { return width_; }
  int Height() const { return height_; }
  int Format() const { return format_; }
  TFontEx& Font() { return *font_; }
  TStringFormatEx& StringFormat() { return *string_format_; }
  // Its colour can be set; no canvas operation fills with it.
  TSolidBrushEx& Brush() { return *brush_; }
  TPenEx& Pen() { return *pen_; }

  // Every byte of the bitmap becomes 0.
  void Clear();
  // Composites the whole bitmap with its top left corner at (x, y).
  void Draw(const TBitmapEx& bitmap, int x, int y);
  // The same with a constant alpha on top of the per-pixel alpha.
  void DrawAlpha(const TBitmapEx& bitmap, int x, int y, BYTE alpha);
  // Nearest-neighbour scaling into (x, y, w, h); the scale ratios are
  // computed in single precision. Nothing is drawn into an empty rectangle
  // or from an empty bitmap.
  void StretchDraw(const TBitmapEx& bitmap, int x, int y, int w, int h);
  // Scaling with the filter of InterpolationMode (6: bilinear, box-filtered
  // when shrinking); the edge pixels extend outwards, so the picture does not
  // fade at its border.
  void StretchDrawSmooth(const TBitmapEx& bitmap, int x, int y, int w, int h);
  // Bitmap pixel (src_x, src_y) lands on (x, y); only the rectangle
  // (x, y, w, h) is painted.
  void DrawPart(const TBitmapEx& bitmap, int x, int y, int src_x, int src_y, int w, int h);
  // Fills the rectangle with copies of the bitmap aligned to the canvas
  // origin (0, 0), not to the rectangle's corner.
  void TileDraw(const TBitmapEx& bitmap, int left, int top, int right, int bottom);
  // A line with Pen, antialiased by SmoothingMode.
  void DrawLine(int x1, int y1, int x2, int y2);
  // Text in the font's colour, laid out in rect by StringFormat.
  void DrawText(const TRect& rect, std::u16string_view text);
  // The size of the text laid out without bounds, each side plus 1 and
  // truncated: (trunc(width + 1), trunc(height + 1)).
  TSize TextExtent(std::u16string_view text);
  int TextWidth(std::u16string_view text) { return TextExtent(text).cx; }
  // The unrounded height of the text, measured with the typographic format
  // (no trimming, trailing spaces counted); with a width, as the text
  // wraps when drawn in a box that wide.
  float TextHeight(std::u16string_view text, int width = 0);
  // TextHeight(text, width) and TextWidth(text), the latter no wider than a
  // width above 0, mostly from one layout: a text that has to wrap is wider
  // than width.
  struct TWrappedExtent {
    float Height = 0;
    int Width = 0;
  };
  TWrappedExtent WrappedExtent(std::u16string_view text, int width);

  bool Antialias() const { return antialias_; }
  void SetAntialias(bool antialias);
  int TextRenderingHint() const { return text_rendering_hint_; }
  void SetTextRenderingHint(int hint);
  int SmoothingMode() const { return smoothing_mode_; }
  void SetSmoothingMode(int mode);
  int InterpolationMode() const { return interpolation_mode_; }
  void SetInterpolationMode(int mode);
  int PixelOffsetMode() const { return pixel_offset_mode_; }
  void SetPixelOffsetMode(int mode);
  unsigned TextContrast() const { return text_contrast_; }
  void SetTextContrast(unsigned contrast);

 private:
  void CreateSurfaceObjects();
  void ScaledDraw(const TBitmapEx& bitmap, int x, int y, int w, int h, double xx, double yy,
                  cairo_filter_t filter, cairo_extend_t extend);

  int width_;
  int height_;
  int format_;
  bool antialias_ = true;
  int text_rendering_hint_ = TextRenderingHintAntiAlias;
  int smoothing_mode_ = SmoothingModeAntiAlias;
  int interpolation_mode_ = InterpolationModeNearestNeighbor;
  int pixel_offset_mode_ = PixelOffsetModeNone;
  unsigned text_contrast_ = 4;

  std::unique_ptr<TBitmapEx> bitmap_;
  CairoContextPtr context_;
  PangoLayoutPtr layout_;
  std::unique_ptr<TStringFormatEx> typographic_format_;
  std::unique_ptr<TFontEx> font_;
  std::unique_ptr<TStringFormatEx> string_format_;
  std::unique_ptr<TSolidBrushEx> brush_;
  std::unique_ptr<TPenEx> pen_;
};

}  // namespace varnika
