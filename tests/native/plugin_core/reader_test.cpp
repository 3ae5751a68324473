// The bounded reader: every read stays inside its range, and damage shows
// as failed() with zeros instead of reads beyond the data.
#include <gtest/gtest.h>

#include "core/byte_reader.h"
#include "swfwriter/swf_writer.h"

namespace {

using npfp::ByteReader;

TEST(PluginCoreReader, ReadsLittleEndianIntegersAndStrings) {
  const uint8_t data[] = {0x34, 0x12, 0x78, 0x56, 0x34, 0x12, 'a', 'b', 0, 0xFE, 0xFF};
  ByteReader in(data, sizeof data);
  EXPECT_EQ(in.u16(), 0x1234);
  EXPECT_EQ(in.u32(), 0x12345678u);
  EXPECT_EQ(in.string(), "ab");
  EXPECT_EQ(in.s16(), -2);
  EXPECT_TRUE(in.at_end());
  EXPECT_FALSE(in.failed());
}

TEST(PluginCoreReader, ReadingPastTheEndFailsWithZeros) {
  const uint8_t data[] = {0x01, 0x02, 0x03};
  ByteReader in(data, sizeof data);
  EXPECT_EQ(in.u16(), 0x0201);
  EXPECT_EQ(in.u32(), 0u);  // only one byte left
  EXPECT_TRUE(in.failed());
  EXPECT_EQ(in.u8(), 0);
  EXPECT_EQ(in.remaining(), 0u);

  ByteReader unterminated(data, sizeof data);
  EXPECT_EQ(unterminated.string(), std::string("\x01\x02\x03"));
  EXPECT_TRUE(unterminated.failed());

  ByteReader empty(nullptr, 10);
  EXPECT_EQ(empty.size(), 0u);
  EXPECT_EQ(empty.string(), "");
  EXPECT_TRUE(empty.failed());
}

TEST(PluginCoreReader, SubReaderIsBoundedByItsLength) {
  const uint8_t data[] = {1, 2, 3, 4, 5, 6};
  ByteReader in(data, sizeof data);
  in.u8();
  ByteReader part = in.sub(2);
  EXPECT_EQ(part.u8(), 2);
  EXPECT_EQ(part.u8(), 3);
  EXPECT_EQ(part.u8(), 0);
  EXPECT_TRUE(part.failed());
  EXPECT_FALSE(in.failed());
  EXPECT_EQ(in.u8(), 4);

  ByteReader too_long = in.sub(10);  // only 2 bytes remain
  EXPECT_EQ(too_long.size(), 2u);
  EXPECT_TRUE(in.failed());
  EXPECT_EQ(too_long.u16(), 0x0605);
}

TEST(PluginCoreReader, BitFieldsAreMostSignificantFirstAndSignExtended) {
  swfwriter::BitWriter w;
  w.ub(5, 3);
  w.sb(-3, 4);
  w.sb(3, 4);
  w.ub(0x1FFFF, 17);
  w.u8(0xAB);  // aligns first
  const swfwriter::Bytes& b = w.data();
  ByteReader in(b.data(), b.size());
  EXPECT_EQ(in.ub(3), 5u);
  EXPECT_EQ(in.sb(4), -3);
  EXPECT_EQ(in.sb(4), 3);
  EXPECT_EQ(in.ub(17), 0x1FFFFu);
  EXPECT_EQ(in.u8(), 0xAB);
  EXPECT_EQ(in.sb(0), 0);
  EXPECT_FALSE(in.failed());
  EXPECT_EQ(in.ub(1), 0u);
  EXPECT_TRUE(in.failed());
}

TEST(PluginCoreReader, RecordsRoundTripThroughTheWriter) {
  swfwriter::BitWriter w;
  swfwriter::write_rect(w, -100, 12800, 0, 9600);
  swfwriter::Matrix m = swfwriter::Matrix::scaling(1.5, -0.25, 400, -20);
  m.rotate_skew0 = 0.5;
  m.rotate_skew1 = -0.75;
  swfwriter::write_matrix(w, m);
  swfwriter::ColorTransform cx;
  cx.has_mult = true;
  cx.has_add = true;
  cx.mult[0] = 128;
  cx.mult[3] = -256;
  cx.add[1] = 255;
  cx.add[3] = -10;
  swfwriter::write_color_transform(w, cx, true);
  w.u8(0x5A);
  const swfwriter::Bytes& b = w.data();

  ByteReader in(b.data(), b.size());
  render::Rect r = in.rect();
  EXPECT_EQ(r.x_min, -100);
  EXPECT_EQ(r.x_max, 12800);
  EXPECT_EQ(r.y_max, 9600);
  render::Matrix rm = in.matrix();
  EXPECT_DOUBLE_EQ(rm.a, 1.5);
  EXPECT_DOUBLE_EQ(rm.d, -0.25);
  EXPECT_DOUBLE_EQ(rm.b, 0.5);
  EXPECT_DOUBLE_EQ(rm.c, -0.75);
  EXPECT_EQ(rm.tx, 400);
  EXPECT_EQ(rm.ty, -20);
  render::ColorTransform rc = in.color_transform(true);
  EXPECT_EQ(rc.mult_r, 128);
  EXPECT_EQ(rc.mult_g, 256);
  EXPECT_EQ(rc.mult_a, -256);
  EXPECT_EQ(rc.add_g, 255);
  EXPECT_EQ(rc.add_a, -10);
  EXPECT_EQ(in.u8(), 0x5A);
  EXPECT_FALSE(in.failed());

  // The same records cut short fail instead of reading on.
  ByteReader cut(b.data(), 3);
  cut.rect();
  EXPECT_TRUE(cut.failed());
}

}  // namespace
