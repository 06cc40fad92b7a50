// The per-user configuration folder and the autostart entry kept in it.
#include <sys/stat.h>

#include <string>

#include "base/Utf.h"
#include "platform/Autostart.h"
#include "platform/ErrnoCodes.h"
#include "platform/SpecialFolders.h"
#include "tests/platform/ServicesSupport.h"

namespace varnika::test {
namespace {

std::string AppData(int csidl = CSIDL_APPDATA, HRESULT* result = nullptr) {
  char16_t path[MAX_PATH];
  const HRESULT r = SHGetFolderPathW(nullptr, csidl, nullptr, SHGFP_TYPE_DEFAULT, path);
  if (result) *result = r;
  return r == S_OK ? Utf16ToUtf8(path) : std::string("<failed>");
}

TEST(UserFolderTest, AppDataIsTheXdgConfigFolderOrHomeDotConfig) {
  ScopedEnv home("HOME", "/home/ayse");
  {
    ScopedEnv config("XDG_CONFIG_HOME", "/srv/conf/");
    EXPECT_EQ(AppData(), "/srv/conf");
  }
  {
    ScopedEnv config("XDG_CONFIG_HOME", "relative/conf");  // not absolute: ignored
    EXPECT_EQ(AppData(), "/home/ayse/.config");
  }
  ScopedEnv config("XDG_CONFIG_HOME", nullptr);
  EXPECT_EQ(AppData(), "/home/ayse/.config");
}

TEST(UserFolderTest, OtherFoldersAndUnusablePathsFailInsteadOfGivingAWrongFolder) {
  HRESULT result = S_OK;
  AppData(0x0005 /* CSIDL_PERSONAL */, &result);
  EXPECT_EQ(result, E_INVALIDARG);
  {
    ScopedEnv config("XDG_CONFIG_HOME", ("/" + std::string(300, 'x')).c_str());
    AppData(CSIDL_APPDATA, &result);
    EXPECT_EQ(result, E_FAIL);  // longer than MAX_PATH
  }
  ScopedEnv config("XDG_CONFIG_HOME", "/tmp/\xFF\xFE");
  AppData(CSIDL_APPDATA, &result);
  EXPECT_EQ(result, E_FAIL);  // not UTF-8: no UTF-16 name for it
}

TEST(UserFolderTest, CreateFlagMakesTheFolderWithItsParents) {
  TempFolder temp;
  const std::string folder = temp / "a/b/config";
  ScopedEnv config("XDG_CONFIG_HOME", folder.c_str());
  EXPECT_EQ(AppData(CSIDL_APPDATA), folder);
  EXPECT_FALSE(Exists(folder));  // a folder that does not exist yet is still the answer
  EXPECT_EQ(AppData(CSIDL_APPDATA | CSIDL_FLAG_CREATE), folder);
  EXPECT_TRUE(Exists(folder));
}

class AutostartTest : public ::testing::Test {
 protected:
  std::string Entry() const { return temp_ / "config/autostart/Varnika.desktop"; }
  TempFolder temp_;
  ScopedEnv config_{"XDG_CONFIG_HOME", (temp_.Path() + "/config").c_str()};
};

TEST_F(AutostartTest, EntryIsWrittenRewrittenAndDeleted) {
  EXPECT_EQ(WriteAutostartEntry("Varnika", "\"/opt/varnika/varnika\""), 0);
  EXPECT_EQ(ReadFile(Entry()),
            "[Desktop Entry]\n"
            "Type=Application\n"
            "Name=Varnika\n"
            "Exec=/opt/varnika/varnika\n"
            "X-GNOME-Autostart-enabled=true\n");
  EXPECT_EQ(WriteAutostartEntry("Varnika", "\"/usr/local/bin/varnika\""), 0);
  EXPECT_NE(ReadFile(Entry()).find("Exec=/usr/local/bin/varnika\n"), std::string::npos);
  EXPECT_EQ(DeleteAutostartEntry("Varnika"), 0);
  EXPECT_FALSE(Exists(Entry()));
  EXPECT_EQ(DeleteAutostartEntry("Varnika"), static_cast<LONG>(ERROR_FILE_NOT_FOUND));
}

TEST_F(AutostartTest, ExecQuotesAndEscapesWhatTheDesktopEntryRulesReserve) {
  std::string exec;
  ASSERT_TRUE(DesktopExecValue("\"/home/ayşe/Uygulamalar/Varnika 2/varnika\"", &exec));
  EXPECT_EQ(exec, "\"/home/ayşe/Uygulamalar/Varnika 2/varnika\"");
  ASSERT_TRUE(DesktopExecValue("\"/opt/100%/a$b`c\\\"d\\e\" --tray", &exec));
  // Win32 splitting: \" is a literal quote, a lone backslash stays.
  EXPECT_EQ(exec, "\"/opt/100%%/a\\$b\\`c\\\"d\\\\e\" --tray");
  // In the file every backslash is doubled once more (string escaping).
  EXPECT_EQ(WriteAutostartEntry("Varnika", "\"/opt/a\\b c/v\""), 0);
  EXPECT_NE(ReadFile(Entry()).find("Exec=\"/opt/a\\\\\\\\b c/v\"\n"), std::string::npos);
}

// The entry written for a program in an awkward folder starts that program.
// The Exec= value is read back as a launcher does (string escapes, then
// the quoting, whose rules inside double quotes are the shell's).
TEST_F(AutostartTest, AQuotedPathRunsTheProgramWhateverItsFolderIsCalled) {
  for (const std::string folder : {"Varnika 2", "a\"b", "say \"hi\" \\", "$HOME`id`", "c:\\x\\", "t\\\"q"}) {
    SCOPED_TRACE(folder);
    ::mkdir((temp_ / folder).c_str(), 0700);
    const std::string program = temp_ / folder + "/run";
    WriteFile(program, "#!/bin/sh\necho ran > '" + (temp_ / "ran") + "'\n", 0755);
    ASSERT_EQ(WriteAutostartEntry("Varnika", QuoteCommandLineArgument(program)), 0);
    const std::string text = ReadFile(Entry());
    const std::size_t start = text.find("Exec=") + 5;
    std::string exec;
    for (std::size_t i = start; text[i] != '\n'; ++i) exec += text[i] == '\\' ? text[++i] : text[i];
    ChildProcess launcher({"/bin/sh", "-c", exec});
    EXPECT_EQ(launcher.Wait(), 0) << exec;
    EXPECT_EQ(ReadFile(temp_ / "ran"), "ran\n") << exec;
    ::unlink((temp_ / "ran").c_str());
  }
}

TEST_F(AutostartTest, UnwritableNamesAndCommandLinesAreRefused) {
  EXPECT_EQ(WriteAutostartEntry("../evil", "\"/bin/true\""), static_cast<LONG>(ERROR_INVALID_NAME));
  EXPECT_EQ(WriteAutostartEntry("", "\"/bin/true\""), static_cast<LONG>(ERROR_INVALID_NAME));
  EXPECT_EQ(WriteAutostartEntry("Varnika", "\"/bin/true\"\nExec=/bin/evil"),
            static_cast<LONG>(ERROR_INVALID_PARAMETER));
  EXPECT_EQ(WriteAutostartEntry("Varnika", "   "), static_cast<LONG>(ERROR_INVALID_PARAMETER));
  EXPECT_FALSE(Exists(temp_ / "config/autostart"));
}

TEST_F(AutostartTest, WhatStandsInTheEntrysWayIsReportedAsTheSystemsError) {
  ::mkdir((temp_ / "config").c_str(), 0700);
  WriteFile(temp_ / "config/autostart", "not a folder");
  EXPECT_EQ(WriteAutostartEntry("Varnika", "\"/opt/v\""), static_cast<LONG>(ERROR_PATH_NOT_FOUND));
  ::unlink((temp_ / "config/autostart").c_str());
  ::mkdir((temp_ / "config/autostart").c_str(), 0700);
  ::mkdir(Entry().c_str(), 0700);
  EXPECT_EQ(WriteAutostartEntry("Varnika", "\"/opt/v\""), static_cast<LONG>(ERROR_ACCESS_DENIED));
}

TEST_F(AutostartTest, AFailedWriteReportsTheSystemsErrorAndLeavesTheOldEntry) {
  ASSERT_EQ(WriteAutostartEntry("Varnika", "\"/opt/old\""), 0);
  ::chmod((temp_ / "config/autostart").c_str(), 0500);
  if (::access((temp_ / "config/autostart").c_str(), W_OK) == 0) GTEST_SKIP() << "running with root's rights";
  EXPECT_EQ(WriteAutostartEntry("Varnika", "\"/opt/new\""), static_cast<LONG>(ERROR_ACCESS_DENIED));
  EXPECT_NE(ReadFile(Entry()).find("Exec=/opt/old"), std::string::npos);
}

}  // namespace
}  // namespace varnika::test
