#include "base/Stream.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <random>
#include <string_view>

#include "base/Exceptions.h"
#include "base/FileRead.h"
#include "base/Format.h"
#include "base/Utf.h"

namespace varnika {

std::int64_t TStream::Size() {
  const std::int64_t pos = Seek(0, Origin::Current);
  const std::int64_t size = Seek(0, Origin::End);
  Seek(pos, Origin::Beginning);
  return size;
}

void TStream::ReadBuffer(void* buffer, std::int64_t count) {
  if (count != 0 && Read(buffer, count) != count) throw EReadError(u"Stream read error");
}

void TStream::WriteBuffer(const void* buffer, std::int64_t count) {
  if (count != 0 && Write(buffer, count) != count) throw EWriteError(u"Stream write error");
}

std::int64_t TStream::CopyFrom(TStream& source, std::int64_t count) {
  if (count == 0) {
    source.SetPosition(0);
    count = source.Size();
  }
  std::vector<std::uint8_t> buffer(static_cast<std::size_t>(std::min<std::int64_t>(count, 1 << 16)));
  std::int64_t left = count;
  while (left > 0) {
    const std::int64_t n = std::min<std::int64_t>(left, static_cast<std::int64_t>(buffer.size()));
    source.ReadBuffer(buffer.data(), n);
    WriteBuffer(buffer.data(), n);
    left -= n;
  }
  return count;
}

// --- TMemoryStream ---------------------------------------------------------

std::int64_t TMemoryStream::Read(void* buffer, std::int64_t count) {
  const std::int64_t size = Size();
  if (count <= 0 || position_ >= size) return 0;
  const std::int64_t n = std::min(count, size - position_);
  std::memcpy(buffer, data_.data() + position_, static_cast<std::size_t>(n));
  position_ += n;
  return n;
}

std::int64_t TMemoryStream::Write(const void* buffer, std::int64_t count) {
  if (count <= 0) return 0;
  const std::int64_t end = position_ + count;
  if (end > Size()) data_.resize(static_cast<std::size_t>(end));
  std::memcpy(data_.data() + position_, buffer, static_cast<std::size_t>(count));
  position_ = end;
  return count;
}

std::int64_t TMemoryStream::Seek(std::int64_t offset, Origin origin) {
  switch (origin) {
    case Origin::Beginning: position_ = offset; break;
    case Origin::Current: position_ += offset; break;
    case Origin::End: position_ = Size() + offset; break;
  }
  if (position_ < 0) position_ = 0;
  return position_;
}

void TMemoryStream::SetSize(std::int64_t size) {
  data_.resize(static_cast<std::size_t>(std::max<std::int64_t>(size, 0)));
  position_ = std::min(position_, Size());
}

void TMemoryStream::Clear() {
  data_.clear();
  data_.shrink_to_fit();
  position_ = 0;
}

// --- TFileStream -----------------------------------------------------------

namespace {

[[noreturn]] void RaiseFileError(bool create, const std::u16string& file_name, int error) {
  if (create)
    throw EFCreateError(Format(u"Cannot create file \"%s\". %s", file_name, SysErrorMessage(error)));
  throw EFOpenError(Format(u"Cannot open file \"%s\". %s", file_name, SysErrorMessage(error)));
}

}  // namespace

TFileStream::TFileStream(const std::u16string& file_name, Mode mode) {
  const std::string path = Utf16ToUtf8(file_name);
  const bool create = mode == Mode::Create;
  if (path.empty() || path.find('\0') != std::string::npos) RaiseFileError(create, file_name, ENOENT);
  int flags = O_CLOEXEC;
  if (mode == Mode::OpenRead) flags |= O_RDONLY;
  if (mode == Mode::OpenReadWrite) flags |= O_RDWR;
  if (create) flags |= O_RDWR | O_CREAT | O_TRUNC;
  fd_ = ::open(path.c_str(), flags, 0666);
  if (fd_ < 0) RaiseFileError(create, file_name, errno);
  struct stat st {};
  if (::fstat(fd_, &st) == 0 && S_ISDIR(st.st_mode)) {
    ::close(fd_);
    fd_ = -1;
    RaiseFileError(create, file_name, EISDIR);
  }
}

TFileStream::~TFileStream() {
  if (fd_ >= 0) ::close(fd_);
}

std::int64_t TFileStream::Read(void* buffer, std::int64_t count) {
  std::int64_t done = 0;
  auto* p = static_cast<char*>(buffer);
  while (done < count) {
    const ssize_t n = ::read(fd_, p + done, static_cast<std::size_t>(count - done));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    done += n;
  }
  return done;
}

std::int64_t TFileStream::Write(const void* buffer, std::int64_t count) {
  std::int64_t done = 0;
  const auto* p = static_cast<const char*>(buffer);
  while (done < count) {
    const ssize_t n = ::write(fd_, p + done, static_cast<std::size_t>(count - done));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    done += n;
  }
  return done;
}

std::int64_t TFileStream::Seek(std::int64_t offset, Origin origin) {
  const int whence = origin == Origin::Beginning ? SEEK_SET : origin == Origin::Current ? SEEK_CUR : SEEK_END;
  const off_t pos = ::lseek(fd_, offset, whence);
  return pos < 0 ? -1 : pos;
}

void TFileStream::SetSize(std::int64_t size) {
  if (::ftruncate(fd_, size) != 0) throw EWriteError(u"Stream write error");
}

bool TFileStream::Sync() { return ::fsync(fd_) == 0; }

// --- TAtomicFile -----------------------------------------------------------

namespace {

// Follows symbolic links to the path of the file they lead to, which need not
// exist yet, so that replacing it leaves the links in place.
std::string FollowLinks(const std::u16string& file_name, std::string path) {
  for (int hops = 0; hops < 40; ++hops) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return path;
    std::string target(static_cast<std::size_t>(st.st_size > 0 ? st.st_size : 4096) + 1, '\0');
    const ssize_t n = ::readlink(path.c_str(), target.data(), target.size());
    if (n <= 0 || static_cast<std::size_t>(n) >= target.size()) return path;  // changed meanwhile
    target.resize(static_cast<std::size_t>(n));
    const std::size_t slash = path.rfind('/');
    if (target.front() != '/' && slash != std::string::npos) target.insert(0, path, 0, slash + 1);
    path = std::move(target);
  }
  RaiseFileError(true, file_name, ELOOP);
}

constexpr char kLetters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
constexpr std::string_view kTempMarker = ".tmp-";
constexpr std::size_t kTempLetters = 6;

// Creates a new file named path + ".tmp-" + six random letters with mode
// 0666 less the umask, as a plain create would; returns its descriptor or -1.
int CreateTempBeside(const std::string& path, std::string* temp) {
  std::random_device random;
  for (int attempt = 0; attempt < 100; ++attempt) {
    std::string name = path + std::string(kTempMarker);
    for (std::size_t i = 0; i < kTempLetters; ++i) name += kLetters[random() % (sizeof kLetters - 1)];
    const int fd = ::open(name.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd >= 0 || errno != EEXIST) {
      *temp = name;
      return fd;
    }
  }
  errno = EEXIST;
  return -1;
}

bool IsTempName(std::string_view name, std::string_view base) {
  if (name.size() != base.size() + kTempMarker.size() + kTempLetters || !name.starts_with(base)) return false;
  name.remove_prefix(base.size());
  if (!name.starts_with(kTempMarker)) return false;
  name.remove_prefix(kTempMarker.size());
  return name.find_first_not_of(std::string_view(kLetters, sizeof kLetters - 1)) == std::string_view::npos;
}

}  // namespace

