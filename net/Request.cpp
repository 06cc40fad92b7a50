// Reading map. Helpers for header text and host names at the top; then
// TResponse (the values a response carries), TTransfer (one exchange on
// libcurl: setup, the socket callbacks, Drive, header and body callbacks:
// start at Run), reading a header's value from a block, and TRequest (the
// public face: headers, Execute, Abort).
#include "net/Request.h"

#include <curl/curl.h>
#include <linux/tcp.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <string_view>
#include <vector>

#include "base/AsciiCase.h"
#include "base/Format.h"
#include "net/Curl.h"

namespace varnika {

namespace {

const std::string kEmptyValue;

// The extra header lines, in the order they are sent.
struct THeaderLine {
  int slot;
  const char* format;
};
constexpr THeaderLine kHeaderLines[] = {
    {rvAccept, "Accept: %s\r\n"},         {rvCookie, "Cookie: %s\r\n"},
    {rvReferer, "Referer: %s\r\n"},       {rvUserAgent, "User-Agent: %s\r\n"},
    {rvConnection, "Connection: %s\r\n"}, {rvContentType, "Content-Type: %s\r\n"},
};

// Header texts are handed over through a fixed buffer of this size: a text
// that does not fit (with its terminating zero) reads as empty.
constexpr std::size_t kHeaderBufferSize = 8192;
constexpr long kMaxRedirects = 30;
// How long a resolved name stays in the session's cache. libcurl's own 60 s
// just misses a request made every minute (the widget's counter), and each
// lookup costs a thread of libcurl's resolver; five minutes covers it.
constexpr long kDnsCacheSeconds = 300;
// Longest sleep of the transfer loop; Abort wakes it earlier.
constexpr std::int64_t kMaxPollMs = 1000;

bool ValidSlot(int index) { return index >= 0 && index < kValueCount; }

// Bytes the kernel has received on a TCP socket so far (0 for others).
std::uint64_t SocketBytesReceived(int socket) {
  tcp_info info{};
  socklen_t size = sizeof info;
  if (getsockopt(socket, IPPROTO_TCP, TCP_INFO, &info, &size) != 0) return 0;
  return info.tcpi_bytes_received;
}

bool EndsWithNoCase(std::string_view text, std::string_view suffix) {
  if (text.size() < suffix.size()) return false;
  return StartsWithNoCase(text.substr(text.size() - suffix.size()), suffix);
}

std::string_view Trim(std::string_view text) {
  const auto blank = [](char c) { return c == ' ' || c == '\t'; };
  while (!text.empty() && blank(text.front())) text.remove_prefix(1);
  while (!text.empty() && blank(text.back())) text.remove_suffix(1);
  return text;
}

std::string QueryHeaderText(std::string_view text) {
  text = text.substr(0, text.find('\0'));
  if (text.size() >= kHeaderBufferSize) return std::string();
  return std::string(text);
}

// The name part of "name", "name:port" or "[v6]:port".
std::string_view HostName(std::string_view host) {
  if (!host.empty() && host.front() == '[') return host.substr(0, host.find(']') + 1);
  return host.substr(0, host.find(':'));
}

// Names under ".invalid" never resolve; they fail without a lookup.
bool IsReservedInvalidName(std::string_view name) {
  if (!name.empty() && name.back() == '.') name.remove_suffix(1);
  return EndsWithNoCase(name, ".invalid") || (name.size() == 7 && EndsWithNoCase(name, "invalid"));
}

// A host value must stay a host: nothing in it may start a path, query,
// fragment or user part of the URL.
bool IsAcceptableHost(std::string_view host) {
  if (host.empty()) return false;
  for (const char c : host) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte <= 0x20 || byte == 0x7F) return false;
    if (c == '/' || c == '\\' || c == '?' || c == '#' || c == '@') return false;
  }
  return true;
}

// The object as the request target: always starting with "/", with blanks,
// control bytes and non-ASCII bytes percent-escaped and everything else kept.
std::string EscapeObject(std::string_view object) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string target;
  target.reserve(object.size() + 1);
  if (object.empty() || object.front() != '/') target += '/';
  for (const char c : object) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte <= 0x20 || byte >= 0x7F) {
      target += '%';
      target += kHex[byte >> 4];
      target += kHex[byte & 0xF];
    } else {
      target += c;
    }
  }
  return target;
}

long CurlHttpVersion(const std::string& version) {
  return version == "HTTP/1.0" ? CURL_HTTP_VERSION_1_0 : CURL_HTTP_VERSION_1_1;
}

}  // namespace

