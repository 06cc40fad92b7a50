// Helpers shared by the text tests: a private temporary folder per test,
// raw file bytes, a list's items, and a file-size limit that makes writes fail.
#pragma once

#include <gtest/gtest.h>
#include <sys/resource.h>

#include <csignal>
#include <filesystem>
#include <string>
#include <vector>

#include "text/WStrings.h"

namespace varnika::test {

class TempDir : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;
  std::u16string Path(const std::string& name) const;
  static std::string ReadBytes(const std::u16string& path);
  static void WriteBytes(const std::u16string& path, const std::string& bytes);
  // The folder's file names, sorted.
  std::vector<std::string> Files() const;

  std::filesystem::path dir_;
};

// UTF-16 LE bytes of text.
std::string Le(std::u16string_view text);
std::vector<std::u16string> Items(const TWStrings& list);

// While alive, files may not grow beyond limit bytes: writes past it fail
// with EFBIG (also for root), and SIGXFSZ is ignored.
class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t limit);
  ~FileSizeLimit();

 private:
  rlimit old_{};
  void (*old_handler_)(int) = nullptr;
};

}  // namespace varnika::test
