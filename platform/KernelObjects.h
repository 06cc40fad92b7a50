// Kernel objects of the Win32 shape the application shell is written
// against: handles, the named mutex that keeps a second instance from
// starting, and the process's working set. Any thread may call these; errors
// are left for GetLastError (platform/Window.h).
//
// Named mutex: the name stands for a per-user InstanceLock (InstanceLock.h),
// taken by CreateMutexW and released by CloseHandle or by the process's end.
// What is modelled is the object's existence, not ownership across
// processes:
// - CreateMutexW returns a handle that holds the lock, or, when another
//   holder has it, a handle that does not, with ERROR_ALREADY_EXISTS (183);
//   an unnamed mutex is a plain local object;
// - WaitForSingleObject on a holding handle returns WAIT_OBJECT_0 at once; on
//   the other kind it tries to take the lock (every 10 ms until the timeout)
//   and returns WAIT_OBJECT_0 once it holds it, else WAIT_TIMEOUT;
// - ReleaseMutex succeeds on a holding handle and leaves the lock held (only
//   closing the handle gives it up).
#pragma once

#include <cstddef>

#include "platform/Messages.h"

namespace varnika {

using SIZE_T = std::size_t;

inline constexpr DWORD WAIT_OBJECT_0 = 0;
inline constexpr DWORD WAIT_TIMEOUT = 258;
inline constexpr DWORD WAIT_FAILED = 0xFFFFFFFF;
inline constexpr DWORD ERROR_NOT_OWNER = 288;
inline constexpr DWORD PROCESS_ALL_ACCESS = 0x1F0FFF;

BOOL CloseHandle(HANDLE handle);
// timeout in ms; INFINITE (0xFFFFFFFF) waits without limit.
DWORD WaitForSingleObject(HANDLE handle, DWORD timeout);

// security_attributes is not used; initial_owner makes no difference.
HANDLE CreateMutexW(void* security_attributes, BOOL initial_owner, LPCWSTR name);
BOOL ReleaseMutex(HANDLE mutex);

DWORD GetCurrentProcessId();
// The pseudo handle (-1) of the calling process; closing it does nothing.
HANDLE GetCurrentProcess();
// A handle of the calling process only: other processes are refused with
// ERROR_ACCESS_DENIED.
HANDLE OpenProcess(DWORD desired_access, BOOL inherit_handle, DWORD process_id);
// Both sizes (SIZE_T)-1: gives the memory the allocator holds free back to
// the system (malloc_trim). Other sizes succeed without effect: Linux keeps
// no working-set limits.
BOOL SetProcessWorkingSetSize(HANDLE process, SIZE_T minimum, SIZE_T maximum);

}  // namespace varnika
