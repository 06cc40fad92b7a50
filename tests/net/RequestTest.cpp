// Reading map. The fixture (requests to a loopback server answering with
// fixed bytes) at the top; then tests by theme:
// values and header lines, what goes on the wire, bodies, redirects and
// cookies, failures.
#include "net/Request.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdlib>
#include <thread>

#include "tests/net/LoopbackServer.h"
#include "tests/net/NetTestSupport.h"

namespace varnika {
namespace {

using test::FastLimits;
using test::HttpReply;
using test::MillisecondsSince;
using test::RandomBytes;
using test::TLoopbackServer;
using test::TServerConnection;
using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

// Loopback requests must never go through a proxy from the environment.
const bool kNoProxy = setenv("no_proxy", "*", 1) == 0;

class RequestTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(kNoProxy); }

  // Executes a GET for object against server with fast limits.
  std::int32_t Get(TRequest& request, const TLoopbackServer& server, const std::string& object) {
    request.SetValue(rvHost, server.Host());
    request.SetValue(rvObject, object);
    request.SetLimits(FastLimits());
    return request.Execute(internet_);
  }

  // A server answering every request with the same bytes.
  static TLoopbackServer::Handler Always(const std::string& reply) {
    return [reply](TServerConnection& c) { c.ServeAll([&](const std::string&) { return reply; }); };
  }

  HINTERNET internet_ = std::make_shared<TInternetSession>();
};

// --- values and header lines ------------------------------------------------

TEST(RequestValues, DefaultsAndSlotBounds) {
  TRequest request;
  EXPECT_EQ(request.GetValue(rvVerb), "GET");
  EXPECT_EQ(request.GetValue(rvVersion), "HTTP/1.1");
  EXPECT_EQ(request.FollowRedirects(), 1);
  EXPECT_EQ(request.Secure(), 0);
  EXPECT_EQ(request.Response().UserValue(), 0);
  for (int i : {0, 1, 3, 4, 5, 6, 7, 9, 10, 11}) EXPECT_EQ(request.GetValue(i), "") << i;

  request.SetValue(12, "x");
  request.SetValue(-1, "x");
  EXPECT_EQ(request.GetValue(12), "");
  EXPECT_EQ(request.GetValue(-1), "");
  request.SetValue(11, "last");
  EXPECT_EQ(request.GetValue(11), "last");

  TResponse& response = request.Response();
  response.SetValue(12, "x");
  response.SetValue(0, "first");
  EXPECT_EQ(response.GetValue(12), "");
  EXPECT_EQ(response.GetValue(-1), "");
  EXPECT_EQ(response.GetValue(0), "first");
}

TEST(RequestValues, AddHeaderFormatsOnlyNonEmptyValues) {
  TRequest request;
  request.AddHeader("", "Accept: %s\r\n");
  EXPECT_EQ(request.Headers(), "");
  request.AddHeader("50%s off", "Cookie: %s\r\n");
  request.AddHeader("x", "Referer: %s\r\n");
  for (const char* smuggled : {"a\r\nX-Evil: 1", "a\nb", "a\rb"}) request.AddHeader(smuggled, "If-None-Match: %s\r\n");
  request.AddHeader(std::string("a\0b", 3), "If-None-Match: %s\r\n");
  EXPECT_EQ(request.Headers(), "Cookie: 50%s off\r\nReferer: x\r\n");
}

