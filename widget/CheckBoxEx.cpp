#include "widget/CheckBoxEx.h"

namespace varnika {

TCheckBoxEx::TCheckBoxEx(TComponent* owner) : TControlEx(owner), states_(std::make_unique<TStateBitmaps>()) {
  SetClassNameW(u"TCheckBoxEx");
}

TCheckBoxEx::~TCheckBoxEx() = default;

void TCheckBoxEx::Paint() {
  TControlEx::Paint();
  TCanvasEx& canvas = Canvas();
  TRect rect{0, 0, Width(), Height()};
  const TBitmapEx* image = checked_ ? states_->CheckedImage() : states_->UncheckedImage();
  if (image) {
    canvas.Draw(*image, 0, 0);
    rect.Left += image->Width();
  }
  canvas.DrawText(rect, Caption());
}

}  // namespace varnika
