#include "platform/DesktopNotifications.h"

#include <errno.h>
#include <gio/gio.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <map>
#include <thread>
#include <utility>
#include <vector>

#include "base/Utf.h"
#include "platform/CairoOwners.h"
#include "platform/MessageLoop.h"
#include "platform/NotifyIcon.h"

namespace varnika {
namespace {

constexpr const char* kService = "org.freedesktop.Notifications";
constexpr const char* kPath = "/org/freedesktop/Notifications";
constexpr const char* kInterface = "org.freedesktop.Notifications";

// NotificationClosed reasons.
constexpr guint32 kExpired = 1;
constexpr guint32 kDismissed = 2;

using ConnectionPtr = GObjectPtr<GDBusConnection>;
using CancellablePtr = GObjectPtr<GCancellable>;

struct ContextUnref {
  void operator()(GMainContext* c) const { g_main_context_unref(c); }
};
struct LoopUnref {
  void operator()(GMainLoop* l) const { g_main_loop_unref(l); }
};

const char* IconNameOf(DWORD flags) {
  switch (flags & 0x0F) {
    case NIIF_INFO: return "dialog-information";
    case NIIF_WARNING: return "dialog-warning";
    case NIIF_ERROR: return "dialog-error";
    default: return "";
  }
}

const char* ProgramName() {
  const char* name = g_get_prgname();
  return name ? name : "varnika";
}

}  // namespace

// Everything below runs on the worker's thread, except the constructor, the
// destructor and Post.
class DesktopNotifier::Worker {
 public:
  // The worker whose thread this is; null on other threads.
  static thread_local Worker* current;

  Worker() : context_(g_main_context_new()), loop_(g_main_loop_new(context_.get(), FALSE)) {
    thread_ = std::thread([this] { Run(); });
  }

  ~Worker() {
    Post([this] { Stop(); });
    thread_.join();
  }

  Worker(const Worker&) = delete;
  Worker& operator=(const Worker&) = delete;

  // Runs task on the worker's thread (any thread may call this).
  void Post(std::function<void()> task) {
    auto* heap = new std::function<void()>(std::move(task));
    g_main_context_invoke_full(
        context_.get(), G_PRIORITY_DEFAULT,
        [](gpointer data) -> gboolean {
          (*static_cast<std::function<void()>*>(data))();
          return G_SOURCE_REMOVE;
        },
        heap, [](gpointer data) { delete static_cast<std::function<void()>*>(data); });
  }

  void Show(const Notice& notice) {
    if (stopping_) return;
    waiting_.push_back(notice);
    Connect();
  }

  void Hold() { ++pending_; }
  void Release() {
    --pending_;
    QuitWhenIdle();
  }

  void Close(HWND owner, UINT id) {
    waiting_.erase(std::remove_if(waiting_.begin(), waiting_.end(),
                                  [&](const Notice& n) { return n.owner == owner && n.id == id; }),
                   waiting_.end());
    const guint32 shown = ShownId(owner, id);
    if (!shown || !bus_) return;
    Call("CloseNotification", g_variant_new("(u)", shown), nullptr, nullptr);
  }

 private:
  struct Owner {
    HWND owner = nullptr;
    UINT id = 0;
    UINT callback = 0;
  };

  // A call in flight: what its completion needs.
  struct PendingCall {
    Worker* worker;
    Owner owner;
  };

  void Run() {
    current = this;
    g_main_context_push_thread_default(context_.get());
    g_main_loop_run(loop_.get());
    if (stop_wait_) g_source_destroy(stop_wait_.get());
    if (bus_) {
      for (guint subscription : subscriptions_) g_dbus_connection_signal_unsubscribe(bus_.get(), subscription);
    }
    bus_.reset();
    // Let the connection's last callbacks (unsubscriptions) run down.
    while (g_main_context_iteration(context_.get(), FALSE)) {
    }
    g_main_context_pop_thread_default(context_.get());
    current = nullptr;
  }

  // What is under way is cancelled; its callbacks are awaited, but not for
  // longer than kStopWaitMs (a bus may not even notice a cancellation: GLib
  // waits for the bus's answer to the first message of a connection,
  // Hello, without one).
  void Stop() {
    stopping_ = true;
    waiting_.clear();
    g_cancellable_cancel(cancellable_.get());
    QuitWhenIdle();
    stop_wait_.reset(g_timeout_source_new(kStopWaitMs));
    g_source_set_callback(
        stop_wait_.get(),
        [](gpointer loop) -> gboolean {
          g_main_loop_quit(static_cast<GMainLoop*>(loop));
          return G_SOURCE_REMOVE;
        },
        loop_.get(), nullptr);
    g_source_attach(stop_wait_.get(), context_.get());
  }

  void QuitWhenIdle() {
    if (stopping_ && pending_ == 0) g_main_loop_quit(loop_.get());
  }

