// Fonts: glyph outlines, code tables, layout and kerning; glyphs drawn in colour.
#include "render/font.h"

#include <gtest/gtest.h>

#include "image_check.h"
#include "swf_bits.h"

using render::Canvas;
using render::ColorTransform;
using render::DrawTarget;
using render::FontDefinition;
using render::Matrix;
using render_test::SwfBits;

namespace {

// A glyph SHAPE: a square from (0, -size) to (size, 0) in EM units.
std::vector<uint8_t> square_glyph(int size) {
  SwfBits s;
  s.ub(1, 4);
  s.ub(0, 4);
  s.style_change(true, 0, -size, 1, -1, -1, 1, 0);
  s.line_to(size, 0);
  s.line_to(0, size);
  s.line_to(-size, 0);
  s.line_to(0, -size);
  s.end_shape();
  return s.data();
}

// DefineFont2 (or 3): glyph 0 'A' a full square, glyph 1 'B' a half square.
std::vector<uint8_t> font2_body(bool font3, int em) {
  std::vector<std::vector<uint8_t>> glyphs = {square_glyph(em), square_glyph(em / 2)};
  SwfBits s;
  s.u16(21);
  s.u8(0x80 | 0x04 | 0x01);  // layout, wide codes, bold
  s.u8(0);
  s.u8(4);
  for (char c : std::string("Test")) s.u8(uint8_t(c));
  s.u16(2);
  uint16_t offset = 2 * 2 + 2;
  s.u16(offset);
  s.u16(uint16_t(offset + glyphs[0].size()));
  s.u16(uint16_t(offset + glyphs[0].size() + glyphs[1].size()));
  s.bytes(glyphs[0]);
  s.bytes(glyphs[1]);
  s.u16('A');
  s.u16('B');
  s.u16(uint16_t(em * 0.8));  // ascent
  s.u16(uint16_t(em * 0.2));  // descent
  s.u16(0);
  s.u16(uint16_t(em + em / 10));
  s.u16(uint16_t(em / 2 + em / 10));
  s.rect(0, em, -em, 0);
  s.rect(0, em / 2, -em / 2, 0);
  s.u16(1);
  s.u16('A');
  s.u16('B');
  s.u16(uint16_t(int16_t(-em / 20)));
  (void)font3;
  return s.data();
}

}  // namespace

TEST(RenderFont, DefineFont2LayoutCodesAndKerning) {
  auto body = font2_body(false, 1024);
  FontDefinition font;
  ASSERT_TRUE(font.parse(FontDefinition::kDefineFont2, body.data(), body.size()));
  EXPECT_EQ(21, font.id());
  EXPECT_EQ("Test", font.name());
  EXPECT_TRUE(font.bold());
  EXPECT_FALSE(font.italic());
  EXPECT_EQ(1024, font.em_square());
  ASSERT_EQ(2u, font.glyph_count());
  EXPECT_EQ(0, font.glyph_for_code('A'));
  EXPECT_EQ(1, font.glyph_for_code('B'));
  EXPECT_EQ(-1, font.glyph_for_code('C'));
  EXPECT_EQ(1126, font.advance(0));
  EXPECT_EQ(819, font.ascent());
  EXPECT_EQ(-51, font.kerning('A', 'B'));
  EXPECT_EQ(0, font.kerning('B', 'A'));
  render::Rect b = font.glyph_bounds(1);
  EXPECT_EQ(512, b.x_max);
  EXPECT_EQ(-512, b.y_min);
}

TEST(RenderFont, GlyphsFillWithTheTextColourUnderTheTransform) {
  auto body = font2_body(true, 20480);
  FontDefinition font;
  ASSERT_TRUE(font.parse(FontDefinition::kDefineFont3, body.data(), body.size()));
  EXPECT_EQ(20480, font.em_square());
  // Text 200 twips (10 px) high with its baseline at (2, 12) px.
  Matrix to_device = Matrix::scaling(0.05, 0.05) * Matrix::translation(40, 240) *
                     Matrix::scaling(200.0 / 20480, 200.0 / 20480);
  Canvas canvas(16, 16);
  canvas.clear(0xFFFFFFFFu);
  ColorTransform cx;
  cx.mult_g = 128;
  font.draw_glyph(0, DrawTarget::whole(canvas), to_device, {0, 200, 0, 255}, cx);
  EXPECT_EQ(render::pack_argb(255, 0, 100, 0), canvas.pixel(6, 6));
  EXPECT_EQ(0xFFFFFFFFu, canvas.pixel(6, 13)) << "below the baseline";
  EXPECT_EQ(0xFFFFFFFFu, canvas.pixel(1, 6)) << "left of the pen";
  EXPECT_EQ(0xFFFFFFFFu, canvas.pixel(12, 6)) << "beyond 10 px";
  EXPECT_TRUE(font.glyph_hit(0, {10000, -10000}));
  EXPECT_FALSE(font.glyph_hit(1, {15000, -5000}));
  font.draw_glyph(5, DrawTarget::whole(canvas), to_device, {0, 0, 0, 255}, cx);  // no such glyph
}

TEST(RenderFont, DefineFontWithFontInfoCodes) {
  auto glyph = square_glyph(1024);
  SwfBits s;
  s.u16(30);
  s.u16(4);  // two offsets: two glyphs
  s.u16(uint16_t(4 + glyph.size()));
  s.bytes(glyph);
  s.bytes(glyph);
  FontDefinition font;
  ASSERT_TRUE(font.parse(FontDefinition::kDefineFont, s.data().data(), s.size()));
  ASSERT_EQ(2u, font.glyph_count());
  EXPECT_EQ(0, font.advance(0));
  SwfBits info;
  info.u16(30);
  info.u8(5);
  for (char c : std::string("Arial")) info.u8(uint8_t(c));
  info.u8(0x04);  // italic, narrow codes
  info.u8('x');
  info.u8('y');
  ASSERT_TRUE(font.parse_info(FontDefinition::kDefineFontInfo, info.data().data(), info.size()));
  EXPECT_EQ("Arial", font.name());
  EXPECT_TRUE(font.italic());
  EXPECT_EQ(1, font.glyph_for_code('y'));
  info.data();
  SwfBits other;
  other.u16(31);  // another font's info
  other.u8(0);
  other.u8(0);
  EXPECT_FALSE(font.parse_info(FontDefinition::kDefineFontInfo, other.data().data(), other.size()));
}

TEST(RenderFont, DamagedFontBodiesAreBounded) {
  auto body = font2_body(false, 1024);
  for (size_t cut = 0; cut < body.size(); ++cut) {
    std::vector<uint8_t> part(body.begin(), body.begin() + cut);
    FontDefinition font;
    font.parse(FontDefinition::kDefineFont2, part.data(), part.size());
    Canvas canvas(4, 4);
    for (size_t g = 0; g < font.glyph_count(); ++g)
      font.draw_glyph(g, DrawTarget::whole(canvas), Matrix(), {0, 0, 0, 255}, ColorTransform());
    EXPECT_LE(font.glyph_count(), 2u);
  }
  // Offsets that point outside the tag give empty glyphs, not reads past it.
  SwfBits bad;
  bad.u16(1);
  bad.u16(4);
  bad.u16(60000);
  FontDefinition font;
  font.parse(FontDefinition::kDefineFont, bad.data().data(), bad.size());
  EXPECT_EQ(2u, font.glyph_count());
  EXPECT_TRUE(font.glyph_bounds(1).empty());
}
