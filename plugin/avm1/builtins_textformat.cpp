// TextFormat: a record of character and paragraph settings whose fields
// convert what a movie stores into their own kinds (texts, whole numbers,
// flags, a tab stop list) the way the player does; unset fields read null.
#include <cmath>
#include <cstdint>
#include <limits>

#include "avm1/engine.h"

namespace avm1 {

namespace {

enum Kind { kText, kInteger, kIndent, kMargin, kColor, kReal, kFlag, kAlign, kDisplay, kTabs };

struct FieldInfo {
  const char* name;
  Kind kind;
};

// In the order the constructor takes its arguments, then the rest.
const FieldInfo kFields[] = {
    {"font", kText},      {"size", kInteger},       {"color", kColor},        {"bold", kFlag},
    {"italic", kFlag},    {"underline", kFlag},     {"url", kText},           {"target", kText},
    {"align", kAlign},    {"leftMargin", kMargin},  {"rightMargin", kMargin}, {"indent", kIndent},
    {"leading", kIndent}, {"blockIndent", kIndent}, {"bullet", kFlag},        {"display", kDisplay},
    {"kerning", kFlag},   {"letterSpacing", kReal}, {"tabStops", kTabs},
};
const size_t kFieldCount = sizeof kFields / sizeof kFields[0];
const size_t kConstructorFields = 13;

class TextFormatObject : public Object {
 public:
  TextFormatObject() {
    for (size_t i = 0; i < kFieldCount; ++i)
      values[i] = kFields[i].kind == kDisplay ? Value("block") : Value::null();
  }
  void trace_children(Tracer& t) override {
    for (const Value& v : values) t.mark(v);
  }
  bool get_native(Runtime& rt, const String& name, Value& out) override;
  bool set_native(Runtime& rt, const String& name, const Value& value) override;
  void assign(Runtime& rt, size_t field, const Value& value);

