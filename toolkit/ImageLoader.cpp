// Decoding PNG resources into bitmaps with cairo's PNG reader.
#include <cstring>

#include "resources/Resources.h"
#include "toolkit/BitmapEx.h"

namespace varnika {

namespace {

struct PngReader {
  std::span<const std::uint8_t> bytes;
  std::size_t position = 0;
};

cairo_status_t ReadPngBytes(void* closure, unsigned char* data, unsigned int length) {
  auto* reader = static_cast<PngReader*>(closure);
  if (reader->bytes.size() - reader->position < length) return CAIRO_STATUS_READ_ERROR;
  std::memcpy(data, reader->bytes.data() + reader->position, length);
  reader->position += length;
  return CAIRO_STATUS_SUCCESS;
}

}  // namespace

std::unique_ptr<TBitmapEx> TBitmapEx::CreateFromPng(std::span<const std::uint8_t> png) {
  PngReader reader{png};
  CairoSurfacePtr decoded(cairo_image_surface_create_from_png_stream(ReadPngBytes, &reader));
  if (cairo_surface_status(decoded.get()) != CAIRO_STATUS_SUCCESS) {
    return std::make_unique<TBitmapEx>(0, 0);
  }
  auto bitmap = std::make_unique<TBitmapEx>(cairo_image_surface_get_width(decoded.get()),
                                            cairo_image_surface_get_height(decoded.get()));
  // The decoder gives premultiplied ARGB32 for images with alpha and RGB24
  // for opaque ones; painting onto the transparent bitmap turns either into
  // the bitmap's own premultiplied layout.
  CairoContextPtr cr(cairo_create(bitmap->Image()));
  cairo_set_operator(cr.get(), CAIRO_OPERATOR_SOURCE);
  cairo_set_source_surface(cr.get(), decoded.get(), 0, 0);
  cairo_paint(cr.get());
  cr.reset();
  cairo_surface_flush(bitmap->Image());
  return bitmap;
}

std::unique_ptr<TBitmapEx> TBitmapEx::CreateFromResource(HINSTANCE instance, int res_id,
                                                          std::u16string_view res_type) {
  (void)instance;
  return CreateFromPng(LoadResourceData(res_type, res_id));
}

}  // namespace varnika
