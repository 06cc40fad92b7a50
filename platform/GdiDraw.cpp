// The attributes of device contexts and drawing with pens, brushes and
// fonts through cairo and pango.
#include <pango/pangocairo.h>

#include <algorithm>
#include <cmath>
#include <iterator>
#include <utility>

#include "base/Utf.h"
#include "platform/GdiInternal.h"

namespace varnika {

using gdi::BrushInfo;
using gdi::ContextPtr;
using gdi::DeviceContext;
using gdi::FontInfo;
using gdi::PenInfo;

namespace {

constexpr int kHatchSize = 8;

void SetColor(cairo_t* cr, COLORREF c) {
  cairo_set_source_rgb(cr, GetRValue(c) / 255.0, GetGValue(c) / 255.0, GetBValue(c) / 255.0);
}

std::uint32_t Opaque(COLORREF c) {
  return 0xFF000000u | static_cast<std::uint32_t>(GetRValue(c)) << 16 | static_cast<std::uint32_t>(GetGValue(c)) << 8 |
         GetBValue(c);
}

// Whether pixel (x, y) of the 8 x 8 pattern carries the hatch's line.
bool HatchPixel(int hatch, int x, int y) {
  switch (hatch) {
    case HS_HORIZONTAL: return y == 0;
    case HS_VERTICAL: return x == 0;
    case HS_FDIAGONAL: return x == y;
    case HS_BDIAGONAL: return x + y == kHatchSize - 1;
    case HS_CROSS: return x == 0 || y == 0;
    case HS_DIAGCROSS: return x == y || x + y == kHatchSize - 1;
    default: return false;
  }
}

// Sets the brush as the source; false for a null brush.
bool UseBrush(cairo_t* cr, const DeviceContext& dc, const BrushInfo& brush) {
  if (brush.style == BS_NULL) return false;
  if (brush.style == BS_SOLID) {
    SetColor(cr, brush.color);
    return true;
  }
  gdi::SurfacePtr tile(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, kHatchSize, kHatchSize));
  cairo_surface_flush(tile.get());
  auto* pixels = reinterpret_cast<std::uint32_t*>(cairo_image_surface_get_data(tile.get()));
  const int stride = cairo_image_surface_get_stride(tile.get()) / 4;
  const std::uint32_t background = dc.bk_mode == OPAQUE ? Opaque(dc.bk_color) : 0;
  for (int y = 0; y < kHatchSize; ++y) {
    for (int x = 0; x < kHatchSize; ++x) pixels[y * stride + x] = HatchPixel(brush.hatch, x, y) ? Opaque(brush.color) : background;
  }
  cairo_surface_mark_dirty(tile.get());
  cairo_pattern_t* pattern = cairo_pattern_create_for_surface(tile.get());
  cairo_pattern_set_extend(pattern, CAIRO_EXTEND_REPEAT);
  cairo_pattern_set_filter(pattern, CAIRO_FILTER_NEAREST);
  // Hatches line up with the context's origin whatever the viewport.
  cairo_matrix_t matrix;
  cairo_matrix_init_translate(&matrix, dc.viewport_origin.x, dc.viewport_origin.y);
  cairo_pattern_set_matrix(pattern, &matrix);
  cairo_set_source(cr, pattern);
  cairo_pattern_destroy(pattern);
  return true;
}

// Sets the pen as the source and line style; false for a null pen.
bool UsePen(cairo_t* cr, const PenInfo& pen) {
  if (pen.style == PS_NULL) return false;
  SetColor(cr, pen.color);
  const double width = std::max(pen.width, 1);
  cairo_set_line_width(cr, width);
  cairo_set_antialias(cr, CAIRO_ANTIALIAS_NONE);
  cairo_set_line_cap(cr, CAIRO_LINE_CAP_BUTT);
  static const double kDash[] = {18, 6};
  static const double kDot[] = {3, 3};
  static const double kDashDot[] = {9, 6, 3, 6};
  static const double kDashDotDot[] = {9, 3, 3, 3, 3, 3};
  switch (pen.style) {
    case PS_DASH: cairo_set_dash(cr, kDash, static_cast<int>(std::size(kDash)), 0); break;
    case PS_DOT: cairo_set_dash(cr, kDot, static_cast<int>(std::size(kDot)), 0); break;
    case PS_DASHDOT: cairo_set_dash(cr, kDashDot, static_cast<int>(std::size(kDashDot)), 0); break;
    case PS_DASHDOTDOT: cairo_set_dash(cr, kDashDotDot, static_cast<int>(std::size(kDashDotDot)), 0); break;
    default: break;
  }
  return true;
}

// Swaps the context's selected object of that kind.
HGDIOBJ Swap(HGDIOBJ& slot, HGDIOBJ object) {
  HGDIOBJ previous = slot;
  gdi::AddSelection(object);
  slot = object;
  gdi::DropSelection(previous);
  return previous;
}

std::u16string_view TextOf(LPCWSTR text, int count) {
  if (!text || count <= 0) return {};
  return std::u16string_view(text, static_cast<std::size_t>(count));
}

// A cairo context for measuring when the context has no pixels.
ContextPtr MeasuringContext() {
  static gdi::SurfacePtr surface(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 1, 1));
  return ContextPtr(cairo_create(surface.get()));
}

}  // namespace

