// ShellExecute over xdg-open.
#include "platform/Shell.h"

#include <spawn.h>
#include <sys/wait.h>

#include <cerrno>
#include <cctype>
#include <string>
#include <thread>

#include "base/Utf.h"

extern char** environ;

namespace varnika {
namespace {

constexpr int kSuccess = 42;  // any value above 32 means success

HINSTANCE AsInstance(int value) { return reinterpret_cast<HINSTANCE>(static_cast<std::intptr_t>(value)); }

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
  if (text.size() < prefix.size()) return false;
  for (std::size_t i = 0; i < prefix.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(text[i])) != prefix[i]) return false;
  }
  return true;
}

// Starts xdg-open with the URL as its only argument and reaps it on a
// detached thread, so no zombie is left behind.
bool SpawnOpener(const std::string& url) {
  std::string program = "xdg-open";
  char* argv[] = {program.data(), const_cast<char*>(url.c_str()), nullptr};
  pid_t pid = 0;
  if (posix_spawnp(&pid, "xdg-open", nullptr, nullptr, argv, environ) != 0) return false;
  std::thread([pid] {
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
  }).detach();
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
  if (url.size() == rest || url[rest] == '/') return false;  // no host
  for (unsigned char c : url) {
    if (c <= 0x20 || c == 0x7F) return false;
  }
  return true;
}

HINSTANCE ShellExecuteW(HWND, LPCWSTR verb, LPCWSTR file, LPCWSTR, LPCWSTR, int) {
  return Open(Utf8Of(verb), Utf8Of(file));
}

HINSTANCE ShellExecuteA(HWND, const char* verb, const char* file, const char*, const char*, int) {
  return Open(verb ? verb : "", file ? file : "");
}

}  // namespace varnika
