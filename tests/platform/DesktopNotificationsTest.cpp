// Balloons through a notification service on a private session bus: a
// dbus-daemon of the test's own and a stand-in service that records what it
// is asked and signals back on command.
#include "platform/DesktopNotifications.h"

#include <gio/gio.h>
#include <unistd.h>

#include <future>
#include <mutex>
#include <thread>

#include "platform/NotifyIcon.h"
#include "tests/platform/PlatformFixture.h"
#include "tests/platform/ServicesSupport.h"

namespace varnika::test {
namespace {

constexpr UINT kCallback = WM_APP + 9;

constexpr const char* kIntrospection =
    "<node><interface name='org.freedesktop.Notifications'>"
    "<method name='Notify'><arg type='s' direction='in'/><arg type='u' direction='in'/>"
    "<arg type='s' direction='in'/><arg type='s' direction='in'/><arg type='s' direction='in'/>"
    "<arg type='as' direction='in'/><arg type='a{sv}' direction='in'/><arg type='i' direction='in'/>"
    "<arg type='u' direction='out'/></method>"
    "<method name='CloseNotification'><arg type='u' direction='in'/></method>"
    "</interface></node>";

class StandInService {
 public:
  struct Note {
    std::string icon, summary, body;
    guint32 replaces = 0;
    gint32 timeout = 0;
    std::vector<std::string> actions;
  };

  // Connects, registers and takes the name on a thread of its own, whose
  // GLib main context answers the calls.
  explicit StandInService(const std::string& address) : loop_([this, address] { Start(address); }, [this] { Finish(); }) {}

  std::vector<Note> Notes() {
    std::lock_guard lock(mutex_);
    return notes_;
  }
  std::vector<guint32> CloseRequests() {
    std::lock_guard lock(mutex_);
    return closes_;
  }

  void Signal(const char* name, GVariant* parameters) {
    g_dbus_connection_emit_signal(bus_, nullptr, "/org/freedesktop/Notifications", "org.freedesktop.Notifications",
                                  name, parameters, nullptr);
    g_dbus_connection_flush_sync(bus_, nullptr, nullptr);
  }

 private:
  void Start(const std::string& address) {
    GError* error = nullptr;
    bus_ = g_dbus_connection_new_for_address_sync(
        address.c_str(),
        static_cast<GDBusConnectionFlags>(G_DBUS_CONNECTION_FLAGS_AUTHENTICATION_CLIENT |
                                          G_DBUS_CONNECTION_FLAGS_MESSAGE_BUS_CONNECTION),
        nullptr, nullptr, &error);
    if (error) {
      ADD_FAILURE() << error->message;
      g_error_free(error);
      return;
    }
    node_ = g_dbus_node_info_new_for_xml(kIntrospection, nullptr);
    static const GDBusInterfaceVTable vtable = {&StandInService::OnCall, nullptr, nullptr, {}};
    g_dbus_connection_register_object(bus_, "/org/freedesktop/Notifications", node_->interfaces[0], &vtable, this,
                                      nullptr, nullptr);
    OwnBusName(bus_, "org.freedesktop.Notifications");
  }

  void Finish() { EndStandIn(node_, bus_); }

  static void OnCall(GDBusConnection*, const gchar*, const gchar*, const gchar*, const gchar* method,
                     GVariant* parameters, GDBusMethodInvocation* invocation, gpointer data) {
    auto* self = static_cast<StandInService*>(data);
    std::lock_guard lock(self->mutex_);
    if (g_strcmp0(method, "Notify") == 0) {
      Note note;
      const gchar *app, *icon, *summary, *body;
      GVariantIter* actions = nullptr;
      GVariant* hints = nullptr;
      g_variant_get(parameters, "(&su&s&s&sas@a{sv}i)", &app, &note.replaces, &icon, &summary, &body, &actions,
                    &hints, &note.timeout);
      note.icon = icon;
      note.summary = summary;
      note.body = body;
      const gchar* action = nullptr;
      while (g_variant_iter_next(actions, "&s", &action)) note.actions.push_back(action);
      g_variant_iter_free(actions);
      g_variant_unref(hints);
      self->notes_.push_back(note);
      g_dbus_method_invocation_return_value(invocation, g_variant_new("(u)", note.replaces ? note.replaces : 40 + static_cast<guint32>(self->notes_.size())));
    } else {
      guint32 id = 0;
      g_variant_get(parameters, "(u)", &id);
      self->closes_.push_back(id);
      g_dbus_method_invocation_return_value(invocation, nullptr);
    }
  }

  GDBusConnection* bus_ = nullptr;
  GDBusNodeInfo* node_ = nullptr;
  std::mutex mutex_;
  std::vector<Note> notes_;
  std::vector<guint32> closes_;
  LoopThread loop_;  // last: stopped before the members it uses go
};

class DesktopNotificationsTest : public PlatformTest {
 protected:
  void SetUp() override {
    PlatformTest::SetUp();
    owner_ = Top("owner", Rect(0, 0, 1, 1), 0, WS_POPUP);
  }

