// Reading map. Helpers (programs on PATH, running as sway's user), the
// start (folders, bus, sway, X access, the pointer), the compositor's side
// (swaymsg, grim) and X's side (windows, a probe, event counts).
#include "tests/app_sway/SwayDesktop.h"

#include <pwd.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>

// Last: Xlib's macros would trip the headers above.
#include <X11/Xlib.h>
#include <X11/Xutil.h>

namespace varnika::sway {

namespace {

// sway refuses to run as root: then it and its bus run as nobody.
constexpr uid_t kSwayUser = 65534;

Display* D(void* p) { return static_cast<Display*>(p); }

int IgnoreErrors(Display*, XErrorEvent*) { return 0; }

bool OnPath(const std::string& program) {
  const char* path = std::getenv("PATH");
  std::stringstream dirs(path ? path : "/usr/bin:/bin");
  std::string dir;
  while (std::getline(dirs, dir, ':')) {
    if (access((dir + "/" + program).c_str(), X_OK) == 0) return true;
  }
  return false;
}

bool AsRoot() { return getuid() == 0; }

std::vector<std::string> AsSwayUser(std::vector<std::string> argv) {
  if (!AsRoot()) return argv;
  const std::string id = std::to_string(kSwayUser);
  std::vector<std::string> full{"setpriv",      "--reuid=" + id, "--regid=" + id, "--clear-groups",
                                "--pdeathsig", "KILL",          "--"};
  full.insert(full.end(), argv.begin(), argv.end());
  return full;
}

void OwnForSway(const std::filesystem::path& path, mode_t mode) {
  chmod(path.c_str(), mode);
  if (AsRoot() && chown(path.c_str(), kSwayUser, kSwayUser) != 0) return;
}

std::string Tail(const std::string& text) { return text.size() > 600 ? text.substr(text.size() - 600) : text; }

// Runs a shell command line and returns its output ("" when it failed or
// took longer than 10 s).
std::string Shell(const std::string& line, const std::vector<std::string>& env = {}) {
  xtest::Process p = xtest::Process::Start({"sh", "-c", line}, env);
  return p.WaitExit(10000) == 0 ? p.Output() : std::string();
}

// The container of an X window in sway's tree: "x y width height".
constexpr const char* kFindContainer = R"(
import json, sys
def walk(node):
    if node.get('window') == int(sys.argv[1]):
        r = node['rect']
        print(r['x'], r['y'], r['width'], r['height'])
    for child in node.get('nodes', []) + node.get('floating_nodes', []):
        walk(child)
walk(json.load(sys.stdin))
)";

std::string Quoted(const std::string& s) {
  std::string out = "'";
  for (char c : s) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return out + "'";
}

void FindClients(Display* d, Window w, const char* wm_class, std::vector<unsigned long>* found) {
  Window root = 0, parent = 0, *children = nullptr;
  unsigned count = 0;
  if (!XQueryTree(d, w, &root, &parent, &children, &count)) return;
  for (unsigned i = 0; i < count; ++i) {
    XClassHint hint{};
    if (XGetClassHint(d, children[i], &hint)) {
      if (hint.res_class && std::strcmp(hint.res_class, wm_class) == 0) found->push_back(children[i]);
      if (hint.res_name) XFree(hint.res_name);
      if (hint.res_class) XFree(hint.res_class);
    }
    FindClients(d, children[i], wm_class, found);
  }
  if (children) XFree(children);
}

}  // namespace

std::string ToString(const Box& box) {
  return std::to_string(box.width) + "x" + std::to_string(box.height) + "+" + std::to_string(box.x) + "+" +
         std::to_string(box.y);
}

SwayDesktop& SwayDesktop::Get() {
  static SwayDesktop desktop;
  return desktop;
}

SwayDesktop::SwayDesktop() { Start(); }

SwayDesktop::~SwayDesktop() {
  pointer_.reset();
  if (x_) XCloseDisplay(D(x_));
  sway_.Stop();
  bus_.Stop();
  std::error_code ignored;
  if (!root_.empty()) std::filesystem::remove_all(root_, ignored);
}

// --- the start ---------------------------------------------------------------------------

