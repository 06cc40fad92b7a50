#include "text/WIniFiles.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>

#include "base/Exceptions.h"
#include "base/Stream.h"
#include "base/Utf.h"
#include "tests/text/TextTestUtil.h"

using namespace varnika;
using namespace varnika::test;
using Strings = std::vector<std::u16string>;

namespace {

class IniFile : public TempDir {
 protected:
  // Writes lines (joined with CR LF) with the byte-order mark and loads them.
  std::unique_ptr<TWMemIniFile> Load(std::u16string_view text) {
    WriteBytes(Path("options.ini"), "\xFF\xFE" + Le(text));
    return std::make_unique<TWMemIniFile>(Path("options.ini"));
  }
  std::string Saved(TWMemIniFile& ini) {
    ini.UpdateFile();
    return ReadBytes(ini.FileName());
  }
};

}  // namespace

TEST_F(IniFile, TrimsNamesAndValuesAndMatchesThemWithoutCase) {
  auto ini = Load(u"  [ options ]  \r\n\talwaystop = 1 \nİsim=Çağrı\r");
  EXPECT_TRUE(ini->ReadBool(u"options", u"alwaystop", false));
  EXPECT_EQ(ini->ReadString(u"options", u"alwaystop", u"-"), u"1");
  EXPECT_EQ(ini->ReadString(u"OPTIONS", u"ALWAYSTOP", u"-"), u"1");
  EXPECT_EQ(ini->ReadString(u"Options", u"isim", u"-"), u"Çağrı");
  EXPECT_EQ(ini->ReadString(u"options", u"missing", u"-"), u"-");
  EXPECT_EQ(ini->ReadString(u"nothere", u"alwaystop", u"-"), u"-");
}

TEST_F(IniFile, DropsCommentsBlankLinesAndTextBeforeTheFirstSection) {
  auto ini = Load(u"orphan=1\r\n; comment\r\n[a]\r\n\r\n  ;x=1\r\nk=v\r\nloose text\r\n[b]\r\n");
  EXPECT_EQ(Saved(*ini), "\xFF\xFE" + Le(u"[a]\r\nk=v\r\nloose text\r\n\r\n[b]\r\n\r\n"));
  TWStringList names;
  ini->ReadSection(u"a", names);
  EXPECT_EQ(Items(names), (Strings{u"k", u""}));
}

TEST_F(IniFile, WritesNewSectionsAfterTheOthersAndAnEmptyIniAsTheMarkAlone) {
  auto ini = Load(u"[options]\r\nalwaystop=1\r\n");
  ini->WriteString(u"general", u"top", u"5");
  EXPECT_EQ(Saved(*ini), "\xFF\xFE" + Le(u"[options]\r\nalwaystop=1\r\n\r\n[general]\r\ntop=5\r\n\r\n"));

  TWMemIniFile empty(Path("empty.ini"));
  EXPECT_EQ(Saved(empty), "\xFF\xFE");
}

TEST_F(IniFile, DuplicateNamesFindTheLastOccurrenceAndAllAreKept) {
  auto ini = Load(u"[s]\r\na=1\r\na=2\r\n[S]\r\nb=1\r\n");
  EXPECT_EQ(ini->ReadString(u"s", u"a", u""), u"");  // the last [S] has no a
  EXPECT_EQ(ini->ReadString(u"s", u"b", u""), u"1");
  ini->EraseSection(u"s");
  EXPECT_EQ(ini->ReadString(u"s", u"a", u""), u"2");
  ini->WriteString(u"s", u"A", u"3");
  EXPECT_EQ(Saved(*ini), "\xFF\xFE" + Le(u"[s]\r\na=1\r\nA=3\r\n\r\n"));
  ini->DeleteKey(u"s", u"a");
  EXPECT_EQ(ini->ReadString(u"s", u"a", u""), u"1");
  ini->WriteString(u"t", u"x", u"1");
  TWStringList list;
  ini->ReadSections(list);
  EXPECT_EQ(Items(list), (Strings{u"s", u"t"}));
  ini->ReadSectionValues(u"s", list);
  EXPECT_EQ(Items(list), (Strings{u"a=1"}));
  ini->ReadSectionValues(u"none", list);
  EXPECT_EQ(list.Count(), 0);
}

