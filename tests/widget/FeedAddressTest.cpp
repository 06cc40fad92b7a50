#include "widget/FeedAddress.h"

#include <gtest/gtest.h>

namespace varnika {
namespace {

TEST(FeedAddress, AcceptedAddressesKeepTheHostAndObjectAndTakeTheRandParameter) {
  struct Case {
    const char* url;
    bool secure;
    const char* host;
    const char* object;
    const char* with_rand_7;
  };
  const Case cases[] = {
      {"https://haber.example.org/rss/gundem.xml", true, "haber.example.org", "/rss/gundem.xml",
       "/rss/gundem.xml?rand=7"},
      {"HTTP://127.0.0.1:8080/feed?cat=spor&lang=tr#top", false, "127.0.0.1:8080", "/feed?cat=spor&lang=tr",
       "/feed?cat=spor&lang=tr&rand=7"},
      {"http://example.org", false, "example.org", "/", "/?rand=7"},  // a bare host gets a root object
      {"http://example.org?x=1", false, "example.org", "/?x=1", "/?x=1&rand=7"},
      {"http://[::1]:9000/a", false, "[::1]:9000", "/a", "/a?rand=7"},
  };
  for (const Case& c : cases) {
    auto address = ParseFeedAddress(c.url);
    ASSERT_TRUE(address) << c.url;
    EXPECT_EQ(address->secure, c.secure) << c.url;
    EXPECT_EQ(address->host, c.host) << c.url;
    EXPECT_EQ(address->object, c.object) << c.url;
    EXPECT_EQ(address->ObjectWithRand("7"), c.with_rand_7) << c.url;
  }
}

TEST(FeedAddress, MalformedAddressesAreRefused) {
  for (const char* url : {"", "ftp://example.org/feed", "file:///etc/passwd", "javascript:alert(1)",
                          "example.org/feed", "http://", "http:///path", "http://user@example.org/",
                          "http://example.org:0/", "http://example.org:70000/", "http://exa mple.org/",
                          "http://example.org/a b", "http://example.org/\nx", "http://example.org:/",
                          "http://-bad.example/", "http://[zz]/"}) {
    EXPECT_FALSE(ParseFeedAddress(url)) << url;
  }
}

}  // namespace
}  // namespace varnika
