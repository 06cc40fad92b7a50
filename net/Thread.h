// A worker thread object: created suspended, started by its owner, running
// its body on a thread of its own. The owner waits for the end (WaitFor)
// before it destroys the object; the destructor waits as well.
//
// The body is fixed at construction and runs without any virtual call on the
// object: an owner may destroy the object right after Start, and the new
// thread then never reads a vtable that the destructors are rewriting. A
// derived class whose body touches its own members calls WaitFor in its own
// destructor, before those members go.
#pragma once

#include <atomic>
#include <functional>
#include <thread>

namespace varnika {

class TThread {
 public:
  explicit TThread(std::function<void()> body);
  virtual ~TThread();
  TThread(const TThread&) = delete;
  TThread& operator=(const TThread&) = delete;

  // Starts the thread; later calls do nothing.
  void Start();
  void Resume() { Start(); }
  // Blocks until the body has returned; returns at once when never started.
  void WaitFor();

  bool Started() const { return started_; }
  bool Finished() const { return finished_.load(); }

 private:
  // Runs on the new thread; an exception that leaves the body ends the thread.
  void Run();

  std::function<void()> body_;
  std::thread thread_;
  bool started_ = false;
  std::atomic<bool> finished_{false};
};

}  // namespace varnika
