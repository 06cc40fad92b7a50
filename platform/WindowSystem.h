// Starting and stopping the window system.
#pragma once

#include <memory>

#include "platform/Backend.h"
#include "platform/Messages.h"

namespace varnika {

// The calling thread becomes the UI thread. Creates the desktop window and
// registers the system classes ("STATIC").
void InitWindowSystem(std::unique_ptr<Backend> backend);
// Destroys the remaining windows (with their messages), unregisters every
// class, drops queued messages and timers and frees the backend.
void ShutdownWindowSystem();
bool WindowSystemRunning();
Backend* CurrentBackend();

// How many device pixels each logical pixel takes on the display (1, 2, ...
// up to kMaxDisplayScale): the backend's scale, read once when the window
// system starts; 1 while it is not running. Windows, messages and metrics
// are in logical pixels; only frames (FrameBuffer) and the bitmaps behind
// them hold device pixels.
inline constexpr int kMaxDisplayScale = 8;
int DisplayScale();

// Registers a system class: found for every instance, never unregistered by
// the program. For the platform's own classes (tooltips, menus, ...).
ATOM RegisterSystemClassW(const WNDCLASSW* wc);

}  // namespace varnika