TEST(ResponseHeaders, StatusAndValuesAreReadFromTheHeaderBlock) {
  const std::string block =
      "HTTP/1.1 304 Not Modified\r\nETag:  \"v1\" \r\nlast-modified: Mon, 07 Dec 2026 10:00:00 GMT\r\n"
      "X-ETag: no\r\nETagged: no\r\nContent-Type: text/xml; charset=windows-1254\r\nETag: \"second\"\r\n\r\n";
  TResponse response(0);
  EXPECT_EQ(ResponseStatus(response), 0);
  response.SetRawHeaders(block);
  EXPECT_EQ(ResponseStatus(response), 304);
  const std::pair<const char*, const char*> cases[] = {
      {"ETag", "\"v1\""},
      {"Last-Modified", "Mon, 07 Dec 2026 10:00:00 GMT"},
      {"content-type", "text/xml; charset=windows-1254"},
      {"Location", ""},
      {"HTTP/1.1 304 Not Modified", ""},
  };
  for (const auto& [name, value] : cases) EXPECT_EQ(HeaderValue(block, name), value) << name;
  EXPECT_EQ(HeaderValue("ETag: \"lf\"\nX: 1", "ETag"), "\"lf\"");
  response.SetRawHeaders("garbage 200\r\n\r\n");
  EXPECT_EQ(ResponseStatus(response), 0);
}

TEST(RequestValues, ExecuteWithoutInternetHandleFails) {
  TRequest request;
  request.SetValue(rvHost, "127.0.0.1");
  EXPECT_EQ(request.Execute(nullptr), -1);
  EXPECT_EQ(request.Response().Body().Size(), 0);
  EXPECT_EQ(request.Response().RawHeaders(), "");
}

TEST(Internet, OpenReplacesAndCloseIsIdempotent) {
  CloseInternet();
  CloseInternet();
  EXPECT_EQ(InternetHandle(), nullptr);
  ASSERT_TRUE(OpenInternet());
  const HINTERNET first = InternetHandle();
  ASSERT_NE(first, nullptr);
  ASSERT_TRUE(OpenInternet());
  EXPECT_NE(InternetHandle(), first);
  CloseInternet();
  EXPECT_EQ(InternetHandle(), nullptr);

  // A download that copied the handle keeps a working session after close.
  TLoopbackServer server([](TServerConnection& c) { c.ServeAll([](const std::string&) { return HttpReply("200 OK", "ok"); }); });
  TRequest request;
  request.SetValue(rvHost, server.Host());
  request.SetLimits(FastLimits());
  EXPECT_EQ(request.Execute(first), 0);
  EXPECT_EQ(ResponseText(request.Response()), "ok");
}

// --- what goes on the wire --------------------------------------------------

TEST_F(RequestTest, PlainGetSendsRequestLineAndHostOnly) {
  TLoopbackServer server(Always(HttpReply("200 OK", "hello", "X-Feed: 1\r\n")));
  TRequest request;
  ASSERT_EQ(Get(request, server, "/news/feed.xml?lang=tr"), 0);

  ASSERT_EQ(server.Requests().size(), 1u);
  EXPECT_EQ(server.Requests()[0], "GET /news/feed.xml?lang=tr HTTP/1.1\r\nHost: " + server.Host() + "\r\n\r\n");
  EXPECT_EQ(request.Headers(), "");
  EXPECT_EQ(ResponseText(request.Response()), "hello");
  EXPECT_EQ(request.Response().RawHeaders(), "HTTP/1.1 200 OK\r\nContent-Length: 5\r\nX-Feed: 1\r\n\r\n");
  EXPECT_EQ(request.Response().GetValue(rvSetCookie), "");
}

TEST_F(RequestTest, ConditionalHeadersGoOutAndA304CompletesWithoutBody) {
  TLoopbackServer server(Always("HTTP/1.1 304 Not Modified\r\nETag: \"v1\"\r\n\r\n"));
  TRequest request;
  request.AddHeader("\"v1\"", "If-None-Match: %s\r\n");
  request.AddHeader("Mon, 07 Dec 2026 10:00:00 GMT", "If-Modified-Since: %s\r\n");
  ASSERT_EQ(Get(request, server, "/feed"), 0);
  ASSERT_EQ(server.Requests().size(), 1u);
  EXPECT_EQ(server.Requests()[0], "GET /feed HTTP/1.1\r\nHost: " + server.Host() +
                                      "\r\nIf-None-Match: \"v1\"\r\nIf-Modified-Since: Mon, 07 Dec 2026 10:00:00 GMT\r\n\r\n");
  EXPECT_EQ(ResponseStatus(request.Response()), 304);
  EXPECT_EQ(ResponseText(request.Response()), "");
}

