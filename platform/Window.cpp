// Reading map. The window core's public calls on windows, in this order:
// atoms, classes, creation and destruction (CreateWindowExW, DestroyWindow:
// start here), longs, text, properties, the tree (parents, owners,
// GetWindow, FindWindowW), then position, size, z-order and visibility
// (SetWindowPos, ShowWindow). The anonymous namespace at the top holds the
// helpers they share (the atom table, class look-up, linking into the tree,
// the surface description told to the backend); namespace core at the end
// holds the look-ups and positioning the other platform files use.
#include "platform/Window.h"

#include <algorithm>
#include <cstring>
#include <map>

#include "base/AsciiCase.h"
#include "platform/Core.h"
#include "platform/Input.h"
#include "platform/MessageLoop.h"

namespace varnika {

using core::Find;
using core::Fail;
using core::FindQuiet;
using core::Sys;
using core::Window;
using core::WindowClass;

namespace {

thread_local DWORD t_last_error = ERROR_SUCCESS;

// Class and atom names compare ignoring ASCII case.
bool SameName(std::u16string_view a, std::u16string_view b) { return EqualsNoCase(a, b); }

std::u16string_view View(LPCWSTR s) { return s ? std::u16string_view(s) : std::u16string_view(); }

// --- atoms -----------------------------------------------------------------

struct AtomEntry {
  std::u16string name;
  int references = 0;
};

struct AtomTable {
  std::mutex mutex;
  std::map<ATOM, AtomEntry> entries;
  ATOM next = 0xC000;
};

AtomTable& Atoms() {
  static AtomTable* table = new AtomTable;
  return *table;
}

// "#123" or an integer atom below 0xC000: the number itself.
bool IntegerAtom(LPCWSTR name, ATOM* atom) {
  if (IsIntResource(name)) {
    *atom = static_cast<ATOM>(reinterpret_cast<std::uintptr_t>(name));
    return true;
  }
  if (name[0] != u'#') return false;
  unsigned value = 0;
  const char16_t* p = name + 1;
  if (*p == 0) return false;
  for (; *p; ++p) {
    if (*p < u'0' || *p > u'9') return false;
    value = value * 10 + (*p - u'0');
    if (value >= 0xC000) return false;
  }
  *atom = static_cast<ATOM>(value);
  return true;
}

ATOM FindAtomLocked(AtomTable& table, std::u16string_view name) {
  for (auto& [atom, entry] : table.entries) {
    if (SameName(entry.name, name)) return atom;
  }
  return 0;
}

ATOM AtomOf(LPCWSTR name, bool add) {
  ATOM atom = 0;
  if (IntegerAtom(name, &atom)) return atom;
  return add ? GlobalAddAtomW(name) : GlobalFindAtomW(name);
}

// Lets go of the atom references the window's properties hold.
void ReleaseProperties(Window* w) {
  for (const core::Property& p : w->props) {
    if (p.counted) GlobalDeleteAtom(p.atom);
  }
  w->props.clear();
}

// --- classes ---------------------------------------------------------------

WindowClass* FindClass(HINSTANCE instance, LPCWSTR name) {
  if (!name) return nullptr;
  auto& classes = Sys().classes;
  if (IsIntResource(name)) {
    ATOM atom = static_cast<ATOM>(reinterpret_cast<std::uintptr_t>(name));
    for (auto& c : classes) {
      if (c->atom == atom) return c.get();
    }
    return nullptr;
  }
  for (auto& c : classes) {
    if (!c->system && c->instance == instance && SameName(c->name, name)) return c.get();
  }
  for (auto& c : classes) {
    if (c->system && SameName(c->name, name)) return c.get();
  }
  return nullptr;
}

ATOM AddClass(const WNDCLASSW* wc, bool system) {
  auto& sys = Sys();
  if (!sys.running || !core::OnUiThread()) return Fail<ATOM>(ERROR_ACCESS_DENIED, 0);
  if (!wc || !wc->lpszClassName || IsIntResource(wc->lpszClassName) || !wc->lpfnWndProc || wc->cbWndExtra < 0 ||
      wc->cbClsExtra < 0) {
    return Fail<ATOM>(ERROR_INVALID_PARAMETER, 0);
  }
  for (auto& c : sys.classes) {
    if (c->system == system && (system || c->instance == wc->hInstance) && SameName(c->name, wc->lpszClassName)) {
      return Fail<ATOM>(ERROR_CLASS_ALREADY_EXISTS, 0);
    }
  }
  auto cls = std::make_unique<WindowClass>();
  cls->name = wc->lpszClassName;
  cls->instance = wc->hInstance;
  cls->system = system;
  cls->atom = sys.next_class_atom++;
  cls->style = wc->style;
  cls->proc = wc->lpfnWndProc;
  cls->cls_extra = wc->cbClsExtra;
  cls->wnd_extra = wc->cbWndExtra;
  cls->icon = wc->hIcon;
  cls->cursor = wc->hCursor;
  cls->background = wc->hbrBackground;
  if (wc->lpszMenuName && !IsIntResource(wc->lpszMenuName)) {
    cls->menu_name_text = wc->lpszMenuName;
    cls->menu_name = cls->menu_name_text.c_str();
  } else {
    cls->menu_name = wc->lpszMenuName;
  }
  cls->extra.assign(static_cast<size_t>(wc->cbClsExtra), 0);
  ATOM atom = cls->atom;
  sys.classes.push_back(std::move(cls));
  return atom;
}

// --- tree and z-order ------------------------------------------------------

bool IsTopmost(const Window* w) { return w->TopLevel() && (w->ex_style & WS_EX_TOPMOST); }

// Index of the first sibling below the topmost band.
size_t NormalBandStart(const Window* parent) {
  size_t i = 0;
  while (i < parent->children.size() && IsTopmost(parent->children[i])) ++i;
  return i;
}

void Unlink(Window* w) {
  if (!w->parent) return;
  auto& list = w->parent->children;
  list.erase(std::remove(list.begin(), list.end(), w), list.end());
}

void LinkAt(Window* w, Window* parent, size_t index) {
  w->parent = parent;
  auto& list = parent->children;
  list.insert(list.begin() + static_cast<std::ptrdiff_t>(std::min(index, list.size())), w);
}

// Places w among its siblings as insert_after asks, keeping topmost windows
// above the others. Returns whether the order changed.
bool Restack(Window* w, HWND insert_after) {
  Window* parent = w->parent;
  if (!parent) return false;
  std::vector<Window*> before = parent->children;
  bool top_level = w->TopLevel();
  if (top_level && insert_after == HWND_TOPMOST) w->ex_style |= WS_EX_TOPMOST;
  if (top_level && (insert_after == HWND_NOTOPMOST || insert_after == HWND_BOTTOM)) w->ex_style &= ~WS_EX_TOPMOST;
  Unlink(w);
  size_t band_start = IsTopmost(w) ? 0 : NormalBandStart(parent);
  size_t band_end = IsTopmost(w) ? NormalBandStart(parent) : parent->children.size();
  size_t index = band_start;
  if (insert_after == HWND_BOTTOM) {
    index = band_end;
  } else if (insert_after != HWND_TOP && insert_after != HWND_TOPMOST && insert_after != HWND_NOTOPMOST) {
    auto& list = parent->children;
    auto it = std::find_if(list.begin(), list.end(), [&](Window* s) { return s->handle == insert_after; });
    if (it != list.end()) index = std::clamp(static_cast<size_t>(it - list.begin()) + 1, band_start, band_end);
  }
  LinkAt(w, parent, index);
  return before != parent->children;
}

void MarkDestroying(Window* w) {
  w->destroying = true;
  for (Window* c : w->children) MarkDestroying(c);
}

std::vector<HWND> ChildHandles(const Window* w) {
  std::vector<HWND> out;
  for (const Window* c : w->children) out.push_back(c->handle);
  return out;
}

// Forgetting may send WM_CAPTURECHANGED, whose handler may destroy windows:
// the walk holds handles and looks each one up again.
void ForgetTree(HWND h) {
  Window* w = FindQuiet(h);
  if (!w) return;
  core::ForgetWindow(w, true);
  w = FindQuiet(h);
  if (!w) return;
  for (HWND c : ChildHandles(w)) ForgetTree(c);
}

void SendDestroy(HWND h) {
  core::Send(h, WM_DESTROY, 0, 0);
  Window* w = FindQuiet(h);
  if (!w) return;
  for (HWND c : ChildHandles(w)) SendDestroy(c);
}

void Remove(Window* w) {
  auto& sys = Sys();
  HWND h = w->handle;
  core::ForgetWindow(w, false);
  core::DropWindowMessages(h);
  bool top_level = w->TopLevel();
  Unlink(w);
  if (top_level && sys.backend) sys.backend->DestroySurface(h);
  core::ForgetPaint(h);
  ReleaseProperties(w);
  w->cls->windows--;
  std::unique_ptr<Window> doomed;
  {
    std::lock_guard lock(sys.post_mutex);
    auto it = sys.windows.find(reinterpret_cast<std::uintptr_t>(h));
    doomed = std::move(it->second);
    sys.windows.erase(it);
  }
  if (top_level) core::TellBackendStacking();
}

void FreeTree(HWND h) {
  Window* w = FindQuiet(h);
  if (!w) return;
  for (HWND c : ChildHandles(w)) FreeTree(c);
  core::Send(h, WM_NCDESTROY, 0, 0);
  w = FindQuiet(h);
  if (!w) return;
  // Children made while the window was being destroyed go with it.
  while ((w = FindQuiet(h)) && !w->children.empty()) FreeTree(w->children.front()->handle);
  if (w) Remove(w);
}

// The system classes whose windows the display treats specially.
SurfaceRole RoleOf(const std::u16string& class_name) {
  if (class_name == u"tooltips_class32") return SurfaceRole::Tooltip;
  if (class_name == u"#32768") return SurfaceRole::PopupMenu;
  if (class_name == u"#32770") return SurfaceRole::Dialog;
  return SurfaceRole::Normal;
}

SurfaceDesc DescOf(const Window* w) {
  SurfaceDesc d;
  d.rect = w->rect;
  d.style = w->style;
  d.ex_style = w->ex_style;
  d.title = w->text;
  d.owner = w->owner;
  d.role = RoleOf(w->cls->name);
  d.class_name = w->cls->name;
  return d;
}

void TellSurfaceStyle(const Window* w) {
  auto& sys = Sys();
  if (w->TopLevel() && sys.backend) sys.backend->SetSurfaceStyle(w->handle, w->style, w->ex_style);
}

// Makes a window top-level or a child as its new parent asks.
void Reparent(Window* w, Window* new_parent) {
  auto& sys = Sys();
  bool was_top = w->TopLevel();
  Unlink(w);
  size_t index = new_parent->is_desktop && !(w->ex_style & WS_EX_TOPMOST) ? NormalBandStart(new_parent) : 0;
  LinkAt(w, new_parent, index);
  bool now_top = w->TopLevel();
  if (was_top && !now_top) {
    if (sys.in.active == w->handle) sys.in.active = nullptr;
    sys.backend->DestroySurface(w->handle);
  } else if (!was_top && now_top) {
    w->rect = core::DisplayRect(w->rect.left, w->rect.top, w->Width(), w->Height());
    sys.backend->CreateSurface(w->handle, DescOf(w));
    if (w->style & WS_VISIBLE) sys.backend->ShowSurface(w->handle, true);
  }
  if (was_top || now_top) core::TellBackendStacking();
}

bool IsAncestor(const Window* ancestor, const Window* w) {
  for (const Window* p = w; p; p = p->parent) {
    if (p == ancestor) return true;
  }
  return false;
}

LONG_PTR ReadExtra(const std::vector<BYTE>& extra, int index, size_t size) {
  if (index < 0 || static_cast<size_t>(index) + size > extra.size()) return Fail<LONG_PTR>(ERROR_INVALID_INDEX, 0);
  LONG_PTR value = 0;
  if (size == sizeof(LONG_PTR)) {
    std::memcpy(&value, extra.data() + index, size);
  } else {
    LONG v32 = 0;
    std::memcpy(&v32, extra.data() + index, size);
    value = v32;
  }
  return value;
}

LONG_PTR WriteExtra(std::vector<BYTE>& extra, int index, LONG_PTR value, size_t size) {
  LONG_PTR old = ReadExtra(extra, index, size);
  if (index < 0 || static_cast<size_t>(index) + size > extra.size()) return 0;
  if (size == sizeof(LONG_PTR)) {
    std::memcpy(extra.data() + index, &value, size);
  } else {
    LONG v32 = static_cast<LONG>(value);
    std::memcpy(extra.data() + index, &v32, size);
  }
  return old;
}

// A style change as SetWindowLong makes it: WM_STYLECHANGING may alter it.
void ChangeStyle(Window* w, int index, DWORD value) {
  HWND h = w->handle;
  STYLESTRUCT ss{index == GWL_STYLE ? w->style : w->ex_style, value};
  core::Send(h, WM_STYLECHANGING, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&ss));
  w = FindQuiet(h);
  if (!w) return;
  bool was_visible = w->style & WS_VISIBLE;
  if (index == GWL_STYLE) {
    w->style = ss.styleNew;
  } else {
    w->ex_style = ss.styleNew;
  }
  TellSurfaceStyle(w);
  bool visible = w->style & WS_VISIBLE;
  if (w->TopLevel() && visible != was_visible) Sys().backend->ShowSurface(h, visible);
  core::Send(h, WM_STYLECHANGED, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&ss));
}

