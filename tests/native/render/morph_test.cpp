// Morph shapes: positions, colours and widths interpolated by ratio.
#include "render/morph.h"

#include <gtest/gtest.h>

#include "image_check.h"
#include "swf_bits.h"

using render::Canvas;
using render::ColorTransform;
using render::DrawTarget;
using render::Matrix;
using render::MorphShapeDefinition;
using render_test::SwfBits;

namespace {

// Start: red square 0..5 px; end: blue square 10..15 px (x), same y 0..5 px.
// The end's top edge is a curve, the start's a straight line.
std::vector<uint8_t> morph_body(bool with_line, size_t* end_edges_size = nullptr) {
  SwfBits edges_start, edges_end;
  edges_start.ub(1, 4);
  edges_start.ub(with_line ? 1 : 0, 4);
  edges_start.style_change(true, 0, 0, 1, -1, with_line ? 1 : -1, 1, with_line ? 1 : 0);
  edges_start.line_to(100, 0);
  edges_start.line_to(0, 100);
  edges_start.line_to(-100, 0);
  edges_start.line_to(0, -100);
  edges_start.end_shape();
  edges_end.ub(0, 4);
  edges_end.ub(0, 4);
  edges_end.style_change(true, 200, 0, -1, -1, -1, 0, 0);
  edges_end.curve_to(50, 0, 50, 0);
  edges_end.line_to(0, 100);
  edges_end.line_to(-100, 0);
  edges_end.line_to(0, -100);
  edges_end.end_shape();

  SwfBits styles;
  styles.u8(1);
  styles.u8(0);
  styles.rgba(255, 0, 0, 255);
  styles.rgba(0, 0, 255, 255);
  if (with_line) {
    styles.u8(1);
    styles.u16(20);
    styles.u16(100);
    styles.rgba(0, 0, 0, 255);
    styles.rgba(0, 0, 0, 255);
  } else {
    styles.u8(0);
  }
  SwfBits s;
  s.u16(12);
  s.rect(0, 100, 0, 100);
  s.rect(200, 300, 0, 100);
  s.u32(uint32_t(styles.size() + edges_start.size()));
  s.bytes(styles.data());
  s.bytes(edges_start.data());
  s.bytes(edges_end.data());
  if (end_edges_size) *end_edges_size = edges_end.size();
  return s.data();
}

Canvas draw_at(const MorphShapeDefinition& morph, uint16_t ratio) {
  Canvas canvas(20, 8);
  canvas.clear(0xFFFFFFFFu);
  morph.draw(DrawTarget::whole(canvas), Matrix::scaling(0.05, 0.05), ColorTransform(), ratio,
             nullptr);
  return canvas;
}

}  // namespace

TEST(RenderMorph, ShapeMovesAndChangesColourWithTheRatio) {
  auto body = morph_body(false);
  MorphShapeDefinition morph;
  ASSERT_TRUE(morph.parse(MorphShapeDefinition::kDefineMorphShape, body.data(), body.size()));
  EXPECT_EQ(12, morph.id());
  Canvas start = draw_at(morph, 0);
  EXPECT_EQ(0xFFFF0000u, start.pixel(2, 2));
  EXPECT_EQ(0xFFFFFFFFu, start.pixel(12, 2));
  Canvas end = draw_at(morph, 65535);
  EXPECT_EQ(0xFFFFFFFFu, end.pixel(2, 2));
  EXPECT_EQ(0xFF0000FFu, end.pixel(12, 2));
  Canvas half = draw_at(morph, 32768);
  EXPECT_EQ(0xFFFFFFFFu, half.pixel(2, 2));
  uint32_t mid = half.pixel(7, 2);  // the square spans 5..10 px at half way
  EXPECT_NEAR(128, render_test::red_of(mid), 2);
  EXPECT_NEAR(127, render_test::blue_of(mid), 2);
  EXPECT_EQ(0, render_test::green_of(mid));
  render::Rect b = morph.bounds_at(32768);
  EXPECT_NEAR(100, b.x_min, 1);
  EXPECT_NEAR(200, b.x_max, 1);
  EXPECT_TRUE(morph.hit_test(32768, {150, 50}));
  EXPECT_FALSE(morph.hit_test(32768, {50, 50}));
}

TEST(RenderMorph, LineWidthsInterpolateAndStraightEdgesPairWithCurves) {
  auto body = morph_body(true);
  MorphShapeDefinition morph;
  ASSERT_TRUE(morph.parse(MorphShapeDefinition::kDefineMorphShape, body.data(), body.size()));
  const auto& start = morph.geometry_at(0);
  ASSERT_EQ(1u, start.groups.size());
  EXPECT_EQ(20, start.groups[0].lines[0].width);
  EXPECT_TRUE(start.groups[0].edges[0].curved) << "paired with a curve";
  EXPECT_DOUBLE_EQ(50, start.groups[0].edges[0].control.x) << "control at the midpoint";
  EXPECT_EQ(60, morph.geometry_at(32768).groups[0].lines[0].width);
  EXPECT_EQ(100, morph.geometry_at(65535).groups[0].lines[0].width);
}

TEST(RenderMorph, TruncatedBodiesFailWithoutReadingPastTheEnd) {
  size_t end_size = 0;
  auto body = morph_body(true, &end_size);
  const size_t end_edges = body.size() - end_size;
  for (size_t cut = 0; cut + 1 < body.size(); ++cut) {
    std::vector<uint8_t> part(body.begin(), body.begin() + cut);
    MorphShapeDefinition morph;
    bool ok = morph.parse(MorphShapeDefinition::kDefineMorphShape, part.data(), part.size());
    draw_at(morph, 1000);
    // The end edges come last: a body cut before them is refused; one cut
    // inside them keeps the start shape (unpaired edges stay in place).
    if (cut < end_edges) {
      EXPECT_FALSE(ok) << cut;
    } else {
      EXPECT_TRUE(ok) << cut;
    }
  }
}
