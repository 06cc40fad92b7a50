// The display backend behind the window system. The core keeps every window,
// the z-order, focus, capture and all routing; a backend only shows top-level
// windows ("surfaces"), reports raw input and keeps time. The X11 backend and
// the headless test backend implement this interface.
//
// Threads: every call comes from the UI thread except Wake and TickCount,
// which any thread may call.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Messages.h"
#include "platform/TrayHost.h"

namespace varnika {

constexpr DWORD INFINITE = 0xFFFFFFFF;

// The shapes of the sixteen system cursors, in the toolkit's index order.
enum class CursorShape : std::uint8_t {
  Arrow, IBeam, Wait, Cross, UpArrow, Size, Icon, SizeNWSE, SizeNESW, SizeWE, SizeNS, SizeAll, No, Hand,
  AppStarting, Help, Hidden
};

enum class MouseButton : std::uint8_t { Left, Right, Middle };

// Bits of RawEvent::modifiers: the state of keys and buttons as the display
// reports it with the event (the core resynchronises GetKeyState from them).
constexpr DWORD kModShift = 0x01;
constexpr DWORD kModControl = 0x02;
constexpr DWORD kModAlt = 0x04;
constexpr DWORD kModLeftButton = 0x10;
constexpr DWORD kModRightButton = 0x20;
constexpr DWORD kModMiddleButton = 0x40;

enum class RawEventKind : std::uint8_t {
  PointerMove,   // pt
  PointerLeave,  // the pointer is over none of our windows
  ButtonDown,    // pt, button
  ButtonUp,      // pt, button
  Wheel,         // pt, wheel_delta (120 a notch, positive away from the user)
  KeyDown,       // vk, scan_code, extended, text (characters it types)
  KeyUp,         // vk, scan_code, extended
  Activate,      // surface became the active window
  Deactivate,    // surface lost activation to something outside the program
  CloseRequest,  // the user asked to close surface: posts WM_CLOSE
  Configure,     // the display moved or resized surface to rect
  Message,       // post message/wparam/lparam to surface (messages from other processes)
  EndSession,    // the session ends: WM_QUERYENDSESSION, then WM_CLOSE, to each top-level window
  TrayInput,     // on the tray icon (surface: its owner, wparam: its id): lparam the mouse message
                 // (WM_MOUSEMOVE, WM_xBUTTONDOWN/UP) at pt, or a NIN_* balloon event
  TrayHostChanged,  // a status notifier watcher came or went: the window system chooses the tray's host again
};

struct RawEvent {
  RawEventKind kind = RawEventKind::PointerMove;
  HWND surface = nullptr;  // the top-level window it happened in; nullptr lets the core find it
  POINT pt;                // screen coordinates
  MouseButton button = MouseButton::Left;
  int wheel_delta = 0;
  UINT vk = 0;
  UINT scan_code = 0;
  bool extended = false;
  std::u16string text;
  RECT rect;
  // Configure: the window manager's answer to a place asked for, which it
  // put elsewhere: taken as it is, not corrected and asked for again.
  bool settled = false;
  UINT message = 0;
  WPARAM wparam = 0;
  LPARAM lparam = 0;
  bool has_modifiers = false;
  DWORD modifiers = 0;
  DWORD time = 0;  // tick count; 0: stamped when the core receives the event
};

// Where a backend delivers raw events: only from inside Wait, on the UI thread.
class IRawEventSink {
 public:
  virtual void Deliver(RawEvent event) = 0;

