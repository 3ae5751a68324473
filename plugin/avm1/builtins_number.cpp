// Number, Boolean, Math and the global functions (parseInt, parseFloat,
// isNaN, isFinite, escape, unescape).
#include <cfloat>
#include <cmath>
#include <cstdlib>
#include <random>

#include "avm1/runtime.h"

namespace avm1 {

namespace {

Value primitive_of(CallInfo& call, ObjectClass kind) {
  Object* o = call.this_object();
  if (o && o->object_class() == kind) return static_cast<PrimitiveObject*>(o)->primitive;
  return call.this_value;
}

// --- Number

Value number_constructor(Runtime& rt, CallInfo& call) {
  double n = call.count > 0 ? rt.to_number(call.arg(0)) : 0;
  if (!call.constructing) return Value::number(n);
  return Value::object(rt.wrap(Value::number(n)));
}

Value number_to_string(Runtime& rt, CallInfo& call) {
  Value self = primitive_of(call, ObjectClass::number);
  if (!self.is_number()) {
    Object* o = call.this_object();
    return Value(o && o->is_function() ? "[type Function]" : "[object Object]");
  }
  int radix = 10;
  if (call.count > 0 && !call.arg(0).is_undefined()) radix = rt.to_int32(call.arg(0));
  if (radix < 2 || radix > 36) radix = 10;
  return Value(number_to_radix_string(self.as_number(), radix));
}

Value number_value_of(Runtime&, CallInfo& call) { return primitive_of(call, ObjectClass::number); }

// --- Boolean

Value boolean_constructor(Runtime& rt, CallInfo& call) {
  // Called as a function without a value there is nothing to convert.
  if (!call.constructing && call.count == 0) return Value();
  bool b = call.count > 0 && rt.to_boolean(call.arg(0));
  if (!call.constructing) return Value::boolean(b);
  return Value::object(rt.wrap(Value::boolean(b)));
}

Value boolean_to_string(Runtime&, CallInfo& call) {
  Value self = primitive_of(call, ObjectClass::boolean);
  if (!self.is_boolean()) return Value();
  return Value(self.as_boolean() ? "true" : "false");
}

Value boolean_value_of(Runtime&, CallInfo& call) {
  Value self = primitive_of(call, ObjectClass::boolean);
  return self.is_boolean() ? self : Value();
}

// --- Math

double arg_number(Runtime& rt, CallInfo& call, size_t i) {
  return i < call.count ? rt.to_number(call.args[i]) : std::nan("");
}

// Every Math function converts its first two arguments to numbers (their
// valueOf runs) whether it uses them or not, and no more.
void convert_rest(Runtime& rt, CallInfo& call, size_t used) {
  for (size_t i = used; i < call.count && i < 2; ++i) rt.to_number(call.args[i]);
}

#define MATH1(name, expr)                          \
  Value math_##name(Runtime& rt, CallInfo& call) { \
    double x = arg_number(rt, call, 0);            \
    convert_rest(rt, call, 1);                     \
    return Value::number(expr);                    \
  }
MATH1(abs, std::fabs(x))
MATH1(acos, std::acos(x))
MATH1(asin, std::asin(x))
MATH1(atan, std::atan(x))
MATH1(ceil, std::ceil(x))
MATH1(cos, std::cos(x))
MATH1(exp, std::exp(x))
MATH1(floor, std::floor(x))
MATH1(log, std::log(x))
MATH1(sin, std::sin(x))
MATH1(sqrt, std::sqrt(x))
MATH1(tan, std::tan(x))
MATH1(round, std::floor(x + 0.5))
#undef MATH1

Value math_atan2(Runtime& rt, CallInfo& call) {
  double y = arg_number(rt, call, 0), x = arg_number(rt, call, 1);
  convert_rest(rt, call, 2);
  return Value::number(std::atan2(y, x));
}

Value math_pow(Runtime& rt, CallInfo& call) {
  double x = arg_number(rt, call, 0), y = arg_number(rt, call, 1);
  convert_rest(rt, call, 2);
  // The player has no fractional powers of infinities.
  if (std::isinf(x) && std::isfinite(y) && y != std::trunc(y)) return Value::number(std::nan(""));
  return Value::number(std::pow(x, y));
}

// max and min compare two numbers: a missing second one is NaN, and
// arguments past the second are ignored. With none they answer the
// identity of the comparison.
Value math_max(Runtime& rt, CallInfo& call) {
  if (call.count == 0) return Value::number(-INFINITY);
  double x = arg_number(rt, call, 0), y = arg_number(rt, call, 1);
  if (std::isnan(x) || std::isnan(y)) return Value::number(std::nan(""));
  return Value::number(x > y ? x : y);
}

Value math_min(Runtime& rt, CallInfo& call) {
  if (call.count == 0) return Value::number(INFINITY);
  double x = arg_number(rt, call, 0), y = arg_number(rt, call, 1);
  if (std::isnan(x) || std::isnan(y)) return Value::number(std::nan(""));
  return Value::number(x < y ? x : y);
}

Value math_random(Runtime& rt, CallInfo& call) {
  convert_rest(rt, call, 0);
  static std::mt19937_64 generator(20061208);
  return Value::number(std::uniform_real_distribution<double>(0.0, 1.0)(generator));
}

// --- Global functions

int digit_value(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'z') return c - 'a' + 10;
  if (c >= 'A' && c <= 'Z') return c - 'A' + 10;
  return 99;
}

