#include "net/Curl.h"

#include <dlfcn.h>

#include <mutex>

namespace varnika {

namespace {

// The library the headers belong to, by its ABI name.
constexpr const char* kLibrary = "libcurl.so.4";

template <typename F>
bool Bind(void* library, const char* name, F* slot) {
  *slot = reinterpret_cast<F>(dlsym(library, name));
  return *slot != nullptr;
}

bool Load(TCurlApi& api) {
  // Never closed: libcurl and what it brings keep process-wide state.
  void* library = dlopen(kLibrary, RTLD_NOW | RTLD_LOCAL);
  if (!library) return false;
  bool ok = Bind(library, "curl_global_init", &api.global_init);
  ok &= Bind(library, "curl_easy_init", &api.easy_init);
  ok &= Bind(library, "curl_easy_cleanup", &api.easy_cleanup);
  ok &= Bind(library, "curl_easy_setopt", &api.easy_setopt);
  ok &= Bind(library, "curl_easy_getinfo", &api.easy_getinfo);
  ok &= Bind(library, "curl_multi_init", &api.multi_init);
  ok &= Bind(library, "curl_multi_cleanup", &api.multi_cleanup);
  ok &= Bind(library, "curl_multi_add_handle", &api.multi_add_handle);
  ok &= Bind(library, "curl_multi_remove_handle", &api.multi_remove_handle);
  ok &= Bind(library, "curl_multi_perform", &api.multi_perform);
  ok &= Bind(library, "curl_multi_poll", &api.multi_poll);
  ok &= Bind(library, "curl_multi_wakeup", &api.multi_wakeup);
  ok &= Bind(library, "curl_multi_info_read", &api.multi_info_read);
  ok &= Bind(library, "curl_share_init", &api.share_init);
  ok &= Bind(library, "curl_share_cleanup", &api.share_cleanup);
  ok &= Bind(library, "curl_share_setopt", &api.share_setopt);
  ok &= Bind(library, "curl_slist_append", &api.slist_append);
  ok &= Bind(library, "curl_slist_free_all", &api.slist_free_all);
  return ok && api.global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK;
}

}  // namespace

const TCurlApi* CurlApi() {
  static std::once_flag once;
  static TCurlApi api;
  static bool loaded = false;
  std::call_once(once, [] { loaded = Load(api); });
  return loaded ? &api : nullptr;
}

}  // namespace varnika
