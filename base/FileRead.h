// Reading a whole file without trusting what its path leads to. The file is
// opened without blocking, so a FIFO or a device never holds the caller up;
// anything that is not a regular file is refused before a byte is read, and
// so is a file larger than the caller's cap. The descriptor is opened
// close-on-exec and never becomes a controlling terminal.
#pragma once

#include <cstdint>
#include <string>

namespace varnika {

// What ReadRegularFile reports for a path that leads to something other
// than a regular file or a directory (a FIFO, a device, a socket).
inline constexpr int kNotRegularFile = -1;

// Reads path whole into bytes. Returns 0, or why it could not: an errno
// value (ENOENT, EACCES, EISDIR for a directory, EFBIG for a file larger
// than max_bytes, or whatever open or read said), or kNotRegularFile.
// bytes is left empty on failure.
int ReadRegularFile(const std::string& path, std::uint64_t max_bytes, std::string& bytes);

// The text for a code of ReadRegularFile: the system's message, or "Not a
// regular file".
std::u16string FileReadErrorText(int error);

}  // namespace varnika
