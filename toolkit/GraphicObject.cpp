#include "toolkit/GraphicObject.h"

#include <algorithm>

#include "platform/Layered.h"

namespace varnika {

COLORREF ColorToRGB(TColor color) {
  return color < 0 ? GetSysColor(color & 0xFF) : static_cast<COLORREF>(color);
}

// --- TPen --------------------------------------------------------------------------------

void TPen::CreateHandle() { handle_ = CreatePen(style_, width_, ColorToRGB(color_)); }

void TPen::FreeHandle() {
  if (handle_) DeleteObject(handle_);
  handle_ = nullptr;
}

void TPen::SetHandle(HPEN pen) {
  if (pen == handle_) return;
  FreeHandle();
  handle_ = pen;
  Changed();
}

void TPen::SetColor(TColor color) {
  if (color == color_) return;
  FreeHandle();
  color_ = color;
  CreateHandle();
  Changed();
}

void TPen::SetStyle(int style) {
  if (style == style_) return;
  FreeHandle();
  style_ = style;
  CreateHandle();
  Changed();
}

void TPen::SetWidth(int width) {
  if (width == width_) return;
  FreeHandle();
  width_ = width;
  CreateHandle();
  Changed();
}

void TPen::Assign(const TGraphicObject& source) {
  const auto* pen = dynamic_cast<const TPen*>(&source);
  if (!pen || pen == this) return;
  FreeHandle();
  color_ = pen->color_;
  style_ = pen->style_;
  width_ = pen->width_;
  CreateHandle();
  Changed();
}

// --- TSolidBrush ---------------------------------------------------------------------------

void TSolidBrush::CreateHandle() {
  handle_ = hatched_ ? CreateHatchBrush(style_, static_cast<COLORREF>(color_))
                     : CreateSolidBrush(static_cast<COLORREF>(color_));
}

void TSolidBrush::FreeHandle() {
  if (handle_) DeleteObject(handle_);
  handle_ = nullptr;
}

void TSolidBrush::SetHandle(HBRUSH brush) {
  if (brush == handle_) return;
  FreeHandle();
  handle_ = brush;
  Changed();
}

void TSolidBrush::SetColor(TColor color) {
  if (color == color_) return;
  FreeHandle();
  color_ = static_cast<TColor>(ColorToRGB(color));
  CreateHandle();
  Changed();
}

void TSolidBrush::SetStyle(int hatch) {
  if (hatch == style_) return;
  FreeHandle();
  style_ = hatch;
  hatched_ = true;
  CreateHandle();
  Changed();
}

void TSolidBrush::Assign(const TGraphicObject& source) {
  const auto* brush = dynamic_cast<const TSolidBrush*>(&source);
  if (!brush || brush == this) return;
  FreeHandle();
  color_ = brush->color_;
  style_ = brush->style_;
  hatched_ = brush->hatched_;
  CreateHandle();
  Changed();
}

// --- TFont ---------------------------------------------------------------------------------

HFONT TFont::Handle() const {
  if (!handle_) CreateHandle();
  return handle_;
}

void TFont::CreateHandle() const {
  HDC screen = GetDC(nullptr);
  // The desktop font's style; the face is this font's own, so the desktop
  // font's family is not looked up.
  LOGFONTW font = DesktopMessageFontStyle();
  if (style_ & fsBold) font.lfWeight = FW_BOLD;
  if (style_ & fsItalic) font.lfItalic = 1;
  if (style_ & fsUnderline) font.lfUnderline = 1;
  if (style_ & fsStrikeOut) font.lfStrikeOut = 1;
  std::fill(std::begin(font.lfFaceName), std::end(font.lfFaceName), u'\0');
  std::copy_n(name_.begin(), std::min<std::size_t>(name_.size(), kMaxFaceLength), font.lfFaceName);
  font.lfCharSet = TURKISH_CHARSET;
  // Without a screen context (no window system yet) the screen has its usual 96 dpi.
  const int dpi = screen ? GetDeviceCaps(screen, LOGPIXELSY) : 96;
  font.lfHeight = -MulDiv(dpi, size_, 72);
  handle_ = CreateFontIndirectW(&font);
  if (screen) ReleaseDC(nullptr, screen);
}

void TFont::FreeHandle() {
  if (handle_) DeleteObject(handle_);
  handle_ = nullptr;
}

void TFont::SetHandle(HFONT font) {
  if (font == handle_) return;
  FreeHandle();
  handle_ = font;
  Changed();
}

void TFont::SetSize(int size) {
  if (size == size_) return;
  FreeHandle();
  size_ = size;
  Changed();
}

void TFont::SetName(const std::u16string& name) {
  if (name == name_) return;
  FreeHandle();
  name_ = name;
  Changed();
}

void TFont::SetStyle(int style) {
  if (style == style_) return;
  FreeHandle();
  style_ = style;
  Changed();
}

void TFont::SetColor(TColor color) {
  if (color == color_) return;
  color_ = static_cast<TColor>(ColorToRGB(color));
  Changed();
}

void TFont::Assign(const TGraphicObject& source) {
  const auto* font = dynamic_cast<const TFont*>(&source);
  if (!font || font == this) return;
  FreeHandle();
  size_ = font->size_;
  name_ = font->name_;
  style_ = font->style_;
  color_ = font->color_;
  Changed();
}

}  // namespace varnika
