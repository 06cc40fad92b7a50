// The menus behind HMENU handles, and how a tracked menu is laid out,
// placed and drawn. Internal to platform/.
#pragma once

#include <string>
#include <vector>

#include "platform/Messages.h"
#include "platform/PopupPainter.h"

namespace varnika::core {

struct MenuItem {
  UINT flags = 0;  // MF_*
  UINT id = 0;
  std::u16string text;
  HMENU submenu = nullptr;
};

// A copy of the menu's items, so that a tracked menu survives DestroyMenu
// from a handler; false for an invalid handle.
bool ReadMenu(HMENU menu, std::vector<MenuItem>* items);

}  // namespace varnika::core

namespace varnika::popup {

// One row of a tracked menu, ready to draw.
struct MenuRow {
  enum class Kind { Command, Separator, Popup };
  Kind kind = Kind::Command;
  UINT id = 0;
  std::u16string label;  // without prefixes
  int mnemonic = -1;     // index into label
  std::u16string accelerator;
  bool enabled = true;

  bool Selectable() const { return kind == Kind::Command && enabled; }
};

std::vector<MenuRow> MenuRows(const std::vector<core::MenuItem>& items);

struct MenuLayout {
  Margins margins;         // shadow room around the panel
  RECT panel;              // in the picture
  std::vector<RECT> rows;  // in the picture, one per row
  int accelerator_right = 0;  // where accelerators end, in the picture
  SIZE picture;
};

MenuLayout LayoutMenu(const std::vector<MenuRow>& rows, bool composited);
// Index of the row at a point of the picture; -1 outside the panel or
// between rows.
int MenuRowAt(const MenuLayout& layout, POINT at);
// A menu's picture is its panel (the same for every repaint) with its rows
// over it, the hot one highlighted.
void PaintMenuPanel(Picture& picture, const MenuLayout& layout, bool composited);
void PaintMenuRows(Picture& picture, const MenuLayout& layout, const std::vector<MenuRow>& rows, int hot);

// Where the panel of a menu of that size goes on the screen for
// TrackPopupMenuEx's point, flags and exclusion rectangle, inside work.
RECT PlaceMenu(SIZE panel, POINT at, UINT flags, const RECT* exclude, const RECT& work);

}  // namespace varnika::popup
