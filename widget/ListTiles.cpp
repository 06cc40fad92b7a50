#include "widget/ListTiles.h"

#include <algorithm>

namespace varnika {

TListTiles::TListTiles(int rows, int capacity) : rows_(std::max(rows, 1)), capacity_(std::max(capacity, 1)) {}

TListTiles::~TListTiles() = default;

int TListTiles::TileHeight() const { return std::min(rows_, height_); }

void TListTiles::SetSize(int width, int height) {
  width = std::max(width, 0);
  height = std::max(height, 0);
  if (width == width_ && height == height_) return;
  bool same_tiles = width == width_ && std::min(rows_, height) == TileHeight();
  width_ = width;
  height_ = height;
  if (same_tiles)
    Discard();
  else
    Release();
}

void TListTiles::Discard() {
  for (Tile& tile : tiles_) tile.index = -1;
}

void TListTiles::Release() { tiles_.clear(); }

std::size_t TListTiles::PixelBytes() const {
  std::size_t bytes = 0;
  for (const Tile& tile : tiles_) {
    const TBitmapEx& bitmap = tile.canvas->Bitmap();
    bytes += static_cast<std::size_t>(bitmap.Stride()) * static_cast<std::size_t>(bitmap.PixelHeight());
  }
  return bytes;
}

TListTiles::Tile* TListTiles::Reusable() {
  // A tile without a picture first, else the one used least recently that
  // the composing under way does not need.
  Tile* best = nullptr;
  for (Tile& tile : tiles_) {
    if (tile.index < 0) return &tile;
    if (tile.last_use <= pass_start_ && (!best || tile.last_use < best->last_use)) best = &tile;
  }
  return best;
}

TListTiles::Tile& TListTiles::Acquire(int index, const Painter& paint) {
  ++clock_;
  auto found = std::find_if(tiles_.begin(), tiles_.end(), [index](const Tile& t) { return t.index == index; });
  if (found != tiles_.end()) {
    found->last_use = clock_;
    return *found;
  }
  Tile* tile = Reusable();
  if (!tile && static_cast<int>(tiles_.size()) < capacity_) {
    tiles_.push_back(Tile{-1, 0, std::make_unique<TCanvasEx>(width_, TileHeight())});
    tile = &tiles_.back();
  }
  if (!tile)
    tile = &*std::min_element(tiles_.begin(), tiles_.end(),
                              [](const Tile& a, const Tile& b) { return a.last_use < b.last_use; });
  tile->index = -1;  // stays unpainted if the painter raises
  tile->canvas->Clear();
  paint(*tile->canvas, index * rows_);
  tile->index = index;
  tile->last_use = clock_;
  return *tile;
}

void TListTiles::Compose(TCanvasEx& target, int x, int y, BYTE alpha, int from, int to, const Painter& paint) {
  from = std::max(from, 0);
  to = std::min(to, height_);
  if (width_ <= 0 || from >= to) return;
  pass_start_ = clock_;
  for (int index = from / rows_; index <= (to - 1) / rows_; ++index) {
    Tile& tile = Acquire(index, paint);
    target.DrawAlpha(tile.canvas->Bitmap(), x, y + index * rows_, alpha);
  }
}

}  // namespace varnika
