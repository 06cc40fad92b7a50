// Ids of the images that tests/toolkit/CMakeLists.txt embeds as "PNG"
// resources (drawn by MakeTestImages.cpp).
#pragma once

namespace varnika {

inline constexpr int kTestImagePixels = 9001;     // 3 x 2, assorted alphas
inline constexpr int kTestImageStrip = 9002;      // 18 x 324, 18 frames
inline constexpr int kTestImageOpaque = 9003;     // 2 x 1 without alpha
inline constexpr int kTestImageGarbage = 9004;    // not an image
inline constexpr int kTestImageTruncated = 9005;  // the first half of 9001

}  // namespace varnika
