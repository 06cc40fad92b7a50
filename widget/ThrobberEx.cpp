#include "widget/ThrobberEx.h"

#include "resources/Resources.h"

namespace varnika {

TThrobberEx::TThrobberEx(TComponent* owner)
    : TControlEx(owner), strip_(TBitmapEx::CreateFromResource(ModuleInstance(), kStripResource, kResourceTypePng)) {
  SetClassNameW(u"TThrobberEx");
}

TThrobberEx::~TThrobberEx() = default;

void TThrobberEx::SetFrame(int value) {
  if (frame_ < 0 || frame_ > kFrameCount - 2)
    frame_ = 0;
  else
    frame_ = value;
}

void TThrobberEx::Paint() {
  TControlEx::Paint();
  Canvas().DrawPart(*strip_, 0, 0, 0, kFrameSize * frame_, kFrameSize, kFrameSize);
}

}  // namespace varnika
