// The address of a feed: the user's own "http(s)://host[:port]/path?query",
// split into what a request needs. A query is kept, and the random value
// that keeps caches out of the way is appended to it.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace varnika {

struct TFeedAddress {
  bool secure = false;  // https
  std::string host;     // with ":port" when the address names one
  std::string object;   // path and query, starting with "/"

  // object followed by "rand=<value>", after "?" or, when object already
  // has a query, after "&".
  std::string ObjectWithRand(std::string_view value) const;
};

// An absolute http or https address with a host name or address (IPv6 in
// brackets), an optional port 1..65535, no user part, no spaces or control
// characters. The fragment is dropped. Anything else: nullopt.
std::optional<TFeedAddress> ParseFeedAddress(std::string_view url);

}  // namespace varnika
