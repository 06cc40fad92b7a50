// A headless window system with a top window to hang skin controls on, and
// pixel helpers shared with the toolkit's own tests.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>

#include "tests/toolkit/PixelSupport.h"
#include "tests/toolkit_controls/ControlTestSupport.h"
#include "toolkit/WindowEx.h"

namespace varnika::testing {

class SkinControlTest : public WindowSystemTest {
 protected:
  void SetUp() override {
    WindowSystemTest::SetUp();
    window_ = Make<SolidWindow>();  // opaque, so that it takes the mouse
    window_->SetSize(475, 350);
    window_->Handle();
  }

  // A control of type T on the window, with its window made.
  template <typename T>
  T* Child(int width, int height) {
    T* control = Make<T>(window_);
    control->SetSize(width, height);
    control->Handle();
    return control;
  }

  TWindowEx* Window() { return window_; }

 private:
  SolidWindow* window_ = nullptr;
};

// Whether the canvas shows bitmap pixel (x - dx, y - dy) at every (x, y) of
// the region, and nothing elsewhere in the canvas.
inline ::testing::AssertionResult ShowsBitmapAt(const TBitmapEx& canvas, const TBitmapEx& bitmap, int dx, int dy) {
  for (int y = 0; y < canvas.Height(); ++y) {
    for (int x = 0; x < canvas.Width(); ++x) {
      const int sx = x - dx, sy = y - dy;
      const bool inside = sx >= 0 && sy >= 0 && sx < bitmap.Width() && sy < bitmap.Height();
      const std::uint32_t expected = inside ? PixelAt(bitmap, sx, sy) : 0;
      const std::uint32_t actual = PixelAt(canvas, x, y);
      if (actual != expected)
        return ::testing::AssertionFailure() << "at " << x << "," << y << ": " << std::hex << actual << " instead of "
                                             << expected;
    }
  }
  return ::testing::AssertionSuccess();
}

}  // namespace varnika::testing
