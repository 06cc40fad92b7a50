// varnika-skin-preview FOLDER: composes the widget's face from the skin
// images and the skin controls on the headless window system and writes
// what a desktop would show:
//   skin-preview.png          the face with sample headlines, busy
//   skin-preview-about.png    the about panel open
//   skin-preview-options.png  the options panel open
// each over a desktop-like backdrop, and skin-preview-frame.png, the face's
// own frame (premultiplied pixels written as a PNG with alpha).
#include <cairo.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "base/Component.h"
#include "base/Utf.h"
#include "platform/WindowSystem.h"
#include "platform/headless/HeadlessBackend.h"
#include "resources/Resources.h"
#include "resources/StringTable.h"
#include "toolkit/ControlEx.h"
#include "toolkit/FontConfiguration.h"
#include "toolkit/WindowEx.h"
#include "widget/CheckBoxEx.h"
#include "widget/ImageEx.h"
#include "widget/SkinText.h"
#include "widget/ThrobberEx.h"

namespace varnika {
namespace {

constexpr int kWidth = 475;
constexpr int kHeight = 350;

struct Headline {
  const char16_t* title;
  const char16_t* summary;
};

// Already wrapped at the list's columns (50 for titles, 60 for summaries).
const Headline kHeadlines[] = {
    {u"Kuzey Ege'de rüzgâr enerjisi yatırımları hız\r\nkazandı",
     u"Bölgedeki yeni santraller yıl sonuna kadar devreye girecek\r\nve 400 bin konutun elektriğini karşılayacak."},
    {u"Kütüphaneler haftasında ücretsiz atölyeler başlıyor",
     u"Çocuklar ve gençler için düzenlenen okuma, yazma ve çizim\r\natölyeleri bütün il kütüphanelerinde yapılacak."},
    {u"Meteorolojiden hafta sonu için kuvvetli yağış uyarısı",
     u"Karadeniz kıyılarında sağanak bekleniyor; sürücülerin\r\ndikkatli olması istendi."},
    {u"Şehir içi raylı sistem hattında sefer sayısı artıyor",
     u"Yeni tarife pazartesi günü yürürlüğe giriyor."},
};

// The headline list as the widget draws it: bold title, rule, summary.
class SampleList : public TControlEx {
 public:
  explicit SampleList(TComponent* owner) : TControlEx(owner) {
    Canvas().SetAntialias(false);
    Font().SetName(u"Trebuchet MS");
    OnPaint = [this](TControl*) { PaintItems(); };
  }

 private:
  void PaintItems() {
    TCanvasEx& c = Canvas();
    c.StringFormat().SetLineAlignment(StringAlignmentCenter);
    c.StringFormat().SetAlignment(StringAlignmentNear);
    c.Pen().SetColor(0x40000000);
    float y = 0;
    for (const Headline& h : kHeadlines) {
      c.Font().SetStyle(FontStyleBold);
      c.Font().SetSize(10);
      c.Font().SetColor(0xFF0000A0);
      int top = static_cast<int>(y + 0.5f);
      y += c.TextHeight(h.title);
      int right = c.TextWidth(h.title);
      y += 4;
      c.DrawText(TRect{0, top, right, static_cast<int>(y + 0.5f)}, h.title);
      y += 2;
      c.DrawLine(0, static_cast<int>(y + 0.5f), Width(), static_cast<int>(y + 0.5f));
      y += 2;
      c.Font().SetStyle(FontStyleRegular);
      c.Font().SetSize(9);
      c.Font().SetColor(0xFF303030);
      top = static_cast<int>(y + 0.5f);
      y += c.TextHeight(h.summary);
      y += 4;
      c.DrawText(TRect{0, top, Width(), static_cast<int>(y + 0.5f)}, h.summary);
      y += 15;
    }
  }
};

class Face {
 public:
  Face() : owner_(std::make_unique<TComponent>(nullptr)) {
    window_ = new TWindowEx(owner_.get());
    window_->SetSize(kWidth, kHeight);
    background_ = Image(window_, 5002, 0, 0);
    Image(background_, 5004, 20, 19);
    Image(background_, 5012, kWidth - 49, 25);
    Image(background_, 5013, kWidth - 49 - 25, 25);

    auto* box = Control<TControlEx>(background_, 30, 75, 415, 213);
    auto* list = Control<SampleList>(box, 0, 0, 390, 213);
    (void)list;
    auto* track = Image(box, 5000, 395, 0);
    Image(track, 5001, 1, 0);

    auto* status = Text(background_, 44, 301, String(301), u"Trebuchet MS", 8, 0, 0xAFFFFFFF);
    status->Canvas().StringFormat().SetLineAlignment(StringAlignmentCenter);
    status->SetData(String(301));
    auto* link = Text(background_, kWidth - 105, 300, u"telvoran.example", u"Trebuchet MS", 8, 0, 0xAFFFFFFF);
    link->Canvas().StringFormat().SetLineAlignment(StringAlignmentFar);
    link->SetData(u"telvoran.example");
    auto* throbber = Control<TThrobberEx>(background_, 26, 301, 18, 18);
    for (int i = 0; i < 5; ++i) throbber->Step();

    BuildOptions();
    BuildAbout();
    window_->Show();
  }

