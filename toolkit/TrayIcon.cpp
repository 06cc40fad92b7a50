#include "toolkit/TrayIcon.h"

#include <algorithm>

#include "base/Utf.h"
#include "platform/Icons.h"
#include "platform/Input.h"

namespace varnika {

namespace {

// Texts count as equal when their 8-bit forms are.
bool SameText(const std::u16string& a, const std::u16string& b) { return Utf16ToUtf8(a) == Utf16ToUtf8(b); }

}  // namespace

TTrayIcon::TTrayIcon(TComponent* owner) : TWindow(owner) {
  SetClassNameW(u"TTrayIcon");
  data_ = NOTIFYICONDATAW{};
  data_.cbSize = sizeof(NOTIFYICONDATAW);
  data_.uTimeout = kDefaultTimeout;
  data_.uFlags = NIF_MESSAGE | NIF_ICON;
  data_.uCallbackMessage = CM_TRAYICON;
}

template <std::size_t N>
void TTrayIcon::CopyField(char16_t (&field)[N], const std::u16string& text, std::size_t limit) {
  static_assert(N > 0);
  const std::size_t n = std::min({text.size(), limit, N - 1});
  std::fill(std::begin(field), std::end(field), u'\0');
  std::copy_n(text.begin(), n, field);
}

void TTrayIcon::Notify(DWORD message) { Shell_NotifyIconW(message, &data_); }

void TTrayIcon::RefreshTray() {
  if (visible_tray_) Notify(NIM_MODIFY);
}

void TTrayIcon::SetIcon(HICON icon) {
  if (icon == icon_) {  // the same handle again: destroying it would leave none
    RefreshTray();
    return;
  }
  if (icon_) DestroyIcon(icon_);
  icon_ = icon;
  data_.hIcon = icon;
  RefreshTray();
}

void TTrayIcon::SetHintText(const std::u16string& text) {
  if (SameText(text, hint_text_)) return;
  hint_text_ = text;
  CopyField(data_.szTip, text, kMaxTip);
  if (!text.empty()) {
    data_.uFlags |= NIF_TIP;
    RefreshTray();
    return;
  }
  // A modification without NIF_TIP leaves the tray's tip as it was: the tip
  // that goes away is sent once, empty, before the record forgets it.
  data_.uFlags |= NIF_TIP;
  RefreshTray();
  data_.uFlags &= ~NIF_TIP;
}

void TTrayIcon::SetBalloonHint(const std::u16string& text) {
  if (SameText(text, balloon_hint_)) return;
  balloon_hint_ = text;
  CopyField(data_.szInfo, text, kMaxInfo);
  Notify(NIM_MODIFY);
}

void TTrayIcon::SetBalloonTitle(const std::u16string& text) {
  if (SameText(text, balloon_title_)) return;
  balloon_title_ = text;
  CopyField(data_.szInfoTitle, text, kMaxInfoTitle);
  Notify(NIM_MODIFY);
}

void TTrayIcon::SetVisibleTray(bool visible) {
  if (visible == visible_tray_) return;
  visible_tray_ = visible;
  Notify(visible ? NIM_ADD : NIM_DELETE);
}

void TTrayIcon::ShowBalloon() {
  data_.uFlags |= NIF_INFO;
  data_.dwInfoFlags = static_cast<DWORD>(balloon_flags_);
  Notify(NIM_MODIFY);
}

void TTrayIcon::CreateParams(TCreateParams& params) {
  TWindow::CreateParams(params);
  params.Style = WS_POPUP;
  params.ExStyle = WS_EX_TOOLWINDOW;
}

void TTrayIcon::DoCreate() {
  TWindow::DoCreate();
  data_.hWnd = WindowHandle();
  data_.uID = static_cast<UINT>(reinterpret_cast<std::uintptr_t>(WindowHandle()));
  RefreshTray();
}

void TTrayIcon::WndProc(TWidgetMessage& message) {
  switch (message.Msg) {
    case WM_QUERYENDSESSION:
      message.Result = 1;
      return;
    case WM_ENDSESSION:
      if (message.WParam) Notify(NIM_DELETE);
      return;
    case CM_TRAYICON:
      TrayMessage(message);
      return;
    default:
      TWindow::WndProc(message);
  }
}

void TTrayIcon::TrayMessage(TWidgetMessage& message) {
  int keys = 0;
  if (GetKeyState(static_cast<int>(VK_SHIFT)) < 0) keys |= static_cast<int>(MK_SHIFT);
  if (GetKeyState(static_cast<int>(VK_CONTROL)) < 0) keys |= static_cast<int>(MK_CONTROL);
  POINT at;
  GetCursorPos(&at);
  const auto with = [keys](WPARAM button) { return keys | static_cast<int>(button); };
  switch (static_cast<UINT>(message.LParam)) {
    case WM_MOUSEMOVE:
      if (OnMouseMove) OnMouseMove(this, keys, at.x, at.y);
      break;
    case WM_LBUTTONDOWN:
      if (OnMouseDown) OnMouseDown(this, with(MK_LBUTTON), at.x, at.y);
      click_armed_ = true;
      break;
    case WM_LBUTTONUP:
      if (click_armed_ && OnClick) {
        OnClick(this);
        click_armed_ = false;
      }
      if (OnMouseUp) OnMouseUp(this, with(MK_LBUTTON), at.x, at.y);
      break;
    case WM_RBUTTONDOWN:
      if (OnMouseDown) OnMouseDown(this, with(MK_RBUTTON), at.x, at.y);
      break;
    case WM_RBUTTONUP:
      if (OnMouseUp) OnMouseUp(this, with(MK_RBUTTON), at.x, at.y);
      break;
    case WM_MBUTTONDOWN:
      if (OnMouseDown) OnMouseDown(this, with(MK_MBUTTON), at.x, at.y);
      break;
    case WM_MBUTTONUP:
      if (OnMouseUp) OnMouseUp(this, with(MK_MBUTTON), at.x, at.y);
      break;
    case WM_LBUTTONDBLCLK:
    case WM_RBUTTONDBLCLK:
    case WM_MBUTTONDBLCLK:
      if (OnDblClick) OnDblClick(this);
      break;
    case static_cast<UINT>(NIN_BALLOONSHOW):
    case static_cast<UINT>(NIN_BALLOONHIDE):
    case static_cast<UINT>(NIN_BALLOONTIMEOUT):
    case static_cast<UINT>(NIN_BALLOONUSERCLICK):
      data_.uFlags &= ~NIF_INFO;
      if (OnBalloonAction) OnBalloonAction(this, static_cast<int>(message.LParam));
      break;
    default:
      break;
  }
}

void TTrayIcon::WMDestroy(TWidgetMessage& message) {
  Notify(NIM_DELETE);
  if (icon_) DestroyIcon(icon_);
  icon_ = nullptr;
  data_.hIcon = nullptr;
  TWindow::WMDestroy(message);
}

}  // namespace varnika
