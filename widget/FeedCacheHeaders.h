// What the widget keeps of the response that brought the cached feed, in a
// small file beside the cache: the validators (ETag, Last-Modified) that let
// the next download ask for the feed only if it changed, and the
// Content-Type the body came with. The file also records the size and a
// checksum of the body it was written for, so its validators are never sent
// for a cache they do not describe (one written while the sidecar could not
// be, or replaced by hand): the server then sends the whole feed again.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace varnika {

class TRequest;
class TResponse;

struct TFeedCacheHeaders {
  std::string etag;
  std::string last_modified;
  std::string content_type;
  std::uint64_t body_size = 0;
  std::uint64_t body_hash = 0;

  // The headers of response, written for body.
  static TFeedCacheHeaders Of(const TResponse& response, std::string_view body);
  // Reads the text that Text wrote; what it does not hold stays empty.
  static TFeedCacheHeaders Parse(std::string_view text);
  // Header lines, "Name: value" each ended by LF.
  std::string Text() const;

  bool Describes(std::string_view body) const;
  bool SameAs(const TFeedCacheHeaders& other) const;
  // Adds If-None-Match and If-Modified-Since for the validators held.
  void AddConditions(TRequest& request) const;
  // The charset parameter of the Content-Type, unquoted ("" when none).
  std::string Charset() const;
};

// The sidecar file of a cache file: its name with ".headers" appended.
std::u16string FeedCacheHeadersFile(const std::u16string& cache_file);
// The whole cache file (or sidecar); "" when it is not a regular file
// within the size a download may have.
std::string ReadCacheFile(const std::u16string& file_name);
// The headers stored for cache_file when they describe its current bytes,
// else empty ones.
TFeedCacheHeaders ReadFeedCacheHeaders(const std::u16string& cache_file);
// Replaces the sidecar of cache_file atomically; raises as SaveBytesToFile.
void WriteFeedCacheHeaders(const std::u16string& cache_file, const TFeedCacheHeaders& headers);

}  // namespace varnika