LONG_PTR GetLong(HWND wnd, int index, size_t size) {
  Window* w = Find(wnd);
  if (!w) return 0;
  SetLastError(ERROR_SUCCESS);
  switch (index) {
    case GWLP_WNDPROC: return reinterpret_cast<LONG_PTR>(w->proc);
    case GWLP_HINSTANCE: return reinterpret_cast<LONG_PTR>(w->instance);
    case GWLP_HWNDPARENT:
      return reinterpret_cast<LONG_PTR>(w->TopLevel() || w->is_desktop ? w->owner : w->parent->handle);
    case GWL_ID: return w->id;
    case GWL_STYLE: return static_cast<LONG>(w->style);
    case GWL_EXSTYLE: return static_cast<LONG>(w->ex_style);
    case GWLP_USERDATA: return w->user_data;
    default: return ReadExtra(w->extra, index, size);
  }
}

LONG_PTR SetLong(HWND wnd, int index, LONG_PTR value, size_t size) {
  Window* w = Find(wnd);
  if (!w) return 0;
  SetLastError(ERROR_SUCCESS);
  LONG_PTR old = GetLong(wnd, index, size);
  switch (index) {
    case GWLP_WNDPROC:
      if (!value) return Fail<LONG_PTR>(ERROR_INVALID_PARAMETER, 0);
      w->proc = reinterpret_cast<WNDPROC>(value);
      return old;
    case GWLP_HINSTANCE: w->instance = reinterpret_cast<HINSTANCE>(value); return old;
    case GWLP_HWNDPARENT:
      if (w->TopLevel()) w->owner = reinterpret_cast<HWND>(value);
      return old;
    case GWL_ID: w->id = value; return old;
    case GWL_STYLE:
    case GWL_EXSTYLE: ChangeStyle(w, index, static_cast<DWORD>(value)); return old;
    case GWLP_USERDATA: w->user_data = value; return old;
    default: return WriteExtra(w->extra, index, value, size);
  }
}

}  // namespace

