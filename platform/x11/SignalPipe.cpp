#include "platform/x11/SignalPipe.h"

#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>

namespace varnika::x11 {

namespace {

// The write end for the handler, which can reach nothing else.
std::atomic<int> g_signal_fd{-1};

void OnSignal(int signal) {
  int saved = errno;
  int fd = g_signal_fd.load(std::memory_order_relaxed);
  if (fd >= 0) {
    char byte = static_cast<char>(signal);
    ssize_t ignored = ::write(fd, &byte, 1);
    (void)ignored;
  }
  errno = saved;
}

}  // namespace

SignalPipe::SignalPipe() {
  int fds[2];
  if (pipe2(fds, O_NONBLOCK | O_CLOEXEC) != 0) return;
  read_ = UniqueFd(fds[0]);
  write_ = UniqueFd(fds[1]);
  g_signal_fd.store(write_.Get());
  struct sigaction action {};
  action.sa_handler = OnSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  for (std::size_t i = 0; i < std::size(kSignals); ++i) sigaction(kSignals[i], &action, &old_[i]);
}

SignalPipe::~SignalPipe() {
  if (!write_.Valid()) return;
  for (std::size_t i = 0; i < std::size(kSignals); ++i) sigaction(kSignals[i], &old_[i], nullptr);
  g_signal_fd.store(-1);
}

bool SignalPipe::Drain() {
  if (!read_.Valid()) return false;
  bool any = false;
  char buffer[64];
  while (::read(read_.Get(), buffer, sizeof buffer) > 0) any = true;
  return any;
}

}  // namespace varnika::x11
