// Stores skin images ready to draw (resources/RawImage.h) at build time:
//   varnika_skin_pixels <folder> <id>...
// reads <folder>/skin<id>.png and writes <folder>/skin<id>.argb. The PNG is
// decoded the way the program decodes one (cairo's PNG reader; an image
// without alpha painted onto an ARGB32 surface), so both give the same pixels.
#include <cairo.h>

#include <cstdio>
#include <string>

#include "resources/RawImage.h"

namespace {

// The image as ARGB32; nullptr when the file does not decode.
cairo_surface_t* Decode(const std::string& path) {
  cairo_surface_t* decoded = cairo_image_surface_create_from_png(path.c_str());
  if (cairo_surface_status(decoded) != CAIRO_STATUS_SUCCESS) {
    cairo_surface_destroy(decoded);
    return nullptr;
  }
  if (cairo_image_surface_get_format(decoded) == CAIRO_FORMAT_ARGB32) return decoded;
  cairo_surface_t* argb = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, cairo_image_surface_get_width(decoded),
                                                     cairo_image_surface_get_height(decoded));
  cairo_t* cr = cairo_create(argb);
  cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
  cairo_set_source_surface(cr, decoded, 0, 0);
  cairo_paint(cr);
  cairo_destroy(cr);
  cairo_surface_destroy(decoded);
  cairo_surface_flush(argb);
  return argb;
}

bool Convert(const std::string& folder, const std::string& id) {
  const std::string in = folder + "/skin" + id + ".png";
  const std::string out = folder + "/skin" + id + ".argb";
  cairo_surface_t* image = Decode(in);
  if (!image) {
    std::fprintf(stderr, "%s: not a PNG\n", in.c_str());
    return false;
  }
  varnika::RawImageHeader header;
  header.width = static_cast<std::uint32_t>(cairo_image_surface_get_width(image));
  header.height = static_cast<std::uint32_t>(cairo_image_surface_get_height(image));
  header.stride = static_cast<std::uint32_t>(cairo_image_surface_get_stride(image));
  bool ok = false;
  if (std::FILE* f = std::fopen(out.c_str(), "wb")) {
    const std::size_t bytes = std::size_t{header.stride} * header.height;
    ok = std::fwrite(&header, sizeof header, 1, f) == 1 &&
         (bytes == 0 || std::fwrite(cairo_image_surface_get_data(image), bytes, 1, f) == 1);
    ok = std::fclose(f) == 0 && ok;
  }
  cairo_surface_destroy(image);
  if (!ok) std::fprintf(stderr, "%s: cannot write\n", out.c_str());
  return ok;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: %s <folder> <id>...\n", argv[0]);
    return 2;
  }
  bool ok = true;
  for (int i = 2; i < argc; ++i) ok = Convert(argv[1], argv[i]) && ok;
  cairo_debug_reset_static_data();
  return ok ? 0 : 1;
}
