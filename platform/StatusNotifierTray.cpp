// Reading map. Pictures (ItemPixmaps) at the top; then the bus side (Bus:
// the watcher's name, the items' connections and objects, their calls and
// properties), which lives on the bus thread; the UI side at the bottom
// only hands work over to it.
#include "platform/StatusNotifierTray.h"

#include <cairo.h>
#include <gio/gio.h>

#include <algorithm>
#include <cstdlib>
#include <string_view>
#include <utility>

#include "base/Utf.h"
#include "platform/CairoOwners.h"
#include "platform/IconSurface.h"

namespace varnika {
namespace {

constexpr const char* kDBus = "org.freedesktop.DBus";
constexpr const char* kDBusPath = "/org/freedesktop/DBus";
constexpr const char* kWatcher = "org.kde.StatusNotifierWatcher";
constexpr const char* kWatcherPath = "/StatusNotifierWatcher";
constexpr const char* kItemPath = "/StatusNotifierItem";
constexpr const char* kItemInterface = "org.kde.StatusNotifierItem";
constexpr int kPixmapSizes[] = {16, 22, 24, 32, 48, 64, 96, 128, 256};

constexpr const char* kItemXml =
    "<node><interface name='org.kde.StatusNotifierItem'>"
    "<property name='Category' type='s' access='read'/>"
    "<property name='Id' type='s' access='read'/>"
    "<property name='Title' type='s' access='read'/>"
    "<property name='Status' type='s' access='read'/>"
    "<property name='WindowId' type='i' access='read'/>"
    "<property name='IconName' type='s' access='read'/>"
    "<property name='IconPixmap' type='a(iiay)' access='read'/>"
    "<property name='OverlayIconName' type='s' access='read'/>"
    "<property name='OverlayIconPixmap' type='a(iiay)' access='read'/>"
    "<property name='AttentionIconName' type='s' access='read'/>"
    "<property name='AttentionIconPixmap' type='a(iiay)' access='read'/>"
    "<property name='AttentionMovieName' type='s' access='read'/>"
    "<property name='ToolTip' type='(sa(iiay)ss)' access='read'/>"
    "<property name='ItemIsMenu' type='b' access='read'/>"
    "<method name='ContextMenu'><arg name='x' type='i' direction='in'/><arg name='y' type='i' direction='in'/>"
    "</method>"
    "<method name='Activate'><arg name='x' type='i' direction='in'/><arg name='y' type='i' direction='in'/>"
    "</method>"
    "<method name='SecondaryActivate'><arg name='x' type='i' direction='in'/><arg name='y' type='i' direction='in'/>"
    "</method>"
    "<method name='Scroll'><arg name='delta' type='i' direction='in'/>"
    "<arg name='orientation' type='s' direction='in'/></method>"
    "<signal name='NewTitle'/><signal name='NewIcon'/><signal name='NewAttentionIcon'/>"
    "<signal name='NewOverlayIcon'/><signal name='NewToolTip'/>"
    "<signal name='NewStatus'><arg name='status' type='s'/></signal>"
    "</interface></node>";

using ConnectionPtr = GObjectPtr<GDBusConnection>;
using CancellablePtr = GObjectPtr<GCancellable>;

void AppendArgb(std::uint32_t pixel, std::vector<std::uint8_t>* out) {
  out->push_back(static_cast<std::uint8_t>(pixel >> 24));
  out->push_back(static_cast<std::uint8_t>(pixel >> 16));
  out->push_back(static_cast<std::uint8_t>(pixel >> 8));
  out->push_back(static_cast<std::uint8_t>(pixel));
}

// The source drawn into a picture whose longer side is `size`.
ItemPixmap Scaled(cairo_surface_t* source, const IconPixels& icon, int size) {
  const int longer = std::max(icon.width, icon.height);
  ItemPixmap out;
  out.width = std::max(1, (icon.width * size + longer / 2) / longer);
  out.height = std::max(1, (icon.height * size + longer / 2) / longer);
  CairoSurfacePtr target(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, out.width, out.height));
  {
    CairoContextPtr cr(cairo_create(target.get()));
    cairo_scale(cr.get(), static_cast<double>(out.width) / icon.width, static_cast<double>(out.height) / icon.height);
    cairo_set_source_surface(cr.get(), source, 0, 0);
    cairo_pattern_set_filter(cairo_get_source(cr.get()), CAIRO_FILTER_GOOD);
    cairo_paint(cr.get());
  }
  cairo_surface_flush(target.get());
  const auto* data = cairo_image_surface_get_data(target.get());
  const int stride = cairo_image_surface_get_stride(target.get());
  out.argb.reserve(static_cast<std::size_t>(out.width) * static_cast<std::size_t>(out.height) * 4);
  for (int y = 0; y < out.height; ++y) {
    const auto* row = reinterpret_cast<const std::uint32_t*>(data + static_cast<std::ptrdiff_t>(y) * stride);
    for (int x = 0; x < out.width; ++x) {
      const std::uint32_t p = row[x];
      const std::uint32_t a = p >> 24;
      auto channel = [&](int shift) { return a ? (((p >> shift) & 0xFF) * 255 + a / 2) / a : 0u; };
      AppendArgb(a << 24 | channel(16) << 16 | channel(8) << 8 | channel(0), &out.argb);
    }
  }
  return out;
}

GVariant* PixmapsVariant(const std::vector<ItemPixmap>& pixmaps) {
  GVariantBuilder builder;
  g_variant_builder_init(&builder, G_VARIANT_TYPE("a(iiay)"));
  for (const ItemPixmap& p : pixmaps) {
    GVariant* bytes = g_variant_new_fixed_array(G_VARIANT_TYPE_BYTE, p.argb.data(), p.argb.size(), 1);
    g_variant_builder_add(&builder, "(ii@ay)", p.width, p.height, bytes);
  }
  return g_variant_builder_end(&builder);
}

// The data folders of the desktop's icon themes, read afresh each time.
std::vector<std::string> DataFolders() {
  std::vector<std::string> folders;
  const char* home = std::getenv("XDG_DATA_HOME");
  const char* user = std::getenv("HOME");
  if (home && *home) {
    folders.emplace_back(home);
  } else if (user && *user) {
    folders.push_back(std::string(user) + "/.local/share");
  }
  const char* system = std::getenv("XDG_DATA_DIRS");
  std::string list = system && *system ? system : "/usr/local/share:/usr/share";
  for (std::size_t start = 0; start <= list.size();) {
    const std::size_t end = std::min(list.find(':', start), list.size());
    if (end > start) folders.push_back(list.substr(start, end - start));
    start = end + 1;
  }
  return folders;
}

// `name` when the hicolor theme holds an icon of that name (as the
// program's installation puts it there), else empty: a host would look for
// a name in vain and may then show nothing.
std::string InstalledIconName(const std::string& name) {
  for (const std::string& folder : DataFolders()) {
    for (int size : kPixmapSizes) {
      const std::string size_text = std::to_string(size);
      const std::string path = folder + "/icons/hicolor/" + size_text + "x" + size_text + "/apps/" + name + ".png";
      if (g_file_test(path.c_str(), G_FILE_TEST_IS_REGULAR)) return name;
    }
  }
  return {};
}

// Starts a connection to the bus at address; done gets it on this thread
// (GLib makes it on a worker of its own: the handshake may block).
void StartConnection(const std::string& address, GCancellable* cancel, GAsyncReadyCallback done, gpointer data) {
  g_dbus_connection_new_for_address(address.c_str(),
                                    static_cast<GDBusConnectionFlags>(G_DBUS_CONNECTION_FLAGS_AUTHENTICATION_CLIENT |
                                                                      G_DBUS_CONNECTION_FLAGS_MESSAGE_BUS_CONNECTION),
                                    nullptr, cancel, done, data);
}

// The connection StartConnection made; null when it failed or was cancelled.
ConnectionPtr Connected(GAsyncResult* result) {
  GError* error = nullptr;
  ConnectionPtr bus(g_dbus_connection_new_for_address_finish(result, &error));
  if (error) g_error_free(error);
  if (bus) g_dbus_connection_set_exit_on_close(bus.get(), FALSE);
  return bus;
}

// Closes the connection without waiting for that (a hung bus may not take
// what is still to be written); the bus thread, asked to stop, waits for it
// a moment.
void Disconnect(ConnectionPtr& bus) {
  if (!bus) return;
  g_dbus_connection_close(
      bus.get(), nullptr,
      [](GObject* source, GAsyncResult* result, gpointer hold) {
        g_dbus_connection_close_finish(G_DBUS_CONNECTION(source), result, nullptr);
        delete static_cast<DesktopNotifier::WorkHold*>(hold);
      },
      new DesktopNotifier::WorkHold(DesktopNotifier::HoldBusThread()));
  bus.reset();
}

}  // namespace

