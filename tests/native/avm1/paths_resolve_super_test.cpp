// Variable paths (slash, colon and dot forms through clips and objects),
// SWF 5 functions without closures, __resolve, the super object and the
// Object and Function methods that choose `this`.
#include <gtest/gtest.h>

#include "native/avm1/action_asm.h"

using avm1_test::Asm;
using avm1_test::call;
using avm1_test::Push;
using avm1_test::run;

namespace {

Asm& trace_variable(Asm& a, const std::string& name) { return a.get(name).op(avm1::kActionTrace); }

TEST(Avm1Paths, ClipsChildrenVariablesAndDelimiters) {
  Asm a;
  // createEmptyMovieClip("a", 1); a.v = 842; a.createEmptyMovieClip("a", 1);
  // a = new Object(); a.v = 42  (the variable hides the clip for plain names)
  a.push({Push(1), Push("a"), Push(2), Push("createEmptyMovieClip")})
      .op(avm1::kActionCallFunction)
      .op(avm1::kActionPop);
  a.get("a").push({Push("v"), Push(842)}).op(avm1::kActionSetMember);
  call(a, "a", "createEmptyMovieClip", {Push("a"), Push(1)}).op(avm1::kActionPop);
  a.push({Push("a"), Push(0), Push("Object")})
      .op(avm1::kActionNewObject)
      .op(avm1::kActionSetVariable);
  a.get("a").push({Push("v"), Push(42)}).op(avm1::kActionSetMember);
  trace_variable(a, "a/a");        // children win inside paths: _level0.a.a
  trace_variable(a, "a:v");        // the clip's variable: 842
  trace_variable(a, "a.v");        // the same with a dot
  trace_variable(a, ":a:v");       // a leading colon is skipped
  trace_variable(a, "/:a");        // the root's variable: the object
  trace_variable(a, "a/..");       // nothing after the dot: undefined
  trace_variable(a, "/a/../a/a");  // the last dot splits off "/a/a"
  trace_variable(a, "a/::a");      // an empty name finds nothing
  trace_variable(a, "//");
  trace_variable(a, "a/A");  // names ignore case before SWF 7
  EXPECT_EQ(run(a, 6),
            "_level0.a.a\n842\n842\n842\n[object Object]\nundefined\nundefined\n"
            "undefined\nundefined\n_level0.a.a\n");
  // SWF 7 compares names by case.
  Asm b;
  b.push({Push(1), Push("a"), Push(2), Push("createEmptyMovieClip")})
      .op(avm1::kActionCallFunction)
      .op(avm1::kActionPop);
  trace_variable(b, "/a");
  trace_variable(b, "/A");
  EXPECT_EQ(run(b, 7), "_level0.a\nundefined\n");
}

TEST(Avm1Paths, OddNamesOfVariables) {
  // this["a/"] = 42: the slash path "a/" leads nowhere, so the name is
  // looked up whole. this[""] = 42 makes nothing.
  Asm a;
  a.get("this").push({Push("a/"), Push(42)}).op(avm1::kActionSetMember);
  a.get("a/").op(avm1::kActionTrace);
  a.get("this").push({Push(""), Push(42)}).op(avm1::kActionSetMember);
  a.get("this").push({Push("")}).op(avm1::kActionGetMember).op(avm1::kActionTrace);
  a.push({Push(""), Push(1)}).get("this").push({Push("hasOwnProperty")});
  a.op(avm1::kActionCallMethod).op(avm1::kActionTrace);
  // "/" alone still names the root.
  a.get("/").op(avm1::kActionTrace);
  EXPECT_EQ(run(a, 7), "42\nundefined\nfalse\n_level0\n");
}

TEST(Avm1Paths, RemovedClipsReadAsTheClipNowAtTheirPath) {
  // createEmptyMovieClip("a", 0); x = a.createEmptyMovieClip("a", 0);
  // a.removeMovieClip(); createEmptyMovieClip("a", 0); trace(x);
  // a.createEmptyMovieClip("a", 0); trace(x);
  Asm a;
  a.push({Push(0), Push("a"), Push(2), Push("createEmptyMovieClip")})
      .op(avm1::kActionCallFunction)
      .op(avm1::kActionPop);
  a.push({Push("x")});
  call(a, "a", "createEmptyMovieClip", {Push("a"), Push(0)}).op(avm1::kActionSetVariable);
  call(a, "a", "removeMovieClip", {}).op(avm1::kActionPop);
  a.push({Push(0), Push("a"), Push(2), Push("createEmptyMovieClip")})
      .op(avm1::kActionCallFunction)
      .op(avm1::kActionPop);
  a.get("x").op(avm1::kActionTrace);
  call(a, "a", "createEmptyMovieClip", {Push("a"), Push(0)}).op(avm1::kActionPop);
  a.get("x").op(avm1::kActionTrace);
  EXPECT_EQ(run(a, 6), "\n_level0.a.a\n");
}

TEST(Avm1Paths, DotsAndLevelsInSwf5Paths) {
  // o = {a: 42}; createEmptyMovieClip("c", 1);
  // trace(eval("o.a")); trace(eval("c/_level0"));
  Asm a;
  a.push({Push("o"), Push("a"), Push(42), Push(1)})
      .op(avm1::kActionInitObject)
      .op(avm1::kActionSetVariable);
  a.push({Push(1), Push("c"), Push(2), Push("createEmptyMovieClip")})
      .op(avm1::kActionCallFunction)
      .op(avm1::kActionPop);
  a.get("o.a").op(avm1::kActionTrace);
  a.get("c/_level0").op(avm1::kActionTrace);
  // A dot names a member in every version; a level is known after a
  // slash from SWF 6 on.
  EXPECT_EQ(run(a, 5), "42\nundefined\n");
  EXPECT_EQ(run(a, 6), "42\n_level0\n");
}

TEST(Avm1Paths, TargetsAreRelativeToTheStartingClip) {
  auto set_target = [](Asm& a, const std::string& path) {
    std::vector<uint8_t> payload(path.begin(), path.end());
    payload.push_back(0);
    a.record(avm1::kActionSetTarget, payload);
  };
  Asm a;
  a.push({Push(1), Push("a"), Push(2), Push("createEmptyMovieClip")})
      .op(avm1::kActionCallFunction)
      .op(avm1::kActionPop);
  call(a, "a", "createEmptyMovieClip", {Push("a"), Push(1)}).op(avm1::kActionPop);
  // Two SetTargets to "a" do not nest.
  set_target(a, "a");
  set_target(a, "a");
  trace_variable(a, "_target");
  set_target(a, "");
  // A run of colons in a whole target path counts as one; after a climb
  // dots are part of names.
  for (const char* path : {"a/../a::::a", "a:..:a.a", "::a.a"}) {
    a.push({Push(path), Push(11)}).op(avm1::kActionGetProperty).op(avm1::kActionTrace);
  }
  EXPECT_EQ(run(a, 6), "/a\n/a/a\nundefined\n/a/a\n");
}

TEST(Avm1Paths, ObjectsAlongPathsAndWrites) {
  Asm a;
  // o = {p: {q: 5}}; slash paths name clips only, dotted ones reach objects.
  a.push({Push("o"), Push("p"), Push("q"), Push(5), Push(1)})
      .op(avm1::kActionInitObject)
      .push({Push(1)})
      .op(avm1::kActionInitObject)
      .op(avm1::kActionSetVariable);
  trace_variable(a, "o.p.q");
  trace_variable(a, "o:p:q");
  a.get("o/p").op(avm1::kActionTypeOf).op(avm1::kActionTrace);
  // Writes: "/x" is the root's x, "o.p.r" an object's member.
  a.set("/x", {Push(7)});
  trace_variable(a, "x");
  a.set("o.p.r", {Push(8)});
  a.get("o").push({Push("p")}).op(avm1::kActionGetMember);
  a.push({Push("r")}).op(avm1::kActionGetMember).op(avm1::kActionTrace);
  EXPECT_EQ(run(a, 6), "5\n5\nundefined\n7\n8\n");
  // SWF 5 takes no dot as a delimiter: the whole text is one name.
  EXPECT_EQ(run(a, 5), "undefined\n5\nundefined\n7\nundefined\n");
}

TEST(Avm1Paths, PathsAreLookedUpAlongTheScopeChain) {
  // function f() { var l = {m: 3}; return eval("l.m"); } — the local is
  // found from the activation.
  Asm body;
  body.push({Push("l"), Push("m"), Push(3), Push(1)})
      .op(avm1::kActionInitObject)
      .op(avm1::kActionDefineLocal);
  body.get("l.m").op(avm1::kActionReturn);
  Asm a;
  a.function("f", {}, body);
  a.push({Push(0), Push("f")}).op(avm1::kActionCallFunction).op(avm1::kActionTrace);
  EXPECT_EQ(run(a, 6), "3\n");
}

TEST(Avm1Scopes, Swf5FunctionsKeepNoClosure) {
  // var v = "timeline"; function outer() { var v = "local";
  //   return function () { return v; }; }  trace(outer()());
  Asm inner;
  inner.get("v").op(avm1::kActionReturn);
  Asm outer;
  outer.push({Push("v"), Push("local")}).op(avm1::kActionDefineLocal);
  outer.function("", {}, inner).op(avm1::kActionReturn);
  Asm a;
  a.set("v", {Push("timeline")});
  a.function("outer", {}, outer);
  a.push({Push(0), Push("outer")})
      .op(avm1::kActionCallFunction)
      .push({Push::undefined_value()})
      .op(avm1::kActionCallMethod)
      .op(avm1::kActionTrace);
  EXPECT_EQ(run(a, 5), "timeline\n");
  EXPECT_EQ(run(a, 6), "local\n");
}

// o.__resolve = function (name) { return "r:" + name; }
Asm& add_resolver(Asm& a, const std::string& object) {
  Asm resolver;
  resolver.push({Push("r:")}).get("name").op(avm1::kActionAdd2).op(avm1::kActionReturn);
  a.get(object).push({Push("__resolve")}).function("", {"name"}, resolver);
  return a.op(avm1::kActionSetMember);
}

TEST(Avm1Resolve, MissingPropertiesAskResolve) {
  Asm a;
  a.push({Push("o"), Push(0)}).op(avm1::kActionInitObject).op(avm1::kActionSetVariable);
  add_resolver(a, "o");
  a.get("o").push({Push("x"), Push(1)}).op(avm1::kActionSetMember);
  a.get("o").push({Push("x")}).op(avm1::kActionGetMember).op(avm1::kActionTrace);
  a.get("o").push({Push("missing")}).op(avm1::kActionGetMember).op(avm1::kActionTrace);
  // A With object answers for names it lacks.
  Asm body;
  body.get("nothing").op(avm1::kActionTrace);
  a.get("o").with(body);
  // Hidden from every version, it still answers.
  a.push({Push(0), Push(0x1000), Push("__resolve")})
      .get("o")
      .push({Push(4), Push("ASSetPropFlags")})
      .op(avm1::kActionCallFunction)
      .op(avm1::kActionPop);
  a.get("o").push({Push("late")}).op(avm1::kActionGetMember).op(avm1::kActionTrace);
  EXPECT_EQ(run(a, 6), "1\nr:missing\nr:nothing\nr:late\n");
}

TEST(Avm1Resolve, PrimitivesInTheSlotAndAccessors) {
  // p = {}; add a resolver to p; o = {__proto__: p, __resolve: 5}
  Asm a;
  a.push({Push("p"), Push(0)}).op(avm1::kActionInitObject).op(avm1::kActionSetVariable);
  add_resolver(a, "p");
  a.push({Push("o"), Push(0)}).op(avm1::kActionInitObject).op(avm1::kActionSetVariable);
  a.get("o").push({Push("__proto__")}).get("p").op(avm1::kActionSetMember);
  a.get("o").push({Push("__resolve"), Push(5)}).op(avm1::kActionSetMember);
  a.get("o").push({Push("x")}).op(avm1::kActionGetMember).op(avm1::kActionTrace);
  // A getter named __resolve is not asked: its slot holds nothing.
  Asm getter;
  getter.push({Push("getter")}).op(avm1::kActionTrace);
  a.push({Push("q"), Push(0)}).op(avm1::kActionInitObject).op(avm1::kActionSetVariable);
  a.push({Push::null_value()}).function("", {}, getter).push({Push("__resolve"), Push(3)});
  a.get("q").push({Push("addProperty")}).op(avm1::kActionCallMethod).op(avm1::kActionPop);
  a.get("q").push({Push("y")}).op(avm1::kActionGetMember).op(avm1::kActionTrace);
  // SWF 6 stops at the number; SWF 7 goes on to the prototype's resolver.
  EXPECT_EQ(run(a, 6), "undefined\nundefined\n");
  EXPECT_EQ(run(a, 7), "r:x\nundefined\n");
}

// function name() { trace(text); <extra> }
Asm traced(const std::string& text, const Asm& extra = Asm()) {
  Asm body;
  body.push({Push(text)}).op(avm1::kActionTrace).raw(extra.bytes());
  return body;
}

Asm& set_method(Asm& a, const std::string& cls, const std::string& name, const Asm& body) {
  a.get(cls).push({Push("prototype")}).op(avm1::kActionGetMember).push({Push(name)});
  return a.function("", {}, body).op(avm1::kActionSetMember);
}

TEST(Avm1Super, ConstructorsAndMethodsClimbOneLevelAtATime) {
  // One <- Two <- Three; each constructor calls super() by name first.
  Asm super_call;
  super_call.push({Push(0), Push("super")}).op(avm1::kActionCallFunction).op(avm1::kActionPop);
  Asm two_ctor = super_call;
  two_ctor.push({Push("Two")}).op(avm1::kActionTrace);
  Asm three_ctor = super_call;
  three_ctor.push({Push("Three")}).op(avm1::kActionTrace);
  Asm a;
  a.function("One", {}, traced("One"));
  a.function("Two", {}, two_ctor);
  a.function("Three", {}, three_ctor);
  a.get("Two").get("One").op(avm1::kActionExtends);
  a.get("Three").get("Two").op(avm1::kActionExtends);
  // Only One and Three define m; Three's m calls super.m(), and One's m
  // calls super.m() too: it runs again for each level between.
  Asm super_m;
  super_m.push({Push(0)})
      .get("super")
      .push({Push("m")})
      .op(avm1::kActionCallMethod)
      .op(avm1::kActionPop);
  set_method(a, "One", "m", traced("m1", super_m));
  set_method(a, "Three", "m", traced("m3", super_m));
  a.push({Push("x"), Push(0), Push("Three")})
      .op(avm1::kActionNewObject)
      .op(avm1::kActionSetVariable);
  call(a, "x", "m", {}).op(avm1::kActionPop);
  EXPECT_EQ(run(a, 6), "One\nTwo\nThree\nm3\nm1\nm1\n");
}

TEST(Avm1Super, ConversionAndFunctionsCalledByName) {
  // function f() { trace(super); }  f() by name has a super of nothing;
  // as a method of an object its super converts through Object.prototype.
  Asm body;
  body.get("super").op(avm1::kActionTrace);
  Asm a;
  a.function("f", {}, body);
  a.push({Push(0), Push("f")}).op(avm1::kActionCallFunction).op(avm1::kActionPop);
  a.push({Push("o"), Push(0)}).op(avm1::kActionInitObject).op(avm1::kActionSetVariable);
  a.push({Push("p"), Push(0)}).op(avm1::kActionInitObject).op(avm1::kActionSetVariable);
  a.get("o").push({Push("__proto__")}).get("p").op(avm1::kActionSetMember);
  a.get("o").push({Push("f")}).get("f").op(avm1::kActionSetMember);
  call(a, "o", "f", {}).op(avm1::kActionPop);
  EXPECT_EQ(run(a, 6), "undefined\n[object Object]\n");
  // SWF 5 code has no super at all.
  EXPECT_EQ(run(a, 5), "undefined\nundefined\n");
}

TEST(Avm1Super, CallMethodWithoutANameCallsTheFunctionItself) {
  // function f() { trace(this); trace(super); }  A CallMethod on f whose
  // name is undefined or converts to "" runs f without `this`, while its
  // super stands for f.
  Asm body;
  body.get("this").op(avm1::kActionTrace);
  body.get("super").op(avm1::kActionTrace);
  Asm a;
  a.function("f", {}, body);
  a.push({Push(0)}).get("f").push({Push::undefined_value()});
  a.op(avm1::kActionCallMethod).op(avm1::kActionPop);
  a.push({Push("s"), Push(""), Push(1), Push("String")})
      .op(avm1::kActionNewObject)
      .op(avm1::kActionSetVariable);
  a.push({Push(0)}).get("f").get("s").op(avm1::kActionCallMethod).op(avm1::kActionPop);
  EXPECT_EQ(run(a, 6), "undefined\n[type Function]\nundefined\n[type Function]\n");
}

TEST(Avm1ObjectMethods, CallIsPrototypeOfAndNativeTable) {
  // function f() { this.x = 42; trace(this.x); trace(typeof this); }
  Asm body;
  body.get("this").push({Push("x"), Push(42)}).op(avm1::kActionSetMember);
  body.get("this").push({Push("x")}).op(avm1::kActionGetMember).op(avm1::kActionTrace);
  body.get("this").op(avm1::kActionTypeOf).op(avm1::kActionTrace);
  Asm a;
  a.function("f", {}, body);
  call(a, "f", "call", {Push("text")}).op(avm1::kActionPop);  // wrapped
  call(a, "f", "call", {}).op(avm1::kActionPop);              // _global
  a.get("_global").push({Push("x")}).op(avm1::kActionGetMember).op(avm1::kActionTrace);
  // Object.prototype.isPrototypeOf(5) looks along Number's chain.
  a.push({Push(5), Push(1)})
      .get("Object")
      .push({Push("prototype")})
      .op(avm1::kActionGetMember)
      .push({Push("isPrototypeOf")})
      .op(avm1::kActionCallMethod)
      .op(avm1::kActionTrace);
  // ASnative(101, 5) is hasOwnProperty.
  a.push({Push("o"), Push("k"), Push(1), Push(1)})
      .op(avm1::kActionInitObject)
      .op(avm1::kActionSetVariable);
  a.get("o")
      .push({Push("own")})
      .push({Push(5), Push(101), Push(2), Push("ASnative")})
      .op(avm1::kActionCallFunction)
      .op(avm1::kActionSetMember);
  call(a, "o", "own", {Push("k")}).op(avm1::kActionTrace);
  call(a, "o", "own", {Push("z")}).op(avm1::kActionTrace);
  EXPECT_EQ(run(a, 6), "42\nobject\n42\nobject\n42\ntrue\ntrue\nfalse\n");
}

TEST(Avm1ObjectMethods, BroadcasterInitializeAndBroadcastResults) {
  // AsBroadcaster.addListener = function () { trace("add"); };
  // e = new Object(); AsBroadcaster.initialize(e);
  Asm add;
  add.push({Push("add")}).op(avm1::kActionTrace);
  Asm a;
  a.get("AsBroadcaster").push({Push("addListener")}).function("", {}, add);
  a.op(avm1::kActionSetMember);
  a.push({Push("e"), Push(0), Push("Object")})
      .op(avm1::kActionNewObject)
      .op(avm1::kActionSetVariable);
  a.get("e").push({Push(1)}).get("AsBroadcaster").push({Push("initialize")});
  a.op(avm1::kActionCallMethod).op(avm1::kActionPop);
  call(a, "e", "addListener", {Push::null_value()}).op(avm1::kActionPop);
  // No listeners: undefined; a listener: true; an empty slot: undefined.
  call(a, "e", "broadcastMessage", {Push("m")}).op(avm1::kActionTrace);
  a.get("e").push({Push("_listeners")}).op(avm1::kActionGetMember);
  a.push({Push(0), Push("x")}).op(avm1::kActionSetMember);
  call(a, "e", "broadcastMessage", {Push("m")}).op(avm1::kActionTrace);
  a.get("e").push({Push("_listeners")}).op(avm1::kActionGetMember);
  a.push({Push(1), Push::null_value()}).op(avm1::kActionSetMember);
  call(a, "e", "broadcastMessage", {Push("m")}).op(avm1::kActionTrace);
  EXPECT_EQ(run(a, 6), "add\nundefined\ntrue\nundefined\n");
  // SWF 5 has no AsBroadcaster.
  Asm b;
  b.get("AsBroadcaster").op(avm1::kActionTypeOf).op(avm1::kActionTrace);
  EXPECT_EQ(run(b, 5), "undefined\n");
}

}  // namespace
