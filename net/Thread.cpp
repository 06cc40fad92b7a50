#include "net/Thread.h"

namespace varnika {

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
    Execute();
  } catch (...) {
  }
  finished_.store(true);
}

}  // namespace varnika
