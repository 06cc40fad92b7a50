#include "toolkit/TextLayout.h"

#include <cmath>

#include "base/Utf.h"
#include "toolkit/CairoHandles.h"

namespace varnika {

namespace {

bool IsLineBreak(char16_t c) { return c == u'\n' || c == u'\r' || c == u'\u2029' || c == u'\u2028'; }

// Drops the spaces at the end of each line.
std::u16string WithoutTrailingSpaces(std::u16string_view text) {
  std::u16string out;
  out.reserve(text.size());
  std::size_t spaces = 0;  // spaces seen but not yet written
  for (char16_t c : text) {
    if (c == u' ') {
      ++spaces;
      continue;
    }
    if (!IsLineBreak(c)) out.append(spaces, u' ');
    spaces = 0;
    out += c;
  }
  return out;
}

double Factor(StringAlignment alignment) {
  switch (alignment) {
    case StringAlignmentCenter: return 0.5;
    case StringAlignmentFar: return 1.0;
    default: return 0.0;
  }
}

PangoAlignment PangoAlignmentFor(StringAlignment alignment) {
  switch (alignment) {
    case StringAlignmentCenter: return PANGO_ALIGN_CENTER;
    case StringAlignmentFar: return PANGO_ALIGN_RIGHT;
    default: return PANGO_ALIGN_LEFT;
  }
}

PangoEllipsizeMode EllipsizeFor(StringTrimming trimming) {
  switch (trimming) {
    case StringTrimmingEllipsisCharacter:
    case StringTrimmingEllipsisWord: return PANGO_ELLIPSIZE_END;
    case StringTrimmingEllipsisPath: return PANGO_ELLIPSIZE_MIDDLE;
    default: return PANGO_ELLIPSIZE_NONE;
  }
}

int ToPango(double pixels) { return static_cast<int>(std::lround(pixels * PANGO_SCALE)); }

PangoAttrListPtr AttributesFor(const PreparedText& prepared, const TFontEx& font) {
  PangoAttrListPtr attributes(pango_attr_list_new());
  if (font.Style() & FontStyleUnderline) {
    pango_attr_list_insert(attributes.get(), pango_attr_underline_new(PANGO_UNDERLINE_SINGLE));
  }
  if (font.Style() & FontStyleStrikeout) {
    pango_attr_list_insert(attributes.get(), pango_attr_strikethrough_new(TRUE));
  }
  for (auto [start, end] : prepared.hotkeys) {
    PangoAttribute* underline = pango_attr_underline_new(PANGO_UNDERLINE_SINGLE);
    underline->start_index = start;
    underline->end_index = end;
    pango_attr_list_insert(attributes.get(), underline);
  }
  return attributes;
}

// Width, wrapping, height and ellipsizing for a rectangle.
void ConfigureBounds(PangoLayout* layout, const TStringFormatEx& format, double width, double height) {
  PangoEllipsizeMode ellipsize = EllipsizeFor(format.Trimming());
  bool wrap = width > 0 && !format.HasFlag(StringFormatFlagsNoWrap);
  int pango_width = -1;
  int pango_height = -1;
  if (wrap) {
    pango_width = ToPango(width);
    // pango ellipsizes a wrapped text only at a height limit.
    if (height > 0) {
      pango_height = ToPango(height);
    } else {
      ellipsize = PANGO_ELLIPSIZE_NONE;
    }
  } else if (width > 0 && ellipsize != PANGO_ELLIPSIZE_NONE) {
    pango_width = ToPango(width);  // each paragraph stays one line, ellipsized
  } else {
    ellipsize = PANGO_ELLIPSIZE_NONE;
  }
  pango_layout_set_width(layout, pango_width);
  pango_layout_set_height(layout, pango_height);
  pango_layout_set_wrap(layout, PANGO_WRAP_WORD_CHAR);
  // A wrapped text that fits its height shows the same without the
  // ellipsis, and pango then neither shapes a "…" nor loads a font for it.
  if (wrap && ellipsize != PANGO_ELLIPSIZE_NONE) {
    pango_layout_set_ellipsize(layout, PANGO_ELLIPSIZE_NONE);
    PangoRectangle logical;
    pango_layout_get_extents(layout, nullptr, &logical);
    if (logical.height <= pango_height) return;
  }
  pango_layout_set_ellipsize(layout, ellipsize);
}

// Height of the whole lines that fit into height, from the layout's top.
double WholeLinesHeight(PangoLayout* layout, double height) {
  double fitting = 0;
  PangoLayoutIter* iter = pango_layout_get_iter(layout);
  do {
    PangoRectangle logical;
    pango_layout_iter_get_line_extents(iter, nullptr, &logical);
    double bottom = static_cast<double>(logical.y + logical.height) / PANGO_SCALE;
    if (bottom > height) break;
    fitting = bottom;
  } while (pango_layout_iter_next_line(iter));
  pango_layout_iter_free(iter);
  return fitting;
}

}  // namespace

PreparedText PrepareText(std::u16string_view text, const TStringFormatEx& format) {
  std::u16string source = format.HasFlag(StringFormatFlagsMeasureTrailingSpaces) ? std::u16string(text)
                                                                                 : WithoutTrailingSpaces(text);
  bool prefixes = format.HotkeyPrefix() != HotkeyPrefixNone;
  bool underline = format.HotkeyPrefix() == HotkeyPrefixShow;
  PreparedText prepared;
  std::u16string pending;  // converted in pieces so that byte offsets are known
  for (std::size_t i = 0; i < source.size(); ++i) {
    char16_t c = source[i];
    if (c == 0) continue;  // pango takes no NUL characters
    if (!prefixes || c != u'&') {
      pending += c;
      continue;
    }
    if (++i == source.size()) break;  // a lone '&' at the end is dropped
    if (source[i] == 0) continue;
    if (source[i] == u'&' || !underline) {
      pending += source[i];
      continue;
    }
    prepared.utf8 += Utf16ToUtf8(pending);
    pending.clear();
    std::size_t length = (i + 1 < source.size() && source[i] >= 0xD800 && source[i] < 0xDC00) ? 2 : 1;
    unsigned start = static_cast<unsigned>(prepared.utf8.size());
    prepared.utf8 += Utf16ToUtf8(source.substr(i, length));
    prepared.hotkeys.emplace_back(start, static_cast<unsigned>(prepared.utf8.size()));
    i += length - 1;
  }
  prepared.utf8 += Utf16ToUtf8(pending);
  return prepared;
}

void ConfigureLayout(PangoLayout* layout, const TFontEx& font, const TStringFormatEx& format,
                     std::u16string_view text, double width, double height) {
  PreparedText prepared = PrepareText(text, format);
  pango_layout_set_font_description(layout, font.Handle());
  PangoAttrListPtr attributes = AttributesFor(prepared, font);
  pango_layout_set_attributes(layout, attributes.get());
  pango_layout_set_text(layout, prepared.utf8.data(), static_cast<int>(prepared.utf8.size()));
  pango_layout_set_alignment(layout, PangoAlignmentFor(format.Alignment()));
  ConfigureBounds(layout, format, width, height);
}

TextPlacement PlaceLayout(PangoLayout* layout, const TStringFormatEx& format, double width, double height) {
  PangoRectangle logical;
  pango_layout_get_extents(layout, nullptr, &logical);
  double text_width = static_cast<double>(logical.width) / PANGO_SCALE;
  double text_height = static_cast<double>(logical.height) / PANGO_SCALE;
  TextPlacement placement;
  placement.clip_height = height;
  bool line_limit = format.HasFlag(StringFormatFlagsLineLimit) && height > 0;
  if (line_limit) {
    text_height = WholeLinesHeight(layout, height);
    placement.clip_height = text_height;
    placement.visible = text_height > 0;
  }
  // With a layout width pango aligns the lines inside it; without one the
  // block is placed here.
  if (pango_layout_get_width(layout) < 0) placement.dx = Factor(format.Alignment()) * (width - text_width);
  placement.dy = Factor(format.LineAlignment()) * (height - text_height);
  // The whole lines sit where the line alignment puts them.
  if (line_limit) placement.clip_top = placement.dy;
  return placement;
}

TextBox MeasureLayout(PangoLayout* layout, const TFontEx& font, const TStringFormatEx& format,
                      std::u16string_view text, double width) {
  if (!font.Handle() || text.empty()) return {};
  ConfigureLayout(layout, font, format, text, width, 0);
  PangoRectangle logical;
  pango_layout_get_extents(layout, nullptr, &logical);
  return {static_cast<double>(logical.width) / PANGO_SCALE, static_cast<double>(logical.height) / PANGO_SCALE};
}

}  // namespace varnika
