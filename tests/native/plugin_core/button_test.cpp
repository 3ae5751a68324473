// Buttons: the records of each state, the hit area, and the states the
// mouse moves them through (push and menu tracking), including sprites that
// a state shows.
#include "core/button.h"

#include <gtest/gtest.h>

#include "core/player.h"
#include "test_movies.h"

namespace {

using namespace plugin_core_test;
using swfwriter::Matrix;
using swfwriter::Placement;

const uint32_t kRed = 0xFFFF0000, kGreen = 0xFF00FF00, kBlue = 0xFF0000FF;
const uint32_t kBackground = 0xFF0A141E;

// A 100 x 100 movie; a button at (20, 20) whose 40 x 40 square is red when
// up, green when over, blue when pressed; the hit area is the same square.
// With `sprite_over`, the over state shows a sprite (id 9) of two frames,
// green then blue.
Bytes button_movie(bool menu, bool sprite_over = false) {
  swfwriter::Movie m;
  m.width_twips = 100 * 20;
  m.height_twips = 100 * 20;
  m.set_background_color({10, 20, 30, 255});
  m.define_shape(1, rectangle_shape(0, 0, 800, 800, {255, 0, 0, 255}));
  m.define_shape(2, rectangle_shape(0, 0, 800, 800, {0, 255, 0, 255}));
  m.define_shape(3, rectangle_shape(0, 0, 800, 800, {0, 0, 255, 255}));
  swfwriter::TagStream blink;
  blink.place(Placement::place(2, 1));
  blink.show_frame();
  blink.remove(1);
  blink.place(Placement::place(3, 1));
  blink.show_frame();
  m.define_sprite(9, 2, blink);
  std::vector<swfwriter::ButtonPart> parts(4);
  parts[0].states = 1;
  parts[0].character = 1;
  parts[1].states = 2;
  parts[1].character = sprite_over ? 9 : 2;
  parts[2].states = 4;
  parts[2].character = 3;
  parts[3].states = 8;
  parts[3].character = 1;
  for (size_t i = 0; i < parts.size(); ++i) parts[i].depth = static_cast<uint16_t>(i + 1);
  m.define_button(5, parts, menu);
  m.place(Placement::place(5, 1, Matrix::translation(400, 400)));
  m.show_frame();
  return m.finish();
}

uint32_t centre(npfp::Player& p) {
  render::Canvas c(100, 100);
  p.render(c, c.bounds());
  return c.pixel(40, 40);
}

npfp::InputEvent mouse(npfp::InputEvent::Type type, int x, int y) {
  npfp::InputEvent e;
  e.type = type;
  e.x = x;
  e.y = y;
  return e;
}

TEST(PluginCoreButton, RecordsAreReadPerState) {
  swfwriter::TagStream s;
  std::vector<swfwriter::ButtonPart> parts(2);
  parts[0].states = 1 | 8;
  parts[0].character = 4;
  parts[0].depth = 2;
  parts[1].states = 2 | 4;
  parts[1].character = 6;
  parts[1].depth = 1;
  parts[1].matrix = Matrix::translation(10, 20);
  for (int version : {1, 2}) {
    swfwriter::TagStream t;
    t.define_button(3, parts, true, version);
    const Bytes& tag = t.bytes();
    npfp::ButtonDefinition b;
    ASSERT_TRUE(b.parse(version == 2 ? 34 : 7, tag.data() + 2, tag.size() - 2));
    EXPECT_EQ(b.id(), 3);
    EXPECT_EQ(b.track_as_menu(), version == 2);
    ASSERT_EQ(b.records().size(), 2u);
    EXPECT_EQ(b.records()[0].character, 6);  // sorted by depth
    EXPECT_EQ(b.records()[0].matrix.ty, 20);
    ASSERT_EQ(b.records_for(npfp::kButtonHitTest).size(), 1u);
    EXPECT_EQ(b.records_for(npfp::kButtonHitTest)[0]->character, 4);
    EXPECT_EQ(b.records_for(npfp::kButtonDown).size(), 1u);
    // Cut short: the records before the cut stay.
    npfp::ButtonDefinition cut;
    EXPECT_FALSE(cut.parse(version == 2 ? 34 : 7, tag.data() + 2, tag.size() - 6));
    EXPECT_LE(cut.records().size(), 2u);
  }
}

TEST(PluginCoreButton, PushButtonFollowsTheMouse) {
  auto p = load(button_movie(false));
  p->advance();
  EXPECT_EQ(centre(*p), kRed);
  EXPECT_FALSE(p->handle_input(mouse(npfp::InputEvent::mouse_move, 5, 5)));  // outside
  EXPECT_FALSE(p->mouse_over_button());
  EXPECT_TRUE(p->handle_input(mouse(npfp::InputEvent::mouse_move, 30, 30)));
  EXPECT_TRUE(p->mouse_over_button());
  EXPECT_EQ(centre(*p), kGreen);
  EXPECT_TRUE(p->handle_input(mouse(npfp::InputEvent::mouse_down, 30, 30)));
  EXPECT_EQ(centre(*p), kBlue);
  // Dragged out while pressed: a push button shows "over".
  EXPECT_TRUE(p->handle_input(mouse(npfp::InputEvent::mouse_move, 90, 90)));
  EXPECT_EQ(centre(*p), kGreen);
  EXPECT_TRUE(p->handle_input(mouse(npfp::InputEvent::mouse_move, 59, 59)));  // back in
  EXPECT_EQ(centre(*p), kBlue);
  EXPECT_TRUE(p->handle_input(mouse(npfp::InputEvent::mouse_up, 90, 90)));
  EXPECT_EQ(centre(*p), kRed);
  EXPECT_EQ(p->pending_input(), 6u);  // every event is kept for scripts
}

TEST(PluginCoreButton, MenuButtonLetsGoWhenDraggedOutAndPressedOutsideNeverDown) {
  auto p = load(button_movie(true));
  p->advance();
  p->handle_input(mouse(npfp::InputEvent::mouse_down, 30, 30));
  EXPECT_EQ(centre(*p), kBlue);
  p->handle_input(mouse(npfp::InputEvent::mouse_move, 90, 90));
  EXPECT_EQ(centre(*p), kRed);
  p->handle_input(mouse(npfp::InputEvent::mouse_up, 90, 90));

  auto push = load(button_movie(false));
  push->advance();
  push->handle_input(mouse(npfp::InputEvent::mouse_down, 90, 90));
  push->handle_input(mouse(npfp::InputEvent::mouse_move, 30, 30));  // dragged in
  EXPECT_EQ(centre(*push), kRed);
  push->handle_input(mouse(npfp::InputEvent::mouse_up, 30, 30));
  EXPECT_EQ(centre(*push), kGreen);
}

TEST(PluginCoreButton, HitAreaFollowsTheStageScale) {
  auto p = load(button_movie(false));
  p->advance();
  p->set_viewport(200, 200);  // shown at twice the size: the square spans 40..120
  EXPECT_FALSE(p->handle_input(mouse(npfp::InputEvent::mouse_move, 30, 30)));
  EXPECT_TRUE(p->handle_input(mouse(npfp::InputEvent::mouse_move, 100, 100)));
}

TEST(PluginCoreButton, StateSpritesPlayAndRestart) {
  auto p = load(button_movie(false, true));
  p->advance();
  p->handle_input(mouse(npfp::InputEvent::mouse_move, 30, 30));
  EXPECT_EQ(centre(*p), kGreen);  // the sprite's first frame
  EXPECT_TRUE(p->advance());
  EXPECT_EQ(centre(*p), kBlue);  // its second
  p->handle_input(mouse(npfp::InputEvent::mouse_move, 5, 5));
  EXPECT_EQ(centre(*p), kRed);
  p->handle_input(mouse(npfp::InputEvent::mouse_move, 30, 30));
  EXPECT_EQ(centre(*p), kGreen);  // shown again from its first frame
  EXPECT_TRUE(p->root()->object_at(1) != nullptr);
  EXPECT_EQ(p->root()->object_at(1)->button_state, npfp::kButtonOver);
}

TEST(PluginCoreButton, ButtonsThatShowThemselvesStillDraw) {
  // Button 5 shows a red square and itself four times; buttons 10..19 each
  // show the next one four times (a million squares): both nest without end
  // or beyond reason, yet draw in bounded time.
  swfwriter::Movie m;
  m.width_twips = 100 * 20;
  m.height_twips = 100 * 20;
  m.set_background_color({10, 20, 30, 255});
  m.define_shape(1, rectangle_shape(0, 0, 800, 800, {255, 0, 0, 255}));
  std::vector<swfwriter::ButtonPart> parts(5);
  for (size_t i = 0; i < parts.size(); ++i) {
    parts[i].states = 1 | 8;
    parts[i].character = i == 0 ? 1 : 5;
    parts[i].depth = static_cast<uint16_t>(i + 1);
    parts[i].matrix = Matrix::scaling(0.5, 0.5);
  }
  parts[0].matrix = Matrix();
  m.define_button(5, parts, false);
  for (uint16_t id = 19; id >= 10; --id) {
    std::vector<swfwriter::ButtonPart> fan(4);
    for (size_t i = 0; i < fan.size(); ++i) {
      fan[i].states = 1 | 8;
      fan[i].character = id == 19 ? 1 : static_cast<uint16_t>(id + 1);
      fan[i].depth = static_cast<uint16_t>(i + 1);
    }
    m.define_button(id, fan, false);
  }
  m.place(Placement::place(5, 1, Matrix::translation(400, 400)));
  m.place(Placement::place(10, 2, Matrix::translation(1200, 1200)));
  m.show_frame();
  auto p = load(m.finish());
  p->advance();
  render::Canvas c(100, 100);
  p->render(c, c.bounds());
  EXPECT_EQ(c.pixel(30, 30), kRed);
  EXPECT_EQ(c.pixel(70, 70), kRed);
  EXPECT_EQ(c.pixel(5, 5), kBackground);
  p->handle_input(mouse(npfp::InputEvent::mouse_move, 30, 30));
  EXPECT_TRUE(p->mouse_over_button());
  p->handle_input(mouse(npfp::InputEvent::mouse_move, 70, 70));
  EXPECT_TRUE(p->mouse_over_button());
}

}  // namespace
