#include "net/InetThread.h"

namespace varnika {

TInetThread::TInetThread(HWND window, UINT message_id, HINTERNET internet, IMessagePoster* poster)
    : TThread([this] { Execute(); }),
      request_(std::make_unique<TRequest>()),
      internet_(std::move(internet)),
      target_window_(window),
      message_id_(message_id),
      poster_(poster) {}

// A thread that never started is not run: nobody is left to read its result.
TInetThread::~TInetThread() {
  discarded_.store(true);
  request_->Abort();
  WaitFor();
}

void TInetThread::Execute() {
  const std::int32_t result = request_->Execute(internet_);
  result_.store(result, std::memory_order_release);
  // Before the post: whoever handles the message finds the thread completed.
  completed_.store(true, std::memory_order_release);
  if (discarded_.load() || poster_ == nullptr) return;
  poster_->PostIfWindow(target_window_, message_id_, 0, static_cast<LPARAM>(result));
}

}  // namespace varnika
