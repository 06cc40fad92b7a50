// Owners for the cairo, pango and fontconfig objects the toolkit creates:
// each releases its object with the library's own destroy call. The cairo
// and pango ones are the window system's (platform/CairoOwners.h).
#pragma once

#include <fontconfig/fontconfig.h>

#include <memory>

#include "platform/CairoOwners.h"

namespace varnika {

struct FcReleaser {
  void operator()(FcPattern* p) const { FcPatternDestroy(p); }
  void operator()(FcObjectSet* p) const { FcObjectSetDestroy(p); }
  void operator()(FcFontSet* p) const { FcFontSetDestroy(p); }
  void operator()(FcConfig* p) const { FcConfigDestroy(p); }
};

using FcPatternPtr = std::unique_ptr<FcPattern, FcReleaser>;
using FcObjectSetPtr = std::unique_ptr<FcObjectSet, FcReleaser>;
using FcFontSetPtr = std::unique_ptr<FcFontSet, FcReleaser>;
using FcConfigPtr = std::unique_ptr<FcConfig, FcReleaser>;

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
