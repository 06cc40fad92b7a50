// Reading map. The tray host that keeps what tests read; scripting (what a
// test makes the "display" do: input, the clock, the work area, foreign
// messages, tray events); the notification area; observation (what tests
// read back: surfaces, frames, stacking); then the Backend interface itself.
#include "platform/headless/HeadlessBackend.h"

#include <algorithm>

namespace varnika {

// The tray host: keeps what the window system shows for tests to read, in
// the backend (the window system drops the host before the backend).
class HeadlessBackend::HeadlessTray : public TrayHost {
 public:
  explicit HeadlessTray(HeadlessBackend& backend) : backend_(backend) {}

  void ShowIcon(const TrayIconState& icon) override {
    std::lock_guard lock(backend_.mutex_);
    auto& icons = backend_.tray_icons_;
    auto it = std::find_if(icons.begin(), icons.end(), Is{icon.owner, icon.id});
    if (it == icons.end())
      icons.push_back(icon);
    else
      *it = icon;
  }

  void RemoveIcon(HWND owner, UINT id) override {
    std::lock_guard lock(backend_.mutex_);
    std::erase_if(backend_.tray_icons_, Is{owner, id});
    HideLocked(owner, id);
  }

  void ShowBalloon(const TrayIconState& icon, const TrayBalloon& balloon) override {
    std::lock_guard lock(backend_.mutex_);
    HideLocked(icon.owner, icon.id);
    backend_.tray_balloons_.push_back(TrayBalloonRecord{icon.owner, icon.id, balloon, true});
  }

  void HideBalloon(HWND owner, UINT id) override {
    std::lock_guard lock(backend_.mutex_);
    HideLocked(owner, id);
  }

 private:
  struct Is {
    HWND owner;
    UINT id;
    bool operator()(const TrayIconState& s) const { return s.owner == owner && s.id == id; }
  };
  void HideLocked(HWND owner, UINT id) {
    for (TrayBalloonRecord& b : backend_.tray_balloons_) {
      if (b.owner == owner && b.id == id) b.showing = false;
    }
  }