std::vector<ItemPixmap> ItemPixmaps(const IconPixels& icon) {
  std::vector<ItemPixmap> out;
  if (icon.width <= 0 || icon.height <= 0 ||
      icon.argb.size() < static_cast<std::size_t>(icon.width) * static_cast<std::size_t>(icon.height)) {
    return out;
  }
  CairoSurfacePtr source = IconSurface(icon);
  const int longer = std::max(icon.width, icon.height);
  for (int size : kPixmapSizes) {
    if (size < longer) out.push_back(Scaled(source.get(), icon, size));
  }
  ItemPixmap own;  // its own size, exactly
  own.width = icon.width;
  own.height = icon.height;
  own.argb.reserve(icon.argb.size() * 4);
  for (std::size_t i = 0; i < static_cast<std::size_t>(icon.width) * static_cast<std::size_t>(icon.height); ++i) {
    AppendArgb(icon.argb[i], &own.argb);
  }
  out.push_back(std::move(own));
  return out;
}

// --- the bus side (the bus thread only, but for `watcher`) ------------------------------

class StatusNotifierTray::Bus : public std::enable_shared_from_this<Bus> {
 public:
  Bus(std::string address, std::string id, std::function<void(RawEvent)> post)
      : address_(std::move(address)), id_(std::move(id)), post_(std::move(post)),
        node_(g_dbus_node_info_new_for_xml(kItemXml, nullptr)) {}

