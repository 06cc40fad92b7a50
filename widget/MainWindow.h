// The widget: one top-level layered window of 475 x 350 pixels that carries
// every skin control and owns the options store, the tray icon, the tooltip,
// the window timers and the downloads. Creating its native window builds
// the whole face (DoCreate); closing it releases everything (ReleaseAll).
//
// The window lives in three files: MainWindow.cpp (building, layout,
// dispatch, dragging, snapping, zoom, scrolling, release), RefreshCycle.cpp
// (timers, downloads, the feed cache and the update offer) and Commands.cpp
// (menu, panels, option check boxes, close, links).
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "net/InetThread.h"
#include "widget/FeedRead.h"
#include "platform/Messages.h"
#include "toolkit/WinTimer.h"
#include "toolkit/WindowEx.h"
#include "widget/FeedAddress.h"
#include "widget/FeedCacheHeaders.h"
#include "widget/Options.h"

namespace varnika {

class TBackgroundEx;
class TCheckBoxEx;
class TContainerEx;
class TContentEx;
class TImageEx;
class TNewsScroll;
class TScrollerEx;
class TSkinText;
class TThrobberEx;
class TThumbEx;
class TToolTip;
class TTrayIcon;
class TDesktop;

// Timer identifiers.
enum : UINT {
  kStartTimerId = 1001,
  kIdleTimerId = 1002,
  kRefreshTimerId = 1003,
  kCounterTimerId = 1004,
  kBusyTimerId = 1005,
};

// Completion messages of the three kinds of download, and the messages
// another process may send.
enum : UINT {
  WM_UPDATECHECKDONE = WM_USER + 17,  // 1041
  WM_COUNTERDONE = WM_USER + 20,      // 1044
  WM_FEEDDONE = WM_USER + 23,         // 1047
  WM_FEEDREADDONE = WM_USER + 25,     // 1049: a downloaded body has been read
  WM_CACHEREADDONE = WM_USER + 26,    // 1050: the cache file has been read
  WM_WIDGETRESERVED = 0x9332,         // 37682: nothing
  WM_WIDGETCLOSE = 0x9333,            // 37683: fade out and close
  WM_WIDGETRELOADFEED = 0x9334,       // 37684: read the feed address again and refresh
};

// Where the widget's downloads go. The defaults are the build settings; an
// empty host switches its requests off (nothing is looked up or sent).
struct TServers {
  std::string news_host;
  std::string update_host;
  std::string link_host;
  std::string counter_host;
  static TServers Defaults();
};

class TMainWindow : public TWindowEx {
 public:
  explicit TMainWindow(TComponent* owner);
  ~TMainWindow() override;

  // --- set before the window is created ------------------------------------
  // The per-user data folder (options.ini and news.xml live there).
  const std::u16string& DataPath() const { return data_path_; }
  void SetDataPath(std::u16string path) { data_path_ = std::move(path); }
  const TServers& Servers() const { return servers_; }
  void SetServers(TServers servers) { servers_ = std::move(servers); }
  // The desktop whose work area places, snaps and anchors the window.
  TDesktop* Desktop() const { return desktop_; }
  void SetDesktop(TDesktop* desktop) { desktop_ = desktop; }

  // --- operations ------------------------------------------------------------
  void ApplyOptions();
  void SaveOptions();
  void ReleaseAll();
  void ShowMenu();
  void Zoom(bool expand);
  void ScrollBy(int delta);
  void UpdateScrollBar();
  std::u16string CacheFileName() const;
  std::u16string OptionsFileName() const;

  void RefreshFeed();
  void CheckForUpdate();
  void PingCounter();
  void SetBusy(bool busy);
  // The text of /data/version in an update file, "" when there is none.
  static std::string ReadVersion(std::string_view text);
  // Whether a server version is newer than ours ("2.0"), comparing dotted
  // numbers part by part.
  static bool IsNewerVersion(std::string_view version);

  void CloseWidget();
  void ToggleAbout();
  void ToggleOptions();
  void ShowAbout();
  void HideAbout();
  void ShowOptions();
  void HideOptions();
  void OpenSite();

