#include "toolkit/BitmapEx.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>

#include "platform/WindowSystem.h"

namespace varnika {

namespace {

constexpr int kMaxSide = 32767;  // cairo's limit for image surfaces, in pixels

cairo_user_data_key_t kPixelMemoryKey;

void FreePixelMemory(void* memory) { std::free(memory); }

bool KnownFormat(int format) { return format >= CAIRO_FORMAT_ARGB32 && format <= CAIRO_FORMAT_RGB30; }

}  // namespace

TBitmapEx::TBitmapEx(int width, int height, int format, int scale) : format_(format) {
  width = std::max(width, 0);
  height = std::max(height, 0);
  scale = std::clamp(scale, 1, kMaxDisplayScale);
  if (width > kMaxSide / scale || height > kMaxSide / scale || !KnownFormat(format)) {
    image_.reset(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 0, 0));
    return;
  }
  auto cairo_format = static_cast<cairo_format_t>(format);  // only known values fit the enumeration
  width_ = width;
  height_ = height;
  scale_ = scale;
  stride_ = cairo_format_stride_for_width(cairo_format, PixelWidth());
  std::size_t bytes = static_cast<std::size_t>(stride_) * static_cast<std::size_t>(PixelHeight());
  if (bytes == 0) {
    image_.reset(cairo_image_surface_create(cairo_format, PixelWidth(), PixelHeight()));
    cairo_surface_set_device_scale(image_.get(), scale, scale);
    return;
  }
  // Zeroed by calloc, which need not write fresh pages: a bitmap that is
  // never drawn (a hidden panel's canvas) then costs no memory.
  auto* memory = static_cast<std::uint8_t*>(std::calloc(bytes, 1));
  if (!memory) throw std::bad_alloc();
  image_.reset(cairo_image_surface_create_for_data(memory, cairo_format, PixelWidth(), PixelHeight(), stride_));
  if (cairo_surface_set_user_data(image_.get(), &kPixelMemoryKey, memory, FreePixelMemory) !=
      CAIRO_STATUS_SUCCESS) {
    // An error surface keeps no data: the bitmap stays empty.
    std::free(memory);
    return;
  }
  cairo_surface_set_device_scale(image_.get(), scale, scale);
  bits_ = memory;
}

TBitmapEx::~TBitmapEx() = default;

std::unique_ptr<TBitmapEx> TBitmapEx::CreateOverPixels(const std::uint8_t* pixels, int width, int height,
                                                       int stride) {
  if (!pixels || width <= 0 || height <= 0 || width > kMaxSide || height > kMaxSide ||
      stride < cairo_format_stride_for_width(CAIRO_FORMAT_ARGB32, width)) {
    return std::make_unique<TBitmapEx>(0, 0);
  }
  auto bitmap = std::make_unique<TBitmapEx>(0, 0);
  // cairo takes the pixels as writable; nothing here writes them.
  auto* bits = const_cast<std::uint8_t*>(pixels);
  CairoSurfacePtr image(cairo_image_surface_create_for_data(bits, CAIRO_FORMAT_ARGB32, width, height, stride));
  if (cairo_surface_status(image.get()) != CAIRO_STATUS_SUCCESS) return bitmap;
  bitmap->image_ = std::move(image);
  bitmap->width_ = width;
  bitmap->height_ = height;
  bitmap->stride_ = stride;
  bitmap->bits_ = bits;
  bitmap->read_only_ = true;
  return bitmap;
}

void TBitmapEx::MakeWritable() {
  if (!read_only_) return;
  TBitmapEx own(width_, height_, format_, scale_);
  for (int y = 0; own.bits_ && y < height_; ++y) {
    std::memcpy(own.bits_ + static_cast<std::size_t>(y) * static_cast<std::size_t>(own.stride_),
                bits_ + static_cast<std::size_t>(y) * static_cast<std::size_t>(stride_),
                static_cast<std::size_t>(width_) * 4);
  }
  own.EndPixelAccess();
  image_ = std::move(own.image_);
  bits_ = own.bits_;
  stride_ = own.stride_;
  read_only_ = false;
}

std::unique_ptr<TBitmapEx> TBitmapEx::CreateCopy(const TBitmapEx& source) {
  if (source.read_only_) return CreateOverPixels(source.bits_, source.width_, source.height_, source.stride_);
  auto copy = std::make_unique<TBitmapEx>(source.width_, source.height_, source.format_, source.scale_);
  if (copy->bits_ && source.bits_) {
    source.BeginPixelAccess();
    std::memcpy(copy->bits_, source.bits_, static_cast<std::size_t>(source.stride_) * source.PixelHeight());
    copy->EndPixelAccess();
  }
  return copy;
}

void TBitmapEx::Blur(int passes) {
  if (passes <= 0 || !HasPixels() || PixelWidth() < 3 || PixelHeight() < 3) return;
  MakeWritable();
  // The spread grows with the square root of the passes: scale squared as
  // many spread as far in logical pixels.
  passes *= scale_ * scale_;
  BeginPixelAccess();
  for (int pass = 0; pass < passes; ++pass) BlurPass();
  EndPixelAccess();
}

void TBitmapEx::BlurPass() {
  const std::size_t row = static_cast<std::size_t>(PixelWidth()) * 4;
  for (int y = 1; y < PixelHeight() - 1; ++y) {
    std::uint8_t* line = bits_ + y * row;
    for (int x = 1; x < PixelWidth() - 1; ++x) {
      std::uint8_t* p = line + x * 4;
      const std::uint8_t* up = p - row;
      const std::uint8_t* down = p + row;
      for (int c = 0; c < 4; ++c) {
        p[c] = static_cast<std::uint8_t>((up[c] + down[c] + p[c - 4] + p[c + 4]) >> 2);
      }
    }
  }
}

void TBitmapEx::Fade(BYTE alpha) {
  if (!HasPixels()) return;
  MakeWritable();
  BeginPixelAccess();
  std::uint8_t* end = bits_ + PixelCount() * 4;
  for (std::uint8_t* p = bits_; p != end; ++p) *p = static_cast<std::uint8_t>((*p * alpha) >> 8);
  EndPixelAccess();
}

void TBitmapEx::Tint(ARGB color) {
  if (!HasPixels()) return;
  MakeWritable();
  const unsigned factors[3] = {ColorBlue(color), ColorGreen(color), ColorRed(color)};
  BeginPixelAccess();
  std::uint8_t* end = bits_ + PixelCount() * 4;
  for (std::uint8_t* p = bits_; p != end; p += 4) {
    for (int c = 0; c < 3; ++c) p[c] = static_cast<std::uint8_t>(std::min((p[c] * factors[c]) >> 8, 255u));
  }
  EndPixelAccess();
}

}  // namespace varnika
