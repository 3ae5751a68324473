// Object, Function, ASSetPropFlags and AsBroadcaster.
#include <cmath>

#include "avm1/engine.h"
#include "avm1/runtime.h"

namespace avm1 {

namespace {

Value object_constructor(Runtime& rt, CallInfo& call) {
  const Value& v = call.arg(0);
  if (v.is_object()) return v;
  if (call.count > 0 && !v.is_nullish()) return Value::object(rt.wrap(v));
  // Called as a plain function it makes a bare object: only `new` links
  // it to the prototype.
  if (!call.constructing) return Value::object(rt.make_object(nullptr));
  return Value::object(rt.make_object());
}

Value object_to_string(Runtime&, CallInfo& call) {
  Object* o = call.this_object();
  if (o && o->is_function()) return Value("[type Function]");
  return Value("[object Object]");
}

Value object_value_of(Runtime&, CallInfo& call) {
  Object* o = call.this_object();
  if (o && (o->object_class() == ObjectClass::boolean || o->object_class() == ObjectClass::number ||
            o->object_class() == ObjectClass::string))
    return static_cast<PrimitiveObject*>(o)->primitive;
  return call.this_value;
}

Value object_has_own_property(Runtime& rt, CallInfo& call) {
  Object* o = call.this_object();
  if (!o) return Value::boolean(false);
  String name = rt.to_string(call.arg(0));
  Value ignored;
  if (o->get_native(rt, name, ignored)) return Value::boolean(true);
  // Like for-in, this sees properties the version flags hide from reads,
  // except the flag that hides from SWF 6 alone.
  Property* p = o->find_own(name, rt.case_sensitive());
  return Value::boolean(p && !(rt.version() == 6 && (p->flags & kNotVersion6)));
}

Value object_is_property_enumerable(Runtime& rt, CallInfo& call) {
  Object* o = call.this_object();
  if (!o) return Value::boolean(false);
  Property* p = rt.own_property(o, rt.to_string(call.arg(0)));
  return Value::boolean(p && !(p->flags & kDontEnum));
}

Value object_is_prototype_of(Runtime& rt, CallInfo& call) {
  Object* self = call.this_object();
  // A primitive stands for its wrapper.
  Object* o = call.arg(0).is_nullish() ? nullptr : rt.to_object(call.arg(0));
  if (!self || !o) return Value::boolean(false);
  int guard = 0;
  for (Object* p = o->proto_for(rt.version()); p && guard < 256;
       p = p->proto_for(rt.version()), ++guard)
    if (p == self) return Value::boolean(true);
  return Value::boolean(false);
}

Value object_add_property(Runtime& rt, CallInfo& call) {
  Object* o = call.this_object();
  if (!o || call.count < 3) return Value::boolean(false);
  String name = rt.to_string(call.arg(0));
  Object* getter = call.arg(1).as_object();
  Object* setter = call.arg(2).as_object();
  if (name.empty() || !getter || !getter->is_function()) return Value::boolean(false);
  if (setter && !setter->is_function()) {
    if (!call.arg(2).is_null()) return Value::boolean(false);
    setter = nullptr;
  }
  if (!setter && !call.arg(2).is_null() && !call.arg(2).is_object()) return Value::boolean(false);
  Property* p = o->find_own(name, rt.case_sensitive());
  // A value the property held stays in its slot (a __resolve function
  // still answers through it).
  if (!p) p = &o->properties().add(name);
  p->getter = getter;
  p->setter = setter;
  if (!setter)
    p->flags |= kReadOnly;
  else
    p->flags &= ~kReadOnly;
  return Value::boolean(true);
}

// Object.watch: the watcher and its data are kept in a hidden table that
// Runtime::set_property consults.
Value object_watch(Runtime& rt, CallInfo& call) {
  Object* o = call.this_object();
  if (!o || call.count < 2 || !rt.is_callable(call.arg(1))) return Value::boolean(false);
  String name = rt.to_string(call.arg(0));
  Object* w = rt.make_object(nullptr);
  w->define("callback", call.arg(1), 0);
  w->define("data", call.arg(2), 0);
  Object* watches = nullptr;
  if (Property* p = o->find_own("__watches__", true)) watches = p->value.as_object();
  if (!watches) {
    watches = rt.make_object(nullptr);
    o->define("__watches__", Value::object(watches), kHidden);
  }
  watches->define(name, Value::object(w), 0);
  return Value::boolean(true);
}

Value object_unwatch(Runtime& rt, CallInfo& call) {
  Object* o = call.this_object();
  if (!o) return Value::boolean(false);
  Property* p = o->find_own("__watches__", true);
  Object* watches = p ? p->value.as_object() : nullptr;
  return Value::boolean(watches &&
                        watches->remove_own(rt.to_string(call.arg(0)), rt.case_sensitive()));
}

Value object_register_class(Runtime& rt, CallInfo& call) {
  if (call.count < 2) return Value::boolean(false);
  String name = rt.to_string(call.arg(0));
  Object* ctor = call.arg(1).as_object();
  for (auto& entry : rt.registered_classes)
    if (entry.first.same(name, rt.case_sensitive())) {
      entry.second = ctor;
      return Value::boolean(true);
    }
  rt.registered_classes.emplace_back(name, ctor);
  return Value::boolean(true);
}

// --- Function

// The object a function runs on when called through call (and apply, for
// primitives): primitives are wrapped, and undefined or null give _global.
Value call_target(Runtime& rt, const Value& given) {
  if (given.is_object()) return given;
  if (given.is_nullish()) return Value::object(rt.global());
  return Value::object(rt.wrap(given));
}

Value function_call(Runtime& rt, CallInfo& call) {
  Value self = call_target(rt, call.arg(0));
  const Value* args = call.count > 1 ? call.args + 1 : nullptr;
  size_t count = call.count > 1 ? call.count - 1 : 0;
  return rt.call(call.this_value, self, args, count);
}

Value function_apply(Runtime& rt, CallInfo& call) {
  const Value& given = call.arg(0);
  Value self = given.is_nullish() ? given : call_target(rt, given);
  std::vector<Value> args;
  if (Object* list = call.arg(1).as_object()) {
    double n = rt.to_number(rt.get_property(list, "length"));
    size_t length = n > 0 ? static_cast<size_t>(std::min(n, 65536.0)) : 0;
    for (size_t i = 0; i < length; ++i)
      args.push_back(rt.get_property(list, String(std::to_string(i))));
  }
  return rt.call(call.this_value, self, args);
}

Value function_constructor(Runtime& rt, CallInfo& call) {
  if (call.count > 0 && call.arg(0).is_object()) return call.arg(0);
  FunctionObject* f = rt.make_native([](Runtime&, CallInfo&) { return Value(); });
  f->define("prototype", Value::object(rt.make_object()), kHidden);
  return Value::object(f);
}

// --- ASSetPropFlags(object, names, set, clear)

Value as_set_prop_flags(Runtime& rt, CallInfo& call) {
  Object* o = call.arg(0).as_object();
  if (!o || call.count < 3) return Value();
  uint32_t set = static_cast<uint32_t>(rt.to_int32(call.arg(2)));
  uint32_t clear = call.count > 3 ? static_cast<uint32_t>(rt.to_int32(call.arg(3))) : 0;
  auto change = [&](Property& p) { p.flags = (p.flags & ~clear) | set; };
  auto* array = o->object_class() == ObjectClass::array ? static_cast<ArrayObject*>(o) : nullptr;
  const Value& names = call.arg(1);
  if (names.is_null()) {
    if (array) array->length_flags = (array->length_flags & ~clear) | set;
    for (Property& p : o->properties().list()) change(p);
    o->proto_changed();  // the prototype link's flags may have changed
    return Value();
  }
  std::vector<String> list;
  if (Object* array = names.as_object()) {
    double n = rt.to_number(rt.get_property(array, "length"));
    size_t length = n > 0 ? static_cast<size_t>(std::min(n, 65536.0)) : 0;
    for (size_t i = 0; i < length; ++i)
      list.push_back(rt.to_string(rt.get_property(array, String(std::to_string(i)))));
  } else {
    std::string text = rt.to_string(names).str();
    size_t from = 0;
    for (;;) {
      size_t comma = text.find(',', from);
      list.push_back(
          String(text.substr(from, comma == std::string::npos ? std::string::npos : comma - from)));
      if (comma == std::string::npos) break;
      from = comma + 1;
    }
  }
  for (const String& name : list) {
    if (Property* p = o->find_own(name, rt.case_sensitive())) change(*p);
    if (array && name.same("length", rt.case_sensitive()))
      array->length_flags = (array->length_flags & ~clear) | set;
  }
  o->proto_changed();
  return Value();
}

// --- AsBroadcaster

Value listeners_of(Runtime& rt, const Value& self) {
  Object* o = self.as_object();
  if (!o) return Value();
  return rt.get_property(o, "_listeners");
}

Value broadcaster_add_listener(Runtime& rt, CallInfo& call) {
  Object* list = listeners_of(rt, call.this_value).as_object();
  if (!list) return Value::boolean(false);
  // A listener is in the list once.
  double n = rt.to_number(rt.get_property(list, "length"));
  size_t length = n > 0 ? static_cast<size_t>(n) : 0;
  for (size_t i = 0; i < length; ++i)
    if (rt.strict_equals(rt.get_property(list, String(std::to_string(i))), call.arg(0)))
      return Value::boolean(true);
  rt.set_property(list, String(std::to_string(length)), call.arg(0));
  return Value::boolean(true);
}

Value broadcaster_remove_listener(Runtime& rt, CallInfo& call) {
  Object* list = listeners_of(rt, call.this_value).as_object();
  if (!list) return Value::boolean(false);
  double n = rt.to_number(rt.get_property(list, "length"));
  size_t length = n > 0 ? static_cast<size_t>(n) : 0;
  for (size_t i = 0; i < length; ++i) {
    if (!rt.strict_equals(rt.get_property(list, String(std::to_string(i))), call.arg(0))) continue;
    for (size_t k = i; k + 1 < length; ++k)
      rt.set_property(list, String(std::to_string(k)),
                      rt.get_property(list, String(std::to_string(k + 1))));
    rt.set_property(list, "length", Value::number(static_cast<double>(length - 1)));
    return Value::boolean(true);
  }
  return Value::boolean(false);
}

Value broadcaster_broadcast(Runtime& rt, CallInfo& call) {
  Object* list = listeners_of(rt, call.this_value).as_object();
  if (!list || call.count == 0) return Value();
  String event = rt.to_string(call.arg(0));
  std::vector<Value> args(call.args + 1, call.args + call.count);
  double n = rt.to_number(rt.get_property(list, "length"));
  size_t length = n > 0 ? static_cast<size_t>(n) : 0;
  // The list as it is now: listeners added by a handler wait for the next.
  std::vector<Value> listeners;
  for (size_t i = 0; i < length; ++i)
    listeners.push_back(rt.get_property(list, String(std::to_string(i))));
  bool any = false;
  for (const Value& l : listeners) {
    // An empty slot ends the broadcast, which then answers nothing.
    if (l.is_nullish()) return Value();
    any = true;
    Value method = rt.get_member(l, event);
    if (rt.is_callable(method)) rt.call(method, l, args);
  }
  // True when there was a listener to tell.
  return any ? Value::boolean(true) : Value();
}

Value broadcaster_initialize(Runtime& rt, CallInfo& call) {
  Object* o = call.arg(0).as_object();
  Object* self = call.callee ? call.callee->data.as_object() : nullptr;
  if (!o || !self) return Value();
  // The listener methods are the broadcaster's current ones; broadcastMessage
  // is the built-in one, fetched through _global.ASnative as it stands now.
  // Hidden and permanent, and not there for SWF 5 code.
  const uint32_t flags = kHidden | kOnlyVersion6;
  for (const char* name : {"addListener", "removeListener"})
    o->define(name, rt.get_property(self, name), flags);
  Value native = rt.get_property(rt.global(), "ASnative");
  Value args[2] = {Value::number(101), Value::number(12)};
  o->define("broadcastMessage", rt.call(native, Value::object(rt.global()), args, 2), flags);
  ArrayObject* listeners = rt.make_array();
  listeners->define("constructor", Value::object(rt.known().array_constructor), kHidden);
  o->define("_listeners", Value::object(listeners), flags);
  return Value();
}

// Error: a message and a name, and a toString that gives the message.
Value error_constructor(Runtime& rt, CallInfo& call) {
  Object* o = call.this_object();
  if (o && call.count > 0 && !call.arg(0).is_undefined())
    rt.set_property(o, "message", call.arg(0));
  return Value();
}

Value error_to_string(Runtime& rt, CallInfo& call) {
  Object* o = call.this_object();
  if (!o) return Value();
  return rt.get_property(o, "message");
}

}  // namespace

void install_error_builtins(Runtime& rt) {
  Object* proto = rt.make_object();
  FunctionObject* ctor = rt.make_class(error_constructor, proto);
  proto->define("name", Value("Error"), kHidden);
  proto->define("message", Value("Error"), kHidden);
  rt.add_method(proto, "toString", error_to_string);
  rt.global()->define("Error", Value::object(ctor), kDontEnum);
}

void install_object_builtins(Runtime& rt) {
  WellKnown& k = rt.known();
  Object* proto = k.object_prototype;
  FunctionObject* ctor = rt.make_class(object_constructor, proto);
  ctor->makes_own_object = true;
  k.object_constructor = ctor;
  rt.global()->define("Object", Value::object(ctor), kDontEnum);
  rt.add_method(proto, "toString", object_to_string);
  rt.add_method(proto, "toLocaleString", object_to_string);
  rt.add_method(proto, "valueOf", object_value_of);
  rt.add_method(proto, "hasOwnProperty", object_has_own_property, kHidden | kOnlyVersion6);
  rt.add_method(proto, "isPropertyEnumerable", object_is_property_enumerable,
                kHidden | kOnlyVersion6);
  rt.add_method(proto, "isPrototypeOf", object_is_prototype_of, kHidden | kOnlyVersion6);
  rt.add_method(proto, "addProperty", object_add_property, kHidden | kOnlyVersion6);
  rt.add_method(proto, "watch", object_watch, kHidden | kOnlyVersion6);
  rt.add_method(proto, "unwatch", object_unwatch, kHidden | kOnlyVersion6);
  rt.add_method(ctor, "registerClass", object_register_class, kHidden | kOnlyVersion6);
  rt.add_method(rt.global(), "ASSetPropFlags", as_set_prop_flags, kDontEnum);

  Object* broadcaster = rt.make_native([](Runtime&, CallInfo&) { return Value(); });
  FunctionObject* init = rt.add_method(broadcaster, "initialize", broadcaster_initialize);
  init->data = Value::object(broadcaster);
  rt.add_method(broadcaster, "addListener", broadcaster_add_listener);
  rt.add_method(broadcaster, "removeListener", broadcaster_remove_listener);
  rt.add_method(broadcaster, "broadcastMessage", broadcaster_broadcast);
  rt.global()->define("AsBroadcaster", Value::object(broadcaster), kDontEnum | kOnlyVersion6);
}

void install_function_builtins(Runtime& rt) {
  WellKnown& k = rt.known();
  Object* proto = k.function_prototype;
  FunctionObject* ctor = rt.make_class(function_constructor, proto);
  ctor->makes_own_object = true;
  k.function_constructor = ctor;
  rt.global()->define("Function", Value::object(ctor), kDontEnum | kOnlyVersion6);
  rt.add_method(proto, "call", function_call, kHidden | kOnlyVersion6);
  rt.add_method(proto, "apply", function_apply, kHidden | kOnlyVersion6);
}

}  // namespace avm1
