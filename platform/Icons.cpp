#include "platform/Icons.h"

#include <memory>
#include <mutex>
#include <unordered_map>

namespace varnika {
namespace {

constexpr int kMaxIconSide = 1024;

struct IconTable {
  std::mutex mutex;
  std::unordered_map<HICON, std::unique_ptr<IconPixels>> icons;
};

IconTable& Icons() {
  static IconTable table;
  return table;
}

std::uint8_t Unpremultiply(std::uint32_t channel, std::uint32_t alpha) {
  const std::uint32_t straight = (channel * 255 + alpha / 2) / alpha;
  return static_cast<std::uint8_t>(straight > 255 ? 255 : straight);
}

std::uint32_t Straight(std::uint32_t p) {
  const std::uint32_t a = p >> 24;
  if (a == 0) return 0;
  if (a == 255) return p;
  return a << 24 | static_cast<std::uint32_t>(Unpremultiply((p >> 16) & 0xFF, a)) << 16 |
         static_cast<std::uint32_t>(Unpremultiply((p >> 8) & 0xFF, a)) << 8 | Unpremultiply(p & 0xFF, a);
}

}  // namespace

HICON CreateIconFromBits(const void* bits, int width, int height, int stride) {
  if (!bits || width <= 0 || height <= 0 || width > kMaxIconSide || height > kMaxIconSide || stride < width * 4)
    return nullptr;
  auto pixels = std::make_unique<IconPixels>();
  pixels->width = width;
  pixels->height = height;
  pixels->argb.reserve(static_cast<size_t>(width) * static_cast<size_t>(height));
  for (int y = 0; y < height; ++y) {
    const auto* row = reinterpret_cast<const std::uint32_t*>(static_cast<const unsigned char*>(bits) +
                                                              static_cast<size_t>(y) * static_cast<size_t>(stride));
    for (int x = 0; x < width; ++x) pixels->argb.push_back(Straight(row[x]));
  }
  auto handle = reinterpret_cast<HICON>(pixels.get());
  auto& table = Icons();
  std::lock_guard lock(table.mutex);
  table.icons.emplace(handle, std::move(pixels));
  return handle;
}

BOOL DestroyIcon(HICON icon) {
  auto& table = Icons();
  std::lock_guard lock(table.mutex);
  return table.icons.erase(icon) ? TRUE : FALSE;
}

bool GetIconPixels(HICON icon, IconPixels* pixels) {
  auto& table = Icons();
  std::lock_guard lock(table.mutex);
  const auto it = table.icons.find(icon);
  if (it == table.icons.end()) return false;
  if (pixels) *pixels = *it->second;
  return true;
}

}  // namespace varnika
