// An off-screen 32-bit bitmap: one block of pixel memory with a cairo image
// surface over it, which cairo composites into and pango draws text into.
// Format 0 (CAIRO_FORMAT_ARGB32) is premultiplied alpha in native byte order
// (blue, green, red, alpha in memory), rows top to bottom, 4 x Width bytes a
// row. A new bitmap is transparent black.
//
// A bitmap has a scale: it holds Scale() x Scale() pixels for each of its
// Width() x Height() logical pixels, and its surface's device scale makes
// cairo and pango draw on it in logical pixels. Stride, Bits and the pixel
// operations are about the pixels (PixelWidth x PixelHeight). Canvases
// make their bitmaps at the display's scale; images at their own.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string_view>

#include "base/WinTypes.h"
#include "toolkit/ArgbColor.h"
#include "toolkit/CairoHandles.h"

namespace varnika {

inline constexpr int kBitmapFormatArgb32 = CAIRO_FORMAT_ARGB32;  // 0

class TBitmapEx {
 public:
  // A negative size counts as 0; a size that cairo cannot address (a side
  // above 32767 pixels) or an unknown format gives an empty 0 x 0 bitmap.
  TBitmapEx(int width, int height, int format = kBitmapFormatArgb32, int scale = 1);
  ~TBitmapEx();
  TBitmapEx(const TBitmapEx&) = delete;
  TBitmapEx& operator=(const TBitmapEx&) = delete;

  // An exact copy of source's pixels, size and format. A copy of a bitmap
  // over read-only pixels shares them (and copies them only when changed).
  static std::unique_ptr<TBitmapEx> CreateCopy(const TBitmapEx& source);
  // A Format 0 bitmap over premultiplied ARGB32 pixels that live as long as
  // the program (the executable's own), which it never writes: the pixel
  // operations and Bits() first give it a copy of its own.
  static std::unique_ptr<TBitmapEx> CreateOverPixels(const std::uint8_t* pixels, int width, int height, int stride);
  // The image resource res_id of type res_type (ImageLoader.cpp): for a PNG
  // whose pixels the program also holds ready to draw (kResourceTypeArgb,
  // the same id), a bitmap over those; otherwise the PNG decoded. All
  // resources belong to the one executable, so instance is not consulted.
  // Raises EResNotFound ("Resource %s not found") when there is no such
  // resource; bytes that do not decode give a 0 x 0 bitmap.
  static std::unique_ptr<TBitmapEx> CreateFromResource(HINSTANCE instance, int res_id,
                                                        std::u16string_view res_type);
  // Decodes PNG bytes into a Format 0 bitmap (0 x 0 when they do not decode)
  // of that scale: an image drawn at twice the resolution has scale 2 and
  // half its pixels' size (rounded up).
  static std::unique_ptr<TBitmapEx> CreateFromPng(std::span<const std::uint8_t> png, int scale = 1);

  std::unique_ptr<TBitmapEx> Clone() const { return CreateCopy(*this); }

  // Pixel operations on Format 0 bitmaps; each does nothing on an empty
  // bitmap or another format. Blur replaces each interior byte by the mean
  // of its four edge neighbours, Passes times, in place and in reading order.
  void Blur(int passes);
  // Every byte (colour and alpha) becomes byte * alpha >> 8.
  void Fade(BYTE alpha);
  // Blue, green and red are scaled by the colour's blue, green and red bytes
  // (>> 8); alpha is kept.
  void Tint(ARGB color);

  // A source to draw from; draw into it only when it is not ReadOnly.
  cairo_surface_t* Image() const { return image_.get(); }
  // What the window system reads a finished frame from.
  cairo_surface_t* DC() const { return image_.get(); }
  int Format() const { return format_; }
  int Width() const { return width_; }
  int Height() const { return height_; }
  int Scale() const { return scale_; }
  int PixelWidth() const { return width_ * scale_; }
  int PixelHeight() const { return height_ * scale_; }
  int Stride() const { return stride_; }
  std::uint8_t* Bits() {
    MakeWritable();
    return bits_;
  }
  const std::uint8_t* Bits() const { return bits_; }
  // Whether the pixels are shared read-only ones (CreateOverPixels).
  bool ReadOnly() const { return read_only_; }

 private:
  bool HasPixels() const { return bits_ && format_ == kBitmapFormatArgb32 && width_ > 0 && height_ > 0; }
  std::size_t PixelCount() const { return static_cast<std::size_t>(PixelWidth()) * PixelHeight(); }
  void BlurPass();
  void BeginPixelAccess() const { cairo_surface_flush(image_.get()); }
  // Gives a bitmap over read-only pixels a copy of its own to change.
  void MakeWritable();
  void EndPixelAccess() { cairo_surface_mark_dirty(image_.get()); }

  CairoSurfacePtr image_;
  int format_;
  int scale_ = 1;
  int height_ = 0;
  int width_ = 0;
  int stride_ = 0;
  std::uint8_t* bits_ = nullptr;  // owned by image_ (freed with the surface), unless read_only_
  bool read_only_ = false;
};

}  // namespace varnika
