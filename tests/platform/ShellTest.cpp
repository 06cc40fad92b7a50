// Opening links: what is refused without starting anything, and what reaches
// the desktop's opener (a stand-in xdg-open on PATH that records its
// arguments and its process id).
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <string>

#include "base/Utf.h"
#include "platform/Shell.h"
#include "tests/platform/ServicesSupport.h"

namespace varnika::test {
namespace {

class ShellTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // The stand-in writes one line per argument, then its pid, then "end".
    WriteFile(folder_ / "xdg-open",
              "#!/bin/sh\n"
              "out=\"" + folder_.Path() + "/opened\"\n"
              "for a in \"$@\"; do printf 'arg:%s\\n' \"$a\" >> \"$out.tmp\"; done\n"
              "echo \"pid:$$\" >> \"$out.tmp\"\n"
              "echo end >> \"$out.tmp\"\n"
              "mv \"$out.tmp\" \"$out\"\n",
              0755);
    path_ = std::make_unique<ScopedEnv>("PATH", (folder_.Path() + ":/usr/bin:/bin").c_str());
  }

  int Open(const char16_t* url) { return ShellResult(ShellExecuteW(nullptr, u"open", url, nullptr, nullptr, 1)); }
  std::string Opened() const { return folder_ / "opened"; }

  TempFolder folder_;
  std::unique_ptr<ScopedEnv> path_;
};

TEST_F(ShellTest, AnythingButAnAbsoluteWebUrlIsRefusedWithoutStartingTheOpener) {
  for (const char16_t* url : {u"file:///etc/passwd", u"javascript:alert(1)", u"news.html", u"/usr/bin/xterm",
                              u"http://example.com/a\nb", u"https://example.com/ a", u"http://", u"http:///path",
                              u"https://?q=1", u"http://user@/x", u"ftp://example.com/", u"", u"-e http://x/"}) {
    EXPECT_LE(Open(url), 32) << Utf16ToUtf8(url);
  }
  EXPECT_LE(ShellResult(ShellExecuteA(nullptr, "open", "file:///etc/passwd", nullptr, nullptr, 1)), 32);
  EXPECT_LE(ShellResult(ShellExecuteW(nullptr, u"edit", u"http://example.com/", nullptr, nullptr, 1)), 32);
  usleep(200000);
  EXPECT_FALSE(Exists(Opened()));
}

TEST_F(ShellTest, WebUrlsOfAnyCaseWithHostsAreOpenable) {
  EXPECT_TRUE(IsOpenableUrl("HTTPS://Example.com:8080/path?a=1&b=2#frag"));
  EXPECT_TRUE(IsOpenableUrl("http://user:pw@host/"));
  EXPECT_TRUE(IsOpenableUrl("http://haber.example/\xC3\xA7"));  // UTF-8 in the path
  EXPECT_FALSE(IsOpenableUrl("http://:80/"));
}

TEST_F(ShellTest, AWebUrlReachesTheOpenerAsItsOnlyArgumentAndTheOpenerIsReaped) {
  // Shell syntax in the URL stays text: no shell sees it.
  const char16_t* url = u"https://example.com/haber?id=7&ref=varnika;touch$IFS/tmp/x|`id`'\"";
  EXPECT_GT(Open(url), 32);
  ASSERT_TRUE(Eventually([&] { return Exists(Opened()); }));
  const std::string record = ReadFile(Opened());
  EXPECT_EQ(record.substr(0, record.find("pid:")), "arg:https://example.com/haber?id=7&ref=varnika;touch$IFS/tmp/x|`id`'\"\n");
  const pid_t pid = std::stoi(record.substr(record.find("pid:") + 4));
  // A zombie still answers kill(pid, 0); a reaped child does not.
  EXPECT_TRUE(Eventually([&] { return ::kill(pid, 0) != 0 && errno == ESRCH; }));
}

TEST_F(ShellTest, TheNarrowFormTakesUtf8) {
  EXPECT_GT(ShellResult(ShellExecuteA(nullptr, nullptr, "http://example.com/\xC4\x9F", nullptr, nullptr, 1)), 32);
  ASSERT_TRUE(Eventually([&] { return Exists(Opened()); }));
  const std::string record = ReadFile(Opened());
  EXPECT_EQ(record.substr(0, record.find("pid:")), "arg:http://example.com/\xC4\x9F\n");
}

TEST_F(ShellTest, AMissingOpenerIsAFailureNotASuccess) {
  ScopedEnv empty_path("PATH", "/nonexistent");
  EXPECT_EQ(Open(u"http://example.com/"), static_cast<int>(ERROR_FILE_NOT_FOUND));
}

}  // namespace
}  // namespace varnika::test