void SwayDesktop::Start() {
  for (const char* program : {"sway", "swaymsg", "Xwayland", "dbus-daemon", "python3"}) {
    if (!OnPath(program)) {
      why_not_ = std::string(program) + " is not installed";
      return;
    }
  }
  if (AsRoot() && !OnPath("setpriv")) {
    why_not_ = "running as root without setpriv to start sway as another user";
    return;
  }
  std::string folder = "/tmp/varnika-sway-XXXXXX";
  if (!mkdtemp(folder.data())) {
    why_not_ = "no temporary folder";
    return;
  }
  root_ = folder;
  chmod(root_.c_str(), 0755);
  const std::filesystem::path home = root_ / "home";
  const std::filesystem::path run = root_ / "run";
  std::filesystem::create_directories(home);
  std::filesystem::create_directories(run);
  OwnForSway(home, 0700);
  OwnForSway(run, 0700);  // a runtime folder must be private
  const std::filesystem::path session = home / "session";
  {
    std::ofstream config(home / "config");
    config << "xwayland enable\n"
           << "output HEADLESS-1 resolution " << kScreenWidth << "x" << kScreenHeight << " position 0 0\n"
           << "default_border none\ndefault_floating_border none\nfocus_follows_mouse no\n"
           // swaybar keeps the tray (and the watcher of status notifier
           // items) while hidden, and a hidden bar takes no room.
           << "bar {\n  mode hide\n  hidden_state hide\n  tray_output *\n}\n"
           << "exec sh -c 'echo \"$DISPLAY $SWAYSOCK\" > " << session.string() << ".new && mv " << session.string()
           << ".new " << session.string() << "'\n";
  }
  OwnForSway(home / "config", 0600);

  const std::vector<std::string> folders{"HOME=" + home.string(), "XDG_RUNTIME_DIR=" + run.string()};
  bus_address_ = "unix:path=" + (run / "bus").string();
  {
    // A session bus that lets the program in when it runs as another user
    // than sway and swaybar.
    std::ofstream config(home / "bus.conf");
    config << "<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN\"\n"
           << " \"http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd\">\n"
           << "<busconfig><type>session</type><listen>" << bus_address_ << "</listen><auth>EXTERNAL</auth>"
           << "<policy context=\"default\"><allow user=\"*\"/><allow send_destination=\"*\" eavesdrop=\"true\"/>"
           << "<allow eavesdrop=\"true\"/><allow own=\"*\"/></policy></busconfig>\n";
  }
  OwnForSway(home / "bus.conf", 0600);
  bus_ = xtest::Process::Start(
      AsSwayUser({"dbus-daemon", "--nofork", "--nopidfile", "--config-file=" + (home / "bus.conf").string()}),
      folders);
  if (!xtest::WaitFor([&] { return std::filesystem::exists(run / "bus"); }, 10000)) {
    why_not_ = "the session bus did not start: " + Tail(bus_.Errors());
    return;
  }
  std::vector<std::string> env = folders;
  env.insert(env.end(), {"WLR_BACKENDS=headless", "WLR_LIBINPUT_NO_DEVICES=1", "WLR_RENDERER=pixman",
                         "DBUS_SESSION_BUS_ADDRESS=" + bus_address_});
  sway_ = xtest::Process::Start(AsSwayUser({"sway", "-c", (home / "config").string()}), env);
  if (!xtest::WaitFor([&] { return std::filesystem::exists(session) || !sway_.Running(); }, 15000) ||
      !sway_.Running()) {
    why_not_ = "sway did not start: " + Tail(sway_.Errors());
    return;
  }
  std::ifstream(session) >> x_display_ >> sway_socket_;
  wayland_socket_ = (run / "wayland-1").string();
  if (x_display_.empty() || sway_socket_.empty()) {
    why_not_ = "sway started without XWayland: " + Tail(sway_.Errors());
    return;
  }
  if (!AllowXClients() || !(x_ = XOpenDisplay(x_display_.c_str()))) {
    why_not_ = "cannot connect to XWayland on " + x_display_;
    return;
  }
  XSetErrorHandler(IgnoreErrors);
  pointer_ = std::make_unique<VirtualPointer>(wayland_socket_, kScreenWidth, kScreenHeight);
  if (!pointer_->Error().empty()) why_not_ = "no virtual pointer: " + pointer_->Error();
}

