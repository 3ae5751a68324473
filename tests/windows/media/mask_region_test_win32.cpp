#include <gtest/gtest.h>

#include <random>

#include "media/mask_region_win32.h"
#include "native/media/mask_test_images.h"
#include "support/temp_dir.h"

namespace {

using media::MaskImage;
using testing_support::TempDir;

struct Region {
  explicit Region(HRGN h) : handle(h) {}
  ~Region() {
    if (handle) DeleteObject(handle);
  }
  Region(const Region&) = delete;
  Region& operator=(const Region&) = delete;
  HRGN handle;
};

MaskImage random_mask(int32_t width, int32_t height, int bits, unsigned seed, int white_percent) {
  MaskImage m;
  m.width = width;
  m.height = height;
  m.bits_per_pixel = bits;
  std::mt19937 random(seed);
  for (int32_t i = 0; i < width * height; ++i) {
    const bool white = static_cast<int>(random() % 100) < white_percent;
    // Near-white pixels must stay: only the exact key is cut.
    const uint8_t v = white ? 255 : static_cast<uint8_t>(random() % 2 ? 0 : 254);
    m.pixels.insert(m.pixels.end(), {v, 255, 255});
    if (bits == 32) m.pixels.push_back(static_cast<uint8_t>(random()));
  }
  return m;
}

// Every pixel answers PtInRegion exactly when it is not white.
void expect_region_matches_pixels(HRGN region, const MaskImage& m) {
  for (int32_t y = 0; y < m.height; ++y) {
    for (int32_t x = 0; x < m.width; ++x) {
      ASSERT_EQ(PtInRegion(region, x, y) != 0, !media::is_key_pixel(m, x, y, 255, 255, 255))
          << "pixel " << x << "," << y;
    }
  }
}

TEST(MaskRegion, RunMethodEqualsPerPixelMethod) {
  for (unsigned seed = 1; seed <= 12; ++seed) {
    const MaskImage m =
        random_mask(static_cast<int32_t>(5 + seed * 3), static_cast<int32_t>(4 + seed),
                    seed % 2 ? 24 : 32, seed, static_cast<int>(seed * 8));
    Region runs(media::region_from_runs(m));
    Region pixels(media::region_per_pixel(m));
    ASSERT_NE(runs.handle, nullptr);
    ASSERT_NE(pixels.handle, nullptr);
    EXPECT_TRUE(EqualRgn(runs.handle, pixels.handle)) << "seed " << seed;
    expect_region_matches_pixels(runs.handle, m);
  }
}

TEST(MaskRegion, NoWhitePixelGivesTheFullRectangleAndAllWhiteGivesNothing) {
  MaskImage m = random_mask(7, 5, 24, 3, 0);
  Region full(media::region_from_runs(m));
  RECT box{};
  EXPECT_EQ(GetRgnBox(full.handle, &box), SIMPLEREGION);
  EXPECT_EQ(box.left, 0);
  EXPECT_EQ(box.top, 0);
  EXPECT_EQ(box.right, 7);
  EXPECT_EQ(box.bottom, 5);

  m.pixels.assign(m.pixels.size(), 255);
  Region empty(media::region_from_runs(m));
  ASSERT_NE(empty.handle, nullptr);
  EXPECT_EQ(GetRgnBox(empty.handle, &box), NULLREGION);
  Region slow(media::region_per_pixel(m));
  EXPECT_TRUE(EqualRgn(empty.handle, slow.handle));
}

TEST(MaskRegion, MaskFilesCutWhatThePictureShows) {
  TempDir dir;
  // Bottom-up BMP, white only in the top-left corner of the picture.
  mask_test_images::Bmp bmp;
  bmp.width = 3;
  bmp.height = 2;
  bmp.top_down = {255, 255, 255, 0, 0, 0, 0, 0, 0,  //
                  0,   0,   0,   0, 0, 0, 9, 9, 9};
  Region from_bmp(media::load_mask_region(dir.write("mask.bmp", mask_test_images::bmp_bytes(bmp))));
  ASSERT_NE(from_bmp.handle, nullptr);
  EXPECT_FALSE(PtInRegion(from_bmp.handle, 0, 0));
  EXPECT_TRUE(PtInRegion(from_bmp.handle, 0, 1));
  EXPECT_TRUE(PtInRegion(from_bmp.handle, 2, 1));

  mask_test_images::Png png;
  png.width = 2;
  png.height = 2;
  png.colour_type = PNG_COLOR_TYPE_RGB_ALPHA;
  png.rows = {1, 1, 1, 255, 255, 255, 255, 0, 255, 255, 255, 255, 2, 2, 2, 0};
  const std::string png_bytes = mask_test_images::png_bytes(png);
  Region from_png(media::load_mask_region(dir.write("MASK.PNG", png_bytes)));
  ASSERT_NE(from_png.handle, nullptr);
  RECT box{};
  EXPECT_EQ(GetRgnBox(from_png.handle, &box), COMPLEXREGION);
  EXPECT_TRUE(PtInRegion(from_png.handle, 0, 0));
  EXPECT_FALSE(PtInRegion(from_png.handle, 1, 0));
  EXPECT_FALSE(PtInRegion(from_png.handle, 0, 1));
  EXPECT_TRUE(PtInRegion(from_png.handle, 1, 1));

  EXPECT_EQ(media::load_mask_region(dir.write("mask.gif", png_bytes)), nullptr);
  EXPECT_EQ(media::load_mask_region(dir.file("absent.png")), nullptr);
}

}  // namespace
