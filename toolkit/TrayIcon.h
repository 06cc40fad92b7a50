// An icon in the desktop's notification area, owned by a hidden window of
// its own that receives the icon's mouse callbacks (CM_TRAYICON) and turns
// them into events, shows balloon notices and takes the icon away when the
// window goes or the session ends. The notification record is kept filled
// between calls; each operation passes it to Shell_NotifyIconW and ignores
// the result. Read Handle (creating the window) before setting VisibleTray.
#pragma once

#include <functional>
#include <string>

#include "platform/NotifyIcon.h"
#include "toolkit/Window.h"

namespace varnika {

enum class TBalloonFlags : BYTE { bfNone = 0, bfInfo = 1, bfWarning = 2, bfError = 3 };

using TBalloonActionEvent = std::function<void(TControl* sender, int action)>;

class TTrayIcon : public TWindow {
 public:
  static constexpr std::size_t kMaxTip = 127;
  static constexpr std::size_t kMaxInfo = 255;
  static constexpr std::size_t kMaxInfoTitle = 63;
  static constexpr UINT kDefaultTimeout = 3000;

  explicit TTrayIcon(TComponent* owner);

  void WndProc(TWidgetMessage& message) override;

  // Owned: the icon held before is destroyed.
  HICON Icon() const { return icon_; }
  void SetIcon(HICON icon);
  // Stored only.
  HMENU PopupMenu() const { return popup_menu_; }
  void SetPopupMenu(HMENU menu) { popup_menu_ = menu; }
  // The tip: at most 127 characters reach the tray; empty: no tip.
  const std::u16string& HintText() const { return hint_text_; }
  void SetHintText(const std::u16string& text);
  const std::u16string& BalloonHint() const { return balloon_hint_; }
  void SetBalloonHint(const std::u16string& text);  // at most 255 characters
  const std::u16string& BalloonTitle() const { return balloon_title_; }
  void SetBalloonTitle(const std::u16string& text);  // at most 63 characters
  TBalloonFlags BalloonFlags() const { return balloon_flags_; }
  void SetBalloonFlags(TBalloonFlags flags) { balloon_flags_ = flags; }
  UINT BalloonTimeout() const { return data_.uTimeout; }
  void SetBalloonTimeout(UINT ms) { data_.uTimeout = ms; }
  bool VisibleTray() const { return visible_tray_; }
  void SetVisibleTray(bool visible);
  // Shows BalloonTitle and BalloonHint for BalloonTimeout milliseconds.
  virtual void ShowBalloon();

  // The record as the next call passes it.
  const NOTIFYICONDATAW& Data() const { return data_; }

  // The tray's events, in place of the window's own mouse events (the
  // window is never shown).
  TMouseEvent OnMouseMove;
  TNotifyEvent OnClick;
  TNotifyEvent OnDblClick;
  TMouseEvent OnMouseDown;
  TMouseEvent OnMouseUp;
  TNotifyEvent OnAnimate;  // kept for users; nothing raises it
  TBalloonActionEvent OnBalloonAction;

 protected:
  void CreateParams(TCreateParams& params) override;
  void DoCreate() override;
  void WMDestroy(TWidgetMessage& message) override;
  // The callback message: LParam names the mouse message or balloon event.
  virtual void TrayMessage(TWidgetMessage& message);

 private:
  void Notify(DWORD message);
  void RefreshTray();
  template <std::size_t N>
  void CopyField(char16_t (&field)[N], const std::u16string& text, std::size_t limit);

  NOTIFYICONDATAW data_;
  bool click_armed_ = false;
  HICON icon_ = nullptr;
  HMENU popup_menu_ = nullptr;
  std::u16string hint_text_;
  std::u16string balloon_hint_;
  std::u16string balloon_title_;
  TBalloonFlags balloon_flags_ = TBalloonFlags::bfNone;
  bool visible_tray_ = false;
};

}  // namespace varnika
