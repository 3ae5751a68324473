// Sound, and the classes for resources a screen saver does not have: they
// exist with their members and answer as the player does when the resource
// is unavailable.
#include <algorithm>
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

// The levels live with the clip itself, so they go with it.
SoundLevels* levels_of(Runtime& rt, CallInfo& call) {
  SoundObject* s = sound_of(call.this_value);
  if (!s || !s->valid) return nullptr;
  if (!s->target) return &engine_of(rt).movie_sound_levels;
  // Targets are clips or text fields; a removed field is gone for good.
  auto* target = static_cast<ClipObject*>(s->target);
  if (target->is_text_field() ? target->removed : !engine_of(rt).live(target)) return nullptr;
  return &target->sound_levels;
}

Value sound_ctor(Runtime& rt, CallInfo& call) {
  auto* o = rt.heap().make<SoundObject>();
  Object* proto = call.callee ? rt.get_property(call.callee, "prototype").as_object() : nullptr;
  o->set_proto(proto);
  const Value& target = call.arg(0);
  if (Object* t = target.as_object()) {
    o->target = t;
    // Text fields keep levels of their own like clips.
    o->valid = t->is_clip() || t->object_class() == ObjectClass::text_field;
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
  SoundLevels* l = levels_of(rt, call);
  return l ? Value::number(l->volume) : Value();
}

Value sound_set_volume(Runtime& rt, CallInfo& call) {
  if (SoundLevels* l = levels_of(rt, call)) l->volume = level(rt, call.arg(0));
  return Value();
}

Value sound_get_pan(Runtime& rt, CallInfo& call) {
  SoundLevels* l = levels_of(rt, call);
  if (!l) return Value();
  // The pan follows from how far the quieter side is turned down.
  double ll = std::fabs(static_cast<double>(l->ll)), rr = std::fabs(static_cast<double>(l->rr));
  return Value::number(ll != 100 ? 100 - ll : rr - 100);
}

Value sound_set_pan(Runtime& rt, CallInfo& call) {
  SoundLevels* l = levels_of(rt, call);
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
  SoundLevels* l = levels_of(rt, call);
  if (!l) return Value();
  Object* o = rt.make_object();
  rt.set_property(o, "ll", Value::number(l->ll));
  rt.set_property(o, "lr", Value::number(l->lr));
  rt.set_property(o, "rr", Value::number(l->rr));
  rt.set_property(o, "rl", Value::number(l->rl));
  return Value::object(o);
}

Value sound_set_transform(Runtime& rt, CallInfo& call) {
  SoundLevels* l = levels_of(rt, call);
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

Value nothing(Runtime&, CallInfo&) { return Value(); }
Value answer_false(Runtime&, CallInfo&) { return Value::boolean(false); }

// An info object {code, level} for onStatus.
Value status_info(Runtime& rt, const char* code, const char* level) {
  Object* info = rt.make_object();
  rt.set_property(info, "code", Value(code));
  rt.set_property(info, "level", Value(level));
  return Value::object(info);
}

// Tells `target.method(args)` once the running script is over.
void tell_later(Runtime& rt, Object* target, const char* method, std::vector<Value> args) {
  engine_of(rt).add_timer(target, Value(method), 0, std::move(args), false);
}

// --- XMLSocket: no sockets; a connection attempt fails.

Value socket_connect(Runtime& rt, CallInfo& call) {
  Object* self = call.this_object();
  if (!self) return Value::boolean(false);
  tell_later(rt, self, "onConnect", {Value::boolean(false)});
  return Value::boolean(true);
}

Value socket_on_data(Runtime& rt, CallInfo& call) {
  Object* self = call.this_object();
  if (!self) return Value();
  Value xml = rt.construct(rt.get_property(rt.global(), "XML"), &call.arg(0), 1);
  return rt.call_method(Value::object(self), "onXML", {xml});
}

// --- LocalConnection: no other movie listens.

Value lc_connect(Runtime& rt, CallInfo& call) {
  return Value::boolean(call.count > 0 && call.arg(0).is_string() &&
                        !rt.to_string(call.arg(0)).empty());
}

Value lc_send(Runtime& rt, CallInfo& call) {
  Object* self = call.this_object();
  if (!self || call.count < 2) return Value::boolean(false);
  tell_later(rt, self, "onStatus", {status_info(rt, "", "error")});
  return Value::boolean(true);
}

Value lc_domain(Runtime&, CallInfo&) { return Value("localhost"); }

// --- NetConnection and NetStream: only local progressive streams, and
// nothing decodes them.

Value nc_connect(Runtime&, CallInfo& call) {
  Object* self = call.this_object();
  if (!self) return Value::boolean(false);
  // Only the null connection (local files and plain URLs) exists here.
  bool local = call.arg(0).is_null();
  self->define("isConnected", Value::boolean(local), 0);
  return Value::boolean(local);
}

// Reports a stream's status to its onStatus, or to System.onStatus for
// errors nobody on the stream hears.
void report_status(Runtime& rt, Object* stream, const Value& info) {
  Value handler = rt.get_property(stream, "onStatus");
  if (rt.is_callable(handler)) {
    rt.call(handler, Value::object(stream), &info, 1);
    return;
  }
  Object* o = info.as_object();
  if (o && rt.to_string(rt.get_property(o, "level")).str() == "error") {
    Value system = rt.get_property(rt.global(), "System");
    Value fallback = rt.get_member(system, "onStatus");
    if (rt.is_callable(fallback)) rt.call(fallback, system, &info, 1);
  }
}

// The answer to a stream's load arrives here: the stream either was not
// found, or it plays through at once, as nothing decodes its frames.
Value ns_loaded(Runtime& rt, CallInfo& call) {
  Object* self = call.this_object();
  Object* stream = self ? rt.get_property(self, "stream").as_object() : nullptr;
  if (!stream) return Value();
  auto tell = [&](const char* code, const char* level) {
    report_status(rt, stream, status_info(rt, code, level));
  };
  if (call.arg(0).is_undefined()) {
    tell("NetStream.Play.StreamNotFound", "error");
    return Value();
  }
  tell("NetStream.Play.Start", "status");
  tell("NetStream.Buffer.Flush", "status");
  tell("NetStream.Play.Stop", "status");
  return Value();
}

Value ns_play(Runtime& rt, CallInfo& call) {
  Object* self = call.this_object();
  if (!self || call.count == 0) return Value();
  Object* receiver = rt.make_object();
  receiver->define("stream", call.this_value, 0);
  rt.add_method(receiver, "onData", ns_loaded);
  if (!engine_of(rt).load_into(receiver, rt.to_string(call.arg(0)).str(), "GET", ""))
    tell_later(rt, receiver, "onData", {Value()});
  return Value();
}

// --- PrintJob: no printer.

Value pj_ctor(Runtime& rt, CallInfo& call) {
  Object* self = call.this_object();
  Object* proto = self ? self->proto() : nullptr;
  if (!proto) return Value();
  // The page properties appear on the prototype when a job is made; they
  // stay undefined while no job has started.
  for (const char* name : {"orientation", "pageHeight", "pageWidth", "paperHeight", "paperWidth"}) {
    if (proto->find_own(name, true)) continue;
    Property& p = proto->properties().add(name);
    p.getter = rt.make_native(nothing);
    p.setter = rt.make_native(nothing);
    p.flags = kHidden;
  }
  return Value();
}

// --- MovieClipLoader: loads through the clip's own loadMovie.

// The clip a loader call names: a clip, or a path from the current target.
Object* loader_target(Runtime& rt, const Value& v) {
  if (Object* o = v.as_object()) return o->is_clip() ? engine_of(rt).live(o) : nullptr;
  if (!v.is_string()) return nullptr;
  ClipObject* base = rt.current_target() && rt.current_target()->is_clip()
                         ? static_cast<ClipObject*>(rt.current_target())
                         : nullptr;
  return engine_of(rt).resolve_path(base, v.string_text());
}

Value mcl_ctor(Runtime& rt, CallInfo& call) {
  Object* self = call.this_object();
  if (!self) return Value();
  // The loader hears its own events first.
  ArrayObject* listeners = rt.make_array({call.this_value});
  listeners->define("constructor", Value::object(rt.known().array_constructor), kHidden);
  self->define("_listeners", Value::object(listeners), kHidden);
  return Value();
}

Value mcl_load_clip(Runtime& rt, CallInfo& call) {
  Object* target = loader_target(rt, call.arg(1));
  if (call.count < 2 || !call.arg(0).is_string() || !target) return Value::boolean(false);
  rt.call_method(Value::object(target), "loadMovie", {call.arg(0)});
  return Value::boolean(true);
}

Value mcl_unload_clip(Runtime& rt, CallInfo& call) {
  Object* target = loader_target(rt, call.arg(0));
  if (!target) return Value::boolean(false);
  rt.call_method(Value::object(target), "unloadMovie", {});
  return Value::boolean(true);
}

Value mcl_get_progress(Runtime& rt, CallInfo& call) {
  // The loader's progress reports arrived with SWF 7.
  Object* target = rt.version() >= 7 ? loader_target(rt, call.arg(0)) : nullptr;
  if (!target) return Value();
  // A bare object: no prototype.
  Object* o = rt.make_object(nullptr);
  o->define("bytesLoaded", rt.call_method(Value::object(target), "getBytesLoaded", {}), 0);
  o->define("bytesTotal", rt.call_method(Value::object(target), "getBytesTotal", {}), 0);
  return Value::object(o);
}

// --- ContextMenu and ContextMenuItem: kept as the movie sets them; the
// saver shows no menu.

const char* const kBuiltInItems[] = {"print", "forward_back", "rewind", "loop",
                                     "play",  "quality",      "zoom",   "save"};

Value menu_ctor(Runtime& rt, CallInfo& call) {
  Object* self = call.this_object();
  if (!self) return Value();
  rt.set_property(self, "onSelect", call.arg(0));
  rt.set_property(self, "customItems", Value::object(rt.make_array()));
  Object* items = rt.make_object();
  for (const char* name : kBuiltInItems) rt.set_property(items, name, Value::boolean(true));
  rt.set_property(self, "builtInItems", Value::object(items));
  return Value();
}

Value menu_hide_built_in(Runtime& rt, CallInfo& call) {
  Object* self = call.this_object();
  Object* items = self ? rt.get_property(self, "builtInItems").as_object() : nullptr;
  if (!items) return Value();
  for (const char* name : kBuiltInItems) rt.set_property(items, name, Value::boolean(false));
  return Value();
}

// A copy with its own list of copied custom items; the built-in items
// object is shared.
Value menu_copy(Runtime& rt, CallInfo& call) {
  Object* self = call.this_object();
  if (!self) return Value();
  Value copy = rt.construct(rt.get_property(rt.global(), "ContextMenu"), nullptr, 0);
  Object* c = copy.as_object();
  if (!c) return Value();
  rt.set_property(c, "onSelect", rt.get_property(self, "onSelect"));
  std::vector<Value> items;
  if (Object* list = rt.get_property(self, "customItems").as_object()) {
    double n = rt.to_number(rt.get_property(list, "length"));
    size_t length = n > 0 ? static_cast<size_t>(std::min(n, 65536.0)) : 0;
    for (size_t i = 0; i < length; ++i) {
      Value item = rt.get_property(list, String(std::to_string(i)));
      Value method = rt.get_member(item, "copy");
      items.push_back(rt.is_callable(method) ? rt.call(method, item, nullptr, 0) : item);
    }
  }
  rt.set_property(c, "customItems", Value::object(rt.make_array(items)));
  rt.set_property(c, "builtInItems", rt.get_property(self, "builtInItems"));
  return copy;
}

const char* const kItemFields[] = {"caption", "onSelect", "separatorBefore", "enabled", "visible"};

Value menu_item_ctor(Runtime& rt, CallInfo& call) {
  Object* self = call.this_object();
  if (!self) return Value();
  rt.set_property(self, "caption", call.arg(0));
  rt.set_property(self, "onSelect", call.arg(1));
  rt.set_property(self, "separatorBefore", call.count > 2 ? call.arg(2) : Value::boolean(false));
  rt.set_property(self, "enabled", call.count > 3 ? call.arg(3) : Value::boolean(true));
  rt.set_property(self, "visible", call.count > 4 ? call.arg(4) : Value::boolean(true));
  return Value();
}

Value menu_item_copy(Runtime& rt, CallInfo& call) {
  Object* self = call.this_object();
  if (!self) return Value();
  Value args[5];
  for (size_t i = 0; i < 5; ++i) args[i] = rt.get_property(self, kItemFields[i]);
  return rt.construct(rt.get_property(rt.global(), "ContextMenuItem"), args, 5);
}

// --- FileReference: the saver opens no file dialogs.

// The file's details are read-only and unknown until a file is chosen.
Value file_detail(Runtime&, CallInfo&) { return Value(); }

Value file_ctor(Runtime& rt, CallInfo& call) {
  Object* self = call.this_object();
  if (!self) return Value();
  ArrayObject* listeners = rt.make_array();
  listeners->define("constructor", Value::object(rt.known().array_constructor), kHidden);
  rt.set_property(self, "_listeners", Value::object(listeners));
  for (const char* name : {"creationDate", "creator", "modificationDate", "name", "size", "type"}) {
    Property& p = self->properties().add(name);
    p.getter = rt.make_native(file_detail);
    p.setter = rt.make_native(nothing);
  }
  rt.set_property(self, "postData", Value(rt.to_string(Value())));
  return Value();
}

// A script-class method: a function with a prototype of its own.
void script_method(Runtime& rt, Object* target, const char* name, NativeFunction f,
                   uint32_t flags) {
  target->define(name, Value::object(rt.make_class(f, nullptr)), flags);
}

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

  Object* socket = rt.make_object();
  g->define("XMLSocket", Value::object(rt.make_class(nothing, socket)), kDontEnum);
  rt.add_method(socket, "connect", socket_connect);
  rt.add_method(socket, "send", nothing);
  rt.add_method(socket, "close", nothing);
  script_method(rt, socket, "onData", socket_on_data, kHidden);

  Object* lc = rt.make_object();
  g->define("LocalConnection", Value::object(rt.make_class(nothing, lc)), kDontEnum);
  rt.add_method(lc, "connect", lc_connect, kHidden | kOnlyVersion6);
  rt.add_method(lc, "send", lc_send, kHidden | kOnlyVersion6);
  rt.add_method(lc, "close", nothing, kHidden | kOnlyVersion6);
  rt.add_method(lc, "domain", lc_domain, kHidden | kOnlyVersion6);

  Object* nc = rt.make_object();
  g->define("NetConnection", Value::object(rt.make_class(nothing, nc)), kDontEnum);
  rt.add_method(nc, "connect", nc_connect);
  rt.add_method(nc, "close", nothing);
  rt.add_method(nc, "call", nothing);
  rt.add_method(nc, "addHeader", nothing);

  Object* ns = rt.make_object();
  g->define("NetStream", Value::object(rt.make_class(nothing, ns)), kDontEnum);
  rt.add_method(ns, "play", ns_play);
  for (const char* m : {"pause", "seek", "close", "setBufferTime", "publish", "attachAudio",
                        "attachVideo", "receiveAudio", "receiveVideo", "send"})
    rt.add_method(ns, m, nothing);

  Object* video = rt.make_object();
  g->define("Video", Value::object(rt.make_class(nothing, video)), kDontEnum);
  rt.add_method(video, "attachVideo", nothing);
  rt.add_method(video, "clear", nothing);

  Object* pj = rt.make_object();
  g->define("PrintJob", Value::object(rt.make_class(pj_ctor, pj)), kDontEnum);
  rt.add_method(pj, "start", answer_false);
  rt.add_method(pj, "addPage", answer_false);
  rt.add_method(pj, "send", nothing);

  // No assistive technology follows a screen saver.
  Object* access = rt.make_object();
  access->define("constructor", Value::object(rt.known().object_constructor), kHidden);
  g->define("Accessibility", Value::object(access), kDontEnum);
  for (Property& p : access->properties().list()) p.flags |= kHidden | kReadOnly;
  access->proto_changed();
  const uint32_t fixed = kDontDelete | kReadOnly | kOnlyVersion6;
  rt.add_method(access, "isActive", answer_false, fixed);
  rt.add_method(access, "sendEvent", nothing, fixed);
  rt.add_method(access, "updateProperties", nothing, fixed);

  Object* mcl = rt.make_object();
  g->define("MovieClipLoader", Value::object(rt.make_class(mcl_ctor, mcl)), kDontEnum);
  {
    Value broadcaster = rt.get_property(g, "AsBroadcaster");
    Value arg = Value::object(mcl);
    rt.call(rt.get_member(broadcaster, "initialize"), broadcaster, &arg, 1);
  }
  rt.add_method(mcl, "loadClip", mcl_load_clip, kHidden | kOnlyVersion6);
  rt.add_method(mcl, "getProgress", mcl_get_progress, kHidden | kOnlyVersion6);
  rt.add_method(mcl, "unloadClip", mcl_unload_clip, kHidden | kOnlyVersion6);

  Object* menu = rt.make_object();
  // The menus' methods arrived with SWF 7.
  g->define("ContextMenu", Value::object(rt.make_class(menu_ctor, menu)), kDontEnum);
  script_method(rt, menu, "copy", menu_copy, kHidden | kOnlyVersion7);
  script_method(rt, menu, "hideBuiltInItems", menu_hide_built_in, kHidden | kOnlyVersion7);
  Object* menu_item = rt.make_object();
  g->define("ContextMenuItem", Value::object(rt.make_class(menu_item_ctor, menu_item)), kDontEnum);
  script_method(rt, menu_item, "copy", menu_item_copy, kHidden);

  if (Object* flash = rt.get_property(g, "flash").as_object()) {
    Object* net = rt.make_object();
    flash->define("net", Value::object(net), 0);
    Object* file = rt.make_object();
    net->define("FileReference", Value::object(rt.make_class(file_ctor, file)), 0);
    Value broadcaster = rt.get_property(g, "AsBroadcaster");
    Value arg = Value::object(file);
    rt.call(rt.get_member(broadcaster, "initialize"), broadcaster, &arg, 1);
    const uint32_t flags = kHidden | kOnlyVersion8;
    rt.add_method(file, "browse", answer_false, flags);
    rt.add_method(file, "cancel", nothing, flags);
    rt.add_method(file, "download", answer_false, flags);
    rt.add_method(file, "upload", answer_false, flags);
    Object* file_list = rt.make_object();
    net->define("FileReferenceList", Value::object(rt.make_class(nothing, file_list)), 0);
    arg = Value::object(file_list);
    rt.call(rt.get_member(broadcaster, "initialize"), broadcaster, &arg, 1);
    rt.add_method(file_list, "browse", answer_false, flags);
  }

  Object* lso = rt.make_object();
  FunctionObject* lso_class = rt.make_class(nothing, lso);
  g->define("RemoteLSOUsage", Value::object(lso_class), kDontEnum);
  script_method(rt, lso_class, "getURLPageSupport", nothing, kDontEnum);
}

}  // namespace avm1
