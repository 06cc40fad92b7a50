// Skin texts: their window, their size and their drop shadow.
#include "platform/Window.h"
#include "tests/widget_skin/SkinTestSupport.h"
#include "widget/ImageEx.h"
#include "widget/SkinText.h"

namespace varnika::testing {
namespace {

class SkinTextTest : public SkinControlTest {
 protected:
  TSkinText* MakeText(const std::u16string& data, bool shadow = false) {
    auto* text = Make<TSkinText>(Window());
    text->Shadow().Enabled = shadow;
    text->SetSize(110, 18);
    text->Font().SetName(u"Trebuchet MS");
    text->Font().SetSize(8);
    text->SetData(data);
    text->Handle();
    return text;
  }

  // The extent the control's own canvas measures for a text.
  static TSize Extent(TSkinText& text, const std::u16string& data) { return text.Canvas().TextExtent(data); }
};

TEST_F(SkinTextTest, TextsAndImagesAreClickableStaticWindows) {
  Window()->Show();
  auto* text = MakeText(u"Güncelleniyor...");
  auto* image = Make<TImageEx>(Window());
  image->SetLeft(200);
  image->SetImage(5012);
  image->Show();
  text->Show();
  Window()->Invalidate();
  for (TControl* control : {static_cast<TControl*>(text), static_cast<TControl*>(image)}) {
    HWND wnd = control->Handle();
    char16_t class_name[16] = {};
    GetClassNameW(wnd, class_name, 16);
    EXPECT_EQ(std::u16string(class_name), u"STATIC");
    const DWORD style = static_cast<DWORD>(GetWindowLongW(wnd, GWL_STYLE));
    EXPECT_EQ(style & (SS_NOTIFY | SS_NOPREFIX), SS_NOTIFY | SS_NOPREFIX);
    // With SS_NOTIFY the static window takes the mouse itself.
    RECT r;
    GetWindowRect(wnd, &r);
    EXPECT_EQ(WindowFromPoint(POINT{r.left + 1, r.top + 1}), wnd);
  }
}

TEST_F(SkinTextTest, AutoSizeFitsTheControlToItsTextPlusOnePixel) {
  TSkinText* text = MakeText(u"Güncelleniyor...");
  TSize extent = Extent(*text, u"Güncelleniyor...");
  EXPECT_EQ(text->Width(), extent.cx + 1);
  EXPECT_EQ(text->Height(), extent.cy + 1);
  EXPECT_EQ(text->Canvas().Width(), text->Width());

  text->SetData(u"Web sitemizi ziyaret edin...");
  extent = Extent(*text, u"Web sitemizi ziyaret edin...");
  EXPECT_EQ(text->Width(), extent.cx + 1);
  EXPECT_EQ(text->Height(), extent.cy + 1);

  // Without AutoSize the given size stays.
  text->SetAutoSize(false);
  text->SetSize(149, 46);
  text->SetData(u"Varnika");
  EXPECT_EQ(text->Width(), 149);
  EXPECT_EQ(text->Height(), 46);
}

TEST_F(SkinTextTest, SettingAutoSizeToItsValueNeitherMeasuresNorRebuildsTheShadow) {
  TSkinText* text = MakeText(u"Varnika", true);
  const TBitmapEx* shadow = text->ShadowBitmap();
  ASSERT_NE(shadow, nullptr);
  text->SetSize(200, 50);
  text->SetAutoSize(true);
  EXPECT_EQ(text->Width(), 200);
  EXPECT_EQ(text->Height(), 50);
  EXPECT_EQ(text->ShadowBitmap(), shadow);

  // A real change measures again (and rebuilds the shadow).
  text->SetAutoSize(false);
  text->SetAutoSize(true);
  EXPECT_EQ(text->Width(), Extent(*text, u"Varnika").cx + 1);
  EXPECT_EQ(text->ShadowBitmap()->Width(), text->Width());
}

TEST_F(SkinTextTest, ANewCaptionRefitsToTheShownTextButKeepsTheShadow) {
  TSkinText* text = MakeText(u"Varnika", true);
  const TBitmapEx* shadow = text->ShadowBitmap();
  text->SetSize(300, 40);
  text->SetCaption(u"a caption that is not drawn");
  EXPECT_EQ(text->Width(), Extent(*text, u"Varnika").cx + 1);
  EXPECT_EQ(text->ShadowBitmap(), shadow);
}

TEST_F(SkinTextTest, ShadowIsTheTextInTheShadowColourBlurredAndDrawnAtItsOffset) {
  TSkinText* text = Make<TSkinText>(Window());
  text->Font().SetName(u"Trebuchet MS");
  text->Font().SetSize(20);
  text->Font().SetColor(0x00000000);  // only the shadow shows
  text->Shadow().OffsetX = 3;
  text->Shadow().OffsetY = 1;
  text->Shadow().BlurPasses = 2;
  text->Shadow().Color = 0xFF2040C0;
  text->SetData(u"Kapat");
  text->Handle();
  ASSERT_NE(text->ShadowBitmap(), nullptr);
  const TBitmapEx& shadow = *text->ShadowBitmap();
  EXPECT_EQ(shadow.Width(), text->Width());
  EXPECT_EQ(shadow.Height(), text->Height());

  // The same text in the shadow colour, blurred twice.
  TCanvasEx reference(text->Width(), text->Height());
  reference.Font().Assign(text->Font());
  reference.Font().SetColor(0xFF2040C0);
  reference.DrawText(TRect{0, 0, text->Width(), text->Height()}, u"Kapat");
  auto blurred = reference.Bitmap().Clone();
  blurred->Blur(2);
  EXPECT_EQ(BytesOf(shadow), BytesOf(*blurred));

  text->Paint();
  EXPECT_TRUE(ShowsBitmapAt(text->Canvas().Bitmap(), shadow, 3, 1));
}

TEST_F(SkinTextTest, WithTheShadowOffNoShadowIsBuiltOrDrawn) {
  TSkinText* text = MakeText(u"Kapat", false);
  EXPECT_EQ(text->ShadowBitmap(), nullptr);
  text->Paint();
  TCanvasEx reference(text->Width(), text->Height());
  reference.Font().Assign(text->Font());
  reference.DrawText(TRect{0, 0, text->Width(), text->Height()}, u"Kapat");
  EXPECT_EQ(BytesOf(text->Canvas().Bitmap()), BytesOf(reference.Bitmap()));
}

}  // namespace
}  // namespace varnika::testing
