#include "toolkit/Window.h"

#include <algorithm>
#include <iterator>

#include "platform/Layered.h"
#include "platform/Window.h"

namespace varnika {

// The six messages the window handles itself, without the dispatch of the
// classes below it and without default processing.
struct TWindowDispatch {
  using Handler = void (TWindow::*)(TWidgetMessage&);
  struct Row {
    UINT msg;
    Handler handler;
  };

  static constexpr Row kRows[] = {
      {WM_CREATE, &TWindow::WMCreate},
      {WM_DESTROY, &TWindow::WMDestroy},
      {WM_ACTIVATE, &TWindow::WMActivate},
      {WM_CLOSE, &TWindow::WMClose},
      {WM_MOUSEACTIVATE, &TWindow::WMMouseActivate},
      {WM_TIMER, &TWindow::WMTimer},
  };

  static Handler Find(UINT msg) {
    auto row = std::find_if(std::begin(kRows), std::end(kRows), [msg](const Row& r) { return r.msg == msg; });
    return row != std::end(kRows) ? row->handler : nullptr;
  }
};

TWindow::TWindow(TComponent* owner) : TWinControl(owner) {
  SetClassNameW(u"TWindow");
  SetWidth(320);
  SetHeight(240);
  Brush().SetColor(clBtnFace);
}

void TWindow::WndProc(TWidgetMessage& message) {
  if (TWindowDispatch::Handler handler = TWindowDispatch::Find(message.Msg))
    (this->*handler)(message);
  else
    TWinControl::WndProc(message);
}

void TWindow::CreateParams(TCreateParams& params) {
  TWinControl::CreateParams(params);
  params.Style = WS_OVERLAPPEDWINDOW | (Enabled() ? 0 : WS_DISABLED);
  params.ExStyle = WS_EX_CLIENTEDGE | WS_EX_WINDOWEDGE;
}

void TWindow::SetOpacity(BYTE opacity) {
  if (opacity == opacity_) return;
  opacity_ = opacity;
  ApplyOpacity();
}

void TWindow::ApplyOpacity() {
  if (HasWindow()) SetLayeredWindowAttributes(WindowHandle(), 0, opacity_, LWA_ALPHA);
}

void TWindow::WMCreate(TWidgetMessage& message) {
  TWinControl::WMCreate(message);
  DoCreate();
}

void TWindow::DoCreate() {
  ApplyOpacity();
  if (OnCreate) OnCreate(this);
}

void TWindow::WMDestroy(TWidgetMessage& message) {
  if (OnDestroy) OnDestroy(this);
  TWinControl::WMDestroy(message);
}

void TWindow::WMActivate(TWidgetMessage& message) {
  if (OnActivate) OnActivate(this, LoWord(message.WParam), reinterpret_cast<HWND>(message.LParam));
}

void TWindow::WMClose(TWidgetMessage&) {
  TCloseAction action = TCloseAction::caFree;
  if (OnClose) OnClose(this, action);
  if (action == TCloseAction::caHide)
    SetVisible(false);
  else if (action == TCloseAction::caFree)
    DestroyWindow(WindowHandle());
}

void TWindow::WMMouseActivate(TWidgetMessage& message) {
  message.Result = MA_ACTIVATE;
  if (!OnMouseActivate) return;
  int result = static_cast<int>(message.Result);
  const auto lparam = static_cast<std::uintptr_t>(message.LParam);
  OnMouseActivate(this, LoWord(lparam), HiWord(lparam), result);
  message.Result = result;
}

void TWindow::WMTimer(TWidgetMessage& message) {
  if (OnTimer) OnTimer(this, static_cast<int>(message.WParam));
}

namespace {

// Ends the paint (when it began one) and takes the context from the canvas,
// also when Repaint raises.
class PaintScope {
 public:
  PaintScope(HWND wnd, TCanvas& canvas, HDC given) : wnd_(wnd), canvas_(canvas) {
    dc_ = given ? given : BeginPaint(wnd, &paint_);
    began_ = !given;
  }
  ~PaintScope() {
    if (began_) EndPaint(wnd_, &paint_);
    canvas_.SetHandle(nullptr);
  }
  PaintScope(const PaintScope&) = delete;
  PaintScope& operator=(const PaintScope&) = delete;
  HDC Dc() const { return dc_; }

 private:
  HWND wnd_;
  TCanvas& canvas_;
  PAINTSTRUCT paint_;
  HDC dc_ = nullptr;
  bool began_ = false;
};

}  // namespace

void TWindow::WMPaint(TWidgetMessage& message) {
  PaintScope scope(message.Handle, Canvas(), reinterpret_cast<HDC>(message.WParam));
  HDC dc = scope.Dc();
  Canvas().SetHandle(dc);
  SetViewportOrgEx(dc, 0, 0, nullptr);
  SetViewportExtEx(dc, Width(), Height(), nullptr);
  Canvas().Brush().Assign(Brush());
  Canvas().Pen().Assign(Pen());
  Canvas().Font().Assign(Font());
  Repaint();
}

}  // namespace varnika
