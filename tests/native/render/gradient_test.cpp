// Gradient fills: geometry of linear, radial and focal ramps, spread modes and
// interpolation, compared with the formulas evaluated at pixel centres.
#include <gtest/gtest.h>

#include <cmath>

#include "image_check.h"
#include "render/shape.h"
#include "swf_bits.h"

using render::Canvas;
using render::ColorTransform;
using render::DrawTarget;
using render::Matrix;
using render::ShapeDefinition;
using render_test::SwfBits;

namespace {

struct Stop {
  uint8_t ratio;
  render::Rgba color;
};

// A rectangle 0..w x 0..h pixels filled with one gradient (DefineShape4).
std::vector<uint8_t> gradient_shape(uint8_t type, double scale, int tx, int ty, unsigned spread,
                                    unsigned interpolation, const std::vector<Stop>& stops, int w,
                                    int h, double focal = 0) {
  SwfBits s;
  s.u16(2);
  s.rect(0, w * 20, 0, h * 20);
  s.rect(0, w * 20, 0, h * 20);
  s.u8(0);
  s.u8(1);
  s.u8(type);
  s.matrix(scale, 0, 0, scale, tx, ty);
  s.u8(uint8_t((spread << 6) | (interpolation << 4) | stops.size()));
  for (const Stop& st : stops) {
    s.u8(st.ratio);
    s.rgba(st.color.r, st.color.g, st.color.b, st.color.a);
  }
  if (type == 0x13) s.u16(uint16_t(int16_t(focal * 256)));
  s.u8(0);
  s.ub(1, 4);
  s.ub(0, 4);
  s.style_change(true, 0, 0, 1, -1, -1, 1, 0);
  s.line_to(w * 20, 0);
  s.line_to(0, h * 20);
  s.line_to(-w * 20, 0);
  s.line_to(0, -h * 20);
  s.end_shape();
  return s.data();
}

Canvas draw(const std::vector<uint8_t>& body, int w, int h) {
  ShapeDefinition shape;
  EXPECT_TRUE(shape.parse(ShapeDefinition::kDefineShape4, body.data(), body.size()));
  Canvas canvas(w, h);
  shape.draw(DrawTarget::whole(canvas), Matrix::scaling(0.05, 0.05), ColorTransform(), nullptr);
  return canvas;
}

uint32_t gray(int v) { return render::pack_argb(255, uint8_t(v), uint8_t(v), uint8_t(v)); }

const std::vector<Stop> kBlackToWhite = {{0, {0, 0, 0, 255}}, {255, {255, 255, 255, 255}}};

}  // namespace

TEST(RenderGradient, LinearRampSpansTheGradientSquare) {
  // The square (32768 units) scaled to 100 px (2000 twips), centred at 50 px.
  const double scale = 2000.0 / 32768;
  Canvas canvas = draw(gradient_shape(0x10, scale, 1000, 0, 0, 0, kBlackToWhite, 100, 4), 100, 4);
  EXPECT_EQ(0, render_test::count_mismatches(
                   canvas, [](int x, int) { return gray(int(std::lround((x + 0.5) / 100 * 255))); },
                   2, "linear"));
}

TEST(RenderGradient, RadialRampGrowsWithDistanceFromTheCentre) {
  // Radius 16384 units -> 20 px, centred at (20, 20) px.
  const double scale = 400.0 / 16384;
  Canvas canvas = draw(gradient_shape(0x12, scale, 400, 400, 0, 0, kBlackToWhite, 40, 40), 40, 40);
  EXPECT_EQ(0, render_test::count_mismatches(
                   canvas,
                   [](int x, int y) {
                     double d = std::hypot(x + 0.5 - 20, y + 0.5 - 20) / 20;
                     return gray(int(std::lround(std::min(1.0, d) * 255)));
                   },
                   2, "radial"));
}

TEST(RenderGradient, SpreadModesPadReflectAndRepeat) {
  // The ramp covers 0..50 px; the rectangle is 150 px wide.
  const double scale = 1000.0 / 32768;
  auto expected = [](unsigned spread, int x) {
    double t = (x + 0.5) / 50;
    if (spread == 0) t = std::min(1.0, t);
    if (spread == 1) {
      t = std::fmod(t, 2.0);
      if (t > 1) t = 2 - t;
    }
    if (spread == 2) t = std::fmod(t, 1.0);
    return int(std::lround(t * 255));
  };
  for (unsigned spread : {0u, 1u, 2u}) {
    Canvas canvas =
        draw(gradient_shape(0x10, scale, 500, 0, spread, 0, kBlackToWhite, 150, 2), 150, 2);
    for (int x : {10, 40, 60, 75, 90, 110, 140}) {
      EXPECT_NEAR(expected(spread, x), render_test::red_of(canvas.pixel(x, 0)), 3)
          << "spread " << spread << " x " << x;
    }
  }
}