 protected:
  ~IRawEventSink() = default;
};

// The X protocol carries window positions in 16 signed bits and sizes in 16
// unsigned bits. The window system holds every surface's rectangle within
// these limits (and refuses larger frames), so no backend ever has to cut a
// value into a different one.
constexpr int kDisplayCoordMin = -32768;
constexpr int kDisplayCoordMax = 32767;
constexpr int kDisplaySizeMax = 32767;

// What a surface is for, as the window system tells it: a backend places
// and decorates it from this and never asks the window core.
enum class SurfaceRole : std::uint8_t {
  Normal,     // a window the window manager manages
  Tooltip,    // unmanaged, at an exact place, never focused
  PopupMenu,  // unmanaged, at an exact place, never focused
  Dialog,     // a managed dialog kept above its owner (a message box)
};

struct SurfaceDesc {
  RECT rect;  // screen
  DWORD style = 0;
  DWORD ex_style = 0;
  std::u16string title;
  HWND owner = nullptr;  // the surface it belongs to (transient for it); nullptr: none
  SurfaceRole role = SurfaceRole::Normal;
  std::u16string class_name;  // the window's class: the identity the desktop groups it by
};

// A frame's pixels: height rows of width premultiplied ARGB32 pixels, the
// rows stride pixels apart. They are device pixels, scale of them to each
// logical pixel of the surface (a frame for a 475 x 350 surface at scale 2
// is 950 x 700). A buffer either holds its own copy (storage) or
// borrows the pixels of a window's canvas, which keep_alive keeps allocated.
// A borrowed canvas is drawn again only after PresentFrame has returned and
// only between events, always as a whole frame: a backend takes the pixels
// during PresentFrame, and where it needs them later (an exposure, another
// constant alpha) it reads what the canvas holds then.
struct FrameBuffer {
  FrameBuffer() = default;
  FrameBuffer(const FrameBuffer&) = delete;
  FrameBuffer& operator=(const FrameBuffer&) = delete;

