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
      use_shm_(target.use_shm),
      has_shape_(target.has_shape),
      gc_(target.display, XCreateGC(target.display, target.window, 0, nullptr)) {
  XSetGraphicsExposures(display_, gc_.Get(), False);
}

void FramePresenter::Present(const FrameView& frame) {
  if (frame.buffer && frame.buffer == source_ && frame.alpha == alpha_ && uploaded_) return;
  alpha_ = frame.alpha;
  if (frame.Empty()) {
    ForgetFrame();
    return;
  }
  source_ = frame.buffer;
  width_ = source_->width;
  height_ = source_->height;
  Upload(source_->pixels.data());
}

void FramePresenter::ForgetFrame() {
  source_.reset();
  width_ = 0;
  height_ = 0;
  uploaded_ = nullptr;
  uploaded_stride_ = 0;
  upload_.clear();
  mask_.clear();
  mask_width_ = 0;
  shape_dirty_ = true;
  UpdateShape();
}

void FramePresenter::SetAlpha(BYTE alpha) {
  if (alpha == alpha_) return;
  alpha_ = alpha;
  if (HasFrame()) Upload(source_->pixels.data());
}

void FramePresenter::Redraw(unsigned long expose_serial) {
  if (!HasFrame() || !uploaded_) return;
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
    Upload(source_->pixels.data());
  } else {
    if (recut) RefreshMask();
    UpdateShape();
  }
}

bool FramePresenter::EnsureShmCapacity() {
  if (shm_.Valid() && shm_.Width() >= width_ && shm_.Height() >= height_) return true;
  // Grow only, so a frame that shrinks and grows again (an animation) does
  // not make a new segment each time.
  int w = std::max(width_, shm_.Width());
  int h = std::max(height_, shm_.Height());
  WaitForServer();
  if (shm_.Create(display_, visual_, depth_, w, h) && shm_.Image()->bits_per_pixel == 32) return true;
  shm_.Release();
  use_shm_ = false;
  return false;
}

void FramePresenter::Upload(const std::uint32_t* source) {
  const bool force_opaque = !layered_;
  if (use_shm_ && EnsureShmCapacity()) {
    WaitForServer();
    auto* dst = reinterpret_cast<std::uint32_t*>(shm_.Image()->data);
    int stride = shm_.Image()->bytes_per_line / 4;
    ApplyConstantAlpha(source, width_, dst, stride, width_, height_, alpha_, force_opaque);
    uploaded_ = dst;
    uploaded_stride_ = stride;
  } else if (alpha_ == 255 && !force_opaque) {
    uploaded_ = source;
    uploaded_stride_ = width_;
  } else {
    upload_.resize(static_cast<size_t>(width_) * static_cast<size_t>(height_));
    ApplyConstantAlpha(source, width_, upload_.data(), width_, width_, height_, alpha_, force_opaque);
    uploaded_ = upload_.data();
    uploaded_stride_ = width_;
  }
  RefreshMask();
  // The shape before the pixels: a put clipped by the old shape would be
  // lost where the new one uncovers the window, and need a second put when
  // the exposure comes.
  UpdateShape();
  Put();
}

void FramePresenter::RefreshMask() {
  if (!layered_ || !has_shape_ || !uploaded_ || !source_) return;
  // Without a compositing manager a pixel shows its premultiplied colour
  // over black: the faint ones (a soft shadow) would make a dark frame, so
  // the cut keeps only the frame's pixels that are at least half opaque. A
  // constant alpha (a fade) darkens them without changing the cut, unless
  // it is 0. Input under a compositing manager takes every visible pixel.
  std::vector<std::uint8_t> mask =
      compositing_ || alpha_ == 0
          ? AlphaMask(uploaded_, uploaded_stride_, width_, height_)
          : AlphaMask(source_->pixels.data(), width_, width_, height_, kHalfOpaque);
  if (mask != mask_ || width_ != mask_width_) {
    mask_ = std::move(mask);
    mask_width_ = width_;
    shape_dirty_ = true;
  }
}

void FramePresenter::Put() {
  ++puts_;
  last_put_serial_ = NextRequest(display_);
  if (use_shm_ && shm_.Valid()) {
    put_serial_ = last_put_serial_;
    XShmPutImage(display_, window_, gc_.Get(), shm_.Image(), 0, 0, 0, 0, static_cast<unsigned>(width_),
                 static_cast<unsigned>(height_), False);
    return;
  }
  char* data = reinterpret_cast<char*>(const_cast<std::uint32_t*>(uploaded_));
  BorrowedImage image(XCreateImage(display_, visual_, static_cast<unsigned>(depth_), ZPixmap, 0, data,
                                   static_cast<unsigned>(width_), static_cast<unsigned>(height_), 32,
                                   uploaded_stride_ * 4));
  if (!image) return;
  image->byte_order = LittleEndianHost() ? LSBFirst : MSBFirst;
  XPutImage(display_, window_, gc_.Get(), image.get(), 0, 0, 0, 0, static_cast<unsigned>(width_),
            static_cast<unsigned>(height_));
}

void FramePresenter::WaitForServer() {
  if (put_serial_ != 0 && LastKnownRequestProcessed(display_) < put_serial_) XSync(display_, False);
  put_serial_ = 0;
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