// --- errors ------------------------------------------------------------------

DWORD GetLastError() { return t_last_error; }
void SetLastError(DWORD code) { t_last_error = code; }

std::u16string WindowErrorMessage(DWORD code) {
  switch (code) {
    case ERROR_SUCCESS: return u"The operation completed successfully.";
    case ERROR_ACCESS_DENIED: return u"Access is denied.";
    case ERROR_INVALID_HANDLE: return u"The handle is invalid.";
    case ERROR_NOT_ENOUGH_MEMORY: return u"Not enough memory resources are available to process this command.";
    case ERROR_INVALID_PARAMETER: return u"The parameter is incorrect.";
    case ERROR_INVALID_FLAGS: return u"Invalid flags.";
    case ERROR_INVALID_WINDOW_HANDLE: return u"Invalid window handle.";
    case ERROR_INVALID_CURSOR_HANDLE: return u"Invalid cursor handle.";
    case ERROR_TLW_WITH_WSCHILD: return u"Cannot create a top-level child window.";
    case ERROR_CANNOT_FIND_WND_CLASS: return u"Cannot find window class.";
    case ERROR_WINDOW_OF_OTHER_THREAD: return u"Invalid window; it belongs to other thread.";
    case ERROR_CLASS_ALREADY_EXISTS: return u"Class already exists.";
    case ERROR_CLASS_DOES_NOT_EXIST: return u"Class does not exist.";
    case ERROR_CLASS_HAS_WINDOWS: return u"Class still has open windows.";
    case ERROR_INVALID_INDEX: return u"Invalid index.";
    case ERROR_RESOURCE_NAME_NOT_FOUND: return u"The specified resource name cannot be found in the image file.";
    default: return u"Unknown error.";
  }
}

HINSTANCE GetModuleHandleW(LPCWSTR module_name) {
  static char module_token;
  if (module_name) return Fail<HINSTANCE>(ERROR_INVALID_PARAMETER, nullptr);
  return &module_token;
}

// --- atoms -------------------------------------------------------------------

ATOM GlobalAddAtomW(LPCWSTR name) {
  if (!name) return Fail<ATOM>(ERROR_INVALID_PARAMETER, 0);
  ATOM atom = 0;
  if (IntegerAtom(name, &atom)) return atom ? atom : Fail<ATOM>(ERROR_INVALID_PARAMETER, 0);
  std::u16string_view view(name);
  if (view.empty() || view.size() > 255) return Fail<ATOM>(ERROR_INVALID_PARAMETER, 0);
  auto& table = Atoms();
  std::lock_guard lock(table.mutex);
  atom = FindAtomLocked(table, view);
  if (atom) {
    table.entries[atom].references++;
    return atom;
  }
  if (table.entries.size() >= 0x4000) return Fail<ATOM>(ERROR_NOT_ENOUGH_MEMORY, 0);
  while (table.entries.count(table.next)) table.next = table.next == 0xFFFF ? 0xC000 : table.next + 1;
  atom = table.next;
  table.next = table.next == 0xFFFF ? 0xC000 : table.next + 1;
  table.entries[atom] = AtomEntry{std::u16string(view), 1};
  return atom;
}

