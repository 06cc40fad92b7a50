#include "toolkit/FontEx.h"

#include "base/Utf.h"
#include "toolkit/TextContext.h"

namespace varnika {

namespace {

// Larger sizes make no font (and would overflow pango's units).
constexpr int kMaxFontSize = 32767;

ARGB StoredFontColor(ARGB color) { return ColorAlpha(color) == 0xFF ? (color & 0x00FFFFFF) | 0xFE000000 : color; }

}  // namespace

bool FontFamilyInstalled(const std::string& family) {
  FcPatternPtr pattern(FcPatternCreate());
  FcObjectSetPtr objects(FcObjectSetBuild(FC_FAMILY, nullptr));
  if (!pattern || !objects) return false;
  FcPatternAddString(pattern.get(), FC_FAMILY, reinterpret_cast<const FcChar8*>(family.c_str()));
  FcFontSetPtr fonts(FcFontList(nullptr, pattern.get(), objects.get()));
  return fonts && fonts->nfont > 0;
}

TFontEx::TFontEx() { CreateHandle(); }

void TFontEx::CreateHandle() {
  if (size_ <= 0 || size_ > kMaxFontSize) return;
  // Size and style changes make the handle again with the family the
  // shared text context resolved for the name once.
  family_ = TTextContext::Shared().FamilyFor(name_);
  if (family_.empty()) return;
  const std::string family = Utf16ToUtf8(family_);
  handle_.reset(pango_font_description_new());
  pango_font_description_set_family(handle_.get(), family.c_str());
  pango_font_description_set_size(handle_.get(), size_ * PANGO_SCALE);
  pango_font_description_set_weight(handle_.get(),
                                    (style_ & FontStyleBold) ? PANGO_WEIGHT_BOLD : PANGO_WEIGHT_NORMAL);
  pango_font_description_set_style(handle_.get(),
                                   (style_ & FontStyleItalic) ? PANGO_STYLE_ITALIC : PANGO_STYLE_NORMAL);
}

void TFontEx::FreeHandle() {
  handle_.reset();
  family_.clear();
}

void TFontEx::SetColor(ARGB color) {
  ARGB stored = StoredFontColor(color);
  if (stored == color_) return;
  color_ = stored;
  brush_.SetColor(color_);
}

void TFontEx::SetName(const std::u16string& name) {
  if (name == name_) return;
  name_ = name;
  FreeHandle();
  CreateHandle();
  Changed();
}

void TFontEx::SetSize(int size) {
  if (size == size_) return;
  size_ = size;
  FreeHandle();
  CreateHandle();
  Changed();
}

void TFontEx::SetStyle(int style) {
  if (style == style_) return;
  style_ = style;
  FreeHandle();
  CreateHandle();
  Changed();
}

void TFontEx::Assign(const TGraphicObjectEx& source) {
  const auto* font = dynamic_cast<const TFontEx*>(&source);
  if (!font) return;
  FreeHandle();
  color_ = font->color_;
  name_ = font->name_;
  size_ = font->size_;
  style_ = font->style_;
  brush_.SetColor(color_);
  format_.Assign(font->format_);
  CreateHandle();
  Changed();
}

}  // namespace varnika