  void WndProc(TWidgetMessage& message) override;
  void Paint() override;

  // --- state the tests and the commands read -------------------------------
  float Scale() const { return scale_; }
  bool Collapsed() const { return collapsed_; }
  bool CollapseDone() const { return collapse_done_; }
  int Corner() const { return corner_; }
  bool Closing() const { return closing_; }
  // Whether the heap has been trimmed once after the start.
  bool StartTrimmed() const { return start_trimmed_; }
  bool AutoScale() const { return auto_scale_; }
  void SetAutoScale(bool on) { auto_scale_ = on; }
  TOptions* Options() const { return options_.get(); }
  HMENU Menu() const { return menu_; }
  TTrayIcon* TrayIcon() const { return tray_icon_; }
  TToolTip* ToolTip() const { return tool_tip_; }
  TContentEx* NewsList() const { return news_list_; }
  TContainerEx* NewsBox() const { return news_box_; }
  TScrollerEx* Scroller() const { return scroller_; }
  TThumbEx* Thumb() const { return thumb_; }
  TControlEx* Root() const { return root_; }
  TBackgroundEx* Background() const { return background_; }
  TImageEx* CloseButton() const { return close_button_; }
  TImageEx* OptionsButton() const { return options_button_; }
  TThrobberEx* Throbber() const { return throbber_; }
  TSkinText* StatusText() const { return status_text_; }
  TSkinText* SiteLink() const { return site_link_; }
  TControlEx* AboutPanel() const { return about_panel_; }
  TControlEx* AboutSlider() const { return about_slider_; }
  TControlEx* OptionsPanel() const { return options_panel_; }
  TImageEx* OptionsSlider() const { return options_slider_; }
  TImageEx* AboutClose() const { return about_close_; }
  TImageEx* OptionsClose() const { return options_close_; }
  TSkinText* AboutLink() const { return about_link_; }
  TCheckBoxEx* StartupBox() const { return startup_box_; }
  TCheckBoxEx* AlwaysTopBox() const { return always_top_box_; }
  TCheckBoxEx* TrayBox() const { return tray_box_; }
  TCheckBoxEx* AutoScaleBox() const { return auto_scale_box_; }
  TInternetThread* FeedThread() const { return feed_thread_.get(); }
  TInternetThread* UpdateThread() const { return update_thread_.get(); }
  TInternetThread* CounterThread() const { return counter_thread_.get(); }
  TFeedRead* FeedRead() const { return feed_read_.get(); }
  TFeedRead* CacheRead() const { return cache_read_.get(); }
  TWinTimer* RefreshTimer() const { return refresh_timer_.get(); }
  TWinTimer* BusyTimer() const { return busy_timer_.get(); }
  TWinTimer* IdleTimer() const { return idle_timer_.get(); }
  TWinTimer* StartTimer() const { return start_timer_.get(); }
  TWinTimer* CounterTimer() const { return counter_timer_.get(); }
  TNewsScroll* Scroll() const { return scroll_.get(); }

 protected:
  void DoCreate() override;
  void WMDestroy(TWidgetMessage& message) override;
  void WMWindowPosChanging(TWidgetMessage& message) override;
  void WMCommand(TWidgetMessage& message) override;
  void WMClose(TWidgetMessage& message) override;
  void WMTimer(TWidgetMessage& message) override;

  virtual void WMQueryEndSession(TWidgetMessage& message);
  virtual void WMEndSession(TWidgetMessage& message);
  virtual void WMDisplayChange(TWidgetMessage& message);
  virtual void WMCopyData(TWidgetMessage& message);
  virtual void UpdateCheckDone(TWidgetMessage& message);
  virtual void CounterDone(TWidgetMessage& message);
  virtual void FeedDone(TWidgetMessage& message);
  virtual void FeedReadDone(TWidgetMessage& message);
  virtual void CacheReadDone(TWidgetMessage& message);
  virtual void WMReserved(TWidgetMessage& message);
  virtual void WMCloseRequest(TWidgetMessage& message);
  virtual void ReloadFeedAddress(TWidgetMessage& message);
  // Starts one download whose end posts message to the window; throws when
  // the thread cannot be started.
  virtual std::unique_ptr<TInternetThread> NewDownload(UINT message, const std::string& host,
                                                       const std::string& object, bool secure);

