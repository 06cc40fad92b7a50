#include "widget/BitmapControls.h"

#include "platform/Input.h"

namespace varnika {

TBitmapControlEx::TBitmapControlEx(TComponent* owner) : TControlEx(owner) {}

TBitmapControlEx::~TBitmapControlEx() = default;

void TBitmapControlEx::SetBitmap(std::unique_ptr<TBitmapEx> bitmap) {
  if (bitmap.get() == bitmap_.get()) {
    (void)bitmap.release();  // already ours
    return;
  }
  bitmap_ = std::move(bitmap);
}

void TBitmapControlEx::Paint() {
  TControlEx::Paint();
  PaintInto(Canvas());
}

void TBitmapControlEx::PaintInto(TCanvasEx& target) {
  if (bitmap_) target.Draw(*bitmap_, 0, 0);
}

TBackgroundEx::TBackgroundEx(TComponent* owner) : TBitmapControlEx(owner) { SetClassNameW(u"TBackgroundEx"); }

TScrollerEx::TScrollerEx(TComponent* owner) : TBitmapControlEx(owner) { SetClassNameW(u"TScrollerEx"); }

TThumbEx::TThumbEx(TComponent* owner) : TBitmapControlEx(owner) { SetClassNameW(u"TThumbEx"); }

void TThumbEx::WMButtonDown(TWidgetMessage& message) {
  varnika::SetCapture(Handle());
  SetFocus();
  TBitmapControlEx::WMButtonDown(message);
}

void TThumbEx::WMButtonUp(TWidgetMessage& message) {
  varnika::ReleaseCapture();
  TBitmapControlEx::WMButtonUp(message);
}

}  // namespace varnika
