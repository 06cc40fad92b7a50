// Icons made from pixels, and the icons of windows (WM_SETICON/WM_GETICON,
// handled by DefWindowProcW). A top-level window's big icon (else its small
// one) is what the display shows for it (_NET_WM_ICON on X11).
//
// Any thread may create and destroy icons; setting them on windows belongs to
// the UI thread like every window message.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/Messages.h"

namespace varnika {

constexpr WPARAM ICON_SMALL = 0;
constexpr WPARAM ICON_BIG = 1;
constexpr WPARAM ICON_SMALL2 = 2;

// An icon from width x height premultiplied ARGB32 pixels (a bitmap's bits,
// rows stride bytes apart). The pixels are copied. nullptr for an empty or
// oversized picture.
HICON CreateIconFromBits(const void* bits, int width, int height, int stride);
// Frees an icon made above; FALSE for anything else. A window that still
// shows the icon keeps its picture on the display.
BOOL DestroyIcon(HICON icon);

// The program's icon resource `name` (an integer resource: ICON <id>, a PNG
// embedded with the program) when instance is the program's module. Every
// call makes a new icon that the caller frees with DestroyIcon. nullptr with
// ERROR_RESOURCE_NAME_NOT_FOUND for an unknown or undecodable resource,
// ERROR_INVALID_PARAMETER for another instance (there are no system icons).
HICON LoadIconW(HINSTANCE instance, LPCWSTR name);

struct IconPixels {
  int width = 0;
  int height = 0;
  std::vector<std::uint32_t> argb;  // straight (not premultiplied) ARGB32, rows packed
};
// The pixels of an icon made above; false for cursors and unknown handles.
bool GetIconPixels(HICON icon, IconPixels* pixels);

}  // namespace varnika
