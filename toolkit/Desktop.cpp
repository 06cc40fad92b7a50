#include "toolkit/Desktop.h"

#include "platform/Gdi.h"
#include "platform/Layered.h"

namespace varnika {

TDesktop::TDesktop(TComponent* owner) : TComponent(owner), screen_(GetDC(nullptr)) {}

TDesktop::~TDesktop() {
  if (screen_) ReleaseDC(nullptr, screen_);
}

void TDesktop::GetWorkArea(RECT& rect) const { SystemParametersInfoW(SPI_GETWORKAREA, 0, &rect, 0); }

}  // namespace varnika
