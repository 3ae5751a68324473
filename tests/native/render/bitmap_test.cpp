// Bitmap tags decoded from bodies made here (zlib, libjpeg and libpng encode
// the payloads), and bitmap fills drawn with them.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

// jpeglib.h needs FILE declared first.
#include <jpeglib.h>
#include <png.h>
#include <zlib.h>
#ifdef NPFP_RENDER_GIF
#include <gif_lib.h>
#endif

#include "image_check.h"
#include "render/bitmap.h"
#include "render/shape.h"
#include "swf_bits.h"

using render::Bitmap;
using render::decode_bitmap_tag;
using render_test::SwfBits;

namespace {

std::vector<uint8_t> deflate_bytes(const std::vector<uint8_t>& raw) {
  uLongf size = compressBound(uLong(raw.size()));
  std::vector<uint8_t> out(size);
  EXPECT_EQ(Z_OK, compress(out.data(), &size, raw.data(), uLong(raw.size())));
  out.resize(size);
  return out;
}

// A w x h test picture: smooth colour ramps (JPEG keeps them well).
uint8_t channel(int x, int y, int c) {
  return uint8_t(c == 0 ? x * 255 / 15 : c == 1 ? y * 255 / 15 : 128);
}

struct JpegParts {
  std::vector<uint8_t> full, tables, abbreviated;
};

JpegParts encode_jpeg(int w, int h) {
  JpegParts parts;
  jpeg_compress_struct cinfo;
  jpeg_error_mgr err;
  cinfo.err = jpeg_std_error(&err);
  jpeg_create_compress(&cinfo);
  cinfo.image_width = JDIMENSION(w);
  cinfo.image_height = JDIMENSION(h);
  cinfo.input_components = 3;
  cinfo.in_color_space = JCS_RGB;
  jpeg_set_defaults(&cinfo);
  jpeg_set_quality(&cinfo, 95, TRUE);
  std::vector<uint8_t> rows(size_t(w) * h * 3);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      for (int c = 0; c < 3; ++c) rows[(size_t(y) * w + x) * 3 + c] = channel(x, y, c);
  auto compress_into = [&](std::vector<uint8_t>& out, bool write_all_tables, bool image) {
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&cinfo, &buffer, &size);
    if (!image) {
      jpeg_write_tables(&cinfo);
    } else {
      jpeg_start_compress(&cinfo, write_all_tables ? TRUE : FALSE);
      while (cinfo.next_scanline < cinfo.image_height) {
        JSAMPROW row = &rows[size_t(cinfo.next_scanline) * w * 3];
        jpeg_write_scanlines(&cinfo, &row, 1);
      }
      jpeg_finish_compress(&cinfo);
    }
    out.assign(buffer, buffer + size);
    free(buffer);
  };
  compress_into(parts.full, true, true);
  jpeg_suppress_tables(&cinfo, FALSE);  // mark the tables unsent so they are written again
  compress_into(parts.tables, false, false);
  jpeg_suppress_tables(&cinfo, TRUE);
  compress_into(parts.abbreviated, false, true);
  jpeg_destroy_compress(&cinfo);
  return parts;
}

std::vector<uint8_t> with_id(uint16_t id, const std::vector<uint8_t>& data) {
  // Sized once: GCC 12 at -O3 misreads growing a two-byte vector.
  std::vector<uint8_t> body(2 + data.size());
  body[0] = uint8_t(id);
  body[1] = uint8_t(id >> 8);
  std::copy(data.begin(), data.end(), body.begin() + 2);
  return body;
}

void expect_test_picture(const Bitmap& b, int tolerance) {
  ASSERT_EQ(16, b.width);
  ASSERT_EQ(16, b.height);
  int worst = 0;
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 16; ++x) {
      uint32_t p = b.at(x, y);
      worst = std::max({worst, std::abs(render_test::red_of(p) - channel(x, y, 0)),
                        std::abs(render_test::green_of(p) - channel(x, y, 1)),
                        std::abs(render_test::blue_of(p) - channel(x, y, 2))});
      ASSERT_EQ(255, render_test::alpha_of(p));
    }
  EXPECT_LE(worst, tolerance);
}

