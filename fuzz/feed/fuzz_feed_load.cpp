// Loads arbitrary bytes as a saved feed the way the headline list does, and
// as a document through the DOM: nothing may crash, hang or print, a failed
// load keeps the previous headlines, and every text read is valid UTF-8.
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <string>

#include "base/Utf.h"
#include "feed/FeedParser.h"
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

  feed.SetFileName(Widen(FilePath()));
  feed.Parse();
  TElementList* after = feed.Items();
  if (!after) std::abort();
  TXmlDocument document;
  const bool loads = document.loadXML(
      std::string_view(reinterpret_cast<const char*>(data), size));
  if (!loads && (after != before || after->Count() != 1)) std::abort();
  for (int i = 0; i < after->Count(); ++i) {
    CheckUtf8((*after)[i].Link);
    CheckUtf8((*after)[i].Date);
  }
  if (loads) ReadEverything(document);
  return 0;
}