TEST_F(RequestTest, ObjectWithoutSlashOrWithBlanksStaysOneRequestTarget) {
  TLoopbackServer server(Always(HttpReply("200 OK", "")));
  TRequest request;
  ASSERT_EQ(Get(request, server, "a b/../c"), 0);
  ASSERT_EQ(server.Requests().size(), 1u);
  EXPECT_EQ(server.Requests()[0].substr(0, server.Requests()[0].find("\r\n")), "GET /a%20b/../c HTTP/1.1");
}

TEST_F(RequestTest, ExtraHeaderLinesFollowInFixedOrder) {
  TLoopbackServer server(Always(HttpReply("200 OK", "")));
  TRequest request;
  request.SetValue(rvContentType, "text/plain");
  request.SetValue(rvConnection, "close");
  request.SetValue(rvUserAgent, "Varnika/1.0");
  request.SetValue(rvReferer, "http://example.org/");
  request.SetValue(rvCookie, "id=7");
  request.SetValue(rvAccept, "application/xml");
  request.SetValue(rvReserved5, "unused");
  request.SetValue(rvReserved11, "unused");
  ASSERT_EQ(Get(request, server, "/"), 0);

  const std::string lines =
      "Accept: application/xml\r\nCookie: id=7\r\nReferer: http://example.org/\r\n"
      "User-Agent: Varnika/1.0\r\nConnection: close\r\nContent-Type: text/plain\r\n";
  EXPECT_EQ(request.Headers(), lines);
  ASSERT_EQ(server.Requests().size(), 1u);
  EXPECT_EQ(server.Requests()[0], "GET / HTTP/1.1\r\nHost: " + server.Host() + "\r\n" + lines + "\r\n");
}

TEST_F(RequestTest, OnlySetSlotsAddLines) {
  TLoopbackServer server(Always(HttpReply("200 OK", "")));
  TRequest request;
  request.SetValue(rvUserAgent, "Varnika/1.0");
  request.SetValue(rvCookie, "id=7");
  ASSERT_EQ(Get(request, server, "/"), 0);
  ASSERT_EQ(server.Requests().size(), 1u);
  EXPECT_EQ(server.Requests()[0],
            "GET / HTTP/1.1\r\nHost: " + server.Host() + "\r\nCookie: id=7\r\nUser-Agent: Varnika/1.0\r\n\r\n");
}

TEST_F(RequestTest, VerbVersionAndPostDataGoOnTheWire) {
  TLoopbackServer server(Always(HttpReply("200 OK", "")));
  TRequest request;
  request.SetValue(rvVerb, "PUT");
  request.SetValue(rvVersion, "HTTP/1.0");
  request.SetPostData("a=1&b=2");
  ASSERT_EQ(Get(request, server, "/submit"), 0);
  ASSERT_EQ(server.Requests().size(), 1u);
  EXPECT_EQ(server.Requests()[0],
            "PUT /submit HTTP/1.0\r\nHost: " + server.Host() + "\r\nContent-Length: 7\r\n\r\na=1&b=2");
}

// --- bodies -------------------------------------------------------------------

TEST_F(RequestTest, ErrorStatusIsACompletedExchangeWithItsPage) {
  TLoopbackServer server(Always(HttpReply("404 Not Found", "<h1>gone</h1>")));
  TRequest request;
  EXPECT_EQ(Get(request, server, "/missing"), 0);
  EXPECT_EQ(ResponseText(request.Response()), "<h1>gone</h1>");
  EXPECT_EQ(request.Response().RawHeaders().rfind("HTTP/1.1 404 Not Found\r\n", 0), 0u);
}