ATOM GlobalFindAtomW(LPCWSTR name) {
  if (!name) return 0;
  ATOM atom = 0;
  if (IntegerAtom(name, &atom)) return atom;
  auto& table = Atoms();
  std::lock_guard lock(table.mutex);
  return FindAtomLocked(table, name);
}

ATOM GlobalDeleteAtom(ATOM atom) {
  if (atom < 0xC000) return 0;
  auto& table = Atoms();
  std::lock_guard lock(table.mutex);
  auto it = table.entries.find(atom);
  if (it == table.entries.end()) return Fail<ATOM>(ERROR_INVALID_HANDLE, atom);
  if (--it->second.references == 0) table.entries.erase(it);
  return 0;
}

UINT GlobalGetAtomNameW(ATOM atom, LPWSTR buffer, int size) {
  if (!buffer || size <= 0) return Fail<UINT>(ERROR_INVALID_PARAMETER, 0);
  std::u16string name;
  if (atom < 0xC000) {
    if (atom == 0) return Fail<UINT>(ERROR_INVALID_PARAMETER, 0);
    std::string digits = "#" + std::to_string(atom);
    name.assign(digits.begin(), digits.end());
  } else {
    auto& table = Atoms();
    std::lock_guard lock(table.mutex);
    auto it = table.entries.find(atom);
    if (it == table.entries.end()) return Fail<UINT>(ERROR_INVALID_HANDLE, 0);
    name = it->second.name;
  }
  size_t n = std::min(name.size(), static_cast<size_t>(size - 1));
  std::copy_n(name.begin(), n, buffer);
  buffer[n] = 0;
  return static_cast<UINT>(n);
}

// --- classes -----------------------------------------------------------------

ATOM RegisterClassW(const WNDCLASSW* wc) { return AddClass(wc, false); }

ATOM RegisterSystemClassW(const WNDCLASSW* wc) { return AddClass(wc, true); }

BOOL UnregisterClassW(LPCWSTR class_name, HINSTANCE instance) {
  auto& sys = Sys();
  if (!core::UiReady() || !class_name) return Fail<BOOL>(ERROR_CLASS_DOES_NOT_EXIST, FALSE);
  auto& classes = sys.classes;
  auto it = std::find_if(classes.begin(), classes.end(), [&](const std::unique_ptr<WindowClass>& c) {
    if (c->system || c->instance != instance) return false;
    if (IsIntResource(class_name)) return c->atom == reinterpret_cast<std::uintptr_t>(class_name);
    return SameName(c->name, class_name);
  });
  if (it == classes.end()) return Fail<BOOL>(ERROR_CLASS_DOES_NOT_EXIST, FALSE);
  if ((*it)->windows > 0) return Fail<BOOL>(ERROR_CLASS_HAS_WINDOWS, FALSE);
  classes.erase(it);
  return TRUE;
}

BOOL GetClassInfoW(HINSTANCE instance, LPCWSTR class_name, WNDCLASSW* wc) {
  if (!core::UiReady() || !wc) return Fail<BOOL>(ERROR_CLASS_DOES_NOT_EXIST, FALSE);
  WindowClass* c = FindClass(instance, class_name);
  if (!c) return Fail<BOOL>(ERROR_CLASS_DOES_NOT_EXIST, FALSE);
  wc->style = c->style;
  wc->lpfnWndProc = c->proc;
  wc->cbClsExtra = c->cls_extra;
  wc->cbWndExtra = c->wnd_extra;
  wc->hInstance = c->system ? instance : c->instance;
  wc->hIcon = c->icon;
  wc->hCursor = c->cursor;
  wc->hbrBackground = c->background;
  wc->lpszMenuName = c->menu_name;
  wc->lpszClassName = c->name.c_str();
  return TRUE;
}

int GetClassNameW(HWND wnd, LPWSTR buffer, int size) {
  Window* w = Find(wnd);
  if (!w) return 0;
  if (!buffer || size <= 0) return Fail<int>(ERROR_INVALID_PARAMETER, 0);
  size_t n = std::min(w->cls->name.size(), static_cast<size_t>(size - 1));
  std::copy_n(w->cls->name.begin(), n, buffer);
  buffer[n] = 0;
  return static_cast<int>(n);
}

ULONG_PTR GetClassLongPtrW(HWND wnd, int index) {
  Window* w = Find(wnd);
  if (!w) return 0;
  WindowClass* c = w->cls;
  switch (index) {
    case GCLP_HBRBACKGROUND: return reinterpret_cast<ULONG_PTR>(c->background);
    case GCLP_HCURSOR: return reinterpret_cast<ULONG_PTR>(c->cursor);
    case GCLP_HICON: return reinterpret_cast<ULONG_PTR>(c->icon);
    case GCLP_HMODULE: return reinterpret_cast<ULONG_PTR>(c->instance);
    case GCL_CBWNDEXTRA: return static_cast<ULONG_PTR>(c->wnd_extra);
    case GCL_CBCLSEXTRA: return static_cast<ULONG_PTR>(c->cls_extra);
    case GCLP_WNDPROC: return reinterpret_cast<ULONG_PTR>(c->proc);
    case GCL_STYLE: return c->style;
    case GCW_ATOM: return c->atom;
    default: return static_cast<ULONG_PTR>(ReadExtra(c->extra, index, sizeof(LONG_PTR)));
  }
}

ULONG_PTR SetClassLongPtrW(HWND wnd, int index, LONG_PTR value) {
  Window* w = Find(wnd);
  if (!w) return 0;
  WindowClass* c = w->cls;
  ULONG_PTR old = GetClassLongPtrW(wnd, index);
  switch (index) {
    case GCLP_HBRBACKGROUND: c->background = reinterpret_cast<HBRUSH>(value); break;
    case GCLP_HCURSOR: c->cursor = reinterpret_cast<HCURSOR>(value); break;
    case GCLP_HICON: c->icon = reinterpret_cast<HICON>(value); break;
    case GCLP_WNDPROC:
      if (!value) return Fail<ULONG_PTR>(ERROR_INVALID_PARAMETER, 0);
      c->proc = reinterpret_cast<WNDPROC>(value);
      break;
    case GCL_STYLE: c->style = static_cast<UINT>(value); break;
    default: WriteExtra(c->extra, index, value, sizeof(LONG_PTR)); break;
  }
  return old;
}

