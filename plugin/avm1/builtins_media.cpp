// Sound, and the classes for resources a screen saver does not have: they
// exist with their members and answer as the player does when the resource
// is unavailable.
#include <cmath>
#include <cstdlib>

#include "avm1/engine.h"

namespace avm1 {

namespace {

Engine& engine_of(Runtime& rt) { return *rt.engine(); }

// --- Sound: levels kept per target clip; nothing is heard.

class SoundObject : public Object {
 public:
  ObjectClass object_class() const override { return ObjectClass::other; }
  void trace_children(Tracer& t) override { t.mark(target); }
  Object* target = nullptr;  // nullptr: the whole movie
  bool valid = true;         // false when made for something that is no clip
};

SoundObject* sound_of(const Value& v) {
  Object* o = v.as_object();
  return o && o->object_class() == ObjectClass::other ? dynamic_cast<SoundObject*>(o) : nullptr;
}

Engine::SoundLevels* levels_of(Runtime& rt, CallInfo& call) {
  SoundObject* s = sound_of(call.this_value);
  if (!s || !s->valid) return nullptr;
  if (s->target && !engine_of(rt).live(s->target)) return nullptr;
  return &engine_of(rt).sound_levels[s->target];
}

Value sound_ctor(Runtime& rt, CallInfo& call) {
  auto* o = rt.heap().make<SoundObject>();
  Object* proto = call.callee ? rt.get_property(call.callee, "prototype").as_object() : nullptr;
  o->set_proto(proto);
  const Value& target = call.arg(0);
  if (Object* t = target.as_object()) {
    o->target = t;
    o->valid = t->is_clip();
  } else if (target.is_string()) {
    ClipObject* base = rt.current_target() && rt.current_target()->is_clip()
                           ? static_cast<ClipObject*>(rt.current_target())
                           : nullptr;
    o->target = engine_of(rt).resolve_path(base, target.string_text());
    o->valid = o->target != nullptr;
  } else if (!target.is_nullish()) {
    o->valid = false;
  }
  return Value::object(o);
}

int32_t level(Runtime& rt, const Value& v) { return rt.to_int32(v); }

Value sound_get_volume(Runtime& rt, CallInfo& call) {
  Engine::SoundLevels* l = levels_of(rt, call);
  return l ? Value::number(l->volume) : Value();
}

Value sound_set_volume(Runtime& rt, CallInfo& call) {
  if (Engine::SoundLevels* l = levels_of(rt, call)) l->volume = level(rt, call.arg(0));
  return Value();
}

Value sound_get_pan(Runtime& rt, CallInfo& call) {
  Engine::SoundLevels* l = levels_of(rt, call);
  if (!l) return Value();
  // The pan follows from how far the quieter side is turned down.
  double ll = std::fabs(static_cast<double>(l->ll)), rr = std::fabs(static_cast<double>(l->rr));
  return Value::number(ll != 100 ? 100 - ll : rr - 100);
}

Value sound_set_pan(Runtime& rt, CallInfo& call) {
  Engine::SoundLevels* l = levels_of(rt, call);
  if (!l) return Value();
  double pan = static_cast<double>(level(rt, call.arg(0)));
  l->lr = l->rl = 0;
  if (pan >= 0) {
    l->ll = static_cast<int32_t>(100 - pan);
    l->rr = 100;
  } else {
    l->ll = 100;
    l->rr = static_cast<int32_t>(100 + pan);
  }
  return Value();
}

Value sound_get_transform(Runtime& rt, CallInfo& call) {
  Engine::SoundLevels* l = levels_of(rt, call);
  if (!l) return Value();
  Object* o = rt.make_object();
  rt.set_property(o, "ll", Value::number(l->ll));
  rt.set_property(o, "lr", Value::number(l->lr));
  rt.set_property(o, "rr", Value::number(l->rr));
  rt.set_property(o, "rl", Value::number(l->rl));
  return Value::object(o);
}

Value sound_set_transform(Runtime& rt, CallInfo& call) {
  Engine::SoundLevels* l = levels_of(rt, call);
  Object* t = call.arg(0).as_object();
  if (!l || !t) return Value();
  // Only the channels the object has as its own properties change; an
  // accessor's getter is not asked (it counts as undefined).
  auto take = [&](const char* name, int32_t& slot) {
    Property* p = rt.own_property(t, name);
    if (p) slot = level(rt, p->getter ? Value() : p->value);
  };
  take("ll", l->ll);
  take("lr", l->lr);
  take("rr", l->rr);
  take("rl", l->rl);
  return Value();
}

Value sound_nothing(Runtime&, CallInfo&) { return Value(); }
Value sound_zero(Runtime&, CallInfo&) { return Value::number(0); }

}  // namespace

void install_media_builtins(Engine& engine) {
  Runtime& rt = engine.runtime();
  Object* g = rt.global();

  Object* sound = rt.make_object();
  FunctionObject* sound_class = rt.make_class(sound_ctor, sound);
  sound_class->makes_own_object = true;
  g->define("Sound", Value::object(sound_class), kDontEnum);
  const uint32_t constant = kHidden | kReadOnly;
  const uint32_t newer = constant | kOnlyVersion6;
  rt.add_method(sound, "getPan", sound_get_pan, constant);
  rt.add_method(sound, "getTransform", sound_get_transform, constant);
  rt.add_method(sound, "getVolume", sound_get_volume, constant);
  rt.add_method(sound, "setPan", sound_set_pan, constant);
  rt.add_method(sound, "setTransform", sound_set_transform, constant);
  rt.add_method(sound, "setVolume", sound_set_volume, constant);
  rt.add_method(sound, "stop", sound_nothing, constant);
  rt.add_method(sound, "attachSound", sound_nothing, constant);
  rt.add_method(sound, "start", sound_nothing, constant);
  rt.add_method(sound, "getDuration", sound_zero, newer);
  rt.add_method(sound, "setDuration", sound_nothing, newer);
  rt.add_method(sound, "getPosition", sound_zero, newer);
  rt.add_method(sound, "setPosition", sound_nothing, newer);
  rt.add_method(sound, "loadSound", sound_nothing, newer);
  rt.add_method(sound, "getBytesLoaded", sound_zero, newer);
  rt.add_method(sound, "getBytesTotal", sound_zero, newer);
  for (Property& p : sound->properties().list())
    if (p.name.same("__proto__", true) || p.name.same("constructor", true)) p.flags |= constant;
  sound->proto_changed();
}

}  // namespace avm1
