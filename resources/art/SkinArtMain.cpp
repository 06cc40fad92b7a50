// Writes the skin's images and the program icon as PNG files at build time:
//   varnika_skin_art <output folder>
// Each image is drawn by its function in this folder; the table gives its
// file name and size.
#include <cairo.h>

#include <cstdio>
#include <string>

#include "resources/art/SkinArt.h"

namespace {

using Draw = void (*)(cairo_t*, int, int);

struct Image {
  const char* file;
  int width;
  int height;
  Draw draw;
};

void DrawIconImage(cairo_t* cr, int width, int) { varnika::art::DrawIcon(cr, width); }

using namespace varnika::art;
const Image kImages[] = {
    {"skin5000.png", 20, 213, DrawScrollTrack},
    {"skin5001.png", 18, 70, DrawScrollThumb},
    {"skin5002.png", 475, 350, DrawPanel},
    {"skin5003.png", 18, 324, DrawThrobberStrip},
    {"skin5004.png", 136, 40, DrawLogo},
    {"skin5005.png", 385, 183, DrawOptionsPanel},
    {"skin5006.png", 12, 12, DrawOptionsClose},
    {"skin5007.png", 20, 20, DrawCheckBoxClear},
    {"skin5008.png", 20, 20, DrawCheckBoxSet},
    {"skin5009.png", 342, 224, DrawAboutPanel},
    {"skin5010.png", 64, 64, DrawIconImage},
    {"skin5011.png", 21, 21, DrawAboutClose},
    {"skin5012.png", 20, 20, DrawCloseButton},
    {"skin5013.png", 20, 20, DrawOptionsButton},
    {"icon101-16.png", 16, 16, DrawIconImage},
    {"icon101-24.png", 24, 24, DrawIconImage},
    {"icon101-32.png", 32, 32, DrawIconImage},
    {"icon101-48.png", 48, 48, DrawIconImage},
    {"icon101-64.png", 64, 64, DrawIconImage},
    {"icon101-128.png", 128, 128, DrawIconImage},
    {"icon101-256.png", 256, 256, DrawIconImage},
};

bool Write(const std::string& folder, const Image& image) {
  cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, image.width, image.height);
  cairo_t* cr = cairo_create(surface);
  image.draw(cr, image.width, image.height);
  cairo_status_t status = cairo_status(cr);
  cairo_destroy(cr);
  const std::string path = folder + "/" + image.file;
  if (status == CAIRO_STATUS_SUCCESS) status = cairo_surface_write_to_png(surface, path.c_str());
  cairo_surface_destroy(surface);
  if (status != CAIRO_STATUS_SUCCESS) {
    std::fprintf(stderr, "%s: %s\n", path.c_str(), cairo_status_to_string(status));
    return false;
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s <output folder>\n", argv[0]);
    return 2;
  }
  bool ok = true;
  for (const Image& image : kImages) ok = Write(argv[1], image) && ok;
  cairo_debug_reset_static_data();
  return ok ? 0 : 1;
}
