#include "text/WStrings.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <random>

#include "base/Exceptions.h"
#include "base/Stream.h"
#include "base/Utf.h"
#include "tests/text/TextTestUtil.h"
#include "text/WideCase.h"

using namespace varnika;
using namespace varnika::test;
using Strings = std::vector<std::u16string>;

namespace {

template <typename List = TWStringList>
std::unique_ptr<List> Make(const Strings& items) {
  auto list = std::make_unique<List>();
  for (const auto& s : items) list->Add(s);
  return list;
}

template <typename F>
std::u16string ErrorOf(F&& f) {
  try {
    f();
  } catch (const Exception& e) {
    return e.Message();
  }
  return u"(no error)";
}

struct EventLog {
  explicit EventLog(TWStringList& list) {
    list.OnChanging = [this](TWStrings*) { events += u'['; };
    list.OnChange = [this](TWStrings*) { events += u']'; };
  }
  std::u16string events;
};

}  // namespace

TEST(WStringsText, JoinsWithCrLfAndSplitsAtEveryKindOfBreak) {
  auto list = Make({u"a", u"", u"b"});
  EXPECT_EQ(list->Text(), u"a\r\n\r\nb\r\n");
  list->SetText(list->Text());
  EXPECT_EQ(Items(*list), (Strings{u"a", u"", u"b"}));

  const std::pair<std::u16string, Strings> cases[] = {
      {u"x", {u"x"}},
      {u"", {}},
      {u"\r\n", {u""}},
      {u"a\r\nb", {u"a", u"b"}},
      {u"a\nb\r\n", {u"a", u"b"}},
      {u"a\rb\r", {u"a", u"b"}},
      {u"a\n\rb", {u"a", u"", u"b"}},
      {std::u16string(u"a\r\nb\0c\r\n", 8), {u"a", u"b"}},  // stops at the NUL
      {u"\xD800x\xDFFF", {u"\xD800x\xDFFF"}},              // lone surrogates are kept
  };
  for (const auto& [text, items] : cases) {
    list->SetText(text);
    EXPECT_EQ(Items(*list), items) << Narrow(text);
  }
}

TEST(WStringsText, LinesOfMegabytesPassThrough) {
  const std::u16string big(3 << 20, u'x');
  TWStringList list;
  list.SetText(big + u"\n" + big);
  ASSERT_EQ(list.Count(), 2);
  EXPECT_EQ(list.StringAt(1).size(), big.size());
}

TEST(WStringListEvents, FireOnceAroundAnUpdateBracketAndNeverForAnEmptyClear) {
  TWStringList list;
  EventLog log(list);
  list.Clear();
  EXPECT_EQ(log.events, u"");

  list.Add(u"a");
  EXPECT_EQ(log.events, u"[]");
  log.events.clear();
  list.BeginUpdate();
  list.BeginUpdate();
  list.Add(u"b");
  list.Delete(0);
  list.SetText(u"x\ny\nz");
  list.EndUpdate();
  EXPECT_EQ(log.events, u"[");
  list.EndUpdate();
  EXPECT_EQ(log.events, u"[]");
  list.EndUpdate();  // unbalanced: ignored, events still fire afterwards
  list.Add(u"w");
  EXPECT_EQ(log.events, u"[][]");
}

TEST(WStringListEvents, BracketClosesWhenAnErrorPassesThrough) {
  TWStringList list;
  list.SetSorted(true);
  list.SetDuplicates(TDuplicates::dupError);
  EventLog log(list);
  auto source = Make({u"k", u"K"});  // equal when case is ignored
  EXPECT_EQ(ErrorOf([&] { list.AddStrings(*source); }), u"String list does not allow duplicates");
  EXPECT_EQ(list.UpdateCount(), 0);
  EXPECT_EQ(log.events, u"[]");
  EXPECT_EQ(Items(list), (Strings{u"k"}));
}

