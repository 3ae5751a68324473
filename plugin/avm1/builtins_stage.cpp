// Stage, Key, Mouse, Color, Button, and flash.geom's
// Transform, which reads and writes a clip's matrix and colour.
#include <cmath>

#include "avm1/engine.h"

namespace avm1 {

namespace {

Engine& engine_of(Runtime& rt) { return *rt.engine(); }

Object* make_broadcaster(Runtime& rt, Object* o) {
  Value broadcaster = rt.get_property(rt.global(), "AsBroadcaster");
  Value init = rt.get_member(broadcaster, "initialize");
  Value arg = Value::object(o);
  rt.call(init, broadcaster, &arg, 1);
  return o;
}

// An object of the player's own making: it names Object as its
// constructor.
Object* static_object(Runtime& rt) {
  Object* o = rt.make_object();
  o->define("constructor", Value::object(rt.known().object_constructor), kHidden);
  return o;
}

// Every member hidden, permanent and read-only, the prototype link included.
void make_constant(Object* o) {
  for (Property& p : o->properties().list()) p.flags |= kHidden | kReadOnly;
  o->proto_changed();
}

// --- Stage

Value stage_width(Runtime& rt, CallInfo&) { return Value::number(engine_of(rt).stage_width()); }
Value stage_height(Runtime& rt, CallInfo&) { return Value::number(engine_of(rt).stage_height()); }

Value stage_scale_mode(Runtime& rt, CallInfo&) {
  switch (engine_of(rt).player().options().scale) {
    case npfp::ScaleMode::no_border:
      return Value("noBorder");
    case npfp::ScaleMode::exact_fit:
      return Value("exactFit");
    case npfp::ScaleMode::no_scale:
      return Value("noScale");
    default:
      return Value("showAll");
  }
}

Value stage_set_scale_mode(Runtime& rt, CallInfo& call) {
  npfp::StageOptions options = engine_of(rt).player().options();
  options.scale = npfp::parse_scale_mode(rt.to_string(call.arg(0)).str());
  engine_of(rt).player().set_options(options);
  engine_of(rt).request_redraw();
  return Value();
}

Value stage_align(Runtime& rt, CallInfo&) {
  if (engine_of(rt).script_align_set) return Value(engine_of(rt).script_align);
  const npfp::StageAlign& a = engine_of(rt).player().options().align;
  std::string s;
  if (a.left) s += "L";
  if (a.top) s += "T";
  if (a.right) s += "R";
  if (a.bottom) s += "B";
  return Value(s);
}

Value stage_set_align(Runtime& rt, CallInfo& call) {
  npfp::StageOptions options = engine_of(rt).player().options();
  std::string text = rt.to_string(call.arg(0)).str();
  options.align = npfp::parse_align(text);
  std::string letters;
  for (char edge : {'l', 't', 'r', 'b'})
    for (char c : text)
      if (c == edge || c == edge - 'a' + 'A') {
        letters += static_cast<char>(edge - 'a' + 'A');
        break;
      }
  engine_of(rt).script_align = letters;
  engine_of(rt).script_align_set = true;
  engine_of(rt).player().set_options(options);
  engine_of(rt).request_redraw();
  return Value();
}

Value stage_show_menu(Runtime& rt, CallInfo&) {
  return Value::boolean(engine_of(rt).player().options().menu);
}

Value stage_set_show_menu(Runtime& rt, CallInfo& call) {
  npfp::StageOptions options = engine_of(rt).player().options();
  options.menu = rt.to_boolean(call.arg(0));
  engine_of(rt).player().set_options(options);
  return Value();
}

Value ignore_set(Runtime&, CallInfo&) { return Value(); }

void add_accessor(Runtime& rt, Object* o, const char* name, NativeFunction getter,
                  NativeFunction setter, uint32_t flags = kHidden) {
  Property* p = o->find_own(name, true);
  if (!p) p = &o->properties().add(name);
  p->getter = rt.make_native(getter);
  p->setter = setter ? rt.make_native(setter) : nullptr;
  p->flags = flags;
}

// --- Key

Value key_is_down(Runtime& rt, CallInfo& call) {
  return Value::boolean(engine_of(rt).key_is_down(static_cast<uint32_t>(rt.to_int32(call.arg(0)))));
}
Value key_get_code(Runtime& rt, CallInfo&) { return Value::number(engine_of(rt).last_key_code()); }
Value key_get_ascii(Runtime& rt, CallInfo&) {
  return Value::number(engine_of(rt).last_key_ascii());
}
Value key_is_toggled(Runtime&, CallInfo&) { return Value::boolean(false); }
// No screen reader follows a screen saver.
Value key_is_accessible(Runtime&, CallInfo&) { return Value::boolean(false); }

// --- Mouse

Value mouse_show(Runtime& rt, CallInfo&) {
  bool was_hidden = engine_of(rt).mouse_hidden;
  engine_of(rt).mouse_hidden = false;
  return Value::number(was_hidden ? 0 : 1);
}

Value mouse_hide(Runtime& rt, CallInfo&) {
  bool was_hidden = engine_of(rt).mouse_hidden;
  engine_of(rt).mouse_hidden = true;
  return Value::number(was_hidden ? 0 : 1);
}

// --- Color: a clip's colour transform.

ClipObject* color_target(Runtime& rt, CallInfo& call) {
  Object* self = call.this_object();
  if (!self) return nullptr;
  Value target = rt.get_property(self, "target");
  Object* o = target.as_object();
  if (o && o->is_clip()) return engine_of(rt).live(o);
  if (target.is_string()) {
    ClipObject* base = static_cast<ClipObject*>(
        rt.current_target() && rt.current_target()->is_clip() ? rt.current_target() : nullptr);
    return engine_of(rt).resolve_path(base, target.string_text());
  }
  return nullptr;
}

Value color_constructor(Runtime&, CallInfo& call) {
  Object* self = call.this_object();
  if (!self) return Value();
  self->define("target", call.arg(0), kHidden | kReadOnly);
  // A Color's own members are all fixed.
  for (Property& p : self->properties().list()) p.flags |= kHidden | kReadOnly;
  self->proto_changed();
  return Value();
}

Value color_set_rgb(Runtime& rt, CallInfo& call) {
  ClipObject* c = color_target(rt, call);
  if (!c || !c->display) return Value();
  uint32_t rgb = static_cast<uint32_t>(rt.to_int32(call.arg(0)));
  render::ColorTransform& cx = c->display->color_transform;
  cx.mult_r = cx.mult_g = cx.mult_b = 0;
  cx.add_r = static_cast<int16_t>((rgb >> 16) & 255);
  cx.add_g = static_cast<int16_t>((rgb >> 8) & 255);
  cx.add_b = static_cast<int16_t>(rgb & 255);
  c->display->script_transform = true;
  engine_of(rt).request_redraw();
  return Value();
}

Value color_get_rgb(Runtime& rt, CallInfo& call) {
  ClipObject* c = color_target(rt, call);
  if (!c || !c->display) return Value();
  const render::ColorTransform& cx = c->display->color_transform;
  return Value::number(((cx.add_r & 255) << 16) | ((cx.add_g & 255) << 8) | (cx.add_b & 255));
}

double percent(int16_t mult) { return mult * 100.0 / 256; }
int16_t from_percent(double p) {
  return static_cast<int16_t>(std::max(-32768.0, std::min(32767.0, p * 256 / 100)));
}

Value color_get_transform(Runtime& rt, CallInfo& call) {
  ClipObject* c = color_target(rt, call);
  if (!c || !c->display) return Value();
  const render::ColorTransform& cx = c->display->color_transform;
  Object* o = rt.make_object();
  rt.set_property(o, "ra", Value::number(percent(cx.mult_r)));
  rt.set_property(o, "rb", Value::number(cx.add_r));
  rt.set_property(o, "ga", Value::number(percent(cx.mult_g)));
  rt.set_property(o, "gb", Value::number(cx.add_g));
  rt.set_property(o, "ba", Value::number(percent(cx.mult_b)));
  rt.set_property(o, "bb", Value::number(cx.add_b));
  rt.set_property(o, "aa", Value::number(percent(cx.mult_a)));
  rt.set_property(o, "ab", Value::number(cx.add_a));
  return Value::object(o);
}

Value color_set_transform(Runtime& rt, CallInfo& call) {
  ClipObject* c = color_target(rt, call);
  Object* t = call.arg(0).as_object();
  if (!c || !c->display || !t) return Value();
  render::ColorTransform& cx = c->display->color_transform;
  auto field = [&](const char* name, int16_t& slot, bool multiplier) {
    Value v;
    if (!rt.find_property(t, name, v)) return;
    double n = rt.to_number(v);
    if (std::isnan(n)) n = 0;
    slot = multiplier ? from_percent(n)
                      : static_cast<int16_t>(std::max(-32768.0, std::min(32767.0, n)));
  };
  field("ra", cx.mult_r, true);
  field("rb", cx.add_r, false);
  field("ga", cx.mult_g, true);
  field("gb", cx.add_g, false);
  field("ba", cx.mult_b, true);
  field("bb", cx.add_b, false);
  field("aa", cx.mult_a, true);
  field("ab", cx.add_a, false);
  c->display->script_transform = true;
  engine_of(rt).request_redraw();
  return Value();
}

// --- flash.geom

render::Matrix read_matrix(Runtime& rt, Object* o) {
  auto f = [&](const char* n) { return rt.to_number(rt.get_property(o, n)); };
  return render::Matrix{f("a"), f("b"), f("c"), f("d"), f("tx"), f("ty")};
}

// A Transform keeps its clip natively, out of the scripts' sight.
class TransformObject : public Object {
 public:
  ObjectClass object_class() const override { return ObjectClass::other; }
  void trace_children(Tracer& t) override { t.mark(clip); }
  Object* clip = nullptr;
};

Value transform_constructor(Runtime& rt, CallInfo& call) {
  auto* o = rt.heap().make<TransformObject>();
  o->set_proto(call.callee ? rt.get_property(call.callee, "prototype").as_object() : nullptr);
  Object* clip = call.arg(0).as_object();
  if (clip && clip->is_clip()) o->clip = clip;
  return Value::object(o);
}

ClipObject* transform_clip(Runtime& rt, CallInfo& call) {
  Object* self = call.this_object();
  if (!self || self->object_class() != ObjectClass::other) return nullptr;
  auto* t = dynamic_cast<TransformObject*>(self);
  return t && t->clip ? engine_of(rt).live(t->clip) : nullptr;
}

Value new_geom(Runtime& rt, const char* name, const Value* args, size_t count) {
  Value ctor = rt.get_member(rt.get_member(rt.get_property(rt.global(), "flash"), "geom"), name);
  return rt.construct(ctor, args, count);
}

Value matrix_value(Runtime& rt, const render::Matrix& m) {
  Value args[6] = {Value::number(m.a), Value::number(m.b),       Value::number(m.c),
                   Value::number(m.d), Value::number(m.tx / 20), Value::number(m.ty / 20)};
  return new_geom(rt, "Matrix", args, 6);
}

Value color_value(Runtime& rt, const double mult[4], const double add[4]) {
  Value args[8];
  for (int i = 0; i < 4; ++i) {
    args[i] = Value::number(mult[i]);
    args[4 + i] = Value::number(add[i]);
  }
  return new_geom(rt, "ColorTransform", args, 8);
}

// The clip's matrix within the stage: its own, then each parent's.
Value transform_concatenated_matrix(Runtime& rt, CallInfo& call) {
  ClipObject* c = transform_clip(rt, call);
  if (!c) return Value();
  render::Matrix m{1, 0, 0, 1, 0, 0};
  int guard = 0;
  for (ClipObject* p = c; p && guard < 1024; p = p->parent, ++guard)
    if (p->display) m = p->display->matrix * m;
  return matrix_value(rt, m);
}

Value transform_concatenated_color(Runtime& rt, CallInfo& call) {
  ClipObject* c = transform_clip(rt, call);
  if (!c) return Value();
  double mult[4] = {1, 1, 1, 1}, add[4] = {0, 0, 0, 0};
  int guard = 0;
  for (ClipObject* p = c; p && guard < 1024; p = p->parent, ++guard) {
    if (!p->display) continue;
    const render::ColorTransform& cx = p->display->color_transform;
    const double pm[4] = {cx.mult_r / 256.0, cx.mult_g / 256.0, cx.mult_b / 256.0,
                          cx.mult_a / 256.0};
    const double pa[4] = {static_cast<double>(cx.add_r), static_cast<double>(cx.add_g),
                          static_cast<double>(cx.add_b), static_cast<double>(cx.add_a)};
    // The parent's transform applies after the child's.
    for (int i = 0; i < 4; ++i) {
      add[i] = add[i] * pm[i] + pa[i];
      mult[i] *= pm[i];
    }
  }
  return color_value(rt, mult, add);
}

Value transform_pixel_bounds(Runtime& rt, CallInfo& call) {
  ClipObject* c = transform_clip(rt, call);
  if (!c) return Value();
  Value bounds = rt.call_method(Value::object(c), "getBounds", {rt.get_property(c, "_root")});
  Object* b = bounds.as_object();
  if (!b) return Value();
  double x0 = rt.to_number(rt.get_property(b, "xMin")),
         y0 = rt.to_number(rt.get_property(b, "yMin"));
  double x1 = rt.to_number(rt.get_property(b, "xMax")),
         y1 = rt.to_number(rt.get_property(b, "yMax"));
  Value args[4] = {Value::number(x0), Value::number(y0), Value::number(x1 - x0),
                   Value::number(y1 - y0)};
  return new_geom(rt, "Rectangle", args, 4);
}

Value transform_get_matrix(Runtime& rt, CallInfo& call) {
  ClipObject* c = transform_clip(rt, call);
  if (!c || !c->display) return Value();
  return matrix_value(rt, c->display->matrix);
}

Value transform_set_matrix(Runtime& rt, CallInfo& call) {
  ClipObject* c = transform_clip(rt, call);
  Object* m = call.arg(0).as_object();
  if (!c || !c->display || !m) return Value();
  render::Matrix r = read_matrix(rt, m);
  // A matrix with a value missing leaves the clip as it is.
  for (double v : {r.a, r.b, r.c, r.d, r.tx, r.ty})
    if (std::isnan(v)) return Value();
  r.tx *= 20;
  r.ty *= 20;
  c->display->matrix = r;
  c->display->script_transform = true;
  c->transform_known = false;
  engine_of(rt).request_redraw();
  return Value();
}

Value transform_get_color(Runtime& rt, CallInfo& call) {
  ClipObject* c = transform_clip(rt, call);
  if (!c || !c->display) return Value();
  const render::ColorTransform& cx = c->display->color_transform;
  Value ctor =
      rt.get_member(rt.get_member(rt.get_property(rt.global(), "flash"), "geom"), "ColorTransform");
  Value args[8] = {Value::number(cx.mult_r / 256.0), Value::number(cx.mult_g / 256.0),
                   Value::number(cx.mult_b / 256.0), Value::number(cx.mult_a / 256.0),
                   Value::number(cx.add_r),          Value::number(cx.add_g),
                   Value::number(cx.add_b),          Value::number(cx.add_a)};
  return rt.construct(ctor, args, 8);
}

Value transform_set_color(Runtime& rt, CallInfo& call) {
  ClipObject* c = transform_clip(rt, call);
  Object* t = call.arg(0).as_object();
  if (!c || !c->display || !t) return Value();
  auto f = [&](const char* n) {
    double v = rt.to_number(rt.get_property(t, n));
    return std::isnan(v) ? 0.0 : v;
  };
  auto clamp = [](double v) {
    return static_cast<int16_t>(std::max(-32768.0, std::min(32767.0, v)));
  };
  render::ColorTransform& cx = c->display->color_transform;
  cx.mult_r = clamp(f("redMultiplier") * 256);
  cx.mult_g = clamp(f("greenMultiplier") * 256);
  cx.mult_b = clamp(f("blueMultiplier") * 256);
  cx.mult_a = clamp(f("alphaMultiplier") * 256);
  cx.add_r = clamp(f("redOffset"));
  cx.add_g = clamp(f("greenOffset"));
  cx.add_b = clamp(f("blueOffset"));
  cx.add_a = clamp(f("alphaOffset"));
  c->display->script_transform = true;
  engine_of(rt).request_redraw();
  return Value();
}

Value nothing(Runtime&, CallInfo&) { return Value(); }

}  // namespace

void install_stage_builtins(Engine& engine) {
  Runtime& rt = engine.runtime();
  Object* g = rt.global();

  Object* stage = make_broadcaster(rt, rt.make_object());
  g->define("Stage", Value::object(stage), kDontEnum);
  add_accessor(rt, stage, "width", stage_width, ignore_set);
  add_accessor(rt, stage, "height", stage_height, ignore_set);
  add_accessor(rt, stage, "scaleMode", stage_scale_mode, stage_set_scale_mode);
  add_accessor(rt, stage, "align", stage_align, stage_set_align);
  add_accessor(rt, stage, "showMenu", stage_show_menu, stage_set_show_menu);

  Object* key = make_broadcaster(rt, static_object(rt));
  g->define("Key", Value::object(key), kDontEnum);
  rt.add_method(key, "isDown", key_is_down);
  rt.add_method(key, "getCode", key_get_code);
  rt.add_method(key, "getAscii", key_get_ascii);
  rt.add_method(key, "isToggled", key_is_toggled);
  rt.add_method(key, "isAccessible", key_is_accessible);
  const std::pair<const char*, int> keys[] = {
      {"BACKSPACE", 8}, {"CAPSLOCK", 20}, {"CONTROL", 17}, {"DELETEKEY", 46}, {"DOWN", 40},
      {"END", 35},      {"ENTER", 13},    {"ESCAPE", 27},  {"HOME", 36},      {"INSERT", 45},
      {"LEFT", 37},     {"PGDN", 34},     {"PGUP", 33},    {"RIGHT", 39},     {"SHIFT", 16},
      {"SPACE", 32},    {"TAB", 9},       {"UP", 38},      {"ALT", 18}};
  for (const auto& k : keys) key->define(k.first, Value::number(k.second), kHidden | kReadOnly);
  make_constant(key);

  Object* mouse = make_broadcaster(rt, static_object(rt));
  g->define("Mouse", Value::object(mouse), kDontEnum);
  rt.add_method(mouse, "show", mouse_show);
  rt.add_method(mouse, "hide", mouse_hide);
  make_constant(mouse);

  Object* color_proto = rt.make_object();
  FunctionObject* color = rt.make_class(color_constructor, color_proto);
  g->define("Color", Value::object(color), kDontEnum);
  rt.add_method(color_proto, "setRGB", color_set_rgb);
  rt.add_method(color_proto, "getRGB", color_get_rgb);
  rt.add_method(color_proto, "setTransform", color_set_transform);
  rt.add_method(color_proto, "getTransform", color_get_transform);
  make_constant(color_proto);

  Object* button_proto = rt.make_object();
  rt.known().button_prototype = button_proto;
  FunctionObject* button = rt.make_class(nothing, button_proto);
  g->define("Button", Value::object(button), kDontEnum);
}

void install_transform_class(Runtime& rt, Object* geom) {
  Object* transform_proto = rt.make_object();
  FunctionObject* transform = rt.make_class(transform_constructor, transform_proto);
  transform->makes_own_object = true;
  geom->define("Transform", Value::object(transform), 0);
  add_accessor(rt, transform_proto, "matrix", transform_get_matrix, transform_set_matrix, 0);
  add_accessor(rt, transform_proto, "concatenatedMatrix", transform_concatenated_matrix, ignore_set,
               0);
  add_accessor(rt, transform_proto, "colorTransform", transform_get_color, transform_set_color, 0);
  add_accessor(rt, transform_proto, "concatenatedColorTransform", transform_concatenated_color,
               ignore_set, 0);
  add_accessor(rt, transform_proto, "pixelBounds", transform_pixel_bounds, ignore_set, 0);
}

}  // namespace avm1
