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
