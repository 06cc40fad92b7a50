#include "net/Thread.h"

#include <utility>

namespace varnika {

TThread::TThread(std::function<void()> body) : body_(std::move(body)) {}

TThread::~TThread() { WaitFor(); }

void TThread::Start() {
  if (started_) return;
  thread_ = std::thread(&TThread::Run, this);
  started_ = true;
}

void TThread::WaitFor() {
  if (thread_.joinable()) thread_.join();
}

void TThread::Run() {
  try {
    if (body_) body_();
  } catch (...) {
  }
  finished_.store(true);
}

}  // namespace varnika
