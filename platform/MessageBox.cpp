// MessageBoxW: the box's window (class "#32770", a layered dialog owned by
// the caller's top-level window), its keyboard and mouse handling, and the
// modal loop that keeps the program's other windows disabled meanwhile.
#include "platform/MessageBox.h"

#include <algorithm>
#include <memory>
#include <vector>

#include "platform/Core.h"
#include "platform/Input.h"
#include "platform/Layered.h"
#include "platform/MessageBoxLayout.h"
#include "platform/MessageLoop.h"
#include "platform/Window.h"
#include "platform/WindowSystem.h"
#include "resources/Language.h"
#include "text/WideCase.h"

namespace varnika {

using core::FindQuiet;

namespace {

constexpr const char16_t* kDialogClass = u"#32770";

struct BoxState {
  std::u16string caption;
  std::u16string text;
  popup::BoxLayout layout;
  popup::BoxLook look;
  bool composited = false;
  std::unique_ptr<popup::Picture> background;  // made on the first paint, under every repaint
  int cancel_answer = IDOK;  // Escape and closing
  int answer = 0;
};

BoxState* StateOf(HWND wnd) {
  return FindQuiet(wnd) ? reinterpret_cast<BoxState*>(GetWindowLongPtrW(wnd, 0)) : nullptr;
}

std::vector<popup::BoxButton> ButtonsFor(UINT type) {
  const bool turkish = UserLanguage() == Language::Turkish;
  if ((type & MB_TYPEMASK) == MB_YESNO) {
    return {{IDYES, turkish ? u"Evet" : u"Yes", {}}, {IDNO, turkish ? u"Hayır" : u"No", {}}};
  }
  return {{IDOK, turkish ? u"Tamam" : u"OK", {}}};
}

void Paint(HWND wnd, BoxState& s) {
  if (!s.background) {  // the layout is fixed once the window exists
    s.background = std::make_unique<popup::Picture>(s.layout.picture.cx, s.layout.picture.cy);
    popup::PaintBoxBackground(*s.background, s.layout, s.composited);
  }
  popup::Picture picture = popup::Picture::CopyOf(*s.background);
  popup::BoxLook look = s.look;
  if (look.pressed != look.hot) look.pressed = -1;  // a held button looks pressed only under the pointer
  popup::PaintBoxContent(picture, s.layout, s.caption, s.text, look);
  RECT r;
  GetWindowRect(wnd, &r);
  picture.Present(wnd, POINT{r.left, r.top});
}

void Answer(BoxState& s, int answer) {
  if (s.answer == 0) s.answer = answer;
}

void AnswerWith(BoxState& s, int index) {
  if (index >= 0 && static_cast<size_t>(index) < s.layout.buttons.size()) Answer(s, s.layout.buttons[index].id);
}

bool HasButton(const BoxState& s, int id) {
  return std::any_of(s.layout.buttons.begin(), s.layout.buttons.end(),
                     [&](const popup::BoxButton& b) { return b.id == id; });
}

int ButtonAt(const BoxState& s, LPARAM client) {
  POINT p{SignedLoWord(static_cast<std::uintptr_t>(client)), SignedHiWord(static_cast<std::uintptr_t>(client))};
  for (size_t i = 0; i < s.layout.buttons.size(); ++i) {
    if (PtInRect(s.layout.buttons[i].rect, p)) return static_cast<int>(i);
  }
  return -1;
}

void MoveFocus(HWND wnd, BoxState& s, int step) {
  const int n = static_cast<int>(s.layout.buttons.size());
  s.look.focus = ((s.look.focus + step) % n + n) % n;
  Paint(wnd, s);
}

LRESULT OnKeyDown(HWND wnd, BoxState& s, WPARAM vk) {
  switch (vk) {
    case VK_RETURN:
    case VK_SPACE: AnswerWith(s, s.look.focus); break;
    case VK_ESCAPE: Answer(s, s.cancel_answer); break;
    case VK_TAB: MoveFocus(wnd, s, GetKeyState(VK_SHIFT) < 0 ? -1 : 1); break;
    case VK_LEFT:
    case VK_UP: MoveFocus(wnd, s, -1); break;
    case VK_RIGHT:
    case VK_DOWN: MoveFocus(wnd, s, 1); break;
    default: break;
  }
  return 0;
}

// Y and N, and the Turkish E(vet) and H(ayır).
LRESULT OnChar(BoxState& s, WPARAM c) {
  const char16_t key = WideUpperChar(static_cast<char16_t>(c));
  if ((key == u'Y' || key == u'E') && HasButton(s, IDYES)) Answer(s, IDYES);
  if ((key == u'N' || key == u'H') && HasButton(s, IDNO)) Answer(s, IDNO);
  return 0;
}

LRESULT OnMouseMove(HWND wnd, BoxState& s, LPARAM lparam) {
  const int hot = ButtonAt(s, lparam);
  if (hot != s.look.hot) {
    s.look.hot = hot;
    Paint(wnd, s);
  }
  TRACKMOUSEEVENT track;
  track.dwFlags = TME_LEAVE;
  track.hwndTrack = wnd;
  TrackMouseEvent(&track);
  return 0;
}

LRESULT OnButtonDown(HWND wnd, BoxState& s, LPARAM lparam) {
  const int index = ButtonAt(s, lparam);
  if (index < 0) return 0;
  s.look.pressed = index;
  s.look.hot = index;
  s.look.focus = index;
  SetCapture(wnd);
  Paint(wnd, s);
  return 0;
}

LRESULT OnButtonUp(HWND wnd, BoxState& s, LPARAM lparam) {
  const int pressed = s.look.pressed;
  s.look.pressed = -1;
  if (GetCapture() == wnd) ReleaseCapture();
  if (pressed >= 0 && ButtonAt(s, lparam) == pressed) {
    AnswerWith(s, pressed);
  } else {
    Paint(wnd, s);
  }
  return 0;
}

LRESULT OnHitTest(HWND wnd, BoxState& s, LPARAM lparam) {
  POINT p{SignedLoWord(static_cast<std::uintptr_t>(lparam)), SignedHiWord(static_cast<std::uintptr_t>(lparam))};
  ScreenToClient(wnd, &p);
  if (!PtInRect(s.layout.panel, p)) return HTTRANSPARENT;  // the shadow
  return PtInRect(s.layout.caption, p) ? HTCAPTION : HTCLIENT;
}

LRESULT BoxProc(HWND wnd, UINT msg, WPARAM wparam, LPARAM lparam) {
  BoxState* s = StateOf(wnd);
  if (!s) return DefWindowProcW(wnd, msg, wparam, lparam);
  switch (msg) {
    case WM_KEYDOWN: return OnKeyDown(wnd, *s, wparam);
    case WM_CHAR: return OnChar(*s, wparam);
    case WM_MOUSEMOVE: return OnMouseMove(wnd, *s, lparam);
    case WM_MOUSELEAVE:
      if (s->look.hot >= 0) {
        s->look.hot = -1;
        Paint(wnd, *s);
      }
      return 0;
    case WM_LBUTTONDOWN: return OnButtonDown(wnd, *s, lparam);
    case WM_LBUTTONUP: return OnButtonUp(wnd, *s, lparam);
    case WM_NCHITTEST: return OnHitTest(wnd, *s, lparam);
    case WM_CLOSE: Answer(*s, s->cancel_answer); return 0;
    case WM_ACTIVATE: {
      const bool active = LoWord(wparam) != WA_INACTIVE;
      if (active != s->look.active) {
        s->look.active = active;
        Paint(wnd, *s);
      }
      break;
    }
    default: break;
  }
  return DefWindowProcW(wnd, msg, wparam, lparam);
}

// Where the box goes: centred on its owner when it shows, else on the work
// area, and inside the work area.
POINT PlaceBox(HWND owner, SIZE panel) {
  RECT work;
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  RECT around = work;
  if (owner && IsWindowVisible(owner)) GetWindowRect(owner, &around);
  LONG x = (around.left + around.right - panel.cx) / 2;
  LONG y = (around.top + around.bottom - panel.cy) / 2;
  x = std::max(work.left, std::min(x, work.right - panel.cx));
  y = std::max(work.top, std::min(y, work.bottom - panel.cy));
  return POINT{x, y};
}

// Disables the program's enabled top-level windows but the box; returns
// them, to be enabled again.
std::vector<HWND> DisableOthersThan(HWND box) {
  std::vector<HWND> disabled;
  std::vector<HWND> tops;
  for (HWND w = GetTopWindow(nullptr); w; w = GetWindow(w, GW_HWNDNEXT)) tops.push_back(w);
  for (HWND w : tops) {
    if (w == box || !IsWindow(w) || !IsWindowEnabled(w)) continue;
    EnableWindow(w, FALSE);
    disabled.push_back(w);
  }
  return disabled;
}

// What the box sets up around its loop: its window pointing at the state on
// the caller's stack, and the other windows disabled. The destructor takes
// it down on every way out, an exception from a handler included: the
// windows are enabled again before the box goes, so that the activation
// can return to one of them.
class BoxSession {
 public:
  BoxSession(HWND box, BoxState& state) : box_(box) {
    SetWindowLongPtrW(box_, 0, reinterpret_cast<LONG_PTR>(&state));
  }
  ~BoxSession() {
    for (HWND w : disabled_) {
      if (IsWindow(w)) EnableWindow(w, TRUE);
    }
    if (IsWindow(box_)) {
      SetWindowLongPtrW(box_, 0, 0);
      DestroyWindow(box_);
    }
  }
  BoxSession(const BoxSession&) = delete;
  BoxSession& operator=(const BoxSession&) = delete;

