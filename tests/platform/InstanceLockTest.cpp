// The single-instance mutex: a second holder is refused, in this process and
// in another, and the kernel gives the lock back when its process dies.
#include <signal.h>
#include <unistd.h>

#include <string>

#include "base/Utf.h"
#include "platform/ErrnoCodes.h"
#include "platform/InstanceLock.h"
#include "platform/KernelObjects.h"
#include "platform/Window.h"
#include "tests/platform/ServicesSupport.h"

namespace varnika::test {
namespace {

std::u16string UniqueName() { return u"varnikatest-" + Utf8ToUtf16(std::to_string(::getpid())); }

class InstanceLockTest : public ::testing::TestWithParam<bool> {
 protected:
  // Parameter: whether $XDG_RUNTIME_DIR offers a folder for lock files.
  void SetUp() override {
    ::chmod(runtime_.Path().c_str(), 0700);
    env_ = std::make_unique<ScopedEnv>("XDG_RUNTIME_DIR", GetParam() ? runtime_.Path().c_str() : nullptr);
  }
  std::vector<std::string> ChildEnv() const {
    return {GetParam() ? "XDG_RUNTIME_DIR=" + runtime_.Path() : "XDG_RUNTIME_DIR="};
  }

  TempFolder runtime_;
  std::unique_ptr<ScopedEnv> env_;
};

TEST_P(InstanceLockTest, ASecondMutexOfTheSameNameFindsItTakenUntilTheFirstIsClosed) {
  const std::u16string name = UniqueName();
  HANDLE first = CreateMutexW(nullptr, FALSE, name.c_str());
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(GetLastError(), ERROR_SUCCESS);
  EXPECT_EQ(WaitForSingleObject(first, 0), WAIT_OBJECT_0);
  EXPECT_TRUE(ReleaseMutex(first));

  HANDLE second = CreateMutexW(nullptr, FALSE, name.c_str());
  ASSERT_NE(second, nullptr);
  EXPECT_EQ(GetLastError(), ERROR_ALREADY_EXISTS);
  EXPECT_EQ(WaitForSingleObject(second, 0), WAIT_TIMEOUT);
  EXPECT_FALSE(ReleaseMutex(second));

  EXPECT_TRUE(CloseHandle(first));
  EXPECT_EQ(WaitForSingleObject(second, 0), WAIT_OBJECT_0);  // free now: the waiter takes it
  EXPECT_TRUE(CloseHandle(second));
  EXPECT_FALSE(CloseHandle(second));

  HANDLE again = CreateMutexW(nullptr, FALSE, name.c_str());
  EXPECT_EQ(GetLastError(), ERROR_SUCCESS);
  CloseHandle(again);
}

TEST_P(InstanceLockTest, AnotherProcessIsRefusedAndAcceptedAgainAfterTheHolderIsKilled) {
  const std::string name = Utf16ToUtf8(UniqueName());
  ChildProcess holder({VARNIKA_LOCK_HOLDER, name}, ChildEnv());
  ASSERT_TRUE(holder.AwaitOutput("held")) << holder.Output();

  ChildProcess second({VARNIKA_LOCK_HOLDER, name}, ChildEnv());
  EXPECT_EQ(second.Wait(), 3);
  EXPECT_TRUE(second.AwaitOutput("taken"));

  // Also this process's own mutex finds the name taken.
  HANDLE mine = CreateMutexW(nullptr, FALSE, UniqueName().c_str());
  EXPECT_EQ(GetLastError(), ERROR_ALREADY_EXISTS);
  CloseHandle(mine);

  holder.Kill(SIGKILL);
  EXPECT_EQ(holder.Wait(), -100 - SIGKILL);
  ChildProcess third({VARNIKA_LOCK_HOLDER, name}, ChildEnv());
  EXPECT_TRUE(third.AwaitOutput("held")) << third.Output();
}

TEST_P(InstanceLockTest, TheLockLivesWhereTheRuntimeFolderSays) {
  int error = 0;
  auto lock = InstanceLock::TryAcquire(Utf16ToUtf8(UniqueName()) + "/with slash", &error);
  ASSERT_TRUE(lock);
  EXPECT_EQ(lock->InFile(), GetParam());
  if (GetParam()) {
    EXPECT_TRUE(Exists(runtime_.Path() + "/" + Utf16ToUtf8(UniqueName()) + "%2Fwith%20slash.lock"));
  }
}

INSTANTIATE_TEST_SUITE_P(RuntimeFolder, InstanceLockTest, ::testing::Values(true, false),
                         [](const auto& info) { return info.param ? "LockFile" : "AbstractSocket"; });

TEST(InstanceLockFolderTest, ARuntimeFolderOpenToOthersIsNotUsed) {
  TempFolder folder;
  ::chmod(folder.Path().c_str(), 0777);
  ScopedEnv env("XDG_RUNTIME_DIR", folder.Path().c_str());
  EXPECT_EQ(InstanceLockFolder(), "");
  ::chmod(folder.Path().c_str(), 0700);
  EXPECT_EQ(InstanceLockFolder(), folder.Path());
}

TEST(ProcessTest, TheWorkingSetOfThisProcessCanBeTrimmedButNoOtherProcessOpened) {
  HANDLE self = OpenProcess(PROCESS_ALL_ACCESS, FALSE, GetCurrentProcessId());
  ASSERT_NE(self, nullptr);
  EXPECT_TRUE(SetProcessWorkingSetSize(self, static_cast<SIZE_T>(-1), static_cast<SIZE_T>(-1)));
  EXPECT_TRUE(CloseHandle(self));
  EXPECT_TRUE(SetProcessWorkingSetSize(GetCurrentProcess(), static_cast<SIZE_T>(-1), static_cast<SIZE_T>(-1)));
  EXPECT_EQ(OpenProcess(PROCESS_ALL_ACCESS, FALSE, 1), nullptr);
  EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
  EXPECT_FALSE(SetProcessWorkingSetSize(self, static_cast<SIZE_T>(-1), static_cast<SIZE_T>(-1)));  // closed
}

}  // namespace
}  // namespace varnika::test
