// Small routines through which the widget touches the system outside its own
// windows: fades of a layered window, draining the message queue and
// trimming the process's memory while the user is idle. UI thread only.
#pragma once

namespace varnika {

class TWindowEx;

// Shows the window at its current opacity, then raises the opacity by step
// with a pause of pause_ms after each step (presenting the composed picture
// again each time), and ends at exactly 255 with a full repaint.
void FadeIn(TWindowEx& window, int step, int pause_ms);
// Lowers the opacity by step while it stays above 0, with a pause after each
// step, then hides the window (which is left at its last, small opacity).
void FadeOut(TWindowEx& window, int step, int pause_ms);

// Dispatches every queued message of the thread. A WM_QUIT found on the way
// is not dispatched; it is queued again at the end, so the message loop
// still ends.
void DrainMessages();

// Returns freed heap memory to the system, then drains the queue.
void TrimWorkingSet();

}  // namespace varnika
