// Rounding to the nearest integer with halves going to the even neighbour,
// independent of the floating-point environment's rounding mode.
#pragma once

#include <cmath>

namespace varnika {

inline double RoundHalfEven(double value) {
  double floor = std::floor(value);
  double fraction = value - floor;
  if (fraction > 0.5) return floor + 1;
  if (fraction < 0.5) return floor;
  return std::fmod(floor, 2.0) == 0 ? floor : floor + 1;
}

// Layout positions: a single-precision value to the nearest int.
inline int RoundToInt(float value) { return static_cast<int>(RoundHalfEven(static_cast<double>(value))); }

}  // namespace varnika
