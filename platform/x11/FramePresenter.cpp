#include "platform/x11/FramePresenter.h"

#include <X11/extensions/shape.h>

#include <algorithm>
#include <cstring>

namespace varnika::x11 {

namespace {

std::vector<XRectangle> ToXRectangles(const std::vector<ShapeRect>& runs) {
  std::vector<XRectangle> rects;
  rects.reserve(runs.size());
  for (const ShapeRect& r : runs) {
    rects.push_back(XRectangle{static_cast<short>(r.x), static_cast<short>(r.y), static_cast<unsigned short>(r.width),
                               static_cast<unsigned short>(r.height)});
  }
  return rects;
}

void SetShape(Display* display, ::Window window, int kind, std::vector<XRectangle>* rects) {
  XShapeCombineRectangles(display, window, kind, 0, 0, rects->data(), static_cast<int>(rects->size()), ShapeSet,
                          YXBanded);
}

void ClearShape(Display* display, ::Window window, int kind) {
  XShapeCombineMask(display, window, kind, 0, 0, None, ShapeSet);
}

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
  if (!frame.pixels || frame.width <= 0 || frame.height <= 0) return;
  width_ = frame.width;
  height_ = frame.height;
  alpha_ = frame.alpha;
  // The window system keeps the frame until the next present, so alpha and
  // mode changes upload from it again without a copy of our own.
  source_ = frame.pixels;
  Upload(source_);
}

void FramePresenter::SetAlpha(BYTE alpha) {
  if (alpha == alpha_) return;
  alpha_ = alpha;
  if (HasFrame()) Upload(source_);
}

void FramePresenter::Redraw() {
  if (HasFrame() && uploaded_) Put();
}

void FramePresenter::SetMode(bool layered, bool compositing, bool click_through) {
  if (layered == layered_ && compositing == compositing_ && click_through == click_through_) {
    UpdateShape();
    return;
  }
  bool reupload = layered != layered_;
  layered_ = layered;
  compositing_ = compositing;
  click_through_ = click_through;
  shape_dirty_ = true;
  if (reupload && HasFrame()) {
    Upload(source_);
  } else {
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
  Put();
  if (layered_ && has_shape_) {
    std::vector<ShapeRect> runs = OpaqueRuns(uploaded_, uploaded_stride_, width_, height_);
    if (runs != runs_) {
      runs_ = std::move(runs);
      shape_dirty_ = true;
    }
  }
  UpdateShape();
}

void FramePresenter::Put() {
  if (use_shm_ && shm_.Valid()) {
    put_serial_ = NextRequest(display_);
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

void FramePresenter::UpdateShape() {
  if (!has_shape_ || !shape_dirty_) return;
  shape_dirty_ = false;
  std::vector<XRectangle> rects = ToXRectangles(runs_);
  bool bounding = layered_ && !compositing_;
  if (bounding) {
    SetShape(display_, window_, ShapeBounding, &rects);
  } else if (bounding_shaped_) {
    ClearShape(display_, window_, ShapeBounding);
  }
  bounding_shaped_ = bounding;
  if (click_through_) {
    std::vector<XRectangle> none;
    SetShape(display_, window_, ShapeInput, &none);
  } else if (layered_) {
    SetShape(display_, window_, ShapeInput, &rects);
  } else {
    ClearShape(display_, window_, ShapeInput);
  }
}

}  // namespace varnika::x11
