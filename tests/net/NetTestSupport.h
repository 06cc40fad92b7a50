// Helpers shared by the network tests.
#pragma once

#include <chrono>
#include <cstdint>
#include <random>
#include <string>

#include "net/Request.h"

namespace varnika::test {

// Short bounds so that a fault shows as a failure, not a hang.
inline TRequestLimits FastLimits() {
  TRequestLimits limits;
  limits.connect_timeout_ms = 5000;
  limits.stall_timeout_ms = 5000;
  return limits;
}

inline std::string RandomBytes(std::size_t size, unsigned seed) {
  std::mt19937 generator(seed);
  std::string bytes(size, '\0');
  for (char& c : bytes) c = static_cast<char>(generator() & 0xFF);
  return bytes;
}

inline std::int64_t MillisecondsSince(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace varnika::test
