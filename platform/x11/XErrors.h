// X protocol errors. Xlib's default handler ends the process on any error;
// the backend's handler only counts them, because most of its requests may
// fail harmlessly (a window another client destroyed, focus on a window that
// is not viewable yet). A trap tells whether requests made while it was set
// failed. Internal to platform/x11.
#pragma once

#include "platform/x11/XIncludes.h"

namespace varnika::x11 {

// Installs the counting handler (once per process; later calls do nothing).
void InstallErrorHandler();

class ErrorTrap {
 public:
  explicit ErrorTrap(Display* display);
  // Waits for the server to process the requests so far (XSync) and says
  // whether any of them failed since the trap was set.
  bool Failed();

 private:
  Display* display_;
  unsigned long start_;
};

}  // namespace varnika::x11
