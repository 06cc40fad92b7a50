// The download thread: performs one request on a thread of its own and posts
// the result to a window.
//
// The owner creates it (suspended), fills Request() and calls Start. When the
// exchange is over the thread posts MessageId to TargetWindow with wParam 0
// and lParam the request's result (0 or -1), but only while that window
// exists. The owner reads Response() after the message and destroys the
// object. Destroying a running thread aborts its request (it ends within
// milliseconds and posts nothing), so closing never waits for a slow server.
//
// Telling completions apart: a completion message that is already queued
// when the owner frees its thread is still delivered, and nothing in it names
// the thread, so a later thread of the same kind could take it for its own.
// On a completion message the owner therefore asks its current thread of
// that kind: Completed() turns true just before the thread posts its message
// (the response is final by then). A message that arrives while it is false
// came from a thread freed earlier: ignore it. Result() is the thread's own
// result (the lParam of such a message may be another thread's).
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>

#include "base/MessagePoster.h"
#include "base/WinTypes.h"
#include "net/Internet.h"
#include "net/Request.h"
#include "net/Thread.h"

namespace varnika {

class TInetThread : public TThread {
 public:
  // poster delivers the completion message; it must outlive this object
  // (a null poster posts nothing).
  TInetThread(HWND window, UINT message_id, HINTERNET internet, IMessagePoster* poster);
  ~TInetThread() override;

  TRequest& Request() { return *request_; }
  TResponse& Response() { return request_->Response(); }
  const HINTERNET& InternetHandle() const { return internet_; }
  HWND TargetWindow() const { return target_window_; }
  UINT MessageId() const { return message_id_; }

  // Ends a running request promptly with -1; the completion message is still
  // posted. Safe from any thread.
  void Abort() { request_->Abort(); }

  // Whether this thread has posted (or, its window gone, tried to post) its
  // completion message; see above. Safe from any thread.
  bool Completed() const { return completed_.load(std::memory_order_acquire); }
  // The request's result once Completed() holds (0 or -1); -1 before.
  std::int32_t Result() const { return result_.load(std::memory_order_acquire); }

 private:
  // The thread's body: one exchange, then the completion message.
  void Execute();

  std::unique_ptr<TRequest> request_;
  HINTERNET internet_;
  HWND target_window_;
  UINT message_id_;
  IMessagePoster* poster_;
  std::atomic<bool> discarded_{false};
  std::atomic<std::int32_t> result_{-1};
  std::atomic<bool> completed_{false};
};

// The class the program instantiates for every download.
class TInternetThread : public TInetThread {
 public:
  using TInetThread::TInetThread;
};

}  // namespace varnika
