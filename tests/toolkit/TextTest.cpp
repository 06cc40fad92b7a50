#include <gtest/gtest.h>

#include <pango/pangocairo.h>

#include <cmath>

#include "tests/toolkit/PixelSupport.h"
#include "toolkit/CanvasEx.h"
#include "toolkit/TextContext.h"
#include "toolkit/TextLayout.h"

namespace varnika {
namespace {

using testing::InkBounds;
using testing::PixelAt;

constexpr char16_t kSample[] = u"Haberler güncellendi";

int MaxAlpha(const TBitmapEx& bitmap) {
  int max = 0;
  for (int y = 0; y < bitmap.Height(); ++y)
    for (int x = 0; x < bitmap.Width(); ++x) max = std::max(max, static_cast<int>(PixelAt(bitmap, x, y) >> 24));
  return max;
}

void ExpectPremultiplied(const TBitmapEx& bitmap) {
  for (int y = 0; y < bitmap.Height(); ++y)
    for (int x = 0; x < bitmap.Width(); ++x) {
      std::uint32_t p = PixelAt(bitmap, x, y);
      std::uint32_t a = p >> 24;
      ASSERT_LE((p >> 16) & 0xFF, a) << x << "," << y;
      ASSERT_LE((p >> 8) & 0xFF, a) << x << "," << y;
      ASSERT_LE(p & 0xFF, a) << x << "," << y;
    }
}

TEST(CanvasText, TextOnATransparentCanvasShowsInItsColourAndStaysPremultiplied) {
  for (int hint : {TextRenderingHintAntiAlias, TextRenderingHintAntiAliasGridFit,
                   TextRenderingHintClearTypeGridFit, TextRenderingHintSingleBitPerPixelGridFit,
                   TextRenderingHintSystemDefault}) {
    for (ARGB colour : {0xFF333333u, 0xAFFFFFFFu, 0x80FF0000u}) {
      TCanvasEx canvas(200, 40);
      canvas.SetTextRenderingHint(hint);
      canvas.Font().SetColor(colour);
      canvas.DrawText({0, 0, 200, 40}, kSample);
      SCOPED_TRACE(::testing::Message() << "hint " << hint << " colour " << std::hex << colour);
      ExpectPremultiplied(canvas.Bitmap());
      int stored_alpha = ColorAlpha(canvas.Font().Color());
      EXPECT_LE(MaxAlpha(canvas.Bitmap()), stored_alpha);
      EXPECT_GE(MaxAlpha(canvas.Bitmap()), stored_alpha - 2);  // solid stems reach the colour's alpha
      EXPECT_GT(InkBounds(canvas.Bitmap()).Right, 60);
    }
  }
}

TEST(CanvasText, ComposedTextKeepsItsColour) {
  TCanvasEx text(120, 30);
  text.Font().SetColor(0xFF0000A0);
  text.Font().SetSize(16);
  text.DrawText({0, 0, 120, 30}, u"MMMM");
  TCanvasEx window(120, 30);
  window.DrawAlpha(text.Bitmap(), 0, 0, 255);
  bool found_solid = false;
  for (int y = 0; y < 30; ++y)
    for (int x = 0; x < 120; ++x) {
      std::uint32_t p = PixelAt(window.Bitmap(), x, y);
      int alpha = static_cast<int>(p >> 24);
      if (alpha == 0) continue;
      found_solid |= alpha >= 250;
      EXPECT_EQ((p >> 16) & 0xFF, 0u);
      EXPECT_EQ((p >> 8) & 0xFF, 0u);
      EXPECT_NEAR(static_cast<int>(p & 0xFF), 0xA0 * alpha / 255, 1);  // premultiplied by the pixel's alpha
    }
  EXPECT_TRUE(found_solid);
}

TEST(CanvasText, TextIsClippedToItsRectangle) {
  TCanvasEx canvas(120, 60);
  canvas.Font().SetSize(20);
  canvas.DrawText({10, 10, 50, 25}, u"Gündem haberleri burada");
  TRect ink = InkBounds(canvas.Bitmap());
  EXPECT_GE(ink.Left, 10);
  EXPECT_GE(ink.Top, 10);
  EXPECT_LE(ink.Right, 50);
  EXPECT_LE(ink.Bottom, 25);
  EXPECT_GT(ink.Right, ink.Left);

  TCanvasEx free(120, 60);
  free.Font().SetSize(20);
  free.StringFormat().SetFormatFlags(StringFormatFlagsNoClip | StringFormatFlagsNoWrap);
  free.DrawText({10, 10, 50, 25}, u"Gündem haberleri burada");
  EXPECT_GT(InkBounds(free.Bitmap()).Right, 60);
}

TEST(CanvasText, AlignmentsPlaceTheTextInsideTheRectangle) {
  auto ink_for = [](StringAlignment horizontal, StringAlignment vertical) {
    TCanvasEx canvas(200, 80);
    canvas.StringFormat().SetAlignment(horizontal);
    canvas.StringFormat().SetLineAlignment(vertical);
    canvas.DrawText({0, 0, 200, 80}, u"Kapat");
    return InkBounds(canvas.Bitmap());
  };
  TRect near = ink_for(StringAlignmentNear, StringAlignmentNear);
  TRect centre = ink_for(StringAlignmentCenter, StringAlignmentCenter);
  TRect far = ink_for(StringAlignmentFar, StringAlignmentFar);
  EXPECT_LE(near.Left, 2);
  EXPECT_LE(near.Top, 6);
  EXPECT_NEAR((centre.Left + centre.Right) / 2.0, 100, 3);
  EXPECT_NEAR((centre.Top + centre.Bottom) / 2.0, 40, 4);
  EXPECT_GE(far.Right, 196);
  EXPECT_GE(far.Bottom, 72);
  EXPECT_NEAR(far.Right - far.Left, near.Right - near.Left, 1);  // fractional positions
}

TEST(CanvasText, LongTextWrapsAtWordsUnlessNoWrap) {
  const std::u16string text = u"Bu programın ilgili kurumlarla bir ilişkisi yoktur.";
  TCanvasEx wrapped(120, 200);
  wrapped.DrawText({0, 0, 120, 200}, text);
  TRect wrapped_ink = InkBounds(wrapped.Bitmap());
  EXPECT_LE(wrapped_ink.Right, 120);
  EXPECT_GT(wrapped_ink.Bottom, 40);  // three lines or more

  TCanvasEx single(120, 200);
  single.StringFormat().SetFormatFlags(StringFormatFlagsNoWrap);
  single.DrawText({0, 0, 120, 200}, text);
  EXPECT_LT(InkBounds(single.Bitmap()).Bottom, 20);
}

TEST(CanvasText, EllipsisTrimmingEndsTheLineInsideTheRectangle) {
  const std::u16string text = u"Sistem Tepsisinde program simgesini göster.";
  TCanvasEx cut(300, 20);
  cut.StringFormat().SetFormatFlags(StringFormatFlagsNoWrap | StringFormatFlagsNoClip);
  cut.StringFormat().SetTrimming(StringTrimmingEllipsisCharacter);
  cut.DrawText({0, 0, 100, 20}, text);
  TRect ink = InkBounds(cut.Bitmap());
  EXPECT_LE(ink.Right, 100);
  EXPECT_GT(ink.Right, 60);

  TCanvasEx middle(300, 20);
  middle.StringFormat().SetFormatFlags(StringFormatFlagsNoWrap | StringFormatFlagsNoClip);
  middle.StringFormat().SetTrimming(StringTrimmingEllipsisPath);
  middle.DrawText({0, 0, 100, 20}, text);
  EXPECT_LE(InkBounds(middle.Bitmap()).Right, 100);
  EXPECT_NE(testing::BytesOf(middle.Bitmap()), testing::BytesOf(cut.Bitmap()));
}

TEST(CanvasText, ExtentAddsOneBeforeTruncating) {
  TCanvasEx canvas(10, 10);
  for (int hint : {TextRenderingHintAntiAlias, TextRenderingHintAntiAliasGridFit}) {
    canvas.SetTextRenderingHint(hint);
    for (const char16_t* text : {u"Varnika", u"Seçenekler", u"a\r\nbc\r\ndef"}) {
      float height = canvas.TextHeight(text);
      TSize extent = canvas.TextExtent(text);
      EXPECT_EQ(extent.cy, static_cast<int>(std::trunc(height + 1.0))) << hint;
      EXPECT_EQ(canvas.TextWidth(text), extent.cx);
    }
  }
  EXPECT_EQ(canvas.TextExtent(u""), (TSize{1, 1}));
  EXPECT_EQ(canvas.TextHeight(u""), 0.0f);
}

TEST(CanvasText, MeasurementsGrowWithTextLinesAndSize) {
  TCanvasEx canvas(10, 10);
  EXPECT_LT(canvas.TextWidth(u"Kap"), canvas.TextWidth(u"Kapat"));
  float one = canvas.TextHeight(u"Kapat");
  EXPECT_NEAR(canvas.TextHeight(u"Kapat\r\nKapat\r\nKapat"), 3 * one, 1.0);
  // 30 points at 96 dpi are 40 pixels to the em; a line is a little more.
  canvas.Font().SetSize(30);
  float line = canvas.TextHeight(u"Kapat");
  EXPECT_GT(line, 40.0f);
  EXPECT_LT(line, 56.0f);
  canvas.Font().SetSize(15);
  EXPECT_NEAR(canvas.TextHeight(u"Kapat"), line / 2, 2.0);
}

TEST(CanvasText, TrailingSpacesCountOnlyWhenTheFormatAsksForThem) {
  TCanvasEx canvas(10, 10);
  EXPECT_EQ(canvas.TextWidth(u"Kapat   "), canvas.TextWidth(u"Kapat"));
  EXPECT_EQ(canvas.TextWidth(u"Kapat   \r\nx"), canvas.TextWidth(u"Kapat\r\nx"));
  canvas.StringFormat().SetFormatFlags(StringFormatFlagsMeasureTrailingSpaces);
  EXPECT_GT(canvas.TextWidth(u"Kapat   "), canvas.TextWidth(u"Kapat"));
}

TEST(CanvasText, HotkeyPrefixesAreDroppedAndShownAsUnderlines) {
  TCanvasEx canvas(10, 10);
  int plain = canvas.TextWidth(u"Dosya");
  EXPECT_GT(canvas.TextWidth(u"&Dosya"), plain);  // no prefix handling: '&' is drawn
  canvas.StringFormat().SetHotkeyPrefix(HotkeyPrefixHide);
  EXPECT_EQ(canvas.TextWidth(u"&Dosya"), plain);
  int doubled = canvas.TextWidth(u"R&&D");
  canvas.StringFormat().SetHotkeyPrefix(HotkeyPrefixNone);
  EXPECT_EQ(doubled, canvas.TextWidth(u"R&D"));  // "&&" is one '&'

  auto ink_bottom = [](HotkeyPrefix prefix) {
    TCanvasEx c(100, 40);
    c.Font().SetSize(14);
    c.StringFormat().SetHotkeyPrefix(prefix);
    c.DrawText({0, 0, 100, 40}, u"&Kat");  // no descenders
    return InkBounds(c.Bitmap());
  };
  TRect hidden = ink_bottom(HotkeyPrefixHide);
  TRect shown = ink_bottom(HotkeyPrefixShow);
  EXPECT_GT(shown.Bottom, hidden.Bottom);  // the underline under the K
}

TEST(CanvasText, PrepareTextMarksHotkeysByByteRange) {
  TStringFormatEx format;
  format.SetHotkeyPrefix(HotkeyPrefixShow);
  PreparedText prepared = PrepareText(u"&Güncelle && &Çık&", format);
  EXPECT_EQ(prepared.utf8, "Güncelle & Çık");
  ASSERT_EQ(prepared.hotkeys.size(), 2u);
  EXPECT_EQ(prepared.utf8.substr(prepared.hotkeys[0].first, prepared.hotkeys[0].second - prepared.hotkeys[0].first),
            "G");
  EXPECT_EQ(prepared.utf8.substr(prepared.hotkeys[1].first, prepared.hotkeys[1].second - prepared.hotkeys[1].first),
            "Ç");
}

TEST(CanvasText, NulCharactersAreDroppedAlsoAfterAPrefix) {
  // pango ends a text at its first NUL, so none may reach it.
  const std::u16string text{u'A', u'&', u'\0', u'B'};
  for (HotkeyPrefix prefix : {HotkeyPrefixShow, HotkeyPrefixHide}) {
    TStringFormatEx format;
    format.SetHotkeyPrefix(prefix);
    PreparedText prepared = PrepareText(text, format);
    EXPECT_EQ(prepared.utf8, "AB") << prefix;
    EXPECT_TRUE(prepared.hotkeys.empty()) << prefix;
  }
}

TEST(CanvasText, UnderlineAndStrikeoutStylesAddInk) {
  auto draw = [](int style) {
    auto c = std::make_unique<TCanvasEx>(100, 40);
    c->Font().SetSize(14);
    c->Font().SetStyle(style);
    c->DrawText({0, 0, 100, 40}, u"ace");
    return c;
  };
  auto plain = draw(FontStyleRegular);
  TRect plain_ink = InkBounds(plain->Bitmap());
  EXPECT_GT(InkBounds(draw(FontStyleUnderline)->Bitmap()).Bottom, plain_ink.Bottom);
  EXPECT_GT(InkBounds(draw(FontStyleBold)->Bitmap()).Right, plain_ink.Right);
  // The strike line crosses the gaps between the letters.
  auto struck = draw(FontStyleStrikeout);
  int gaps_plain = 0, gaps_struck = 0;
  for (int y = plain_ink.Top; y < plain_ink.Bottom; ++y) {
    for (int x = plain_ink.Left; x < plain_ink.Right; ++x) {
      gaps_plain += (PixelAt(plain->Bitmap(), x, y) >> 24) == 0;
      gaps_struck += (PixelAt(struck->Bitmap(), x, y) >> 24) == 0;
    }
  }
  EXPECT_LT(gaps_struck, gaps_plain);
}

TEST(CanvasText, MissingFamilyStillDrawsWithTheFallback) {
  TCanvasEx canvas(200, 30);
  canvas.Font().SetName(u"Trebuchet MS Missing");
  canvas.DrawText({0, 0, 200, 30}, kSample);
  EXPECT_GT(InkBounds(canvas.Bitmap()).Right, 60);
  TCanvasEx generic(10, 10);
  generic.Font().SetName(u"Another Missing Family");
  EXPECT_EQ(canvas.TextExtent(kSample), generic.TextExtent(kSample));
}

TEST(CanvasText, FontWithoutHandleDrawsAndMeasuresNothing) {
  TCanvasEx canvas(50, 20);
  canvas.Font().SetSize(0);
  canvas.DrawText({0, 0, 50, 20}, u"Kapat");
  EXPECT_EQ(InkBounds(canvas.Bitmap()), TRect{});
  EXPECT_EQ(canvas.TextExtent(u"Kapat"), (TSize{1, 1}));
}

TEST(CanvasText, LineLimitShowsWholeLinesOnly) {
  TCanvasEx canvas(200, 100);
  float line = canvas.TextHeight(u"A");
  int height = static_cast<int>(line * 1.5f);
  canvas.StringFormat().SetFormatFlags(StringFormatFlagsLineLimit);
  canvas.DrawText({0, 0, 200, height}, u"AAA\r\nBBB");
  EXPECT_LE(InkBounds(canvas.Bitmap()).Bottom, static_cast<int>(std::ceil(line)));
  canvas.Clear();
  canvas.DrawText({0, 0, 200, static_cast<int>(line / 2)}, u"AAA");
  EXPECT_EQ(InkBounds(canvas.Bitmap()), TRect{});
}

TEST(CanvasText, LineLimitKeepsTheWholeLineWhereTheLineAlignmentPutsIt) {
  TCanvasEx reference(200, 100);
  reference.DrawText({0, 0, 200, 100}, u"AAA");
  TRect whole = InkBounds(reference.Bitmap());
  float line = reference.TextHeight(u"A");
  int height = static_cast<int>(line * 1.5f);
  for (StringAlignment vertical : {StringAlignmentCenter, StringAlignmentFar}) {
    TCanvasEx canvas(200, 100);
    canvas.StringFormat().SetFormatFlags(StringFormatFlagsLineLimit);
    canvas.StringFormat().SetLineAlignment(vertical);
    canvas.DrawText({0, 0, 200, height}, u"AAA\r\nBBB");
    TRect ink = InkBounds(canvas.Bitmap());
    EXPECT_EQ(ink.Bottom - ink.Top, whole.Bottom - whole.Top) << vertical;  // not cut
    EXPECT_LE(ink.Bottom, height) << vertical;
    EXPECT_GT(ink.Top, whole.Top) << vertical;  // moved down from the top
  }
}

TEST(CanvasText, CanvasesShareOneContextPerHint) {
  TTextContext& shared = TTextContext::Shared();
  EXPECT_EQ(&shared, &TTextContext::Shared());
  EXPECT_EQ(shared.Context(TextRenderingHintAntiAlias), shared.Context(TextRenderingHintAntiAlias));
  EXPECT_NE(shared.Context(TextRenderingHintAntiAlias), shared.Context(TextRenderingHintAntiAliasGridFit));
  EXPECT_EQ(shared.Context(99), shared.Context(TextRenderingHintSystemDefault));
  EXPECT_DOUBLE_EQ(pango_cairo_context_get_resolution(shared.Context(0)), kFontResolutionDpi);
  // A canvas that changes its hint draws what a canvas made with it draws.
  TCanvasEx changed(200, 40), made(200, 40);
  changed.SetTextRenderingHint(TextRenderingHintSingleBitPerPixelGridFit);
  made.SetTextRenderingHint(TextRenderingHintAntiAliasGridFit);
  made.SetTextRenderingHint(TextRenderingHintSingleBitPerPixelGridFit);
  changed.DrawText({0, 0, 200, 40}, kSample);
  made.DrawText({0, 0, 200, 40}, kSample);
  EXPECT_EQ(testing::BytesOf(changed.Bitmap()), testing::BytesOf(made.Bitmap()));
}

// A wrapped text is given the ellipsis only when it overflows its height;
// one that fits looks the same with or without ellipsis trimming.
TEST(CanvasText, WrappedTextIsEllipsizedOnlyWhenItOverflows) {
  const std::u16string text = u"Bu programın ilgili kurumlarla bir ilişkisi yoktur.";
  struct Case {
    int width, height;
    bool ellipsized;
  } cases[] = {{400, 40, false}, {120, 200, false}, {120, 20, true}, {60, 40, true}};
  PangoLayoutPtr layout(pango_layout_new(TTextContext::Shared().Context(TextRenderingHintAntiAlias)));
  TFontEx font;
  TStringFormatEx format;
  format.SetTrimming(StringTrimmingEllipsisCharacter);
  for (const Case& c : cases) {
    ConfigureLayout(layout.get(), font, format, text, c.width, c.height);
    EXPECT_EQ(pango_layout_is_ellipsized(layout.get()), c.ellipsized) << c.width << "x" << c.height;
    if (c.ellipsized) continue;
    TCanvasEx trimmed(c.width, c.height), plain(c.width, c.height);
    plain.StringFormat().SetTrimming(StringTrimmingNone);
    trimmed.DrawText({0, 0, c.width, c.height}, text);
    plain.DrawText({0, 0, c.width, c.height}, text);
    EXPECT_EQ(testing::BytesOf(trimmed.Bitmap()), testing::BytesOf(plain.Bitmap())) << c.width << "x" << c.height;
  }
}

// One layout gives what TextHeight and TextWidth (capped at the width) give.
TEST(CanvasText, WrappedExtentAgreesWithTheTwoMeasures) {
  const std::u16string texts[] = {u"", u"Kapat", u"Bu programın ilgili kurumlarla bir ilişkisi yoktur.",
                                  u"Satır\r\nbaşka", u"Boşluklu son  ", u"&Dosya menüsü"};
  for (int style : {FontStyleRegular, FontStyleBold}) {
    for (HotkeyPrefix prefix : {HotkeyPrefixNone, HotkeyPrefixShow}) {
      for (int width : {0, 40, 120, 1000}) {
        for (const std::u16string& text : texts) {
          TCanvasEx canvas(10, 1);
          canvas.SetAntialias(false);
          canvas.Font().SetStyle(style);
          canvas.StringFormat().SetHotkeyPrefix(prefix);
          const TCanvasEx::TWrappedExtent extent = canvas.WrappedExtent(text, width);
          const int text_width = canvas.TextWidth(text);
          EXPECT_EQ(extent.Height, canvas.TextHeight(text, width)) << width;
          EXPECT_EQ(extent.Width, width > 0 ? std::min(text_width, width) : text_width) << width;
        }
      }
    }
  }
}

}  // namespace
}  // namespace varnika
