// Scrolling the headline list: the list is as tall as its content and shown
// through a fixed container; a track with a fixed-size thumb beside it shows
// and sets the position. Scrolling only moves the list and the thumb and then
// repaints the window, which composes the list's cached picture at its new
// offset.
//
// The main window owns one of these with the scroll state (DragStartY,
// DragStartThumbTop, ScrollRatio) and routes its controls' events to it,
// either through BindEvents or from handlers of its own.
//
// After every operation: -(list height - box height) <= list top <= 0 for a
// list taller than its box (a shorter one ends at 0), and
// 0 <= thumb top <= track height - thumb height.
#pragma once

#include <optional>

#include "base/WinTypes.h"
#include "toolkit/Control.h"
#include "widget/BitmapControls.h"
#include "widget/ContainerEx.h"
#include "widget/ContentEx.h"

namespace varnika {

class TNewsScroll {
 public:
  // Home and End scroll by these, so that the clamping lands exactly on the
  // first or the last position.
  static constexpr int kHomeDelta = 0x3FFFFFFF;
  static constexpr int kEndDelta = -0x3FFFFFFF;
  static constexpr int kLineDelta = 10;

  // window is repainted after each move (the main window); the four controls
  // are its news box, the list in it, the track and the thumb on the track.
  TNewsScroll(TControl& window, TContainerEx& box, TContentEx& list, TScrollerEx& scroller, TThumbEx& thumb);
  TNewsScroll(const TNewsScroll&) = delete;
  TNewsScroll& operator=(const TNewsScroll&) = delete;

  // Assigns OnKeyDown of the list and the thumb, OnMouseDown of the track,
  // OnMouseDown, OnDrag and OnMouseUp of the thumb and OnMouseWheel of the
  // window to the handlers below.
  void BindEvents();

  // Moves the list by delta rows (positive: towards the first headline),
  // within its range, and the thumb with it, then repaints the window.
  // Nothing happens when the list would not move.
  void ScrollBy(int delta);
  // Shows the track exactly when the list is taller than its box. A shown
  // track keeps the list's top within the new range (after a load that
  // shortened the list) and puts the thumb where that top says; a hidden
  // track puts the list and the thumb back at the top, resets the drag and
  // releases the mouse capture. Repaints the window.
  void UpdateScrollBar();

  // Page Up/Down by the box's height, Home/End, the arrows by ten rows;
  // other keys do nothing.
  void KeyDown(WORD key);
  // Half the wheel delta, truncated: one notch of 120 is 60 rows.
  void MouseWheel(int wheel_delta);
  // A press on the track at y (track coordinates) pages towards it.
  void TrackMouseDown(int y);
  // A left press on the thumb starts a drag; a drag step with the left
  // button moves the thumb by the pointer's vertical travel and the list in
  // proportion. Both read the pointer's screen position.
  void ThumbMouseDown(int keys);
  void ThumbDrag(int keys);

  int DragStartY() const { return drag_start_y_; }
  int DragStartThumbTop() const { return drag_start_thumb_top_; }
  // List rows per thumb row: (list height - box height) / (track height -
  // thumb height), in single precision.
  float ScrollRatio() const { return scroll_ratio_; }

  // The delta a key scrolls by in a box of box_height rows; none for keys
  // that do not scroll.
  static std::optional<int> KeyDelta(WORD key, int box_height);

 private:
  float CurrentRatio() const;
  int ThumbRange() const;  // the highest thumb top
  void Repaint() { window_.Invalidate(); }

  TControl& window_;
  TContainerEx& box_;
  TContentEx& list_;
  TScrollerEx& scroller_;
  TThumbEx& thumb_;
  int drag_start_y_ = 0;
  int drag_start_thumb_top_ = 0;
  float scroll_ratio_ = 0.0f;
};

}  // namespace varnika