TEST_F(RequestTest, BodiesOfBufferSizesArriveIntact) {
  for (const std::size_t size : {std::size_t{0}, std::size_t{1}, std::size_t{8191}, std::size_t{8192},
                                 std::size_t{8193}, std::size_t{1'000'000}}) {
    const std::string body = RandomBytes(size, static_cast<unsigned>(size));
    TLoopbackServer server(Always(HttpReply("200 OK", body)));
    TRequest request;
    ASSERT_EQ(Get(request, server, "/data"), 0) << size;
    EXPECT_EQ(request.Response().Body().Size(), static_cast<std::int64_t>(size));
    EXPECT_TRUE(ResponseText(request.Response()) == body) << size;
  }
}

TEST_F(RequestTest, ChunkedAndCloseDelimitedBodiesArriveInOrder) {
  const std::string body = RandomBytes(30'000, 7);
  TLoopbackServer chunked([&](TServerConnection& c) {
    c.ReadRequest();
    c.Send("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n");
    const std::size_t sizes[] = {1, 8192, 100, 12'000, 9707};
    std::size_t at = 0;
    for (const std::size_t size : sizes) {
      char length[32];
      std::snprintf(length, sizeof length, "%zx\r\n", size);
      c.Send(length + body.substr(at, size) + "\r\n");
      at += size;
      c.Pause(milliseconds(5));
    }
    c.Send("0\r\nX-Trailer: t\r\n\r\n");
  });
  TRequest request;
  ASSERT_EQ(Get(request, chunked, "/"), 0);
  EXPECT_TRUE(ResponseText(request.Response()) == body);
  EXPECT_EQ(request.Response().RawHeaders(), "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n");

  TLoopbackServer until_close([&](TServerConnection& c) {
    c.ReadRequest();
    c.Send("HTTP/1.1 200 OK\r\nConnection: close\r\n\r\n" + body);
  });
  TRequest second;
  ASSERT_EQ(Get(second, until_close, "/"), 0);
  EXPECT_TRUE(ResponseText(second.Response()) == body);
}

// --- redirects and cookies ----------------------------------------------------

TLoopbackServer::Handler RedirectingServer() {
  return [](TServerConnection& c) {
    c.ServeAll([](const std::string& request) {
      if (request.rfind("GET /old ", 0) == 0)
        return HttpReply("302 Found", "moved", "Location: /new\r\nSet-Cookie: hop=1\r\n");
      return HttpReply("200 OK", "fresh", "Set-Cookie: sid=42; Path=/\r\nSet-Cookie: other=2\r\n");
    });
  };
}

TEST_F(RequestTest, RedirectIsFollowedAndTheFinalResponseKept) {
  TLoopbackServer server(RedirectingServer());
  TRequest request;
  ASSERT_EQ(Get(request, server, "/old"), 0);
  ASSERT_EQ(server.Requests().size(), 2u);
  EXPECT_EQ(server.Requests()[1], "GET /new HTTP/1.1\r\nHost: " + server.Host() + "\r\n\r\n");
  EXPECT_EQ(ResponseText(request.Response()), "fresh");
  EXPECT_EQ(request.Response().RawHeaders(),
            "HTTP/1.1 200 OK\r\nContent-Length: 5\r\nSet-Cookie: sid=42; Path=/\r\nSet-Cookie: other=2\r\n\r\n");
  EXPECT_EQ(request.Response().GetValue(rvSetCookie), "sid=42; Path=/");
}

TEST_F(RequestTest, RedirectIsNotFollowedWhenSwitchedOff) {
  TLoopbackServer server(RedirectingServer());
  TRequest request;
  request.SetFollowRedirects(0);
  ASSERT_EQ(Get(request, server, "/old"), 0);
  EXPECT_EQ(server.Requests().size(), 1u);
  EXPECT_EQ(ResponseText(request.Response()), "moved");
  EXPECT_EQ(request.Response().RawHeaders(),
            "HTTP/1.1 302 Found\r\nContent-Length: 5\r\nLocation: /new\r\nSet-Cookie: hop=1\r\n\r\n");
  EXPECT_EQ(request.Response().GetValue(rvSetCookie), "hop=1");
}

TEST_F(RequestTest, EndlessRedirectsFail) {
  TLoopbackServer server(Always(HttpReply("302 Found", "", "Location: /again\r\n")));
  TRequest request;
  EXPECT_EQ(Get(request, server, "/again"), -1);
  EXPECT_EQ(request.Response().RawHeaders(), "");
}

TEST_F(RequestTest, HeaderBlockTooLongForTheBufferReadsAsEmpty) {
  TLoopbackServer server(Always(HttpReply("200 OK", "x", "X-Big: " + std::string(9000, 'a') + "\r\nSet-Cookie: c=1\r\n")));
  TRequest request;
  ASSERT_EQ(Get(request, server, "/"), 0);
  EXPECT_EQ(request.Response().RawHeaders(), "");
  EXPECT_EQ(request.Response().GetValue(rvSetCookie), "c=1");
}

// --- failures -----------------------------------------------------------------

TEST_F(RequestTest, UnreachableHostsFailQuicklyWithNothingFilled) {
  for (const std::string& host : {"127.0.0.1:" + std::to_string(test::UnusedPort()), std::string("feeds.example.invalid"),
                                 std::string("127.0.0.1/evil"), std::string("")}) {
    TRequest request;
    request.SetValue(rvHost, host);
    request.SetLimits(FastLimits());
    const auto start = Clock::now();
    EXPECT_EQ(request.Execute(internet_), -1) << host;
    EXPECT_LT(MillisecondsSince(start), 2000) << host;
    EXPECT_EQ(request.Response().Body().Size(), 0);
    EXPECT_EQ(request.Response().RawHeaders(), "");
  }
}

// A listener whose accept queue is full drops new connection attempts, so
// connecting to it hangs until the connect time-out.
TEST_F(RequestTest, HangingConnectFailsAfterTheConnectTimeOut) {
  const int listener = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  ASSERT_EQ(bind(listener, reinterpret_cast<sockaddr*>(&address), length), 0);
  ASSERT_EQ(listen(listener, 0), 0);
  getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length);
  std::vector<int> fillers;
  for (int i = 0; i < 4; ++i) {
    fillers.push_back(socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0));
    connect(fillers.back(), reinterpret_cast<sockaddr*>(&address), length);
  }
  TRequest request;
  request.SetValue(rvHost, "127.0.0.1:" + std::to_string(ntohs(address.sin_port)));
  request.SetLimits({300, 5000, 1 << 20});
  const auto start = Clock::now();
  EXPECT_EQ(request.Execute(internet_), -1);
  EXPECT_GE(MillisecondsSince(start), 250);
  EXPECT_LT(MillisecondsSince(start), 3000);
  for (int fd : fillers) close(fd);
  close(listener);
}

