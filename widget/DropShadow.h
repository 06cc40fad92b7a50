// How a skin text draws its shadow: the text again in Color, blurred
// BlurPasses times and drawn (OffsetX, OffsetY) away from the text.
#pragma once

#include "toolkit/ArgbColor.h"

namespace varnika {

struct TDropShadow {
  bool Enabled = true;
  int OffsetY = 2;
  int OffsetX = 2;
  int BlurPasses = 2;
  ARGB Color = 0xFF000000;
};

}  // namespace varnika
