#include "toolkit/WindowEx.h"

#include <algorithm>
#include <iterator>

#include "platform/Input.h"
#include "platform/Layered.h"
#include "platform/Window.h"

namespace varnika {

namespace {

// A memory device context over a bitmap's pixels for the time of one call.
class BitmapDC {
 public:
  explicit BitmapDC(TBitmapEx& bitmap) {
    cairo_surface_flush(bitmap.Image());
    if (bitmap.Bits()) dc_ = CreateMemoryDC(bitmap.Bits(), bitmap.Width(), bitmap.Height(), bitmap.Stride());
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

// The six messages the window handles itself, without the control base's
// dispatch and without default processing.
struct TWindowExDispatch {
  using Handler = void (TWindowEx::*)(TWidgetMessage&);
  struct Row {
    UINT msg;
    Handler handler;
  };

  static constexpr Row kRows[] = {
      {WM_CREATE, &TWindowEx::WMCreate},
      {WM_DESTROY, &TWindowEx::WMDestroy},
      {WM_ACTIVATE, &TWindowEx::WMActivate},
      {WM_CLOSE, &TWindowEx::WMClose},
      {WM_MOUSEACTIVATE, &TWindowEx::WMMouseActivate},
      {WM_TIMER, &TWindowEx::WMTimer},
  };

  static Handler Find(UINT msg) {
    auto row = std::find_if(std::begin(kRows), std::end(kRows), [msg](const Row& r) { return r.msg == msg; });
    return row != std::end(kRows) ? row->handler : nullptr;
  }
};

TWindowEx::TWindowEx(TComponent* owner) : TControlEx(owner) {
  SetClassNameW(u"TWindowEx");
  SetWidth(320);
  SetHeight(240);
  SetCached(false);
}

void TWindowEx::WndProc(TWidgetMessage& message) {
  if (TWindowExDispatch::Handler handler = TWindowExDispatch::Find(message.Msg))
    (this->*handler)(message);
  else
    TControlEx::WndProc(message);
}

void TWindowEx::CreateParams(TCreateParams& params) {
  TControlEx::CreateParams(params);
  params.Style = WS_POPUP | WS_CLIPSIBLINGS | (Enabled() ? 0 : WS_DISABLED);
  params.ExStyle = WS_EX_LAYERED | WS_EX_TOOLWINDOW | (always_top_ ? WS_EX_TOPMOST : 0);
}

void TWindowEx::WMCreate(TWidgetMessage& message) {
  TControlEx::WMCreate(message);
  if (OnCreate) OnCreate(this);
  DoCreate();
}

void TWindowEx::WMDestroy(TWidgetMessage&) {
  if (OnDestroy) OnDestroy(this);
}

void TWindowEx::WMActivate(TWidgetMessage& message) {
  if (OnActivate) OnActivate(this, LoWord(message.WParam), reinterpret_cast<HWND>(message.LParam));
}

void TWindowEx::WMClose(TWidgetMessage&) {
  TCloseAction action = TCloseAction::caFree;
  if (OnClose) OnClose(this, action);
  if (action == TCloseAction::caHide)
    SetVisible(false);
  else if (action == TCloseAction::caFree)
    DestroyWindow(WindowHandle());
}

void TWindowEx::WMMouseActivate(TWidgetMessage& message) {
  message.Result = MA_ACTIVATE;
  if (!OnMouseActivate) return;
  int result = static_cast<int>(message.Result);
  const auto lparam = static_cast<std::uintptr_t>(message.LParam);
  OnMouseActivate(this, LoWord(lparam), HiWord(lparam), result);
  message.Result = result;
}

void TWindowEx::WMTimer(TWidgetMessage& message) {
  if (OnTimer) OnTimer(this, static_cast<int>(message.WParam));
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
