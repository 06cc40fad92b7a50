// Everything the user can ask the widget to do: the menu commands, the
// sliding about and options panels, the option check boxes, closing, and
// the links to the site.

#include <utility>

#include "platform/Autostart.h"
#include "platform/ExecutablePath.h"
#include "platform/Input.h"
#include "platform/Menu.h"
#include "platform/MessageLoop.h"
#include "platform/Window.h"
#include "resources/MenuResource.h"
#include "resources/StringTable.h"
#include "toolkit/BitmapEx.h"
#include "toolkit/SystemRoutines.h"
#include "toolkit/TrayIcon.h"
#include "widget/ContentEx.h"
#include "widget/MainWindow.h"
#include "widget/BitmapControls.h"
#include "widget/CheckBoxEx.h"
#include "widget/ContainerEx.h"
#include "widget/ImageEx.h"
#include "widget/Rounding.h"
#include "widget/SkinText.h"
#include "widget/ThrobberEx.h"

namespace varnika {
namespace {

constexpr int kHandCursor = 13;
constexpr int kSlideStep = 15;
constexpr std::u16string_view kSiteLink = u"/?linkid=7930";
constexpr std::string_view kAutostartName = "Varnika";

// The opacity step of a panel: 255 / (height / 15), the inner division in
// single precision, taken to the nearest integer.
int OpacityStep(int slider_height) {
  const float steps = static_cast<float>(slider_height) / 15.0f;
  return static_cast<int>(RoundHalfEven(255.0 / static_cast<double>(steps)));
}

}  // namespace

void TMainWindow::WMCommand(TWidgetMessage& message) {
  if (message.WParam >= 65536) return;  // a notification, not a command
  switch (LoWord(message.WParam)) {
    case IDM_ABOUT:
      ToggleAbout();
      break;
    case IDM_OPTIONS:
      ToggleOptions();
      break;
    case IDM_CLOSE:
      CloseWidget();
      break;
    case IDM_REFRESH:
      RefreshFeed();
      break;
    default:
      break;
  }
}

void TMainWindow::TrayMouseUp(int keys) {
  if (!(keys & MK_RBUTTON) || !menu_) return;
  SetForegroundWindow(Handle());
  DrainMessages();
  ShowMenu();
}

void TMainWindow::ShowFromTray() {
  if (!IsWindowVisible(Handle())) ShowWindow(Handle(), SW_SHOW);
  SetForegroundWindow(Handle());
  // Grown at once: the activation comes back from the window manager later,
  // or not at all when it refuses to hand over the focus.
  if (collapsed_) Zoom(true);
}

void TMainWindow::CloseWidget() {
  closing_ = true;
  FadeOut(*this, 4, 1);
  SendMessageW(Handle(), WM_CLOSE, 0, 0);
}

// --- panels ---------------------------------------------------------------------

void TMainWindow::CreateOptionsPanel() {
  const auto drag_or_menu = [this](TControl*, int keys, int, int) { DragOrMenu(keys); };
  options_panel_ = Place<TControlEx>(background_, 35, 61, 385, 183);
  options_panel_->OnMouseDown = drag_or_menu;
  options_panel_->Hide();

  options_slider_ = Place<TImageEx>(options_panel_, 0, -183, 385, 183);
  options_slider_->SetImageLater(5005);
  options_slider_->SetOpacity(0);
  options_slider_->OnMouseDown = drag_or_menu;
  options_slider_->Show();

  startup_box_ = CreateCheckBox(options_slider_, 20, IDS_STARTUPOPTION);
  startup_box_->OnClick = [this](TControl*, int, int, int) { ToggleStartup(); };
  always_top_box_ = CreateCheckBox(options_slider_, startup_box_->Top() + startup_box_->Height() + 8,
                                   IDS_ALWAYSTOPOPTION);
  always_top_box_->OnClick = [this](TControl*, int, int, int) { ToggleAlwaysTop(); };
  tray_box_ = CreateCheckBox(options_slider_, always_top_box_->Top() + always_top_box_->Height() + 8,
                             IDS_TRAYOPTION);
  tray_box_->OnClick = [this](TControl*, int, int, int) { ToggleTray(); };
  auto_scale_box_ = CreateCheckBox(options_slider_, tray_box_->Top() + tray_box_->Height() + 8,
                                   IDS_AUTOSCALEOPTION);
  auto_scale_box_->OnClick = [this](TControl*, int, int, int) { ToggleAutoScale(); };

  options_close_ = Place<TImageEx>(options_slider_, options_slider_->Width() - 25,
                                   options_slider_->Height() - 30, 1, 1);
  options_close_->SetImageLater(5006);
  options_close_->SetCursor(kHandCursor);
  options_close_->SetHint(LoadStringW(IDS_CLOSEHINT));
  options_close_->OnClick = [this](TControl*, int, int, int) { HideOptions(); };
  options_close_->Show();
  options_close_->SetShowHint(true);
}

TCheckBoxEx* TMainWindow::CreateCheckBox(TControl* parent, int top, UINT caption_id) {
  auto* box = Place<TCheckBoxEx>(parent, 40, top, 300, 20);
  box->Canvas().SetAntialias(false);
  box->Canvas().StringFormat().SetLineAlignment(StringAlignmentCenter);
  box->Font().SetName(u"Trebuchet MS");
  box->Font().SetSize(9);
  box->Font().SetColor(0xCF000000);
  box->SetCaption(LoadStringW(caption_id));
  box->Show();
  return box;
}

void TMainWindow::CreateAboutPanel() {
  const auto drag_or_menu = [this](TControl*, int keys, int, int) { DragOrMenu(keys); };
  about_panel_ = Place<TControlEx>(background_, (Width() - 385 - 20) / 2, 61, 385, 224);
  about_panel_->OnMouseDown = drag_or_menu;
  about_panel_->Hide();

  about_slider_ = Place<TControlEx>(about_panel_, 0, -224, 385, 224);
  about_slider_->SetOpacity(0);
  about_slider_->OnMouseDown = drag_or_menu;
  about_slider_->Show();

  about_image_ = Place<TImageEx>(about_slider_, 25, 0, 1, 1);
  about_image_->SetImageLater(5009);
  about_image_->OnMouseDown = drag_or_menu;
  about_image_->Show();

  about_icon_ = Place<TImageEx>(about_image_, 35, 35, 1, 1);
  about_icon_->SetImageLater(5010);
  about_icon_->SetEnabled(false);
  about_icon_->Show();

  about_title_ = Place<TSkinText>(about_image_, 130, 45, 149, 46);
  about_title_->Shadow().Enabled = false;
  about_title_->SetAutoSize(false);
  about_title_->Canvas().SetAntialias(true);
  about_title_->Font().SetName(u"Impact");
  about_title_->Font().SetSize(20);
  about_title_->Font().SetColor(0xFF333333);
  about_title_->Canvas().StringFormat().SetAlignment(StringAlignmentNear);
  about_title_->Canvas().StringFormat().SetLineAlignment(StringAlignmentCenter);
  about_title_->SetData(LoadStringW(IDS_PRODUCTNAME));
  about_title_->SetEnabled(false);
  about_title_->Show();

  about_text_ = Place<TSkinText>(about_image_, 138, 85, 180, 70);
  about_text_->Shadow().Enabled = false;
  about_text_->SetAutoSize(false);
  about_text_->Canvas().SetAntialias(false);
  about_text_->Font().SetName(u"Trebuchet MS");
  about_text_->Font().SetSize(8);
  about_text_->Font().SetColor(0xFF404040);
  about_text_->Canvas().StringFormat().SetAlignment(StringAlignmentNear);
  about_text_->Canvas().StringFormat().SetLineAlignment(StringAlignmentNear);
  about_text_->SetData(LoadStringW(IDS_ABOUTTEXT));
  about_text_->SetEnabled(false);
  about_text_->Show();

  about_link_ = Place<TSkinText>(about_image_, 138, 165, 120, 25);
  about_link_->Shadow().Enabled = false;
  about_link_->SetAutoSize(false);  // fitted to its text when first shown
  about_link_->Canvas().SetAntialias(false);
  about_link_->Font().SetName(u"Trebuchet MS");
  about_link_->Font().SetSize(8);
  about_link_->Font().SetStyle(1);
  about_link_->Font().SetColor(0xFF4040FF);
  about_link_->Canvas().StringFormat().SetAlignment(StringAlignmentNear);
  about_link_->Canvas().StringFormat().SetLineAlignment(StringAlignmentCenter);
  about_link_->SetCursor(kHandCursor);
  about_link_->SetData(LoadStringW(IDS_ABOUTLINK));
  about_link_->OnClick = [this](TControl*, int, int, int) { OpenSite(); };
  about_link_->Show();

  about_close_ = Place<TImageEx>(about_image_, about_image_->Width() - 21 - 25, 20, 21, 21);
  about_close_->SetImageLater(5011);
  about_close_->SetCursor(kHandCursor);
  about_close_->SetHint(LoadStringW(IDS_CLOSEHINT));
  about_close_->OnClick = [this](TControl*, int, int, int) { HideAbout(); };
  about_close_->Show();
  about_close_->SetShowHint(true);
}

void TMainWindow::ToggleAbout() {
  if (options_panel_->Visible()) HideOptions();
  if (about_panel_->Visible()) {
    HideAbout();
  } else {
    ShowAbout();
  }
}

void TMainWindow::ToggleOptions() {
  if (about_panel_->Visible()) HideAbout();
  if (options_panel_->Visible()) {
    HideOptions();
  } else {
    ShowOptions();
  }
}

void TMainWindow::BuildOptionsPixels() {
  if (std::exchange(options_pixels_, true)) return;
  options_slider_->LoadPendingImage();
  options_slider_->Image()->Fade(240);
  options_slider_->Image()->Tint(0xFFF0F0F0);
  options_close_->LoadPendingImage();
  const auto unchecked = TBitmapEx::CreateFromResource(ModuleInstance(), 5007, u"PNG");
  const auto checked = TBitmapEx::CreateFromResource(ModuleInstance(), 5008, u"PNG");
  for (TCheckBoxEx* box : {startup_box_, always_top_box_, tray_box_, auto_scale_box_}) {
    box->States().SetUncheckedImage(unchecked->Clone());
    box->States().SetCheckedImage(checked->Clone());
  }
}

void TMainWindow::BuildAboutPixels() {
  if (std::exchange(about_pixels_, true)) return;
  about_image_->LoadPendingImage();
  about_icon_->LoadPendingImage();
  about_close_->LoadPendingImage();
  about_link_->SetAutoSize(true);
}

void TMainWindow::ShowAbout() {
  BuildAboutPixels();
  SlideIn(*about_panel_, *about_slider_, OpacityStep(about_slider_->Height()));
}
void TMainWindow::HideAbout() { SlideOut(*about_panel_, *about_slider_, OpacityStep(about_slider_->Height())); }
void TMainWindow::ShowOptions() {
  BuildOptionsPixels();
  SlideIn(*options_panel_, *options_slider_, OpacityStep(options_slider_->Height()));
}
void TMainWindow::HideOptions() {
  SlideOut(*options_panel_, *options_slider_, OpacityStep(options_slider_->Height()));
}

void TMainWindow::SlideIn(TControlEx& host, TControlEx& slider, int step) {
  host.SetVisible(true);
  Invalidate();
  news_box_->SetLocked(true);
  slider.SetLocked(true);
  while (slider.Top() + kSlideStep < 0) {
    slider.SetTop(slider.Top() + kSlideStep);
    if (slider.Opacity() + step < 255) slider.SetOpacity(static_cast<BYTE>(slider.Opacity() + step));
    Invalidate();
  }
  slider.SetOpacity(255);
  slider.SetTop(0);
  slider.SetLocked(false);
  news_box_->SetLocked(false);
  Invalidate();
}

void TMainWindow::SlideOut(TControlEx& host, TControlEx& slider, int step) {
  const int height = slider.Height();
  news_box_->SetLocked(true);
  slider.SetLocked(true);
  while (slider.Top() - kSlideStep > -height) {
    slider.SetTop(slider.Top() - kSlideStep);
    if (slider.Opacity() - step > 0) slider.SetOpacity(static_cast<BYTE>(slider.Opacity() - step));
    Invalidate();
  }
  slider.SetOpacity(0);
  slider.SetTop(-height);
  host.SetVisible(false);
  slider.SetLocked(false);
  news_box_->SetLocked(false);
  Invalidate();
}

// --- option check boxes ---------------------------------------------------------------

void TMainWindow::ToggleStartup() {
  startup_box_->SetChecked(!startup_box_->Checked());
  SetAutoStart(kAutostartName, QuotedExecutablePath(), startup_box_->Checked());
  OptionChanged();
}

bool TMainWindow::StartupInstalled() {
  // An options file that could not be read is no first run.
  if (options_->Readable() && !options_->StartupStored()) {
    SetAutoStart(kAutostartName, QuotedExecutablePath(), options_->ReadStartup());
  }
  return AutostartEntryExists(kAutostartName);
}

void TMainWindow::ToggleAlwaysTop() {
  always_top_box_->SetChecked(!always_top_box_->Checked());
  SetAlwaysTop(always_top_box_->Checked());
  OptionChanged();
}

void TMainWindow::ToggleTray() {
  tray_box_->SetChecked(!tray_box_->Checked());
  tray_icon_->SetVisibleTray(tray_box_->Checked());
  OptionChanged();
}

void TMainWindow::ToggleAutoScale() {
  auto_scale_box_->SetChecked(!auto_scale_box_->Checked());
  auto_scale_ = auto_scale_box_->Checked();
  OptionChanged();
}

void TMainWindow::OptionChanged() {
  Invalidate();
  try {
    SaveOptions();
  } catch (const Exception&) {
    // The option still holds for this run; the file keeps its last state.
  }
}

void TMainWindow::OpenSite() { OpenRedirect(kSiteLink, SW_SHOWNORMAL); }

}  // namespace varnika