  void DisableOthers() { disabled_ = DisableOthersThan(box_); }
  const std::vector<HWND>& Disabled() const { return disabled_; }

 private:
  HWND box_;
  std::vector<HWND> disabled_;
};

bool BelongsTo(HWND wnd, HWND box) { return wnd == box || IsChild(box, wnd); }

void RunBox(HWND box, HWND owner, const std::vector<HWND>& disabled) {
  MSG msg;
  for (;;) {
    BoxState* s = StateOf(box);
    if (!s || s->answer) return;
    if (!PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE) && IsWindow(owner)) {
      core::Send(owner, WM_ENTERIDLE, MSGF_DIALOGBOX, reinterpret_cast<LPARAM>(box));
      s = StateOf(box);
      if (!s || s->answer) return;
    }
    if (!core::NextModalMessage(&msg)) return;
    const bool input = core::IsMouseInput(msg.message) || core::IsKeyInput(msg.message);
    if (input && !BelongsTo(msg.hwnd, box)) continue;  // the others get no input
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
    // The display activated one of the disabled windows (a click on it):
    // the box takes the activation back, as a modal dialog does.
    HWND active = GetActiveWindow();
    if (IsWindow(box) && std::find(disabled.begin(), disabled.end(), active) != disabled.end()) {
      SetActiveWindow(box);
    }
  }
}

}  // namespace