  ~Bus() { g_dbus_node_info_unref(node_); }

  Bus(const Bus&) = delete;
  Bus& operator=(const Bus&) = delete;

  std::atomic<Watcher> watcher{Watcher::Unknown};

  // Follows the watcher's name once connected: its owner changes are
  // signalled, and the question after subscribing cannot miss one. Nothing
  // waits for the bus; a bus that has not answered within kWatcherWaitMs
  // counts as one without a watcher until it answers.
  void Start() {
    wait_.reset(g_timeout_source_new(kWatcherWaitMs));
    g_source_set_callback(wait_.get(), &Bus::OnWaitOver, new std::weak_ptr<Bus>(weak_from_this()), &Bus::DeleteWeak);
    g_source_attach(wait_.get(), g_main_context_get_thread_default());
    StartConnection(address_, cancel_.get(), &Bus::OnControlConnected, new Pending{weak_from_this()});
  }

  void Show(const TrayIconState& state) {
    if (closed_) return;
    Item* item = Find(state.owner, state.id);
    if (!item) {
      Add(state);
      return;
    }
    if (!item->connection && !item->connecting && watcher.load() == Watcher::Present) ConnectItem(*item);  // it failed
    const bool icon_changed = item->state.icon.width != state.icon.width ||
                              item->state.icon.height != state.icon.height || item->state.icon.argb != state.icon.argb;
    const bool tip_changed = item->state.tip != state.tip;
    item->state = state;
    if (icon_changed) {
      item->pixmaps = ItemPixmaps(state.icon);
      Emit(*item, "NewIcon");
    }
    if (tip_changed) {
      Emit(*item, "NewToolTip");
      Emit(*item, "NewTitle");
    }
  }

  void Remove(HWND owner, UINT id) {
    auto it = std::find_if(items_.begin(), items_.end(),
                           [&](const auto& item) { return item->state.owner == owner && item->state.id == id; });
    if (it == items_.end()) return;
    Drop(**it);
    items_.erase(it);
  }

  void Close() {
    closed_ = true;
    EndWait();
    g_cancellable_cancel(cancel_.get());  // connections being made, the question
    for (auto& item : items_) Drop(*item);
    items_.clear();
    if (control_ && subscription_) g_dbus_connection_signal_unsubscribe(control_.get(), subscription_);
    subscription_ = 0;
    Disconnect(control_);
  }

