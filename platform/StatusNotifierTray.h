// The notification area as a status notifier host (a panel on the session
// bus: KDE's, GNOME's with an extension, swaybar) shows it.
//
// Each icon is an org.kde.StatusNotifierItem object, /StatusNotifierItem, on
// a bus connection of its own (the watcher forgets an item when its
// connection's name goes, so removing an icon closes its connection). The
// item is registered with org.kde.StatusNotifierWatcher whenever a watcher
// owns that name, again when another one takes it over. Its properties: the
// icon as pixmaps of the usual tray sizes up to the picture's own (and as
// the Id's name while the hicolor icon theme holds an icon of that name), the
// tip as the tooltip and the title; NewIcon, NewToolTip and NewTitle say when they
// change. Activate is the left click, ContextMenu the right one and
// SecondaryActivate the middle one: a press and a release of that button
// reach the window system as TrayInput events at the point the host gives,
// as the backend's tray reports clicks. The item exports no menu, so hosts
// ask for the program's own with ContextMenu.
//
// Threads: the bus work runs on the desktop notifier's thread, in its GLib
// main context (DesktopNotifier::RunOnBusThread), so this host adds none of
// its own; what the bus brings reaches the window system through `post`.
// Nothing there waits for the bus: connections are made and questions asked
// asynchronously, so a bus that hangs holds up neither the UI thread nor
// the notifier's thread, and closing the host cancels what is under way.
// Whether a watcher runs is known a moment after the host opens, or, when
// the bus has said nothing by then, taken as "no" after kWatcherWaitMs,
// until the bus says otherwise; each change is posted as a TrayHostChanged
// event, on which the window system moves the icons between this host and
// the backend's. The TrayHost calls belong to the UI thread, WatcherState
// to any.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/Backend.h"
#include "platform/DesktopNotifications.h"
#include "platform/TrayHost.h"

namespace varnika {

struct StatusNotifierContext {
  std::string bus_address;                // the session bus
  std::string id;                         // the items' Id: the program's name
  DesktopNotifier* notifier = nullptr;    // carries the bus work, shows balloons; outlives the host
  std::function<void(RawEvent)> post;     // to the window system, from the bus thread
};

// An icon's picture as an item hands it over: width, height and the
// straight ARGB32 pixels in network byte order (A, R, G, B).
struct ItemPixmap {
  int width = 0;
  int height = 0;
  std::vector<std::uint8_t> argb;
};

// The picture scaled down to the usual tray sizes that are smaller than
// it, and itself; none for an empty picture.
std::vector<ItemPixmap> ItemPixmaps(const IconPixels& icon);

class StatusNotifierTray final : public TrayHost {
 public:
  // Absent also when the bus has not answered within kWatcherWaitMs, until it does.
  enum class Watcher : std::uint8_t { Unknown, Present, Absent };

  // How long the host waits for the bus to say whether a watcher runs
  // before the backend's tray gets the icons. A working bus says so within
  // milliseconds (the handshake and one question, a few round trips to a
  // local daemon), and tens of milliseconds when the machine is busy at
  // login; two seconds spare a slow but working bus from showing an icon in
  // the backend's tray only to move it an instant later, and cost a user
  // whose bus hangs two seconds without an icon. A watcher that starts later
  // than that takes the icons over as it comes, as always.
  static constexpr int kWatcherWaitMs = 2000;

  explicit StatusNotifierTray(StatusNotifierContext context);
  // The items leave the bus (on the bus thread, after what was asked before).
  ~StatusNotifierTray() override;
  StatusNotifierTray(const StatusNotifierTray&) = delete;
  StatusNotifierTray& operator=(const StatusNotifierTray&) = delete;

  Watcher WatcherState() const;

  // --- TrayHost --------------------------------------------------------------
  void ShowIcon(const TrayIconState& icon) override;
  void RemoveIcon(HWND owner, UINT id) override;
  void ShowBalloon(const TrayIconState& icon, const TrayBalloon& balloon) override;
  void HideBalloon(HWND owner, UINT id) override;

 private:
  class Bus;

  void OnBusThread(std::function<void(Bus&)> task);

  DesktopNotifier* notifier_;
  std::shared_ptr<Bus> bus_;
};

}  // namespace varnika
