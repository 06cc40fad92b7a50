#include "net/Curl.h"

#include <dlfcn.h>

#include <mutex>

namespace varnika {

namespace {

// The builds of libcurl 4 that share the headers' ABI, in the order they
// are tried. Debian's GnuTLS build comes first: measured side by side with
// the OpenSSL build, a process that has made one request holds 0.65 MB less
// (9.4 against 10.1 MB), because libssl is never mapped; it costs no more
// CPU to load or to use. The OpenSSL build serves where it is missing.
constexpr const char* kLibraries[] = {"libcurl-gnutls.so.4", "libcurl.so.4"};

void* OpenLibrary() {
  for (const char* name : kLibraries) {
    if (void* library = dlopen(name, RTLD_NOW | RTLD_LOCAL)) return library;
  }
  return nullptr;
}

// libcurl initialises libssh2, and libssh2 then initialises OpenSSL's
// ciphers: 1.5 MB of libcrypto touched and kept, for the GnuTLS build too,
// which does its TLS without OpenSSL. Requests allow HTTP and HTTPS only
// (net/Request.cpp), so SSH never runs. Initialised here first without its
// cryptography, libssh2 takes libcurl's call for a second one and does
// nothing. libssh2's flag LIBSSH2_INIT_NO_CRYPTO:
constexpr int kSshInitNoCrypto = 0x0001;

void InitialiseSshWithoutCrypto(void* library) {
  using SshInit = int (*)(int);
  if (auto init = reinterpret_cast<SshInit>(dlsym(library, "libssh2_init"))) init(kSshInitNoCrypto);
}

template <typename F>
bool Bind(void* library, const char* name, F* slot) {
  *slot = reinterpret_cast<F>(dlsym(library, name));
  return *slot != nullptr;
}

bool Load(TCurlApi& api) {
  // Never closed: libcurl and what it brings keep process-wide state.
  void* library = OpenLibrary();
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
  if (!ok) return false;
  InitialiseSshWithoutCrypto(library);
  return api.global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK;
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
