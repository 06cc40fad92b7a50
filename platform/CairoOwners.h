// Owners for the cairo and pango objects the window system and the toolkit
// create: each releases its object with the library's own destroy call, also
// when an exception passes.
#pragma once

#include <cairo.h>
#include <glib-object.h>
#include <pango/pango.h>

#include <memory>

namespace varnika {

struct CairoReleaser {
  void operator()(cairo_t* p) const { cairo_destroy(p); }
  void operator()(cairo_surface_t* p) const { cairo_surface_destroy(p); }
  void operator()(cairo_region_t* p) const { cairo_region_destroy(p); }
  void operator()(cairo_pattern_t* p) const { cairo_pattern_destroy(p); }
  void operator()(cairo_font_options_t* p) const { cairo_font_options_destroy(p); }
  void operator()(PangoFontDescription* p) const { pango_font_description_free(p); }
  void operator()(PangoAttrList* p) const { pango_attr_list_unref(p); }
  void operator()(GSource* p) const { g_source_unref(p); }
  // PangoLayout, PangoContext and every other GObject.
  void operator()(gpointer p) const { g_object_unref(p); }
};

using CairoContextPtr = std::unique_ptr<cairo_t, CairoReleaser>;
using CairoSurfacePtr = std::unique_ptr<cairo_surface_t, CairoReleaser>;
using CairoRegionPtr = std::unique_ptr<cairo_region_t, CairoReleaser>;
using CairoPatternPtr = std::unique_ptr<cairo_pattern_t, CairoReleaser>;
using CairoFontOptionsPtr = std::unique_ptr<cairo_font_options_t, CairoReleaser>;
using PangoFontDescriptionPtr = std::unique_ptr<PangoFontDescription, CairoReleaser>;
using PangoAttrListPtr = std::unique_ptr<PangoAttrList, CairoReleaser>;
using PangoLayoutPtr = std::unique_ptr<PangoLayout, CairoReleaser>;
using PangoContextPtr = std::unique_ptr<PangoContext, CairoReleaser>;
using GSourcePtr = std::unique_ptr<GSource, CairoReleaser>;
template <typename T>
using GObjectPtr = std::unique_ptr<T, CairoReleaser>;  // any other GObject

}  // namespace varnika