// --- TResponse -------------------------------------------------------------

const std::string& TResponse::GetValue(int index) const {
  return ValidSlot(index) ? values_[index] : kEmptyValue;
}

void TResponse::SetValue(int index, const std::string& text) {
  if (ValidSlot(index)) values_[index] = text;
}

std::string ResponseText(const TResponse& response) { return response.Body().DataString(); }

// --- TTransfer: one exchange on libcurl ------------------------------------

class TTransfer {
 public:
  TTransfer(TRequest& request, HINTERNET internet)
      : request_(request), response_(request.Response()), internet_(std::move(internet)) {}
  TTransfer(const TTransfer&) = delete;
  TTransfer& operator=(const TTransfer&) = delete;

  // True when the exchange completed.
  bool Run();

 private:
  bool Setup();
  bool SetMethod(CURL* easy);
  bool AppendHeaderLine(const std::string& line);
  bool BuildHeaderList();
  CURLcode Drive(CURLM* multi);
  std::uint64_t Activity() const;

  // The transfer's own sockets, so that every byte the kernel received on
  // them counts as activity (partial header lines and chunk framing too).
  static curl_socket_t OnOpenSocket(void* self, curlsocktype purpose, curl_sockaddr* address);
  static int OnCloseSocket(void* self, curl_socket_t socket);

  static std::size_t OnHeader(char* data, std::size_t size, std::size_t count, void* self);
  static std::size_t OnBody(char* data, std::size_t size, std::size_t count, void* self);
  void HeaderLine(std::string_view line);
  void HeaderBlockEnd();
  bool AppendBody(const char* data, std::size_t size);
  bool DiscardBody();

  TRequest& request_;
  TResponse& response_;
  HINTERNET internet_;  // declared first: the session outlives the handles
  const TCurlApi* api_ = nullptr;  // set by Setup once the session's share exists
  std::string url_;
  TCurlSlist header_list_;
  std::vector<curl_socket_t> sockets_;  // before easy_: its cleanup may still close some
  TCurlEasy easy_;

  // The header block being received, and whether the final one is in.
  std::string block_;
  std::string block_cookie_;
  bool block_has_cookie_ = false;
  bool block_has_location_ = false;
  bool block_ended_ = true;
  bool final_headers_ = false;
  bool body_started_ = false;
  bool switched_ = false;  // the server answered 101 Switching Protocols
  std::uint64_t header_bytes_ = 0;
};

bool TTransfer::Run() {
  if (!Setup()) return false;
  TCurlMulti multi(api_->multi_init());
  if (!multi) return false;
  TCurlMultiAttachment attachment(multi.get(), easy_.get());
  if (!attachment.Attached()) return false;
  struct TWakeRegistration {
    TRequest& request;
    TWakeRegistration(TRequest& r, CURLM* m) : request(r) { request.SetWakeTarget(m); }
    ~TWakeRegistration() { request.SetWakeTarget(nullptr); }
  } wake(request_, multi.get());
  return Drive(multi.get()) == CURLE_OK;
}

