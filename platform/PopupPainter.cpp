#include "platform/PopupPainter.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "base/Utf.h"
#include "platform/Core.h"
#include "platform/Layered.h"
#include "platform/WindowSystem.h"

namespace varnika::popup {

namespace {

constexpr double kDpi = 96.0;
constexpr int kBlurPasses = 3;  // three box blurs come close to a Gaussian

// One box blur of an A8 image along rows (dx = 1) or columns.
void BoxBlurLine(std::uint8_t* data, int count, int step, int radius, std::vector<std::uint8_t>& scratch) {
  scratch.resize(static_cast<size_t>(count));
  const int window = 2 * radius + 1;
  int sum = 0;
  auto at = [&](int i) -> int { return (i < 0 || i >= count) ? 0 : data[static_cast<ptrdiff_t>(i) * step]; };
  for (int i = -radius; i <= radius; ++i) sum += at(i);
  for (int i = 0; i < count; ++i) {
    scratch[static_cast<size_t>(i)] = static_cast<std::uint8_t>(sum / window);
    sum += at(i + radius + 1) - at(i - radius);
  }
  for (int i = 0; i < count; ++i) data[static_cast<ptrdiff_t>(i) * step] = scratch[static_cast<size_t>(i)];
}

void BlurMask(cairo_surface_t* mask, int radius) {
  if (radius <= 0) return;
  cairo_surface_flush(mask);
  std::uint8_t* data = cairo_image_surface_get_data(mask);
  const int width = cairo_image_surface_get_width(mask);
  const int height = cairo_image_surface_get_height(mask);
  const int stride = cairo_image_surface_get_stride(mask);
  std::vector<std::uint8_t> scratch;
  for (int pass = 0; pass < kBlurPasses; ++pass) {
    for (int y = 0; y < height; ++y) BoxBlurLine(data + static_cast<ptrdiff_t>(y) * stride, width, 1, radius, scratch);
    for (int x = 0; x < width; ++x) BoxBlurLine(data + x, height, stride, radius, scratch);
  }
  cairo_surface_mark_dirty(mask);
}

void DrawShadow(Picture& picture, const RECT& r, const PanelStyle& style) {
  const int scale = picture.Scale();
  SurfacePtr mask(cairo_image_surface_create(CAIRO_FORMAT_A8, picture.Width() * scale, picture.Height() * scale));
  cairo_surface_set_device_scale(mask.get(), scale, scale);
  {
    ContextPtr m(cairo_create(mask.get()));
    RoundedRectPath(m.get(), r.left, r.top + style.shadow_offset, r.right - r.left, r.bottom - r.top, style.radius);
    cairo_set_source_rgba(m.get(), 0, 0, 0, 1);
    cairo_fill(m.get());
  }
  BlurMask(mask.get(), static_cast<int>(std::lround(style.shadow_blur * scale / kBlurPasses)));
  cairo_t* cr = picture.Cr();
  cairo_save(cr);
  cairo_set_source_rgba(cr, 0, 0, 0, style.shadow_alpha);
  cairo_mask_surface(cr, mask.get(), 0, 0);
  cairo_restore(cr);
}

// Byte offset in the UTF-8 form of text of the UTF-16 index.
guint Utf8Offset(std::u16string_view text, size_t index) {
  return static_cast<guint>(Utf16ToUtf8(text.substr(0, std::min(index, text.size()))).size());
}

}  // namespace

double Channel(std::uint32_t rgb, int shift) { return static_cast<double>((rgb >> shift) & 0xFF) / 255.0; }

Margins ShadowMargins(const PanelStyle& style, bool composited) {
  if (!composited) return Margins{};
  int spread = static_cast<int>(std::ceil(style.shadow_blur));
  int offset = static_cast<int>(std::ceil(style.shadow_offset));
  return Margins{spread, std::max(spread - offset, 0), spread, spread + offset};
}

bool Composited() {
  auto& sys = core::Sys();
  return sys.running && sys.backend && sys.backend->Compositing();
}

Picture::Picture(int width, int height)
    : width_(std::max(width, 1)),
      height_(std::max(height, 1)),
      scale_(DisplayScale()),
      surface_(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width_ * scale_, height_ * scale_)) {
  cairo_surface_set_device_scale(surface_.get(), scale_, scale_);
  cr_.reset(cairo_create(surface_.get()));
}

