// Icons from the program's embedded ICON resources (PNG files), decoded with
// cairo's PNG reader.
#include <cairo.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <span>

#include "platform/CairoOwners.h"
#include "platform/Icons.h"
#include "platform/Window.h"
#include "resources/Resources.h"

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

using SurfacePtr = CairoSurfacePtr;
using ContextPtr = CairoContextPtr;

// The PNG as premultiplied ARGB32, whatever format the reader chose.
SurfacePtr DecodePng(std::span<const std::uint8_t> bytes) {
  PngSource source{bytes};
  SurfacePtr decoded(cairo_image_surface_create_from_png_stream(ReadPng, &source));
  if (cairo_surface_status(decoded.get()) != CAIRO_STATUS_SUCCESS) return nullptr;
  const int width = cairo_image_surface_get_width(decoded.get());
  const int height = cairo_image_surface_get_height(decoded.get());
  SurfacePtr argb(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height));
  if (cairo_surface_status(argb.get()) != CAIRO_STATUS_SUCCESS) return nullptr;
  ContextPtr cr(cairo_create(argb.get()));
  cairo_set_operator(cr.get(), CAIRO_OPERATOR_SOURCE);
  cairo_set_source_surface(cr.get(), decoded.get(), 0, 0);
  cairo_paint(cr.get());
  cr.reset();
  cairo_surface_flush(argb.get());
  return argb;
}

}  // namespace

HICON LoadIconW(HINSTANCE instance, LPCWSTR name) {
  if (!instance || instance != GetModuleHandleW(nullptr)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  if (!name || !IsIntResource(name)) {
    SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
    return nullptr;
  }
  const int id = static_cast<int>(reinterpret_cast<std::uintptr_t>(name));
  const std::span<const std::uint8_t> bytes = FindResourceData(kResourceTypeIcon, id);
  SurfacePtr image = bytes.empty() ? nullptr : DecodePng(bytes);
  HICON icon = image ? CreateIconFromBits(cairo_image_surface_get_data(image.get()),
                                          cairo_image_surface_get_width(image.get()),
                                          cairo_image_surface_get_height(image.get()),
                                          cairo_image_surface_get_stride(image.get()))
                     : nullptr;
  if (!icon) SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
  return icon;
}

}  // namespace varnika
