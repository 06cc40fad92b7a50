// The one PNG decoder of the program: PNG bytes to a premultiplied ARGB32
// cairo image surface, whatever format cairo's PNG reader chose (it gives
// RGB24 for opaque images). Icons and toolkit bitmaps both decode here.
#pragma once

#include <cstdint>
#include <span>

#include "platform/CairoOwners.h"

namespace varnika {

// nullptr when the bytes are not a complete PNG or the image cannot be made.
CairoSurfacePtr DecodePngToArgb32(std::span<const std::uint8_t> bytes);

}  // namespace varnika