 private:
  // An icon. Its connection is made while a watcher runs, from the first
  // ShowIcon then (else when the watcher comes), and again at a ShowIcon
  // after one failed.
  struct Item {
    TrayIconState state;
    std::vector<ItemPixmap> pixmaps;
    std::uint64_t serial = 0;
    ConnectionPtr connection;
    bool connecting = false;
    guint object = 0;
  };

  // What a connection being made or a question carries to its callback.
  struct Pending {
    std::weak_ptr<Bus> bus;
    std::uint64_t item = 0;  // the serial of the item whose connection it is; 0: the control connection
    DesktopNotifier::WorkHold hold = DesktopNotifier::HoldBusThread();
  };

  // What an item's object carries to its callbacks.
  struct ItemRef {
    std::weak_ptr<Bus> bus;
    HWND owner;
    UINT id;
  };

  Item* Find(HWND owner, UINT id) const {
    for (const auto& item : items_) {
      if (item->state.owner == owner && item->state.id == id) return item.get();
    }
    return nullptr;
  }

  Item* FindSerial(std::uint64_t serial) const {
    for (const auto& item : items_) {
      if (item->serial == serial) return item.get();
    }
    return nullptr;
  }

  void Add(const TrayIconState& state) {
    auto item = std::make_unique<Item>();
    item->state = state;
    item->pixmaps = ItemPixmaps(state.icon);
    item->serial = ++serials_;
    items_.push_back(std::move(item));
    if (watcher.load() == Watcher::Present) ConnectItem(*items_.back());
  }

  void ConnectItem(Item& item) {
    item.connecting = true;
    StartConnection(address_, cancel_.get(), &Bus::OnItemConnected, new Pending{weak_from_this(), item.serial});
  }

  void Attach(Item& item, ConnectionPtr connection) {
    item.connection = std::move(connection);
    static const GDBusInterfaceVTable vtable = {&Bus::OnCall, &Bus::OnGet, nullptr, {}};
    item.object = g_dbus_connection_register_object(item.connection.get(), kItemPath, node_->interfaces[0], &vtable,
                                                    new ItemRef{weak_from_this(), item.state.owner, item.state.id},
                                                    &Bus::DeleteRef, nullptr);
    if (watcher.load() == Watcher::Present) Register(item);
  }

  void Follow(ConnectionPtr connection) {
    control_ = std::move(connection);
    subscription_ = g_dbus_connection_signal_subscribe(control_.get(), kDBus, kDBus, "NameOwnerChanged", kDBusPath,
                                                       kWatcher, G_DBUS_SIGNAL_FLAGS_NONE, &Bus::OnOwnerChanged,
                                                       new std::weak_ptr<Bus>(weak_from_this()), &Bus::DeleteWeak);
    g_dbus_connection_call(control_.get(), kDBus, kDBusPath, kDBus, "NameHasOwner", g_variant_new("(s)", kWatcher),
                           G_VARIANT_TYPE("(b)"), G_DBUS_CALL_FLAGS_NONE, -1, cancel_.get(), &Bus::OnOwnerAnswer,
                           new Pending{weak_from_this()});
  }

  void EndWait() {
    if (!wait_) return;
    g_source_destroy(wait_.get());
    wait_.reset();
  }

  void Drop(Item& item) {
    if (item.object) g_dbus_connection_unregister_object(item.connection.get(), item.object);
    item.object = 0;
    Disconnect(item.connection);  // its name goes, and the watcher forgets the item
  }

  // No answer is awaited: a watcher that refuses changes nothing here.
  void Register(Item& item) {
    g_dbus_connection_call(item.connection.get(), kWatcher, kWatcherPath, kWatcher, "RegisterStatusNotifierItem",
                           g_variant_new("(s)", g_dbus_connection_get_unique_name(item.connection.get())), nullptr,
                           G_DBUS_CALL_FLAGS_NONE, -1, nullptr, nullptr, nullptr);
  }

  void Emit(Item& item, const char* signal) {
    if (!item.connection) return;
    g_dbus_connection_emit_signal(item.connection.get(), nullptr, kItemPath, kItemInterface, signal, nullptr,
                                  nullptr);
  }

