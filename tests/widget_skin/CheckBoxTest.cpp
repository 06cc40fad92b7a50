// The check box: the state image at the origin, the caption in the rest.
#include "tests/widget_skin/SkinTestSupport.h"
#include "widget/CheckBoxEx.h"

namespace varnika::testing {
namespace {

constexpr std::uint32_t kRed = 0xFFFF0000;
constexpr std::uint32_t kBlue = 0xFF0000FF;
const std::u16string kCaption = u"Pencereyi her zaman en üstte tut.";

class CheckBoxTest : public SkinControlTest {
 protected:
  TCheckBoxEx* MakeBox() {
    auto* box = Child<TCheckBoxEx>(300, 20);
    box->SetCaption(kCaption);
    box->Canvas().StringFormat().SetLineAlignment(StringAlignmentCenter);
    box->Font().SetName(u"Trebuchet MS");
    box->Font().SetSize(9);
    return box;
  }

  static std::unique_ptr<TBitmapEx> Solid(int width, std::uint32_t color) {
    return MakeBitmap(width, 20, [color](int, int) { return color; });
  }

  // The caption alone, laid out in the box from x = left to the right edge.
  static std::unique_ptr<TBitmapEx> CaptionFrom(TCheckBoxEx& box, int left) {
    TCanvasEx canvas(box.Width(), box.Height());
    canvas.Font().Assign(box.Font());
    canvas.StringFormat().Assign(box.Canvas().StringFormat());
    canvas.DrawText(TRect{left, 0, box.Width(), box.Height()}, kCaption);
    return canvas.Bitmap().Clone();
  }

  // The box's picture: the image's columns, then the caption's.
  static ::testing::AssertionResult Shows(TCheckBoxEx& box, int image_width, std::uint32_t image_color) {
    box.Paint();
    const TBitmapEx& shown = box.Canvas().Bitmap();
    auto caption = CaptionFrom(box, image_width);
    if (InkBounds(*caption).Left < image_width) return ::testing::AssertionFailure() << "caption starts too early";
    for (int y = 0; y < box.Height(); ++y)
      for (int x = 0; x < box.Width(); ++x) {
        const std::uint32_t expected = x < image_width ? image_color : PixelAt(*caption, x, y);
        if (PixelAt(shown, x, y) != expected)
          return ::testing::AssertionFailure() << "at " << x << "," << y << std::hex << ": " << PixelAt(shown, x, y)
                                               << " instead of " << expected;
      }
    return ::testing::AssertionSuccess();
  }
};

TEST_F(CheckBoxTest, ShowsTheImageOfItsStateAndTheCaptionRightOfIt) {
  TCheckBoxEx* box = MakeBox();
  box->States().SetUncheckedImage(Solid(20, kRed));
  box->States().SetCheckedImage(Solid(20, kBlue));
  EXPECT_TRUE(Shows(*box, 20, kRed));
  box->SetChecked(true);
  EXPECT_TRUE(Shows(*box, 20, kBlue));
}

TEST_F(CheckBoxTest, CaptionStartsWhereANarrowerImageEnds) {
  TCheckBoxEx* box = MakeBox();
  box->States().SetCheckedImage(Solid(14, kBlue));
  box->SetChecked(true);
  EXPECT_TRUE(Shows(*box, 14, kBlue));
}

TEST_F(CheckBoxTest, WithoutAnImageForItsStateOnlyTheCaptionShowsFromTheLeftEdge) {
  TCheckBoxEx* box = MakeBox();
  box->States().SetCheckedImage(Solid(20, kBlue));  // the box is clear
  EXPECT_TRUE(Shows(*box, 0, 0));
}

}  // namespace
}  // namespace varnika::testing
