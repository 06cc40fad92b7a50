// The tray as a status notifier item on a private session bus, on the
// headless window system: a stand-in watcher of the test's own takes the
// registrations and sees the item's signals; the test reads the item's
// properties and calls its methods as a panel would.
#include "platform/StatusNotifierTray.h"

#include <gio/gio.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <future>
#include <mutex>
#include <thread>

#include "platform/Icons.h"
#include "platform/NotifyIcon.h"
#include "tests/platform/PlatformFixture.h"
#include "tests/platform/ServicesSupport.h"
#include "tests/platform/SilentBus.h"

namespace varnika::test {
namespace {

constexpr UINT kCallback = WM_APP + 11;
constexpr UINT kIconId = 6;

constexpr const char* kWatcherXml =
    "<node><interface name='org.kde.StatusNotifierWatcher'>"
    "<method name='RegisterStatusNotifierItem'><arg type='s' direction='in'/></method>"
    "</interface></node>";

// Owns org.kde.StatusNotifierWatcher on a thread of its own while it lives,
// and records the registrations and the items' signals.
class StandInWatcher {
 public:
  explicit StandInWatcher(const std::string& address) : loop_([this, address] { Start(address); }, [this] { Finish(); }) {}

  GDBusConnection* Bus() const { return bus_; }

  std::vector<std::string> Registered() {
    std::lock_guard lock(mutex_);
    return registered_;
  }
  std::vector<std::string> Signals() {
    std::lock_guard lock(mutex_);
    return signals_;
  }

 private:
  void Start(const std::string& address) {
    bus_ = g_dbus_connection_new_for_address_sync(
        address.c_str(),
        static_cast<GDBusConnectionFlags>(G_DBUS_CONNECTION_FLAGS_AUTHENTICATION_CLIENT |
                                          G_DBUS_CONNECTION_FLAGS_MESSAGE_BUS_CONNECTION),
        nullptr, nullptr, nullptr);
    if (!bus_) {
      ADD_FAILURE() << "no bus";
      return;
    }
    node_ = g_dbus_node_info_new_for_xml(kWatcherXml, nullptr);
    static const GDBusInterfaceVTable vtable = {&StandInWatcher::OnCall, nullptr, nullptr, {}};
    g_dbus_connection_register_object(bus_, "/StatusNotifierWatcher", node_->interfaces[0], &vtable, this, nullptr,
                                      nullptr);
    g_dbus_connection_signal_subscribe(bus_, nullptr, "org.kde.StatusNotifierItem", nullptr, "/StatusNotifierItem",
                                       nullptr, G_DBUS_SIGNAL_FLAGS_NONE, &StandInWatcher::OnSignal, this, nullptr);
    OwnBusName(bus_, "org.kde.StatusNotifierWatcher");
  }

  void Finish() { EndStandIn(node_, bus_); }

  static void OnCall(GDBusConnection*, const gchar*, const gchar*, const gchar*, const gchar*, GVariant* parameters,
                     GDBusMethodInvocation* invocation, gpointer data) {
    auto* self = static_cast<StandInWatcher*>(data);
    const gchar* service = nullptr;
    g_variant_get(parameters, "(&s)", &service);
    std::lock_guard lock(self->mutex_);
    self->registered_.push_back(service);
    g_dbus_method_invocation_return_value(invocation, nullptr);
  }

  static void OnSignal(GDBusConnection*, const gchar*, const gchar*, const gchar*, const gchar* signal, GVariant*,
                       gpointer data) {
    auto* self = static_cast<StandInWatcher*>(data);
    std::lock_guard lock(self->mutex_);
    self->signals_.push_back(signal);
  }

  GDBusConnection* bus_ = nullptr;
  GDBusNodeInfo* node_ = nullptr;
  std::mutex mutex_;
  std::vector<std::string> registered_;
  std::vector<std::string> signals_;
  LoopThread loop_;  // last: stopped before the members it uses go
};

class StatusNotifierTrayTest : public PlatformTest {
 protected:
  void SetUp() override {
    PlatformTest::SetUp();
    display->SetStatusNotifierHosts(true);
    owner_ = Top("owner", Rect(0, 0, 1, 1), WS_EX_TOOLWINDOW, WS_POPUP);
  }

  // A 64-pixel icon: transparent in its first pixel, opaque blue-grey elsewhere.
  static HICON TestIcon() {
    std::vector<std::uint32_t> pixels(64 * 64, 0xFF336699);
    pixels[0] = 0;
    return CreateIconFromBits(pixels.data(), 64, 64, 64 * 4);
  }

  BOOL Notify(DWORD message, const char16_t* tip) {
    NOTIFYICONDATAW d;
    d.hWnd = owner_;
    d.uID = kIconId;
    d.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    d.uCallbackMessage = kCallback;
    d.hIcon = TestIcon();
    std::u16string_view text(tip);
    std::copy(text.begin(), text.end(), d.szTip);
    const BOOL done = Shell_NotifyIconW(message, &d);
    DestroyIcon(d.hIcon);
    return done;
  }

