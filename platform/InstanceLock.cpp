#include "platform/InstanceLock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace varnika {
namespace {

std::string Encoded(std::string_view name) {
  std::string out;
  for (unsigned char c : name) {
    if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' || c == '_' ||
        c == '-') {
      out += static_cast<char>(c);
    } else {
      char hex[4];
      std::snprintf(hex, sizeof hex, "%%%02X", c);
      out += hex;
    }
  }
  return out;
}

// Takes an exclusive flock on fd without waiting; fd on success, else -1
// with *error set (and fd closed).
int Locked(int fd, int* error) {
  if (fd < 0) {
    *error = errno;
    return -1;
  }
  while (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    if (errno == EINTR) continue;
    *error = errno == EWOULDBLOCK ? EWOULDBLOCK : errno;
    ::close(fd);
    return -1;
  }
  return fd;
}

int FileLock(const std::string& path, int* error) {
  return Locked(::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600), error);
}

int SocketLock(const std::string& name, int* error) {
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  // The abstract namespace: a name after a leading NUL, no file.
  const std::size_t length = std::min(name.size(), sizeof address.sun_path - 1);
  std::memcpy(address.sun_path + 1, name.data(), length);
  const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) {
    *error = errno;
    return -1;
  }
  const auto size = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + 1 + length);
  if (::bind(fd, reinterpret_cast<const sockaddr*>(&address), size) != 0) {
    *error = errno == EADDRINUSE ? EWOULDBLOCK : errno;
    ::close(fd);
    return -1;
  }
  return fd;
}

}  // namespace

std::string InstanceLockFolder() {
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  if (!runtime || runtime[0] != '/') return {};
  struct stat st {};
  if (::stat(runtime, &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != ::getuid() || (st.st_mode & 077) != 0)
    return {};
  return runtime;
}

std::unique_ptr<InstanceLock> InstanceLock::TryAcquire(std::string_view name, int* error) {
  int ignored = 0;
  if (!error) error = &ignored;
  *error = 0;
  const std::string folder = InstanceLockFolder();
  const bool in_file = !folder.empty();
  const int fd = in_file ? FileLock(folder + "/" + Encoded(name) + ".lock", error)
                         : SocketLock("varnika-lock-" + std::to_string(::getuid()) + "-" + Encoded(name), error);
  if (fd < 0) return nullptr;
  return std::unique_ptr<InstanceLock>(new InstanceLock(fd, in_file));
}

std::unique_ptr<InstanceLock> InstanceLock::TryAcquireFolder(const std::string& folder, int* error) {
  int ignored = 0;
  if (!error) error = &ignored;
  *error = 0;
  const int fd = Locked(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC), error);
  if (fd < 0) return nullptr;
  return std::unique_ptr<InstanceLock>(new InstanceLock(fd, true));
}

InstanceLock::~InstanceLock() { ::close(fd_); }

}  // namespace varnika
