// The player drawing frames through the renderer: stage colour, placement
// and scaling, the clip, masks, colour transforms of sprites, text and
// transparent mode. Pixels are compared with a small tolerance.
#include <gtest/gtest.h>

#include <cstdlib>

#include "core/player.h"
#include "render/color.h"
#include "swfwriter/block_font.h"
#include "test_movies.h"

namespace {

using namespace plugin_core_test;
using swfwriter::Matrix;
using swfwriter::Placement;

::testing::AssertionResult near_colour(uint32_t actual, uint32_t expected) {
  for (int shift = 0; shift < 32; shift += 8) {
    int a = (actual >> shift) & 0xFF, e = (expected >> shift) & 0xFF;
    if (std::abs(a - e) > 3) {
      char text[80];
      std::snprintf(text, sizeof text, "pixel %08X, expected %08X", static_cast<unsigned>(actual),
                    static_cast<unsigned>(expected));
      return ::testing::AssertionFailure() << text;
    }
  }
  return ::testing::AssertionSuccess();
}

const uint32_t kMovieBackground = 0xFF0A141E;  // (10, 20, 30)
const uint32_t kRed = 0xFFFF0000;
const uint32_t kBlue = 0xFF0000FF;

render::Canvas draw(npfp::Player& p, int w, int h) {
  render::Canvas c(w, h);
  p.render(c, c.bounds());
  return c;
}

TEST(PluginCoreRender, FirstFrameOnTheMovieBackground) {
  auto p = load(three_frame_movie());
  p->advance();
  render::Canvas c = draw(*p, 200, 100);
  EXPECT_TRUE(near_colour(c.pixel(5, 5), kMovieBackground));
  EXPECT_TRUE(near_colour(c.pixel(15, 15), kRed));  // square from (10,10) to (30,30)
  EXPECT_TRUE(near_colour(c.pixel(35, 15), kMovieBackground));
  EXPECT_TRUE(near_colour(c.pixel(199, 99), kMovieBackground));

  p->advance();  // the square moved 40 pixels right
  c = draw(*p, 200, 100);
  EXPECT_TRUE(near_colour(c.pixel(15, 15), kMovieBackground));
  EXPECT_TRUE(near_colour(c.pixel(55, 15), kRed));

  p->advance();  // red gone, blue at (100,30)-(120,50)
  c = draw(*p, 200, 100);
  EXPECT_TRUE(near_colour(c.pixel(55, 15), kMovieBackground));
  EXPECT_TRUE(near_colour(c.pixel(110, 40), kBlue));
}

TEST(PluginCoreRender, StageScalesAndTheParameterColourWins) {
  auto p = load(three_frame_movie());
  npfp::StageOptions o;
  o.has_background = true;
  o.background = {0, 255, 0, 255};
  o.scale = npfp::ScaleMode::show_all;
  p->set_options(o);
  p->advance();
  // Twice the movie's size: the square covers (20,20)-(60,60).
  render::Canvas c = draw(*p, 400, 200);
  EXPECT_TRUE(near_colour(c.pixel(15, 15), 0xFF00FF00));
  EXPECT_TRUE(near_colour(c.pixel(40, 40), kRed));
  EXPECT_TRUE(near_colour(c.pixel(65, 40), 0xFF00FF00));

  // Show all in a tall window: letterbox above and below, in the stage colour.
  c = draw(*p, 200, 300);  // movie 200x100 centred: rows 100..200
  EXPECT_TRUE(near_colour(c.pixel(15, 50), 0xFF00FF00));
  EXPECT_TRUE(near_colour(c.pixel(15, 115), kRed));
}

TEST(PluginCoreRender, OnlyTheClipChanges) {
  auto p = load(three_frame_movie());
  p->advance();
  render::Canvas c(200, 100);
  c.clear(0x12345678);
  p->render(c, render::IntRect{0, 0, 20, 100});
  EXPECT_TRUE(near_colour(c.pixel(15, 15), kRed));
  EXPECT_TRUE(near_colour(c.pixel(5, 5), kMovieBackground));
  EXPECT_EQ(c.pixel(25, 15), 0x12345678u);  // inside the square but outside the clip
  EXPECT_EQ(c.pixel(150, 50), 0x12345678u);
}

TEST(PluginCoreRender, TransparentModeKeepsWhatIsUnderneath) {
  auto p = load(three_frame_movie());
  npfp::StageOptions o;
  o.transparent = true;
  p->set_options(o);
  p->advance();
  render::Canvas c(200, 100);
  c.clear(0xFFFFFFFF);
  p->render(c, c.bounds());
  EXPECT_EQ(c.pixel(5, 5), 0xFFFFFFFFu);
  EXPECT_TRUE(near_colour(c.pixel(15, 15), kRed));
}

TEST(PluginCoreRender, OnlyTheFirstBackgroundColourCounts) {
  swfwriter::Movie m;
  m.width_twips = 100 * 20;
  m.height_twips = 100 * 20;
  m.frame_count = 2;
  m.set_background_color({10, 20, 30, 255});
  m.show_frame();
  m.set_background_color({200, 0, 0, 255});
  m.show_frame();
  auto p = load(m.finish());
  p->advance();
  p->advance();
  EXPECT_EQ(p->current_frame(), 1);
  render::Canvas c = draw(*p, 100, 100);
  EXPECT_TRUE(near_colour(c.pixel(50, 50), kMovieBackground));
}

TEST(PluginCoreRender, ClipDepthMaskShowsOnlyInsideTheMask) {
  swfwriter::Movie m;
  m.width_twips = 100 * 20;
  m.height_twips = 100 * 20;
  m.set_background_color({10, 20, 30, 255});
  m.define_shape(1, rectangle_shape(0, 0, 50 * 20, 100 * 20, {0, 0, 0, 255}));     // left half
  m.define_shape(2, rectangle_shape(0, 0, 100 * 20, 100 * 20, {255, 0, 0, 255}));  // everything
  Placement mask = Placement::place(1, 1);
  mask.clip_depth = 2;
  m.place(mask);
  m.place(Placement::place(2, 2));                                   // masked
  m.place(Placement::place(2, 3, Matrix::translation(0, 80 * 20)));  // above the mask's reach
  m.show_frame();
  auto p = load(m.finish());
  p->advance();
  render::Canvas c = draw(*p, 100, 100);
  EXPECT_TRUE(near_colour(c.pixel(25, 40), kRed));
  EXPECT_TRUE(near_colour(c.pixel(75, 40), kMovieBackground));  // mask not drawn, object clipped
  EXPECT_TRUE(near_colour(c.pixel(75, 90), kRed));              // depth 3 is not masked
}

TEST(PluginCoreRender, SpriteColourTransformAppliesToItsChildren) {
  swfwriter::Movie m;
  m.width_twips = 100 * 20;
  m.height_twips = 100 * 20;
  m.set_background_color({10, 20, 30, 255});
  m.define_shape(1, rectangle_shape(0, 0, 100 * 20, 100 * 20, {255, 0, 0, 255}));
  swfwriter::TagStream inner;
  inner.place(Placement::place(1, 1));
  inner.show_frame();
  m.define_sprite(2, 1, inner);
  Placement p = Placement::place(2, 1, Matrix::scaling(0.5, 0.5));
  p.has_color_transform = true;
  p.color_transform.has_mult = true;
  p.color_transform.has_add = true;
  p.color_transform.mult[0] = 0;
  p.color_transform.add[1] = 255;
  m.place(p);
  m.show_frame();
  auto player = load(m.finish());
  player->advance();
  render::Canvas c = draw(*player, 100, 100);
  EXPECT_TRUE(near_colour(c.pixel(25, 25), 0xFF00FF00));
  EXPECT_TRUE(near_colour(c.pixel(75, 75), kMovieBackground));
}

TEST(PluginCoreRender, StaticTextDrawsItsGlyphs) {
  swfwriter::Movie m;
  m.width_twips = 100 * 20;
  m.height_twips = 100 * 20;
  m.set_background_color({10, 20, 30, 255});
  m.define_font(1, swfwriter::block_font_glyphs());
  // "I" at 1024 twips (51.2 px) high: its top bar spans the full cell width.
  swfwriter::TextRun run = swfwriter::block_font_run(1, "I", 1024, {255, 255, 0, 255}, 0, 0);
  m.define_text(2, 0, -1024, 800, 0, Matrix(), {run}, 1);
  m.place(Placement::place(2, 1, Matrix::translation(200, 1200)));  // baseline at y = 60 px
  m.show_frame();
  auto p = load(m.finish());
  p->advance();
  render::Canvas c = draw(*p, 100, 100);
  // Glyph cells are 128 EM units = 6.4 px; the top bar is row 0 of 7
  // (y from 60 - 44.8 = 15.2 to 21.6), the stem is column 2 (x from 22.8 to 29.2).
  EXPECT_TRUE(near_colour(c.pixel(14, 18), 0xFFFFFF00));
  EXPECT_TRUE(near_colour(c.pixel(26, 40), 0xFFFFFF00));
  EXPECT_TRUE(near_colour(c.pixel(14, 40), kMovieBackground));
  EXPECT_TRUE(near_colour(c.pixel(50, 80), kMovieBackground));
}

TEST(PluginCoreRender, BitmapFillShowsTheBitmap) {
  swfwriter::Movie m;
  m.width_twips = 100 * 20;
  m.height_twips = 100 * 20;
  m.set_background_color({10, 20, 30, 255});
  std::vector<Rgba> pixels;  // 2 x 2: red, green / blue, white
  pixels.push_back({255, 0, 0, 255});
  pixels.push_back({0, 255, 0, 255});
  pixels.push_back({0, 0, 255, 255});
  pixels.push_back({255, 255, 255, 255});
  m.define_bits_lossless(1, 2, 2, pixels, false);
  swfwriter::ShapeBuilder s;
  // Each bitmap pixel 40 x 40 screen pixels, not smoothed.
  int fill = s.add_fill(swfwriter::FillStyle::bitmap(1, Matrix::scaling(800, 800), true, false));
  s.rectangle(0, 0, 1600, 1600, fill);
  m.define_shape(2, s);
  m.place(Placement::place(2, 1));
  m.show_frame();
  auto p = load(m.finish());
  p->advance();
  render::Canvas c = draw(*p, 100, 100);
  EXPECT_TRUE(near_colour(c.pixel(20, 20), kRed));
  EXPECT_TRUE(near_colour(c.pixel(60, 20), 0xFF00FF00));
  EXPECT_TRUE(near_colour(c.pixel(20, 60), kBlue));
  EXPECT_TRUE(near_colour(c.pixel(60, 60), 0xFFFFFFFF));
  EXPECT_TRUE(near_colour(c.pixel(90, 90), kMovieBackground));
}

TEST(PluginCoreRender, NothingLoadedDrawsTheStageColourOnly) {
  npfp::Player p;
  render::Canvas c = draw(p, 10, 10);
  EXPECT_EQ(c.pixel(3, 3), 0xFFFFFFFFu);  // white until the movie says otherwise
}

}  // namespace
