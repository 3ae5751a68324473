// ASnative(n, m): the player's numbered natives. The table names where each
// native is installed; indexing reads the function there once the classes
// exist, so a script that later replaces a method does not change what
// ASnative hands out.
#include "avm1/runtime.h"

namespace avm1 {

namespace {

struct NativeName {
  uint16_t n, m;
  const char* path;  // dotted, from _global
};

const NativeName kNatives[] = {
    {1, 0, "ASSetPropFlags"},
    {5, 0, "Mouse.show"},
    {5, 1, "Mouse.hide"},
    {100, 0, "escape"},
    {100, 1, "unescape"},
    {100, 2, "parseInt"},
    {100, 3, "parseFloat"},
    {101, 0, "Object.prototype.watch"},
    {101, 1, "Object.prototype.unwatch"},
    {101, 2, "Object.prototype.addProperty"},
    {101, 3, "Object.prototype.valueOf"},
    {101, 4, "Object.prototype.toString"},
    {101, 5, "Object.prototype.hasOwnProperty"},
    {101, 6, "Object.prototype.isPrototypeOf"},
    {101, 7, "Object.prototype.isPropertyEnumerable"},
    {101, 12, "AsBroadcaster.broadcastMessage"},
    {252, 1, "Array.prototype.push"},
    {301, 0, "LoadVars.prototype.load"},
    {301, 1, "LoadVars.prototype.send"},
    {301, 2, "LoadVars.prototype.sendAndLoad"},
    {301, 3, "LoadVars.prototype.decode"},
    {200, 0, "Math.abs"},
    {200, 1, "Math.min"},
    {200, 2, "Math.max"},
    {200, 3, "Math.sin"},
    {200, 4, "Math.cos"},
    {200, 5, "Math.atan2"},
    {200, 6, "Math.tan"},
    {200, 7, "Math.exp"},
    {200, 8, "Math.log"},
    {200, 9, "Math.sqrt"},
    {200, 10, "Math.round"},
    {200, 11, "Math.random"},
    {200, 12, "Math.floor"},
    {200, 13, "Math.ceil"},
    {200, 14, "Math.atan"},
    {200, 15, "Math.asin"},
    {200, 16, "Math.acos"},
    {200, 17, "Math.pow"},
    {200, 18, "isNaN"},
    {200, 19, "isFinite"},
    {250, 0, "setInterval"},
    {250, 1, "clearInterval"},
    {500, 0, "Sound.prototype.getPan"},
    {500, 1, "Sound.prototype.getTransform"},
    {500, 2, "Sound.prototype.getVolume"},
    {500, 3, "Sound.prototype.setPan"},
    {500, 4, "Sound.prototype.setTransform"},
    {500, 5, "Sound.prototype.setVolume"},
    {500, 6, "Sound.prototype.stop"},
    {500, 7, "Sound.prototype.attachSound"},
    {500, 8, "Sound.prototype.start"},
    {500, 9, "Sound.prototype.getDuration"},
    {500, 10, "Sound.prototype.setDuration"},
    {500, 11, "Sound.prototype.getPosition"},
    {500, 12, "Sound.prototype.setPosition"},
    {500, 13, "Sound.prototype.loadSound"},
    {500, 14, "Sound.prototype.getBytesLoaded"},
    {500, 15, "Sound.prototype.getBytesTotal"},
    {700, 0, "Color.prototype.setRGB"},
    {700, 1, "Color.prototype.setTransform"},
    {700, 2, "Color.prototype.getRGB"},
    {700, 3, "Color.prototype.getTransform"},
    {800, 0, "Key.getAscii"},
    {800, 1, "Key.getCode"},
    {800, 2, "Key.isDown"},
    {800, 3, "Key.isToggled"},
};

Object* resolve(Runtime& rt, const char* path) {
  Object* o = rt.global();
  std::string p(path);
  size_t from = 0;
  while (o) {
    size_t dot = p.find('.', from);
    std::string part = p.substr(from, dot == std::string::npos ? std::string::npos : dot - from);
    Property* prop = o->find_own(String(part), true);
    o = prop && !prop->getter ? prop->value.as_object() : nullptr;
    if (dot == std::string::npos) break;
    from = dot + 1;
  }
  return o;
}

Value as_native(Runtime& rt, CallInfo& call) {
  if (call.count < 2) return Value();
  double n = rt.to_number(call.arg(0)), m = rt.to_number(call.arg(1));
  if (!(n >= 0 && n < 65536 && m >= 0 && m < 65536)) return Value();
  uint32_t key = static_cast<uint32_t>(n) << 16 | static_cast<uint32_t>(m);
  for (const Runtime::NativeEntry& e : rt.native_table) {
    if (e.key != key) continue;
    FunctionObject* f = rt.make_native(e.function);
    f->data = e.data;
    f->makes_own_object = e.makes_own_object;
    return Value::object(f);
  }
  return Value();
}

// trace as a function: the same output as the action.
Value global_trace(Runtime& rt, CallInfo& call) {
  if (rt.trace_output) rt.trace_output(rt.trace_text(call.arg(0)));
  return Value();
}

// Redraw regions are a debugging aid the saver does not draw.
Value show_redraw_regions(Runtime&, CallInfo&) { return Value(); }

// The player's setup scripts report their failures through this class.
Value as_setup_error(Runtime& rt, CallInfo& call) {
  Object* self = call.this_object();
  if (self && call.count > 0) rt.set_property(self, "message", call.arg(0));
  return Value();
}

}  // namespace

void index_native_table(Runtime& rt) {
  for (const NativeName& name : kNatives) {
    Object* o = resolve(rt, name.path);
    if (!o || !o->is_function()) continue;
    auto* f = static_cast<FunctionObject*>(o);
    if (!f->is_native()) continue;
    uint32_t key = static_cast<uint32_t>(name.n) << 16 | name.m;
    Runtime::NativeEntry* slot = nullptr;
    for (Runtime::NativeEntry& e : rt.native_table)
      if (e.key == key) slot = &e;
    if (!slot) {
      rt.native_table.emplace_back();
      slot = &rt.native_table.back();
    }
    slot->key = key;
    slot->function = f->native();
    slot->data = f->data;
    slot->makes_own_object = f->makes_own_object;
  }
}

void install_native_table_builtins(Runtime& rt) {
  rt.add_method(rt.global(), "ASnative", as_native, kDontEnum);
  rt.add_method(rt.global(), "trace", global_trace, kDontEnum);
  rt.add_method(rt.global(), "showRedrawRegions", show_redraw_regions, kDontEnum);
  // The debugger's hook: a bare function, without even a prototype link;
  // there is no debugger to enable.
  auto* debug_console = rt.heap().make<FunctionObject>();
  debug_console->set_native_function(show_redraw_regions);
  rt.global()->define("enableDebugConsole", Value::object(debug_console), kDontEnum);
  rt.global()->define("AsSetupError", Value::object(rt.make_class(as_setup_error, nullptr)),
                      kDontEnum);
}

}  // namespace avm1
