// The widget's face as the tests build it: a stand-in main window with the
// news box, the headline list, the scroll track and its thumb at the sizes
// and places the widget gives them, over the headless window system.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "base/Utf.h"
#include "tests/toolkit_controls/ControlTestSupport.h"
#include "widget/BitmapControls.h"
#include "widget/ContainerEx.h"
#include "widget/ContentEx.h"
#include "widget/NewsScroll.h"

namespace varnika::testing {

inline constexpr int kWindowLeft = 100;
inline constexpr int kWindowTop = 100;
inline constexpr int kBoxLeft = 30;
inline constexpr int kBoxTop = 75;
inline constexpr int kBoxWidth = 415;
inline constexpr int kBoxHeight = 213;
inline constexpr int kTrackWidth = 20;
inline constexpr int kThumbWidth = 18;
inline constexpr int kThumbHeight = 70;

inline std::unique_ptr<TBitmapEx> SolidBitmap(int width, int height, std::uint32_t premultiplied) {
  auto bitmap = std::make_unique<TBitmapEx>(width, height);
  cairo_surface_flush(bitmap->Image());
  for (int y = 0; y < height; ++y) {
    auto* row = reinterpret_cast<std::uint32_t*>(bitmap->Bits() + y * bitmap->Stride());
    for (int x = 0; x < width; ++x) row[x] = premultiplied;
  }
  cairo_surface_mark_dirty(bitmap->Image());
  return bitmap;
}

// A scene owned by a test's component owner; the controls are its children.
struct TWidgetScene {
  TWindowEx* window = nullptr;
  TContainerEx* box = nullptr;
  TContentEx* list = nullptr;
  TScrollerEx* scroller = nullptr;
  TThumbEx* thumb = nullptr;
  std::unique_ptr<TNewsScroll> scroll;

  static constexpr std::uint32_t kTrackColor = 0xFFD0D4DA;
  static constexpr std::uint32_t kThumbColor = 0xFF6E8BB0;
  static constexpr std::uint32_t kPanelColor = 0xFFF4F1EA;

  // background: the opaque picture below the box (by default one of
  // kPanelColor). Layered windows take the mouse only where they are not
  // transparent.
  TWidgetScene(TComponent* owner, int tile_rows = TListTiles::kDefaultRows, TBackgroundEx* background = nullptr) {
    window = new TWindowEx(owner);
    window->SetLeft(kWindowLeft);
    window->SetTop(kWindowTop);
    window->SetSize(475, 350);
    if (!background) {
      background = new TBackgroundEx(owner);
      background->SetBitmap(SolidBitmap(475, 350, kPanelColor));
    }
    background->SetParent(window);
    background->SetSize(475, 350);
    box = new TContainerEx(owner);
    box->SetParent(background);
    box->SetLeft(kBoxLeft);
    box->SetTop(kBoxTop);
    box->SetSize(kBoxWidth, kBoxHeight);
    list = new TContentEx(owner, tile_rows);
    list->SetParent(box);
    list->SetSize(kBoxWidth - 25, kBoxHeight);
    list->Canvas().SetAntialias(false);
    list->Font().SetName(u"Trebuchet MS");
    list->Font().SetSize(9);
    list->SetCached(true);
    scroller = new TScrollerEx(owner);
    scroller->SetParent(box);
    scroller->SetLeft(kBoxWidth - kTrackWidth);
    scroller->SetSize(kTrackWidth, kBoxHeight);
    scroller->SetBitmap(SolidBitmap(kTrackWidth, kBoxHeight, kTrackColor));
    thumb = new TThumbEx(owner);
    thumb->SetParent(scroller);
    thumb->SetLeft(1);
    thumb->SetSize(kThumbWidth, kThumbHeight);
    thumb->SetBitmap(SolidBitmap(kThumbWidth, kThumbHeight, kThumbColor));
    box->SetScroller(scroller);
    box->SetContent(list);
    box->SetThumb(thumb);
    scroll = std::make_unique<TNewsScroll>(*window, *box, *list, *scroller, *thumb);
    scroll->BindEvents();
    list->OnMeasured = [this](TControl*) { scroll->UpdateScrollBar(); };
    window->Handle();
    background->Show();
    for (TControl* control : {static_cast<TControl*>(box), static_cast<TControl*>(list),
                              static_cast<TControl*>(scroller), static_cast<TControl*>(thumb)})
      control->Show();
    window->Show();
    scroll->UpdateScrollBar();
  }

  // A reload as the main window does it: Redraw around Load, then the
  // scroll bar (which repaints).
  void Load(const std::string& path) {
    list->SetRedraw(true);
    list->Load(Widen(path));
    scroll->UpdateScrollBar();
    list->SetRedraw(false);
  }

  // Screen position of a point of the list (list coordinates).
  POINT ListToScreen(int x, int y) const {
    return POINT{kWindowLeft + kBoxLeft + list->Left() + x, kWindowTop + kBoxTop + list->Top() + y};
  }
};

// The window's last presented frame, read once.
class TFrame {
 public:
  TFrame(const HeadlessBackend& backend, TWindowEx* window) {
    HeadlessBackend::Surface surface = backend.SurfaceOf(window->WindowHandle());
    width_ = surface.frame_width;
    height_ = surface.frame_height;
    pixels_ = std::move(surface.pixels);
  }
  std::uint32_t At(int x, int y) const {
    if (x < 0 || y < 0 || x >= width_ || y >= height_) return 0xDEADBEEF;
    return pixels_[static_cast<std::size_t>(y) * static_cast<std::size_t>(width_) + static_cast<std::size_t>(x)];
  }
  friend bool operator==(const TFrame& a, const TFrame& b) {
    return a.width_ == b.width_ && a.height_ == b.height_ && a.pixels_ == b.pixels_;
  }

 private:
  int width_ = 0;
  int height_ = 0;
  std::vector<std::uint32_t> pixels_;
};

}  // namespace varnika::testing