namespace gdi {

ContextPtr DrawingContext(DeviceContext& dc) {
  if (!dc.buffer || !dc.clip || cairo_region_is_empty(dc.clip.get())) return nullptr;
  PixelBuffer& b = *dc.buffer;
  SurfacePtr surface(cairo_image_surface_create_for_data(reinterpret_cast<unsigned char*>(b.pixels.data()),
                                                         CAIRO_FORMAT_ARGB32, b.PixelWidth(), b.PixelHeight(),
                                                         b.PixelWidth() * 4));
  cairo_surface_set_device_scale(surface.get(), b.scale, b.scale);
  ContextPtr cr(cairo_create(surface.get()));
  cairo_translate(cr.get(), dc.origin.x, dc.origin.y);
  const int count = cairo_region_num_rectangles(dc.clip.get());
  for (int i = 0; i < count; ++i) {
    cairo_rectangle_int_t r;
    cairo_region_get_rectangle(dc.clip.get(), i, &r);
    cairo_rectangle(cr.get(), r.x, r.y, r.width, r.height);
  }
  cairo_clip(cr.get());
  cairo_translate(cr.get(), dc.viewport_origin.x, dc.viewport_origin.y);
  dc.drew = true;
  return cr;
}

LayoutPtr TextLayout(cairo_t* cr, const FontInfo& font, std::u16string_view text) {
  LayoutPtr layout(pango_cairo_create_layout(cr));
  if (font.description) pango_layout_set_font_description(layout.get(), font.description.get());
  const std::string utf8 = Utf16ToUtf8(text);
  pango_layout_set_text(layout.get(), utf8.data(), static_cast<int>(utf8.size()));
  PangoAttrListPtr attributes(pango_attr_list_new());
  if (font.logfont.lfUnderline) {
    pango_attr_list_insert(attributes.get(), pango_attr_underline_new(PANGO_UNDERLINE_SINGLE));
  }
  if (font.logfont.lfStrikeOut) pango_attr_list_insert(attributes.get(), pango_attr_strikethrough_new(TRUE));
  pango_layout_set_attributes(layout.get(), attributes.get());
  if (font.logfont.lfQuality == NONANTIALIASED_QUALITY) {
    CairoFontOptionsPtr options(cairo_font_options_create());
    cairo_font_options_set_antialias(options.get(), CAIRO_ANTIALIAS_NONE);
    pango_cairo_context_set_font_options(pango_layout_get_context(layout.get()), options.get());
    pango_layout_context_changed(layout.get());
  }
  return layout;
}

}  // namespace gdi

// --- attributes -----------------------------------------------------------------------------

HGDIOBJ SelectObject(HDC dc, HGDIOBJ object) {
  DeviceContext* context = gdi::ContextOf(dc);
  if (!context) return nullptr;
  switch (gdi::TypeOf(object)) {
    case OBJ_PEN: return Swap(context->pen, object);
    case OBJ_BRUSH: return Swap(context->brush, object);
    case OBJ_FONT: return Swap(context->font, object);
    default: return nullptr;
  }
}

