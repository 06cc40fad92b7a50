#include "toolkit/ControlEx.h"

#include "base/Exceptions.h"
#include "platform/Window.h"

namespace varnika {

// Sets the painting flag for one Repaint and clears it again, also when an
// exception passes.
class TControlEx::PaintingGuard {
 public:
  explicit PaintingGuard(bool& flag) : flag_(flag) { flag_ = true; }
  ~PaintingGuard() { flag_ = false; }
  PaintingGuard(const PaintingGuard&) = delete;
  PaintingGuard& operator=(const PaintingGuard&) = delete;

 private:
  bool& flag_;
};

TControlEx::TControlEx(TComponent* owner)
    : TControl(owner), canvas_(std::make_unique<TCanvasEx>(Width(), Height())) {
  SetClassNameW(u"TControlEx");
  canvas_->Font().OnChange = [this](TGraphicObjectEx*) { Perform(CM_FONTCHANGED, 0, 0); };
}

TControlEx::~TControlEx() {
  canvas_->Font().OnChange = nullptr;
}

void TControlEx::CreateHandle() {
  TControl::CreateHandle();
  canvas_->SetSize(Width(), Height());
}

// The canvas follows the window's size. It is compared with the canvas
// itself: the size setters store the new size before the window reports it.
void TControlEx::WMSize(TWidgetMessage& message) {
  TControl::WMSize(message);
  if (Width() != canvas_->Width() || Height() != canvas_->Height()) canvas_->SetSize(Width(), Height());
}

void TControlEx::WMShowWindow(TWidgetMessage& message) { TControl::WMShowWindow(message); }

void TControlEx::Repaint() {
  if (painting_) return;
  PaintingGuard guard(painting_);
  if (!HasWindow()) return;
  const bool shares = SharesParentCanvas();
  if (shares) {
    ReleaseCanvasPicture();
  } else {
    canvas_painted_ = true;
  }
  // An uncached control is due again after every walk, also one that
  // skipped its paint; a cached one keeps its picture until asked again.
  if (Redraw() && !Locked()) {
    if (shares) {
      PaintInto(ComposeCanvas());
    } else {
      Paint();
    }
  }
  SetRedraw(!Cached());
  if (!Locked()) RepaintChildren();
  // Shared, the children have drawn into the parent's canvas already.
  if (!shares) UpdateLayer();
}

bool TControlEx::SharesParentCanvas() const {
  if (!shares_parent_canvas_ || opacity_ != 255 || Left() != 0 || Top() != 0) return false;
  const auto* parent = dynamic_cast<const TControlEx*>(Parent());
  return parent && Width() == parent->Width() && Height() == parent->Height();
}

TCanvasEx& TControlEx::ComposeCanvas() {
  if (SharesParentCanvas()) return static_cast<TControlEx*>(Parent())->ComposeCanvas();
  return *canvas_;
}

void TControlEx::RepaintChildren() {
  HWND child = GetWindow(WindowHandle(), GW_CHILD);
  if (!child) return;
  for (child = GetWindow(child, GW_HWNDLAST); child; child = GetWindow(child, GW_HWNDPREV)) {
    TControl* control = FindControl(child);
    if (control && control->Visible()) control->Repaint();
  }
}

void TControlEx::Paint() {
  canvas_->Clear();
  if (OnPaint) OnPaint(this);
}

void TControlEx::PaintInto(TCanvasEx&) {}

// A fresh bitmap of the same size: the pages the old one had touched go back
// to the system, and untouched ones cost nothing.
void TControlEx::ReleaseCanvasPicture() {
  if (!canvas_painted_) return;
  canvas_painted_ = false;
  canvas_->SetSize(canvas_->Width(), canvas_->Height());
}

void TControlEx::UpdateLayer() {
  if (!Parent()) return;
  auto* parent = dynamic_cast<TControlEx*>(Parent());
  if (!parent) throw EInvalidCast(u"Invalid class typecast");
  parent->ComposeCanvas().DrawAlpha(canvas_->Bitmap(), Left(), Top(), opacity_);
}

void TControlEx::Invalidate() {
  if (Parent()) Parent()->Invalidate();
}

}  // namespace varnika
