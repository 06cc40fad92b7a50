// A control with a layered drawing surface: it paints into an off-screen
// 32-bit canvas with per-pixel alpha and composes that canvas into its
// parent's canvas at its position with its Opacity. Nothing is drawn into the
// native child window itself; the window only takes part in hit testing.
#pragma once

#include <memory>

#include "toolkit/CanvasEx.h"
#include "toolkit/Control.h"

namespace varnika {

class TControlEx : public TControl {
 public:
  explicit TControlEx(TComponent* owner);
  ~TControlEx() override;

  TCanvasEx& Canvas() { return *canvas_; }
  TFontEx& Font() { return canvas_->Font(); }
  BYTE Opacity() const { return opacity_; }
  // Only stores; the caller follows with UpdateLayer or Invalidate.
  void SetOpacity(BYTE opacity) { opacity_ = opacity; }
  // True while this control's Repaint runs.
  bool Painting() const { return painting_; }
  // For a control whose own picture is at most what PaintInto draws (no
  // OnPaint): while it covers its parent exactly (at 0, 0 with the parent's
  // size) with Opacity 255, it paints and its children compose straight into
  // the parent's canvas, and its own canvas stays unused: the same pixels
  // without a picture that would only be a copy of theirs. When it stops
  // sharing (moved, resized, faded) it paints its own canvas again; when it
  // shares again, that canvas's memory is given back. Off by default.
  void SetSharesParentCanvas(bool shares) { shares_parent_canvas_ = shares; }
  bool SharesParentCanvas() const;
  // The canvas the children compose into: Canvas(), or the parent's while
  // this control shares it.
  TCanvasEx& ComposeCanvas();

  // The paint walk: Paint when due (unless Locked), the visible children
  // from the bottom of the z-order up (unless Locked), then UpdateLayer.
  void Repaint() override;
  // Clears the canvas and raises OnPaint.
  void Paint() override;
  // Draws what the control shows of its own over what lies below, into
  // target with the control's top left corner at (0, 0): into the parent's
  // canvas while sharing it. Nothing by default.
  virtual void PaintInto(TCanvasEx& target);
  // Composes the canvas into the parent's canvas at (Left, Top) with
  // Opacity. Raises EInvalidCast when the parent is no TControlEx.
  void UpdateLayer() override;
  // Hands the request up to the parent; the top window repaints the tree.
  void Invalidate() override;
  void CreateHandle() override;

  TNotifyEvent OnPaint;

 protected:
  void WMSize(TWidgetMessage& message) override;
  void WMShowWindow(TWidgetMessage& message) override;
  void RepaintChildren();

 private:
  void ReleaseCanvasPicture();
  class PaintingGuard;

  bool painting_ = false;
  bool shares_parent_canvas_ = false;
  bool canvas_painted_ = false;  // the own canvas holds a picture
  std::unique_ptr<TCanvasEx> canvas_;
  BYTE opacity_ = 255;
};

}  // namespace varnika