TEST(WStringListErrors, CarryTheirExactMessages) {
  auto list = Make({u"a", u"b"});
  EXPECT_EQ(ErrorOf([&] { list->Strings(2); }), u"List index out of bounds (2)");
  EXPECT_EQ(ErrorOf([&] { list->Objects(-1); }), u"List index out of bounds (-1)");
  EXPECT_EQ(ErrorOf([&] { list->Delete(5); }), u"List index out of bounds (5)");
  EXPECT_EQ(ErrorOf([&] { list->Insert(3, u"x"); }), u"List index out of bounds (3)");
  EXPECT_EQ(ErrorOf([&] { list->Exchange(0, 7); }), u"List index out of bounds (7)");
  EXPECT_EQ(ErrorOf([&] { list->SetStrings(-3, u"x"); }), u"List index out of bounds (-3)");
  EXPECT_NO_THROW(list->Insert(2, u"c"));  // Insert may append
  list->SetSorted(true);
  EXPECT_EQ(ErrorOf([&] { list->Insert(0, u"x"); }), u"Operation not allowed on sorted list");
  EXPECT_EQ(ErrorOf([&] { list->SetStrings(0, u"x"); }), u"Operation not allowed on sorted list");
  EXPECT_THROW(list->Strings(9), EStringListError);
}

TEST(WStringListAssign, CopiesStringsAndObjectsAndRefusesOtherClasses) {
  int object = 0;
  auto source = Make({u"a", u"b"});
  source->SetObjects(1, &object);
  TWHashedStringList copy;
  copy.Add(u"old");
  copy.Assign(source.get());
  EXPECT_EQ(Items(copy), (Strings{u"a", u"b"}));
  EXPECT_EQ(copy.Objects(1), &object);

  copy.Assign(&copy);  // assigning a list to itself keeps it
  EXPECT_EQ(Items(copy), (Strings{u"a", u"b"}));

  class TOther : public TPersistent {
   public:
    std::u16string ClassName() const override { return u"TOther"; }
  } other;
  try {
    copy.Assign(&other);
    FAIL();
  } catch (const EConvertError& e) {
    EXPECT_EQ(e.Message(), u"Cannot assign a TOther to a TWHashedStringList");
  }
  EXPECT_EQ(ErrorOf([&] { copy.Assign(nullptr); }), u"Cannot assign a nil to a TWHashedStringList");
  EXPECT_EQ(ErrorOf([&] { other.Assign(source.get()); }), u"Cannot assign a TWStringList to a TOther");
}

TEST(WStringListMove, MovesItemsWithObjectsAndLosesNothingOnBadTargets) {
  int object = 0;
  auto list = Make({u"a", u"b", u"c"});
  list->SetObjects(0, &object);
  list->Move(0, 2);
  EXPECT_EQ(Items(*list), (Strings{u"b", u"c", u"a"}));
  EXPECT_EQ(list->Objects(2), &object);
  list->Exchange(0, 2);
  EXPECT_EQ(Items(*list), (Strings{u"a", u"c", u"b"}));
  EXPECT_EQ(list->Objects(0), &object);

  EXPECT_EQ(ErrorOf([&] { list->Move(0, 3); }), u"List index out of bounds (3)");
  list->SetSorted(true);
  EXPECT_EQ(ErrorOf([&] { list->Move(0, 1); }), u"Operation not allowed on sorted list");
  EXPECT_EQ(Items(*list), (Strings{u"a", u"b", u"c"}));
}

TEST(WStringListSorted, FindsAndInsertsByTheDuplicatesPolicy) {
  auto list = Make({u"pear", u"Apple", u"fig"});
  list->SetSorted(true);
  EXPECT_EQ(Items(*list), (Strings{u"Apple", u"fig", u"pear"}));
  EXPECT_EQ(list->Add(u"APPLE"), 0);  // ignored, existing index
  EXPECT_EQ(list->Count(), 3);
  EXPECT_EQ(list->Add(u"kiwi"), 2);
  EXPECT_EQ(list->IndexOf(u"PEAR"), 3);
  EXPECT_EQ(list->IndexOf(u"plum"), -1);

  list->SetDuplicates(TDuplicates::dupAccept);
  list->Add(u"fig");
  list->Add(u"FIG");
  int index = -1;
  EXPECT_TRUE(list->Find(u"Fig", index));
  EXPECT_EQ(index, 1);  // the first of the equal items
  EXPECT_FALSE(list->Find(u"zebra", index));
  EXPECT_EQ(index, list->Count());

  list->SetCaseSensitive(true);  // re-sorts: upper case before lower case
  EXPECT_EQ(Items(*list), (Strings{u"Apple", u"FIG", u"fig", u"fig", u"kiwi", u"pear"}));
}

