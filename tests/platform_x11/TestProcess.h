// Child processes for the tests that run real programs (servers, window
// managers, the program under test): they never outlive the test process,
// and their output is kept for the failure messages.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace varnika::xtest {

// A child process; killed (SIGTERM, then SIGKILL) when the object goes.
class Process {
 public:
  Process() = default;
  Process(Process&& o) noexcept;
  Process& operator=(Process&& o) noexcept;
  Process(const Process&) = delete;
  Process& operator=(const Process&) = delete;
  ~Process();

  // Starts argv[0] (found on PATH) with the extra environment entries
  // ("NAME=value"); stdout and stderr go to files read by Output/Errors.
  static Process Start(const std::vector<std::string>& argv, const std::vector<std::string>& env = {});

  int Pid() const { return pid_; }
  bool Running();
  void Signal(int signal);
  // The exit code, or -1 when it did not end within timeout_ms (or died by
  // a signal: then -100 - signal).
  int WaitExit(int timeout_ms);
  void Stop();
  std::string Output() const;
  std::string Errors() const;

 private:
  int pid_ = -1;
  int status_ = 0;
  bool reaped_ = false;
  std::string out_path_;
  std::string err_path_;
};

// Polls done() every 10 ms until it holds or timeout_ms passed.
bool WaitFor(const std::function<bool()>& done, int timeout_ms);

}  // namespace varnika::xtest
