// The skin's own images: each decodes at the size its control expects, the
// panel's margin is transparent, and every text the face puts on the art
// stays readable against the pixels under it.
#include <algorithm>
#include <cmath>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "resources/Resources.h"
#include "tests/widget_skin/SkinTestSupport.h"

namespace varnika::testing {
namespace {

std::unique_ptr<TBitmapEx> Load(int id) { return TBitmapEx::CreateFromResource(nullptr, id, kResourceTypePng); }

struct Rgb {
  double r, g, b;
};

// The straight colour of an opaque premultiplied pixel.
Rgb Opaque(std::uint32_t pixel) {
  return {((pixel >> 16) & 0xFF) / 255.0, ((pixel >> 8) & 0xFF) / 255.0, (pixel & 0xFF) / 255.0};
}

// Straight ARGB text colour over an opaque ground.
Rgb Over(std::uint32_t argb, Rgb ground) {
  const double a = (argb >> 24) / 255.0;
  Rgb c = Opaque(argb);
  return {c.r * a + ground.r * (1 - a), c.g * a + ground.g * (1 - a), c.b * a + ground.b * (1 - a)};
}

double Luminance(Rgb c) {
  auto channel = [](double v) { return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4); };
  return 0.2126 * channel(c.r) + 0.7152 * channel(c.g) + 0.0722 * channel(c.b);
}

double Contrast(Rgb a, Rgb b) {
  double la = Luminance(a), lb = Luminance(b);
  return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

// The lowest contrast of text in `argb` over any pixel of the rectangle.
double WorstContrast(const TBitmapEx& ground, TRect r, std::uint32_t argb) {
  double worst = 21;
  for (int y = r.Top; y < r.Bottom; ++y)
    for (int x = r.Left; x < r.Right; ++x) {
      const std::uint32_t pixel = PixelAt(ground, x, y);
      EXPECT_EQ(pixel >> 24, 0xFFu) << "text ground is not opaque at " << x << "," << y;
      const Rgb under = Opaque(pixel);
      worst = std::min(worst, Contrast(Over(argb, under), under));
    }
  return worst;
}

TEST(SkinArt, EveryImageDecodesAtTheSizeItsControlExpects) {
  struct Expected {
    int id, width, height;
  };
  const Expected images[] = {
      {5000, 20, 213}, {5001, 18, 70}, {5002, 475, 350}, {5003, 18, 324}, {5004, 136, 40},
      {5005, 385, 183}, {5006, 12, 12}, {5007, 20, 20},  {5008, 20, 20},  {5009, 342, 224},
      {5010, 64, 64},   {5011, 21, 21}, {5012, 20, 20},  {5013, 20, 20},
  };
  for (const Expected& e : images) {
    auto image = Load(e.id);
    EXPECT_EQ(image->Width(), e.width) << e.id;
    EXPECT_EQ(image->Height(), e.height) << e.id;
    EXPECT_NE(InkBounds(*image), TRect{}) << e.id << " shows nothing";
  }
  // The two check-box states differ.
  EXPECT_NE(BytesOf(*Load(5007)), BytesOf(*Load(5008)));
}

TEST(SkinArt, ProgramIconComesInEveryThemeSize) {
  auto icon = TBitmapEx::CreateFromResource(nullptr, 101, kResourceTypeIcon);
  EXPECT_EQ(icon->Width(), 64);
  EXPECT_EQ(icon->Height(), 64);
  for (int size : {16, 24, 32, 48, 64, 128, 256}) {
    const std::string path = std::string(VARNIKA_ART_DIR) + "/icon101-" + std::to_string(size) + ".png";
    std::ifstream file(path, std::ios::binary);
    ASSERT_TRUE(file) << path;
    const std::vector<std::uint8_t> bytes{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
    auto image = TBitmapEx::CreateFromPng(bytes);
    EXPECT_EQ(image->Width(), size);
    EXPECT_EQ(image->Height(), size);
    // The tile fills the middle of every size.
    EXPECT_EQ(PixelAt(*image, size / 2, size / 8) >> 24, 0xFFu) << size;
  }
}

std::unique_ptr<TBitmapEx> LoadArtFile(const std::string& name) {
  std::ifstream file(std::string(VARNIKA_ART_DIR) + "/" + name, std::ios::binary);
  EXPECT_TRUE(file) << name;
  const std::vector<std::uint8_t> bytes{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
  return TBitmapEx::CreateFromPng(bytes);
}

TEST(SkinArt, EveryImageIsDrawnAgainAtTwiceTheResolution) {
  for (int id = 5000; id <= 5013; ++id) {
    const std::string name = "skin" + std::to_string(id);
    auto one = LoadArtFile(name + ".png");
    auto two = LoadArtFile(name + "@2x.png");
    ASSERT_TRUE(one && two) << id;
    ASSERT_EQ(two->Width(), 2 * one->Width()) << id;
    ASSERT_EQ(two->Height(), 2 * one->Height()) << id;
    // Each block of four pixels averages to about the pixel at 1x, and the
    // blocks are not just the 1x pixels blown up.
    double difference = 0;
    int detailed = 0;
    for (int y = 0; y < one->Height(); ++y)
      for (int x = 0; x < one->Width(); ++x) {
        const std::uint32_t block[] = {PixelAt(*two, 2 * x, 2 * y), PixelAt(*two, 2 * x + 1, 2 * y),
                                       PixelAt(*two, 2 * x, 2 * y + 1), PixelAt(*two, 2 * x + 1, 2 * y + 1)};
        detailed += std::any_of(std::begin(block), std::end(block), [&](std::uint32_t p) { return p != block[0]; });
        for (int shift : {0, 8, 16, 24}) {
          int sum = 0;
          for (std::uint32_t p : block) sum += (p >> shift) & 0xFF;
          difference += std::abs(sum / 4.0 - ((PixelAt(*one, x, y) >> shift) & 0xFF));
        }
      }
    const int pixels = one->Width() * one->Height();
    EXPECT_LT(difference / (4.0 * pixels), 4.0) << id << ": mean channel difference";
    EXPECT_GT(detailed, 0) << id;
  }
}

TEST(SkinArt, ThrobberFramesEachMoveTheAnimationOn) {
  auto strip = Load(5003);
  for (int frame = 0; frame < 18; ++frame) {
    const int next = (frame + 1) % 18;
    int differing = 0;
    for (int y = 0; y < 18; ++y)
      for (int x = 0; x < 18; ++x) differing += PixelAt(*strip, x, 18 * frame + y) != PixelAt(*strip, x, 18 * next + y);
    EXPECT_GT(differing, 10) << "frames " << frame << " and " << next;
  }
}

TEST(SkinArt, PanelHasTransparentCornersAndAnOpaqueBody) {
  auto panel = Load(5002);
  for (auto [x, y] : {std::pair{0, 0}, {474, 0}, {0, 349}, {474, 349}})
    EXPECT_EQ(PixelAt(*panel, x, y) >> 24, 0u) << x << "," << y;
  // The body's corners are round: only a faint shadow shows there.
  for (auto [x, y] : {std::pair{8, 8}, {466, 8}, {8, 327}, {466, 327}})
    EXPECT_LT(PixelAt(*panel, x, y) >> 24, 64u) << x << "," << y;
  for (auto [x, y] : {std::pair{237, 20}, {237, 180}, {237, 320}, {12, 180}, {462, 180}})
    EXPECT_EQ(PixelAt(*panel, x, y) >> 24, 0xFFu) << x << "," << y;
}

TEST(SkinArt, TextsOfTheFaceReadClearlyOnTheArt) {
  auto panel = Load(5002);
  // Footer texts: "Güncelleniyor..." and the site link, white at alpha 0xAF.
  EXPECT_GE(WorstContrast(*panel, {44, 301, 160, 317}, 0xAFFFFFFF), 4.5);
  EXPECT_GE(WorstContrast(*panel, {370, 300, 460, 317}, 0xAFFFFFFF), 4.5);
  // Headlines: blue bold titles and dark grey summaries on the list area.
  EXPECT_GE(WorstContrast(*panel, {30, 75, 420, 288}, 0xFF0000A0), 7.0);
  EXPECT_GE(WorstContrast(*panel, {30, 75, 420, 288}, 0xFF303030), 7.0);

  // Check-box captions on the options panel after the program fades and
  // tints it, over the white of the list below.
  auto options = Load(5005);
  options->Fade(240);
  options->Tint(0xFFF0F0F0);
  TCanvasEx composed(options->Width(), options->Height());
  cairo_set_source_rgb(composed.Context(), 1, 1, 1);
  cairo_paint(composed.Context());
  composed.Draw(*options, 0, 0);
  EXPECT_GE(WorstContrast(composed.Bitmap(), {60, 20, 340, 124}, 0xCF000000), 7.0);

  // About panel: title, text and link.
  auto about = Load(5009);
  TCanvasEx about_ground(about->Width(), about->Height());
  cairo_set_source_rgb(about_ground.Context(), 1, 1, 1);
  cairo_paint(about_ground.Context());
  about_ground.Draw(*about, 0, 0);
  EXPECT_GE(WorstContrast(about_ground.Bitmap(), {130, 45, 279, 91}, 0xFF333333), 7.0);
  EXPECT_GE(WorstContrast(about_ground.Bitmap(), {138, 85, 318, 155}, 0xFF404040), 7.0);
  EXPECT_GE(WorstContrast(about_ground.Bitmap(), {138, 165, 300, 190}, 0xFF4040FF), 4.5);
}

}  // namespace
}  // namespace varnika::testing
