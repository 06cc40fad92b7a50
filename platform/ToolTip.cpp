// The "tooltips_class32" window class: the tools, the show and hide timing
// on the window system's clock, the tip text (asked for with
// TTN_GETDISPINFOW when the tool wants it so), and the tip's picture.
#include "platform/ToolTip.h"

#include <algorithm>
#include <memory>
#include <vector>

#include "base/Utf.h"
#include "platform/Core.h"
#include "platform/Gdi.h"
#include "platform/Input.h"
#include "platform/Layered.h"
#include "platform/MessageLoop.h"
#include "platform/PopupPainter.h"
#include "platform/Window.h"
#include "platform/WindowSystem.h"

namespace varnika {

using core::FindQuiet;

namespace {

constexpr UINT_PTR kShowTimer = 1;  // initial or reshow delay
constexpr UINT_PTR kPopTimer = 2;   // auto-pop delay
constexpr DWORD kInitialDelay = 500;
constexpr int kPointerOffsetX = 10;  // the tip's corner from the pointer's hot spot
constexpr int kPointerOffsetY = 20;
constexpr int kPaddingX = 8;
constexpr int kPaddingY = 5;
constexpr COLORREF kDefaultBack = 0x00FFFFFF;
constexpr COLORREF kDefaultText = 0x0028231F;
constexpr double kDefaultFontPixels = 12;

std::uint32_t RgbOf(COLORREF c) { return ((c & 0xFF) << 16) | (c & 0xFF00) | ((c >> 16) & 0xFF); }

// The border: the background a fifth of the way to black.
std::uint32_t Darker(std::uint32_t rgb) {
  std::uint32_t out = 0;
  for (int shift = 0; shift <= 16; shift += 8) out |= (((rgb >> shift) & 0xFF) * 4 / 5) << shift;
  return out;
}

popup::PanelStyle TipPanel(COLORREF back) {
  popup::PanelStyle style;
  style.radius = 5;
  style.crisp_radius = 2;
  style.fill = RgbOf(back);
  style.border = Darker(RgbOf(back));
  style.shadow_blur = 8;
  style.shadow_offset = 2;
  style.shadow_alpha = 0.24;
  return style;
}

struct Tool {
  UINT flags = 0;
  HWND owner = nullptr;  // the tool record's hwnd: gets TTN_GETDISPINFOW
  UINT_PTR id = 0;
  RECT rect;  // in the owner's client area, without TTF_IDISHWND
  bool callback = false;
  std::u16string text;
  LPARAM lparam = 0;

  HWND Window() const { return (flags & TTF_IDISHWND) ? reinterpret_cast<HWND>(id) : owner; }
  bool Is(HWND o, UINT_PTR i) const { return owner == o && id == i; }
};

enum class Phase {
  Idle,     // the pointer is on no tool
  Waiting,  // on a tool, the show timer runs
  Showing,  // the tip shows
  Spent,    // shown and popped, clicked, or without text: nothing until the pointer leaves
};

struct ToolTipState {
  std::vector<Tool> tools;
  COLORREF back = kDefaultBack;
  COLORREF text = kDefaultText;
  int max_width = -1;
  DWORD initial = kInitialDelay;
  DWORD autopop = kInitialDelay * 10;
  DWORD reshow = kInitialDelay / 5;
  HFONT font = nullptr;
  bool active = true;
  Phase phase = Phase::Idle;
  bool has_current = false;
  HWND current_owner = nullptr;  // the tool the pointer is on
  UINT_PTR current_id = 0;
  std::u16string shown_text;
  bool left_shown = false;  // the pointer left a tool while its tip showed...
  DWORD left_at = 0;        // ...at this time

