// Menus behind HMENU handles: made from the embedded menu resources or item
// by item, read by the tracker, destroyed with their sub-menus.
#include "platform/Menu.h"

#include <algorithm>
#include <map>

#include "platform/Core.h"
#include "platform/MenuModel.h"
#include "platform/Window.h"
#include "resources/MenuResource.h"
#include "resources/Resources.h"

namespace varnika {

using core::Fail;
using core::MenuItem;

namespace {

struct Menu {
  std::vector<MenuItem> items;
};

struct MenuTable {
  std::map<std::uintptr_t, Menu> menus;
  std::uintptr_t next = 0x40000;
};

MenuTable& Table() {
  static MenuTable* table = new MenuTable;  // UI thread only
  return *table;
}

Menu* FindMenu(HMENU menu) {
  if (!core::UiReady()) return nullptr;
  auto& menus = Table().menus;
  auto it = menus.find(reinterpret_cast<std::uintptr_t>(menu));
  if (it == menus.end()) {
    SetLastError(ERROR_INVALID_MENU_HANDLE);
    return nullptr;
  }
  return &it->second;
}

HMENU NewMenu() {
  if (!core::UiReady()) return Fail<HMENU>(ERROR_ACCESS_DENIED, nullptr);
  auto& table = Table();
  std::uintptr_t handle = table.next;
  table.next += 4;
  table.menus.emplace(handle, Menu{});
  return reinterpret_cast<HMENU>(handle);
}

// Whether inner is menu itself or one of its sub-menus, at any depth.
bool Contains(HMENU menu, HMENU inner) {
  if (menu == inner) return true;
  Menu* m = FindMenu(menu);
  if (!m) return false;
  for (const MenuItem& item : m->items) {
    if (item.submenu && Contains(item.submenu, inner)) return true;
  }
  return false;
}

HMENU Build(const std::vector<MenuItemTemplate>& items) {
  HMENU menu = NewMenu();
  for (const MenuItemTemplate& t : items) {
    switch (t.kind) {
      case MenuItemTemplate::Kind::Command: AppendMenuW(menu, MF_STRING, t.id, t.text.c_str()); break;
      case MenuItemTemplate::Kind::Separator: AppendMenuW(menu, MF_SEPARATOR, 0, nullptr); break;
      case MenuItemTemplate::Kind::Popup:
        AppendMenuW(menu, MF_POPUP, reinterpret_cast<UINT_PTR>(Build(t.items)), t.text.c_str());
        break;
    }
  }
  return menu;
}

}  // namespace

HMENU LoadMenuW(HINSTANCE, LPCWSTR name) {
  if (!core::UiReady()) return Fail<HMENU>(ERROR_ACCESS_DENIED, nullptr);
  if (!name || !IsIntResource(name)) return Fail<HMENU>(ERROR_RESOURCE_NAME_NOT_FOUND, nullptr);
  int id = static_cast<int>(reinterpret_cast<std::uintptr_t>(name));
  if (FindResourceData(kResourceTypeMenu, id).empty()) return Fail<HMENU>(ERROR_RESOURCE_NAME_NOT_FOUND, nullptr);
  MenuTemplate parsed;
  try {
    parsed = LoadMenuTemplate(id);
  } catch (const Exception&) {
    return Fail<HMENU>(ERROR_INVALID_DATA, nullptr);
  }
  return Build(parsed.items);
}

HMENU CreatePopupMenu() { return NewMenu(); }

BOOL AppendMenuW(HMENU menu, UINT flags, UINT_PTR id_or_submenu, LPCWSTR text) {
  Menu* m = FindMenu(menu);
  if (!m) return FALSE;
  MenuItem item;
  item.flags = flags;
  if (flags & MF_POPUP) {
    auto submenu = reinterpret_cast<HMENU>(id_or_submenu);
    // A menu cannot hold itself, directly or through its sub-menus.
    if (!FindMenu(submenu) || Contains(submenu, menu)) return Fail<BOOL>(ERROR_INVALID_MENU_HANDLE, FALSE);
    item.submenu = submenu;
  } else if (!(flags & MF_SEPARATOR)) {
    item.id = static_cast<UINT>(id_or_submenu);
  }
  if (!(flags & MF_SEPARATOR) && text && !IsIntResource(text)) item.text = text;
  FindMenu(menu)->items.push_back(std::move(item));
  return TRUE;
}

HMENU GetSubMenu(HMENU menu, int position) {
  Menu* m = FindMenu(menu);
  if (!m || position < 0 || static_cast<size_t>(position) >= m->items.size()) return nullptr;
  return m->items[static_cast<size_t>(position)].submenu;
}

int GetMenuItemCount(HMENU menu) {
  Menu* m = FindMenu(menu);
  return m ? static_cast<int>(m->items.size()) : -1;
}

UINT GetMenuItemID(HMENU menu, int position) {
  Menu* m = FindMenu(menu);
  if (!m || position < 0 || static_cast<size_t>(position) >= m->items.size()) return 0xFFFFFFFF;
  const MenuItem& item = m->items[static_cast<size_t>(position)];
  return item.submenu ? 0xFFFFFFFF : item.id;
}

int GetMenuStringW(HMENU menu, UINT item, LPWSTR text, int max, UINT flags) {
  Menu* m = FindMenu(menu);
  if (!m) return 0;
  const MenuItem* found = nullptr;
  if (flags & MF_BYPOSITION) {
    if (item < m->items.size()) found = &m->items[item];
  } else {
    for (const MenuItem& i : m->items) {
      if (!found && !i.submenu && !(i.flags & MF_SEPARATOR) && i.id == item) found = &i;
    }
  }
  if (!found || !text || max <= 0) return 0;
  const std::size_t count = std::min(found->text.size(), static_cast<std::size_t>(max - 1));
  std::copy_n(found->text.begin(), count, text);
  text[count] = 0;
  return static_cast<int>(count);
}

BOOL IsMenu(HMENU menu) {
  if (!core::UiReady()) return FALSE;
  return Table().menus.count(reinterpret_cast<std::uintptr_t>(menu)) ? TRUE : FALSE;
}

BOOL DestroyMenu(HMENU menu) {
  Menu* m = FindMenu(menu);
  if (!m) return FALSE;
  std::vector<HMENU> submenus;
  for (const MenuItem& item : m->items) {
    if (item.submenu) submenus.push_back(item.submenu);
  }
  Table().menus.erase(reinterpret_cast<std::uintptr_t>(menu));
  for (HMENU sub : submenus) DestroyMenu(sub);
  return TRUE;
}

namespace core {

bool ReadMenu(HMENU menu, std::vector<MenuItem>* items) {
  Menu* m = FindMenu(menu);
  if (!m) return false;
  *items = m->items;
  return true;
}

void ClearMenus() { Table().menus.clear(); }

}  // namespace core
}  // namespace varnika
