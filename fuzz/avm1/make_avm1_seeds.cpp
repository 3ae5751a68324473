// Writes the seed corpus of the avm1 fuzz target: a version byte and then
// action bytes from the test assembler (functions, loops, exceptions, with,
// objects and arrays).
//   make_avm1_seeds <folder>
#include <cstdio>
#include <fstream>
#include <string>

#include "native/avm1/action_asm.h"

using avm1_test::Asm;
using avm1_test::Push;

namespace {

void write(const std::string& folder, const std::string& name, uint8_t selector, const Asm& a) {
  std::ofstream out(folder + "/" + name, std::ios::binary);
  out.put(static_cast<char>(selector));
  const auto bytes = a.finished();
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_avm1_seeds <folder>\n");
    return 2;
  }
  std::string folder = argv[1];

  Asm loop;
  loop.constants({"i", "sum"}).push({Push::c(0), Push(0)}).op(avm1::kActionSetVariable);
  loop.label("top").push({Push::c(0)}).op(avm1::kActionGetVariable).push({Push(10)});
  loop.op(avm1::kActionLess2).op(avm1::kActionNot).branch_if("end");
  loop.push({Push::c(1), Push::c(1)}).op(avm1::kActionGetVariable).push({Push::c(0)});
  loop.op(avm1::kActionGetVariable).op(avm1::kActionAdd2).op(avm1::kActionSetVariable);
  loop.push({Push::c(0), Push::c(0)}).op(avm1::kActionGetVariable).op(avm1::kActionIncrement);
  loop.op(avm1::kActionSetVariable).jump_back("top").label("end");
  loop.push({Push::c(1)}).op(avm1::kActionGetVariable).op(avm1::kActionTrace);
  write(folder, "loop", 4, loop);

  Asm body;
  body.push({Push::r(1), Push(2)}).op(avm1::kActionMultiply).op(avm1::kActionReturn);
  Asm functions;
  functions.function2("twice", 2, 0x0005, {{1, "x"}}, body);
  functions.push({Push(21), Push(1), Push("twice")})
      .op(avm1::kActionCallFunction)
      .op(avm1::kActionTrace);
  Asm closure;
  closure.get("n").op(avm1::kActionReturn);
  functions.function("f", {"n"}, closure).push({Push(3), Push(1), Push("f")});
  functions.op(avm1::kActionCallFunction).op(avm1::kActionTrace);
  write(folder, "functions", 0x84, functions);

  Asm thrown;
  thrown.push({Push("m"), Push(1), Push("Error")})
      .op(avm1::kActionNewObject)
      .op(avm1::kActionThrow);
  Asm handler;
  handler.get("e").op(avm1::kActionTrace);
  Asm finally;
  finally.trace({Push("finally")});
  Asm exceptions;
  exceptions.try_block(thrown, "e", &handler, &finally);
  write(folder, "exceptions", 3, exceptions);

  Asm objects;
  objects.push({Push("o"), Push("a"), Push(1), Push("b"), Push("x"), Push(2)});
  objects.op(avm1::kActionInitObject).op(avm1::kActionSetVariable);
  Asm with_body;
  with_body.get("a").op(avm1::kActionTrace);
  objects.get("o").with(with_body);
  objects.push({Push(3), Push(2), Push(1), Push(3)}).op(avm1::kActionInitArray).store(0);
  objects.push({Push(0), Push("sort")}).op(avm1::kActionStackSwap).op(avm1::kActionPop);
  objects.push({Push(0)})
      .push({Push::r(0), Push("sort")})
      .op(avm1::kActionCallMethod)
      .op(avm1::kActionTrace);
  objects.get("o").op(avm1::kActionEnumerate2).op(avm1::kActionTrace);
  write(folder, "objects", 2, objects);
  return 0;
}
