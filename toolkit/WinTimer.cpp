#include "toolkit/WinTimer.h"

#include "platform/MessageLoop.h"
#include "platform/Window.h"

namespace varnika {

void TWinTimer::SetEnabled(bool enabled) {
  if (enabled == enabled_) return;
  if (enabled) {
    Start();
  } else {
    Stop();
  }
}

void TWinTimer::Start() {
  if (!IsWindow(wnd_) || enabled_) return;
  SetTimer(wnd_, id_, interval_, nullptr);
  enabled_ = true;
}

void TWinTimer::Stop() {
  if (!IsWindow(wnd_) || !enabled_) return;
  KillTimer(wnd_, id_);
  enabled_ = false;
}

}  // namespace varnika
