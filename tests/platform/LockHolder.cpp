// lock_holder <name>: takes the named single-instance mutex and keeps it
// until killed ("held"), or says "taken" and ends with 3 when another
// process holds it.
#include <unistd.h>

#include <cstdio>

#include "base/Utf.h"
#include "platform/ErrnoCodes.h"
#include "platform/KernelObjects.h"
#include "platform/Window.h"

int main(int argc, char** argv) {
  using namespace varnika;
  if (argc != 2) return 2;
  HANDLE mutex = CreateMutexW(nullptr, FALSE, Utf8ToUtf16(argv[1]).c_str());
  if (!mutex) {
    std::puts("error");
    return 4;
  }
  if (GetLastError() == ERROR_ALREADY_EXISTS) {
    std::puts("taken");
    return 3;
  }
  std::puts("held");
  std::fflush(stdout);
  for (;;) pause();
}
