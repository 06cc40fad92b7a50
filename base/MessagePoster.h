// The one thing a worker thread may do with a window: post it a message, and
// only while it still exists. The window system implements this; code that
// runs on workers (downloads) depends on this interface alone.
#pragma once

#include "base/WinTypes.h"

namespace varnika {

class IMessagePoster {
 public:
  virtual ~IMessagePoster() = default;
  // Posts Msg to Wnd when Wnd is a live window; returns false otherwise.
  // Must be safe to call from any thread.
  virtual bool PostIfWindow(HWND wnd, UINT msg, WPARAM wparam, LPARAM lparam) = 0;
};

}  // namespace varnika