int MessageBoxW(HWND owner, LPCWSTR text, LPCWSTR caption, UINT type) {
  if (!core::UiReady()) {
    SetLastError(ERROR_ACCESS_DENIED);
    return 0;
  }
  if (owner && !IsWindow(owner)) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return 0;
  }
  HWND top_owner = owner ? GetAncestor(owner, GA_ROOT) : nullptr;
  BoxState state;
  state.caption = caption && !IsIntResource(caption) ? caption : u"";
  state.text = text && !IsIntResource(text) ? text : u"";
  state.composited = popup::Composited();
  std::vector<popup::BoxButton> buttons = ButtonsFor(type);
  state.cancel_answer = buttons.size() == 2 ? IDNO : IDOK;
  if ((type & MB_DEFBUTTON2) && buttons.size() > 1) state.look.focus = 1;
  state.layout = popup::LayoutBox(state.caption, state.text, std::move(buttons), state.composited);

  const popup::BoxLayout& l = state.layout;
  const POINT panel_at = PlaceBox(top_owner, SIZE{l.panel.right - l.panel.left, l.panel.bottom - l.panel.top});
  const POINT origin{panel_at.x - l.margins.left, panel_at.y - l.margins.top};
  // Above its owner: topmost when asked to be, or when the owner is.
  const bool owner_topmost = top_owner && (GetWindowLongW(top_owner, GWL_EXSTYLE) & WS_EX_TOPMOST);
  const DWORD ex_style =
      WS_EX_LAYERED | WS_EX_DLGMODALFRAME | (((type & MB_TOPMOST) || owner_topmost) ? WS_EX_TOPMOST : 0);
  const HWND previous_active = GetActiveWindow();
  HWND box = CreateWindowExW(ex_style, kDialogClass, state.caption.c_str(), WS_POPUP, origin.x, origin.y,
                             l.picture.cx, l.picture.cy, top_owner, nullptr, nullptr, nullptr);
  if (!box) return 0;
  {
    BoxSession session(box, state);
    Paint(box, state);
    session.DisableOthers();
    if (IsWindow(box)) ShowWindow(box, SW_SHOW);
    RunBox(box, top_owner, session.Disabled());
  }
  const int answer = state.answer;
  const HWND back = IsWindow(top_owner) ? top_owner : previous_active;
  if (IsWindow(back) && !GetActiveWindow()) SetActiveWindow(back);
  return answer;
}

namespace core {

bool MessageBoxButtonRect(HWND box, int id, RECT* rect) {
  BoxState* s = StateOf(box);
  if (!s || !rect) return false;
  for (const popup::BoxButton& b : s->layout.buttons) {
    if (b.id != id) continue;
    RECT r = b.rect;
    POINT o{0, 0};
    ClientToScreen(box, &o);
    *rect = RECT{r.left + o.x, r.top + o.y, r.right + o.x, r.bottom + o.y};
    return true;
  }
  return false;
}

std::vector<std::u16string> MessageBoxButtonLabels(HWND box) {
  std::vector<std::u16string> labels;
  if (BoxState* s = StateOf(box)) {
    for (const popup::BoxButton& b : s->layout.buttons) labels.push_back(b.label);
  }
  return labels;
}

void RegisterMessageBoxClass() {
  WNDCLASSW wc;
  wc.style = CS_SAVEBITS;
  wc.lpfnWndProc = BoxProc;
  wc.cbWndExtra = sizeof(LONG_PTR);
  wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  wc.lpszClassName = kDialogClass;
  RegisterSystemClassW(&wc);
}

}  // namespace core
}  // namespace varnika