// --- creation and destruction ------------------------------------------------

HWND CreateWindowExW(DWORD ex_style, LPCWSTR class_name, LPCWSTR window_name, DWORD style, int x, int y,
                     int width, int height, HWND parent, HMENU menu_or_id, HINSTANCE instance, void* param) {
  auto& sys = Sys();
  if (!sys.running || !core::OnUiThread()) return Fail<HWND>(ERROR_ACCESS_DENIED, nullptr);
  WindowClass* cls = FindClass(instance, class_name);
  if (!cls) return Fail<HWND>(ERROR_CANNOT_FIND_WND_CLASS, nullptr);
  Window* parent_window = sys.desktop;
  HWND owner = nullptr;
  if (parent) {
    Window* p = Find(parent);
    if (!p) return nullptr;
    if (style & WS_CHILD) {
      parent_window = p;
    } else if (!p->is_desktop) {
      owner = HandleOf(core::Root(p));
    }
  } else if (style & WS_CHILD) {
    return Fail<HWND>(ERROR_TLW_WITH_WSCHILD, nullptr);
  }
  if (x == CW_USEDEFAULT) x = y = 0;
  if (width == CW_USEDEFAULT) width = height = 0;

  auto window = std::make_unique<Window>();
  HWND h = reinterpret_cast<HWND>(sys.next_handle);
  sys.next_handle += 4;
  window->handle = h;
  window->cls = cls;
  window->proc = cls->proc;
  window->style = style & ~WS_VISIBLE;
  window->ex_style = ex_style;
  window->id = (style & WS_CHILD) ? reinterpret_cast<LONG_PTR>(menu_or_id) : 0;
  window->instance = instance;
  window->owner = owner;
  window->rect = parent_window->is_desktop ? core::DisplayRect(x, y, width, height)
                                           : RECT{x, y, x + std::max(width, 0), y + std::max(height, 0)};
  window->extra.assign(static_cast<size_t>(cls->wnd_extra), 0);
  Window* w = window.get();
  {
    std::lock_guard lock(sys.post_mutex);
    sys.windows.emplace(reinterpret_cast<std::uintptr_t>(h), std::move(window));
  }
  cls->windows++;
  bool top_level = parent_window->is_desktop;
  // A topmost window starts at the very top (IsTopmost needs it linked).
  const bool topmost = ex_style & WS_EX_TOPMOST;
  size_t index = !top_level ? parent_window->children.size() : (topmost ? 0 : NormalBandStart(parent_window));
  LinkAt(w, parent_window, index);
  if (top_level) {
    sys.backend->CreateSurface(h, DescOf(w));
    core::TellBackendStacking();
  }

  CREATESTRUCTW cs;
  cs.lpCreateParams = param;
  cs.hInstance = instance;
  cs.hMenu = menu_or_id;
  cs.hwndParent = parent;
  cs.cx = w->Width();
  cs.cy = w->Height();
  cs.x = x;
  cs.y = y;
  cs.style = static_cast<LONG>(style);
  cs.lpszName = window_name;
  cs.lpszClass = class_name;
  cs.dwExStyle = ex_style;
  // A procedure that refuses creation, or raises during it, takes the
  // half-made window with it; the error passes on to the caller.
  auto discard_unborn = [h] {
    if (Window* dead = FindQuiet(h)) {
      MarkDestroying(dead);
      FreeTree(h);
    }
  };
  LRESULT nc_created;
  try {
    nc_created = core::Send(h, WM_NCCREATE, 0, reinterpret_cast<LPARAM>(&cs));
  } catch (...) {
    discard_unborn();
    throw;
  }
  if (!nc_created) {
    discard_unborn();
    return Fail<HWND>(ERROR_INVALID_PARAMETER, nullptr);
  }
  if (!FindQuiet(h)) return nullptr;
  LRESULT created;
  try {
    created = core::Send(h, WM_CREATE, 0, reinterpret_cast<LPARAM>(&cs));
  } catch (...) {
    if (FindQuiet(h)) DestroyWindow(h);
    throw;
  }
  if (created == -1) {
    DestroyWindow(h);
    return Fail<HWND>(ERROR_INVALID_PARAMETER, nullptr);
  }
  w = FindQuiet(h);
  if (!w) return nullptr;
  core::Send(h, WM_SIZE, SIZE_RESTORED, MakeLParam(w->Width(), w->Height()));
  w = FindQuiet(h);
  if (!w) return nullptr;
  core::Send(h, WM_MOVE, 0, MakeLParam(w->rect.left, w->rect.top));
  w = FindQuiet(h);
  if (!w) return nullptr;
  if (style & WS_VISIBLE) ShowWindow(h, (ex_style & WS_EX_NOACTIVATE) ? SW_SHOWNA : SW_SHOW);
  if (!FindQuiet(h)) return nullptr;
  SetLastError(ERROR_SUCCESS);
  return h;
}

BOOL DestroyWindow(HWND wnd) {
  auto& sys = Sys();
  if (!sys.running || !core::OnUiThread()) return Fail<BOOL>(ERROR_ACCESS_DENIED, FALSE);
  Window* w = Find(wnd);
  if (!w) return FALSE;
  if (w->is_desktop) return Fail<BOOL>(ERROR_ACCESS_DENIED, FALSE);
  if (w->destroying) return TRUE;
  // Destroying an owned window may destroy others (the windows it owns in
  // turn): the walk holds handles and looks each one up again.
  for (HWND other : ChildHandles(sys.desktop)) {
    Window* o = FindQuiet(other);
    if (o && o->owner == wnd) DestroyWindow(other);
  }
  w = FindQuiet(wnd);
  if (!w || w->destroying) return TRUE;
  MarkDestroying(w);
  if (w->TopLevel() && (w->style & WS_VISIBLE)) sys.backend->ShowSurface(wnd, false);
  ForgetTree(wnd);
  SendDestroy(wnd);
  FreeTree(wnd);
  return TRUE;
}

BOOL IsWindow(HWND wnd) {
  if (!wnd) return FALSE;
  auto& sys = Sys();
  std::lock_guard lock(sys.post_mutex);
  return sys.windows.count(reinterpret_cast<std::uintptr_t>(wnd)) ? TRUE : FALSE;
}