TEST(RenderGradient, LinearRgbInterpolationBrightensTheMiddle) {
  const double scale = 2000.0 / 32768;
  Canvas normal = draw(gradient_shape(0x10, scale, 1000, 0, 0, 0, kBlackToWhite, 100, 2), 100, 2);
  Canvas linear = draw(gradient_shape(0x10, scale, 1000, 0, 0, 1, kBlackToWhite, 100, 2), 100, 2);
  // Half way in linear light is 0.5, which is 188 in sRGB.
  EXPECT_NEAR(128, render_test::red_of(normal.pixel(50, 0)), 2);
  EXPECT_NEAR(188, render_test::red_of(linear.pixel(50, 0)), 3);
}

TEST(RenderGradient, FocalGradientStartsAtTheFocalPoint) {
  const double scale = 400.0 / 16384;  // radius 20 px at (20, 20)
  Canvas canvas =
      draw(gradient_shape(0x13, scale, 400, 400, 0, 0, kBlackToWhite, 40, 40, 0.5), 40, 40);
  // Focal point at (30, 20) px: black there, and white on the circle.
  EXPECT_LE(render_test::red_of(canvas.pixel(29, 19)), 12);
  EXPECT_GE(render_test::red_of(canvas.pixel(0, 20)), 245);
  // Pixel centres 35.5 and 15.5 lie 0.55 and 0.483 of the way from the focal
  // point to the circle.
  EXPECT_NEAR(140, render_test::red_of(canvas.pixel(35, 19)), 4);
  EXPECT_NEAR(123, render_test::red_of(canvas.pixel(15, 19)), 4);
}

TEST(RenderGradient, StopsWithAlphaAndAColorTransform) {
  const double scale = 2000.0 / 32768;
  auto body = gradient_shape(0x10, scale, 1000, 0, 0, 0,
                             {{0, {255, 0, 0, 0}}, {255, {255, 0, 0, 255}}}, 100, 2);
  ShapeDefinition shape;
  ASSERT_TRUE(shape.parse(ShapeDefinition::kDefineShape4, body.data(), body.size()));
  Canvas canvas(100, 2);
  ColorTransform cx;
  cx.mult_r = 0;
  cx.add_g = 255;  // red becomes green before the ramp is built
  shape.draw(DrawTarget::whole(canvas), Matrix::scaling(0.05, 0.05), cx, nullptr);
  uint32_t middle = canvas.pixel(50, 0);
  EXPECT_NEAR(128, render_test::alpha_of(middle), 2);
  EXPECT_NEAR(128, render_test::green_of(middle), 2) << "premultiplied";
  EXPECT_EQ(0, render_test::red_of(middle));
  EXPECT_LE(render_test::alpha_of(canvas.pixel(0, 0)), 2);
}

TEST(RenderGradient, StopsAreScannedInFileOrder) {
  // Ratios that go backwards (127 red, then 0 green) are not reordered: the
  // first colour holds up to 127, and past it the ramp ends on the last stop.
  const double scale = 2000.0 / 32768;
  Canvas canvas = draw(gradient_shape(0x10, scale, 1000, 0, 0, 0,
                                      {{127, {255, 0, 0, 255}}, {0, {0, 255, 0, 255}}}, 100, 2),
                       100, 2);
  EXPECT_EQ(0xFFFF0000u, canvas.pixel(10, 0));
  EXPECT_EQ(0xFFFF0000u, canvas.pixel(48, 0));
  EXPECT_EQ(0xFF00FF00u, canvas.pixel(52, 0));
  EXPECT_EQ(0xFF00FF00u, canvas.pixel(90, 0));
  // The ramp moves on by one stop per entry: after 254 red comes blue, and the
  // equal-ratio green behind it is never reached.
  Canvas three =
      draw(gradient_shape(0x10, scale, 1000, 0, 0, 0,
                          {{254, {255, 0, 0, 255}}, {0, {0, 0, 255, 255}}, {0, {0, 255, 0, 255}}},
                          120, 2),
           120, 2);
  EXPECT_EQ(0xFFFF0000u, three.pixel(90, 0));
  EXPECT_EQ(0xFF0000FFu, three.pixel(110, 0));
}
