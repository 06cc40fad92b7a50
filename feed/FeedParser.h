// Reads a saved news feed into headlines: Atom (entries under /feed) or
// RSS 2.0 (items under /rss/channel). Titles are wrapped at 50 columns and
// summaries at 60 (WrapLines, CR LF breaks); links and dates are kept as
// found. Each operation loads the file into a fresh document; Parse reads
// the headlines from the document it detected the format in.
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

// The wrapping of titles and summaries.
std::u16string WrapTitle(std::string_view utf8);
std::u16string WrapSummary(std::string_view utf8);

// Whether the bytes read as a feed that Parse would take: XML with at least
// one Atom entry or RSS item.
bool ReadsAsFeed(std::string_view bytes);
bool ReadsAsFeed(const TXmlDocument& document);

class TFeedParser {
 public:
  const std::u16string& FileName() const { return file_name_; }
  void SetFileName(const std::u16string& file_name) { file_name_ = file_name; }

  // The headlines; null until the first parse that loaded its document.
  TElementList* Items() const { return items_.get(); }
  // Hands the headlines over, leaving none; and takes a list read elsewhere.
  std::unique_ptr<TElementList> TakeItems() { return std::move(items_); }
  void SetItems(std::unique_ptr<TElementList> items) { items_ = std::move(items); }

  // Detects the format and reads the feed with ParseAtom or ParseRss.
  void Parse();
  // The same from a document already loaded (the file is not read).
  void Parse(const TXmlDocument& document);
  // Load the file, clear the list and read every entry (Atom) or every
  // item with a title that is not blank (RSS), in document order. A file
  // that does not load leaves the list as it was.
  void ParseAtom();
  void ParseRss();
  // Frees the headlines and starts a new, empty list.
  void ClearItems();

 private:
  std::string Path() const;
  template <typename F>
  void ReadGuarded(F read);
  void ReadAtom(const TXmlNodeList& entries);
  void ReadRss(const TXmlNodeList& items);

  std::unique_ptr<TElementList> items_;
  std::u16string file_name_;
};

}  // namespace varnika
