// A worker thread object: created suspended, started by its owner, running
// the virtual Execute on a thread of its own. The owner waits for the end
// (WaitFor) before it destroys the object; a derived class whose Execute
// touches its own members calls WaitFor in its destructor.
#pragma once

#include <atomic>
#include <thread>

namespace varnika {

class TThread {
 public:
  TThread() = default;
  virtual ~TThread();
  TThread(const TThread&) = delete;
  TThread& operator=(const TThread&) = delete;

  // Starts the thread; later calls do nothing.
  void Start();
  void Resume() { Start(); }
  // Blocks until Execute has returned; returns at once when never started.
  void WaitFor();

  bool Started() const { return started_; }
  bool Finished() const { return finished_.load(); }

 protected:
  // Runs on the new thread; an exception that leaves it ends the thread.
  virtual void Execute() = 0;

 private:
  void Run();

  std::thread thread_;
  bool started_ = false;
  std::atomic<bool> finished_{false};
};

}  // namespace varnika
