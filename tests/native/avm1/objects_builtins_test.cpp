// Prototypes, classes and property attributes, and the built-in classes a
// movie leans on most (Array, String, Number, Math, Date, Object).
#include <gtest/gtest.h>

#include "native/avm1/action_asm.h"

using avm1_test::Asm;
using avm1_test::call;
using avm1_test::Push;
using avm1_test::run;

namespace {

TEST(Avm1Prototypes, ExtendsInstanceofAndSuper) {
  // function A() {}  A.prototype.who = function () { return "A"; }
  // function B() { super(); }  B extends A;  B.prototype.who = function () { return "B" +
  // super.who(); }
  Asm a_who;
  a_who.push({Push("A")}).op(avm1::kActionReturn);
  Asm b_ctor;
  b_ctor.push({Push(0)})
      .get("super")
      .push({Push::undefined_value()})
      .op(avm1::kActionCallMethod)
      .op(avm1::kActionPop);
  Asm b_who;
  b_who.push({Push("B"), Push(0)})
      .get("super")
      .push({Push("who")})
      .op(avm1::kActionCallMethod)
      .op(avm1::kActionAdd2)
      .op(avm1::kActionReturn);
  Asm a;
  a.function("A", {}, Asm());
  a.get("A")
      .push({Push("prototype")})
      .op(avm1::kActionGetMember)
      .push({Push("who")})
      .function("", {}, a_who)
      .op(avm1::kActionSetMember);
  a.function("B", {}, b_ctor);
  a.get("B").get("A").op(avm1::kActionExtends);
  a.get("B")
      .push({Push("prototype")})
      .op(avm1::kActionGetMember)
      .push({Push("who")})
      .function("", {}, b_who)
      .op(avm1::kActionSetMember);
  a.push({Push("b"), Push(0), Push("B")}).op(avm1::kActionNewObject).op(avm1::kActionSetVariable);
  call(a, "b", "who", {}).op(avm1::kActionTrace);
  a.get("b").get("A").op(avm1::kActionInstanceOf).op(avm1::kActionTrace);
  a.get("b").get("Array").op(avm1::kActionInstanceOf).op(avm1::kActionTrace);
  a.get("b")
      .push({Push("__proto__")})
      .op(avm1::kActionGetMember)
      .get("B")
      .push({Push("prototype")})
      .op(avm1::kActionGetMember)
      .op(avm1::kActionStrictEquals)
      .op(avm1::kActionTrace);
  EXPECT_EQ(run(a), "BA\ntrue\nfalse\ntrue\n");
}

TEST(Avm1Prototypes, AddPropertyGettersSettersAndPropFlags) {
  Asm getter;
  getter.get("this")
      .push({Push("_v")})
      .op(avm1::kActionGetMember)
      .push({Push(2)})
      .op(avm1::kActionMultiply)
      .op(avm1::kActionReturn);
  Asm setter;
  setter.get("this").push({Push("_v")}).get("x").op(avm1::kActionSetMember);
  Asm a;
  a.push({Push("o"), Push(0), Push("Object")})
      .op(avm1::kActionNewObject)
      .op(avm1::kActionSetVariable);
  a.function("g", {}, getter).function("s", {"x"}, setter);
  a.get("s")
      .get("g")
      .push({Push("p"), Push(3)})
      .get("o")
      .push({Push("addProperty")})
      .op(avm1::kActionCallMethod)
      .op(avm1::kActionTrace);
  a.get("o").push({Push("p"), Push(21)}).op(avm1::kActionSetMember);
  a.get("o").push({Push("p")}).op(avm1::kActionGetMember).op(avm1::kActionTrace);
  // ASSetPropFlags(o, "q", 4 /* read-only */) keeps q.
  a.get("o").push({Push("q"), Push(1)}).op(avm1::kActionSetMember);
  a.push({Push(4), Push("q")})
      .get("o")
      .push({Push(3), Push("ASSetPropFlags")})
      .op(avm1::kActionCallFunction)
      .op(avm1::kActionPop);
  a.get("o").push({Push("q"), Push(2)}).op(avm1::kActionSetMember);
  a.get("o").push({Push("q")}).op(avm1::kActionGetMember).op(avm1::kActionTrace);
  // Hidden (1) properties are not enumerated: only _v and p remain visible.
  a.push({Push(1), Push("q")})
      .get("o")
      .push({Push(3), Push("ASSetPropFlags")})
      .op(avm1::kActionCallFunction)
      .op(avm1::kActionPop);
  a.push({Push("n"), Push(0)}).op(avm1::kActionSetVariable);
  a.get("o").op(avm1::kActionEnumerate2);
  a.label("loop")
      .op(avm1::kActionPushDuplicate)
      .push({Push::null_value()})
      .op(avm1::kActionEquals2)
      .branch_if("done");
  a.op(avm1::kActionPop)
      .push({Push("n")})
      .get("n")
      .op(avm1::kActionIncrement)
      .op(avm1::kActionSetVariable);
  a.jump_back("loop");
  a.label("done").op(avm1::kActionPop);
  a.get("n").op(avm1::kActionTrace);
  EXPECT_EQ(run(a), "true\n42\n1\n2\n");
}

TEST(Avm1Prototypes, WritesToPropertiesHiddenFromTheVersion) {
  // For each flag f: o.a = 1 hidden by ASSetPropFlags(o, "a", f); o.a = 2;
  // ASSetPropFlags(o, "a", 0, 8191) shows it again; trace(o.a).
  auto write_hidden = [](int flag) {
    Asm a;
    a.push({Push("o"), Push("a"), Push(1), Push(1)})
        .op(avm1::kActionInitObject)
        .op(avm1::kActionSetVariable);
    a.push({Push(flag), Push("a")})
        .get("o")
        .push({Push(3), Push("ASSetPropFlags")})
        .op(avm1::kActionCallFunction)
        .op(avm1::kActionPop);
    a.get("o").push({Push("a"), Push(2)}).op(avm1::kActionSetMember);
    a.get("o").push({Push("a")}).op(avm1::kActionGetMember).op(avm1::kActionTrace);
    a.push({Push(8191), Push(0), Push("a")})
        .get("o")
        .push({Push(4), Push("ASSetPropFlags")})
        .op(avm1::kActionCallFunction)
        .op(avm1::kActionPop);
    a.get("o").push({Push("a")}).op(avm1::kActionGetMember).op(avm1::kActionTrace);
    return a;
  };
  // SWF 6 writes a property kept for SWF 7 in place, still hidden...
  EXPECT_EQ(run(write_hidden(0x400), 6), "undefined\n2\n");
  // ...and replaces one hidden from it otherwise, or from SWF 5 code.
  EXPECT_EQ(run(write_hidden(0x100), 6), "2\n2\n");
  EXPECT_EQ(run(write_hidden(0x1000), 6), "2\n2\n");
  EXPECT_EQ(run(write_hidden(0x400), 5), "2\n2\n");
}

TEST(Avm1Prototypes, InstanceofSeesImplementedInterfacesInEveryVersion) {
  // function A() {}  function I() {}  A implements I;  o = new A;
  // trace(o instanceof I); trace(o instanceof Array);
  Asm a;
  a.function("A", {}, Asm()).function("I", {}, Asm());
  a.get("I").push({Push(1)}).get("A").op(avm1::kActionImplementsOp);
  a.push({Push("o"), Push(0), Push("A")}).op(avm1::kActionNewObject).op(avm1::kActionSetVariable);
  a.get("o").get("I").op(avm1::kActionInstanceOf).op(avm1::kActionTrace);
  a.get("o").get("Array").op(avm1::kActionInstanceOf).op(avm1::kActionTrace);
  for (uint8_t version : {5, 6, 7, 8}) EXPECT_EQ(run(a, version), "true\nfalse\n");
}

TEST(Avm1Prototypes, WhatCountsAsAnInstanceOfObject) {
  // trace(Object() instanceof Object); trace(new Object() instanceof Object);
  // trace(Array instanceof Object);
  Asm a;
  a.push({Push(0), Push("Object")}).op(avm1::kActionCallFunction);
  a.get("Object").op(avm1::kActionInstanceOf).op(avm1::kActionTrace);
  a.push({Push(0), Push("Object")}).op(avm1::kActionNewObject);
  a.get("Object").op(avm1::kActionInstanceOf).op(avm1::kActionTrace);
  a.get("Array").get("Object").op(avm1::kActionInstanceOf).op(avm1::kActionTrace);
  // Object called as a plain function makes a bare object; functions
  // inherit from Object.prototype for code from SWF 6 on.
  EXPECT_EQ(run(a, 6), "false\ntrue\ntrue\n");
  EXPECT_EQ(run(a, 5), "false\ntrue\nfalse\n");
}

TEST(Avm1Prototypes, LiteralsOwnTheirConstructorAndNewNeedsAPrototype) {
  // trace({}.hasOwnProperty("constructor")); trace([].hasOwnProperty(...));
  // trace([].constructor == Array);
  Asm a;
  a.push({Push("constructor"), Push(1), Push(0)}).op(avm1::kActionInitObject);
  a.push({Push("hasOwnProperty")}).op(avm1::kActionCallMethod).op(avm1::kActionTrace);
  a.push({Push("constructor"), Push(1), Push(0)}).op(avm1::kActionInitArray);
  a.push({Push("hasOwnProperty")}).op(avm1::kActionCallMethod).op(avm1::kActionTrace);
  a.push({Push(0)}).op(avm1::kActionInitArray).push({Push("constructor")});
  a.op(avm1::kActionGetMember).get("Array").op(avm1::kActionEquals2).op(avm1::kActionTrace);
  // function F() {}  ASSetPropFlags(F, "prototype", 0, 7);
  // delete F.prototype;  trace(new F().__proto__);
  a.function("F", {}, Asm());
  a.push({Push(7), Push(0), Push("prototype")}).get("F");
  a.push({Push(4), Push("ASSetPropFlags")}).op(avm1::kActionCallFunction).op(avm1::kActionPop);
  a.get("F").push({Push("prototype")}).op(avm1::kActionDelete).op(avm1::kActionPop);
  a.push({Push(0), Push("F")}).op(avm1::kActionNewObject);
  a.push({Push("__proto__")}).op(avm1::kActionGetMember).op(avm1::kActionTrace);
  EXPECT_EQ(run(a, 7), "true\ntrue\ntrue\nundefined\n");
}

TEST(Avm1Prototypes, EndlessPrototypeChainsEndTheScript) {
  // o.__proto__ = o; then reading a missing property stops the block.
  Asm a;
  a.push({Push("o"), Push(0), Push("Object")})
      .op(avm1::kActionNewObject)
      .op(avm1::kActionSetVariable);
  a.get("o").push({Push("__proto__")}).get("o").op(avm1::kActionSetMember);
  a.trace({Push("before")});
  a.get("o").push({Push("missing")}).op(avm1::kActionGetMember).op(avm1::kActionTrace);
  a.trace({Push("after")});
  EXPECT_EQ(run(a), "before\n");
}

TEST(Avm1Builtins, ArrayMethodsAndSortFlags) {
  Asm a;
  a.push({Push(1), Push(100), Push(20), Push(3), Push(4)})
      .op(avm1::kActionInitArray)
      .store(1)
      .op(avm1::kActionPop);
  a.push({Push("x"), Push::r(1)}).op(avm1::kActionSetVariable);
  call(a, "x", "sort", {}).op(avm1::kActionTrace);
  call(a, "x", "sort", {Push(16)}).op(avm1::kActionTrace);      // NUMERIC
  call(a, "x", "sort", {Push(16 | 2)}).op(avm1::kActionTrace);  // NUMERIC | DESCENDING
  call(a, "x", "sort", {Push(8)}).op(avm1::kActionTrace);       // RETURNINDEXEDARRAY
  call(a, "x", "join", {Push("-")}).op(avm1::kActionTrace);
  call(a, "x", "reverse", {}).op(avm1::kActionPop);
  call(a, "x", "slice", {Push(1), Push(-1)}).op(avm1::kActionTrace);
  call(a, "x", "splice", {Push(1), Push(2), Push("z")}).op(avm1::kActionTrace);
  a.get("x").op(avm1::kActionTrace);
  call(a, "x", "push", {Push(7)}).op(avm1::kActionTrace);
  a.get("x").push({Push("length"), Push(1)}).op(avm1::kActionSetMember);
  a.get("x").op(avm1::kActionTrace);
  EXPECT_EQ(run(a),
            "1,100,20,3\n1,3,20,100\n100,20,3,1\n3,0,1,2\n100-20-3-1\n3,20\n3,20\n1,z,100\n4\n1\n");
}

TEST(Avm1Builtins, StringMethods) {
  Asm a;
  a.push({Push("s"), Push("Hello, World")}).op(avm1::kActionSetVariable);
  call(a, "s", "indexOf", {Push("o")}).op(avm1::kActionTrace);
  call(a, "s", "lastIndexOf", {Push("o")}).op(avm1::kActionTrace);
  call(a, "s", "substr", {Push(-5), Push(3)}).op(avm1::kActionTrace);
  call(a, "s", "substring", {Push(5), Push(0)}).op(avm1::kActionTrace);
  call(a, "s", "slice", {Push(-5)}).op(avm1::kActionTrace);
  call(a, "s", "split", {Push(", ")})
      .push({Push("length")})
      .op(avm1::kActionGetMember)
      .op(avm1::kActionTrace);
  call(a, "s", "toUpperCase", {}).op(avm1::kActionTrace);
  call(a, "s", "charCodeAt", {Push(1)}).op(avm1::kActionTrace);
  call(a, "s", "charAt", {Push(99)}).op(avm1::kActionTrace);
  a.push({Push(104), Push(105), Push(2)})
      .get("String")
      .push({Push("fromCharCode")})
      .op(avm1::kActionCallMethod)
      .op(avm1::kActionTrace);
  EXPECT_EQ(run(a), "4\n8\nWor\nHello\nWorld\n2\nHELLO, WORLD\n101\n\nih\n");
}

TEST(Avm1Builtins, NumberMathAndGlobalFunctions) {
  Asm a;
  a.push({Push(16), Push(1), Push(255), Push(1), Push("Number")})
      .op(avm1::kActionNewObject)
      .push({Push("toString")})
      .op(avm1::kActionCallMethod)
      .op(avm1::kActionTrace);
  a.push({Push(10), Push(2), Push(2)})
      .get("Math")
      .push({Push("pow")})
      .op(avm1::kActionCallMethod)
      .op(avm1::kActionTrace);
  a.push({Push(-2.5), Push(1)})
      .get("Math")
      .push({Push("round")})
      .op(avm1::kActionCallMethod)
      .op(avm1::kActionTrace);
  a.push({Push(16), Push("ff"), Push(2), Push("parseInt")})
      .op(avm1::kActionCallFunction)
      .op(avm1::kActionTrace);
  a.push({Push("3.5px"), Push(1), Push("parseFloat")})
      .op(avm1::kActionCallFunction)
      .op(avm1::kActionTrace);
  a.push({Push("a b&c"), Push(1), Push("escape")})
      .op(avm1::kActionCallFunction)
      .op(avm1::kActionTrace);
  a.push({Push("NaN"), Push(1), Push("isNaN")})
      .op(avm1::kActionCallFunction)
      .op(avm1::kActionTrace);
  EXPECT_EQ(run(a), "ff\n1024\n-2\n255\n3.5\na%20b%26c\ntrue\n");
}

TEST(Avm1Builtins, DateInUtc) {
  Asm a;
  // new Date(2001, 1, 3, 4, 5, 6) in a zone at UTC, then its parts.
  a.push(
       {Push("d"), Push(6), Push(5), Push(4), Push(3), Push(1), Push(2001), Push(6), Push("Date")})
      .op(avm1::kActionNewObject)
      .op(avm1::kActionSetVariable);
  call(a, "d", "getFullYear", {}).op(avm1::kActionTrace);
  call(a, "d", "getMonth", {}).op(avm1::kActionTrace);
  call(a, "d", "getDay", {}).op(avm1::kActionTrace);
  call(a, "d", "getTime", {}).op(avm1::kActionTrace);
  call(a, "d", "setDate", {Push(31)}).op(avm1::kActionPop);
  call(a, "d", "getMonth", {}).op(avm1::kActionTrace);
  call(a, "d", "getDate", {}).op(avm1::kActionTrace);
  EXPECT_EQ(run(a), "2001\n1\n6\n981173106000\n2\n3\n");
}

}  // namespace