  ~Face() { owner_.reset(); }

  void ShowOptions(bool show) { options_->SetVisible(show); }
  void ShowAbout(bool show) { about_->SetVisible(show); }
  HWND Window() { return window_->Handle(); }
  void Compose() { window_->Invalidate(); }

 private:
  static std::u16string String(int id) { return LoadStringW(static_cast<UINT>(id)); }

  template <typename T>
  T* Control(TControl* parent, int left, int top, int width, int height) {
    auto* control = new T(owner_.get());
    control->SetParent(parent);
    control->SetLeft(left);
    control->SetTop(top);
    control->SetSize(width, height);
    control->Show();
    return control;
  }

  TImageEx* Image(TControl* parent, int id, int left, int top) {
    auto* image = new TImageEx(owner_.get());
    image->SetParent(parent);
    image->SetLeft(left);
    image->SetTop(top);
    image->SetImage(id);
    image->Show();
    return image;
  }

  TSkinText* Text(TControl* parent, int left, int top, const std::u16string& data, const char16_t* font, int size,
                  int style, ARGB color, bool auto_size = true, int width = 110, int height = 18) {
    auto* text = new TSkinText(owner_.get());
    text->SetParent(parent);
    text->Shadow().Enabled = false;
    text->SetLeft(left);
    text->SetTop(top);
    text->SetSize(width, height);
    text->SetAutoSize(auto_size);
    text->Canvas().SetAntialias(false);
    text->Font().SetName(font);
    text->Font().SetSize(size);
    text->Font().SetStyle(style);
    text->Font().SetColor(color);
    text->SetData(data);
    text->Show();
    return text;
  }

  void BuildOptions() {
    options_ = Control<TControlEx>(background_, 35, 61, 385, 183);
    options_->Hide();
    auto* slider = Image(options_, 5005, 0, 0);
    slider->Image()->Fade(240);
    slider->Image()->Tint(0xFFF0F0F0);
    const int captions[] = {104, 105, 106, 107};
    int top = 20;
    bool checked = true;
    for (int id : captions) {
      auto* box = Control<TCheckBoxEx>(slider, 40, top, 300, 20);
      box->States().SetUncheckedImage(TBitmapEx::CreateFromResource(nullptr, 5007, kResourceTypePng));
      box->States().SetCheckedImage(TBitmapEx::CreateFromResource(nullptr, 5008, kResourceTypePng));
      box->SetCaption(String(id));
      box->SetChecked(checked);
      checked = !checked;
      box->Canvas().SetAntialias(false);
      box->Canvas().StringFormat().SetLineAlignment(StringAlignmentCenter);
      box->Font().SetName(u"Trebuchet MS");
      box->Font().SetSize(9);
      box->Font().SetColor(0xCF000000);
      top += 20 + 8;
    }
    Image(slider, 5006, 385 - 25, 183 - 30);
  }

