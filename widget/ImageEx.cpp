#include "widget/ImageEx.h"

#include "resources/Resources.h"
#include "widget/SkinStatic.h"

namespace varnika {

TImageEx::TImageEx(TComponent* owner) : TControlEx(owner) { SetClassNameW(u"TImageEx"); }

TImageEx::~TImageEx() = default;

void TImageEx::CreateParams(TCreateParams& params) {
  TControlEx::CreateParams(params);
  MakeClickableStatic(params);
}

void TImageEx::SetImage(int resource_id) {
  image_.reset();
  source_image_.reset();
  resource_id_ = resource_id;
  LoadImage();
}

void TImageEx::LoadImage() {
  source_image_ = TBitmapEx::CreateFromResource(ModuleInstance(), resource_id_, kResourceTypePng);
  image_ = source_image_->Clone();
  if (auto_size_) SetSize(source_image_->Width(), source_image_->Height());
}

void TImageEx::Paint() {
  TControlEx::Paint();
  if (!image_) return;
  TCanvasEx& canvas = Canvas();
  const TBitmapEx& image = *image_;
  if (stretch_) {
    canvas.StretchDraw(image, 0, 0, Width(), Height());
  } else if (tile_) {
    canvas.TileDraw(image, 0, 0, Width(), Height());
  } else if (center_) {
    canvas.StretchDraw(image, (Width() - image.Width()) / 2, (Height() - image.Height()) / 2, image.Width(),
                       image.Height());
  } else {
    canvas.Draw(image, 0, 0);
  }
}

}  // namespace varnika
