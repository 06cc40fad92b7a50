// SIGTERM, SIGHUP and SIGINT (Ctrl+C in a terminal) as something a poll
// loop can wait for: while a SignalPipe lives, those signals write a byte
// into a pipe (the classic self-pipe) instead of ending the process,
// whichever thread they hit.
// One SignalPipe at a time; the previous handlers come back when it goes.
// Internal to platform/x11.
#pragma once

#include <csignal>
#include <iterator>

#include "platform/x11/XHandles.h"

namespace varnika::x11 {

class SignalPipe {
 public:
  SignalPipe();
  ~SignalPipe();
  SignalPipe(const SignalPipe&) = delete;
  SignalPipe& operator=(const SignalPipe&) = delete;

  int ReadFd() const { return read_.Get(); }
  // Empties the pipe; true when a signal had arrived.
  bool Drain();

 private:
  UniqueFd read_;
  UniqueFd write_;
  static constexpr int kSignals[] = {SIGTERM, SIGHUP, SIGINT};
  struct sigaction old_[std::size(kSignals)]{};
};

}  // namespace varnika::x11
