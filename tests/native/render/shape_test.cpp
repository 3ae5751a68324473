// Shapes parsed from DefineShape bodies made here, drawn and compared with
// pictures computed independently (point sampling of the intended regions).
#include "render/shape.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>

#include "image_check.h"
#include "swf_bits.h"

using render::Canvas;
using render::ColorTransform;
using render::DrawTarget;
using render::Matrix;
using render::ShapeDefinition;
using render_test::count_mismatches;
using render_test::SwfBits;

namespace {

// Fraction of pixel (x, y) inside a region, by 16 x 16 point samples.
double sampled_coverage(int x, int y, const std::function<bool(double, double)>& inside) {
  int hits = 0;
  for (int j = 0; j < 16; ++j)
    for (int i = 0; i < 16; ++i)
      if (inside(x + (i + 0.5) / 16, y + (j + 0.5) / 16)) ++hits;
  return hits / 256.0;
}

uint32_t over_white(uint32_t rgb, double coverage) {
  auto ch = [&](int shift) {
    double c = ((rgb >> shift) & 0xFF) * coverage + 255 * (1 - coverage);
    return uint32_t(std::lround(c));
  };
  return 0xFF000000u | (ch(16) << 16) | (ch(8) << 8) | ch(0);
}

// A DefineShape (version 1) body: one solid fill, an axis-aligned rectangle in twips.
std::vector<uint8_t> rectangle_shape(int x0, int y0, int x1, int y1, uint8_t r, uint8_t g,
                                     uint8_t b) {
  SwfBits s;
  s.u16(1);
  s.rect(x0, x1, y0, y1);
  s.u8(1);  // fills
  s.u8(0x00);
  s.rgb(r, g, b);
  s.u8(0);  // lines
  s.ub(1, 4);
  s.ub(0, 4);
  s.style_change(true, x0, y0, -1, 1, -1, 1, 0);
  s.line_to(x1 - x0, 0);
  s.line_to(0, y1 - y0);
  s.line_to(x0 - x1, 0);
  s.line_to(0, y0 - y1);
  s.end_shape();
  return s.data();
}

Canvas white_canvas(int w, int h) {
  Canvas c(w, h);
  c.clear(0xFFFFFFFFu);
  return c;
}

const Matrix kTwipsToPixels = Matrix::scaling(1 / 20.0, 1 / 20.0);

}  // namespace

TEST(RenderShape, SolidRectangleWithFractionalEdgesMatchesAreaCoverage) {
  // 2.25 .. 13.5 pixels wide, 3.6 .. 9.1 high.
  auto body = rectangle_shape(45, 72, 270, 182, 200, 0, 0);
  ShapeDefinition shape;
  ASSERT_TRUE(shape.parse(ShapeDefinition::kDefineShape, body.data(), body.size()));
  EXPECT_EQ(1, shape.id());
  EXPECT_EQ(45, shape.bounds().x_min);
  EXPECT_EQ(182, shape.bounds().y_max);
  Canvas canvas = white_canvas(16, 12);
  shape.draw(DrawTarget::whole(canvas), kTwipsToPixels, ColorTransform(), nullptr);
  auto overlap = [](double a0, double a1, double b0, double b1) {
    return std::max(0.0, std::min(a1, b1) - std::max(a0, b0));
  };
  EXPECT_EQ(0, count_mismatches(
                   canvas,
                   [&](int x, int y) {
                     double cov = overlap(x, x + 1, 2.25, 13.5) * overlap(y, y + 1, 3.6, 9.1);
                     return over_white(0xC80000, cov);
                   },
                   2, "solid-rectangle"));
}

