// Controls that show one bitmap at their top left corner, unscaled: the
// widget's background picture, the scroll track and its thumb. The owner
// gives each control its bitmap's size.
#pragma once

#include <memory>

#include "toolkit/BitmapEx.h"
#include "toolkit/ControlEx.h"

namespace varnika {

class TBitmapControlEx : public TControlEx {
 public:
  explicit TBitmapControlEx(TComponent* owner);
  ~TBitmapControlEx() override;

  // The bitmap shown, owned by the control; null at first.
  TBitmapEx* Bitmap() const { return bitmap_.get(); }
  // Frees the current bitmap and takes ownership of the new one.
  void SetBitmap(std::unique_ptr<TBitmapEx> bitmap);

  // Clears the canvas, raises OnPaint, then draws the bitmap at (0, 0).
  void Paint() override;
  // Draws the bitmap at (0, 0).
  void PaintInto(TCanvasEx& target) override;

 private:
  std::unique_ptr<TBitmapEx> bitmap_;
};

// The widget's background picture.
class TBackgroundEx : public TBitmapControlEx {
 public:
  explicit TBackgroundEx(TComponent* owner);
};

// The scroll track.
class TScrollerEx : public TBitmapControlEx {
 public:
  explicit TScrollerEx(TComponent* owner);
};

// The scroll thumb. A press captures the mouse and takes the keyboard focus,
// so that a drag follows the pointer beyond the thumb and the keys scroll.
class TThumbEx : public TBitmapControlEx {
 public:
  explicit TThumbEx(TComponent* owner);

 protected:
  void WMButtonDown(TWidgetMessage& message) override;
  void WMButtonUp(TWidgetMessage& message) override;
};

}  // namespace varnika
