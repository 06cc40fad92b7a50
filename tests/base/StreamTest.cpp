#include "base/Stream.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "base/Exceptions.h"
#include "base/FileRead.h"
#include "base/Utf.h"

using namespace varnika;
namespace fs = std::filesystem;

namespace {

class TempDir : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() / ("varnika-stream-" + std::to_string(::getpid()) + "-" +
                                        ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir_);
    fs::create_directories(dir_);
  }
  void TearDown() override {
    fs::permissions(dir_, fs::perms::owner_all);
    fs::remove_all(dir_);
  }
  std::u16string Path(const std::string& name) { return Utf8ToUtf16((dir_ / name).string()); }
  static std::string Slurp(const std::u16string& path) {
    std::ifstream in(Utf16ToUtf8(path), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
  fs::path dir_;
};

}  // namespace

TEST(MemoryStream, WritesReadsSeeksAndGrows) {
  TMemoryStream s;
  s.WriteBuffer("hello", 5);
  s.SetPosition(1);
  char buf[8] = {};
  EXPECT_EQ(s.Read(buf, 8), 4);
  EXPECT_STREQ(buf, "ello");
  s.Seek(-2, TStream::Origin::End);
  s.WriteBuffer("LOO", 3);
  EXPECT_EQ(s.DataString(), "helLOO");
  EXPECT_THROW(s.ReadBuffer(buf, 1), EReadError);
}

TEST_F(TempDir, FileStreamErrorsNameTheFileAndTheReason) {
  try {
    TFileStream f(Path("missing"), TFileStream::Mode::OpenRead);
    FAIL();
  } catch (const EFOpenError& e) {
    EXPECT_EQ(e.Message(), u"Cannot open file \"" + Path("missing") + u"\". No such file or directory");
  }
  EXPECT_THROW(TFileStream(Utf8ToUtf16(dir_.string()), TFileStream::Mode::OpenRead), EFOpenError);
  EXPECT_THROW(TFileStream(Path("no/such/dir"), TFileStream::Mode::Create), EFCreateError);
}

TEST_F(TempDir, AtomicReplaceWritesTheNewContent) {
  const auto path = Path("options.ini");
  ReplaceFileAtomically(path, [](TStream& s) { s.WriteBuffer("old", 3); });
  ReplaceFileAtomically(path, [](TStream& s) { s.WriteBuffer("new!", 4); });
  EXPECT_EQ(Slurp(path), "new!");
  EXPECT_EQ(std::distance(fs::directory_iterator(dir_), fs::directory_iterator()), 1);
}

TEST_F(TempDir, AtomicReplaceKeepsTheOldFileWhenWritingFails) {
  const auto path = Path("news.xml");
  ReplaceFileAtomically(path, [](TStream& s) { s.WriteBuffer("intact", 6); });
  EXPECT_THROW(ReplaceFileAtomically(path,
                                     [](TStream& s) {
                                       s.WriteBuffer("half", 4);
                                       throw EWriteError(u"Stream write error");
                                     }),
               EWriteError);
  EXPECT_EQ(Slurp(path), "intact");
  EXPECT_EQ(std::distance(fs::directory_iterator(dir_), fs::directory_iterator()), 1);
}

TEST_F(TempDir, AtomicReplaceInAReadOnlyFolderRaisesCreateError) {
  if (::geteuid() == 0) GTEST_SKIP() << "root ignores folder permissions";
  const auto path = Path("a.ini");
  ReplaceFileAtomically(path, [](TStream& s) { s.WriteBuffer("x", 1); });
  fs::permissions(dir_, fs::perms::owner_read | fs::perms::owner_exec);
  EXPECT_THROW(ReplaceFileAtomically(path, [](TStream& s) { s.WriteBuffer("y", 1); }), EFCreateError);
  EXPECT_EQ(Slurp(path), "x");
}

TEST_F(TempDir, AtomicReplaceOverADirectoryRaisesCreateError) {
  fs::create_directories(dir_ / "sub");
  EXPECT_THROW(ReplaceFileAtomically(Path("sub"), [](TStream&) {}), EFCreateError);
  EXPECT_TRUE(fs::is_directory(dir_ / "sub"));
}

TEST_F(TempDir, AtomicReplaceWritesThroughASymbolicLink) {
  const auto target = Path("real.ini");
  ReplaceFileAtomically(target, [](TStream& s) { s.WriteBuffer("old", 3); });
  fs::create_symlink("real.ini", dir_ / "link.ini");
  fs::create_symlink("missing.ini", dir_ / "dangling.ini");
  ReplaceFileAtomically(Path("link.ini"), [](TStream& s) { s.WriteBuffer("new", 3); });
  ReplaceFileAtomically(Path("dangling.ini"), [](TStream& s) { s.WriteBuffer("made", 4); });
  EXPECT_TRUE(fs::is_symlink(dir_ / "link.ini"));
  EXPECT_TRUE(fs::is_symlink(dir_ / "dangling.ini"));
  EXPECT_EQ(Slurp(target), "new");
  EXPECT_EQ(Slurp(Path("missing.ini")), "made");
  EXPECT_EQ(std::distance(fs::directory_iterator(dir_), fs::directory_iterator()), 4);

  fs::create_symlink("loop.ini", dir_ / "loop.ini");
  EXPECT_THROW(ReplaceFileAtomically(Path("loop.ini"), [](TStream&) {}), EFCreateError);
  EXPECT_TRUE(fs::is_symlink(dir_ / "loop.ini"));
}

