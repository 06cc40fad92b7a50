// The widget's two files in the data folder as a user or an accident may
// leave them: not regular files, hand-written in other encodings, changed
// while the widget runs, unwritable, or with half-written saves beside them.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <csignal>
#include <filesystem>

#include "base/Utf.h"
#include "platform/MessageLoop.h"
#include "platform/Window.h"
#include "tests/app/WidgetTestSupport.h"
#include "widget/CheckBoxEx.h"
#include "widget/ContentEx.h"

namespace varnika::test {
namespace {

namespace fs = std::filesystem;

int ItemCount(TMainWindow& w) { return w.NewsList()->Items() ? w.NewsList()->Items()->Count() : 0; }

std::string Utf16Be(std::u16string_view text) {
  std::string out = "\xFE\xFF";
  for (char16_t c : text) {
    out += static_cast<char>(c >> 8);
    out += static_cast<char>(c & 0xFF);
  }
  return out;
}

// What stands where a data file should be.
enum class Kind { Directory, Fifo, LinkToFifo, LinkToDevice };

void Make(Kind kind, const fs::path& path) {
  switch (kind) {
    case Kind::Directory: fs::create_directory(path); break;
    case Kind::Fifo: ASSERT_EQ(::mkfifo(path.c_str(), 0600), 0); break;
    case Kind::LinkToFifo:
      ASSERT_EQ(::mkfifo((path.string() + "-fifo").c_str(), 0600), 0);
      fs::create_symlink(path.string() + "-fifo", path);
      break;
    case Kind::LinkToDevice: fs::create_symlink("/dev/null", path); break;
  }
}

bool StillThere(Kind kind, const fs::path& path) {
  switch (kind) {
    case Kind::Directory: return fs::is_directory(fs::symlink_status(path));
    case Kind::Fifo: return fs::is_fifo(fs::symlink_status(path));
    case Kind::LinkToFifo: return fs::is_symlink(fs::symlink_status(path)) && fs::is_fifo(fs::status(path));
    case Kind::LinkToDevice: return fs::read_symlink(path) == "/dev/null" && fs::is_character_file(path);
  }
  return false;
}

class NotRegularFiles : public WidgetTest, public ::testing::WithParamInterface<Kind> {};

// Neither file is read nor replaced; the widget starts at once on its
// defaults and shows the headlines it downloads.
TEST_P(NotRegularFiles, AreLeftAloneWhileTheWidgetRunsOnDefaults) {
  const fs::path folder = Utf16ToUtf8(data_path);
  Make(GetParam(), folder / "options.ini");
  Make(GetParam(), folder / "news.xml");
  TTestMainWindow& w = Start();
  EXPECT_EQ(w.Left(), 402);
  // The box shows that there is no autostart entry: none is written while
  // the stored choice cannot be read.
  EXPECT_FALSE(w.StartupBox()->Checked());
  StartUp();
  EXPECT_EQ(ItemCount(w), 12);
  SendMessageW(wnd, WM_CLOSE, 0, 0);
  EXPECT_FALSE(IsWindow(wnd));
  EXPECT_TRUE(StillThere(GetParam(), folder / "options.ini"));
  EXPECT_TRUE(StillThere(GetParam(), folder / "news.xml"));
}

INSTANTIATE_TEST_SUITE_P(Kinds, NotRegularFiles,
                         ::testing::Values(Kind::Directory, Kind::Fifo, Kind::LinkToFifo, Kind::LinkToDevice));

// While alive, files may not grow beyond limit bytes (also for root).
class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t limit) : handler_(std::signal(SIGXFSZ, SIG_IGN)) {
    ::getrlimit(RLIMIT_FSIZE, &old_);
    rlimit now = old_;
    now.rlim_cur = limit;
    ::setrlimit(RLIMIT_FSIZE, &now);
  }
  ~FileSizeLimit() {
    ::setrlimit(RLIMIT_FSIZE, &old_);
    std::signal(SIGXFSZ, handler_);
  }

 private:
  rlimit old_{};
  void (*handler_)(int);
};

TEST_F(WidgetTest, ACacheThatCannotBeWrittenKeepsItsOldFileAndTheDownloadIsShown) {
  const std::string old_feed = RssFeed(3, "Eski");
  WriteFile(DataFile("news.xml"), old_feed);
  TTestMainWindow& w = Start();
  ASSERT_TRUE(PumpUntil([this] { return DownloadsIdle(); }));
  EXPECT_EQ(ItemCount(w), 3);
  {
    FileSizeLimit full_disk(old_feed.size());
    StartUp();
  }
  EXPECT_EQ(ItemCount(w), 12);
  EXPECT_EQ(ReadFile(DataFile("news.xml")), old_feed);
  EXPECT_EQ(fs::directory_iterator(Utf16ToUtf8(data_path)) != fs::directory_iterator(), true);
  for (const auto& entry : fs::directory_iterator(Utf16ToUtf8(data_path)))
    EXPECT_EQ(entry.path().filename().string().find(".tmp-"), std::string::npos) << entry.path();
}

