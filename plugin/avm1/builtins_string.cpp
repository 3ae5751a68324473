// String: construction, fromCharCode and the methods, counting characters
// (UTF-8 sequences in SWF 6 and later code, bytes before).
#include <algorithm>
#include <cmath>

#include "avm1/runtime.h"

namespace avm1 {

namespace {

// A text with character positions.
class Text {
 public:
  Text(const String& s, int version) : s_(s), version_(version) {
    fast_ = version < 6 || s.ascii();
    if (!fast_) {
      for (size_t i = 0; i < s.size();) {
        offsets_.push_back(i);
        size_t next;
        character_at(s.str(), i, &next, version);
        i = next;
      }
    }
  }
  size_t length() const { return fast_ ? s_.size() : offsets_.size(); }
  size_t offset(size_t position) const {
    if (fast_) return std::min(position, s_.size());
    return position < offsets_.size() ? offsets_[position] : s_.size();
  }
  std::string sub(size_t from, size_t to) const {
    if (to <= from) return std::string();
    size_t a = offset(from), b = offset(to);
    return s_.str().substr(a, b - a);
  }
  uint32_t code(size_t position) const {
    return character_at(s_.str(), offset(position), nullptr, version_);
  }
  // Character position of a byte offset.
  size_t position(size_t byte) const {
    if (fast_) return byte;
    return static_cast<size_t>(std::lower_bound(offsets_.begin(), offsets_.end(), byte) -
                               offsets_.begin());
  }
  const std::string& str() const { return s_.str(); }