std::vector<uint8_t> encode_png_rgba(int w, int h, const std::vector<uint8_t>& rgba) {
  std::vector<uint8_t> out;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  png_set_write_fn(
      png, &out,
      [](png_structp p, png_bytep data, png_size_t n) {
        auto* v = static_cast<std::vector<uint8_t>*>(png_get_io_ptr(p));
        v->insert(v->end(), data, data + n);
      },
      nullptr);
  png_set_IHDR(png, info, png_uint_32(w), png_uint_32(h), 8, PNG_COLOR_TYPE_RGB_ALPHA,
               PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  for (int y = 0; y < h; ++y) png_write_row(png, const_cast<png_bytep>(&rgba[size_t(y) * w * 4]));
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return out;
}

}  // namespace

TEST(RenderBitmap, LosslessFormatsPaletteRowPaddingAnd15Bit) {
  uint16_t id;
  Bitmap b;
  // Format 3, width 3 (rows padded to 4), two colours.
  std::vector<uint8_t> raw = {255, 0, 0, 0, 0, 255, 0, 1, 0, 0, 1, 1, 0, 0};
  SwfBits s;
  s.u16(7);
  s.u8(3);
  s.u16(3);
  s.u16(2);
  s.u8(1);
  s.bytes(deflate_bytes(raw));
  ASSERT_TRUE(decode_bitmap_tag(20, s.data().data(), s.size(), {}, 8, id, b));
  EXPECT_EQ(7, id);
  EXPECT_EQ(0xFFFF0000u, b.at(0, 0));
  EXPECT_EQ(0xFF0000FFu, b.at(1, 0));
  EXPECT_EQ(0xFFFF0000u, b.at(2, 0));
  EXPECT_EQ(0xFF0000FFu, b.at(0, 1));
  EXPECT_EQ(0xFFFF0000u, b.at(2, 1));

  // Format 4: 0x7C00 is pure red, 0x03E0 green (big-endian words), width 1 -> stride 4.
  SwfBits f4;
  f4.u16(8);
  f4.u8(4);
  f4.u16(1);
  f4.u16(2);
  f4.bytes(deflate_bytes({0x7C, 0x00, 0, 0, 0x03, 0xE0, 0, 0}));
  ASSERT_TRUE(decode_bitmap_tag(20, f4.data().data(), f4.size(), {}, 8, id, b));
  EXPECT_EQ(0xFFFF0000u, b.at(0, 0));
  EXPECT_EQ(0xFF00FF00u, b.at(0, 1));
}

TEST(RenderBitmap, Lossless2KeepsPremultipliedAlphaAndRejectsShortData) {
  uint16_t id;
  Bitmap b;
  SwfBits s;
  s.u16(9);
  s.u8(5);
  s.u16(2);
  s.u16(1);
  // ARGB: half-transparent premultiplied red; a damaged pixel with colour above alpha.
  s.bytes(deflate_bytes({128, 128, 0, 0, 100, 200, 50, 0}));
  ASSERT_TRUE(decode_bitmap_tag(36, s.data().data(), s.size(), {}, 8, id, b));
  EXPECT_EQ(0x80800000u, b.at(0, 0));
  EXPECT_EQ(0x64643200u, b.at(1, 0)) << "colour clamped to alpha";

  // Format 5 in DefineBitsLossless: reserved byte, then RGB.
  SwfBits opaque;
  opaque.u16(10);
  opaque.u8(5);
  opaque.u16(1);
  opaque.u16(1);
  opaque.bytes(deflate_bytes({0, 10, 20, 30}));
  ASSERT_TRUE(decode_bitmap_tag(20, opaque.data().data(), opaque.size(), {}, 8, id, b));
  EXPECT_EQ(0xFF0A141Eu, b.at(0, 0));

  // Absurd dimensions with 4 bytes of data are refused, not allocated.
  SwfBits absurd;
  absurd.u16(11);
  absurd.u8(5);
  absurd.u16(60000);
  absurd.u16(60000);
  absurd.bytes(deflate_bytes({1, 2, 3, 4}));
  EXPECT_FALSE(decode_bitmap_tag(36, absurd.data().data(), absurd.size(), {}, 8, id, b));
  EXPECT_TRUE(b.empty());
  SwfBits short_data;
  short_data.u16(12);
  short_data.u8(5);
  short_data.u16(4);
  short_data.u16(4);
  short_data.bytes(deflate_bytes({1, 2, 3, 4}));
  EXPECT_FALSE(decode_bitmap_tag(36, short_data.data().data(), short_data.size(), {}, 8, id, b));
}