Picture Picture::CopyOf(const Picture& base) {
  Picture copy(base.width_, base.height_);
  cairo_surface_t* from = base.surface_.get();
  cairo_surface_t* to = copy.surface_.get();
  cairo_surface_flush(from);
  cairo_surface_flush(to);
  const unsigned char* source = cairo_image_surface_get_data(from);
  unsigned char* target = cairo_image_surface_get_data(to);
  const int stride = cairo_image_surface_get_stride(from);
  if (source && target && stride == cairo_image_surface_get_stride(to) && base.scale_ == copy.scale_) {
    std::memcpy(target, source, static_cast<size_t>(stride) * static_cast<size_t>(cairo_image_surface_get_height(from)));
    cairo_surface_mark_dirty(to);
  }
  return copy;
}

bool Picture::Present(HWND wnd, POINT origin) {
  cairo_surface_flush(surface_.get());
  HDC dc = CreateMemoryDC(cairo_image_surface_get_data(surface_.get()), width_ * scale_, height_ * scale_,
                          cairo_image_surface_get_stride(surface_.get()), scale_);
  if (!dc) return false;
  SIZE size{width_, height_};
  POINT from{0, 0};
  BLENDFUNCTION blend;
  blend.SourceConstantAlpha = 255;
  blend.AlphaFormat = AC_SRC_ALPHA;
  BOOL shown = UpdateLayeredWindow(wnd, nullptr, &origin, &size, dc, &from, 0, &blend, ULW_ALPHA);
  DeleteDC(dc);
  return shown != FALSE;
}

void RoundedRectPath(cairo_t* cr, double x, double y, double width, double height, double radius) {
  radius = std::min({radius, width / 2, height / 2});
  cairo_new_sub_path(cr);
  cairo_arc(cr, x + width - radius, y + radius, radius, -M_PI / 2, 0);
  cairo_arc(cr, x + width - radius, y + height - radius, radius, 0, M_PI / 2);
  cairo_arc(cr, x + radius, y + height - radius, radius, M_PI / 2, M_PI);
  cairo_arc(cr, x + radius, y + radius, radius, M_PI, 3 * M_PI / 2);
  cairo_close_path(cr);
}

void SetColour(cairo_t* cr, std::uint32_t rgb, double alpha) {
  cairo_set_source_rgba(cr, Channel(rgb, 16), Channel(rgb, 8), Channel(rgb, 0), alpha);
}

void FillRounded(cairo_t* cr, const RECT& r, double radius, std::uint32_t rgb) {
  RoundedRectPath(cr, r.left, r.top, r.right - r.left, r.bottom - r.top, radius);
  SetColour(cr, rgb);
  cairo_fill(cr);
}

void DrawPanel(Picture& picture, const RECT& r, const PanelStyle& style, bool composited) {
  cairo_t* cr = picture.Cr();
  if (composited && style.shadow_alpha > 0) DrawShadow(picture, r, style);
  const double radius = composited ? style.radius : style.crisp_radius;
  const double width = r.right - r.left;
  const double height = r.bottom - r.top;
  cairo_save(cr);
  // Without a compositing manager the window's shape follows the opaque
  // pixels and anything translucent shows over black: the body's outline
  // is drawn without antialiasing and the border stays inside it.
  if (!composited) cairo_set_antialias(cr, CAIRO_ANTIALIAS_NONE);
  RoundedRectPath(cr, r.left, r.top, width, height, radius);
  SetColour(cr, style.fill);
  cairo_fill_preserve(cr);
  cairo_clip(cr);
  cairo_set_antialias(cr, CAIRO_ANTIALIAS_DEFAULT);
  RoundedRectPath(cr, r.left + 0.5, r.top + 0.5, width - 1, height - 1, std::max(radius - 0.5, 0.0));
  SetColour(cr, style.border);
  cairo_set_line_width(cr, 1);
  cairo_stroke(cr);
  cairo_restore(cr);
}

