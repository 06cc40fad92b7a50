// The one tooltip window that shows every control's Hint: a window of the
// system tooltip class "tooltips_class32" that the toolkit subclasses. Each
// control registers itself as a tool whose text is asked for when the tip is
// about to show (TControl::SetShowHint); NeedText answers with the
// control's Hint while EnableTip is on.
#pragma once

#include "platform/CommonControls.h"
#include "toolkit/WinControl.h"

namespace varnika {

class TToolTip : public TWinControl {
 public:
  static constexpr int kMaxTipWidth = 300;

  explicit TToolTip(TComponent* owner);

  bool EnableTip() const { return enable_tip_; }
  void SetEnableTip(bool enable) { enable_tip_ = enable; }
  // The colours live in the system control: 0 while there is no window.
  COLORREF BackColor();
  void SetBackColor(COLORREF color);
  COLORREF TextColor();
  void SetTextColor(COLORREF color);

  void WndProc(TWidgetMessage& message) override;

 protected:
  void CreateParams(TCreateParams& params) override;
  void WMNotify(TWidgetMessage& message) override;
  virtual void NeedText(NMTTDISPINFOW& info);

 private:
  bool enable_tip_ = false;
};

}  // namespace varnika
