// Conversions and operators by the rules of the code's SWF version: numbers
// as text, texts as numbers, undefined in text and arithmetic, equality and
// comparison, SWF 4 booleans and case-insensitive names before SWF 7.
#include <gtest/gtest.h>

#include "native/avm1/action_asm.h"

using avm1_test::Asm;
using avm1_test::Push;
using avm1_test::run;

namespace {

TEST(Avm1Conversions, NumbersPrintLikeThePlayer) {
  Asm a;
  a.trace({Push(0.1)})
      .trace({Push(1e15)})
      .trace({Push(123456789012345.0)})
      .trace({Push(0.00001)})
      .trace({Push(-2.5)})
      .push({Push(1), Push(0)})
      .op(avm1::kActionDivide)
      .op(avm1::kActionTrace)
      .push({Push(0), Push(0)})
      .op(avm1::kActionDivide)
      .op(avm1::kActionTrace)
      .push({Push(1.0 / 3)})
      .op(avm1::kActionTrace);
  EXPECT_EQ(run(a), "0.1\n1e+15\n123456789012345\n1e-5\n-2.5\nInfinity\nNaN\n0.333333333333333\n");
}

TEST(Avm1Conversions, TextsAsNumbersFollowTheVersion) {
  Asm a;
  for (const char* text : {"0x1F", "017", " 12", "1e3", "12abc", ""})
    a.push({Push(text)}).op(avm1::kActionToNumber).op(avm1::kActionTrace);
  EXPECT_EQ(run(a, 8), "31\n15\n12\n1000\nNaN\nNaN\n");
  // SWF 5 reads neither hexadecimal nor octal.
  EXPECT_EQ(run(a, 5), "NaN\n17\n12\n1000\nNaN\nNaN\n");
}

TEST(Avm1Conversions, UndefinedDependsOnTheVersion) {
  Asm a;
  // "x" + undefined, undefined + 1 and Number(undefined).
  a.push({Push("x"), Push::undefined_value()})
      .op(avm1::kActionAdd2)
      .op(avm1::kActionTrace)
      .push({Push::undefined_value(), Push(1)})
      .op(avm1::kActionAdd2)
      .op(avm1::kActionTrace)
      .push({Push::undefined_value()})
      .op(avm1::kActionToString)
      .op(avm1::kActionTrace);
  EXPECT_EQ(run(a, 6), "x\n1\n\n");
  EXPECT_EQ(run(a, 7), "xundefined\nNaN\nundefined\n");
}

TEST(Avm1Conversions, EqualityAndComparison) {
  Asm a;
  auto eq = [&](Push x, Push y) { a.push({x, y}).op(avm1::kActionEquals2).op(avm1::kActionTrace); };
  eq(Push("1"), Push(1));
  eq(Push::null_value(), Push::undefined_value());
  eq(Push::b(true), Push("1"));
  eq(Push(0), Push::null_value());
  a.push({Push("1"), Push(1)}).op(avm1::kActionStrictEquals).op(avm1::kActionTrace);
  // "10" < "9" compares texts; 10 < "9" compares numbers.
  a.push({Push("10"), Push("9")}).op(avm1::kActionLess2).op(avm1::kActionTrace);
  a.push({Push(10), Push("9")}).op(avm1::kActionLess2).op(avm1::kActionTrace);
  // NaN compares to undefined.
  a.push({Push("a"), Push(1)}).op(avm1::kActionLess2).op(avm1::kActionTrace);
  EXPECT_EQ(run(a), "true\ntrue\ntrue\nfalse\nfalse\ntrue\nfalse\nundefined\n");
}

TEST(Avm1Conversions, SwfFourHasNoBooleansAndDividesByZeroToAnError) {
  Asm a;
  a.push({Push(1), Push(2)}).op(avm1::kActionLess).op(avm1::kActionTrace);
  a.push({Push(1), Push(0)}).op(avm1::kActionDivide).op(avm1::kActionTrace);
  a.push({Push("abc")}).op(avm1::kActionStringLength).op(avm1::kActionTrace);
  EXPECT_EQ(run(a, 4), "1\n#ERROR#\n3\n");
  EXPECT_EQ(run(a, 6), "true\nInfinity\n3\n");
}

TEST(Avm1Conversions, NamesIgnoreCaseBeforeSwfSeven) {
  Asm a;
  a.set("Value", {Push(1)}).get("value").op(avm1::kActionTrace);
  EXPECT_EQ(run(a, 6), "1\n");
  EXPECT_EQ(run(a, 7), "undefined\n");
}

TEST(Avm1Conversions, BitOperatorsWorkOnInt32) {
  Asm a;
  a.push({Push(-1), Push(28)}).op(avm1::kActionBitURShift).op(avm1::kActionTrace);
  a.push({Push(4294967296.0 + 5), Push(1)}).op(avm1::kActionBitOr).op(avm1::kActionTrace);
  a.push({Push(1), Push(31)}).op(avm1::kActionBitLShift).op(avm1::kActionTrace);
  a.push({Push(-9), Push(1)}).op(avm1::kActionBitRShift).op(avm1::kActionTrace);
  EXPECT_EQ(run(a), "15\n5\n-2147483648\n-5\n");
}

TEST(Avm1Conversions, CharacterCodesAreUtf8) {
  Asm a;
  a.push({Push(233)}).op(avm1::kActionAsciiToChar).store(0).op(avm1::kActionTrace);
  a.push({Push::r(0)}).op(avm1::kActionCharToAscii).op(avm1::kActionTrace);
  a.push({Push("")}).op(avm1::kActionCharToAscii).op(avm1::kActionTrace);
  a.push({Push("h\xC3\xA9llo")}).op(avm1::kActionMBStringLength).op(avm1::kActionTrace);
  EXPECT_EQ(run(a, 7), "\xC3\xA9\n233\n0\n5\n");
}

}  // namespace