TEST(RenderBitmap, JpegStreamsInEveryTagForm) {
  JpegParts jpeg = encode_jpeg(16, 16);
  uint16_t id;
  Bitmap b;
  ASSERT_TRUE(
      decode_bitmap_tag(21, with_id(3, jpeg.full).data(), jpeg.full.size() + 2, {}, 6, id, b));
  EXPECT_EQ(3, id);
  expect_test_picture(b, 10);

  // The "erroneous header": EOI + SOI in front of the real SOI.
  std::vector<uint8_t> erroneous = {0xFF, 0xD9, 0xFF, 0xD8};
  erroneous.insert(erroneous.end(), jpeg.full.begin(), jpeg.full.end());
  auto body = with_id(4, erroneous);
  ASSERT_TRUE(decode_bitmap_tag(21, body.data(), body.size(), {}, 6, id, b));
  expect_test_picture(b, 10);

  // A tables block followed by an image block in one DefineBitsJPEG2.
  std::vector<uint8_t> two_blocks = jpeg.tables;
  two_blocks.insert(two_blocks.end(), jpeg.abbreviated.begin(), jpeg.abbreviated.end());
  body = with_id(5, two_blocks);
  ASSERT_TRUE(decode_bitmap_tag(21, body.data(), body.size(), {}, 6, id, b));
  expect_test_picture(b, 10);

  // DefineBits takes its tables from the JPEGTables tag.
  body = with_id(6, jpeg.abbreviated);
  ASSERT_TRUE(decode_bitmap_tag(6, body.data(), body.size(), jpeg.tables, 6, id, b));
  expect_test_picture(b, 10);
  EXPECT_FALSE(decode_bitmap_tag(6, body.data(), body.size(), {}, 6, id, b))
      << "no tables: the abbreviated image cannot decode";
  EXPECT_TRUE(b.empty());

  // Damaged JPEG data fails cleanly at every length.
  for (size_t cut = 0; cut < jpeg.full.size(); cut += 7) {
    std::vector<uint8_t> part(jpeg.full.begin(), jpeg.full.begin() + cut);
    auto damaged = with_id(7, part);
    Bitmap any;
    decode_bitmap_tag(21, damaged.data(), damaged.size(), {}, 6, id, any);
    EXPECT_TRUE(any.empty() || (any.width == 16 && any.pixels.size() == 256u));
  }
}