  // Pumps the window system until done() holds (or 10 s passed).
  bool PumpUntil(const std::function<bool()>& done) {
    return Eventually([&] {
      Pump();
      return done();
    });
  }

  static GVariant* Property(GDBusConnection* bus, const std::string& item, const char* name) {
    GVariant* reply = g_dbus_connection_call_sync(
        bus, item.c_str(), "/StatusNotifierItem", "org.freedesktop.DBus.Properties", "Get",
        g_variant_new("(ss)", "org.kde.StatusNotifierItem", name), G_VARIANT_TYPE("(v)"), G_DBUS_CALL_FLAGS_NONE,
        5000, nullptr, nullptr);
    if (!reply) return nullptr;
    GVariant* value = nullptr;
    g_variant_get(reply, "(v)", &value);
    g_variant_unref(reply);
    return value;
  }

  static std::string Text(GVariant* value) {
    if (!value) return "<none>";
    std::string text;
    if (g_variant_is_of_type(value, G_VARIANT_TYPE_STRING)) {
      text = g_variant_get_string(value, nullptr);
    } else {
      gchar* printed = g_variant_print(value, FALSE);
      text = printed;
      g_free(printed);
    }
    g_variant_unref(value);
    return text;
  }

  static void Call(GDBusConnection* bus, const std::string& item, const char* method, int x, int y) {
    GVariant* reply = g_dbus_connection_call_sync(bus, item.c_str(), "/StatusNotifierItem",
                                                  "org.kde.StatusNotifierItem", method, g_variant_new("(ii)", x, y),
                                                  nullptr, G_DBUS_CALL_FLAGS_NONE, 5000, nullptr, nullptr);
    EXPECT_TRUE(reply) << method;
    if (reply) g_variant_unref(reply);
  }

  std::vector<LPARAM> Callbacks() {
    std::vector<LPARAM> out;
    for (const Record& r : Records(kCallback)) out.push_back(r.lparam);
    return out;
  }

