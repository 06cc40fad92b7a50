// The message record every window procedure of the toolkit receives, the
// toolkit's private message numbers, and the event types that controls raise.
// Every event is optional: a control raises it only when it is assigned, and
// always passes itself as the sender.
#pragma once

#include <cstdint>
#include <functional>
#include <initializer_list>

#include "platform/Messages.h"

namespace varnika {

class TControl;

// One message as a window procedure sees it. Result starts at 0.
struct TWidgetMessage {
  HWND Handle = nullptr;
  UINT Msg = 0;
  WPARAM WParam = 0;
  LPARAM LParam = 0;
  LRESULT Result = 0;
};

// The signed low and high words of a message's LParam: the pointer position
// of a mouse message, the place in WM_MOVE, the size in WM_SIZE.
inline int MessageX(const TWidgetMessage& m) { return SignedLoWord(static_cast<std::uintptr_t>(m.LParam)); }
inline int MessageY(const TWidgetMessage& m) { return SignedHiWord(static_cast<std::uintptr_t>(m.LParam)); }

// Private messages of the toolkit (all above WM_APP).
constexpr UINT CM_MOUSEENTER = 0x8146;   // posted to itself when mouse tracking starts
constexpr UINT CM_TRAYICON = 0x9334;     // callback message of the tray icon
constexpr UINT CM_FONTCHANGED = 0x933F;  // a layered control's font changed
constexpr UINT CM_TEXTCHANGED = 0x9343;  // Caption changed

// The modifier keys and buttons of an input event.
enum class TShiftStateItem : std::uint8_t { ssShift, ssAlt, ssCtrl, ssLeft, ssRight, ssMiddle, ssDouble };

class TShiftState {
 public:
  constexpr TShiftState() = default;
  constexpr TShiftState(std::initializer_list<TShiftStateItem> items) {
    for (TShiftStateItem item : items) Include(item);
  }
  constexpr bool Contains(TShiftStateItem item) const { return (bits_ & Bit(item)) != 0; }
  constexpr void Include(TShiftStateItem item) { bits_ = static_cast<std::uint8_t>(bits_ | Bit(item)); }
  constexpr bool Empty() const { return bits_ == 0; }
  friend constexpr bool operator==(TShiftState, TShiftState) = default;

 private:
  static constexpr std::uint8_t Bit(TShiftStateItem item) {
    return static_cast<std::uint8_t>(1u << static_cast<unsigned>(item));
  }
  std::uint8_t bits_ = 0;
};

enum class TCloseAction : std::uint8_t { caNone = 0, caHide = 1, caFree = 2, caMinimize = 3 };

using TNotifyEvent = std::function<void(TControl* sender)>;
using TMouseEvent = std::function<void(TControl* sender, int keys, int x, int y)>;
using TMouseWheelEvent = std::function<void(TControl* sender, int keys, int wheel_delta, int x, int y)>;
using TSizeEvent = std::function<void(TControl* sender, int flag, int new_width, int new_height)>;
using TSizingEvent = std::function<void(TControl* sender, int edge, RECT& r)>;
using TMoveEvent = std::function<void(TControl* sender, int x, int y)>;
using TMovingEvent = std::function<void(TControl* sender, int side, RECT& r)>;
using TContextMenuEvent = std::function<void(TControl* sender, int x, int y)>;
using TKeyEvent = std::function<void(TControl* sender, WORD& key, TShiftState shift)>;
using TCharEvent = std::function<void(TControl* sender, int& char_code)>;
using TKeyPressEvent = std::function<void(TControl* sender, int& key)>;
using TWindowPosChangingEvent = std::function<void(TControl* sender, WINDOWPOS& window_pos)>;

using TCloseEvent = std::function<void(TControl* sender, TCloseAction& action)>;
using TActivateEvent = std::function<void(TControl* sender, WORD activation, HWND window)>;
using TMouseActivateEvent = std::function<void(TControl* sender, WORD hit_test, WORD mouse_button, int& result)>;
using TTimerEvent = std::function<void(TControl* sender, int timer_id)>;

}  // namespace varnika