TEST(RenderShape, CurvedShapeMatchesSampledCircle) {
  // A circle of radius 8 pixels at (10, 10) from eight quadratic arcs.
  SwfBits s;
  s.u16(7);
  s.rect(0, 400, 0, 400);
  s.u8(1);
  s.u8(0x00);
  s.rgb(0, 0, 255);
  s.u8(0);
  s.ub(1, 4);
  s.ub(0, 4);
  const double r = 160, cx = 200, cy = 200, pi = 3.14159265358979;
  int px = int(cx + r), py = int(cy);
  s.style_change(true, px, py, 1, -1, -1, 1, 0);
  for (int i = 1; i <= 8; ++i) {
    double a0 = (i - 1) * pi / 4, a1 = i * pi / 4, am = (a0 + a1) / 2;
    double k = r / std::cos(pi / 8);
    int cx_ = int(std::lround(cx + k * std::cos(am))),
        cy_ = int(std::lround(cy + k * std::sin(am)));
    int ex = int(std::lround(cx + r * std::cos(a1))), ey = int(std::lround(cy + r * std::sin(a1)));
    s.curve_to(cx_ - px, cy_ - py, ex - cx_, ey - cy_);
    px = ex;
    py = ey;
  }
  s.end_shape();
  ShapeDefinition shape;
  ASSERT_TRUE(shape.parse(ShapeDefinition::kDefineShape, s.data().data(), s.size()));
  Canvas canvas = white_canvas(20, 20);
  shape.draw(DrawTarget::whole(canvas), kTwipsToPixels, ColorTransform(), nullptr);
  // Eight quadratic arcs on whole twips stay within ~0.06 pixel of the circle.
  int bad = count_mismatches(
      canvas,
      [&](int x, int y) {
        return over_white(0x0000FF, sampled_coverage(x, y, [](double u, double v) {
                            return (u - 10) * (u - 10) + (v - 10) * (v - 10) <= 64;
                          }));
      },
      16, "circle");
  EXPECT_EQ(0, bad);
  EXPECT_EQ(0xFF0000FFu, canvas.pixel(10, 10));
  EXPECT_EQ(0xFFFFFFFFu, canvas.pixel(1, 1));
}

namespace {

// DefineShape2/3 body with `fills` solid styles; `records` writes the shape
// records (fill bits and line bits given) and ends the shape.
std::vector<uint8_t> shape_body(int version, const std::vector<render::Rgba>& fills,
                                unsigned fill_bits, const std::function<void(SwfBits&)>& records) {
  SwfBits s;
  s.u16(3);
  s.rect(0, 4000, 0, 4000);
  if (fills.size() >= 255) {
    s.u8(0xFF);
    s.u16(uint16_t(fills.size()));
  } else {
    s.u8(uint8_t(fills.size()));
  }
  for (const render::Rgba& c : fills) {
    s.u8(0);
    if (version >= 3)
      s.rgba(c.r, c.g, c.b, c.a);
    else
      s.rgb(c.r, c.g, c.b);
  }
  s.u8(0);
  s.ub(fill_bits, 4);
  s.ub(0, 4);
  records(s);
  s.end_shape();
  return s.data();
}

int shape_code(int version) {
  return version == 1   ? ShapeDefinition::kDefineShape
         : version == 2 ? ShapeDefinition::kDefineShape2
         : version == 3 ? ShapeDefinition::kDefineShape3
                        : ShapeDefinition::kDefineShape4;
}

Canvas draw_body(int version, const std::vector<uint8_t>& body, int w, int h,
                 const ColorTransform& cx = ColorTransform()) {
  ShapeDefinition shape;
  EXPECT_TRUE(shape.parse(shape_code(version), body.data(), body.size()));
  Canvas canvas = white_canvas(w, h);
  shape.draw(DrawTarget::whole(canvas), kTwipsToPixels, cx, nullptr);
  return canvas;
}

}  // namespace

