#include "widget/NewsScroll.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "platform/Input.h"
#include "widget/Rounding.h"

namespace varnika {

TNewsScroll::TNewsScroll(TControl& window, TContainerEx& box, TContentEx& list, TScrollerEx& scroller,
                         TThumbEx& thumb)
    : window_(window), box_(box), list_(list), scroller_(scroller), thumb_(thumb) {}

void TNewsScroll::BindEvents() {
  auto keys = [this](TControl*, WORD& key, TShiftState) { KeyDown(key); };
  list_.OnKeyDown = keys;
  thumb_.OnKeyDown = keys;
  scroller_.OnMouseDown = [this](TControl*, int, int, int y) { TrackMouseDown(y); };
  thumb_.OnMouseDown = [this](TControl*, int key_flags, int, int) { ThumbMouseDown(key_flags); };
  thumb_.OnDrag = [this](TControl*, int key_flags, int, int) { ThumbDrag(key_flags); };
  thumb_.OnMouseUp = [](TControl*, int, int, int) {};
  window_.OnMouseWheel = [this](TControl*, int, int wheel_delta, int, int) { MouseWheel(wheel_delta); };
}

std::optional<int> TNewsScroll::KeyDelta(WORD key, int box_height) {
  switch (key) {
    case VK_PRIOR: return box_height;
    case VK_NEXT: return -box_height;
    case VK_END: return kEndDelta;
    case VK_HOME: return kHomeDelta;
    case VK_LEFT:
    case VK_UP: return kLineDelta;
    case VK_RIGHT:
    case VK_DOWN: return -kLineDelta;
    default: return std::nullopt;
  }
}

float TNewsScroll::CurrentRatio() const {
  const double overflow = static_cast<double>(list_.Height()) - box_.Height();
  const double travel = static_cast<double>(scroller_.Height()) - thumb_.Height();
  return static_cast<float>(overflow / travel);
}

int TNewsScroll::ThumbRange() const {
  const int track = thumb_.Parent() ? thumb_.Parent()->Height() : scroller_.Height();
  return track - thumb_.Height();
}

void TNewsScroll::ScrollBy(int delta) {
  // The clamping order matters: a list shorter than its box ends at 0.
  std::int64_t top = static_cast<std::int64_t>(list_.Top()) + delta;
  top = std::max<std::int64_t>(top, static_cast<std::int64_t>(box_.Height()) - list_.Height());
  top = std::min<std::int64_t>(top, 0);
  if (top == list_.Top()) return;
  list_.SetTop(static_cast<int>(top));
  scroll_ratio_ = CurrentRatio();
  const double thumb_top = -RoundHalfEven(static_cast<double>(top) / scroll_ratio_);
  // A position the ratio puts outside the track leaves the thumb alone.
  if (std::isfinite(thumb_top) && thumb_top >= 0 && thumb_top <= ThumbRange())
    thumb_.SetTop(static_cast<int>(thumb_top));
  Repaint();
}

void TNewsScroll::UpdateScrollBar() {
  const bool overflows = box_.Height() < list_.Height();
  scroller_.SetVisible(overflows);
  if (overflows) {
    // A list that got shorter keeps its end at the box's bottom at most,
    // and the thumb follows the new proportions.
    const int lowest = box_.Height() - list_.Height();
    if (list_.Top() < lowest) list_.SetTop(lowest);
    if (list_.Top() > 0) list_.SetTop(0);
    scroll_ratio_ = CurrentRatio();
    const double thumb_top = -RoundHalfEven(static_cast<double>(list_.Top()) / scroll_ratio_);
    if (std::isfinite(thumb_top))
      thumb_.SetTop(static_cast<int>(std::clamp<double>(thumb_top, 0, std::max(ThumbRange(), 0))));
  } else {
    list_.SetTop(0);
    thumb_.SetTop(0);
    drag_start_y_ = 0;
    drag_start_thumb_top_ = 0;
    ReleaseCapture();
  }
  Repaint();
}

void TNewsScroll::KeyDown(WORD key) {
  if (std::optional<int> delta = KeyDelta(key, box_.Height())) ScrollBy(*delta);
}

void TNewsScroll::MouseWheel(int wheel_delta) { ScrollBy(wheel_delta / 2); }

void TNewsScroll::TrackMouseDown(int y) {
  if (y <= thumb_.Top())
    ScrollBy(box_.Height());
  else if (y >= thumb_.Top() + thumb_.Height())
    ScrollBy(-box_.Height());
}

void TNewsScroll::ThumbMouseDown(int keys) {
  if (!(keys & MK_LBUTTON)) return;
  POINT pointer{0, 0};
  GetCursorPos(&pointer);
  drag_start_y_ = pointer.y;
  drag_start_thumb_top_ = thumb_.Top();
  scroll_ratio_ = CurrentRatio();
}

void TNewsScroll::ThumbDrag(int keys) {
  if (!(keys & MK_LBUTTON)) return;
  const int old_top = list_.Top();
  // The event's own coordinates move with the thumb; the screen's do not.
  POINT pointer{0, 0};
  GetCursorPos(&pointer);
  const std::int64_t wanted = static_cast<std::int64_t>(drag_start_thumb_top_) + pointer.y - drag_start_y_;
  const int thumb_top = static_cast<int>(std::clamp<std::int64_t>(wanted, 0, std::max(ThumbRange(), 0)));
  thumb_.SetTop(thumb_top);
  double offset = RoundHalfEven(static_cast<double>(thumb_top) * scroll_ratio_);
  const double last = static_cast<double>(list_.Height()) - box_.Height();
  if (!(offset <= last)) offset = last;  // also when the ratio is not a number
  offset = std::max(offset, 0.0);
  list_.SetTop(static_cast<int>(-offset));
  if (list_.Top() != old_top) Repaint();
}

}  // namespace varnika