TEST(WStringListSorted, CustomSortSurvivesAComparisonThatContradictsItself) {
  Strings items;
  for (int i = 0; i < 500; ++i) items.push_back(std::u16string(1, static_cast<char16_t>(u'a' + i % 26)));
  auto list = Make(items);
  std::mt19937 random(7);
  list->CustomSort([&](TWStringList&, int, int) { return static_cast<int>(random() % 3) - 1; });
  Strings sorted = Items(*list);
  std::sort(sorted.begin(), sorted.end());
  std::sort(items.begin(), items.end());
  EXPECT_EQ(sorted, items);  // same items, none lost or doubled

  list->CustomSort([](TWStringList& l, int a, int b) { return -l.CompareStrings(l.StringAt(a), l.StringAt(b)); });
  EXPECT_EQ(list->StringAt(0), u"z");
  EXPECT_EQ(list->StringAt(499), u"a");
}

TEST(WStringListGrowth, FollowsTheQuarterSixteenFourRule) {
  TWStringList list;
  std::vector<int> capacities;
  for (int i = 0; i < 100; ++i) {
    list.Add(u"x");
    if (capacities.empty() || capacities.back() != list.Capacity()) capacities.push_back(list.Capacity());
  }
  EXPECT_EQ(capacities, (std::vector<int>{4, 8, 12, 28, 44, 60, 76, 95, 118}));
  EXPECT_EQ(ErrorOf([&] { list.SetCapacity(50); }), u"List capacity out of bounds (50)");
  list.Clear();
  EXPECT_EQ(list.Capacity(), 0);
}

TEST(WStringHash, HashOfRotatesLeftByTwoAndXors) {
  TWStringHash hash;
  EXPECT_EQ(hash.HashOf(u""), 0u);
  EXPECT_EQ(hash.HashOf(u"A"), 65u);
  EXPECT_EQ(hash.HashOf(u"AB"), 326u);
  EXPECT_EQ(hash.HashOf(std::u16string(17, u'\x1')), 0x55555554u);  // the bits wrap around
  hash.Add(u"k", 1);
  hash.Add(u"k", 2);
  EXPECT_EQ(hash.ValueOf(u"k"), 2);
  EXPECT_EQ(hash.ValueOf(u"K"), -1);
}

TEST(WHashedStringList, FindsTheLastOccurrenceWhereTheLinearListFindsTheFirst) {
  const Strings items{u"a=1", u"b", u"a=2", u"word", u"WORD"};
  auto hashed = Make<TWHashedStringList>(items);
  auto plain = Make(items);
  EXPECT_EQ(hashed->IndexOfName(u"A"), 2);
  EXPECT_EQ(plain->IndexOfName(u"A"), 0);
  EXPECT_EQ(hashed->IndexOf(u"Word"), 4);
  EXPECT_EQ(plain->IndexOf(u"Word"), 3);
  EXPECT_EQ(hashed->IndexOfName(u"b"), -1);  // no "=": no name
  EXPECT_EQ(hashed->Names(1), u"");
  EXPECT_EQ(hashed->Names(2), u"a");
}

TEST(WHashedStringList, IndexesFollowEveryChangeAlsoInsideABracket) {
  auto list = Make<TWHashedStringList>({u"x=1", u"y=2"});
  EXPECT_EQ(list->IndexOfName(u"y"), 1);
  list->BeginUpdate();
  list->Delete(0);
  EXPECT_EQ(list->IndexOfName(u"y"), 0);
  list->SetStrings(0, u"z=3");
  EXPECT_EQ(list->IndexOfName(u"y"), -1);
  EXPECT_EQ(list->IndexOf(u"Z=3"), 0);
  list->EndUpdate();

  list->SetCaseSensitive(true);
  EXPECT_EQ(list->IndexOf(u"Z=3"), -1);
  EXPECT_EQ(list->IndexOf(u"z=3"), 0);
  list->SetCaseSensitive(false);
  EXPECT_EQ(list->IndexOf(u"Z=3"), 0);

  list->OnChange = [](TWStrings*) { throw EStringListError(u"handler"); };
  EXPECT_THROW(list->Add(u"w=4"), EStringListError);
  EXPECT_EQ(list->IndexOfName(u"W"), 1);  // not a stale index
}

