// Scope chains (with, function activations, closures, timelines, _global),
// functions of both kinds with registers and preloads, and exceptions.
#include <gtest/gtest.h>

#include "native/avm1/action_asm.h"

using avm1_test::Asm;
using avm1_test::Push;
using avm1_test::run;

namespace {

TEST(Avm1Scopes, WithLooksInTheObjectFirstAndWritesThere) {
  Asm a;
  // o = {x: 1}; with (o) { trace(x); x = 2; y = 3; } trace(o.x); trace(y);
  a.push({Push("o"), Push("x"), Push(1), Push(1)})
      .op(avm1::kActionInitObject)
      .op(avm1::kActionSetVariable);
  Asm body;
  body.get("x").op(avm1::kActionTrace).set("x", {Push(2)}).set("y", {Push(3)});
  a.get("o").with(body);
  a.get("o").push({Push("x")}).op(avm1::kActionGetMember).op(avm1::kActionTrace);
  a.get("y").op(avm1::kActionTrace);
  // The object has no y: the write went to the timeline.
  a.get("o").push({Push("y")}).op(avm1::kActionGetMember).op(avm1::kActionTrace);
  EXPECT_EQ(run(a), "1\n2\n3\nundefined\n");
}

TEST(Avm1Scopes, ClosuresKeepTheirDefinitionsActivation) {
  // function make(n) { return function () { return n; }; }
  Asm inner;
  inner.get("n").op(avm1::kActionReturn);
  Asm make;
  make.function("", {}, inner).op(avm1::kActionReturn);
  Asm a;
  a.function("make", {"n"}, make);
  a.push({Push("f"), Push(7), Push(1), Push("make")})
      .op(avm1::kActionCallFunction)
      .op(avm1::kActionSetVariable);
  a.push({Push("g"), Push(9), Push(1), Push("make")})
      .op(avm1::kActionCallFunction)
      .op(avm1::kActionSetVariable);
  a.push({Push(0), Push("f")}).op(avm1::kActionCallFunction).op(avm1::kActionTrace);
  a.push({Push(0), Push("g")}).op(avm1::kActionCallFunction).op(avm1::kActionTrace);
  // n stays local to the calls.
  a.get("n").op(avm1::kActionTrace);
  EXPECT_EQ(run(a), "7\n9\nundefined\n");
}

TEST(Avm1Scopes, LocalsShadowTimelineAndGlobalVariables) {
  Asm body;
  body.push({Push("v"), Push("local")}).op(avm1::kActionDefineLocal);
  body.get("v").op(avm1::kActionTrace).get("g").op(avm1::kActionTrace);
  Asm a;
  a.set("v", {Push("timeline")});
  a.get("_global").push({Push("g"), Push("global")}).op(avm1::kActionSetMember);
  a.function("f", {}, body);
  a.push({Push(0), Push("f")}).op(avm1::kActionCallFunction).op(avm1::kActionPop);
  a.get("v").op(avm1::kActionTrace);
  EXPECT_EQ(run(a), "local\nglobal\ntimeline\n");
}

TEST(Avm1Scopes, PathsReachTimelineVariables) {
  Asm a;
  a.set("x", {Push(5)});
  a.get("_root.x").op(avm1::kActionTrace);
  a.get("/:x").op(avm1::kActionTrace);
  a.set("/:y", {Push(6)});
  a.get("y").op(avm1::kActionTrace);
  a.get("this").op(avm1::kActionTrace);
  EXPECT_EQ(run(a), "5\n5\n6\n_level0\n");
}

TEST(Avm1Functions, ArgumentsThisAndRecursion) {
  // function fact(n) { return n <= 1 ? 1 : n * fact(n - 1); }
  Asm body;
  body.get("n").push({Push(2)}).op(avm1::kActionLess2).branch_if("base");
  body.get("n").get("n").push({Push(1)}).op(avm1::kActionSubtract);
  body.push({Push(1), Push("fact")})
      .op(avm1::kActionCallFunction)
      .op(avm1::kActionMultiply)
      .op(avm1::kActionReturn);
  body.label("base").push({Push(1)}).op(avm1::kActionReturn);
  Asm count;
  count.get("arguments").push({Push("length")}).op(avm1::kActionGetMember).op(avm1::kActionReturn);
  Asm a;
  a.function("fact", {"n"}, body);
  a.push({Push(10), Push(1), Push("fact")}).op(avm1::kActionCallFunction).op(avm1::kActionTrace);
  a.function("count", {}, count);
  a.push({Push("a"), Push("b"), Push("c"), Push(3), Push("count")})
      .op(avm1::kActionCallFunction)
      .op(avm1::kActionTrace);
  EXPECT_EQ(run(a), "3628800\n3\n");
}

TEST(Avm1Functions, DefineFunction2RegistersAndPreloads) {
  // Registers: 1 = this (preloaded), 2 = arguments, 3 = the parameter "p".
  Asm body;
  body.push({Push::r(3), Push::r(2)}).op(avm1::kActionPop).op(avm1::kActionTrace);
  body.push({Push::r(2), Push("length")}).op(avm1::kActionGetMember).op(avm1::kActionTrace);
  body.push({Push::r(1), Push("name")}).op(avm1::kActionGetMember).op(avm1::kActionTrace);
  // Parameters in registers are not variables.
  body.get("p").op(avm1::kActionTrace);
  Asm a;
  a.push({Push("o"), Push("name"), Push("obj"), Push(1)})
      .op(avm1::kActionInitObject)
      .op(avm1::kActionSetVariable);
  // flags: preload this (0x01), preload arguments (0x04)
  a.get("o")
      .push({Push("m")})
      .function2("", 4, 0x0005, {{3, "p"}}, body)
      .op(avm1::kActionSetMember);
  a.push({Push("first"), Push("second"), Push(2)})
      .get("o")
      .push({Push("m")})
      .op(avm1::kActionCallMethod)
      .op(avm1::kActionPop);
  EXPECT_EQ(run(a), "second\n2\nobj\nundefined\n");
}

TEST(Avm1Functions, SuppressingThisWinsOverPreloadingIt) {
  // Flags preload this (0x01) and suppress this (0x02): register 1 stays
  // empty, yet `this` by name still gives the object called on.
  Asm body;
  body.push({Push::r(1)}).op(avm1::kActionTrace);
  body.get("this").push({Push("name")}).op(avm1::kActionGetMember).op(avm1::kActionTrace);
  Asm a;
  a.push({Push("o"), Push("name"), Push("obj"), Push(1)})
      .op(avm1::kActionInitObject)
      .op(avm1::kActionSetVariable);
  a.get("o").push({Push("m")}).function2("", 2, 0x0003, {}, body).op(avm1::kActionSetMember);
  a.push({Push(0)}).get("o").push({Push("m")}).op(avm1::kActionCallMethod).op(avm1::kActionPop);
  EXPECT_EQ(run(a, 7), "undefined\nobj\n");
}

TEST(Avm1Functions, CallAndApplySetThis) {
  Asm body;
  body.get("this")
      .push({Push("v")})
      .op(avm1::kActionGetMember)
      .get("a")
      .op(avm1::kActionAdd2)
      .op(avm1::kActionReturn);
  Asm a;
  a.function("f", {"a"}, body);
  a.push({Push("o"), Push("v"), Push(10), Push(1)})
      .op(avm1::kActionInitObject)
      .op(avm1::kActionSetVariable);
  a.push({Push(5)})
      .get("o")
      .push({Push(2)})
      .get("f")
      .push({Push("call")})
      .op(avm1::kActionCallMethod)
      .op(avm1::kActionTrace);
  a.push({Push(7), Push(1)})
      .op(avm1::kActionInitArray)
      .get("o")
      .push({Push(2)})
      .get("f")
      .push({Push("apply")})
      .op(avm1::kActionCallMethod)
      .op(avm1::kActionTrace);
  EXPECT_EQ(run(a), "15\n17\n");
}

TEST(Avm1Exceptions, CatchFinallyAndRethrowAcrossCalls) {
  Asm thrower;
  thrower.push({Push("boom")}).op(avm1::kActionThrow);
  Asm body;
  body.push({Push(0), Push("thrower")}).op(avm1::kActionCallFunction).trace({Push("not reached")});
  Asm handler;
  handler.push({Push("caught ")}).get("e").op(avm1::kActionAdd2).op(avm1::kActionTrace);
  Asm finally;
  finally.trace({Push("finally")});
  Asm a;
  a.function("thrower", {}, thrower);
  a.try_block(body, "e", &handler, &finally);
  a.trace({Push("after")});
  EXPECT_EQ(run(a), "caught boom\nfinally\nafter\n");
}

TEST(Avm1Exceptions, FinallyRunsOnReturnAndUncaughtEndsTheBlock) {
  Asm try_body;
  try_body.push({Push("r")}).op(avm1::kActionReturn);
  Asm fin;
  fin.trace({Push("cleanup")});
  Asm f;
  f.try_block(try_body, "", nullptr, &fin);
  Asm a;
  a.function("f", {}, f);
  a.push({Push(0), Push("f")}).op(avm1::kActionCallFunction).op(avm1::kActionTrace);
  Asm err;
  err.push({Push("message"), Push(1), Push("Error")})
      .op(avm1::kActionNewObject)
      .op(avm1::kActionThrow);
  Asm handler;
  handler.get("e")
      .op(avm1::kActionTrace)
      .get("e")
      .push({Push("name")})
      .op(avm1::kActionGetMember)
      .op(avm1::kActionTrace);
  a.try_block(err, "e", &handler, nullptr);
  a.push({Push("uncaught")}).op(avm1::kActionThrow);
  a.trace({Push("never")});
  EXPECT_EQ(run(a), "cleanup\nr\nmessage\nError\n");
}

}  // namespace
