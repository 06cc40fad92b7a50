// The busy animation: one 18 x 18 frame of a vertical strip of 18 frames
// (PNG resource 5003). Step advances the frame and wraps from the last
// frame back to the first.
#pragma once

#include <memory>

#include "toolkit/BitmapEx.h"
#include "toolkit/ControlEx.h"

namespace varnika {

class TThrobberEx : public TControlEx {
 public:
  static constexpr int kStripResource = 5003;
  static constexpr int kFrameSize = 18;
  static constexpr int kFrameCount = 18;

  // Loads the strip; a missing resource raises EResNotFound.
  explicit TThrobberEx(TComponent* owner);
  ~TThrobberEx() override;

  int Frame() const { return frame_; }
  // Takes value, unless the frame shown now is already the last one (or
  // outside the strip): then the animation starts again at frame 0.
  void SetFrame(int value);
  void Step() { SetFrame(frame_ + 1); }

  const TBitmapEx& Strip() const { return *strip_; }

  void Paint() override;

 private:
  std::unique_ptr<TBitmapEx> strip_;
  int frame_ = 0;
};

}  // namespace varnika
