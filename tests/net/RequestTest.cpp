#include "net/Request.h"

#include <gtest/gtest.h>

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
  EXPECT_EQ(request.Headers(), "Cookie: 50%s off\r\nReferer: x\r\n");
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

}  // namespace
}  // namespace varnika
