// A picture from a PNG resource. SourceImage keeps the decoded resource;
// Image is a working copy that the owner may change (fade, tint) and that
// is what gets drawn. The drawing mode is the first of Stretch (scaled to
// the control), Tile (repeated from the canvas origin) and Center (natural
// size, centred) that is set, else the natural size at (0, 0). With AutoSize
// the control takes the image's size when the image is loaded. An image
// named with SetImageLater is only read from the resource's header (its
// size) until LoadPendingImage or the first Paint decodes it.
#pragma once

#include <memory>
#include <string>

#include "toolkit/BitmapEx.h"
#include "toolkit/ControlEx.h"

namespace varnika {

class TImageEx : public TControlEx {
 public:
  explicit TImageEx(TComponent* owner);
  ~TImageEx() override;

  // Drops the current images and loads PNG resource resource_id. A missing
  // resource raises EResNotFound and leaves the control without an image;
  // bytes that do not decode give a 0 x 0 image.
  void SetImage(int resource_id);
  int ResourceId() const { return resource_id_; }
  // Names PNG resource resource_id without decoding it: with AutoSize the
  // control takes the size its header gives (0 x 0 for bytes that are no
  // PNG). A missing resource raises EResNotFound.
  void SetImageLater(int resource_id);
  bool ImagePending() const { return pending_; }
  // Decodes an image named by SetImageLater; false when none was pending.
  bool LoadPendingImage();

  const TBitmapEx* SourceImage() const { return source_image_.get(); }
  // The working copy, or null without an image.
  TBitmapEx* Image() { return image_.get(); }

  bool AutoSize() const { return auto_size_; }
  void SetAutoSize(bool auto_size) { auto_size_ = auto_size; }
  bool Stretch() const { return stretch_; }
  void SetStretch(bool stretch) { stretch_ = stretch; }
  bool Tile() const { return tile_; }
  void SetTile(bool tile) { tile_ = tile; }
  bool Center() const { return center_; }
  void SetCenter(bool center) { center_ = center; }

  void Paint() override;

 protected:
  void CreateParams(TCreateParams& params) override;

 private:
  void LoadImage();

  std::u16string reserved_;
  std::unique_ptr<TBitmapEx> source_image_;
  std::unique_ptr<TBitmapEx> image_;
  bool auto_size_ = true;
  bool stretch_ = false;
  int resource_id_ = 0;
  bool tile_ = false;
  bool center_ = false;
  bool pending_ = false;
};

}  // namespace varnika
