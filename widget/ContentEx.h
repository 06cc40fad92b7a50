// The headline list: a layered control that reads the saved news feed, keeps
// one TElement per headline and draws them as a stack of bold title, thin
// rule and summary. A click on a title opens the headline's link in the
// browser. The control is as tall as its content; a container clips it and
// the scroll bar moves it.
//
// Texts are measured once per load, in UpdateLayout, and the measured boxes
// are kept. A long list is measured in parts: UpdateLayout measures the
// first two screens (more when the box shows rows further down) and the
// rest follows in slices of about kSliceMilliseconds from a window timer,
// which waits behind input and painting. The control is as tall as what is
// measured, so scrolling and the thumb reach only measured rows; each slice
// makes it taller and raises OnMeasured. A new load or a cleared list
// supersedes the slices of the old one.
//
// The picture is not one bitmap as tall as the list but tiles of
// at most TListTiles::kDefaultRows rows, painted from the kept boxes when
// composing first needs them and reused until the next Paint; only the tiles
// that meet the parent's canvas are composed. Scrolling therefore neither
// measures nor draws text (Counters shows it). With Cached set, Paint runs
// only on the walks that follow a Redraw, as for any layered control; Paint
// discards the tiles, so a reload with Redraw set shows the new headlines.
// A load, a slice or a change of size discards them as well, so the
// picture never shows stale rows.
//
// The control's own Canvas is only its measuring surface (one row tall): it
// carries the font, string format and text settings that the owner sets and
// that the tiles copy. OnPaint is still raised on it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "feed/FeedParser.h"
#include "toolkit/ControlEx.h"
#include "toolkit/WinTimer.h"
#include "widget/ListTiles.h"

namespace varnika {

// The value of the "ref" parameter added to the links the list opens.
inline constexpr char kReferral[] = "varnika";

// Text measurements and drawing calls made by a list since the last reset.
struct TContentCounters {
  std::uint64_t TextMeasures = 0;  // texts laid out to be measured (a title once, a summary once)
  std::uint64_t TextDraws = 0;     // DrawText calls
  std::uint64_t LineDraws = 0;     // rules drawn
  std::uint64_t TilePaints = 0;
};

class TContentEx : public TControlEx {
 public:
  static constexpr ARGB kTitleColor = 0xFF0000A0;
  static constexpr ARGB kSummaryColor = 0xFF303030;
  static constexpr ARGB kRuleColor = 0x40000000;
  static constexpr int kTitleSize = 10;
  static constexpr int kSummarySize = 9;
  static constexpr int kTextPadding = 4;  // added to every measured text height
  static constexpr int kRuleGap = 2;      // between title box and rule, and rule and summary box
  static constexpr int kItemGap = 15;     // after every summary box
  // Lists of at most this many headlines are measured in one go.
  static constexpr int kItemsMeasuredAtOnce = 200;
  // How long one slice of a longer list's measuring runs, about.
  static constexpr int kSliceMilliseconds = 20;

  // tile_rows and tile_capacity size the tile cache (tests use small tiles).
  explicit TContentEx(TComponent* owner, int tile_rows = TListTiles::kDefaultRows,
                      int tile_capacity = TListTiles::kDefaultCapacity);
  ~TContentEx() override;

  // Reads the feed file when it exists (Parse), then lays the headlines out
  // (UpdateLayout). A missing file changes nothing.
  void Load(const std::u16string& file_name);
  // Shows headlines read elsewhere from file_name, and lays them out.
  void SetItems(std::unique_ptr<TElementList> items, const std::u16string& file_name);
  void Parse();
  void ParseAtom();
  void ParseRss();
  void ClearItems();
  // The headlines; null until the first parse that loaded its document.
  TElementList* Items() const { return feed_.Items(); }
  // The last feed file that Load found.
  const std::u16string& FileName() const { return feed_.FileName(); }
  // The feed's own address (relative links resolve against it) and the
  // charset it was served with; both apply from the next parse.
  void SetFeedAddress(std::string address) { feed_.SetFeedAddress(std::move(address)); }
  void SetCharset(std::string charset) { feed_.SetCharset(std::move(charset)); }

