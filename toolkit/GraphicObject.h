// The classic GDI drawing objects: a pen, a solid (or hatched) brush and a
// font that each own one GDI object, rebuild it when a property changes and
// announce the change. Colours are TColor values: one with the top bit set
// names a system colour by its low byte, any other is a COLORREF.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "platform/Gdi.h"

namespace varnika {

using TColor = std::int32_t;

constexpr TColor SystemColor(int index) { return static_cast<TColor>(0x80000000u | static_cast<std::uint32_t>(index)); }
inline constexpr TColor clWindow = SystemColor(COLOR_WINDOW);
inline constexpr TColor clBtnFace = SystemColor(COLOR_BTNFACE);
inline constexpr TColor clInfoBk = SystemColor(COLOR_INFOBK);
inline constexpr TColor clInfoText = SystemColor(COLOR_INFOTEXT);

// The RGB value of a colour: GetSysColor of the low byte for a system colour.
COLORREF ColorToRGB(TColor color);

class TGraphicObject {
 public:
  using TNotifyEvent = std::function<void(TGraphicObject* sender)>;

  TGraphicObject() = default;
  virtual ~TGraphicObject() = default;
  TGraphicObject(const TGraphicObject&) = delete;
  TGraphicObject& operator=(const TGraphicObject&) = delete;

  void Changed() {
    if (OnChange) OnChange(this);
  }
  // Copies the settings of an object of the same class; the base copies
  // nothing.
  virtual void Assign(const TGraphicObject& source) { (void)source; }

  TNotifyEvent OnChange;
};

// Gets its pen at the first change of colour, style or width.
class TPen : public TGraphicObject {
 public:
  TPen() = default;
  ~TPen() override { FreeHandle(); }

  HPEN Handle() const { return handle_; }
  // Takes ownership of the pen (the one held before is deleted).
  void SetHandle(HPEN pen);
  TColor Color() const { return color_; }
  void SetColor(TColor color);
  int Style() const { return style_; }
  void SetStyle(int style);
  int Width() const { return width_; }
  void SetWidth(int width);
  // Copies colour, style and width (and makes the pen), so a canvas's pen
  // follows its control's.
  void Assign(const TGraphicObject& source) override;

 private:
  void CreateHandle();
  void FreeHandle();

  HPEN handle_ = nullptr;
  TColor color_ = 0;
  int style_ = PS_SOLID;
  int width_ = 0;
};

// A solid brush, or a hatched one once Style is set (an HS_* pattern in the
// brush's colour).
class TSolidBrush : public TGraphicObject {
 public:
  TSolidBrush() = default;
  ~TSolidBrush() override { FreeHandle(); }

  HBRUSH Handle() const { return handle_; }
  void SetHandle(HBRUSH brush);
  // Stored as its RGB value, so a system colour set again makes the brush
  // again.
  TColor Color() const { return color_; }
  void SetColor(TColor color);
  int Style() const { return style_; }
  void SetStyle(int hatch);
  // Copies colour and style: a hatched source gives a hatched brush.
  void Assign(const TGraphicObject& source) override;

 private:
  void CreateHandle();
  void FreeHandle();

  HBRUSH handle_ = nullptr;
  TColor color_ = -1;
  int style_ = 0;
  bool hatched_ = false;
};

enum : int { fsBold = 1, fsItalic = 2, fsUnderline = 4, fsStrikeOut = 8 };

// A font made from the desktop's message font with the face, size and style
// given here, the Turkish character set and the height for the screen's
// resolution (size 8 at 96 dpi: lfHeight -11).
class TFont : public TGraphicObject {
 public:
  static constexpr int kMaxFaceLength = LF_FACESIZE - 1;

  TFont() = default;
  ~TFont() override { FreeHandle(); }

  // Made when first asked for: a font that nothing draws with never asks
  // the desktop for its font.
  HFONT Handle() const;
  void SetHandle(HFONT font);
  int Size() const { return size_; }
  void SetSize(int size);
  const std::u16string& Name() const { return name_; }
  void SetName(const std::u16string& name);
  int Style() const { return style_; }
  void SetStyle(int style);
  // Stored as its RGB value; the handle stays as it is.
  TColor Color() const { return color_; }
  void SetColor(TColor color);
  void Assign(const TGraphicObject& source) override;

 private:
  void CreateHandle() const;
  void FreeHandle();

  mutable HFONT handle_ = nullptr;
  int size_ = 8;
  std::u16string name_ = u"Tahoma";
  int style_ = 0;
  TColor color_ = 0;
};

}  // namespace varnika
