// Small routines through which the widget touches the system outside its own
// windows: fades of a layered window, draining the message queue, trimming
// the process's memory while the user is idle, and writing a file whole.
// UI thread only.
#pragma once

#include <string>
#include <string_view>

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

// Writes text (UTF-8 on disk, nothing before or after) to file_name,
// replacing the file atomically: a failure leaves the old file as it was and
// raises EFCreateError or EWriteError.
void SaveTextToFile(const std::u16string& file_name, std::u16string_view text);
// The same with the bytes as they are.
void SaveBytesToFile(const std::u16string& file_name, std::string_view bytes);

}  // namespace varnika