TEST_F(RequestTest, SilentServerFailsAfterTheStallTimeOut) {
  TLoopbackServer silent([](TServerConnection& c) {
    c.ReadRequest();
    c.HoldUntilStopped();
  });
  TRequest request;
  request.SetValue(rvHost, silent.Host());
  request.SetLimits({5000, 300, 1 << 20});
  const auto start = Clock::now();
  EXPECT_EQ(request.Execute(internet_), -1);
  EXPECT_GE(MillisecondsSince(start), 250);
  EXPECT_LT(MillisecondsSince(start), 3000);
}

TEST_F(RequestTest, StallInsideTheBodyFailsButKeepsWhatArrived) {
  TLoopbackServer stalling([](TServerConnection& c) {
    c.ReadRequest();
    c.Send("HTTP/1.1 200 OK\r\nContent-Length: 10\r\n\r\nabcd");
    c.HoldUntilStopped();
  });
  TRequest request;
  request.SetValue(rvHost, stalling.Host());
  request.SetLimits({5000, 300, 1 << 20});
  const auto start = Clock::now();
  EXPECT_EQ(request.Execute(internet_), -1);
  EXPECT_LT(MillisecondsSince(start), 3000);
  EXPECT_EQ(ResponseText(request.Response()), "abcd");
  EXPECT_EQ(request.Response().RawHeaders(), "HTTP/1.1 200 OK\r\nContent-Length: 10\r\n\r\n");
}

