#include "base/Random.h"

#include <chrono>
#include <random>

namespace varnika {
namespace {

std::mt19937& Generator() {
  static std::mt19937 generator;
  return generator;
}

}  // namespace

void Randomize() {
  Generator().seed(static_cast<std::uint32_t>(std::chrono::system_clock::now().time_since_epoch().count()));
}

std::uint32_t RandomValue() {
  std::uniform_int_distribution<std::uint32_t> values(0, 2147483646u);
  return values(Generator());
}

std::string RandomText() { return std::to_string(RandomValue()); }

}  // namespace varnika
