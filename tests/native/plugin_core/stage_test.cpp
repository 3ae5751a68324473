// Stage options from the instance parameters, and the stage matrix for each
// scale mode and alignment.
#include "core/stage.h"

#include <gtest/gtest.h>

namespace {

using npfp::ScaleMode;

render::Rect frame_of(int w, int h) {
  render::Rect r;
  r.x_max = w * 20;
  r.y_max = h * 20;
  return r;
}

// Where the movie's corners land in the window.
void expect_corners(const render::Matrix& m, const render::Rect& f, double x0, double y0, double x1,
                    double y1) {
  render::Point a = m.apply({double(f.x_min), double(f.y_min)});
  render::Point b = m.apply({double(f.x_max), double(f.y_max)});
  EXPECT_NEAR(a.x, x0, 1e-9);
  EXPECT_NEAR(a.y, y0, 1e-9);
  EXPECT_NEAR(b.x, x1, 1e-9);
  EXPECT_NEAR(b.y, y1, 1e-9);
}

TEST(PluginCoreStage, ScaleModesPlaceTheMovie) {
  render::Rect f = frame_of(400, 300);  // 4:3 movie in a 1000 x 500 window
  npfp::StageAlign centred;
  expect_corners(npfp::stage_matrix(f, 1000, 500, ScaleMode::show_all, centred), f,
                 166.6666666666667, 0, 833.3333333333333, 500);
  expect_corners(npfp::stage_matrix(f, 1000, 500, ScaleMode::no_border, centred), f, 0, -125, 1000,
                 625);
  expect_corners(npfp::stage_matrix(f, 1000, 500, ScaleMode::exact_fit, centred), f, 0, 0, 1000,
                 500);
  expect_corners(npfp::stage_matrix(f, 1000, 500, ScaleMode::no_scale, centred), f, 300, 100, 700,
                 400);
}

TEST(PluginCoreStage, AlignmentPinsEdges) {
  render::Rect f = frame_of(400, 300);
  expect_corners(npfp::stage_matrix(f, 1000, 500, ScaleMode::show_all, npfp::parse_align("LT")), f,
                 0, 0, 666.6666666666667, 500);
  expect_corners(npfp::stage_matrix(f, 1000, 500, ScaleMode::show_all, npfp::parse_align("r")), f,
                 333.3333333333333, 0, 1000, 500);
  expect_corners(npfp::stage_matrix(f, 1000, 500, ScaleMode::no_scale, npfp::parse_align("br")), f,
                 600, 200, 1000, 500);
  // Exact fit fills the window whatever the alignment says.
  expect_corners(npfp::stage_matrix(f, 1000, 500, ScaleMode::exact_fit, npfp::parse_align("lt")), f,
                 0, 0, 1000, 500);
  // A frame that does not start at the origin is shifted there.
  render::Rect shifted = f;
  shifted.x_min += 200;
  shifted.x_max += 200;
  expect_corners(npfp::stage_matrix(shifted, 400, 300, ScaleMode::no_scale, npfp::StageAlign()),
                 shifted, 0, 0, 400, 300);
}

TEST(PluginCoreStage, ParametersAreReadWithoutCase) {
  npfp::StageOptions o = npfp::parse_stage_options({{"SRC", "C:\\m.swf"},
                                                    {"Scale", "NoBorder"},
                                                    {"salign", "tl"},
                                                    {"BGCOLOR", "#996633"},
                                                    {"quality", "LOW"},
                                                    {"wmode", "Transparent"},
                                                    {"menu", "false"}});
  EXPECT_EQ(o.src, "C:\\m.swf");
  EXPECT_EQ(o.scale, ScaleMode::no_border);
  EXPECT_TRUE(o.align.top && o.align.left && !o.align.right && !o.align.bottom);
  ASSERT_TRUE(o.has_background);
  EXPECT_EQ(o.background.r, 0x99);
  EXPECT_EQ(o.background.g, 0x66);
  EXPECT_EQ(o.background.b, 0x33);
  EXPECT_EQ(o.quality, npfp::Quality::low);
  EXPECT_TRUE(o.transparent);
  EXPECT_FALSE(o.menu);

  npfp::StageOptions d = npfp::parse_stage_options({{"scale", "weird"}, {"bgcolor", "#12"}});
  EXPECT_EQ(d.scale, ScaleMode::show_all);
  EXPECT_FALSE(d.has_background);
  EXPECT_FALSE(d.transparent);
  EXPECT_TRUE(d.menu);
  EXPECT_EQ(d.quality, npfp::Quality::high);
}

TEST(PluginCoreStage, ColoursInTheirWrittenForms) {
  render::Rgba c;
  EXPECT_TRUE(npfp::parse_color("#A0b1C2", c));
  EXPECT_EQ(c.r, 0xA0);
  EXPECT_EQ(c.g, 0xB1);
  EXPECT_EQ(c.b, 0xC2);
  EXPECT_TRUE(npfp::parse_color("0x010203", c));
  EXPECT_EQ(c.b, 3);
  EXPECT_TRUE(npfp::parse_color("ffffff", c));
  EXPECT_EQ(c.g, 255);
  EXPECT_FALSE(npfp::parse_color("#ggg000", c));
  EXPECT_FALSE(npfp::parse_color("#1234567", c));
  EXPECT_FALSE(npfp::parse_color("", c));
}

}  // namespace
