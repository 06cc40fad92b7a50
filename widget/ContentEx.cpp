#include "widget/ContentEx.h"

#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <limits>
#include <string_view>

#include "base/Exceptions.h"
#include "base/Utf.h"
#include "feed/FeedLinks.h"
#include "platform/Input.h"
#include "platform/Shell.h"
#include "widget/Rounding.h"

namespace varnika {

namespace {

constexpr int kHandCursor = 13;
constexpr int kArrowCursor = 0;
// How far a headline's drawing may reach outside its boxes (the rule's
// antialiased edge); a tile draws every headline that comes this close.
constexpr int kOverhang = 2;

bool FileExists(const std::string& path) {
  struct stat info;
  return ::stat(path.c_str(), &info) == 0 && !S_ISDIR(info.st_mode);
}

TRect Shifted(const TRect& r, int dy) { return TRect{r.Left, r.Top - dy, r.Right, r.Bottom - dy}; }

}  // namespace

TContentEx::TContentEx(TComponent* owner, int tile_rows, int tile_capacity)
    : TControlEx(owner), tiles_(tile_rows, tile_capacity) {
  SetClassNameW(u"TContentEx");
  OnClick = [this](TControl*, int, int x, int y) { OpenItem(x, y); };
}

TContentEx::~TContentEx() = default;

// --- the feed ---------------------------------------------------------------------

void TContentEx::Load(const std::u16string& file_name) {
  if (!FileExists(Narrow(file_name))) return;
  feed_.SetFileName(file_name);
  Parse();
  UpdateLayout();
}

void TContentEx::SetItems(std::unique_ptr<TElementList> items, const std::u16string& file_name) {
  feed_.SetFileName(file_name);
  feed_.SetItems(std::move(items));
  ItemsReplaced();
  UpdateLayout();
}

// Every operation that may replace the headlines makes the measured boxes
// stale; the list itself may or may not have changed.
void TContentEx::Parse() {
  feed_.Parse();
  ItemsReplaced();
}

void TContentEx::ParseAtom() {
  feed_.ParseAtom();
  ItemsReplaced();
}

void TContentEx::ParseRss() {
  feed_.ParseRss();
  ItemsReplaced();
}

void TContentEx::ClearItems() {
  feed_.ClearItems();
  ItemsReplaced();
}

void TContentEx::ItemsReplaced() {
  StopSlices();
  boxes_valid_ = false;
  boxes_.clear();
  measured_bottom_ = 0.0f;
  tiles_.Discard();
}

// --- layout -----------------------------------------------------------------------

bool TContentEx::Measuring() const {
  return boxes_valid_ && Items() && MeasuredCount() < Items()->Count();
}

void TContentEx::StartMeasuring() {
  StopSlices();
  boxes_.clear();
  boxes_.reserve(static_cast<std::size_t>(Items()->Count()));
  measured_bottom_ = 0.0f;
  boxes_valid_ = true;
}

void TContentEx::MeasureItems() {
  MeasureRange(boxes_.size(), static_cast<std::size_t>(Items()->Count()));
}

// Titles are measured first and summaries second, so the font changes twice
// per range rather than twice per headline; the stack is then added up in
// the headlines' order, continuing from the headlines measured before.
void TContentEx::MeasureRange(std::size_t first, std::size_t end) {
  TCanvasEx& canvas = Canvas();
  TElementList& items = *Items();
  const std::size_t count = end - first;
  std::vector<float> title_heights(count), summary_heights(count);
  std::vector<int> title_widths(count);
  canvas.Font().SetStyle(FontStyleBold);
  canvas.Font().SetSize(kTitleSize);
  // Each text is measured as wide as it is drawn: a title no wider than the
  // list, a summary as wide as the list; a line longer than that wraps in
  // both, so no line is cut off.
  const int width = Width();
  for (std::size_t i = 0; i < count; ++i) {
    const TCanvasEx::TWrappedExtent title = canvas.WrappedExtent(items[static_cast<int>(first + i)].Title, width);
    title_heights[i] = title.Height;
    title_widths[i] = title.Width;
  }
  canvas.Font().SetStyle(FontStyleRegular);
  canvas.Font().SetSize(kSummarySize);
  for (std::size_t i = 0; i < count; ++i)
    summary_heights[i] = canvas.TextHeight(items[static_cast<int>(first + i)].Summary, width);
  counters_.TextMeasures += 2 * count;

  float y = measured_bottom_;
  for (std::size_t i = 0; i < count; ++i) {
    TItemBoxes& box = boxes_.emplace_back();
    box.Title.Top = RoundToInt(y);
    y += title_heights[i];
    box.Title.Right = title_widths[i];
    y += kTextPadding;
    box.Title.Bottom = RoundToInt(y);
    y += kRuleGap;
    box.RuleY = RoundToInt(y);
    y += kRuleGap;
    box.Summary.Top = RoundToInt(y);
    box.Summary.Right = Width();
    y += summary_heights[i];
    y += kTextPadding;
    box.Summary.Bottom = RoundToInt(y);
    y += kItemGap;
    items[static_cast<int>(first + i)].Bounds = box.Title;
  }
  measured_bottom_ = y;
}

// Headlines are measured in batches, titles first as in one go. A timed
// run sizes each batch to the time left by what the batches before took, so
// that headlines far longer than usual do not carry a slice past its end.
void TContentEx::MeasureUntil(float bottom, bool timed) {
  using Clock = std::chrono::steady_clock;
  constexpr std::size_t kMaxBatch = 32;
  const auto count = static_cast<std::size_t>(Items()->Count());
  Clock::time_point now = Clock::now();
  const Clock::time_point deadline = now + std::chrono::milliseconds(kSliceMilliseconds);
  Clock::duration per_headline{};  // unknown until the first batch
  while (boxes_.size() < count && measured_bottom_ < bottom) {
    std::size_t batch = kMaxBatch;
    if (timed) {
      if (now >= deadline) return;
      batch = per_headline.count() > 0 ? static_cast<std::size_t>((deadline - now) / per_headline) : 1;
      batch = std::clamp<std::size_t>(batch, 1, kMaxBatch);
    }
    const std::size_t first = boxes_.size();
    MeasureRange(first, std::min(count, first + batch));
    const Clock::time_point after = Clock::now();
    per_headline = (after - now) / static_cast<Clock::rep>(boxes_.size() - first);
    now = after;
  }
}

int TContentEx::UpdateLayout() {
  Canvas().StringFormat().SetLineAlignment(StringAlignmentCenter);
  if (!HasItems()) return Parent() ? Parent()->Height() : Height();
  StartMeasuring();
  if (Items()->Count() <= items_measured_at_once_ || !HasWindow()) {
    MeasureItems();
  } else {
    // The first two screens at once, then on to a screen past the rows
    // that the box shows (a list scrolled down) while the slice's time
    // lasts: the scroll bar keeps the view within what is measured.
    const double screen = Parent() ? Parent()->Height() : Height();
    MeasureUntil(static_cast<float>(2.0 * screen), false);
    MeasureUntil(static_cast<float>(2.0 * screen - Top()), true);
    if (Measuring()) StartSlices();
  }
  int height = RoundToInt(measured_bottom_);
  SetHeight(height);
  tiles_.SetSize(Width(), Height());
  tiles_.Discard();
  return height;
}

// The timer runs on the list's own window; a window made anew gets a new
// timer.
void TContentEx::StartSlices() {
  if (!slice_timer_ || slice_timer_->Wnd() != WindowHandle())
    slice_timer_ = std::make_unique<TWinTimer>(WindowHandle(), kSliceTimerId, 1);
  slice_timer_->Start();
}

void TContentEx::StopSlices() {
  if (slice_timer_) slice_timer_->Stop();
}

void TContentEx::MeasureSlice() {
  if (!Measuring()) {
    StopSlices();
    return;
  }
  MeasureUntil(std::numeric_limits<float>::infinity(), true);
  if (!Measuring()) StopSlices();
  SetHeight(RoundToInt(measured_bottom_));
  // The tiles painted so far may end where the measured rows ended.
  tiles_.SetSize(Width(), Height());
  tiles_.Discard();
  if (OnMeasured) OnMeasured(this);
}

void TContentEx::WndProc(TWidgetMessage& message) {
  if (message.Msg == WM_TIMER && message.WParam == kSliceTimerId) {
    MeasureSlice();
    return;
  }
  TControlEx::WndProc(message);
}

int TContentEx::ItemAt(int x, int y) const {
  const TElementList* items = Items();
  if (!items) return -1;
  for (int i = 0; i < items->Count(); ++i) {
    const TRect& b = items->Items(i).Bounds;
    if (b.Left <= x && x < b.Right && b.Top <= y && y < b.Bottom) return i;
  }
  return -1;
}

// --- painting -----------------------------------------------------------------------

void TContentEx::CreateHandle() {
  TControl::CreateHandle();
  Canvas().SetSize(Width(), 1);
  tiles_.SetSize(Width(), Height());
  if (Measuring()) StartSlices();
}

void TContentEx::WMSize(TWidgetMessage& message) {
  TControl::WMSize(message);
  if (Canvas().Width() != Width()) Canvas().SetSize(Width(), 1);
  tiles_.SetSize(Width(), Height());
}

std::size_t TContentEx::PixelBytes() const {
  const TBitmapEx& own = const_cast<TContentEx*>(this)->Canvas().Bitmap();
  return tiles_.PixelBytes() + static_cast<std::size_t>(own.Stride()) * static_cast<std::size_t>(own.PixelHeight());
}

void TContentEx::Paint() {
  TControlEx::Paint();
  TCanvasEx& canvas = Canvas();
  canvas.StringFormat().SetLineAlignment(StringAlignmentCenter);
  if (HasItems()) {
    canvas.StringFormat().SetAlignment(StringAlignmentNear);
    // Headlines replaced without a layout are measured now, all of them; the
    // height stays.
    if (!boxes_valid_) {
      StartMeasuring();
      MeasureItems();
    }
    for (int i = 0; i < MeasuredCount(); ++i) (*Items())[i].Bounds = boxes_[static_cast<std::size_t>(i)].Title;
  }
  canvas.Pen().SetColor(kRuleColor);
  tiles_.Discard();
}

void TContentEx::UpdateLayer() {
  if (!Parent()) return;
  auto* parent = dynamic_cast<TControlEx*>(Parent());
  if (!parent) throw EInvalidCast(u"Invalid class typecast");
  if (!HasItems() || !boxes_valid_) return;  // nothing drawn: the list is transparent
  tiles_.SetSize(Width(), Height());
  TCanvasEx& target = parent->ComposeCanvas();
  tiles_.Compose(target, Left(), Top(), Opacity(), -Top(), target.Height() - Top(),
                 [this](TCanvasEx& tile, int tile_top) { PaintTile(tile, tile_top); });
}

// The tile takes the list canvas's font family and text settings, so that
// it draws exactly what the list was measured with.
void TContentEx::PrepareTile(TCanvasEx& tile) {
  TCanvasEx& canvas = Canvas();
  tile.SetTextRenderingHint(canvas.TextRenderingHint());
  tile.SetSmoothingMode(canvas.SmoothingMode());
  tile.SetPixelOffsetMode(canvas.PixelOffsetMode());
  tile.SetTextContrast(canvas.TextContrast());
  tile.Font().SetName(canvas.Font().Name());
  tile.StringFormat().Assign(canvas.StringFormat());
  tile.StringFormat().SetLineAlignment(StringAlignmentCenter);
  tile.StringFormat().SetAlignment(StringAlignmentNear);
  tile.Pen().Assign(canvas.Pen());
  tile.Pen().SetColor(kRuleColor);
}

void TContentEx::PaintTile(TCanvasEx& tile, int tile_top) {
  ++counters_.TilePaints;
  const TElementList* items = Items();
  if (!items || !boxes_valid_ || boxes_.size() > static_cast<std::size_t>(items->Count())) return;
  PrepareTile(tile);
  const int tile_bottom = tile_top + tile.Height();
  auto first = std::partition_point(boxes_.begin(), boxes_.end(), [tile_top](const TItemBoxes& box) {
    return box.Summary.Bottom + kOverhang <= tile_top;
  });
  for (auto box = first; box != boxes_.end() && box->Title.Top - kOverhang < tile_bottom; ++box) {
    const TElement& element = items->Items(static_cast<int>(box - boxes_.begin()));
    tile.Font().SetStyle(FontStyleBold);
    tile.Font().SetSize(kTitleSize);
    tile.Font().SetColor(kTitleColor);
    tile.DrawText(Shifted(box->Title, tile_top), element.Title);
    const int rule = box->RuleY - tile_top;
    tile.DrawLine(0, rule, Width(), rule);
    tile.Font().SetStyle(FontStyleRegular);
    tile.Font().SetSize(kSummarySize);
    tile.Font().SetColor(kSummaryColor);
    tile.DrawText(TRect{0, box->Summary.Top - tile_top, Width(), box->Summary.Bottom - tile_top}, element.Summary);
    counters_.TextDraws += 2;
    counters_.LineDraws += 1;
  }
}

// --- mouse ------------------------------------------------------------------------------

// Mouse messages carry 16-bit coordinates, and the list may be far taller
// than that. A row is taken back to the one it names near the rows that the
// parent shows.
int TContentEx::ListRow(int message_y) const {
  const int shown = Parent() ? Parent()->Height() : 0;
  const double centre = -static_cast<double>(Top()) + shown / 2.0;
  const double turns = std::nearbyint((centre - message_y) / 65536.0);
  return message_y + static_cast<int>(turns) * 65536;
}

void TContentEx::WMMouseMove(TWidgetMessage& message) {
  TControlEx::WMMouseMove(message);
  SetCursor(ItemAt(MessageX(message), ListRow(MessageY(message))) >= 0 ? kHandCursor : kArrowCursor);
}

void TContentEx::WMButtonDown(TWidgetMessage& message) {
  varnika::SetCapture(Handle());
  SetFocus();
  TControlEx::WMButtonDown(message);
}

void TContentEx::WMButtonUp(TWidgetMessage& message) {
  varnika::ReleaseCapture();
  TControlEx::WMButtonUp(message);
}

void TContentEx::OpenItem(int x, int y) {
  int index = ItemAt(x, ListRow(y));
  if (index < 0) return;
  // Feeds that indent their markup put line breaks and blanks around the
  // address in <link>; the browser is given the address itself.
  std::string_view link = Items()->Items(index).Link;
  while (!link.empty() && static_cast<unsigned char>(link.front()) <= 32) link.remove_prefix(1);
  while (!link.empty() && static_cast<unsigned char>(link.back()) <= 32) link.remove_suffix(1);
  if (link.empty()) return;  // nothing to open
  std::string url = WithReferral(link, kReferral);
  ShellExecuteA(nullptr, "open", url.c_str(), nullptr, nullptr, SW_SHOW);
}

}  // namespace varnika
