// Xlib for the backend's files. X.h defines CursorShape (a class for
// XQueryBestSize) as a macro, which would replace the window system's enum
// of that name; the backend never uses the macro. Include this before any
// other X header. Internal to platform/x11.
#pragma once

#include <X11/Xlib.h>
#include <X11/Xutil.h>

#undef CursorShape
