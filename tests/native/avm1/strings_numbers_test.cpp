// Texts and numbers as the built-in functions and actions read them:
// parseInt's prefixes, integer positions in the extracting functions, the
// bytes of SWF 5 code, split's limit, which conversion method runs, and the
// arguments Math converts.
#include <gtest/gtest.h>

#include <cmath>

#include "native/avm1/action_asm.h"

using avm1_test::Asm;
using avm1_test::call;
using avm1_test::Push;
using avm1_test::run;

namespace {

// Calls a global function with the arguments in call order and traces the
// answer.
Asm& trace_call(Asm& a, const char* function, std::initializer_list<Push> args) {
  std::vector<Push> reversed(args.begin(), args.end());
  for (size_t i = reversed.size(); i-- > 0;) a.push({reversed[i]});
  a.push({Push(static_cast<int>(args.size())), Push(function)}).op(avm1::kActionCallFunction);
  return a.op(avm1::kActionTrace);
}

// Calls text.method(args...) on a text literal and traces the answer.
Asm& trace_method(Asm& a, const char* text, const char* method, std::initializer_list<Push> args) {
  std::vector<Push> reversed(args.begin(), args.end());
  for (size_t i = reversed.size(); i-- > 0;) a.push({reversed[i]});
  a.push({Push(static_cast<int>(args.size())), Push(text), Push(method)});
  return a.op(avm1::kActionCallMethod).op(avm1::kActionTrace);
}

TEST(Avm1TextsAndNumbers, ParseIntPrefixes) {
  Asm a;
  trace_call(a, "parseInt", {Push("030")});     // all octal digits: octal
  trace_call(a, "parseInt", {Push(" 030")});    // blanks first: decimal
  trace_call(a, "parseInt", {Push("030.12")});  // not all octal: decimal
  trace_call(a, "parseInt", {Push("030"), Push(10)});
  trace_call(a, "parseInt", {Push("0x1F")});
  trace_call(a, "parseInt", {Push("-0x2")});   // a sign before 0x: no number
  trace_call(a, "parseInt", {Push(" -0x2")});  // after blanks it reads the 0
  trace_call(a, "parseInt", {Push("0x-2")});
  trace_call(a, "parseInt", {Push("0x123"), Push(5)});  // the radix given still counts
  trace_call(a, "parseInt", {Push("+030")});            // a sign may open an octal text
  trace_call(a, "parseInt", {Push("-030")});
  trace_call(a, "parseInt", {Push(" +030")});
  const char* expected = "24\n30\n30\n30\n31\nNaN\n0\n-2\n38\n24\n-24\n30\n";
  EXPECT_EQ(run(a, 8), expected);
  EXPECT_EQ(run(a, 5), expected);
}

TEST(Avm1TextsAndNumbers, ConversionsWithoutAValue) {
  Asm a;
  trace_call(a, "Boolean", {});
  trace_call(a, "parseFloat", {});
  // new Date(1.5) keeps the fraction; the fields given one by one do not.
  a.push({Push(0), Push(1.5), Push(1), Push("Date")}).op(avm1::kActionNewObject);
  a.push({Push("getTime")}).op(avm1::kActionCallMethod).op(avm1::kActionTrace);
  // An object without any valueOf reads as undefined does.
  a.push({Push("o"), Push(0)}).op(avm1::kActionInitObject).op(avm1::kActionSetVariable);
  a.get("o").push({Push("__proto__"), Push::undefined_value()}).op(avm1::kActionSetMember);
  a.get("o").push({Push(1), Push("Number")}).op(avm1::kActionCallFunction);
  a.op(avm1::kActionTrace);
  EXPECT_EQ(run(a, 8), "undefined\nundefined\n1.5\nNaN\n");
  EXPECT_EQ(run(a, 6), "undefined\nundefined\n1.5\n0\n");
}

TEST(Avm1TextsAndNumbers, ExtractingUsesIntegerPositions) {
  Asm a;
  trace_method(a, "ABCDEF", "substr", {Push(0), Push(-1)});          // counts from the end
  trace_method(a, "ABCDEF", "substr", {Push(-5), Push(-2)});         // B.. up to the end less 2
  trace_method(a, "ABCDEF", "substr", {Push(-5), Push(-1)});         // reaches the end: none
  trace_method(a, "ABCDEF", "substr", {Push(1), Push(INFINITY)});    // Infinity is 0
  trace_method(a, "Hello World", "substring", {Push(11), Push(0)});  // from past the end
  trace_method(a, "Hello World", "substring", {Push(10), Push(19)});
  trace_method(a, "Hello World", "substring", {Push(4), Push(1)});  // swapped
  // StringExtract with an infinite count takes nothing; a negative one all.
  a.push({Push("Hello"), Push(2), Push(INFINITY)}).op(avm1::kActionStringExtract);
  a.op(avm1::kActionTrace);
  a.push({Push("Hello"), Push(2), Push(-1)}).op(avm1::kActionStringExtract);
  a.op(avm1::kActionTrace);
  EXPECT_EQ(run(a), "ABCDE\nBCDE\n\n\n\nd\nell\n\nello\n");
}

TEST(Avm1TextsAndNumbers, SwfFiveTextsAreBytes) {
  Asm a;
  a.push({Push(200)}).op(avm1::kActionAsciiToChar).op(avm1::kActionTrace);
  a.push({Push(300)}).op(avm1::kActionAsciiToChar).op(avm1::kActionTrace);      // low byte
  a.push({Push(0x141)}).op(avm1::kActionMBAsciiToChar).op(avm1::kActionTrace);  // two bytes
  // "\xC3\xA4" is two characters in SWF 5 code, one in SWF 6.
  a.push({Push("\xC3\xA4")}).op(avm1::kActionCharToAscii).op(avm1::kActionTrace);
  a.push({Push("\xC3\xA4")}).op(avm1::kActionStringLength).op(avm1::kActionTrace);
  a.push({Push("\xC3\xA4")}).op(avm1::kActionTrace);
  EXPECT_EQ(run(a, 5), "\xC3\x88\n,\n\x01\x41\n195\n2\n\xC3\x83\xC2\xA4\n");
  EXPECT_EQ(run(a, 6), "\xC3\x88\n\xC4\xAC\n\xC5\x81\n228\n1\n\xC3\xA4\n");
}

TEST(Avm1TextsAndNumbers, MalformedUtf8IsDroppedFromSwfSixTexts) {
  Asm a;
  a.constants({"\xFF\xFFok", "\xC3"});
  a.push({Push::c(0)}).op(avm1::kActionTrace);
  a.push({Push::c(1), Push("\xC3\xA4\xFFx")}).op(avm1::kActionAdd2).op(avm1::kActionTrace);
  EXPECT_EQ(run(a, 6), "ok\n\xC3\xA4x\n");
  // SWF 5 texts are bytes: every one shows.
  EXPECT_EQ(run(a, 5), "\xC3\xBF\xC3\xBFok\n\xC3\x83\xC3\x83\xC2\xA4\xC3\xBFx\n");
}

TEST(Avm1TextsAndNumbers, SplitLimitsAndSeparators) {
  Asm a;
  auto split = [&](std::initializer_list<Push> args) {
    std::vector<Push> reversed(args.begin(), args.end());
    for (size_t i = reversed.size(); i-- > 0;) a.push({reversed[i]});
    a.push({Push(static_cast<int>(args.size())), Push("12345"), Push("split")});
    a.op(avm1::kActionCallMethod).op(avm1::kActionTrace);
  };
  split({Push("23")});
  split({Push("23"), Push(1)});
  split({Push("23"), Push(0.5)});       // 0: nothing
  split({Push("23"), Push(INFINITY)});  // 0 as well
  split({Push("23"), Push(-1)});
  split({Push("3")});
  EXPECT_EQ(run(a, 8), "1,45\n1\n\n\n\n12,45\n");
  // SWF 5 code splits at single characters only.
  EXPECT_EQ(run(a, 5), "12345\n12345\n\n\n\n12,45\n");
}

// o = new Object(); o.valueOf = function () { trace("valueOf"); return this; }
// o.toString = function () { trace("toString"); return this; }
Asm object_answering_itself() {
  Asm value_of;
  value_of.trace({Push("valueOf")}).get("this").op(avm1::kActionReturn);
  Asm to_string;
  to_string.trace({Push("toString")}).get("this").op(avm1::kActionReturn);
  Asm a;
  a.push({Push("o"), Push(0), Push("Object")}).op(avm1::kActionNewObject);
  a.op(avm1::kActionSetVariable);
  a.get("o").push({Push("valueOf")}).function("", {}, value_of).op(avm1::kActionSetMember);
  a.get("o").push({Push("toString")}).function("", {}, to_string).op(avm1::kActionSetMember);
  return a;
}

TEST(Avm1TextsAndNumbers, ConversionsAskOneMethod) {
  Asm a = object_answering_itself();
  a.get("o").op(avm1::kActionToString).op(avm1::kActionTrace);                // toString alone
  a.get("o").op(avm1::kActionToNumber).op(avm1::kActionTrace);                // valueOf alone
  a.push({Push("x")}).get("o").op(avm1::kActionAdd2).op(avm1::kActionTrace);  // both
  EXPECT_EQ(run(a), "toString\n[type Object]\nvalueOf\nNaN\nvalueOf\ntoString\nx[type Object]\n");
}

TEST(Avm1TextsAndNumbers, MathConvertsTwoArguments) {
  Asm a = object_answering_itself();
  // Math.abs(-2, o, o): the second argument is converted, the third not.
  a.get("o").get("o").push({Push(-2), Push(3)}).get("Math").push({Push("abs")});
  a.op(avm1::kActionCallMethod).op(avm1::kActionTrace);
  // Math.random(o) converts its unused argument too.
  a.get("o").push({Push(1)}).get("Math").push({Push("random")});
  a.op(avm1::kActionCallMethod).op(avm1::kActionPop);
  // max and min compare two numbers.
  a.push({Push(9), Push(1), Push(2), Push(3)}).get("Math").push({Push("max")});
  a.op(avm1::kActionCallMethod).op(avm1::kActionTrace);
  a.push({Push(1.2), Push(1)}).get("Math").push({Push("max")});
  a.op(avm1::kActionCallMethod).op(avm1::kActionTrace);
  a.push({Push(0)}).get("Math").push({Push("min")});
  a.op(avm1::kActionCallMethod).op(avm1::kActionTrace);
  EXPECT_EQ(run(a), "valueOf\n2\nvalueOf\n2\nNaN\nInfinity\n");
}

TEST(Avm1TextsAndNumbers, OperatorsEdgeCases) {
  Asm a;
  // A zero divisor's sign does not count.
  a.push({Push(1), Push(-0.0)}).op(avm1::kActionDivide).op(avm1::kActionTrace);
  a.push({Push(-1), Push(-0.0)}).op(avm1::kActionDivide).op(avm1::kActionTrace);
  a.push({Push(0), Push(-0.0)}).op(avm1::kActionDivide).op(avm1::kActionTrace);
  // An unsigned shift by nothing keeps the sign; by more it does not.
  a.push({Push(-1), Push(0)}).op(avm1::kActionBitURShift).op(avm1::kActionTrace);
  a.push({Push(-1), Push(32)}).op(avm1::kActionBitURShift).op(avm1::kActionTrace);
  a.push({Push(-1), Push(1)}).op(avm1::kActionBitURShift).op(avm1::kActionTrace);
  EXPECT_EQ(run(a), "Infinity\n-Infinity\nNaN\n-1\n-1\n2147483647\n");
}

TEST(Avm1TextsAndNumbers, AddConvertsTheRightOperandFirst) {
  // l.valueOf traces "l", r.valueOf traces "r"; l + r.
  Asm a;
  for (const char* name : {"l", "r"}) {
    Asm body;
    body.trace({Push(name)}).push({Push(1)}).op(avm1::kActionReturn);
    a.push({Push(name), Push(0), Push("Object")}).op(avm1::kActionNewObject);
    a.op(avm1::kActionSetVariable);
    a.get(name).push({Push("valueOf")}).function("", {}, body).op(avm1::kActionSetMember);
  }
  a.get("l").get("r").op(avm1::kActionAdd2).op(avm1::kActionTrace);
  EXPECT_EQ(run(a), "r\nl\n2\n");
}

TEST(Avm1TextsAndNumbers, StringObjectsReadAsTheirText) {
  // s = new String("in"); s.toString = function () { return "out"; }
  Asm body;
  body.push({Push("out")}).op(avm1::kActionReturn);
  Asm a;
  a.push({Push("s"), Push("in"), Push(1), Push("String")}).op(avm1::kActionNewObject);
  a.op(avm1::kActionSetVariable);
  a.get("s").push({Push("toString")}).function("", {}, body).op(avm1::kActionSetMember);
  a.get("s").op(avm1::kActionTrace);
  a.get("s").push({Push(1), Push("x"), Push("concat")}).op(avm1::kActionCallMethod);
  a.op(avm1::kActionTrace);
  a.get("s").push({Push(1)}).op(avm1::kActionInitArray).op(avm1::kActionTrace);
  EXPECT_EQ(run(a), "in\nxin\nin\n");
}

TEST(Avm1TextsAndNumbers, NewArraysFollowTheGlobalArray) {
  Asm a;
  // Replace _global.Array by a function whose prototype has its own toString.
  Asm to_string;
  to_string.push({Push("mine")}).op(avm1::kActionReturn);
  a.push({Push("Saved")}).get("Array").op(avm1::kActionSetVariable);
  a.get("_global").push({Push("Array")}).function("", {}, Asm()).op(avm1::kActionSetMember);
  a.get("Array").push({Push("prototype")}).op(avm1::kActionGetMember);
  a.push({Push("toString")}).function("", {}, to_string).op(avm1::kActionSetMember);
  a.push({Push(2), Push(1), Push(2)}).op(avm1::kActionInitArray).op(avm1::kActionTrace);
  // new with the saved constructor still makes a true array.
  a.push({Push(2), Push(1), Push(2), Push("Saved")}).op(avm1::kActionNewObject);
  a.op(avm1::kActionTrace);
  // With no _global.Array at all, literals have no prototype but a length.
  a.get("_global").push({Push("Array")}).op(avm1::kActionDelete).op(avm1::kActionPop);
  a.push({Push("c"), Push(2), Push(1), Push(2)}).op(avm1::kActionInitArray);
  a.op(avm1::kActionSetVariable);
  a.get("c").op(avm1::kActionTrace);
  a.get("c").push({Push("length")}).op(avm1::kActionGetMember).op(avm1::kActionTrace);
  EXPECT_EQ(run(a), "mine\n1,2\n[type Object]\n2\n");
}

TEST(Avm1TextsAndNumbers, LargestNumbersPrintWithoutRoundingToInfinity) {
  Asm a;
  a.get("Number").push({Push("MAX_VALUE")}).op(avm1::kActionGetMember).op(avm1::kActionTrace);
  a.push({Push(0)}).get("Number").push({Push("MAX_VALUE")}).op(avm1::kActionGetMember);
  a.op(avm1::kActionSubtract).op(avm1::kActionTrace);
  a.trace({Push(316.22776601683793)});  // others still round
  EXPECT_EQ(run(a), "1.79769313486231e+308\n-1.79769313486231e+308\n316.227766016838\n");
}

TEST(Avm1TextsAndNumbers, AClipFromToStringIsNoText) {
  Asm a;
  a.push({Push("o"), Push(0)}).op(avm1::kActionInitObject).op(avm1::kActionSetVariable);
  Asm body;
  body.get("_root").op(avm1::kActionReturn);
  a.get("o").push({Push("toString")}).function("", {}, body).op(avm1::kActionSetMember);
  // Joining texts takes the clip's path; asking for the text does not.
  a.push({Push("x")}).get("o").op(avm1::kActionAdd2).op(avm1::kActionTrace);
  a.get("o").push({Push(1), Push("Hello ")}).push({Push("concat")});
  a.op(avm1::kActionCallMethod).op(avm1::kActionTrace);
  EXPECT_EQ(run(a), "x_level0\nHello [type Object]\n");
}

TEST(Avm1TextsAndNumbers, CharCodeAtPastTheEnd) {
  Asm a;
  trace_method(a, "ab", "charCodeAt", {Push(1)});
  trace_method(a, "ab", "charCodeAt", {Push(2)});
  trace_method(a, "ab", "charCodeAt", {Push(-1)});
  EXPECT_EQ(run(a, 5), "98\n0\nNaN\n");
  EXPECT_EQ(run(a, 6), "98\nNaN\nNaN\n");
}

TEST(Avm1TextsAndNumbers, PowersOfInfinities) {
  Asm a;
  auto pow = [&](Push x, Push y) {
    a.push({y, x, Push(2)}).get("Math").push({Push("pow")});
    a.op(avm1::kActionCallMethod).op(avm1::kActionTrace);
  };
  pow(Push(INFINITY), Push(0.4));  // no fractional power
  pow(Push(-INFINITY), Push(0.4));
  pow(Push(INFINITY), Push(2));  // whole ones as usual
  pow(Push(0.4), Push(INFINITY));
  EXPECT_EQ(run(a), "NaN\nNaN\nInfinity\n0\n");
}

TEST(Avm1TextsAndNumbers, SplitWithoutSeparatorIgnoresTheLimit) {
  Asm a;
  trace_method(a, "a,b", "split", {Push::undefined_value(), Push(0)});
  trace_method(a, "a,b", "split", {Push::undefined_value(), Push(-1)});
  trace_method(a, "a,b", "split", {Push(","), Push(0)});  // a separator keeps it
  trace_method(a, "a,b", "split", {Push(","), Push(1)});
  EXPECT_EQ(run(a, 6), "a,b\na,b\n\na\n");
}

TEST(Avm1TextsAndNumbers, CharactersFromCodesInSwf5) {
  Asm a;
  for (int code : {0x3200, 0x3241, 0x10040, 0x10108}) {
    a.push({Push(code)}).op(avm1::kActionMBAsciiToChar).op(avm1::kActionTrace);
    a.push({Push(code)}).op(avm1::kActionAsciiToChar).op(avm1::kActionTrace);
  }
  // The multi-byte form keeps a lone high byte; a zero high byte ends it.
  EXPECT_EQ(run(a, 5), "2\n\n2A\nA\n\n@\n\x01\x08\n\x08\n");
}

TEST(Avm1TextsAndNumbers, SetTimeWithoutATime) {
  Asm a;
  a.push({Push("d"), Push(0), Push("Date")}).op(avm1::kActionNewObject);
  a.op(avm1::kActionSetVariable);
  call(a, "d", "setTime", {Push(5)}).op(avm1::kActionTrace);
  call(a, "d", "setTime", {Push::undefined_value()}).op(avm1::kActionTrace);
  call(a, "d", "setTime", {Push::null_value()}).op(avm1::kActionTrace);  // null reads as 0 here
  call(a, "d", "setTime", {}).op(avm1::kActionTrace);
  EXPECT_EQ(run(a, 5), "5\nNaN\n0\nNaN\n");
}

}  // namespace
