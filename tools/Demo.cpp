// varnika-demo: the toolkit on a real X display. A layered, always-on-top
// window with cut (rounded) corners and a half-transparent band, made of a
// TWindowEx and a few TControlEx children: a title, the program icon (a PNG
// resource), and a button that counts its clicks and shows the hand cursor.
// Drag the window anywhere outside the button; Escape, Alt+F4 or
// varnika-close end it.
#include <cairo.h>

#include <algorithm>
#include <numbers>
#include <vector>
#include <memory>
#include <string>

#include "base/Component.h"
#include "base/Utf.h"
#include "platform/Icons.h"
#include "platform/Input.h"
#include "platform/MessageLoop.h"
#include "platform/Window.h"
#include "platform/WindowSystem.h"
#include "platform/x11/X11Backend.h"
#include "resources/Resources.h"
#include "toolkit/BitmapEx.h"
#include "toolkit/ControlEx.h"
#include "toolkit/WindowEx.h"

namespace varnika {
namespace {

constexpr int kWidth = 475;
constexpr int kHeight = 350;
constexpr UINT kCloseMessage = 37683;
constexpr int kHandCursor = 13;  // IDC_HAND in the toolkit's cursor order
constexpr WPARAM kMoveByCaption = SC_MOVE | HTCAPTION;

void RoundedRect(cairo_t* cr, double x, double y, double w, double h, double r) {
  constexpr double pi = std::numbers::pi;
  cairo_new_sub_path(cr);
  cairo_arc(cr, x + w - r, y + r, r, -pi / 2, 0);
  cairo_arc(cr, x + w - r, y + h - r, r, 0, pi / 2);
  cairo_arc(cr, x + r, y + h - r, r, pi / 2, pi);
  cairo_arc(cr, x + r, y + r, r, pi, 3 * pi / 2);
  cairo_close_path(cr);
}

// The window: rounded body, a half-transparent band at the bottom; dragging
// it anywhere runs the move loop; message 37683 closes it.
class DemoWindow : public TWindowEx {
 public:
  explicit DemoWindow(TComponent* owner) : TWindowEx(owner) {
    SetClassNameW(u"varnikaclass");
    OnPaint = [this](TControl*) { PaintBody(); };
    OnMouseDown = [this](TControl*, int, int, int) {
      ReleaseCapture();
      SendMessageW(Handle(), WM_SYSCOMMAND, kMoveByCaption, 0);
    };
    OnKeyDown = [this](TControl*, WORD& key, TShiftState) {
      if (key == VK_ESCAPE) PostMessageW(Handle(), WM_CLOSE, 0, 0);
    };
    // Keys go to the focus window; without one they would arrive as
    // WM_SYSKEYDOWN at the active window.
    OnActivate = [this](TControl*, WORD activation, HWND) {
      if (activation != WA_INACTIVE) SetFocus();
    };
    OnDestroy = [](TControl*) { PostQuitMessage(0); };
  }

  void WndProc(TWidgetMessage& message) override {
    if (message.Msg == kCloseMessage) {
      PostMessageW(message.Handle, WM_CLOSE, 0, 0);
      return;
    }
    TWindowEx::WndProc(message);
  }

 private:
  void PaintBody() {
    cairo_t* cr = Canvas().Context();
    cairo_save(cr);
    RoundedRect(cr, 0, 0, Width(), Height(), 18);
    cairo_clip(cr);
    cairo_pattern_t* body = cairo_pattern_create_linear(0, 0, 0, Height());
    cairo_pattern_add_color_stop_rgba(body, 0, 0.16, 0.22, 0.34, 1);
    cairo_pattern_add_color_stop_rgba(body, 1, 0.07, 0.09, 0.15, 1);
    cairo_set_source(cr, body);
    cairo_rectangle(cr, 0, 0, Width(), Height() - 60);
    cairo_fill(cr);
    cairo_pattern_destroy(body);
    cairo_set_source_rgba(cr, 0.95, 0.55, 0.15, 0.5);  // the half-transparent band
    cairo_rectangle(cr, 0, Height() - 60, Width(), 60);
    cairo_fill(cr);
    cairo_restore(cr);
    cairo_surface_mark_dirty(Canvas().DC());
  }
};

// Text on a transparent background.
class Label : public TControlEx {
 public:
  Label(TComponent* owner, std::u16string text, int size, ARGB color) : TControlEx(owner), text_(std::move(text)) {
    Font().SetSize(size);
    Font().SetColor(color);
    OnPaint = [this](TControl*) { Canvas().DrawText(TRect{0, 0, Width(), Height()}, text_); };
  }
  void SetText(std::u16string text) {
    text_ = std::move(text);
    Invalidate();
  }

