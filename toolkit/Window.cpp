#include "toolkit/Window.h"

#include "platform/Layered.h"
#include "platform/Window.h"

namespace varnika {

TWindow::TWindow(TComponent* owner) : TTopLevel(owner) {
  SetClassNameW(u"TWindow");
  SetWidth(320);
  SetHeight(240);
  Brush().SetColor(clBtnFace);
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

void TWindow::DoCreate() { ApplyOpacity(); }

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
