// libcurl, reached through a table of its functions that is filled when the
// first request needs it (on a download thread), not when the program
// starts: the library and the forty-odd libraries it brings along would
// otherwise be loaded and relocated, and their constructors run, before the
// first frame. Owners for the handles the network layer creates: each
// handle is released by its owner's destructor, on every path.
#pragma once

#include <curl/curl.h>

#include <memory>

namespace varnika {

struct TCurlApi {
  decltype(&::curl_global_init) global_init;
  decltype(&::curl_easy_init) easy_init;
  decltype(&::curl_easy_cleanup) easy_cleanup;
  decltype(&::curl_easy_setopt) easy_setopt;
  decltype(&::curl_easy_getinfo) easy_getinfo;
  decltype(&::curl_multi_init) multi_init;
  decltype(&::curl_multi_cleanup) multi_cleanup;
  decltype(&::curl_multi_add_handle) multi_add_handle;
  decltype(&::curl_multi_remove_handle) multi_remove_handle;
  decltype(&::curl_multi_perform) multi_perform;
  decltype(&::curl_multi_poll) multi_poll;
  decltype(&::curl_multi_wakeup) multi_wakeup;
  decltype(&::curl_multi_info_read) multi_info_read;
  decltype(&::curl_share_init) share_init;
  decltype(&::curl_share_cleanup) share_cleanup;
  decltype(&::curl_share_setopt) share_setopt;
  decltype(&::curl_slist_append) slist_append;
  decltype(&::curl_slist_free_all) slist_free_all;
};

// Loads libcurl and initialises it, once per process (thread-safe).
// nullptr when the library cannot be loaded, lacks a function or fails to
// initialise; later calls give the same answer.
const TCurlApi* CurlApi();

// The handles below exist only after CurlApi succeeded.
struct TCurlEasyDeleter {
  void operator()(CURL* handle) const { CurlApi()->easy_cleanup(handle); }
};
struct TCurlMultiDeleter {
  void operator()(CURLM* handle) const { CurlApi()->multi_cleanup(handle); }
};
struct TCurlShareDeleter {
  void operator()(CURLSH* handle) const { CurlApi()->share_cleanup(handle); }
};
struct TCurlSlistDeleter {
  void operator()(curl_slist* list) const { CurlApi()->slist_free_all(list); }
};

using TCurlEasy = std::unique_ptr<CURL, TCurlEasyDeleter>;
using TCurlMulti = std::unique_ptr<CURLM, TCurlMultiDeleter>;
using TCurlShare = std::unique_ptr<CURLSH, TCurlShareDeleter>;
using TCurlSlist = std::unique_ptr<curl_slist, TCurlSlistDeleter>;

// An easy handle added to a multi handle for the lifetime of this object.
class TCurlMultiAttachment {
 public:
  TCurlMultiAttachment(CURLM* multi, CURL* easy)
      : multi_(multi), easy_(easy), attached_(CurlApi()->multi_add_handle(multi, easy) == CURLM_OK) {}
  ~TCurlMultiAttachment() {
    if (attached_) CurlApi()->multi_remove_handle(multi_, easy_);
  }
  TCurlMultiAttachment(const TCurlMultiAttachment&) = delete;
  TCurlMultiAttachment& operator=(const TCurlMultiAttachment&) = delete;

  bool Attached() const { return attached_; }

 private:
  CURLM* multi_;
  CURL* easy_;
  bool attached_;
};

}  // namespace varnika
