#include "toolkit/WindowEx.h"

#include "platform/Input.h"
#include "platform/Layered.h"
#include "platform/Window.h"

namespace varnika {

namespace {

// A memory device context over a bitmap's pixels for the time of one call;
// the window system shows them without a copy and holds the bitmap's surface
// while it does.
class BitmapDC {
 public:
  explicit BitmapDC(TBitmapEx& bitmap) {
    if (bitmap.Bits()) dc_ = CreateMemoryDC(bitmap.Image());
  }
  ~BitmapDC() {
    if (dc_) DeleteDC(dc_);
  }
  BitmapDC(const BitmapDC&) = delete;
  BitmapDC& operator=(const BitmapDC&) = delete;
  HDC Get() const { return dc_; }

 private:
  HDC dc_ = nullptr;
};

}  // namespace

TWindowEx::TWindowEx(TComponent* owner) : TTopLevel(owner) {
  SetClassNameW(u"TWindowEx");
  SetWidth(320);
  SetHeight(240);
  SetCached(false);
}

void TWindowEx::CreateParams(TCreateParams& params) {
  TControlEx::CreateParams(params);
  params.Style = WS_POPUP | WS_CLIPSIBLINGS | (Enabled() ? 0 : WS_DISABLED);
  params.ExStyle = WS_EX_LAYERED | WS_EX_TOOLWINDOW | (always_top_ ? WS_EX_TOPMOST : 0);
}

void TWindowEx::WMSize(TWidgetMessage& message) {
  TControlEx::WMSize(message);
  if (OnResize) OnResize(this);
}

void TWindowEx::WMShowWindow(TWidgetMessage& message) {
  TControlEx::WMShowWindow(message);
  if (Visible()) {
    if (OnShow) OnShow(this);
  } else if (OnHide) {
    OnHide(this);
  }
}

void TWindowEx::UpdateLayer() {
  if (!HasWindow()) return;
  BitmapDC source(Canvas().Bitmap());
  POINT position{Left(), Top()};
  SIZE size{Width(), Height()};
  POINT source_position{0, 0};
  BLENDFUNCTION blend;
  blend.BlendOp = AC_SRC_OVER;
  blend.BlendFlags = 0;
  blend.SourceConstantAlpha = Opacity();
  blend.AlphaFormat = AC_SRC_ALPHA;
  UpdateLayeredWindow(WindowHandle(), nullptr, &position, &size, source.Get(), &source_position, 0, &blend,
                      ULW_ALPHA);
}

void TWindowEx::Invalidate() {
  if (!Painting()) Repaint();
}

void TWindowEx::SetAlwaysTop(bool always_top) {
  if (always_top == always_top_) return;
  always_top_ = always_top;
  if (!HasWindow()) return;
  SetWindowPos(WindowHandle(), always_top ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0,
               SWP_FRAMECHANGED | SWP_NOMOVE | SWP_NOSIZE);
  SetForegroundWindow(WindowHandle());
  SetActiveWindow(WindowHandle());
  Invalidate();
}

void TWindowEx::SetTransparent(bool transparent) {
  if (transparent == transparent_) return;
  transparent_ = transparent;
  if (!HasWindow()) return;
  const DWORD ex_style = ExStyle();
  if (transparent && !(ex_style & WS_EX_TRANSPARENT))
    SetExStyle(ex_style | WS_EX_TRANSPARENT);
  else if (!transparent && (ex_style & WS_EX_TRANSPARENT))
    SetExStyle(ex_style & ~WS_EX_TRANSPARENT);
  SetWindowPos(WindowHandle(), nullptr, 0, 0, 0, 0, SWP_FRAMECHANGED | SWP_NOZORDER | SWP_NOMOVE | SWP_NOSIZE);
}

}  // namespace varnika
