#include "tests/app_x11/SkinPicture.h"

#include <cairo.h>

#include <algorithm>
#include <cstdio>
#include <utility>

namespace varnika::e2e {

namespace {

cairo_surface_t* S(void* p) { return static_cast<cairo_surface_t*>(p); }

// Premultiplied src over dst.
std::uint32_t Blend(std::uint32_t src, std::uint32_t dst) {
  const std::uint32_t a = src >> 24;
  std::uint32_t out = 0;
  for (int shift = 0; shift < 32; shift += 8) {
    const std::uint32_t s = (src >> shift) & 0xFF;
    const std::uint32_t d = (dst >> shift) & 0xFF;
    out |= std::min<std::uint32_t>(s + (d * (255 - a) + 127) / 255, 255) << shift;
  }
  return out;
}

// Premultiplied src over an opaque desk, as 0xRRGGBB.
std::uint32_t OverDesk(std::uint32_t src, std::uint32_t desk) { return Blend(src, 0xFF000000u | desk) & 0xFFFFFF; }

std::string Hex(std::uint32_t v) {
  char text[16];
  std::snprintf(text, sizeof text, "%06x", v);
  return text;
}

}  // namespace

SkinPicture::SkinPicture(int width, int height)
    : surface_(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height)) {}

SkinPicture SkinPicture::Load(int id, int scale) {
  const std::string path =
      std::string(VARNIKA_ART_DIR) + "/skin" + std::to_string(id) + (scale == 2 ? "@2x" : "") + ".png";
  cairo_surface_t* surface = cairo_image_surface_create_from_png(path.c_str());
  if (cairo_surface_status(surface) != CAIRO_STATUS_SUCCESS) {
    cairo_surface_destroy(surface);
    return SkinPicture(0, 0);
  }
  return SkinPicture(surface);
}

SkinPicture::SkinPicture(SkinPicture&& other) noexcept : surface_(std::exchange(other.surface_, nullptr)) {}

SkinPicture& SkinPicture::operator=(SkinPicture&& other) noexcept {
  if (this != &other) {
    if (surface_) cairo_surface_destroy(S(surface_));
    surface_ = std::exchange(other.surface_, nullptr);
  }
  return *this;
}

SkinPicture::~SkinPicture() {
  if (surface_) cairo_surface_destroy(S(surface_));
}

int SkinPicture::Width() const { return surface_ ? cairo_image_surface_get_width(S(surface_)) : 0; }
int SkinPicture::Height() const { return surface_ ? cairo_image_surface_get_height(S(surface_)) : 0; }

std::uint32_t SkinPicture::At(int x, int y) const {
  if (x < 0 || y < 0 || x >= Width() || y >= Height()) return 0;
  cairo_surface_flush(S(surface_));
  const unsigned char* data = cairo_image_surface_get_data(S(surface_));
  const int stride = cairo_image_surface_get_stride(S(surface_));
  return reinterpret_cast<const std::uint32_t*>(data + y * stride)[x];
}

std::uint32_t SkinPicture::Over(int x, int y, std::uint32_t desk) const { return OverDesk(At(x, y), desk); }

void SkinPicture::Draw(const SkinPicture& image, int x, int y) {
  if (!image.surface_ || !surface_) return;
  cairo_t* cr = cairo_create(S(surface_));
  cairo_set_source_surface(cr, S(image.surface_), x, y);
  cairo_paint(cr);
  cairo_destroy(cr);
}

SkinPicture ExpectedFace(int thumb_top, int scale) {
  SkinPicture face(475 * scale, 350 * scale);
  const auto place = [&](int id, int x, int y) { face.Draw(SkinPicture::Load(id, scale), x * scale, y * scale); };
  place(5002, 0, 0);    // background
  place(5004, 20, 19);  // logo
  place(5012, 426, 25);  // close button
  place(5013, 401, 25);  // options button
  place(5000, 425, 75);  // track: the list box at (30, 75), 20 from its right
  place(5001, 426, 75 + thumb_top);
  return face;
}

void DrawAboutPanel(SkinPicture& face, int scale) {
  const auto place = [&](int id, int x, int y) {
    face.Draw(SkinPicture::Load(id, scale), (kAboutImageArea.left + x) * scale, (kAboutImageArea.top + y) * scale);
  };
  place(5009, 0, 0);
  place(5010, 35, 35);   // icon
  place(5011, 296, 20);  // close
}

int ThumbTop(const Pixels& window, std::uint32_t desk) {
  constexpr int kTrackTop = 75, kTrackHeight = 213, kColumn = 435, kThumbLeft = 426;
  SkinPicture face(475, 350);
  face.Draw(SkinPicture::Load(5002), 0, 0);
  face.Draw(SkinPicture::Load(5000), 425, kTrackTop);
  const SkinPicture thumb = SkinPicture::Load(5001);
  int best = -1;
  int best_matches = 0;
  for (int t = 0; t + thumb.Height() <= kTrackHeight; ++t) {
    int matches = 0;
    for (int y = kTrackTop; y < kTrackTop + kTrackHeight; ++y) {
      const std::uint32_t composed = Blend(thumb.At(kColumn - kThumbLeft, y - kTrackTop - t), face.At(kColumn, y));
      const std::uint32_t want = OverDesk(composed, desk);
      if (Near(window.At(kColumn, y), want, 3)) ++matches;
    }
    if (matches > best_matches) {
      best_matches = matches;
      best = t;
    }
  }
  return best_matches >= kTrackHeight - 2 ? best : -1;
}

int Mismatches(const Pixels& shot, const SkinPicture& expected, std::uint32_t desk, int tolerance,
               const std::function<bool(int x, int y)>& counted, std::string* report) {
  int count = 0;
  for (int y = 0; y < shot.height && y < expected.Height(); ++y) {
    for (int x = 0; x < shot.width && x < expected.Width(); ++x) {
      if (!counted(x, y)) continue;
      const std::uint32_t want = expected.Over(x, y, desk);
      const std::uint32_t got = shot.At(x, y);
      if (Near(got, want, tolerance)) continue;
      if (++count <= 5 && report)
        *report += " (" + std::to_string(x) + "," + std::to_string(y) + "): " + Hex(got) + " not " + Hex(want);
    }
  }
  return count;
}

}  // namespace varnika::e2e
