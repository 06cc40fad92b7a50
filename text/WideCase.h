// Case-insensitive matching of UTF-16 text, one code unit at a time.
//
// WideUpperChar maps a code unit to its upper-case folding key. The tables
// cover ASCII, Latin-1, Latin Extended-A (and the regular pairs of
// Extended-B), Latin Extended Additional, Greek, Cyrillic, Armenian and the
// full-width ASCII letters; every other code unit, surrogates included, maps
// to itself. Multi-letter upper cases (German sharp s) are left alone, so a
// folded string always has the length of the original.
//
// The four Turkish and Latin letters I, i, dotted capital I (U+0130) and
// dotless small i (U+0131) all fold to I (U+0049). Matching is therefore the
// same whatever language the user writes in: "İSTANBUL", "istanbul" and
// "ISTANBUL" are one key.
//
// Comparison orders by folded code units, so WideCompareText(a, b) == 0
// exactly when WideUpperCase(a) == WideUpperCase(b); the hashed look-ups of
// the string lists rely on that agreement.
#pragma once

#include <string>
#include <string_view>

namespace varnika {

char16_t WideUpperChar(char16_t c);

std::u16string WideUpperCase(std::u16string_view s);
// Folds s into out, reusing out's storage.
void WideUpperCaseInto(std::u16string_view s, std::u16string& out);

// -1, 0 or 1, ignoring case as described above.
int WideCompareText(std::u16string_view a, std::u16string_view b);
// -1, 0 or 1; 0 only for identical strings. Orders as WideCompareText and
// breaks its ties by the plain code units.
int WideCompareStr(std::u16string_view a, std::u16string_view b);

}  // namespace varnika
