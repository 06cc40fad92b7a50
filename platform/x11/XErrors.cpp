#include "platform/x11/XErrors.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <mutex>
#include <vector>

namespace varnika::x11 {

namespace {

// Xlib's handler receives no user data, so the count is process-wide.
std::atomic<unsigned long> g_error_count{0};

int CountError(Display*, XErrorEvent*) {
  g_error_count.fetch_add(1, std::memory_order_relaxed);
  return 0;
}

// The displays whose connection broke, kept for the rest of the process.
struct LostDisplays {
  std::mutex mutex;
  std::vector<const Display*> displays;
  std::vector<const void*> abandoned;
};

LostDisplays& Lost() {
  static auto* lost = new LostDisplays;
  return *lost;
}

// Xlib calls this first when a connection breaks; returning lets the
// display's exit handler decide (the default one ends the process).
int ReportBrokenConnection(Display* display) {
  std::fprintf(stderr, "lost the connection to display %s\n", DisplayString(display));
  return 0;
}

// Instead of ending the process: the display is lost, and the Xlib call
// that found the break returns to its caller.
void MarkLost(Display* display, void*) {
  auto& lost = Lost();
  std::lock_guard lock(lost.mutex);
  if (std::find(lost.displays.begin(), lost.displays.end(), display) == lost.displays.end()) {
    lost.displays.push_back(display);
  }
}

}  // namespace

void InstallErrorHandler() {
  static const bool installed = [] {
    XSetErrorHandler(CountError);
    XSetIOErrorHandler(ReportBrokenConnection);
    return true;
  }();
  (void)installed;
}

void WatchForLoss(Display* display) { XSetIOErrorExitHandler(display, MarkLost, nullptr); }

void KeepAbandoned(const void* memory) {
  auto& lost = Lost();
  std::lock_guard lock(lost.mutex);
  lost.abandoned.push_back(memory);
}

bool DisplayLost(const Display* display) {
  if (!display) return false;
  auto& lost = Lost();
  std::lock_guard lock(lost.mutex);
  return std::find(lost.displays.begin(), lost.displays.end(), display) != lost.displays.end();
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