  void BuildAbout() {
    about_ = Control<TControlEx>(background_, 35, 61, 385, 224);
    about_->Hide();
    auto* slider = Control<TControlEx>(about_, 0, 0, 385, 224);
    auto* image = Image(slider, 5009, 25, 0);
    Image(image, 5010, 35, 35);
    auto* title = Text(image, 130, 45, String(100), u"Impact", 20, 0, 0xFF333333, false, 149, 46);
    title->Canvas().SetAntialias(true);
    title->Canvas().StringFormat().SetLineAlignment(StringAlignmentCenter);
    title->SetData(String(100));
    Text(image, 138, 85, String(101), u"Trebuchet MS", 8, 0, 0xFF404040, false, 180, 70);
    auto* link = Text(image, 138, 165, String(102), u"Trebuchet MS", 8, FontStyleBold, 0xFF4040FF, true, 120, 25);
    link->Canvas().StringFormat().SetLineAlignment(StringAlignmentCenter);
    link->SetData(String(102));
    Image(image, 5011, 342 - 21 - 25, 20);
  }

  std::unique_ptr<TComponent> owner_;
  TWindowEx* window_ = nullptr;
  TImageEx* background_ = nullptr;
  TControlEx* options_ = nullptr;
  TControlEx* about_ = nullptr;
};

// A desktop-like backdrop: a diagonal gradient with a few soft shapes.
void PaintBackdrop(cairo_t* cr, int w, int h) {
  cairo_pattern_t* p = cairo_pattern_create_linear(0, 0, w, h);
  cairo_pattern_add_color_stop_rgb(p, 0, 0.42, 0.55, 0.62);
  cairo_pattern_add_color_stop_rgb(p, 1, 0.20, 0.28, 0.36);
  cairo_set_source(cr, p);
  cairo_paint(cr);
  cairo_pattern_destroy(p);
  cairo_set_source_rgba(cr, 1, 1, 1, 0.08);
  cairo_arc(cr, w * 0.8, h * 0.2, h * 0.35, 0, 6.2832);
  cairo_fill(cr);
}

bool WriteFrame(HeadlessBackend& backend, HWND wnd, const std::string& path, bool backdrop) {
  HeadlessBackend::Surface s = backend.SurfaceOf(wnd);
  if (s.frame_width <= 0 || s.frame_height <= 0) return false;
  const int margin = backdrop ? 24 : 0;
  const int w = s.frame_width + 2 * margin, h = s.frame_height + 2 * margin;
  cairo_surface_t* frame = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, s.frame_width, s.frame_height);
  cairo_surface_flush(frame);
  unsigned char* data = cairo_image_surface_get_data(frame);
  const int stride = cairo_image_surface_get_stride(frame);
  for (int y = 0; y < s.frame_height; ++y)
    std::memcpy(data + y * stride, s.pixels.data() + static_cast<std::size_t>(y) * s.frame_width,
                static_cast<std::size_t>(s.frame_width) * 4);
  cairo_surface_mark_dirty(frame);
  cairo_surface_t* out = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, w, h);
  cairo_t* cr = cairo_create(out);
  if (backdrop) PaintBackdrop(cr, w, h);
  cairo_set_source_surface(cr, frame, margin, margin);
  cairo_paint(cr);
  cairo_destroy(cr);
  const bool ok = cairo_surface_write_to_png(out, path.c_str()) == CAIRO_STATUS_SUCCESS;
  cairo_surface_destroy(out);
  cairo_surface_destroy(frame);
  return ok;
}

int Run(const std::string& folder) {
  LoadProgramFontConfiguration();
  auto backend_owner = std::make_unique<HeadlessBackend>();
  HeadlessBackend& backend = *backend_owner;
  InitWindowSystem(std::move(backend_owner));
  bool ok = true;
  {
    Face face;
    face.Compose();
    ok = WriteFrame(backend, face.Window(), folder + "/skin-preview.png", true) && ok;
    ok = WriteFrame(backend, face.Window(), folder + "/skin-preview-frame.png", false) && ok;
    face.ShowAbout(true);
    face.Compose();
    ok = WriteFrame(backend, face.Window(), folder + "/skin-preview-about.png", true) && ok;
    face.ShowAbout(false);
    face.ShowOptions(true);
    face.Compose();
    ok = WriteFrame(backend, face.Window(), folder + "/skin-preview-options.png", true) && ok;
  }
  ShutdownWindowSystem();
  return ok ? 0 : 1;
}

}  // namespace
}  // namespace varnika

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s <output folder>\n", argv[0]);
    return 2;
  }
  return varnika::Run(argv[1]);
}