  // Measures the headlines, stores each title box in its Bounds, makes the
  // control as tall as the stack and returns that height. The boxes are
  // accumulated in single precision and rounded (halves to even) where they
  // are stored. A list longer than ItemsMeasuredAtOnce, on a control with
  // a window, is measured as far as the first slice goes and the height is
  // that part's; the slices that follow reach the same boxes and height as
  // measuring in one go. With no headlines nothing changes and the parent's
  // height is returned.
  int UpdateLayout();
  // Whether headlines of the list wait to be measured by the slices.
  bool Measuring() const;
  // How many headlines, from the first on, have their boxes.
  int MeasuredCount() const { return static_cast<int>(boxes_.size()); }
  // Longer lists are measured in slices (tests change it).
  int ItemsMeasuredAtOnce() const { return items_measured_at_once_; }
  void SetItemsMeasuredAtOnce(int count) { items_measured_at_once_ = count; }
  // The index of the first headline whose title box holds the point, or -1.
  int ItemAt(int x, int y) const;

  // Clears the measuring canvas, raises OnPaint, stores the title boxes and
  // discards the tiles.
  void Paint() override;
  // Composes the tiles that meet the parent's canvas into it at (Left, Top)
  // with Opacity, painting those that are missing. Raises EInvalidCast when
  // the parent is no TControlEx.
  void UpdateLayer() override;
  void CreateHandle() override;
  // Runs the measuring slices' timer; everything else as any control.
  void WndProc(TWidgetMessage& message) override;

  // Raised after a slice of measuring made the list taller (the owner
  // updates its scroll bar).
  TNotifyEvent OnMeasured;

  const TContentCounters& Counters() const { return counters_; }
  void ResetCounters() { counters_ = {}; }
  // Bytes of pixel memory the list holds: its tiles and its canvas.
  std::size_t PixelBytes() const;
  std::size_t TileCount() const { return tiles_.TileCount(); }

 protected:
  // The hand cursor over a title box, else the arrow.
  void WMMouseMove(TWidgetMessage& message) override;
  // Captures the mouse and takes the focus before the usual handling.
  void WMButtonDown(TWidgetMessage& message) override;
  void WMButtonUp(TWidgetMessage& message) override;
  // The canvas stays one row tall; the tiles follow the size.
  void WMSize(TWidgetMessage& message) override;

 private:
  // Where one headline's parts stand, in list coordinates.
  struct TItemBoxes {
    TRect Title;
    int RuleY = 0;
    TRect Summary;
  };

  static constexpr UINT_PTR kSliceTimerId = 1;

  bool HasItems() const { return Items() && Items()->Count() > 0; }
  // Starts the layout of the present headlines afresh.
  void StartMeasuring();
  // Measures every headline not yet measured.
  void MeasureItems();
  // Measures headlines in order, a batch at a time, until all are measured,
  // the stack reaches bottom, or (between batches) the slice's time is up.
  void MeasureUntil(float bottom, bool timed);
  // Appends the boxes of headlines first .. end - 1.
  void MeasureRange(std::size_t first, std::size_t end);
  void StartSlices();
  void StopSlices();
  // One slice: measures on, makes the list taller and raises OnMeasured.
  void MeasureSlice();
  void ItemsReplaced();
  void PaintTile(TCanvasEx& tile, int tile_top);
  void PrepareTile(TCanvasEx& tile);
  // The list row that a mouse message's 16-bit y names.
  int ListRow(int message_y) const;
  void OpenItem(int x, int y);

  TFeedParser feed_;
  std::vector<TItemBoxes> boxes_;  // one per measured headline, in order
  bool boxes_valid_ = false;       // boxes_ belong to the present headlines
  float measured_bottom_ = 0.0f;   // the measured stack's height before rounding
  int items_measured_at_once_ = kItemsMeasuredAtOnce;
  std::unique_ptr<TWinTimer> slice_timer_;
  TListTiles tiles_;
  TContentCounters counters_;
};

}  // namespace varnika
