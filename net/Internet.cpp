#include "net/Internet.h"

namespace varnika {

namespace {

std::mutex& HandleMutex() {
  static std::mutex mutex;
  return mutex;
}

HINTERNET& ProcessHandle() {
  static HINTERNET handle;
  return handle;
}

}  // namespace

TInternetSession::TInternetSession() = default;

CURLSH* TInternetSession::Share() {
  std::call_once(made_, [this] { share_ = MakeShare(); });
  return share_.get();
}

TCurlShare TInternetSession::MakeShare() {
  const TCurlApi* curl = CurlApi();
  if (!curl) return nullptr;
  TCurlShare share(curl->share_init());
  if (!share) return nullptr;
  CURLSH* handle = share.get();
  const bool ok = curl->share_setopt(handle, CURLSHOPT_USERDATA, this) == CURLSHE_OK &&
                  curl->share_setopt(handle, CURLSHOPT_LOCKFUNC, &TInternetSession::Lock) == CURLSHE_OK &&
                  curl->share_setopt(handle, CURLSHOPT_UNLOCKFUNC, &TInternetSession::Unlock) == CURLSHE_OK &&
                  curl->share_setopt(handle, CURLSHOPT_SHARE, CURL_LOCK_DATA_DNS) == CURLSHE_OK &&
                  curl->share_setopt(handle, CURLSHOPT_SHARE, CURL_LOCK_DATA_SSL_SESSION) == CURLSHE_OK;
  return ok ? std::move(share) : nullptr;
}

std::mutex& TInternetSession::LockFor(curl_lock_data data) {
  const auto index = static_cast<std::size_t>(data);
  return locks_[index < locks_.size() ? index : 0];
}

void TInternetSession::Lock(CURL*, curl_lock_data data, curl_lock_access, void* self) {
  static_cast<TInternetSession*>(self)->LockFor(data).lock();
}

void TInternetSession::Unlock(CURL*, curl_lock_data data, void* self) {
  static_cast<TInternetSession*>(self)->LockFor(data).unlock();
}

bool OpenInternet() {
  CloseInternet();
  HINTERNET session;
  try {
    session = std::make_shared<TInternetSession>();
  } catch (...) {
    return false;
  }
  std::lock_guard<std::mutex> guard(HandleMutex());
  ProcessHandle() = std::move(session);
  return ProcessHandle() != nullptr;
}

void CloseInternet() {
  HINTERNET released;
  {
    std::lock_guard<std::mutex> guard(HandleMutex());
    released.swap(ProcessHandle());
  }
  // The session (when this was the last reference) is freed here, outside the lock.
}

HINTERNET InternetHandle() {
  std::lock_guard<std::mutex> guard(HandleMutex());
  return ProcessHandle();
}

}  // namespace varnika
