// Colour transforms, matrices, records and the rasterizer's coverage rules.
#include <gtest/gtest.h>

#include <cmath>

#include "image_check.h"
#include "render/canvas.h"
#include "render/color.h"
#include "render/geometry.h"
#include "render/raster.h"
#include "swf_bits.h"

using render::ColorTransform;
using render::Matrix;
using render::Rgba;
using render_test::SwfBits;

TEST(RenderBasics, ColorTransformArithmeticClampsAndComposes) {
  ColorTransform t;
  t.mult_r = 128;
  t.mult_g = -256;
  t.add_g = 300;
  t.mult_b = 512;
  t.add_a = -100;
  Rgba c = t.apply({200, 100, 200, 150});
  EXPECT_EQ(100, c.r);
  EXPECT_EQ(200, c.g);  // -100 + 300
  EXPECT_EQ(255, c.b);  // clamped
  EXPECT_EQ(50, c.a);
  // Negative products shift arithmetically (towards minus infinity).
  ColorTransform n;
  n.mult_r = -1;
  n.add_r = 1;
  EXPECT_EQ(0, n.apply({255, 0, 0, 255}).r);

  ColorTransform inner, outer;
  inner.mult_r = 128;
  inner.add_r = 20;
  outer.mult_r = 512;
  outer.add_r = -10;
  ColorTransform both = render::concatenate(outer, inner);
  for (int v : {0, 40, 100}) {
    Rgba input{uint8_t(v), 0, 0, 255};
    EXPECT_NEAR(outer.apply(inner.apply(input)).r, both.apply(input).r, 1) << v;
  }
  EXPECT_TRUE(ColorTransform().is_identity());
  EXPECT_EQ(0x80400000u, render::premultiply({128, 0, 0, 128}));
  Rgba back = render::unpremultiply(0x80400000u);
  EXPECT_EQ(128, back.r);  // 64 * 255 / 128 rounded
}

TEST(RenderBasics, RecordsAndMatrices) {
  SwfBits s;
  s.matrix(2, 0.5, -0.5, 3, 100, -40);
  Matrix m;
  ASSERT_EQ(s.size(), render::read_matrix(s.data().data(), s.size(), m));
  EXPECT_DOUBLE_EQ(2, m.a);
  EXPECT_DOUBLE_EQ(0.5, m.b);
  EXPECT_DOUBLE_EQ(-0.5, m.c);
  EXPECT_DOUBLE_EQ(3, m.d);
  EXPECT_DOUBLE_EQ(-40, m.ty);
  render::Point p = m.apply({10, 20});
  EXPECT_DOUBLE_EQ(2 * 10 - 0.5 * 20 + 100, p.x);
  EXPECT_DOUBLE_EQ(0.5 * 10 + 3 * 20 - 40, p.y);
  bool ok = false;
  render::Point back = m.inverse(&ok).apply(p);
  EXPECT_TRUE(ok);
  EXPECT_NEAR(10, back.x, 1e-9);
  EXPECT_NEAR(20, back.y, 1e-9);
  Matrix::scaling(0, 1).inverse(&ok);
  EXPECT_FALSE(ok);
  Matrix composed = Matrix::translation(5, 0) * Matrix::scaling(2, 2);
  EXPECT_DOUBLE_EQ(25, composed.apply({10, 0}).x) << "inner first, then outer";
  EXPECT_EQ(0u, render::read_matrix(s.data().data(), 2, m)) << "truncated";

  SwfBits r;
  r.rect(-20, 11000, 5, 8000);
  render::Rect rect;
  ASSERT_EQ(r.size(), render::read_rect(r.data().data(), r.size(), rect));
  EXPECT_EQ(-20, rect.x_min);
  EXPECT_EQ(11000, rect.x_max);
  EXPECT_EQ(8000, rect.y_max);

  SwfBits cx;  // CXFORMWITHALPHA: add and mult terms, 9 bits
  cx.ub(1, 1);
  cx.ub(1, 1);
  cx.ub(9, 4);
  for (int v : {128, 256, 256, 64, -10, 0, 20, 255}) cx.sb(v, 9);
  cx.align();
  ColorTransform t;
  ASSERT_EQ(cx.size(), render::read_color_transform(cx.data().data(), cx.size(), true, t));
  EXPECT_EQ(128, t.mult_r);
  EXPECT_EQ(64, t.mult_a);
  EXPECT_EQ(-10, t.add_r);
  EXPECT_EQ(255, t.add_a);
}

