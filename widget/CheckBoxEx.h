// A check box drawn from two state images and its Caption: the image for
// the current state at (0, 0), the caption to its right. The box has no
// click logic of its own; its owner toggles Checked in OnClick and has the
// window recomposed.
#pragma once

#include <memory>

#include "toolkit/BitmapEx.h"
#include "toolkit/ControlEx.h"

namespace varnika {

// The two images of a check box; each slot owns its image.
class TStateBitmaps {
 public:
  TBitmapEx* UncheckedImage() const { return unchecked_.get(); }
  TBitmapEx* CheckedImage() const { return checked_.get(); }
  // Frees the image held in the slot and takes the new one.
  void SetUncheckedImage(std::unique_ptr<TBitmapEx> bitmap) { unchecked_ = std::move(bitmap); }
  void SetCheckedImage(std::unique_ptr<TBitmapEx> bitmap) { checked_ = std::move(bitmap); }

 private:
  std::unique_ptr<TBitmapEx> unchecked_;
  std::unique_ptr<TBitmapEx> checked_;
};

class TCheckBoxEx : public TControlEx {
 public:
  explicit TCheckBoxEx(TComponent* owner);
  ~TCheckBoxEx() override;

  TStateBitmaps& States() { return *states_; }
  bool Checked() const { return checked_; }
  // Only stores; the owner invalidates.
  void SetChecked(bool checked) { checked_ = checked; }

  // The state image at (0, 0), then the caption in the rest of the client
  // rectangle (all of it when there is no image for the state).
  void Paint() override;

 private:
  std::unique_ptr<TStateBitmaps> states_;
  bool checked_ = false;
};

}  // namespace varnika