BOOL IsWindowVisible(HWND wnd) {
  Window* w = FindQuiet(wnd);
  return w && core::VisibleChain(w) ? TRUE : FALSE;
}

BOOL IsWindowEnabled(HWND wnd) {
  Window* w = FindQuiet(wnd);
  return w && !(w->style & WS_DISABLED) ? TRUE : FALSE;
}

BOOL IsWindowUnicode(HWND wnd) { return FindQuiet(wnd) ? TRUE : FALSE; }

BOOL IsChild(HWND parent, HWND wnd) {
  Window* p = FindQuiet(parent);
  Window* w = FindQuiet(wnd);
  if (!p || !w || p == w) return FALSE;
  for (Window* a = w->parent; a && !a->is_desktop; a = a->parent) {
    if (a == p) return TRUE;
  }
  return FALSE;
}

LRESULT CallWindowProcW(WNDPROC proc, HWND wnd, UINT msg, WPARAM wparam, LPARAM lparam) {
  if (!proc) return 0;
  return proc(wnd, msg, wparam, lparam);
}

// --- longs ---------------------------------------------------------------------

LONG_PTR GetWindowLongPtrW(HWND wnd, int index) { return GetLong(wnd, index, sizeof(LONG_PTR)); }

LONG_PTR SetWindowLongPtrW(HWND wnd, int index, LONG_PTR value) {
  return SetLong(wnd, index, value, sizeof(LONG_PTR));
}

LONG GetWindowLongW(HWND wnd, int index) {
  if (index == GWLP_WNDPROC) return Fail<LONG>(ERROR_INVALID_INDEX, 0);
  return static_cast<LONG>(GetLong(wnd, index, sizeof(LONG)));
}

LONG SetWindowLongW(HWND wnd, int index, LONG value) {
  if (index == GWLP_WNDPROC) return Fail<LONG>(ERROR_INVALID_INDEX, 0);
  LONG_PTR v = value;
  if (index == GWL_STYLE || index == GWL_EXSTYLE) v = static_cast<LONG_PTR>(static_cast<DWORD>(value));
  return static_cast<LONG>(SetLong(wnd, index, v, sizeof(LONG)));
}

// --- text ----------------------------------------------------------------------

BOOL SetWindowTextW(HWND wnd, LPCWSTR text) {
  if (!Find(wnd)) return FALSE;
  return core::Send(wnd, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text)) ? TRUE : FALSE;
}

int GetWindowTextW(HWND wnd, LPWSTR buffer, int size) {
  if (!buffer || size <= 0) return 0;
  buffer[0] = 0;
  if (!Find(wnd)) return 0;
  return static_cast<int>(
      core::Send(wnd, WM_GETTEXT, static_cast<WPARAM>(size), reinterpret_cast<LPARAM>(buffer)));
}

int GetWindowTextLengthW(HWND wnd) {
  if (!Find(wnd)) return 0;
  return static_cast<int>(core::Send(wnd, WM_GETTEXTLENGTH, 0, 0));
}

// --- properties ------------------------------------------------------------------

BOOL SetPropW(HWND wnd, LPCWSTR name, HANDLE data) {
  Window* w = Find(wnd);
  if (!w || !name) return FALSE;
  // Setting a property again replaces its data and adds no atom reference.
  if (ATOM known = AtomOf(name, false)) {
    for (core::Property& p : w->props) {
      if (p.atom == known) {
        p.data = data;
        return TRUE;
      }
    }
  }
  ATOM probe = 0;
  const bool counted = !IntegerAtom(name, &probe);
  ATOM atom = AtomOf(name, true);
  if (!atom) return FALSE;
  w->props.push_back(core::Property{atom, data, counted});
  return TRUE;
}

HANDLE GetPropW(HWND wnd, LPCWSTR name) {
  Window* w = FindQuiet(wnd);
  if (!w || !name) return nullptr;
  ATOM atom = AtomOf(name, false);
  for (const core::Property& p : w->props) {
    if (p.atom == atom) return p.data;
  }
  return nullptr;
}

HANDLE RemovePropW(HWND wnd, LPCWSTR name) {
  Window* w = FindQuiet(wnd);
  if (!w || !name) return nullptr;
  ATOM atom = AtomOf(name, false);
  auto& props = w->props;
  for (auto it = props.begin(); it != props.end(); ++it) {
    if (it->atom == atom) {
      const core::Property gone = *it;
      props.erase(it);
      if (gone.counted) GlobalDeleteAtom(gone.atom);
      return gone.data;
    }
  }
  return nullptr;
}

// --- tree ------------------------------------------------------------------------

HWND GetDesktopWindow() {
  auto& sys = Sys();
  return sys.running ? HandleOf(sys.desktop) : nullptr;
}

HWND GetParent(HWND wnd) {
  Window* w = Find(wnd);
  if (!w || w->is_desktop) return nullptr;
  if (w->style & WS_CHILD) return w->parent->is_desktop ? nullptr : w->parent->handle;
  return w->owner;
}

HWND SetParent(HWND wnd, HWND new_parent) {
  Window* w = Find(wnd);
  if (!w || w->is_desktop) return nullptr;
  Window* p = new_parent ? Find(new_parent) : Sys().desktop;
  if (!p) return nullptr;
  if (IsAncestor(w, p)) return Fail<HWND>(ERROR_INVALID_PARAMETER, nullptr);
  HWND old = w->parent->handle;
  if (p != w->parent) Reparent(w, p);
  return old;
}

HWND GetAncestor(HWND wnd, UINT flags) {
  Window* w = Find(wnd);
  if (!w || w->is_desktop) return nullptr;
  switch (flags) {
    case GA_PARENT: return w->parent->handle;
    case GA_ROOT: return core::Root(w)->handle;
    case GA_ROOTOWNER: {
      Window* r = core::Root(w);
      while (Window* o = FindQuiet(r->owner)) r = core::Root(o);
      return r->handle;
    }
    default: return Fail<HWND>(ERROR_INVALID_PARAMETER, nullptr);
  }
}

