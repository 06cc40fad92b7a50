#include <gtest/gtest.h>

#include "toolkit/ArgbColor.h"
#include "toolkit/BrushEx.h"
#include "toolkit/FontEx.h"
#include "toolkit/PenEx.h"
#include "toolkit/StringFormatEx.h"

namespace varnika {
namespace {

// Counts the change notifications of an object.
struct ChangeCounter {
  explicit ChangeCounter(TGraphicObjectEx& object) {
    object.OnChange = [this, &object](TGraphicObjectEx* sender) {
      EXPECT_EQ(sender, &object);
      ++count;
    };
  }
  int count = 0;
};

TEST(ArgbColor, PacksAndSplitsTheFourBytes) {
  EXPECT_EQ(ArgbColor(0xFE, 0x33, 0x33, 0x33), 0xFE333333u);
  EXPECT_EQ(ArgbColor(0x12, 0x34, 0x56, 0x78), 0x12345678u);
  EXPECT_EQ(ArgbColor(0x1FF, 0x100, 0x2AB, 0xFFFF), 0xFF00ABFFu);  // each part taken as a byte
  EXPECT_EQ(ColorAlpha(0x12345678), 0x12);
  EXPECT_EQ(ColorRed(0x12345678), 0x34);
  EXPECT_EQ(ColorGreen(0x12345678), 0x56);
  EXPECT_EQ(ColorBlue(0x12345678), 0x78);
}

TEST(TFontEx, DefaultsAreTenPointArialInAlmostOpaqueBlack) {
  TFontEx font;
  EXPECT_EQ(font.Name(), u"Arial");
  EXPECT_EQ(font.Size(), 10);
  EXPECT_EQ(font.Style(), 0);
  EXPECT_EQ(font.Color(), 0xFE000000u);
  EXPECT_EQ(font.Brush().Color(), 0xFE000000u);
  EXPECT_NE(font.Handle(), nullptr);
  EXPECT_EQ(font.Format().Trimming(), StringTrimmingCharacter);
}

TEST(TFontEx, OpaqueColoursAreStoredWithAlpha254) {
  TFontEx font;
  font.SetColor(0xFF333333);
  EXPECT_EQ(font.Color(), 0xFE333333u);
  EXPECT_EQ(font.Brush().Color(), 0xFE333333u);
  font.SetColor(0xAFFFFFFF);
  EXPECT_EQ(font.Color(), 0xAFFFFFFFu);
  EXPECT_EQ(font.Brush().Color(), 0xAFFFFFFFu);
  font.SetColor(0x00000000);
  EXPECT_EQ(font.Color(), 0u);
}

TEST(TFontEx, MissingFamilyFallsBackToGenericSansSerif) {
  TFontEx font;
  font.SetName(u"No Such Family Varnika");
  EXPECT_EQ(font.Name(), u"No Such Family Varnika");
  EXPECT_EQ(font.FamilyName(), u"sans-serif");
  ASSERT_NE(font.Handle(), nullptr);
  EXPECT_STREQ(pango_font_description_get_family(font.Handle()), "sans-serif");

  font.SetName(u"DejaVu Sans");  // installed by the set-up script
  EXPECT_EQ(font.FamilyName(), u"DejaVu Sans");
  EXPECT_STREQ(pango_font_description_get_family(font.Handle()), "DejaVu Sans");
  EXPECT_TRUE(FontFamilyInstalled("dejavu sans"));
  EXPECT_FALSE(FontFamilyInstalled("No Such Family Varnika"));
}

TEST(TFontEx, SizeIsInPointsAndStyleBitsReachTheDescription) {
  TFontEx font;
  font.SetSize(12);
  font.SetStyle(FontStyleBold | FontStyleItalic | FontStyleUnderline);
  PangoFontDescription* d = font.Handle();
  ASSERT_NE(d, nullptr);
  EXPECT_EQ(pango_font_description_get_size(d), 12 * PANGO_SCALE);
  EXPECT_FALSE(pango_font_description_get_size_is_absolute(d));
  EXPECT_EQ(pango_font_description_get_weight(d), PANGO_WEIGHT_BOLD);
  EXPECT_EQ(pango_font_description_get_style(d), PANGO_STYLE_ITALIC);
}

TEST(TFontEx, SizesOutsideTheUsableRangeMakeNoFont) {
  TFontEx font;
  font.SetSize(0);
  EXPECT_EQ(font.Handle(), nullptr);
  font.SetSize(-3);
  EXPECT_EQ(font.Handle(), nullptr);
  font.SetSize(1 << 30);
  EXPECT_EQ(font.Handle(), nullptr);
  font.SetSize(9);
  EXPECT_NE(font.Handle(), nullptr);
}

TEST(TFontEx, NameSizeAndStyleChangesNotifyOnceAndRepeatsNotAtAll) {
  TFontEx font;
  ChangeCounter changes(font);
  font.SetName(u"DejaVu Serif");
  font.SetName(u"DejaVu Serif");
  EXPECT_EQ(changes.count, 1);
  font.SetName(u"dejavu serif");  // names compare exactly
  EXPECT_EQ(changes.count, 2);
  font.SetSize(11);
  font.SetSize(11);
  font.SetStyle(FontStyleBold);
  font.SetStyle(FontStyleBold);
  EXPECT_EQ(changes.count, 4);
  font.SetColor(0x80FF0000);  // colour changes never notify
  font.SetColor(0xFF00FF00);
  EXPECT_EQ(changes.count, 4);
}

TEST(TFontEx, AssignCopiesEverythingAndNotifiesOnce) {
  TFontEx source;
  source.SetName(u"No Such Family Varnika");
  source.SetSize(17);
  source.SetStyle(FontStyleItalic | FontStyleStrikeout);
  source.SetColor(0xFF102030);
  source.Format().SetAlignment(StringAlignmentCenter);
  source.Format().SetTrimming(StringTrimmingEllipsisPath);

  TFontEx target;
  ChangeCounter changes(target);
  target.Assign(source);
  EXPECT_EQ(changes.count, 1);
  EXPECT_EQ(target.Name(), u"No Such Family Varnika");
  EXPECT_EQ(target.FamilyName(), u"sans-serif");
  EXPECT_EQ(target.Size(), 17);
  EXPECT_EQ(target.Style(), FontStyleItalic | FontStyleStrikeout);
  EXPECT_EQ(target.Color(), 0xFE102030u);
  EXPECT_EQ(target.Brush().Color(), 0xFE102030u);
  EXPECT_EQ(target.Format().Alignment(), StringAlignmentCenter);
  EXPECT_EQ(target.Format().Trimming(), StringTrimmingEllipsisPath);
  ASSERT_NE(target.Handle(), nullptr);
  EXPECT_NE(target.Handle(), source.Handle());
  EXPECT_EQ(pango_font_description_get_size(target.Handle()), 17 * PANGO_SCALE);

  // A source of another class changes nothing.
  TPenEx pen;
  target.Assign(pen);
  EXPECT_EQ(changes.count, 1);
  EXPECT_EQ(target.Size(), 17);
}

TEST(TStringFormatEx, DefaultsTrimAtCharactersAndAlignNearNear) {
  TStringFormatEx format;
  EXPECT_EQ(format.FormatFlags(), 0);
  EXPECT_EQ(format.Alignment(), StringAlignmentNear);
  EXPECT_EQ(format.LineAlignment(), StringAlignmentNear);
  EXPECT_EQ(format.HotkeyPrefix(), HotkeyPrefixNone);
  EXPECT_EQ(format.Trimming(), StringTrimmingCharacter);
}

}  // namespace
}  // namespace varnika
