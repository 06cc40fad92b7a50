#include "platform/x11/FramePresenter.h"

#include <X11/extensions/shape.h>

#include <algorithm>
#include <cstring>

namespace varnika::x11 {

namespace {

// An empty shape: the window shows nothing and takes no input.
void SetEmptyShape(Display* display, ::Window window, int kind) {
  XShapeCombineRectangles(display, window, kind, 0, 0, nullptr, 0, ShapeSet, YXBanded);
}

void ClearShape(Display* display, ::Window window, int kind) {
  XShapeCombineMask(display, window, kind, 0, 0, None, ShapeSet);
}

constexpr BYTE kHalfOpaque = 128;
// The band a scaled frame is put through: 64 KB.
constexpr int kBandPixels = 16384;

bool LittleEndianHost() {
  const std::uint32_t probe = 1;
  unsigned char first = 0;
  std::memcpy(&first, &probe, 1);
  return first == 1;
}

}  // namespace

FramePresenter::FramePresenter(const Target& target)
    : display_(target.display),
      window_(target.window),
      visual_(target.visual),
      depth_(target.depth),
      has_shape_(target.has_shape),
      gc_(target.display, XCreateGC(target.display, target.window, 0, nullptr)) {
  XSetGraphicsExposures(display_, gc_.Get(), False);
}

void FramePresenter::Present(const FrameView& frame) {
  // The same buffer is the same picture: the window system makes a new one
  // for every picture that may differ.
  if (frame.buffer && frame.buffer == source_ && frame.alpha == alpha_ && puts_ > 0) return;
  alpha_ = frame.alpha;
  if (frame.Empty()) {
    ForgetFrame();
    return;
  }
  source_ = frame.buffer;
  width_ = source_->width;
  height_ = source_->height;
  Upload();
}

void FramePresenter::ForgetFrame() {
  source_.reset();
  width_ = 0;
  height_ = 0;
  band_ = {};
  mask_.clear();
  mask_width_ = 0;
  shape_dirty_ = true;
  UpdateShape();
}

void FramePresenter::SetAlpha(BYTE alpha) {
  if (alpha == alpha_) return;
  alpha_ = alpha;
  if (HasFrame()) Upload();
}

void FramePresenter::Redraw(unsigned long expose_serial) {
  if (!HasFrame()) return;
  // Request numbers grow by one a request and wrap at the width of long.
  if (last_put_serial_ != 0 && static_cast<long>(last_put_serial_ - expose_serial) > 0) return;
  Put();
}

void FramePresenter::SetMode(bool layered, bool compositing, bool click_through) {
  if (layered == layered_ && compositing == compositing_ && click_through == click_through_) {
    UpdateShape();
    return;
  }
  bool reupload = layered != layered_;
  bool recut = compositing != compositing_;
  layered_ = layered;
  compositing_ = compositing;
  click_through_ = click_through;
  shape_dirty_ = true;
  if (reupload && HasFrame()) {
    Upload();
  } else {
    if (recut) RefreshMask();
    UpdateShape();
  }
}

void FramePresenter::Upload() {
  RefreshMask();
  // The shape before the pixels: a put clipped by the old shape would be
  // lost where the new one uncovers the window, and need a second put when
  // the exposure comes.
  UpdateShape();
  Put();
}

void FramePresenter::RefreshMask() {
  if (!layered_ || !has_shape_ || !source_) return;
  // Without a compositing manager a pixel shows its premultiplied colour
  // over black: the faint ones (a soft shadow) would make a dark frame, so
  // the cut keeps only the frame's pixels that are at least half opaque. A
  // constant alpha (a fade) darkens them without changing the cut, unless
  // it is 0. Input under a compositing manager takes every pixel that the
  // constant alpha leaves visible.
  std::vector<std::uint8_t> mask;
  if (alpha_ == 0) {
    mask.assign((static_cast<size_t>(width_) + 7) / 8 * static_cast<size_t>(height_), 0);
  } else {
    const BYTE floor = compositing_ ? LowestVisibleAlpha(alpha_) : kHalfOpaque;
    mask = AlphaMask(source_->pixels, source_->stride, width_, height_, floor);
  }
  if (mask != mask_ || width_ != mask_width_) {
    mask_ = std::move(mask);
    mask_width_ = width_;
    shape_dirty_ = true;
  }
}

void FramePresenter::Put() {
  ++puts_;
  last_put_serial_ = NextRequest(display_);
  if (alpha_ != 255 || !layered_) {
    PutScaled();
    return;
  }
  band_ = {};
  // Xlib writes the bytes out (splitting a request too large for the
  // server) before it returns: the canvas is free again after the call.
  char* data = reinterpret_cast<char*>(const_cast<std::uint32_t*>(source_->pixels));
  BorrowedImage image(XCreateImage(display_, visual_, static_cast<unsigned>(depth_), ZPixmap, 0, data,
                                   static_cast<unsigned>(width_), static_cast<unsigned>(height_), 32,
                                   source_->stride * 4));
  if (!image) return;
  image->byte_order = LittleEndianHost() ? LSBFirst : MSBFirst;
  XPutImage(display_, window_, gc_.Get(), image.get(), 0, 0, 0, 0, static_cast<unsigned>(width_),
            static_cast<unsigned>(height_));
}

void FramePresenter::PutScaled() {
  const int rows = std::max(1, std::min(height_, kBandPixels / width_));
  band_.resize(static_cast<size_t>(rows) * static_cast<size_t>(width_));
  BorrowedImage image(XCreateImage(display_, visual_, static_cast<unsigned>(depth_), ZPixmap, 0,
                                   reinterpret_cast<char*>(band_.data()), static_cast<unsigned>(width_),
                                   static_cast<unsigned>(rows), 32, width_ * 4));
  if (!image) return;
  image->byte_order = LittleEndianHost() ? LSBFirst : MSBFirst;
  for (int top = 0; top < height_; top += rows) {
    const int n = std::min(rows, height_ - top);
    ApplyConstantAlpha(source_->Row(top), source_->stride, band_.data(), width_, width_, n, alpha_, !layered_);
    XPutImage(display_, window_, gc_.Get(), image.get(), 0, 0, 0, top, static_cast<unsigned>(width_),
              static_cast<unsigned>(n));
  }
}

XPixmapHandle FramePresenter::MaskPixmap() {
  XPixmapHandle pixmap(display_, XCreatePixmap(display_, window_, static_cast<unsigned>(width_),
                                               static_cast<unsigned>(height_), 1));
  if (!mask_gc_) {
    mask_gc_ = XGcHandle(display_, XCreateGC(display_, pixmap.Get(), 0, nullptr));
    XSetForeground(display_, mask_gc_.Get(), 1);
    XSetBackground(display_, mask_gc_.Get(), 0);
  }
  XImage image{};
  image.width = width_;
  image.height = height_;
  image.format = XYBitmap;
  image.data = reinterpret_cast<char*>(mask_.data());
  image.byte_order = LSBFirst;
  image.bitmap_unit = 8;
  image.bitmap_bit_order = LSBFirst;
  image.bitmap_pad = 8;
  image.depth = 1;
  image.bytes_per_line = (width_ + 7) / 8;
  image.bits_per_pixel = 1;
  XInitImage(&image);
  // Xlib splits an image that is too large for one request.
  XPutImage(display_, pixmap.Get(), mask_gc_.Get(), &image, 0, 0, 0, 0, static_cast<unsigned>(width_),
            static_cast<unsigned>(height_));
  return pixmap;
}

void FramePresenter::UpdateShape() {
  if (!has_shape_ || !shape_dirty_) return;
  shape_dirty_ = false;
  const bool bounding = layered_ && !compositing_;
  const bool input_mask = layered_ && compositing_ && !click_through_;
  const bool has_pixels = HasFrame() && !mask_.empty();
  // The server copies the mask into a region at once: the pixmap may go
  // right after.
  XPixmapHandle mask;
  if (has_pixels && (bounding || input_mask)) mask = MaskPixmap();
  auto set_mask = [&](int kind) {
    if (mask) {
      XShapeCombineMask(display_, window_, kind, 0, 0, mask.Get(), ShapeSet);
    } else {
      SetEmptyShape(display_, window_, kind);
    }
  };
  if (bounding) {
    set_mask(ShapeBounding);
  } else if (bounding_shaped_) {
    ClearShape(display_, window_, ShapeBounding);
  }
  bounding_shaped_ = bounding;
  if (click_through_) {
    SetEmptyShape(display_, window_, ShapeInput);
  } else if (input_mask) {
    set_mask(ShapeInput);
  } else if (input_shaped_) {
    ClearShape(display_, window_, ShapeInput);
  }
  input_shaped_ = click_through_ || input_mask;
}

}  // namespace varnika::x11