void RemoveStaleTempFiles(const std::u16string& file_name) {
  const std::string name = Utf16ToUtf8(file_name);
  if (name.empty() || name.find('\0') != std::string::npos) return;
  std::string path;
  try {
    path = FollowLinks(file_name, name);
  } catch (const Exception&) {
    return;
  }
  const std::size_t slash = path.rfind('/');
  const std::string folder = slash == std::string::npos ? "." : path.substr(0, slash + 1);
  const std::string base = path.substr(slash == std::string::npos ? 0 : slash + 1);
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator(folder, error)) {
    const std::string entry_name = entry.path().filename().string();
    if (!IsTempName(entry_name, base) || !entry.is_regular_file(error) || entry.is_symlink(error)) continue;
    std::filesystem::remove(entry.path(), error);
  }
}

TAtomicFile::TAtomicFile(const std::u16string& file_name) : file_name_(file_name) {
  const std::string name = Utf16ToUtf8(file_name);
  if (name.empty() || name.find('\0') != std::string::npos) RaiseFileError(true, file_name, ENOENT);
  path_ = FollowLinks(file_name, name);
  struct stat st {};
  const bool exists = ::stat(path_.c_str(), &st) == 0;
  if (exists && S_ISDIR(st.st_mode)) RaiseFileError(true, file_name, EISDIR);
  // Only a regular file is replaced: a FIFO or a device that the name leads
  // to is left as it is.
  if (exists && !S_ISREG(st.st_mode))
    throw EFCreateError(Format(u"Cannot create file \"%s\". %s", file_name, FileReadErrorText(kNotRegularFile)));
  // A write-protected file is refused as opening it for writing would be.
  if (exists && ::faccessat(AT_FDCWD, path_.c_str(), W_OK, AT_EACCESS) != 0)
    RaiseFileError(true, file_name, errno);
  std::string temp;
  const int fd = CreateTempBeside(path_, &temp);
  if (fd < 0) RaiseFileError(true, file_name, errno);
  // A new file gets the mode the process's umask gives (applied by open); a
  // replaced one keeps its own.
  if (exists) ::fchmod(fd, st.st_mode & 07777);
  temp_name_ = temp;
  stream_ = std::make_unique<TFileStream>(fd);
}

TAtomicFile::~TAtomicFile() {
  stream_.reset();
  if (!committed_) ::unlink(temp_name_.c_str());
}

void TAtomicFile::Commit() {
  if (!stream_->Sync()) throw EWriteError(u"Stream write error");
  stream_.reset();
  if (::rename(temp_name_.c_str(), path_.c_str()) != 0)
    RaiseFileError(true, file_name_, errno);
  committed_ = true;
}

void SaveBytesToFile(const std::u16string& file_name, std::string_view bytes) {
  ReplaceFileAtomically(file_name, [bytes](TStream& stream) {
    if (!bytes.empty()) stream.WriteBuffer(bytes.data(), static_cast<std::int64_t>(bytes.size()));
  });
}

void SaveTextToFile(const std::u16string& file_name, std::u16string_view text) {
  SaveBytesToFile(file_name, Utf16ToUtf8(text));
}

}  // namespace varnika
