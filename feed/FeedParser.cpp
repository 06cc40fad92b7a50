#include "feed/FeedParser.h"

#include <algorithm>

#include "base/Utf.h"
#include "feed/WrapLines.h"
#include "feed/XmlDocument.h"

namespace varnika {

namespace {

constexpr char kAtomEntries[] = "/feed/entry";
constexpr char kRssItems[] = "/rss/channel/item";

bool IsBlank(std::string_view text) {
  return std::all_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) <= 32; });
}

// Everything up to and including the first closing anchor goes: feeds put
// a linked picture before the summary's sentence.
std::string WithoutLeadingAnchor(std::string text) {
  std::size_t end = text.find("</a>");
  if (end != std::string::npos) text.erase(0, end + 4);
  return text;
}

}  // namespace

std::u16string WrapTitle(std::string_view utf8) {
  return Widen(WrapLines(utf8, kWrapBreak, kWrapBreakChars, kTitleWrapColumn));
}

std::u16string WrapSummary(std::string_view utf8) {
  return Widen(WrapLines(utf8, kWrapBreak, kWrapBreakChars, kSummaryWrapColumn));
}

bool ReadsAsFeed(std::string_view bytes) {
  TXmlDocument document;
  return document.loadXML(bytes) && ReadsAsFeed(document);
}

bool ReadsAsFeed(const TXmlDocument& document) {
  try {
    return document.selectNodes(kAtomEntries).length() > 0 || document.selectNodes(kRssItems).length() > 0;
  } catch (const std::exception&) {
    return false;
  }
}

std::string TFeedParser::Path() const { return Narrow(file_name_); }

void TFeedParser::ClearItems() { items_ = std::make_unique<TElementList>(); }

// Detection and reading share one document: the file is parsed once.
void TFeedParser::Parse() {
  TXmlDocument document;
  if (document.load(Path())) Parse(document);
}

void TFeedParser::Parse(const TXmlDocument& document) {
  try {
    TXmlNodeList entries = document.selectNodes(kAtomEntries);
    if (entries.length() > 0) {
      ReadGuarded([&] { ReadAtom(entries); });
      return;
    }
    TXmlNodeList items = document.selectNodes(kRssItems);
    if (items.length() > 0) ReadGuarded([&] { ReadRss(items); });
  } catch (const std::exception&) {
    // The previous headlines stay.
  }
}

void TFeedParser::ParseAtom() {
  TXmlDocument document;
  ReadGuarded([&] {
    if (document.load(Path())) ReadAtom(document.selectNodes(kAtomEntries));
  });
}

void TFeedParser::ParseRss() {
  TXmlDocument document;
  ReadGuarded([&] {
    if (document.load(Path())) ReadRss(document.selectNodes(kRssItems));
  });
}

// An error while reading ends the reading; the headlines read so far stay.
template <typename F>
void TFeedParser::ReadGuarded(F read) {
  try {
    read();
  } catch (const std::exception&) {
  }
}

void TFeedParser::ReadAtom(const TXmlNodeList& entries) {
  ClearItems();
  for (const TXmlNode& entry : entries) {
    if (items_->Count() == kMaxHeadlines) break;
    auto element = std::make_unique<TElement>();
    if (TXmlNode title = entry.selectSingleNode("title")) element->Title = WrapTitle(title.text());
    if (TXmlNode summary = entry.selectSingleNode("summary")) element->Summary = WrapSummary(summary.text());
    if (TXmlNode link = entry.selectSingleNode("link/@href")) element->Link = link.text();
    if (TXmlNode updated = entry.selectSingleNode("updated")) element->Date = updated.text();
    items_->Add(std::move(element));
  }
}

void TFeedParser::ReadRss(const TXmlNodeList& items) {
  ClearItems();
  for (const TXmlNode& item : items) {
    if (items_->Count() == kMaxHeadlines) break;
    auto element = std::make_unique<TElement>();
    if (TXmlNode title = item.selectSingleNode("title")) {
      std::string text = title.text();
      if (IsBlank(text)) continue;
      element->Title = WrapTitle(text);
    }
    if (TXmlNode description = item.selectSingleNode("description"))
      element->Summary = WrapSummary(WithoutLeadingAnchor(description.text()));
    if (TXmlNode link = item.selectSingleNode("link")) element->Link = link.text();
    if (TXmlNode date = item.selectSingleNode("pubDate")) element->Date = date.text();
    items_->Add(std::move(element));
  }
}

}  // namespace varnika