 private:
  String s_;
  int version_;
  bool fast_;
  std::vector<size_t> offsets_;
};

String self_text(Runtime& rt, CallInfo& call) {
  Object* o = call.this_object();
  if (o && o->object_class() == ObjectClass::string)
    return rt.to_string(static_cast<PrimitiveObject*>(o)->primitive);
  return rt.to_string(call.this_value);
}

// Positions and counts are 32-bit integers: NaN and infinities give 0.
double integer_arg(Runtime& rt, CallInfo& call, size_t i, double missing) {
  if (i >= call.count) return missing;
  return static_cast<double>(to_int32(rt.to_number(call.args[i])));
}

Value string_constructor(Runtime& rt, CallInfo& call) {
  String s = call.count > 0 ? rt.to_string(call.arg(0)) : String();
  if (!call.constructing) return Value(s);
  return Value::object(rt.wrap(Value(s)));
}

Value string_to_string(Runtime& rt, CallInfo& call) {
  Object* o = call.this_object();
  if (o && o->object_class() == ObjectClass::string)
    return static_cast<PrimitiveObject*>(o)->primitive;
  if (call.this_value.is_string()) return call.this_value;
  return Value(rt.to_string(call.this_value));
}

Value string_from_char_code(Runtime& rt, CallInfo& call) {
  std::string out;
  for (size_t i = 0; i < call.count; ++i) {
    uint32_t code = static_cast<uint32_t>(rt.to_int32(call.args[i])) & 0xFFFF;
    if (code == 0) continue;
    if (rt.version() < 6) {
      // A high byte, then the low one unless it is zero (texts end there).
      if (code > 0xFF) out += static_cast<char>(code >> 8);
      if (code & 0xFF) out += static_cast<char>(code & 0xFF);
    } else {
      append_utf8(out, code);
    }
  }
  return Value(out);
}

Value string_char_at(Runtime& rt, CallInfo& call) {
  Text t(self_text(rt, call), rt.version());
  double i = integer_arg(rt, call, 0, 0);
  if (i < 0 || i >= static_cast<double>(t.length())) return Value("");
  size_t p = static_cast<size_t>(i);
  return Value(t.sub(p, p + 1));
}

Value string_char_code_at(Runtime& rt, CallInfo& call) {
  Text t(self_text(rt, call), rt.version());
  double i = integer_arg(rt, call, 0, 0);
  // SWF 5 reads past the end as a zero byte.
  if (i >= static_cast<double>(t.length()) && rt.version() < 6) return Value::number(0);
  if (i < 0 || i >= static_cast<double>(t.length())) return Value::number(std::nan(""));
  return Value::number(t.code(static_cast<size_t>(i)));
}

Value string_concat(Runtime& rt, CallInfo& call) {
  std::string out = self_text(rt, call).str();
  for (size_t i = 0; i < call.count; ++i) {
    String more = rt.to_string(call.args[i]);
    rt.charge_text(out.size() + more.size());
    out += more.str();
  }
  return Value(out);
}

Value string_index_of(Runtime& rt, CallInfo& call) {
  if (call.count == 0) return Value::number(-1);
  Text t(self_text(rt, call), rt.version());
  String needle = rt.to_string(call.arg(0));
  double start = integer_arg(rt, call, 1, 0);
  if (start < 0) start = 0;
  if (start > static_cast<double>(t.length())) return Value::number(-1);
  size_t at = t.str().find(needle.str(), t.offset(static_cast<size_t>(start)));
  if (at == std::string::npos) return Value::number(-1);
  return Value::number(static_cast<double>(t.position(at)));
}

Value string_last_index_of(Runtime& rt, CallInfo& call) {
  if (call.count == 0) return Value::number(-1);
  Text t(self_text(rt, call), rt.version());
  String needle = rt.to_string(call.arg(0));
  size_t from = std::string::npos;
  if (call.count > 1) {
    double start = integer_arg(rt, call, 1, 0);
    if (start < 0) return Value::number(-1);
    from = t.offset(static_cast<size_t>(std::min(start, 1e9)));
  }
  size_t at = t.str().rfind(needle.str(), from);
  if (at == std::string::npos) return Value::number(-1);
  return Value::number(static_cast<double>(t.position(at)));
}

size_t clamp_relative(double v, size_t length) {
  if (v < 0) {
    v += static_cast<double>(length);
    if (v < 0) v = 0;
  }
  return v > static_cast<double>(length) ? length : static_cast<size_t>(v);
}

Value string_slice(Runtime& rt, CallInfo& call) {
  Text t(self_text(rt, call), rt.version());
  size_t n = t.length();
  if (call.count == 0) return Value();
  size_t from = clamp_relative(integer_arg(rt, call, 0, 0), n);
  size_t to = call.count > 1 && !call.arg(1).is_undefined()
                  ? clamp_relative(integer_arg(rt, call, 1, 0), n)
                  : n;
  return Value(t.sub(from, to));
}

Value string_substring(Runtime& rt, CallInfo& call) {
  Text t(self_text(rt, call), rt.version());
  size_t n = t.length();
  if (call.count == 0) return Value(t.str());
  double a = integer_arg(rt, call, 0, 0);
  double b = call.count > 1 && !call.arg(1).is_undefined() ? integer_arg(rt, call, 1, 0)
                                                           : static_cast<double>(n);
  if (a >= static_cast<double>(n)) return Value("");
  a = std::max(0.0, a);
  b = std::max(0.0, std::min(b, static_cast<double>(n)));
  if (a > b) std::swap(a, b);
  return Value(t.sub(static_cast<size_t>(a), static_cast<size_t>(b)));
}

Value string_substr(Runtime& rt, CallInfo& call) {
  Text t(self_text(rt, call), rt.version());
  size_t n = t.length();
  if (call.count == 0) return Value(t.str());
  size_t from = clamp_relative(integer_arg(rt, call, 0, 0), n);
  double count = call.count > 1 && !call.arg(1).is_undefined() ? integer_arg(rt, call, 1, 0)
                                                               : static_cast<double>(n);
  if (count < 0) {
    // A negative count counts from the end, and takes nothing when that
    // reaches the last character.
    count += static_cast<double>(n);
    if (count < 0 || static_cast<double>(from) + count >= static_cast<double>(n)) count = 0;
  }
  size_t to = std::min(n, from + static_cast<size_t>(std::min(count, 1e9)));
  return Value(t.sub(from, to));
}

Value string_split(Runtime& rt, CallInfo& call) {
  String self = self_text(rt, call);
  ArrayObject* out = rt.make_array();
  std::vector<Value> parts;
  // The limit is a 32-bit integer: NaN, infinities and negatives take none.
  size_t limit = static_cast<size_t>(-1);
  if (call.count > 1 && !call.arg(1).is_undefined()) {
    int32_t l = to_int32(rt.to_number(call.arg(1)));
    limit = l <= 0 ? 0 : static_cast<size_t>(l);
  }
  if (call.count == 0 || call.arg(0).is_undefined() ||
      (rt.version() < 6 && rt.to_string(call.arg(0)).size() > 1)) {
    // SWF 5 code splits at single characters only. From SWF 6 on, no
    // separator gives the whole text whatever the limit.
    bool whole = rt.version() >= 6 && (call.count == 0 || call.arg(0).is_undefined());
    if (whole) limit = 1;
    if (limit > 0) parts.push_back(Value(self));
  } else {
    std::string separator = rt.to_string(call.arg(0)).str();
    const std::string& s = self.str();
    if (separator.empty()) {
      Text t(self, rt.version());
      rt.check_walk(std::min(t.length(), limit));
      for (size_t i = 0; i < t.length() && i < limit; ++i) parts.push_back(Value(t.sub(i, i + 1)));
    } else if (!s.empty()) {
      size_t from = 0;
      for (;;) {
        rt.check_walk(parts.size());
        size_t at = s.find(separator, from);
        parts.push_back(
            Value(s.substr(from, at == std::string::npos ? std::string::npos : at - from)));
        if (at == std::string::npos) break;
        from = at + separator.size();
      }
    } else {
      parts.push_back(Value(""));
    }
  }
  if (parts.size() > limit) parts.resize(limit);
  for (size_t i = 0; i < parts.size(); ++i) out->put(String(std::to_string(i)), parts[i]);
  out->raw_length(parts.size());
  return Value::object(out);
}

std::string change_case(const std::string& s, bool upper, int version) {
  std::string out;
  out.reserve(s.size());
  for (size_t i = 0; i < s.size();) {
    size_t next;
    uint32_t c = character_at(s, i, &next, version);
    if (upper) {
      if (c >= 'a' && c <= 'z')
        c -= 32;
      else if ((c >= 0xE0 && c <= 0xFE && c != 0xF7) && version >= 6)
        c -= 32;
    } else {
      if (c >= 'A' && c <= 'Z')
        c += 32;
      else if ((c >= 0xC0 && c <= 0xDE && c != 0xD7) && version >= 6)
        c += 32;
    }
    if (version < 6)
      out += static_cast<char>(c);
    else
      append_utf8(out, c);
    i = next;
  }
  return out;
}

Value string_to_lower(Runtime& rt, CallInfo& call) {
  return Value(change_case(self_text(rt, call).str(), false, rt.version()));
}

Value string_to_upper(Runtime& rt, CallInfo& call) {
  return Value(change_case(self_text(rt, call).str(), true, rt.version()));
}

}  // namespace

void install_string_builtins(Runtime& rt) {
  WellKnown& k = rt.known();
  Object* proto = rt.make_object();
  k.string_prototype = proto;
  FunctionObject* ctor = rt.make_class(string_constructor, proto);
  ctor->makes_own_object = true;
  k.string_constructor = ctor;
  rt.global()->define("String", Value::object(ctor), kDontEnum);
  rt.add_method(ctor, "fromCharCode", string_from_char_code);
  rt.add_method(proto, "toString", string_to_string);
  rt.add_method(proto, "valueOf", string_to_string);
  rt.add_method(proto, "charAt", string_char_at);
  rt.add_method(proto, "charCodeAt", string_char_code_at);
  rt.add_method(proto, "concat", string_concat);
  rt.add_method(proto, "indexOf", string_index_of);
  rt.add_method(proto, "lastIndexOf", string_last_index_of);
  rt.add_method(proto, "slice", string_slice);
  rt.add_method(proto, "substring", string_substring);
  rt.add_method(proto, "substr", string_substr);
  rt.add_method(proto, "split", string_split);
  rt.add_method(proto, "toLowerCase", string_to_lower);
  rt.add_method(proto, "toUpperCase", string_to_upper);
}

}  // namespace avm1
