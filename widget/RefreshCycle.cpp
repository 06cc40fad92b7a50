// The widget's clock and traffic: the five timers, the three kinds of
// download, the feed cache and the update offer.
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <utility>

#include "base/Format.h"
#include "base/Random.h"
#include "base/Utf.h"
#include "base/VersionNumber.h"
#include "feed/FeedParser.h"
#include "feed/XmlDocument.h"
#include "platform/KernelObjects.h"
#include "platform/MessageBox.h"
#include "platform/MessageLoop.h"
#include "platform/Shell.h"
#include "platform/Window.h"
#include "resources/StringTable.h"
#include "toolkit/Control.h"
#include "toolkit/SystemRoutines.h"
#include "widget/ContentEx.h"
#include "widget/MainWindow.h"
#include "widget/CheckBoxEx.h"
#include "widget/ContainerEx.h"
#include "widget/ImageEx.h"
#include "widget/SkinText.h"
#include "widget/ThrobberEx.h"

namespace varnika {
namespace {

constexpr std::string_view kOwnVersion = "2.0";
constexpr const char* kFeedObject = "/gundem.rss?rand=";
constexpr const char* kUpdateObject = "/varnika.xml?rand=";
constexpr const char* kCounterObject = "/swidget/varnikadalmo.gif";
constexpr std::u16string_view kDownloadLink = u"/?linkid=7931";
// A cached list longer than this is shown once the face has faded in: its
// first screens are measured at once and the rest in slices that would
// otherwise run ahead of the start-up step, and a long cache must not hold
// back the first frame.
constexpr int kCachedItemsBeforeFadeIn = 1000;

}  // namespace

void TMainWindow::CreateTimers() {
  HWND wnd = Handle();
  start_timer_ = std::make_unique<TWinTimer>(wnd, kStartTimerId, 50);
  idle_timer_ = std::make_unique<TWinTimer>(wnd, kIdleTimerId, 10000);
  busy_timer_ = std::make_unique<TWinTimer>(wnd, kBusyTimerId, 20);
  refresh_timer_ = std::make_unique<TWinTimer>(wnd, kRefreshTimerId, static_cast<UINT>(refresh_interval_));
  counter_timer_ = std::make_unique<TWinTimer>(wnd, kCounterTimerId, 60000);
  start_timer_->Start();
  idle_timer_->Start();
  refresh_timer_->Start();
  counter_timer_->Start();
}

void TMainWindow::WMTimer(TWidgetMessage& message) {
  switch (message.WParam) {
    case kStartTimerId:
      StartUpStep();
      break;
    case kIdleTimerId:
      IdleCheck();
      break;
    case kBusyTimerId:
      BusyStep();
      break;
    case kRefreshTimerId:
      RefreshFeed();
      break;
    case kCounterTimerId:
      PingCounter();
      break;
    default:
      break;
  }
}

void TMainWindow::StartUpStep() {
  start_timer_->Stop();
  Invalidate();
  FadeIn(*this, 4, 1);
  faded_in_ = true;
  if (std::unique_ptr<TElementList> items = std::move(faded_in_items_); items && !downloaded_headlines_) {
    ShowHeadlines(std::move(items));
    Invalidate();
  }
  RefreshFeed();
  CheckForUpdate();
  PingCounter();
  TrimAfterStart();
}

// Once the user has left the widget alone, one trim gives back what can be
// given; a second one would find nothing new, so the check then sleeps (its
// timer stopped) until input or a finished download changes the picture.
void TMainWindow::IdleCheck() {
  idle_timer_->Stop();
  if (GetTickCount() - LastInputTick > IdleThreshold) {
    idle_asleep_ = true;
    idle_input_tick_ = LastInputTick;
    TrimWorkingSet();
    return;
  }
  // The drain of an earlier trim may have run the close: the timer is gone then.
  if (idle_timer_) idle_timer_->Start();
}

void TMainWindow::WakeIdleCheck() {
  if (!idle_asleep_) return;
  idle_asleep_ = false;
  if (idle_timer_) idle_timer_->Start();
}

void TMainWindow::BusyStep() {
  busy_timer_->Stop();
  throbber_->Step();
  Invalidate();
  busy_timer_->Start();
}

void TMainWindow::SetBusy(bool busy) {
  throbber_->SetVisible(busy);
  if (busy_timer_) busy_timer_->SetEnabled(busy);
  status_text_->SetVisible(busy);
}

std::optional<TFeedAddress> TMainWindow::UserFeed() const {
  if (!options_) return std::nullopt;
  return ParseFeedAddress(options_->ReadFeedUrl());
}

std::unique_ptr<TInternetThread> TMainWindow::NewDownload(UINT message, const std::string& host,
                                                          const std::string& object, bool secure) {
  auto thread = std::make_unique<TInternetThread>(Handle(), message, InternetHandle(), &SystemMessagePoster());
  thread->Request().SetValue(rvHost, host);
  thread->Request().SetValue(rvObject, object);
  thread->Request().SetSecure(secure ? 1 : 0);
  if (message == WM_FEEDDONE) cache_headers_.AddConditions(thread->Request());
  thread->Start();
  return thread;
}

void TMainWindow::RefreshFeed() {
  if (feed_thread_ || feed_read_) return;
  if (servers_.news_host.empty() && !UserFeed()) return;  // no server to ask
  feed_text_.clear();
  cache_headers_ = ReadFeedCacheHeaders(CacheFileName());
  SetBusy(true);
  if (refresh_timer_) refresh_timer_->Stop();
  try {
    if (auto feed = UserFeed()) {
      feed_thread_ = NewDownload(WM_FEEDDONE, feed->host, feed->ObjectWithRand(RandomText()), feed->secure);
    } else {
      feed_thread_ = NewDownload(WM_FEEDDONE, servers_.news_host, kFeedObject + RandomText(), false);
    }
  } catch (const std::exception&) {
    // Like a failed download: the next attempt comes with the timer.
    feed_thread_.reset();
    SetBusy(false);
    if (refresh_timer_) refresh_timer_->Start();
  }
}

// A completion message names no thread: one that a freed thread left queued
// arrives while the current thread of its kind has not completed, and is
// ignored.
void TMainWindow::FeedDone(TWidgetMessage&) {
  if (!feed_thread_ || !feed_thread_->Completed()) return;
  // A failed exchange may have left part of a body: never let it replace
  // the cache.
  // 304: the cached feed is still the current one; the cache and the list stay.
  const TResponse& response = feed_thread_->Response();
  if (feed_thread_->Result() == 0 && ResponseStatus(response) != 304) {
    feed_text_ = ResponseText(response);
    feed_headers_ = TFeedCacheHeaders::Of(response, feed_text_);
  }
  feed_thread_.reset();
  WakeIdleCheck();
  if (!feed_text_.empty() && CacheHolds(feed_text_)) {
    // The feed as cached again: nothing to parse, measure or repaint.
    StoreFeedHeaders();
    std::string().swap(feed_text_);
  } else if (!feed_text_.empty()) {
    // The body is read on a worker; FeedReadDone ends the refresh.
    feed_read_ = StartFeedRead(TFeedRead::Source::Bytes, std::move(feed_text_), WM_FEEDREADDONE,
                               feed_headers_.Charset());
    feed_text_.clear();
    if (feed_read_) return;
  }
  EndRefresh();
}

void TMainWindow::EndRefresh() {
  SetBusy(false);
  Invalidate();
  if (refresh_timer_) refresh_timer_->Start();
  if (collapsed_) RefreshCollapsedPicture();
  TrimAfterStart();
  if (std::exchange(refresh_after_read_, false)) RefreshFeed();
}

// Building the face and reading the cached feed leave freed heap behind; it
// goes back to the system once, as soon as the face has faded in and the
// cache has been read (its headlines shown). A refresh that ends before
// then does not trim; later trims wait for the idle check.
void TMainWindow::TrimAfterStart() {
  if (start_trimmed_ || !faded_in_ || cache_read_) return;
  start_trimmed_ = true;
  SetProcessWorkingSetSize(GetCurrentProcess(), static_cast<SIZE_T>(-1), static_cast<SIZE_T>(-1));
}

std::string TMainWindow::FeedPageAddress() const {
  if (auto feed = UserFeed()) return (feed->secure ? "https://" : "http://") + feed->host + feed->object;
  return "http://" + servers_.news_host + "/gundem.rss";
}

std::unique_ptr<TFeedRead> TMainWindow::StartFeedRead(TFeedRead::Source source, std::string body_or_path,
                                                      UINT message, std::string charset) {
  try {
    auto read = std::make_unique<TFeedRead>(Handle(), message, &SystemMessagePoster(), source,
                                            std::move(body_or_path), FeedPageAddress(), std::move(charset));
    read->Start();
    return read;
  } catch (const std::exception&) {
    return nullptr;  // no thread: the headlines stay as they are
  }
}

void TMainWindow::StartCacheRead() {
  // A cached body that declares no encoding is read in the charset it came with.
  cache_read_ = StartFeedRead(TFeedRead::Source::File, Narrow(CacheFileName()), WM_CACHEREADDONE,
                              ReadFeedCacheHeaders(CacheFileName()).Charset());
}

// Only a body that reads as a feed replaces the cache and the headlines, so
// an error page or a truncated download never costs the last good ones.
void TMainWindow::FeedReadDone(TWidgetMessage&) {
  if (!feed_read_ || !feed_read_->Completed()) return;
  const std::unique_ptr<TFeedRead> read = std::move(feed_read_);
  if (std::unique_ptr<TElementList> items = read->TakeItems()) {
    if (SaveFeedCache(read->Bytes())) StoreFeedHeaders();
    ShowHeadlines(std::move(items));
    downloaded_headlines_ = true;
  }
  EndRefresh();
}

// The previous run's headlines, unless a download was quicker.
void TMainWindow::CacheReadDone(TWidgetMessage&) {
  if (!cache_read_ || !cache_read_->Completed()) return;
  std::unique_ptr<TElementList> items = cache_read_->TakeItems();
  cache_read_.reset();
  if (items && !downloaded_headlines_) {
    if (!faded_in_ && items->Count() > kCachedItemsBeforeFadeIn) {
      faded_in_items_ = std::move(items);
      return;
    }
    ShowHeadlines(std::move(items));
    Invalidate();
  }
  items.reset();
  TrimAfterStart();
}

void TMainWindow::ShowHeadlines(std::unique_ptr<TElementList> items) {
  news_list_->SetRedraw(true);
  news_list_->SetItems(std::move(items), CacheFileName());
  UpdateScrollBar();
  if (collapsed_) RefreshCollapsedPicture();
  news_list_->SetRedraw(false);
}

// A cache that cannot be written (a folder or a FIFO in its place, a
// read-only folder, a full disk) keeps its old file; the headlines that
// arrived are shown all the same. The reason is told once per run.
bool TMainWindow::SaveFeedCache(const std::string& body) {
  try {
    SaveBytesToFile(CacheFileName(), body);
    return true;
  } catch (const Exception& error) {
    if (cache_error_told_) return false;
    cache_error_told_ = true;
    std::fprintf(stderr, "Varnika: %s; the feed cache is not updated\n", Narrow(error.Message()).c_str());
    return false;
  }
}

void TMainWindow::ReloadFeedAddress(TWidgetMessage&) {
  if (!options_ || closing_) return;
  options_->ReloadFeedUrl();
  // A download from the old address is dropped for one from the new; a body
  // already being read is shown first, and the new address fetched after.
  feed_thread_.reset();
  if (feed_read_) {
    refresh_after_read_ = true;
    return;
  }
  RefreshFeed();
}

bool TMainWindow::CacheHolds(const std::string& body) const {
  std::error_code error;
  const auto size = std::filesystem::file_size(Utf16ToUtf8(CacheFileName()), error);
  return !error && size == body.size() && ReadCacheFile(CacheFileName()) == body;
}

void TMainWindow::StoreFeedHeaders() {
  if (feed_headers_.SameAs(cache_headers_)) return;
  try {
    WriteFeedCacheHeaders(CacheFileName(), feed_headers_);
    cache_headers_ = feed_headers_;
  } catch (const Exception&) {
  }
}

void TMainWindow::RefreshCollapsedPicture() {
  Paint();
  UpdateLayer();
}

void TMainWindow::CheckForUpdate() {
  if (update_thread_ || servers_.update_host.empty()) return;
  try {
    update_thread_ = NewDownload(WM_UPDATECHECKDONE, servers_.update_host, kUpdateObject + RandomText(), false);
  } catch (const std::exception&) {
    update_thread_.reset();
  }
}

std::string TMainWindow::ReadVersion(std::string_view text) {
  try {
    TXmlDocument document;
    if (!document.loadXML(text)) return {};
    TXmlNode node = document.selectSingleNode("/data/version");
    return node ? std::string(TrimVersion(node.text())) : std::string();
  } catch (const std::exception&) {
    return {};
  }
}

bool TMainWindow::IsNewerVersion(std::string_view version) {
  return CompareVersions(version, kOwnVersion) > 0;
}

void TMainWindow::UpdateCheckDone(TWidgetMessage&) {
  if (!update_thread_ || !update_thread_->Completed()) return;
  std::string text = update_thread_->Result() == 0 ? ResponseText(update_thread_->Response()) : std::string();
  update_thread_.reset();
  WakeIdleCheck();
  if (text.empty()) return;
  const std::string version = ReadVersion(text);
  if (version.empty() || !IsNewerVersion(version)) return;
  OfferUpdate();
}

void TMainWindow::OfferUpdate() {
  const std::u16string product = LoadStringW(IDS_PRODUCTNAME);
  const std::u16string text = Format(LoadStringW(IDS_UPDATEOFFER), product);
  if (MessageBoxW(Handle(), text.c_str(), product.c_str(), MB_YESNO | MB_ICONINFORMATION | MB_TOPMOST) == IDYES) {
    OpenRedirect(kDownloadLink, SW_SHOW);
  }
}

void TMainWindow::OpenRedirect(std::u16string_view link, int show_command) {
  if (servers_.link_host.empty()) return;
  const std::u16string url = u"http://" + Utf8ToUtf16(servers_.link_host) + std::u16string(link);
  ShellExecuteW(nullptr, u"open", url.c_str(), nullptr, nullptr, show_command);
}

void TMainWindow::PingCounter() {
  if (servers_.counter_host.empty()) {
    // Nothing to count: the minute's timer stops waking the widget.
    if (counter_timer_) counter_timer_->Stop();
    return;
  }
  if (counter_thread_) return;
  try {
    counter_thread_ = NewDownload(WM_COUNTERDONE, servers_.counter_host, kCounterObject, false);
  } catch (const std::exception&) {
    counter_thread_.reset();
  }
}

void TMainWindow::CounterDone(TWidgetMessage&) {
  if (counter_thread_ && counter_thread_->Completed()) counter_thread_.reset();
}

}  // namespace varnika
