// The program's own font rules: a fontconfig file (resource FONTCONFIG 1)
// that names installed stand-ins for the faces the skin asks for. Its rules
// join fontconfig's current configuration, so pango follows them, and a
// font whose family the rules give a stand-in for keeps its name instead of
// falling back to the generic sans-serif family (see TFontEx).
//
// Load the rules first thing, before the first canvas or font is made:
// fonts resolve their family when they are made, and pango caches what it
// has matched.
#pragma once

#include <string>
#include <string_view>

namespace varnika {

inline constexpr int kProgramFontConfigResource = 1;

// Adds the rules of a fontconfig file, given as its text. False when
// fontconfig refuses the text; the configuration is then unchanged.
bool AddFontConfiguration(std::string_view xml);

// Adds the program's own rules; false when the resource is missing or
// refused.
bool LoadProgramFontConfiguration();

// The installed family that the added rules put in the place of family, or
// an empty string when they name none for it (or none that is installed).
std::string FontFamilyStandIn(const std::string& family);

}  // namespace varnika