  void Connect() {
    if (bus_) {
      Flush();
      return;
    }
    if (connecting_) return;
    const std::string address = SessionBusAddress();
    if (address.empty()) {
      waiting_.clear();  // no bus: notices are dropped
      return;
    }
    connecting_ = true;
    ++pending_;
    g_dbus_connection_new_for_address(
        address.c_str(),
        static_cast<GDBusConnectionFlags>(G_DBUS_CONNECTION_FLAGS_AUTHENTICATION_CLIENT |
                                          G_DBUS_CONNECTION_FLAGS_MESSAGE_BUS_CONNECTION),
        nullptr, cancellable_.get(), &Worker::Connected, this);
  }

  static void Connected(GObject*, GAsyncResult* result, gpointer data) {
    auto* self = static_cast<Worker*>(data);
    --self->pending_;
    self->connecting_ = false;
    GError* error = nullptr;
    ConnectionPtr bus(g_dbus_connection_new_for_address_finish(result, &error));
    if (error) g_error_free(error);
    if (!bus || self->stopping_) {
      self->waiting_.clear();
      self->QuitWhenIdle();
      return;
    }
    // A connection that closes (the bus went away) is made again for the
    // next notice.
    g_dbus_connection_set_exit_on_close(bus.get(), FALSE);
    self->bus_ = std::move(bus);
    self->Subscribe("NotificationClosed", &Worker::OnClosed);
    self->Subscribe("ActionInvoked", &Worker::OnAction);
    self->Flush();
  }

  void Subscribe(const char* signal, GDBusSignalCallback callback) {
    subscriptions_.push_back(g_dbus_connection_signal_subscribe(bus_.get(), nullptr, kInterface, signal, kPath,
                                                                nullptr, G_DBUS_SIGNAL_FLAGS_NONE, callback, this,
                                                                nullptr));
  }

  void Flush() {
    if (bus_ && g_dbus_connection_is_closed(bus_.get())) {
      for (guint subscription : subscriptions_) g_dbus_connection_signal_unsubscribe(bus_.get(), subscription);
      subscriptions_.clear();
      shown_.clear();
      bus_.reset();
      Connect();
      return;
    }
    std::vector<Notice> notices;
    notices.swap(waiting_);
    for (const Notice& notice : notices) Notify(notice);
  }

  void Notify(const Notice& notice) {
    const std::string title = Utf16ToUtf8(notice.title);
    const std::string text = Utf16ToUtf8(notice.text);
    GVariantBuilder actions;
    g_variant_builder_init(&actions, G_VARIANT_TYPE("as"));
    g_variant_builder_add(&actions, "s", "default");
    g_variant_builder_add(&actions, "s", "");
    GVariantBuilder hints;
    g_variant_builder_init(&hints, G_VARIANT_TYPE("a{sv}"));
    g_variant_builder_add(&hints, "{sv}", "urgency", g_variant_new_byte(1));
    const gint32 timeout = notice.timeout_ms ? static_cast<gint32>(std::min<UINT>(notice.timeout_ms, INT32_MAX)) : -1;
    GVariant* parameters = g_variant_new("(susssasa{sv}i)", ProgramName(), ShownId(notice.owner, notice.id),
                                         IconNameOf(notice.flags), title.c_str(), text.c_str(), &actions, &hints,
                                         timeout);
    Call("Notify", parameters, &Worker::Notified, new PendingCall{this, Owner{notice.owner, notice.id, notice.callback}});
  }

  void Call(const char* method, GVariant* parameters, GAsyncReadyCallback done, PendingCall* pending) {
    if (!done) {
      done = &Worker::Ignored;
      pending = new PendingCall{this, Owner{}};
    }
    ++pending_;
    g_dbus_connection_call(bus_.get(), kService, kPath, kInterface, method, parameters, nullptr,
                           G_DBUS_CALL_FLAGS_NONE, -1, cancellable_.get(), done, pending);
  }

  static GVariant* Finish(GObject* source, GAsyncResult* result) {
    GError* error = nullptr;
    GVariant* reply = g_dbus_connection_call_finish(G_DBUS_CONNECTION(source), result, &error);
    if (error) g_error_free(error);
    return reply;
  }

  static void Ignored(GObject* source, GAsyncResult* result, gpointer data) {
    std::unique_ptr<PendingCall> pending(static_cast<PendingCall*>(data));
    if (GVariant* reply = Finish(source, result)) g_variant_unref(reply);
    --pending->worker->pending_;
    pending->worker->QuitWhenIdle();
  }

