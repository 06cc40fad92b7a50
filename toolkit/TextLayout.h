// Laying text out with pango for a font and a string format inside a layout
// rectangle, the way the canvas draws and measures it:
//
// - A width or height of 0 leaves that direction unbounded.
// - Lines wrap at words (a word longer than the line breaks between
//   characters) unless the format has NoWrap or the width is unbounded.
// - Alignment and LineAlignment place the lines inside the rectangle; with an
//   unbounded direction they centre on, or end at, its edge.
// - Trimming: EllipsisCharacter and EllipsisWord end the last visible line
//   with "…" (pango ellipsizes at characters); EllipsisPath puts the "…" in
//   the middle of the line. None, Character and Word show the lines that fit
//   and cut the rest at the rectangle's edge.
// - Text outside the rectangle is clipped unless the format has NoClip;
//   LineLimit shows whole lines only.
// - Trailing spaces of each line count only with MeasureTrailingSpaces.
// - HotkeyPrefix Show and Hide drop each single '&' ("&&" is one '&'); Show
//   underlines the character after it.
// - Font styles underline and strikeout become pango attributes.
#pragma once

#include <pango/pango.h>

#include <string>
#include <string_view>
#include <vector>

#include "toolkit/FontEx.h"
#include "toolkit/StringFormatEx.h"

namespace varnika {

// The text as pango gets it: UTF-8 with the prefix characters dropped, and
// the byte ranges of the characters to underline as hot keys.
struct PreparedText {
  std::string utf8;
  std::vector<std::pair<unsigned, unsigned>> hotkeys;  // [start, end) byte offsets
};

PreparedText PrepareText(std::u16string_view text, const TStringFormatEx& format);

// Where the configured layout goes inside its rectangle.
struct TextPlacement {
  bool visible = true;     // false when LineLimit leaves no whole line
  double dx = 0, dy = 0;   // offset of the layout from the rectangle's corner
  double clip_height = 0;  // height of the lines that may show (LineLimit), or the rectangle's
  double clip_top = 0;     // where that height starts, from the rectangle's top
};

// Sets text, font, attributes, alignment, wrapping and ellipsizing of layout
// for a rectangle of width x height (0: unbounded).
void ConfigureLayout(PangoLayout* layout, const TFontEx& font, const TStringFormatEx& format,
                     std::u16string_view text, double width, double height);

TextPlacement PlaceLayout(PangoLayout* layout, const TStringFormatEx& format, double width, double height);

// The logical size of the text laid out without bounds (or, with a width,
// wrapped at that width), in pixels; 0 x 0 for an empty text or a font
// without a handle.
struct TextBox {
  double width = 0;
  double height = 0;
};
TextBox MeasureLayout(PangoLayout* layout, const TFontEx& font, const TStringFormatEx& format,
                      std::u16string_view text, double width = 0);

}  // namespace varnika
