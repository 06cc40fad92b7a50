// Update regions, WM_PAINT, and the device contexts of windows: where a
// window's drawing goes and when it reaches the display.
#include <algorithm>
#include <memory>
#include <unordered_map>

#include "platform/Core.h"
#include "platform/GdiInternal.h"
#include "platform/Window.h"
#include "platform/WindowSystem.h"

namespace varnika {

using core::FindQuiet;
using core::Sys;
using core::Window;
using gdi::DeviceContext;
using gdi::PixelBuffer;
using gdi::RegionPtr;

namespace {

constexpr std::uint32_t kFreshPixel = 0xFFFFFFFF;  // opaque white until painted

struct PaintState {
  RegionPtr update;  // client coordinates; nullptr or empty: nothing to paint
  bool erase = false;
  // Top-level windows only: what contexts draw into. The display gets a copy
  // of its own with each present (it keeps that frame; later drawing into
  // the buffer never changes it).
  std::shared_ptr<PixelBuffer> buffer;

  bool Pending() const { return update && !cairo_region_is_empty(update.get()); }
};

std::unordered_map<HWND, PaintState>& States() {
  static auto* states = new std::unordered_map<HWND, PaintState>;
  return *states;
}

std::unordered_map<HDC, std::unique_ptr<DeviceContext>>& Contexts() {
  static auto* contexts = new std::unordered_map<HDC, std::unique_ptr<DeviceContext>>;
  return *contexts;
}

RECT ClientOf(const Window* w) { return RECT{0, 0, w->Width(), w->Height()}; }

bool LayeredRoot(Window* w) { return (core::Root(w)->ex_style & WS_EX_LAYERED) != 0; }

bool Paintable(Window* w) { return w && !w->is_desktop && core::VisibleChain(w) && !LayeredRoot(w); }

// Adds region (the window's client coordinates) to the update region of the
// window and, unless it clips its children (or all_children), of the
// children it covers.
void AddUpdate(Window* w, const cairo_region_t* region, bool erase, bool all_children) {
  if (!Paintable(w)) return;
  RegionPtr part = gdi::CopyRegion(region);
  const cairo_rectangle_int_t client = gdi::ToCairo(ClientOf(w));
  cairo_region_intersect_rectangle(part.get(), &client);
  if (cairo_region_is_empty(part.get())) return;
  PaintState& state = States()[w->handle];
  if (!state.update) state.update = gdi::NewRegion();
  cairo_region_union(state.update.get(), part.get());
  state.erase = state.erase || erase;
  if (!all_children && (w->style & WS_CLIPCHILDREN)) return;
  for (Window* child : w->children) {
    RegionPtr moved = gdi::CopyRegion(part.get());
    cairo_region_translate(moved.get(), -child->rect.left, -child->rect.top);
    AddUpdate(child, moved.get(), erase, all_children);
  }
}

void AddWhole(Window* w, bool all_children) {
  RegionPtr whole = gdi::NewRegion(nullptr);
  const cairo_rectangle_int_t client = gdi::ToCairo(ClientOf(w));
  cairo_region_union_rectangle(whole.get(), &client);
  AddUpdate(w, whole.get(), true, all_children);
}

void ClearTree(Window* w) {
  auto it = States().find(w->handle);
  if (it != States().end()) {
    it->second.update.reset();
    it->second.erase = false;
  }
  for (Window* c : w->children) ClearTree(c);
}

// The part of a window that its drawing may reach, in its client
// coordinates: its client area within every ancestor, less its children with
// WS_CLIPCHILDREN and, at each level with WS_CLIPSIBLINGS, the visible
// siblings above.
RegionPtr VisibleRegion(Window* w) {
  RegionPtr visible = gdi::NewRegion(nullptr);
  const cairo_rectangle_int_t client = gdi::ToCairo(ClientOf(w));
  cairo_region_union_rectangle(visible.get(), &client);
  POINT offset{0, 0};  // the node's origin in w's coordinates
  for (Window* node = w; node && !node->is_desktop; node = node->parent) {
    const cairo_rectangle_int_t own = {offset.x, offset.y, node->Width(), node->Height()};
    cairo_region_intersect_rectangle(visible.get(), &own);
    Window* parent = node->parent;
    if (!parent || parent->is_desktop) break;
    if (node->style & WS_CLIPSIBLINGS) {
      for (Window* sibling : parent->children) {
        if (sibling == node) break;  // the rest lies below
        if (!(sibling->style & WS_VISIBLE)) continue;
        const cairo_rectangle_int_t above = {offset.x - node->rect.left + sibling->rect.left,
                                             offset.y - node->rect.top + sibling->rect.top, sibling->Width(),
                                             sibling->Height()};
        cairo_region_subtract_rectangle(visible.get(), &above);
      }
    }
    offset.x -= node->rect.left;
    offset.y -= node->rect.top;
  }
  if (w->style & WS_CLIPCHILDREN) {
    for (Window* child : w->children) {
      if (!(child->style & WS_VISIBLE)) continue;
      const cairo_rectangle_int_t r = gdi::ToCairo(child->rect);
      cairo_region_subtract_rectangle(visible.get(), &r);
    }
  }
  return visible;
}

// The top-level window's pixels, made (or remade at a new size) on demand.
std::shared_ptr<PixelBuffer> BufferOf(Window* root) {
  PaintState& state = States()[root->handle];
  const int width = root->Width();
  const int height = root->Height();
  if (width <= 0 || height <= 0) return nullptr;
  const int scale = DisplayScale();
  if (!state.buffer || state.buffer->width != width || state.buffer->height != height ||
      state.buffer->scale != scale) {
    auto buffer = std::make_shared<PixelBuffer>();
    buffer->width = width;
    buffer->height = height;
    buffer->scale = scale;
    buffer->pixels.assign(static_cast<std::size_t>(buffer->PixelWidth()) * static_cast<std::size_t>(buffer->PixelHeight()),
                          kFreshPixel);
    state.buffer = std::move(buffer);
  }
  return state.buffer;
}

HDC MakeContext(Window* w, bool begin_paint, const cairo_region_t* update) {
  auto dc = std::make_unique<DeviceContext>();
  dc->from_begin_paint = begin_paint;
  if (w) {
    dc->wnd = w->handle;
    Window* root = core::Root(w);
    dc->root = root->handle;
    if (!LayeredRoot(w)) dc->buffer = BufferOf(root);
    const POINT client = core::ClientOrigin(w);
    const POINT top = core::ClientOrigin(root);
    dc->origin = POINT{client.x - top.x, client.y - top.y};
    dc->clip = VisibleRegion(w);
    if (update) cairo_region_intersect(dc->clip.get(), update);
  } else {
    dc->clip = gdi::NewRegion(nullptr);
  }
  dc->pen = GetStockObject(BLACK_PEN);
  dc->brush = GetStockObject(WHITE_BRUSH);
  dc->font = GetStockObject(SYSTEM_FONT);
  for (HGDIOBJ o : {dc->pen, dc->brush, dc->font}) gdi::AddSelection(o);
  auto handle = reinterpret_cast<HDC>(dc.get());
  Contexts().emplace(handle, std::move(dc));
  return handle;
}

void Present(HWND root) {
  auto it = States().find(root);
  Window* w = FindQuiet(root);
  if (it == States().end() || !it->second.buffer || !w || !w->TopLevel()) return;
  const PixelBuffer& b = *it->second.buffer;
  std::shared_ptr<FrameBuffer> frame = FrameBuffer::Copy(b.pixels.data(), b.PixelWidth(), b.PixelHeight(), b.PixelWidth());
  frame->scale = b.scale;
  Sys().backend->PresentFrame(root, FrameView{std::move(frame), 255});
}

void ReleaseContext(HDC handle) {
  auto it = Contexts().find(handle);
  if (it == Contexts().end()) return;
  std::unique_ptr<DeviceContext> dc = std::move(it->second);
  Contexts().erase(it);
  for (HGDIOBJ o : {dc->pen, dc->brush, dc->font}) gdi::DropSelection(o);
  if (!dc->drew || !dc->buffer) return;
  auto state = States().find(dc->root);
  // A context that drew into pixels the window has since replaced (a resize)
  // shows nothing: the window repaints at its new size.
  if (state != States().end() && state->second.buffer == dc->buffer) Present(dc->root);
}

Window* UiWindow(HWND wnd) { return core::UiReady() ? core::Find(wnd) : nullptr; }

}  // namespace

// --- device contexts ---------------------------------------------------------------------

HDC GetDC(HWND wnd) {
  if (!core::UiReady()) return nullptr;
  if (!wnd) return MakeContext(nullptr, false, nullptr);
  Window* w = core::Find(wnd);
  return w ? MakeContext(w, false, nullptr) : nullptr;
}

int ReleaseDC(HWND, HDC dc) {
  DeviceContext* context = gdi::ContextOf(dc);
  if (!context || context->from_begin_paint) return 0;
  ReleaseContext(dc);
  return 1;
}

HDC BeginPaint(HWND wnd, PAINTSTRUCT* paint) {
  Window* w = UiWindow(wnd);
  if (!w || !paint) return nullptr;
  RegionPtr update = gdi::NewRegion(nullptr);
  bool erase = false;
  auto it = States().find(wnd);
  if (it != States().end()) {
    if (it->second.update) update = std::move(it->second.update);
    erase = it->second.erase;
    it->second.erase = false;
  }
  HDC dc = MakeContext(w, true, update.get());
  *paint = PAINTSTRUCT{};
  paint->hdc = dc;
  cairo_rectangle_int_t bounds;
  cairo_region_get_extents(update.get(), &bounds);
  paint->rcPaint = RECT{bounds.x, bounds.y, bounds.x + bounds.width, bounds.y + bounds.height};
  if (erase) paint->fErase = core::Send(wnd, WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0) == 0;
  return dc;
}

BOOL EndPaint(HWND, const PAINTSTRUCT* paint) {
  if (!paint) return FALSE;
  DeviceContext* context = gdi::ContextOf(paint->hdc);
  if (!context || !context->from_begin_paint) return FALSE;
  ReleaseContext(paint->hdc);
  return TRUE;
}

// --- update regions -----------------------------------------------------------------------

BOOL InvalidateRect(HWND wnd, const RECT* rect, BOOL erase) {
  if (!core::UiReady()) return FALSE;
  if (!wnd) {
    for (Window* top : std::vector<Window*>(Sys().desktop->children)) InvalidateRect(top->handle, nullptr, erase);
    return TRUE;
  }
  Window* w = core::Find(wnd);
  if (!w) return FALSE;
  RegionPtr region = gdi::NewRegion(rect ? rect : nullptr);
  if (!rect) {
    const cairo_rectangle_int_t client = gdi::ToCairo(ClientOf(w));
    cairo_region_union_rectangle(region.get(), &client);
  }
  AddUpdate(w, region.get(), erase != FALSE, false);
  return TRUE;
}

BOOL ValidateRect(HWND wnd, const RECT* rect) {
  if (!UiWindow(wnd)) return FALSE;
  auto it = States().find(wnd);
  if (it == States().end() || !it->second.update) return TRUE;
  PaintState& state = it->second;
  if (rect) {
    const cairo_rectangle_int_t r = gdi::ToCairo(*rect);
    cairo_region_subtract_rectangle(state.update.get(), &r);
  } else {
    state.update.reset();
  }
  if (!state.Pending()) state.erase = false;
  return TRUE;
}

BOOL GetUpdateRect(HWND wnd, RECT* rect, BOOL) {
  if (!UiWindow(wnd)) return FALSE;
  RECT bounds{};
  auto it = States().find(wnd);
  const bool pending = it != States().end() && it->second.Pending();
  if (pending) {
    cairo_rectangle_int_t r;
    cairo_region_get_extents(it->second.update.get(), &r);
    bounds = RECT{r.x, r.y, r.x + r.width, r.y + r.height};
  }
  if (rect) *rect = bounds;
  return pending ? TRUE : FALSE;
}

BOOL UpdateWindow(HWND wnd) {
  Window* w = UiWindow(wnd);
  if (!w) return FALSE;
  auto it = States().find(wnd);
  if (it != States().end() && it->second.Pending() && Paintable(w)) core::Send(wnd, WM_PAINT, 0, 0);
  return TRUE;
}

namespace gdi {

DeviceContext* ContextOf(HDC dc) {
  if (!dc || !core::UiReady()) return nullptr;
  auto it = Contexts().find(dc);
  return it == Contexts().end() ? nullptr : it->second.get();
}

RegionPtr NewRegion(const RECT* rect) {
  if (!rect) return RegionPtr(cairo_region_create());
  const cairo_rectangle_int_t r = ToCairo(*rect);
  return RegionPtr(cairo_region_create_rectangle(&r));
}

RegionPtr CopyRegion(const cairo_region_t* region) { return RegionPtr(cairo_region_copy(region)); }

cairo_rectangle_int_t ToCairo(const RECT& r) {
  return cairo_rectangle_int_t{r.left, r.top, std::max(r.right - r.left, 0), std::max(r.bottom - r.top, 0)};
}

}  // namespace gdi

namespace core {

bool TakePaint(HWND filter, UINT min, UINT max, MSG* out) {
  if ((min != 0 || max != 0) && (WM_PAINT < min || WM_PAINT > max)) return false;
  auto& states = States();
  bool any = false;
  for (auto& [h, state] : states) {
    if (!state.Pending()) continue;
    if (Paintable(FindQuiet(h))) {
      any = true;
    } else {
      state.update.reset();  // hidden or gone layered meanwhile: nothing to show
      state.erase = false;
    }
  }
  if (!any) return false;
  // Parents before their children, children from the bottom of the z-order
  // up, so that what lies on top is painted last.
  HWND found = nullptr;
  auto visit = [&](auto&& self, Window* w) -> void {
    if (found) return;
    auto it = states.find(w->handle);
    if (it != states.end() && it->second.Pending() && (!filter || filter == w->handle)) {
      found = w->handle;
      return;
    }
    for (auto c = w->children.rbegin(); c != w->children.rend(); ++c) self(self, *c);
  };
  for (Window* top : Sys().desktop->children) visit(visit, top);
  if (!found) return false;
  *out = MSG{found, WM_PAINT, 0, 0, 0, Sys().in.cursor, 0};
  return true;
}

void PaintPositionChanged(Window* w, const RECT& old_rect, bool was_visible, UINT flags) {
  if (w->is_desktop || LayeredRoot(w)) return;
  const bool visible = (w->style & WS_VISIBLE) != 0;
  if (!visible && was_visible) ClearTree(w);
  if (flags & SWP_NOREDRAW) return;
  const bool sized = w->Width() != old_rect.right - old_rect.left || w->Height() != old_rect.bottom - old_rect.top;
  const bool moved = w->rect.left != old_rect.left || w->rect.top != old_rect.top;
  if (w->TopLevel()) {
    // The display keeps a moved window's pixels; new ones come with a size.
    if (visible && (!was_visible || sized)) AddWhole(w, true);
    return;
  }
  if (visible == was_visible && !sized && !moved) return;
  if (visible) AddWhole(w, true);
  // A child that moved, resized or vanished leaves its old place to the parent.
  if (!was_visible) return;
  RegionPtr uncovered = gdi::NewRegion(&old_rect);
  AddUpdate(w->parent, uncovered.get(), true, false);
}

void ForgetPaint(HWND wnd) { States().erase(wnd); }

LRESULT DefPaint(HWND wnd, WPARAM, LPARAM) {
  PAINTSTRUCT paint;
  if (BeginPaint(wnd, &paint)) EndPaint(wnd, &paint);
  return 0;
}

LRESULT DefEraseBackground(HWND wnd, WPARAM wparam, LPARAM) {
  Window* w = FindQuiet(wnd);
  auto dc = reinterpret_cast<HDC>(wparam);
  if (!w || !w->cls->background || !gdi::ContextOf(dc)) return 0;
  const RECT client = ClientOf(w);
  FillRect(dc, &client, w->cls->background);
  return 1;
}

}  // namespace core
}  // namespace varnika