  Tool* Find(HWND owner, UINT_PTR id) {
    auto it = std::find_if(tools.begin(), tools.end(), [&](const Tool& t) { return t.Is(owner, id); });
    return it == tools.end() ? nullptr : &*it;
  }
  Tool* Current() { return has_current ? Find(current_owner, current_id) : nullptr; }
};

ToolTipState* StateOf(HWND wnd) {
  return FindQuiet(wnd) ? reinterpret_cast<ToolTipState*>(GetWindowLongPtrW(wnd, 0)) : nullptr;
}

DWORD Style(HWND wnd) { return static_cast<DWORD>(GetWindowLongW(wnd, GWL_STYLE)); }

bool ValidText(LPCWSTR text) { return text && text != TextCallbackW() && !IsIntResource(text); }

// The tool under a mouse message of one of the tools' windows.
Tool* ToolAt(ToolTipState& s, const MSG& msg) {
  POINT client = msg.pt;
  ScreenToClient(msg.hwnd, &client);
  for (Tool& t : s.tools) {
    if (t.Window() != msg.hwnd) continue;
    if ((t.flags & TTF_IDISHWND) || PtInRect(t.rect, client)) return &t;
  }
  return nullptr;
}

bool PointerOn(const Tool& t) {
  const auto& in = core::Sys().in;
  if (in.under_pointer != t.Window()) return false;
  if (t.flags & TTF_IDISHWND) return true;
  POINT client = in.cursor;
  ScreenToClient(t.owner, &client);
  return PtInRect(t.rect, client);
}

// No tips for tools in a disabled window (a modal box is open); without
// TTS_ALWAYSTIP, none while the tool's window is not the active one.
bool MayShow(HWND wnd, const Tool& t) {
  const HWND root = GetAncestor(t.Window(), GA_ROOT);
  if (!IsWindowEnabled(root)) return false;
  return (Style(wnd) & TTS_ALWAYSTIP) || GetActiveWindow() == root;
}

popup::Font FontOf(HFONT font) {
  popup::Font out;
  out.pixels = kDefaultFontPixels;
  LOGFONTW lf;
  if (!font || GetObjectW(font, sizeof lf, &lf) != static_cast<int>(sizeof lf)) return out;
  if (lf.lfFaceName[0]) out.family = Utf16ToUtf8(lf.lfFaceName) + ", " + popup::theme::kFamily;
  if (lf.lfHeight < 0) out.pixels = -lf.lfHeight;
  if (lf.lfHeight > 0) out.pixels = lf.lfHeight * 0.8;  // a cell height: about a fifth is leading
  if (lf.lfWeight > 0) out.weight = static_cast<int>(lf.lfWeight);
  out.italic = lf.lfItalic != 0;
  return out;
}

void SetTipText(HWND wnd, const std::u16string& text) {
  core::Window* w = FindQuiet(wnd);
  if (!w || w->text == text) return;
  w->text = text;
  core::Sys().backend->SetSurfaceTitle(wnd, text);
}

// Asks the tool's owner for the text. Returns false when the tooltip or
// the tool went away meanwhile.
bool AskText(HWND wnd, HWND owner, UINT_PTR id, std::u16string* text) {
  ToolTipState* s = StateOf(wnd);
  Tool* t = s ? s->Find(owner, id) : nullptr;
  if (!t) return false;
  NMTTDISPINFOW info;
  info.hdr.hwndFrom = wnd;
  info.hdr.idFrom = id;
  info.hdr.code = TTN_GETDISPINFOW;
  info.uFlags = t->flags;
  info.lParam = t->lparam;
  core::Send(owner, WM_NOTIFY, static_cast<WPARAM>(id), reinterpret_cast<LPARAM>(&info));
  s = StateOf(wnd);
  t = s ? s->Find(owner, id) : nullptr;
  if (!t) return false;
  info.szText[std::size(info.szText) - 1] = 0;
  *text = ValidText(info.lpszText) ? std::u16string(info.lpszText) : std::u16string(info.szText);
  if (info.uFlags & TTF_DI_SETITEM) {
    t->callback = false;
    t->text = *text;
  }
  return true;
}

void Hide(HWND wnd, ToolTipState& s) {
  KillTimer(wnd, kPopTimer);
  if (IsWindowVisible(wnd)) ShowWindow(wnd, SW_HIDE);
  if (s.phase == Phase::Showing) s.phase = Phase::Spent;
}

// The pointer is on no tool any more.
void Leave(HWND wnd, ToolTipState& s) {
  if (s.phase == Phase::Showing) {
    s.left_shown = true;
    s.left_at = GetTickCount();
  }
  KillTimer(wnd, kShowTimer);
  Hide(wnd, s);
  s.phase = Phase::Idle;
  s.has_current = false;
}

// The pointer came onto a tool. Straight from another tool's tip (or
// shortly after one), the next tip follows after the reshow delay.
void Enter(HWND wnd, ToolTipState& s, const Tool& t) {
  const bool recent = s.left_shown && GetTickCount() - s.left_at <= s.initial;
  const bool reshow = s.phase == Phase::Showing || recent;
  s.left_shown = false;
  Hide(wnd, s);
  s.has_current = true;
  s.current_owner = t.owner;
  s.current_id = t.id;
  s.phase = Phase::Waiting;
  SetTimer(wnd, kShowTimer, reshow ? s.reshow : s.initial, nullptr);
}

// Draws the tip for the text and shows it near the pointer.
void Present(HWND wnd, ToolTipState& s, const std::u16string& text) {
  const bool composited = popup::Composited();
  const popup::PanelStyle panel_style = TipPanel(s.back);
  const popup::Margins m = popup::ShadowMargins(panel_style, composited);
  PangoContextPtr context = popup::MakeTextContext();
  popup::LayoutPtr layout = popup::MakeLayout(context.get(), FontOf(s.font), text, s.max_width);
  const SIZE text_size = popup::LayoutSize(layout.get());
  const SIZE panel{text_size.cx + 2 * kPaddingX, text_size.cy + 2 * kPaddingY};

  POINT pointer;
  GetCursorPos(&pointer);
  const LONG screen_w = GetSystemMetrics(SM_CXSCREEN);
  const LONG screen_h = GetSystemMetrics(SM_CYSCREEN);
  LONG x = pointer.x + kPointerOffsetX;
  LONG y = pointer.y + kPointerOffsetY;
  if (x + panel.cx > screen_w) x = screen_w - panel.cx;
  if (y + panel.cy > screen_h) y = pointer.y - panel.cy - 4;  // above the pointer instead
  x = std::max<LONG>(x, 0);
  y = std::max<LONG>(y, 0);

  popup::Picture picture(m.left + panel.cx + m.right, m.top + panel.cy + m.bottom);
  const RECT r{m.left, m.top, m.left + panel.cx, m.top + panel.cy};
  popup::DrawPanel(picture, r, panel_style, composited);
  popup::DrawLayout(picture.Cr(), layout.get(), r.left + kPaddingX, r.top + kPaddingY, RgbOf(s.text));
  picture.Present(wnd, POINT{x - m.left, y - m.top});
  SetWindowPos(wnd, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_SHOWWINDOW);
}

// The show timer ran out: the tip shows if the pointer is still on the tool
// and there is a text.
void ShowNow(HWND wnd) {
  ToolTipState* s = StateOf(wnd);
  Tool* t = s ? s->Current() : nullptr;
  if (!t) return;
  if (!s->active || !PointerOn(*t)) {
    Leave(wnd, *s);
    return;
  }
  if (!MayShow(wnd, *t)) {
    s->phase = Phase::Spent;
    return;
  }
  const HWND owner = t->owner;
  const UINT_PTR id = t->id;
  std::u16string text = t->text;
  if (t->callback && !AskText(wnd, owner, id, &text)) return;
  s = StateOf(wnd);
  if (!s || !s->Current() || s->phase != Phase::Waiting) return;
  if (!(Style(wnd) & TTS_NOPREFIX)) text = popup::StripPrefixes(text).text;
  if (text.empty()) {
    s->phase = Phase::Spent;
    return;
  }
  SetTipText(wnd, text);
  s->shown_text = text;
  Present(wnd, *s, text);
  s = StateOf(wnd);
  if (!s) return;
  s->phase = Phase::Showing;
  SetTimer(wnd, kPopTimer, s->autopop, nullptr);
}

// A mouse message of a tool's window (watched, or relayed by the program).
void OnRelay(HWND wnd, const MSG& msg) {
  ToolTipState* s = StateOf(wnd);
  if (!s || !FindQuiet(msg.hwnd)) return;
  Tool* current = s->Current();
  switch (msg.message) {
    case WM_MOUSELEAVE:
      if (current && current->Window() == msg.hwnd) Leave(wnd, *s);
      return;
    case WM_MOUSEMOVE: {
      Tool* t = ToolAt(*s, msg);
      if (!t) {
        if (current && current->Window() == msg.hwnd) Leave(wnd, *s);
      } else if (t != current || s->phase == Phase::Idle) {
        if (s->active) Enter(wnd, *s, *t);
      }
      return;
    }
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
    case WM_RBUTTONDBLCLK:
    case WM_MBUTTONDBLCLK:
    case WM_MOUSEWHEEL:
      if (current && current->Window() == msg.hwnd) {
        KillTimer(wnd, kShowTimer);
        Hide(wnd, *s);
        s->phase = Phase::Spent;
      }
      return;
    default: return;
  }
}

bool SameWindowWatched(const ToolTipState& s, HWND window) {
  return std::any_of(s.tools.begin(), s.tools.end(),
                     [&](const Tool& t) { return t.Window() == window && (t.flags & TTF_SUBCLASS); });
}

LRESULT AddTool(HWND wnd, ToolTipState& s, const TOOLINFOW* info) {
  if (!info) return FALSE;
  Tool t;
  t.flags = info->uFlags;
  t.owner = info->hwnd;
  t.id = info->uId;
  t.rect = info->rect;
  t.callback = info->lpszText == TextCallbackW();
  if (ValidText(info->lpszText)) t.text = info->lpszText;
  t.lparam = info->lParam;
  if (!IsWindow(t.Window())) return FALSE;
  if (Tool* old = s.Find(t.owner, t.id)) {
    *old = t;
  } else {
    s.tools.push_back(t);
  }
  if (t.flags & TTF_SUBCLASS) core::WatchMouse(t.Window(), wnd, TTM_RELAYEVENT);
  return TRUE;
}

LRESULT DeleteTool(HWND wnd, ToolTipState& s, const TOOLINFOW* info) {
  if (!info) return 0;
  Tool* t = s.Find(info->hwnd, info->uId);
  if (!t) return 0;
  if (t == s.Current()) Leave(wnd, s);
  const HWND window = t->Window();
  std::erase_if(s.tools, [&](const Tool& x) { return x.Is(info->hwnd, info->uId); });
  if (!SameWindowWatched(s, window)) core::UnwatchMouse(window, wnd);
  return 0;
}

LRESULT UpdateText(HWND wnd, ToolTipState& s, const TOOLINFOW* info) {
  if (!info) return 0;
  Tool* t = s.Find(info->hwnd, info->uId);
  if (!t) return 0;
  t->callback = info->lpszText == TextCallbackW();
  t->text = ValidText(info->lpszText) ? std::u16string(info->lpszText) : std::u16string();
  if (t == s.Current() && s.phase == Phase::Showing) {
    s.phase = Phase::Waiting;  // shows again at once with the new text
    ShowNow(wnd);
  }
  return 0;
}

LRESULT SetDelay(ToolTipState& s, WPARAM which, LPARAM lparam) {
  const int ms = static_cast<int>(lparam);
  const DWORD value = ms < 0 ? kInitialDelay : static_cast<DWORD>(ms);
  switch (which) {
    case TTDT_AUTOMATIC:
      s.initial = value;
      s.autopop = value * 10;
      s.reshow = value / 5;
      break;
    case TTDT_INITIAL: s.initial = value; break;
    case TTDT_AUTOPOP: s.autopop = ms < 0 ? kInitialDelay * 10 : value; break;
    case TTDT_RESHOW: s.reshow = ms < 0 ? kInitialDelay / 5 : value; break;
    default: break;
  }
  return 0;
}

LRESULT GetDelay(const ToolTipState& s, WPARAM which) {
  switch (which) {
    case TTDT_INITIAL: return s.initial;
    case TTDT_AUTOPOP: return s.autopop;
    case TTDT_RESHOW: return s.reshow;
    default: return 0;
  }
}

void Redraw(HWND wnd, ToolTipState& s) {
  if (s.phase == Phase::Showing && IsWindowVisible(wnd)) Present(wnd, s, s.shown_text);
}

LRESULT OnCreate(HWND wnd, WPARAM wparam, LPARAM lparam) {
  // Tips are drawn pictures above everything that never take activation
  // and let the mouse through to the tools below them.
  const DWORD ex = static_cast<DWORD>(GetWindowLongW(wnd, GWL_EXSTYLE));
  SetWindowLongW(wnd, GWL_EXSTYLE,
                 static_cast<LONG>(ex | WS_EX_LAYERED | WS_EX_TOOLWINDOW | WS_EX_TOPMOST | WS_EX_NOACTIVATE |
                                   WS_EX_TRANSPARENT));
  SetWindowLongPtrW(wnd, 0, reinterpret_cast<LONG_PTR>(new ToolTipState));
  return DefWindowProcW(wnd, WM_NCCREATE, wparam, lparam);
}

LRESULT ToolTipProc(HWND wnd, UINT msg, WPARAM wparam, LPARAM lparam) {
  if (msg == WM_NCCREATE) return OnCreate(wnd, wparam, lparam);
  ToolTipState* s = StateOf(wnd);
  if (msg == WM_NCDESTROY) {
    SetWindowLongPtrW(wnd, 0, 0);
    delete s;
    return DefWindowProcW(wnd, msg, wparam, lparam);
  }
  if (!s) return DefWindowProcW(wnd, msg, wparam, lparam);
  const auto* info = reinterpret_cast<const TOOLINFOW*>(lparam);
  switch (msg) {
    case TTM_ADDTOOLW: return AddTool(wnd, *s, info);
    case TTM_DELTOOLW: return DeleteTool(wnd, *s, info);
    case TTM_UPDATETIPTEXTW: return UpdateText(wnd, *s, info);
    case TTM_GETTOOLCOUNT: return static_cast<LRESULT>(s->tools.size());
    case TTM_RELAYEVENT:
      if (lparam) OnRelay(wnd, *reinterpret_cast<const MSG*>(lparam));
      return 0;
    case TTM_ACTIVATE:
      s->active = wparam != 0;
      if (!s->active) Leave(wnd, *s);
      return 0;
    case TTM_POP:
      KillTimer(wnd, kShowTimer);
      Hide(wnd, *s);
      if (s->has_current) s->phase = Phase::Spent;
      return 0;
    case TTM_SETDELAYTIME: return SetDelay(*s, wparam, lparam);
    case TTM_GETDELAYTIME: return GetDelay(*s, wparam);
    case TTM_SETTIPBKCOLOR:
      s->back = static_cast<COLORREF>(wparam);
      Redraw(wnd, *s);
      return 0;
    case TTM_SETTIPTEXTCOLOR:
      s->text = static_cast<COLORREF>(wparam);
      Redraw(wnd, *s);
      return 0;
    case TTM_GETTIPBKCOLOR: return s->back;
    case TTM_GETTIPTEXTCOLOR: return s->text;
    case TTM_SETMAXTIPWIDTH: {
      const int previous = s->max_width;
      s->max_width = static_cast<int>(lparam) > 0 ? static_cast<int>(lparam) : -1;
      return previous;
    }
    case TTM_GETMAXTIPWIDTH: return s->max_width;
    case WM_SETFONT:
      s->font = reinterpret_cast<HFONT>(wparam);
      if (lparam) Redraw(wnd, *s);
      return 0;
    case WM_GETFONT: return reinterpret_cast<LRESULT>(s->font);
    case WM_TIMER:
      if (wparam == kShowTimer) {
        KillTimer(wnd, kShowTimer);
        ShowNow(wnd);
      } else if (wparam == kPopTimer) {
        Hide(wnd, *s);
      }
      return 0;
    case WM_NCHITTEST: return HTTRANSPARENT;
    case WM_MOUSEACTIVATE: return MA_NOACTIVATE;
    default: return DefWindowProcW(wnd, msg, wparam, lparam);
  }
}

}  // namespace

namespace core {

void RegisterToolTipClass() {
  WNDCLASSW wc;
  wc.style = CS_DBLCLKS | CS_SAVEBITS | CS_GLOBALCLASS;
  wc.lpfnWndProc = ToolTipProc;
  wc.cbWndExtra = sizeof(LONG_PTR);
  wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  wc.lpszClassName = TOOLTIPS_CLASSW;
  RegisterSystemClassW(&wc);
}

}  // namespace core
}  // namespace varnika