  static void Notified(GObject* source, GAsyncResult* result, gpointer data) {
    std::unique_ptr<PendingCall> pending(static_cast<PendingCall*>(data));
    Worker* self = pending->worker;
    --self->pending_;
    GVariant* reply = Finish(source, result);
    if (reply) {
      guint32 id = 0;
      g_variant_get(reply, "(u)", &id);
      g_variant_unref(reply);
      if (id && !self->stopping_) {
        self->Forget(pending->owner.owner, pending->owner.id);
        self->shown_[id] = pending->owner;
        Report(pending->owner, NIN_BALLOONSHOW);
      }
    }
    self->QuitWhenIdle();
  }

  static void OnClosed(GDBusConnection*, const gchar*, const gchar*, const gchar*, const gchar*, GVariant* parameters,
                       gpointer data) {
    auto* self = static_cast<Worker*>(data);
    if (!g_variant_is_of_type(parameters, G_VARIANT_TYPE("(uu)"))) return;
    guint32 id = 0;
    guint32 reason = 0;
    g_variant_get(parameters, "(uu)", &id, &reason);
    auto it = self->shown_.find(id);
    if (it == self->shown_.end()) return;
    const Owner owner = it->second;
    self->shown_.erase(it);
    Report(owner, reason == kExpired || reason == kDismissed ? NIN_BALLOONTIMEOUT : NIN_BALLOONHIDE);
  }

  static void OnAction(GDBusConnection*, const gchar*, const gchar*, const gchar*, const gchar*, GVariant* parameters,
                       gpointer data) {
    auto* self = static_cast<Worker*>(data);
    if (!g_variant_is_of_type(parameters, G_VARIANT_TYPE("(us)"))) return;
    guint32 id = 0;
    const gchar* action = nullptr;
    g_variant_get(parameters, "(u&s)", &id, &action);
    auto it = self->shown_.find(id);
    if (it == self->shown_.end()) return;
    const Owner owner = it->second;
    // A click ends the notice: its closing that follows says nothing more.
    self->shown_.erase(it);
    Report(owner, NIN_BALLOONUSERCLICK);
  }

  static void Report(const Owner& owner, LPARAM event) {
    if (owner.callback) PostMessageW(owner.owner, owner.callback, owner.id, event);
  }

  guint32 ShownId(HWND owner, UINT id) const {
    for (const auto& [shown, o] : shown_) {
      if (o.owner == owner && o.id == id) return shown;
    }
    return 0;
  }

  void Forget(HWND owner, UINT id) {
    std::erase_if(shown_, [&](const auto& entry) { return entry.second.owner == owner && entry.second.id == id; });
  }

  std::unique_ptr<GMainContext, ContextUnref> context_;
  std::unique_ptr<GMainLoop, LoopUnref> loop_;
  GSourcePtr stop_wait_;  // bounds the stop
  CancellablePtr cancellable_{g_cancellable_new()};
  std::thread thread_;
  ConnectionPtr bus_;
  std::vector<guint> subscriptions_;
  bool connecting_ = false;
  bool stopping_ = false;
  int pending_ = 0;  // asynchronous operations not yet completed
  std::vector<Notice> waiting_;  // until the bus is there
  std::map<guint32, Owner> shown_;  // the service's ids of the notices on the screen
};

std::string SessionBusAddress() {
  const char* address = std::getenv("DBUS_SESSION_BUS_ADDRESS");
  if (address && *address) return address;
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  if (!runtime || runtime[0] != '/') return {};
  const std::string socket = std::string(runtime) + "/bus";
  struct stat st {};
  if (::stat(socket.c_str(), &st) != 0 || !S_ISSOCK(st.st_mode)) return {};
  gchar* escaped = g_dbus_address_escape_value(socket.c_str());
  std::string result = std::string("unix:path=") + escaped;
  g_free(escaped);
  return result;
}

thread_local DesktopNotifier::Worker* DesktopNotifier::Worker::current = nullptr;

DesktopNotifier::WorkHold::~WorkHold() {
  if (worker_) worker_->Release();
}

DesktopNotifier::WorkHold DesktopNotifier::HoldBusThread() {
  WorkHold hold;
  hold.worker_ = Worker::current;
  if (hold.worker_) hold.worker_->Hold();
  return hold;
}

DesktopNotifier::DesktopNotifier() = default;

DesktopNotifier::~DesktopNotifier() = default;

void DesktopNotifier::Show(const Notice& notice) {
  if (!worker_) worker_ = std::make_unique<Worker>();
  Worker* worker = worker_.get();
  worker->Post([worker, notice] { worker->Show(notice); });
}

void DesktopNotifier::RunOnBusThread(std::function<void()> task) {
  if (!worker_) worker_ = std::make_unique<Worker>();
  worker_->Post(std::move(task));
}

void DesktopNotifier::Close(HWND owner, UINT id) {
  if (!worker_) return;
  Worker* worker = worker_.get();
  worker->Post([worker, owner, id] { worker->Close(owner, id); });
}

}  // namespace varnika
