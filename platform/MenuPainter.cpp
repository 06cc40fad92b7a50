// How a tracked menu looks: a light rounded panel, rows of items with their
// mnemonics underlined and accelerators right-aligned, thin separators, and
// the hot item on an accent-coloured highlight.
#include <algorithm>

#include "platform/Menu.h"
#include "platform/MenuModel.h"

namespace varnika::popup {

namespace {

constexpr int kPanelPadding = 5;   // above the first and below the last row
constexpr int kRowHeight = 28;
constexpr int kSeparatorHeight = 9;
constexpr int kTextLeft = 16;      // from the panel's edge
constexpr int kTextRight = 18;
constexpr int kAcceleratorGap = 40;
constexpr int kArrowWidth = 14;    // room for a sub-menu's arrow
constexpr int kMinWidth = 184;
constexpr int kHighlightInset = 5;  // between the panel's edge and the highlight
constexpr double kHighlightRadius = 5;

const Font kItemFont{theme::kFamily, 13, 400, false};

PanelStyle MenuPanel() { return PanelStyle{}; }

bool IsRowInside(const RECT& r, POINT p) { return PtInRect(r, p); }

void DrawArrow(cairo_t* cr, const RECT& row, std::uint32_t rgb) {
  const double x = row.right - kTextRight + 2;
  const double y = (row.top + row.bottom) / 2.0;
  cairo_save(cr);
  SetColour(cr, rgb);
  cairo_set_line_width(cr, 1.5);
  cairo_move_to(cr, x - 3, y - 4);
  cairo_line_to(cr, x + 1, y);
  cairo_line_to(cr, x - 3, y + 4);
  cairo_stroke(cr);
  cairo_restore(cr);
}

void DrawSeparator(cairo_t* cr, const RECT& row) {
  const double y = (row.top + row.bottom) / 2 + 0.5;
  cairo_save(cr);
  SetColour(cr, theme::kSeparator);
  cairo_set_line_width(cr, 1);
  cairo_move_to(cr, row.left + kTextLeft - 6, y);
  cairo_line_to(cr, row.right - kTextRight + 6, y);
  cairo_stroke(cr);
  cairo_restore(cr);
}

}  // namespace

std::vector<MenuRow> MenuRows(const std::vector<core::MenuItem>& items) {
  std::vector<MenuRow> rows;
  for (const core::MenuItem& item : items) {
    MenuRow row;
    if (item.flags & MF_SEPARATOR) {
      row.kind = MenuRow::Kind::Separator;
      rows.push_back(row);
      continue;
    }
    row.kind = item.submenu ? MenuRow::Kind::Popup : MenuRow::Kind::Command;
    row.id = item.id;
    row.enabled = !(item.flags & (MF_GRAYED | MF_DISABLED));
    std::u16string_view text = item.text;
    size_t tab = text.find(u'\t');
    PrefixedText label = StripPrefixes(text.substr(0, tab));
    row.label = std::move(label.text);
    row.mnemonic = label.mnemonic;
    if (tab != std::u16string_view::npos) row.accelerator = StripPrefixes(text.substr(tab + 1)).text;
    rows.push_back(std::move(row));
  }
  return rows;
}

MenuLayout LayoutMenu(const std::vector<MenuRow>& rows, bool composited) {
  PangoContextPtr context = MakeTextContext();
  int label_width = 0;
  int accelerator_width = 0;
  bool arrows = false;
  for (const MenuRow& row : rows) {
    if (row.kind == MenuRow::Kind::Separator) continue;
    label_width = std::max<int>(label_width, LayoutSize(MakeLayout(context.get(), kItemFont, row.label).get()).cx);
    if (!row.accelerator.empty()) {
      accelerator_width =
          std::max<int>(accelerator_width, LayoutSize(MakeLayout(context.get(), kItemFont, row.accelerator).get()).cx);
    }
    arrows = arrows || row.kind == MenuRow::Kind::Popup;
  }
  int width = kTextLeft + label_width + kTextRight;
  if (accelerator_width > 0) width += kAcceleratorGap + accelerator_width;
  if (arrows) width += kArrowWidth;
  width = std::max(width, kMinWidth);

  MenuLayout layout;
  layout.margins = ShadowMargins(MenuPanel(), composited);
  const int left = layout.margins.left;
  int y = layout.margins.top + kPanelPadding;
  for (const MenuRow& row : rows) {
    int height = row.kind == MenuRow::Kind::Separator ? kSeparatorHeight : kRowHeight;
    layout.rows.push_back(RECT{left, y, left + width, y + height});
    y += height;
  }
  layout.panel = RECT{left, layout.margins.top, left + width, y + kPanelPadding};
  layout.accelerator_right = left + width - kTextRight;
  layout.picture = SIZE{layout.panel.right + layout.margins.right, layout.panel.bottom + layout.margins.bottom};
  return layout;
}

int MenuRowAt(const MenuLayout& layout, POINT at) {
  if (!PtInRect(layout.panel, at)) return -1;
  for (size_t i = 0; i < layout.rows.size(); ++i) {
    if (IsRowInside(layout.rows[i], at)) return static_cast<int>(i);
  }
  return -1;
}

void PaintMenuPanel(Picture& picture, const MenuLayout& layout, bool composited) {
  DrawPanel(picture, layout.panel, MenuPanel(), composited);
}

void PaintMenuRows(Picture& picture, const MenuLayout& layout, const std::vector<MenuRow>& rows, int hot) {
  cairo_t* cr = picture.Cr();
  PangoContextPtr context = MakeTextContext();
  for (size_t i = 0; i < rows.size() && i < layout.rows.size(); ++i) {
    const MenuRow& row = rows[i];
    const RECT& r = layout.rows[i];
    if (row.kind == MenuRow::Kind::Separator) {
      DrawSeparator(cr, r);
      continue;
    }
    const bool is_hot = static_cast<int>(i) == hot && row.enabled;
    if (is_hot) {
      FillRounded(cr, RECT{r.left + kHighlightInset, r.top + 1, r.right - kHighlightInset, r.bottom - 1},
                  kHighlightRadius, theme::kAccent);
    }
    const std::uint32_t colour = is_hot ? theme::kOnAccent : row.enabled ? theme::kText : theme::kDisabledText;
    LayoutPtr label = MakeLayout(context.get(), kItemFont, row.label, -1, row.mnemonic);
    SIZE size = LayoutSize(label.get());
    const double text_y = r.top + (r.bottom - r.top - size.cy) / 2.0;
    DrawLayout(cr, label.get(), r.left + kTextLeft, text_y, colour);
    if (!row.accelerator.empty()) {
      LayoutPtr accelerator = MakeLayout(context.get(), kItemFont, row.accelerator);
      SIZE accel = LayoutSize(accelerator.get());
      const std::uint32_t accel_colour = is_hot ? theme::kOnAccent : theme::kSecondaryText;
      DrawLayout(cr, accelerator.get(), layout.accelerator_right - accel.cx, text_y, accel_colour);
    }
    if (row.kind == MenuRow::Kind::Popup) DrawArrow(cr, r, colour);
  }
}

namespace {

// One axis of the placement: where a span of `size` starts for an anchor
// and an alignment (0 start, 1 centre, 2 end), flipped to the other side of
// the anchor when it overflows, then kept within [low, high).
LONG PlaceSpan(LONG anchor, LONG size, int alignment, LONG low, LONG high) {
  LONG start = alignment == 1 ? anchor - size / 2 : alignment == 2 ? anchor - size : anchor;
  if (alignment == 0 && start + size > high) start = anchor - size;
  if (alignment == 2 && start < low) start = anchor;
  return std::max(low, std::min(start, high - size));
}

bool Overlaps(const RECT& a, const RECT& b) {
  return a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom;
}

}  // namespace

RECT PlaceMenu(SIZE panel, POINT at, UINT flags, const RECT* exclude, const RECT& work) {
  const int horizontal = (flags & TPM_RIGHTALIGN) ? 2 : (flags & TPM_CENTERALIGN) ? 1 : 0;
  const int vertical = (flags & TPM_BOTTOMALIGN) ? 2 : (flags & TPM_VCENTERALIGN) ? 1 : 0;
  LONG left = PlaceSpan(at.x, panel.cx, horizontal, work.left, work.right);
  LONG top = PlaceSpan(at.y, panel.cy, vertical, work.top, work.bottom);
  RECT r{left, top, left + panel.cx, top + panel.cy};
  if (exclude && Overlaps(r, *exclude)) {
    if (flags & TPM_VERTICAL) {
      top = exclude->bottom + panel.cy <= work.bottom ? exclude->bottom : exclude->top - panel.cy;
      top = std::max(work.top, std::min(top, work.bottom - panel.cy));
    } else {
      left = exclude->right + panel.cx <= work.right ? exclude->right : exclude->left - panel.cx;
      left = std::max(work.left, std::min(left, work.right - panel.cx));
    }
    r = RECT{left, top, left + panel.cx, top + panel.cy};
  }
  return r;
}

}  // namespace varnika::popup
