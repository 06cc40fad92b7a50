// Owners for the libcurl handles the network layer creates: each handle is
// released by its owner's destructor, on every path.
#pragma once

#include <curl/curl.h>

#include <memory>

namespace varnika {

// Initialises libcurl once per process (thread-safe). Returns false when
// libcurl could not be initialised; later calls give the same answer.
bool EnsureCurlGlobalInit();

struct TCurlEasyDeleter {
  void operator()(CURL* handle) const { curl_easy_cleanup(handle); }
};
struct TCurlMultiDeleter {
  void operator()(CURLM* handle) const { curl_multi_cleanup(handle); }
};
struct TCurlShareDeleter {
  void operator()(CURLSH* handle) const { curl_share_cleanup(handle); }
};
struct TCurlSlistDeleter {
  void operator()(curl_slist* list) const { curl_slist_free_all(list); }
};

using TCurlEasy = std::unique_ptr<CURL, TCurlEasyDeleter>;
using TCurlMulti = std::unique_ptr<CURLM, TCurlMultiDeleter>;
using TCurlShare = std::unique_ptr<CURLSH, TCurlShareDeleter>;
using TCurlSlist = std::unique_ptr<curl_slist, TCurlSlistDeleter>;

// An easy handle added to a multi handle for the lifetime of this object.
class TCurlMultiAttachment {
 public:
  TCurlMultiAttachment(CURLM* multi, CURL* easy)
      : multi_(multi), easy_(easy), attached_(curl_multi_add_handle(multi, easy) == CURLM_OK) {}
  ~TCurlMultiAttachment() {
    if (attached_) curl_multi_remove_handle(multi_, easy_);
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
