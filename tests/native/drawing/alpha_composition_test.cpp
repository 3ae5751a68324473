// The alpha pass of transparent windows: renderings over white and black
// become premultiplied pixels with per-pixel alpha.
#include "flashhost/alpha_composition.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace {

using flashhost::PixelRect;

uint32_t bgra(uint32_t blue, uint32_t green, uint32_t red, uint32_t alpha) {
  return blue | (green << 8) | (red << 16) | (alpha << 24);
}

uint32_t channel(uint32_t pixel, int shift) { return (pixel >> shift) & 0xFF; }

// What a plug-in that blends colour c with coverage a (0..255) over an
// opaque backdrop b leaves in one byte.
uint32_t blended(uint32_t c, uint32_t a, uint32_t b) { return (c * a + b * (255 - a)) / 255; }

struct Surfaces {
  Surfaces(int w, int h)
      : width(w), height(h), white(w * h, 0x12345678u), black(w * h, 0x9ABCDEF0u) {}
  uint32_t& w(int x, int y) { return white[y * width + x]; }
  uint32_t& k(int x, int y) { return black[y * width + x]; }
  int width, height;
  std::vector<uint32_t> white, black;
};

TEST(AlphaComposition, UntouchedPixelsBecomeFullyTransparentAndBlack) {
  Surfaces s(4, 3);
  const PixelRect all{0, 0, 4, 3};
  flashhost::fill_backdrops(s.white.data(), s.black.data(), s.width, all);
  flashhost::compose_premultiplied(s.white.data(), s.black.data(), s.width, all);
  for (uint32_t pixel : s.white) EXPECT_EQ(pixel, 0u);
}

TEST(AlphaComposition, OpaquePixelsKeepTheirColourScaledBy255Over256) {
  Surfaces s(2, 1);
  const PixelRect all{0, 0, 2, 1};
  flashhost::fill_backdrops(s.white.data(), s.black.data(), s.width, all);
  // The plug-in painted both renderings with the same opaque colours.
  s.w(0, 0) = s.k(0, 0) = bgra(255, 255, 255, 255);
  s.w(1, 0) = s.k(1, 0) = bgra(10, 128, 200, 255);
  flashhost::compose_premultiplied(s.white.data(), s.black.data(), s.width, all);
  EXPECT_EQ(s.w(0, 0), bgra(254, 254, 254, 255));
  EXPECT_EQ(s.w(1, 0), bgra(9, 127, 199, 255));
}

TEST(AlphaComposition, PartlyCoveredPixelsGetTheirCoverageAsAlpha) {
  // Coverage 25%, 50%, 75% of the colour (blue 40, green 90, red 250).
  const uint32_t coverages[] = {64, 128, 191};
  Surfaces s(3, 1);
  for (int x = 0; x < 3; ++x) {
    const uint32_t a = coverages[x];
    s.w(x, 0) = bgra(blended(40, a, 255), blended(90, a, 255), blended(250, a, 255), 255);
    s.k(x, 0) = bgra(blended(40, a, 0), blended(90, a, 0), blended(250, a, 0), 255);
  }
  std::vector<uint32_t> white_before = s.white;
  flashhost::compose_premultiplied(s.white.data(), s.black.data(), s.width, PixelRect{0, 0, 3, 1});
  for (int x = 0; x < 3; ++x) {
    SCOPED_TRACE(x);
    const uint32_t w = white_before[x], k = s.black[x];
    const uint32_t alpha = 255 - (channel(w, 0) - channel(k, 0));
    // Rounding in the blend keeps alpha within one step of the coverage.
    EXPECT_NEAR(static_cast<int>(alpha), static_cast<int>(coverages[x]), 1);
    const uint32_t out = s.white[x];
    EXPECT_EQ(channel(out, 24), alpha);
    EXPECT_EQ(channel(out, 0), channel(w, 0) * alpha >> 8);
    EXPECT_EQ(channel(out, 8), channel(w, 8) * alpha >> 8);
    EXPECT_EQ(channel(out, 16), channel(w, 16) * alpha >> 8);
  }
}

TEST(AlphaComposition, AlphaWrapsModulo256WhenBlackIsBrighterThanWhite) {
  Surfaces s(1, 1);
  s.w(0, 0) = bgra(10, 100, 100, 255);
  s.k(0, 0) = bgra(20, 0, 0, 255);
  flashhost::compose_premultiplied(s.white.data(), s.black.data(), 1, PixelRect{0, 0, 1, 1});
  // 255 - (10 - 20) = 265, which is 9 in eight bits.
  EXPECT_EQ(s.w(0, 0), bgra(0, 3, 3, 9));
}

TEST(AlphaComposition, OnlyThePixelsOfTheRectangleAreTouched) {
  Surfaces s(6, 5);
  const std::vector<uint32_t> white_before = s.white, black_before = s.black;
  const PixelRect inner{1, 2, 4, 4};  // columns 1..3, rows 2..3
  flashhost::fill_backdrops(s.white.data(), s.black.data(), s.width, inner);
  for (int y = 0; y < s.height; ++y) {
    for (int x = 0; x < s.width; ++x) {
      const bool inside = x >= 1 && x < 4 && y >= 2 && y < 4;
      EXPECT_EQ(s.w(x, y), inside ? 0xFFFFFFFFu : white_before[y * s.width + x]) << x << "," << y;
      EXPECT_EQ(s.k(x, y), inside ? 0xFF000000u : black_before[y * s.width + x]) << x << "," << y;
    }
  }
  const std::vector<uint32_t> filled = s.white;
  flashhost::compose_premultiplied(s.white.data(), s.black.data(), s.width, inner);
  for (int y = 0; y < s.height; ++y) {
    for (int x = 0; x < s.width; ++x) {
      const bool inside = x >= 1 && x < 4 && y >= 2 && y < 4;
      EXPECT_EQ(s.w(x, y), inside ? 0u : filled[y * s.width + x]) << x << "," << y;
    }
  }
}

TEST(AlphaComposition, EmptyOrReversedRectanglesTouchNothing) {
  Surfaces s(3, 3);
  const std::vector<uint32_t> before = s.white;
  for (PixelRect rect : {PixelRect{1, 1, 1, 3}, PixelRect{0, 2, 3, 1}, PixelRect{2, 0, 0, 3}}) {
    flashhost::fill_backdrops(s.white.data(), s.black.data(), s.width, rect);
    flashhost::compose_premultiplied(s.white.data(), s.black.data(), s.width, rect);
  }
  EXPECT_EQ(s.white, before);
}

TEST(AlphaComposition, RectanglesAreClippedToTheSurface) {
  const PixelRect inside = flashhost::clip_to_surface(PixelRect{-5, -1, 5000, 40}, 640, 300);
  EXPECT_EQ(inside.left, 0);
  EXPECT_EQ(inside.top, 0);
  EXPECT_EQ(inside.right, 640);
  EXPECT_EQ(inside.bottom, 40);

  const PixelRect tall = flashhost::clip_to_surface(PixelRect{10, 20, 30, 5000}, 640, 300);
  EXPECT_EQ(tall.bottom, 300);

  const PixelRect outside = flashhost::clip_to_surface(PixelRect{700, 10, 800, 20}, 640, 300);
  EXPECT_LE(outside.right, outside.left);
  const PixelRect reversed = flashhost::clip_to_surface(PixelRect{0, 50, 10, 10}, 640, 300);
  EXPECT_LE(reversed.bottom, reversed.top);
}

}  // namespace
