// The widget as it should look, put together from the skin images the build
// draws (resources/art): the same pictures at the places the main window
// gives them, without any text. Tests compare the screen with it wherever no
// text is drawn, so font differences between machines do not matter.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "tests/app_x11/Screen.h"

namespace varnika::e2e {

// A premultiplied ARGB picture.
class SkinPicture {
 public:
  SkinPicture(int width, int height);
  // The skin image of that resource id (scale 2: the one drawn at twice the
  // resolution); an empty picture when it is missing.
  static SkinPicture Load(int id, int scale = 1);
  SkinPicture(SkinPicture&& other) noexcept;
  SkinPicture& operator=(SkinPicture&& other) noexcept;
  SkinPicture(const SkinPicture&) = delete;
  SkinPicture& operator=(const SkinPicture&) = delete;
  ~SkinPicture();

  int Width() const;
  int Height() const;
  // Premultiplied 0xAARRGGBB; 0 outside the picture.
  std::uint32_t At(int x, int y) const;
  // What a compositing manager shows of the pixel over a flat desk.
  std::uint32_t Over(int x, int y, std::uint32_t desk) const;
  // Draws image over this picture with its top left corner at (x, y).
  void Draw(const SkinPicture& image, int x, int y);

 private:
  explicit SkinPicture(void* surface) : surface_(surface) {}
  void* surface_;
};

// The main face after start-up: background, logo, the two header buttons,
// the scroll track and the thumb at thumb_top (in the track); at scale 2
// twice as large each way, from the finer images.
SkinPicture ExpectedFace(int thumb_top, int scale = 1);
// The face with the about panel open over it.
void DrawAboutPanel(SkinPicture& face, int scale = 1);

// Where the thumb stands in the track (0 at the top, 143 at the bottom),
// read from a grab of the window; -1 when no place fits.
int ThumbTop(const Pixels& window, std::uint32_t desk);

// Rectangles in window coordinates.
struct Area {
  int left, top, right, bottom;
  bool Contains(int x, int y) const { return x >= left && x < right && y >= top && y < bottom; }
};

// Where the widget draws text (the headline list, the footer link, the about
// panel's texts), and the track and thumb, whose place depends on the list.
inline constexpr Area kListArea{30, 75, 420, 288};
inline constexpr Area kTrackArea{425, 75, 445, 288};
inline constexpr Area kFooterLinkArea{360, 295, 475, 330};
inline constexpr Area kAboutImageArea{60, 61, 402, 285};

// Screen pixels (a grab of the window) against the picture over the desk:
// how many of the counted pixels differ by more than tolerance in a
// channel, with the first few described in *report.
int Mismatches(const Pixels& shot, const SkinPicture& expected, std::uint32_t desk, int tolerance,
               const std::function<bool(int x, int y)>& counted, std::string* report);

}  // namespace varnika::e2e
