// A line or block of skin text with an optional blurred drop shadow. The
// text shown is Data; the window caption is a separate string that the
// control does not draw. With AutoSize the control takes the size of its
// text (FitToText). The shadow image is rebuilt whenever Data or AutoSize
// changes and when the window is created, while Shadow().Enabled is set.
#pragma once

#include <memory>
#include <string>

#include "toolkit/BitmapEx.h"
#include "toolkit/ControlEx.h"
#include "widget/DropShadow.h"

namespace varnika {

class TSkinText : public TControlEx {
 public:
  explicit TSkinText(TComponent* owner);
  ~TSkinText() override;

  TDropShadow& Shadow() { return *shadow_; }
  // The blurred shadow image, or null until one has been built.
  const TBitmapEx* ShadowBitmap() const { return shadow_bitmap_.get(); }

  bool Transparent() const { return transparent_; }
  void SetTransparent(bool transparent) { transparent_ = transparent; }
  bool AutoSize() const { return auto_size_; }
  // A change re-fits the control (when set) and rebuilds the shadow.
  void SetAutoSize(bool auto_size);
  const std::u16string& Data() const { return data_; }
  void SetData(const std::u16string& data);

  void CreateHandle() override;
  void Paint() override;

  // The control becomes TextExtent(Data) plus one pixel each way.
  void FitToText();
  // Draws Data in the shadow colour on a canvas of the control's size,
  // with the canvas's font, string format and text rendering hint, and
  // blurs it. Does nothing while the shadow is disabled.
  void UpdateShadow();

 protected:
  void CreateParams(TCreateParams& params) override;
  void WMSetText(TWidgetMessage& message) override;

 private:
  void UpdateText();

  std::unique_ptr<TBitmapEx> shadow_bitmap_;
  std::unique_ptr<TDropShadow> shadow_;
  bool transparent_ = true;
  bool auto_size_ = true;
  std::u16string data_;
};

}  // namespace varnika
