// Array sorting as movies observe it: the order in which a compare function
// is called, what UNIQUESORT means with one, and which slots are written.
#include <gtest/gtest.h>

#include "native/avm1/action_asm.h"

using avm1_test::Asm;
using avm1_test::call;
using avm1_test::Push;
using avm1_test::run;

namespace {

// x = [items...]
Asm& make_array(Asm& a, std::initializer_list<const char*> items) {
  std::vector<Push> reversed;
  for (const char* item : items) reversed.insert(reversed.begin(), Push(item));
  for (const Push& p : reversed) a.push({p});
  a.push({Push(static_cast<int>(items.size()))}).op(avm1::kActionInitArray).store(1);
  a.op(avm1::kActionPop);
  return a.push({Push("x"), Push::r(1)}).op(avm1::kActionSetVariable);
}

// function name(a, b) { trace(a + " " + b); return (a > b) - (a < b); }
Asm& define_tracing_compare(Asm& a, const char* name) {
  Asm body;
  body.get("a").push({Push(" ")}).op(avm1::kActionAdd2).get("b").op(avm1::kActionAdd2);
  body.op(avm1::kActionTrace);
  body.get("a").get("b").op(avm1::kActionGreater);
  body.get("a").get("b").op(avm1::kActionLess2);
  body.op(avm1::kActionSubtract).op(avm1::kActionReturn);
  return a.function(name, {"a", "b"}, body);
}

// function name(a, b) { <before>; return answer; }
Asm& define_constant_compare(Asm& a, const char* name, int answer, const Asm& before = Asm()) {
  Asm body = before;
  body.push({Push(answer)}).op(avm1::kActionReturn);
  return a.function(name, {"a", "b"}, body);
}

Asm& sort_with(Asm& a, const char* compare, int flags) {
  a.push({Push(flags)}).get(compare);
  a.push({Push(2)}).get("x").push({Push("sort")});
  return a.op(avm1::kActionCallMethod).op(avm1::kActionTrace);
}

TEST(Avm1ArraySort, PivotIsPassedFirstInThePlayersOrder) {
  Asm a;
  define_tracing_compare(a, "cmp");
  make_array(a, {"a", "c", "b", "d"});
  sort_with(a, "cmp", 0);
  EXPECT_EQ(run(a), "a c\na d\na b\na c\nc b\nc d\nc b\na,b,c,d\n");
  Asm b;
  define_tracing_compare(b, "cmp");
  make_array(b, {"a", "c", "b", "d", "c"});
  sort_with(b, "cmp", 0);
  EXPECT_EQ(run(b), "a c\na c\na d\na b\na c\nc b\nc d\nc c\nc d\nc b\nd c\na,b,c,c,d\n");
}

TEST(Avm1ArraySort, UniqueSortWithAFunctionLooksAtNeighbours) {
  const int kUnique = 4;
  // Equal neighbours fail the sort although the function never said so.
  Asm a;
  define_constant_compare(a, "never_equal", 1);
  make_array(a, {"b", "a", "b"});
  sort_with(a, "never_equal", kUnique);
  EXPECT_EQ(run(a), "0\n");
  // A function that finds everything equal moves nothing, and the
  // neighbours differ.
  Asm b;
  define_constant_compare(b, "all_equal", 0);
  make_array(b, {"a", "b", "a"});
  sort_with(b, "all_equal", kUnique);
  EXPECT_EQ(run(b), "a,b,a\n");
}

TEST(Avm1ArraySort, OnlyMovedItemsAreWrittenBack) {
  // The compare function empties the array; the item that stays in place
  // is not written again.
  Asm empty;
  empty.get("x").push({Push("length"), Push(0)}).op(avm1::kActionSetMember);
  Asm a;
  Asm body = empty;
  body.get("a").get("b").op(avm1::kActionGreater);
  body.get("a").get("b").op(avm1::kActionLess2);
  body.op(avm1::kActionSubtract).op(avm1::kActionReturn);
  a.function("emptying", {"a", "b"}, body);
  make_array(a, {"a", "c", "b"});
  sort_with(a, "emptying", 0);
  EXPECT_EQ(run(a, 7), "undefined,b,c\n");
}

TEST(Avm1ArraySort, SortOnIgnoresOptionObjects) {
  Asm a;
  // x = [{k: 2}, {k: 1}]
  a.push({Push("k"), Push(1), Push(1)}).op(avm1::kActionInitObject);
  a.push({Push("k"), Push(2), Push(1)}).op(avm1::kActionInitObject);
  a.push({Push(2)}).op(avm1::kActionInitArray).store(1).op(avm1::kActionPop);
  a.push({Push("x"), Push::r(1)}).op(avm1::kActionSetVariable);
  // An options value of 8 asks for the indexes; a String object holding 8
  // is no option.
  call(a, "x", "sortOn", {Push("k"), Push("8")}).op(avm1::kActionTrace);
  a.push({Push("8"), Push(1), Push("String")}).op(avm1::kActionNewObject).store(2);
  a.op(avm1::kActionPop);
  a.push({Push::r(2), Push("k"), Push(2)}).get("x").push({Push("sortOn")});
  a.op(avm1::kActionCallMethod).op(avm1::kActionTrace);
  EXPECT_EQ(run(a), "1,0\n[object Object],[object Object]\n");
}

}  // namespace

