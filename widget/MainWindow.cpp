#include "widget/MainWindow.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <limits>

#include "base/Stream.h"
#include "platform/Icons.h"
#include "platform/Input.h"
#include "platform/Layered.h"
#include "platform/Menu.h"
#include "platform/MessageLoop.h"
#include "platform/Monitors.h"
#include "platform/Window.h"
#include "resources/StringTable.h"
#include "toolkit/BitmapEx.h"
#include "toolkit/Desktop.h"
#include "toolkit/ToolTip.h"
#include "toolkit/TrayIcon.h"
#include "widget/BitmapControls.h"
#include "widget/CheckBoxEx.h"
#include "widget/ContainerEx.h"
#include "widget/ContentEx.h"
#include "widget/ImageEx.h"
#include "widget/NewsScroll.h"
#include "widget/Rounding.h"
#include "widget/Servers.h"
#include "widget/SkinText.h"
#include "widget/ThrobberEx.h"

namespace varnika {
namespace {

constexpr int kWidth = 475;
constexpr int kHeight = 350;
constexpr int kHandCursor = 13;
constexpr int kSnapDistance = 8;
constexpr WPARAM kMoveByCaption = 0xF012;
constexpr UINT kMenuFlags = 0x40;  // TPM_VERTICAL
// The maker's site, as the footer link shows it.
constexpr std::u16string_view kSiteName = u"telvoran.example";

std::unique_ptr<TBitmapEx> Png(int id) { return TBitmapEx::CreateFromResource(ModuleInstance(), id, u"PNG"); }

}  // namespace

TServers TServers::Defaults() { return TServers{kNewsHost, kUpdateHost, kLinkHost, kCounterHost}; }

TMainWindow::TMainWindow(TComponent* owner) : TWindowEx(owner), servers_(TServers::Defaults()) {
  SetLeft(0);
  SetTop(0);
  SetWidth(kWidth);
  SetHeight(kHeight);
  SetAlwaysTop(true);
  OnMouseDown = [this](TControl*, int keys, int, int) { DragOrMenu(keys); };
  OnActivate = [this](TControl*, WORD activation, HWND other) { ActivationChanged(activation, other); };
}

TMainWindow::~TMainWindow() = default;

std::u16string TMainWindow::CacheFileName() const { return data_path_ + u"/news.xml"; }

std::u16string TMainWindow::OptionsFileName() const { return data_path_ + u"/options.ini"; }

RECT TMainWindow::PlaceAt(int x, int y) const {
  // Held within 32 bits: a stored place may lie at the very end of the range.
  const auto edge = [](std::int64_t v) {
    return static_cast<LONG>(std::clamp<std::int64_t>(v, std::numeric_limits<LONG>::min(),
                                                      std::numeric_limits<LONG>::max()));
  };
  return RECT{x, y, edge(std::int64_t{x} + Width()), edge(std::int64_t{y} + Height())};
}

RECT TMainWindow::WorkAreaAt(int x, int y) const {
  RECT area;
  if (desktop_) {
    desktop_->GetWorkAreaOf(PlaceAt(x, y), area);
  } else {
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
  }
  return area;
}

void TMainWindow::BringOntoScreen(int& x, int& y) const {
  const RECT place = PlaceAt(x, y);
  if (MonitorFromRect(&place, MONITOR_DEFAULTTONULL)) return;
  const RECT area = WorkAreaAt(x, y);
  x = std::clamp(x, static_cast<int>(area.left), std::max<int>(area.left, area.right - Width()));
  y = std::clamp(y, static_cast<int>(area.top), std::max<int>(area.top, area.bottom - Height()));
}

// --- dispatch ------------------------------------------------------------------

struct TMainWindowDispatch {
  using Handler = void (TMainWindow::*)(TWidgetMessage&);
  struct Row {
    UINT msg;
    Handler handler;
  };
  static constexpr std::array<Row, 14> kTable{{
      {WM_TIMER, &TMainWindow::WMTimer},
      {WM_COMMAND, &TMainWindow::WMCommand},
      {WM_QUERYENDSESSION, &TMainWindow::WMQueryEndSession},
      {WM_ENDSESSION, &TMainWindow::WMEndSession},
      {WM_DISPLAYCHANGE, &TMainWindow::WMDisplayChange},
      {WM_COPYDATA, &TMainWindow::WMCopyData},
      {WM_UPDATECHECKDONE, &TMainWindow::UpdateCheckDone},
      {WM_COUNTERDONE, &TMainWindow::CounterDone},
      {WM_FEEDDONE, &TMainWindow::FeedDone},
      {WM_FEEDREADDONE, &TMainWindow::FeedReadDone},
      {WM_CACHEREADDONE, &TMainWindow::CacheReadDone},
      {WM_WIDGETRESERVED, &TMainWindow::WMReserved},
      {WM_WIDGETCLOSE, &TMainWindow::WMCloseRequest},
      {WM_WIDGETRELOADFEED, &TMainWindow::ReloadFeedAddress},
  }};
};

void TMainWindow::WndProc(TWidgetMessage& message) {
  // Input to any of the widget's controls moves LastInputTick; the mouse
  // over the face and every click also reach this window (cursor and
  // activation messages), so a sleeping idle check wakes up here.
  if (idle_asleep_ && LastInputTick != idle_input_tick_) WakeIdleCheck();
  for (const auto& row : TMainWindowDispatch::kTable) {
    if (row.msg == message.Msg) {
      (this->*row.handler)(message);
      return;
    }
  }
  TWindowEx::WndProc(message);
}

void TMainWindow::WMDestroy(TWidgetMessage& message) {
  TWindowEx::WMDestroy(message);
  PostQuitMessage(0);
}

void TMainWindow::WMClose(TWidgetMessage& message) {
  ReleaseAll();
  TWindowEx::WMClose(message);
}

void TMainWindow::WMQueryEndSession(TWidgetMessage& message) {
  message.Result = 1;
  ReleaseAll();
}

void TMainWindow::WMEndSession(TWidgetMessage&) {}
void TMainWindow::WMDisplayChange(TWidgetMessage&) {}
void TMainWindow::WMCopyData(TWidgetMessage&) {}
void TMainWindow::WMReserved(TWidgetMessage&) {}
void TMainWindow::WMCloseRequest(TWidgetMessage&) { CloseWidget(); }

// --- building --------------------------------------------------------------------

void TMainWindow::DoCreate() {
  window_icon_ = LoadIconW(ModuleInstance(), MakeIntResourceW(101));
  SendMessageW(Handle(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(window_icon_));
  menu_ = LoadMenuW(ModuleInstance(), MakeIntResourceW(101));
  // Saves that a killed process left half-written are of no use to anyone.
  RemoveStaleTempFiles(OptionsFileName());
  RemoveStaleTempFiles(CacheFileName());
  options_ = std::make_unique<TOptions>(OptionsFileName());

  tool_tip_ = new TToolTip(this);
  tool_tip_->SetParentWindow(nullptr);
  ToolTipWindow = tool_tip_->Handle();
  tool_tip_->SetEnableTip(true);

  tray_icon_ = new TTrayIcon(this);
  tray_icon_->SetParentWindow(nullptr);
  tray_icon_->SetIcon(LoadIconW(ModuleInstance(), MakeIntResourceW(101)));
  tray_icon_->OnMouseUp = [this](TControl*, int keys, int, int) { TrayMouseUp(keys); };
  tray_icon_->OnClick = [this](TControl*) { ShowFromTray(); };
  tray_icon_->Handle();
  tray_icon_->SetHintText(LoadStringW(IDS_TRAYTIP));
  tray_icon_->SetVisibleTray(options_->ReadShowTray());

  CreateControls();
  CreateTimers();
  StartCacheRead();
}

void TMainWindow::CreateControls() {
  Canvas().SetInterpolationMode(6);
  CreateFace();
  CreateNewsBox();
  UpdateScrollBar();
  CreateOptionsPanel();
  CreateAboutPanel();
  CreateFooter();
  ApplyOptions();
}

void TMainWindow::CreateFace() {
  const auto drag_or_menu = [this](TControl*, int keys, int, int) { DragOrMenu(keys); };
  root_ = Place<TControlEx>(this, 0, 0, kWidth, kHeight);
  root_->OnMouseDown = drag_or_menu;
  // The root only holds the face. Grown, the root and the background share
  // the window's canvas: the background and everything on it draw straight
  // into it. Shrunk, the root is 1 x 1 and the background paints a canvas of
  // its own, the picture that the window shows scaled down.
  root_->SetSharesParentCanvas(true);
  root_->Show();

  background_ = Place<TBackgroundEx>(root_, 0, 0, kWidth, kHeight);
  background_->SetBitmap(Png(5002));
  background_->OnMouseDown = drag_or_menu;
  background_->SetSharesParentCanvas(true);
  background_->Show();

  logo_ = Place<TImageEx>(background_, 20, 19, 1, 1);
  logo_->SetImage(5004);
  logo_->SetEnabled(false);
  logo_->Show();

  close_button_ = Place<TImageEx>(background_, Width() - 49, 25, 1, 1);
  close_button_->SetImage(5012);
  close_button_->SetCursor(kHandCursor);
  close_button_->SetHint(LoadStringW(IDS_CLOSEHINT));
  close_button_->OnClick = [this](TControl*, int, int, int) { CloseWidget(); };
  close_button_->Show();
  close_button_->SetShowHint(true);

  options_button_ = Place<TImageEx>(background_, close_button_->Left() - 25, 25, 1, 1);
  options_button_->SetImage(5013);
  options_button_->SetCursor(kHandCursor);
  options_button_->SetHint(LoadStringW(IDS_OPTIONSHINT));
  options_button_->OnClick = [this](TControl*, int, int, int) { ToggleOptions(); };
  options_button_->Show();
  options_button_->SetShowHint(true);
}

void TMainWindow::CreateNewsBox() {
  news_box_ = Place<TContainerEx>(background_, 30, 75, 415, 213);
  news_box_->Show();

  news_list_ = Place<TContentEx>(news_box_, 0, 0, news_box_->Width() - 25, news_box_->Height());
  news_list_->Canvas().SetAntialias(false);
  news_list_->Font().SetName(u"Trebuchet MS");
  news_list_->Font().SetSize(9);
  news_list_->SetCached(true);
  news_list_->OnDrag = [this](TControl*, int, int, int) { StartMove(); };
  news_list_->OnMouseDown = [this](TControl*, int keys, int, int) {
    if (keys & MK_RBUTTON) ShowMenu();
  };
  // A long list is measured in slices after its first screens are shown;
  // each slice makes it taller and moves the thumb. At the top of a list
  // that already overflows its box nothing that shows changes, and the
  // window is not repainted for it.
  news_list_->OnMeasured = [this](TControl*) {
    if (news_list_->Top() == 0 && thumb_->Top() == 0 && scroller_->Visible()) return;
    UpdateScrollBar();
    if (collapsed_) RefreshCollapsedPicture();
  };
  news_list_->Show();

  scroller_ = Place<TScrollerEx>(news_box_, news_box_->Width() - 20, 0, 20, news_box_->Height());
  scroller_->SetBitmap(Png(5000));
  scroller_->Show();

  thumb_ = Place<TThumbEx>(scroller_, 1, 0, 18, 70);
  thumb_->SetBitmap(Png(5001));
  thumb_->Show();

  news_box_->SetScroller(scroller_);
  news_box_->SetContent(news_list_);
  news_box_->SetThumb(thumb_);
  // The list and the thumb scroll by keys, the track pages, the thumb
  // drags, and the window's wheel scrolls.
  scroll_ = std::make_unique<TNewsScroll>(*this, *news_box_, *news_list_, *scroller_, *thumb_);
  scroll_->BindEvents();
}

void TMainWindow::ScrollBy(int delta) {
  if (scroll_) scroll_->ScrollBy(delta);
}

void TMainWindow::UpdateScrollBar() {
  if (scroll_) scroll_->UpdateScrollBar();
}

void TMainWindow::CreateFooter() {
  status_text_ = Place<TSkinText>(background_, 44, 301, 110, 18);
  status_text_->Shadow().Enabled = false;
  status_text_->Canvas().SetAntialias(false);
  status_text_->Canvas().StringFormat().SetLineAlignment(StringAlignmentCenter);
  status_text_->Font().SetName(u"Trebuchet MS");
  status_text_->Font().SetSize(8);
  status_text_->Font().SetColor(0xAFFFFFFF);
  status_text_->SetData(LoadStringW(IDS_UPDATING));
  status_text_->Hide();

  site_link_ = Place<TSkinText>(background_, background_->Width() - 105, 300, 110, 18);
  site_link_->Shadow().Enabled = false;
  site_link_->Canvas().SetAntialias(false);
  site_link_->Canvas().StringFormat().SetLineAlignment(StringAlignmentFar);
  site_link_->Font().SetName(u"Trebuchet MS");
  site_link_->Font().SetSize(8);
  site_link_->Font().SetColor(0xAFFFFFFF);
  site_link_->SetCursor(kHandCursor);
  site_link_->SetData(std::u16string(kSiteName));
  site_link_->SetHint(LoadStringW(IDS_SITEHINT));
  site_link_->OnClick = [this](TControl*, int, int, int) { OpenSite(); };
  site_link_->Show();
  site_link_->SetShowHint(true);

  throbber_ = Place<TThrobberEx>(background_, 26, 301, 18, 18);
  throbber_->Hide();
}

// --- options ---------------------------------------------------------------------

void TMainWindow::ApplyOptions() {
  // While the window is being created its messages do not reach this
  // object yet, so the stored place is snapped here as a move would be.
  int left = options_->ReadLeft();
  int top = options_->ReadTop();
  BringOntoScreen(left, top);
  SnapToWorkArea(left, top, Width(), Height());
  SetLeft(left);
  SetTop(top);
  startup_box_->SetChecked(StartupInstalled());
  always_top_box_->SetChecked(options_->ReadAlwaysTop());
  tray_box_->SetChecked(options_->ReadShowTray());
  auto_scale_box_->SetChecked(options_->ReadAutoScale());
  tray_icon_->SetVisibleTray(tray_box_->Checked());
  auto_scale_ = auto_scale_box_->Checked();
  SetAlwaysTop(always_top_box_->Checked());
}

void TMainWindow::SaveOptions() {
  if (!options_) return;
  const POINT place = FullPlace();
  options_->WriteLeft(place.x);
  options_->WriteTop(place.y);
  options_->WriteStartup(startup_box_->Checked());
  options_->WriteAlwaysTop(always_top_box_->Checked());
  options_->WriteShowTray(tray_box_->Checked());
  options_->WriteAutoScale(auto_scale_box_->Checked());
  options_->UpdateFile();
}

// --- release ---------------------------------------------------------------------

void TMainWindow::ReleaseAll() {
  // Freeing a running download aborts it; its completion is never posted.
  feed_thread_.reset();
  feed_read_.reset();
  cache_read_.reset();
  update_thread_.reset();
  counter_thread_.reset();
  refresh_timer_.reset();
  busy_timer_.reset();
  start_timer_.reset();
  idle_timer_.reset();
  counter_timer_.reset();
  if (tray_icon_ && tray_icon_->HasWindow()) SendMessageW(tray_icon_->WindowHandle(), WM_CLOSE, 0, 0);
  if (ToolTipWindow) {
    SendMessageW(ToolTipWindow, WM_CLOSE, 0, 0);
    ToolTipWindow = nullptr;
  }
  if (options_) {
    // A file that cannot be written must not keep the widget from closing.
    try {
      SaveOptions();
    } catch (const Exception&) {
    }
    options_.reset();
  }
  if (menu_) {
    DestroyMenu(menu_);
    menu_ = nullptr;
  }
  if (window_icon_) {
    DestroyIcon(window_icon_);
    window_icon_ = nullptr;
  }
}

// --- dragging, menu, snapping ----------------------------------------------------------

void TMainWindow::StartMove() {
  ReleaseCapture();
  SendMessageW(Handle(), WM_SYSCOMMAND, kMoveByCaption, 0);
}

void TMainWindow::DragOrMenu(int keys) {
  if (keys & MK_LBUTTON) {
    StartMove();
  } else if (keys & MK_RBUTTON) {
    ShowMenu();
  }
}

void TMainWindow::ShowMenu() {
  if (!menu_) return;
  POINT pt;
  GetCursorPos(&pt);
  TrackPopupMenuEx(GetSubMenu(menu_, 0), kMenuFlags, pt.x, pt.y, Handle(), nullptr);
}

void TMainWindow::WMWindowPosChanging(TWidgetMessage& message) {
  TWindowEx::WMWindowPosChanging(message);
  auto* pos = reinterpret_cast<WINDOWPOS*>(message.LParam);
  if (!pos || (pos->flags & SWP_NOMOVE)) return;
  const bool sized = !(pos->flags & SWP_NOSIZE);
  SnapToWorkArea(pos->x, pos->y, sized ? pos->cx : Width(), sized ? pos->cy : Height());
}

void TMainWindow::SnapToWorkArea(int& x, int& y, int width, int height) const {
  const RECT area = WorkAreaAt(x, y);
  // In 64 bits: a place may lie anywhere in the 32-bit range.
  const auto near = [](std::int64_t distance) { return -kSnapDistance < distance && distance < kSnapDistance; };
  if (near(std::int64_t{area.bottom} - height - y)) y = area.bottom - height;
  if (near(std::int64_t{y} - area.top)) y = area.top;
  if (near(std::int64_t{area.right} - width - x)) x = area.right - width;
  if (near(std::int64_t{x} - area.left)) x = area.left;
}

POINT TMainWindow::FullPlace() const { return POINT{Left() - picture_offset_.x, Top() - picture_offset_.y}; }

// --- zoom -------------------------------------------------------------------------

void TMainWindow::ActivationChanged(WORD activation, HWND other) {
  if (activation != WA_INACTIVE) {
    Zoom(true);
  } else if (other != WindowHandle()) {
    Zoom(false);
  }
}

void TMainWindow::Zoom(bool expand) {
  if (closing_ || !auto_scale_) return;
  // The full window comes back before it grows, where the picture's corner is.
  if (expand) FitWindow(false);
  // The corner nearest to the window on its monitor's work area.
  const POINT place = FullPlace();
  const RECT area = WorkAreaAt(place.x, place.y);
  const std::int64_t half_width = (std::int64_t{area.right} - area.left) / 2;
  const std::int64_t half_height = (std::int64_t{area.bottom} - area.top) / 2;
  corner_ = half_width > std::int64_t{place.x} - area.left ? 0 : 2;
  if (half_height < std::int64_t{place.y} - area.top) corner_ += 1;
  // Sums and differences in double are exact for these floats; each result
  // is rounded to float when stored.
  if (expand) {
    collapse_done_ = false;
    while (static_cast<double>(scale_) + scale_step_ <= max_scale_) {
      scale_ = static_cast<float>(static_cast<double>(scale_) + scale_step_);
      Paint();
      UpdateLayer();
    }
    collapsed_ = false;
    root_->SetSize(kWidth, kHeight);
    Invalidate();
  } else {
    collapsed_ = true;
    root_->SetSize(1, 1);
    background_->Repaint();  // its own canvas now: the picture to shrink
    while (static_cast<double>(scale_) - scale_step_ >= min_scale_) {
      scale_ = static_cast<float>(static_cast<double>(scale_) - scale_step_);
      Paint();
      UpdateLayer();
    }
    collapse_done_ = true;
    FitWindow(true);
    Invalidate();
  }
}

// Shrunk, the window takes only the picture's rectangle in its corner, so
// nothing invisible around it takes clicks; grown, the whole face again.
void TMainWindow::FitWindow(bool to_picture) {
  const POINT place = FullPlace();
  if (!to_picture) {
    if (picture_offset_.x == 0 && picture_offset_.y == 0 && Width() == kWidth && Height() == kHeight) return;
    picture_offset_ = POINT{0, 0};
    SetBounds(place.x, place.y, kWidth, kHeight);
    return;
  }
  const RECT picture = PictureRect();
  picture_offset_ = POINT{picture.left, picture.top};
  SetBounds(place.x + picture.left, place.y + picture.top, picture.right - picture.left,
            picture.bottom - picture.top);
}

// The shrunken picture within the full face, at the present scale and corner.
RECT TMainWindow::PictureRect() const {
  const int w = static_cast<int>(RoundHalfEven(kWidth * static_cast<double>(scale_)));
  const int h = static_cast<int>(RoundHalfEven(kHeight * static_cast<double>(scale_)));
  const int x = (corner_ & 2) ? kWidth - w : 0;
  const int y = (corner_ & 1) ? kHeight - h : 0;
  return RECT{x, y, x + w, y + h};
}

void TMainWindow::Paint() {
  TWindowEx::Paint();
  if (!collapsed_ || !background_) return;
  const RECT rect = PictureRect();
  const int x = rect.left - picture_offset_.x;
  const int y = rect.top - picture_offset_.y;
  const int w = rect.right - rect.left;
  const int h = rect.bottom - rect.top;
  const TBitmapEx& picture = background_->Canvas().Bitmap();
  if (collapse_done_) {
    Canvas().StretchDrawSmooth(picture, x, y, w, h);
  } else {
    Canvas().StretchDraw(picture, x, y, w, h);
  }
}

}  // namespace varnika
