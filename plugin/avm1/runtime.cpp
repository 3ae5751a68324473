#include "avm1/runtime.h"

#include <algorithm>
#include <cmath>
#include <unordered_set>

#include "avm1/clip.h"
#include "avm1/engine.h"

namespace avm1 {

const Value& CallInfo::arg(size_t i) const {
  static const Value undefined;
  return i < count ? args[i] : undefined;
}

double number_arg(Runtime& rt, const CallInfo& call, size_t i, double missing) {
  return i < call.count ? rt.to_number(call.args[i]) : missing;
}

String string_arg(Runtime& rt, const CallInfo& call, size_t i) { return rt.to_string(call.arg(i)); }

std::string text_by_to_string(Runtime& rt, const Value& v) {
  Object* o = v.as_object();
  if (!o || o->is_clip()) return rt.to_string(v).str();
  Value method;
  if (rt.find_property(o, "toString", method) && rt.is_callable(method)) {
    Value t = rt.call(method, v, nullptr, 0);
    if (t.is_string()) return t.string_text();
  }
  return "[type Object]";
}

namespace {

Value empty_function(Runtime&, CallInfo&) { return Value(); }

}  // namespace

Runtime::Runtime(int movie_version) : movie_version_(movie_version), version_(movie_version) {
  registers.resize(4);
  // The two roots of every chain first: Object.prototype has no prototype,
  // functions inherit from Function.prototype.
  known_.object_prototype = heap_.make<Object>();
  auto* function_prototype = heap_.make<FunctionObject>();
  function_prototype->set_native_function(empty_function);
  function_prototype->set_proto(known_.object_prototype);
  // SWF 5 code does not see functions inherit from Object.prototype.
  function_prototype->find_own("__proto__", true)->flags |= kOnlyVersion6;
  function_prototype->proto_changed();
  known_.function_prototype = function_prototype;
  known_.global = heap_.make<Object>();
  known_.global->set_proto(known_.object_prototype);
  install_builtins();
  // Natives made before Function existed get their constructor now.
  for (Object* o = heap_.newest(); o; o = o->heap_next)
    if (o->is_function() && o->proto() && !o->find_own("constructor", true))
      o->define("constructor", Value::object(known_.function_constructor), kHidden);
  index_native_table(*this);
}

Runtime::~Runtime() = default;

void Runtime::install_builtins() {
  install_object_builtins(*this);
  install_function_builtins(*this);
  install_error_builtins(*this);
  install_array_builtins(*this);
  install_string_builtins(*this);
  install_number_builtins(*this);
  install_math_builtins(*this);
  install_date_builtins(*this);
  install_global_functions(*this);
  install_xml_builtins(*this);
  install_native_table_builtins(*this);
}

void Runtime::trace_roots(Tracer& t) {
  t.mark(known_.global);
  Object** well_known = reinterpret_cast<Object**>(&known_);
  for (size_t i = 0; i < sizeof(WellKnown) / sizeof(Object*); ++i) t.mark(well_known[i]);
  for (const Value& v : registers) t.mark(v);
  for (const auto& c : registered_classes) t.mark(c.second);
  for (const NativeEntry& e : native_table) t.mark(e.data);
}

// ---------------------------------------------------------------------------
// Making objects

Object* Runtime::make_object(Object* proto) {
  Object* o = heap_.make<Object>();
  if (proto) o->set_proto(proto);
  return o;
}

ArrayObject* Runtime::make_array(const std::vector<Value>& items) {
  ArrayObject* a = heap_.make<ArrayObject>();
  // New arrays take the prototype of whatever _global.Array is now: none
  // once it was deleted, another class's once it was replaced.
  Object* proto = nullptr;
  if (Property* p = global()->find_own("Array", case_sensitive())) {
    if (Object* ctor = p->value.as_object()) {
      if (Property* q = ctor->find_own("prototype", case_sensitive())) proto = q->value.as_object();
    }
  }
  a->set_proto(proto);
  for (size_t i = 0; i < items.size(); ++i) a->put(String(std::to_string(i)), items[i]);
  a->raw_length(items.size());
  return a;
}

FunctionObject* Runtime::make_native(NativeFunction f) {
  FunctionObject* fn = heap_.make<FunctionObject>();
  fn->set_proto(known_.function_prototype);
  fn->set_native_function(f);
  // The link to Function.prototype is not visible to SWF 5 code; the chain
  // still leads there.
  if (Property* p = fn->find_own("__proto__", true)) p->flags |= kOnlyVersion6;
  if (known_.function_constructor)
    fn->define("constructor", Value::object(known_.function_constructor), kHidden);
  return fn;
}

FunctionObject* Runtime::make_class(NativeFunction f, Object* prototype) {
  FunctionObject* fn = make_native(f);
  if (!prototype) prototype = make_object();
  fn->define("prototype", Value::object(prototype), kHidden);
  prototype->define("constructor", Value::object(fn), kHidden);
  return fn;
}

FunctionObject* Runtime::add_method(Object* target, const char* name, NativeFunction f,
                                    uint32_t flags) {
  FunctionObject* fn = make_native(f);
  target->define(name, Value::object(fn), flags);
  return fn;
}

Object* Runtime::wrap(const Value& primitive) {
  switch (primitive.type()) {
    case Type::boolean: {
      auto* o = heap_.make<PrimitiveObject>(ObjectClass::boolean);
      o->set_proto(known_.boolean_prototype);
      o->primitive = primitive;
      return o;
    }
    case Type::number: {
      auto* o = heap_.make<PrimitiveObject>(ObjectClass::number);
      o->set_proto(known_.number_prototype);
      o->primitive = primitive;
      return o;
    }
    case Type::string: {
      auto* o = heap_.make<PrimitiveObject>(ObjectClass::string);
      o->set_proto(known_.string_prototype);
      o->primitive = primitive;
      o->define(
          "length",
          Value::number(static_cast<double>(character_count(primitive.string_text(), version_))),
          kHidden | kReadOnly);
      return o;
    }
    default:
      return nullptr;
  }
}

// ---------------------------------------------------------------------------
// Conversions

bool Runtime::to_boolean(const Value& v) {
  switch (v.type()) {
    case Type::undefined:
    case Type::null:
      return false;
    case Type::boolean:
      return v.as_boolean();
    case Type::number:
      return v.as_number() != 0 && !std::isnan(v.as_number());
    case Type::string: {
      if (version_ >= 7) return !v.string_text().empty();
      double n = string_to_number(v.string_text(), version_);
      return n != 0 && !std::isnan(n);
    }
    case Type::object:
      return true;
  }
  return false;
}

double Runtime::to_number(const Value& v) {
  switch (v.type()) {
    case Type::undefined:
    case Type::null:
      return version_ >= 7 ? std::nan("") : 0;
    case Type::boolean:
      return v.as_boolean() ? 1 : 0;
    case Type::number:
      return v.as_number();
    case Type::string:
      return string_to_number(v.string_text(), version_);
    case Type::object: {
      // Only valueOf is asked: an object it answers is no number, and
      // toString is not tried.
      Object* o = v.as_object();
      if (o->object_class() == ObjectClass::movieclip || o->object_class() == ObjectClass::date ||
          o->object_class() == ObjectClass::super_reference) {
        Value p = to_primitive(v, Hint::number);
        return p.is_object() ? std::nan("") : to_number(p);
      }
      Value method;
      // Without any valueOf the object counts as undefined.
      if (!find_property(o, "valueOf", method)) return to_number(Value());
      if (!is_callable(method)) return std::nan("");
      Value r = call(method, v, nullptr, 0);
      if (r.is_object() && r.as_object()->is_clip()) r = to_primitive(r, Hint::number);
      return r.is_object() ? std::nan("") : to_number(r);
    }
  }
  return 0;
}

String Runtime::to_string(const Value& v) {
  switch (v.type()) {
    case Type::undefined:
      return version_ >= 7 ? "undefined" : "";
    case Type::null:
      return "null";
    case Type::boolean:
      return v.as_boolean() ? "true" : "false";
    case Type::number:
      return number_to_string(v.as_number());
    case Type::string:
      return v.as_string();
    case Type::object: {
      // A String object reads as its own text, whatever its toString says.
      if (v.as_object()->object_class() == ObjectClass::string)
        return to_string(static_cast<PrimitiveObject*>(v.as_object())->primitive);
      Value p = to_primitive(v, Hint::string);
      // Only a text counts as the object's text; anything else gives its
      // kind in words.
      if (!p.is_string()) {
        Object* o = v.as_object();
        return o->is_function() ? "[type Function]" : "[type Object]";
      }
      return to_string(p);
    }
  }
  return String();
}

Value Runtime::to_primitive(const Value& v, Hint hint) {
  Object* o = v.as_object();
  if (!o) return v;
  // `super` converts by the methods above its base, run on `this`; a
  // function called without an object has a super that gives undefined.
  Object* lookup = o;
  Value self = v;
  if (o->object_class() == ObjectClass::super_reference) {
    auto* s = static_cast<SuperObject*>(o);
    lookup = s->prototype ? s->prototype->proto_for(version_) : nullptr;
    if (!lookup) return Value();
    self = s->this_object;
  } else if (o->object_class() == ObjectClass::movieclip && engine_) {
    // A removed clip reads as the clip now at its path, if any.
    ClipObject* found = engine_->live(o);
    return Value(found ? engine_->target_path(found) : String());
  }
  // Dates join texts as text from SWF 6 on; SWF 5 code sees their number.
  if (hint == Hint::none && o->object_class() == ObjectClass::date && version_ >= 6)
    hint = Hint::string;
  const char* first = hint == Hint::string ? "toString" : "valueOf";
  // A text is asked of toString alone, a number of valueOf alone; without
  // a hint valueOf comes first, then toString.
  const char* second = hint == Hint::none ? "toString" : nullptr;
  bool called = false;
  for (const char* name : {first, second}) {
    if (!name) break;
    Value method;
    if (!find_property(lookup, name, method) || !is_callable(method)) continue;
    Value r = call_with_super(static_cast<FunctionObject*>(method.as_object()), self, nullptr, 0,
                              lookup == o ? o->proto_for(version_) : lookup, false);
    // A clip stands for its path, as good as a primitive, except where a
    // text was asked for.
    if (!r.is_object() || (r.as_object()->is_clip() && hint != Hint::string))
      return r.is_object() ? to_primitive(r, hint) : r;
    called = true;
  }
  if (lookup != o) return called ? Value("[type Object]") : Value();
  // Methods that answered only objects give the object's kind in words; an
  // object whose prototype link was cut to a non-object gives undefined.
  if (!called && o->find_own("__proto__", true)) return Value();
  return Value(o->is_function() ? "[type Function]" : "[type Object]");
}

Object* Runtime::to_object(const Value& v) {
  if (v.is_object()) return v.as_object();
  return wrap(v);
}

String Runtime::type_of(const Value& v) {
  switch (v.type()) {
    case Type::undefined:
      return "undefined";
    case Type::null:
      return "null";
    case Type::boolean:
      return "boolean";
    case Type::number:
      return "number";
    case Type::string:
      return "string";
    case Type::object: {
      Object* o = v.as_object();
      if (o->is_function()) return "function";
      if (o->object_class() == ObjectClass::movieclip) return "movieclip";
      return "object";
    }
  }
  return "undefined";
}

bool Runtime::strict_equals(const Value& a, const Value& b) {
  if (a.type() != b.type()) return false;
  switch (a.type()) {
    case Type::undefined:
    case Type::null:
      return true;
    case Type::boolean:
      return a.as_boolean() == b.as_boolean();
    case Type::number:
      return a.as_number() == b.as_number();
    case Type::string:
      return a.string_text() == b.string_text();
    case Type::object:
      return a.as_object() == b.as_object();
  }
  return false;
}

bool Runtime::loose_equals(const Value& a, const Value& b) {
  if (a.type() == b.type()) return strict_equals(a, b);
  if (a.is_nullish() && b.is_nullish()) return true;
  if (a.is_number() && b.is_string()) return a.as_number() == to_number(b);
  if (a.is_string() && b.is_number()) return to_number(a) == b.as_number();
  if (a.is_boolean()) return loose_equals(Value::number(a.as_boolean() ? 1 : 0), b);
  if (b.is_boolean()) return loose_equals(a, Value::number(b.as_boolean() ? 1 : 0));
  if (a.is_object() && (b.is_number() || b.is_string())) {
    Value p = to_primitive(a, Hint::none);
    if (p.is_object()) return false;
    return loose_equals(p, b);
  }
  if (b.is_object() && (a.is_number() || a.is_string())) {
    Value p = to_primitive(b, Hint::none);
    if (p.is_object()) return false;
    return loose_equals(a, p);
  }
  return false;
}

Value Runtime::less_than(const Value& a, const Value& b) {
  Value pa = to_primitive(a, Hint::number);
  Value pb = to_primitive(b, Hint::number);
  if (pa.is_string() && pb.is_string()) return Value::boolean(pa.string_text() < pb.string_text());
  double x = to_number(pa), y = to_number(pb);
  if (std::isnan(x) || std::isnan(y)) return Value();
  return Value::boolean(x < y);
}

void Runtime::charge_text(size_t bytes) {
  text_bytes_this_run_ += bytes;
  // Only a running script can be ended; host-side work is not charged.
  if (depth_ > 0 && (bytes > kMaxTextBytes || text_bytes_this_run_ > kMaxTextBytesPerRun))
    throw ScriptAbort();
}

void Runtime::check_walk(size_t length) const {
  if (depth_ > 0 && length > kMaxArrayWalk) throw ScriptAbort();
}

Value Runtime::add(const Value& a, const Value& b) {
  // The right operand is converted first, as for the other operators.
  Value pb = to_primitive(b, Hint::none);
  Value pa = to_primitive(a, Hint::none);
  if (pa.is_string() || pb.is_string()) {
    String sa = to_string(pa);
    String sb = to_string(pb);
    if (sa.empty()) return Value(sb);
    if (sb.empty()) return Value(sa);
    charge_text(sa.size() + sb.size());
    return Value(sa.str() + sb.str());
  }
  return Value::number(to_number(pa) + to_number(pb));
}

std::string Runtime::trace_text(const Value& v) {
  if (v.is_undefined()) return "undefined";
  Object* o = v.as_object();
  if (o && o->object_class() == ObjectClass::super_reference) {
    Value p = to_primitive(v, Hint::string);
    return p.is_undefined() ? "undefined" : to_string(p).str();
  }
  return to_string(v).str();
}

// Whether the constructor of prototype `p` lists `c` (or an interface with
// the same prototype) among those it implements.
static bool implements_interface(Object* p, Object* c, Object* prototype, Runtime& rt) {
  Property* q = p->find_own("constructor", true);
  Object* ctor = q ? q->value.as_object() : nullptr;
  Property* list = ctor ? ctor->find_own("__implements__", true) : nullptr;
  Object* array = list ? list->value.as_object() : nullptr;
  if (!array) return false;
  for (const Property& entry : array->properties().list()) {
    Object* iface = entry.value.as_object();
    if (!iface) continue;
    if (iface == c || rt.get_property(iface, "prototype").as_object() == prototype) return true;
  }
  return false;
}

bool Runtime::instance_of(const Value& object, const Value& constructor) {
  Object* o = object.as_object();
  Object* c = constructor.as_object();
  if (!o || !c) return false;
  Value prototype_value = get_property(c, "prototype");
  Object* prototype = prototype_value.as_object();
  if (!prototype) return false;
  int guard = 0;
  for (Object* p = o->proto_for(version_); p && guard < 256; p = p->proto_for(version_), ++guard) {
    if (p == prototype) return true;
    // Interfaces the prototype's constructor implements (ImplementsOp),
    // in code of every version.
    if (implements_interface(p, c, prototype, *this)) return true;
  }
  return false;
}

// ---------------------------------------------------------------------------
// Properties

Property* Runtime::own_property(Object* o, const String& name) {
  Property* p = o->find_own(name, case_sensitive());
  return p && visible_to(p->flags, version_) ? p : nullptr;
}

bool Runtime::find_property(Object* o, const String& name, Value& out) {
  if (o->get_native(*this, name, out)) return true;
  bool cs = case_sensitive();
  int guard = 0;
  for (Object* cur = o; cur; cur = cur->proto_for(version_), ++guard) {
    if (guard > 256) throw ScriptAbort();  // a chain this deep ends the script
    Property* p = cur->find_own(name, cs);
    if (p && visible_to(p->flags, version_)) {
      if (p->getter) {
        out = call(Value::object(p->getter), Value::object(o), nullptr, 0);
      } else if (p->setter) {
        out = Value();
      } else {
        out = p->value;
      }
      return true;
    }
    if (cur == o && o->get_late(*this, name, out)) return true;
  }
  return false;
}

Value Runtime::get_property(Object* o, const String& name) {
  Value out;
  if (find_property(o, name, out)) return out;
  Value resolved;
  resolve_missing(o, name, resolved);
  return resolved;
}

bool Runtime::resolve_missing(Object* o, const String& name, Value& out) {
  if (name.same("__resolve", false)) return false;
  // Only the value in the slot counts: accessors named __resolve are not
  // asked.
  bool cs = case_sensitive();
  int guard = 0;
  for (Object* cur = o; cur; cur = cur->proto_for(version_), ++guard) {
    if (guard > 256) throw ScriptAbort();
    // Found whatever versions its flags hide it from.
    Property* p = cur->find_own("__resolve", cs);
    if (!p) continue;
    // From SWF 7 a primitive lets the search go on; other objects end it.
    if (!is_callable(p->value)) {
      if (version_ >= 7 && !p->value.is_object()) continue;
      return false;
    }
    Value arg(name);
    out = call(p->value, Value::object(o), &arg, 1);
    return true;
  }
  return false;
}

Value Runtime::get_member(const Value& object, const String& name) {
  switch (object.type()) {
    case Type::object:
      return get_property(object.as_object(), name);
    case Type::string:
      if (name.same("length", case_sensitive()))
        return Value::number(static_cast<double>(character_count(object.string_text(), version_)));
      [[fallthrough]];
    case Type::number:
    case Type::boolean: {
      Object* proto = object.is_string()   ? known_.string_prototype
                      : object.is_number() ? known_.number_prototype
                                           : known_.boolean_prototype;
      if (!proto) return Value();
      bool cs = case_sensitive();
      int guard = 0;
      for (Object* cur = proto; cur && guard < 256; cur = cur->proto_for(version_), ++guard) {
        Property* p = cur->find_own(name, cs);
        if (p && visible_to(p->flags, version_)) {
          if (p->getter) return call(Value::object(p->getter), object, nullptr, 0);
          return p->value;
        }
      }
      return Value();
    }
    default:
      return Value();
  }
}

void Runtime::set_member(const Value& object, const String& name, const Value& value) {
  if (Object* o = object.as_object()) set_property(o, name, value);
}

void Runtime::set_property(Object* o, const String& name, const Value& given) {
  // A property without a name cannot be made.
  if (name.str().empty()) return;
  bool cs = case_sensitive();
  Value value = given;
  // A watcher sees the write first and says what is stored.
  if (Property* table = o->find_own("__watches__", true)) {
    Object* watches = table->value.as_object();
    Property* entry = watches ? watches->find_own(name, cs) : nullptr;
    Object* w = entry ? entry->value.as_object() : nullptr;
    if (w && !w->find_own("busy", true)) {
      Value old;
      find_property(o, name, old);
      Value callback =
          w->find_own("callback", true) ? w->find_own("callback", true)->value : Value();
      Value data = w->find_own("data", true) ? w->find_own("data", true)->value : Value();
      w->define("busy", Value::boolean(true), 0);
      std::vector<Value> args{Value(name), old, value, data};
      try {
        value = call(callback, Value::object(o), args);
      } catch (...) {
        w->remove_own("busy", true);
        throw;
      }
      w->remove_own("busy", true);
    }
  }
  if (o->set_native(*this, name, value)) return;
  Property* p = o->find_own(name, cs);
  if (p && visible_to(p->flags, version_)) {
    if (p->getter || p->setter) {
      if (p->setter) {
        Object* setter = p->setter;
        call(Value::object(setter), Value::object(o), &value, 1);
      }
      return;
    }
    if (p->flags & kReadOnly) return;
    p->value = value;
    if (equal_folded(p->name.str(), "__proto__")) o->proto_changed();
    o->property_written(*this, *p);
    return;
  }
  // An accessor further up the chain takes the write. The whole chain is
  // walked even past a plain property: a chain this deep ends the script.
  int guard = 1;
  bool plain_found = false;
  for (Object* cur = o->proto_for(version_); cur; cur = cur->proto_for(version_), ++guard) {
    if (guard > 256) throw ScriptAbort();
    if (plain_found) continue;
    Property* q = cur->find_own(name, cs);
    if (!q || !visible_to(q->flags, version_)) continue;
    if (q->getter || q->setter) {
      if (q->setter) {
        Object* setter = q->setter;
        call(Value::object(setter), Value::object(o), &value, 1);
      }
      return;
    }
    plain_found = true;
  }
  // Walking off the end counts as one more step.
  if (guard > 256) throw ScriptAbort();
  if (p) {
    // SWF 6 code writes into a property kept for SWF 7 where it is, still
    // hidden; any other property hidden from this version is replaced.
    if (version_ == 6 && visible_to(p->flags & ~kOnlyVersion7, version_)) {
      p->value = value;
      if (equal_folded(p->name.str(), "__proto__")) o->proto_changed();
      return;
    }
    o->properties().remove(p);
  }
  if (depth_ > 0 && o->properties().size() >= kMaxOwnProperties) throw ScriptAbort();
  Property& added = o->properties().add(name);
  added.value = value;
  if (equal_folded(name.str(), "__proto__")) o->proto_changed();
  o->property_written(*this, added);
}

bool Runtime::has_property(Object* o, const String& name) {
  Value ignored;
  if (o->get_native(*this, name, ignored)) return true;
  bool cs = case_sensitive();
  int guard = 0;
  for (Object* cur = o; cur; cur = cur->proto_for(version_), ++guard) {
    if (guard > 256) throw ScriptAbort();  // a chain this deep ends the script
    Property* p = cur->find_own(name, cs);
    if (p && visible_to(p->flags, version_)) return true;
    if (cur == o && o->get_late(*this, name, ignored)) return true;
  }
  return false;
}

bool Runtime::has_own_property(Object* o, const String& name) {
  return own_property(o, name) != nullptr;
}

bool Runtime::delete_property(Object* o, const String& name) {
  Property* p = own_property(o, name);
  if (!p || (p->flags & kDontDelete)) return false;
  bool proto = equal_folded(p->name.str(), "__proto__");
  o->properties().remove(p);
  if (proto) o->proto_changed();
  return true;
}

std::vector<String> Runtime::enumerate(Object* o) {
  std::vector<String> names;
  bool cs = case_sensitive();
  // Names are looked up by their compared form, so that objects with many
  // properties or long chains enumerate in linear time.
  auto key = [cs](const String& n) { return cs ? n.str() : fold_case(n.str()); };
  std::unordered_set<std::string> listed;
  std::unordered_set<std::string> hidden_below;
  std::vector<String> native;
  o->native_names(*this, native);
  int guard = 0;
  for (Object* cur = o; cur && guard < 256; cur = cur->proto_for(version_), ++guard) {
    const std::vector<Property>& list = cur->properties().list();
    for (size_t i = list.size(); i-- > 0;) {
      const Property& p = list[i];
      // The version flags hide a property from reads, not from for-in,
      // except the flag that hides from SWF 6 alone.
      if (version_ == 6 && (p.flags & kNotVersion6)) continue;
      std::string k = key(p.name);
      // A hidden property hides the inherited one of the same name too.
      if (p.flags & kDontEnum) {
        if (!listed.count(k)) hidden_below.insert(std::move(k));
        continue;
      }
      if (hidden_below.count(k) || listed.count(k)) continue;
      listed.insert(std::move(k));
      names.push_back(p.name);
    }
    if (cur == o)
      for (const String& n : native) {
        std::string k = key(n);
        if (listed.count(k)) continue;
        listed.insert(std::move(k));
        names.push_back(n);
      }
  }
  return names;
}

// ---------------------------------------------------------------------------
// Calls

Value Runtime::call(const Value& function, const Value& this_value, const Value* args,
                    size_t count) {
  Object* o = function.as_object();
  if (!o || !o->is_function()) return Value();
  auto* f = static_cast<FunctionObject*>(o);
  Object* base = this_value.as_object() ? this_value.as_object()->proto() : nullptr;
  return call_with_super(f, this_value, args, count, base, false);
}

Value Runtime::call_method(const Value& object, const String& name,
                           const std::vector<Value>& args) {
  Value method = get_member(object, name);
  if (!is_callable(method)) return Value();
  return call(method, object, args.data(), args.size());
}

Value Runtime::call_with_super(FunctionObject* f, const Value& given_this, const Value* args,
                               size_t count, Object* super_prototype, bool constructing,
                               const Value* super_this) {
  // `super` passed on as a value stands for the object it was made for.
  Object* t = given_this.as_object();
  const Value& this_value = t && t->object_class() == ObjectClass::super_reference
                                ? static_cast<SuperObject*>(t)->this_object
                                : given_this;
  if (f->is_native()) {
    if (depth_ >= max_call_depth) throw ScriptAbort();
    CallInfo call;
    call.this_value = this_value;
    call.args = args;
    call.count = count;
    call.callee = f;
    call.constructing = constructing;
    ++depth_;
    struct Leave {
      int& d;
      ~Leave() { --d; }
    } leave{depth_};
    return f->native()(*this, call);
  }
  return run_function(f, this_value, args, count, super_prototype, constructing, super_this);
}

// What `new` leaves on its object: __constructor__ from SWF 6 on, an own
// constructor up to SWF 6 (later ones inherit it from the prototype).
void Runtime::mark_constructed(Object* o, const Value& constructor) {
  // SWF 5 code does not see `__constructor__`, yet it is there.
  if (!o->find_own("__constructor__", true))
    o->define("__constructor__", constructor, kDontEnum | kOnlyVersion6);
  if (version_ <= 6 && !o->find_own("constructor", true))
    o->define("constructor", constructor, kDontEnum);
}

Value Runtime::construct(const Value& constructor, const Value* args, size_t count) {
  Object* c = constructor.as_object();
  if (!c || !c->is_function()) return Value();
  auto* f = static_cast<FunctionObject*>(c);
  if (f->is_native() && f->makes_own_object) {
    Value made = call_with_super(f, Value(), args, count, nullptr, true);
    if (Object* o = made.as_object()) mark_constructed(o, constructor);
    return made;
  }
  Value prototype = get_property(f, "prototype");
  // Without a prototype object the new object has no `__proto__` at all.
  Object* o = make_object(prototype.as_object());
  mark_constructed(o, constructor);
  call_with_super(f, Value::object(o), args, count, prototype.as_object(), true);
  return Value::object(o);
}

}  // namespace avm1
