#include "toolkit/Desktop.h"

#include "platform/Gdi.h"
#include "platform/Layered.h"
#include "platform/Monitors.h"

namespace varnika {

TDesktop::TDesktop(TComponent* owner) : TComponent(owner) {}

TDesktop::~TDesktop() {
  if (screen_) ReleaseDC(nullptr, screen_);
}

HDC TDesktop::ScreenDC() const {
  if (!screen_) screen_ = GetDC(nullptr);
  return screen_;
}

void TDesktop::GetWorkArea(RECT& rect) const { SystemParametersInfoW(SPI_GETWORKAREA, 0, &rect, 0); }

void TDesktop::GetWorkAreaOf(const RECT& place, RECT& rect) const {
  MONITORINFO info;
  if (GetMonitorInfoW(MonitorFromRect(&place, MONITOR_DEFAULTTONEAREST), &info)) {
    rect = info.rcWork;
  } else {
    GetWorkArea(rect);
  }
}

}  // namespace varnika
