// Balloon notices through the desktop's notification service
// (org.freedesktop.Notifications on the session bus), with GLib's GDBus.
//
// The bus work runs on a thread of the notifier's own with its own GLib main
// context, started by the first notice: the caller never waits for the bus.
// What the service reports comes back to the icon's owner as its callback
// message (posted, so it arrives through the window system's queue):
// NIN_BALLOONSHOW when the service took the notice, NIN_BALLOONTIMEOUT when
// it expired or the user dismissed it, NIN_BALLOONUSERCLICK when the user
// clicked it, NIN_BALLOONHIDE when it was taken away (Close). A newer notice
// of the same icon replaces the shown one in place, without a message for
// the old one. Without a bus or a service, notices are dropped without a
// word; the next notice tries again.
//
// The session bus is $DBUS_SESSION_BUS_ADDRESS, else $XDG_RUNTIME_DIR/bus
// when that socket exists; no bus is started.
//
// Other services on the session bus share the notifier's thread
// (RunOnBusThread) instead of starting threads of their own.
//
// The notifier never waits long for the bus, not even as it goes: the
// thread, asked to stop, cancels what is under way and ends once the bus
// work that was under way has come back (connections, calls; the other
// services' too, as they hold it with HoldBusThread), or after kStopWaitMs,
// whichever comes first. A bus that never answers thus delays the
// notifier's end by that much at most.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <utility>

#include "platform/Messages.h"
#include "platform/TrayHost.h"

namespace varnika {

class DesktopNotifier {
  class Worker;

 public:
  struct Notice {
    HWND owner = nullptr;
    UINT id = 0;
    UINT callback = 0;  // 0: nothing is reported
    std::u16string title;
    std::u16string text;
    DWORD flags = 0;      // NIIF_*: the notice's icon
    UINT timeout_ms = 0;  // 0: the service's default

    // A tray icon's balloon as a notice for the icon's owner.
    static Notice ForBalloon(const TrayIconState& icon, const TrayBalloon& balloon) {
      return Notice{icon.owner, icon.id, icon.callback, balloon.title, balloon.text, balloon.flags, balloon.timeout_ms};
    }
  };

  // Asynchronous bus work that a task on the bus thread started and whose
  // callback is still to come there (a connection being made, a call's
  // answer): while a hold on it lives, the thread, asked to stop, turns on
  // until the callback came (up to kStopWaitMs). Made and dropped on the bus
  // thread only; a hold made nowhere else holds nothing.
  class WorkHold {
   public:
    WorkHold() = default;
    ~WorkHold();
    WorkHold(WorkHold&& other) noexcept : worker_(std::exchange(other.worker_, nullptr)) {}
    WorkHold& operator=(WorkHold&&) = delete;
    WorkHold(const WorkHold&) = delete;
    WorkHold& operator=(const WorkHold&) = delete;

   private:
    friend class DesktopNotifier;
    Worker* worker_ = nullptr;
  };

  static constexpr int kStopWaitMs = 1000;

  DesktopNotifier();
  // Stops the thread; notices on the screen stay.
  ~DesktopNotifier();
  DesktopNotifier(const DesktopNotifier&) = delete;
  DesktopNotifier& operator=(const DesktopNotifier&) = delete;

  // Shows the notice, replacing the icon's previous one.
  void Show(const Notice& notice);
  // Takes the icon's notice away, if it has one.
  void Close(HWND owner, UINT id);
  // Runs task on the notifier's thread (starting it), where the thread's own
  // GLib main context is the thread default: bus callbacks that a task sets
  // up run there too. Any thread may call this; tasks run in order, and
  // those posted before the notifier goes still run.
  void RunOnBusThread(std::function<void()> task);
  // On the bus thread: a hold for work being started there.
  static WorkHold HoldBusThread();

 private:
  std::unique_ptr<Worker> worker_;
};

// The session bus's address as described above; empty without one.
std::string SessionBusAddress();

}  // namespace varnika