TEST(WHashedStringList, HashedAndLinearMatchingAgreeOnTurkishAndLatinLetters) {
  const Strings words{u"çiçek", u"ÇİÇEK", u"ğüşöı", u"ĞÜŞÖI", u"ılık", u"ILIK", u"İlik", u"ilik",
                      u"straße", u"ÀÉÎÕÜ", u"àéîõü", u"ÿ", u"Ÿ", u"Ωμέγα", u"ΩΜΈΓΑ", u"привет", u"ПРИВЕТ"};
  for (const auto& word : words) {
    auto hashed = Make<TWHashedStringList>({word});
    auto plain = Make({word});
    for (const auto& probe : words) {
      const bool equal = WideCompareText(word, probe) == 0;
      EXPECT_EQ(equal, WideUpperCase(word) == WideUpperCase(probe));
      EXPECT_EQ(hashed->IndexOf(probe), equal ? 0 : -1) << Narrow(word) << " / " << Narrow(probe);
      EXPECT_EQ(plain->IndexOf(probe), equal ? 0 : -1);
    }
  }
  EXPECT_EQ(WideCompareText(u"çiçek", u"ÇİÇEK"), 0);
  EXPECT_EQ(WideCompareText(u"ılık", u"ILIK"), 0);
  EXPECT_EQ(WideCompareText(u"İlik", u"ılık"), 0);  // every I folds to one
  EXPECT_NE(WideCompareStr(u"ilik", u"ILIK"), 0);
  EXPECT_EQ(WideCompareText(u"a", u"B"), -1);
}

class WStringsFile : public TempDir {};

TEST_F(WStringsFile, SavesUtf16WithTheMarkAndLoadsWithOrWithoutIt) {
  auto list = Make({u"ağ", u"", u"\xD800"});
  list->SaveToFile(Path("a.txt"));
  EXPECT_EQ(ReadBytes(Path("a.txt")), "\xFF\xFE" + Le(u"ağ\r\n\r\n\xD800\r\n"));

  TWStringList loaded;
  loaded.LoadFromFile(Path("a.txt"));
  EXPECT_EQ(Items(loaded), Items(*list));

  WriteBytes(Path("plain.txt"), Le(u"x\ny") + "z");  // no mark, odd last byte
  loaded.LoadFromFile(Path("plain.txt"));
  EXPECT_EQ(Items(loaded), (Strings{u"x", u"y"}));
  WriteBytes(Path("ff.txt"), "\xFF");
  loaded.LoadFromFile(Path("ff.txt"));
  EXPECT_EQ(loaded.Count(), 0);
  WriteBytes(Path("mark.txt"), "\xFF\xFE");
  loaded.LoadFromFile(Path("mark.txt"));
  EXPECT_EQ(loaded.Count(), 0);
}

TEST_F(WStringsFile, LoadRefusesMissingFilesFoldersAndPipesWithTheOpenError) {
  TWStringList list;
  list.Add(u"kept");
  EXPECT_EQ(ErrorOf([&] { list.LoadFromFile(Path("none")); }),
            u"Cannot open file \"" + Path("none") + u"\". No such file or directory");
  const std::u16string dir = Path("");
  EXPECT_EQ(ErrorOf([&] { list.LoadFromFile(dir); }), u"Cannot open file \"" + dir + u"\". Is a directory");
  ASSERT_EQ(::mkfifo(Utf16ToUtf8(Path("fifo")).c_str(), 0600), 0);
  EXPECT_THROW(list.LoadFromFile(Path("fifo")), EFOpenError);  // and does not block
  EXPECT_EQ(Items(list), (Strings{u"kept"}));
}

TEST_F(WStringsFile, AFailedSaveLeavesTheOldFileIntact) {
  WriteBytes(Path("keep.txt"), "old contents");
  auto list = Make({std::u16string(5000, u'n')});
  {
    FileSizeLimit limit(1000);
    EXPECT_EQ(ErrorOf([&] { list->SaveToFile(Path("keep.txt")); }), u"Stream write error");
  }
  EXPECT_EQ(ReadBytes(Path("keep.txt")), "old contents");
  EXPECT_EQ(Files(), (std::vector<std::string>{"keep.txt"}));  // no temporary file left

  std::filesystem::create_directory(dir_ / "folder");
  try {
    list->SaveToFile(Path("folder"));
    FAIL();
  } catch (const EFCreateError& e) {
    EXPECT_EQ(e.Message(), u"Cannot create file \"" + Path("folder") + u"\". Is a directory");
  }
  EXPECT_TRUE(std::filesystem::is_directory(dir_ / "folder"));
}