bool TTransfer::Setup() {
  CURLSH* share = internet_->Share();
  if (!share) return false;  // no libcurl
  api_ = CurlApi();
  easy_.reset(api_->easy_init());
  if (!easy_ || !BuildHeaderList()) return false;
  CURL* easy = easy_.get();
  const TRequestLimits& limits = request_.Limits();
  url_ = (request_.Secure() ? "https://" : "http://") + request_.GetValue(rvHost) +
         EscapeObject(request_.GetValue(rvObject));
  bool ok = true;
  ok &= api_->easy_setopt(easy, CURLOPT_URL, url_.c_str()) == CURLE_OK;
  ok &= api_->easy_setopt(easy, CURLOPT_SHARE, share) == CURLE_OK;
  ok &= api_->easy_setopt(easy, CURLOPT_DNS_CACHE_TIMEOUT, kDnsCacheSeconds) == CURLE_OK;
  ok &= api_->easy_setopt(easy, CURLOPT_NOSIGNAL, 1L) == CURLE_OK;
  ok &= api_->easy_setopt(easy, CURLOPT_PROTOCOLS_STR, "http,https") == CURLE_OK;
  ok &= api_->easy_setopt(easy, CURLOPT_REDIR_PROTOCOLS_STR, "http,https") == CURLE_OK;
  ok &= api_->easy_setopt(easy, CURLOPT_FOLLOWLOCATION, request_.FollowRedirects() ? 1L : 0L) == CURLE_OK;
  ok &= api_->easy_setopt(easy, CURLOPT_MAXREDIRS, kMaxRedirects) == CURLE_OK;
  ok &= api_->easy_setopt(easy, CURLOPT_HTTP_VERSION, CurlHttpVersion(request_.GetValue(rvVersion))) == CURLE_OK;
  ok &= api_->easy_setopt(easy, CURLOPT_PATH_AS_IS, 1L) == CURLE_OK;
  ok &= api_->easy_setopt(easy, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(limits.connect_timeout_ms)) == CURLE_OK;
  ok &= api_->easy_setopt(easy, CURLOPT_SUPPRESS_CONNECT_HEADERS, 1L) == CURLE_OK;
  // An abort or time-out during a name lookup does not wait for the lookup
  // thread; it ends by itself.
  ok &= api_->easy_setopt(easy, CURLOPT_QUICK_EXIT, 1L) == CURLE_OK;
  ok &= api_->easy_setopt(easy, CURLOPT_HTTPHEADER, header_list_.get()) == CURLE_OK;
  ok &= api_->easy_setopt(easy, CURLOPT_HEADERFUNCTION, &TTransfer::OnHeader) == CURLE_OK;
  ok &= api_->easy_setopt(easy, CURLOPT_HEADERDATA, this) == CURLE_OK;
  ok &= api_->easy_setopt(easy, CURLOPT_WRITEFUNCTION, &TTransfer::OnBody) == CURLE_OK;
  ok &= api_->easy_setopt(easy, CURLOPT_WRITEDATA, this) == CURLE_OK;
  ok &= api_->easy_setopt(easy, CURLOPT_OPENSOCKETFUNCTION, &TTransfer::OnOpenSocket) == CURLE_OK;
  ok &= api_->easy_setopt(easy, CURLOPT_OPENSOCKETDATA, this) == CURLE_OK;
  ok &= api_->easy_setopt(easy, CURLOPT_CLOSESOCKETFUNCTION, &TTransfer::OnCloseSocket) == CURLE_OK;
  ok &= api_->easy_setopt(easy, CURLOPT_CLOSESOCKETDATA, this) == CURLE_OK;
  return ok && SetMethod(easy);
}

// libcurl picks GET, or POST when there is a body; any other verb, or GET
// with a body, is named explicitly. HEAD expects no body.
bool TTransfer::SetMethod(CURL* easy) {
  const std::string verb = request_.GetValue(rvVerb).empty() ? "GET" : request_.GetValue(rvVerb);
  const std::string& data = request_.PostData();
  const bool send_body = !data.empty() || verb == "POST";
  bool ok = true;
  if (send_body) {
    ok &= api_->easy_setopt(easy, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(data.size())) == CURLE_OK;
    ok &= api_->easy_setopt(easy, CURLOPT_POSTFIELDS, data.c_str()) == CURLE_OK;
  }
  if (verb == "HEAD") ok &= api_->easy_setopt(easy, CURLOPT_NOBODY, 1L) == CURLE_OK;
  const std::string implied = send_body ? "POST" : "GET";
  if (verb != implied && verb != "HEAD")
    ok &= api_->easy_setopt(easy, CURLOPT_CUSTOMREQUEST, verb.c_str()) == CURLE_OK;
  return ok;
}

bool TTransfer::AppendHeaderLine(const std::string& line) {
  curl_slist* head = api_->slist_append(header_list_.get(), line.c_str());
  if (head == nullptr) return false;
  (void)header_list_.release();
  header_list_.reset(head);
  return true;
}

// The request's own header lines, then empty entries that switch off the
// lines libcurl would add by itself ("Accept: */*", "Expect: 100-continue",
// a form Content-Type for a body).
bool TTransfer::BuildHeaderList() {
  const std::string& block = request_.Headers();
  std::size_t start = 0;
  while (start < block.size()) {
    std::size_t end = block.find("\r\n", start);
    if (end == std::string::npos) end = block.size();
    if (end > start && !AppendHeaderLine(block.substr(start, end - start))) return false;
    start = end + 2;
  }
  if (request_.GetValue(rvAccept).empty() && !AppendHeaderLine("Accept:")) return false;
  if (request_.GetValue(rvContentType).empty() && !AppendHeaderLine("Content-Type:")) return false;
  return AppendHeaderLine("Expect:");
}

curl_socket_t TTransfer::OnOpenSocket(void* self, curlsocktype, curl_sockaddr* address) {
  const int fd = ::socket(address->family, address->socktype | SOCK_CLOEXEC, address->protocol);
  if (fd < 0) return CURL_SOCKET_BAD;
  try {
    static_cast<TTransfer*>(self)->sockets_.push_back(fd);
  } catch (...) {
    ::close(fd);
    return CURL_SOCKET_BAD;
  }
  return fd;
}

