// The picture of a tall control kept in horizontal bands ("tiles") of at
// most a fixed number of rows instead of one bitmap as tall as the control:
// a list of a thousand headlines is over a hundred thousand rows, beyond what
// one cairo surface can address and far more memory than the few rows on
// screen need.
//
// A tile is painted when composing first needs it and is then reused, until
// its picture is discarded. A new tile is made only when every tile held is
// needed by the same Compose call, so the tiles held never outnumber the
// bands that one view of the picture meets (two for a view shorter than a
// band); otherwise a tile whose picture was discarded, else the one used
// least recently, is repainted. Capacity bounds the count as well.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "toolkit/CanvasEx.h"

namespace varnika {

class TListTiles {
 public:
  static constexpr int kDefaultRows = 256;
  static constexpr int kDefaultCapacity = 8;

  // Paints the rows of the picture from tile_top on into a cleared canvas
  // (picture row tile_top lands on canvas row 0).
  using Painter = std::function<void(TCanvasEx& tile, int tile_top)>;

  explicit TListTiles(int rows = kDefaultRows, int capacity = kDefaultCapacity);
  ~TListTiles();
  TListTiles(const TListTiles&) = delete;
  TListTiles& operator=(const TListTiles&) = delete;

  int Rows() const { return rows_; }
  int Capacity() const { return capacity_; }

  // The size of the whole picture. Any change discards the tiles' pictures;
  // a change of the tiles' own size frees them.
  void SetSize(int width, int height);
  // Forgets every picture; the bitmaps stay for reuse.
  void Discard();
  // Frees the bitmaps too.
  void Release();

  // Composes the picture's rows from .. to - 1 into target, with the
  // picture's top left corner at (x, y) and constant alpha, painting the
  // tiles that are missing.
  void Compose(TCanvasEx& target, int x, int y, BYTE alpha, int from, int to, const Painter& paint);

  // Bytes of pixel memory the tiles hold, and how many tiles that is.
  std::size_t PixelBytes() const;
  std::size_t TileCount() const { return tiles_.size(); }

 private:
  struct Tile {
    int index = -1;  // which band of the picture it shows; -1: none
    std::uint64_t last_use = 0;
    std::unique_ptr<TCanvasEx> canvas;
  };

  int TileHeight() const;
  Tile& Acquire(int index, const Painter& paint);
  Tile* Reusable();

  int rows_;
  int capacity_;
  int width_ = 0;
  int height_ = 0;
  std::uint64_t clock_ = 0;
  std::uint64_t pass_start_ = 0;  // clock_ when the Compose under way began
  std::vector<Tile> tiles_;
};

}  // namespace varnika