TEST(RenderShape, AdjacentFillsShareTheirEdgeWithoutASeam) {
  // Left region red (style 1), right region blue (style 2), meeting at x = 5.5 px.
  auto body = shape_body(2, {{255, 0, 0, 255}, {0, 0, 255, 255}}, 2, [](SwfBits& s) {
    s.style_change(true, 0, 0, 0, 1, -1, 2, 0);
    s.line_to(110, 0);
    s.style_change(false, 0, 0, 0, 2, -1, 2, 0);
    s.line_to(110, 0);
    s.line_to(0, 200);
    s.line_to(-110, 0);
    s.style_change(false, 0, 0, 0, 1, -1, 2, 0);
    s.line_to(-110, 0);
    s.line_to(0, -200);
    s.style_change(true, 110, 0, 1, 2, -1, 2, 0);  // the shared edge
    s.line_to(0, 200);
  });
  Canvas canvas = draw_body(2, body, 12, 10);
  uint32_t shared = canvas.pixel(5, 4);
  EXPECT_EQ(255, render_test::alpha_of(shared));
  EXPECT_NEAR(0, render_test::green_of(shared), 2) << "white shows through the seam";
  EXPECT_NEAR(128, render_test::red_of(shared), 3);
  EXPECT_NEAR(128, render_test::blue_of(shared), 3);
  EXPECT_EQ(0xFFFF0000u, canvas.pixel(2, 4));
  EXPECT_EQ(0xFF0000FFu, canvas.pixel(8, 4));
}

TEST(RenderShape, OverlappingContoursOfOneStyleLeaveAHoleAndInteriorEdgesVanish) {
  auto body = shape_body(2, {{0, 128, 0, 255}}, 1, [](SwfBits& s) {
    // Two squares 0..8 and 4..12 px, both only with fill0 = 1.
    s.style_change(true, 0, 0, 1, -1, -1, 1, 0);
    s.line_to(160, 0);
    s.line_to(0, 160);
    s.line_to(-160, 0);
    s.line_to(0, -160);
    s.style_change(true, 80, 80, -1, -1, -1, 1, 0);
    s.line_to(160, 0);
    s.line_to(0, 160);
    s.line_to(-160, 0);
    s.line_to(0, -160);
    // An edge with the same style on both sides, crossing the first square.
    s.style_change(true, 20, 30, 1, 1, -1, 1, 0);
    s.line_to(0, 40);
  });
  Canvas canvas = draw_body(2, body, 14, 14);
  EXPECT_EQ(0xFF008000u, canvas.pixel(1, 1));
  EXPECT_EQ(0xFFFFFFFFu, canvas.pixel(6, 6)) << "overlap must be a hole (even-odd)";
  EXPECT_EQ(0xFF008000u, canvas.pixel(10, 10));
  EXPECT_EQ(0xFF008000u, canvas.pixel(1, 2)) << "interior edge drawn";
}

TEST(RenderShape, NewStylesStartAGroupDrawnAboveTheEarlierOne) {
  SwfBits s;
  s.u16(9);
  s.rect(0, 400, 0, 400);
  s.u8(1);
  s.u8(0);
  s.rgb(255, 0, 0);
  s.u8(0);
  s.ub(1, 4);
  s.ub(0, 4);
  s.style_change(true, 0, 0, 1, -1, -1, 1, 0);
  s.line_to(200, 0);
  s.line_to(0, 200);
  s.line_to(-200, 0);
  s.line_to(0, -200);
  // New styles: one blue fill, with the extended (0xFF) count form for lines.
  s.style_change(false, 0, 0, -1, -1, -1, 1, 0, true);
  s.u8(1);
  s.u8(0);
  s.rgb(0, 0, 255);
  s.u8(0xFF);
  s.u16(0);
  s.ub(1, 4);
  s.ub(0, 4);
  s.style_change(true, 100, 100, 1, -1, -1, 1, 0);
  s.line_to(200, 0);
  s.line_to(0, 200);
  s.line_to(-200, 0);
  s.line_to(0, -200);
  s.end_shape();
  ShapeDefinition shape;
  ASSERT_TRUE(shape.parse(ShapeDefinition::kDefineShape2, s.data().data(), s.size()));
  ASSERT_EQ(2u, shape.geometry().groups.size());
  Canvas canvas = white_canvas(16, 16);
  shape.draw(DrawTarget::whole(canvas), kTwipsToPixels, ColorTransform(), nullptr);
  EXPECT_EQ(0xFFFF0000u, canvas.pixel(2, 2));
  EXPECT_EQ(0xFF0000FFu, canvas.pixel(7, 7));
  EXPECT_EQ(0xFF0000FFu, canvas.pixel(13, 13));
}

