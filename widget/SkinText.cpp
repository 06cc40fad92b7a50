#include "widget/SkinText.h"

#include "widget/SkinStatic.h"

namespace varnika {

TSkinText::TSkinText(TComponent* owner) : TControlEx(owner), shadow_(std::make_unique<TDropShadow>()) {
  SetClassNameW(u"TSkinText");
}

TSkinText::~TSkinText() = default;

void TSkinText::CreateParams(TCreateParams& params) {
  TControlEx::CreateParams(params);
  MakeClickableStatic(params);
}

void TSkinText::CreateHandle() {
  TControlEx::CreateHandle();
  UpdateText();
}

void TSkinText::SetData(const std::u16string& data) {
  data_ = data;
  UpdateText();
}

void TSkinText::SetAutoSize(bool auto_size) {
  if (auto_size == auto_size_) return;
  auto_size_ = auto_size;
  UpdateText();
}

// A new caption re-fits the control to Data; the shadow stays as it is.
void TSkinText::WMSetText(TWidgetMessage& message) {
  TControlEx::WMSetText(message);
  if (auto_size_) FitToText();
}

void TSkinText::UpdateText() {
  if (auto_size_) FitToText();
  UpdateShadow();
}

void TSkinText::FitToText() {
  const TSize extent = Canvas().TextExtent(data_);
  SetSize(extent.cx + 1, extent.cy + 1);
}

void TSkinText::UpdateShadow() {
  if (!shadow_->Enabled) return;
  shadow_bitmap_.reset();
  TCanvasEx& own = Canvas();
  TCanvasEx temporary(Width(), Height(), kBitmapFormatArgb32);
  temporary.SetTextRenderingHint(own.TextRenderingHint());
  temporary.StringFormat().Assign(own.StringFormat());
  temporary.Font().Assign(own.Font());
  temporary.Font().SetColor(shadow_->Color);
  temporary.DrawText(TRect{0, 0, Width(), Height()}, data_);
  shadow_bitmap_ = temporary.Bitmap().Clone();
  shadow_bitmap_->Blur(shadow_->BlurPasses);
}

void TSkinText::Paint() {
  TControlEx::Paint();
  TCanvasEx& canvas = Canvas();
  if (shadow_->Enabled && shadow_bitmap_) canvas.Draw(*shadow_bitmap_, shadow_->OffsetX, shadow_->OffsetY);
  canvas.DrawText(TRect{0, 0, Width(), Height()}, data_);
}

}  // namespace varnika
