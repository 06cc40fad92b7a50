#include "base/FileRead.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "base/Exceptions.h"

namespace varnika {
namespace {

class TDescriptor {
 public:
  explicit TDescriptor(int fd) : fd_(fd) {}
  ~TDescriptor() {
    if (fd_ >= 0) ::close(fd_);
  }
  TDescriptor(const TDescriptor&) = delete;
  TDescriptor& operator=(const TDescriptor&) = delete;
  int get() const { return fd_; }

 private:
  int fd_;
};

int CheckKind(int fd, std::uint64_t max_bytes) {
  struct stat info {};
  if (::fstat(fd, &info) != 0) return errno;
  if (S_ISDIR(info.st_mode)) return EISDIR;
  if (!S_ISREG(info.st_mode)) return kNotRegularFile;
  if (static_cast<std::uint64_t>(info.st_size) > max_bytes) return EFBIG;
  return 0;
}

// Reads to the end, refusing a file that grows past max_bytes meanwhile.
int ReadAll(int fd, std::uint64_t max_bytes, std::string& bytes) {
  char buffer[65536];
  for (;;) {
    const ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n < 0 && (errno == EINTR || errno == EAGAIN)) continue;
    if (n < 0) return errno;
    if (n == 0) return 0;
    if (static_cast<std::uint64_t>(n) > max_bytes - bytes.size()) return EFBIG;
    bytes.append(buffer, static_cast<std::size_t>(n));
  }
}

}  // namespace

int ReadRegularFile(const std::string& path, std::uint64_t max_bytes, std::string& bytes) {
  bytes.clear();
  if (path.empty() || path.find('\0') != std::string::npos) return ENOENT;
  const TDescriptor file(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY));
  if (file.get() < 0) return errno;
  int error = CheckKind(file.get(), max_bytes);
  if (error == 0) {
    ::fcntl(file.get(), F_SETFL, ::fcntl(file.get(), F_GETFL) & ~O_NONBLOCK);
    error = ReadAll(file.get(), max_bytes, bytes);
  }
  if (error != 0) bytes.clear();
  return error;
}

std::u16string FileReadErrorText(int error) {
  return error == kNotRegularFile ? u"Not a regular file" : SysErrorMessage(error);
}

}  // namespace varnika
