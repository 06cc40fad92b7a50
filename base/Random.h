// The process's pseudo-random generator: the "rand=" values that keep caches
// out of the way of downloads. Seeded from the clock at start-up. UI thread.
#pragma once

#include <cstdint>
#include <string>

namespace varnika {

void Randomize();
// Uniform in 0 .. 2147483646.
std::uint32_t RandomValue();
// RandomValue as decimal text: no sign, no leading zeros.
std::string RandomText();

}  // namespace varnika