bool is_space(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

Value parse_int(Runtime& rt, CallInfo& call) {
  std::string s = rt.to_string(call.arg(0)).str();
  int radix = 0;
  if (call.count > 1 && !call.arg(1).is_undefined()) {
    radix = rt.to_int32(call.arg(1));
    if (radix < 2 || radix > 36) return Value::number(std::nan(""));
  }
  const char* p = s.c_str();
  const char* end = p + s.size();
  // A "0x" prefix right at the start means hexadecimal whatever the radix;
  // a text of nothing but octal digits after a leading zero is octal
  // unless a radix is given.
  // A given radix still applies to the digits after such a prefix. The
  // octal test allows a sign before the zero.
  if (end - p >= 2 && p[0] == '0' && (p[1] == 'x' || p[1] == 'X')) {
    p += 2;
    if (radix == 0) radix = 16;
  } else {
    const char* digits = p < end && (*p == '-' || *p == '+') ? p + 1 : p;
    if (radix == 0 && end - digits >= 2 && digits[0] == '0') {
      bool octal = true;
      for (const char* q = digits; q < end; ++q)
        if (*q < '0' || *q > '7') octal = false;
      if (octal) radix = 8;
    }
    while (p < end && is_space(*p)) ++p;
  }
  bool negative = false;
  if (p < end && (*p == '-' || *p == '+')) {
    negative = *p == '-';
    ++p;
    // A sign that opens the text before a hexadecimal prefix makes no
    // number (after blanks it reads as a zero).
    if (p == s.c_str() + 1 && end - p >= 2 && p[0] == '0' && (p[1] == 'x' || p[1] == 'X'))
      return Value::number(std::nan(""));
  }
  if (radix == 0) radix = 10;
  double v = 0;
  bool any = false;
  for (; p < end; ++p) {
    int d = digit_value(*p);
    if (d >= radix) break;
    v = v * radix + d;
    any = true;
  }
  if (!any) return Value::number(std::nan(""));
  return Value::number(negative ? -v : v);
}

Value parse_float(Runtime& rt, CallInfo& call) {
  if (call.count == 0) return Value();
  std::string s = rt.to_string(call.arg(0)).str();
  const char* p = s.c_str();
  const char* end = p + s.size();
  while (p < end && is_space(*p)) ++p;
  const char* start = p;
  if (p < end && (*p == '-' || *p == '+')) ++p;
  bool digits = false;
  while (p < end && *p >= '0' && *p <= '9') {
    ++p;
    digits = true;
  }
  if (p < end && *p == '.') {
    ++p;
    while (p < end && *p >= '0' && *p <= '9') {
      ++p;
      digits = true;
    }
  }
  if (!digits) return Value::number(std::nan(""));
  if (p < end && (*p == 'e' || *p == 'E')) {
    const char* q = p + 1;
    if (q < end && (*q == '-' || *q == '+')) ++q;
    if (q < end && *q >= '0' && *q <= '9') {
      while (q < end && *q >= '0' && *q <= '9') ++q;
      p = q;
    }
  }
  return Value::number(std::strtod(std::string(start, p).c_str(), nullptr));
}

Value is_nan(Runtime& rt, CallInfo& call) {
  return Value::boolean(std::isnan(rt.to_number(call.arg(0))));
}

Value is_finite(Runtime& rt, CallInfo& call) {
  return Value::boolean(std::isfinite(rt.to_number(call.arg(0))));
}

Value escape(Runtime& rt, CallInfo& call) {
  std::string s = rt.to_string(call.arg(0)).str();
  std::string out;
  static const char hex[] = "0123456789ABCDEF";
  for (unsigned char c : s) {
    if ((c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z')) {
      out += static_cast<char>(c);
    } else {
      out += '%';
      out += hex[c >> 4];
      out += hex[c & 15];
    }
  }
  rt.charge_text(out.size());
  return Value(out);
}

Value unescape(Runtime& rt, CallInfo& call) {
  std::string s = rt.to_string(call.arg(0)).str();
  std::string out;
  for (size_t i = 0; i < s.size(); ++i) {
    if (s[i] == '%') {
      // A malformed escape is dropped with the characters it took.
      if (i + 1 >= s.size() || digit_value(s[i + 1]) >= 16) {
        ++i;
        continue;
      }
      if (i + 2 >= s.size() || digit_value(s[i + 2]) >= 16) {
        ++i;
        continue;
      }
      out += static_cast<char>(digit_value(s[i + 1]) * 16 + digit_value(s[i + 2]));
      i += 2;
    } else if (s[i] == '+') {
      out += ' ';
    } else {
      out += s[i];
    }
  }
  return Value(out);
}

}  // namespace

void install_number_builtins(Runtime& rt) {
  WellKnown& k = rt.known();
  Object* proto = rt.make_object();
  k.number_prototype = proto;
  FunctionObject* ctor = rt.make_class(number_constructor, proto);
  ctor->makes_own_object = true;
  k.number_constructor = ctor;
  rt.global()->define("Number", Value::object(ctor), kDontEnum);
  rt.add_method(proto, "toString", number_to_string);
  rt.add_method(proto, "valueOf", number_value_of);
  const uint32_t constant = kHidden | kReadOnly;
  ctor->define("MAX_VALUE", Value::number(DBL_MAX), constant);
  ctor->define("MIN_VALUE", Value::number(4.9406564584124654e-324), constant);
  ctor->define("NaN", Value::number(std::nan("")), constant);
  ctor->define("NEGATIVE_INFINITY", Value::number(-INFINITY), constant);
  ctor->define("POSITIVE_INFINITY", Value::number(INFINITY), constant);

  Object* bproto = rt.make_object();
  k.boolean_prototype = bproto;
  FunctionObject* bctor = rt.make_class(boolean_constructor, bproto);
  bctor->makes_own_object = true;
  k.boolean_constructor = bctor;
  rt.global()->define("Boolean", Value::object(bctor), kDontEnum);
  rt.add_method(bproto, "toString", boolean_to_string);
  rt.add_method(bproto, "valueOf", boolean_value_of);
}

void install_math_builtins(Runtime& rt) {
  Object* math = rt.make_object();
  rt.global()->define("Math", Value::object(math), kDontEnum);
  const std::pair<const char*, NativeFunction> functions[] = {
      {"abs", math_abs},     {"acos", math_acos},     {"asin", math_asin},   {"atan", math_atan},
      {"atan2", math_atan2}, {"ceil", math_ceil},     {"cos", math_cos},     {"exp", math_exp},
      {"floor", math_floor}, {"log", math_log},       {"max", math_max},     {"min", math_min},
      {"pow", math_pow},     {"random", math_random}, {"round", math_round}, {"sin", math_sin},
      {"sqrt", math_sqrt},   {"tan", math_tan}};
  for (const auto& f : functions) rt.add_method(math, f.first, f.second);
  const uint32_t constant = kHidden | kReadOnly;
  math->define("E", Value::number(2.718281828459045), constant);
  math->define("LN10", Value::number(2.302585092994046), constant);
  math->define("LN2", Value::number(0.6931471805599453), constant);
  math->define("LOG10E", Value::number(0.4342944819032518), constant);
  math->define("LOG2E", Value::number(1.4426950408889634), constant);
  math->define("PI", Value::number(3.141592653589793), constant);
  math->define("SQRT1_2", Value::number(0.7071067811865476), constant);
  math->define("SQRT2", Value::number(1.4142135623730951), constant);
}

void install_global_functions(Runtime& rt) {
  Object* g = rt.global();
  rt.add_method(g, "parseInt", parse_int, kDontEnum);
  rt.add_method(g, "parseFloat", parse_float, kDontEnum);
  rt.add_method(g, "isNaN", is_nan, kDontEnum);
  rt.add_method(g, "isFinite", is_finite, kDontEnum);
  rt.add_method(g, "escape", escape, kDontEnum);
  rt.add_method(g, "unescape", unescape, kDontEnum);
  g->define("NaN", Value::number(std::nan("")), kDontEnum);
  g->define("Infinity", Value::number(INFINITY), kDontEnum);
}

}  // namespace avm1
