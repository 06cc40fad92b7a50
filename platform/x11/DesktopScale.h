// The desktop's integer scale: how many device pixels the desktop's settings
// ask for each logical pixel. A settings manager publishes Xft/DPI through
// XSETTINGS; without one the Xft.dpi resource says it; GDK_SCALE overrides
// both. The dpi over 96, rounded down, is the scale; 1 when nothing says
// otherwise.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

struct _XDisplay;

namespace varnika::x11 {

// The largest scale taken; larger values are cut to it, so that a window of
// the widget's size stays far inside the X protocol's 16-bit sizes.
inline constexpr int kMaxDesktopScale = 8;

// The value of the integer setting name in the contents of the
// _XSETTINGS_SETTINGS property; nullopt when it is missing, of another type,
// or the data is malformed.
std::optional<std::int32_t> XSettingsInteger(std::span<const std::uint8_t> data, std::string_view name);

// Xft.dpi in the resource manager's text (lines "name:<blanks>value");
// nullopt when it is missing or not a positive number.
std::optional<double> XftDpiResource(std::string_view resources);

// GDK_SCALE when it is a positive integer; else the dpi (XSETTINGS' Xft/DPI,
// in 1024ths of a dot per inch, before the resource's) over 96 rounded down;
// at least 1 and at most kMaxDesktopScale.
int DesktopScale(const char* gdk_scale, std::optional<std::int32_t> xsettings_dpi, std::optional<double> resource_dpi);

// The scale the display's screen and the process environment ask for.
int ReadDesktopScale(_XDisplay* display, int screen);

}  // namespace varnika::x11
