#include "toolkit/ToolTip.h"

#include "platform/MessageLoop.h"
#include "platform/Window.h"

namespace varnika {

namespace {

constexpr const char16_t* kToolTipClass = u"tooltips_class32";

}  // namespace

TToolTip::TToolTip(TComponent* owner) : TWinControl(owner) { SetClassNameW(u"TToolTip"); }

void TToolTip::CreateParams(TCreateParams& params) {
  TWinControl::CreateParams(params);
  const HINSTANCE own = params.WindowClass.hInstance;
  WNDCLASSW system;
  const HINSTANCE tries[] = {ModuleInstance(), nullptr, GetModuleHandleW(nullptr), own};
  for (HINSTANCE instance : tries) {
    if (GetClassInfoW(instance, kToolTipClass, &system)) {
      params.WindowClass = system;
      break;
    }
  }
  params.WindowClass.hInstance = own;
  params.WindowClass.style =
      (params.WindowClass.style & ~(CS_OWNDC | CS_CLASSDC | CS_PARENTDC | CS_GLOBALCLASS)) | CS_HREDRAW | CS_VREDRAW;
  std::u16string_view name(kToolTipClass);
  std::copy(name.begin(), name.end(), params.WinClassName);
  params.WinClassName[name.size()] = 0;
  params.ExStyle = WS_EX_TOPMOST;
  params.Style = WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX | TTS_NOFADE;
}

void TToolTip::WndProc(TWidgetMessage& message) {
  if (message.Msg == WM_NOTIFY)
    WMNotify(message);
  else
    TWinControl::WndProc(message);
}

void TToolTip::WMNotify(TWidgetMessage& message) {
  auto* header = reinterpret_cast<NMHDR*>(message.LParam);
  if (!enable_tip_ || !header || header->code != TTN_GETDISPINFOW) return;
  NeedText(*reinterpret_cast<NMTTDISPINFOW*>(header));
}

void TToolTip::NeedText(NMTTDISPINFOW& info) {
  const auto tool = reinterpret_cast<HWND>(info.hdr.idFrom);
  if (!IsWindow(tool)) return;
  SendMessageW(info.hdr.hwndFrom, TTM_SETMAXTIPWIDTH, 0, kMaxTipWidth);
  TControl* control = FindControl(tool);
  if (!control || !control->ShowHint() || control->Hint().empty()) return;
  // The control's own Hint stays valid after the notification returns.
  info.lpszText = const_cast<LPWSTR>(control->Hint().c_str());
}

COLORREF TToolTip::BackColor() {
  return HasWindow() ? static_cast<COLORREF>(SendMessageW(WindowHandle(), TTM_GETTIPBKCOLOR, 0, 0)) : 0;
}

void TToolTip::SetBackColor(COLORREF color) {
  if (HasWindow()) SendMessageW(WindowHandle(), TTM_SETTIPBKCOLOR, color, 0);
}

COLORREF TToolTip::TextColor() {
  return HasWindow() ? static_cast<COLORREF>(SendMessageW(WindowHandle(), TTM_GETTIPTEXTCOLOR, 0, 0)) : 0;
}

void TToolTip::SetTextColor(COLORREF color) {
  if (HasWindow()) SendMessageW(WindowHandle(), TTM_SETTIPTEXTCOLOR, color, 0);
}

}  // namespace varnika