TEST(RenderBitmap, Jpeg3AlphaPlaneAndPngPayloads) {
  JpegParts jpeg = encode_jpeg(16, 16);
  // Alpha 200 everywhere but a transparent first pixel.
  std::vector<uint8_t> alpha(256, 200);
  alpha[0] = 0;
  SwfBits s;
  s.u16(8);
  s.u32(uint32_t(jpeg.full.size()));
  s.bytes(jpeg.full);
  s.bytes(deflate_bytes(alpha));
  uint16_t id;
  Bitmap b;
  ASSERT_TRUE(decode_bitmap_tag(35, s.data().data(), s.size(), {}, 6, id, b));
  ASSERT_EQ(16, b.width);
  EXPECT_EQ(0u, b.at(0, 0));
  // The JPEG colours count as already premultiplied: (51, 51, 128) stays, and
  // colours above the alpha are held at it.
  uint32_t p = b.at(3, 3);
  EXPECT_EQ(200, render_test::alpha_of(p));
  EXPECT_NEAR(51, render_test::red_of(p), 8);
  EXPECT_NEAR(128, render_test::blue_of(p), 8);
  EXPECT_EQ(0xC8C8C8u, b.at(15, 15) >> 8) << std::hex << b.at(15, 15);

  // PNG payloads (SWF 8) in DefineBitsJPEG2 and DefineBitsJPEG3.
  std::vector<uint8_t> rgba = {255, 0, 0, 255, 0, 0, 255, 128};
  std::vector<uint8_t> png = encode_png_rgba(2, 1, rgba);
  auto body = with_id(9, png);
  ASSERT_TRUE(decode_bitmap_tag(21, body.data(), body.size(), {}, 8, id, b));
  EXPECT_EQ(0xFFFF0000u, b.at(0, 0));
  EXPECT_EQ(0x80000080u, b.at(1, 0));
  SwfBits j3;
  j3.u16(10);
  j3.u32(uint32_t(png.size()));
  j3.bytes(png);
  ASSERT_TRUE(decode_bitmap_tag(35, j3.data().data(), j3.size(), {}, 8, id, b));
  EXPECT_EQ(0x80000080u, b.at(1, 0));

  // A damaged GIF fails cleanly.
  std::vector<uint8_t> gif = {'G', 'I', 'F', '8', '9', 'a', 1, 0, 1, 0, 0, 0, 0};
  body = with_id(11, gif);
  EXPECT_FALSE(decode_bitmap_tag(21, body.data(), body.size(), {}, 8, id, b));
  EXPECT_TRUE(b.empty());
}

#ifdef NPFP_RENDER_GIF
namespace {

// A 5 x 3 GIF: colour i at (x, y) is (x + y) % 3; index 2 transparent.
std::vector<uint8_t> encode_gif(bool interlaced) {
  std::vector<uint8_t> out;
  int error = 0;
  GifFileType* gif = EGifOpen(
      &out,
      [](GifFileType* g, const GifByteType* data, int n) {
        auto* v = static_cast<std::vector<uint8_t>*>(g->UserData);
        v->insert(v->end(), data, data + n);
        return n;
      },
      &error);
  GifColorType colors[4] = {{255, 0, 0}, {0, 0, 255}, {0, 255, 0}, {0, 0, 0}};
  ColorMapObject* map = GifMakeMapObject(4, colors);
  EGifSetGifVersion(gif, true);
  EGifPutScreenDesc(gif, 5, 3, 2, 0, map);
  GifByteType control[4] = {0x01, 0, 0, 2};  // transparent index 2
  EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, 4, control);
  EGifPutImageDesc(gif, 0, 0, 5, 3, interlaced, nullptr);
  // Interlaced rows are written pass by pass: 0, then 2 (pass 3), then 1.
  std::vector<int> order = interlaced ? std::vector<int>{0, 2, 1} : std::vector<int>{0, 1, 2};
  for (int y : order) {
    GifPixelType row[5];
    for (int x = 0; x < 5; ++x) row[x] = GifPixelType((x + y) % 3);
    EGifPutLine(gif, row, 5);
  }
  EGifCloseFile(gif, &error);
  GifFreeMapObject(map);
  return out;
}

}  // namespace

TEST(RenderBitmap, GifPayloadsDecodeTheirFirstImageWithTransparency) {
  for (bool interlaced : {false, true}) {
    auto body = with_id(12, encode_gif(interlaced));
    uint16_t id;
    Bitmap b;
    ASSERT_TRUE(decode_bitmap_tag(21, body.data(), body.size(), {}, 8, id, b)) << interlaced;
    ASSERT_EQ(5, b.width);
    ASSERT_EQ(3, b.height);
    const uint32_t expected[3] = {0xFFFF0000u, 0xFF0000FFu, 0u};
    for (int y = 0; y < 3; ++y)
      for (int x = 0; x < 5; ++x) EXPECT_EQ(expected[(x + y) % 3], b.at(x, y)) << x << "," << y;
    std::vector<uint8_t> gif = encode_gif(interlaced);
    for (size_t cut = 0; cut < gif.size(); ++cut) {
      Bitmap part;
      render::decode_image(gif.data(), cut, part);
      EXPECT_TRUE(part.empty() || part.pixels.size() == 15u);
    }
  }
}
#endif