TEST(RenderShape, ExtendedFillCountAndTranslucentRgbaFills) {
  std::vector<render::Rgba> fills(300, render::Rgba{0, 0, 0, 255});
  fills[299] = {0, 0, 255, 128};
  auto body = shape_body(3, fills, 9, [](SwfBits& s) {
    s.style_change(true, 0, 0, 300, -1, -1, 9, 0);
    s.line_to(200, 0);
    s.line_to(0, 200);
    s.line_to(-200, 0);
    s.line_to(0, -200);
  });
  Canvas canvas = draw_body(3, body, 12, 12);
  uint32_t p = canvas.pixel(5, 5);
  // Half-transparent blue over white.
  EXPECT_NEAR(127, render_test::red_of(p), 1);
  EXPECT_NEAR(127, render_test::green_of(p), 1);
  EXPECT_EQ(255, render_test::blue_of(p));
  EXPECT_EQ(0xFFFFFFFFu, canvas.pixel(11, 11));
}

TEST(RenderShape, ColorTransformClipAndQualityApply) {
  auto body = rectangle_shape(0, 0, 200, 200, 200, 100, 0);
  ShapeDefinition shape;
  ASSERT_TRUE(shape.parse(ShapeDefinition::kDefineShape, body.data(), body.size()));
  ColorTransform cx;
  cx.mult_r = 128;  // 200 -> 100
  cx.add_b = 40;
  Canvas canvas = white_canvas(12, 12);
  DrawTarget target = DrawTarget::whole(canvas);
  target.clip = {2, 2, 6, 12};
  shape.draw(target, kTwipsToPixels, cx, nullptr);
  EXPECT_EQ(render::pack_argb(255, 100, 100, 40), canvas.pixel(3, 3));
  EXPECT_EQ(0xFFFFFFFFu, canvas.pixel(1, 3)) << "left of the clip";
  EXPECT_EQ(0xFFFFFFFFu, canvas.pixel(7, 3)) << "right of the clip";

  // Without anti-aliasing an edge pixel is either painted or not.
  auto half = rectangle_shape(0, 0, 110, 100, 0, 0, 0);  // right edge at 5.5 px
  ShapeDefinition edge;
  ASSERT_TRUE(edge.parse(ShapeDefinition::kDefineShape, half.data(), half.size()));
  Canvas hard = white_canvas(8, 6);
  DrawTarget low = DrawTarget::whole(hard);
  low.antialias = false;
  edge.draw(low, kTwipsToPixels, ColorTransform(), nullptr);
  uint32_t p = hard.pixel(5, 2);
  EXPECT_TRUE(p == 0xFF000000u || p == 0xFFFFFFFFu) << std::hex << p;
}

