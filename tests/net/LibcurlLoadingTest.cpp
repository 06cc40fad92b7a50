// libcurl comes with the first request that needs it, not with the session:
// a process of its own, so that no other test has loaded it before.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cstdlib>

#include "net/Internet.h"
#include "net/Request.h"
#include "tests/net/LoopbackServer.h"
#include "tests/net/NetTestSupport.h"

namespace varnika {
namespace {

bool Loaded(const char* name) { return dlopen(name, RTLD_LAZY | RTLD_NOLOAD) != nullptr; }
bool LibcurlLoaded() { return Loaded("libcurl-gnutls.so.4") || Loaded("libcurl.so.4"); }

std::int32_t Get(const std::string& host) {
  TRequest request;
  request.SetValue(rvHost, host);
  request.SetValue(rvObject, "/");
  request.SetLimits(test::FastLimits());
  return request.Execute(InternetHandle());
}

TEST(LibcurlLoading, TheSessionLoadsNothingAndTheFirstRequestThatGoesOutLoadsIt) {
  ASSERT_EQ(setenv("no_proxy", "*", 1), 0);
  ASSERT_FALSE(LibcurlLoaded());
  ASSERT_TRUE(OpenInternet());
  EXPECT_FALSE(LibcurlLoaded());
  EXPECT_EQ(Get("name.invalid"), -1);  // refused before any lookup
  EXPECT_FALSE(LibcurlLoaded());

  test::TLoopbackServer server([](test::TServerConnection& c) {
    c.ServeAll([](const std::string&) { return test::HttpReply("200 OK", "ok"); });
  });
  EXPECT_EQ(Get(server.Host()), 0);
  EXPECT_TRUE(LibcurlLoaded());
  // One build only, the GnuTLS one where it is installed.
  const bool gnutls = Loaded("libcurl-gnutls.so.4");
  EXPECT_NE(gnutls, Loaded("libcurl.so.4"));
  EXPECT_EQ(gnutls, dlopen("libcurl-gnutls.so.4", RTLD_LAZY | RTLD_LOCAL) != nullptr);
  EXPECT_NE(InternetHandle()->Share(), nullptr);
  CloseInternet();
}

}  // namespace
}  // namespace varnika
