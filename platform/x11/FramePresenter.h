// Shows a surface's layered frames in its X window: keeps a reference to the
// last frame it was given (a window's canvas, shown from its own pixels),
// puts it with XPutImage straight from that memory (Xlib has sent the bytes
// when the call returns, so the canvas may be drawn again at once), with the
// constant alpha applied a band of rows at a time into a small buffer when
// there is one, and keeps the window's shapes in step with the pixels:
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
  // the request number expose_serial): puts the frame's pixels again, unless
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

 private:
  // Recomputes the shape and puts the frame.
  void Upload();
  // Drops the frame and everything made from it.
  void ForgetFrame();
  void Put();
  // Puts the frame with the constant alpha (and, for a window that is not
  // layered, opaque) through band_, a band of rows at a time.
  void PutScaled();
  // Recomputes mask_ from the frame's pixels for the present mode.
  void RefreshMask();
  void UpdateShape();
  // A depth-1 pixmap holding mask_ (width_ x height_).
  XPixmapHandle MaskPixmap();

  Display* display_;
  ::Window window_;
  Visual* visual_;
  int depth_;
  bool has_shape_;
  XGcHandle gc_;

  std::shared_ptr<const FrameBuffer> source_;  // the last frame; nullptr when empty
  int width_ = 0;
  int height_ = 0;
  BYTE alpha_ = 255;

  unsigned long last_put_serial_ = 0;  // request number of the last put
  int puts_ = 0;
  std::vector<std::uint32_t> band_;  // while the constant alpha is not 255

  bool layered_ = true;
  bool compositing_ = false;
  bool click_through_ = false;
  std::vector<std::uint8_t> mask_;  // AlphaMask of the frame, for the present mode
  int mask_width_ = 0;
  XGcHandle mask_gc_;              // for drawing into depth-1 pixmaps
  bool shape_dirty_ = true;
  bool bounding_shaped_ = false;
  bool input_shaped_ = false;
};

}  // namespace varnika::x11