  // A buffer owning a copy of width x height pixels read with src_stride
  // (in pixels); opaque sets every pixel's alpha to 255.
  static std::shared_ptr<FrameBuffer> Copy(const std::uint32_t* src, int width, int height, int src_stride,
                                           bool opaque = false) {
    auto b = std::make_shared<FrameBuffer>();
    b->storage.resize(static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
    for (int y = 0; y < height; ++y) {
      const std::uint32_t* row = src + static_cast<std::ptrdiff_t>(y) * src_stride;
      std::uint32_t* out = b->storage.data() + static_cast<std::ptrdiff_t>(y) * width;
      for (int x = 0; x < width; ++x) out[x] = opaque ? row[x] | 0xFF000000u : row[x];
    }
    b->pixels = b->storage.data();
    b->width = width;
    b->height = height;
    b->stride = width;
    return b;
  }
  // A buffer over pixels that owner keeps allocated (nothing is copied).
  static std::shared_ptr<FrameBuffer> Borrow(const std::uint32_t* pixels, int width, int height, int stride,
                                             std::shared_ptr<const void> owner) {
    auto b = std::make_shared<FrameBuffer>();
    b->pixels = pixels;
    b->width = width;
    b->height = height;
    b->stride = stride;
    b->keep_alive = std::move(owner);
    return b;
  }

  const std::uint32_t* Row(int y) const { return pixels + static_cast<std::ptrdiff_t>(y) * stride; }
  // The pixels with the rows packed.
  std::vector<std::uint32_t> Packed() const {
    std::vector<std::uint32_t> out;
    out.reserve(static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
    for (int y = 0; y < height; ++y) out.insert(out.end(), Row(y), Row(y) + width);
    return out;
  }

  const std::uint32_t* pixels = nullptr;
  int width = 0;
  int height = 0;
  int stride = 0;  // in pixels
  int scale = 1;
  std::vector<std::uint32_t> storage;
  std::shared_ptr<const void> keep_alive;
};

// A frame handed to a backend. The backend shares the buffer and may keep
// the reference for as long as it needs the pixels (usually until the next
// PresentFrame or DestroySurface for that surface), so no frame, resize or
// nested loop can free pixels a backend still reads.
struct FrameView {
  std::shared_ptr<const FrameBuffer> buffer;  // nullptr or empty: nothing to show
  BYTE alpha = 255;  // constant alpha on top of the per-pixel alpha

  int Width() const { return buffer ? buffer->width : 0; }
  int Height() const { return buffer ? buffer->height : 0; }
  bool Empty() const { return Width() <= 0 || Height() <= 0; }
};

class Backend {
 public:
  virtual ~Backend() = default;

  // The core attaches itself at start and detaches (nullptr) at shutdown.
  virtual void Attach(IRawEventSink* sink) = 0;

  // Surfaces: the top-level windows. They start hidden.
  virtual void CreateSurface(HWND wnd, const SurfaceDesc& desc) = 0;
  virtual void DestroySurface(HWND wnd) = 0;
  virtual void ShowSurface(HWND wnd, bool visible) = 0;
  virtual void MoveSurface(HWND wnd, const RECT& rect) = 0;
  // Every surface, from the top of the z-order down (WS_EX_TOPMOST ones first).
  virtual void RestackSurfaces(const std::vector<HWND>& top_to_bottom) = 0;
  // WS_EX_TOPMOST: keep above; WS_EX_TOOLWINDOW: no taskbar entry;
  // WS_EX_TRANSPARENT: click-through; WS_EX_LAYERED: shows frames.
  virtual void SetSurfaceStyle(HWND wnd, DWORD style, DWORD ex_style) = 0;
  virtual void SetSurfaceTitle(HWND wnd, std::u16string_view title) = 0;
  virtual void PresentFrame(HWND wnd, const FrameView& frame) = 0;
  virtual void SetSurfaceAlpha(HWND wnd, BYTE alpha) = 0;
  virtual void ActivateSurface(HWND wnd) = 0;
  virtual void SetCursorShape(HWND wnd, CursorShape shape) = 0;
  // The surface's icon: width x height straight (not premultiplied) ARGB32
  // pixels; nullptr removes it.
  virtual void SetSurfaceIcon(HWND wnd, const std::uint32_t* argb, int width, int height) = 0;
  // While set, pointer events outside our windows still reach the core.
  virtual void GrabPointer(HWND wnd) = 0;
  // Hands a drag of the surface (the left button held since a press at
  // pointer, screen coordinates) to the window manager, which moves it;
  // false when there is none that does, and the caller moves it itself.
  // Meanwhile Configure events report the places, and the end of the drag
  // comes as the left button's ButtonUp.
  virtual bool BeginManagedMove(HWND wnd, POINT pointer) {
    (void)wnd;
    (void)pointer;
    return false;
  }
  // Whether the window manager has been seen putting a window elsewhere
  // than asked (sway places X windows itself): then corrections of the
  // places it gives are not asked for.
  virtual bool ManagerPlacesWindows() const { return false; }
  // A host for the notification area's icons, which the window system owns
  // and drops before the backend; nullptr when the backend has none.
  virtual std::unique_ptr<TrayHost> OpenTray(const TrayHostContext&) { return nullptr; }
  // Whether the icons may go to a status notifier host on the session bus
  // instead, which the window system prefers while a watcher runs.
  virtual bool StatusNotifierHosts() const { return false; }
  // While set, keys reach the core even when another program holds the
  // focus (a popup menu keeps it while open); nullptr releases it.
  virtual void GrabKeyboard(HWND wnd) = 0;
  // Whether a compositing manager blends the windows (soft shadows only
  // look right then; without one, transparent pixels show black).
  virtual bool Compositing() const = 0;

  // Delivers pending events to the sink; if none is pending, blocks until an
  // event, a Wake or timeout_ms (INFINITE: no limit; 0: only poll).
  virtual void Wait(DWORD timeout_ms) = 0;
  virtual void Wake() = 0;
  virtual DWORD TickCount() = 0;
  virtual void Sleep(DWORD ms) = 0;

  virtual RECT WorkArea() = 0;
  virtual SIZE ScreenSize() = 0;
  // The monitors' rectangles, the primary first; empty when the backend
  // knows none (the screen is then one monitor).
  virtual std::vector<RECT> Monitors() { return {}; }
  virtual POINT PointerPosition() = 0;
  // How many device pixels the desktop gives each logical pixel (1, 2, ...),
  // as read when the backend started. Every rectangle, point and size that
  // crosses this interface is in logical pixels; a backend with a scale
  // above 1 multiplies them where it talks to the display (and divides what
  // the display reports), and is given frames of device pixels.
  virtual int Scale() const { return 1; }
};

}  // namespace varnika
