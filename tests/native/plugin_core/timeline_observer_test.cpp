// The hooks a script engine uses: the observer hears of added and removed
// objects and of every frame entered, in the order it needs; objects placed
// by scripts survive the timeline going back, and depths can be swapped.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/player.h"
#include "core/timeline.h"
#include "test_movies.h"

namespace {

using namespace plugin_core_test;
using swfwriter::Matrix;
using swfwriter::Placement;

class RecordingObserver : public npfp::TimelineObserver {
 public:
  std::vector<std::string> events;
  void object_added(npfp::TimelineInstance& owner, npfp::DisplayObject& o) override {
    events.push_back("add " + o.name + "@" + std::to_string(o.depth) +
                     (o.sprite && o.sprite->started() ? " started" : "") +
                     (owner.started() ? "" : " owner-unstarted"));
  }
  void object_removed(npfp::TimelineInstance&, npfp::DisplayObject& o) override {
    events.push_back("remove " + o.name + "@" + std::to_string(o.depth));
  }
  void frame_entered(npfp::TimelineInstance& t) override {
    events.push_back("frame " + std::to_string(t.current_frame()));
  }
};

// A sprite (id 5) of two empty frames named "kid" at depth 3 in frame 1;
// frame 2 removes it.
Bytes kid_movie() {
  swfwriter::Movie m;
  m.frame_count = 2;
  swfwriter::TagStream sprite;
  sprite.show_frame();
  sprite.show_frame();
  m.define_sprite(5, 2, sprite);
  Placement p = Placement::place(5, 3);
  p.name = "kid";
  m.place(p);
  m.show_frame();
  m.remove(3);
  m.show_frame();
  return m.finish();
}

TEST(PluginCoreTimelineObserver, HearsAdditionsBeforeTheSpriteStartsAndRemovals) {
  auto p = load(kid_movie());
  p->advance();  // root made and started without an observer
  RecordingObserver seen;
  npfp::TimelineInstance& root = *p->root();
  root.set_observer(&seen);
  root.goto_frame(1);
  EXPECT_EQ(seen.events, (std::vector<std::string>{"remove kid@3", "frame 1"}));
  seen.events.clear();
  root.goto_frame(0);
  // The sprite is told about before its first frame, then shows it.
  EXPECT_EQ(seen.events, (std::vector<std::string>{"add kid@3", "frame 0", "frame 0"}));
}

TEST(PluginCoreTimelineObserver, AdvanceSelfLeavesNestedSpritesAlone) {
  auto p = load(kid_movie());
  p->advance();
  npfp::TimelineInstance& root = *p->root();
  npfp::TimelineInstance* kid = root.sprite_at(3);
  ASSERT_NE(kid, nullptr);
  root.stop();
  EXPECT_EQ(kid->current_frame(), 0);
  root.advance_self();
  EXPECT_EQ(kid->current_frame(), 0);
  root.advance();
  EXPECT_EQ(kid->current_frame(), 1);
}

TEST(PluginCoreTimelineObserver, ScriptObjectsSurviveRebuildsAndSwapDepths) {
  auto p = load(three_frame_movie());
  p->advance();
  npfp::TimelineInstance& root = *p->root();
  npfp::DisplayObject* made =
      root.add_script_object(16384 + 10, npfp::TimelineInstance::empty_sprite(), "made");
  ASSERT_NE(made, nullptr);
  EXPECT_TRUE(made->script_placed);
  ASSERT_NE(made->sprite, nullptr);
  EXPECT_TRUE(made->sprite->started());
  p->advance();
  p->advance();
  p->advance();  // loops: the list is rebuilt for frame 1
  ASSERT_NE(root.object_at(16384 + 10), nullptr);
  EXPECT_EQ(root.object_at(16384 + 10)->name, "made");

  // Swapping moves the object node itself: pointers to it stay good.
  npfp::DisplayObject* square = root.object_at(1);
  ASSERT_NE(square, nullptr);
  EXPECT_TRUE(root.swap_depths(1, 16384 + 10));
  EXPECT_EQ(root.object_at(16384 + 10), square);
  EXPECT_EQ(square->depth, 16384 + 10);
  EXPECT_EQ(root.object_at(1)->name, "made");
  EXPECT_TRUE(root.swap_depths(1, -5));  // to an empty depth
  EXPECT_EQ(root.object_at(1), nullptr);
  EXPECT_EQ(root.object_at(-5)->name, "made");
  EXPECT_FALSE(root.swap_depths(1, 2));  // nothing at the first depth
  EXPECT_TRUE(root.remove_object(-5));
  EXPECT_FALSE(root.remove_object(-5));
}

TEST(PluginCoreTimelineObserver, ScriptTransformKeepsTimelineMovesAway) {
  auto p = load(three_frame_movie());
  p->advance();
  npfp::DisplayObject* square = p->root()->object_at(1);
  ASSERT_NE(square, nullptr);
  square->script_transform = true;
  square->matrix.tx = 5;
  p->advance();  // frame 2 moves depth 1 to x = 1000 twips
  EXPECT_EQ(p->root()->object_at(1)->matrix.tx, 5);
}

}  // namespace
