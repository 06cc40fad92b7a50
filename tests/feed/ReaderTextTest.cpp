// Feed texts as a reader sees them: HTML read as text, the length limits,
// and the links headlines open.
#include <gtest/gtest.h>

#include "base/Utf.h"
#include "feed/FeedLinks.h"
#include "feed/ReaderText.h"

namespace varnika::testing {
namespace {

TEST(ReaderTextTest, LongTextsAreCutAtAWordWithAnEllipsis) {
  const std::string words = "Meclis bugün yeni bütçeyi görüştü ";
  std::string long_text;
  while (Widen(long_text).size() < 900) long_text += words;
  const std::string cut = CutAtWord(long_text, 300);
  const std::u16string wide = Widen(cut);
  EXPECT_LE(wide.size(), 300u);
  EXPECT_GT(wide.size(), 240u);
  EXPECT_EQ(wide.back(), u'…');
  EXPECT_EQ(long_text.compare(0, cut.size() - 3, cut, 0, cut.size() - 3), 0);
  // The cut falls after a whole word, not inside one or after a space.
  const char before = cut[cut.size() - 4];
  EXPECT_NE(before, ' ');
  EXPECT_EQ(long_text[cut.size() - 3], ' ');
  // A word longer than the limit is cut where the limit falls; short texts stay.
  EXPECT_EQ(Widen(CutAtWord(std::string(1000, 'x'), 300)), std::u16string(299, u'x') + u"…");
  EXPECT_EQ(CutAtWord("şşş", 3), "şşş");
  EXPECT_EQ(CutAtWord("şşşş", 3), "şş…");
  EXPECT_EQ(CutAtWord("", 3), "");
}

TEST(ReaderTextTest, HtmlReadsAsTheTextABrowserShows) {
  struct Case {
    const char* html;
    const char* text;
    bool drop_leading_image_link = false;
  } const cases[] = {
      {"<b>Son dakika:</b> Meclis <em>toplandı</em>", "Son dakika: Meclis toplandı"},
      {"<p>Bir</p><p>İki<br>Üç</p><ul><li>a</li><li>b</li></ul>", "Bir İki Üç a b"},
      {"Ankara'da <a href='x'>Meclis</a> bugün", "Ankara'da Meclis bugün"},
      {"&#8211; &amp; &eacute;&nbsp;&hellip; &#x15F; AT&T", "– & é … ş AT&T"},
      {"  \n\t spaced \r\n  out  ", "spaced out"},
      {"<script>alert(1)</script><style>p{}</style>shown", "shown"},
      {"a < b, c > d", "a < b, c > d"},
      {"<unknown>kept</unknown> text", "kept text"},
      {"<meta charset='iso-8859-1'>çığ", "çığ"},
      {"<a href='x'><img src='i.jpg'/></a>Sentence.", "Sentence.", true},
      {"<p><a href='x'><img src='i.jpg'/> Caption</a></p>Sentence.", "Sentence.", true},
      {"<a href='x'>Meclis</a> bugün", "Meclis bugün", true},
      {"Text <a href='x'><img src='i.jpg'/></a> then", "Text then", true},
      {"", ""},
  };
  THtmlReader reader;
  for (const Case& c : cases) EXPECT_EQ(reader.Text(c.html, c.drop_leading_image_link), c.text) << c.html;
  // Hostile nesting ends in bounded time and stack (its text may be refused).
  std::string deep;
  for (int i = 0; i < 100000; ++i) deep += "<b>";
  EXPECT_LE(reader.Text(deep + "x").size(), 1u);
  EXPECT_EQ(DecodeBase64("PHA+\nQmFzZTY0PC9wPg=="), "<p>Base64</p>");
}

TEST(ReaderTextTest, LinksResolveAgainstTheirBasesAndCarryTheReferral) {
  const std::string feed = "https://site.example/news/feed.xml";
  struct Case {
    const char* link;
    const char* base;
    const char* resolved;
  } const cases[] = {
      {" \n https://a.example/x \r\n", "", "https://a.example/x"},
      {"/2024/post", "", "https://site.example/2024/post"},
      {"post.html", "archive/", "https://site.example/news/archive/post.html"},
      {"post.html", "https://other.example/blog/", "https://other.example/blog/post.html"},
      {"../up", "https://other.example/a/b/", "https://other.example/a/up"},
      {"mailto:x@site.example", "", "mailto:x@site.example"},
      {"", "https://other.example/", ""},
  };
  for (const Case& c : cases) EXPECT_EQ(ResolveLink(c.link, c.base, feed), c.resolved) << c.link;
  EXPECT_EQ(ResolveLink("/relative", "", ""), "/relative");

  const std::pair<const char*, const char*> referrals[] = {
      {"https://a.example/x", "https://a.example/x?ref=varnika"},
      {"https://a.example/x?cat=2", "https://a.example/x?cat=2&ref=varnika"},
      {"https://a.example/x?", "https://a.example/x?ref=varnika"},
      {"https://a.example/x#part", "https://a.example/x?ref=varnika#part"},
      {"https://a.example/x?a=1#p?q", "https://a.example/x?a=1&ref=varnika#p?q"},
  };
  for (const auto& [url, with] : referrals) EXPECT_EQ(WithReferral(url, "varnika"), with) << url;
}

}  // namespace
}  // namespace varnika::testing
