// Scripts that build without bound end instead of exhausting the process:
// texts that keep growing, array methods over huge lengths, and loops that
// make objects forever. Each movie's next frame still runs.
#include <gtest/gtest.h>

#include "native/avm1/action_asm.h"

using avm1_test::Asm;
using avm1_test::Push;
using avm1_test::run_movie;
using avm1_test::script_movie;

namespace {

std::string run_then_next(const Asm& runaway) {
  Asm next;
  next.trace({Push("next frame")});
  return run_movie(script_movie({runaway.finished(), next.finished()}), 2);
}

// s = "x"; forever { s = grow(s); trace-free } ; trace("after")
Asm doubling_loop(uint8_t grow_op) {
  Asm a;
  a.set("s", {Push("0123456789abcdef")});
  a.label("top");
  a.push({Push("s")}).get("s").get("s").op(grow_op).op(avm1::kActionSetVariable);
  a.jump_back("top");
  a.trace({Push("after")});
  return a;
}

TEST(Avm1Limits, GrowingTextsEndTheScript) {
  EXPECT_EQ(run_then_next(doubling_loop(avm1::kActionAdd2)), "next frame\n");
  EXPECT_EQ(run_then_next(doubling_loop(avm1::kActionStringAdd)), "next frame\n");

  // s = s.concat(s, s) forever.
  Asm c;
  c.set("s", {Push("abc")});
  c.label("top");
  c.push({Push("s")}).get("s").get("s").push({Push(2)}).get("s").push({Push("concat")});
  c.op(avm1::kActionCallMethod).op(avm1::kActionSetVariable).jump_back("top");
  EXPECT_EQ(run_then_next(c), "next frame\n");

  // Appending a short piece to a long text many times stops once the run
  // has built too much text, long before the action budget.
  Asm slow;
  slow.set("s", {Push("0123456789abcdef")});
  for (int i = 0; i < 16; ++i)  // 1 MB
    slow.push({Push("s")}).get("s").get("s").op(avm1::kActionAdd2).op(avm1::kActionSetVariable);
  slow.set("i", {Push(0)});
  slow.label("top");
  slow.push({Push("s")}).get("s").push({Push("!")}).op(avm1::kActionAdd2);
  slow.op(avm1::kActionSetVariable);
  slow.push({Push("i")}).get("i").op(avm1::kActionIncrement).op(avm1::kActionSetVariable);
  slow.get("i").push({Push(100000)}).op(avm1::kActionLess2).op(avm1::kActionNot);
  slow.branch_if("done").jump_back("top");
  slow.label("done");
  slow.trace({Push("after")});
  EXPECT_EQ(run_then_next(slow), "next frame\n");

  // Texts well under the limits are built as usual.
  Asm fine;
  fine.set("s", {Push("ab")});
  for (int i = 0; i < 10; ++i)
    fine.push({Push("s")}).get("s").get("s").op(avm1::kActionAdd2).op(avm1::kActionSetVariable);
  fine.get("s").push({Push("length")}).op(avm1::kActionGetMember).op(avm1::kActionTrace);
  EXPECT_EQ(run_then_next(fine), "2048\nnext frame\n");
}

TEST(Avm1Limits, HugeArraysKeepTheirLengthButAreNotWalked) {
  // a = new Array(4000000000); trace(a.length); trace(a.join("-")); trace("after")
  Asm a;
  a.push({Push("a"), Push(4000000000.0), Push(1), Push("Array")}).op(avm1::kActionNewObject);
  a.op(avm1::kActionSetVariable);
  a.get("a").push({Push("length")}).op(avm1::kActionGetMember).op(avm1::kActionTrace);
  a.push({Push("-"), Push(1)}).get("a").push({Push("join")}).op(avm1::kActionCallMethod);
  a.op(avm1::kActionTrace).trace({Push("after")});
  EXPECT_EQ(run_then_next(a), "4000000000\nnext frame\n");

  // The same with a length written to a plain array, and a reverse.
  Asm b;
  b.push({Push("b"), Push(0)}).op(avm1::kActionInitArray).op(avm1::kActionSetVariable);
  b.get("b").push({Push("length"), Push(100000000)}).op(avm1::kActionSetMember);
  b.push({Push(0)}).get("b").push({Push("reverse")}).op(avm1::kActionCallMethod);
  b.trace({Push("after")});
  EXPECT_EQ(run_then_next(b), "next frame\n");

  // A short array whose length is set joins as usual.
  Asm c;
  c.push({Push("c"), Push(4), Push(1), Push("Array")}).op(avm1::kActionNewObject);
  c.op(avm1::kActionSetVariable);
  c.push({Push(0)}).get("c").push({Push("toString")}).op(avm1::kActionCallMethod);
  c.op(avm1::kActionTrace);
  EXPECT_EQ(run_then_next(c), "undefined,undefined,undefined,undefined\nnext frame\n");
}

TEST(Avm1Limits, MakingObjectsForeverEndsTheScript) {
  // forever { o = new Object(); o.p = o_prev; o_prev = o }: every object
  // stays reachable and no collection can run during the script.
  Asm a;
  a.label("top");
  a.push({Push("o"), Push(0), Push("Object")}).op(avm1::kActionNewObject);
  a.op(avm1::kActionSetVariable);
  a.get("o").push({Push("p")}).get("prev").op(avm1::kActionSetMember);
  a.push({Push("prev")}).get("o").op(avm1::kActionSetVariable);
  a.jump_back("top");
  a.trace({Push("after")});
  Asm next;
  next.trace({Push("next frame")});
  std::vector<uint8_t> movie = script_movie({a.finished(), next.finished()});
  npfp::Player player;
  player.feed(movie.data(), movie.size());
  player.finish_stream();
  avm1_test::TraceHost host;
  avm1::Engine engine(player, host);
  engine.runtime().max_live_objects = 20000;
  player.advance();
  EXPECT_LE(engine.runtime().heap().count(), 20100u);
  player.advance();
  EXPECT_EQ(host.output, "next frame\n");
}

TEST(Avm1Limits, WritesThroughOverlongPrototypeChainsEndTheScript) {
  // o = {}; forever { p = {}; p.__proto__ = o; o = p; o.x = 1; n = n + 1 }
  // A write that walks 256 prototypes without finding an accessor ends the
  // script; the chain is then 256 long, made in 255 rounds.
  Asm a;
  a.set("n", {Push(0)});
  a.push({Push("o"), Push(0)}).op(avm1::kActionInitObject).op(avm1::kActionSetVariable);
  a.label("top");
  a.push({Push("p"), Push(0)}).op(avm1::kActionInitObject).op(avm1::kActionSetVariable);
  a.get("p").push({Push("__proto__")}).get("o").op(avm1::kActionSetMember);
  a.push({Push("o")}).get("p").op(avm1::kActionSetVariable);
  a.get("o").push({Push("x"), Push(1)}).op(avm1::kActionSetMember);
  a.push({Push("n")}).get("n").push({Push(1)}).op(avm1::kActionAdd2);
  a.op(avm1::kActionSetVariable);
  a.jump_back("top");
  Asm next;
  next.trace({Push("next frame")}).get("n").op(avm1::kActionTrace);
  EXPECT_EQ(run_movie(script_movie({a.finished(), next.finished()}), 2), "next frame\n254\n");
}

}  // namespace

TEST(Avm1Limits, FrameScriptsThatRequeueThemselvesShareOneBudget) {
  // Frame 1: trace("again"); nextFrame(); prevFrame(). Going back queues the
  // same script again, so without a shared budget one frame never ends.
  Asm back_and_forth;
  back_and_forth.trace({Push("again")});
  back_and_forth.op(avm1::kActionNextFrame).op(avm1::kActionPreviousFrame);
  Asm empty;
  const std::string out =
      run_movie(script_movie({back_and_forth.finished(), empty.finished()}), 1, 1000);
  size_t runs = 0;
  for (size_t at = out.find("again"); at != std::string::npos; at = out.find("again", at + 1))
    ++runs;
  EXPECT_GT(runs, 1u) << "going back to a frame runs its script again";
  EXPECT_LE(runs, 1000u / 4 + 1);
}
