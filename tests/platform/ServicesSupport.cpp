#include "tests/platform/ServicesSupport.h"

#include <gio/gio.h>
#include <glib.h>

#include <future>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

extern char** environ;

namespace varnika::test {

void OwnBusName(GDBusConnection* bus, const char* name) {
  GVariant* reply = g_dbus_connection_call_sync(bus, "org.freedesktop.DBus", "/org/freedesktop/DBus",
                                                "org.freedesktop.DBus", "RequestName", g_variant_new("(su)", name, 4u),
                                                nullptr, G_DBUS_CALL_FLAGS_NONE, -1, nullptr, nullptr);
  if (reply) g_variant_unref(reply);
}

void EndStandIn(GDBusNodeInfo* node, GDBusConnection* bus) {
  if (node) g_dbus_node_info_unref(node);
  if (bus) {
    g_dbus_connection_close_sync(bus, nullptr, nullptr);
    g_object_unref(bus);
  }
}

namespace {

long long NowMs() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<long long>(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
}

}  // namespace

TempFolder::TempFolder() {
  const char* base = std::getenv("TMPDIR");
  std::string templ = std::string(base && *base ? base : "/tmp") + "/varnika-test-XXXXXX";
  std::vector<char> buffer(templ.begin(), templ.end());
  buffer.push_back('\0');
  if (!mkdtemp(buffer.data())) ADD_FAILURE() << "mkdtemp: " << std::strerror(errno);
  path_ = buffer.data();
}

TempFolder::~TempFolder() {
  std::error_code ignored;
  std::filesystem::permissions(path_, std::filesystem::perms::owner_all, std::filesystem::perm_options::add, ignored);
  for (auto& entry : std::filesystem::recursive_directory_iterator(path_, ignored)) {
    if (entry.is_directory(ignored))
      std::filesystem::permissions(entry.path(), std::filesystem::perms::owner_all,
                                   std::filesystem::perm_options::add, ignored);
  }
  std::filesystem::remove_all(path_, ignored);
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

void WriteFile(const std::string& path, const std::string& text, int mode) {
  {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
  }
  ::chmod(path.c_str(), static_cast<mode_t>(mode));
}

bool Exists(const std::string& path) {
  struct stat st {};
  return ::lstat(path.c_str(), &st) == 0;
}

ChildProcess::ChildProcess(const std::vector<std::string>& argv, const std::vector<std::string>& extra_env) {
  int fds[2];
  if (pipe2(fds, O_CLOEXEC) != 0) return;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, fds[1], 1);
  std::vector<std::string> env_strings;
  for (char** e = environ; *e; ++e) env_strings.push_back(*e);
  for (const std::string& extra : extra_env) {
    const std::string key = extra.substr(0, extra.find('=') + 1);
    std::erase_if(env_strings, [&](const std::string& s) { return s.rfind(key, 0) == 0; });
    if (extra.back() != '=' || extra.find('=') != extra.size() - 1) env_strings.push_back(extra);
  }
  std::vector<char*> env;
  for (auto& s : env_strings) env.push_back(s.data());
  env.push_back(nullptr);
  std::vector<std::string> args = argv;
  std::vector<char*> arg_pointers;
  for (auto& a : args) arg_pointers.push_back(a.data());
  arg_pointers.push_back(nullptr);
  pid_t pid = -1;
  if (posix_spawnp(&pid, args[0].c_str(), &actions, nullptr, arg_pointers.data(), env.data()) == 0) pid_ = pid;
  posix_spawn_file_actions_destroy(&actions);
  ::close(fds[1]);
  out_ = fds[0];
}

ChildProcess::~ChildProcess() {
  if (pid_ > 0 && !reaped_) {
    ::kill(pid_, SIGKILL);
    Wait(5000);
  }
  if (out_ >= 0) ::close(out_);
}

bool ChildProcess::AwaitOutput(const std::string& text, int timeout_ms) {
  const long long end = NowMs() + timeout_ms;
  while (output_.find(text) == std::string::npos) {
    const long long left = end - NowMs();
    if (left <= 0 || out_ < 0) return false;
    pollfd p{out_, POLLIN, 0};
    if (poll(&p, 1, static_cast<int>(left)) <= 0) continue;
    char buffer[256];
    const ssize_t n = ::read(out_, buffer, sizeof buffer);
    if (n <= 0) return output_.find(text) != std::string::npos;
    output_.append(buffer, static_cast<std::size_t>(n));
  }
  return true;
}

int ChildProcess::Wait(int timeout_ms) {
  if (pid_ <= 0) return -1;
  const long long end = NowMs() + timeout_ms;
  while (!reaped_) {
    const pid_t r = waitpid(pid_, &status_, WNOHANG);
    if (r == pid_) {
      reaped_ = true;
      break;
    }
    if (NowMs() >= end) return -1;
    usleep(2000);
  }
  if (WIFEXITED(status_)) return WEXITSTATUS(status_);
  if (WIFSIGNALED(status_)) return -100 - WTERMSIG(status_);
  return -1;
}

void ChildProcess::Kill(int signal) {
  if (pid_ > 0 && !reaped_) ::kill(pid_, signal);
}

PrivateBus::PrivateBus(const std::string& folder)
    : address_("unix:path=" + folder + "/bus"),
      daemon_({"dbus-daemon", "--session", "--nofork", "--print-address", "--address=" + address_}) {
  started_ = daemon_.AwaitOutput("unix:", 10000);
  if (started_) env_ = std::make_unique<ScopedEnv>("DBUS_SESSION_BUS_ADDRESS", address_.c_str());
}

bool Eventually(const std::function<bool()>& done, int timeout_ms) {
  const long long end = NowMs() + timeout_ms;
  while (!done()) {
    if (NowMs() >= end) return false;
    usleep(5000);
  }
  return true;
}

struct LoopThread::Loop {
  GMainContext* context = g_main_context_new();
  GMainLoop* loop = g_main_loop_new(context, FALSE);
  ~Loop() {
    g_main_loop_unref(loop);
    g_main_context_unref(context);
  }
};

LoopThread::LoopThread(std::function<void()> start, std::function<void()> finish) : loop_(std::make_unique<Loop>()) {
  std::promise<void> ready;
  thread_ = std::thread([&ready, this, start = std::move(start), finish = std::move(finish)] {
    g_main_context_push_thread_default(loop_->context);
    start();
    ready.set_value();
    g_main_loop_run(loop_->loop);
    finish();
    while (g_main_context_iteration(loop_->context, FALSE)) {
    }
    g_main_context_pop_thread_default(loop_->context);
  });
  ready.get_future().wait();
}

LoopThread::~LoopThread() {
  g_main_context_invoke(
      loop_->context,
      [](gpointer loop) -> gboolean {
        g_main_loop_quit(static_cast<GMainLoop*>(loop));
        return G_SOURCE_REMOVE;
      },
      loop_->loop);
  thread_.join();
}

}  // namespace varnika::test
