// The objects behind the GDI handles and the device contexts. Internal to
// platform/.
#pragma once

#include <cairo.h>
#include <pango/pango.h>

#include <memory>
#include <vector>

#include "platform/CairoOwners.h"
#include "platform/Gdi.h"

namespace varnika::gdi {

using RegionPtr = CairoRegionPtr;
using SurfacePtr = CairoSurfacePtr;
using ContextPtr = CairoContextPtr;
using FontDescriptionPtr = PangoFontDescriptionPtr;

RegionPtr NewRegion(const RECT* rect = nullptr);
RegionPtr CopyRegion(const cairo_region_t* region);
cairo_rectangle_int_t ToCairo(const RECT& r);

// What a pen, brush or font is, copied out of the object table so that the
// drawing code never holds the table's lock.
struct PenInfo {
  int style = PS_SOLID;
  int width = 0;
  COLORREF color = 0;
};
struct BrushInfo {
  UINT style = BS_SOLID;
  int hatch = 0;
  COLORREF color = 0;
};
struct FontInfo {
  LOGFONTW logfont;
  std::shared_ptr<const PangoFontDescription> description;
};

DWORD TypeOf(HGDIOBJ object);
bool PenOf(HGDIOBJ object, PenInfo* info);
bool BrushOf(HGDIOBJ object, BrushInfo* info);  // also a system colour index + 1
bool FontOf(HGDIOBJ object, FontInfo* info);
// Selection counts, so that a deleted object lives on while selected.
void AddSelection(HGDIOBJ object);
void DropSelection(HGDIOBJ object);

// The pixels a top-level window's contexts draw into: premultiplied ARGB32,
// rows packed, scale x scale of them for each of the width x height logical
// pixels. Shared with the contexts that draw into it, so a resize that
// replaces it never pulls the memory from under a context.
struct PixelBuffer {
  std::vector<std::uint32_t> pixels;
  int width = 0;
  int height = 0;
  int scale = 1;
  int PixelWidth() const { return width * scale; }
  int PixelHeight() const { return height * scale; }
};

struct DeviceContext {
  HWND wnd = nullptr;  // nullptr: the screen
  HWND root = nullptr;
  bool from_begin_paint = false;
  std::shared_ptr<PixelBuffer> buffer;  // nullptr: nothing to draw into
  POINT origin;                         // the window's client origin in the buffer
  RegionPtr clip;                       // in the window's client coordinates
  HGDIOBJ pen = nullptr;
  HGDIOBJ brush = nullptr;
  HGDIOBJ font = nullptr;
  COLORREF text_color = 0;
  COLORREF bk_color = RGB(255, 255, 255);
  int bk_mode = OPAQUE;
  POINT viewport_origin;
  SIZE viewport_extent{1, 1};
  POINT position;  // MoveToEx/LineTo
  bool drew = false;
};

// The live context behind a handle (UI thread), or nullptr.
DeviceContext* ContextOf(HDC dc);
// A cairo context drawing into the context's pixels in its coordinates,
// clipped; nullptr when there is nothing to draw into.
ContextPtr DrawingContext(DeviceContext& dc);
// A pango layout of text in the context's font.
using LayoutPtr = PangoLayoutPtr;
LayoutPtr TextLayout(cairo_t* cr, const FontInfo& font, std::u16string_view text);

}  // namespace varnika::gdi