TEST(RenderShape, MaskLimitsDrawingAndNestedMasksIntersect) {
  auto left = rectangle_shape(0, 0, 120, 200, 0, 0, 0);     // x < 6
  auto top = rectangle_shape(0, 0, 200, 80, 0, 0, 0);       // y < 4
  auto whole = rectangle_shape(0, 0, 200, 200, 255, 0, 0);  // everything red
  ShapeDefinition left_shape, top_shape, whole_shape;
  ASSERT_TRUE(left_shape.parse(2, left.data(), left.size()));
  ASSERT_TRUE(top_shape.parse(2, top.data(), top.size()));
  ASSERT_TRUE(whole_shape.parse(2, whole.data(), whole.size()));

  Canvas scratch(10, 10);
  DrawTarget mask_target = DrawTarget::whole(scratch);
  mask_target.mask_mode = true;
  left_shape.draw(mask_target, kTwipsToPixels, ColorTransform(), nullptr);
  render::Mask outer;
  outer.set_from_alpha(scratch, scratch.bounds(), true);
  EXPECT_EQ(6, outer.covered_bounds().right);

  Canvas canvas = white_canvas(10, 10);
  DrawTarget through = DrawTarget::whole(canvas);
  through.mask = &outer;
  whole_shape.draw(through, kTwipsToPixels, ColorTransform(), nullptr);
  EXPECT_EQ(0xFFFF0000u, canvas.pixel(3, 8));
  EXPECT_EQ(0xFFFFFFFFu, canvas.pixel(7, 8));

  // The inner mask drawn through the outer one is their intersection.
  scratch.clear(0);
  DrawTarget inner_target = mask_target;
  inner_target.mask = &outer;
  top_shape.draw(inner_target, kTwipsToPixels, ColorTransform(), nullptr);
  render::Mask inner;
  inner.set_from_alpha(scratch, scratch.bounds(), true);
  Canvas nested = white_canvas(10, 10);
  DrawTarget nested_target = DrawTarget::whole(nested);
  nested_target.mask = &inner;
  whole_shape.draw(nested_target, kTwipsToPixels, ColorTransform(), nullptr);
  EXPECT_EQ(0xFFFF0000u, nested.pixel(2, 2));
  EXPECT_EQ(0xFFFFFFFFu, nested.pixel(2, 6));
  EXPECT_EQ(0xFFFFFFFFu, nested.pixel(8, 2));
}

TEST(RenderShape, DamagedBodiesNeverReadOutsideAndStillDrawSafely) {
  // A DefineShape4 body with a gradient, a bitmap fill, LINESTYLE2 and curves.
  SwfBits s;
  s.u16(4);
  s.rect(0, 400, 0, 400);
  s.rect(0, 400, 0, 400);
  s.u8(0);
  s.u8(2);
  s.u8(0x10);
  s.matrix(0.01, 0, 0, 0.01, 200, 200);
  s.u8(0x02);
  s.u8(0);
  s.rgba(255, 0, 0, 255);
  s.u8(255);
  s.rgba(0, 0, 255, 255);
  s.u8(0x41);
  s.u16(5);
  s.matrix(20, 0, 0, 20, 0, 0);
  s.u8(1);
  s.u16(60);
  s.u8(0x20);  // round caps, miter join
  s.u8(0x01);
  s.u16(3 * 256);
  s.rgba(0, 0, 0, 255);
  s.ub(2, 4);
  s.ub(1, 4);
  s.style_change(true, 20, 20, 1, 2, 1, 2, 1);
  s.curve_to(100, 0, 100, 100);
  s.line_to(-200, 0);
  s.line_to(0, -100);
  s.end_shape();
  std::vector<uint8_t> good = s.data();
  ShapeDefinition shape;
  ASSERT_TRUE(shape.parse(ShapeDefinition::kDefineShape4, good.data(), good.size()));
  EXPECT_EQ(render::JoinStyle::miter, shape.geometry().groups[0].lines[0].join);
  EXPECT_DOUBLE_EQ(3.0, shape.geometry().groups[0].lines[0].miter_limit);
  Canvas canvas(24, 24);
  int failures = 0;
  for (size_t cut = 0; cut < good.size(); ++cut) {
    // A copy of exactly `cut` bytes, so a sanitizer sees any read past it.
    std::vector<uint8_t> part(good.begin(), good.begin() + cut);
    ShapeDefinition damaged;
    if (!damaged.parse(ShapeDefinition::kDefineShape4, part.data(), part.size())) ++failures;
    damaged.draw(DrawTarget::whole(canvas), kTwipsToPixels, ColorTransform(), nullptr);
  }
  EXPECT_EQ(int(good.size()), failures) << "every truncated body must be reported";
  for (size_t i = 0; i < good.size(); ++i) {
    std::vector<uint8_t> flipped = good;
    flipped[i] ^= 0xA5;
    ShapeDefinition damaged;
    damaged.parse(ShapeDefinition::kDefineShape4, flipped.data(), flipped.size());
    damaged.draw(DrawTarget::whole(canvas), Matrix::scaling(1e6, 1e6), ColorTransform(), nullptr);
    damaged.draw(DrawTarget::whole(canvas), kTwipsToPixels, ColorTransform(), nullptr);
  }
}

