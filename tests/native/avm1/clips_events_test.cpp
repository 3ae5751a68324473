// Movie clips from scripts: depths, hit tests, _lockroot, and the order in
// which clip events, constructors and unloads run around a frame's actions.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "native/avm1/action_asm.h"

using avm1_test::Asm;
using avm1_test::call;
using avm1_test::Push;
using avm1_test::run;
using avm1_test::run_movie;

namespace {

// trace(label + obj.method(args...))
Asm& trace_call(Asm& a, const std::string& label, const std::string& object,
                const std::string& method, std::initializer_list<Push> args) {
  a.push({Push(label)});
  call(a, object, method, args);
  return a.op(avm1::kActionAdd2).op(avm1::kActionTrace);
}

// trace(label + path), the path read with GetVariable ("a.b" style).
Asm& trace_var(Asm& a, const std::string& label, const std::string& path) {
  return a.push({Push(label)}).get(path).op(avm1::kActionAdd2).op(avm1::kActionTrace);
}

void put_u16(std::vector<uint8_t>& b, uint32_t v) {
  b.push_back(static_cast<uint8_t>(v & 0xFF));
  b.push_back(static_cast<uint8_t>((v >> 8) & 0xFF));
}

void put_u32(std::vector<uint8_t>& b, uint32_t v) {
  put_u16(b, v & 0xFFFF);
  put_u16(b, v >> 16);
}

// A PlaceObject2 body placing `character` at `depth` under `name` with
// clip event handlers (flags and actions, SWF 6 and later layout).
std::vector<uint8_t> place_with_events(
    uint16_t character, uint16_t depth, const std::string& name,
    const std::vector<std::pair<uint32_t, std::vector<uint8_t>>>& handlers) {
  std::vector<uint8_t> b;
  b.push_back(0x80 | 0x20 | 0x02);  // clip actions, name, character
  put_u16(b, depth);
  put_u16(b, character);
  b.insert(b.end(), name.begin(), name.end());
  b.push_back(0);
  put_u16(b, 0);
  uint32_t all = 0;
  for (const auto& h : handlers) all |= h.first;
  put_u32(b, all);
  for (const auto& h : handlers) {
    put_u32(b, h.first);
    put_u32(b, static_cast<uint32_t>(h.second.size()));
    b.insert(b.end(), h.second.begin(), h.second.end());
  }
  put_u32(b, 0);
  return b;
}

std::vector<uint8_t> trace_this(const std::string& suffix) {
  Asm a;
  a.get("this").push({Push(suffix)}).op(avm1::kActionAdd2).op(avm1::kActionTrace);
  return a.finished();
}

const uint32_t kLoad = 0x1, kUnload = 0x4, kInitialize = 0x200, kConstruct = 0x40000;

// A movie with an empty one-frame sprite (id 1) placed as "ball" at depth 1
// in frame 1 with the given handlers, then one DoAction per frame.
std::vector<uint8_t> placed_clip_movie(
    const std::vector<std::pair<uint32_t, std::vector<uint8_t>>>& handlers,
    const std::vector<std::vector<uint8_t>>& frames, int remove_in_frame = 0,
    bool actions_first = false) {
  swfwriter::Movie m;
  m.version = 8;
  m.frame_rate = 20;
  m.frame_count = static_cast<uint16_t>(frames.size());
  swfwriter::TagStream sprite;
  sprite.show_frame();
  sprite.end();
  m.define_sprite(1, 1, sprite);
  for (size_t f = 0; f < frames.size(); ++f) {
    if (actions_first) m.do_action(frames[f]);
    if (f == 0) m.tag(26, place_with_events(1, 1, "ball", handlers), true);
    if (remove_in_frame > 0 && static_cast<size_t>(remove_in_frame) == f + 1) m.remove(1);
    if (!actions_first) m.do_action(frames[f]);
    m.show_frame();
  }
  m.end();
  return m.finish();
}

TEST(Avm1Clips, DepthsSwapsAndLookups) {
  Asm a;
  call(a, "this", "createEmptyMovieClip", {Push("a"), Push(1)}).op(avm1::kActionPop);
  call(a, "this", "createEmptyMovieClip", {Push("b"), Push(0)}).op(avm1::kActionPop);
  // Out of range: refused, the depth stays.
  call(a, "a", "swapDepths", {Push(-16385)}).op(avm1::kActionPop);
  trace_call(a, "low ", "a", "getDepth", {});
  call(a, "a", "swapDepths", {Push(2130690045.0)}).op(avm1::kActionPop);
  trace_call(a, "high ", "a", "getDepth", {});
  call(a, "a", "swapDepths", {Push(2130690044.0)}).op(avm1::kActionPop);
  trace_call(a, "highest ", "a", "getDepth", {});
  // The main timeline takes a depth of its own.
  call(a, "this", "swapDepths", {Push(7)}).op(avm1::kActionPop);
  trace_call(a, "root ", "this", "getDepth", {});
  // Lookups: undefined finds nothing, odd numbers read as 0.
  trace_call(a, "undef ", "this", "getInstanceAtDepth", {Push::undefined_value()});
  trace_call(a, "nan ", "this", "getInstanceAtDepth", {Push(std::nan(""))});
  trace_call(a, "half ", "this", "getInstanceAtDepth", {Push(-0.5)});
  trace_call(a, "inf ", "this", "getInstanceAtDepth",
             {Push(std::numeric_limits<double>::infinity())});
  EXPECT_EQ(run(a, 7),
            "low 1\nhigh 1\nhighest 2130690044\nroot 7\nundef undefined\nnan _level0.b\n"
            "half _level0.b\ninf _level0.b\n");
}

TEST(Avm1Clips, GoingBackRemovesScriptClipsAtTimelineDepths) {
  // Frame 1 makes clips at script depths -1, -20000 and 5 once; frame 2
  // goes back to frame 1, which then lists the ones that are left.
  Asm first;
  first.get("made").op(avm1::kActionNot).branch_if("make");
  trace_var(first, "low ", "low");
  trace_var(first, "lower ", "lower");
  trace_var(first, "high ", "high");
  first.op(avm1::kActionStop).jump("end");
  first.label("make");
  first.set("made", {Push::b(true)});
  call(first, "this", "createEmptyMovieClip", {Push("low"), Push(-1)}).op(avm1::kActionPop);
  call(first, "this", "createEmptyMovieClip", {Push("lower"), Push(-20000)}).op(avm1::kActionPop);
  call(first, "this", "createEmptyMovieClip", {Push("high"), Push(5)}).op(avm1::kActionPop);
  trace_call(first, "lower at ", "lower", "getDepth", {});
  first.label("end");
  Asm second;
  second.record(avm1::kActionGotoFrame, {0, 0});
  EXPECT_EQ(run_movie(avm1_test::script_movie({first.finished(), second.finished()}, 6), 3),
            "lower at -20000\nlow \nlower _level0.lower\nhigh _level0.high\n");
}

TEST(Avm1Clips, MainTimelineLoadsAfterItsFirstFrame) {
  // _root.onLoad set by the first frame runs after it, from Flash 6 on.
  Asm on_load;
  on_load.trace({Push("onLoad")});
  Asm a;
  a.get("_root").push({Push("onLoad")}).function("", {}, on_load).op(avm1::kActionSetMember);
  a.trace({Push("frame 1")});
  EXPECT_EQ(run_movie(avm1_test::script_movie({a.finished(), Asm().finished()}, 6), 2),
            "frame 1\nonLoad\n");
  EXPECT_EQ(run_movie(avm1_test::script_movie({a.finished(), Asm().finished()}, 5), 2),
            "frame 1\n");
}

TEST(Avm1Clips, FramesAScriptGoesToRunAfterWhatIsQueued) {
  // A two-frame clip whose second frame sends the main timeline back to
  // frame 1 while the main timeline's frame 2 actions are still queued.
  auto traced = [](const std::string& text) {
    Asm a;
    a.trace({Push(text)});
    return a;
  };
  Asm back = traced("movie 2");
  back.push({Push(1), Push(1)}).get("_root").push({Push("gotoAndPlay")});
  back.op(avm1::kActionCallMethod).op(avm1::kActionPop);
  swfwriter::TagStream sprite;
  sprite.tag(12, traced("movie 1").finished());
  sprite.show_frame();
  sprite.tag(12, back.finished());
  sprite.tag(12, Asm().op(avm1::kActionStop).finished());
  sprite.show_frame();
  sprite.end();
  swfwriter::Movie m;
  m.version = 6;
  m.frame_count = 3;
  m.define_sprite(1, 2, sprite);
  m.do_action(traced("root 1").finished());
  swfwriter::Placement p = swfwriter::Placement::place(1, 1);
  p.name = "movie";
  m.place(p);
  m.show_frame();
  m.do_action(traced("root 2").finished());
  m.show_frame();
  m.do_action(traced("root 3").finished());
  m.show_frame();
  m.end();
  EXPECT_EQ(run_movie(m.finish(), 2), "root 1\nmovie 1\nmovie 2\nroot 2\nroot 1\n");
}

TEST(Avm1Clips, GotoTextsBeforeTheFirstFrameStay) {
  // In frame 2: gotoAndStop("-2") and gotoAndStop("0") leave the playhead;
  // gotoAndStop("1") moves it.
  Asm second;
  for (const char* frame : {"-2", "0", "1"}) {
    second.push({Push(frame)}).record(avm1::kActionGotoFrame2, {0});
    second.push({Push(std::string("after ") + frame + " ")});
    second.push({Push(""), Push(4)}).op(avm1::kActionGetProperty);
    second.op(avm1::kActionAdd2).op(avm1::kActionTrace);
  }
  EXPECT_EQ(run_movie(avm1_test::script_movie({Asm().finished(), second.finished()}, 6), 2),
            "after -2 2\nafter 0 2\nafter 1 1\n");
}

TEST(Avm1Clips, MethodsByVersion) {
  Asm a;
  a.push({Push("depth ")}).get("this").push({Push("getDepth")}).op(avm1::kActionGetMember);
  a.op(avm1::kActionTypeOf).op(avm1::kActionAdd2).op(avm1::kActionTrace);
  trace_call(a, "version ", "this", "getSWFVersion", {});
  EXPECT_EQ(run(a, 5), "depth undefined\nversion 5\n");
  EXPECT_EQ(run(a, 6), "depth function\nversion 6\n");
}

TEST(Avm1Clips, LockRootFromVersion7) {
  Asm a;
  call(a, "this", "createEmptyMovieClip", {Push("a"), Push(1)}).op(avm1::kActionPop);
  call(a, "a", "createEmptyMovieClip", {Push("b"), Push(1)}).op(avm1::kActionPop);
  a.get("a").push({Push("_lockroot"), Push::b(true)}).op(avm1::kActionSetMember);
  a.push({Push("root ")}).get("a.b").push({Push("_root")}).op(avm1::kActionGetMember);
  a.op(avm1::kActionAdd2).op(avm1::kActionTrace);
  EXPECT_EQ(run(a, 7), "root _level0.a\n");
  EXPECT_EQ(run(a, 6), "root _level0\n");
}

TEST(Avm1Clips, ShapeHitTestsFollowTheOutline) {
  // A right triangle (0,0) (100,0) (0,100) drawn in a clip at (10, 10).
  Asm a;
  call(a, "this", "createEmptyMovieClip", {Push("t"), Push(1)}).op(avm1::kActionPop);
  a.get("t").push({Push("_x"), Push(10)}).op(avm1::kActionSetMember);
  a.get("t").push({Push("_y"), Push(10)}).op(avm1::kActionSetMember);
  call(a, "t", "beginFill", {Push(0xFF0000)}).op(avm1::kActionPop);
  call(a, "t", "moveTo", {Push(0), Push(0)}).op(avm1::kActionPop);
  call(a, "t", "lineTo", {Push(100), Push(0)}).op(avm1::kActionPop);
  call(a, "t", "lineTo", {Push(0), Push(100)}).op(avm1::kActionPop);
  call(a, "t", "lineTo", {Push(0), Push(0)}).op(avm1::kActionPop);
  call(a, "t", "endFill", {}).op(avm1::kActionPop);
  trace_call(a, "inside ", "t", "hitTest", {Push(30), Push(30), Push::b(true)});
  trace_call(a, "corner box ", "t", "hitTest", {Push(90), Push(90), Push::b(false)});
  trace_call(a, "corner shape ", "t", "hitTest", {Push(90), Push(90), Push::b(true)});
  trace_call(a, "outside ", "t", "hitTest", {Push(5), Push(5), Push::b(true)});
  EXPECT_EQ(run(a, 6), "inside true\ncorner box true\ncorner shape false\noutside false\n");
}

TEST(Avm1Clips, RemovedClipWaitsForItsUnload) {
  // a holds b (listens for its unload) and c (does not); a itself does not.
  Asm on_unload;
  on_unload.push({Push("unload ")}).get("this").op(avm1::kActionAdd2).op(avm1::kActionTrace);
  Asm a;
  call(a, "this", "createEmptyMovieClip", {Push("a"), Push(0)}).op(avm1::kActionPop);
  call(a, "a", "createEmptyMovieClip", {Push("b"), Push(1)}).op(avm1::kActionPop);
  call(a, "a", "createEmptyMovieClip", {Push("c"), Push(2)}).op(avm1::kActionPop);
  a.get("a.b").push({Push("onUnload")}).function("", {}, on_unload).op(avm1::kActionSetMember);
  call(a, "a", "removeMovieClip", {}).op(avm1::kActionPop);
  trace_call(a, "a at ", "a", "getDepth", {});
  trace_var(a, "b ", "a.b");
  trace_var(a, "c ", "a.c");
  // A clip inside an unloading one is not removed on its own.
  call(a, "a.b", "removeMovieClip", {}).op(avm1::kActionPop);
  a.trace({Push("frame ends")});
  Asm next;
  trace_var(next, "later ", "a");
  EXPECT_EQ(run_movie(avm1_test::script_movie({a.finished(), next.finished()}, 6), 2),
            "a at -32769\nb _level0.a.b\nc \nframe ends\nunload _level0.a.b\nlater \n");

  // Any onUnload value keeps the clip, even one that is no function.
  Asm b;
  b.get("MovieClip").push({Push("prototype")}).op(avm1::kActionGetMember);
  b.push({Push("onUnload"), Push(42)}).op(avm1::kActionSetMember);
  call(b, "this", "createEmptyMovieClip", {Push("x"), Push(3)}).op(avm1::kActionPop);
  call(b, "x", "removeMovieClip", {}).op(avm1::kActionPop);
  trace_var(b, "x ", "x");
  EXPECT_EQ(run(b, 6), "x _level0.x\n");
}

TEST(Avm1Clips, EventOrderAroundTheFrame) {
  std::vector<std::pair<uint32_t, std::vector<uint8_t>>> handlers = {
      {kInitialize, trace_this(" init")},
      {kConstruct, trace_this(" construct")},
      {kLoad, trace_this(" load")},
      {kUnload, trace_this(" unload")}};
  Asm first;
  first.trace({Push("actions")});
  call(first, "ball", "duplicateMovieClip", {Push("copy"), Push(5)}).op(avm1::kActionPop);
  first.trace({Push("actions end")});
  // Placed clip: initialize and construct run before the frame's actions,
  // load after the actions that come before the placement in the file; a
  // duplicate constructs at once, initializes after the action and loads
  // after the clips placed before it.
  EXPECT_EQ(run_movie(placed_clip_movie(handlers, {first.finished()}, 0, true), 1),
            "_level0.ball init\n_level0.ball construct\nactions\n_level0.copy construct\n"
            "actions end\n_level0.copy init\n_level0.ball load\n_level0.copy load\n");
  EXPECT_EQ(run_movie(placed_clip_movie(handlers, {first.finished()}), 1),
            "_level0.ball init\n_level0.ball construct\n_level0.ball load\nactions\n"
            "_level0.copy construct\nactions end\n_level0.copy init\n_level0.copy load\n");

  // The timeline removes the clip in frame 2: it unloads before that
  // frame's actions, which still find it; it is gone in frame 3.
  Asm second, third;
  trace_var(second, "frame 2 ", "ball");
  trace_var(third, "frame 3 ", "ball");
  std::vector<std::pair<uint32_t, std::vector<uint8_t>>> unload_only = {
      {kUnload, trace_this(" unload")}};
  EXPECT_EQ(run_movie(placed_clip_movie(unload_only,
                                        {Asm().finished(), second.finished(), third.finished()}, 2),
                      3),
            "_level0.ball unload\nframe 2 _level0.ball\nframe 3 undefined\n");
}

}  // namespace
