// Timelines and display lists: frames advance, the list after N frames,
// sprites with their own looping playheads, going back by rebuilding, and
// a playhead that waits for frames still on their way.
#include "core/timeline.h"

#include <gtest/gtest.h>

#include "core/player.h"
#include "test_movies.h"

namespace {

using namespace plugin_core_test;
using swfwriter::Matrix;
using swfwriter::Placement;

std::vector<uint16_t> depths(const npfp::TimelineInstance& t) {
  std::vector<uint16_t> out;
  for (const auto& e : t.display_list()) out.push_back(e.first);
  return out;
}

TEST(PluginCoreTimeline, DisplayListFollowsTheFramesAndLoops) {
  auto p = load(three_frame_movie());
  EXPECT_EQ(p->current_frame(), -1);
  EXPECT_TRUE(p->advance());  // shows frame 1
  EXPECT_EQ(p->current_frame(), 0);
  const npfp::TimelineInstance& root = *p->root();
  ASSERT_EQ(depths(root), std::vector<uint16_t>({1}));
  EXPECT_EQ(root.object_at(1)->character, 1);
  EXPECT_EQ(root.object_at(1)->matrix.tx, 200);
  uint64_t first_serial = root.object_at(1)->serial;

  EXPECT_TRUE(p->advance());
  EXPECT_EQ(p->current_frame(), 1);
  EXPECT_EQ(root.object_at(1)->matrix.tx, 1000);
  EXPECT_EQ(root.object_at(1)->matrix.ty, 200);  // a move keeps what it does not give
  EXPECT_EQ(root.object_at(1)->serial, first_serial);

  EXPECT_TRUE(p->advance());
  EXPECT_EQ(p->current_frame(), 2);
  ASSERT_EQ(depths(root), std::vector<uint16_t>({2}));
  EXPECT_EQ(root.object_at(2)->matrix.ty, 600);

  // Looping rebuilds frame 1.
  EXPECT_TRUE(p->advance());
  EXPECT_EQ(p->current_frame(), 0);
  ASSERT_EQ(depths(root), std::vector<uint16_t>({1}));
  EXPECT_EQ(root.object_at(1)->matrix.tx, 200);

  for (int i = 0; i < 6; ++i) p->advance();  // 10 ticks in all
  EXPECT_EQ(p->current_frame(), 0);
}

TEST(PluginCoreTimeline, SingleFrameMovieStaysPutAndReportsNoChange) {
  swfwriter::Movie m;
  m.define_shape(1, rectangle_shape(0, 0, 20, 20, {1, 2, 3, 255}));
  m.place(Placement::place(1, 1));
  m.show_frame();
  auto p = load(m.finish());
  EXPECT_TRUE(p->advance());
  for (int i = 0; i < 3; ++i) EXPECT_FALSE(p->advance());
  EXPECT_EQ(p->current_frame(), 0);
  EXPECT_NE(p->root()->object_at(1), nullptr);
}

// A sprite (id 5) of 3 frames that moves its square to x = 0, 100, 200,
// placed in a main movie of 2 frames that keeps it at depth 1.
Bytes sprite_movie() {
  swfwriter::Movie m;
  m.frame_count = 2;
  m.define_shape(1, rectangle_shape(0, 0, 20, 20, {1, 2, 3, 255}));
  swfwriter::TagStream inner;
  for (int f = 0; f < 3; ++f) {
    Matrix at = Matrix::translation(100 * f, 0);
    inner.place(f == 0 ? Placement::place(1, 1, at) : Placement::move_to(1, at));
    inner.show_frame();
  }
  m.define_sprite(5, 3, inner);
  m.place(Placement::place(5, 1));
  m.show_frame();
  m.show_frame();
  return m.finish();
}

TEST(PluginCoreTimeline, SpritesPlayTheirOwnTimelineAndLoop) {
  auto p = load(sprite_movie());
  p->advance();
  const npfp::DisplayObject* clip = p->root()->object_at(1);
  ASSERT_NE(clip, nullptr);
  ASSERT_TRUE(clip->sprite);
  uint64_t serial = clip->serial;
  std::vector<int> positions, frames;
  for (int tick = 0; tick < 7; ++tick) {
    clip = p->root()->object_at(1);
    ASSERT_TRUE(clip && clip->sprite);
    frames.push_back(clip->sprite->current_frame());
    positions.push_back(static_cast<int>(clip->sprite->object_at(1)->matrix.tx));
    p->advance();
  }
  // The sprite keeps playing across the main movie's loop: the main movie
  // has 2 frames, the sprite 3, and the sprite is kept (same character).
  EXPECT_EQ(frames, std::vector<int>({0, 1, 2, 0, 1, 2, 0}));
  EXPECT_EQ(positions, std::vector<int>({0, 100, 200, 0, 100, 200, 0}));
  EXPECT_EQ(p->root()->object_at(1)->serial, serial);
}

TEST(PluginCoreTimeline, GotoBackRebuildsAndKeepsObjectsThatStay) {
  swfwriter::Movie m;
  m.define_shape(1, rectangle_shape(0, 0, 20, 20, {1, 2, 3, 255}));
  m.define_shape(2, rectangle_shape(0, 0, 20, 20, {1, 2, 3, 255}));
  m.place(Placement::place(1, 1, Matrix::translation(10, 0)));
  m.show_frame();
  m.place(Placement::move_to(1, Matrix::translation(20, 0)));
  m.place(Placement::place(2, 2));
  m.show_frame();
  m.remove(2);
  Placement replace = Placement::move_to(1, Matrix::translation(30, 0));
  replace.has_character = true;
  replace.character = 2;  // the object at depth 1 now shows character 2
  m.place(replace);
  m.show_frame();
  auto p = load(m.finish());
  p->advance();
  p->advance();
  uint64_t kept = p->root()->object_at(1)->serial;
  EXPECT_TRUE(p->root()->goto_frame(0));
  EXPECT_EQ(p->root()->current_frame(), 0);
  EXPECT_EQ(depths(*p->root()), std::vector<uint16_t>({1}));
  EXPECT_EQ(p->root()->object_at(1)->serial, kept);  // same character, same depth: kept
  EXPECT_EQ(p->root()->object_at(1)->matrix.tx, 10);

  EXPECT_TRUE(p->root()->goto_frame(2));
  EXPECT_EQ(depths(*p->root()), std::vector<uint16_t>({1}));
  EXPECT_EQ(p->root()->object_at(1)->character, 2);
  EXPECT_EQ(p->root()->object_at(1)->matrix.tx, 30);
  uint64_t replaced = p->root()->object_at(1)->serial;

  // Back to frame 2 (index 1): character 1 at depth 1 is not what shows now,
  // so the object is made anew, and depth 2 returns.
  EXPECT_TRUE(p->root()->goto_frame(1));
  EXPECT_EQ(depths(*p->root()), std::vector<uint16_t>({1, 2}));
  EXPECT_EQ(p->root()->object_at(1)->character, 1);
  EXPECT_NE(p->root()->object_at(1)->serial, replaced);
  EXPECT_EQ(p->root()->object_at(1)->matrix.tx, 20);
  EXPECT_FALSE(p->root()->goto_frame(1));  // already there
  EXPECT_TRUE(p->root()->goto_frame(99));  // clamped to the last frame
  EXPECT_EQ(p->root()->current_frame(), 2);
}

TEST(PluginCoreTimeline, PlaceWithoutMoveReplacesAndRemoveObjectOneWorks) {
  swfwriter::Movie m;
  m.define_shape(1, rectangle_shape(0, 0, 20, 20, {1, 2, 3, 255}));
  m.define_shape(2, rectangle_shape(0, 0, 20, 20, {1, 2, 3, 255}));
  m.place_object1(1, 3, Matrix::translation(5, 6));
  m.show_frame();
  m.place(Placement::place(2, 3));  // a new object at an occupied depth
  m.show_frame();
  m.remove_object1(2, 3);
  m.show_frame();
  auto p = load(m.finish());
  p->advance();
  ASSERT_NE(p->root()->object_at(3), nullptr);
  EXPECT_EQ(p->root()->object_at(3)->matrix.ty, 6);
  p->advance();
  EXPECT_EQ(p->root()->object_at(3)->character, 2);
  EXPECT_EQ(p->root()->object_at(3)->matrix.ty, 0);  // a new object starts afresh
  p->advance();
  EXPECT_EQ(p->root()->object_at(3), nullptr);
}

TEST(PluginCoreTimeline, MovesSwapCharactersOnlyBetweenShapesInEveryVersion) {
  for (uint8_t version : {5, 6, 8}) {
    swfwriter::Movie m;
    m.version = version;
    m.define_shape(1, rectangle_shape(0, 0, 20, 20, {1, 2, 3, 255}));
    m.define_shape(2, rectangle_shape(0, 0, 20, 20, {4, 5, 6, 255}));
    swfwriter::TagStream inner;
    inner.place(Placement::place(1, 1));
    inner.show_frame();
    m.define_sprite(5, 1, inner);
    m.place(Placement::place(1, 1));
    m.place(Placement::place(5, 2));
    m.place(Placement::place(1, 3));
    m.show_frame();
    auto move_with = [&](uint16_t depth, uint16_t character) {
      Placement p = Placement::move_to(depth, Matrix::translation(40, 0));
      p.has_character = true;
      p.character = character;
      m.place(p);
    };
    move_with(1, 5);  // a shape does not become a clip
    move_with(2, 2);  // nor a clip a shape
    move_with(3, 2);  // a shape becomes another shape
    m.show_frame();
    auto p = load(m.finish());
    p->advance();
    p->advance();
    const npfp::TimelineInstance& root = *p->root();
    SCOPED_TRACE(version);
    EXPECT_EQ(root.object_at(1)->character, 1);
    EXPECT_FALSE(root.object_at(1)->sprite);
    EXPECT_EQ(root.object_at(2)->character, 5);
    EXPECT_TRUE(root.object_at(2)->sprite);
    EXPECT_EQ(root.object_at(3)->character, 2);
    for (uint16_t depth : {1, 2, 3}) EXPECT_EQ(root.object_at(depth)->matrix.tx, 40);
  }
}

TEST(PluginCoreTimeline, PlayheadWaitsForFramesStillStreaming) {
  Bytes file = three_frame_movie();
  npfp::Player p;
  // Feed up to the end of the first frame only.
  size_t at = 0;
  while (p.movie().root.frames.size() < 1 && at < file.size()) p.feed(&file[at++], 1);
  EXPECT_TRUE(p.advance());
  EXPECT_EQ(p.current_frame(), 0);
  EXPECT_FALSE(p.advance());  // frame 2 has not arrived: no loop, no change
  EXPECT_EQ(p.current_frame(), 0);
  p.feed(&file[at], file.size() - at);
  EXPECT_TRUE(p.advance());
  EXPECT_EQ(p.current_frame(), 1);
}

TEST(PluginCoreTimeline, StoppedTimelineHoldsItsFrameButChildrenPlay) {
  auto p = load(sprite_movie());
  p->advance();
  p->root()->stop();
  EXPECT_FALSE(p->root()->playing());
  p->advance();
  EXPECT_EQ(p->current_frame(), 0);
  EXPECT_EQ(p->root()->object_at(1)->sprite->current_frame(), 1);
}

TEST(PluginCoreTimeline, SelfPlacingSpritesStopGrowing) {
  // Sprite 5 places itself twice: without limits this never ends.
  swfwriter::Movie m;
  swfwriter::TagStream inner;
  inner.place(Placement::place(5, 1));
  inner.place(Placement::place(5, 2));
  inner.show_frame();
  m.define_sprite(5, 1, inner);
  m.place(Placement::place(5, 1));
  m.show_frame();
  auto p = load(m.finish());
  p->advance();
  p->advance();
  // Walk down one branch: it ends at the nesting limit.
  int nesting = 0;
  const npfp::TimelineInstance* t = p->root();
  while (t) {
    const npfp::DisplayObject* o = t->object_at(1);
    t = o && o->sprite ? o->sprite.get() : nullptr;
    ++nesting;
  }
  EXPECT_LE(nesting, npfp::InstanceBudget::kMaxNesting + 2);
}

}  // namespace