TEST_F(IniFile, EscapesSurviveARoundTripAndUnknownEscapesVanish) {
  auto ini = Load(u"[e]\r\nq=a\\qb\r\nend=x\\\r\n");
  EXPECT_EQ(ini->ReadString(u"e", u"q", u""), u"ab");
  EXPECT_EQ(ini->ReadString(u"e", u"end", u""), u"x");

  const std::u16string value = u"\tback\\slash\rcr\nlf  ";
  ini->WriteString(u"e", u"v", value);
  ini->WriteString(u"e", u"spaced", u"  inner  ");
  const std::string file = Saved(*ini);
  EXPECT_NE(file.find(Le(u"v=\\tback\\\\slash\\rcr\\nlf  \r\n")), std::string::npos);
  TWMemIniFile again(ini->FileName());
  EXPECT_EQ(again.ReadString(u"e", u"v", u""), u"\tback\\slash\rcr\nlf");  // trailing spaces trimmed
  EXPECT_EQ(again.ReadString(u"e", u"spaced", u""), u"inner");
}

TEST_F(IniFile, IntegersAndBooleansFallBackToTheDefault) {
  auto ini = Load(u"[n]\r\nhex=0x1F\r\ndollar=$1F\r\nbad=12abc\r\nneg=-42\r\nmin=-2147483648\r\n"
                  u"over=2147483648\r\nall=0xFFFFFFFF\r\nprefix=0x\r\ntwo=2\r\nzero=0\r\nyes=yes\r\n");
  const std::pair<const char16_t*, std::int32_t> cases[] = {
      {u"hex", 31}, {u"dollar", 31}, {u"bad", 7}, {u"neg", -42}, {u"min", INT32_MIN},
      {u"over", 7}, {u"all", -1}, {u"prefix", 7}, {u"missing", 7},
  };
  for (const auto& [key, expected] : cases) EXPECT_EQ(ini->ReadInteger(u"n", key, 7), expected) << Narrow(key);
  EXPECT_TRUE(ini->ReadBool(u"n", u"two", false));
  EXPECT_FALSE(ini->ReadBool(u"n", u"zero", true));
  EXPECT_TRUE(ini->ReadBool(u"n", u"yes", true));
  EXPECT_FALSE(ini->ReadBool(u"n", u"yes", false));

  ini->WriteHexInteger(u"n", u"h", -2);
  EXPECT_EQ(ini->ReadString(u"n", u"h", u""), u"0xfffffffe");
  EXPECT_EQ(ini->ReadInteger(u"n", u"h", 0), -2);
  ini->WriteInteger(u"n", u"i", INT32_MIN);
  EXPECT_EQ(ini->ReadString(u"n", u"i", u""), u"-2147483648");
  ini->WriteBool(u"n", u"b", true);
  EXPECT_EQ(ini->ReadString(u"n", u"b", u""), u"1");
}

// Only an optional sign, then digits or "$" and hex digits, make a number:
// blanks before it make the text malformed. A file reaches such a value
// through an unknown escape, which is dropped after the line is trimmed.
TEST_F(IniFile, BlanksBeforeANumberGiveTheDefault) {
  auto ini = Load(u"[n]\r\nk=\\q 7\r\nb=\\q 1\r\n");
  ASSERT_EQ(ini->ReadString(u"n", u"k", u""), u" 7");
  EXPECT_EQ(ini->ReadInteger(u"n", u"k", 3), 3);
  EXPECT_FALSE(ini->ReadBool(u"n", u"b", false));
  for (const char16_t* text : {u" 7", u"\t7", u"- 7", u"+ $1F", u" 0x1F"}) {
    ini->WriteString(u"n", u"w", text);
    EXPECT_EQ(ini->ReadInteger(u"n", u"w", 3), 3) << Narrow(text);
  }
  ini->WriteString(u"n", u"w", u"+7");
  EXPECT_EQ(ini->ReadInteger(u"n", u"w", 3), 7);
}