 private:
  std::u16string text_;
};

// A PNG picture, scaled into the control.
class Picture : public TControlEx {
 public:
  Picture(TComponent* owner, std::unique_ptr<TBitmapEx> bitmap) : TControlEx(owner), bitmap_(std::move(bitmap)) {
    Canvas().SetInterpolationMode(6);
    OnPaint = [this](TControl*) {
      if (bitmap_->Width() > 0) Canvas().StretchDrawSmooth(*bitmap_, 0, 0, Width(), Height());
    };
  }

 private:
  std::unique_ptr<TBitmapEx> bitmap_;
};

// A rounded button with the hand cursor; lighter while pressed.
class Button : public TControlEx {
 public:
  explicit Button(TComponent* owner) : TControlEx(owner) {
    SetCursor(kHandCursor);
    Font().SetSize(12);
    Font().SetColor(0xFFFFFFFF);
    OnPaint = [this](TControl*) { PaintFace(); };
    OnMouseDown = [this](TControl*, int, int, int) { SetPressed(true); };
    OnMouseUp = [this](TControl*, int, int, int) { SetPressed(false); };
    OnMouseLeave = [this](TControl*, int, int, int) { SetPressed(false); };
  }
  std::u16string caption = u"Click me";

 private:
  void SetPressed(bool pressed) {
    if (pressed_ == pressed) return;
    pressed_ = pressed;
    Invalidate();
  }
  void PaintFace() {
    cairo_t* cr = Canvas().Context();
    cairo_save(cr);
    RoundedRect(cr, 0.5, 0.5, Width() - 1, Height() - 1, 10);
    if (pressed_) {
      cairo_set_source_rgba(cr, 0.35, 0.65, 0.95, 1);
    } else {
      cairo_set_source_rgba(cr, 0.20, 0.45, 0.80, 1);
    }
    cairo_fill(cr);
    cairo_restore(cr);
    cairo_surface_mark_dirty(Canvas().DC());
    TSize extent = Canvas().TextExtent(caption);
    int x = (Width() - extent.cx) / 2;
    int y = (Height() - extent.cy) / 2;
    Canvas().DrawText(TRect{x, y, x + extent.cx, y + extent.cy}, caption);
  }

  bool pressed_ = false;
};

// SetBounds acts only on a control that has its window; these set the
// fields that the window is created with.
void Place(TControl* control, int left, int top, int width, int height) {
  control->SetLeft(left);
  control->SetTop(top);
  control->SetSize(width, height);
}

std::unique_ptr<TBitmapEx> ProgramIcon() {
  return TBitmapEx::CreateFromPng(FindResourceData(kResourceTypeIcon, 101));
}

int RunDemo() {
  std::unique_ptr<Backend> backend = OpenX11BackendOrExit();
  InitWindowSystem(std::move(backend));
  {
    TComponent owner(nullptr);
    auto* window = new DemoWindow(&owner);
    window->SetAlwaysTop(true);
    Place(window, 300, 200, kWidth, kHeight);
    window->SetCaption(u"Varnika demo");

    auto* title = new Label(&owner, u"Varnika \u2014 X11 demo", 20, 0xFFFFFFFF);
    title->SetParent(window);
    Place(title, 130, 40, 320, 40);
    title->Show();

    auto* note = new Label(&owner, u"Drag me anywhere. Esc, Alt+F4 or varnika-close end me.", 11, 0xFFD0D8E8);
    note->SetParent(window);
    Place(note, 130, 90, 320, 60);
    note->Show();

    auto* picture = new Picture(&owner, ProgramIcon());
    picture->SetParent(window);
    Place(picture, 30, 35, 80, 80);
    picture->Show();

    auto* counter = new Label(&owner, u"No clicks yet.", 12, 0xFFFFFFFF);
    counter->SetParent(window);
    Place(counter, 30, kHeight - 45, 400, 30);
    counter->Show();

    auto* button = new Button(&owner);
    button->SetParent(window);
    Place(button, 30, 180, 140, 44);
    button->Show();
    int clicks = 0;
    button->OnClick = [&clicks, counter](TControl*, int, int, int) {
      ++clicks;
      counter->SetText(u"Clicked " + Utf8ToUtf16(std::to_string(clicks)) + (clicks == 1 ? u" time." : u" times."));
    };

    window->Show();
    window->Invalidate();
    HICON window_icon = nullptr;
    if (auto icon = ProgramIcon()) {
      window_icon = CreateIconFromBits(icon->Bits(), icon->Width(), icon->Height(), icon->Stride());
      SendMessageW(window->Handle(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(window_icon));
    }

    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
    DestroyIcon(window_icon);
  }
  ShutdownWindowSystem();
  return 0;
}

}  // namespace
}  // namespace varnika

// fontconfig keeps its caches in blocks the leak checker cannot trace (it
// stores offsets, not pointers); they live as long as the process.
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig.so\n"; }

int main() { return varnika::RunDemo(); }
