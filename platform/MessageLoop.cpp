#include "platform/MessageLoop.h"

#include <time.h>

#include <algorithm>

#include "platform/Core.h"
#include "platform/Window.h"

namespace varnika {

using core::FindQuiet;
using core::Sys;
using core::Timer;
using core::Window;

namespace {

constexpr UINT kTimerMinimum = 10;
constexpr UINT kTimerMaximum = 0x7FFFFFFF;
const HWND kThreadMessagesOnly = reinterpret_cast<HWND>(std::intptr_t{-1});

DWORD MonotonicMs() {
  timespec ts{};
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return static_cast<DWORD>(static_cast<std::uint64_t>(ts.tv_sec) * 1000u + static_cast<std::uint64_t>(ts.tv_nsec) / 1000000u);
}

DWORD Now() { return Sys().backend->TickCount(); }

// Signed distance from a to b on the wrapping 32-bit clock.
std::int32_t Until(DWORD now, DWORD due) { return static_cast<std::int32_t>(due - now); }

struct Filter {
  HWND wnd;
  UINT min;
  UINT max;

  bool Matches(const MSG& m) const {
    if (wnd == kThreadMessagesOnly) {
      if (m.hwnd) return false;
    } else if (wnd && m.hwnd != wnd) {
      return false;
    }
    if (min == 0 && max == 0) return true;
    return m.message >= min && m.message <= max;
  }
};

template <typename Queue>
bool TakeFrom(Queue& queue, const Filter& f, bool remove, MSG* out) {
  if (!queue.empty() && !f.wnd && f.min == 0 && f.max == 0) {  // the common case
    *out = queue.front();
    if (remove) queue.pop_front();
    return true;
  }
  for (auto it = queue.begin(); it != queue.end(); ++it) {
    if (!f.Matches(*it)) continue;
    *out = *it;
    if (remove) queue.erase(it);
    return true;
  }
  return false;
}

// Posted messages: the UI thread moves the shared queue into its own in one
// step, so posting threads and the loop meet on the mutex once per batch.
bool TakePosted(const Filter& f, bool remove, MSG* out, std::uint64_t* seen) {
  auto& sys = Sys();
  if (!sys.taken.empty() && TakeFrom(sys.taken, f, remove, out)) return true;
  {
    std::lock_guard lock(sys.post_mutex);
    *seen = sys.post_serial;
    if (sys.posted.empty()) return false;
    if (sys.taken.empty()) {
      sys.taken.swap(sys.posted);
    } else {
      sys.taken.insert(sys.taken.end(), sys.posted.begin(), sys.posted.end());
      sys.posted.clear();
    }
  }
  return TakeFrom(sys.taken, f, remove, out);
}

// Raw events other threads posted join the backend's.
void TakePostedRaw() {
  auto& sys = Sys();
  std::deque<RawEvent> posted;
  {
    std::lock_guard lock(sys.post_mutex);
    posted.swap(sys.posted_raw);
  }
  for (RawEvent& event : posted) sys.Deliver(std::move(event));
}

// The due timer that fires first (earliest due time, then oldest).
Timer* DueTimer(const Filter& f, DWORD now) {
  Timer* best = nullptr;
  for (Timer& t : Sys().timers) {
    if (Until(now, t.due) > 0) continue;
    MSG probe;
    probe.hwnd = t.wnd;
    probe.message = WM_TIMER;
    if (!f.Matches(probe)) continue;
    if (!best || Until(best->due, t.due) < 0 || (t.due == best->due && t.order < best->order)) best = &t;
  }
  return best;
}

bool TakeTimer(const Filter& f, bool remove, DWORD now, MSG* out) {
  Timer* t = DueTimer(f, now);
  if (!t) return false;
  out->hwnd = t->wnd;
  out->message = WM_TIMER;
  out->wParam = t->id;
  out->lParam = reinterpret_cast<LPARAM>(t->proc);
  out->time = now;
  out->pt = Sys().in.cursor;
  out->lPrivate = 0;
  if (remove) t->due = now + t->elapse;
  return true;
}

// Milliseconds until the next timer or hover deadline; INFINITE without one.
DWORD NextTimeout(DWORD now) {
  std::int64_t best = -1;
  auto consider = [&](DWORD due) {
    std::int64_t left = std::max<std::int32_t>(Until(now, due), 0);
    if (best < 0 || left < best) best = left;
  };
  for (const Timer& t : Sys().timers) consider(t.due);
  DWORD hover_due = 0;
  if (core::HoverDue(now, &hover_due)) consider(hover_due);
  return best < 0 ? INFINITE : static_cast<DWORD>(best);
}

void Stamp(MSG* m) {
  auto& sys = Sys();
  if (m->time == 0) m->time = Now();
  sys.last_message_time = m->time;
  sys.last_message_pos = m->pt;
}

// The heart of GetMessage and PeekMessage. Returns whether a message was found.
bool NextMessage(MSG* out, const Filter& f, bool remove, bool wait) {
  auto& sys = Sys();
  bool polled = false;
  for (;;) {
    std::uint64_t seen = 0;
    if (TakePosted(f, remove, out, &seen)) {
      out->pt = sys.in.cursor;
      if (remove) Stamp(out);
      return true;
    }
    if (sys.quit_pending) {
      *out = MSG{nullptr, WM_QUIT, static_cast<WPARAM>(sys.quit_code), 0, Now(), sys.in.cursor, 0};
      if (remove) sys.quit_pending = false;
      return true;
    }
    if (TakeFrom(sys.input, f, remove, out)) {
      if (remove) Stamp(out);
      return true;
    }
    if (sys.raw.empty()) TakePostedRaw();
    if (!sys.raw.empty()) {
      RawEvent event = std::move(sys.raw.front());
      sys.raw.pop_front();
      core::Route(event);
      continue;
    }
    if (!polled) {
      polled = true;
      sys.backend->Wait(0);
      if (!sys.raw.empty()) continue;
    }
    DWORD now = Now();
    DWORD hover_due = 0;
    if (core::HoverDue(now, &hover_due) && Until(now, hover_due) <= 0) {
      core::FireHover();
      continue;
    }
    if (core::TakePaint(f.wnd, f.min, f.max, out)) {
      out->time = now;
      if (remove) Stamp(out);
      return true;
    }
    if (TakeTimer(f, remove, now, out)) {
      if (remove) Stamp(out);
      return true;
    }
    if (!wait) return false;
    DWORD timeout = NextTimeout(now);
    {
      std::lock_guard lock(sys.post_mutex);
      if (sys.post_serial != seen) continue;
      sys.sleeping = true;
    }
    sys.backend->Wait(timeout);
    {
      std::lock_guard lock(sys.post_mutex);
      sys.sleeping = false;
    }
  }
}

bool Usable() {
  auto& sys = Sys();
  if (!sys.running) return false;
  if (!core::OnUiThread()) {
    SetLastError(ERROR_ACCESS_DENIED);
    return false;
  }
  return true;
}

class WindowSystemPoster : public IMessagePoster {
 public:
  bool PostIfWindow(HWND wnd, UINT msg, WPARAM wparam, LPARAM lparam) override {
    return wnd != nullptr && PostMessageW(wnd, msg, wparam, lparam);
  }
};

}  // namespace

LRESULT SendMessageW(HWND wnd, UINT msg, WPARAM wparam, LPARAM lparam) {
  if (!Usable()) return 0;
  if (!core::Find(wnd)) return 0;
  return core::Send(wnd, msg, wparam, lparam);
}

BOOL PostMessageW(HWND wnd, UINT msg, WPARAM wparam, LPARAM lparam) {
  auto& sys = Sys();
  std::lock_guard lock(sys.post_mutex);
  if (!sys.running || (wnd && !sys.windows.count(reinterpret_cast<std::uintptr_t>(wnd)))) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  sys.posted.push_back(MSG{wnd, msg, wparam, lparam, 0, POINT{}, 0});
  ++sys.post_serial;
  if (sys.sleeping) {
    sys.sleeping = false;
    sys.backend->Wake();
  }
  return TRUE;
}

void PostQuitMessage(int exit_code) {
  if (!Usable()) return;
  auto& sys = Sys();
  sys.quit_pending = true;
  sys.quit_code = exit_code;
}

BOOL GetMessageW(MSG* msg, HWND wnd, UINT filter_min, UINT filter_max) {
  if (!msg || !Usable()) return -1;
  if (wnd && wnd != kThreadMessagesOnly && !core::Find(wnd)) return -1;
  NextMessage(msg, Filter{wnd, filter_min, filter_max}, true, true);
  return msg->message == WM_QUIT ? 0 : 1;
}

BOOL PeekMessageW(MSG* msg, HWND wnd, UINT filter_min, UINT filter_max, UINT remove) {
  if (!msg || !Usable()) return FALSE;
  return NextMessage(msg, Filter{wnd, filter_min, filter_max}, (remove & PM_REMOVE) != 0, false) ? TRUE : FALSE;
}

BOOL WaitMessage() {
  if (!Usable()) return FALSE;
  MSG msg;
  NextMessage(&msg, Filter{nullptr, 0, 0}, false, true);
  return TRUE;
}

BOOL TranslateMessage(const MSG* msg) {
  if (!msg) return FALSE;
  switch (msg->message) {
    case WM_KEYUP:
    case WM_SYSKEYUP: return TRUE;
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN: break;
    default: return FALSE;
  }
  const std::u16string* text = core::TextOfKey(msg->lPrivate);
  if (!text || !msg->hwnd) return TRUE;
  UINT char_message = msg->message == WM_KEYDOWN ? WM_CHAR : WM_SYSCHAR;
  for (char16_t c : *text) PostMessageW(msg->hwnd, char_message, c, msg->lParam);
  return TRUE;
}

LRESULT DispatchMessageW(const MSG* msg) {
  if (!msg || !Usable()) return 0;
  if (msg->message == WM_TIMER && msg->lParam) {
    // Only a callback that a live timer registered is ever called.
    auto& timers = Sys().timers;
    auto proc = reinterpret_cast<TIMERPROC>(msg->lParam);
    bool known = std::any_of(timers.begin(), timers.end(), [&](const Timer& t) {
      return t.wnd == msg->hwnd && t.id == msg->wParam && t.proc == proc;
    });
    if (known) {
      proc(msg->hwnd, WM_TIMER, msg->wParam, msg->time);
      return 0;
    }
  }
  if (!msg->hwnd) return 0;
  if (!FindQuiet(msg->hwnd)) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return 0;
  }
  core::RelayMouse(*msg);
  Window* w = FindQuiet(msg->hwnd);
  if (!w) return 0;
  return w->proc(msg->hwnd, msg->message, msg->wParam, msg->lParam);
}

