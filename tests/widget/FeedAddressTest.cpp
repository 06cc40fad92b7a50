#include "widget/FeedAddress.h"

#include <gtest/gtest.h>

namespace varnika {
namespace {

TEST(FeedAddress, HttpsWithPathKeepsTheHostAndObject) {
  auto address = ParseFeedAddress("https://haber.example.org/rss/gundem.xml");
  ASSERT_TRUE(address);
  EXPECT_TRUE(address->secure);
  EXPECT_EQ(address->host, "haber.example.org");
  EXPECT_EQ(address->object, "/rss/gundem.xml");
  EXPECT_EQ(address->ObjectWithRand("42"), "/rss/gundem.xml?rand=42");
}

TEST(FeedAddress, QueryIsKeptAndRandJoinsItWithAmpersand) {
  auto address = ParseFeedAddress("HTTP://127.0.0.1:8080/feed?cat=spor&lang=tr#top");
  ASSERT_TRUE(address);
  EXPECT_FALSE(address->secure);
  EXPECT_EQ(address->host, "127.0.0.1:8080");
  EXPECT_EQ(address->object, "/feed?cat=spor&lang=tr");
  EXPECT_EQ(address->ObjectWithRand("7"), "/feed?cat=spor&lang=tr&rand=7");
}

TEST(FeedAddress, BareHostAndQueryWithoutPathGetARootObject) {
  EXPECT_EQ(ParseFeedAddress("http://example.org")->object, "/");
  EXPECT_EQ(ParseFeedAddress("http://example.org?x=1")->object, "/?x=1");
  EXPECT_EQ(ParseFeedAddress("http://[::1]:9000/a")->host, "[::1]:9000");
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