  TempFolder folder_;
  // Icon themes: none installed until a test puts one there.
  ScopedEnv data_home_{"XDG_DATA_HOME", (folder_ / "data").c_str()};
  ScopedEnv data_dirs_{"XDG_DATA_DIRS", (folder_ / "none").c_str()};
  HWND owner_ = nullptr;
};

TEST_F(StatusNotifierTrayTest, TheItemRegistersShowsTheIconAndTipAndTakesClicks) {
  PrivateBus bus(folder_.Path());
  if (!bus.Started()) GTEST_SKIP() << "no dbus-daemon";
  StandInWatcher watcher(bus.Address());
  ASSERT_TRUE(Notify(NIM_ADD, u"Varnika: 3 yeni haber"));
  ASSERT_TRUE(Eventually([&] { return !watcher.Registered().empty(); }));
  const std::string item = watcher.Registered()[0];
  EXPECT_EQ(item[0], ':');  // the item's connection's own name
  EXPECT_TRUE(display->TrayIcons().empty());  // the backend's tray is not used

  const struct {
    const char* name;
    std::string value;
  } properties[] = {
      {"Category", "ApplicationStatus"},
      {"Status", "Active"},
      {"Title", "Varnika: 3 yeni haber"},
      {"ToolTip", "('', [], 'Varnika: 3 yeni haber', '')"},
      {"ItemIsMenu", "false"},
      {"IconName", ""},
  };
  for (const auto& p : properties) EXPECT_EQ(Text(Property(watcher.Bus(), item, p.name)), p.value) << p.name;
  // The icon's name once the theme holds it.
  const std::string id = Text(Property(watcher.Bus(), item, "Id"));
  std::filesystem::create_directories(folder_ / "data/icons/hicolor/48x48/apps");
  WriteFile(folder_ / ("data/icons/hicolor/48x48/apps/" + id + ".png"), "png");
  EXPECT_EQ(Text(Property(watcher.Bus(), item, "IconName")), id);

  GVariant* pixmaps = Property(watcher.Bus(), item, "IconPixmap");
  ASSERT_TRUE(pixmaps);
  std::vector<int> sizes;
  std::vector<std::uint8_t> own;
  for (gsize i = 0; i < g_variant_n_children(pixmaps); ++i) {
    GVariant* pixmap = g_variant_get_child_value(pixmaps, i);
    gint32 width = 0;
    gint32 height = 0;
    GVariant* bytes = nullptr;
    g_variant_get(pixmap, "(ii@ay)", &width, &height, &bytes);
    EXPECT_EQ(width, height);
    gsize count = 0;
    const auto* data = static_cast<const std::uint8_t*>(g_variant_get_fixed_array(bytes, &count, 1));
    EXPECT_EQ(count, static_cast<gsize>(width) * static_cast<gsize>(height) * 4);
    sizes.push_back(width);
    if (width == 64) own.assign(data, data + 8);
    g_variant_unref(bytes);
    g_variant_unref(pixmap);
  }
  g_variant_unref(pixmaps);
  EXPECT_EQ(sizes, (std::vector<int>{16, 22, 24, 32, 48, 64}));
  // A, R, G, B in that order: the transparent pixel, then an opaque one.
  EXPECT_EQ(own, (std::vector<std::uint8_t>{0, 0, 0, 0, 0xFF, 0x33, 0x66, 0x99}));

  // A new tip is announced and read back.
  ASSERT_TRUE(Notify(NIM_MODIFY, u"Varnika: güncel"));
  ASSERT_TRUE(Eventually([&] {
    auto signals = watcher.Signals();
    return std::find(signals.begin(), signals.end(), "NewToolTip") != signals.end();
  }));
  EXPECT_EQ(Text(Property(watcher.Bus(), item, "Title")), "Varnika: güncel");

  // The host's clicks reach the owner as the tray's clicks do.
  const struct {
    const char* method;
    std::vector<LPARAM> messages;
  } clicks[] = {
      {"Activate", {WM_LBUTTONDOWN, WM_LBUTTONUP}},
      {"ContextMenu", {WM_RBUTTONDOWN, WM_RBUTTONUP}},
      {"SecondaryActivate", {WM_MBUTTONDOWN, WM_MBUTTONUP}},
  };
  for (const auto& click : clicks) {
    ClearLog();
    Call(watcher.Bus(), item, click.method, 700, 12);
    EXPECT_TRUE(PumpUntil([&] { return Callbacks().size() >= 2; })) << click.method;
    EXPECT_EQ(Callbacks(), click.messages) << click.method;
    POINT at;
    GetCursorPos(&at);
    EXPECT_EQ(at.x, 700);
    EXPECT_EQ(at.y, 12);
  }
}

// Without a watcher the backend's tray shows the icon (or nothing, when it
// has none); a watcher that comes takes it, and one that goes gives it back,
// twice over.
class StatusNotifierFollowTest : public StatusNotifierTrayTest, public ::testing::WithParamInterface<bool> {};

TEST_P(StatusNotifierFollowTest, TheIconFollowsTheWatcher) {
  PrivateBus bus(folder_.Path());
  if (!bus.Started()) GTEST_SKIP() << "no dbus-daemon";
  const bool backend_tray = GetParam();
  display->SetTrayAvailable(backend_tray);
  const std::size_t shown_by_backend = backend_tray ? 1 : 0;
  ASSERT_TRUE(Notify(NIM_ADD, u"Varnika"));
  EXPECT_TRUE(PumpUntil([&] { return display->TrayIcons().size() == shown_by_backend; }));
  for (int round = 0; round < 2; ++round) {
    {
      StandInWatcher watcher(bus.Address());
      EXPECT_TRUE(PumpUntil([&] { return !watcher.Registered().empty(); }));
      EXPECT_TRUE(PumpUntil([&] { return display->TrayIcons().empty(); }));
    }
    EXPECT_TRUE(PumpUntil([&] { return display->TrayIcons().size() == shown_by_backend; }));
    if (backend_tray) {
      EXPECT_EQ(display->TrayIcons()[0].tip, u"Varnika");
    }
  }
}

INSTANTIATE_TEST_SUITE_P(WithAndWithoutTheBackendsTray, StatusNotifierFollowTest, ::testing::Bool());

// A bus that cannot be reached leaves the icon to the backend's tray.
TEST_F(StatusNotifierTrayTest, WithoutABusTheBackendsTrayShowsTheIcon) {
  ScopedEnv nowhere("DBUS_SESSION_BUS_ADDRESS", ("unix:path=" + folder_.Path() + "/none").c_str());
  ASSERT_TRUE(Notify(NIM_ADD, u"Varnika"));
  EXPECT_TRUE(PumpUntil([&] { return display->TrayIcons().size() == 1; }));
}

// A bus that answers only after the wait for it is over: the backend's tray
// shows the icon meanwhile, then the watcher takes it over with the tip it
// got in between.
TEST_F(StatusNotifierTrayTest, ABusThatAnswersLateTakesTheIconFromTheBackendsTray) {
  PrivateBus bus(folder_.Path());
  if (!bus.Started()) GTEST_SKIP() << "no dbus-daemon";
  StandInWatcher watcher(bus.Address());
  SilentBus late(folder_.Path(), folder_ / "bus");
  ScopedEnv session("DBUS_SESSION_BUS_ADDRESS", late.Address().c_str());
  const auto added = std::chrono::steady_clock::now();
  ASSERT_TRUE(Notify(NIM_ADD, u"Varnika"));
  ASSERT_TRUE(PumpUntil([&] { return display->TrayIcons().size() == 1; }));
  EXPECT_GE(std::chrono::steady_clock::now() - added, std::chrono::milliseconds(StatusNotifierTray::kWatcherWaitMs));
  ASSERT_TRUE(Notify(NIM_MODIFY, u"Varnika: 2 yeni"));
  EXPECT_TRUE(watcher.Registered().empty());

  late.Answer();
  ASSERT_TRUE(PumpUntil([&] { return !watcher.Registered().empty() && display->TrayIcons().empty(); }));
  EXPECT_EQ(Text(Property(watcher.Bus(), watcher.Registered()[0], "Title")), "Varnika: 2 yeni");
}

}  // namespace
}  // namespace varnika::test