 private:
  friend struct TMainWindowDispatch;

  // Building (MainWindow.cpp, Commands.cpp). Place makes a control owned
  // by the window, on parent, at the given place.
  template <typename T>
  T* Place(TControl* parent, int left, int top, int width, int height) {
    auto* control = new T(this);
    control->SetParent(parent);
    control->SetLeft(left);
    control->SetTop(top);
    control->SetWidth(width);
    control->SetHeight(height);
    return control;
  }
  void CreateControls();
  void CreateFace();
  void CreateNewsBox();
  void CreateFooter();
  void CreateOptionsPanel();
  void CreateAboutPanel();
  TCheckBoxEx* CreateCheckBox(TControl* parent, int top, UINT caption_id);
  void CreateTimers();
  // The window's rectangle at x, y.
  RECT PlaceAt(int x, int y) const;
  // The work area of the monitor the window would be on at x, y.
  RECT WorkAreaAt(int x, int y) const;
  // A place off every monitor moves onto the nearest monitor's work area.
  void BringOntoScreen(int& x, int& y) const;
  // Edge snapping: a place within 8 pixels of an edge of its monitor's work
  // area becomes flush with it (for a window of the given size).
  void SnapToWorkArea(int& x, int& y, int width, int height) const;
  // Where the full face's top left corner is (the window shows only the
  // picture's corner of it while shrunk).
  POINT FullPlace() const;
  void FitWindow(bool to_picture);
  RECT PictureRect() const;

  // Input handlers bound to the controls.
  void DragOrMenu(int keys);
  void StartMove();
  void ActivationChanged(WORD activation, HWND other);
  void TrayMouseUp(int keys);
  // The tray icon's left click: shows and activates the widget, grown.
  void ShowFromTray();

  // Panels (Commands.cpp).
  // The panels' images are decoded and their link measured when a panel is
  // first shown, just before it slides in: many runs never open them.
  void BuildOptionsPixels();
  void BuildAboutPixels();
  void SlideIn(TControlEx& host, TControlEx& slider, int step);
  void SlideOut(TControlEx& host, TControlEx& slider, int step);
  void ToggleStartup();
  // Whether the autostart entry is there, which the start-up box shows. The
  // first run (no choice stored yet) writes it as the default says.
  bool StartupInstalled();
  void ToggleAlwaysTop();
  void ToggleTray();
  void ToggleAutoScale();
  void OptionChanged();

  // Refresh cycle (RefreshCycle.cpp).
  void StartUpStep();
  void IdleCheck();
  // Starts the idle check again after it trimmed and went to sleep.
  void WakeIdleCheck();
  void BusyStep();
  void TrimAfterStart();
  // The address the feed is fetched from (without its random part): the
  // base of the headlines' relative links.
  std::string FeedPageAddress() const;
  // Whether the body could be written to the cache.
  bool SaveFeedCache(const std::string& body);
  // Whether the cache holds body byte for byte.
  bool CacheHolds(const std::string& body) const;
  // Stores the response's headers beside the cache when they differ from
  // the stored ones; a failure only costs the next download's conditions.
  void StoreFeedHeaders();
  // charset: the one the body was served with ("" : none).
  std::unique_ptr<TFeedRead> StartFeedRead(TFeedRead::Source source, std::string body_or_path, UINT message,
                                           std::string charset);
  void StartCacheRead();
  void ShowHeadlines(std::unique_ptr<TElementList> items);
  // Busy off, the refresh timer started again.
  void EndRefresh();
  void OfferUpdate();
  void OpenRedirect(std::u16string_view link, int show_command);
  std::optional<TFeedAddress> UserFeed() const;
  void RefreshCollapsedPicture();