  Value values[kFieldCount];
  std::vector<int32_t> tabs;  // the tab stops behind values[tabStops]
};

int find_field(Runtime& rt, const String& name) {
  bool cs = rt.case_sensitive();
  for (size_t i = 0; i < kFieldCount; ++i)
    if (name.same(kFields[i].name, cs)) {
      // Kerning and letter spacing came with version 8.
      if (rt.version() < 8 && (name.same("kerning", false) || name.same("letterSpacing", false)))
        return -1;
      return static_cast<int>(i);
    }
  return -1;
}

// A whole number the player's way: from version 8 on, what does not fit
// (or is no number) becomes the smallest one; before, numbers wrap.
int32_t whole(Runtime& rt, double d) {
  if (rt.version() < 8) return to_int32(d);
  if (std::isnan(d) || d >= 2147483648.0 || d < -2147483648.0)
    return std::numeric_limits<int32_t>::min();
  return static_cast<int32_t>(std::trunc(d));
}

// What a field reads from an object: the player asks its valueOf twice
// and its toString once; numbers come from what valueOf answered, texts
// only from a text that toString answered.
struct ObjectReading {
  Value number_source;
  String text;
};

Value call_own(Runtime& rt, const Value& self, const char* name) {
  Value method;
  if (!rt.find_property(self.as_object(), name, method) || !rt.is_callable(method))
    return Value::object(self.as_object());
  return rt.call(method, self, nullptr, 0);
}

ObjectReading read_object(Runtime& rt, const Value& v) {
  ObjectReading r;
  if (v.as_object()->is_clip()) {
    r.number_source = Value::number(std::nan(""));
    r.text = rt.to_string(v);
    return r;
  }
  Value first = call_own(rt, v, "valueOf");
  call_own(rt, v, "valueOf");
  Value text = call_own(rt, v, "toString");
  r.number_source = first.is_object() ? Value::number(std::nan("")) : first;
  r.text = text.is_string() ? text.as_string() : String("[type Object]");
  return r;
}

void TextFormatObject::assign(Runtime& rt, size_t field, const Value& value) {
  Kind kind = kFields[field].kind;
  Value& slot = values[field];
  if (value.is_nullish()) {
    if (kind == kDisplay)
      slot = Value("block");
    else if (kind != kAlign)
      slot = Value::null();
    if (kind == kTabs) tabs.clear();
    return;
  }
  bool object = value.is_object();
  ObjectReading read;
  if (object) read = read_object(rt, value);
  // The primitive the field converts.
  Value p = object ? read.number_source : value;
  switch (kind) {
    case kText:
      slot = Value(object ? read.text : rt.to_string(p));
      break;
    case kInteger:
      slot = Value::number(whole(rt, rt.to_number(p)));
      break;
    case kIndent:
    case kMargin: {
      // Before version 8 these wrap and stay at zero or above; later,
      // indents are plain whole numbers and margins are clamped first.
      double d = rt.to_number(p);
      if (rt.version() < 8) {
        int32_t i = whole(rt, d);
        slot = Value::number(i < 0 ? 0 : i);
      } else if (kind == kIndent) {
        slot = Value::number(whole(rt, d));
      } else {
        slot = Value::number(std::isnan(d) ? 0 : whole(rt, d < 0 ? 0 : d));
      }
      break;
    }
    case kColor:
      slot = Value::number(to_uint32(rt.to_number(p)));
      break;
    case kReal:
      slot = Value::number(rt.to_number(p));
      break;
    case kFlag:
      slot = Value::boolean(object || rt.to_boolean(p));
      break;
    case kAlign: {
      if (!p.is_string()) break;
      std::string a = fold_case(p.string_text());
      if (a == "left" || a == "right" || a == "center" || a == "justify") slot = Value(a);
      break;
    }
    case kDisplay: {
      // The display reads the text of an object once more.
      if (object && !value.as_object()->is_clip()) {
        Value t = call_own(rt, value, "toString");
        p = t.is_string() ? t : Value();
      }
      std::string d = p.is_string() ? p.string_text() : std::string();
      slot = Value(d == "inline" || d == "none" ? d : std::string("block"));
      break;
    }
    case kTabs: {
      // The stops come from a list's elements (a text gives as many
      // unreadable ones as it has characters); an empty list or any other
      // value only empties a list that is already there.
      tabs.clear();
      size_t count = 0;
      if (object) {
        double n = rt.to_number(rt.get_property(value.as_object(), "length"));
        count = std::isfinite(n) && n > 0 ? static_cast<size_t>(std::min(n, 65536.0)) : 0;
      } else if (p.is_string()) {
        count = std::min<size_t>(p.string_text().size(), 65536);
      }
      for (size_t i = 0; i < count; ++i) {
        Value e = object ? rt.get_property(value.as_object(), String(std::to_string(i))) : Value();
        tabs.push_back(whole(rt, rt.to_number(e)));
      }
      if (count > 0) slot = Value::boolean(true);
      break;
    }
  }
}

bool TextFormatObject::get_native(Runtime& rt, const String& name, Value& out) {
  int f = find_field(rt, name);
  if (f < 0) return false;
  const Value& v = values[f];
  if (kFields[f].kind == kTabs && !v.is_null()) {
    std::vector<Value> items;
    for (int32_t t : tabs) items.push_back(Value::number(t));
    out = Value::object(rt.make_array(items));
  } else {
    out = v;
  }
  return true;
}

bool TextFormatObject::set_native(Runtime& rt, const String& name, const Value& value) {
  int f = find_field(rt, name);
  if (f < 0) return false;
  assign(rt, static_cast<size_t>(f), value);
  return true;
}

Value tf_constructor(Runtime& rt, CallInfo& call) {
  auto* tf = rt.heap().make<TextFormatObject>();
  Value ctor = rt.get_property(rt.global(), "TextFormat");
  Value proto = ctor.as_object() ? rt.get_property(ctor.as_object(), "prototype") : Value();
  if (proto.as_object()) tf->set_proto(proto.as_object());
  for (size_t i = 0; i < kConstructorFields && i < call.count; ++i) tf->assign(rt, i, call.args[i]);
  return Value::object(tf);
}

Value nothing(Runtime&, CallInfo&) { return Value(); }

}  // namespace

void install_textformat_builtins(Runtime& rt) {
  Object* proto = rt.make_object();
  FunctionObject* ctor = rt.make_class(tf_constructor, proto);
  ctor->makes_own_object = true;
  rt.global()->define("TextFormat", Value::object(ctor), kDontEnum);
  rt.add_method(proto, "getTextExtent", nothing);
}

}  // namespace avm1
