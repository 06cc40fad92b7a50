// Icons from the program's embedded ICON resources (PNG files).
#include <span>

#include "platform/Icons.h"
#include "platform/PngDecoder.h"
#include "platform/Window.h"
#include "resources/Resources.h"

namespace varnika {

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
  CairoSurfacePtr image = bytes.empty() ? nullptr : DecodePngToArgb32(bytes);
  HICON icon = image ? CreateIconFromBits(cairo_image_surface_get_data(image.get()),
                                          cairo_image_surface_get_width(image.get()),
                                          cairo_image_surface_get_height(image.get()),
                                          cairo_image_surface_get_stride(image.get()))
                     : nullptr;
  if (!icon) SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
  return icon;
}

}  // namespace varnika
