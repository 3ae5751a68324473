// Whole movies made by the SWF writer, played by the player and compared with
// the pictures they must give (per channel, with a tolerance): one movie per
// feature the display list and the renderer offer, beyond the scene tests of
// the core.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "core/button.h"
#include "core/player.h"
#include "image_check.h"
#include "render/canvas.h"
#include "render/color.h"
#include "swf_bits.h"
#include "swfwriter/block_font.h"
#include "swfwriter/swf_writer.h"

namespace {

using render::Canvas;
using render_test::alpha_of;
using render_test::blue_of;
using render_test::green_of;
using render_test::red_of;
using swfwriter::Matrix;
using swfwriter::Placement;
using swfwriter::Rgba;
using swfwriter::ShapeBuilder;

constexpr int kTolerance = 3;

uint32_t argb(int r, int g, int b, int a = 255) {
  return uint32_t(a) << 24 | uint32_t(r * a / 255) << 16 | uint32_t(g * a / 255) << 8 |
         uint32_t(b * a / 255);
}

int twips(double pixels) { return int(pixels * 20); }

swfwriter::Movie movie_of(int width, int height, Rgba background = {255, 255, 255, 255}) {
  swfwriter::Movie m;
  m.width_twips = twips(width);
  m.height_twips = twips(height);
  m.frame_rate = 24;
  m.set_background_color(background);
  return m;
}

ShapeBuilder box(double x0, double y0, double x1, double y1, Rgba color) {
  ShapeBuilder s;
  s.rectangle(twips(x0), twips(y0), twips(x1), twips(y1),
              s.add_fill(swfwriter::FillStyle::solid(color)));
  return s;
}

// The picture after `frames` ticks at the movie's own size.
Canvas play(swfwriter::Movie& m, int frames = 1) {
  swfwriter::Bytes bytes = m.finish();
  npfp::Player player;
  player.feed(bytes.data(), bytes.size());
  player.finish_stream();
  for (int i = 0; i < frames; ++i) player.advance();
  Canvas canvas(m.width_twips / 20, m.height_twips / 20);
  player.render(canvas, canvas.bounds());
  return canvas;
}

void expect_pixel(const Canvas& c, int x, int y, uint32_t want, int tolerance = kTolerance) {
  uint32_t got = c.pixel(x, y);
  EXPECT_NEAR(alpha_of(got), alpha_of(want), tolerance) << "alpha at " << x << "," << y;
  EXPECT_NEAR(red_of(got), red_of(want), tolerance) << "red at " << x << "," << y;
  EXPECT_NEAR(green_of(got), green_of(want), tolerance) << "green at " << x << "," << y;
  EXPECT_NEAR(blue_of(got), blue_of(want), tolerance) << "blue at " << x << "," << y;
}

TEST(MovieGolden, LinearAndRadialGradientFills) {
  swfwriter::Movie m = movie_of(256, 100);
  ShapeBuilder ramp;
  ramp.rectangle(0, 0, twips(256), twips(40),
                 ramp.add_fill(swfwriter::FillStyle::linear(
                     swfwriter::FillStyle::gradient_box(0, 0, twips(256), twips(40)),
                     {{0, {0, 0, 0, 255}}, {255, {255, 255, 255, 255}}})));
  m.define_shape(1, ramp);
  ShapeBuilder disc;
  disc.rectangle(0, twips(50), twips(100), twips(100),
                 disc.add_fill(swfwriter::FillStyle::radial(
                     swfwriter::FillStyle::gradient_box(0, twips(50), twips(50), twips(100)),
                     {{0, {255, 0, 0, 255}}, {255, {0, 0, 255, 255}}})));
  m.define_shape(2, disc);
  m.place(Placement::place(1, 1));
  m.place(Placement::place(2, 2));
  m.show_frame();
  Canvas c = play(m);
  // The linear ramp: grey level equal to the column (one step per pixel).
  int bad = render_test::count_mismatches(
      c,
      [&](int x, int y) {
        if (y >= 40) return c.pixel(x, y);
        int v = x;
        return argb(v, v, v);
      },
      kTolerance, "movie-linear-gradient");
  EXPECT_EQ(bad, 0);
  // The radial one: its first colour at the centre, the last from the radius
  // on (pad spread), and half-way between them at half the radius.
  expect_pixel(c, 25, 75, argb(255, 0, 0), 12);
  expect_pixel(c, 90, 75, argb(0, 0, 255));
  expect_pixel(c, 25, 99, argb(0, 0, 255), 12);
  uint32_t middle = c.pixel(37, 75);
  EXPECT_NEAR(red_of(middle), 128, 12);
  EXPECT_NEAR(blue_of(middle), 128, 12);
}

TEST(MovieGolden, LineStylesDrawOutlinesOfTheirWidthAndColour) {
  swfwriter::Movie m = movie_of(60, 60);
  ShapeBuilder s;
  int line = s.add_line({uint16_t(twips(4)), {0, 0, 200, 255}});
  int fill = s.add_fill(swfwriter::FillStyle::solid({255, 220, 0, 255}));
  s.rectangle(twips(10), twips(10), twips(50), twips(50), fill, line);
  m.define_shape(1, s);
  m.place(Placement::place(1, 1));
  m.show_frame();
  Canvas c = play(m);
  // A 4-pixel line centred on the outline: pixels 8..12 of each side.
  for (int y : {8, 11, 48, 51}) expect_pixel(c, 30, y, argb(0, 0, 200));
  for (int x : {8, 11, 48, 51}) expect_pixel(c, x, 30, argb(0, 0, 200));
  expect_pixel(c, 30, 30, argb(255, 220, 0));
  expect_pixel(c, 13, 30, argb(255, 220, 0));
  expect_pixel(c, 6, 30, argb(255, 255, 255));
  expect_pixel(c, 53, 53, argb(255, 255, 255));
}

// DefineMorphShape: a red 20-pixel square at x 0 becoming a blue one at x 40.
swfwriter::Bytes morph_body() {
  render_test::SwfBits start, end;
  start.ub(1, 4);
  start.ub(0, 4);
  start.style_change(true, 0, 0, -1, 1, -1, 1, 0);
  start.line_to(400, 0);
  start.line_to(0, 400);
  start.line_to(-400, 0);
  start.line_to(0, -400);
  start.ub(0, 6);  // end of shape
  start.align();
  end.ub(0, 4);
  end.ub(0, 4);
  end.style_change(true, 800, 0, -1, -1, -1, 0, 0);
  end.line_to(400, 0);
  end.line_to(0, 400);
  end.line_to(-400, 0);
  end.line_to(0, -400);
  end.ub(0, 6);
  end.align();
  render_test::SwfBits styles;
  styles.u8(1);
  styles.u8(0);  // solid
  styles.rgba(255, 0, 0, 255);
  styles.rgba(0, 0, 255, 255);
  styles.u8(0);  // no lines
  render_test::SwfBits s;
  s.u16(1);
  s.rect(0, 400, 0, 400);
  s.rect(800, 1200, 0, 400);
  s.u32(uint32_t(styles.size() + start.size()));
  s.bytes(styles.data());
  s.bytes(start.data());
  s.bytes(end.data());
  return s.data();
}

TEST(MovieGolden, MorphShapesDrawAtTheirRatioAndFollowRatioChanges) {
  swfwriter::Movie m = movie_of(60, 20);
  m.tag(46, morph_body(), true);
  Placement p = Placement::place(1, 1);
  p.has_ratio = true;
  p.ratio = 0;
  m.place(p);
  m.show_frame();
  Placement half;
  half.depth = 1;
  half.move = true;
  half.has_ratio = true;
  half.ratio = 32768;
  m.place(half);
  m.show_frame();
  Placement last = half;
  last.ratio = 65535;
  m.place(last);
  m.show_frame();
  Canvas first = play(m, 1);
  expect_pixel(first, 10, 10, argb(255, 0, 0));
  expect_pixel(first, 30, 10, argb(255, 255, 255));
  Canvas middle = play(m, 2);
  expect_pixel(middle, 5, 10, argb(255, 255, 255));
  expect_pixel(middle, 30, 10, argb(128, 0, 127), 4);
  expect_pixel(middle, 45, 10, argb(255, 255, 255));
  Canvas end = play(m, 3);
  expect_pixel(end, 30, 10, argb(255, 255, 255));
  expect_pixel(end, 50, 10, argb(0, 0, 255));
}

TEST(MovieGolden, BlendModesOfPlaceObject3) {
  // A grey backdrop (128) and, over each quarter, a square of (255, 64, 0)
  // drawn with another blend mode.
  swfwriter::Movie m = movie_of(80, 20, {128, 128, 128, 255});
  m.define_shape(1, box(0, 0, 20, 20, {255, 64, 0, 255}));
  const uint8_t codes[4] = {3, 4, 5, 7};  // multiply, screen, lighten, difference
  for (int i = 0; i < 4; ++i) {
    Placement p = Placement::place(1, uint16_t(1 + i), Matrix::translation(twips(20 * i), 0));
    p.version3 = true;
    p.blend_mode = codes[i];
    m.place(p);
  }
  m.show_frame();
  Canvas c = play(m);
  expect_pixel(c, 10, 10, argb(128, 32, 0));     // multiply: a * b / 255
  expect_pixel(c, 30, 10, argb(255, 160, 128));  // screen: a + b - a * b / 255
  expect_pixel(c, 50, 10, argb(255, 128, 128));  // lighten: the larger
  expect_pixel(c, 70, 10, argb(127, 64, 128));   // difference: |a - b|
}

TEST(MovieGolden, ColourTransformsMultiplyAndAdd) {
  swfwriter::Movie m = movie_of(40, 20, {0, 0, 0, 255});
  m.define_shape(1, box(0, 0, 20, 20, {200, 100, 40, 255}));
  Placement half = Placement::place(1, 1);
  half.has_color_transform = true;
  half.color_transform.has_mult = true;
  half.color_transform.mult[0] = 128;  // red halved
  half.color_transform.has_add = true;
  half.color_transform.add[2] = 100;  // blue + 100
  m.place(half);
  Placement faded = Placement::place(1, 2, Matrix::translation(twips(20), 0));
  faded.has_color_transform = true;
  faded.color_transform.has_mult = true;
  faded.color_transform.mult[3] = 64;  // a quarter of the alpha
  faded.color_transform.has_add = true;
  faded.color_transform.add[1] = -100;  // no green left
  m.place(faded);
  m.show_frame();
  Canvas c = play(m);
  expect_pixel(c, 10, 10, argb(100, 100, 140));
  expect_pixel(c, 30, 10, argb(50, 0, 10));
}

TEST(MovieGolden, SpritesAdvanceTheirOwnTimelinesEveryFrame) {
  // A three-frame sprite cycling red, green, blue inside a one-frame movie.
  swfwriter::Movie m = movie_of(20, 20);
  m.define_shape(1, box(0, 0, 20, 20, {255, 0, 0, 255}));
  m.define_shape(2, box(0, 0, 20, 20, {0, 255, 0, 255}));
  m.define_shape(3, box(0, 0, 20, 20, {0, 0, 255, 255}));
  swfwriter::TagStream sprite;
  for (uint16_t id = 1; id <= 3; ++id) {
    if (id > 1) sprite.remove(1);
    sprite.place(Placement::place(id, 1));
    sprite.show_frame();
  }
  m.define_sprite(4, 3, sprite);
  m.place(Placement::place(4, 1));
  m.show_frame();
  const uint32_t cycle[3] = {argb(255, 0, 0), argb(0, 255, 0), argb(0, 0, 255)};
  for (int frames = 1; frames <= 5; ++frames) {
    SCOPED_TRACE(frames);
    expect_pixel(play(m, frames), 10, 10, cycle[(frames - 1) % 3]);
  }
}

TEST(MovieGolden, FirstVersionPlaceAndRemoveTags) {
  swfwriter::Movie m = movie_of(40, 20);
  m.frame_count = 2;
  m.define_shape(1, box(0, 0, 20, 20, {0, 128, 255, 255}));
  m.place_object1(1, 1, Matrix());
  m.place_object1(1, 2, Matrix::translation(twips(20), 0));
  m.show_frame();
  m.remove_object1(1, 2);
  m.show_frame();
  Canvas one = play(m, 1);
  expect_pixel(one, 10, 10, argb(0, 128, 255));
  expect_pixel(one, 30, 10, argb(0, 128, 255));
  Canvas two = play(m, 2);
  expect_pixel(two, 10, 10, argb(0, 128, 255));
  expect_pixel(two, 30, 10, argb(255, 255, 255));
}

TEST(MovieGolden, EditTextShowsItsTextInTheEmbeddedFont) {
  swfwriter::Movie m = movie_of(200, 40);
  m.define_font2(1, swfwriter::block_font2());
  swfwriter::EditText field;
  field.x_min = 0;
  field.y_min = 0;
  field.x_max = twips(200);
  field.y_max = twips(40);
  field.font_id = 1;
  field.font_height = twips(20);
  field.has_color = true;
  field.color = {200, 0, 0, 255};
  field.has_text = true;
  field.text = "HH";
  m.define_edit_text(2, field);
  m.place(Placement::place(2, 1));
  m.show_frame();
  Canvas c = play(m);
  // Two block letters of a 20-pixel font cover well over a hundred pixels,
  // in the text colour (edges blend it with white: red stays full), and only
  // in the left part of the field.
  int red = 0;
  for (int y = 0; y < 40; ++y)
    for (int x = 0; x < 200; ++x) {
      uint32_t p = c.pixel(x, y);
      if (p == argb(200, 0, 0)) ++red;
      EXPECT_EQ(green_of(p), blue_of(p)) << x << "," << y;
      EXPECT_GE(red_of(p), 200) << x << "," << y;
    }
  EXPECT_GT(red, 100);
  for (int y = 0; y < 40; ++y)
    for (int x = 100; x < 200; ++x) EXPECT_EQ(c.pixel(x, y), argb(255, 255, 255));
}

TEST(MovieGolden, PaletteAndAlphaBitmapsAsFills) {
  swfwriter::Movie m = movie_of(40, 20, {0, 0, 0, 255});
  // A 2 x 2 palette picture: red, green / blue, white, one pixel per 10.
  m.define_bits_lossless_palette(
      1, 2, 2, {{255, 0, 0, 255}, {0, 255, 0, 255}, {0, 0, 255, 255}, {255, 255, 255, 255}},
      {0, 1, 2, 3}, false);
  ShapeBuilder a;
  a.rectangle(0, 0, twips(20), twips(20),
              a.add_fill(swfwriter::FillStyle::bitmap(1, Matrix::scaling(200, 200), true, false)));
  m.define_shape(2, a);
  // A half-transparent white bitmap over the black stage.
  m.define_bits_lossless(3, 2, 2, std::vector<Rgba>(4, Rgba{255, 255, 255, 128}), true);
  ShapeBuilder b;
  b.rectangle(twips(20), 0, twips(40), twips(20),
              b.add_fill(swfwriter::FillStyle::bitmap(3, Matrix::scaling(200, 200, twips(20), 0),
                                                      true, false)));
  m.define_shape(4, b);
  m.place(Placement::place(2, 1));
  m.place(Placement::place(4, 2));
  m.show_frame();
  Canvas c = play(m);
  expect_pixel(c, 5, 5, argb(255, 0, 0));
  expect_pixel(c, 15, 5, argb(0, 255, 0));
  expect_pixel(c, 5, 15, argb(0, 0, 255));
  expect_pixel(c, 15, 15, argb(255, 255, 255));
  expect_pixel(c, 30, 10, argb(128, 128, 128));
}

TEST(MovieGolden, ButtonsShowTheirUpState) {
  swfwriter::Movie m = movie_of(40, 20);
  m.define_shape(1, box(0, 0, 20, 20, {0, 160, 0, 255}));
  m.define_shape(2, box(0, 0, 20, 20, {160, 0, 0, 255}));
  swfwriter::ButtonPart up;
  up.states = 1 | 8;
  up.character = 1;
  swfwriter::ButtonPart over;
  over.states = 2 | 4;
  over.character = 2;
  over.depth = 2;
  m.define_button(3, {up, over}, false, 2);
  m.define_button(4, {up, over}, false, 1);
  m.place(Placement::place(3, 1));
  m.place(Placement::place(4, 2, Matrix::translation(twips(20), 0)));
  m.show_frame();
  Canvas c = play(m);
  expect_pixel(c, 10, 10, argb(0, 160, 0));
  expect_pixel(c, 30, 10, argb(0, 160, 0));
}

}  // namespace