int TTransfer::OnCloseSocket(void* self, curl_socket_t socket) {
  std::erase(static_cast<TTransfer*>(self)->sockets_, socket);
  return ::close(socket);
}

// A number that changes whenever anything moves: bytes the kernel received
// on the transfer's sockets, header and body bytes libcurl passed on, bytes
// sent.
std::uint64_t TTransfer::Activity() const {
  curl_off_t down = 0;
  curl_off_t up = 0;
  api_->easy_getinfo(easy_.get(), CURLINFO_SIZE_DOWNLOAD_T, &down);
  api_->easy_getinfo(easy_.get(), CURLINFO_SIZE_UPLOAD_T, &up);
  std::uint64_t received = 0;
  for (const curl_socket_t socket : sockets_) received += SocketBytesReceived(socket);
  return received + header_bytes_ + static_cast<std::uint64_t>(down) + static_cast<std::uint64_t>(up);
}

// Runs the transfer until it is done, aborted, stalled or out of time.
// libcurl keeps the connect time-out; the stall time-out and the limit of
// the whole exchange are kept here in milliseconds.
CURLcode TTransfer::Drive(CURLM* multi) {
  using Clock = std::chrono::steady_clock;
  const TRequestLimits& limits = request_.Limits();
  const auto stall = std::chrono::milliseconds(limits.stall_timeout_ms);
  const auto deadline = Clock::now() + std::chrono::milliseconds(limits.exchange_timeout_ms);
  auto last_activity = Clock::now();
  std::uint64_t last_seen = Activity();
  for (;;) {
    if (request_.Aborted()) return CURLE_ABORTED_BY_CALLBACK;
    int running = 0;
    if (api_->multi_perform(multi, &running) != CURLM_OK) return CURLE_FAILED_INIT;
    if (running == 0) break;
    const auto now = Clock::now();
    if (const std::uint64_t seen = Activity(); seen != last_seen) {
      last_seen = seen;
      last_activity = now;
    }
    const auto idle = now - last_activity;
    if (idle >= stall || now >= deadline) return CURLE_OPERATION_TIMEDOUT;
    const auto left = std::min(std::chrono::duration_cast<std::chrono::milliseconds>(stall - idle),
                               std::chrono::duration_cast<std::chrono::milliseconds>(deadline - now));
    const int wait_ms = static_cast<int>(std::min<std::int64_t>(left.count() + 1, kMaxPollMs));
    if (api_->multi_poll(multi, nullptr, 0, wait_ms, nullptr) != CURLM_OK) return CURLE_FAILED_INIT;
  }
  int queued = 0;
  while (CURLMsg* message = api_->multi_info_read(multi, &queued)) {
    if (message->msg == CURLMSG_DONE && message->easy_handle == easy_.get()) return message->data.result;
  }
  return CURLE_FAILED_INIT;
}

std::size_t TTransfer::OnHeader(char* data, std::size_t size, std::size_t count, void* self) {
  auto* transfer = static_cast<TTransfer*>(self);
  const std::size_t bytes = size * count;
  try {
    transfer->header_bytes_ += bytes;
    transfer->HeaderLine(std::string_view(data, bytes));
    return transfer->switched_ ? 0 : bytes;  // 0 ends the exchange as failed
  } catch (...) {
    return 0;
  }
}

// Collects each response's header block; interim (1xx) blocks and redirects
// that libcurl follows are dropped, the final block fills the response.
// Lines after the final block (chunked trailers) are not part of it.
void TTransfer::HeaderLine(std::string_view line) {
  if (final_headers_) return;
  while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.remove_suffix(1);
  if (block_ended_) {
    block_.clear();
    block_cookie_.clear();
    block_has_cookie_ = false;
    block_has_location_ = false;
    block_ended_ = false;
  }
  block_.append(line);
  block_ += "\r\n";
  if (line.empty()) return HeaderBlockEnd();
  if (StartsWithNoCase(line, "Location:") && !Trim(line.substr(9)).empty()) block_has_location_ = true;
  if (StartsWithNoCase(line, "Set-Cookie:") && !block_has_cookie_) {
    block_has_cookie_ = true;
    block_cookie_ = std::string(Trim(line.substr(11)));
  }
}

