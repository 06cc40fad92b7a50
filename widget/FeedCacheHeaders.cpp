#include "widget/FeedCacheHeaders.h"

#include <cstdlib>

#include "base/AsciiCase.h"
#include "base/FileRead.h"
#include "base/Stream.h"
#include "base/Utf.h"
#include "feed/XmlDocument.h"
#include "net/Request.h"

namespace varnika {
namespace {

constexpr char kBodySize[] = "X-Body-Size";
constexpr char kBodyHash[] = "X-Body-Hash";

// 64-bit FNV-1a: enough to tell a changed cache from the one a sidecar was
// written for.
std::uint64_t BodyHash(std::string_view body) {
  std::uint64_t hash = 0xcbf29ce484222325ULL;
  for (unsigned char c : body) hash = (hash ^ c) * 0x100000001b3ULL;
  return hash;
}

std::uint64_t ReadNumber(std::string_view text) { return std::strtoull(std::string(text).c_str(), nullptr, 16); }

std::string Line(std::string_view name, std::string_view value) {
  if (value.empty()) return {};
  return std::string(name) + ": " + std::string(value) + "\n";
}

}  // namespace

TFeedCacheHeaders TFeedCacheHeaders::Of(const TResponse& response, std::string_view body) {
  const std::string& block = response.RawHeaders();
  return TFeedCacheHeaders{HeaderValue(block, "ETag"), HeaderValue(block, "Last-Modified"),
                           HeaderValue(block, "Content-Type"), body.size(), BodyHash(body)};
}

TFeedCacheHeaders TFeedCacheHeaders::Parse(std::string_view text) {
  return TFeedCacheHeaders{HeaderValue(text, "ETag"), HeaderValue(text, "Last-Modified"),
                           HeaderValue(text, "Content-Type"), ReadNumber(HeaderValue(text, kBodySize)),
                           ReadNumber(HeaderValue(text, kBodyHash))};
}

std::string TFeedCacheHeaders::Text() const {
  char size[32];
  char hash[32];
  std::snprintf(size, sizeof size, "%llx", static_cast<unsigned long long>(body_size));
  std::snprintf(hash, sizeof hash, "%016llx", static_cast<unsigned long long>(body_hash));
  return Line("ETag", etag) + Line("Last-Modified", last_modified) + Line("Content-Type", content_type) +
         Line(kBodySize, size) + Line(kBodyHash, hash);
}

bool TFeedCacheHeaders::Describes(std::string_view body) const {
  return body.size() == body_size && BodyHash(body) == body_hash;
}

bool TFeedCacheHeaders::SameAs(const TFeedCacheHeaders& other) const {
  return etag == other.etag && last_modified == other.last_modified && content_type == other.content_type &&
         body_size == other.body_size && body_hash == other.body_hash;
}

void TFeedCacheHeaders::AddConditions(TRequest& request) const {
  request.AddHeader(etag, "If-None-Match: %s\r\n");
  request.AddHeader(last_modified, "If-Modified-Since: %s\r\n");
}

std::string TFeedCacheHeaders::Charset() const {
  std::string_view rest = content_type;
  for (std::size_t semicolon; (semicolon = rest.find(';')) != std::string_view::npos;) {
    rest.remove_prefix(semicolon + 1);
    std::string_view param = rest.substr(0, rest.find(';'));
    while (!param.empty() && (param.front() == ' ' || param.front() == '\t')) param.remove_prefix(1);
    if (!StartsWithNoCase(param, "charset=")) continue;
    param.remove_prefix(8);
    while (!param.empty() && (param.back() == ' ' || param.back() == '\t')) param.remove_suffix(1);
    if (param.size() >= 2 && param.front() == '"' && param.back() == '"') param = param.substr(1, param.size() - 2);
    return std::string(param);
  }
  return {};
}

std::u16string FeedCacheHeadersFile(const std::u16string& cache_file) { return cache_file + u".headers"; }

std::string ReadCacheFile(const std::u16string& file_name) {
  std::string bytes;
  ReadRegularFile(Utf16ToUtf8(file_name), TXmlDocument::kMaxFileBytes, bytes);
  return bytes;
}

TFeedCacheHeaders ReadFeedCacheHeaders(const std::u16string& cache_file) {
  TFeedCacheHeaders headers = TFeedCacheHeaders::Parse(ReadCacheFile(FeedCacheHeadersFile(cache_file)));
  if (headers.body_size == 0 || !headers.Describes(ReadCacheFile(cache_file))) return {};
  return headers;
}

void WriteFeedCacheHeaders(const std::u16string& cache_file, const TFeedCacheHeaders& headers) {
  SaveBytesToFile(FeedCacheHeadersFile(cache_file), headers.Text());
}

}  // namespace varnika
