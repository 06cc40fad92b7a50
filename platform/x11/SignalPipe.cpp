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
  sigaction(SIGTERM, &action, &old_term_);
  sigaction(SIGHUP, &action, &old_hup_);
}

SignalPipe::~SignalPipe() {
  if (!write_.Valid()) return;
  sigaction(SIGTERM, &old_term_, nullptr);
  sigaction(SIGHUP, &old_hup_, nullptr);
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
