// Reads a saved news feed into headlines. Dialects: Atom 1.0 and 0.3
// (entries under a feed root), RSS 0.9x and 2.0 (items under rss/channel)
// and RSS 1.0 / 0.9 (items under rdf:RDF); roots and elements may carry a
// prefix. Atom is tried first.
//
// Every headline reads as a reader sees it (ReaderText): markup taken out
// of HTML texts, references decoded, whitespace collapsed, the ends
// trimmed; titles and summaries cut at 300 characters. An entry without a
// title takes dc:title or media:title, else the start of its summary; one
// left without any headline text is skipped. Links are the entry's web
// address (Atom: the alternate link; RSS: <link>, else a permalink
// <guid>), resolved against xml:base and the feed's own address. Titles
// are then wrapped at 50 columns and summaries at 60 (WrapLines, CR LF
// breaks); dates are kept as found.
//
// Parse replaces the headlines only when the file loads as XML and holds at
// least one Atom entry or RSS item; otherwise the previous headlines stay.
// An error while reading entries ends the reading quietly: the old list is
// already gone by then, and the entries read so far stay.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "feed/Element.h"
#include "feed/XmlDocument.h"

namespace varnika {

inline constexpr int kTitleWrapColumn = 50;
inline constexpr int kSummaryWrapColumn = 60;
// The most headlines a feed gives, the first in document order: reading
// and measuring each costs the UI thread time, and a body of the largest
// download size may hold hundreds of thousands of tiny items.
inline constexpr int kMaxHeadlines = 10000;
inline constexpr char kWrapBreak[] = "\r\n";
inline constexpr char kWrapBreakChars[] = "\t -.";
// How much of its summary an entry without a title shows as its headline.
inline constexpr std::size_t kHeadlineFromSummaryChars = 100;

// The wrapping of titles and summaries (after the cut at 300 characters).
std::u16string WrapTitle(std::string_view utf8);
std::u16string WrapSummary(std::string_view utf8);

// Whether the bytes read as a feed that Parse would take: XML with at least
// one Atom entry or RSS item. charset as for TXmlDocument::loadXML.
bool ReadsAsFeed(std::string_view bytes, std::string_view charset = {});
bool ReadsAsFeed(const TXmlDocument& document);

class TFeedParser {
 public:
  const std::u16string& FileName() const { return file_name_; }
  void SetFileName(const std::u16string& file_name) { file_name_ = file_name; }
  // The address the feed came from, against which relative links resolve
  // ("" : none).
  const std::string& FeedAddress() const { return feed_address_; }
  void SetFeedAddress(std::string address) { feed_address_ = std::move(address); }
  // The charset the file was served with, for a file that names none
  // (TXmlDocument::load); "" : none known.
  void SetCharset(std::string charset) { charset_ = std::move(charset); }

  // The headlines; null until the first parse that loaded its document.
  TElementList* Items() const { return items_.get(); }
  // Hands the headlines over, leaving none; and takes a list read elsewhere.
  std::unique_ptr<TElementList> TakeItems() { return std::move(items_); }
  void SetItems(std::unique_ptr<TElementList> items) { items_ = std::move(items); }

  // Detects the dialect and reads the feed with ParseAtom or ParseRss.
  void Parse();
  // The same from a document already loaded (the file is not read).
  void Parse(const TXmlDocument& document);
  // Load the file, clear the list and read every entry (Atom) or item
  // (RSS, RDF) in document order. A file that does not load, or holds no
  // entry of that dialect, leaves the list as it was.
  void ParseAtom();
  void ParseRss();
  // Frees the headlines and starts a new, empty list.
  void ClearItems();

 private:
  std::string Path() const;
  void ReadEntries(const TXmlDocument& document, bool atom, bool rss);

  std::unique_ptr<TElementList> items_;
  std::u16string file_name_;
  std::string feed_address_;
  std::string charset_;
};

}  // namespace varnika