// x = [0, 1, ..., count - 1]; n = 0; x.sort(function (a, b) { n++; return a - b; }, flags)
Asm counted_sort_of_a_sorted_array(int count, int flags) {
  Asm a;
  a.push({Push("x"), Push(0), Push("Array")}).op(avm1::kActionNewObject);
  a.op(avm1::kActionSetVariable);
  a.set("i", {Push(0)});
  a.label("top");
  a.get("i").push({Push(1)}).get("x").push({Push("push")}).op(avm1::kActionCallMethod);
  a.op(avm1::kActionPop);
  a.push({Push("i")}).get("i").op(avm1::kActionIncrement).op(avm1::kActionSetVariable);
  a.get("i").push({Push(count)}).op(avm1::kActionLess2).op(avm1::kActionNot);
  a.branch_if("done").jump_back("top");
  a.label("done");
  a.set("n", {Push(0)});
  Asm body;
  body.push({Push("n")}).get("n").op(avm1::kActionIncrement).op(avm1::kActionSetVariable);
  body.get("a").get("b").op(avm1::kActionSubtract).op(avm1::kActionReturn);
  a.function("cmp", {"a", "b"}, body);
  a.push({Push(flags)}).get("cmp");
  a.push({Push(2)}).get("x").push({Push("sort")}).op(avm1::kActionCallMethod);
  a.op(avm1::kActionPop);
  return a;
}

TEST(Avm1ArraySort, SortedAndEqualItemsSortInFarFewerThanQuadraticComparisons) {
  // The player's quicksort takes about n * n / 2 comparisons on sorted
  // input; 2000 items would need 2 million.
  Asm sorted = counted_sort_of_a_sorted_array(2000, 0);
  sorted.get("n").push({Push(400000)}).op(avm1::kActionLess2).op(avm1::kActionTrace);
  sorted.get("x").push({Push(0)}).op(avm1::kActionGetMember).op(avm1::kActionTrace);
  sorted.get("x").push({Push(1999)}).op(avm1::kActionGetMember).op(avm1::kActionTrace);
  EXPECT_EQ(run(sorted), "true\n0\n1999\n");

  // Descending: the whole order turns round, still without the quadratic
  // cost.
  Asm reversed = counted_sort_of_a_sorted_array(2000, 2);
  reversed.get("n").push({Push(400000)}).op(avm1::kActionLess2).op(avm1::kActionTrace);
  reversed.get("x").push({Push(0)}).op(avm1::kActionGetMember).op(avm1::kActionTrace);
  reversed.get("x").push({Push(1)}).op(avm1::kActionGetMember).op(avm1::kActionTrace);
  EXPECT_EQ(run(reversed), "true\n1999\n1998\n");

  // Many equal items with UNIQUESORT: refused, and the array stays.
  Asm equal;
  equal.push({Push("x"), Push(3000), Push(1), Push("Array")}).op(avm1::kActionNewObject);
  equal.op(avm1::kActionSetVariable);
  equal.push({Push(4), Push(1)}).get("x").push({Push("sort")}).op(avm1::kActionCallMethod);
  equal.op(avm1::kActionTrace);
  equal.get("x").push({Push("length")}).op(avm1::kActionGetMember).op(avm1::kActionTrace);
  EXPECT_EQ(run(equal), "0\n3000\n");
}
