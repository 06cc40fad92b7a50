// The options file: first-run defaults centred on the work area, the written
// layout, and values stored by hand.
#include "widget/Options.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "base/Utf.h"
#include "platform/WindowSystem.h"
#include "platform/headless/HeadlessBackend.h"

namespace varnika {
namespace {

class OptionsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    auto backend = std::make_unique<HeadlessBackend>();
    backend_ = backend.get();
    backend_->SetWorkArea(RECT{0, 0, 1280, 994});
    InitWindowSystem(std::move(backend));
    dir_ = std::filesystem::temp_directory_path() /
           ("varnika-options-" + std::to_string(::getpid()) + "-" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::remove_all(dir_);
    std::filesystem::create_directories(dir_);
  }
  void TearDown() override {
    ShutdownWindowSystem();
    std::filesystem::remove_all(dir_);
  }

  std::u16string Path(const char* name) const { return Utf8ToUtf16((dir_ / name).string()); }
  static std::string Bytes(const std::u16string& path) {
    std::ifstream in(Utf16ToUtf8(path), std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  }
  static void Write(const std::u16string& path, const std::string& bytes) {
    std::ofstream(Utf16ToUtf8(path), std::ios::binary) << bytes;
  }
  static std::string Le(std::u16string_view text) {
    std::string out = "\xFF\xFE";
    for (char16_t c : text) {
      out += static_cast<char>(c & 0xFF);
      out += static_cast<char>(c >> 8);
    }
    return out;
  }

  HeadlessBackend* backend_ = nullptr;
  std::filesystem::path dir_;
};

TEST_F(OptionsTest, FirstRunOptionsAreCentredAndWrittenInTheKnownLayout) {
  TOptions options(Path("options.ini"));
  EXPECT_EQ(options.DefaultLeft(), 402);
  EXPECT_EQ(options.DefaultTop(), 322);
  EXPECT_TRUE(options.ReadAlwaysTop() && options.ReadAutoScale() && options.ReadShowTray() && options.ReadStartup());
  options.WriteLeft(options.ReadLeft());
  options.WriteTop(options.ReadTop());
  options.WriteStartup(true);
  options.WriteAlwaysTop(true);
  options.WriteShowTray(true);
  options.WriteAutoScale(true);
  options.UpdateFile();
  EXPECT_EQ(Bytes(Path("options.ini")),
            Le(u"[general]\r\nleft=402\r\ntop=322\r\n\r\n[options]\r\nstartup=1\r\nalwaystop=1\r\n"
               u"showtray=1\r\nautoscale=1\r\n\r\n"));
}

TEST_F(OptionsTest, StoredValuesWinAndTheUsersFeedSurvivesAWrite) {
  Write(Path("options.ini"),
        Le(u"[feed]\r\nurl=https://haber.example.org/rss\r\n[general]\r\nleft=0x20\r\ntop=7px\r\n"
           u"[options]\r\nstartup=0\r\nshowtray=2\r\nautoscale=yes\r\n"));
  TOptions options(Path("options.ini"));
  EXPECT_EQ(options.ReadLeft(), 32);
  EXPECT_EQ(options.ReadTop(), 322);  // malformed: the default
  EXPECT_FALSE(options.ReadStartup());
  EXPECT_TRUE(options.ReadShowTray());
  EXPECT_TRUE(options.ReadAutoScale());
  EXPECT_EQ(options.ReadFeedUrl(), "https://haber.example.org/rss");
  options.WriteLeft(5);
  options.UpdateFile();
  TOptions again(Path("options.ini"));
  EXPECT_EQ(again.ReadFeedUrl(), "https://haber.example.org/rss");
  EXPECT_EQ(again.ReadLeft(), 5);
}

}  // namespace
}  // namespace varnika
