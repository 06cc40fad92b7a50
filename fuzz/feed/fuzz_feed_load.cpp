// Loads arbitrary bytes as a saved feed the way the headline list does
// (served with a charset, when the first byte says so), as a document
// through the DOM, and as an HTML text the way titles and summaries are
// read: nothing may crash, hang or print, a failed load keeps the previous
// headlines, every text read is valid UTF-8, and no headline text passes
// its length limit.
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <string>

#include "base/Utf.h"
#include "feed/FeedParser.h"
#include "feed/ReaderText.h"
#include "feed/XmlDocument.h"

using namespace varnika;

namespace {

const std::string& FilePath() {
  static const std::string path = (::access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp") +
                                  std::string("/varnika-fuzz-feed-") + std::to_string(::getpid()) + ".xml";
  return path;
}

void CheckUtf8(const std::string& text) {
  if (Narrow(Widen(text)) != text) std::abort();
}

// Every element's and attribute's text, as far as a small budget reaches.
void ReadEverything(const TXmlDocument& document) {
  int budget = 200;
  for (const TXmlNode& node : document.selectNodes("//*|//@*")) {
    if (--budget < 0) break;
    CheckUtf8(node.text());
    CheckUtf8(node.nodeName());
    for (const TXmlNode& child : node.selectNodes("title|link/@href|*[1]")) CheckUtf8(child.text());
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::ofstream(FilePath(), std::ios::binary | std::ios::trunc)
      .write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));

  // A list that already holds one headline.
  TFeedParser feed;
  feed.ClearItems();
  auto kept = std::make_unique<TElement>();
  kept->Link = "kept";
  feed.Items()->Add(std::move(kept));
  TElementList* before = feed.Items();

  const std::string charset = size > 0 && (data[0] & 1) ? "ISO-8859-9" : "";
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  feed.SetFileName(Widen(FilePath()));
  feed.SetFeedAddress("https://site.example/news/feed.xml");
  feed.SetCharset(charset);
  feed.Parse();
  TElementList* after = feed.Items();
  if (!after) std::abort();
  TXmlDocument document;
  const bool loads = document.loadXML(bytes, charset);
  if (!loads && (after != before || after->Count() != 1)) std::abort();
  for (int i = 0; i < after->Count(); ++i) {
    CheckUtf8((*after)[i].Link);
    CheckUtf8((*after)[i].Date);
    // The limits, plus the breaks that wrapping adds.
    if ((*after)[i].Title.size() > 2 * kMaxTitleChars + 50 || (*after)[i].Summary.size() > 2 * kMaxSummaryChars + 50)
      std::abort();
  }
  if (loads) ReadEverything(document);

  // The bytes as an HTML title or summary (made UTF-8 first, as the XML
  // reader hands texts over).
  THtmlReader reader;
  const std::string html = Narrow(Widen(bytes));
  const std::string text = reader.Text(html, size > 0 && (data[0] & 2));
  CheckUtf8(text);
  if (text.size() > html.size()) std::abort();  // references never grow a text
  CheckUtf8(CutAtWord(text, kMaxSummaryChars));
  return 0;
}