PangoContextPtr MakeTextContext() {
  PangoContextPtr context(pango_font_map_create_context(pango_cairo_font_map_get_default()));
  pango_cairo_context_set_resolution(context.get(), kDpi);
  CairoFontOptionsPtr options(cairo_font_options_create());
  cairo_font_options_set_antialias(options.get(), CAIRO_ANTIALIAS_GRAY);
  cairo_font_options_set_hint_style(options.get(), CAIRO_HINT_STYLE_SLIGHT);
  cairo_font_options_set_hint_metrics(options.get(), CAIRO_HINT_METRICS_ON);
  pango_cairo_context_set_font_options(context.get(), options.get());
  return context;
}

LayoutPtr MakeLayout(PangoContext* context, const Font& font, std::u16string_view text, int wrap_width,
                     int mnemonic) {
  LayoutPtr layout(pango_layout_new(context));
  PangoFontDescriptionPtr description(pango_font_description_from_string(font.family.c_str()));
  pango_font_description_set_absolute_size(description.get(), font.pixels * PANGO_SCALE);
  pango_font_description_set_weight(description.get(), static_cast<PangoWeight>(std::clamp(font.weight, 100, 1000)));
  pango_font_description_set_style(description.get(), font.italic ? PANGO_STYLE_ITALIC : PANGO_STYLE_NORMAL);
  pango_layout_set_font_description(layout.get(), description.get());
  std::string utf8 = Utf16ToUtf8(text);
  pango_layout_set_text(layout.get(), utf8.c_str(), static_cast<int>(utf8.size()));
  if (wrap_width > 0) {
    pango_layout_set_width(layout.get(), wrap_width * PANGO_SCALE);
    pango_layout_set_wrap(layout.get(), PANGO_WRAP_WORD_CHAR);
  }
  if (mnemonic >= 0 && static_cast<size_t>(mnemonic) < text.size()) {
    PangoAttrListPtr attributes(pango_attr_list_new());
    PangoAttribute* underline = pango_attr_underline_new(PANGO_UNDERLINE_SINGLE);
    underline->start_index = Utf8Offset(text, static_cast<size_t>(mnemonic));
    size_t length = (text[static_cast<size_t>(mnemonic)] >= 0xD800 && text[static_cast<size_t>(mnemonic)] < 0xDC00) ? 2 : 1;
    underline->end_index = Utf8Offset(text, static_cast<size_t>(mnemonic) + length);
    pango_attr_list_insert(attributes.get(), underline);
    pango_layout_set_attributes(layout.get(), attributes.get());
  }
  return layout;
}

SIZE LayoutSize(PangoLayout* layout) {
  PangoRectangle logical;
  pango_layout_get_pixel_extents(layout, nullptr, &logical);
  return SIZE{logical.width, logical.height};
}

void DrawLayout(cairo_t* cr, PangoLayout* layout, double x, double y, std::uint32_t rgb) {
  cairo_save(cr);
  SetColour(cr, rgb);
  cairo_move_to(cr, x, y);
  pango_cairo_show_layout(cr, layout);
  cairo_restore(cr);
}

PrefixedText StripPrefixes(std::u16string_view text) {
  PrefixedText out;
  out.text.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != u'&') {
      out.text += text[i];
      continue;
    }
    if (i + 1 == text.size()) break;  // a lone trailing '&'
    ++i;
    if (text[i] != u'&' && out.mnemonic < 0) out.mnemonic = static_cast<int>(out.text.size());
    out.text += text[i];
  }
  return out;
}

}  // namespace varnika::popup
