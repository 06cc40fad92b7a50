#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "resources/Language.h"
#include "resources/MenuResource.h"
#include "resources/RawImage.h"
#include "resources/Resources.h"
#include "resources/StringTable.h"

namespace varnika {
namespace {

std::string Text(std::span<const std::uint8_t> bytes) { return {bytes.begin(), bytes.end()}; }

TEST(Resources, EmbeddedFilesAreFoundByTypeAndId) {
  EXPECT_EQ(Text(FindResourceData(u"TEST", 1)), "Merhaba, dünya!\n");
  EXPECT_EQ(Text(FindResourceData(u"test", 1)), "Merhaba, dünya!\n");  // types ignore case
  EXPECT_TRUE(FindResourceData(u"TEST", 3).empty());
  EXPECT_TRUE(FindResourceData(u"OTHER", 1).empty());
  // An empty file is a resource; a missing one is not.
  ASSERT_NE(FindResource(u"TEST", 2), nullptr);
  EXPECT_EQ(FindResource(u"TEST", 2)->Data().size(), 0u);
  EXPECT_EQ(FindResource(u"TEST", 3), nullptr);
}

TEST(Resources, MissingResourceRaisesWithItsId) {
  try {
    LoadResourceData(u"PNG", 4242);
    FAIL() << "no exception";
  } catch (const EResNotFound& e) {
    EXPECT_EQ(e.Message(), u"Resource 4242 not found");
  }
  EXPECT_EQ(LoadResourceData(u"TEST", 1).size(), 17u);
}

TEST(Resources, ProgramCarriesItsIconMenuAndStrings) {
  std::span<const std::uint8_t> icon = FindResourceData(kResourceTypeIcon, 101);
  ASSERT_GE(icon.size(), 8u);
  EXPECT_EQ(Text(icon.first(8)), "\x89PNG\r\n\x1a\n");
  EXPECT_FALSE(FindResourceData(kResourceTypeMenu, 101).empty());
  EXPECT_FALSE(FindResourceData(kResourceTypeStringTable, 1).empty());
}

// Stored pixels are taken only when the header describes exactly the bytes
// that follow, in this machine's byte order.
TEST(RawImage, OnlyAWellFormedImageOfThisMachineIsRead) {
  alignas(16) std::uint8_t bytes[16 + 2 * 12] = {};
  auto with = [&](std::uint32_t magic, std::uint32_t width, std::uint32_t height, std::uint32_t stride,
                  std::size_t size, std::size_t offset = 0) {
    const RawImageHeader h{magic, width, height, stride};
    std::memcpy(bytes + offset, &h, sizeof h);
    return ReadRawImage({bytes + offset, size});
  };
  const RawImage good = with(RawImageHeader::kMagic, 2, 2, 12, 40);
  EXPECT_EQ(good.pixels, bytes + 16);
  EXPECT_EQ(good.width, 2);
  EXPECT_EQ(good.stride, 12);
  const struct {
    std::uint32_t magic, width, height, stride;
    std::size_t size;
    const char* why;
  } bad[] = {{__builtin_bswap32(RawImageHeader::kMagic), 2, 2, 12, 40, "the other byte order"},
             {RawImageHeader::kMagic, 2, 2, 12, 39, "a row cut short"},
             {RawImageHeader::kMagic, 2, 2, 12, 41, "bytes left over"},
             {RawImageHeader::kMagic, 4, 2, 12, 40, "a stride narrower than the row"},
             {RawImageHeader::kMagic, 2, 2, 10, 36, "a stride that is no multiple of four"},
             {RawImageHeader::kMagic, 40000, 0, 160000, 16, "wider than cairo draws"},
             {RawImageHeader::kMagic, 0, 0, 0, 8, "shorter than a header"}};
  for (const auto& b : bad) EXPECT_EQ(with(b.magic, b.width, b.height, b.stride, b.size).pixels, nullptr) << b.why;
  EXPECT_EQ(with(RawImageHeader::kMagic, 1, 1, 4, 20, 2).pixels, nullptr) << "pixels off the four-byte grid";
}

TEST(StringTable, HoldsTheProgramsTextsInBothLanguages) {
  struct Case {
    UINT id;
    const char16_t* turkish;
    const char16_t* english;
  };
  const Case cases[] = {
      {100, u"Varnika", u"Varnika"},
      {103, u"Kapat", u"Close"},
      {104, u"Oturum her açıldığında otomatik olarak başlat.", u"Start automatically at every login."},
      {105, u"Pencereyi her zaman en üstte tut.", u"Always keep the window on top."},
      {106, u"Sistem Tepsisinde program simgesini göster.", u"Show the program icon in the system tray."},
      {107, u"Otomatik boyutlandırmayı etkinleştir.", u"Enable automatic resizing."},
      {108, u"Varnika", u"Varnika"},
      {109, u"Seçenekler", u"Options"},
      {110, u"Web sitemizi ziyaret edin...", u"Visit our website..."},
      {200, u"\"%s\" için yeni sürüm hazır. İndirmek ister misiniz?",
       u"A new version of \"%s\" is ready. Would you like to download it?"},
      {301, u"Güncelleniyor...", u"Updating..."},
      {999, u"", u""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(LoadStringW(c.id, Language::Turkish), c.turkish) << c.id;
    EXPECT_EQ(LoadStringW(c.id, Language::English), c.english) << c.id;
  }
  // Both tables hold the same ids.
  auto table = [](Language language) {
    std::span<const std::uint8_t> data = FindLocalizedResourceData(kResourceTypeStringTable, 1, language);
    return ParseStringTable(std::string_view(reinterpret_cast<const char*>(data.data()), data.size()));
  };
  std::vector<UINT> turkish_ids, english_ids;
  for (const auto& [id, text] : table(Language::Turkish)) turkish_ids.push_back(id);
  for (const auto& [id, text] : table(Language::English)) english_ids.push_back(id);
  EXPECT_EQ(turkish_ids, english_ids);
}

TEST(Language, ChosenByTheLocaleVariablesAsGettextReadsThem) {
  constexpr Language tr = Language::Turkish, en = Language::English;
  struct Case {
    LocaleVariables locale;
    Language expected;
  };
  const Case cases[] = {
      {{}, en},
      {{nullptr, nullptr, nullptr, "tr_TR.UTF-8"}, tr},
      {{nullptr, nullptr, nullptr, "C.UTF-8"}, en},
      {{nullptr, nullptr, nullptr, "de_DE.UTF-8"}, en},
      {{nullptr, nullptr, "tr_CY@euro", "en_US.UTF-8"}, tr},       // LC_MESSAGES before LANG
      {{nullptr, "en_GB.UTF-8", "tr_TR.UTF-8", "tr_TR.UTF-8"}, en},  // LC_ALL before both
      {{"", "", "", "tr"}, tr},                                     // empty counts as unset
      {{"tr", "C", nullptr, "en_US.UTF-8"}, tr},                    // LANGUAGE first
      {{"de:fr:tr_TR:en", nullptr, nullptr, nullptr}, tr},         // the first known entry of the list
      {{"en_GB:tr", nullptr, nullptr, "tr_TR.UTF-8"}, en},
      {{"de:fr", nullptr, nullptr, "tr_TR.UTF-8"}, en},             // a list with neither: English
      {{nullptr, nullptr, nullptr, "trk"}, en},                    // not "tr"
  };
  for (const Case& c : cases) {
    EXPECT_EQ(LanguageOfLocale(c.locale), c.expected)
        << (c.locale.language ? c.locale.language : "-") << " " << (c.locale.lc_all ? c.locale.lc_all : "-") << " "
        << (c.locale.lc_messages ? c.locale.lc_messages : "-") << " " << (c.locale.lang ? c.locale.lang : "-");
  }
  // A resource without an English version gives its Turkish one.
  EXPECT_EQ(Text(FindLocalizedResourceData(u"TEST", 1, en)), "Merhaba, dünya!\n");
}

TEST(StringTable, ATableRegisteredLaterIsReadAndTheProgramsComesBackAfterIt) {
  EXPECT_EQ(LoadStringW(103, Language::Turkish), u"Kapat");
  static constexpr char kText[] = "103 \"Close\"\n900 \"Extra\"\n";
  const auto* bytes = reinterpret_cast<const std::uint8_t*>(kText);
  const ResourceEntry entries[] = {{u"STRINGTABLE", 1, bytes, bytes + sizeof kText - 1}};
  const ResourceSet set{entries, 1};
  {
    ResourceSetRegistration registration(set);
    EXPECT_EQ(LoadStringW(103, Language::Turkish), u"Close");
    EXPECT_EQ(LoadStringW(900, Language::Turkish), u"Extra");
  }
  EXPECT_EQ(LoadStringW(103, Language::Turkish), u"Kapat");
  EXPECT_EQ(LoadStringW(900, Language::Turkish), u"");
}

TEST(StringTable, AboutTextHasFourLetterSpacedLines) {
  std::u16string about = LoadStringW(IDS_ABOUTTEXT, Language::Turkish);
  std::u16string first = u"S ü r ü m   2 . 0\r\n";
  ASSERT_EQ(about.substr(0, first.size()), first);
  std::size_t second_end = about.find(u"\r\n", first.size());
  ASSERT_NE(second_end, std::u16string::npos);
  std::u16string second = about.substr(first.size(), second_end - first.size());
  for (std::size_t i = 1; i < second.size(); i += 2) EXPECT_EQ(second[i], u' ') << i;
  EXPECT_EQ(about.substr(second_end), u"\r\n\r\nBu programın ilgili kurumlarla bir ilişkisi yoktur.");

  std::u16string domain = LoadStringW(IDS_ABOUTLINK, Language::Turkish);
  ASSERT_GT(domain.size(), 3u);
  for (std::size_t i = 0; i < domain.size(); ++i) EXPECT_EQ(domain[i] == u' ', i % 2 == 1) << i;
}

TEST(StringTable, ParsesEscapesAndRejectsMalformedLines) {
  auto table = ParseStringTable("# comment\n\n7 \"a\\r\\n\\t\\\\\\\"b\"\r\n  12   \"x y\"  \n");
  EXPECT_EQ(table.at(7), u"a\r\n\t\\\"b");
  EXPECT_EQ(table.at(12), u"x y");
  for (const char* bad : {"1 \"open", "x \"text\"", "1 text", "1 \"a\" \"b\"", "1 \"a\"\n1 \"b\"", "1 \"\\q\"",
                          "1 \"a\"b", "99999999999 \"a\""}) {
    EXPECT_THROW(ParseStringTable(bad), EResourceFormatError) << bad;
  }
  try {
    ParseStringTable("1 \"a\"\n\n2 oops\n");
    FAIL();
  } catch (const EResourceFormatError& e) {
    EXPECT_EQ(e.Message(), u"Invalid resource STRINGTABLE at line 3");
  }
}

TEST(MenuResource, MainMenuHasTheCommandsWithTheirMnemonicsInBothLanguages) {
  using Kind = MenuItemTemplate::Kind;
  struct Expected {
    Kind kind;
    UINT id;
    const char16_t* turkish;
    const char16_t* english;
  };
  const Expected expected[] = {
      {Kind::Command, IDM_ABOUT, u"&Hakkında", u"&About"},
      {Kind::Separator, 0, u"", u""},
      {Kind::Command, IDM_OPTIONS, u"&Seçenekler", u"&Options"},
      {Kind::Command, IDM_REFRESH, u"&Güncelle", u"&Refresh"},
      {Kind::Separator, 0, u"", u""},
      {Kind::Command, IDM_CLOSE, u"&Kapat\tAlt+F4", u"&Close\tAlt+F4"},
  };
  for (Language language : {Language::Turkish, Language::English}) {
    const bool turkish = language == Language::Turkish;
    MenuTemplate menu = LoadMenuTemplate(kMainMenuResourceId, language);
    ASSERT_EQ(menu.items.size(), 1u);
    const MenuItemTemplate& popup = menu.items[0];
    EXPECT_EQ(popup.kind, MenuItemTemplate::Kind::Popup);
    EXPECT_EQ(popup.text, turkish ? u"&Dosya" : u"&File");
    ASSERT_EQ(popup.items.size(), std::size(expected));
    for (std::size_t i = 0; i < std::size(expected); ++i) {
      const std::u16string text = turkish ? expected[i].turkish : expected[i].english;
      EXPECT_EQ(popup.items[i].kind, expected[i].kind) << i;
      EXPECT_EQ(popup.items[i].id, expected[i].id) << i;
      EXPECT_EQ(popup.items[i].text, text) << i;
      EXPECT_EQ(MenuMnemonic(popup.items[i].text), text.empty() ? 0 : text[1]) << i;
    }
  }
  EXPECT_EQ(IDM_ABOUT, 40000u);
  EXPECT_EQ(IDM_OPTIONS, 40003u);
  EXPECT_EQ(IDM_CLOSE, 40005u);
  EXPECT_EQ(IDM_REFRESH, 40007u);
}

TEST(MenuResource, NestedPopupsAndFormatErrors) {
  MenuTemplate menu = ParseMenuTemplate("item 1 \"&Top\"\npopup \"A\"\n popup \"B\"\n  item 2 \"x\"\n end\nend\n");
  ASSERT_EQ(menu.items.size(), 2u);
  ASSERT_EQ(menu.items[1].items.size(), 1u);
  EXPECT_EQ(menu.items[1].items[0].items[0].id, 2u);

  for (const char* bad : {"popup \"A\"\n item 1 \"x\"\n", "end\n", "item x \"y\"\n", "item 1\n", "separator 3\n",
                          "menuitem 1 \"a\"\n", "popup A\nend\n"}) {
    EXPECT_THROW(ParseMenuTemplate(bad), EResourceFormatError) << bad;
  }
  try {
    ParseMenuTemplate("popup \"A\"\n  item 1 \"a\"\n  bogus\nend\n", u"MENU 7");
    FAIL();
  } catch (const EResourceFormatError& e) {
    EXPECT_EQ(e.Message(), u"Invalid resource MENU 7 at line 3");
  }
  EXPECT_THROW(LoadMenuTemplate(4242, Language::English), EResNotFound);
}

TEST(MenuResource, MnemonicIsTheCharacterAfterASingleAmpersand) {
  EXPECT_EQ(MenuMnemonic(u"&Kapat"), u'K');
  EXPECT_EQ(MenuMnemonic(u"R&&D &Notes"), u'N');
  EXPECT_EQ(MenuMnemonic(u"&&"), 0);
  EXPECT_EQ(MenuMnemonic(u"Plain"), 0);
  EXPECT_EQ(MenuMnemonic(u"End&"), 0);
}

}  // namespace
}  // namespace varnika