COLORREF SetTextColor(HDC dc, COLORREF color) {
  DeviceContext* context = gdi::ContextOf(dc);
  if (!context) return CLR_INVALID;
  return std::exchange(context->text_color, color & 0xFFFFFF);
}

COLORREF GetTextColor(HDC dc) {
  DeviceContext* context = gdi::ContextOf(dc);
  return context ? context->text_color : CLR_INVALID;
}

COLORREF SetBkColor(HDC dc, COLORREF color) {
  DeviceContext* context = gdi::ContextOf(dc);
  if (!context) return CLR_INVALID;
  return std::exchange(context->bk_color, color & 0xFFFFFF);
}

COLORREF GetBkColor(HDC dc) {
  DeviceContext* context = gdi::ContextOf(dc);
  return context ? context->bk_color : CLR_INVALID;
}

int SetBkMode(HDC dc, int mode) {
  DeviceContext* context = gdi::ContextOf(dc);
  if (!context || (mode != TRANSPARENT && mode != OPAQUE)) return 0;
  return std::exchange(context->bk_mode, mode);
}

int GetBkMode(HDC dc) {
  DeviceContext* context = gdi::ContextOf(dc);
  return context ? context->bk_mode : 0;
}

BOOL SetViewportOrgEx(HDC dc, int x, int y, POINT* previous) {
  DeviceContext* context = gdi::ContextOf(dc);
  if (!context) return FALSE;
  if (previous) *previous = context->viewport_origin;
  context->viewport_origin = POINT{x, y};
  return TRUE;
}

BOOL SetViewportExtEx(HDC dc, int x, int y, SIZE* previous) {
  DeviceContext* context = gdi::ContextOf(dc);
  if (!context) return FALSE;
  if (previous) *previous = context->viewport_extent;
  context->viewport_extent = SIZE{x, y};
  return TRUE;
}

// --- drawing --------------------------------------------------------------------------------

int FillRect(HDC dc, const RECT* rect, HBRUSH brush) {
  DeviceContext* context = gdi::ContextOf(dc);
  BrushInfo info;
  if (!context || !rect || !gdi::BrushOf(brush, &info)) return 0;
  ContextPtr cr = gdi::DrawingContext(*context);
  if (!cr) return 1;
  if (UseBrush(cr.get(), *context, info)) {
    cairo_rectangle(cr.get(), rect->left, rect->top, rect->right - rect->left, rect->bottom - rect->top);
    cairo_fill(cr.get());
  }
  return 1;
}

BOOL Rectangle(HDC dc, int left, int top, int right, int bottom) {
  DeviceContext* context = gdi::ContextOf(dc);
  if (!context) return FALSE;
  if (right < left) std::swap(left, right);
  if (bottom < top) std::swap(top, bottom);
  ContextPtr cr = gdi::DrawingContext(*context);
  if (!cr) return TRUE;
  BrushInfo brush;
  if (gdi::BrushOf(context->brush, &brush) && UseBrush(cr.get(), *context, brush)) {
    cairo_rectangle(cr.get(), left, top, right - left, bottom - top);
    cairo_fill(cr.get());
  }
  PenInfo pen;
  if (gdi::PenOf(context->pen, &pen) && UsePen(cr.get(), pen)) {
    // The outline lies inside the rectangle.
    const double inset = std::max(pen.width, 1) / 2.0;
    cairo_rectangle(cr.get(), left + inset, top + inset, right - left - 2 * inset, bottom - top - 2 * inset);
    cairo_stroke(cr.get());
  }
  return TRUE;
}

BOOL MoveToEx(HDC dc, int x, int y, POINT* previous) {
  DeviceContext* context = gdi::ContextOf(dc);
  if (!context) return FALSE;
  if (previous) *previous = context->position;
  context->position = POINT{x, y};
  return TRUE;
}

