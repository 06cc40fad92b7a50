#include "toolkit/WinControl.h"

#include <algorithm>
#include <iterator>

#include "platform/Window.h"

namespace varnika {

// The three paint messages, each without further processing.
struct TWinControlDispatch {
  using Handler = void (TWinControl::*)(TWidgetMessage&);
  struct Row {
    UINT msg;
    Handler handler;
  };

  static constexpr Row kRows[] = {
      {WM_PAINT, &TWinControl::WMPaint},
      {WM_ERASEBKGND, &TWinControl::WMEraseBkgnd},
      {WM_NCPAINT, &TWinControl::WMNCPaint},
  };

  static Handler Find(UINT msg) {
    auto row = std::find_if(std::begin(kRows), std::end(kRows), [msg](const Row& r) { return r.msg == msg; });
    return row != std::end(kRows) ? row->handler : nullptr;
  }
};

TWinControl::TWinControl(TComponent* owner)
    : TControl(owner),
      canvas_(std::make_unique<TCanvas>()),
      font_(std::make_unique<TFont>()),
      brush_(std::make_unique<TSolidBrush>()),
      pen_(std::make_unique<TPen>()) {
  SetClassNameW(u"TWinControl");
  font_->OnChange = [this](TGraphicObject*) {
    Perform(WM_SETFONT, reinterpret_cast<WPARAM>(font_->Handle()), 1);
    Refresh();
  };
  brush_->SetColor(static_cast<TColor>(RGB(0, 128, 0)));
  brush_->OnChange = [this](TGraphicObject*) { Refresh(); };
  pen_->OnChange = [this](TGraphicObject*) { Refresh(); };
  canvas_->SetControl(this);
}

TWinControl::~TWinControl() {
  canvas_.reset();
  pen_.reset();
  brush_.reset();
  font_.reset();
}

void TWinControl::WndProc(TWidgetMessage& message) {
  if (TWinControlDispatch::Handler handler = TWinControlDispatch::Find(message.Msg))
    (this->*handler)(message);
  else
    TControl::WndProc(message);
}

void TWinControl::CreateWnd() {
  TControl::CreateWnd();
  Perform(WM_SETFONT, reinterpret_cast<WPARAM>(font_->Handle()), 1);
}

void TWinControl::Refresh() {
  if (HasWindow()) InvalidateRect(WindowHandle(), nullptr, TRUE);
}

void TWinControl::WMPaint(TWidgetMessage& message) { DefaultHandler(message); }

void TWinControl::WMNCPaint(TWidgetMessage& message) { DefaultHandler(message); }

void TWinControl::WMEraseBkgnd(TWidgetMessage& message) { DefaultHandler(message); }

}  // namespace varnika