DWORD GetMessageTime() { return core::UiReady() ? Sys().last_message_time : 0; }

DWORD GetMessagePos() {
  if (!core::UiReady()) return 0;
  POINT p = Sys().last_message_pos;
  return static_cast<DWORD>(MakeLParam(p.x, p.y));
}

UINT_PTR SetTimer(HWND wnd, UINT_PTR id, UINT elapse_ms, TIMERPROC proc) {
  if (!Usable()) return 0;
  if (wnd && !core::Find(wnd)) return 0;
  auto& sys = Sys();
  UINT elapse = std::clamp(elapse_ms, kTimerMinimum, kTimerMaximum);
  auto it = std::find_if(sys.timers.begin(), sys.timers.end(),
                         [&](const Timer& t) { return t.wnd == wnd && t.id == id; });
  if (!wnd && it == sys.timers.end()) id = sys.next_thread_timer++;
  DWORD due = Now() + elapse;
  if (it != sys.timers.end()) {
    it->elapse = elapse;
    it->proc = proc;
    it->due = due;
  } else {
    sys.timers.push_back(Timer{wnd, id, elapse, proc, due, sys.timer_order++});
  }
  return id ? id : 1;
}

BOOL KillTimer(HWND wnd, UINT_PTR id) {
  if (!Usable()) return FALSE;
  auto& timers = Sys().timers;
  auto it = std::find_if(timers.begin(), timers.end(), [&](const Timer& t) { return t.wnd == wnd && t.id == id; });
  if (it == timers.end()) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  timers.erase(it);
  return TRUE;
}

