// The classes and objects of the player's own making: flash.geom arithmetic,
// ASnative's numbered natives, and the flags and version visibility of the
// built-in objects movies inspect.
#include <gtest/gtest.h>

#include "native/avm1/action_asm.h"

using avm1_test::Asm;
using avm1_test::Push;
using avm1_test::run;

namespace {

// Pushes the arguments for a call in call order (the machine pops the first
// argument first).
Asm& args(Asm& a, std::initializer_list<Push> values) {
  std::vector<Push> reversed(values.begin(), values.end());
  for (size_t i = reversed.size(); i-- > 0;) a.push({reversed[i]});
  return a.push({Push(static_cast<int>(values.size()))});
}

// var = new flash.geom.<cls>(values...)
Asm& make(Asm& a, const std::string& var, const std::string& cls,
          std::initializer_list<Push> values) {
  a.push({Push(var)});
  args(a, values)
      .get("flash")
      .push({Push("geom")})
      .op(avm1::kActionGetMember)
      .push({Push(cls)})
      .op(avm1::kActionNewMethod);
  return a.op(avm1::kActionSetVariable);
}

Asm& member(Asm& a, const std::string& object, const std::string& name) {
  return a.get(object).push({Push(name)}).op(avm1::kActionGetMember);
}

Asm& assign(Asm& a, const std::string& object, const std::string& name, Push value) {
  return a.get(object).push({Push(name), value}).op(avm1::kActionSetMember);
}

TEST(Avm1Geom, PointArithmeticAndComparison) {
  Asm a;
  make(a, "p", "Point", {Push(3), Push(4)});
  make(a, "q", "Point", {Push(1), Push(-2)});
  member(a, "p", "length").op(avm1::kActionTrace);
  a.push({Push("q")}).op(avm1::kActionGetVariable).store(1).op(avm1::kActionPop);
  call(a, "p", "add", {Push::r(1)}).op(avm1::kActionTrace);
  call(a, "p", "subtract", {Push::r(1)}).op(avm1::kActionTrace);
  call(a, "p", "equals", {Push::r(1)}).op(avm1::kActionTrace);
  call(a, "p", "clone", {}).store(2).op(avm1::kActionPop);
  call(a, "p", "equals", {Push::r(2)}).op(avm1::kActionTrace);
  call(a, "p", "offset", {Push(1), Push(1)}).op(avm1::kActionPop);
  a.get("p").op(avm1::kActionTrace);
  call(a, "p", "normalize", {Push(10)}).op(avm1::kActionPop);
  member(a, "p", "length").op(avm1::kActionTrace);
  // With no arguments a point sits at the origin; strings stay strings.
  make(a, "z", "Point", {});
  a.get("z").op(avm1::kActionTrace);
  make(a, "s", "Point", {Push("a")});
  a.get("s").op(avm1::kActionTrace);
  EXPECT_EQ(run(a),
            "5\n(x=4, y=2)\n(x=2, y=6)\nfalse\ntrue\n(x=4, y=5)\n10\n(x=0, y=0)\n(x=a, "
            "y=undefined)\n");
}

TEST(Avm1Geom, RectangleEdgesAndSetOperations) {
  Asm a;
  make(a, "r", "Rectangle", {Push(0), Push(0), Push(10), Push(10)});
  make(a, "s", "Rectangle", {Push(5), Push(5), Push(10), Push(10)});
  a.get("s").store(1).op(avm1::kActionPop);
  call(a, "r", "intersection", {Push::r(1)}).op(avm1::kActionTrace);
  call(a, "r", "union", {Push::r(1)}).op(avm1::kActionTrace);
  call(a, "r", "intersects", {Push::r(1)}).op(avm1::kActionTrace);
  call(a, "r", "contains", {Push(10), Push(5)}).op(avm1::kActionTrace);
  member(a, "r", "bottomRight").op(avm1::kActionTrace);
  // Moving the left edge keeps the right one in place.
  assign(a, "r", "left", Push(4));
  a.get("r").op(avm1::kActionTrace);
  member(a, "r", "right").op(avm1::kActionTrace);
  call(a, "r", "inflate", {Push(1), Push(2)}).op(avm1::kActionPop);
  a.get("r").op(avm1::kActionTrace);
  call(a, "r", "isEmpty", {}).op(avm1::kActionTrace);
  call(a, "r", "setEmpty", {}).op(avm1::kActionPop);
  call(a, "r", "isEmpty", {}).op(avm1::kActionTrace);
  EXPECT_EQ(run(a),
            "(x=5, y=5, w=5, h=5)\n(x=0, y=0, w=15, h=15)\ntrue\nfalse\n(x=10, y=10)\n(x=4, y=0, "
            "w=6, h=10)\n10\n(x=3, y=-2, w=8, h=14)\nfalse\ntrue\n");
}

TEST(Avm1Geom, MatrixAndColorTransform) {
  Asm a;
  make(a, "m", "Matrix", {});
  // Powers of two keep the inverse exact on every floating-point unit.
  call(a, "m", "scale", {Push(2), Push(4)}).op(avm1::kActionPop);
  call(a, "m", "translate", {Push(10), Push(20)}).op(avm1::kActionPop);
  a.get("m").op(avm1::kActionTrace);
  make(a, "p", "Point", {Push(1), Push(1)});
  a.get("p").store(1).op(avm1::kActionPop);
  call(a, "m", "transformPoint", {Push::r(1)}).op(avm1::kActionTrace);
  call(a, "m", "deltaTransformPoint", {Push::r(1)}).op(avm1::kActionTrace);
  call(a, "m", "clone", {}).store(2).op(avm1::kActionPop);
  call(a, "m", "invert", {}).op(avm1::kActionPop);
  call(a, "m", "concat", {Push::r(2)}).op(avm1::kActionPop);
  a.get("m").op(avm1::kActionTrace);  // the inverse then the matrix: identity
  make(a, "c", "ColorTransform", {Push(0.5), Push(1), Push(1), Push(1), Push(10)});
  a.get("c").store(3).op(avm1::kActionPop);
  call(a, "c", "concat", {Push::r(3)}).op(avm1::kActionPop);
  member(a, "c", "redMultiplier").op(avm1::kActionTrace);
  member(a, "c", "redOffset").op(avm1::kActionTrace);
  assign(a, "c", "rgb", Push(0x102030));
  member(a, "c", "rgb").op(avm1::kActionTrace);
  member(a, "c", "redMultiplier").op(avm1::kActionTrace);
  member(a, "c", "greenOffset").op(avm1::kActionTrace);
  EXPECT_EQ(run(a),
            "(a=2, b=0, c=0, d=4, tx=10, ty=20)\n(x=12, y=24)\n(x=2, y=4)\n(a=1, b=0, c=0, d=1, "
            "tx=0, ty=0)\n0.25\n15\n1056816\n0\n32\n");
}

TEST(Avm1Geom, FlashPackagesAreHiddenFromSwf5) {
  Asm a;
  a.get("flash").op(avm1::kActionTypeOf).op(avm1::kActionTrace);
  EXPECT_EQ(run(a, 5), "undefined\n");
  EXPECT_EQ(run(a, 6), "object\n");
}

TEST(Avm1NativeTable, AsNativeMakesFreshFunctionsWithTheSameBehaviour) {
  Asm a;
  a.push({Push("abs")});
  args(a, {Push(200), Push(0)}).push({Push("ASnative")}).op(avm1::kActionCallFunction);
  a.op(avm1::kActionSetVariable);
  args(a, {Push(-7)}).push({Push("abs")}).op(avm1::kActionCallFunction).op(avm1::kActionTrace);
  // Another call gives another function object.
  a.get("abs");
  args(a, {Push(200), Push(0)}).push({Push("ASnative")}).op(avm1::kActionCallFunction);
  a.op(avm1::kActionEquals2).op(avm1::kActionTrace);
  a.get("abs").get("Math").push({Push("abs")}).op(avm1::kActionGetMember);
  a.op(avm1::kActionEquals2).op(avm1::kActionTrace);
  // hasOwnProperty reached by number works on a SWF 5 object too.
  a.push({Push("o"), Push(0), Push("Object")}).op(avm1::kActionNewObject);
  a.op(avm1::kActionSetVariable);
  a.get("o").push({Push("h")});
  args(a, {Push(101), Push(5)}).push({Push("ASnative")}).op(avm1::kActionCallFunction);
  a.op(avm1::kActionSetMember);
  assign(a, "o", "k", Push(1));
  call(a, "o", "h", {Push("k")}).op(avm1::kActionTrace);
  call(a, "o", "h", {Push("nope")}).op(avm1::kActionTrace);
  // Numbers nobody answers give undefined.
  args(a, {Push(9999), Push(1)}).push({Push("ASnative")}).op(avm1::kActionCallFunction);
  a.op(avm1::kActionTypeOf).op(avm1::kActionTrace);
  EXPECT_EQ(run(a, 5), "7\nfalse\nfalse\ntrue\nfalse\nundefined\n");
}

TEST(Avm1BuiltinFlags, ConstantObjectsArrayLengthAndStageAlign) {
  Asm a;
  // Key's members are read-only and permanent.
  assign(a, "Key", "UP", Push(1));
  member(a, "Key", "UP").op(avm1::kActionTrace);
  a.get("Key").push({Push("isDown")}).op(avm1::kActionDelete).op(avm1::kActionTrace);
  member(a, "Key", "constructor").get("Object").op(avm1::kActionEquals2).op(avm1::kActionTrace);
  // An array's length enumerates once ASSetPropFlags unhides it.
  a.push({Push(0)}).op(avm1::kActionInitArray).store(1).op(avm1::kActionPop);
  a.push({Push(1), Push(0), Push::null_value(), Push::r(1), Push(4), Push("ASSetPropFlags")})
      .op(avm1::kActionCallFunction)
      .op(avm1::kActionPop);
  a.push({Push::r(1)}).op(avm1::kActionEnumerate2);
  a.push({Push::null_value()}).op(avm1::kActionEquals2).op(avm1::kActionNot);
  a.op(avm1::kActionTrace);
  // A length written as text reads back as written.
  a.push({Push::r(1), Push("length"), Push("x")}).op(avm1::kActionSetMember);
  a.push({Push::r(1), Push("length")}).op(avm1::kActionGetMember).op(avm1::kActionTrace);
  // Stage.align lists every edge given, in L T R B order.
  assign(a, "Stage", "align", Push("brtl"));
  member(a, "Stage", "align").op(avm1::kActionTrace);
  EXPECT_EQ(run(a), "38\nfalse\ntrue\ntrue\nx\nLTRB\n");
}

// Frame 1 runs `a`; frame 2 stops the movie, so later frames only deliver
// what was scheduled.
std::string run_two_frames(const Asm& a, uint8_t version = 8) {
  Asm stop;
  stop.op(avm1::kActionStop);
  return avm1_test::run_movie(avm1_test::script_movie({a.finished(), stop.finished()}, version), 4);
}

// function (info) { trace(info.code); trace(info.level); }
Asm status_printer() {
  Asm body;
  body.get("info").push({Push("code")}).op(avm1::kActionGetMember).op(avm1::kActionTrace);
  body.get("info").push({Push("level")}).op(avm1::kActionGetMember).op(avm1::kActionTrace);
  return body;
}

TEST(Avm1Media, SoundLevelsPerTargetAndPan) {
  Asm a;
  a.push({Push("s"), Push(0), Push("Sound")}).op(avm1::kActionNewObject);
  a.op(avm1::kActionSetVariable);
  call(a, "s", "setPan", {Push(-30)}).op(avm1::kActionPop);
  call(a, "s", "getPan", {}).op(avm1::kActionTrace);
  call(a, "s", "getTransform", {}).store(1).op(avm1::kActionPop);
  a.push({Push::r(1), Push("rr")}).op(avm1::kActionGetMember).op(avm1::kActionTrace);
  call(a, "s", "setVolume", {Push(40)}).op(avm1::kActionPop);
  // A second Sound for the whole movie shares the levels.
  a.push({Push("t"), Push(0), Push("Sound")}).op(avm1::kActionNewObject);
  a.op(avm1::kActionSetVariable);
  call(a, "t", "getVolume", {}).op(avm1::kActionTrace);
  // setTransform takes only the channels given.
  a.push({Push("ll"), Push(60), Push(1)}).op(avm1::kActionInitObject).store(2);
  a.op(avm1::kActionPop);
  call(a, "t", "setTransform", {Push::r(2)}).op(avm1::kActionPop);
  call(a, "s", "getPan", {}).op(avm1::kActionTrace);
  call(a, "s", "getTransform", {}).store(1).op(avm1::kActionPop);
  a.push({Push::r(1), Push("rr")}).op(avm1::kActionGetMember).op(avm1::kActionTrace);
  // A Sound for something that is no clip has no levels.
  a.push({Push("u"), Push(5), Push(1), Push("Sound")}).op(avm1::kActionNewObject);
  a.op(avm1::kActionSetVariable);
  call(a, "u", "getVolume", {}).op(avm1::kActionTypeOf).op(avm1::kActionTrace);
  EXPECT_EQ(run(a), "-30\n70\n40\n40\n70\nundefined\n");
}

TEST(Avm1Media, UnavailableResourcesFailLater) {
  Asm a;
  // A socket connection starts and then fails.
  a.push({Push("x"), Push(0), Push("XMLSocket")}).op(avm1::kActionNewObject);
  a.op(avm1::kActionSetVariable);
  Asm on_connect;
  on_connect.push({Push("connected: ")}).get("ok").op(avm1::kActionAdd2).op(avm1::kActionTrace);
  a.get("x").push({Push("onConnect")}).function("", {"ok"}, on_connect);
  a.op(avm1::kActionSetMember);
  call(a, "x", "connect", {Push("localhost"), Push(1024)}).op(avm1::kActionTrace);
  // A stream nobody can fetch is not found.
  a.push({Push("nc"), Push(0), Push("NetConnection")}).op(avm1::kActionNewObject);
  a.op(avm1::kActionSetVariable);
  call(a, "nc", "connect", {Push::null_value()}).op(avm1::kActionTrace);
  a.get("nc").store(1).op(avm1::kActionPop);
  a.push({Push("ns"), Push::r(1), Push(1), Push("NetStream")}).op(avm1::kActionNewObject);
  a.op(avm1::kActionSetVariable);
  a.get("ns").push({Push("onStatus")}).function("", {"info"}, status_printer());
  a.op(avm1::kActionSetMember);
  call(a, "ns", "play", {Push("missing.flv")}).op(avm1::kActionPop);
  // No printer.
  a.push({Push("pj"), Push(0), Push("PrintJob")}).op(avm1::kActionNewObject);
  a.op(avm1::kActionSetVariable);
  call(a, "pj", "start", {}).op(avm1::kActionTrace);
  a.push({Push("after the script")}).op(avm1::kActionTrace);
  EXPECT_EQ(run_two_frames(a),
            "true\ntrue\nfalse\nafter the script\nconnected: false\n"
            "NetStream.Play.StreamNotFound\nerror\n");
}

TEST(Avm1Media, MovieClipLoaderProgressAndListeners) {
  Asm a;
  a.push({Push("m"), Push(0), Push("MovieClipLoader")}).op(avm1::kActionNewObject);
  a.op(avm1::kActionSetVariable);
  // The loader listens to itself.
  a.get("m").push({Push("_listeners")}).op(avm1::kActionGetMember).store(1);
  a.op(avm1::kActionPop);
  a.push({Push::r(1), Push("length")}).op(avm1::kActionGetMember).op(avm1::kActionTrace);
  a.push({Push::r(1), Push(0)}).op(avm1::kActionGetMember).get("m");
  a.op(avm1::kActionStrictEquals).op(avm1::kActionTrace);
  call(a, "m", "getProgress", {Push("_level0")}).store(2).op(avm1::kActionPop);
  a.push({Push::r(2), Push("bytesTotal")}).op(avm1::kActionGetMember);
  a.op(avm1::kActionTypeOf).op(avm1::kActionTrace);
  a.push({Push::r(2)}).op(avm1::kActionTrace);  // no prototype, no toString
  call(a, "m", "getProgress", {Push("nowhere")}).op(avm1::kActionTypeOf).op(avm1::kActionTrace);
  call(a, "m", "loadClip", {Push("x.swf"), Push(3)}).op(avm1::kActionTrace);
  EXPECT_EQ(run(a), "1\ntrue\nnumber\n[type Object]\nundefined\nfalse\n");
  // Older movies get no progress reports.
  EXPECT_EQ(run(a, 6), "1\ntrue\nundefined\nundefined\nundefined\nfalse\n");
}

// var = new flash.filters.<cls>(values...)
Asm& make_filter(Asm& a, const std::string& var, const std::string& cls,
                 std::initializer_list<Push> values) {
  a.push({Push(var)});
  args(a, values)
      .get("flash")
      .push({Push("filters")})
      .op(avm1::kActionGetMember)
      .push({Push(cls)})
      .op(avm1::kActionNewMethod);
  return a.op(avm1::kActionSetVariable);
}

TEST(Avm1Filters, ValuesStayInRangeAndCloneCopies) {
  Asm a;
  make_filter(a, "b", "BlurFilter", {Push(300), Push(-2), Push(99)});
  member(a, "b", "blurX").op(avm1::kActionTrace);
  member(a, "b", "blurY").op(avm1::kActionTrace);
  member(a, "b", "quality").op(avm1::kActionTrace);
  assign(a, "b", "blurX", Push(2.5));
  member(a, "b", "blurX").op(avm1::kActionTrace);
  call(a, "b", "clone", {}).store(1).op(avm1::kActionPop);
  assign(a, "b", "blurX", Push(7));
  a.push({Push::r(1), Push("blurX")}).op(avm1::kActionGetMember).op(avm1::kActionTrace);
  make_filter(a, "g", "GlowFilter", {});
  member(a, "g", "color").op(avm1::kActionTrace);
  member(a, "g", "strength").op(avm1::kActionTrace);
  make_filter(a, "v", "BevelFilter", {});
  assign(a, "v", "type", Push("sideways"));  // not a bevel type: kept
  member(a, "v", "type").op(avm1::kActionTrace);
  // The prototype holds no values.
  a.get("flash").push({Push("filters")}).op(avm1::kActionGetMember);
  a.push({Push("BlurFilter")}).op(avm1::kActionGetMember);
  a.push({Push("prototype")}).op(avm1::kActionGetMember);
  a.push({Push("blurX")}).op(avm1::kActionGetMember).op(avm1::kActionTypeOf).op(avm1::kActionTrace);
  EXPECT_EQ(run(a), "255\n0\n15\n2.5\n2.5\n16711680\n2\ninner\nundefined\n");
}

TEST(Avm1Conversions, NumbersFromObjectsAskValueOfOnly) {
  // o.valueOf answers an object; o.toString answers "5".
  Asm value_of;
  value_of.push({Push("valueOf")}).op(avm1::kActionTrace);
  value_of.push({Push(0), Push("Object")}).op(avm1::kActionNewObject).op(avm1::kActionReturn);
  Asm to_string;
  to_string.push({Push("toString")}).op(avm1::kActionTrace);
  to_string.push({Push("5")}).op(avm1::kActionReturn);
  Asm a;
  a.push({Push("o"), Push(0), Push("Object")}).op(avm1::kActionNewObject);
  a.op(avm1::kActionSetVariable);
  a.get("o").push({Push("valueOf")}).function("", {}, value_of).op(avm1::kActionSetMember);
  a.get("o").push({Push("toString")}).function("", {}, to_string).op(avm1::kActionSetMember);
  a.get("o").op(avm1::kActionToNumber).op(avm1::kActionTrace);
  // Concatenation still falls back to toString.
  a.push({Push("")}).get("o").op(avm1::kActionAdd2).op(avm1::kActionTrace);
  EXPECT_EQ(run(a), "valueOf\nNaN\nvalueOf\ntoString\n5\n");
}

}  // namespace