void TTransfer::HeaderBlockEnd() {
  block_ended_ = true;
  // "HTTP/1.1 302 Found": the code follows the first blank.
  const std::size_t blank = block_.find(' ');
  const int code = blank == std::string::npos ? 0 : std::atoi(block_.c_str() + blank + 1);
  // A plain request never asks to switch protocols: what follows a 101 is
  // not HTTP, so the exchange fails.
  if (code == 101) {
    switched_ = true;
    return;
  }
  if (code >= 100 && code < 200) return;
  if (request_.FollowRedirects() && code >= 300 && code < 400 && block_has_location_) return;
  final_headers_ = true;
  response_.SetRawHeaders(QueryHeaderText(block_));
  response_.SetValue(rvSetCookie, QueryHeaderText(block_cookie_));
}

std::size_t TTransfer::OnBody(char* data, std::size_t size, std::size_t count, void* self) {
  auto* transfer = static_cast<TTransfer*>(self);
  const std::size_t bytes = size * count;
  try {
    return transfer->AppendBody(data, bytes) ? bytes : CURL_WRITEFUNC_ERROR;
  } catch (...) {
    return CURL_WRITEFUNC_ERROR;
  }
}

bool TTransfer::AppendBody(const char* data, std::size_t size) {
  if (request_.Aborted()) return false;
  TMemoryStream& body = response_.Body();
  const std::int64_t cap = request_.Limits().max_body_bytes;
  if (!body_started_) {
    body_started_ = true;
    body.Seek(0, TStream::Origin::End);
    curl_off_t length = -1;
    api_->easy_getinfo(easy_.get(), CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &length);
    if (length > cap - body.Size()) return DiscardBody();
    // A known length is reserved at once, so the body never holds more
    // memory than its own size.
    if (length > 0 && body.Size() == 0) body.Reserve(length);
  }
  if (static_cast<std::int64_t>(size) > cap - body.Size()) return DiscardBody();
  body.WriteBuffer(data, static_cast<std::int64_t>(size));
  return true;
}

bool TTransfer::DiscardBody() {
  response_.Body().Clear();
  return false;
}

// --- response headers ------------------------------------------------------

int ResponseStatus(const TResponse& response) {
  const std::string& block = response.RawHeaders();
  const std::size_t blank = block.find(' ');
  if (block.rfind("HTTP/", 0) != 0 || blank == std::string::npos || blank > block.find('\n')) return 0;
  return std::atoi(block.c_str() + blank + 1);
}

std::string HeaderValue(std::string_view block, std::string_view name) {
  while (!block.empty()) {
    const std::size_t end = block.find('\n');
    std::string_view line = block.substr(0, end);
    block = end == std::string_view::npos ? std::string_view() : block.substr(end + 1);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (line.size() > name.size() && line[name.size()] == ':' && StartsWithNoCase(line, name))
      return std::string(Trim(line.substr(name.size() + 1)));
  }
  return {};
}

// --- TRequest --------------------------------------------------------------

TRequest::TRequest() {
  values_[rvVerb] = "GET";
  values_[rvVersion] = "HTTP/1.1";
}

const std::string& TRequest::GetValue(int index) const {
  return ValidSlot(index) ? values_[index] : kEmptyValue;
}

void TRequest::SetValue(int index, const std::string& text) {
  if (ValidSlot(index)) values_[index] = text;
}

void TRequest::AddHeader(const std::string& value, const std::string& format) {
  if (value.empty() || value.find_first_of(std::string_view("\r\n\0", 3)) != std::string::npos) return;
  headers_ += Format(std::string_view(format), value);
}

void TRequest::BuildHeaders() {
  for (const THeaderLine& line : kHeaderLines) AddHeader(values_[line.slot], line.format);
}

std::int32_t TRequest::Execute(const HINTERNET& internet) {
  try {
    return Perform(internet);
  } catch (...) {
    return -1;
  }
}

std::int32_t TRequest::Perform(const HINTERNET& internet) {
  if (!internet || Aborted()) return -1;
  const std::string& host = values_[rvHost];
  if (!IsAcceptableHost(host) || IsReservedInvalidName(HostName(host))) return -1;
  BuildHeaders();
  TTransfer transfer(*this, internet);
  return transfer.Run() ? 0 : -1;
}

void TRequest::Abort() {
  aborted_.store(true);
  std::lock_guard<std::mutex> guard(wake_mutex_);
  if (wake_target_ != nullptr) CurlApi()->multi_wakeup(wake_target_);
}

void TRequest::SetWakeTarget(CURLM* multi) {
  std::lock_guard<std::mutex> guard(wake_mutex_);
  wake_target_ = multi;
}

}  // namespace varnika
