#include "platform/SpecialFolders.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <algorithm>
#include <cstdlib>
#include <vector>

#include "base/Utf.h"

namespace varnika {
namespace {

bool Absolute(const char* path) { return path && path[0] == '/'; }

std::string WithoutTrailingSlashes(std::string path) {
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  return path;
}

std::string HomeFolder() {
  const char* home = std::getenv("HOME");
  if (Absolute(home)) return home;
  long size = sysconf(_SC_GETPW_R_SIZE_MAX);
  std::vector<char> buffer(size > 0 ? static_cast<std::size_t>(size) : 16384);
  passwd entry{};
  passwd* found = nullptr;
  if (getpwuid_r(getuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found && Absolute(found->pw_dir))
    return found->pw_dir;
  return {};
}

}  // namespace

std::string UserConfigFolder() {
  const char* config = std::getenv("XDG_CONFIG_HOME");
  if (Absolute(config)) return WithoutTrailingSlashes(config);
  std::string home = HomeFolder();
  if (home.empty()) return {};
  return WithoutTrailingSlashes(home) + "/.config";
}

int CreateFolderPath(const std::string& path) {
  if (path.empty()) return ENOENT;
  std::size_t pos = 0;
  while (pos != std::string::npos) {
    pos = path.find('/', pos + 1);
    const std::string part = path.substr(0, pos);
    if (::mkdir(part.c_str(), 0700) != 0 && errno != EEXIST) return errno;
  }
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) return errno;
  return S_ISDIR(st.st_mode) ? 0 : ENOTDIR;
}

HRESULT SHGetFolderPathW(HWND, int csidl, HANDLE, DWORD flags, LPWSTR path) {
  if (!path || (flags != SHGFP_TYPE_CURRENT && flags != SHGFP_TYPE_DEFAULT)) return E_INVALIDARG;
  path[0] = 0;
  if ((csidl & 0xFF) != CSIDL_APPDATA || (csidl & ~(0xFF | CSIDL_FLAG_CREATE | CSIDL_FLAG_DONT_VERIFY)) != 0)
    return E_INVALIDARG;
  const std::string folder = UserConfigFolder();
  if (folder.empty()) return E_FAIL;
  // A path that does not survive the trip through UTF-16 would name another
  // folder.
  const std::u16string wide = Utf8ToUtf16(folder);
  if (Utf16ToUtf8(wide) != folder || wide.size() >= static_cast<std::size_t>(MAX_PATH)) return E_FAIL;
  if ((csidl & CSIDL_FLAG_CREATE) && CreateFolderPath(folder) != 0) return E_FAIL;
  std::copy(wide.begin(), wide.end(), path);
  path[wide.size()] = 0;
  return S_OK;
}

}  // namespace varnika