namespace {

// Which buttons carry actions decides which outside movies count as needing
// no scripts: DefineButton's action list after its records, DefineButton2's
// action offset.
TEST(MovieGolden, ButtonsTellWhetherTheyCarryActions) {
  // id 5; one record: up and hit states, character 1, depth 1, empty matrix.
  const std::vector<uint8_t> record = {0x09, 1, 0, 1, 0, 0x00};
  auto button1 = [&](std::vector<uint8_t> actions) {
    std::vector<uint8_t> body = {5, 0};
    body.insert(body.end(), record.begin(), record.end());
    body.push_back(0);  // end of records
    body.insert(body.end(), actions.begin(), actions.end());
    return body;
  };
  auto button2 = [&](uint16_t offset) {
    std::vector<uint8_t> body = {5, 0, 0, uint8_t(offset), uint8_t(offset >> 8)};
    body.insert(body.end(), record.begin(), record.end());
    body.push_back(0x00);  // colour transform without terms
    body.push_back(0);     // end of records
    if (offset) body.insert(body.end(), {0, 0, 0x08, 0, 0x07, 0});  // on release: stop
    return body;
  };
  struct Case {
    int tag;
    std::vector<uint8_t> body;
    bool actions;
  };
  const Case cases[] = {
      {7, button1({0x07, 0x00}), true},                           // stop, end
      {7, button1({0x00}), false},      {7, button1({}), false},  // the list is cut off
      {34, button2(0), false},          {34, button2(10), true},
  };
  for (const Case& c : cases) {
    npfp::ButtonDefinition button;
    button.parse(c.tag, c.body.data(), c.body.size());
    EXPECT_EQ(button.has_actions(), c.actions) << c.tag << " of " << c.body.size() << " bytes";
    ASSERT_EQ(button.records().size(), 1u);
    EXPECT_EQ(button.records()[0].character, 1);
  }
}

}  // namespace
