#include "widget/FeedRead.h"

#include "base/FileRead.h"
#include "feed/FeedParser.h"
#include "feed/XmlDocument.h"

namespace varnika {

TFeedRead::TFeedRead(HWND wnd, UINT message, IMessagePoster* poster, Source source, std::string body_or_path,
                     std::string feed_address, std::string charset)
    : wnd_(wnd),
      message_(message),
      poster_(poster),
      source_(source),
      bytes_(std::move(body_or_path)),
      feed_address_(std::move(feed_address)),
      charset_(std::move(charset)),
      thread_([this] { Run(); }) {}

TFeedRead::~TFeedRead() { thread_.WaitFor(); }

void TFeedRead::Run() {
  try {
    if (source_ == Source::File) {
      const std::string path = std::move(bytes_);
      ReadRegularFile(path, TXmlDocument::kMaxFileBytes, bytes_);
    }
    TXmlDocument document;
    if (document.loadXML(bytes_, charset_) && ReadsAsFeed(document)) {
      TFeedParser parser;
      parser.SetFeedAddress(feed_address_);
      parser.Parse(document);
      items_ = parser.TakeItems();
    }
  } catch (const std::exception&) {
    items_.reset();
  }
  completed_.store(true, std::memory_order_release);
  if (poster_) poster_->PostIfWindow(wnd_, message_, 0, 0);
}

}  // namespace varnika