BOOL LineTo(HDC dc, int x, int y) {
  DeviceContext* context = gdi::ContextOf(dc);
  if (!context) return FALSE;
  const POINT from = context->position;
  context->position = POINT{x, y};
  PenInfo pen;
  ContextPtr cr = gdi::DrawingContext(*context);
  if (!cr || !gdi::PenOf(context->pen, &pen) || !UsePen(cr.get(), pen)) return TRUE;
  // Straight lines cover exactly the pixels from the start up to, not
  // including, the end; thick ones are centred on them.
  const double width = std::max(pen.width, 1);
  const double across = std::floor((width - 1) / 2);
  const bool solid = pen.style == PS_SOLID || pen.style == PS_INSIDEFRAME;
  if (solid && from.y == y && from.x != x) {
    const int left = x < from.x ? x + 1 : from.x;
    const int right = x < from.x ? from.x + 1 : x;
    cairo_rectangle(cr.get(), left, y - across, right - left, width);
    cairo_fill(cr.get());
  } else if (solid && from.x == x && from.y != y) {
    const int top = y < from.y ? y + 1 : from.y;
    const int bottom = y < from.y ? from.y + 1 : y;
    cairo_rectangle(cr.get(), x - across, top, width, bottom - top);
    cairo_fill(cr.get());
  } else if (from.x != x || from.y != y) {
    cairo_move_to(cr.get(), from.x + 0.5, from.y + 0.5);
    cairo_line_to(cr.get(), x + 0.5, y + 0.5);
    cairo_stroke(cr.get());
  }
  return TRUE;
}

BOOL TextOutW(HDC dc, int x, int y, LPCWSTR text, int count) {
  DeviceContext* context = gdi::ContextOf(dc);
  if (!context || (count > 0 && !text)) return FALSE;
  ContextPtr cr = gdi::DrawingContext(*context);
  if (!cr) return TRUE;
  FontInfo font;
  gdi::FontOf(context->font, &font);
  gdi::LayoutPtr layout = gdi::TextLayout(cr.get(), font, TextOf(text, count));
  int width = 0;
  int height = 0;
  pango_layout_get_pixel_size(layout.get(), &width, &height);
  cairo_translate(cr.get(), x, y);
  if (font.logfont.lfEscapement) cairo_rotate(cr.get(), -font.logfont.lfEscapement * M_PI / 1800.0);
  if (context->bk_mode == OPAQUE) {
    SetColor(cr.get(), context->bk_color);
    cairo_rectangle(cr.get(), 0, 0, width, height);
    cairo_fill(cr.get());
  }
  SetColor(cr.get(), context->text_color);
  pango_cairo_update_layout(cr.get(), layout.get());
  cairo_move_to(cr.get(), 0, 0);
  pango_cairo_show_layout(cr.get(), layout.get());
  return TRUE;
}

BOOL GetTextExtentPoint32W(HDC dc, LPCWSTR text, int count, SIZE* size) {
  DeviceContext* context = gdi::ContextOf(dc);
  if (!context || !size || (count > 0 && !text)) return FALSE;
  FontInfo font;
  gdi::FontOf(context->font, &font);
  ContextPtr cr = MeasuringContext();
  gdi::LayoutPtr layout = gdi::TextLayout(cr.get(), font, TextOf(text, count));
  int width = 0;
  int height = 0;
  pango_layout_get_pixel_size(layout.get(), &width, &height);
  *size = SIZE{width, height};
  return TRUE;
}

COLORREF GetPixel(HDC dc, int x, int y) {
  DeviceContext* context = gdi::ContextOf(dc);
  if (!context || !context->buffer || !context->clip) return CLR_INVALID;
  const int cx = x + context->viewport_origin.x;
  const int cy = y + context->viewport_origin.y;
  if (!cairo_region_contains_point(context->clip.get(), cx, cy)) return CLR_INVALID;
  const gdi::PixelBuffer& b = *context->buffer;
  const int bx = cx + context->origin.x;
  const int by = cy + context->origin.y;
  if (bx < 0 || by < 0 || bx >= b.width || by >= b.height) return CLR_INVALID;
  // The first of the scale x scale pixels of that logical pixel.
  const std::uint32_t p = b.pixels[static_cast<std::size_t>(by) * static_cast<std::size_t>(b.scale) *
                                       static_cast<std::size_t>(b.PixelWidth()) +
                                   static_cast<std::size_t>(bx) * static_cast<std::size_t>(b.scale)];
  const std::uint32_t a = p >> 24;
  if (a == 0) return 0;
  auto channel = [&](int shift) { return static_cast<BYTE>(std::min<std::uint32_t>(((p >> shift) & 0xFF) * 255 / a, 255)); };
  return RGB(channel(16), channel(8), channel(0));
}

}  // namespace varnika
