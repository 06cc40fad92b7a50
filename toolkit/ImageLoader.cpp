// Image resources into bitmaps: pixels stored ready to draw are wrapped as
// they are, PNGs decoded.
#include <algorithm>

#include "platform/PngDecoder.h"
#include "platform/WindowSystem.h"
#include "resources/RawImage.h"
#include "resources/Resources.h"
#include "toolkit/BitmapEx.h"

namespace varnika {

std::unique_ptr<TBitmapEx> TBitmapEx::CreateFromPng(std::span<const std::uint8_t> png, int scale) {
  CairoSurfacePtr decoded = DecodePngToArgb32(png);
  if (!decoded) return std::make_unique<TBitmapEx>(0, 0);
  scale = std::clamp(scale, 1, kMaxDisplayScale);
  auto bitmap = std::make_unique<TBitmapEx>((cairo_image_surface_get_width(decoded.get()) + scale - 1) / scale,
                                            (cairo_image_surface_get_height(decoded.get()) + scale - 1) / scale,
                                            kBitmapFormatArgb32, scale);
  cairo_surface_set_device_scale(decoded.get(), scale, scale);
  // The decoded image has the bitmap's own layout: copied as it is.
  CairoContextPtr cr(cairo_create(bitmap->Image()));
  cairo_set_operator(cr.get(), CAIRO_OPERATOR_SOURCE);
  cairo_set_source_surface(cr.get(), decoded.get(), 0, 0);
  cairo_paint(cr.get());
  cr.reset();
  cairo_surface_flush(bitmap->Image());
  return bitmap;
}

namespace {

bool SameType(std::u16string_view a, std::u16string_view b) {
  auto lower = [](char16_t c) { return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c - u'A' + u'a') : c; };
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [&](char16_t x, char16_t y) {
           return lower(x) == lower(y);
         });
}

}  // namespace

std::unique_ptr<TBitmapEx> TBitmapEx::CreateFromResource(HINSTANCE instance, int res_id,
                                                          std::u16string_view res_type) {
  (void)instance;
  if (SameType(res_type, kResourceTypePng)) {
    // On a display of scale 2 and above the image drawn at twice the
    // resolution takes its place where there is one (enlarged a little
    // from there at scale 3 and above); it is decoded only then.
    if (DisplayScale() >= 2) {
      std::span<const std::uint8_t> fine = FindResourceData(kResourceTypePng2x, res_id);
      if (!fine.empty()) return CreateFromPng(fine, 2);
    }
    const RawImage raw = ReadRawImage(FindResourceData(kResourceTypeArgb, res_id));
    if (raw.pixels) return CreateOverPixels(raw.pixels, raw.width, raw.height, raw.stride);
  }
  return CreateFromPng(LoadResourceData(res_type, res_id));
}

}  // namespace varnika
