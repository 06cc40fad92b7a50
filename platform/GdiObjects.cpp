// Pens, brushes and fonts, the stock objects, the system colours and the
// screen's metrics.
//
// Reading map. The system colour table and object records at the top;
// fonts (the desktop's message font and the pango descriptions behind a
// LOGFONTW), objects (CreatePen, brushes, CreateFontIndirectW, stock
// objects, DeleteObject), system values (GetSysColor, device caps, the
// desktop message font, non-client metrics), and the table the drawing code
// reads.
#include <gio/gio.h>
#include <pango/pangocairo.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>
#include <unordered_map>

#include "base/Utf.h"
#include "platform/Core.h"
#include "platform/GdiInternal.h"
#include "platform/Layered.h"
#include "platform/Window.h"

namespace varnika {

using gdi::BrushInfo;
using gdi::FontInfo;
using gdi::PenInfo;

namespace {

constexpr int kDpi = 96;
constexpr int kSysColorCount = 31;
constexpr double kDefaultUiPoints = 9;

// The light theme behind GetSysColor, by index.
constexpr COLORREF kSysColors[kSysColorCount] = {
    RGB(200, 200, 200),  // COLOR_SCROLLBAR
    RGB(0, 99, 177),     // COLOR_BACKGROUND
    RGB(153, 180, 209),  // COLOR_ACTIVECAPTION
    RGB(191, 205, 219),  // COLOR_INACTIVECAPTION
    RGB(240, 240, 240),  // COLOR_MENU
    RGB(255, 255, 255),  // COLOR_WINDOW
    RGB(100, 100, 100),  // COLOR_WINDOWFRAME
    RGB(0, 0, 0),        // COLOR_MENUTEXT
    RGB(0, 0, 0),        // COLOR_WINDOWTEXT
    RGB(0, 0, 0),        // COLOR_CAPTIONTEXT
    RGB(180, 180, 180),  // COLOR_ACTIVEBORDER
    RGB(244, 247, 252),  // COLOR_INACTIVEBORDER
    RGB(171, 171, 171),  // COLOR_APPWORKSPACE
    RGB(0, 120, 215),    // COLOR_HIGHLIGHT
    RGB(255, 255, 255),  // COLOR_HIGHLIGHTTEXT
    RGB(240, 240, 240),  // COLOR_BTNFACE
    RGB(160, 160, 160),  // COLOR_BTNSHADOW
    RGB(109, 109, 109),  // COLOR_GRAYTEXT
    RGB(0, 0, 0),        // COLOR_BTNTEXT
    RGB(0, 0, 0),        // COLOR_INACTIVECAPTIONTEXT
    RGB(255, 255, 255),  // COLOR_BTNHIGHLIGHT
    RGB(105, 105, 105),  // COLOR_3DDKSHADOW
    RGB(227, 227, 227),  // COLOR_3DLIGHT
    RGB(0, 0, 0),        // COLOR_INFOTEXT
    RGB(255, 255, 225),  // COLOR_INFOBK
    RGB(0, 0, 0),        // (unused)
    RGB(0, 102, 204),    // COLOR_HOTLIGHT
    RGB(185, 209, 234),  // COLOR_GRADIENTACTIVECAPTION
    RGB(215, 228, 242),  // COLOR_GRADIENTINACTIVECAPTION
    RGB(51, 153, 255),   // COLOR_MENUHILIGHT
    RGB(240, 240, 240),  // COLOR_MENUBAR
};

struct GdiObject {
  DWORD type = 0;
  PenInfo pen;
  BrushInfo brush;
  FontInfo font;
  bool stock = false;
  bool doomed = false;  // deleted while selected: freed with its last selection
  int selections = 0;
};

struct ObjectTable {
  std::mutex mutex;
  std::unordered_map<HGDIOBJ, std::unique_ptr<GdiObject>> objects;
  HGDIOBJ stock[DEFAULT_GUI_FONT + 1] = {};
  HGDIOBJ color_brushes[kSysColorCount] = {};
};

ObjectTable& Table() {
  static ObjectTable* table = new ObjectTable;  // never freed: handles may outlive static objects
  return *table;
}

// Caller holds the table's lock.
HGDIOBJ InsertLocked(ObjectTable& table, std::unique_ptr<GdiObject> object) {
  HGDIOBJ handle = object.get();
  table.objects.emplace(handle, std::move(object));
  return handle;
}

HGDIOBJ Insert(std::unique_ptr<GdiObject> object) {
  auto& table = Table();
  std::lock_guard lock(table.mutex);
  return InsertLocked(table, std::move(object));
}

// A lookup under the lock, copying out what fn takes. A deleted object that
// is still selected is found only for the contexts that draw with it.
enum class Deleted { Skip, Include };
template <typename Fn>
bool WithObject(HGDIOBJ handle, Fn&& fn, Deleted deleted = Deleted::Skip) {
  auto& table = Table();
  std::lock_guard lock(table.mutex);
  auto it = table.objects.find(handle);
  if (it == table.objects.end() || (it->second->doomed && deleted == Deleted::Skip)) return false;
  fn(*it->second);
  return true;
}

std::unique_ptr<GdiObject> PenObject(int style, int width, COLORREF color) {
  auto o = std::make_unique<GdiObject>();
  o->type = OBJ_PEN;
  o->pen = PenInfo{style, std::max(width, 0), color & 0xFFFFFF};
  return o;
}

std::unique_ptr<GdiObject> BrushObject(UINT style, int hatch, COLORREF color) {
  auto o = std::make_unique<GdiObject>();
  o->type = OBJ_BRUSH;
  o->brush = BrushInfo{style, hatch, color & 0xFFFFFF};
  return o;
}

// --- fonts ---------------------------------------------------------------------------

// True inside a GNOME-family session ("GNOME", "ubuntu:GNOME", "Budgie:GNOME").
// Elsewhere GNOME's schema may still be installed, but its font is not the
// desktop's, and reading it would start GSettings' two threads for nothing.
bool InGnomeSession() {
  const char* desktops = std::getenv("XDG_CURRENT_DESKTOP");
  return desktops && std::strstr(desktops, "GNOME") != nullptr;
}

// GNOME's interface font ("Cantarell 11"), in a GNOME session whose setting exists.
std::string GnomeInterfaceFont() {
  if (!InGnomeSession()) return {};
  GSettingsSchemaSource* source = g_settings_schema_source_get_default();  // not owned
  if (!source) return {};
  GSettingsSchema* schema = g_settings_schema_source_lookup(source, "org.gnome.desktop.interface", TRUE);
  if (!schema) return {};
  const bool has_key = g_settings_schema_has_key(schema, "font-name");
  g_settings_schema_unref(schema);
  if (!has_key) return {};
  GObjectPtr<GSettings> settings(g_settings_new("org.gnome.desktop.interface"));
  gchar* value = g_settings_get_string(settings.get(), "font-name");
  std::string font = value ? value : "";
  g_free(value);
  return font;
}

// The family fontconfig gives for a description (resolving aliases such as
// "sans-serif"); empty when there is no font at all.
std::string InstalledFamily(const PangoFontDescription* wanted) {
  PangoFontMap* map = pango_cairo_font_map_get_default();  // not owned
  GObjectPtr<PangoContext> context(pango_font_map_create_context(map));
  GObjectPtr<PangoFont> font(pango_font_map_load_font(map, context.get(), wanted));
  if (!font) return {};
  gdi::FontDescriptionPtr found(pango_font_describe(font.get()));
  const char* family = found ? pango_font_description_get_family(found.get()) : nullptr;
  return family ? family : "";
}

void SetFaceName(LOGFONTW* lf, std::u16string_view face) {
  std::fill(std::begin(lf->lfFaceName), std::end(lf->lfFaceName), u'\0');
  const std::size_t n = std::min<std::size_t>(face.size(), LF_FACESIZE - 1);
  std::copy_n(face.begin(), n, lf->lfFaceName);
}

// The desktop's font as its setting describes it. With resolve_family the
// face is the installed family that the setting's family resolves to, which
// takes loading a font; without, it is the setting's family name as given.
LOGFONTW MakeDesktopMessageFont(bool resolve_family) {
  const std::string setting = GnomeInterfaceFont();
  gdi::FontDescriptionPtr description(pango_font_description_from_string(setting.c_str()));
  if (!pango_font_description_get_family(description.get()))
    pango_font_description_set_family(description.get(), "sans-serif");
  if (pango_font_description_get_size(description.get()) <= 0)
    pango_font_description_set_size(description.get(), static_cast<int>(kDefaultUiPoints * PANGO_SCALE));
  const double size = pango_font_description_get_size(description.get()) / static_cast<double>(PANGO_SCALE);
  const double pixels =
      pango_font_description_get_size_is_absolute(description.get()) ? size : size * kDpi / 72.0;
  LOGFONTW lf;
  lf.lfHeight = -std::max(1L, std::lround(pixels));
  const int weight = pango_font_description_get_weight(description.get());
  lf.lfWeight = weight >= 600 ? FW_BOLD : FW_NORMAL;
  lf.lfItalic = pango_font_description_get_style(description.get()) != PANGO_STYLE_NORMAL;
  lf.lfCharSet = DEFAULT_CHARSET;
  lf.lfQuality = DEFAULT_QUALITY;
  lf.lfPitchAndFamily = VARIABLE_PITCH | FF_SWISS;
  std::string family = resolve_family ? InstalledFamily(description.get()) : std::string();
  if (family.empty()) family = pango_font_description_get_family(description.get());
  SetFaceName(&lf, Utf8ToUtf16(family));
  return lf;
}

std::string FaceOf(const LOGFONTW& lf) {
  std::size_t n = 0;
  while (n < LF_FACESIZE && lf.lfFaceName[n]) ++n;
  return Utf16ToUtf8(std::u16string_view(lf.lfFaceName, n));
}

// The absolute size (pango units) whose ascent + descent is cell_pixels.
int SizeForCellHeight(PangoFontDescription* description, int cell_pixels) {
  constexpr int kProbe = 100;
  pango_font_description_set_absolute_size(description, kProbe * PANGO_SCALE);
  PangoFontMap* map = pango_cairo_font_map_get_default();
  GObjectPtr<PangoContext> context(pango_font_map_create_context(map));
  PangoFontMetrics* metrics = pango_context_get_metrics(context.get(), description, nullptr);
  const int cell = pango_font_metrics_get_ascent(metrics) + pango_font_metrics_get_descent(metrics);
  pango_font_metrics_unref(metrics);
  if (cell <= 0) return cell_pixels * PANGO_SCALE;
  return static_cast<int>(std::lround(static_cast<double>(cell_pixels) * kProbe * PANGO_SCALE * PANGO_SCALE / cell));
}

gdi::FontDescriptionPtr Describe(const LOGFONTW& lf) {
  gdi::FontDescriptionPtr d(pango_font_description_new());
  std::string face = FaceOf(lf);
  if (face.empty()) face = FaceOf(DesktopMessageFont());
  pango_font_description_set_family(d.get(), face.c_str());
  const LONG weight = lf.lfWeight == FW_DONTCARE ? FW_NORMAL : std::clamp<LONG>(lf.lfWeight, 100, 1000);
  pango_font_description_set_weight(d.get(), static_cast<PangoWeight>(weight));
  pango_font_description_set_style(d.get(), lf.lfItalic ? PANGO_STYLE_ITALIC : PANGO_STYLE_NORMAL);
  LONG height = lf.lfHeight;
  if (height == 0) height = DesktopMessageFont().lfHeight;
  if (height < 0) {
    pango_font_description_set_absolute_size(d.get(), static_cast<double>(-static_cast<std::int64_t>(height)) *
                                                          PANGO_SCALE);
  } else {
    pango_font_description_set_absolute_size(d.get(), SizeForCellHeight(d.get(), static_cast<int>(height)));
  }
  return d;
}

std::unique_ptr<GdiObject> FontObject(const LOGFONTW& lf) {
  auto o = std::make_unique<GdiObject>();
  o->type = OBJ_FONT;
  o->font.logfont = lf;
  gdi::FontDescriptionPtr description = Describe(lf);
  o->font.description = std::shared_ptr<const PangoFontDescription>(
      description.release(), [](const PangoFontDescription* d) {
        pango_font_description_free(const_cast<PangoFontDescription*>(d));
      });
  return o;
}

LOGFONTW FixedFont() {
  LOGFONTW lf;
  lf.lfHeight = -13;
  lf.lfWeight = FW_NORMAL;
  lf.lfPitchAndFamily = FIXED_PITCH | FF_MODERN;
  SetFaceName(&lf, u"monospace");
  return lf;
}

std::unique_ptr<GdiObject> StockObject(int index) {
  switch (index) {
    case WHITE_BRUSH: return BrushObject(BS_SOLID, 0, RGB(255, 255, 255));
    case LTGRAY_BRUSH: return BrushObject(BS_SOLID, 0, RGB(192, 192, 192));
    case GRAY_BRUSH: return BrushObject(BS_SOLID, 0, RGB(128, 128, 128));
    case DKGRAY_BRUSH: return BrushObject(BS_SOLID, 0, RGB(64, 64, 64));
    case BLACK_BRUSH: return BrushObject(BS_SOLID, 0, RGB(0, 0, 0));
    case NULL_BRUSH: return BrushObject(BS_NULL, 0, 0);
    case WHITE_PEN: return PenObject(PS_SOLID, 0, RGB(255, 255, 255));
    case BLACK_PEN: return PenObject(PS_SOLID, 0, RGB(0, 0, 0));
    case NULL_PEN: return PenObject(PS_NULL, 0, 0);
    case OEM_FIXED_FONT:
    case ANSI_FIXED_FONT:
    case SYSTEM_FIXED_FONT: return FontObject(FixedFont());
    case ANSI_VAR_FONT:
    case SYSTEM_FONT:
    case DEVICE_DEFAULT_FONT:
    case DEFAULT_GUI_FONT: return FontObject(DesktopMessageFont());
    default: return nullptr;
  }
}

void Unselect(ObjectTable& table, HGDIOBJ handle) {
  auto it = table.objects.find(handle);
  if (it == table.objects.end()) return;
  GdiObject& o = *it->second;
  if (o.selections > 0) --o.selections;
  if (o.doomed && o.selections == 0) table.objects.erase(it);
}

}  // namespace

// --- objects -------------------------------------------------------------------------------

HPEN CreatePen(int style, int width, COLORREF color) {
  if (style < PS_SOLID || style > PS_INSIDEFRAME) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  return static_cast<HPEN>(Insert(PenObject(style, width, color)));
}

HBRUSH CreateSolidBrush(COLORREF color) { return static_cast<HBRUSH>(Insert(BrushObject(BS_SOLID, 0, color))); }

HBRUSH CreateHatchBrush(int hatch, COLORREF color) {
  if (hatch < HS_HORIZONTAL || hatch > HS_DIAGCROSS) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  return static_cast<HBRUSH>(Insert(BrushObject(BS_HATCHED, hatch, color)));
}

HFONT CreateFontIndirectW(const LOGFONTW* font) {
  if (!font) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  return static_cast<HFONT>(Insert(FontObject(*font)));
}

HGDIOBJ GetStockObject(int index) {
  if (index < 0 || index > DEFAULT_GUI_FONT) return nullptr;
  auto& table = Table();
  {
    std::lock_guard lock(table.mutex);
    if (table.stock[index]) return table.stock[index];
  }
  // Made outside the lock: a font asks fontconfig, which takes a while.
  std::unique_ptr<GdiObject> object = StockObject(index);
  if (!object) return nullptr;
  object->stock = true;
  std::lock_guard lock(table.mutex);
  if (!table.stock[index]) table.stock[index] = InsertLocked(table, std::move(object));
  return table.stock[index];
}

BOOL DeleteObject(HGDIOBJ object) {
  auto& table = Table();
  std::lock_guard lock(table.mutex);
  auto it = table.objects.find(object);
  if (it == table.objects.end() || it->second->doomed) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  GdiObject& o = *it->second;
  if (o.stock) return TRUE;
  if (o.selections > 0)
    o.doomed = true;
  else
    table.objects.erase(it);
  return TRUE;
}

int GetObjectW(HGDIOBJ object, int size, void* buffer) {
  int written = 0;
  WithObject(object, [&](const GdiObject& o) {
    if (o.type == OBJ_PEN) {
      LOGPEN pen;
      pen.lopnStyle = static_cast<UINT>(o.pen.style);
      pen.lopnWidth = POINT{o.pen.width, 0};
      pen.lopnColor = o.pen.color;
      if (!buffer) written = sizeof pen;
      else if (size >= static_cast<int>(sizeof pen)) std::memcpy(buffer, &pen, written = sizeof pen);
    } else if (o.type == OBJ_BRUSH) {
      LOGBRUSH brush;
      brush.lbStyle = o.brush.style;
      brush.lbColor = o.brush.color;
      brush.lbHatch = static_cast<ULONG_PTR>(o.brush.hatch);
      if (!buffer) written = sizeof brush;
      else if (size >= static_cast<int>(sizeof brush)) std::memcpy(buffer, &brush, written = sizeof brush);
    } else if (o.type == OBJ_FONT) {
      if (!buffer) written = sizeof(LOGFONTW);
      else if (size >= static_cast<int>(sizeof(LOGFONTW)))
        std::memcpy(buffer, &o.font.logfont, written = sizeof(LOGFONTW));
    }
  });
  return written;
}

DWORD GetObjectType(HGDIOBJ object) {
  if (gdi::ContextOf(static_cast<HDC>(object))) return OBJ_DC;
  return gdi::TypeOf(object);
}

// --- system values -----------------------------------------------------------------------

COLORREF GetSysColor(int index) { return index >= 0 && index < kSysColorCount ? kSysColors[index] : 0; }

HBRUSH GetSysColorBrush(int index) {
  if (index < 0 || index >= kSysColorCount) return nullptr;
  auto& table = Table();
  std::lock_guard lock(table.mutex);
  HGDIOBJ& slot = table.color_brushes[index];
  if (!slot) {
    auto brush = BrushObject(BS_SOLID, 0, kSysColors[index]);
    brush->stock = true;
    slot = InsertLocked(table, std::move(brush));
  }
  return static_cast<HBRUSH>(slot);
}

int GetDeviceCaps(HDC dc, int index) {
  if (!gdi::ContextOf(dc)) return 0;
  switch (index) {
    case LOGPIXELSX:
    case LOGPIXELSY: return kDpi;
    case HORZRES: return GetSystemMetrics(SM_CXSCREEN);
    case VERTRES: return GetSystemMetrics(SM_CYSCREEN);
    case BITSPIXEL: return 32;
    case PLANES: return 1;
    default: return 0;
  }
}

int MulDiv(int number, int numerator, int denominator) {
  if (denominator == 0) return -1;
  const std::int64_t product = static_cast<std::int64_t>(number) * numerator;
  std::int64_t magnitude = (std::llabs(product) + std::llabs(static_cast<std::int64_t>(denominator)) / 2) /
                           std::llabs(static_cast<std::int64_t>(denominator));
  if ((product < 0) != (denominator < 0) && product != 0) magnitude = -magnitude;
  if (magnitude > INT32_MAX || magnitude < INT32_MIN) return -1;
  return static_cast<int>(magnitude);
}

LOGFONTW DesktopMessageFont() {
  static const LOGFONTW font = MakeDesktopMessageFont(true);
  return font;
}

LOGFONTW DesktopMessageFontStyle() {
  static const LOGFONTW font = MakeDesktopMessageFont(false);
  return font;
}

namespace core {

BOOL NonClientMetrics(UINT size, void* out) {
  auto* m = static_cast<NONCLIENTMETRICSW*>(out);
  if (!m || m->cbSize != sizeof(NONCLIENTMETRICSW) || (size != 0 && size != sizeof(NONCLIENTMETRICSW))) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  const LOGFONTW font = DesktopMessageFont();
  NONCLIENTMETRICSW metrics;
  metrics.iBorderWidth = 1;
  metrics.iScrollWidth = 17;
  metrics.iScrollHeight = 17;
  metrics.iCaptionWidth = 36;
  metrics.iCaptionHeight = 23;
  metrics.lfCaptionFont = font;
  metrics.iSmCaptionWidth = 22;
  metrics.iSmCaptionHeight = 22;
  metrics.lfSmCaptionFont = font;
  metrics.iMenuWidth = 19;
  metrics.iMenuHeight = 19;
  metrics.lfMenuFont = font;
  metrics.lfStatusFont = font;
  metrics.lfMessageFont = font;
  *m = metrics;
  return TRUE;
}

}  // namespace core

// --- the table for the drawing code ------------------------------------------------------

namespace gdi {

DWORD TypeOf(HGDIOBJ object) {
  DWORD type = 0;
  WithObject(object, [&](const GdiObject& o) { type = o.type; });
  return type;
}

bool PenOf(HGDIOBJ object, PenInfo* info) {
  bool found = false;
  WithObject(object, [&](const GdiObject& o) {
    if (o.type != OBJ_PEN) return;
    *info = o.pen;
    found = true;
  }, Deleted::Include);
  return found;
}

bool BrushOf(HGDIOBJ object, BrushInfo* info) {
  const auto value = reinterpret_cast<std::uintptr_t>(object);
  if (value >= 1 && value <= kSysColorCount) {  // a class background: system colour index + 1
    *info = BrushInfo{BS_SOLID, 0, kSysColors[value - 1]};
    return true;
  }
  bool found = false;
  WithObject(object, [&](const GdiObject& o) {
    if (o.type != OBJ_BRUSH) return;
    *info = o.brush;
    found = true;
  }, Deleted::Include);
  return found;
}

bool FontOf(HGDIOBJ object, FontInfo* info) {
  bool found = false;
  WithObject(object, [&](const GdiObject& o) {
    if (o.type != OBJ_FONT) return;
    *info = o.font;
    found = true;
  }, Deleted::Include);
  return found;
}

void AddSelection(HGDIOBJ object) {
  WithObject(object, [](GdiObject& o) { ++o.selections; });
}

void DropSelection(HGDIOBJ object) {
  auto& table = Table();
  std::lock_guard lock(table.mutex);
  Unselect(table, object);
}

}  // namespace gdi
}  // namespace varnika
