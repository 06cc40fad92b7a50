// The process-wide internet handle: one libcurl session that every request
// shares. It holds the DNS cache and TLS sessions (a libcurl share object,
// locked per kind of data because downloads run on several threads at once).
// Connections are not shared: libcurl does not support handing one pool of
// connections between concurrent threads. Opening the session loads
// nothing: libcurl comes with the first request that asks for the share.
#pragma once

#include <curl/curl.h>

#include <array>
#include <memory>
#include <mutex>

#include "net/Curl.h"

namespace varnika {

class TInternetSession {
 public:
  TInternetSession();
  TInternetSession(const TInternetSession&) = delete;
  TInternetSession& operator=(const TInternetSession&) = delete;

  // The share, made (and libcurl loaded) by the first call, from any
  // thread; nullptr when libcurl cannot be set up, for this session's life.
  CURLSH* Share();

 private:
  static void Lock(CURL* handle, curl_lock_data data, curl_lock_access access, void* self);
  static void Unlock(CURL* handle, curl_lock_data data, void* self);
  std::mutex& LockFor(curl_lock_data data);

  TCurlShare MakeShare();

  // Declared before the share so that they outlive it.
  std::array<std::mutex, CURL_LOCK_DATA_LAST> locks_;
  std::once_flag made_;
  TCurlShare share_;
};

// A handle to the session, passed by value: a download keeps the session
// alive while it runs, so closing the process-wide handle never pulls it out
// from under a running request. Empty means "no handle".
using HINTERNET = std::shared_ptr<TInternetSession>;

// Closes any previous handle, opens a new session and stores it as the
// process-wide handle. Returns true when the handle is open. Never raises;
// whether libcurl can be set up shows with the first request.
bool OpenInternet();
// Drops the process-wide handle; nothing happens when it is already closed.
void CloseInternet();
// The process-wide handle (empty while closed).
HINTERNET InternetHandle();

}  // namespace varnika
