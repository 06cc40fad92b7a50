// A display backend without a display, for tests. It keeps what the core asks
// it to show (surfaces, their last frames, the cursor) for tests to read,
// takes scripted input (queued until the core's loop consumes it, so a modal
// loop such as the move loop can be driven from a script), and runs on a
// manual clock: time moves only when a test advances it or calls Sleep, so
// timers of minutes fire at once and every run gives the same messages.
//
// The scripting calls may come from any thread; a blocked Wait wakes up when
// input arrives or the clock reaches its deadline.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/Backend.h"
#include "platform/TrayHost.h"

namespace varnika {

class HeadlessBackend : public Backend {
 public:
  struct Surface {
    RECT rect;
    DWORD style = 0;
    DWORD ex_style = 0;
    std::u16string title;
    bool visible = false;
    // The last frame.
    std::vector<std::uint32_t> pixels;
    int frame_width = 0;
    int frame_height = 0;
    BYTE alpha = 255;
    int frames_presented = 0;
    // The icon the display shows (straight ARGB32); empty without one.
    std::vector<std::uint32_t> icon;
    int icon_width = 0;
    int icon_height = 0;
  };

  // scale: the display's device pixels to a logical pixel (Backend::Scale).
  // Everything the backend is told and tells stays logical; only frames
  // come in device pixels.
  explicit HeadlessBackend(int scale = 1);
  ~HeadlessBackend() override;

  // --- scripting (any thread) ----------------------------------------------
  void MovePointer(int x, int y);
  void PressButton(MouseButton button = MouseButton::Left);
  void ReleaseButton(MouseButton button = MouseButton::Left);
  void Click(MouseButton button = MouseButton::Left);
  void TurnWheel(int notches);  // positive: away from the user
  // text: the characters the press types (nothing when empty).
  void PressKey(UINT vk, std::u16string text = {});
  void ReleaseKey(UINT vk);
  void TypeKey(UINT vk, std::u16string text = {});  // press and release
  void UserActivate(HWND wnd);    // as if the user activated the window
  void UserDeactivate(HWND wnd);  // as if the user switched to another program
  void RequestClose(HWND wnd);
  // As if a window manager moved or resized the surface.
  void MoveByDisplay(HWND wnd, const RECT& rect);
  void EndSession();
  void PostForeign(HWND wnd, UINT msg, WPARAM wparam, LPARAM lparam);
  void SetWorkArea(const RECT& rect);
  // The monitors, the primary first (none: the screen is one monitor).
  void SetMonitors(std::vector<RECT> monitors);
  void SetScreenSize(int width, int height);
  void AdvanceClock(DWORD ms);
  void SetClock(DWORD tick);
  // With auto-advance on, a Wait with a finite timeout and nothing to
  // deliver moves the clock to its deadline at once instead of blocking.
  void SetAutoAdvance(bool on);
  // As if a compositing manager started (true) or quit.
  void SetCompositing(bool on);

  // --- the notification area (any thread) --------------------------------
  // The user on a tray icon: mouse_message (WM_MOUSEMOVE, WM_xBUTTONDOWN/UP)
  // at the pointer with the keys held now; presses and releases also change
  // the button state.
  void TrayMouse(HWND owner, UINT id, UINT mouse_message);
  void TrayClick(HWND owner, UINT id, MouseButton button = MouseButton::Left);  // press and release
  // The notification service reporting on a balloon (NIN_BALLOON*).
  void TrayBalloonEvent(HWND owner, UINT id, LPARAM event);
  // Without a tray (off) the backend offers no tray host at all.
  void SetTrayAvailable(bool available);
  // Whether icons may go to a status notifier host on the session bus (off
  // unless a test turns it on).
  void SetStatusNotifierHosts(bool on);

  struct TrayBalloonRecord {
    HWND owner = nullptr;
    UINT id = 0;
    TrayBalloon balloon;
    bool showing = true;  // until hidden or its icon removed
  };
  // The icons shown now, in the order they were first shown.
  std::vector<TrayIconState> TrayIcons() const;
  // Every balloon shown, oldest first.
  std::vector<TrayBalloonRecord> TrayBalloons() const;

