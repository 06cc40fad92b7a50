// Image controls: loading, the working copy, and the four ways to draw.
#include "base/Exceptions.h"
#include "resources/Resources.h"
#include "tests/widget_skin/SkinTestSupport.h"
#include "widget/ImageEx.h"

namespace varnika::testing {
namespace {

constexpr int kCloseImage = 5006;  // 12 x 12
constexpr int kUndecodable = 9901;  // bytes that are no PNG (test resource)

class ImageTest : public SkinControlTest {
 protected:
  TImageEx* MakeImage(int id, int width = 1, int height = 1, bool auto_size = true) {
    auto* image = Child<TImageEx>(width, height);
    image->SetAutoSize(auto_size);
    image->SetImage(id);
    return image;
  }

  // Paints and checks every canvas pixel against source(x, y), where source
  // gives the image coordinates shown at (x, y), or nothing (-1).
  template <typename F>
  static ::testing::AssertionResult Shows(TImageEx& image, F source) {
    image.Paint();
    const TBitmapEx& shown = image.Canvas().Bitmap();
    const TBitmapEx& picture = *image.SourceImage();
    for (int y = 0; y < shown.Height(); ++y)
      for (int x = 0; x < shown.Width(); ++x) {
        auto [sx, sy] = source(x, y);
        const bool inside = sx >= 0 && sy >= 0 && sx < picture.Width() && sy < picture.Height();
        const std::uint32_t expected = inside ? PixelAt(picture, sx, sy) : 0;
        if (PixelAt(shown, x, y) != expected)
          return ::testing::AssertionFailure() << "at " << x << "," << y;
      }
    return ::testing::AssertionSuccess();
  }
};

TEST_F(ImageTest, LoadingTakesTheImagesSizeUnlessAutoSizeIsOff) {
  TImageEx* logo = MakeImage(5004);
  EXPECT_EQ(logo->ResourceId(), 5004);
  EXPECT_EQ(logo->Width(), 136);
  EXPECT_EQ(logo->Height(), 40);
  TImageEx* fixed = MakeImage(5004, 50, 30, false);
  EXPECT_EQ(fixed->Width(), 50);
  EXPECT_EQ(fixed->Height(), 30);
}

TEST_F(ImageTest, AnImageNamedForLaterHasItsSizeAtOnceAndItsPixelsWhenLoadedOrPainted) {
  for (int id : {5004, kCloseImage, 5009}) {
    auto* later = Child<TImageEx>(1, 1);
    later->SetImageLater(id);
    const TImageEx* now = MakeImage(id);
    EXPECT_TRUE(later->ImagePending());
    EXPECT_EQ(later->Image(), nullptr);
    EXPECT_EQ(later->Width(), now->Width()) << id;
    EXPECT_EQ(later->Height(), now->Height()) << id;
    EXPECT_TRUE(Shows(*later, [](int x, int y) { return std::pair{x, y}; })) << id;  // loads as it paints
    EXPECT_FALSE(later->ImagePending());
    EXPECT_EQ(BytesOf(*later->Image()), BytesOf(*now->SourceImage())) << id;
    EXPECT_FALSE(later->LoadPendingImage());
  }
  auto* undecodable = Child<TImageEx>(20, 20);
  undecodable->SetImageLater(kUndecodable);
  EXPECT_EQ(undecodable->Width(), 0);
  EXPECT_TRUE(undecodable->LoadPendingImage());
  EXPECT_EQ(undecodable->Image()->Width(), 0);
  EXPECT_THROW(undecodable->SetImageLater(4999), EResNotFound);
}

TEST_F(ImageTest, TheWorkingCopyChangesWithoutTouchingTheSource) {
  TImageEx* image = MakeImage(kCloseImage);
  const std::vector<std::uint8_t> source = BytesOf(*image->SourceImage());
  ASSERT_EQ(BytesOf(*image->Image()), source);
  image->Image()->Fade(0);
  EXPECT_EQ(BytesOf(*image->SourceImage()), source);
  image->Paint();
  EXPECT_EQ(InkBounds(image->Canvas().Bitmap()), TRect{});
  // A new image starts from a fresh copy.
  image->SetImage(kCloseImage);
  EXPECT_EQ(BytesOf(*image->Image()), source);
}

TEST_F(ImageTest, DrawsAtNaturalSizeFromTheOrigin) {
  TImageEx* image = MakeImage(kCloseImage, 30, 30, false);
  EXPECT_TRUE(Shows(*image, [](int x, int y) { return std::pair{x, y}; }));
}

TEST_F(ImageTest, CentresWithHalvesTruncatedTowardZero) {
  TImageEx* image = MakeImage(kCloseImage, 30, 31, false);
  image->SetCenter(true);
  EXPECT_TRUE(Shows(*image, [](int x, int y) { return std::pair{x - 9, y - 9}; }));  // (30 - 12) / 2, (31 - 12) / 2
  // Smaller than the image: (9 - 12) / 2 is -1, not -2.
  image->SetSize(9, 9);
  EXPECT_TRUE(Shows(*image, [](int x, int y) { return std::pair{x + 1, y + 1}; }));
}

TEST_F(ImageTest, TilesFromTheOrigin) {
  TImageEx* image = MakeImage(kCloseImage, 30, 25, false);
  image->SetTile(true);
  image->SetCenter(true);  // tiling comes first
  EXPECT_TRUE(Shows(*image, [](int x, int y) { return std::pair{x % 12, y % 12}; }));
}

TEST_F(ImageTest, StretchesOverTheWholeControl) {
  TImageEx* image = MakeImage(kCloseImage, 24, 36, false);
  image->SetStretch(true);
  image->SetTile(true);  // stretching comes first
  EXPECT_TRUE(Shows(*image, [](int x, int y) { return std::pair{x / 2, y / 3}; }));
}

TEST_F(ImageTest, AMissingResourceRaisesAndLeavesNoImage) {
  TImageEx* image = MakeImage(kCloseImage);
  try {
    image->SetImage(4999);
    FAIL() << "no error";
  } catch (const EResNotFound& e) {
    EXPECT_EQ(e.Message(), u"Resource 4999 not found");
  }
  EXPECT_EQ(image->ResourceId(), 4999);
  EXPECT_EQ(image->Image(), nullptr);
  EXPECT_EQ(image->SourceImage(), nullptr);
  image->Paint();
  EXPECT_EQ(InkBounds(image->Canvas().Bitmap()), TRect{});
}

TEST_F(ImageTest, UndecodableBytesGiveAnEmptyImageAndAnEmptyControl) {
  TImageEx* image = MakeImage(kUndecodable, 20, 20);
  ASSERT_NE(image->Image(), nullptr);
  EXPECT_EQ(image->Image()->Width(), 0);
  EXPECT_EQ(image->Width(), 0);
  EXPECT_EQ(image->Height(), 0);
  image->Paint();  // draws nothing, and does not fail
}

}  // namespace
}  // namespace varnika::testing
