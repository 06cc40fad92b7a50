#include "platform/Gdi.h"

#include <cstdint>
#include <cstring>
#include <map>
#include <mutex>

#include "platform/Window.h"

namespace varnika {

namespace {

// Fonts may be made before the window system starts (controls create their
// fonts with themselves), so they live in a table of their own.
struct FontTable {
  std::mutex mutex;
  std::map<std::uintptr_t, LOGFONTW> fonts;
  std::uintptr_t next = 0x30000;
};

FontTable& Fonts() {
  static FontTable* table = new FontTable;
  return *table;
}

}  // namespace

HFONT CreateFontIndirectW(const LOGFONTW* font) {
  if (!font) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  LOGFONTW copy = *font;
  copy.lfFaceName[LF_FACESIZE - 1] = 0;
  auto& table = Fonts();
  std::lock_guard lock(table.mutex);
  std::uintptr_t handle = table.next;
  table.next += 4;
  table.fonts.emplace(handle, copy);
  return reinterpret_cast<HFONT>(handle);
}

int GetObjectW(HGDIOBJ object, int size, void* out) {
  auto& table = Fonts();
  std::lock_guard lock(table.mutex);
  auto it = table.fonts.find(reinterpret_cast<std::uintptr_t>(object));
  if (it == table.fonts.end() || !out || size < static_cast<int>(sizeof(LOGFONTW))) return 0;
  std::memcpy(out, &it->second, sizeof(LOGFONTW));
  return static_cast<int>(sizeof(LOGFONTW));
}

BOOL DeleteObject(HGDIOBJ object) {
  auto& table = Fonts();
  std::lock_guard lock(table.mutex);
  return table.fonts.erase(reinterpret_cast<std::uintptr_t>(object)) ? TRUE : FALSE;
}

}  // namespace varnika
