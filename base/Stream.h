// Byte streams: the abstract TStream, an in-memory TMemoryStream and a
// TFileStream over a file descriptor.
#pragma once

#include <algorithm>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace varnika {

class TStream {
 public:
  enum class Origin { Beginning, Current, End };

  virtual ~TStream() = default;
  // Reads up to count bytes; returns the number read (0 at the end).
  virtual std::int64_t Read(void* buffer, std::int64_t count) = 0;
  // Writes up to count bytes; returns the number written.
  virtual std::int64_t Write(const void* buffer, std::int64_t count) = 0;
  virtual std::int64_t Seek(std::int64_t offset, Origin origin) = 0;

  std::int64_t Position() { return Seek(0, Origin::Current); }
  void SetPosition(std::int64_t pos) { Seek(pos, Origin::Beginning); }
  virtual std::int64_t Size();
  virtual void SetSize(std::int64_t size) = 0;

  // Whole reads and writes: raise EReadError ("Stream read error") or
  // EWriteError ("Stream write error") when fewer bytes move.
  void ReadBuffer(void* buffer, std::int64_t count);
  void WriteBuffer(const void* buffer, std::int64_t count);
  // Copies count bytes from source (count 0: all of source from its start).
  std::int64_t CopyFrom(TStream& source, std::int64_t count);
};

class TMemoryStream : public TStream {
 public:
  std::int64_t Read(void* buffer, std::int64_t count) override;
  std::int64_t Write(const void* buffer, std::int64_t count) override;
  std::int64_t Seek(std::int64_t offset, Origin origin) override;
  std::int64_t Size() override { return static_cast<std::int64_t>(data_.size()); }
  void SetSize(std::int64_t size) override;
  // Makes room for size bytes without changing Size().
  void Reserve(std::int64_t size) { data_.reserve(static_cast<std::size_t>(std::max<std::int64_t>(size, 0))); }
  void Clear();

  const std::uint8_t* Memory() const { return data_.data(); }
  std::uint8_t* Memory() { return data_.data(); }
  // The bytes as an 8-bit string, byte for byte.
  std::string DataString() const { return std::string(data_.begin(), data_.end()); }

 private:
  std::vector<std::uint8_t> data_;
  std::int64_t position_ = 0;
};

class TFileStream : public TStream {
 public:
  enum class Mode { OpenRead, OpenReadWrite, Create };
  // Raises EFOpenError ("Cannot open file "%s". %s") or, for Create,
  // EFCreateError ("Cannot create file "%s". %s"). A directory cannot be
  // opened as a file stream.
  TFileStream(const std::u16string& file_name, Mode mode);
  // Takes ownership of an open descriptor.
  explicit TFileStream(int fd) : fd_(fd) {}
  ~TFileStream() override;
  TFileStream(const TFileStream&) = delete;
  TFileStream& operator=(const TFileStream&) = delete;

  std::int64_t Read(void* buffer, std::int64_t count) override;
  std::int64_t Write(const void* buffer, std::int64_t count) override;
  std::int64_t Seek(std::int64_t offset, Origin origin) override;
  void SetSize(std::int64_t size) override;
  // Flushes written data to the disk; returns false on failure.
  bool Sync();
  int Handle() const { return fd_; }

 private:
  int fd_ = -1;
};

// Replaces file_name atomically: write() fills a temporary file in the same
// folder, which is flushed and renamed over file_name. On any failure the old
// file is left as it was, the temporary file is removed and the error
// (EFCreateError, or EWriteError from write) passes on. Symbolic links are
// followed: the file they lead to is replaced and the links stay. A
// write-protected file raises EFCreateError, as opening it for writing would;
// so does anything that is not a regular file (a directory, a FIFO, a device).
template <typename Writer>
void ReplaceFileAtomically(const std::u16string& file_name, Writer&& write);

// Writes text (UTF-8 on disk, nothing before or after) to file_name,
// replacing the file atomically: a failure leaves the old file as it was and
// raises EFCreateError or EWriteError.
void SaveTextToFile(const std::u16string& file_name, std::u16string_view text);
// The same with the bytes as they are.
void SaveBytesToFile(const std::u16string& file_name, std::string_view bytes);

// Removes the temporary files that an interrupted ReplaceFileAtomically of
// file_name left beside the file (its links followed): regular files named
// after it with the marker ".tmp-" and six letters. Call it only while no
// save of the file can be running.
void RemoveStaleTempFiles(const std::u16string& file_name);

// Implementation detail of ReplaceFileAtomically.
class TAtomicFile {
 public:
  explicit TAtomicFile(const std::u16string& file_name);
  ~TAtomicFile();  // removes the temporary file unless committed
  TAtomicFile(const TAtomicFile&) = delete;
  TAtomicFile& operator=(const TAtomicFile&) = delete;
  TStream& Stream() { return *stream_; }
  void Commit();   // flushes, closes and renames; raises EWriteError/EFCreateError

 private:
  std::u16string file_name_;
  std::string path_;  // file_name with its symbolic links followed
  std::string temp_name_;
  std::unique_ptr<TFileStream> stream_;
  bool committed_ = false;
};

template <typename Writer>
void ReplaceFileAtomically(const std::u16string& file_name, Writer&& write) {
  TAtomicFile file(file_name);
  write(file.Stream());
  file.Commit();
}

}  // namespace varnika
