// Every skin test runs with the program's font rules, as the program does:
// they are loaded once, before any canvas or font exists.
#include <gtest/gtest.h>

#include "toolkit/FontConfiguration.h"

namespace {

class ProgramFontRules : public ::testing::Environment {
 public:
  void SetUp() override { ASSERT_TRUE(varnika::LoadProgramFontConfiguration()); }
};

[[maybe_unused]] const ::testing::Environment* const kFontRules =
    ::testing::AddGlobalTestEnvironment(new ProgramFontRules);

}  // namespace

// Fonts ask fontconfig for their families; fontconfig keeps its caches in
// blocks that the leak checker cannot trace to a root (it stores offsets,
// not pointers); they live for the whole process.
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig.so\n"; }