TEST_F(IniFile, FloatsUseAPointAndTheShortestForm) {
  TWMemIniFile ini(u"");
  const std::pair<double, const char16_t*> cases[] = {
      {0.1, u"0.1"}, {-2.5, u"-2.5"}, {1e20, u"1E20"}, {1.5e-7, u"1.5E-7"},
      {1.0 / 3, u"0.333333333333333"}, {123456789012345.0, u"123456789012345"}, {0, u"0"},
  };
  for (const auto& [value, text] : cases) {
    ini.WriteFloat(u"f", u"v", value);
    EXPECT_EQ(ini.ReadString(u"f", u"v", u""), text);
    EXPECT_NEAR(ini.ReadFloat(u"f", u"v", -1), value, std::fabs(value) * 1e-15);  // 15 digits kept
  }
  ini.WriteFloat(u"f", u"inf", INFINITY);
  EXPECT_EQ(ini.ReadFloat(u"f", u"inf", 0), INFINITY);
  for (const char16_t* bad : {u"1,5", u"1.5x", u"+-1", u"1e999", u"0x10", u"١"}) {
    ini.WriteString(u"f", u"bad", bad);
    EXPECT_EQ(ini.ReadFloat(u"f", u"bad", -1), -1) << Narrow(bad);
  }
}

TEST_F(IniFile, DatesAndTimesReadBackWhatTheyWrite) {
  TWMemIniFile ini(u"");
  TDateTime date, time;
  ASSERT_TRUE(TryEncodeDate(2024, 2, 29, date));
  ASSERT_TRUE(TryEncodeTime(7, 5, 9, 0, time));
  ini.WriteDate(u"d", u"date", date);
  ini.WriteTime(u"d", u"time", time);
  ini.WriteDateTime(u"d", u"both", date + time);
  ini.WriteDateTime(u"d", u"midnight", date);
  EXPECT_EQ(ini.ReadString(u"d", u"date", u""), u"29.02.2024");
  EXPECT_EQ(ini.ReadString(u"d", u"time", u""), u"07:05:09");
  EXPECT_EQ(ini.ReadString(u"d", u"both", u""), u"29.02.2024 07:05:09");
  EXPECT_EQ(ini.ReadString(u"d", u"midnight", u""), u"29.02.2024");
  EXPECT_EQ(ini.ReadDate(u"d", u"date", 0), date);
  EXPECT_NEAR(ini.ReadTime(u"d", u"time", 0), time, 1e-9);
  EXPECT_NEAR(ini.ReadDateTime(u"d", u"both", 0), date + time, 1e-9);
  EXPECT_EQ(ini.ReadDateTime(u"d", u"midnight", 0), date);
  EXPECT_EQ(date, 45351);  // days since 30.12.1899

  for (const char16_t* bad : {u"31.02.2023", u"1.1.99", u"12:60", u"24:00:00", u"2024-02-29", u"29.02.2024 7"}) {
    ini.WriteString(u"d", u"bad", bad);
    EXPECT_EQ(ini.ReadDateTime(u"d", u"bad", -5), -5) << Narrow(bad);
  }
  ini.WriteString(u"d", u"short", u"1.2.0003 9:05");
  EXPECT_EQ(ini.ReadString(u"d", u"short", u""), u"1.2.0003 9:05");
  TDateTime parsed = ini.ReadDateTime(u"d", u"short", 0);
  ini.WriteDateTime(u"d", u"short", parsed);
  EXPECT_EQ(ini.ReadString(u"d", u"short", u""), u"01.02.0003 09:05:00");
  EXPECT_THROW(ini.WriteDate(u"d", u"nan", NAN), EConvertError);
  EXPECT_THROW(ini.WriteDateTime(u"d", u"far", 1e9), EConvertError);
}

TEST_F(IniFile, BinaryStreamsAreStoredAsHexadecimalText) {
  TWMemIniFile ini(u"");
  TMemoryStream in;
  in.WriteBuffer("\x00\x7F\xFFz", 4);
  in.SetPosition(1);
  ini.WriteBinaryStream(u"b", u"data", in);
  EXPECT_EQ(ini.ReadString(u"b", u"data", u""), u"7FFF7A");

  TMemoryStream out;
  out.WriteBuffer("#", 1);
  EXPECT_EQ(ini.ReadBinaryStream(u"b", u"data", out), 3);
  EXPECT_EQ(out.DataString(), "#\x7F\xFFz");
  for (const char16_t* bad : {u"7G", u"ABC", u""}) {
    ini.WriteString(u"b", u"bad", bad);
    EXPECT_EQ(ini.ReadBinaryStream(u"b", u"bad", out), 0);
  }
  EXPECT_EQ(out.Size(), 4);
}