  // Starts the private bus; false when dbus-daemon cannot run here.
  bool StartBus() {
    bus_ = std::make_unique<PrivateBus>(folder_.Path());
    address_ = bus_->Address();
    return bus_->Started();
  }

  DesktopNotifier::Notice Notice(const char16_t* text) {
    DesktopNotifier::Notice n;
    n.owner = owner_;
    n.id = 3;
    n.callback = kCallback;
    n.title = u"Varnika";
    n.text = text;
    n.flags = NIIF_WARNING;
    n.timeout_ms = 3000;
    return n;
  }

  // The callbacks' events, once at least `count` arrived (or 10 s passed).
  std::vector<LPARAM> Events(std::size_t count) {
    Eventually([&] {
      Pump();
      return Records(kCallback).size() >= count;
    });
    std::vector<LPARAM> out;
    for (const Record& r : Records(kCallback)) out.push_back(r.lparam);
    return out;
  }

  TempFolder folder_;
  std::string address_;
  std::unique_ptr<PrivateBus> bus_;
  HWND owner_ = nullptr;
};

TEST_F(DesktopNotificationsTest, ANoticeReachesTheServiceAndItsEndComesBackToTheOwner) {
  if (!StartBus()) GTEST_SKIP() << "no dbus-daemon";
  StandInService service(address_);
  DesktopNotifier notifier;
  notifier.Show(Notice(u"Yeni sürüm: 2.0"));
  EXPECT_EQ(Events(1), (std::vector<LPARAM>{NIN_BALLOONSHOW}));
  auto notes = service.Notes();
  ASSERT_EQ(notes.size(), 1u);
  EXPECT_EQ(notes[0].summary, "Varnika");
  EXPECT_EQ(notes[0].body, "Yeni sürüm: 2.0");
  EXPECT_EQ(notes[0].icon, "dialog-warning");
  EXPECT_EQ(notes[0].timeout, 3000);
  EXPECT_EQ(notes[0].replaces, 0u);
  EXPECT_EQ(notes[0].actions, (std::vector<std::string>{"default", ""}));

  service.Signal("NotificationClosed", g_variant_new("(uu)", 41u, 1u));  // expired
  service.Signal("NotificationClosed", g_variant_new("(uu)", 99u, 1u));  // somebody else's
  EXPECT_EQ(Events(2), (std::vector<LPARAM>{NIN_BALLOONSHOW, NIN_BALLOONTIMEOUT}));
}

TEST_F(DesktopNotificationsTest, AClickIsReportedOnceAndANewNoticeReplacesTheShownOne) {
  if (!StartBus()) GTEST_SKIP() << "no dbus-daemon";
  StandInService service(address_);
  DesktopNotifier notifier;
  notifier.Show(Notice(u"bir"));
  Events(1);
  notifier.Show(Notice(u"iki"));
  Events(2);
  ASSERT_EQ(service.Notes().size(), 2u);
  EXPECT_EQ(service.Notes()[1].replaces, 41u);
  service.Signal("ActionInvoked", g_variant_new("(us)", 41u, "default"));
  service.Signal("NotificationClosed", g_variant_new("(uu)", 41u, 2u));  // follows the click
  EXPECT_EQ(Events(3), (std::vector<LPARAM>{NIN_BALLOONSHOW, NIN_BALLOONSHOW, NIN_BALLOONUSERCLICK}));
  usleep(100000);
  Pump();
  EXPECT_EQ(Records(kCallback).size(), 3u);
}

TEST_F(DesktopNotificationsTest, ClosingAskesTheServiceAndItsAnswerHidesTheBalloon) {
  if (!StartBus()) GTEST_SKIP() << "no dbus-daemon";
  StandInService service(address_);
  DesktopNotifier notifier;
  notifier.Show(Notice(u"kapanacak"));
  Events(1);
  notifier.Close(owner_, 3);
  ASSERT_TRUE(Eventually([&] { return !service.CloseRequests().empty(); }));
  EXPECT_EQ(service.CloseRequests()[0], 41u);
  service.Signal("NotificationClosed", g_variant_new("(uu)", 41u, 3u));
  EXPECT_EQ(Events(2), (std::vector<LPARAM>{NIN_BALLOONSHOW, NIN_BALLOONHIDE}));
}

TEST_F(DesktopNotificationsTest, WithoutAServiceOrWithoutABusNoticesAreDroppedQuietly) {
  if (!StartBus()) GTEST_SKIP() << "no dbus-daemon";
  {
    DesktopNotifier notifier;  // a bus, but nobody owns the name
    notifier.Show(Notice(u"kimse yok"));
    usleep(300000);
    Pump();
  }
  ScopedEnv nowhere("DBUS_SESSION_BUS_ADDRESS", ("unix:path=" + folder_.Path() + "/none").c_str());
  {
    DesktopNotifier notifier;
    notifier.Show(Notice(u"bus yok"));
    usleep(200000);
  }
  Pump();
  EXPECT_TRUE(Records(kCallback).empty());
}

}  // namespace
}  // namespace varnika::test
