// Selection: which clip or text field has the keyboard focus, and the
// events a change of focus sends (the objects' own onKillFocus and
// onSetFocus, then the listeners' onSetFocus).
#include "avm1/engine.h"

namespace avm1 {

namespace {

// Where the focused object is kept: a hidden slot of Selection itself.
const char* const kFocusSlot = "__focus__";

Engine& engine_of(Runtime& rt) { return *rt.engine(); }

// The focused object while it is still on the stage.
ClipObject* focused(Runtime& rt, Object* selection) {
  Property* p = selection ? selection->find_own(kFocusSlot, true) : nullptr;
  Object* o = p ? p->value.as_object() : nullptr;
  if (!o || (!o->is_clip() && o->object_class() != ObjectClass::text_field)) return nullptr;
  auto* c = static_cast<ClipObject*>(o);
  (void)rt;
  return c->removed ? nullptr : c;
}

Value selection_get_focus(Runtime& rt, CallInfo& call) {
  ClipObject* c = focused(rt, call.this_object());
  return c ? Value(engine_of(rt).target_path(c)) : Value::null();
}

// Text fields take the focus; clips do when they ask for it or act as
// buttons.
bool can_focus(Runtime& rt, ClipObject* c) {
  if (c->is_text_field()) return true;
  for (const char* name : {"focusEnabled", "onPress", "onRelease"}) {
    Value v = rt.get_property(c, name);
    if (name[0] == 'f' ? rt.to_boolean(v) : rt.is_callable(v)) return true;
  }
  return false;
}

// The object a setFocus argument names: a clip or field, or a path.
bool focus_target(Runtime& rt, const Value& v, ClipObject*& out) {
  out = nullptr;
  if (v.is_nullish()) return true;
  if (v.is_string()) {
    Object* base = rt.current_target();
    out = engine_of(rt).resolve_path(
        base && base->is_clip() ? static_cast<ClipObject*>(base) : nullptr, v.string_text());
  } else if (Object* o = v.as_object()) {
    if (o->is_clip())
      out = engine_of(rt).live(o);
    else if (o->object_class() == ObjectClass::text_field)
      out = static_cast<ClipObject*>(o)->removed ? nullptr : static_cast<ClipObject*>(o);
  }
  return out && can_focus(rt, out);
}

Value as_value(ClipObject* c) { return c ? Value::object(c) : Value::null(); }

// The old holder hears of its loss first (and may move the focus itself);
// then the new one and the listeners learn where it came from.
Value selection_set_focus(Runtime& rt, CallInfo& call) {
  Object* self = call.this_object();
  ClipObject* target = nullptr;
  if (!self || !focus_target(rt, call.arg(0), target)) return Value::boolean(false);
  ClipObject* previous = focused(rt, self);
  if (previous == target) return Value::boolean(true);
  if (previous) rt.call_method(Value::object(previous), "onKillFocus", {as_value(target)});
  self->define(kFocusSlot, as_value(target), kHidden);
  if (target) rt.call_method(Value::object(target), "onSetFocus", {as_value(previous)});
  rt.call_method(Value::object(self), "broadcastMessage",
                 {Value("onSetFocus"), as_value(previous), as_value(target)});
  return Value::boolean(true);
}

Value nothing(Runtime&, CallInfo&) { return Value(); }
Value no_index(Runtime&, CallInfo&) { return Value::number(-1); }

}  // namespace

void install_selection_builtins(Runtime& rt) {
  Object* selection = rt.make_object();
  rt.global()->define("Selection", Value::object(selection), kDontEnum);
  Value broadcaster = rt.get_property(rt.global(), "AsBroadcaster");
  Value arg = Value::object(selection);
  rt.call(rt.get_member(broadcaster, "initialize"), broadcaster, &arg, 1);
  rt.add_method(selection, "getFocus", selection_get_focus);
  rt.add_method(selection, "setFocus", selection_set_focus);
  rt.add_method(selection, "getBeginIndex", no_index);
  rt.add_method(selection, "getEndIndex", no_index);
  rt.add_method(selection, "getCaretIndex", no_index);
  rt.add_method(selection, "setSelection", nothing);
}

}  // namespace avm1
