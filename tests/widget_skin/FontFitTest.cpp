// The skin names faces that Linux seldom has. The program's font rules give
// each a narrow installed stand-in; with them every caption of the face fits
// the box the layout gives it.
#include <pango/pangocairo.h>

#include <string>
#include <vector>

#include "base/Utf.h"
#include "resources/StringTable.h"
#include "tests/widget_skin/SkinTestSupport.h"
#include "toolkit/FontConfiguration.h"
#include "toolkit/TextLayout.h"

namespace varnika::testing {
namespace {

struct Face {
  const char16_t* name;
  int size;
  int style = FontStyleRegular;
  bool antialias = false;
};

const Face kTrebuchet8{u"Trebuchet MS", 8};
const Face kTrebuchet8Bold{u"Trebuchet MS", 8, FontStyleBold};
const Face kTrebuchet9{u"Trebuchet MS", 9};
const Face kTrebuchet10Bold{u"Trebuchet MS", 10, FontStyleBold};
const Face kImpact20{u"Impact", 20, FontStyleRegular, true};

std::unique_ptr<TCanvasEx> CanvasFor(const Face& face) {
  auto canvas = std::make_unique<TCanvasEx>(1, 1);
  canvas->SetAntialias(face.antialias);
  canvas->Font().SetName(face.name);
  canvas->Font().SetSize(face.size);
  canvas->Font().SetStyle(face.style);
  return canvas;
}

TSize ExtentOf(const Face& face, const std::u16string& text) { return CanvasFor(face)->TextExtent(text); }

// The size of the text wrapped into a box of the given width, as the canvas
// lays it out there.
TSize WrappedSize(const Face& face, const std::u16string& text, int width) {
  auto canvas = CanvasFor(face);
  PangoContextPtr context(pango_font_map_create_context(pango_cairo_font_map_get_default()));
  pango_cairo_context_set_resolution(context.get(), kFontResolutionDpi);
  ApplyTextRenderingHint(context.get(), canvas->TextRenderingHint());
  PangoLayoutPtr layout(pango_layout_new(context.get()));
  ConfigureLayout(layout.get(), canvas->Font(), canvas->StringFormat(), text, width, 0);
  PangoRectangle logical;
  pango_layout_get_pixel_extents(layout.get(), nullptr, &logical);
  return {logical.width, logical.height};
}

std::u16string String(UINT id, Language language = Language::Turkish) {
  std::u16string text = LoadStringW(id, language);
  EXPECT_FALSE(text.empty()) << id;
  return text;
}

// The captions' boxes are the same in every language.
class SkinCaptions : public ::testing::TestWithParam<Language> {
 protected:
  std::u16string Text(UINT id) { return String(id, GetParam()); }
};

TEST(SkinFonts, TheSkinsFacesHaveNarrowStandIns) {
  for (const char* face : {"Trebuchet MS", "Tahoma", "Impact"})
    EXPECT_EQ(FontFamilyStandIn(face), "DejaVu Sans Condensed") << face;
  // fontconfig's own aliases are not the program's stand-ins.
  EXPECT_EQ(FontFamilyStandIn("Arial"), "");
  EXPECT_EQ(FontFamilyStandIn("No Such Family Varnika"), "");

  // A font keeps the skin's name instead of falling back to sans-serif, and
  // its text comes out narrower than the generic face would draw it.
  auto trebuchet = CanvasFor(kTrebuchet9);
  EXPECT_EQ(trebuchet->Font().FamilyName(), u"Trebuchet MS");
  auto generic = CanvasFor(kTrebuchet9);
  generic->Font().SetName(u"sans-serif");
  const std::u16string caption = String(104);
  EXPECT_LT(trebuchet->TextWidth(caption), generic->TextWidth(caption) * 95 / 100);

  // Impact, a heavy face, stands in as the condensed bold face.
  auto bold = CanvasFor(kImpact20);
  bold->Font().SetName(u"DejaVu Sans Condensed");
  bold->Font().SetStyle(FontStyleBold);
  EXPECT_EQ(CanvasFor(kImpact20)->TextExtent(u"Varnika"), bold->TextExtent(u"Varnika"));
}

TEST(SkinFonts, RefusedRulesLeaveTheConfigurationAlone) {
  EXPECT_FALSE(AddFontConfiguration("<fontconfig><alias><family>Trebuchet MS"));
  EXPECT_FALSE(AddFontConfiguration(std::string_view("<fontconfig/>\0<x/>", 19)));
  EXPECT_EQ(FontFamilyStandIn("Trebuchet MS"), "DejaVu Sans Condensed");
}

TEST_P(SkinCaptions, AboutPanelTextsFitTheirBoxes) {
  const TSize title = ExtentOf(kImpact20, Text(100));
  EXPECT_LE(title.cx, 149);
  EXPECT_LE(title.cy, 46);
  const TSize text = WrappedSize(kTrebuchet8, Text(101), 180);
  EXPECT_LE(text.cx, 180);
  EXPECT_LE(text.cy, 70);
  // The link takes the size of its text and stays on the panel (x 138 of
  // the 342-pixel picture whose drawer ends 6 pixels before its edge).
  const TSize link = ExtentOf(kTrebuchet8Bold, Text(102));
  EXPECT_LE(138 + link.cx + 1, 342 - 6);
  EXPECT_LE(link.cy + 1, 25);
}

TEST_P(SkinCaptions, OptionCaptionsFitBesideTheirBoxes) {
  for (UINT id : {104u, 105u, 106u, 107u}) {
    const TSize caption = ExtentOf(kTrebuchet9, Text(id));
    EXPECT_LE(caption.cx, 300 - 20) << id;
    EXPECT_LE(caption.cy, 20) << id;
  }
}

TEST_P(SkinCaptions, FooterTextsFitTheFooterBand) {
  // Both take the size of their text: the status text from x 44 must end
  // before the site link at x 370, which must end inside the panel's body
  // (x 468); both must end above the footer's bottom edge (y 329).
  const TSize status = ExtentOf(kTrebuchet8, Text(301));
  EXPECT_LE(44 + status.cx + 1, 370);
  EXPECT_LE(301 + status.cy + 1, 329);
  std::u16string domain;
  for (char16_t c : Text(102))
    if (c != u' ') domain += c;
  const TSize link = ExtentOf(kTrebuchet8, domain);
  EXPECT_LE(370 + link.cx + 1, 468 - 4);
  EXPECT_LE(300 + link.cy + 1, 329);
}

INSTANTIATE_TEST_SUITE_P(Languages, SkinCaptions, ::testing::Values(Language::Turkish, Language::English),
                         [](const ::testing::TestParamInfo<Language>& info) {
                           return info.param == Language::Turkish ? "Turkish" : "English";
                         });

TEST(SkinFonts, HeadlinesWrappedAtTheirColumnsFitTheList) {
  // Lines as long as the list wraps them: 50 characters of title, 60 of
  // summary, with Turkish letters and capitals.
  const std::u16string titles[] = {
      u"Büyükşehir Belediyesi yeni metro hattını müjdeledi",
      u"Türkiye Gençlik Şampiyonası'nda İzmir ekibi ikinci",
      u"MEB'den öğretmen atamalarına yönelik düzenleme var",
  };
  const std::u16string summaries[] = {
      u"Ulaştırma Bakanlığı: Ankara-İstanbul hızlı trende yeni sefer",
      u"Çarşamba başlayan kampanyada öğrencilere ücretsiz ulaşım var",
      u"Meteoroloji Genel Müdürlüğü Doğu Karadeniz için uyarı yaptı.",
  };
  for (const std::u16string& title : titles) {
    EXPECT_EQ(title.size(), 50u);
    EXPECT_LE(ExtentOf(kTrebuchet10Bold, title).cx, 390) << Utf16ToUtf8(title);
  }
  for (const std::u16string& summary : summaries) {
    EXPECT_EQ(summary.size(), 60u);
    EXPECT_LE(ExtentOf(kTrebuchet9, summary).cx, 390) << Utf16ToUtf8(summary);
  }
}

}  // namespace
}  // namespace varnika::testing
