// A million messages posted by a worker and dispatched on the UI thread,
// against the same number pushed through a plain mutex-protected deque to a
// consumer that sleeps on a condition variable when it runs dry. The ratio
// at the end comes from the times measured in this run.
#include <benchmark/benchmark.h>

#include <condition_variable>
#include <cstdio>
#include <deque>
#include <map>
#include <mutex>
#include <string>
#include <thread>

#include "bench/RatioReporter.h"
#include "platform/MessageLoop.h"
#include "platform/Window.h"
#include "platform/WindowSystem.h"
#include "platform/headless/HeadlessBackend.h"

namespace {

using namespace varnika;

constexpr int kMessages = 1000000;

int g_received = 0;

LRESULT CountingProc(HWND wnd, UINT msg, WPARAM wparam, LPARAM lparam) {
  if (msg == WM_USER) {
    ++g_received;
    return 0;
  }
  return DefWindowProcW(wnd, msg, wparam, lparam);
}

void PostedMessages(benchmark::State& state) {
  InitWindowSystem(std::make_unique<HeadlessBackend>());
  WNDCLASSW wc;
  wc.lpfnWndProc = CountingProc;
  wc.lpszClassName = u"BenchWindow";
  RegisterClassW(&wc);
  HWND wnd = CreateWindowExW(0, u"BenchWindow", u"", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
  for (auto _ : state) {
    g_received = 0;
    std::thread worker([wnd] {
      for (int i = 0; i < kMessages; ++i) PostMessageW(wnd, WM_USER, static_cast<WPARAM>(i), 0);
    });
    MSG msg;
    while (g_received < kMessages && GetMessageW(&msg, nullptr, 0, 0) > 0) DispatchMessageW(&msg);
    worker.join();
  }
  ShutdownWindowSystem();
}

struct Item {
  HWND wnd;
  UINT msg;
  WPARAM wparam;
  LPARAM lparam;
};

// The baseline: the least a cross-thread queue with a sleeping consumer does.
class PlainQueue {
 public:
  void Push(const Item& item) {
    std::lock_guard lock(mutex_);
    items_.push_back(item);
    if (waiting_) {
      waiting_ = false;
      ready_.notify_one();
    }
  }
  Item Pop() {
    std::unique_lock lock(mutex_);
    while (items_.empty()) {
      waiting_ = true;
      ready_.wait(lock);
    }
    Item item = items_.front();
    items_.pop_front();
    return item;
  }

 private:
  std::mutex mutex_;
  std::condition_variable ready_;
  std::deque<Item> items_;
  bool waiting_ = false;
};

void PlainDeque(benchmark::State& state) {
  LRESULT (*volatile proc)(HWND, UINT, WPARAM, LPARAM) = CountingProc;
  for (auto _ : state) {
    g_received = 0;
    PlainQueue queue;
    std::thread worker([&queue] {
      for (int i = 0; i < kMessages; ++i) queue.Push(Item{nullptr, WM_USER, static_cast<WPARAM>(i), 0});
    });
    while (g_received < kMessages) {
      Item item = queue.Pop();
      proc(item.wnd, item.msg, item.wparam, item.lparam);
    }
    worker.join();
  }
}

BENCHMARK(PostedMessages)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);
BENCHMARK(PlainDeque)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  // The work is split between a worker and the UI thread: wall time.
  varnika::TRatioReporter reporter(varnika::TRatioReporter::Clock::Real);
  benchmark::RunSpecifiedBenchmarks(&reporter);
  reporter.PrintRatio("posted messages/mutex deque", "PostedMessages", "PlainDeque", 2);
  benchmark::Shutdown();
  return 0;
}
