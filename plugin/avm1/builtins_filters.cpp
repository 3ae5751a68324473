// flash.filters: the bitmap filters hold their values natively, each kept
// in its documented range, behind accessors on the class prototypes. The
// renderer does not draw them.
#include <algorithm>
#include <cmath>

#include "avm1/engine.h"

namespace avm1 {

namespace {

enum class Kind {
  blur,      // 0 to 255, fractions kept
  quality,   // whole, 0 to 15
  strength,  // 0 to 255
  alpha,     // 0 to 1
  color,     // 24-bit RGB
  number,    // as given
  flag,      // boolean
  bevel_type,
  map_mode,
  whole,  // a whole number
  scale,  // -65535 to 65535
  list,   // an array of numbers
  object,
};

struct Field {
  const char* name;
  Kind kind;
  double number;        // default of numeric fields
  const char* text;     // default of text fields
  bool matrix = false;  // the colour matrix's identity default
};

struct FilterClass {
  const char* name;
  std::vector<Field> fields;
};

const std::vector<FilterClass>& filter_classes() {
  static const std::vector<FilterClass> classes = {
      {"BevelFilter",
       {{"distance", Kind::number, 4, nullptr},
        {"angle", Kind::number, 45, nullptr},
        {"highlightColor", Kind::color, 0xFFFFFF, nullptr},
        {"highlightAlpha", Kind::alpha, 1, nullptr},
        {"shadowColor", Kind::color, 0, nullptr},
        {"shadowAlpha", Kind::alpha, 1, nullptr},
        {"blurX", Kind::blur, 4, nullptr},
        {"blurY", Kind::blur, 4, nullptr},
        {"strength", Kind::strength, 1, nullptr},
        {"quality", Kind::quality, 1, nullptr},
        {"type", Kind::bevel_type, 0, "inner"},
        {"knockout", Kind::flag, 0, nullptr}}},
      {"BlurFilter",
       {{"blurX", Kind::blur, 4, nullptr},
        {"blurY", Kind::blur, 4, nullptr},
        {"quality", Kind::quality, 1, nullptr}}},
      {"ColorMatrixFilter", {{"matrix", Kind::list, 0, nullptr, true}}},
      {"ConvolutionFilter",
       {{"matrixX", Kind::quality, 0, nullptr},
        {"matrixY", Kind::quality, 0, nullptr},
        {"matrix", Kind::list, 0, nullptr},
        {"divisor", Kind::number, 1, nullptr},
        {"bias", Kind::number, 0, nullptr},
        {"preserveAlpha", Kind::flag, 1, nullptr},
        {"clamp", Kind::flag, 1, nullptr},
        {"color", Kind::color, 0, nullptr},
        {"alpha", Kind::alpha, 0, nullptr}}},
      {"DisplacementMapFilter",
       {{"mapBitmap", Kind::object, 0, nullptr},
        {"mapPoint", Kind::object, 0, nullptr},
        {"componentX", Kind::whole, 0, nullptr},
        {"componentY", Kind::whole, 0, nullptr},
        {"scaleX", Kind::scale, 0, nullptr},
        {"scaleY", Kind::scale, 0, nullptr},
        {"mode", Kind::map_mode, 0, "wrap"},
        {"color", Kind::color, 0, nullptr},
        {"alpha", Kind::alpha, 0, nullptr}}},
      {"DropShadowFilter",
       {{"distance", Kind::number, 4, nullptr},
        {"angle", Kind::number, 45, nullptr},
        {"color", Kind::color, 0, nullptr},
        {"alpha", Kind::alpha, 1, nullptr},
        {"blurX", Kind::blur, 4, nullptr},
        {"blurY", Kind::blur, 4, nullptr},
        {"strength", Kind::strength, 1, nullptr},
        {"quality", Kind::quality, 1, nullptr},
        {"inner", Kind::flag, 0, nullptr},
        {"knockout", Kind::flag, 0, nullptr},
        {"hideObject", Kind::flag, 0, nullptr}}},
      {"GlowFilter",
       {{"color", Kind::color, 0xFF0000, nullptr},
        {"alpha", Kind::alpha, 1, nullptr},
        {"blurX", Kind::blur, 6, nullptr},
        {"blurY", Kind::blur, 6, nullptr},
        {"strength", Kind::strength, 2, nullptr},
        {"quality", Kind::quality, 1, nullptr},
        {"inner", Kind::flag, 0, nullptr},
        {"knockout", Kind::flag, 0, nullptr}}},
      {"GradientBevelFilter",
       {{"distance", Kind::number, 4, nullptr},
        {"angle", Kind::number, 45, nullptr},
        {"colors", Kind::list, 0, nullptr},
        {"alphas", Kind::list, 0, nullptr},
        {"ratios", Kind::list, 0, nullptr},
        {"blurX", Kind::blur, 4, nullptr},
        {"blurY", Kind::blur, 4, nullptr},
        {"strength", Kind::strength, 1, nullptr},
        {"quality", Kind::quality, 1, nullptr},
        {"type", Kind::bevel_type, 0, "inner"},
        {"knockout", Kind::flag, 0, nullptr}}},
      {"GradientGlowFilter",
       {{"distance", Kind::number, 4, nullptr},
        {"angle", Kind::number, 45, nullptr},
        {"colors", Kind::list, 0, nullptr},
        {"alphas", Kind::list, 0, nullptr},
        {"ratios", Kind::list, 0, nullptr},
        {"blurX", Kind::blur, 4, nullptr},
        {"blurY", Kind::blur, 4, nullptr},
        {"strength", Kind::strength, 1, nullptr},
        {"quality", Kind::quality, 1, nullptr},
        {"type", Kind::bevel_type, 0, "outer"},
        {"knockout", Kind::flag, 0, nullptr}}},
  };
  return classes;
}

class FilterObject : public Object {
 public:
  explicit FilterObject(size_t kind) : kind(kind) {}
  ObjectClass object_class() const override { return ObjectClass::other; }
  void trace_children(Tracer& t) override {
    for (const Value& v : values) t.mark(v);
  }
  size_t kind;  // index into filter_classes()
  std::vector<Value> values;
};

FilterObject* filter_of(const Value& v) {
  Object* o = v.as_object();
  return o && o->object_class() == ObjectClass::other ? dynamic_cast<FilterObject*>(o) : nullptr;
}

double clamp(double v, double lo, double hi) {
  // A NaN stays NaN.
  if (v < lo) return lo;
  if (v > hi) return hi;
  return v;
}

// Lists hold at most this many numbers.
const size_t kMaxList = 1024;

Value convert(Runtime& rt, const Field& f, const Value& v, const Value& old) {
  switch (f.kind) {
    case Kind::blur:
    case Kind::strength:
      return Value::number(clamp(rt.to_number(v), 0, 255));
    case Kind::quality:
      return Value::number(clamp(rt.to_int32(v), 0, 15));
    case Kind::alpha:
      return Value::number(clamp(rt.to_number(v), 0, 1));
    case Kind::color:
      return Value::number(static_cast<uint32_t>(rt.to_int32(v)) & 0xFFFFFF);
    case Kind::number:
      return Value::number(rt.to_number(v));
    case Kind::flag:
      return Value::boolean(rt.to_boolean(v));
    case Kind::whole:
      return Value::number(rt.to_int32(v));
    case Kind::scale:
      return Value::number(clamp(rt.to_number(v), -65535, 65535));
    case Kind::bevel_type: {
      std::string s = rt.to_string(v).str();
      return s == "inner" || s == "outer" || s == "full" ? Value(s) : old;
    }
    case Kind::map_mode: {
      std::string s = rt.to_string(v).str();
      return s == "wrap" || s == "clamp" || s == "ignore" || s == "color" ? Value(s) : old;
    }
    case Kind::list: {
      std::vector<Value> items;
      if (Object* a = v.as_object()) {
        double n = rt.to_number(rt.get_property(a, "length"));
        size_t length = n > 0 ? static_cast<size_t>(std::min(n, static_cast<double>(kMaxList))) : 0;
        for (size_t i = 0; i < length; ++i)
          items.push_back(
              Value::number(rt.to_number(rt.get_property(a, String(std::to_string(i))))));
      }
      return Value::object(rt.make_array(items));
    }
    case Kind::object:
      return v;
  }
  return v;
}

Value default_value(Runtime& rt, const Field& f) {
  if (f.text) return Value(f.text);
  switch (f.kind) {
    case Kind::flag:
      return Value::boolean(f.number != 0);
    case Kind::list: {
      std::vector<Value> items;
      if (f.matrix)
        for (int i = 0; i < 20; ++i) items.push_back(Value::number(i % 6 == 0 ? 1 : 0));
      return Value::object(rt.make_array(items));
    }
    case Kind::object:
      return Value();
    default:
      return Value::number(f.number);
  }
}

// Arrays go out as copies, so changing one does not change the filter.
Value read_field(Runtime& rt, const Field& f, const Value& v) {
  if (f.kind != Kind::list) return v;
  Object* a = v.as_object();
  if (!a || a->object_class() != ObjectClass::array) return v;
  std::vector<Value> items;
  size_t length = static_cast<ArrayObject*>(a)->length();
  for (size_t i = 0; i < length; ++i)
    items.push_back(rt.get_property(a, String(std::to_string(i))));
  return Value::object(rt.make_array(items));
}

Value filter_ctor(Runtime& rt, CallInfo& call) {
  // Called without new, a filter class makes nothing.
  if (!call.constructing || !call.callee) return Value();
  size_t kind = static_cast<size_t>(call.callee->data.as_number());
  const FilterClass& fc = filter_classes()[kind];
  auto* o = rt.heap().make<FilterObject>(kind);
  o->set_proto(rt.get_property(call.callee, "prototype").as_object());
  o->define("__constructor__", Value::object(call.callee), 0);
  for (const Field& f : fc.fields) o->values.push_back(default_value(rt, f));
  // Code older than SWF 8 cannot see the values, and they are not read.
  size_t given = rt.version() >= 8 ? call.count : 0;
  for (size_t i = 0; i < fc.fields.size() && i < given; ++i)
    o->values[i] = convert(rt, fc.fields[i], call.args[i], o->values[i]);
  return Value::object(o);
}

// The accessors know their class and field from their data: kind * 64 +
// field.
bool field_of(CallInfo& call, FilterObject*& o, const Field*& f) {
  o = filter_of(call.this_value);
  if (!o || !call.callee) return false;
  int code = static_cast<int>(call.callee->data.as_number());
  if (static_cast<size_t>(code / 64) != o->kind) return false;
  f = &filter_classes()[o->kind].fields[static_cast<size_t>(code % 64)];
  return true;
}

Value filter_get(Runtime& rt, CallInfo& call) {
  FilterObject* o;
  const Field* f;
  if (!field_of(call, o, f)) return Value();
  return read_field(rt, *f,
                    o->values[static_cast<size_t>(f - filter_classes()[o->kind].fields.data())]);
}

Value filter_set(Runtime& rt, CallInfo& call) {
  FilterObject* o;
  const Field* f;
  if (!field_of(call, o, f)) return Value();
  size_t i = static_cast<size_t>(f - filter_classes()[o->kind].fields.data());
  o->values[i] = convert(rt, *f, call.arg(0), o->values[i]);
  return Value();
}

Value filter_clone(Runtime& rt, CallInfo& call) {
  FilterObject* o = filter_of(call.this_value);
  if (!o) return Value();
  auto* copy = rt.heap().make<FilterObject>(o->kind);
  copy->set_proto(o->proto());
  if (Property* c = o->find_own("__constructor__", true))
    copy->define("__constructor__", c->value, 0);
  const FilterClass& fc = filter_classes()[o->kind];
  for (size_t i = 0; i < o->values.size(); ++i)
    copy->values.push_back(fc.fields[i].kind == Kind::list
                               ? read_field(rt, fc.fields[i], o->values[i])
                               : o->values[i]);
  return Value::object(copy);
}

Value bitmap_filter_ctor(Runtime&, CallInfo&) { return Value(); }

}  // namespace

void install_filter_builtins(Engine& engine) {
  Runtime& rt = engine.runtime();
  Object* flash = rt.get_property(rt.global(), "flash").as_object();
  if (!flash) return;
  Object* filters = rt.make_object();
  flash->define("filters", Value::object(filters), 0);

  Object* base_proto = rt.make_object();
  FunctionObject* base = rt.make_class(bitmap_filter_ctor, base_proto);
  filters->define("BitmapFilter", Value::object(base), 0);
  rt.add_method(base_proto, "clone", filter_clone);

  const std::vector<FilterClass>& classes = filter_classes();
  for (size_t k = 0; k < classes.size(); ++k) {
    // Each class's prototype is a BitmapFilter.
    Object* proto = rt.construct(Value::object(base), nullptr, 0).as_object();
    FunctionObject* cls = rt.make_class(filter_ctor, proto);
    // The prototype names its maker through __constructor__ alone.
    proto->remove_own("constructor", true);
    cls->makes_own_object = true;
    cls->data = Value::number(static_cast<double>(k));
    filters->define(classes[k].name, Value::object(cls), 0);
    for (size_t i = 0; i < classes[k].fields.size(); ++i) {
      Property& p = proto->properties().add(classes[k].fields[i].name);
      FunctionObject* getter = rt.make_native(filter_get);
      FunctionObject* setter = rt.make_native(filter_set);
      getter->data = setter->data = Value::number(static_cast<double>(k * 64 + i));
      p.getter = getter;
      p.setter = setter;
      // Older code sees none of them and keeps what it writes as is.
      p.flags = kOnlyVersion8;
    }
  }
}

}  // namespace avm1
