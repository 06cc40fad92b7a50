// Drawing of the window system's own popups (menus, tooltips, the message
// box): a picture of the whole popup window drawn with cairo and pango and
// shown as the window's layered frame, the light look they share, panels
// with a soft shadow where a compositing manager blends windows (and crisp,
// fully opaque outlines where none does), and text with "&" prefixes.
// Internal to platform/.
#pragma once

#include <cairo.h>
#include <glib-object.h>
#include <pango/pangocairo.h>

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "platform/CairoOwners.h"
#include "platform/Messages.h"

namespace varnika::popup {

using ContextPtr = CairoContextPtr;
using SurfacePtr = CairoSurfacePtr;
using LayoutPtr = PangoLayoutPtr;

// Colours are 0xRRGGBB.
namespace theme {
inline constexpr std::uint32_t kPanel = 0xFBFBFC;
inline constexpr std::uint32_t kBorder = 0xD3D7DD;
inline constexpr std::uint32_t kText = 0x1F2328;
inline constexpr std::uint32_t kSecondaryText = 0x7D848E;
inline constexpr std::uint32_t kDisabledText = 0xA9AEB5;
inline constexpr std::uint32_t kAccent = 0x2B67DA;
inline constexpr std::uint32_t kAccentHover = 0x2459BF;
inline constexpr std::uint32_t kAccentPressed = 0x1D4CA6;
inline constexpr std::uint32_t kOnAccent = 0xFFFFFF;
inline constexpr std::uint32_t kSeparator = 0xE3E5E9;
inline constexpr std::uint32_t kBand = 0xF2F3F5;  // the message box's button row
inline constexpr const char* kFamily = "Segoe UI, Noto Sans, DejaVu Sans, Sans";
}  // namespace theme

// A font for pango: families (a comma-separated list), pixel size, weight
// (400 normal, 700 bold).
struct Font {
  std::string family = theme::kFamily;
  double pixels = 13;
  int weight = 400;
  bool italic = false;
};

// The room a panel's shadow takes on each side of it; all zero without a
// compositing manager, where it is not drawn.
struct Margins {
  int left = 0;
  int top = 0;
  int right = 0;
  int bottom = 0;
};

struct PanelStyle {
  double radius = 8;       // corners with a compositing manager
  double crisp_radius = 3;  // corners without one (no partial pixels)
  std::uint32_t fill = theme::kPanel;
  std::uint32_t border = theme::kBorder;
  double shadow_blur = 12;   // pixels the shadow spreads
  double shadow_offset = 3;  // pixels it falls below the panel
  double shadow_alpha = 0.22;
};

Margins ShadowMargins(const PanelStyle& style, bool composited);

// Whether the display blends windows now (the window system's backend).
bool Composited();

// A transparent premultiplied ARGB32 picture of a whole popup window.
class Picture {
 public:
  Picture(int width, int height);
  // A picture of base's size that starts with base's pixels (a popup's
  // panel drawn once, under each repaint of what changes on it).
  static Picture CopyOf(const Picture& base);
  cairo_t* Cr() const { return cr_.get(); }
  // Logical pixels; the surface holds Scale() device pixels for each, and
  // its device scale lets everything be drawn in logical pixels.
  int Width() const { return width_; }
  int Height() const { return height_; }
  int Scale() const { return scale_; }
  // Shows the picture as wnd's layered frame, the window's top-left corner
  // at origin (screen); the window takes the picture's size.
  bool Present(HWND wnd, POINT origin);

 private:
  int width_;
  int height_;
  int scale_;
  SurfacePtr surface_;
  ContextPtr cr_;
};

// One channel of a 0xRRGGBB colour, 0 ... 1: shift 16 red, 8 green, 0 blue.
double Channel(std::uint32_t rgb, int shift);
void RoundedRectPath(cairo_t* cr, double x, double y, double width, double height, double radius);
void SetColour(cairo_t* cr, std::uint32_t rgb, double alpha = 1.0);
void FillRounded(cairo_t* cr, const RECT& r, double radius, std::uint32_t rgb);
// The panel at r (in picture coordinates): its shadow when composited,
// then its body and a hairline border. Without a compositing manager every
// pixel of the outline is either fully opaque or fully transparent.
void DrawPanel(Picture& picture, const RECT& r, const PanelStyle& style, bool composited);

// A text context at 96 logical pixels per inch with greyscale antialiasing (the
// pictures have an alpha channel, so no subpixel colours).
PangoContextPtr MakeTextContext();
// A layout of text in font; wrap_width > 0 wraps at word boundaries;
// mnemonic >= 0 underlines the character at that index of text.
LayoutPtr MakeLayout(PangoContext* context, const Font& font, std::u16string_view text, int wrap_width = -1,
                     int mnemonic = -1);
SIZE LayoutSize(PangoLayout* layout);  // logical size, whole pixels
void DrawLayout(cairo_t* cr, PangoLayout* layout, double x, double y, std::uint32_t rgb);

// "&" prefixes of menu and tooltip texts: "&x" shows x and marks it as the
// mnemonic (the first one counts), "&&" shows one "&", a lone trailing "&"
// is dropped.
struct PrefixedText {
  std::u16string text;
  int mnemonic = -1;  // index into text, or -1
};
PrefixedText StripPrefixes(std::u16string_view text);

}  // namespace varnika::popup
