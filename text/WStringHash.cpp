#include "text/WStringHash.h"

namespace varnika {

TWStringHash::TWStringHash(int size) : buckets_(size > 0 ? static_cast<std::size_t>(size) : 1) {}

std::uint32_t TWStringHash::HashOf(std::u16string_view key) const {
  std::uint32_t h = 0;
  for (const char16_t c : key) h = ((h << 2) | (h >> 30)) ^ c;
  return h;
}

void TWStringHash::Add(std::u16string key, int value) {
  const std::uint32_t h = HashOf(key);
  buckets_[h % buckets_.size()].push_back(Entry{h, value, std::move(key)});
}

int TWStringHash::ValueOf(std::u16string_view key) const {
  const std::uint32_t h = HashOf(key);
  const std::vector<Entry>& chain = buckets_[h % buckets_.size()];
  for (auto it = chain.rbegin(); it != chain.rend(); ++it)
    if (it->hash == h && it->key == key) return it->value;
  return -1;
}

void TWStringHash::Clear() {
  for (auto& chain : buckets_) chain.clear();
}

}  // namespace varnika
