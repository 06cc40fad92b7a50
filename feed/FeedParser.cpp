#include "feed/FeedParser.h"

#include <vector>

#include "base/Utf.h"
#include "feed/FeedLinks.h"
#include "feed/ReaderText.h"
#include "feed/WrapLines.h"
#include "feed/XmlDocument.h"

namespace varnika {

namespace {

constexpr char kDublinCore[] = "http://purl.org/dc/elements/1.1/";
constexpr char kMediaRss[] = "http://search.yahoo.com/mrss/";
constexpr char kContentModule[] = "http://purl.org/rss/1.0/modules/content/";
constexpr char kAtom[] = "http://www.w3.org/2005/Atom";

// The entries of a document: Atom entries under a feed root, or RSS items
// under an rss or rdf:RDF root (directly or in its channel).
struct FeedEntries {
  bool atom = false;
  std::vector<TXmlNode> nodes;
};

std::vector<TXmlNode> ChildrenNamed(const TXmlNode& parent, std::string_view local_name) {
  std::vector<TXmlNode> found;
  for (const TXmlNode& child : parent.childElements())
    if (child.localName() == local_name) found.push_back(child);
  return found;
}

FeedEntries FindEntries(const TXmlDocument& document, bool atom, bool rss) {
  FeedEntries entries;
  TXmlNode root = document.documentElement();
  if (!root) return entries;
  const std::string name = root.localName();
  if (atom && name == "feed") {
    entries.atom = true;
    entries.nodes = ChildrenNamed(root, "entry");
  } else if (rss && (name == "rss" || name == "RDF")) {
    entries.nodes = ChildrenNamed(root, "item");
    for (const TXmlNode& channel : ChildrenNamed(root, "channel"))
      for (const TXmlNode& item : ChildrenNamed(channel, "item")) entries.nodes.push_back(item);
  }
  return entries;
}

// Link relations that never name the entry's page.
bool IsOtherResource(const std::string& rel) {
  for (const char* other : {"self", "replies", "edit", "edit-media", "enclosure", "hub", "license"})
    if (rel == other) return true;
  return rel.rfind("service.", 0) == 0;
}

bool IsHtmlType(const std::string& type) {
  return type == "html" || type == "xhtml" || type == "text/html" || type == "application/xhtml+xml";
}

// Reads one entry or item into an element.
class EntryReader {
 public:
  EntryReader(THtmlReader& html, const std::string& feed_address) : html_(html), feed_address_(feed_address) {}

  // The headline of the entry, or null when it has no text to show.
  std::unique_ptr<TElement> Read(const TXmlNode& entry, bool atom) {
    entry_ = entry;
    ns_ = entry.namespaceUri();
    std::string title = atom ? AtomText(entry_.child("title", ns_)) : Html(entry_.child("title", ns_));
    if (title.empty()) title = Html(entry_.child("title", kDublinCore));
    if (title.empty()) title = MediaTitle();
    std::string summary = atom ? AtomSummary() : RssSummary();
    if (title.empty()) title = CutAtWord(summary, kHeadlineFromSummaryChars);
    if (title.empty()) return nullptr;
    auto element = std::make_unique<TElement>();
    element->Title = WrapTitle(title);
    element->Summary = WrapSummary(summary);
    element->Link = atom ? AtomLink(entry_) : RssLink();
    element->Date = FirstText(atom ? std::initializer_list<const char*>{"updated", "modified", "published", "issued"}
                                   : std::initializer_list<const char*>{"pubDate"});
    if (element->Date.empty()) element->Date = entry_.child("date", kDublinCore).text();
    return element;
  }

 private:
  std::string Html(const TXmlNode& node, bool drop_leading_image_link = false) {
    return node ? html_.Text(node.text(), drop_leading_image_link) : std::string();
  }

  // An Atom text construct: plain text by default, HTML for the html and
  // xhtml types (and Atom 0.3's MIME types); Atom 0.3's mode="escaped"
  // holds the markup as text and mode="base64" encodes the content.
  std::string AtomText(const TXmlNode& node) {
    if (!node) return {};
    const std::string type = node.attribute("type");
    const std::string mode = node.attribute("mode");
    const bool markup = !node.childElements().empty() && mode != "escaped" && mode != "base64";
    std::string content = mode == "base64" ? Narrow(Widen(DecodeBase64(node.text())))
                          : markup         ? node.innerXml()
                                           : node.text();
    if (IsHtmlType(type) || markup) return html_.Text(content, true);
    return CollapseWhitespace(content);
  }

  std::string AtomSummary() {
    std::string summary = AtomText(entry_.child("summary", ns_));
    if (summary.empty()) summary = AtomText(entry_.child("content", ns_));
    return summary;
  }

  std::string RssSummary() {
    std::string summary = Html(entry_.child("description", ns_), true);
    if (summary.empty()) summary = Html(entry_.child("encoded", kContentModule), true);
    if (summary.empty()) summary = Html(entry_.child("description", kDublinCore), true);
    return summary;
  }