// XWayland lets only its own user in: when that is not ours, a client of
// its user lets ours in too.
bool SwayDesktop::AllowXClients() {
  if (!AsRoot()) return true;
  const passwd* me = getpwuid(getuid());
  const std::string user = me ? me->pw_name : "root";
  const pid_t pid = fork();
  if (pid == 0) {
    if (setgid(kSwayUser) != 0 || setuid(kSwayUser) != 0) _exit(2);
    Display* d = XOpenDisplay(x_display_.c_str());
    if (!d) _exit(3);
    XServerInterpretedAddress local{9, static_cast<int>(user.size()), const_cast<char*>("localuser"),
                                    const_cast<char*>(user.c_str())};
    XHostAddress host{FamilyServerInterpreted, static_cast<int>(sizeof local), reinterpret_cast<char*>(&local)};
    XAddHost(d, &host);
    XCloseDisplay(d);
    _exit(0);
  }
  if (pid < 0) return false;
  int status = 0;
  const bool done = xtest::WaitFor([&] { return waitpid(pid, &status, WNOHANG) == pid; }, 15000);
  if (!done) {
    kill(pid, SIGKILL);
    waitpid(pid, &status, 0);
  }
  return done && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// --- the compositor's side -----------------------------------------------------------------

bool SwayDesktop::Command(const std::string& command) {
  xtest::Process p = xtest::Process::Start({"swaymsg", "-s", sway_socket_, command});
  return p.WaitExit(10000) == 0;
}

bool SwayDesktop::ContainerBox(unsigned long xid, Box* box) {
  const std::string out = Shell("swaymsg -s " + Quoted(sway_socket_) + " -r -t get_tree | python3 -c " +
                                Quoted(kFindContainer) + " " + std::to_string(xid));
  std::istringstream in(out);
  return static_cast<bool>(in >> box->x >> box->y >> box->width >> box->height);
}

bool SwayDesktop::Screenshot(const std::string& path) {
  xtest::Process p = xtest::Process::Start(
      {"grim", path}, {"WAYLAND_DISPLAY=" + wayland_socket_, "XDG_RUNTIME_DIR=" + (root_ / "run").string()});
  return p.WaitExit(10000) == 0;
}

std::string SwayDesktop::BusCall(const std::vector<std::string>& args) {
  std::vector<std::string> argv{"dbus-send", "--session", "--print-reply"};
  argv.insert(argv.end(), args.begin(), args.end());
  xtest::Process p = xtest::Process::Start(argv, {"DBUS_SESSION_BUS_ADDRESS=" + bus_address_});
  return p.WaitExit(10000) == 0 ? p.Output() : std::string();
}

// --- X's side -------------------------------------------------------------------------------

std::vector<unsigned long> SwayDesktop::Clients(const char* wm_class) {
  std::vector<unsigned long> found;
  FindClients(D(x_), DefaultRootWindow(D(x_)), wm_class, &found);
  return found;
}

bool SwayDesktop::XBox(unsigned long window, Box* box) {
  Display* d = D(x_);
  XWindowAttributes attrs;
  if (!window || !XGetWindowAttributes(d, window, &attrs) || attrs.map_state != IsViewable) return false;
  Window child = 0;
  XTranslateCoordinates(d, window, DefaultRootWindow(d), 0, 0, &box->x, &box->y, &child);
  box->width = attrs.width;
  box->height = attrs.height;
  return true;
}

unsigned long SwayDesktop::CreateProbe() {
  Display* d = D(x_);
  const Window w = XCreateSimpleWindow(d, DefaultRootWindow(d), 0, 0, 300, 200, 0, 0, 0x3355AA);
  XSelectInput(d, w, ButtonPressMask);
  XClassHint hint{const_cast<char*>("probe"), const_cast<char*>("varnika-probe")};
  XSetClassHint(d, w, &hint);
  XMapWindow(d, w);
  XSync(d, False);
  return w;
}

void SwayDesktop::DestroyWindow(unsigned long window) {
  XDestroyWindow(D(x_), window);
  XSync(D(x_), False);
}

void SwayDesktop::PumpX() {
  Display* d = D(x_);
  XSync(d, False);
  while (XPending(d) > 0) {
    XEvent e;
    XNextEvent(d, &e);
    if (e.type == ButtonPress) presses_.push_back({e.xbutton.window, {e.xbutton.x_root, e.xbutton.y_root}});
    if (e.type == ConfigureNotify) configured_.push_back(e.xconfigure.window);
  }
}

std::vector<std::pair<int, int>> SwayDesktop::ProbePresses(unsigned long probe) {
  PumpX();
  std::vector<std::pair<int, int>> out;
  for (const auto& [window, at] : presses_) {
    if (window == probe) out.push_back(at);
  }
  std::erase_if(presses_, [&](const auto& p) { return p.first == probe; });
  return out;
}

int SwayDesktop::ConfigureNotifies(unsigned long window) {
  if (std::find(watched_.begin(), watched_.end(), window) == watched_.end()) {
    watched_.push_back(window);
    XSelectInput(D(x_), window, StructureNotifyMask);
  }
  PumpX();
  return static_cast<int>(std::erase(configured_, window));
}

}  // namespace varnika::sway
