// Messages, the queue and window timers.
//
// The UI thread owns one queue. GetMessageW/PeekMessageW take, in this order:
// posted messages, WM_QUIT, input (mouse and keyboard messages made from the
// backend's events, one event at a time so each is routed against the state
// its predecessors left), WM_MOUSEHOVER, and WM_TIMER when a timer is due.
// Waiting blocks in the backend until an event, a post or the next deadline:
// the loop has no wake-ups of its own.
//
// PostMessageW and the poster returned by SystemMessagePoster may be called
// from any thread; everything else belongs to the UI thread.
#pragma once

#include "base/MessagePoster.h"
#include "platform/Messages.h"

namespace varnika {

// A direct call of the window's procedure (UI thread only; 0 for a dead window).
LRESULT SendMessageW(HWND wnd, UINT msg, WPARAM wparam, LPARAM lparam);
// Queues a message for a live window, or a thread message when wnd is nullptr.
// Messages still queued for a window when it is destroyed are dropped.
BOOL PostMessageW(HWND wnd, UINT msg, WPARAM wparam, LPARAM lparam);
void PostQuitMessage(int exit_code);

// Returns 0 for WM_QUIT, -1 on an error, else nonzero. Filters as Win32's.
BOOL GetMessageW(MSG* msg, HWND wnd, UINT filter_min, UINT filter_max);
BOOL PeekMessageW(MSG* msg, HWND wnd, UINT filter_min, UINT filter_max, UINT remove);
BOOL WaitMessage();
// WM_KEYDOWN/WM_SYSKEYDOWN with a character: posts WM_CHAR/WM_SYSCHAR.
BOOL TranslateMessage(const MSG* msg);
LRESULT DispatchMessageW(const MSG* msg);
DWORD GetMessageTime();
DWORD GetMessagePos();  // screen position of the last message: low word x, high word y

// A window timer: WM_TIMER (WPARAM = id) when due and nothing else is queued;
// one WM_TIMER per due time, however late. The same window and id replace the
// timer. Without a window, a new id is returned.
UINT_PTR SetTimer(HWND wnd, UINT_PTR id, UINT elapse_ms, TIMERPROC proc);
BOOL KillTimer(HWND wnd, UINT_PTR id);

// Milliseconds of the backend's clock (a manual clock in the headless
// backend); 32 bits, wraps.
DWORD GetTickCount();
void Sleep(DWORD ms);

// The window system's IMessagePoster for worker threads.
IMessagePoster& SystemMessagePoster();

}  // namespace varnika
