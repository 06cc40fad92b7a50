// The text font: family name, size in points, style bits and colour, with
// the brush that text is drawn with and a string format of its own. The
// native object is a pango font description; a family that is neither
// installed nor given a stand-in by the program's font rules
// (FontConfiguration.h) is replaced by the generic "sans-serif" family.
#pragma once

#include <string>

#include "toolkit/ArgbColor.h"
#include "toolkit/BrushEx.h"
#include "toolkit/CairoHandles.h"
#include "toolkit/GraphicObjectEx.h"
#include "toolkit/StringFormatEx.h"

namespace varnika {

enum : int {
  FontStyleRegular = 0,
  FontStyleBold = 1,
  FontStyleItalic = 2,
  FontStyleUnderline = 4,
  FontStyleStrikeout = 8,
};

// Fonts are sized in points at this resolution: 10 points are 13 1/3 pixels.
// The canvases' text contexts take it from TTextContext::Resolution.
inline constexpr double kFontResolutionDpi = 96.0;

inline constexpr char16_t kGenericSansSerif[] = u"sans-serif";

class TFontEx : public TGraphicObjectEx {
 public:
  static constexpr ARGB kDefaultColor = 0xFE000000;

  TFontEx();

  // The font description, or null when no font could be made (a size of 0
  // or less or above 32767, or no font installed at all).
  PangoFontDescription* Handle() const { return handle_.get(); }

  // A colour with alpha 255 is stored with alpha 254; others as given.
  ARGB Color() const { return color_; }
  void SetColor(ARGB color);
  const std::u16string& Name() const { return name_; }
  void SetName(const std::u16string& name);
  int Size() const { return size_; }
  void SetSize(int size);
  int Style() const { return style_; }
  void SetStyle(int style);

  const TSolidBrushEx& Brush() const { return brush_; }
  TStringFormatEx& Format() { return format_; }
  const TStringFormatEx& Format() const { return format_; }

  // The family the handle was made with: Name, or the generic sans-serif
  // family when Name is not installed and has no stand-in. Empty without a
  // handle.
  const std::u16string& FamilyName() const { return family_; }

  void Assign(const TGraphicObjectEx& source) override;

 private:
  void CreateHandle();
  void FreeHandle();

  PangoFontDescriptionPtr handle_;
  std::u16string family_;
  ARGB color_ = kDefaultColor;
  std::u16string name_ = u"Arial";
  int size_ = 10;
  int style_ = FontStyleRegular;
  TSolidBrushEx brush_{kDefaultColor};
  TStringFormatEx format_;
};

// Whether fontconfig has a font of this family (compared the way fontconfig
// compares family names: ignoring case and blanks).
bool FontFamilyInstalled(const std::string& family);

}  // namespace varnika
