#include "toolkit/FontConfiguration.h"

#include <string>

#include "base/AsciiCase.h"
#include "resources/Resources.h"
#include "toolkit/CairoHandles.h"
#include "toolkit/FontEx.h"
#include "toolkit/TextContext.h"

namespace varnika {

namespace {

// The added rules alone, without the system's: asked which families they
// alias, so that the system's own aliases (metric-compatible faces and the
// like) do not count as stand-ins.
FcConfigPtr& AddedRules() {
  static FcConfigPtr rules;
  return rules;
}

// Family names compare the way fontconfig compares them: ignoring case and
// blanks.
std::string FamilyKey(std::string_view family) {
  std::string key;
  for (char c : family) {
    if (c == ' ') continue;
    key += LowerAscii(c);
  }
  return key;
}

// Without "complain" fontconfig reports a malformed text as loaded.
bool ParseInto(FcConfig* config, const std::string& xml) {
  return FcConfigParseAndLoadFromMemory(config, reinterpret_cast<const FcChar8*>(xml.c_str()), FcTrue) == FcTrue;
}

}  // namespace

bool AddFontConfiguration(std::string_view xml) {
  const std::string text(xml);
  if (text.find('\0') != std::string::npos) return false;
  // Checked on a scratch configuration first, so that a refused text
  // leaves the live one as it was.
  FcConfigPtr scratch(FcConfigCreate());
  if (!scratch || !ParseInto(scratch.get(), text)) return false;
  if (!FcInit()) return false;
  FcConfigPtr current(FcConfigReference(nullptr));
  const bool added = current && ParseInto(current.get(), text);
  if (!added) return false;
  FcConfigPtr& rules = AddedRules();
  if (!rules) {
    rules = std::move(scratch);
  } else {
    ParseInto(rules.get(), text);
  }
  // Names resolved before may have a stand-in now.
  TTextContext::Shared().ForgetFamilies();
  return true;
}

bool LoadProgramFontConfiguration() {
  std::span<const std::uint8_t> bytes = FindResourceData(kResourceTypeFontConfig, kProgramFontConfigResource);
  if (bytes.empty()) return false;
  return AddFontConfiguration(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
}

std::string FontFamilyStandIn(const std::string& family) {
  FcConfigPtr& rules = AddedRules();
  if (!rules || family.empty() || family.find('\0') != std::string::npos) return {};
  FcPatternPtr pattern(FcPatternCreate());
  if (!pattern) return {};
  FcPatternAddString(pattern.get(), FC_FAMILY, reinterpret_cast<const FcChar8*>(family.c_str()));
  FcConfigSubstitute(rules.get(), pattern.get(), FcMatchPattern);
  FcChar8* value = nullptr;
  for (int i = 0; FcPatternGetString(pattern.get(), FC_FAMILY, i, &value) == FcResultMatch; ++i) {
    const std::string candidate(reinterpret_cast<const char*>(value));
    if (FamilyKey(candidate) == FamilyKey(family)) continue;
    if (FontFamilyInstalled(candidate)) return candidate;
  }
  return {};
}

}  // namespace varnika