TEST(RenderBasics, RasterizerCoverageRulesAndClipping) {
  // Two nested squares in the same direction: non-zero fills the inner one,
  // even-odd leaves it empty.
  auto square = [](render::Rasterizer& r, double x0, double y0, double x1, double y1) {
    r.add_line({x0, y0}, {x1, y0}, 0);
    r.add_line({x1, y0}, {x1, y1}, 0);
    r.add_line({x1, y1}, {x0, y1}, 0);
    r.add_line({x0, y1}, {x0, y0}, 0);
  };
  for (auto rule : {render::FillRule::non_zero, render::FillRule::even_odd}) {
    render::Rasterizer r;
    r.reset({0, 0, 10, 10}, 1);
    r.set_rule(0, rule);
    square(r, 1, 1, 9, 9);
    square(r, 3, 3, 7, 7);
    float centre = -1, ring = -1;
    r.sweep([&](int y, const render::RowSpan* spans, int count) {
      ASSERT_EQ(1, count);
      if (y == 5) centre = spans[0].coverage[5];
      if (y == 5) ring = spans[0].coverage[2];
    });
    EXPECT_FLOAT_EQ(1, ring);
    EXPECT_FLOAT_EQ(rule == render::FillRule::non_zero ? 1 : 0, centre);
  }
  // A triangle partly left of the clip: the visible part's coverage is the same
  // as without the clip.
  auto triangle = [](render::Rasterizer& r) {
    r.add_line({-6.3, 1.2}, {7.7, 4.9}, 0);
    r.add_line({7.7, 4.9}, {-2.5, 9.1}, 0);
    r.add_line({-2.5, 9.1}, {-6.3, 1.2}, 0);
  };
  std::vector<float> wide(100, 0), clipped(100, 0);
  render::Rasterizer a;
  a.reset({-10, 0, 10, 10}, 1);
  triangle(a);
  a.sweep([&](int y, const render::RowSpan* spans, int) {
    for (int x = std::max(0, spans[0].left); x < spans[0].right; ++x)
      wide[y * 10 + x] = spans[0].coverage[x];
  });
  render::Rasterizer b;
  b.reset({0, 0, 10, 10}, 1);
  triangle(b);
  b.sweep([&](int y, const render::RowSpan* spans, int) {
    for (int x = spans[0].left; x < spans[0].right; ++x) clipped[y * 10 + x] = spans[0].coverage[x];
  });
  for (int i = 0; i < 100; ++i) EXPECT_NEAR(wide[i], clipped[i], 1e-4) << i;
}

TEST(RenderBasics, CanvasDrawsIntoAttachedMemoryWithStride) {
  std::vector<uint32_t> memory(6 * 3, 0x12345678u);
  render::Canvas canvas;
  canvas.attach(memory.data(), 4, 3, 6);
  canvas.clear(0xFF000000u);
  EXPECT_EQ(0xFF000000u, memory[6 + 3]);
  EXPECT_EQ(0x12345678u, memory[6 + 4]) << "padding beyond the width untouched";
  canvas.fill({-5, 1, 2, 99}, 0xFFFFFFFFu);
  EXPECT_EQ(0xFFFFFFFFu, canvas.pixel(1, 2));
  EXPECT_EQ(0xFF000000u, canvas.pixel(2, 2));
}

TEST(RenderBasics, FarAwayVerticesKeepTheSlopeOfTheirEdges) {
  // The region below y = x / 3 + 1, from a polygon whose corners lie
  // hundreds of millions of pixels away.
  render::Rasterizer r;
  r.reset({0, 0, 30, 12}, 1);
  const render::Point corners[4] = {{-3e8, -1e8 + 1}, {3e8, 1e8 + 1}, {3e8, 1e9}, {-3e8, 1e9}};
  for (int i = 0; i < 4; ++i) r.add_line(corners[i], corners[(i + 1) % 4], 0);
  std::vector<float> coverage(30 * 12, 0);
  r.sweep([&](int y, const render::RowSpan* spans, int) {
    for (int x = spans[0].left; x < spans[0].right; ++x)
      coverage[y * 30 + x] = spans[0].coverage[x];
  });
  for (int y = 0; y < 12; ++y)
    for (int x = 0; x < 30; ++x) {
      // Exact area of the pixel below the line.
      auto below = [](double px) { return px / 3 + 1; };
      double top0 = below(x), top1 = below(x + 1);  // the line within this column
      double area = 0;
      for (int s = 0; s < 64; ++s) {
        double line_y = top0 + (top1 - top0) * (s + 0.5) / 64;
        area += std::max(0.0, std::min(1.0, y + 1 - line_y)) / 64;
      }
      EXPECT_NEAR(area, coverage[y * 30 + x], 0.02) << x << "," << y;
    }
}