HWND GetWindow(HWND wnd, UINT relation) {
  Window* w = Find(wnd);
  if (!w) return nullptr;
  if (relation == GW_CHILD) return w->children.empty() ? nullptr : w->children.front()->handle;
  if (relation == GW_OWNER) return w->owner;
  if (!w->parent) return nullptr;
  const auto& siblings = w->parent->children;
  auto it = std::find(siblings.begin(), siblings.end(), w);
  switch (relation) {
    case GW_HWNDFIRST: return siblings.front()->handle;
    case GW_HWNDLAST: return siblings.back()->handle;
    case GW_HWNDNEXT: return (it + 1 == siblings.end()) ? nullptr : (*(it + 1))->handle;
    case GW_HWNDPREV: return (it == siblings.begin()) ? nullptr : (*(it - 1))->handle;
    default: return Fail<HWND>(ERROR_INVALID_PARAMETER, nullptr);
  }
}

HWND GetTopWindow(HWND wnd) { return GetWindow(wnd ? wnd : GetDesktopWindow(), GW_CHILD); }

HWND FindWindowW(LPCWSTR class_name, LPCWSTR window_name) {
  auto& sys = Sys();
  if (!core::UiReady()) return nullptr;
  for (Window* w : sys.desktop->children) {
    if (class_name && !SameName(w->cls->name, View(class_name))) continue;
    if (window_name && w->text != View(window_name)) continue;
    return w->handle;
  }
  return nullptr;
}

// --- position, size, z-order, visibility -----------------------------------------

BOOL SetWindowPos(HWND wnd, HWND insert_after, int x, int y, int cx, int cy, UINT flags) {
  Window* w = Find(wnd);
  if (!w || w->is_desktop) return FALSE;
  return core::SetPosition(w, insert_after, x, y, cx, cy, flags) ? TRUE : FALSE;
}

BOOL MoveWindow(HWND wnd, int x, int y, int width, int height, BOOL repaint) {
  return SetWindowPos(wnd, nullptr, x, y, width, height, SWP_NOZORDER | SWP_NOACTIVATE | (repaint ? 0 : SWP_NOREDRAW));
}

BOOL BringWindowToTop(HWND wnd) { return SetWindowPos(wnd, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE); }

BOOL ShowWindow(HWND wnd, int command) {
  Window* w = Find(wnd);
  if (!w || w->is_desktop) return FALSE;
  bool was_visible = w->style & WS_VISIBLE;
  bool show = command != SW_HIDE;
  bool no_activate = command == SW_SHOWNA || command == SW_SHOWNOACTIVATE || command == SW_SHOWMINNOACTIVE ||
                     command == SW_MINIMIZE || (w->ex_style & WS_EX_NOACTIVATE);
  bool activate = show && w->TopLevel() && !no_activate;
  if (show == was_visible) {
    if (activate && GetActiveWindow() != wnd) SetActiveWindow(wnd);
    return was_visible ? TRUE : FALSE;
  }
  core::Send(wnd, WM_SHOWWINDOW, show ? TRUE : FALSE, 0);
  w = FindQuiet(wnd);
  if (!w) return was_visible ? TRUE : FALSE;
  UINT flags = SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | (show ? SWP_SHOWWINDOW : SWP_HIDEWINDOW) |
               (activate ? 0 : SWP_NOACTIVATE);
  core::SetPosition(w, nullptr, 0, 0, 0, 0, flags);
  return was_visible ? TRUE : FALSE;
}

BOOL EnableWindow(HWND wnd, BOOL enable) {
  Window* w = Find(wnd);
  if (!w) return FALSE;
  bool was_disabled = w->style & WS_DISABLED;
  if (enable && was_disabled) {
    w->style &= ~WS_DISABLED;
    TellSurfaceStyle(w);
    core::Send(wnd, WM_ENABLE, TRUE, 0);
  } else if (!enable && !was_disabled) {
    w->style |= WS_DISABLED;
    TellSurfaceStyle(w);
    Window* focus = FindQuiet(GetFocus());
    if (focus && IsAncestor(w, focus)) SetFocus(nullptr);
    if (GetCapture() == wnd) ReleaseCapture();
    core::Send(wnd, WM_ENABLE, FALSE, 0);
  }
  return was_disabled ? TRUE : FALSE;
}

BOOL GetWindowRect(HWND wnd, RECT* rect) {
  Window* w = Find(wnd);
  if (!w || !rect) return FALSE;
  *rect = core::ScreenRect(w);
  return TRUE;
}

BOOL GetClientRect(HWND wnd, RECT* rect) {
  Window* w = Find(wnd);
  if (!w || !rect) return FALSE;
  *rect = RECT{0, 0, w->Width(), w->Height()};
  return TRUE;
}

BOOL ClientToScreen(HWND wnd, POINT* point) {
  Window* w = Find(wnd);
  if (!w || !point) return FALSE;
  POINT o = core::ClientOrigin(w);
  point->x += o.x;
  point->y += o.y;
  return TRUE;
}

BOOL ScreenToClient(HWND wnd, POINT* point) {
  Window* w = Find(wnd);
  if (!w || !point) return FALSE;
  POINT o = core::ClientOrigin(w);
  point->x -= o.x;
  point->y -= o.y;
  return TRUE;
}

int MapWindowPoints(HWND from, HWND to, POINT* points, UINT count) {
  POINT a;
  POINT b;
  if (from) {
    Window* w = Find(from);
    if (!w) return 0;
    a = core::ClientOrigin(w);
  }
  if (to) {
    Window* w = Find(to);
    if (!w) return 0;
    b = core::ClientOrigin(w);
  }
  LONG dx = a.x - b.x;
  LONG dy = a.y - b.y;
  for (UINT i = 0; points && i < count; ++i) {
    points[i].x += dx;
    points[i].y += dy;
  }
  SetLastError(ERROR_SUCCESS);
  return static_cast<int>(MakeLParam(dx, dy));
}

// --- core ------------------------------------------------------------------------------