TEST(RenderBitmap, BitmapFillsClipRepeatAndSkipMissingBitmaps) {
  // A 2 x 2 bitmap: red, green / blue, white.
  Bitmap image;
  image.width = image.height = 2;
  image.pixels = {0xFFFF0000u, 0xFF00FF00u, 0xFF0000FFu, 0xFFFFFFFFu};
  auto shape_with = [](uint8_t type, uint16_t bitmap_id) {
    SwfBits s;
    s.u16(1);
    s.rect(0, 160, 0, 160);
    s.u8(1);
    s.u8(type);
    s.u16(bitmap_id);
    s.matrix(20, 0, 0, 20, 40, 40);  // 1:1, bitmap origin at (2, 2) px
    s.u8(0);
    s.ub(1, 4);
    s.ub(0, 4);
    s.style_change(true, 0, 0, 1, -1, -1, 1, 0);
    s.line_to(160, 0);
    s.line_to(0, 160);
    s.line_to(-160, 0);
    s.line_to(0, -160);
    s.end_shape();
    return s.data();
  };
  render::BitmapLookup lookup = [&](uint16_t id) { return id == 42 ? &image : nullptr; };
  auto draw = [&](uint8_t type, uint16_t id) {
    auto body = shape_with(type, id);
    render::ShapeDefinition shape;
    EXPECT_TRUE(shape.parse(2, body.data(), body.size()));
    render::Canvas canvas(8, 8);
    shape.draw(render::DrawTarget::whole(canvas), render::Matrix::scaling(0.05, 0.05),
               render::ColorTransform(), lookup);
    return canvas;
  };
  render::Canvas clipped = draw(0x43, 42);
  EXPECT_EQ(0xFFFF0000u, clipped.pixel(2, 2));
  EXPECT_EQ(0xFF00FF00u, clipped.pixel(3, 2));
  EXPECT_EQ(0xFF0000FFu, clipped.pixel(2, 3));
  EXPECT_EQ(0xFFFFFFFFu, clipped.pixel(7, 7)) << "edge pixels repeat";
  EXPECT_EQ(0xFFFF0000u, clipped.pixel(0, 0));
  render::Canvas tiled = draw(0x42, 42);
  EXPECT_EQ(0xFFFF0000u, tiled.pixel(4, 4));
  EXPECT_EQ(0xFF00FF00u, tiled.pixel(5, 6));
  EXPECT_EQ(0xFFFFFFFFu, tiled.pixel(1, 1));
  render::Canvas smooth = draw(0x41, 42);  // 1:1 at pixel centres: no blur
  EXPECT_EQ(0xFF00FF00u, smooth.pixel(3, 2));
  render::Canvas missing = draw(0x41, 7);
  EXPECT_EQ(0u, missing.pixel(4, 4));

  // A colour transform adding alpha leaves fully transparent bitmap pixels empty.
  image.pixels[0] = 0;
  auto body = shape_with(0x43, 42);
  render::ShapeDefinition shape;
  ASSERT_TRUE(shape.parse(2, body.data(), body.size()));
  render::Canvas canvas(8, 8);
  render::ColorTransform add_alpha;
  add_alpha.add_a = 80;
  shape.draw(render::DrawTarget::whole(canvas), render::Matrix::scaling(0.05, 0.05), add_alpha,
             lookup);
  EXPECT_EQ(0u, canvas.pixel(2, 2));
  EXPECT_EQ(0xFF00FF00u, canvas.pixel(3, 2));

  // A fade (alpha multiplier only) scales the premultiplied pixels.
  render::Canvas faded(8, 8);
  render::ColorTransform half;
  half.mult_a = 128;
  shape.draw(render::DrawTarget::whole(faded), render::Matrix::scaling(0.05, 0.05), half, lookup);
  EXPECT_EQ(0x7F007F00u, faded.pixel(3, 2));  // (255 * 128) >> 8 = 127
  EXPECT_EQ(0x7F00007Fu, faded.pixel(2, 3));
}
