// Shared pieces of the skin's art: the palette, the shapes every image is
// built from, and soft shadows. Each image has a drawing function of its own
// (one file per group of images); SkinArtMain.cpp lists them and writes the
// PNG files at build time.
//
// The geometry follows the face the main window builds: the panel body of
// the background sits inside a transparent margin that holds its shadow, the
// header band carries the logo and the two buttons, the footer band the busy
// animation and the white footer texts, and the about and options panels are
// drawers that slide out from under the header's lower edge.
#pragma once

#include <cairo.h>

#include <cstdint>
#include <functional>

namespace varnika::art {

struct Rgba {
  double r = 0, g = 0, b = 0, a = 1;
};

constexpr Rgba Hex(std::uint32_t rgb, double alpha = 1.0) {
  return Rgba{((rgb >> 16) & 0xFF) / 255.0, ((rgb >> 8) & 0xFF) / 255.0, (rgb & 0xFF) / 255.0, alpha};
}

// --- palette -----------------------------------------------------------------
inline constexpr Rgba kBandTop = Hex(0x2F4F82);      // header band, top
inline constexpr Rgba kBandBottom = Hex(0x223C66);   // header band, bottom
inline constexpr Rgba kFooterTop = Hex(0x1F3760);    // footer band, top
inline constexpr Rgba kFooterBottom = Hex(0x182C4E); // footer band, bottom
inline constexpr Rgba kSurfaceTop = Hex(0xFCFCFD);   // light panel surface
inline constexpr Rgba kSurfaceBottom = Hex(0xF2F4F7);
inline constexpr Rgba kAccent = Hex(0xF5A03A);       // warm orange
inline constexpr Rgba kInk = Hex(0x22324D);          // dark glyphs on light ground
inline constexpr Rgba kMuted = Hex(0x8391A8);        // borders and quiet glyphs
inline constexpr Rgba kBrand = Hex(0x2F5597);        // checked boxes, the scroll thumb
inline constexpr Rgba kWhite = Hex(0xFFFFFF);
inline constexpr Rgba kShadow = Hex(0x0B1628);

// --- the panel body inside the 475 x 350 background ------------------------------
inline constexpr double kBodyLeft = 7, kBodyTop = 7, kBodyRight = 468, kBodyBottom = 329;
inline constexpr double kBodyRadius = 12;
inline constexpr double kHeaderBottom = 61;  // where the drawers come out
inline constexpr double kFooterTopY = 293;

void SetSource(cairo_t* cr, Rgba color);
// A vertical gradient from top (at y0) to bottom (at y1) as the source.
void SetVerticalGradient(cairo_t* cr, double y0, double y1, Rgba top, Rgba bottom);

// Path of a rectangle with each corner rounded by its own radius (0: square),
// clockwise from the top left corner.
void RoundedRect(cairo_t* cr, double x, double y, double w, double h, double top_left, double top_right,
                 double bottom_right, double bottom_left);
inline void RoundedRect(cairo_t* cr, double x, double y, double w, double h, double r) {
  RoundedRect(cr, x, y, w, h, r, r, r, r);
}

// Paints a blurred copy of the shape (a path built by `shape`, filled)
// moved by (dx, dy), in color, onto the whole target; sigma is the blur's
// standard deviation in pixels.
void SoftShadow(cairo_t* cr, int width, int height, const std::function<void(cairo_t*)>& shape, double dx,
                double dy, double sigma, Rgba color);

// A line of width `width` with round caps from (x0, y0) to (x1, y1).
void RoundLine(cairo_t* cr, double x0, double y0, double x1, double y1, double width, Rgba color);

// --- the images ------------------------------------------------------------------
void DrawScrollTrack(cairo_t* cr, int width, int height);       // 5000
void DrawScrollThumb(cairo_t* cr, int width, int height);       // 5001
void DrawPanel(cairo_t* cr, int width, int height);             // 5002
void DrawThrobberStrip(cairo_t* cr, int width, int height);     // 5003
void DrawLogo(cairo_t* cr, int width, int height);              // 5004
void DrawOptionsPanel(cairo_t* cr, int width, int height);      // 5005
void DrawOptionsClose(cairo_t* cr, int width, int height);      // 5006
void DrawCheckBoxClear(cairo_t* cr, int width, int height);     // 5007
void DrawCheckBoxSet(cairo_t* cr, int width, int height);       // 5008
void DrawAboutPanel(cairo_t* cr, int width, int height);        // 5009
void DrawAboutClose(cairo_t* cr, int width, int height);        // 5011
void DrawCloseButton(cairo_t* cr, int width, int height);       // 5012
void DrawOptionsButton(cairo_t* cr, int width, int height);     // 5013
// The program icon (ICON 101, and the about panel's picture 5010) at any
// square size; its shapes snap to whole pixels at each size.
void DrawIcon(cairo_t* cr, int size, int unused = 0);

}  // namespace varnika::art
