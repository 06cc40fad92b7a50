// varnika-feed: the headlines of a feed file as JSON lines, and its exit
// codes.
#include <sys/wait.h>

#include <cstdio>

#include "tests/feed/FeedTestSupport.h"

namespace varnika::testing {
namespace {

struct ToolRun {
  int status = -1;
  std::string out;
  std::string err;
};

ToolRun RunTool(const std::string& arguments) {
  TempFolder folder;
  const std::string command = std::string(VARNIKA_FEED_TOOL) + " " + arguments + " 2>" + folder.Path("err");
  ToolRun run;
  FILE* pipe = ::popen(command.c_str(), "r");
  if (!pipe) return run;
  char buffer[4096];
  for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) run.out.append(buffer, n);
  int status = ::pclose(pipe);
  run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  run.err = ReadFile(folder.Path("err"));
  return run;
}

std::string Quoted(const std::string& path) { return "'" + path + "'"; }

TEST(FeedToolTest, PrintsOneJsonObjectPerHeadlineInDocumentOrder) {
  ToolRun run = RunTool(Quoted(DataFile("corpus/rss_mixed.xml")));
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.err, "");
  std::vector<std::string> lines;
  for (std::size_t start = 0, end; (end = run.out.find('\n', start)) != std::string::npos; start = end + 1)
    lines.push_back(run.out.substr(start, end - start));
  ASSERT_EQ(lines.size(), 7u);
  EXPECT_EQ(lines[0],
            "{\"title\":\"Ekonomi: ihracat rakamları açıklandı\",\"summary\":\"İhracat geçen yılın aynı dönemine göre "
            "arttı.\",\"link\":\"https://haber.example/ihracat\",\"date\":\"Fri, 01 Mar 2024 10:00:00 +0300\"}");
  EXPECT_NE(lines[6].find("\"title\":\"Alıntı: \\r\\n|bu ifade"), std::string::npos);
}

TEST(FeedToolTest, ResolvesRelativeLinksAgainstTheGivenBase) {
  TempFolder folder;
  const std::string feed =
      folder.Write("feed.xml", "<rss><channel><item><title>a</title><link>../b?c=1</link></item></channel></rss>");
  ToolRun run = RunTool("--base https://site.example/news/feed.xml " + Quoted(feed));
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out, "{\"title\":\"a\",\"summary\":\"\",\"link\":\"https://site.example/b?c=1\",\"date\":\"\"}\n");
  run = RunTool(Quoted(feed));
  EXPECT_NE(run.out.find("\"link\":\"../b?c=1\""), std::string::npos);
}

TEST(FeedToolTest, EscapesControlCharactersAndBackslashes) {
  TempFolder folder;
  std::string feed = folder.Write(
      "feed.xml", "<rss><channel><item><title>a\\b\"</title><link>x&#10;y&#9;z</link></item></channel></rss>");
  ToolRun run = RunTool(Quoted(feed));
  ASSERT_EQ(run.status, 0);
  EXPECT_EQ(run.out, "{\"title\":\"a\\\\b\\\"\",\"summary\":\"\",\"link\":\"x\\ny\\tz\",\"date\":\"\"}\n");
}

TEST(FeedToolTest, PrintsNothingAndFailsWithoutHeadlines) {
  TempFolder folder;
  for (const std::string& path :
       {DataFile("malformed.xml"), DataFile("not_a_feed.xml"), DataFile("rss_zero_items.xml"),
        DataFile("rss_all_blank.xml"), folder.Path("missing.xml"),
        folder.Folder().string()}) {
    ToolRun run = RunTool(Quoted(path));
    EXPECT_EQ(run.status, 1) << path;
    EXPECT_EQ(run.out, "") << path;
    EXPECT_EQ(run.err, "") << path;
  }
}

TEST(FeedToolTest, WrongArgumentsPrintTheUsage) {
  for (const std::string& arguments : {std::string(), std::string("a b"), std::string("--base"), std::string("--x a")}) {
    ToolRun run = RunTool(arguments);
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err, "usage: varnika-feed [--base URL] [--charset NAME] FILE\n");
  }
}

}  // namespace
}  // namespace varnika::testing
