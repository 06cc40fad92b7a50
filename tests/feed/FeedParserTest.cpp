// Reading feeds into headlines: Atom and RSS, the per-item rules, and when
// the previous headlines stay.
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
  static std::string Summary(const TElementList& items, int i) { return Narrow(items[i].Summary); }

  TFeedParser parser_;
};

TEST_F(FeedParserTest, AtomEntriesUnderADefaultNamespace) {
  TElementList* items = Parse(DataFile("atom_default_namespace.xml"));
  ASSERT_NE(items, nullptr);
  ASSERT_EQ(items->Count(), 3);
  EXPECT_EQ(Title(*items, 0), "İstanbul'da şiddetli yağış: ulaşımda aksamalar \r\nyaşanıyor, vatandaşlar uyarıldı");
  EXPECT_EQ(Summary(*items, 0),
            "Meteoroloji, akşam saatlerine kadar sağanak yağışın \r\nsüreceğini açıkladı. Sürücülerin dikkatli olması istendi.");
  EXPECT_EQ((*items)[0].Link, "https://haber.example/istanbul-yagis");  // the first link's href
  EXPECT_EQ((*items)[0].Date, "2024-03-01T08:45:00Z");
  // Atom keeps blank titles, and entries without one.
  EXPECT_EQ(Title(*items, 1), "   ");
  EXPECT_EQ((*items)[1].Date, "");
  EXPECT_EQ(Title(*items, 2), "");
  EXPECT_EQ((*items)[2].Link, "https://haber.example/basliksiz");
  EXPECT_EQ((*items)[2].Date, "2024-03-01T07:00:00Z");
}

TEST_F(FeedParserTest, RssItemsFollowTheirRules) {
  TElementList* items = Parse(DataFile("rss_mixed.xml"));
  ASSERT_NE(items, nullptr);
  ASSERT_EQ(items->Count(), 6);  // the item with a blank title is left out
  // Everything up to the first closing anchor goes.
  EXPECT_EQ(Summary(*items, 0), "İhracat geçen yılın aynı dönemine göre arttı.");
  EXPECT_EQ((*items)[0].Link, "https://haber.example/ihracat");
  EXPECT_EQ((*items)[0].Date, "Fri, 01 Mar 2024 10:00:00 +0300");
  // Without a title element the item stays, untitled.
  EXPECT_EQ(Title(*items, 1), "");
  EXPECT_EQ((*items)[1].Link, "https://haber.example/no-title");
  // CDATA, and markup that no closing anchor precedes, stay as they are.
  EXPECT_EQ(Title(*items, 2), "Spor: <Derbi> sonucu & yorumlar");
  EXPECT_EQ(Summary(*items, 2), "<p>Markup stays when there is no closing anchor.</p>");
  // Entities are expanded; the anchor test is case-sensitive.
  EXPECT_EQ(Title(*items, 3), "Haber Sitesi duyurdu: Şirket & sendika anlaştı");
  EXPECT_EQ(Summary(*items, 3), "<A href=\"x\">upper-case anchors are not cut</A> rest");
  // A long word is not split; a quote is not broken.
  EXPECT_EQ(Title(*items, 4).find("\r\n"), std::string::npos);
  EXPECT_EQ(Title(*items, 5), "Alıntı: \r\n|bu ifade hiçbir koşulda bölünmemeli çünkü tırnak içinde duruyor| \r\ndedi");
}

TEST_F(FeedParserTest, DocumentsWithoutHeadlinesKeepThePreviousOnes) {
  TElementList* items = Parse(DataFile("rss_mixed.xml"));
  ASSERT_NE(items, nullptr);
  TempFolder folder;
  for (const std::string& path :
       {DataFile("rss_zero_items.xml"), DataFile("not_a_feed.xml"), DataFile("malformed.xml"),
        DataFile("atom_prefixed_root.xml"), folder.Write("empty.xml", ""), folder.Path("missing.xml")}) {
    EXPECT_EQ(Parse(path), items) << path;
    EXPECT_EQ(items->Count(), 6) << path;
  }
  // Before any feed loaded there is no list at all.
  TFeedParser fresh;
  fresh.SetFileName(Widen(DataFile("rss_zero_items.xml")));
  fresh.Parse();
  EXPECT_EQ(fresh.Items(), nullptr);
}

TEST_F(FeedParserTest, ItemsThatAllHaveBlankTitlesEmptyTheList) {
  ASSERT_NE(Parse(DataFile("rss_mixed.xml")), nullptr);
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
