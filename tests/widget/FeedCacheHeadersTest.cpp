// The headers kept beside the feed cache: what is stored, what is read
// back, and when they are sent.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "base/Utf.h"
#include "net/Request.h"
#include "widget/FeedCacheHeaders.h"

namespace varnika::test {
namespace {

TEST(FeedCacheHeaders, StoredTextReadsBackAndOnlyForTheBodyItWasWrittenFor) {
  TResponse response(0);
  response.SetRawHeaders("HTTP/1.1 200 OK\r\nEtag: W/\"7\"\r\nContent-Type: text/xml; Charset=\"ISO-8859-9\"\r\n\r\n");
  const TFeedCacheHeaders stored = TFeedCacheHeaders::Of(response, "<rss/>");
  const TFeedCacheHeaders read = TFeedCacheHeaders::Parse(stored.Text());
  EXPECT_TRUE(read.SameAs(stored));
  EXPECT_EQ(read.etag, "W/\"7\"");
  EXPECT_EQ(read.last_modified, "");
  EXPECT_TRUE(read.Describes("<rss/>"));
  EXPECT_FALSE(read.Describes("<rss/>\n"));
  EXPECT_FALSE(read.Describes("<rsz/>"));
  EXPECT_FALSE(TFeedCacheHeaders::Parse("garbage").Describes(""));  // an empty cache is never described

  TRequest request;
  read.AddConditions(request);
  EXPECT_EQ(request.Headers(), "If-None-Match: W/\"7\"\r\n");

  const std::pair<const char*, const char*> charsets[] = {
      {"text/xml; Charset=\"ISO-8859-9\"", "ISO-8859-9"},
      {"application/rss+xml;charset=windows-1254 ; q=1", "windows-1254"},
      {"text/xml; format=x; charset=utf-8", "utf-8"},
      {"text/xml", ""},
      {"text/xml; charsets=x", ""},
  };
  for (const auto& [type, charset] : charsets) {
    TFeedCacheHeaders headers;
    headers.content_type = type;
    EXPECT_EQ(headers.Charset(), charset) << type;
  }
}

TEST(FeedCacheHeaders, TheSidecarIsIgnoredForACacheItDoesNotDescribe) {
  const std::filesystem::path folder =
      std::filesystem::temp_directory_path() / ("varnika-cache-headers-" + std::to_string(::getpid()));
  std::filesystem::create_directories(folder);
  const std::u16string cache = Utf8ToUtf16((folder / "news.xml").string());
  std::ofstream(folder / "news.xml", std::ios::binary) << "<rss>1</rss>";
  EXPECT_EQ(ReadFeedCacheHeaders(cache).etag, "");  // no sidecar yet
  TResponse response(0);
  response.SetRawHeaders("HTTP/1.1 200 OK\r\nETag: \"a\"\r\n\r\n");
  WriteFeedCacheHeaders(cache, TFeedCacheHeaders::Of(response, "<rss>1</rss>"));
  EXPECT_EQ(ReadFeedCacheHeaders(cache).etag, "\"a\"");
  std::ofstream(folder / "news.xml", std::ios::binary) << "<rss>2</rss>";  // the same size, other bytes
  EXPECT_EQ(ReadFeedCacheHeaders(cache).etag, "");
  std::filesystem::remove_all(folder);
}

}  // namespace
}  // namespace varnika::test
