#include <gtest/gtest.h>

#include "platform/Icons.h"
#include "platform/Window.h"

namespace varnika {
namespace {

TEST(IconResourceTest, TheProgramIconLoadsFromItsPngAsANewIconEachTime) {
  HICON first = LoadIconW(GetModuleHandleW(nullptr), MakeIntResourceW(101));
  HICON second = LoadIconW(GetModuleHandleW(nullptr), MakeIntResourceW(101));
  ASSERT_NE(first, nullptr);
  EXPECT_NE(first, second);
  IconPixels pixels;
  ASSERT_TRUE(GetIconPixels(first, &pixels));
  EXPECT_EQ(pixels.width, 64);
  EXPECT_EQ(pixels.height, 64);
  EXPECT_EQ(pixels.argb[32 * 64 + 32] >> 24, 0xFFu);  // the opaque sheet in the middle
  EXPECT_EQ(pixels.argb[0] >> 24, 0u);                // the rounded corner is clear
  EXPECT_TRUE(DestroyIcon(first));
  EXPECT_TRUE(DestroyIcon(second));
}

TEST(IconResourceTest, UnknownIconsAndOtherModulesGiveNone) {
  EXPECT_EQ(LoadIconW(GetModuleHandleW(nullptr), MakeIntResourceW(999)), nullptr);
  EXPECT_EQ(GetLastError(), ERROR_RESOURCE_NAME_NOT_FOUND);
  EXPECT_EQ(LoadIconW(GetModuleHandleW(nullptr), u"APPICON"), nullptr);
  EXPECT_EQ(LoadIconW(nullptr, MakeIntResourceW(101)), nullptr);
}

}  // namespace
}  // namespace varnika