TEST(RenderShape, HitTestFollowsFillRegionsAndStrokes) {
  auto body = rectangle_shape(100, 100, 300, 300, 0, 0, 0);
  ShapeDefinition shape;
  ASSERT_TRUE(shape.parse(ShapeDefinition::kDefineShape, body.data(), body.size()));
  EXPECT_TRUE(shape.hit_test({200, 200}));
  EXPECT_FALSE(shape.hit_test({50, 200}));
  EXPECT_FALSE(shape.hit_test({350, 350}));
  render::Rect b = render::geometry_bounds(shape.geometry(), false);
  EXPECT_EQ(100, b.x_min);
  EXPECT_EQ(300, b.y_max);
}

TEST(RenderShape, OverlappingFillsOfOneGroupPaintInStyleOrder) {
  // Style 2 (blue) overlaps style 1 (red) in 4..8 px: the higher style is on top.
  auto body = shape_body(2, {{255, 0, 0, 255}, {0, 0, 255, 255}}, 2, [](SwfBits& s) {
    s.style_change(true, 0, 0, 1, -1, -1, 2, 0);
    s.line_to(160, 0);
    s.line_to(0, 100);
    s.line_to(-160, 0);
    s.line_to(0, -100);
    s.style_change(true, 80, 0, 2, -1, -1, 2, 0);
    s.line_to(160, 0);
    s.line_to(0, 100);
    s.line_to(-160, 0);
    s.line_to(0, -100);
  });
  Canvas canvas = draw_body(2, body, 14, 6);
  EXPECT_EQ(0xFFFF0000u, canvas.pixel(2, 2));
  EXPECT_EQ(0xFF0000FFu, canvas.pixel(6, 2));
  EXPECT_EQ(0xFF0000FFu, canvas.pixel(10, 2));
}

TEST(RenderShape, HugeCurvesStayAccurateWhereTheyAreSeen) {
  // One quadratic edge: the parabola x = 5 + a (y - 6)^2 from y = -10^6 to
  // 10^6, closed by a line far to the right. Near its vertex, where the canvas
  // looks, it is the vertical line x = 5 to within 0.01 pixel.
  const double a = 5e-5, far = 1e6;
  render::StyleGroup group;
  render::FillStyle fill;
  fill.color = {0, 0, 0, 255};
  group.fills.push_back(fill);
  render::ShapeEdge curve;
  curve.from = {5 + a * far * far, 6 - far};
  curve.to = {5 + a * far * far, 6 + far};
  curve.control = {5 - a * far * far, 6};  // where the end tangents meet
  curve.curved = true;
  curve.fill0 = 1;
  render::ShapeEdge back;
  back.from = curve.to;
  back.to = curve.from;
  back.control = curve.from;
  back.fill0 = 1;
  group.edges = {curve, back};
  render::ShapeGeometry parabola;
  parabola.groups.push_back(group);
  Canvas canvas = white_canvas(12, 12);
  render::draw_geometry(parabola, DrawTarget::whole(canvas), Matrix(), ColorTransform(), nullptr);
  for (int y = 0; y < 12; ++y) {
    EXPECT_EQ(0xFFFFFFFFu, canvas.pixel(4, y)) << y;
    // Flattened to within 0.04 pixel: at most about 10 of 255 uncovered.
    EXPECT_LE(render_test::red_of(canvas.pixel(5, y)), 12) << y;
    EXPECT_EQ(0xFF000000u, canvas.pixel(6, y)) << y;
  }
}
