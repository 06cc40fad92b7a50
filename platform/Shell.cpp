// ShellExecute over xdg-open.
#include "platform/Shell.h"

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include <cerrno>
#include <string>
#include <system_error>
#include <thread>

#include "base/AsciiCase.h"
#include "base/Utf.h"

extern char** environ;

namespace varnika {
namespace {

constexpr int kSuccess = 42;  // any value above 32 means success

HINSTANCE AsInstance(int value) { return reinterpret_cast<HINSTANCE>(static_cast<std::intptr_t>(value)); }

// The spawn attributes of the opener: default signal dispositions and an
// empty signal mask (whatever the program ignores or blocks stays with the
// program), and a process group of its own, so that a terminal's Ctrl+C
// meant for the widget does not reach the browser.
class SpawnAttributes {
 public:
  SpawnAttributes() {
    ok_ = posix_spawnattr_init(&attr_) == 0;
    if (!ok_) return;
    sigset_t all;
    sigset_t none;
    sigfillset(&all);
    sigemptyset(&none);
    ok_ = posix_spawnattr_setsigdefault(&attr_, &all) == 0 && posix_spawnattr_setsigmask(&attr_, &none) == 0 &&
          posix_spawnattr_setpgroup(&attr_, 0) == 0 &&
          posix_spawnattr_setflags(&attr_, POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETPGROUP) ==
              0;
  }
  ~SpawnAttributes() { posix_spawnattr_destroy(&attr_); }
  SpawnAttributes(const SpawnAttributes&) = delete;
  SpawnAttributes& operator=(const SpawnAttributes&) = delete;
  const posix_spawnattr_t* Get() const { return ok_ ? &attr_ : nullptr; }

 private:
  posix_spawnattr_t attr_{};
  bool ok_ = false;
};

// Only the standard descriptors reach the opener: descriptors that the
// program left inheritable (a lock, a socket) must not outlive it in a
// browser.
class SpawnFileActions {
 public:
  SpawnFileActions() {
    ok_ = posix_spawn_file_actions_init(&actions_) == 0 && posix_spawn_file_actions_addclosefrom_np(&actions_, 3) == 0;
  }
  ~SpawnFileActions() { posix_spawn_file_actions_destroy(&actions_); }
  SpawnFileActions(const SpawnFileActions&) = delete;
  SpawnFileActions& operator=(const SpawnFileActions&) = delete;
  const posix_spawn_file_actions_t* Get() const { return ok_ ? &actions_ : nullptr; }

 private:
  posix_spawn_file_actions_t actions_{};
  bool ok_ = false;
};

void Reap(pid_t pid) {
  int status = 0;
  while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
}

// Starts xdg-open with the URL as its only argument and reaps it on a
// detached thread, so no zombie is left behind.
bool SpawnOpener(const std::string& url) {
  std::string program = "xdg-open";
  char* argv[] = {program.data(), const_cast<char*>(url.c_str()), nullptr};
  SpawnAttributes attributes;
  SpawnFileActions actions;
  if (!attributes.Get() || !actions.Get()) return false;
  pid_t pid = 0;
  if (posix_spawnp(&pid, "xdg-open", actions.Get(), attributes.Get(), argv, environ) != 0) return false;
  try {
    std::thread(Reap, pid).detach();
  } catch (const std::system_error&) {
    Reap(pid);  // no thread to spare: wait here rather than leave a zombie
  }
  return true;
}

HINSTANCE Open(std::string_view verb, std::string_view file) {
  if (!verb.empty() && verb != "open") return AsInstance(SE_ERR_NOASSOC);
  if (!IsOpenableUrl(file)) return AsInstance(SE_ERR_ACCESSDENIED);
  return AsInstance(SpawnOpener(std::string(file)) ? kSuccess : ERROR_FILE_NOT_FOUND);
}

std::string Utf8Of(LPCWSTR text) { return text ? Utf16ToUtf8(std::u16string_view(text)) : std::string(); }

}  // namespace

bool IsOpenableUrl(std::string_view url) {
  std::size_t rest = 0;
  if (StartsWithNoCase(url, "http://")) {
    rest = 7;
  } else if (StartsWithNoCase(url, "https://")) {
    rest = 8;
  } else {
    return false;
  }
  for (unsigned char c : url) {
    if (c <= 0x20 || c == 0x7F) return false;
  }
  // The authority ends at the path, query or fragment; its host (after any
  // user information) must not be empty.
  const std::size_t end = url.find_first_of("/?#", rest);
  std::string_view authority = url.substr(rest, end == std::string_view::npos ? std::string_view::npos : end - rest);
  const std::size_t at = authority.rfind('@');
  if (at != std::string_view::npos) authority.remove_prefix(at + 1);
  return !authority.empty() && authority.front() != ':';
}

HINSTANCE ShellExecuteW(HWND, LPCWSTR verb, LPCWSTR file, LPCWSTR, LPCWSTR, int) {
  return Open(Utf8Of(verb), Utf8Of(file));
}

HINSTANCE ShellExecuteA(HWND, const char* verb, const char* file, const char*, const char*, int) {
  return Open(verb ? verb : "", file ? file : "");
}

}  // namespace varnika
