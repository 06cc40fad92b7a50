#include "tests/text/TextTestUtil.h"

#include <unistd.h>

#include <algorithm>
#include <fstream>

#include "base/Utf.h"

namespace fs = std::filesystem;

namespace varnika::test {

void TempDir::SetUp() {
  dir_ = fs::temp_directory_path() / ("varnika-text-" + std::to_string(::getpid()) + "-" +
                                      ::testing::UnitTest::GetInstance()->current_test_info()->name());
  fs::remove_all(dir_);
  fs::create_directories(dir_);
}

void TempDir::TearDown() { fs::remove_all(dir_); }

std::u16string TempDir::Path(const std::string& name) const { return Utf8ToUtf16((dir_ / name).string()); }

std::string TempDir::ReadBytes(const std::u16string& path) {
  std::ifstream in(Utf16ToUtf8(path), std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

void TempDir::WriteBytes(const std::u16string& path, const std::string& bytes) {
  std::ofstream(Utf16ToUtf8(path), std::ios::binary) << bytes;
}

std::vector<std::string> TempDir::Files() const {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(dir_)) names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

std::string Le(std::u16string_view text) {
  std::string bytes;
  for (const char16_t c : text) {
    bytes += static_cast<char>(c & 0xFF);
    bytes += static_cast<char>(c >> 8);
  }
  return bytes;
}

std::vector<std::u16string> Items(const TWStrings& list) {
  std::vector<std::u16string> items;
  for (int i = 0; i < list.Count(); ++i) items.push_back(list.Strings(i));
  return items;
}

FileSizeLimit::FileSizeLimit(rlim_t limit) {
  ::getrlimit(RLIMIT_FSIZE, &old_);
  rlimit now = old_;
  now.rlim_cur = limit;
  ::setrlimit(RLIMIT_FSIZE, &now);
  old_handler_ = std::signal(SIGXFSZ, SIG_IGN);
}

FileSizeLimit::~FileSizeLimit() {
  ::setrlimit(RLIMIT_FSIZE, &old_);
  std::signal(SIGXFSZ, old_handler_);
}

}  // namespace varnika::test
