// The screen: owns the application's main window (as its owner component),
// holds the screen's device context from its first use to its end and
// answers the desktop's work area, whole or per monitor.
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
  // The work area of the monitor that place overlaps most, or of the one
  // nearest to it when it is on none.
  void GetWorkAreaOf(const RECT& place, RECT& rect) const;
  // Taken when first asked for: a device context comes with the desktop's
  // font, which the widget's start does not need.
  HDC ScreenDC() const;

 private:
  mutable HDC screen_ = nullptr;
};

}  // namespace varnika
