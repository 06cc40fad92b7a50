#include "platform/IconSurface.h"

#include <cstddef>

namespace varnika {

CairoSurfacePtr IconSurface(const IconPixels& icon) {
  const auto count = static_cast<std::size_t>(icon.width) * static_cast<std::size_t>(icon.height);
  if (icon.width <= 0 || icon.height <= 0 || icon.argb.size() < count) return nullptr;
  CairoSurfacePtr image(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, icon.width, icon.height));
  cairo_surface_flush(image.get());
  auto* data = cairo_image_surface_get_data(image.get());
  const int stride = cairo_image_surface_get_stride(image.get());
  for (int y = 0; y < icon.height; ++y) {
    auto* row = reinterpret_cast<std::uint32_t*>(data + static_cast<std::ptrdiff_t>(y) * stride);
    const std::uint32_t* source = icon.argb.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(icon.width);
    for (int x = 0; x < icon.width; ++x) {
      const std::uint32_t p = source[x];
      const std::uint32_t a = p >> 24;
      auto premultiplied = [&](int shift) { return (((p >> shift) & 0xFF) * a + 127) / 255; };
      row[x] = a << 24 | premultiplied(16) << 16 | premultiplied(8) << 8 | premultiplied(0);
    }
  }
  cairo_surface_mark_dirty(image.get());
  return image;
}

}  // namespace varnika
