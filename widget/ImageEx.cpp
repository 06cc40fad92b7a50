#include "widget/ImageEx.h"

#include <cstdint>
#include <span>

#include "resources/Resources.h"
#include "widget/SkinStatic.h"

namespace varnika {

namespace {

// The width and height in a PNG's header (its first chunk, IHDR), or 0 x 0
// when the bytes do not start like a PNG.
TSize PngSize(std::span<const std::uint8_t> png) {
  constexpr std::uint8_t kStart[] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n', 0, 0, 0, 13, 'I', 'H', 'D', 'R'};
  if (png.size() < 24 || !std::equal(std::begin(kStart), std::end(kStart), png.begin())) return {0, 0};
  const auto number = [&](std::size_t at) {
    const std::uint32_t value = (std::uint32_t{png[at]} << 24) | (std::uint32_t{png[at + 1]} << 16) |
                                (std::uint32_t{png[at + 2]} << 8) | png[at + 3];
    return value > 32767 ? 0 : static_cast<int>(value);  // as large as a bitmap may be
  };
  return {number(16), number(20)};
}

}  // namespace

TImageEx::TImageEx(TComponent* owner) : TControlEx(owner) { SetClassNameW(u"TImageEx"); }

TImageEx::~TImageEx() = default;

void TImageEx::CreateParams(TCreateParams& params) {
  TControlEx::CreateParams(params);
  MakeClickableStatic(params);
}

void TImageEx::SetImage(int resource_id) {
  image_.reset();
  source_image_.reset();
  pending_ = false;
  resource_id_ = resource_id;
  LoadImage();
}

void TImageEx::SetImageLater(int resource_id) {
  image_.reset();
  source_image_.reset();
  resource_id_ = resource_id;
  const TSize size = PngSize(LoadResourceData(kResourceTypePng, resource_id));
  pending_ = true;
  if (auto_size_) SetSize(size.cx, size.cy);
}

bool TImageEx::LoadPendingImage() {
  if (!pending_) return false;
  pending_ = false;
  LoadImage();
  return true;
}

void TImageEx::LoadImage() {
  source_image_ = TBitmapEx::CreateFromResource(ModuleInstance(), resource_id_, kResourceTypePng);
  image_ = source_image_->Clone();
  if (auto_size_) SetSize(source_image_->Width(), source_image_->Height());
}

void TImageEx::Paint() {
  LoadPendingImage();
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
