// Reading feeds into headlines: the corpus of awkward feeds, encodings, and
// when the previous headlines stay.
#include <filesystem>

#include "base/Utf.h"
#include "feed/FeedParser.h"
#include "tests/feed/FeedTestSupport.h"
#include "tests/feed/SampleFeeds.h"

namespace varnika::testing {
namespace {

class FeedParserTest : public ::testing::Test {
 protected:
  // Parses a file and returns the headlines (null without a list).
  TElementList* Parse(const std::string& path) {
    parser_.SetFileName(Widen(path));
    parser_.Parse();
    return parser_.Items();
  }

  static std::string Title(const TElementList& items, int i) { return Narrow(items[i].Title); }
  static std::string Unwrapped(const std::u16string& text) {
    std::string out = Narrow(text);
    for (std::size_t at; (at = out.find("\r\n")) != std::string::npos;) out.erase(at, 2);
    return out;
  }

  TFeedParser parser_;
};

// Each feed of the corpus beside the headlines a reader should see in it:
// NAME.txt holds "title: ", "summary: " and "link: " lines per headline
// (texts without their wrapping breaks), each headline ended by a blank line.
TEST_F(FeedParserTest, EveryCorpusFeedReadsAsAReaderSeesIt) {
  int feeds = 0;
  for (const auto& entry : std::filesystem::directory_iterator(DataFile("corpus"))) {
    if (entry.path().extension() != ".xml") continue;
    ++feeds;
    std::filesystem::path expected_path = entry.path();
    expected_path.replace_extension(".txt");
    TFeedParser parser;
    parser.SetFeedAddress("https://site.example/news/feed.xml");
    parser.SetFileName(Widen(entry.path().string()));
    parser.Parse();
    std::string seen;
    for (int i = 0; parser.Items() && i < parser.Items()->Count(); ++i) {
      const TElement& element = (*parser.Items())[i];
      seen += "title: " + Unwrapped(element.Title) + "\nsummary: " + Unwrapped(element.Summary) +
              "\nlink: " + element.Link + "\n\n";
    }
    EXPECT_EQ(seen, ReadFile(expected_path.string())) << entry.path().filename();
  }
  EXPECT_GE(feeds, 12);
}

TEST_F(FeedParserTest, DocumentsWithoutHeadlinesKeepThePreviousOnes) {
  TElementList* items = Parse(DataFile("corpus/rss_mixed.xml"));
  ASSERT_NE(items, nullptr);
  TempFolder folder;
  for (const std::string& path :
       {DataFile("rss_zero_items.xml"), DataFile("not_a_feed.xml"), DataFile("malformed.xml"),
        folder.Write("empty.xml", ""), folder.Path("missing.xml")}) {
    EXPECT_EQ(Parse(path), items) << path;
    EXPECT_EQ(items->Count(), 7) << path;
  }
  // Before any feed loaded there is no list at all.
  TFeedParser fresh;
  fresh.SetFileName(Widen(DataFile("rss_zero_items.xml")));
  fresh.Parse();
  EXPECT_EQ(fresh.Items(), nullptr);
}

TEST_F(FeedParserTest, ItemsWithoutAnyTextEmptyTheList) {
  ASSERT_NE(Parse(DataFile("corpus/rss_mixed.xml")), nullptr);
  TElementList* items = Parse(DataFile("rss_all_blank.xml"));
  ASSERT_NE(items, nullptr);
  EXPECT_EQ(items->Count(), 0);
}

TEST_F(FeedParserTest, EveryEncodingGivesTheSameHeadlines) {
  TempFolder folder;
  // "Gündem: İşçi ve öğrenci" in each encoding.
  const std::string single_byte_title = "G\xFCndem: \xDD\xFE\xE7i ve \xF6\xF0renci";
  const std::string utf8_title = "Gündem: İşçi ve öğrenci";
  auto rss = [](const std::string& declaration, const std::string& title) {
    return declaration + "<rss><channel><item><title>" + title + "</title></item></channel></rss>";
  };
  std::u16string wide = Widen(rss("<?xml version='1.0' encoding='UTF-16'?>", utf8_title));
  std::string utf16le = "\xFF\xFE";
  for (char16_t c : wide) utf16le += std::string{static_cast<char>(c & 0xFF), static_cast<char>(c >> 8)};
  const std::pair<std::string, std::string> files[] = {
      {"latin5.xml", rss("<?xml version='1.0' encoding='ISO-8859-9'?>", single_byte_title)},
      {"cp1254.xml", rss("<?xml version='1.0' encoding='windows-1254'?>", single_byte_title)},
      {"utf16.xml", utf16le},
      {"utf8bom.xml", "\xEF\xBB\xBF" + rss("", utf8_title)},
  };
  for (const auto& [name, bytes] : files) {
    TFeedParser parser;
    parser.SetFileName(Widen(folder.Write(name, bytes)));
    parser.Parse();
    ASSERT_NE(parser.Items(), nullptr) << name;
    ASSERT_EQ(parser.Items()->Count(), 1) << name;
    EXPECT_EQ(Narrow((*parser.Items())[0].Title), utf8_title) << name;
  }
}

// Ten thousand headlines enter the list; the items beyond them are not read.
TEST_F(FeedParserTest, TheFirstTenThousandItemsEnterTheList) {
  TempFolder folder;
  TElementList* items = Parse(folder.Write("big.xml", RealLookingRss(kMaxHeadlines + 3)));
  ASSERT_NE(items, nullptr);
  ASSERT_EQ(items->Count(), 10000);
  EXPECT_NE(Title(*items, 9999).find("(10000)"), std::string::npos);
  EXPECT_EQ((*items)[9999].Link, "https://haber.example/haber/109999");
}

}  // namespace
}  // namespace varnika::testing
