// Strokes: widths, hairlines, caps, joins and overlaps, against sampled outlines.
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

const Matrix kTwipsToPixels = Matrix::scaling(1 / 20.0, 1 / 20.0);

struct Line2 {
  uint16_t width;
  unsigned start_cap, join, end_cap;
  bool no_close;
};

// A shape with one line style and no fills; version 1 uses LINESTYLE, 4 LINESTYLE2.
std::vector<uint8_t> stroke_body(int version, const Line2& line, render::Rgba color,
                                 const std::function<void(SwfBits&)>& records) {
  SwfBits s;
  s.u16(5);
  s.rect(0, 4000, 0, 4000);
  if (version == 4) {
    s.rect(0, 4000, 0, 4000);
    s.u8(0x01);
  }
  s.u8(0);  // no fills
  s.u8(1);
  s.u16(line.width);
  if (version == 4) {
    s.u8(uint8_t((line.start_cap << 6) | (line.join << 4)));
    s.u8(uint8_t((line.no_close ? 0x04 : 0) | line.end_cap));
    if (line.join == 2) s.u16(4 * 256);
    s.rgba(color.r, color.g, color.b, color.a);
  } else {
    s.rgb(color.r, color.g, color.b);
  }
  s.ub(0, 4);
  s.ub(1, 4);
  records(s);
  s.end_shape();
  return s.data();
}

Canvas draw(int version, const std::vector<uint8_t>& body, int w, int h,
            const Matrix& m = kTwipsToPixels) {
  ShapeDefinition shape;
  EXPECT_TRUE(
      shape.parse(version == 4 ? ShapeDefinition::kDefineShape4 : ShapeDefinition::kDefineShape,
                  body.data(), body.size()));
  Canvas canvas(w, h);
  canvas.clear(0xFFFFFFFFu);
  shape.draw(DrawTarget::whole(canvas), m, ColorTransform(), nullptr);
  return canvas;
}

double sampled(int x, int y, const std::function<bool(double, double)>& inside) {
  int hits = 0;
  for (int j = 0; j < 16; ++j)
    for (int i = 0; i < 16; ++i) hits += inside(x + (i + 0.5) / 16, y + (j + 0.5) / 16);
  return hits / 256.0;
}

uint32_t black_over_white(double coverage) {
  uint32_t v = uint32_t(std::lround(255 * (1 - coverage)));
  return 0xFF000000u | (v << 16) | (v << 8) | v;
}

double distance_to_segment(double px, double py, double ax, double ay, double bx, double by) {
  double dx = bx - ax, dy = by - ay;
  double t = std::max(0.0, std::min(1.0, ((px - ax) * dx + (py - ay) * dy) / (dx * dx + dy * dy)));
  return std::hypot(ax + t * dx - px, ay + t * dy - py);
}

}  // namespace

TEST(RenderStroke, RoundCappedLineIsACapsuleOfItsWidth) {
  // From (4, 10.3) to (16, 13.1) px, 5 px wide: every point within 2.5 px.
  auto body = stroke_body(1, {100, 0, 0, 0, false}, {0, 0, 0, 255}, [](SwfBits& s) {
    s.style_change(true, 80, 206, -1, -1, 1, 0, 1);
    s.line_to(240, 56);
  });
  Canvas canvas = draw(1, body, 22, 22);
  int bad = render_test::count_mismatches(
      canvas,
      [](int x, int y) {
        return black_over_white(sampled(x, y, [](double u, double v) {
          return distance_to_segment(u, v, 4, 10.3, 16, 13.1) <= 2.5;
        }));
      },
      14, "capsule");
  EXPECT_EQ(0, bad);
}

TEST(RenderStroke, ThinLinesAreDrawnOnePixelWide) {
  for (uint16_t width : {uint16_t(0), uint16_t(5)}) {
    auto body = stroke_body(1, {width, 0, 0, 0, false}, {0, 0, 0, 255}, [](SwfBits& s) {
      s.style_change(true, 40, 210, -1, -1, 1, 0, 1);  // y = 10.5 px
      s.line_to(200, 0);
    });
    Canvas canvas = draw(1, body, 16, 16);
    EXPECT_EQ(0xFF000000u, canvas.pixel(6, 10)) << "width " << width;
    EXPECT_EQ(0xFFFFFFFFu, canvas.pixel(6, 9));
    EXPECT_EQ(0xFFFFFFFFu, canvas.pixel(6, 11));
  }
  // Widths scale with the matrix: 40 twips at scale 1/10 px is 4 px.
  auto body = stroke_body(1, {40, 0, 0, 0, false}, {0, 0, 0, 255}, [](SwfBits& s) {
    s.style_change(true, 20, 100, -1, -1, 1, 0, 1);
    s.line_to(100, 0);
  });
  Canvas scaled = draw(1, body, 16, 16, Matrix::scaling(0.1, 0.1));
  EXPECT_EQ(0xFF000000u, scaled.pixel(6, 8));
  EXPECT_EQ(0xFF000000u, scaled.pixel(6, 11));
  EXPECT_EQ(0xFFFFFFFFu, scaled.pixel(6, 7));
  EXPECT_EQ(0xFFFFFFFFu, scaled.pixel(6, 12));
}