// UTF-8 with and without its mark and UTF-16 in both byte orders: the
// address and the place are read, and the file is written back in the
// encoding it came in, with the address kept.
TEST_F(WidgetTest, AHandWrittenOptionsFileIsReadAndSavedInItsOwnEncoding) {
  const std::u16string url = u"url=http://" + Utf8ToUtf16(server->Host()) + u"/kendi.xml";
  const std::u16string text = u"; elle yazıldı\n[general]\nleft=100\ntop=120\n[feed]\n" + url + u"\n[kişi]\nad=Çağrı\n";
  const std::u16string saved = u"[general]\r\nleft=100\r\ntop=120\r\n\r\n[feed]\r\n" + url +
                               u"\r\n\r\n[kişi]\r\nad=Çağrı\r\n\r\n[options]\r\nstartup=1\r\n"
                               u"alwaystop=1\r\nshowtray=1\r\nautoscale=1\r\n\r\n";
  using Encode = std::string (*)(std::u16string_view);
  const Encode encodings[] = {
      [](std::u16string_view t) { return Utf16ToUtf8(t); },
      [](std::u16string_view t) { return "\xEF\xBB\xBF" + Utf16ToUtf8(t); },
      &WidgetTest::Utf16File,
      &Utf16Be,
  };
  for (Encode encode : encodings) {
    WriteFile(DataFile("options.ini"), encode(text));
    TTestMainWindow& w = Start();
    EXPECT_EQ(w.Left(), 100);
    EXPECT_EQ(Utf8ToUtf16("url=" + w.Options()->ReadFeedUrl()), url);
    SendMessageW(wnd, WM_CLOSE, 0, 0);
    EXPECT_EQ(ReadFile(DataFile("options.ini")), encode(saved)) << encode(u"");
  }
}

// What the run command does while the widget runs: a new address stored in
// the file survives the widget's own save, and the reload message makes the
// widget fetch it at once.
TEST_F(WidgetTest, AFeedAddressStoredWhileTheWidgetRunsIsKeptAndTakenOnTheReloadMessage) {
  const std::u16string host = Utf8ToUtf16(server->Host());
  WriteFile(DataFile("options.ini"), Utf16File(u"[feed]\r\nurl=http://" + host + u"/eski.xml\r\n"));
  TTestMainWindow& w = Start();
  StartUp();
  EXPECT_EQ(RequestsFor("/eski.xml?rand=").size(), 1u);
  WriteFile(DataFile("options.ini"),
            Utf16File(u"[feed]\r\nurl=http://" + host + u"/yeni.xml\r\n[kullanıcı]\r\nnot=elle\r\n"));
  display->PostForeign(wnd, 37684, 0, 0);
  ASSERT_TRUE(PumpUntil([&] { return RequestsFor("/yeni.xml?rand=").size() == 1 && DownloadsIdle(); }));
  EXPECT_EQ(ItemCount(w), 12);
  w.TrayBox()->OnClick(w.TrayBox(), MK_LBUTTON, 1, 1);  // saves at once
  SendMessageW(wnd, WM_CLOSE, 0, 0);
  EXPECT_EQ(ReadFile(DataFile("options.ini")),
            Utf16File(u"[feed]\r\nurl=http://" + host + u"/yeni.xml\r\n\r\n[kullanıcı]\r\nnot=elle\r\n\r\n"
                      u"[general]\r\nleft=402\r\ntop=322\r\n\r\n[options]\r\nstartup=1\r\nalwaystop=1\r\n"
                      u"showtray=0\r\nautoscale=1\r\n\r\n"));
}

TEST_F(WidgetTest, HalfWrittenSavesOfAKilledRunAreRemovedAtStart) {
  const fs::path folder = Utf16ToUtf8(data_path);
  const char* stale[] = {"news.xml.tmp-Ab3dE9", "options.ini.tmp-zz0ZZ1"};
  const char* kept[] = {"news.xml.tmp-short", "news.xml.backup", "notes.txt.tmp-Ab3dE9", "news.xml.tmp-Ab3dE9x"};
  for (const char* name : stale) WriteFile(DataFile(name), std::string(1000, 'x'));
  for (const char* name : kept) WriteFile(DataFile(name), "kept");
  fs::create_directory(folder / "options.ini.tmp-Dir123");
  Start();
  for (const char* name : stale) EXPECT_FALSE(fs::exists(folder / name)) << name;
  for (const char* name : kept) EXPECT_TRUE(fs::exists(folder / name)) << name;
  EXPECT_TRUE(fs::is_directory(folder / "options.ini.tmp-Dir123"));
}

}  // namespace
}  // namespace varnika::test
