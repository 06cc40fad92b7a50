// Writes the skin's images and the program icon as PNG files at build time:
//   varnika_skin_art <output folder>
// Each image is drawn by its function in this folder; the table gives its
// file name and size. The skin's images are drawn a second time at twice the
// resolution for screens of scale 2 ("skin5000@2x.png"): the same drawing
// in the same logical units, on four times the pixels.
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
  bool at_2x = true;
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
    {"icon101-16.png", 16, 16, DrawIconImage, false},
    {"icon101-24.png", 24, 24, DrawIconImage, false},
    {"icon101-32.png", 32, 32, DrawIconImage, false},
    {"icon101-48.png", 48, 48, DrawIconImage, false},
    {"icon101-64.png", 64, 64, DrawIconImage, false},
    {"icon101-128.png", 128, 128, DrawIconImage, false},
    {"icon101-256.png", 256, 256, DrawIconImage, false},
};

// The file of the image at a scale: "skin5000.png", "skin5000@2x.png".
std::string FileName(const Image& image, int scale) {
  std::string name = image.file;
  if (scale != 1) name.insert(name.rfind('.'), "@" + std::to_string(scale) + "x");
  return name;
}

bool Write(const std::string& folder, const Image& image, int scale) {
  cairo_surface_t* surface =
      cairo_image_surface_create(CAIRO_FORMAT_ARGB32, image.width * scale, image.height * scale);
  cairo_t* cr = cairo_create(surface);
  cairo_scale(cr, scale, scale);
  image.draw(cr, image.width, image.height);
  cairo_status_t status = cairo_status(cr);
  cairo_destroy(cr);
  const std::string path = folder + "/" + FileName(image, scale);
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
  for (const Image& image : kImages) {
    ok = Write(argv[1], image, 1) && ok;
    if (image.at_2x) ok = Write(argv[1], image, 2) && ok;
  }
  cairo_debug_reset_static_data();
  return ok ? 0 : 1;
}
