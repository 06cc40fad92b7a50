// A per-user, per-name lock between processes that the kernel releases when
// the holding process ends, however it ends (also by SIGKILL): an flock on
// "<name>.lock" in $XDG_RUNTIME_DIR when that folder is the user's own
// (absolute, owned by the user, closed to others), else an abstract Unix
// socket named "varnika-lock-<uid>-<name>". The name's bytes other than
// letters, digits, ".", "_" and "-" are written as %XX. The descriptors are
// close-on-exec, so started programs never inherit the lock.
//
// Locks are per holder, not per process: a second TryAcquire of the same name
// in the same process fails like one from another process.
#pragma once

#include <memory>
#include <string>
#include <string_view>

namespace varnika {

class InstanceLock {
 public:
  // The lock, or nullptr with *error set: EWOULDBLOCK while another holder
  // has it, another errno when it could not be tried.
  static std::unique_ptr<InstanceLock> TryAcquire(std::string_view name, int* error);
  // The lock on a folder itself (an flock on the folder, held open), so every
  // process that would use the files in it sees the lock, whatever its
  // environment and whichever path it took to the folder.
  static std::unique_ptr<InstanceLock> TryAcquireFolder(const std::string& folder, int* error);
  ~InstanceLock();
  InstanceLock(const InstanceLock&) = delete;
  InstanceLock& operator=(const InstanceLock&) = delete;

  // Whether the lock lives in a file or folder (else in the abstract socket
  // namespace).
  bool InFile() const { return in_file_; }
  // The descriptor that holds the lock (the folder's, for a folder lock).
  int Descriptor() const { return fd_; }

 private:
  InstanceLock(int fd, bool in_file) : fd_(fd), in_file_(in_file) {}
  int fd_;
  bool in_file_;
};

// The folder that holds lock files; empty when the abstract socket is used.
std::string InstanceLockFolder();

}  // namespace varnika
