// Reading a feed into headlines on a worker thread. Parsing a body of the
// largest download size takes libxml2 about a second on a slow machine, so
// the parse, the check that the body is a feed and the reading of its
// headlines (everything that grows with the body) run off the UI thread;
// what the UI thread keeps is measuring the headlines it is handed.
//
// The worker posts message to wnd when it is done; the owner then takes the
// result on the UI thread. The destructor waits for the worker.
#pragma once

#include <atomic>
#include <memory>
#include <string>

#include "base/MessagePoster.h"
#include "feed/Element.h"
#include "net/Thread.h"

namespace varnika {

class TFeedRead {
 public:
  // Reads body_or_path as a download's body (Source::Bytes), or the file it
  // names (Source::File, the cache), which is refused unless it is a
  // regular file of at most the largest download size. feed_address is the
  // feed's own address (relative links resolve against it), charset the
  // one the body was served with (for a body that declares none); "" : none.
  enum class Source { Bytes, File };
  TFeedRead(HWND wnd, UINT message, IMessagePoster* poster, Source source, std::string body_or_path,
            std::string feed_address = {}, std::string charset = {});
  ~TFeedRead();
  TFeedRead(const TFeedRead&) = delete;
  TFeedRead& operator=(const TFeedRead&) = delete;

  void Start() { thread_.Start(); }
  void WaitFor() { thread_.WaitFor(); }
  bool Completed() const { return completed_.load(std::memory_order_acquire); }

  // After completion: the bytes read (the body, or the file's contents), and
  // the headlines, or null when they do not read as a feed with entries or
  // items (the list then keeps what it shows).
  const std::string& Bytes() const { return bytes_; }
  std::unique_ptr<TElementList> TakeItems() { return std::move(items_); }

 private:
  void Run();

  HWND wnd_;
  UINT message_;
  IMessagePoster* poster_;
  Source source_;
  std::string bytes_;
  std::string feed_address_;
  std::string charset_;
  std::unique_ptr<TElementList> items_;
  std::atomic<bool> completed_{false};
  TThread thread_;  // last: it starts after, and is joined before, the rest
};

}  // namespace varnika