  // --- observation ---------------------------------------------------------
  bool HasSurface(HWND wnd) const;
  // A copy; empty when unknown. Its pixels are copied from the last frame
  // presented (for a window's canvas, as the canvas holds them now).
  Surface SurfaceOf(HWND wnd) const;
  // The buffer of the frame shown last (shared with the window system).
  std::shared_ptr<const FrameBuffer> FrameBufferOf(HWND wnd) const;
  std::vector<HWND> Stacking() const;  // top to bottom
  CursorShape Cursor() const;
  HWND Grab() const;
  HWND KeyboardGrab() const;
  HWND ActivationRequest() const;  // last surface the core asked to activate
  POINT Pointer() const;
  size_t PendingEvents() const;
  // Returns of Wait that were allowed to block (timeout other than 0).
  int WakeUps() const;
  // Whether the UI thread is blocked in Wait right now.
  bool Blocked() const;

  // --- Backend -------------------------------------------------------------
  void Attach(IRawEventSink* sink) override;
  void CreateSurface(HWND wnd, const SurfaceDesc& desc) override;
  void DestroySurface(HWND wnd) override;
  void ShowSurface(HWND wnd, bool visible) override;
  void MoveSurface(HWND wnd, const RECT& rect) override;
  void RestackSurfaces(const std::vector<HWND>& top_to_bottom) override;
  void SetSurfaceStyle(HWND wnd, DWORD style, DWORD ex_style) override;
  void SetSurfaceTitle(HWND wnd, std::u16string_view title) override;
  void PresentFrame(HWND wnd, const FrameView& frame) override;
  void SetSurfaceAlpha(HWND wnd, BYTE alpha) override;
  void ActivateSurface(HWND wnd) override;
  void SetCursorShape(HWND wnd, CursorShape shape) override;
  void SetSurfaceIcon(HWND wnd, const std::uint32_t* argb, int width, int height) override;
  void GrabPointer(HWND wnd) override;
  // A host while SetTrayAvailable allows one (it is asked once).
  std::unique_ptr<TrayHost> OpenTray(const TrayHostContext& context) override;
  bool StatusNotifierHosts() const override;
  void GrabKeyboard(HWND wnd) override;
  bool Compositing() const override;
  void Wait(DWORD timeout_ms) override;
  void Wake() override;
  DWORD TickCount() override;
  void Sleep(DWORD ms) override;
  RECT WorkArea() override;
  SIZE ScreenSize() override;
  std::vector<RECT> Monitors() override;
  POINT PointerPosition() override;
  int Scale() const override { return scale_; }

 private:
  const int scale_ = 1;
  void Queue(RawEvent event);                 // takes mutex_
  RawEvent Stamped(RawEventKind kind) const;  // caller holds mutex_
  DWORD Modifiers() const;                    // caller holds mutex_

  class HeadlessTray;

  mutable std::mutex mutex_;
  std::condition_variable changed_;
  IRawEventSink* sink_ = nullptr;
  std::deque<RawEvent> pending_;
  bool woken_ = false;
  bool blocked_ = false;
  bool auto_advance_ = false;
  std::atomic<DWORD> clock_{1000};  // changed under mutex_, read anywhere
  int wake_ups_ = 0;
  POINT pointer_;
  bool buttons_[3] = {false, false, false};
  bool shift_ = false;
  bool control_ = false;
  bool alt_ = false;
  RECT work_area_{0, 0, 1280, 984};
  SIZE screen_{1280, 1024};
  std::vector<RECT> monitors_;
  std::map<HWND, Surface> surfaces_;
  // The frame each surface was given last (shared with the window system),
  // copied into Surface::pixels only when a test reads it.
  std::map<HWND, std::shared_ptr<const FrameBuffer>> frame_sources_;
  std::vector<HWND> stacking_;
  CursorShape cursor_ = CursorShape::Arrow;
  HWND grab_ = nullptr;
  HWND keyboard_grab_ = nullptr;
  bool compositing_ = false;
  HWND activation_request_ = nullptr;
  bool tray_available_ = true;
  bool status_notifier_hosts_ = false;
  std::vector<TrayIconState> tray_icons_;
  std::vector<TrayBalloonRecord> tray_balloons_;
};

}  // namespace varnika
