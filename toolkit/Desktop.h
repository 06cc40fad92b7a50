// The screen: owns the application's main window (as its owner component),
// holds the screen's device context for its lifetime and answers the
// desktop's work area.
#pragma once

#include "base/Component.h"
#include "platform/Messages.h"

namespace varnika {

class TDesktop : public TComponent {
 public:
  explicit TDesktop(TComponent* owner);
  ~TDesktop() override;

  // The screen area the taskbars and panels leave free.
  void GetWorkArea(RECT& rect) const;
  HDC ScreenDC() const { return screen_; }

 private:
  HDC screen_ = nullptr;
};

}  // namespace varnika
