// One window timer: an identifier and a period on a window. It does not call
// back by itself; WM_TIMER arrives at the window with the identifier in
// WParam, and the window dispatches on it.
#pragma once

#include "platform/Messages.h"

namespace varnika {

class TWinTimer {
 public:
  TWinTimer(HWND wnd, UINT id, UINT interval) : wnd_(wnd), interval_(interval), id_(id) {}
  ~TWinTimer() { Stop(); }
  TWinTimer(const TWinTimer&) = delete;
  TWinTimer& operator=(const TWinTimer&) = delete;

  HWND Wnd() const { return wnd_; }
  UINT Interval() const { return interval_; }
  UINT ID() const { return id_; }
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool enabled);

  // Sets the timer when the window is alive and the timer is not running; a
  // timer on a destroyed window stays disabled.
  void Start();
  // Kills the timer when the window is alive and the timer runs.
  void Stop();

 private:
  HWND wnd_;
  UINT interval_;
  UINT id_;
  bool enabled_ = false;
};

}  // namespace varnika