TEST(RenderStroke, CapStylesOfLineStyle2) {
  // Horizontal line x 6..14 px at y = 10 px, 4 px wide.
  auto line = [](unsigned cap) {
    return stroke_body(4, {80, cap, 0, cap, false}, {0, 0, 0, 255}, [](SwfBits& s) {
      s.style_change(true, 120, 200, -1, -1, 1, 0, 1);
      s.line_to(160, 0);
    });
  };
  Canvas none = draw(4, line(1), 20, 20);
  Canvas square = draw(4, line(2), 20, 20);
  Canvas round = draw(4, line(0), 20, 20);
  EXPECT_EQ(0xFFFFFFFFu, none.pixel(5, 9)) << "no cap: nothing before the start";
  EXPECT_EQ(0xFF000000u, none.pixel(6, 9));
  EXPECT_EQ(0xFF000000u, square.pixel(4, 8)) << "square cap: half a width beyond";
  EXPECT_EQ(0xFF000000u, square.pixel(15, 11));
  EXPECT_EQ(0xFFFFFFFFu, square.pixel(3, 9));
  EXPECT_EQ(0xFF000000u, round.pixel(5, 9)) << "round cap within its radius";
  EXPECT_NE(0xFF000000u, round.pixel(4, 8)) << "but not the square's corner";
  EXPECT_NE(0xFFFFFFFFu, round.pixel(4, 8));
}

TEST(RenderStroke, MiterAndBevelJoinsDifferAtTheOuterCorner) {
  auto corner = [](unsigned join) {
    return stroke_body(4, {80, 1, join, 1, false}, {0, 0, 0, 255}, [](SwfBits& s) {
      s.style_change(true, 100, 300, -1, -1, 1, 0, 1);  // (5,15) -> (15,15) -> (15,5)
      s.line_to(200, 0);
      s.line_to(0, -200);
    });
  };
  Canvas miter = draw(4, corner(2), 22, 22);
  Canvas bevel = draw(4, corner(1), 22, 22);
  // The outer corner square (15..17, 15..17) is filled by a miter only.
  EXPECT_EQ(0xFF000000u, miter.pixel(16, 16));
  EXPECT_NE(0xFF000000u, bevel.pixel(16, 16));
  EXPECT_EQ(0xFF000000u, bevel.pixel(15, 15));
}

TEST(RenderStroke, ClosedAndSelfCrossingPathsCoverEachPixelOnce) {
  // A closed square outline with no cap at the start: the start corner is joined.
  auto square = stroke_body(4, {80, 1, 2, 1, false}, {0, 0, 0, 255}, [](SwfBits& s) {
    s.style_change(true, 100, 100, -1, -1, 1, 0, 1);
    s.line_to(200, 0);
    s.line_to(0, 200);
    s.line_to(-200, 0);
    s.line_to(0, -200);
  });
  Canvas closed = draw(4, square, 22, 22);
  EXPECT_EQ(0xFF000000u, closed.pixel(3, 3)) << "start corner joined";
  EXPECT_EQ(0xFFFFFFFFu, closed.pixel(10, 10)) << "inside stays empty";
  // A half-transparent stroke crossing itself is not darker where it crosses.
  auto cross = stroke_body(4, {60, 0, 0, 0, false}, {0, 0, 0, 128}, [](SwfBits& s) {
    s.style_change(true, 40, 200, -1, -1, 1, 0, 1);
    s.line_to(320, 0);
    s.line_to(-160, -160);
    s.line_to(0, 320);
  });
  Canvas crossing = draw(4, cross, 22, 22);
  EXPECT_EQ(crossing.pixel(4, 10), crossing.pixel(10, 10));
  EXPECT_EQ(crossing.pixel(4, 10), crossing.pixel(10, 15));
  EXPECT_NEAR(127, render_test::red_of(crossing.pixel(10, 10)), 1);
}
