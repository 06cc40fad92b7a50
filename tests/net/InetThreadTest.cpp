#include "net/InetThread.h"

#include <gtest/gtest.h>

#include <condition_variable>
#include <cstdlib>
#include <mutex>
#include <set>
#include <vector>

#include "tests/net/LoopbackServer.h"
#include "tests/net/NetTestSupport.h"

namespace varnika {
namespace {

using test::FastLimits;
using test::HttpReply;
using test::MillisecondsSince;
using test::TLoopbackServer;
using test::TServerConnection;
using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

const bool kNoProxy = setenv("no_proxy", "*", 1) == 0;

constexpr UINT kFeedDone = 1047;
const HWND kMainWindow = reinterpret_cast<HWND>(std::uintptr_t{0x51});

// Stands in for the window system: windows are live until destroyed, and
// every message posted to a live window is recorded.
class TFakePoster : public IMessagePoster {
 public:
  struct TPost {
    HWND wnd;
    UINT msg;
    WPARAM wparam;
    LPARAM lparam;
  };

  explicit TFakePoster(HWND live) { live_.insert(live); }

  bool PostIfWindow(HWND wnd, UINT msg, WPARAM wparam, LPARAM lparam) override {
    std::lock_guard<std::mutex> guard(mutex_);
    ++attempts_;
    changed_.notify_all();
    if (live_.count(wnd) == 0) return false;
    posts_.push_back({wnd, msg, wparam, lparam});
    return true;
  }

  void DestroyWindow(HWND wnd) {
    std::lock_guard<std::mutex> guard(mutex_);
    live_.erase(wnd);
  }

  // Waits until count posts were attempted (delivered or not).
  bool WaitForAttempts(int count, milliseconds timeout) {
    std::unique_lock<std::mutex> lock(mutex_);
    return changed_.wait_for(lock, timeout, [&] { return attempts_ >= count; });
  }

  std::vector<TPost> Posts() {
    std::lock_guard<std::mutex> guard(mutex_);
    return posts_;
  }

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  std::set<HWND> live_;
  std::vector<TPost> posts_;
  int attempts_ = 0;
};

class InetThreadTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(kNoProxy); }

  std::unique_ptr<TInternetThread> NewThread(const std::string& host, const std::string& object = "/feed.xml") {
    auto thread = std::make_unique<TInternetThread>(kMainWindow, kFeedDone, internet_, &poster_);
    thread->Request().SetValue(rvHost, host);
    thread->Request().SetValue(rvObject, object);
    thread->Request().SetLimits(FastLimits());
    return thread;
  }

  static TLoopbackServer::Handler Silent() {
    return [](TServerConnection& c) {
      c.ReadRequest();
      c.HoldUntilStopped();
    };
  }

  HINTERNET internet_ = std::make_shared<TInternetSession>();
  TFakePoster poster_{kMainWindow};
};