TEST_F(TempDir, AtomicReplaceRefusesAWriteProtectedFile) {
  if (::geteuid() == 0) GTEST_SKIP() << "root ignores file permissions";
  const auto path = Path("locked.ini");
  ReplaceFileAtomically(path, [](TStream& s) { s.WriteBuffer("frozen", 6); });
  fs::permissions(dir_ / "locked.ini", fs::perms::owner_read);
  EXPECT_THROW(ReplaceFileAtomically(path, [](TStream& s) { s.WriteBuffer("thawed", 6); }), EFCreateError);
  EXPECT_EQ(Slurp(path), "frozen");
  EXPECT_EQ(std::distance(fs::directory_iterator(dir_), fs::directory_iterator()), 1);
}

TEST_F(TempDir, AtomicReplaceGivesANewFileTheUmaskModeAndKeepsAnOldFilesMode) {
  const mode_t old_mask = ::umask(027);
  const auto path = Path("new.ini");
  ReplaceFileAtomically(path, [](TStream& s) { s.WriteBuffer("x", 1); });
  ::umask(old_mask);
  struct stat st {};
  ASSERT_EQ(::stat(Utf16ToUtf8(path).c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0640u);
  ::chmod(Utf16ToUtf8(path).c_str(), 0604);
  ReplaceFileAtomically(path, [](TStream& s) { s.WriteBuffer("y", 1); });
  ASSERT_EQ(::stat(Utf16ToUtf8(path).c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0604u);
}

TEST_F(TempDir, SavedTextIsExactlyItsBytesAndAFailedWriteKeepsTheOldFile) {
  SaveTextToFile(Path("empty.xml"), u"");
  EXPECT_TRUE(std::filesystem::exists(dir_ / "empty.xml"));
  EXPECT_EQ(Slurp(Path("empty.xml")), "");
  SaveTextToFile(Path("news.xml"), u"<t>Gündem: İstanbul</t>");
  EXPECT_EQ(Slurp(Path("news.xml")), "<t>G\xC3\xBC" "ndem: \xC4\xB0stanbul</t>");
  SaveBytesToFile(Path("news.xml"), std::string("\xFD\xFE ISO-8859-9", 14));
  EXPECT_EQ(Slurp(Path("news.xml")), std::string("\xFD\xFE ISO-8859-9", 14));
  EXPECT_THROW(SaveTextToFile(Path("missing/news.xml"), u"x"), EFCreateError);
}

// What a path may lead to, and what reading it whole gives. None blocks:
// a FIFO with no writer is refused, not waited on.
TEST_F(TempDir, ReadingAFileWholeTakesOnlyARegularFileWithinTheCap) {
  std::ofstream(dir_ / "ten", std::ios::binary) << "0123456789";
  std::ofstream(dir_ / "empty", std::ios::binary);
  ASSERT_EQ(::mkfifo((dir_ / "fifo").c_str(), 0600), 0);
  fs::create_symlink(dir_ / "fifo", dir_ / "to-fifo");
  fs::create_symlink("/dev/zero", dir_ / "to-device");
  fs::create_directory(dir_ / "folder");
  const struct {
    const char* name;
    std::uint64_t cap;
    int error;
    std::string bytes;
  } cases[] = {
      {"ten", 10, 0, "0123456789"},
      {"empty", 10, 0, ""},
      {"ten", 9, EFBIG, ""},
      {"missing", 10, ENOENT, ""},
      {"folder", 10, EISDIR, ""},
      {"fifo", 10, kNotRegularFile, ""},
      {"to-fifo", 10, kNotRegularFile, ""},
      {"to-device", 10, kNotRegularFile, ""},
  };
  for (const auto& c : cases) {
    std::string bytes = "left over";
    EXPECT_EQ(ReadRegularFile((dir_ / c.name).string(), c.cap, bytes), c.error) << c.name;
    EXPECT_EQ(bytes, c.bytes) << c.name;
  }
  EXPECT_EQ(FileReadErrorText(kNotRegularFile), u"Not a regular file");
}

// A FIFO or a device in the file's place, directly or behind a link, stays
// what it is; nothing is left beside it.
TEST_F(TempDir, AtomicReplaceRefusesWhatIsNotARegularFile) {
  ASSERT_EQ(::mkfifo((dir_ / "fifo").c_str(), 0600), 0);
  fs::create_symlink(dir_ / "fifo", dir_ / "to-fifo");
  for (const char* name : {"fifo", "to-fifo"}) {
    try {
      ReplaceFileAtomically(Path(name), [](TStream& s) { s.WriteBuffer("x", 1); });
      FAIL() << name;
    } catch (const EFCreateError& e) {
      EXPECT_EQ(e.Message(), u"Cannot create file \"" + Path(name) + u"\". Not a regular file");
    }
  }
  EXPECT_TRUE(fs::is_fifo(fs::symlink_status(dir_ / "fifo")));
  EXPECT_EQ(std::distance(fs::directory_iterator(dir_), fs::directory_iterator()), 2);
}
