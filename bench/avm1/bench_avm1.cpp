// Script engine speed: a register loop of about 10 million simple actions,
// the same loop over timeline variables, and a recursive fib(25); prints the
// actions run and the time each took.
#include <chrono>
#include <cstdio>
#include <string>

#include "native/avm1/action_asm.h"

using avm1_test::Asm;
using avm1_test::Push;

namespace {

struct Result {
  std::string output;
  uint64_t actions = 0;
  double seconds = 0;
};

Result time_movie(const Asm& a) {
  std::vector<uint8_t> movie = avm1_test::script_movie({a.finished()}, 8);
  npfp::Player player;
  player.feed(movie.data(), movie.size());
  player.finish_stream();
  avm1_test::TraceHost host;
  avm1::Engine engine(player, host);
  engine.runtime().max_actions_per_run = 1ull << 40;
  auto start = std::chrono::steady_clock::now();
  player.advance();
  auto end = std::chrono::steady_clock::now();
  Result r;
  r.output = host.output;
  r.actions = engine.runtime().actions_run();
  r.seconds = std::chrono::duration<double>(end - start).count();
  return r;
}

void print(const char* what, const Result& r) {
  std::string out = r.output;
  while (!out.empty() && out.back() == '\n') out.pop_back();
  std::printf("%-34s %11llu actions %8.3f s %7.1f M actions/s  (traced %s)\n", what,
              static_cast<unsigned long long>(r.actions), r.seconds,
              r.seconds > 0 ? r.actions / r.seconds / 1e6 : 0.0, out.c_str());
}

}  // namespace

int main() {
  // Nine actions an iteration: Push, Less2, Not, If, Push, Increment,
  // StoreRegister, Pop, Jump.
  const int iterations = 10000000 / 9 + 1;
  Asm body;
  body.push({Push(0)}).store(1).op(avm1::kActionPop);
  body.label("top").push({Push::r(1), Push(iterations)}).op(avm1::kActionLess2);
  body.op(avm1::kActionNot).branch_if("end");
  body.push({Push::r(1)}).op(avm1::kActionIncrement).store(1).op(avm1::kActionPop);
  body.jump_back("top").label("end").push({Push::r(1)}).op(avm1::kActionReturn);
  Asm loop;
  loop.function2("count", 2, 0, {}, body);
  loop.push({Push(0), Push("count")}).op(avm1::kActionCallFunction).op(avm1::kActionTrace);
  print("register loop (10M actions)", time_movie(loop));

  // The same count in a timeline variable: name lookups on every step.
  Asm vars;
  vars.constants({"i"}).push({Push::c(0), Push(0)}).op(avm1::kActionSetVariable);
  vars.label("top").push({Push::c(0)}).op(avm1::kActionGetVariable).push({Push(iterations / 2)});
  vars.op(avm1::kActionLess2).op(avm1::kActionNot).branch_if("end");
  vars.push({Push::c(0), Push::c(0)}).op(avm1::kActionGetVariable).op(avm1::kActionIncrement);
  vars.op(avm1::kActionSetVariable).jump_back("top").label("end");
  vars.push({Push::c(0)}).op(avm1::kActionGetVariable).op(avm1::kActionTrace);
  print("variable loop", time_movie(vars));

  // function fib(n) { return n < 2 ? n : fib(n - 1) + fib(n - 2); }
  Asm fib_body;
  fib_body.push({Push::r(1), Push(2)}).op(avm1::kActionLess2).branch_if("small");
  fib_body.push({Push::r(1), Push(1)}).op(avm1::kActionSubtract).push({Push(1), Push("fib")});
  fib_body.op(avm1::kActionCallFunction);
  fib_body.push({Push::r(1), Push(2)}).op(avm1::kActionSubtract).push({Push(1), Push("fib")});
  fib_body.op(avm1::kActionCallFunction).op(avm1::kActionAdd2).op(avm1::kActionReturn);
  fib_body.label("small").push({Push::r(1)}).op(avm1::kActionReturn);
  Asm fib;
  // Suppress this, arguments and super (0x2A): the calls make no objects for them.
  fib.function2("fib", 2, 0x002A, {{1, "n"}}, fib_body);
  fib.push({Push(25), Push(1), Push("fib")}).op(avm1::kActionCallFunction).op(avm1::kActionTrace);
  print("recursive fib(25)", time_movie(fib));

  Asm fib1;
  Asm fib1_body;
  fib1_body.get("n").push({Push(2)}).op(avm1::kActionLess2).branch_if("small");
  fib1_body.get("n").push({Push(1)}).op(avm1::kActionSubtract).push({Push(1), Push("fib")});
  fib1_body.op(avm1::kActionCallFunction);
  fib1_body.get("n").push({Push(2)}).op(avm1::kActionSubtract).push({Push(1), Push("fib")});
  fib1_body.op(avm1::kActionCallFunction).op(avm1::kActionAdd2).op(avm1::kActionReturn);
  fib1_body.label("small").get("n").op(avm1::kActionReturn);
  fib1.function("fib", {"n"}, fib1_body);
  fib1.push({Push(25), Push(1), Push("fib")}).op(avm1::kActionCallFunction).op(avm1::kActionTrace);
  print("recursive fib(25), DefineFunction", time_movie(fib1));
  return 0;
}
