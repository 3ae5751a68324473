// Array: construction, the list methods, and sort/sortOn with their flags.
// The methods work on any object with a length and numbered properties.
#include <algorithm>
#include <cmath>
#include <functional>

#include "avm1/runtime.h"

namespace avm1 {

namespace {

enum SortFlag : int {
  kCaseInsensitive = 1,
  kDescending = 2,
  kUniqueSort = 4,
  kReturnIndexedArray = 8,
  kNumeric = 16,
};

String index_name(size_t i) {
  static std::vector<String> small;
  if (small.empty())
    for (size_t k = 0; k < 256; ++k) small.push_back(String(std::to_string(k)));
  return i < small.size() ? small[i] : String(std::to_string(i));
}

size_t length_of(Runtime& rt, Object* o) {
  if (o->object_class() == ObjectClass::array) return static_cast<ArrayObject*>(o)->length();
  double n = rt.to_number(rt.get_property(o, "length"));
  if (!(n > 0)) return 0;
  return static_cast<size_t>(std::min(n, 4294967295.0));
}

void set_length(Runtime& rt, Object* o, size_t n) {
  rt.set_property(o, "length", Value::number(static_cast<double>(n)));
}

Value element(Runtime& rt, Object* o, size_t i) { return rt.get_property(o, index_name(i)); }

void set_element(Runtime& rt, Object* o, size_t i, const Value& v) {
  rt.set_property(o, index_name(i), v);
}

std::vector<Value> elements(Runtime& rt, Object* o) {
  size_t n = length_of(rt, o);
  rt.check_walk(n);
  std::vector<Value> out;
  out.reserve(n);
  for (size_t i = 0; i < n; ++i) out.push_back(element(rt, o, i));
  return out;
}

// Relative positions: negative counts from the end.
size_t relative(double v, size_t length) {
  if (std::isnan(v)) return 0;
  v = std::trunc(v);
  if (v < 0) {
    v += static_cast<double>(length);
    return v < 0 ? 0 : static_cast<size_t>(v);
  }
  return v > static_cast<double>(length) ? length : static_cast<size_t>(v);
}

Value array_constructor(Runtime& rt, CallInfo& call) {
  ArrayObject* a = rt.make_array();
  // `new` makes an instance of the constructor it names, whatever
  // _global.Array is now.
  if (call.constructing && call.callee) {
    if (Property* p = call.callee->find_own("prototype", rt.case_sensitive()))
      a->set_proto(p->value.as_object());
  }
  if (call.count == 1 && call.arg(0).is_number()) {
    double n = call.arg(0).as_number();
    if (n >= 0 && n == std::trunc(n) && n < 4294967296.0) a->raw_length(static_cast<size_t>(n));
    return Value::object(a);
  }
  for (size_t i = 0; i < call.count; ++i) a->put(index_name(i), call.args[i]);
  a->raw_length(call.count);
  return Value::object(a);
}

Value array_push(Runtime& rt, CallInfo& call) {
  Object* o = call.this_object();
  if (!o) return Value();
  size_t n = length_of(rt, o);
  for (size_t i = 0; i < call.count; ++i) set_element(rt, o, n + i, call.args[i]);
  set_length(rt, o, n + call.count);
  return Value::number(static_cast<double>(n + call.count));
}

Value array_pop(Runtime& rt, CallInfo& call) {
  Object* o = call.this_object();
  if (!o) return Value();
  size_t n = length_of(rt, o);
  if (n == 0) return Value();
  Value v = element(rt, o, n - 1);
  rt.delete_property(o, index_name(n - 1));
  set_length(rt, o, n - 1);
  return v;
}

Value array_shift(Runtime& rt, CallInfo& call) {
  Object* o = call.this_object();
  if (!o) return Value();
  size_t n = length_of(rt, o);
  if (n == 0) return Value();
  std::vector<Value> items = elements(rt, o);
  Value first = items[0];
  for (size_t i = 1; i < items.size(); ++i) set_element(rt, o, i - 1, items[i]);
  rt.delete_property(o, index_name(n - 1));
  set_length(rt, o, n - 1);
  return first;
}

Value array_unshift(Runtime& rt, CallInfo& call) {
  Object* o = call.this_object();
  if (!o) return Value();
  std::vector<Value> items = elements(rt, o);
  for (size_t i = 0; i < call.count; ++i) set_element(rt, o, i, call.args[i]);
  for (size_t i = 0; i < items.size(); ++i) set_element(rt, o, call.count + i, items[i]);
  set_length(rt, o, items.size() + call.count);
  return Value::number(static_cast<double>(items.size() + call.count));
}

Value array_slice(Runtime& rt, CallInfo& call) {
  Object* o = call.this_object();
  if (!o) return Value();
  size_t n = length_of(rt, o);
  size_t from = call.count > 0 ? relative(rt.to_number(call.arg(0)), n) : 0;
  size_t to = call.count > 1 ? relative(rt.to_number(call.arg(1)), n) : n;
  if (to > from) rt.check_walk(to - from);
  std::vector<Value> out;
  for (size_t i = from; i < to; ++i) out.push_back(element(rt, o, i));
  return Value::object(rt.make_array(out));
}

Value array_splice(Runtime& rt, CallInfo& call) {
  Object* o = call.this_object();
  if (!o || call.count == 0) return Value();
  std::vector<Value> items = elements(rt, o);
  size_t n = items.size();
  size_t from = relative(rt.to_number(call.arg(0)), n);
  size_t count = n - from;
  if (call.count > 1) {
    double c = rt.to_number(call.arg(1));
    if (std::isnan(c) || c < 0) c = 0;
    count = std::min<size_t>(static_cast<size_t>(std::min(c, 4294967295.0)), n - from);
  }
  std::vector<Value> removed(items.begin() + from, items.begin() + from + count);
  std::vector<Value> result(items.begin(), items.begin() + from);
  for (size_t i = 2; i < call.count; ++i) result.push_back(call.args[i]);
  result.insert(result.end(), items.begin() + from + count, items.end());
  for (size_t i = 0; i < result.size(); ++i) set_element(rt, o, i, result[i]);
  for (size_t i = result.size(); i < n; ++i) rt.delete_property(o, index_name(i));
  set_length(rt, o, result.size());
  return Value::object(rt.make_array(removed));
}

Value array_concat(Runtime& rt, CallInfo& call) {
  std::vector<Value> out;
  if (Object* o = call.this_object()) out = elements(rt, o);
  for (size_t i = 0; i < call.count; ++i) {
    Object* a = call.args[i].as_object();
    if (a && a->object_class() == ObjectClass::array) {
      std::vector<Value> more = elements(rt, a);
      out.insert(out.end(), more.begin(), more.end());
    } else {
      out.push_back(call.args[i]);
    }
  }
  return Value::object(rt.make_array(out));
}

std::string join(Runtime& rt, Object* o, const std::string& separator) {
  std::string out;
  size_t n = length_of(rt, o);
  rt.check_walk(n);
  for (size_t i = 0; i < n; ++i) {
    if (i) out += separator;
    Value v = element(rt, o, i);
    out += rt.to_string(v).str();
    if (out.size() > kMaxTextBytes) rt.charge_text(out.size());
  }
  rt.charge_text(out.size());
  return out;
}

Value array_join(Runtime& rt, CallInfo& call) {
  Object* o = call.this_object();
  if (!o) return Value();
  std::string separator = call.count > 0 && !call.arg(0).is_undefined()
                              ? rt.to_string(call.arg(0)).str()
                              : std::string(",");
  return Value(join(rt, o, separator));
}

Value array_to_string(Runtime& rt, CallInfo& call) {
  Object* o = call.this_object();
  if (!o) return Value();
  return Value(join(rt, o, ","));
}

Value array_reverse(Runtime& rt, CallInfo& call) {
  Object* o = call.this_object();
  if (!o) return Value();
  std::vector<Value> items = elements(rt, o);
  std::reverse(items.begin(), items.end());
  for (size_t i = 0; i < items.size(); ++i) set_element(rt, o, i, items[i]);
  return call.this_value;
}

// The player's quicksort: the first item of a range is the pivot, always
// passed first to the comparison; the order of the calls and where equal
// items end up follow from it. An explicit stack keeps deep ranges safe.
// Sorted or all-equal input makes it quadratic, so it gives up (false)
// after a number of comparisons that an n log n sort never needs.
bool quick_sort(std::vector<size_t>& order, const std::function<int(size_t, size_t)>& compare) {
  if (order.size() < 2) return true;
  const double n = static_cast<double>(order.size());
  const double allowed = 3 * n * (std::log2(n) + 1) + 64;
  double made = 0;
  auto counted = [&](size_t a, size_t b) {
    ++made;
    return compare(a, b);
  };
  std::vector<std::pair<size_t, size_t>> ranges{{0, order.size() - 1}};
  while (!ranges.empty()) {
    if (made > allowed) return false;
    auto [lo, hi] = ranges.back();
    ranges.pop_back();
    if (lo >= hi) continue;
    size_t pivot = order[lo];
    size_t i = lo + 1, j = hi;
    for (;;) {
      while (i < hi && counted(pivot, order[i]) > 0) ++i;
      while (j > lo && counted(pivot, order[j]) <= 0) --j;
      if (i >= j) break;
      std::swap(order[i], order[j]);
    }
    std::swap(order[lo], order[j]);
    if (j + 1 < hi) ranges.push_back({j + 1, hi});
    if (j > lo + 1) ranges.push_back({lo, j - 1});
  }
  return true;
}

// A stable bottom-up merge sort, for what the quicksort gave up on. It
// only ever looks inside its runs, so a compare function that contradicts
// itself cannot lead it astray.
void merge_sort(std::vector<size_t>& order, const std::function<int(size_t, size_t)>& compare) {
  std::vector<size_t> merged(order.size());
  for (size_t width = 1; width < order.size(); width *= 2) {
    for (size_t lo = 0; lo < order.size(); lo += 2 * width) {
      const size_t mid = std::min(lo + width, order.size());
      const size_t hi = std::min(lo + 2 * width, order.size());
      size_t a = lo, b = mid, out = lo;
      while (a < mid && b < hi)
        merged[out++] = compare(order[b], order[a]) < 0 ? order[b++] : order[a++];
      while (a < mid) merged[out++] = order[a++];
      while (b < hi) merged[out++] = order[b++];
    }
    order.swap(merged);
  }
}

int compare_values(Runtime& rt, const Value& a, const Value& b, int flags) {
  if (flags & kNumeric) {
    double x = rt.to_number(a), y = rt.to_number(b);
    if (std::isnan(x) || std::isnan(y)) {
      if (std::isnan(x) && std::isnan(y)) return 0;
      return std::isnan(x) ? 1 : -1;
    }
    return x < y ? -1 : x > y ? 1 : 0;
  }
  std::string x = rt.to_string(a).str(), y = rt.to_string(b).str();
  if (flags & kCaseInsensitive) {
    x = fold_case(x);
    y = fold_case(y);
  }
  return x < y ? -1 : x > y ? 1 : 0;
}

// Sorts `items` (keys compared by `key_compare`) and applies the flags:
// the sorted array, the index array, or 0 when unique sorting found equal
// keys.
// With a compare function of the movie's own, uniqueness is judged
// afterwards: neighbours in the result must differ as texts, whatever the
// function answered for them.
Value sort_with(Runtime& rt, Object* o, std::vector<Value>& items, int flags,
                const std::function<int(const Value&, const Value&)>& key_compare,
                bool custom = false) {
  std::vector<size_t> order(items.size());
  for (size_t i = 0; i < order.size(); ++i) order[i] = i;
  bool equal_found = false;
  const std::function<int(size_t, size_t)> compare = [&](size_t a, size_t b) {
    int c = key_compare(items[a], items[b]);
    if (c == 0 && !custom) equal_found = true;
    return (flags & kDescending) ? -c : c;
  };
  if (!quick_sort(order, compare)) {
    for (size_t i = 0; i < order.size(); ++i) order[i] = i;
    merge_sort(order, compare);
  }
  if (custom && (flags & kUniqueSort)) {
    for (size_t i = 1; i < order.size() && !equal_found; ++i)
      equal_found = compare_values(rt, items[order[i - 1]], items[order[i]], 0) == 0;
  }
  if ((flags & kUniqueSort) && equal_found) return Value::number(0);
  if (flags & kReturnIndexedArray) {
    std::vector<Value> indexes;
    for (size_t i : order) indexes.push_back(Value::number(static_cast<double>(i)));
    return Value::object(rt.make_array(indexes));
  }
  // Only the slots whose item moved are written: the player leaves the
  // others alone even when the compare function changed the array.
  for (size_t i = 0; i < order.size(); ++i)
    if (order[i] != i) set_element(rt, o, i, items[order[i]]);
  return Value::object(o);
}

Value array_sort(Runtime& rt, CallInfo& call) {
  Object* o = call.this_object();
  if (!o) return Value();
  std::vector<Value> items = elements(rt, o);
  Value compare;
  int flags = 0;
  size_t next = 0;
  if (call.count > 0 && rt.is_callable(call.arg(0))) {
    compare = call.arg(0);
    next = 1;
  }
  if (call.count > next) flags = rt.to_int32(call.arg(next));
  if (rt.is_callable(compare)) {
    return sort_with(
        rt, o, items, flags,
        [&](const Value& a, const Value& b) {
          Value args[2] = {a, b};
          double r = rt.to_number(rt.call(compare, Value::null(), args, 2));
          return r < 0 ? -1 : r > 0 ? 1 : 0;
        },
        true);
  }
  return sort_with(rt, o, items, flags, [&](const Value& a, const Value& b) {
    // Undefined values go last in an ascending sort.
    if (a.is_undefined() || b.is_undefined()) {
      if (a.is_undefined() && b.is_undefined()) return 0;
      return a.is_undefined() ? 1 : -1;
    }
    return compare_values(rt, a, b, flags);
  });
}

Value array_sort_on(Runtime& rt, CallInfo& call) {
  Object* o = call.this_object();
  if (!o || call.count == 0) return Value();
  std::vector<String> fields;
  std::vector<int> field_flags;
  Object* list = call.arg(0).as_object();
  if (list && list->object_class() == ObjectClass::array) {
    for (const Value& v : elements(rt, list)) fields.push_back(rt.to_string(v));
  } else {
    fields.push_back(rt.to_string(call.arg(0)));
  }
  int flags = 0;
  Object* flag_list = call.arg(1).as_object();
  if (flag_list && flag_list->object_class() == ObjectClass::array) {
    for (const Value& v : elements(rt, flag_list)) field_flags.push_back(rt.to_int32(v));
    if (field_flags.size() != fields.size()) field_flags.clear();
  } else if (call.count > 1 && !call.arg(1).is_object()) {
    // Other objects are no options at all.
    flags = rt.to_int32(call.arg(1));
  }
  std::vector<Value> items = elements(rt, o);
  int outer = field_flags.empty() ? flags : (field_flags[0] & (kUniqueSort | kReturnIndexedArray));
  return sort_with(rt, o, items, outer, [&](const Value& a, const Value& b) {
    for (size_t i = 0; i < fields.size(); ++i) {
      int f = field_flags.empty() ? flags : field_flags[i];
      Value x = a.is_object() ? rt.get_property(a.as_object(), fields[i]) : Value();
      Value y = b.is_object() ? rt.get_property(b.as_object(), fields[i]) : Value();
      int c = compare_values(rt, x, y, f);
      if (!field_flags.empty() && (f & kDescending)) c = -c;
      if (c) return c;
    }
    return 0;
  });
}

}  // namespace

void install_array_builtins(Runtime& rt) {
  WellKnown& k = rt.known();
  Object* proto = rt.make_object();
  k.array_prototype = proto;
  FunctionObject* ctor = rt.make_class(array_constructor, proto);
  ctor->makes_own_object = true;
  k.array_constructor = ctor;
  rt.global()->define("Array", Value::object(ctor), kDontEnum);
  rt.add_method(proto, "push", array_push);
  rt.add_method(proto, "pop", array_pop);
  rt.add_method(proto, "shift", array_shift);
  rt.add_method(proto, "unshift", array_unshift);
  rt.add_method(proto, "slice", array_slice);
  rt.add_method(proto, "splice", array_splice);
  rt.add_method(proto, "concat", array_concat);
  rt.add_method(proto, "join", array_join);
  rt.add_method(proto, "toString", array_to_string);
  rt.add_method(proto, "reverse", array_reverse);
  rt.add_method(proto, "sort", array_sort);
  rt.add_method(proto, "sortOn", array_sort_on);
  const std::pair<const char*, int> constants[] = {{"CASEINSENSITIVE", kCaseInsensitive},
                                                   {"DESCENDING", kDescending},
                                                   {"UNIQUESORT", kUniqueSort},
                                                   {"RETURNINDEXEDARRAY", kReturnIndexedArray},
                                                   {"NUMERIC", kNumeric}};
  for (const auto& c : constants)
    ctor->define(c.first, Value::number(c.second), kHidden | kReadOnly);
}

}  // namespace avm1
