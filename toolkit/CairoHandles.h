// Owners for the cairo, pango and fontconfig objects the toolkit creates:
// each releases its object with the library's own destroy call.
#pragma once

#include <cairo.h>
#include <fontconfig/fontconfig.h>
#include <glib-object.h>
#include <pango/pango.h>

#include <memory>

namespace varnika {

struct CairoReleaser {
  void operator()(cairo_t* p) const { cairo_destroy(p); }
  void operator()(cairo_surface_t* p) const { cairo_surface_destroy(p); }
  void operator()(cairo_pattern_t* p) const { cairo_pattern_destroy(p); }
  void operator()(cairo_font_options_t* p) const { cairo_font_options_destroy(p); }
  void operator()(PangoFontDescription* p) const { pango_font_description_free(p); }
  void operator()(PangoAttrList* p) const { pango_attr_list_unref(p); }
  void operator()(FcPattern* p) const { FcPatternDestroy(p); }
  void operator()(FcObjectSet* p) const { FcObjectSetDestroy(p); }
  void operator()(FcFontSet* p) const { FcFontSetDestroy(p); }
  void operator()(FcConfig* p) const { FcConfigDestroy(p); }
  // PangoLayout, PangoContext and every other GObject.
  void operator()(gpointer p) const { g_object_unref(p); }
};

using CairoContextPtr = std::unique_ptr<cairo_t, CairoReleaser>;
using CairoSurfacePtr = std::unique_ptr<cairo_surface_t, CairoReleaser>;
using CairoPatternPtr = std::unique_ptr<cairo_pattern_t, CairoReleaser>;
using CairoFontOptionsPtr = std::unique_ptr<cairo_font_options_t, CairoReleaser>;
using PangoFontDescriptionPtr = std::unique_ptr<PangoFontDescription, CairoReleaser>;
using PangoAttrListPtr = std::unique_ptr<PangoAttrList, CairoReleaser>;
using PangoLayoutPtr = std::unique_ptr<PangoLayout, CairoReleaser>;
using PangoContextPtr = std::unique_ptr<PangoContext, CairoReleaser>;
using FcPatternPtr = std::unique_ptr<FcPattern, CairoReleaser>;
using FcObjectSetPtr = std::unique_ptr<FcObjectSet, CairoReleaser>;
using FcFontSetPtr = std::unique_ptr<FcFontSet, CairoReleaser>;
using FcConfigPtr = std::unique_ptr<FcConfig, CairoReleaser>;

// cairo_save now, cairo_restore when the scope ends, also when an exception
// passes.
class CairoSaveGuard {
 public:
  explicit CairoSaveGuard(cairo_t* cr) : cr_(cr) { cairo_save(cr_); }
  ~CairoSaveGuard() { cairo_restore(cr_); }
  CairoSaveGuard(const CairoSaveGuard&) = delete;
  CairoSaveGuard& operator=(const CairoSaveGuard&) = delete;

 private:
  cairo_t* cr_;
};

}  // namespace varnika
