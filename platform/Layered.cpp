#include "platform/Layered.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <mutex>
#include <unordered_set>

#include "platform/Core.h"
#include "platform/Window.h"
#include "platform/WindowSystem.h"

namespace varnika {

using core::Find;
using core::LayeredFrame;
using core::Sys;
using core::Window;

namespace {

struct DeviceContext {
  void* bits = nullptr;
  int width = 0;
  int height = 0;
  int stride = 0;
  std::shared_ptr<const void> owner;  // set: frames borrow the bits instead of copying them
  int scale = 1;                      // pixels to a logical pixel
};

// Device contexts may be made before the window system starts (bitmaps are
// created with their controls), so they live in a table of their own.
struct DeviceContexts {
  std::mutex mutex;
  std::unordered_set<DeviceContext*> live;
};

DeviceContexts& Contexts() {
  static DeviceContexts* table = new DeviceContexts;
  return *table;
}

bool LookUp(HDC dc, DeviceContext* out) {
  auto& table = Contexts();
  std::lock_guard lock(table.mutex);
  auto* p = reinterpret_cast<DeviceContext*>(dc);
  if (!table.live.count(p)) return false;
  *out = *p;
  return true;
}

HDC Register(DeviceContext* dc) {
  auto& table = Contexts();
  std::lock_guard lock(table.mutex);
  table.live.insert(dc);
  return reinterpret_cast<HDC>(dc);
}

constexpr UINT kGetNonClientMetrics = 0x0029;  // SPI_GETNONCLIENTMETRICS (platform/Gdi.h)

BOOL Invalid() {
  SetLastError(ERROR_INVALID_PARAMETER);
  return FALSE;
}

Window* LayeredTopLevel(HWND wnd) {
  Window* w = Find(wnd);
  if (!w) return nullptr;
  if (!w->TopLevel() || !(w->ex_style & WS_EX_LAYERED)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  return w;
}

const unsigned char* PixelAt(const DeviceContext& dc, int x, int y) {
  return static_cast<const unsigned char*>(dc.bits) + static_cast<size_t>(y) * static_cast<size_t>(dc.stride) +
         static_cast<size_t>(x) * 4;
}

// The frame of width x height pixels at (x, y) of the context (all in its
// pixels): the canvas's own pixels when it has an owner that keeps them,
// else a copy (pixels shown opaque are stored with their alpha set).
std::shared_ptr<FrameBuffer> FrameFrom(const DeviceContext& dc, int x, int y, int width, int height, bool opaque) {
  if (dc.owner && !opaque && dc.stride % 4 == 0) {
    auto b = FrameBuffer::Borrow(reinterpret_cast<const std::uint32_t*>(PixelAt(dc, x, y)), width, height,
                                 dc.stride / 4, dc.owner);
    b->scale = dc.scale;
    return b;
  }
  auto b = std::make_shared<FrameBuffer>();
  b->storage.resize(static_cast<size_t>(width) * static_cast<size_t>(height));
  for (int row = 0; row < height; ++row) {
    std::memcpy(b->storage.data() + static_cast<size_t>(row) * static_cast<size_t>(width), PixelAt(dc, x, y + row),
                static_cast<size_t>(width) * 4);
  }
  if (opaque) {
    for (auto& p : b->storage) p |= 0xFF000000u;
  }
  b->pixels = b->storage.data();
  b->width = width;
  b->height = height;
  b->stride = width;
  b->scale = dc.scale;
  return b;
}

// Whether the shown frame is a copy that already holds exactly these pixels
// of a context without an owner. A canvas's own pixels always come as a new
// frame: whatever the shown frame borrowed from it may have been redrawn.
bool ShowsPixels(const FrameBuffer* shown, const DeviceContext& dc, int x, int y, int width, int height,
                 bool opaque) {
  if (!shown || dc.owner || shown->storage.empty() || opaque || shown->width != width ||
      shown->height != height || shown->scale != dc.scale || width == 0 || height == 0)
    return false;
  for (int row = 0; row < height; ++row) {
    if (std::memcmp(shown->Row(row), PixelAt(dc, x, y + row), static_cast<size_t>(width) * 4) != 0) return false;
  }
  return true;
}

LayeredFrame& FrameOf(Window* w) {
  if (!w->frame) w->frame = std::make_unique<LayeredFrame>();
  return *w->frame;
}

void Present(const Window* w) {
  const LayeredFrame& f = *w->frame;
  Sys().backend->PresentFrame(w->handle, FrameView{f.shown, f.alpha});
}

}  // namespace

HDC CreateMemoryDC(void* bits, int width, int height, int stride, int scale) {
  if (width < 0 || height < 0 || stride < std::int64_t{width} * 4 || (!bits && width > 0 && height > 0) ||
      scale < 1 || scale > kMaxDisplayScale) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  return Register(new DeviceContext{bits, width, height, stride, nullptr, scale});
}

HDC CreateMemoryDC(cairo_surface_t* image) {
  if (!image || cairo_surface_get_type(image) != CAIRO_SURFACE_TYPE_IMAGE ||
      cairo_image_surface_get_format(image) != CAIRO_FORMAT_ARGB32) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  double x_scale = 1;
  double y_scale = 1;
  cairo_surface_get_device_scale(image, &x_scale, &y_scale);
  const int scale = static_cast<int>(x_scale);
  if (x_scale != y_scale || scale != x_scale || scale < 1 || scale > kMaxDisplayScale) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  cairo_surface_flush(image);
  std::shared_ptr<const void> owner(cairo_surface_reference(image), &cairo_surface_destroy);
  return Register(new DeviceContext{cairo_image_surface_get_data(image), cairo_image_surface_get_width(image),
                                    cairo_image_surface_get_height(image), cairo_image_surface_get_stride(image),
                                    std::move(owner), scale});
}

BOOL DeleteDC(HDC dc) {
  auto& table = Contexts();
  std::lock_guard lock(table.mutex);
  auto* p = reinterpret_cast<DeviceContext*>(dc);
  if (!table.live.erase(p)) return Invalid();
  delete p;
  return TRUE;
}

BOOL UpdateLayeredWindow(HWND wnd, HDC, POINT* position, SIZE* size, HDC src_dc, POINT* src_position, COLORREF,
                         BLENDFUNCTION* blend, DWORD flags) {
  Window* w = LayeredTopLevel(wnd);
  if (!w) return FALSE;
  int width = size ? size->cx : w->Width();
  int height = size ? size->cy : w->Height();
  if (width < 0 || height < 0 || width > kDisplaySizeMax || height > kDisplaySizeMax) return Invalid();
  bool use_blend = (flags & ULW_ALPHA) && blend;
  bool opaque = (flags & ULW_OPAQUE) || !use_blend || !(blend->AlphaFormat & AC_SRC_ALPHA);
  // The new frame replaces the shown one only when presented: until then the
  // display may still read the old one, also from handlers of the move
  // below. A copy that already holds the pixels is kept (a fade sends the
  // same picture with other alphas).
  std::shared_ptr<FrameBuffer> next;
  if (src_dc) {
    DeviceContext dc;
    if (!LookUp(src_dc, &dc)) return Invalid();
    POINT from = src_position ? *src_position : POINT{};
    // The source point and size are logical; the context's pixels are
    // scale times as many each way. In 64 bits: a source point near INT_MAX
    // must not wrap around the check.
    const std::int64_t s = dc.scale;
    if (from.x < 0 || from.y < 0 || (std::int64_t{from.x} + width) * s > dc.width ||
        (std::int64_t{from.y} + height) * s > dc.height) {
      return Invalid();
    }
    const int x = from.x * dc.scale;
    const int y = from.y * dc.scale;
    const int pixels_wide = width * dc.scale;
    const int pixels_high = height * dc.scale;
    if (!ShowsPixels(w->frame ? w->frame->shown.get() : nullptr, dc, x, y, pixels_wide, pixels_high, opaque)) {
      next = FrameFrom(dc, x, y, pixels_wide, pixels_high, opaque);
    }
  } else {
    // Without new pixels the size must stay the shown frame's.
    const FrameBuffer* shown = w->frame ? w->frame->shown.get() : nullptr;
    const int shown_width = shown ? shown->width / shown->scale : 0;
    const int shown_height = shown ? shown->height / shown->scale : 0;
    if (!w->frame || width != shown_width || height != shown_height) return Invalid();
  }
  const BYTE alpha = use_blend ? blend->SourceConstantAlpha : 255;

  bool moves = position && (position->x != w->rect.left || position->y != w->rect.top);
  bool sizes = width != w->Width() || height != w->Height();
  if (moves || sizes) {
    UINT swp = SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOREDRAW | (moves ? 0 : SWP_NOMOVE) | (sizes ? 0 : SWP_NOSIZE);
    core::SetPosition(w, nullptr, position ? position->x : 0, position ? position->y : 0, width, height, swp);
    w = core::FindQuiet(wnd);
    if (!w) return FALSE;
  }
  LayeredFrame& frame = FrameOf(w);
  frame.alpha = alpha;
  if (next) frame.shown = std::move(next);
  Present(w);
  return TRUE;
}

BOOL SetLayeredWindowAttributes(HWND wnd, COLORREF, BYTE alpha, DWORD flags) {
  Window* w = LayeredTopLevel(wnd);
  if (!w) return FALSE;
  if (!(flags & LWA_ALPHA)) return TRUE;
  FrameOf(w).alpha = alpha;
  Sys().backend->SetSurfaceAlpha(wnd, alpha);
  return TRUE;
}

BOOL GetLayeredWindowAttributes(HWND wnd, COLORREF* key, BYTE* alpha, DWORD* flags) {
  Window* w = LayeredTopLevel(wnd);
  if (!w) return FALSE;
  if (key) *key = 0;
  if (alpha) *alpha = w->frame ? w->frame->alpha : 255;
  if (flags) *flags = LWA_ALPHA;
  return TRUE;
}

BOOL SystemParametersInfoW(UINT action, UINT uparam, void* pvparam, UINT) {
  if (action == kGetNonClientMetrics) return core::NonClientMetrics(uparam, pvparam);
  auto& sys = Sys();
  if (!core::UiReady() || action != SPI_GETWORKAREA || !pvparam) return Invalid();
  *static_cast<RECT*>(pvparam) = sys.backend->WorkArea();
  return TRUE;
}

int GetSystemMetrics(int index) {
  auto& sys = Sys();
  if (!core::UiReady()) return 0;
  switch (index) {
    case SM_CXSCREEN:
    case SM_CXVIRTUALSCREEN: return sys.backend->ScreenSize().cx;
    case SM_CYSCREEN:
    case SM_CYVIRTUALSCREEN: return sys.backend->ScreenSize().cy;
    case SM_CXCURSOR:
    case SM_CYCURSOR: return 32;
    case SM_CXDOUBLECLK:
    case SM_CYDOUBLECLK:
    case SM_CXDRAG:
    case SM_CYDRAG: return 4;
    default: return 0;
  }
}

namespace core {

bool LayeredPassesThrough(const Window* w, POINT screen) {
  if (!(w->ex_style & WS_EX_LAYERED)) return false;
  if (!w->frame) return true;  // nothing shown yet
  const LayeredFrame& f = *w->frame;
  if (f.alpha == 0) return true;
  if (!f.shown || !f.shown->pixels) return false;  // a constant-alpha window without frames
  const FrameBuffer& b = *f.shown;
  int x = (screen.x - w->rect.left) * b.scale;
  int y = (screen.y - w->rect.top) * b.scale;
  if (x < 0 || y < 0 || x >= b.width || y >= b.height) return true;
  std::uint32_t a = b.Row(y)[x] >> 24;
  return a * f.alpha / 255 == 0;
}

}  // namespace core
}  // namespace varnika