// Sends each byte of slow on its own, 100 ms apart.
void Trickle(TServerConnection& c, std::string_view slow) {
  for (char ch : slow) {
    if (!c.Send(std::string(1, ch)) || !c.Pause(milliseconds(100))) return;
  }
}

// Every byte received is activity, whatever it is part of: a header line or
// chunk framing that arrives slowly but steadily is no stall.
TEST_F(RequestTest, BytesTricklingInKeepTheExchangeAliveWhateverTheyArePartOf) {
  TLoopbackServer long_header([](TServerConnection& c) {
    c.ReadRequest();
    c.Send("HTTP/1.1 200 OK\r\nX-Slow: ");
    Trickle(c, "abcdefghijklmnopqr");  // 1.8 s for one header line
    c.Send("\r\nContent-Length: 2\r\n\r\nok");
    c.HoldUntilStopped();
  });
  TLoopbackServer slow_framing([](TServerConnection& c) {
    c.ReadRequest();
    c.Send("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n");
    Trickle(c, "2;note=abcdefghijklmnop\r\n");  // a chunk header with an extension
    c.Send("ok\r\n0\r\n\r\n");
    c.HoldUntilStopped();
  });
  for (const TLoopbackServer* server : {&long_header, &slow_framing}) {
    TRequest request;
    request.SetValue(rvHost, server->Host());
    request.SetLimits({5000, 1000, 1 << 20});
    EXPECT_EQ(request.Execute(internet_), 0) << "stalled on port " << server->Port();
    EXPECT_EQ(ResponseText(request.Response()), "ok");
  }
}

// A server that sends a byte now and then never stalls, but it cannot keep
// one exchange (and with it every later refresh) busy for ever.
TEST_F(RequestTest, AnExchangeEndsAtItsOverallLimitWhileBytesKeepComing) {
  TLoopbackServer dripping([](TServerConnection& c) {
    c.ReadRequest();
    c.Send("HTTP/1.1 200 OK\r\nContent-Length: 100000\r\n\r\n");
    while (c.Send("x") && c.Pause(milliseconds(200))) {
    }
  });
  TRequest request;
  request.SetValue(rvHost, dripping.Host());
  TRequestLimits limits{5000, 1000, 1 << 20};
  limits.exchange_timeout_ms = 1500;
  request.SetLimits(limits);
  const auto start = Clock::now();
  EXPECT_EQ(request.Execute(internet_), -1);
  EXPECT_GE(MillisecondsSince(start), 1400);
  EXPECT_LT(MillisecondsSince(start), 4000);
  EXPECT_FALSE(ResponseText(request.Response()).empty()) << "what arrived is kept";
}

// A plain GET never asks to switch protocols: a 101 answer is a failed
// exchange, not a body made of whatever the server sends after it.
TEST_F(RequestTest, AnUnrequestedProtocolSwitchFails) {
  const std::string kSwitch = "HTTP/1.1 101 Switching Protocols\r\nUpgrade: chat\r\nConnection: Upgrade\r\n\r\nhello";
  TLoopbackServer closing([&](TServerConnection& c) {
    c.ReadRequest();
    c.Send(kSwitch);  // and closes
  });
  TLoopbackServer holding([&](TServerConnection& c) {
    c.ReadRequest();
    c.Send(kSwitch);
    c.HoldUntilStopped();
  });
  for (const TLoopbackServer* server : {&closing, &holding}) {
    TRequest request;
    request.SetValue(rvHost, server->Host());
    request.SetLimits(FastLimits());
    const auto start = Clock::now();
    EXPECT_EQ(request.Execute(internet_), -1);
    EXPECT_LT(MillisecondsSince(start), 1000) << "refused at once, not by a time-out";
    EXPECT_EQ(ResponseText(request.Response()), "");
    EXPECT_EQ(request.Response().RawHeaders(), "");
  }
}