  std::u16string data_path_;
  TServers servers_;
  TDesktop* desktop_ = nullptr;

  HMENU menu_ = nullptr;
  HICON window_icon_ = nullptr;
  std::unique_ptr<TOptions> options_;
  TToolTip* tool_tip_ = nullptr;
  TTrayIcon* tray_icon_ = nullptr;

  std::unique_ptr<TWinTimer> start_timer_;
  std::unique_ptr<TWinTimer> idle_timer_;
  std::unique_ptr<TWinTimer> busy_timer_;
  std::unique_ptr<TWinTimer> refresh_timer_;
  std::unique_ptr<TWinTimer> counter_timer_;
  // Set when the idle check has trimmed and stopped its timer; input (a new
  // LastInputTick) or a finished feed or update download starts it again.
  bool idle_asleep_ = false;
  DWORD idle_input_tick_ = 0;  // LastInputTick when it went to sleep
  std::unique_ptr<TInternetThread> update_thread_;
  std::unique_ptr<TInternetThread> feed_thread_;
  std::unique_ptr<TInternetThread> counter_thread_;
  // Workers reading a downloaded body and, at start, the cache.
  std::unique_ptr<TFeedRead> feed_read_;
  std::unique_ptr<TFeedRead> cache_read_;
  bool downloaded_headlines_ = false;  // a download's headlines are shown
  bool refresh_after_read_ = false;    // the feed address changed while a body was read

  TControlEx* root_ = nullptr;
  TBackgroundEx* background_ = nullptr;
  TImageEx* logo_ = nullptr;
  TImageEx* close_button_ = nullptr;
  TImageEx* options_button_ = nullptr;
  TContainerEx* news_box_ = nullptr;
  TContentEx* news_list_ = nullptr;
  TScrollerEx* scroller_ = nullptr;
  TThumbEx* thumb_ = nullptr;
  TThrobberEx* throbber_ = nullptr;
  TSkinText* status_text_ = nullptr;
  TSkinText* site_link_ = nullptr;

  TControlEx* options_panel_ = nullptr;
  TImageEx* options_slider_ = nullptr;
  TCheckBoxEx* startup_box_ = nullptr;
  TCheckBoxEx* always_top_box_ = nullptr;
  TCheckBoxEx* tray_box_ = nullptr;
  TCheckBoxEx* auto_scale_box_ = nullptr;
  TImageEx* options_close_ = nullptr;
  TControlEx* about_panel_ = nullptr;
  TControlEx* about_slider_ = nullptr;
  TImageEx* about_image_ = nullptr;
  TImageEx* about_icon_ = nullptr;
  TSkinText* about_title_ = nullptr;
  TSkinText* about_text_ = nullptr;
  TSkinText* about_link_ = nullptr;
  TImageEx* about_close_ = nullptr;
  bool options_pixels_ = false;  // BuildOptionsPixels has run
  bool about_pixels_ = false;    // BuildAboutPixels has run

  // The scroll state (drag start, ratio) and the scroll handlers.
  std::unique_ptr<TNewsScroll> scroll_;

  std::string feed_text_;  // the body being applied, as the server sent it
  bool cache_error_told_ = false;  // a failed cache write was reported on stderr
  // The headers stored with the cache when the download began (its
  // conditions), and those of the response being applied.
  TFeedCacheHeaders cache_headers_;
  TFeedCacheHeaders feed_headers_;
  bool start_trimmed_ = false;
  bool faded_in_ = false;  // the start-up fade has shown the face
  // A long cached list read before the fade-in, shown after it.
  std::unique_ptr<TElementList> faded_in_items_;
  float scale_ = 1.0f;
  float max_scale_ = 1.0f;
  float min_scale_ = 0.2f;
  float scale_step_ = 0.05f;
  bool auto_scale_ = true;
  bool collapsed_ = false;
  int corner_ = 0;
  bool collapse_done_ = false;
  POINT picture_offset_{0, 0};  // the shrunk window's place within the full face
  bool closing_ = false;
  int refresh_interval_ = 300000;
};

}  // namespace varnika