namespace core {

Window* FindQuiet(HWND wnd) {
  auto& sys = Sys();
  if (!wnd || !sys.running || !OnUiThread()) return nullptr;  // the map belongs to the UI thread
  auto it = sys.windows.find(reinterpret_cast<std::uintptr_t>(wnd));
  return it == sys.windows.end() ? nullptr : it->second.get();
}

Window* Find(HWND wnd) {
  if (Sys().running && !OnUiThread()) return Fail<Window*>(ERROR_WINDOW_OF_OTHER_THREAD, nullptr);
  Window* w = FindQuiet(wnd);
  if (!w) SetLastError(ERROR_INVALID_WINDOW_HANDLE);
  return w;
}

POINT ClientOrigin(const Window* w) {
  POINT p;
  for (; w && !w->is_desktop; w = w->parent) {
    p.x += w->rect.left;
    p.y += w->rect.top;
  }
  return p;
}

RECT ScreenRect(const Window* w) {
  if (w->is_desktop) return w->rect;
  POINT o = ClientOrigin(w);
  return RECT{o.x, o.y, o.x + w->Width(), o.y + w->Height()};
}

bool VisibleChain(const Window* w) {
  for (; w && !w->is_desktop; w = w->parent) {
    if (!(w->style & WS_VISIBLE)) return false;
  }
  return w != nullptr;
}

RECT DisplayRect(int x, int y, int cx, int cy) {
  const int left = std::clamp(x, kDisplayCoordMin, kDisplayCoordMax);
  const int top = std::clamp(y, kDisplayCoordMin, kDisplayCoordMax);
  return RECT{left, top, left + std::clamp(cx, 0, kDisplaySizeMax), top + std::clamp(cy, 0, kDisplaySizeMax)};
}

Window* Root(Window* w) {
  while (w && w->parent && !w->parent->is_desktop) w = w->parent;
  return w;
}

void TellBackendStacking() {
  auto& sys = Sys();
  if (!sys.backend || !sys.desktop) return;
  sys.backend->RestackSurfaces(ChildHandles(sys.desktop));
}

bool SetPosition(Window* w, HWND insert_after, int x, int y, int cx, int cy, UINT flags) {
  auto& sys = Sys();
  HWND h = w->handle;
  WINDOWPOS wp{h, insert_after, x, y, cx, cy, flags};
  if (flags & SWP_NOMOVE) {
    wp.x = w->rect.left;
    wp.y = w->rect.top;
  }
  if (flags & SWP_NOSIZE) {
    wp.cx = w->Width();
    wp.cy = w->Height();
  }
  if (!(flags & SWP_NOSENDCHANGING)) {
    Send(h, WM_WINDOWPOSCHANGING, 0, reinterpret_cast<LPARAM>(&wp));
    w = FindQuiet(h);
    if (!w) return false;
  }
  flags = wp.flags;
  RECT old = w->rect;
  RECT now = old;
  if (!(flags & SWP_NOMOVE)) {
    now.left = wp.x;
    now.top = wp.y;
  }
  int width = (flags & SWP_NOSIZE) ? w->Width() : std::max(wp.cx, 0);
  int height = (flags & SWP_NOSIZE) ? w->Height() : std::max(wp.cy, 0);
  if (w->TopLevel()) {
    now = DisplayRect(now.left, now.top, width, height);
    width = now.right - now.left;
    height = now.bottom - now.top;
  }
  now.right = now.left + width;
  now.bottom = now.top + height;
  w->rect = now;
  DWORD ex_style_before = w->ex_style;
  bool restacked = !(flags & SWP_NOZORDER) && Restack(w, wp.hwndInsertAfter);
  bool was_visible = w->style & WS_VISIBLE;
  if (flags & SWP_SHOWWINDOW) w->style |= WS_VISIBLE;
  if (flags & SWP_HIDEWINDOW) w->style &= ~WS_VISIBLE;
  bool visible = w->style & WS_VISIBLE;

  if (w->TopLevel()) {
    if (!(now == old)) sys.backend->MoveSurface(h, now);
    if (restacked) TellBackendStacking();
    if ((flags & SWP_FRAMECHANGED) || w->ex_style != ex_style_before) TellSurfaceStyle(w);
    if (visible != was_visible) sys.backend->ShowSurface(h, visible);
  }
  if (w->TopLevel()) {
    if (!visible && was_visible && sys.in.active == h) ActivateTopLevel(nullptr, WA_INACTIVE, false);
    if (visible && !(flags & SWP_NOACTIVATE) && !(w->ex_style & WS_EX_NOACTIVATE) && sys.in.active != h) {
      ActivateTopLevel(h, WA_ACTIVE, true);
    }
    if (!FindQuiet(h)) return true;
  }
  PaintPositionChanged(w, old, was_visible, flags);
  wp.x = now.left;
  wp.y = now.top;
  wp.cx = width;
  wp.cy = height;
  wp.flags = flags;
  if (now.left == old.left && now.top == old.top) wp.flags |= SWP_NOCLIENTMOVE;
  if (width == old.right - old.left && height == old.bottom - old.top) wp.flags |= SWP_NOCLIENTSIZE;
  Send(h, WM_WINDOWPOSCHANGED, 0, reinterpret_cast<LPARAM>(&wp));
  return true;
}

void DestroyAllWindows() {
  auto& sys = Sys();
  while (!sys.desktop->children.empty()) {
    HWND h = sys.desktop->children.front()->handle;
    DestroyWindow(h);
    if (Window* w = FindQuiet(h)) {  // destroying already: free it regardless
      MarkDestroying(w);
      FreeTree(h);
    }
  }
}

void CreateDesktopWindow() {
  auto& sys = Sys();
  WNDCLASSW wc;
  wc.lpfnWndProc = DefWindowProcW;
  wc.lpszClassName = u"#32769";
  RegisterSystemClassW(&wc);
  auto desktop = std::make_unique<Window>();
  HWND h = reinterpret_cast<HWND>(sys.next_handle);
  sys.next_handle += 4;
  desktop->handle = h;
  desktop->cls = FindClass(nullptr, u"#32769");
  desktop->cls->windows++;
  desktop->proc = DefWindowProcW;
  desktop->style = WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN;
  desktop->is_desktop = true;
  SIZE screen = sys.backend->ScreenSize();
  desktop->rect = RECT{0, 0, screen.cx, screen.cy};
  sys.desktop = desktop.get();
  std::lock_guard lock(sys.post_mutex);
  sys.windows.emplace(reinterpret_cast<std::uintptr_t>(h), std::move(desktop));
}

void ClearClasses() {
  auto& sys = Sys();
  if (sys.desktop) {
    ReleaseProperties(sys.desktop);
    std::lock_guard lock(sys.post_mutex);
    sys.windows.erase(reinterpret_cast<std::uintptr_t>(sys.desktop->handle));
    sys.desktop = nullptr;
  }
  sys.classes.clear();
}

}  // namespace core
}  // namespace varnika