DWORD GetTickCount() {
  auto& sys = Sys();
  if (core::OnUiThread() && sys.running) return sys.backend->TickCount();
  std::lock_guard lock(sys.post_mutex);
  return sys.running ? sys.backend->TickCount() : MonotonicMs();
}

void Sleep(DWORD ms) {
  auto& sys = Sys();
  if (core::OnUiThread() && sys.running) {
    sys.backend->Sleep(ms);
    return;
  }
  timespec ts{static_cast<time_t>(ms / 1000), static_cast<long>(ms % 1000) * 1000000L};
  while (nanosleep(&ts, &ts) != 0) {
  }
}

IMessagePoster& SystemMessagePoster() {
  static WindowSystemPoster poster;
  return poster;
}

namespace core {

LRESULT Send(HWND wnd, UINT msg, WPARAM wparam, LPARAM lparam) {
  Window* w = FindQuiet(wnd);
  if (!w) return 0;
  return w->proc(wnd, msg, wparam, lparam);
}

void PostRawEvent(RawEvent event) {
  auto& sys = Sys();
  std::lock_guard lock(sys.post_mutex);
  if (!sys.running) return;
  sys.posted_raw.push_back(std::move(event));
  ++sys.post_serial;
  if (sys.sleeping) {
    sys.sleeping = false;
    sys.backend->Wake();
  }
}

void QueueInput(HWND wnd, UINT msg, WPARAM wparam, LPARAM lparam, DWORD serial) {
  auto& sys = Sys();
  sys.input.push_back(MSG{wnd, msg, wparam, lparam, sys.in.event_time, sys.in.cursor, serial});
}

void DropWindowMessages(HWND wnd) {
  auto& sys = Sys();
  {
    std::lock_guard lock(sys.post_mutex);
    std::erase_if(sys.posted, [&](const MSG& m) { return m.hwnd == wnd; });
  }
  std::erase_if(sys.taken, [&](const MSG& m) { return m.hwnd == wnd; });
  std::erase_if(sys.input, [&](const MSG& m) { return m.hwnd == wnd; });
  std::erase_if(sys.timers, [&](const Timer& t) { return t.wnd == wnd; });
}

void ClearQueues() {
  auto& sys = Sys();
  {
    std::lock_guard lock(sys.post_mutex);
    sys.posted.clear();
    sys.posted_raw.clear();
  }
  sys.taken.clear();
  sys.input.clear();
  sys.raw.clear();
  sys.timers.clear();
  sys.quit_pending = false;
  sys.quit_code = 0;
}

bool IsMouseInput(UINT msg) {
  return (msg >= WM_MOUSEFIRST && msg <= WM_MOUSELAST) || (msg >= WM_NCMOUSEMOVE && msg <= WM_NCMBUTTONDBLCLK);
}

bool IsKeyInput(UINT msg) { return msg >= WM_KEYFIRST && msg <= WM_KEYLAST; }

bool NextModalMessage(MSG* msg) {
  const BOOL got = GetMessageW(msg, nullptr, 0, 0);
  if (got == 0) PostQuitMessage(static_cast<int>(msg->wParam));
  return got > 0;
}

}  // namespace core
}  // namespace varnika
