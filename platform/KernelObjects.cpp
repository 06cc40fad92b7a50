#include "platform/KernelObjects.h"

#include <malloc.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>

#include "base/Utf.h"
#include "platform/Backend.h"
#include "platform/ErrnoCodes.h"
#include "platform/InstanceLock.h"
#include "platform/Window.h"

namespace varnika {
namespace {

constexpr DWORD kRetryMs = 10;

class KernelObject {
 public:
  virtual ~KernelObject() = default;
  virtual DWORD Wait(DWORD timeout) = 0;
};

class MutexObject : public KernelObject {
 public:
  MutexObject(std::string name, std::unique_ptr<InstanceLock> lock) : name_(std::move(name)), lock_(std::move(lock)) {}

  bool Holds() {
    std::lock_guard guard(mutex_);
    return name_.empty() || lock_ != nullptr;
  }

  DWORD Wait(DWORD timeout) override {
    DWORD waited = 0;
    for (;;) {
      int error = 0;
      if (TryTake(&error)) return WAIT_OBJECT_0;
      if (error != EWOULDBLOCK) {
        SetLastError(Win32ErrorFromErrno(error));
        return WAIT_FAILED;
      }
      if (timeout != INFINITE && waited >= timeout) return WAIT_TIMEOUT;
      const DWORD step = timeout == INFINITE ? kRetryMs : std::min(kRetryMs, timeout - waited);
      timespec pause{0, static_cast<long>(step) * 1000000L};
      while (nanosleep(&pause, &pause) != 0 && errno == EINTR) {
      }
      waited += step;
    }
  }

 private:
  bool TryTake(int* error) {
    std::lock_guard guard(mutex_);
    if (name_.empty() || lock_) return true;
    lock_ = InstanceLock::TryAcquire(name_, error);
    return lock_ != nullptr;
  }

  std::mutex mutex_;
  const std::string name_;
  std::unique_ptr<InstanceLock> lock_;
};

class ProcessObject : public KernelObject {
 public:
  DWORD Wait(DWORD) override { return WAIT_TIMEOUT; }  // the caller itself never ends while waiting
};

struct HandleTable {
  std::mutex mutex;
  std::unordered_map<HANDLE, std::shared_ptr<KernelObject>> objects;
};

HandleTable& Handles() {
  static HandleTable* table = new HandleTable;  // never freed: other threads may still close handles at exit
  return *table;
}

HANDLE Insert(std::shared_ptr<KernelObject> object) {
  auto handle = static_cast<HANDLE>(object.get());
  auto& table = Handles();
  std::lock_guard lock(table.mutex);
  table.objects.emplace(handle, std::move(object));
  return handle;
}

const HANDLE kCurrentProcess = reinterpret_cast<HANDLE>(static_cast<std::intptr_t>(-1));

// The object of a handle, kept alive for the caller; nullptr when unknown.
std::shared_ptr<KernelObject> ObjectOf(HANDLE handle) {
  auto& table = Handles();
  std::lock_guard lock(table.mutex);
  auto it = table.objects.find(handle);
  return it == table.objects.end() ? nullptr : it->second;
}

bool IsOwnProcess(HANDLE handle) {
  if (handle == kCurrentProcess) return true;
  return dynamic_cast<ProcessObject*>(ObjectOf(handle).get()) != nullptr;
}

}  // namespace

BOOL CloseHandle(HANDLE handle) {
  if (handle == kCurrentProcess) return TRUE;
  std::shared_ptr<KernelObject> doomed;
  {
    auto& table = Handles();
    std::lock_guard lock(table.mutex);
    auto it = table.objects.find(handle);
    if (it != table.objects.end()) {
      doomed = std::move(it->second);
      table.objects.erase(it);
    }
  }
  if (!doomed) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  return TRUE;
}

DWORD WaitForSingleObject(HANDLE handle, DWORD timeout) {
  // The wait runs without the table's lock held: other handles stay usable.
  std::shared_ptr<KernelObject> object = ObjectOf(handle);
  if (!object) {
    if (handle == kCurrentProcess) return WAIT_TIMEOUT;
    SetLastError(ERROR_INVALID_HANDLE);
    return WAIT_FAILED;
  }
  return object->Wait(timeout);
}

HANDLE CreateMutexW(void*, BOOL, LPCWSTR name) {
  const std::string utf8 = name ? Utf16ToUtf8(std::u16string_view(name)) : std::string();
  std::unique_ptr<InstanceLock> lock;
  DWORD result = ERROR_SUCCESS;
  if (!utf8.empty()) {
    int error = 0;
    lock = InstanceLock::TryAcquire(utf8, &error);
    if (!lock && error != EWOULDBLOCK) {
      SetLastError(Win32ErrorFromErrno(error));
      return nullptr;
    }
    if (!lock) result = ERROR_ALREADY_EXISTS;
  }
  HANDLE handle = Insert(std::make_shared<MutexObject>(utf8, std::move(lock)));
  SetLastError(result);
  return handle;
}

BOOL ReleaseMutex(HANDLE mutex) {
  const std::shared_ptr<KernelObject> object = ObjectOf(mutex);
  auto* m = dynamic_cast<MutexObject*>(object.get());
  if (!m) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  if (!m->Holds()) {
    SetLastError(ERROR_NOT_OWNER);
    return FALSE;
  }
  return TRUE;
}

DWORD GetCurrentProcessId() { return static_cast<DWORD>(::getpid()); }

HANDLE GetCurrentProcess() { return kCurrentProcess; }

HANDLE OpenProcess(DWORD, BOOL, DWORD process_id) {
  if (process_id != GetCurrentProcessId()) {
    SetLastError(ERROR_ACCESS_DENIED);
    return nullptr;
  }
  return Insert(std::make_shared<ProcessObject>());
}

BOOL SetProcessWorkingSetSize(HANDLE process, SIZE_T minimum, SIZE_T maximum) {
  if (!IsOwnProcess(process)) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  constexpr SIZE_T kEmpty = static_cast<SIZE_T>(-1);
  if (minimum == kEmpty && maximum == kEmpty) malloc_trim(0);
  return TRUE;
}

}  // namespace varnika