TEST_F(InetThreadTest, CompletedDownloadPostsZeroAndLeavesTheBody) {
  TLoopbackServer server([](TServerConnection& c) {
    c.ServeAll([](const std::string&) { return HttpReply("200 OK", "<rss/>"); });
  });
  auto thread = NewThread(server.Host());
  EXPECT_EQ(thread->TargetWindow(), kMainWindow);
  EXPECT_EQ(thread->MessageId(), kFeedDone);
  thread->Start();
  ASSERT_TRUE(poster_.WaitForAttempts(1, milliseconds(10'000)));
  const auto posts = poster_.Posts();
  ASSERT_EQ(posts.size(), 1u);
  EXPECT_EQ(posts[0].wnd, kMainWindow);
  EXPECT_EQ(posts[0].msg, kFeedDone);
  EXPECT_EQ(posts[0].wparam, 0u);
  EXPECT_EQ(posts[0].lparam, 0);
  EXPECT_EQ(ResponseText(thread->Response()), "<rss/>");
  EXPECT_EQ(server.Requests().at(0), "GET /feed.xml HTTP/1.1\r\nHost: " + server.Host() + "\r\n\r\n");
}

TEST_F(InetThreadTest, UnreachableHostStillPostsMinusOne) {
  auto thread = NewThread("127.0.0.1:" + std::to_string(test::UnusedPort()));
  thread->Start();
  ASSERT_TRUE(poster_.WaitForAttempts(1, milliseconds(10'000)));
  ASSERT_EQ(poster_.Posts().size(), 1u);
  EXPECT_EQ(poster_.Posts()[0].lparam, -1);
  EXPECT_EQ(poster_.Posts()[0].wparam, 0u);
}

TEST_F(InetThreadTest, NothingIsPostedToADestroyedWindow) {
  TLoopbackServer server([](TServerConnection& c) {
    c.ServeAll([](const std::string&) { return HttpReply("200 OK", "late"); });
  });
  auto thread = NewThread(server.Host());
  poster_.DestroyWindow(kMainWindow);
  thread->Start();
  ASSERT_TRUE(poster_.WaitForAttempts(1, milliseconds(10'000)));
  thread->WaitFor();
  EXPECT_TRUE(thread->Finished());
  EXPECT_TRUE(poster_.Posts().empty());
}

TEST_F(InetThreadTest, DestroyingARunningDownloadAbortsItWithin100ms) {
  TLoopbackServer silent(Silent());
  auto thread = NewThread(silent.Host());
  thread->Request().SetLimits({30'000, 60'000, 1 << 20});  // the program's own time-outs
  thread->Start();
  ASSERT_TRUE(silent.WaitForRequests(1, milliseconds(10'000)));
  const auto start = Clock::now();
  thread.reset();
  EXPECT_LT(MillisecondsSince(start), 100);
  EXPECT_TRUE(poster_.Posts().empty());
}

TEST_F(InetThreadTest, AbortEndsTheDownloadAndPostsMinusOne) {
  TLoopbackServer silent(Silent());
  auto thread = NewThread(silent.Host());
  thread->Start();
  ASSERT_TRUE(silent.WaitForRequests(1, milliseconds(10'000)));
  thread->Abort();
  ASSERT_TRUE(poster_.WaitForAttempts(1, milliseconds(100)));
  ASSERT_EQ(poster_.Posts().size(), 1u);
  EXPECT_EQ(poster_.Posts()[0].lparam, -1);
}

// The owner may free a download right after starting it (closing at once):
// the new thread must never run into an object whose destruction has begun.
TEST_F(InetThreadTest, ADownloadFreedRightAfterItsStartEndsWithoutTouchingAHalfFreedObject) {
  TLoopbackServer silent(Silent());
  for (int i = 0; i < 50; ++i) {
    auto thread = NewThread(silent.Host());
    thread->Start();
    thread.reset();
  }
  EXPECT_TRUE(poster_.Posts().empty());
}

// A completion message still queued when its thread was freed carries
// nothing that names the thread: the owner asks its current thread whether
// the message can be its own.
TEST_F(InetThreadTest, AnOwnerTellsItsThreadsCompletionFromAFreedThreadsQueuedOne) {
  TLoopbackServer server([](TServerConnection& c) {
    c.ServeAll([](const std::string&) { return HttpReply("200 OK", "first"); });
  });
  auto first = NewThread(server.Host());
  EXPECT_FALSE(first->Completed());
  first->Start();
  ASSERT_TRUE(poster_.WaitForAttempts(1, milliseconds(10'000)));
  EXPECT_TRUE(first->Completed());
  EXPECT_EQ(first->Result(), 0);
  first.reset();  // freed with its message still queued

  TLoopbackServer silent(Silent());
  auto second = NewThread(silent.Host());
  second->Start();
  ASSERT_TRUE(silent.WaitForRequests(1, milliseconds(10'000)));
  ASSERT_EQ(poster_.Posts().size(), 1u);  // the first thread's message arrives now
  EXPECT_FALSE(second->Completed()) << "the queued message is not the second thread's";
  second->Abort();
  ASSERT_TRUE(poster_.WaitForAttempts(2, milliseconds(10'000)));
  EXPECT_TRUE(second->Completed());
  EXPECT_EQ(second->Result(), -1);
  EXPECT_EQ(poster_.Posts().at(1).lparam, -1);
}

TEST_F(InetThreadTest, ThreadNeverStartedIsDestroyedWithoutARequest) {
  TLoopbackServer server([](TServerConnection& c) {
    c.ServeAll([](const std::string&) { return HttpReply("200 OK", ""); });
  });
  NewThread(server.Host()).reset();
  EXPECT_FALSE(server.WaitForRequests(1, milliseconds(50)));
  EXPECT_EQ(server.Connections(), 0);
  EXPECT_TRUE(poster_.Posts().empty());
}

TEST_F(InetThreadTest, ThreeKindsOfDownloadRunAtOnce) {
  TLoopbackServer server([](TServerConnection& c) {
    c.ServeAll([&c](const std::string& request) {
      c.Pause(milliseconds(20));
      return HttpReply("200 OK", request.substr(4, request.find(' ', 4) - 4));
    });
  });
  const UINT messages[] = {1041, 1044, 1047};
  const char* objects[] = {"/update", "/counter", "/feed"};
  std::vector<std::unique_ptr<TInternetThread>> threads;
  for (int i = 0; i < 3; ++i) {
    threads.push_back(std::make_unique<TInternetThread>(kMainWindow, messages[i], internet_, &poster_));
    threads[i]->Request().SetValue(rvHost, server.Host());
    threads[i]->Request().SetValue(rvObject, objects[i]);
    threads[i]->Request().SetLimits(FastLimits());
  }
  for (auto& thread : threads) thread->Start();
  ASSERT_TRUE(poster_.WaitForAttempts(3, milliseconds(10'000)));
  std::set<UINT> seen;
  for (const auto& post : poster_.Posts()) {
    EXPECT_EQ(post.lparam, 0);
    seen.insert(post.msg);
  }
  EXPECT_EQ(seen, std::set<UINT>({1041, 1044, 1047}));
  for (int i = 0; i < 3; ++i) EXPECT_EQ(ResponseText(threads[i]->Response()), objects[i]);
}

}  // namespace
}  // namespace varnika
