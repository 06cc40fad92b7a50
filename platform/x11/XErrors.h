// X protocol errors. Xlib's default handler ends the process on any error;
// the backend's handler only counts them, because most of its requests may
// fail harmlessly (a window another client destroyed, focus on a window that
// is not viewable yet). A trap tells whether requests made while it was set
// failed. Internal to platform/x11.
#pragma once

#include "platform/x11/XIncludes.h"

namespace varnika::x11 {

// Installs the counting handler and the handler of a broken connection
// (once per process; later calls do nothing).
void InstallErrorHandler();

// A broken connection (the server went away) does not end the process:
// WatchForLoss makes Xlib return from the call that found the break, with
// the display marked lost. A lost display gets no further calls: its
// resources are abandoned, not freed, and the Display itself stays
// allocated (and reachable) until the process ends.
void WatchForLoss(Display* display);
bool DisplayLost(const Display* display);
// Keeps client memory of an abandoned resource (a GC) reachable, like the
// lost Display itself, until the process ends.
void KeepAbandoned(const void* memory);

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
