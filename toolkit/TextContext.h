// What every canvas of a thread shares to lay text out: one pango context
// for each text rendering hint over pango's cairo font map (made when a
// canvas first asks for it, with the resolution fonts are sized at, the
// language and the hint's font options set once), and the installed family
// that each font name stands for (asked of fontconfig once per name). As
// every canvas lays its text out in the same few contexts, pango builds the
// fontset of a font once, however many canvases draw with it.
//
// The shared object belongs to the thread, as pango's default font map
// does (one per thread), and ends with it.
#pragma once

#include <pango/pango.h>

#include <array>
#include <map>
#include <string>

#include "toolkit/CairoHandles.h"

namespace varnika {

class TTextContext {
 public:
  // The calling thread's, made on first use (and again for a new default
  // font map).
  static TTextContext& Shared();

  TTextContext() = default;
  TTextContext(const TTextContext&) = delete;
  TTextContext& operator=(const TTextContext&) = delete;

  // The context for a text rendering hint (RenderingHints.h); unknown hints
  // share the system default's. Owned here, valid while the font map lives.
  PangoContext* Context(int text_rendering_hint);
  // Pixels per inch that font sizes in points are taken at.
  static double Resolution();

  // The family a font of this name is made with: the name when fontconfig
  // has it or the program's font rules give a stand-in for it, else the
  // generic sans-serif family, or "" when no font is installed at all.
  const std::u16string& FamilyFor(const std::u16string& name);
  // Forgets the answers (the font rules changed).
  void ForgetFamilies() { families_.clear(); }

 private:
  static constexpr int kHints = 6;
  PangoFontMap* map_ = nullptr;  // the default font map the contexts are made over
  std::array<PangoContextPtr, kHints> contexts_;
  std::map<std::u16string, std::u16string> families_;
};

}  // namespace varnika
