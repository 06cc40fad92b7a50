#include "platform/x11/XErrors.h"

#include <atomic>

namespace varnika::x11 {

namespace {

// Xlib's handler receives no user data, so the count is process-wide.
std::atomic<unsigned long> g_error_count{0};

int CountError(Display*, XErrorEvent*) {
  g_error_count.fetch_add(1, std::memory_order_relaxed);
  return 0;
}

}  // namespace

void InstallErrorHandler() {
  static const bool installed = [] {
    XSetErrorHandler(CountError);
    return true;
  }();
  (void)installed;
}

ErrorTrap::ErrorTrap(Display* display) : display_(display) {
  XSync(display_, False);
  start_ = g_error_count.load(std::memory_order_relaxed);
}

bool ErrorTrap::Failed() {
  XSync(display_, False);
  return g_error_count.load(std::memory_order_relaxed) != start_;
}

}  // namespace varnika::x11