  std::string MediaTitle() {
    std::string title = Html(entry_.child("title", kMediaRss));
    if (title.empty()) title = Html(entry_.child("group", kMediaRss).child("title", kMediaRss));
    return title;
  }

  // The alternate link (rel="alternate" or no rel) before any other that
  // may be a page; the feed itself, comments, enclosures and the like are
  // never taken.
  std::string AtomLink(const TXmlNode& parent) {
    TXmlNode chosen;
    const std::string ns = parent.namespaceUri();
    for (const TXmlNode& link : parent.childElements()) {
      if (link.localName() != "link" || link.namespaceUri() != ns || link.attribute("href").empty()) continue;
      const std::string rel = link.attribute("rel");
      if (rel.empty() || rel == "alternate") {
        chosen = link;
        break;
      }
      if (!chosen && !IsOtherResource(rel)) chosen = link;
    }
    return chosen ? Resolved(chosen.attribute("href"), chosen) : std::string();
  }

  // <link>, else a <guid> that is a permalink (isPermaLink is "true" unless
  // it says "false") and a web address, else an atom:link.
  std::string RssLink() {
    if (TXmlNode link = entry_.child("link", ns_)) {
      std::string resolved = Resolved(link.text(), link);
      if (!resolved.empty()) return resolved;
    }
    TXmlNode guid = entry_.child("guid", ns_);
    if (guid && guid.attribute("isPermaLink") != "false") {
      std::string resolved = Resolved(guid.text(), guid);
      if (IsWebAddress(resolved)) return resolved;
    }
    if (ns_ != kAtom) {
      for (const TXmlNode& link : entry_.childElements()) {
        if (link.localName() != "link" || link.namespaceUri() != kAtom) continue;
        const std::string rel = link.attribute("rel");
        if (rel.empty() || rel == "alternate") return Resolved(link.attribute("href"), link);
      }
    }
    return {};
  }

  std::string Resolved(const std::string& link, const TXmlNode& node) {
    return ResolveLink(link, node.baseUri(), feed_address_);
  }

  std::string FirstText(std::initializer_list<const char*> names) {
    for (const char* name : names)
      if (TXmlNode node = entry_.child(name, ns_)) return CollapseWhitespace(node.text());
    return {};
  }

  THtmlReader& html_;
  const std::string& feed_address_;
  TXmlNode entry_;
  std::string ns_;
};

}  // namespace

std::u16string WrapTitle(std::string_view utf8) {
  return Widen(WrapLines(CutAtWord(utf8, kMaxTitleChars), kWrapBreak, kWrapBreakChars, kTitleWrapColumn));
}

std::u16string WrapSummary(std::string_view utf8) {
  return Widen(WrapLines(CutAtWord(utf8, kMaxSummaryChars), kWrapBreak, kWrapBreakChars, kSummaryWrapColumn));
}

bool ReadsAsFeed(std::string_view bytes, std::string_view charset) {
  TXmlDocument document;
  return document.loadXML(bytes, charset) && ReadsAsFeed(document);
}

bool ReadsAsFeed(const TXmlDocument& document) {
  try {
    return !FindEntries(document, true, true).nodes.empty();
  } catch (const std::exception&) {
    return false;
  }
}

std::string TFeedParser::Path() const { return Narrow(file_name_); }

void TFeedParser::ClearItems() { items_ = std::make_unique<TElementList>(); }

void TFeedParser::Parse() {
  TXmlDocument document;
  if (document.load(Path(), charset_)) Parse(document);
}

void TFeedParser::Parse(const TXmlDocument& document) {
  try {
    ReadEntries(document, true, true);
  } catch (const std::exception&) {
    // The previous headlines stay.
  }
}

void TFeedParser::ParseAtom() {
  TXmlDocument document;
  try {
    if (document.load(Path(), charset_)) ReadEntries(document, true, false);
  } catch (const std::exception&) {
  }
}

void TFeedParser::ParseRss() {
  TXmlDocument document;
  try {
    if (document.load(Path(), charset_)) ReadEntries(document, false, true);
  } catch (const std::exception&) {
  }
}

// An error while reading ends the reading; the headlines read so far stay.
void TFeedParser::ReadEntries(const TXmlDocument& document, bool atom, bool rss) {
  FeedEntries entries = FindEntries(document, atom, rss);
  if (entries.nodes.empty()) return;
  ClearItems();
  THtmlReader html;
  EntryReader reader(html, feed_address_);
  try {
    for (const TXmlNode& entry : entries.nodes) {
      if (items_->Count() == kMaxHeadlines) break;
      if (std::unique_ptr<TElement> element = reader.Read(entry, entries.atom)) items_->Add(std::move(element));
    }
  } catch (const std::exception&) {
  }
}

}  // namespace varnika
