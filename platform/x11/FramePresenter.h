// Shows a surface's layered frames in its X window: keeps a reference to the
// last frame it was given (the window system never changes a presented
// buffer, so no copy is needed), applies the constant alpha into the upload
// buffer (a MIT-SHM image when the server offers one, else client memory
// sent with XPutImage), and keeps the window's shapes in step with the
// pixels:
// - bounding shape: without a compositing manager, the frame's pixels that
//   are at least half opaque (so transparent corners and faint shadows stay
//   cut instead of showing dark; a constant alpha of 0 cuts all); with one,
//   none;
// - input shape: empty for a click-through window; under a compositing
//   manager the same pixels (so the pointer passes through transparent
//   ones); otherwise none of its own, since the bounding shape bounds input
//   as well.
// Shapes travel as 1-bit masks, so no frame, however ragged, makes a
// request too long for the protocol; a shape is sent again only when the
// mask or the mode changed.
// Internal to platform/x11.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "platform/Backend.h"
#include "platform/x11/FramePixels.h"
#include "platform/x11/XHandles.h"

namespace varnika::x11 {

class FramePresenter {
 public:
  struct Target {
    Display* display = nullptr;
    ::Window window = 0;
    Visual* visual = nullptr;
    int depth = 24;
    bool use_shm = false;
    bool has_shape = false;
  };

  explicit FramePresenter(const Target& target);

  // Shows the frame and keeps it for later alpha changes, exposures and mode
  // changes. An empty frame shows nothing; the frame already shown, with the
  // alpha it was shown with, is not sent again.
  void Present(const FrameView& frame);
  // Shows the last frame again with another constant alpha.
  void SetAlpha(BYTE alpha);
  // The server lost what the window showed (an Expose whose last event has
  // the request number expose_serial): puts the uploaded pixels again, unless
  // a put that the server took after the exposure has drawn them already
  // (a frame sent while a window manager was mapping the window).
  void Redraw(unsigned long expose_serial);
  // layered: the pixels' alpha counts (otherwise they show opaque and the
  // window keeps its rectangle); compositing: a compositing manager blends
  // the window; click_through: the window takes no pointer input.
  void SetMode(bool layered, bool compositing, bool click_through);

  bool HasFrame() const { return width_ > 0 && height_ > 0; }
  BYTE Alpha() const { return alpha_; }
  int Puts() const { return puts_; }
  bool UsesShm() const { return use_shm_; }

 private:
  // Applies the alpha to source (width_ x height_, rows packed) into the
  // upload buffer, puts it and reshapes.
  void Upload(const std::uint32_t* source);
  // Drops the frame and everything made from it.
  void ForgetFrame();
  void Put();
  // Makes sure the server has finished reading the shared image.
  void WaitForServer();
  bool EnsureShmCapacity();
  // Recomputes mask_ from the uploaded pixels for the present mode.
  void RefreshMask();
  void UpdateShape();
  // A depth-1 pixmap holding mask_ (width_ x height_).
  XPixmapHandle MaskPixmap();

  Display* display_;
  ::Window window_;
  Visual* visual_;
  int depth_;
  bool use_shm_;
  bool has_shape_;
  XGcHandle gc_;

  std::shared_ptr<const FrameBuffer> source_;  // the last frame; nullptr when empty
  int width_ = 0;
  int height_ = 0;
  BYTE alpha_ = 255;

  ShmImage shm_;
  unsigned long put_serial_ = 0;  // request number of the last shared-memory put, until the server has it
  unsigned long last_put_serial_ = 0;  // request number of the last put of either kind
  int puts_ = 0;
  std::vector<std::uint32_t> upload_;
  const std::uint32_t* uploaded_ = nullptr;  // what the last put sent
  int uploaded_stride_ = 0;

  bool layered_ = true;
  bool compositing_ = false;
  bool click_through_ = false;
  std::vector<std::uint8_t> mask_;  // AlphaMask of the last upload, for the present mode
  int mask_width_ = 0;
  XGcHandle mask_gc_;              // for drawing into depth-1 pixmaps
  bool shape_dirty_ = true;
  bool bounding_shaped_ = false;
  bool input_shaped_ = false;
};

}  // namespace varnika::x11