  void WatcherSeen(bool present) {
    if (closed_) return;
    EndWait();
    const Watcher now = present ? Watcher::Present : Watcher::Absent;
    const Watcher before = watcher.exchange(now);
    if (present) {
      for (auto& item : items_) {
        if (item->connection) {
          Register(*item);  // a new watcher knows nothing of them
        } else if (!item->connecting) {
          ConnectItem(*item);
        }
      }
    }
    if (before == now) return;
    RawEvent changed;
    changed.kind = RawEventKind::TrayHostChanged;
    post_(std::move(changed));
  }

  // A click of the button whose press is `down`, at the host's point.
  void Click(const ItemRef& ref, LPARAM down, int x, int y) {
    if (closed_) return;
    for (LPARAM message : {down, down + 1}) {  // WM_xBUTTONUP follows WM_xBUTTONDOWN
      RawEvent e;
      e.kind = RawEventKind::TrayInput;
      e.surface = ref.owner;
      e.wparam = ref.id;
      e.lparam = message;
      e.pt = POINT{x, y};
      post_(std::move(e));
    }
  }

  GVariant* Property(const Item& item, const gchar* name) const {
    const std::string title = item.state.tip.empty() ? id_ : Utf16ToUtf8(item.state.tip);
    const std::string_view property(name);
    if (property == "Category") return g_variant_new_string("ApplicationStatus");
    if (property == "Id") return g_variant_new_string(id_.c_str());
    if (property == "Title") return g_variant_new_string(title.c_str());
    if (property == "Status") return g_variant_new_string("Active");
    if (property == "WindowId") return g_variant_new_int32(0);
    if (property == "IconPixmap") return PixmapsVariant(item.pixmaps);
    if (property == "OverlayIconPixmap" || property == "AttentionIconPixmap") return PixmapsVariant({});
    if (property == "ToolTip") {
      return g_variant_new("(s@a(iiay)ss)", "", PixmapsVariant({}), title.c_str(), "");
    }
    if (property == "ItemIsMenu") return g_variant_new_boolean(FALSE);
    if (property == "IconName") return g_variant_new_string(InstalledIconName(id_).c_str());
    return g_variant_new_string("");  // the overlay, attention and movie names: none
  }

  static void OnControlConnected(GObject*, GAsyncResult* result, gpointer data) {
    std::unique_ptr<Pending> pending(static_cast<Pending*>(data));
    ConnectionPtr connection = Connected(result);
    auto bus = pending->bus.lock();
    if (!bus || bus->closed_) {
      Disconnect(connection);
    } else if (connection) {
      bus->Follow(std::move(connection));
    } else {
      bus->WatcherSeen(false);  // no bus, no watcher
    }
  }

  static void OnItemConnected(GObject*, GAsyncResult* result, gpointer data) {
    std::unique_ptr<Pending> pending(static_cast<Pending*>(data));
    ConnectionPtr connection = Connected(result);
    auto bus = pending->bus.lock();
    Item* item = bus ? bus->FindSerial(pending->item) : nullptr;
    if (!item) {  // the icon went meanwhile
      Disconnect(connection);
      return;
    }
    item->connecting = false;
    if (connection) bus->Attach(*item, std::move(connection));
  }

  // The answer to NameHasOwner; none (an error) counts as no watcher.
  static void OnOwnerAnswer(GObject* source, GAsyncResult* result, gpointer data) {
    std::unique_ptr<Pending> pending(static_cast<Pending*>(data));
    GVariant* reply = g_dbus_connection_call_finish(G_DBUS_CONNECTION(source), result, nullptr);
    gboolean owned = FALSE;
    if (reply) {
      g_variant_get(reply, "(b)", &owned);
      g_variant_unref(reply);
    }
    if (auto bus = pending->bus.lock()) bus->WatcherSeen(owned);
  }

  static gboolean OnWaitOver(gpointer data) {
    auto bus = static_cast<std::weak_ptr<Bus>*>(data)->lock();
    if (bus && bus->watcher.load() == Watcher::Unknown) bus->WatcherSeen(false);
    return G_SOURCE_REMOVE;
  }