TEST_F(IniFile, MissingFilesAreEmptyButFoldersRaiseTheOpenError) {
  TWMemIniFile missing(Path("none.ini"));
  EXPECT_EQ(missing.ReadString(u"a", u"b", u"d"), u"d");
  TWMemIniFile nameless(u"");
  EXPECT_EQ(nameless.ReadInteger(u"a", u"b", 3), 3);

  const std::u16string folder = Path("folder.ini");
  std::filesystem::create_directory(dir_ / "folder.ini");
  try {
    TWMemIniFile ini(folder);
    FAIL();
  } catch (const EFOpenError& e) {
    EXPECT_EQ(e.Message(), u"Cannot open file \"" + folder + u"\". Is a directory");
  }

  auto ini = Load(u"[a]\r\nk=1\r\n");
  std::filesystem::remove(dir_ / "options.ini");
  std::filesystem::create_directory(dir_ / "options.ini");
  EXPECT_THROW(ini->LoadValues(), EFOpenError);
  EXPECT_EQ(ini->ReadString(u"a", u"k", u""), u"1");  // memory state kept
  std::filesystem::remove(dir_ / "options.ini");
  ini->LoadValues();  // gone now: empty
  EXPECT_EQ(ini->ReadString(u"a", u"k", u""), u"");
}

TEST_F(IniFile, AFailedUpdateKeepsTheOldFileAndTheMemoryState) {
  auto ini = Load(u"[a]\r\nk=1\r\n");
  const std::string before = ReadBytes(ini->FileName());
  ini->WriteString(u"a", u"big", std::u16string(4000, u'x'));
  {
    FileSizeLimit limit(512);
    EXPECT_THROW(ini->UpdateFile(), EWriteError);
  }
  EXPECT_EQ(ReadBytes(ini->FileName()), before);
  EXPECT_EQ(Files(), (std::vector<std::string>{"options.ini"}));
  EXPECT_EQ(ini->ReadString(u"a", u"big", u"").size(), 4000u);

  TWMemIniFile nowhere(Path("no/such/folder.ini"));
  EXPECT_THROW(nowhere.UpdateFile(), EFCreateError);
}

TEST_F(IniFile, ReloadingAWrittenFileGivesTheSameSectionsAndValues) {
  auto ini = Load(u"[x]\r\n\\q[y]\r\nk = \\q v\r\n[]\r\n=\r\n");
  ini->UpdateFile();
  TWMemIniFile first(ini->FileName());
  const std::string once = Saved(first);
  TWMemIniFile second(first.FileName());
  EXPECT_EQ(Saved(second), once);
  TWStringList sections;
  second.ReadSections(sections);
  EXPECT_EQ(Items(sections), (Strings{u"x", u"y", u""}));
}

TEST_F(IniFile, ReadsUtf8AndBothUtf16MarksAndWritesBackInTheEncodingItRead) {
  const std::u16string text = u"[kişi]\r\nad=Çağrı 😀\r\n\r\n";
  const std::string utf16le = "\xFF\xFE" + Le(text);
  std::string utf16be = "\xFE\xFF";
  for (char16_t c : text) utf16be += {static_cast<char>(c >> 8), static_cast<char>(c & 0xFF)};
  for (const std::string& bytes : {utf16le, utf16be, "\xEF\xBB\xBF" + Utf16ToUtf8(text), Utf16ToUtf8(text)}) {
    WriteBytes(Path("options.ini"), bytes);
    TWMemIniFile ini(Path("options.ini"));
    EXPECT_EQ(ini.ReadString(u"KİŞİ", u"ad", u"-"), u"Çağrı 😀");
    EXPECT_EQ(Saved(ini), bytes);
  }
  TWMemIniFile fresh(Path("new.ini"));
  fresh.WriteString(u"a", u"b", u"c");
  EXPECT_EQ(Saved(fresh), "\xFF\xFE" + Le(u"[a]\r\nb=c\r\n\r\n"));
}
