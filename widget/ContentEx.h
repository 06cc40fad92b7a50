// The headline list: a layered control that reads the saved news feed, keeps
// one TElement per headline and draws them as a stack of bold title, thin
// rule and summary. A click on a title opens the headline's link in the
// browser. The control is as tall as its content; a container clips it and
// the scroll bar moves it.
//
// Texts are measured once per load, in UpdateLayout, and the measured boxes
// are kept. The picture is not one bitmap as tall as the list but tiles of
// at most TListTiles::kDefaultRows rows, painted from the kept boxes when
// composing first needs them and reused until the next Paint; only the tiles
// that meet the parent's canvas are composed. Scrolling therefore neither
// measures nor draws text (Counters shows it). With Cached set, Paint runs
// only on the walks that follow a Redraw, as for any layered control; Paint
// discards the tiles, so a reload with Redraw set shows the new headlines.
// A load or a change of size discards them as well, so the picture never
// shows stale rows.
//
// The control's own Canvas is only its measuring surface (one row tall): it
// carries the font, string format and text settings that the owner sets and
// that the tiles copy. OnPaint is still raised on it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "feed/FeedParser.h"
#include "toolkit/ControlEx.h"
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

  // Measures every headline, stores each title box in its Bounds, makes the
  // control as tall as the stack and returns that height. The boxes are
  // accumulated in single precision and rounded (halves to even) where they
  // are stored. With no headlines nothing changes and the parent's height is
  // returned.
  int UpdateLayout();
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

  bool HasItems() const { return Items() && Items()->Count() > 0; }
  // Measures every headline into boxes_; returns the stack's height before
  // rounding.
  float MeasureItems();
  void ItemsReplaced();
  void PaintTile(TCanvasEx& tile, int tile_top);
  void PrepareTile(TCanvasEx& tile);
  // The list row that a mouse message's 16-bit y names.
  int ListRow(int message_y) const;
  void OpenItem(int x, int y);

  TFeedParser feed_;
  std::vector<TItemBoxes> boxes_;  // one per headline while valid
  bool boxes_valid_ = false;
  TListTiles tiles_;
  TContentCounters counters_;
};

}  // namespace varnika