  static void OnOwnerChanged(GDBusConnection*, const gchar*, const gchar*, const gchar*, const gchar*,
                             GVariant* parameters, gpointer data) {
    auto bus = static_cast<std::weak_ptr<Bus>*>(data)->lock();
    if (!bus || !g_variant_is_of_type(parameters, G_VARIANT_TYPE("(sss)"))) return;
    const gchar* new_owner = nullptr;
    g_variant_get(parameters, "(&s&s&s)", nullptr, nullptr, &new_owner);
    bus->WatcherSeen(new_owner && *new_owner);
  }

  static void OnCall(GDBusConnection*, const gchar*, const gchar*, const gchar*, const gchar* method,
                     GVariant* parameters, GDBusMethodInvocation* invocation, gpointer data) {
    const auto* ref = static_cast<const ItemRef*>(data);
    const std::string_view name(method);
    LPARAM down = 0;
    if (name == "Activate") down = WM_LBUTTONDOWN;
    if (name == "ContextMenu") down = WM_RBUTTONDOWN;
    if (name == "SecondaryActivate") down = WM_MBUTTONDOWN;
    auto bus = ref->bus.lock();
    if (bus && down && g_variant_is_of_type(parameters, G_VARIANT_TYPE("(ii)"))) {
      gint32 x = 0;
      gint32 y = 0;
      g_variant_get(parameters, "(ii)", &x, &y);
      bus->Click(*ref, down, x, y);
    }
    g_dbus_method_invocation_return_value(invocation, nullptr);
  }

  static GVariant* OnGet(GDBusConnection*, const gchar*, const gchar*, const gchar*, const gchar* property,
                         GError** error, gpointer data) {
    const auto* ref = static_cast<const ItemRef*>(data);
    auto bus = ref->bus.lock();
    const Item* item = bus ? bus->Find(ref->owner, ref->id) : nullptr;
    if (!item) {
      g_set_error_literal(error, G_DBUS_ERROR, G_DBUS_ERROR_UNKNOWN_OBJECT, "the item is gone");
      return nullptr;
    }
    return bus->Property(*item, property);
  }

  static void DeleteWeak(gpointer data) { delete static_cast<std::weak_ptr<Bus>*>(data); }
  static void DeleteRef(gpointer data) { delete static_cast<ItemRef*>(data); }

  const std::string address_;
  const std::string id_;
  const std::function<void(RawEvent)> post_;
  GDBusNodeInfo* node_;
  CancellablePtr cancel_{g_cancellable_new()};  // cancelled at Close
  GSourcePtr wait_;  // the wait for the watcher's first answer
  ConnectionPtr control_;  // follows the watcher's name
  guint subscription_ = 0;
  std::vector<std::unique_ptr<Item>> items_;
  std::uint64_t serials_ = 0;
  bool closed_ = false;
};

// --- the UI side --------------------------------------------------------------------------------

namespace {

std::string ItemId(const std::string& id) {
  if (!id.empty()) return id;
  const char* name = g_get_prgname();
  return name && *name ? name : "varnika";
}

}  // namespace

StatusNotifierTray::StatusNotifierTray(StatusNotifierContext context)
    : notifier_(context.notifier),
      bus_(std::make_shared<Bus>(std::move(context.bus_address), ItemId(context.id), std::move(context.post))) {
  OnBusThread([](Bus& bus) { bus.Start(); });
}

StatusNotifierTray::~StatusNotifierTray() {
  OnBusThread([](Bus& bus) { bus.Close(); });
}

void StatusNotifierTray::OnBusThread(std::function<void(Bus&)> task) {
  notifier_->RunOnBusThread([bus = bus_, task = std::move(task)] { task(*bus); });
}

StatusNotifierTray::Watcher StatusNotifierTray::WatcherState() const { return bus_->watcher.load(); }

void StatusNotifierTray::ShowIcon(const TrayIconState& icon) {
  OnBusThread([icon](Bus& bus) { bus.Show(icon); });
}

void StatusNotifierTray::RemoveIcon(HWND owner, UINT id) {
  notifier_->Close(owner, id);
  OnBusThread([owner, id](Bus& bus) { bus.Remove(owner, id); });
}

void StatusNotifierTray::ShowBalloon(const TrayIconState& icon, const TrayBalloon& balloon) {
  notifier_->Show(DesktopNotifier::Notice::ForBalloon(icon, balloon));
}

void StatusNotifierTray::HideBalloon(HWND owner, UINT id) { notifier_->Close(owner, id); }

}  // namespace varnika
