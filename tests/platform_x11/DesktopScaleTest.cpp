// The desktop's scale: the settings manager's Xft/DPI, the Xft.dpi resource
// and GDK_SCALE, as parsed and as read from a display.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "platform/x11/DesktopScale.h"
#include "tests/base/ScopedEnv.h"
#include "tests/platform_x11/TestDesktop.h"

// Last: Xlib's macros clash with names above.
#include <X11/Xatom.h>
#include <X11/Xlib.h>

namespace varnika::x11 {
namespace {

// An _XSETTINGS_SETTINGS property in the given byte order: a string, a
// colour and the integer Xft/DPI (dpi * 1024), when dpi is not 0.
std::vector<std::uint8_t> SettingsBlob(bool msb_first, std::int32_t dpi) {
  std::vector<std::uint8_t> b;
  auto card = [&](std::uint32_t v, int size) {
    for (int i = 0; i < size; ++i) {
      const int shift = 8 * (msb_first ? size - 1 - i : i);
      b.push_back(static_cast<std::uint8_t>(v >> shift));
    }
  };
  auto padded = [&](const std::string& s) {
    b.insert(b.end(), s.begin(), s.end());
    while (b.size() % 4) b.push_back(0);
  };
  auto header = [&](int type, const std::string& name) {
    card(static_cast<std::uint32_t>(type), 1);
    card(0, 1);
    card(static_cast<std::uint32_t>(name.size()), 2);
    padded(name);
    card(7, 4);  // last-change serial
  };
  b = {static_cast<std::uint8_t>(msb_first ? 1 : 0), 0, 0, 0};
  card(3, 4);                     // serial
  card(dpi ? 3 : 2, 4);           // settings
  header(1, "Net/ThemeName");
  card(5, 4);
  padded("Adwai");
  header(2, "Gtk/Colour");
  for (std::uint32_t channel : {1u, 2u, 3u, 0xFFFFu}) card(channel, 2);
  if (dpi) {
    header(0, "Xft/DPI");
    card(static_cast<std::uint32_t>(dpi), 4);
  }
  return b;
}

TEST(DesktopScale, TheSettingsPropertyIsReadInEitherByteOrderAndNeverPastItsEnd) {
  for (bool msb : {false, true}) {
    const std::vector<std::uint8_t> blob = SettingsBlob(msb, 192 * 1024);
    EXPECT_EQ(XSettingsInteger(blob, "Xft/DPI"), 192 * 1024) << msb;
    EXPECT_EQ(XSettingsInteger(blob, "Net/ThemeName"), std::nullopt) << "a string is no integer";
    EXPECT_EQ(XSettingsInteger(blob, "Xft/Hinting"), std::nullopt);
    EXPECT_EQ(XSettingsInteger(SettingsBlob(msb, 0), "Xft/DPI"), std::nullopt);
    // Every cut of the property is refused or read within its bytes.
    for (std::size_t n = 0; n < blob.size(); ++n) {
      EXPECT_EQ(XSettingsInteger(std::span(blob.data(), n), "Xft/DPI"), std::nullopt) << n;
    }
  }
  std::vector<std::uint8_t> huge = SettingsBlob(false, 96 * 1024);
  huge[14] = huge[15] = 0xFF;  // the first name's length runs past the end
  EXPECT_EQ(XSettingsInteger(huge, "Xft/DPI"), std::nullopt);
}

TEST(DesktopScale, TheResourceGivesXftDpi) {
  EXPECT_EQ(XftDpiResource("Xft.antialias:\t1\nXft.dpi:\t192\nXft.hinting:\t1\n"), 192.0);
  EXPECT_EQ(XftDpiResource("Xft.dpi: 144.5"), 144.5);
  EXPECT_EQ(XftDpiResource("Xft.dpiX:\t192\n*dpi:\t192\n"), std::nullopt);
  EXPECT_EQ(XftDpiResource("Xft.dpi:\tmany\n"), std::nullopt);
  EXPECT_EQ(XftDpiResource("Xft.dpi:\t-96\n"), std::nullopt);
  EXPECT_EQ(XftDpiResource(""), std::nullopt);
}

TEST(DesktopScale, GdkScaleOverridesTheDpiWhichIsDividedBy96AndRoundedDown) {
  struct Case {
    const char* gdk_scale;
    std::optional<std::int32_t> xsettings;
    std::optional<double> resource;
    int scale;
  };
  const Case cases[] = {
      {nullptr, std::nullopt, std::nullopt, 1},
      {nullptr, 192 * 1024, std::nullopt, 2},
      {nullptr, 191 * 1024, 288.0, 1},        // the settings manager before the resource
      {nullptr, std::nullopt, 288.0, 3},
      {nullptr, std::nullopt, 144.0, 1},      // 1.5: rounded down
      {nullptr, std::nullopt, 48.0, 1},       // never below 1
      {nullptr, 0, 192.0, 2},                 // a zero setting says nothing
      {"2", std::nullopt, std::nullopt, 2},
      {"1", 192 * 1024, 192.0, 1},
      {"", 192 * 1024, std::nullopt, 2},      // empty, not a number: ignored
      {"1.5", std::nullopt, 192.0, 2},
      {"0", std::nullopt, std::nullopt, 1},
      {"99", std::nullopt, std::nullopt, kMaxDesktopScale},
      {nullptr, std::nullopt, 96.0 * 40, kMaxDesktopScale},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(DesktopScale(c.gdk_scale, c.xsettings, c.resource), c.scale)
        << (c.gdk_scale ? c.gdk_scale : "-") << " " << c.xsettings.value_or(-1) << " " << c.resource.value_or(-1);
  }
}

// A display with the resource and a settings manager on it, as a desktop
// at 200% sets them up.
TEST(DesktopScale, IsReadFromTheSettingsManagerElseTheResource) {
  test::ScopedEnv no_override("GDK_SCALE", nullptr);
  const std::string name = xtest::TestDisplayName();
  Display* setup = XOpenDisplay(name.c_str());
  ASSERT_NE(setup, nullptr);
  const ::Window root = DefaultRootWindow(setup);
  const std::string resources = "Xft.dpi:\t288\n";
  XChangeProperty(setup, root, XA_RESOURCE_MANAGER, XA_STRING, 8, PropModeReplace,
                  reinterpret_cast<const unsigned char*>(resources.data()), static_cast<int>(resources.size()));
  XSync(setup, False);
  auto read = [&] {
    Display* display = XOpenDisplay(name.c_str());
    const int scale = ReadDesktopScale(display, DefaultScreen(display));
    XCloseDisplay(display);
    return scale;
  };
  EXPECT_EQ(read(), 3) << "the resource without a settings manager";

  const ::Window manager = XCreateSimpleWindow(setup, root, 0, 0, 1, 1, 0, 0, 0);
  const Atom settings = XInternAtom(setup, "_XSETTINGS_SETTINGS", False);
  const std::vector<std::uint8_t> blob = SettingsBlob(false, 192 * 1024);
  XChangeProperty(setup, manager, settings, settings, 8, PropModeReplace, blob.data(), static_cast<int>(blob.size()));
  XSetSelectionOwner(setup, XInternAtom(setup, "_XSETTINGS_S0", False), manager, CurrentTime);
  XSync(setup, False);
  EXPECT_EQ(read(), 2) << "the settings manager's Xft/DPI";
  {
    test::ScopedEnv gdk("GDK_SCALE", "1");
    EXPECT_EQ(read(), 1);
  }

  XDestroyWindow(setup, manager);  // gives up the selection
  XDeleteProperty(setup, root, XA_RESOURCE_MANAGER);
  XSync(setup, False);
  EXPECT_EQ(read(), 1);
  XCloseDisplay(setup);
}

}  // namespace
}  // namespace varnika::x11
