// An icon's pixels as a cairo image, for the hosts that draw or send it.
#pragma once

#include "platform/CairoOwners.h"
#include "platform/Icons.h"

namespace varnika {

// The pixels premultiplied again, as a cairo image of their size; nullptr for
// an empty picture or one with fewer pixels than its size says.
CairoSurfacePtr IconSurface(const IconPixels& icon);

}  // namespace varnika