  HeadlessBackend& backend_;
};

HeadlessBackend::HeadlessBackend(int scale) : scale_(scale) {}
HeadlessBackend::~HeadlessBackend() = default;

// --- scripting -----------------------------------------------------------------

RawEvent HeadlessBackend::Stamped(RawEventKind kind) const {
  RawEvent e;
  e.kind = kind;
  e.pt = pointer_;
  e.has_modifiers = true;
  e.modifiers = Modifiers();
  e.time = clock_.load();
  return e;
}

DWORD HeadlessBackend::Modifiers() const {
  DWORD m = 0;
  if (shift_) m |= kModShift;
  if (control_) m |= kModControl;
  if (alt_) m |= kModAlt;
  if (buttons_[0]) m |= kModLeftButton;
  if (buttons_[1]) m |= kModRightButton;
  if (buttons_[2]) m |= kModMiddleButton;
  return m;
}

void HeadlessBackend::Queue(RawEvent event) {
  pending_.push_back(std::move(event));
  changed_.notify_all();
}

void HeadlessBackend::MovePointer(int x, int y) {
  std::lock_guard lock(mutex_);
  pointer_ = POINT{x, y};
  Queue(Stamped(RawEventKind::PointerMove));
}

void HeadlessBackend::PressButton(MouseButton button) {
  std::lock_guard lock(mutex_);
  buttons_[static_cast<int>(button)] = true;
  RawEvent e = Stamped(RawEventKind::ButtonDown);
  e.button = button;
  Queue(std::move(e));
}

void HeadlessBackend::ReleaseButton(MouseButton button) {
  std::lock_guard lock(mutex_);
  buttons_[static_cast<int>(button)] = false;
  RawEvent e = Stamped(RawEventKind::ButtonUp);
  e.button = button;
  Queue(std::move(e));
}

void HeadlessBackend::Click(MouseButton button) {
  PressButton(button);
  ReleaseButton(button);
}

void HeadlessBackend::TurnWheel(int notches) {
  std::lock_guard lock(mutex_);
  RawEvent e = Stamped(RawEventKind::Wheel);
  e.wheel_delta = notches * WHEEL_DELTA;
  Queue(std::move(e));
}

namespace {

bool* ModifierFlag(UINT vk, bool* shift, bool* control, bool* alt) {
  switch (vk) {
    case VK_SHIFT:
    case VK_LSHIFT:
    case VK_RSHIFT: return shift;
    case VK_CONTROL:
    case VK_LCONTROL:
    case VK_RCONTROL: return control;
    case VK_MENU:
    case VK_LMENU:
    case VK_RMENU: return alt;
    default: return nullptr;
  }
}

}  // namespace

void HeadlessBackend::PressKey(UINT vk, std::u16string text) {
  std::lock_guard lock(mutex_);
  if (bool* flag = ModifierFlag(vk, &shift_, &control_, &alt_)) *flag = true;
  RawEvent e = Stamped(RawEventKind::KeyDown);
  e.vk = vk;
  e.text = std::move(text);
  Queue(std::move(e));
}

void HeadlessBackend::ReleaseKey(UINT vk) {
  std::lock_guard lock(mutex_);
  if (bool* flag = ModifierFlag(vk, &shift_, &control_, &alt_)) *flag = false;
  RawEvent e = Stamped(RawEventKind::KeyUp);
  e.vk = vk;
  Queue(std::move(e));
}

void HeadlessBackend::TypeKey(UINT vk, std::u16string text) {
  PressKey(vk, std::move(text));
  ReleaseKey(vk);
}

void HeadlessBackend::UserActivate(HWND wnd) {
  std::lock_guard lock(mutex_);
  RawEvent e = Stamped(RawEventKind::Activate);
  e.surface = wnd;
  Queue(std::move(e));
}

void HeadlessBackend::UserDeactivate(HWND wnd) {
  std::lock_guard lock(mutex_);
  RawEvent e = Stamped(RawEventKind::Deactivate);
  e.surface = wnd;
  Queue(std::move(e));
}

void HeadlessBackend::RequestClose(HWND wnd) {
  std::lock_guard lock(mutex_);
  RawEvent e = Stamped(RawEventKind::CloseRequest);
  e.surface = wnd;
  Queue(std::move(e));
}

void HeadlessBackend::MoveByDisplay(HWND wnd, const RECT& rect) {
  std::lock_guard lock(mutex_);
  auto it = surfaces_.find(wnd);
  if (it == surfaces_.end()) return;
  it->second.rect = rect;
  RawEvent e = Stamped(RawEventKind::Configure);
  e.surface = wnd;
  e.rect = rect;
  Queue(std::move(e));
}

void HeadlessBackend::EndSession() {
  std::lock_guard lock(mutex_);
  Queue(Stamped(RawEventKind::EndSession));
}

void HeadlessBackend::PostForeign(HWND wnd, UINT msg, WPARAM wparam, LPARAM lparam) {
  std::lock_guard lock(mutex_);
  RawEvent e = Stamped(RawEventKind::Message);
  e.surface = wnd;
  e.message = msg;
  e.wparam = wparam;
  e.lparam = lparam;
  Queue(std::move(e));
}

void HeadlessBackend::SetWorkArea(const RECT& rect) {
  std::lock_guard lock(mutex_);
  work_area_ = rect;
}

void HeadlessBackend::SetMonitors(std::vector<RECT> monitors) {
  std::lock_guard lock(mutex_);
  monitors_ = std::move(monitors);
}

void HeadlessBackend::SetScreenSize(int width, int height) {
  std::lock_guard lock(mutex_);
  screen_ = SIZE{width, height};
}

void HeadlessBackend::AdvanceClock(DWORD ms) {
  std::lock_guard lock(mutex_);
  clock_ = clock_.load() + ms;
  changed_.notify_all();
}

void HeadlessBackend::SetClock(DWORD tick) {
  std::lock_guard lock(mutex_);
  clock_ = tick;
  changed_.notify_all();
}

void HeadlessBackend::SetCompositing(bool on) {
  std::lock_guard lock(mutex_);
  compositing_ = on;
}

void HeadlessBackend::SetAutoAdvance(bool on) {
  std::lock_guard lock(mutex_);
  auto_advance_ = on;
  changed_.notify_all();
}

// --- the notification area ----------------------------------------------------------

void HeadlessBackend::TrayMouse(HWND owner, UINT id, UINT mouse_message) {
  std::lock_guard lock(mutex_);
  switch (mouse_message) {
    case WM_LBUTTONDOWN: buttons_[0] = true; break;
    case WM_LBUTTONUP: buttons_[0] = false; break;
    case WM_RBUTTONDOWN: buttons_[1] = true; break;
    case WM_RBUTTONUP: buttons_[1] = false; break;
    case WM_MBUTTONDOWN: buttons_[2] = true; break;
    case WM_MBUTTONUP: buttons_[2] = false; break;
    default: break;
  }
  RawEvent e = Stamped(RawEventKind::TrayInput);
  e.surface = owner;
  e.wparam = id;
  e.lparam = static_cast<LPARAM>(mouse_message);
  Queue(std::move(e));
}

void HeadlessBackend::TrayClick(HWND owner, UINT id, MouseButton button) {
  const UINT down = button == MouseButton::Left ? WM_LBUTTONDOWN
                    : button == MouseButton::Right ? WM_RBUTTONDOWN
                                                   : WM_MBUTTONDOWN;
  TrayMouse(owner, id, down);
  TrayMouse(owner, id, down + 1);
}

void HeadlessBackend::TrayBalloonEvent(HWND owner, UINT id, LPARAM event) {
  std::lock_guard lock(mutex_);
  RawEvent e = Stamped(RawEventKind::TrayInput);
  e.surface = owner;
  e.wparam = id;
  e.lparam = event;
  Queue(std::move(e));
}

void HeadlessBackend::SetTrayAvailable(bool available) {
  std::lock_guard lock(mutex_);
  tray_available_ = available;
}

void HeadlessBackend::SetStatusNotifierHosts(bool on) {
  std::lock_guard lock(mutex_);
  status_notifier_hosts_ = on;
}

bool HeadlessBackend::StatusNotifierHosts() const {
  std::lock_guard lock(mutex_);
  return status_notifier_hosts_;
}

std::vector<TrayIconState> HeadlessBackend::TrayIcons() const {
  std::lock_guard lock(mutex_);
  return tray_icons_;
}

std::vector<HeadlessBackend::TrayBalloonRecord> HeadlessBackend::TrayBalloons() const {
  std::lock_guard lock(mutex_);
  return tray_balloons_;
}

std::unique_ptr<TrayHost> HeadlessBackend::OpenTray(const TrayHostContext&) {
  std::lock_guard lock(mutex_);
  if (!tray_available_) return nullptr;
  return std::make_unique<HeadlessTray>(*this);
}

// --- observation -----------------------------------------------------------------

bool HeadlessBackend::HasSurface(HWND wnd) const {
  std::lock_guard lock(mutex_);
  return surfaces_.count(wnd) != 0;
}

std::shared_ptr<const FrameBuffer> HeadlessBackend::FrameBufferOf(HWND wnd) const {
  std::lock_guard lock(mutex_);
  auto it = frame_sources_.find(wnd);
  return it == frame_sources_.end() ? nullptr : it->second;
}

HeadlessBackend::Surface HeadlessBackend::SurfaceOf(HWND wnd) const {
  std::lock_guard lock(mutex_);
  auto it = surfaces_.find(wnd);
  if (it == surfaces_.end()) return Surface{};
  Surface s = it->second;
  auto source = frame_sources_.find(wnd);
  if (source != frame_sources_.end() && source->second) s.pixels = source->second->Packed();
  return s;
}

std::vector<HWND> HeadlessBackend::Stacking() const {
  std::lock_guard lock(mutex_);
  return stacking_;
}

CursorShape HeadlessBackend::Cursor() const {
  std::lock_guard lock(mutex_);
  return cursor_;
}

HWND HeadlessBackend::Grab() const {
  std::lock_guard lock(mutex_);
  return grab_;
}

HWND HeadlessBackend::KeyboardGrab() const {
  std::lock_guard lock(mutex_);
  return keyboard_grab_;
}

HWND HeadlessBackend::ActivationRequest() const {
  std::lock_guard lock(mutex_);
  return activation_request_;
}

POINT HeadlessBackend::Pointer() const {
  std::lock_guard lock(mutex_);
  return pointer_;
}

size_t HeadlessBackend::PendingEvents() const {
  std::lock_guard lock(mutex_);
  return pending_.size();
}

bool HeadlessBackend::Blocked() const {
  std::lock_guard lock(mutex_);
  return blocked_;
}

int HeadlessBackend::WakeUps() const {
  std::lock_guard lock(mutex_);
  return wake_ups_;
}

// --- Backend ----------------------------------------------------------------------

void HeadlessBackend::Attach(IRawEventSink* sink) {
  std::lock_guard lock(mutex_);
  sink_ = sink;
}

void HeadlessBackend::CreateSurface(HWND wnd, const SurfaceDesc& desc) {
  std::lock_guard lock(mutex_);
  Surface& s = surfaces_[wnd];
  s.rect = desc.rect;
  s.style = desc.style;
  s.ex_style = desc.ex_style;
  s.title = desc.title;
}

void HeadlessBackend::DestroySurface(HWND wnd) {
  std::lock_guard lock(mutex_);
  surfaces_.erase(wnd);
  frame_sources_.erase(wnd);
  std::erase(stacking_, wnd);
  if (grab_ == wnd) grab_ = nullptr;
  if (keyboard_grab_ == wnd) keyboard_grab_ = nullptr;
}

void HeadlessBackend::ShowSurface(HWND wnd, bool visible) {
  std::lock_guard lock(mutex_);
  auto it = surfaces_.find(wnd);
  if (it != surfaces_.end()) it->second.visible = visible;
}

void HeadlessBackend::MoveSurface(HWND wnd, const RECT& rect) {
  std::lock_guard lock(mutex_);
  auto it = surfaces_.find(wnd);
  if (it != surfaces_.end()) it->second.rect = rect;
}

void HeadlessBackend::RestackSurfaces(const std::vector<HWND>& top_to_bottom) {
  std::lock_guard lock(mutex_);
  stacking_ = top_to_bottom;
}

void HeadlessBackend::SetSurfaceStyle(HWND wnd, DWORD style, DWORD ex_style) {
  std::lock_guard lock(mutex_);
  auto it = surfaces_.find(wnd);
  if (it == surfaces_.end()) return;
  it->second.style = style;
  it->second.ex_style = ex_style;
}

void HeadlessBackend::SetSurfaceTitle(HWND wnd, std::u16string_view title) {
  std::lock_guard lock(mutex_);
  auto it = surfaces_.find(wnd);
  if (it != surfaces_.end()) it->second.title = title;
}

void HeadlessBackend::PresentFrame(HWND wnd, const FrameView& frame) {
  std::lock_guard lock(mutex_);
  auto it = surfaces_.find(wnd);
  if (it == surfaces_.end()) return;
  Surface& s = it->second;
  frame_sources_[wnd] = frame.buffer;
  s.frame_width = frame.Width();
  s.frame_height = frame.Height();
  s.alpha = frame.alpha;
  s.frames_presented++;
}

void HeadlessBackend::SetSurfaceIcon(HWND wnd, const std::uint32_t* argb, int width, int height) {
  std::lock_guard lock(mutex_);
  auto it = surfaces_.find(wnd);
  if (it == surfaces_.end()) return;
  Surface& s = it->second;
  const bool any = argb && width > 0 && height > 0;
  s.icon.assign(argb, any ? argb + static_cast<size_t>(width) * static_cast<size_t>(height) : argb);
  s.icon_width = any ? width : 0;
  s.icon_height = any ? height : 0;
}

void HeadlessBackend::SetSurfaceAlpha(HWND wnd, BYTE alpha) {
  std::lock_guard lock(mutex_);
  auto it = surfaces_.find(wnd);
  if (it != surfaces_.end()) it->second.alpha = alpha;
}

void HeadlessBackend::ActivateSurface(HWND wnd) {
  std::lock_guard lock(mutex_);
  activation_request_ = wnd;
}

void HeadlessBackend::SetCursorShape(HWND, CursorShape shape) {
  std::lock_guard lock(mutex_);
  cursor_ = shape;
}

void HeadlessBackend::GrabPointer(HWND wnd) {
  std::lock_guard lock(mutex_);
  grab_ = wnd;
}

void HeadlessBackend::GrabKeyboard(HWND wnd) {
  std::lock_guard lock(mutex_);
  keyboard_grab_ = wnd;
}

bool HeadlessBackend::Compositing() const {
  std::lock_guard lock(mutex_);
  return compositing_;
}

void HeadlessBackend::Wait(DWORD timeout_ms) {
  std::deque<RawEvent> batch;
  IRawEventSink* sink = nullptr;
  {
    std::unique_lock lock(mutex_);
    DWORD start = clock_.load();
    for (;;) {
      if (!pending_.empty() || woken_ || timeout_ms == 0) break;
      if (timeout_ms != INFINITE) {
        if (clock_.load() - start >= timeout_ms) break;
        if (auto_advance_) {
          clock_ = start + timeout_ms;
          break;
        }
      }
      blocked_ = true;
      changed_.wait(lock);
      blocked_ = false;
    }
    if (timeout_ms != 0) ++wake_ups_;
    woken_ = false;
    batch.swap(pending_);
    sink = sink_;
  }
  if (!sink) return;
  for (RawEvent& e : batch) sink->Deliver(std::move(e));
}

void HeadlessBackend::Wake() {
  std::lock_guard lock(mutex_);
  woken_ = true;
  changed_.notify_all();
}

DWORD HeadlessBackend::TickCount() { return clock_.load(); }

void HeadlessBackend::Sleep(DWORD ms) { AdvanceClock(ms); }

RECT HeadlessBackend::WorkArea() {
  std::lock_guard lock(mutex_);
  return work_area_;
}

std::vector<RECT> HeadlessBackend::Monitors() {
  std::lock_guard lock(mutex_);
  return monitors_;
}

SIZE HeadlessBackend::ScreenSize() {
  std::lock_guard lock(mutex_);
  return screen_;
}

POINT HeadlessBackend::PointerPosition() {
  std::lock_guard lock(mutex_);
  return pointer_;
}

}  // namespace varnika
