#include "platform/PngDecoder.h"

#include <cstring>

namespace varnika {
namespace {

struct PngSource {
  std::span<const std::uint8_t> bytes;
  std::size_t offset = 0;
};

cairo_status_t ReadPng(void* closure, unsigned char* data, unsigned int length) {
  auto* source = static_cast<PngSource*>(closure);
  if (source->bytes.size() - source->offset < length) return CAIRO_STATUS_READ_ERROR;
  std::memcpy(data, source->bytes.data() + source->offset, length);
  source->offset += length;
  return CAIRO_STATUS_SUCCESS;
}

}  // namespace

CairoSurfacePtr DecodePngToArgb32(std::span<const std::uint8_t> bytes) {
  PngSource source{bytes};
  CairoSurfacePtr decoded(cairo_image_surface_create_from_png_stream(ReadPng, &source));
  if (cairo_surface_status(decoded.get()) != CAIRO_STATUS_SUCCESS) return nullptr;
  if (cairo_image_surface_get_format(decoded.get()) == CAIRO_FORMAT_ARGB32) return decoded;
  const int width = cairo_image_surface_get_width(decoded.get());
  const int height = cairo_image_surface_get_height(decoded.get());
  CairoSurfacePtr argb(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height));
  if (cairo_surface_status(argb.get()) != CAIRO_STATUS_SUCCESS) return nullptr;
  CairoContextPtr cr(cairo_create(argb.get()));
  cairo_set_operator(cr.get(), CAIRO_OPERATOR_SOURCE);
  cairo_set_source_surface(cr.get(), decoded.get(), 0, 0);
  cairo_paint(cr.get());
  cr.reset();
  cairo_surface_flush(argb.get());
  return argb;
}

}  // namespace varnika