TEST_F(RequestTest, ConnectionClosedMidBodyFails) {
  const std::string body = RandomBytes(100'000, 3);
  TLoopbackServer server([&](TServerConnection& c) {
    c.ReadRequest();
    c.Send("HTTP/1.1 200 OK\r\nContent-Length: 100000\r\nSet-Cookie: k=v\r\n\r\n" + body.substr(0, 50'000));
  });
  TRequest request;
  EXPECT_EQ(Get(request, server, "/"), -1);
  const std::string got = ResponseText(request.Response());
  EXPECT_LE(got.size(), 50'000u);
  EXPECT_TRUE(body.compare(0, got.size(), got) == 0);
  EXPECT_EQ(request.Response().GetValue(rvSetCookie), "k=v");
}

TEST_F(RequestTest, BodyOverTheCapFailsAndIsDiscarded) {
  const std::string body = RandomBytes(100'000, 5);
  TLoopbackServer with_length(Always(HttpReply("200 OK", body)));
  TLoopbackServer chunked([&](TServerConnection& c) {
    c.ReadRequest();
    c.Send("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n");
    for (int i = 0; i < 10; ++i) c.Send("2710\r\n" + body.substr(i * 10'000, 10'000) + "\r\n");
    c.Send("0\r\n\r\n");
  });
  for (TLoopbackServer* server : {&with_length, &chunked}) {
    TRequest request;
    request.SetValue(rvHost, server->Host());
    request.SetLimits({5000, 5000, 99'999});
    EXPECT_EQ(request.Execute(internet_), -1);
    EXPECT_EQ(request.Response().Body().Size(), 0);

    TRequest at_cap;
    at_cap.SetValue(rvHost, server->Host());
    at_cap.SetLimits({5000, 5000, 100'000});
    EXPECT_EQ(at_cap.Execute(internet_), 0);
    EXPECT_TRUE(ResponseText(at_cap.Response()) == body);
  }
}

TEST_F(RequestTest, AbortEndsARunningExchangeWithin100ms) {
  TLoopbackServer silent([](TServerConnection& c) {
    c.ReadRequest();
    c.HoldUntilStopped();
  });
  TRequest request;
  request.SetValue(rvHost, silent.Host());
  std::int32_t result = 0;
  std::thread worker([&] { result = request.Execute(internet_); });
  ASSERT_TRUE(silent.WaitForRequests(1, milliseconds(5000)));
  const auto start = Clock::now();
  request.Abort();
  worker.join();
  EXPECT_LT(MillisecondsSince(start), 100);
  EXPECT_EQ(result, -1);
  EXPECT_EQ(request.Execute(internet_), -1);  // stays aborted
}

TEST_F(RequestTest, ConcurrentRequestsShareOneSession) {
  const std::string body = RandomBytes(200'000, 11);
  TLoopbackServer server(Always(HttpReply("200 OK", body)));
  TRequest requests[3];
  std::int32_t results[3] = {-2, -2, -2};
  std::vector<std::thread> workers;
  for (int i = 0; i < 3; ++i) {
    requests[i].SetValue(rvHost, "localhost:" + std::to_string(server.Port()));
    requests[i].SetLimits(FastLimits());
    workers.emplace_back([&, i] { results[i] = requests[i].Execute(internet_); });
  }
  for (std::thread& worker : workers) worker.join();
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(results[i], 0);
    EXPECT_TRUE(ResponseText(requests[i].Response()) == body);
  }
}

}  // namespace
}  // namespace varnika
