#include "media/mask_image.h"

#include <gtest/gtest.h>

#include <sstream>

#include "native/media/mask_test_images.h"
#include "support/temp_dir.h"

namespace media {
void PrintTo(const RowRun& r, std::ostream* os) {
  *os << "{y " << r.y << ", " << r.left << ".." << r.right << "}";
}
}  // namespace media

namespace {

using mask_test_images::Bmp;
using mask_test_images::Png;
using media::MaskImage;
using media::RowRun;
using testing_support::TempDir;

// A 24-bit picture, top row first, from one colour per pixel (0xRRGGBB).
Bmp bmp24(int32_t width, int32_t height, const std::vector<uint32_t>& colours) {
  Bmp b;
  b.bits = 24;
  b.width = width;
  b.height = height;
  for (uint32_t c : colours) {
    b.top_down.push_back(static_cast<uint8_t>(c));
    b.top_down.push_back(static_cast<uint8_t>(c >> 8));
    b.top_down.push_back(static_cast<uint8_t>(c >> 16));
  }
  return b;
}

// The picture as 0xRRGGBB per pixel, top row first (BMP pixels are blue,
// green, red in memory; PNG pixels red, green, blue).
std::vector<uint32_t> colours_of(const MaskImage& image, bool bgr) {
  std::vector<uint32_t> out;
  const size_t step = image.bits_per_pixel / 8;
  for (size_t i = 0; i + step <= image.pixels.size(); i += step) {
    const uint8_t* p = &image.pixels[i];
    out.push_back(bgr ? (p[2] << 16 | p[1] << 8 | p[0]) : (p[0] << 16 | p[1] << 8 | p[2]));
  }
  return out;
}

struct BmpLoad {
  bool ok = false;
  MaskImage image;
  std::string messages;
};

BmpLoad load_bmp(const TempDir& dir, const std::string& bytes) {
  BmpLoad r;
  std::ostringstream out;
  r.ok = media::load_bmp_mask(dir.write("mask.bmp", bytes), r.image, out);
  r.messages = out.str();
  return r;
}

TEST(MaskBmp, RowPaddingFollowsTheWidth) {
  TempDir dir;
  // Width 3: 9 bytes of pixels and 3 of padding per row; width 4: none.
  const std::vector<uint32_t> three = {0x010203, 0x040506, 0x070809,  //
                                       0x0a0b0c, 0x0d0e0f, 0x101112};
  const BmpLoad a = load_bmp(dir, mask_test_images::bmp_bytes(bmp24(3, 2, three)));
  ASSERT_TRUE(a.ok);
  EXPECT_EQ(a.messages, "");
  EXPECT_EQ(a.image.width, 3);
  EXPECT_EQ(a.image.height, 2);
  EXPECT_EQ(a.image.bits_per_pixel, 24);
  EXPECT_EQ(colours_of(a.image, true), three);

  const std::vector<uint32_t> four = {0xffffff, 0x000001, 0x000002, 0x000003,
                                      0x000004, 0x000005, 0xffffff, 0x000007};
  const std::string bytes = mask_test_images::bmp_bytes(bmp24(4, 2, four));
  EXPECT_EQ(bytes.size(), 54u + 2 * 12);
  const BmpLoad b = load_bmp(dir, bytes);
  ASSERT_TRUE(b.ok);
  EXPECT_EQ(b.messages, "");
  EXPECT_EQ(colours_of(b.image, true), four);
}

TEST(MaskBmp, BottomUpAndTopDownFilesGiveThePictureTopRowFirst) {
  TempDir dir;
  const std::vector<uint32_t> picture = {0xffffff, 0x000000, 0x000000,  //
                                         0x000000, 0x000000, 0xffffff};
  const BmpLoad up = load_bmp(dir, mask_test_images::bmp_bytes(bmp24(3, 2, picture)));
  const BmpLoad down = load_bmp(dir, mask_test_images::bmp_bytes(bmp24(3, -2, picture)));
  ASSERT_TRUE(up.ok);
  ASSERT_TRUE(down.ok);
  EXPECT_EQ(colours_of(up.image, true), picture);
  EXPECT_EQ(colours_of(down.image, true), picture);
  EXPECT_EQ(down.image.height, 2);
  EXPECT_TRUE(media::is_key_pixel(up.image, 0, 0, 255, 255, 255));
  EXPECT_TRUE(media::is_key_pixel(up.image, 2, 1, 255, 255, 255));
  EXPECT_FALSE(media::is_key_pixel(up.image, 2, 0, 255, 255, 255));
}

TEST(MaskBmp, EightBitPixelsKeyOnPaletteIndex255Only) {
  TempDir dir;
  Bmp b;
  b.bits = 8;
  b.width = 5;
  b.height = 1;
  b.top_down = {255, 254, 0, 255, 17};
  // Every palette entry white: the colour it gives does not matter.
  b.colours_used = 256;
  b.palette_fill = 0xff;
  const BmpLoad r = load_bmp(dir, mask_test_images::bmp_bytes(b));
  ASSERT_TRUE(r.ok);
  EXPECT_EQ(r.image.bits_per_pixel, 24);
  EXPECT_EQ(colours_of(r.image, true),
            (std::vector<uint32_t>{0xffffff, 0xfefefe, 0x000000, 0xffffff, 0x111111}));
  EXPECT_EQ(media::kept_row_runs(r.image), (std::vector<RowRun>{{0, 1, 3}, {0, 4, 5}}));
}

TEST(MaskBmp, PixelDataAreReadFromTheFileHeaderOffset) {
  TempDir dir;
  // An 8-bit file that counts no palette entries but carries 256 of them.
  Bmp b;
  b.bits = 8;
  b.width = 2;
  b.height = 2;
  b.top_down = {1, 2, 3, 4};
  b.uncounted_palette = 256;
  const BmpLoad uncounted = load_bmp(dir, mask_test_images::bmp_bytes(b));
  ASSERT_TRUE(uncounted.ok);
  EXPECT_EQ(colours_of(uncounted.image, true),
            (std::vector<uint32_t>{0x010101, 0x020202, 0x030303, 0x040404}));

  // A 24-bit file with bytes between the headers and the pixels.
  Bmp g = bmp24(1, 1, {0x123456});
  g.gap = 7;
  const BmpLoad gap = load_bmp(dir, mask_test_images::bmp_bytes(g));
  ASSERT_TRUE(gap.ok);
  EXPECT_EQ(colours_of(gap.image, true), std::vector<uint32_t>{0x123456});

  // An offset of 0 means right after the palette.
  Bmp z = bmp24(1, 1, {0x654321});
  z.write_offset = false;
  const BmpLoad zero = load_bmp(dir, mask_test_images::bmp_bytes(z));
  ASSERT_TRUE(zero.ok);
  EXPECT_EQ(colours_of(zero.image, true), std::vector<uint32_t>{0x654321});
}

TEST(MaskBmp, FatalDiagnostics) {
  TempDir dir;
  std::ostringstream missing_out;
  MaskImage image;
  EXPECT_FALSE(media::load_bmp_mask(dir.file("absent.bmp"), image, missing_out));
  EXPECT_EQ(missing_out.str(), "\nBMP_READ - Fatal error!\n  Could not open the input file.\n");

  const std::string good = mask_test_images::bmp_bytes(bmp24(3, 2, std::vector<uint32_t>(6)));
  BmpLoad r = load_bmp(dir, good.substr(0, 10));
  EXPECT_FALSE(r.ok);
  EXPECT_EQ(r.messages, "\nBMP_READ: Fatal error!\n  BMP_HEADER1_READ failed.\n");

  r = load_bmp(dir, "XY" + good.substr(2));
  EXPECT_FALSE(r.ok);
  EXPECT_EQ(r.messages,
            "\nBMP_READ: Fatal error!\n"
            "  The file's internal magic number is not \"BM\".\n"
            "  with the numeric value 16973\n"
            "  Instead, it is \"XY\".\n"
            "  with the numeric value 22617\n"
            "  (Perhaps you need to reverse the byte swapping option!)\n");

  r = load_bmp(dir, good.substr(0, 14 + 39));
  EXPECT_FALSE(r.ok);
  EXPECT_EQ(r.messages, "\nBMP_READ: Fatal error!\n  BMP_HEADER2_READ failed.\n");

  Bmp palette = bmp24(1, 1, {0});
  palette.colours_used = 2;
  r = load_bmp(dir, mask_test_images::bmp_bytes(palette).substr(0, 54 + 4 + 2));
  EXPECT_FALSE(r.ok);
  EXPECT_EQ(r.messages,
            "\nBMP_PALETTE_READ: Fatal error!\n  Failed reading R for palette color 1.\n"
            "\nBMP_READ: Fatal error!\n  BMP_PALETTE_READ failed.\n");

  Bmp deep = bmp24(1, 1, {0});
  deep.bits = 32;
  r = load_bmp(dir, mask_test_images::bmp_bytes(deep));
  EXPECT_FALSE(r.ok);
  EXPECT_EQ(r.messages, "\nBMP_READ: Fatal error!\n  Unrecognized value of BITSPERPIXEL = 32\n");

  Bmp indexed;
  indexed.bits = 8;
  indexed.width = 4;
  indexed.height = 2;
  indexed.top_down = {1, 2, 3, 4, 5, 6, 7, 8};
  r = load_bmp(dir, mask_test_images::bmp_bytes(indexed).substr(0, 54 + 5));
  EXPECT_FALSE(r.ok);
  EXPECT_EQ(r.messages,
            "\nBMP_08_DATA_READ: Fatal error!\n  Failed reading R for pixel (1,1).\n"
            "\nBMP_READ: Fatal error!\n  BMP_08_DATA_READ failed.\n");

  // Row 0 is 9 bytes and 3 of padding; the file ends after the blue and
  // green bytes of row 1's second pixel.
  r = load_bmp(dir, good.substr(0, 54 + 12 + 5));
  EXPECT_FALSE(r.ok);
  EXPECT_EQ(r.messages,
            "\nBMP_24_DATA_READ: Fatal error!\n  Failed reading R for pixel (1,1).\n"
            "\nBMP_READ: Fatal error!\n  BMP_24_DATA_READ failed.\n");
  r = load_bmp(dir, good.substr(0, 54 + 12 + 3));
  EXPECT_EQ(r.messages,
            "\nBMP_24_DATA_READ: Fatal error!\n  Failed reading B for pixel (1,1).\n"
            "\nBMP_READ: Fatal error!\n  BMP_24_DATA_READ failed.\n");
  r = load_bmp(dir, good.substr(0, 54 + 12 + 4));
  EXPECT_EQ(r.messages,
            "\nBMP_24_DATA_READ: Fatal error!\n  Failed reading G for pixel (1,1).\n"
            "\nBMP_READ: Fatal error!\n  BMP_24_DATA_READ failed.\n");
}

TEST(MaskBmp, ShortPaddingWarnsAndLeavesTheUnreadRowsZero) {
  TempDir dir;
  // Bottom-up, so the file's first row is the picture's bottom row.
  const std::vector<uint32_t> picture = {0x111111, 0x222222, 0x333333, 0x444444, 0x555555,
                                         0x666666, 0x777777, 0x888888, 0x999999};
  const std::string bytes = mask_test_images::bmp_bytes(bmp24(3, 3, picture));
  const BmpLoad r = load_bmp(dir, bytes.substr(0, 54 + 9 + 1));
  ASSERT_TRUE(r.ok);
  EXPECT_EQ(r.messages,
            "\nBMP_24_DATA_READ - Warning!\n"
            "  Failed while reading padding character 1\n"
            "  of total 3 characters\n"
            "  at the end of line 0\n"
            "  This is a minor error.\n");
  EXPECT_EQ(colours_of(r.image, true),
            (std::vector<uint32_t>{0, 0, 0, 0, 0, 0, 0x777777, 0x888888, 0x999999}));

  Bmp indexed;
  indexed.bits = 8;
  indexed.width = 2;
  indexed.height = -2;
  indexed.top_down = {9, 8, 7, 6};
  const BmpLoad e = load_bmp(dir, mask_test_images::bmp_bytes(indexed).substr(0, 54 + 2));
  ASSERT_TRUE(e.ok);
  EXPECT_EQ(e.messages,
            "\nBMP_08_DATA_READ - Warning!\n"
            "  Failed while reading padding character 0\n"
            "  of total 2 characters\n"
            "  at the end of line 0\n"
            "  This is a minor error.\n");
  EXPECT_EQ(colours_of(e.image, true), (std::vector<uint32_t>{0x090909, 0x080808, 0, 0}));
}

TEST(MaskBmp, DiagnosticsGoToStandardOutputByDefault) {
  TempDir dir;
  MaskImage image;
  testing::internal::CaptureStdout();
  const bool ok = media::load_bmp_mask(dir.write("bad.bmp", "BM"), image);
  const std::string printed = testing::internal::GetCapturedStdout();
  EXPECT_FALSE(ok);
  EXPECT_EQ(printed, "\nBMP_READ: Fatal error!\n  BMP_HEADER1_READ failed.\n");
}

TEST(MaskBmp, ImpossibleSizesAreRefusedBeforeAllocating) {
  TempDir dir;
  Bmp huge = bmp24(1, 1, {0});
  std::string bytes = mask_test_images::bmp_bytes(huge);
  bytes[18] = '\xff';  // width 0x7fff00ff
  bytes[21] = '\x7f';
  bytes[22] = '\xff';  // height 0x7fff0001
  bytes[25] = '\x7f';
  EXPECT_FALSE(load_bmp(dir, bytes).ok);
}

Png rgb_png(uint32_t width, uint32_t height, std::vector<uint8_t> rows) {
  Png p;
  p.width = width;
  p.height = height;
  p.rows = std::move(rows);
  return p;
}

bool load_png(const TempDir& dir, const Png& p, MaskImage& image,
              const std::string& name = "mask.png") {
  const std::string bytes = mask_test_images::png_bytes(p);
  EXPECT_FALSE(bytes.empty());
  return media::load_png_mask(dir.write(name, bytes), image);
}

TEST(MaskPng, AlphaPicturesAreWalkedFourBytesPerPixelWithoutConsultingAlpha) {
  TempDir dir;
  Png p;
  p.width = 3;
  p.height = 1;
  p.colour_type = PNG_COLOR_TYPE_RGB_ALPHA;
  p.rows = {255, 255, 255, 0, 10, 20, 30, 200, 255, 255, 255, 255};
  MaskImage image;
  ASSERT_TRUE(load_png(dir, p, image));
  EXPECT_EQ(image.bits_per_pixel, 32);
  EXPECT_EQ(image.pixels, p.rows);
  EXPECT_EQ(image.alpha, (std::vector<uint8_t>{0, 200, 255}));
  EXPECT_EQ(media::kept_row_runs(image), (std::vector<RowRun>{{0, 1, 2}}));
}

TEST(MaskPng, TransformsGiveEightBitRgb) {
  TempDir dir;
  MaskImage image;

  Png grey;
  grey.width = 2;
  grey.height = 1;
  grey.colour_type = PNG_COLOR_TYPE_GRAY;
  grey.rows = {255, 7};
  ASSERT_TRUE(load_png(dir, grey, image));
  EXPECT_EQ(image.bits_per_pixel, 24);
  EXPECT_EQ(colours_of(image, false), (std::vector<uint32_t>{0xffffff, 0x070707}));
  EXPECT_TRUE(image.alpha.empty());

  Png deep = rgb_png(1, 1, {0xff, 0xff, 0xff, 0xff, 0x12, 0x34});
  deep.bit_depth = 16;
  ASSERT_TRUE(load_png(dir, deep, image));
  EXPECT_EQ(colours_of(image, false), std::vector<uint32_t>{0xffff12});

  Png indexed;
  indexed.width = 3;
  indexed.height = 1;
  indexed.colour_type = PNG_COLOR_TYPE_PALETTE;
  indexed.bit_depth = 2;
  indexed.palette = {{255, 255, 255}, {1, 2, 3}};
  indexed.rows = {0x10};  // indices 0, 1, 0 in the top bits
  ASSERT_TRUE(load_png(dir, indexed, image));
  EXPECT_EQ(image.bits_per_pixel, 24);
  EXPECT_EQ(colours_of(image, false), (std::vector<uint32_t>{0xffffff, 0x010203, 0xffffff}));

  // A transparent palette entry expands to an alpha channel.
  indexed.transparency = {0};
  ASSERT_TRUE(load_png(dir, indexed, image));
  EXPECT_EQ(image.bits_per_pixel, 32);
  EXPECT_EQ(image.alpha, (std::vector<uint8_t>{0, 255, 0}));

  Png interlaced = rgb_png(3, 3, {});
  for (int i = 0; i < 9; ++i) {
    for (int c = 0; c < 3; ++c) interlaced.rows.push_back(static_cast<uint8_t>(i * 20 + c));
  }
  interlaced.interlaced = true;
  ASSERT_TRUE(load_png(dir, interlaced, image));
  EXPECT_EQ(image.pixels, interlaced.rows);
}

TEST(MaskPng, BackgroundIsComposedAndGammaApplied) {
  TempDir dir;
  MaskImage image;
  Png p;
  p.width = 2;
  p.height = 1;
  p.colour_type = PNG_COLOR_TYPE_RGB_ALPHA;
  p.rows = {0, 0, 0, 0, 9, 9, 9, 255};
  p.background = true;
  p.background_colour.red = 255;
  p.background_colour.green = 255;
  p.background_colour.blue = 255;
  // Fully transparent over a white background: the pixel becomes a key pixel.
  ASSERT_TRUE(load_png(dir, p, image));
  EXPECT_EQ(image.bits_per_pixel, 24);
  EXPECT_TRUE(image.alpha.empty());
  EXPECT_EQ(colours_of(image, false), (std::vector<uint32_t>{0xffffff, 0x090909}));

  Png g = rgb_png(2, 1, {255, 255, 255, 128, 128, 128});
  ASSERT_TRUE(load_png(dir, g, image));
  const uint8_t plain = image.pixels[3];
  // A linear file on a 2.2 screen brightens mid tones; white stays white.
  g.gamma = 1.0;
  ASSERT_TRUE(load_png(dir, g, image));
  EXPECT_EQ(image.pixels[0], 255);
  EXPECT_EQ(plain, 128);
  EXPECT_GT(image.pixels[3], 180);
}

TEST(MaskPng, DamagedFilesFail) {
  TempDir dir;
  MaskImage image;
  EXPECT_FALSE(media::load_png_mask(dir.file("absent.png"), image));
  EXPECT_FALSE(media::load_png_mask(dir.write("short.png", "\x89PNG"), image));
  const std::string good = mask_test_images::png_bytes(rgb_png(1, 1, {1, 2, 3}));
  EXPECT_FALSE(media::load_png_mask(dir.write("sig.png", "X" + good.substr(1)), image));
  EXPECT_FALSE(media::load_png_mask(dir.write("cut.png", good.substr(0, good.size() - 20)), image));
  EXPECT_EQ(image.width, 0);
  EXPECT_TRUE(media::load_png_mask(dir.write("good.png", good), image));
}

TEST(MaskFiles, TheExtensionChoosesTheLoader) {
  TempDir dir;
  EXPECT_EQ(media::mask_kind_for_path("C:\\m\\MASK.PNG"), media::MaskKind::kPng);
  EXPECT_EQ(media::mask_kind_for_path("mask.Bmp"), media::MaskKind::kBmp);
  EXPECT_EQ(media::mask_kind_for_path("mask.gif"), media::MaskKind::kNone);
  EXPECT_EQ(media::mask_kind_for_path("png"), media::MaskKind::kNone);
  EXPECT_EQ(media::mask_kind_for_path("dir.png/mask"), media::MaskKind::kNone);

  const std::string png = mask_test_images::png_bytes(rgb_png(1, 1, {255, 255, 255}));
  MaskImage image;
  EXPECT_TRUE(media::load_mask_image(dir.write("MASK.PNG", png), image));
  EXPECT_EQ(image.width, 1);
  // A real picture under another extension is no mask, and PNG bytes under a
  // BMP name go to the BMP reader, which refuses them.
  EXPECT_FALSE(media::load_mask_image(dir.write("mask.gif", png), image));
  testing::internal::CaptureStdout();
  EXPECT_FALSE(media::load_mask_image(dir.write("png.bmp", png), image));
  EXPECT_NE(testing::internal::GetCapturedStdout().find("not \"BM\""), std::string::npos);
}

TEST(MaskRuns, RunsCoverExactlyTheNonKeyPixels) {
  MaskImage none;
  none.width = 4;
  none.height = 3;
  none.bits_per_pixel = 24;
  none.pixels.assign(4 * 3 * 3, 0x80);
  EXPECT_EQ(media::kept_row_runs(none), (std::vector<RowRun>{{0, 0, 4}, {1, 0, 4}, {2, 0, 4}}));

  MaskImage all = none;
  all.pixels.assign(all.pixels.size(), 0xff);
  EXPECT_TRUE(media::kept_row_runs(all).empty());

  // Runs at both edges and between key pixels; a non-white key elsewhere.
  MaskImage mixed;
  mixed.width = 6;
  mixed.height = 2;
  mixed.bits_per_pixel = 32;
  const uint32_t w = 0xffffff, k = 0x000000;
  const uint32_t row_pixels[12] = {k, w, w, k, k, w, w, k, w, k, w, k};
  for (uint32_t c : row_pixels) {
    mixed.pixels.insert(mixed.pixels.end(), {uint8_t(c >> 16), uint8_t(c >> 8), uint8_t(c), 0});
  }
  EXPECT_EQ(media::kept_row_runs(mixed),
            (std::vector<RowRun>{{0, 0, 1}, {0, 3, 5}, {1, 1, 2}, {1, 3, 4}, {1, 5, 6}}));
  EXPECT_EQ(media::kept_row_runs(mixed, 0, 0, 0),
            (std::vector<RowRun>{{0, 1, 3}, {0, 5, 6}, {1, 0, 1}, {1, 2, 3}, {1, 4, 5}}));

  // Pixels shorter than the size says: nothing is walked.
  MaskImage truncated = none;
  truncated.pixels.resize(10);
  EXPECT_TRUE(media::kept_row_runs(truncated).empty());
}

}  // namespace
