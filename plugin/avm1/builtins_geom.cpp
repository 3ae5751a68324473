// flash.geom: Point, Rectangle and Matrix keep their values in ordinary
// properties and compute with the script's operators, as the player's own
// script classes do; ColorTransform keeps its eight numbers natively behind
// accessors.
#include <cmath>

#include "avm1/engine.h"

namespace avm1 {

void install_transform_class(Runtime& rt, Object* geom);

namespace {

Value get(Runtime& rt, Object* o, const char* name) { return rt.get_property(o, name); }
void set(Runtime& rt, Object* o, const char* name, const Value& v) { rt.set_property(o, name, v); }
double num(Runtime& rt, Object* o, const char* name) { return rt.to_number(get(rt, o, name)); }
Value n(double v) { return Value::number(v); }

Value geom_class(Runtime& rt, const char* name) {
  Value flash = rt.get_property(rt.global(), "flash");
  return rt.get_member(rt.get_member(flash, "geom"), name);
}

Value new_point(Runtime& rt, const Value& x, const Value& y) {
  Value args[2] = {x, y};
  return rt.construct(geom_class(rt, "Point"), args, 2);
}

// A method of a script class: enumerable, with a prototype of its own.
void method(Runtime& rt, Object* target, const char* name, NativeFunction f) {
  target->define(name, Value::object(rt.make_class(f, nullptr)), 0);
}

void accessor(Runtime& rt, Object* target, const char* name, NativeFunction getter,
              NativeFunction setter, uint32_t flags = 0) {
  Property* p = target->find_own(name, true);
  if (!p) p = &target->properties().add(name);
  p->getter = rt.make_class(getter, nullptr);
  p->setter = setter ? rt.make_class(setter, nullptr) : nullptr;
  p->flags = flags;
}

// "(x=" + x + ", ...)" with the script's + operator, so objects convert
// through valueOf first.
Value joined(Runtime& rt, Object* self,
             const std::vector<std::pair<const char*, const char*>>& parts) {
  Value out("(");
  bool first = true;
  for (const auto& part : parts) {
    out = rt.add(out, Value(std::string(first ? "" : ", ") + part.first + "="));
    out = rt.add(out, get(rt, self, part.second));
    first = false;
  }
  return rt.add(out, Value(")"));
}

// --- Point

Value point_ctor(Runtime& rt, CallInfo& call) {
  Object* self = call.this_object();
  if (!self) return Value();
  set(rt, self, "x", call.count == 0 ? n(0) : call.arg(0));
  set(rt, self, "y", call.count == 0 ? n(0) : call.arg(1));
  return Value();
}

Value point_length(Runtime& rt, CallInfo& call) {
  Object* self = call.this_object();
  if (!self) return Value();
  double x = num(rt, self, "x"), y = num(rt, self, "y");
  return n(std::sqrt(x * x + y * y));
}

Value point_add(Runtime& rt, CallInfo& call) {
  Object* self = call.this_object();
  Object* v = call.arg(0).as_object();
  if (!self) return Value();
  Value vx = v ? get(rt, v, "x") : Value(), vy = v ? get(rt, v, "y") : Value();
  return new_point(rt, rt.add(get(rt, self, "x"), vx), rt.add(get(rt, self, "y"), vy));
}

Value point_subtract(Runtime& rt, CallInfo& call) {
  Object* self = call.this_object();
  Object* v = call.arg(0).as_object();
  if (!self) return Value();
  double vx = v ? num(rt, v, "x") : NAN, vy = v ? num(rt, v, "y") : NAN;
  return new_point(rt, n(num(rt, self, "x") - vx), n(num(rt, self, "y") - vy));
}

Value point_clone(Runtime& rt, CallInfo& call) {
  Object* self = call.this_object();
  if (!self) return Value();
  return new_point(rt, get(rt, self, "x"), get(rt, self, "y"));
}

Value point_equals(Runtime& rt, CallInfo& call) {
  Object* self = call.this_object();
  Object* o = call.arg(0).as_object();
  if (!self || !o || !rt.instance_of(call.arg(0), geom_class(rt, "Point")))
    return Value::boolean(false);
  return Value::boolean(rt.loose_equals(get(rt, o, "x"), get(rt, self, "x")) &&
                        rt.loose_equals(get(rt, o, "y"), get(rt, self, "y")));
}

Value point_normalize(Runtime& rt, CallInfo& call) {
  Object* self = call.this_object();
  if (!self) return Value();
  double x = num(rt, self, "x"), y = num(rt, self, "y");
  double length = std::sqrt(x * x + y * y);
  if (length > 0) {
    double f = rt.to_number(call.arg(0)) / length;
    set(rt, self, "x", n(x * f));
    set(rt, self, "y", n(y * f));
  }
  return Value();
}

Value point_offset(Runtime& rt, CallInfo& call) {
  Object* self = call.this_object();
  if (!self) return Value();
  set(rt, self, "x", rt.add(get(rt, self, "x"), call.arg(0)));
  set(rt, self, "y", rt.add(get(rt, self, "y"), call.arg(1)));
  return Value();
}

Value point_to_string(Runtime& rt, CallInfo& call) {
  Object* self = call.this_object();
  if (!self) return Value();
  return joined(rt, self, {{"x", "x"}, {"y", "y"}});
}

Value point_distance(Runtime& rt, CallInfo& call) {
  Object* a = call.arg(0).as_object();
  Object* b = call.arg(1).as_object();
  if (!a || !b) return Value();
  double dx = num(rt, a, "x") - num(rt, b, "x"), dy = num(rt, a, "y") - num(rt, b, "y");
  return n(std::sqrt(dx * dx + dy * dy));
}

Value point_interpolate(Runtime& rt, CallInfo& call) {
  Object* a = call.arg(0).as_object();
  Object* b = call.arg(1).as_object();
  if (!a || !b) return Value();
  double f = rt.to_number(call.arg(2));
  double bx = num(rt, b, "x"), by = num(rt, b, "y");
  return new_point(rt, n(bx + f * (num(rt, a, "x") - bx)), n(by + f * (num(rt, a, "y") - by)));
}

Value point_polar(Runtime& rt, CallInfo& call) {
  double length = rt.to_number(call.arg(0)), angle = rt.to_number(call.arg(1));
  return new_point(rt, n(length * std::cos(angle)), n(length * std::sin(angle)));
}

// --- Rectangle

void set_rect(Runtime& rt, Object* o, const Value& x, const Value& y, const Value& w,
              const Value& h) {
  set(rt, o, "x", x);
  set(rt, o, "y", y);
  set(rt, o, "width", w);
  set(rt, o, "height", h);
}

Value new_rect(Runtime& rt, double x, double y, double w, double h) {
  Value args[4] = {n(x), n(y), n(w), n(h)};
  return rt.construct(geom_class(rt, "Rectangle"), args, 4);
}

Value rect_ctor(Runtime& rt, CallInfo& call) {
  Object* self = call.this_object();
  if (!self) return Value();
  if (call.count == 0)
    set_rect(rt, self, n(0), n(0), n(0), n(0));
  else
    set_rect(rt, self, call.arg(0), call.arg(1), call.arg(2), call.arg(3));
  return Value();
}

struct Box {
  double x, y, w, h;
};

Box box(Runtime& rt, Object* o) {
  return {num(rt, o, "x"), num(rt, o, "y"), num(rt, o, "width"), num(rt, o, "height")};
}

Value rect_left(Runtime& rt, CallInfo& call) {
  Object* self = call.this_object();
  return self ? get(rt, self, "x") : Value();
}
Value rect_set_left(Runtime& rt, CallInfo& call) {
  Object* self = call.this_object();
  if (!self) return Value();
  // The right edge stays where it is.
  set(rt, self, "width",
      n(num(rt, self, "width") + num(rt, self, "x") - rt.to_number(call.arg(0))));
  set(rt, self, "x", call.arg(0));
  return Value();
}
Value rect_top(Runtime& rt, CallInfo& call) {
  Object* self = call.this_object();
  return self ? get(rt, self, "y") : Value();
}
Value rect_set_top(Runtime& rt, CallInfo& call) {
  Object* self = call.this_object();
  if (!self) return Value();
  set(rt, self, "height",
      n(num(rt, self, "height") + num(rt, self, "y") - rt.to_number(call.arg(0))));
  set(rt, self, "y", call.arg(0));
  return Value();
}
Value rect_right(Runtime& rt, CallInfo& call) {
  Object* self = call.this_object();
  return self ? rt.add(get(rt, self, "x"), get(rt, self, "width")) : Value();
}
Value rect_set_right(Runtime& rt, CallInfo& call) {
  Object* self = call.this_object();
  if (self) set(rt, self, "width", n(rt.to_number(call.arg(0)) - num(rt, self, "x")));
  return Value();
}
Value rect_bottom(Runtime& rt, CallInfo& call) {
  Object* self = call.this_object();
  return self ? rt.add(get(rt, self, "y"), get(rt, self, "height")) : Value();
}
Value rect_set_bottom(Runtime& rt, CallInfo& call) {
  Object* self = call.this_object();
  if (self) set(rt, self, "height", n(rt.to_number(call.arg(0)) - num(rt, self, "y")));
  return Value();
}
Value rect_top_left(Runtime& rt, CallInfo& call) {
  Object* self = call.this_object();
  return self ? new_point(rt, get(rt, self, "x"), get(rt, self, "y")) : Value();
}
Value rect_set_top_left(Runtime& rt, CallInfo& call) {
  Object* self = call.this_object();
  Object* p = call.arg(0).as_object();
  if (!self) return Value();
  Value px = p ? get(rt, p, "x") : Value(), py = p ? get(rt, p, "y") : Value();
  Box b = box(rt, self);
  set(rt, self, "width", n(b.w + b.x - rt.to_number(px)));
  set(rt, self, "height", n(b.h + b.y - rt.to_number(py)));
  set(rt, self, "x", px);
  set(rt, self, "y", py);
  return Value();
}
Value rect_bottom_right(Runtime& rt, CallInfo& call) {
  Object* self = call.this_object();
  if (!self) return Value();
  return new_point(rt, rt.add(get(rt, self, "x"), get(rt, self, "width")),
                   rt.add(get(rt, self, "y"), get(rt, self, "height")));
}
Value rect_set_bottom_right(Runtime& rt, CallInfo& call) {
  Object* self = call.this_object();
  Object* p = call.arg(0).as_object();
  if (!self) return Value();
  double px = p ? num(rt, p, "x") : NAN, py = p ? num(rt, p, "y") : NAN;
  set(rt, self, "width", n(px - num(rt, self, "x")));
  set(rt, self, "height", n(py - num(rt, self, "y")));
  return Value();
}
Value rect_size(Runtime& rt, CallInfo& call) {
  Object* self = call.this_object();
  return self ? new_point(rt, get(rt, self, "width"), get(rt, self, "height")) : Value();
}
Value rect_set_size(Runtime& rt, CallInfo& call) {
  Object* self = call.this_object();
  Object* p = call.arg(0).as_object();
  if (!self) return Value();
  set(rt, self, "width", p ? get(rt, p, "x") : Value());
  set(rt, self, "height", p ? get(rt, p, "y") : Value());
  return Value();
}

Value rect_clone(Runtime& rt, CallInfo& call) {
  Object* self = call.this_object();
  if (!self) return Value();
  Value args[4] = {get(rt, self, "x"), get(rt, self, "y"), get(rt, self, "width"),
                   get(rt, self, "height")};
  return rt.construct(geom_class(rt, "Rectangle"), args, 4);
}

Value rect_contains(Runtime& rt, CallInfo& call) {
  Object* self = call.this_object();
  if (!self) return Value();
  Box b = box(rt, self);
  double x = rt.to_number(call.arg(0)), y = rt.to_number(call.arg(1));
  return Value::boolean(x >= b.x && x < b.x + b.w && y >= b.y && y < b.y + b.h);
}

Value rect_contains_point(Runtime& rt, CallInfo& call) {
  Object* self = call.this_object();
  Object* p = call.arg(0).as_object();
  if (!self || !p) return Value::boolean(false);
  Box b = box(rt, self);
  double x = num(rt, p, "x"), y = num(rt, p, "y");
  return Value::boolean(x >= b.x && x < b.x + b.w && y >= b.y && y < b.y + b.h);
}

Value rect_contains_rectangle(Runtime& rt, CallInfo& call) {
  Object* self = call.this_object();
  Object* r = call.arg(0).as_object();
  if (!self || !r) return Value::boolean(false);
  Box a = box(rt, self), b = box(rt, r);
  return Value::boolean(b.x >= a.x && b.y >= a.y && b.x + b.w <= a.x + a.w &&
                        b.y + b.h <= a.y + a.h);
}

Value rect_equals(Runtime& rt, CallInfo& call) {
  Object* self = call.this_object();
  Object* r = call.arg(0).as_object();
  if (!self || !r || !rt.instance_of(call.arg(0), geom_class(rt, "Rectangle")))
    return Value::boolean(false);
  for (const char* name : {"x", "y", "width", "height"})
    if (!rt.loose_equals(get(rt, r, name), get(rt, self, name))) return Value::boolean(false);
  return Value::boolean(true);
}

Value rect_inflate(Runtime& rt, CallInfo& call) {
  Object* self = call.this_object();
  if (!self) return Value();
  double dx = rt.to_number(call.arg(0)), dy = rt.to_number(call.arg(1));
  Box b = box(rt, self);
  set_rect(rt, self, n(b.x - dx), n(b.y - dy), n(b.w + 2 * dx), n(b.h + 2 * dy));
  return Value();
}

Value rect_inflate_point(Runtime& rt, CallInfo& call) {
  Object* self = call.this_object();
  Object* p = call.arg(0).as_object();
  if (!self) return Value();
  double dx = p ? num(rt, p, "x") : NAN, dy = p ? num(rt, p, "y") : NAN;
  Box b = box(rt, self);
  set_rect(rt, self, n(b.x - dx), n(b.y - dy), n(b.w + 2 * dx), n(b.h + 2 * dy));
  return Value();
}

Value rect_is_empty(Runtime& rt, CallInfo& call) {
  Object* self = call.this_object();
  if (!self) return Value::boolean(true);
  Box b = box(rt, self);
  return Value::boolean(!(b.w > 0) || !(b.h > 0));
}

Value rect_set_empty(Runtime& rt, CallInfo& call) {
  Object* self = call.this_object();
  if (self) set_rect(rt, self, n(0), n(0), n(0), n(0));
  return Value();
}

Value rect_offset(Runtime& rt, CallInfo& call) {
  Object* self = call.this_object();
  if (!self) return Value();
  set(rt, self, "x", rt.add(get(rt, self, "x"), call.arg(0)));
  set(rt, self, "y", rt.add(get(rt, self, "y"), call.arg(1)));
  return Value();
}

Value rect_offset_point(Runtime& rt, CallInfo& call) {
  Object* self = call.this_object();
  Object* p = call.arg(0).as_object();
  if (!self) return Value();
  set(rt, self, "x", rt.add(get(rt, self, "x"), p ? get(rt, p, "x") : Value()));
  set(rt, self, "y", rt.add(get(rt, self, "y"), p ? get(rt, p, "y") : Value()));
  return Value();
}

Value rect_intersection(Runtime& rt, CallInfo& call) {
  Object* self = call.this_object();
  Object* r = call.arg(0).as_object();
  if (!self || !r) return new_rect(rt, 0, 0, 0, 0);
  Box a = box(rt, self), b = box(rt, r);
  double x0 = std::max(a.x, b.x), y0 = std::max(a.y, b.y);
  double x1 = std::min(a.x + a.w, b.x + b.w), y1 = std::min(a.y + a.h, b.y + b.h);
  if (!(x1 > x0) || !(y1 > y0)) return new_rect(rt, 0, 0, 0, 0);
  return new_rect(rt, x0, y0, x1 - x0, y1 - y0);
}

Value rect_intersects(Runtime& rt, CallInfo& call) {
  Object* self = call.this_object();
  Object* r = call.arg(0).as_object();
  if (!self || !r) return Value::boolean(false);
  Box a = box(rt, self), b = box(rt, r);
  double x0 = std::max(a.x, b.x), y0 = std::max(a.y, b.y);
  double x1 = std::min(a.x + a.w, b.x + b.w), y1 = std::min(a.y + a.h, b.y + b.h);
  return Value::boolean(x1 > x0 && y1 > y0);
}

Value rect_union(Runtime& rt, CallInfo& call) {
  Object* self = call.this_object();
  Object* r = call.arg(0).as_object();
  if (!self || !r) return Value();
  Box a = box(rt, self), b = box(rt, r);
  double x0 = std::min(a.x, b.x), y0 = std::min(a.y, b.y);
  double x1 = std::max(a.x + a.w, b.x + b.w), y1 = std::max(a.y + a.h, b.y + b.h);
  return new_rect(rt, x0, y0, x1 - x0, y1 - y0);
}

Value rect_to_string(Runtime& rt, CallInfo& call) {
  Object* self = call.this_object();
  if (!self) return Value();
  return joined(rt, self, {{"x", "x"}, {"y", "y"}, {"w", "width"}, {"h", "height"}});
}

// --- Matrix

const char* const kMatrixNames[] = {"a", "b", "c", "d", "tx", "ty"};

render::Matrix read_matrix(Runtime& rt, Object* o) {
  return render::Matrix{num(rt, o, "a"), num(rt, o, "b"),  num(rt, o, "c"),
                        num(rt, o, "d"), num(rt, o, "tx"), num(rt, o, "ty")};
}

void write_matrix(Runtime& rt, Object* o, const render::Matrix& m) {
  const double values[] = {m.a, m.b, m.c, m.d, m.tx, m.ty};
  for (size_t i = 0; i < 6; ++i) set(rt, o, kMatrixNames[i], n(values[i]));
}

// `first` then `second`.
render::Matrix then(const render::Matrix& first, const render::Matrix& second) {
  return render::Matrix{first.a * second.a + first.b * second.c,
                        first.a * second.b + first.b * second.d,
                        first.c * second.a + first.d * second.c,
                        first.c * second.b + first.d * second.d,
                        first.tx * second.a + first.ty * second.c + second.tx,
                        first.tx * second.b + first.ty * second.d + second.ty};
}

Value matrix_ctor(Runtime& rt, CallInfo& call) {
  Object* self = call.this_object();
  if (!self) return Value();
  if (call.count == 0) {
    write_matrix(rt, self, render::Matrix{1, 0, 0, 1, 0, 0});
    return Value();
  }
  for (size_t i = 0; i < 6; ++i) set(rt, self, kMatrixNames[i], call.arg(i));
  return Value();
}

Value matrix_identity(Runtime& rt, CallInfo& call) {
  if (Object* self = call.this_object()) write_matrix(rt, self, render::Matrix{1, 0, 0, 1, 0, 0});
  return Value();
}

Value matrix_clone(Runtime& rt, CallInfo& call) {
  Object* self = call.this_object();
  if (!self) return Value();
  Value args[6];
  for (size_t i = 0; i < 6; ++i) args[i] = get(rt, self, kMatrixNames[i]);
  return rt.construct(geom_class(rt, "Matrix"), args, 6);
}

Value matrix_concat(Runtime& rt, CallInfo& call) {
  Object* self = call.this_object();
  Object* other = call.arg(0).as_object();
  if (self && other) write_matrix(rt, self, then(read_matrix(rt, self), read_matrix(rt, other)));
  return Value();
}

Value matrix_translate(Runtime& rt, CallInfo& call) {
  Object* self = call.this_object();
  if (!self) return Value();
  set(rt, self, "tx", n(num(rt, self, "tx") + rt.to_number(call.arg(0))));
  set(rt, self, "ty", n(num(rt, self, "ty") + rt.to_number(call.arg(1))));
  return Value();
}

Value matrix_scale(Runtime& rt, CallInfo& call) {
  Object* self = call.this_object();
  if (!self) return Value();
  double sx = rt.to_number(call.arg(0)), sy = rt.to_number(call.arg(1));
  write_matrix(rt, self, then(read_matrix(rt, self), render::Matrix{sx, 0, 0, sy, 0, 0}));
  return Value();
}

Value matrix_rotate(Runtime& rt, CallInfo& call) {
  Object* self = call.this_object();
  if (!self) return Value();
  double r = rt.to_number(call.arg(0));
  render::Matrix rotation{std::cos(r), std::sin(r), -std::sin(r), std::cos(r), 0, 0};
  write_matrix(rt, self, then(read_matrix(rt, self), rotation));
  return Value();
}

Value matrix_invert(Runtime& rt, CallInfo& call) {
  Object* self = call.this_object();
  if (!self) return Value();
  render::Matrix m = read_matrix(rt, self);
  double det = m.a * m.d - m.b * m.c;
  if (det == 0) {
    write_matrix(rt, self, render::Matrix{1, 0, 0, 1, 0, 0});
    return Value();
  }
  render::Matrix r{m.d / det, -m.b / det, -m.c / det, m.a / det, 0, 0};
  r.tx = -(r.a * m.tx + r.c * m.ty);
  r.ty = -(r.b * m.tx + r.d * m.ty);
  write_matrix(rt, self, r);
  return Value();
}

Value matrix_create_box(Runtime& rt, CallInfo& call) {
  Object* self = call.this_object();
  if (!self) return Value();
  double sx = rt.to_number(call.arg(0)), sy = rt.to_number(call.arg(1));
  double r = call.count > 2 ? rt.to_number(call.arg(2)) : 0;
  double tx = call.count > 3 ? rt.to_number(call.arg(3)) : 0;
  double ty = call.count > 4 ? rt.to_number(call.arg(4)) : 0;
  write_matrix(rt, self,
               render::Matrix{sx * std::cos(r), sy * std::sin(r), -sx * std::sin(r),
                              sy * std::cos(r), tx, ty});
  return Value();
}

Value matrix_create_gradient_box(Runtime& rt, CallInfo& call) {
  Object* self = call.this_object();
  if (!self) return Value();
  // A gradient spans 1638.4 units each way from its centre.
  double w = rt.to_number(call.arg(0)), h = rt.to_number(call.arg(1));
  double r = call.count > 2 ? rt.to_number(call.arg(2)) : 0;
  double tx = call.count > 3 ? rt.to_number(call.arg(3)) : 0;
  double ty = call.count > 4 ? rt.to_number(call.arg(4)) : 0;
  double sx = w / 1638.4, sy = h / 1638.4;
  write_matrix(rt, self,
               render::Matrix{sx * std::cos(r), sy * std::sin(r), -sx * std::sin(r),
                              sy * std::cos(r), tx + w / 2, ty + h / 2});
  return Value();
}

Value matrix_transform_point(Runtime& rt, CallInfo& call) {
  Object* self = call.this_object();
  Object* p = call.arg(0).as_object();
  if (!self || !p) return Value();
  render::Matrix m = read_matrix(rt, self);
  double x = num(rt, p, "x"), y = num(rt, p, "y");
  return new_point(rt, n(m.a * x + m.c * y + m.tx), n(m.b * x + m.d * y + m.ty));
}

Value matrix_delta_transform_point(Runtime& rt, CallInfo& call) {
  Object* self = call.this_object();
  Object* p = call.arg(0).as_object();
  if (!self || !p) return Value();
  render::Matrix m = read_matrix(rt, self);
  double x = num(rt, p, "x"), y = num(rt, p, "y");
  return new_point(rt, n(m.a * x + m.c * y), n(m.b * x + m.d * y));
}

Value matrix_to_string(Runtime& rt, CallInfo& call) {
  Object* self = call.this_object();
  if (!self) return Value();
  return joined(rt, self,
                {{"a", "a"}, {"b", "b"}, {"c", "c"}, {"d", "d"}, {"tx", "tx"}, {"ty", "ty"}});
}

// --- ColorTransform

class ColorTransformObject : public Object {
 public:
  ObjectClass object_class() const override { return ObjectClass::other; }
  // Multipliers red, green, blue, alpha, then the offsets.
  double v[8] = {1, 1, 1, 1, 0, 0, 0, 0};
};

ColorTransformObject* color_of(const Value& v) {
  Object* o = v.as_object();
  // Only objects the constructor made hold the numbers.
  return o && o->object_class() == ObjectClass::other ? dynamic_cast<ColorTransformObject*>(o)
                                                      : nullptr;
}

Value ct_ctor(Runtime& rt, CallInfo& call) {
  FunctionObject* ctor = call.callee;
  auto* o = rt.heap().make<ColorTransformObject>();
  Object* proto = ctor ? rt.get_property(ctor, "prototype").as_object() : nullptr;
  o->set_proto(proto);
  for (size_t i = 0; i < 8 && i < call.count; ++i) o->v[i] = rt.to_number(call.arg(i));
  return Value::object(o);
}

template <int I>
Value ct_get(Runtime&, CallInfo& call) {
  ColorTransformObject* c = color_of(call.this_value);
  return c ? n(c->v[I]) : Value();
}

template <int I>
Value ct_set(Runtime& rt, CallInfo& call) {
  if (ColorTransformObject* c = color_of(call.this_value)) c->v[I] = rt.to_number(call.arg(0));
  return Value();
}

Value ct_rgb(Runtime&, CallInfo& call) {
  ColorTransformObject* c = color_of(call.this_value);
  if (!c) return Value();
  auto channel = [](double d) { return static_cast<uint32_t>(to_int32(d)) & 255; };
  return n((channel(c->v[4]) << 16) | (channel(c->v[5]) << 8) | channel(c->v[6]));
}

Value ct_set_rgb(Runtime& rt, CallInfo& call) {
  ColorTransformObject* c = color_of(call.this_value);
  if (!c) return Value();
  uint32_t rgb = static_cast<uint32_t>(rt.to_int32(call.arg(0)));
  c->v[0] = c->v[1] = c->v[2] = 0;
  c->v[4] = (rgb >> 16) & 255;
  c->v[5] = (rgb >> 8) & 255;
  c->v[6] = rgb & 255;
  return Value();
}

Value ct_concat(Runtime&, CallInfo& call) {
  ColorTransformObject* c = color_of(call.this_value);
  ColorTransformObject* second = color_of(call.arg(0));
  if (!c || !second) return Value();
  // The second transform applies first.
  for (int i = 0; i < 4; ++i) {
    c->v[4 + i] += c->v[i] * second->v[4 + i];
    c->v[i] *= second->v[i];
  }
  return Value();
}

Value ct_to_string(Runtime& rt, CallInfo& call) {
  Object* self = call.this_object();
  if (!self) return Value();
  return joined(rt, self,
                {{"redMultiplier", "redMultiplier"},
                 {"greenMultiplier", "greenMultiplier"},
                 {"blueMultiplier", "blueMultiplier"},
                 {"alphaMultiplier", "alphaMultiplier"},
                 {"redOffset", "redOffset"},
                 {"greenOffset", "greenOffset"},
                 {"blueOffset", "blueOffset"},
                 {"alphaOffset", "alphaOffset"}});
}

}  // namespace

void install_geom_builtins(Engine& engine) {
  Runtime& rt = engine.runtime();
  Value flash_value = rt.get_property(rt.global(), "flash");
  Object* flash = flash_value.as_object();
  if (!flash) {
    flash = rt.make_object();
    rt.global()->define("flash", Value::object(flash), kDontEnum | kOnlyVersion6);
  }
  Object* geom = rt.make_object();
  flash->define("geom", Value::object(geom), 0);

  Object* point = rt.make_object();
  FunctionObject* point_class = rt.make_class(point_ctor, point);
  geom->define("Point", Value::object(point_class), 0);
  accessor(rt, point, "length", point_length, nullptr);
  method(rt, point, "add", point_add);
  method(rt, point, "subtract", point_subtract);
  method(rt, point, "equals", point_equals);
  method(rt, point, "normalize", point_normalize);
  method(rt, point, "offset", point_offset);
  method(rt, point, "clone", point_clone);
  method(rt, point, "toString", point_to_string);
  method(rt, point_class, "distance", point_distance);
  method(rt, point_class, "interpolate", point_interpolate);
  method(rt, point_class, "polar", point_polar);

  Object* rect = rt.make_object();
  geom->define("Rectangle", Value::object(rt.make_class(rect_ctor, rect)), 0);
  accessor(rt, rect, "left", rect_left, rect_set_left);
  accessor(rt, rect, "right", rect_right, rect_set_right);
  accessor(rt, rect, "top", rect_top, rect_set_top);
  accessor(rt, rect, "bottom", rect_bottom, rect_set_bottom);
  accessor(rt, rect, "topLeft", rect_top_left, rect_set_top_left);
  accessor(rt, rect, "bottomRight", rect_bottom_right, rect_set_bottom_right);
  accessor(rt, rect, "size", rect_size, rect_set_size);
  method(rt, rect, "clone", rect_clone);
  method(rt, rect, "contains", rect_contains);
  method(rt, rect, "containsPoint", rect_contains_point);
  method(rt, rect, "containsRectangle", rect_contains_rectangle);
  method(rt, rect, "equals", rect_equals);
  method(rt, rect, "inflate", rect_inflate);
  method(rt, rect, "inflatePoint", rect_inflate_point);
  method(rt, rect, "intersection", rect_intersection);
  method(rt, rect, "intersects", rect_intersects);
  method(rt, rect, "isEmpty", rect_is_empty);
  method(rt, rect, "offset", rect_offset);
  method(rt, rect, "offsetPoint", rect_offset_point);
  method(rt, rect, "setEmpty", rect_set_empty);
  method(rt, rect, "toString", rect_to_string);
  method(rt, rect, "union", rect_union);

  Object* matrix = rt.make_object();
  geom->define("Matrix", Value::object(rt.make_class(matrix_ctor, matrix)), 0);
  method(rt, matrix, "clone", matrix_clone);
  method(rt, matrix, "concat", matrix_concat);
  method(rt, matrix, "createBox", matrix_create_box);
  method(rt, matrix, "createGradientBox", matrix_create_gradient_box);
  method(rt, matrix, "deltaTransformPoint", matrix_delta_transform_point);
  method(rt, matrix, "identity", matrix_identity);
  method(rt, matrix, "invert", matrix_invert);
  method(rt, matrix, "rotate", matrix_rotate);
  method(rt, matrix, "scale", matrix_scale);
  method(rt, matrix, "toString", matrix_to_string);
  method(rt, matrix, "transformPoint", matrix_transform_point);
  method(rt, matrix, "translate", matrix_translate);

  Object* ct = rt.make_object();
  FunctionObject* ct_class = rt.make_class(ct_ctor, ct);
  ct_class->makes_own_object = true;
  geom->define("ColorTransform", Value::object(ct_class), 0);
  auto native_accessor = [&](const char* name, NativeFunction g, NativeFunction s) {
    Property& p = ct->properties().add(name);
    p.getter = rt.make_native(g);
    p.setter = rt.make_native(s);
    // Older code sees none of them and keeps what it writes as is.
    p.flags = kOnlyVersion8;
  };
  native_accessor("redMultiplier", ct_get<0>, ct_set<0>);
  native_accessor("greenMultiplier", ct_get<1>, ct_set<1>);
  native_accessor("blueMultiplier", ct_get<2>, ct_set<2>);
  native_accessor("alphaMultiplier", ct_get<3>, ct_set<3>);
  native_accessor("redOffset", ct_get<4>, ct_set<4>);
  native_accessor("greenOffset", ct_get<5>, ct_set<5>);
  native_accessor("blueOffset", ct_get<6>, ct_set<6>);
  native_accessor("alphaOffset", ct_get<7>, ct_set<7>);
  native_accessor("rgb", ct_rgb, ct_set_rgb);
  ct->define("concat", Value::object(rt.make_native(ct_concat)), 0);
  method(rt, ct, "toString", ct_to_string);
  install_transform_class(rt, geom);
}

}  // namespace avm1
