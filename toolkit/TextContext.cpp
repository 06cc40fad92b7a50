#include "toolkit/TextContext.h"

#include <pango/pangocairo.h>

#include <memory>

#include "base/Utf.h"
#include "toolkit/FontConfiguration.h"
#include "toolkit/FontEx.h"
#include "toolkit/RenderingHints.h"

namespace varnika {

namespace {

bool AnyFontInstalled() {
  if (!FcInit()) return false;
  FcFontSet* system_fonts = FcConfigGetFonts(nullptr, FcSetSystem);  // owned by fontconfig
  return system_fonts && system_fonts->nfont > 0;
}

std::u16string ResolveFamily(const std::u16string& name) {
  const std::string family = Utf16ToUtf8(name);
  // A family the program's font rules give a stand-in for keeps its name:
  // pango follows the same rules to the stand-in.
  if (!family.empty() && family.find('\0') == std::string::npos &&
      (FontFamilyInstalled(family) || !FontFamilyStandIn(family).empty()))
    return name;
  return AnyFontInstalled() ? kGenericSansSerif : u"";
}

}  // namespace

TTextContext& TTextContext::Shared() {
  // The thread's own, as pango's default font map is: its contexts hold the
  // map, so it goes when the thread ends, before pango drops the map; a
  // new default map gets new contexts.
  thread_local std::unique_ptr<TTextContext> shared;
  PangoFontMap* map = pango_cairo_font_map_get_default();  // the thread's; not owned
  if (!shared || shared->map_ != map) {
    shared = std::make_unique<TTextContext>();
    shared->map_ = map;
  }
  return *shared;
}

double TTextContext::Resolution() { return kFontResolutionDpi; }

PangoContext* TTextContext::Context(int text_rendering_hint) {
  const int hint = text_rendering_hint >= 0 && text_rendering_hint < kHints ? text_rendering_hint
                                                                            : TextRenderingHintSystemDefault;
  PangoContextPtr& context = contexts_[static_cast<std::size_t>(hint)];
  if (!context) {
    context.reset(pango_font_map_create_context(map_));
    pango_cairo_context_set_resolution(context.get(), Resolution());
    pango_context_set_language(context.get(), pango_language_get_default());
    ApplyTextRenderingHint(context.get(), hint);
  }
  return context.get();
}

const std::u16string& TTextContext::FamilyFor(const std::u16string& name) {
  auto found = families_.find(name);
  if (found == families_.end()) found = families_.emplace(name, ResolveFamily(name)).first;
  return found->second;
}

}  // namespace varnika
