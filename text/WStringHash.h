// A hash table from strings to integers with a fixed number of buckets, used
// as the look-up index of TWHashedStringList. Keys are compared exactly, code
// unit by code unit. A key added twice keeps both entries; look-ups find the
// one added last.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace varnika {

class TWStringHash {
 public:
  explicit TWStringHash(int size = 256);
  TWStringHash(const TWStringHash&) = delete;
  TWStringHash& operator=(const TWStringHash&) = delete;
  virtual ~TWStringHash() = default;

  // h := (h rotated left by 2) xor c, for every code unit c of key.
  virtual std::uint32_t HashOf(std::u16string_view key) const;

  void Add(std::u16string key, int value);
  // The value of the entry added last with exactly this key, or -1.
  int ValueOf(std::u16string_view key) const;
  void Clear();
  int BucketCount() const { return static_cast<int>(buckets_.size()); }

 private:
  struct Entry {
    std::uint32_t hash;
    int value;
    std::u16string key;
  };
  // Each bucket's chain, oldest entry first: the head of the chain is the back.
  std::vector<std::vector<Entry>> buckets_;
};

}  // namespace varnika
