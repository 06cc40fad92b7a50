// One blocking HTTP exchange (TRequest) and what it brings back (TResponse).
//
// A request is given its values, executed once on a download thread and read
// by its owner afterwards. Execute reports 0 when the exchange completed (an
// HTTP error page is a completed exchange) and -1 when it failed; it never
// raises.
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <string_view>

#include "base/Stream.h"
#include "base/WinTypes.h"
#include "net/Internet.h"

namespace varnika {

// The value slots of a request.
enum TRequestValue : int {
  rvHost = 0,         // server name, optionally with ":port"
  rvObject = 1,       // path and query
  rvVerb = 2,         // "GET" by default
  rvCookie = 3,       // "Cookie: %s\r\n"
  rvContentType = 4,  // "Content-Type: %s\r\n"
  rvReserved5 = 5,
  rvAccept = 6,       // "Accept: %s\r\n"
  rvConnection = 7,   // "Connection: %s\r\n"
  rvVersion = 8,      // "HTTP/1.1" by default
  rvReferer = 9,      // "Referer: %s\r\n"
  rvUserAgent = 10,   // "User-Agent: %s\r\n"
  rvReserved11 = 11,
};

// Response value slot that Execute fills.
constexpr int rvSetCookie = 4;

constexpr int kValueCount = 12;

// Bounds that keep a request from hanging or eating memory. The defaults are
// what the program uses; tests shorten them.
struct TRequestLimits {
  std::int64_t connect_timeout_ms = 30'000;         // name lookup and connect
  std::int64_t stall_timeout_ms = 60'000;           // longest time without a byte
  std::int64_t max_body_bytes = 32LL * 1024 * 1024;  // a larger body fails the request
  // Longest whole exchange, redirects included: a server that sends a byte
  // now and then never stalls, but cannot keep a download busy for ever.
  std::int64_t exchange_timeout_ms = 120'000;
};

class TResponse {
 public:
  explicit TResponse(std::int32_t user_value) : user_value_(user_value) {}
  TResponse(const TResponse&) = delete;
  TResponse& operator=(const TResponse&) = delete;

  std::int32_t UserValue() const { return user_value_; }

  // Slots 0..11; other indices are ignored (SetValue) or read as "" (GetValue).
  const std::string& GetValue(int index) const;
  void SetValue(int index, const std::string& text);

  TMemoryStream& Body() { return body_; }
  const TMemoryStream& Body() const { return body_; }

  // The final response's header block: status line and header lines, each
  // ended by CR LF, then the empty line.
  const std::string& RawHeaders() const { return raw_headers_; }
  void SetRawHeaders(const std::string& text) { raw_headers_ = text; }

 private:
  std::int32_t user_value_;
  std::string values_[kValueCount];
  TMemoryStream body_;
  std::string raw_headers_;
};

// The whole body as one 8-bit string, byte for byte.
std::string ResponseText(const TResponse& response);

// The status code of the final response ("HTTP/1.1 304 Not Modified": 304);
// 0 when no header block came.
int ResponseStatus(const TResponse& response);

// The value of the first line "name: value" of a header block (lines ended
// by LF or CR LF; the name's ASCII case ignored, blanks around the value
// trimmed); "" when there is none.
std::string HeaderValue(std::string_view block, std::string_view name);

class TRequest {
 public:
  TRequest();
  TRequest(const TRequest&) = delete;
  TRequest& operator=(const TRequest&) = delete;

  TResponse& Response() { return response_; }
  const TResponse& Response() const { return response_; }

  const std::string& PostData() const { return post_data_; }
  void SetPostData(const std::string& data) { post_data_ = data; }

  const std::string& GetValue(int index) const;
  void SetValue(int index, const std::string& text);

  std::int32_t Context() const { return context_; }
  void SetContext(std::int32_t context) { context_ = context; }

  // The extra header lines built by Execute.
  const std::string& Headers() const { return headers_; }

  BYTE Secure() const { return secure_; }
  void SetSecure(BYTE secure) { secure_ = secure; }
  BYTE FollowRedirects() const { return follow_redirects_; }
  void SetFollowRedirects(BYTE follow) { follow_redirects_ = follow; }

  const TRequestLimits& Limits() const { return limits_; }
  void SetLimits(const TRequestLimits& limits) { limits_ = limits; }

  // Appends format, with value as its one %s argument, to Headers; an empty
  // value adds nothing, nor does one holding CR, LF or NUL (it would end
  // the line early and smuggle in lines of its own).
  void AddHeader(const std::string& value, const std::string& format);

  // Performs the exchange; blocks until the whole body has been read, the
  // exchange failed or Abort was called. 0 completed, -1 failed.
  std::int32_t Execute(const HINTERNET& internet);

  // Safe from any thread: a running Execute ends promptly with -1, a later
  // one fails at once.
  void Abort();
  bool Aborted() const { return aborted_.load(); }

 private:
  friend class TTransfer;
  std::int32_t Perform(const HINTERNET& internet);
  void BuildHeaders();
  // The running transfer registers its multi handle here so Abort can wake it.
  void SetWakeTarget(CURLM* multi);

  TResponse response_{0};
  std::string post_data_;
  std::string values_[kValueCount];
  std::int32_t context_ = 0;
  std::string headers_;
  BYTE secure_ = 0;
  BYTE follow_redirects_ = 1;
  TRequestLimits limits_;

  std::atomic<bool> aborted_{false};
  std::mutex wake_mutex_;
  CURLM* wake_target_ = nullptr;
};

}  // namespace varnika
