// MovieClip: timeline control, creating and removing clips, depths, bounds
// and hit tests, dragging, URLs, and the drawing methods.
#include <cmath>

#include "avm1/engine.h"

namespace avm1 {

namespace {

Engine& engine_of(Runtime& rt) { return *rt.engine(); }

ClipObject* self_clip(Runtime& rt, CallInfo& call) {
  Object* o = call.this_object();
  if (!o || !o->is_clip()) return nullptr;
  return engine_of(rt).live(o);
}

#define CLIP_OR_RETURN(value)             \
  ClipObject* clip = self_clip(rt, call); \
  if (!clip) return value

Value mc_play(Runtime& rt, CallInfo& call) {
  CLIP_OR_RETURN(Value());
  engine_of(rt).play(clip);
  return Value();
}

Value mc_stop(Runtime& rt, CallInfo& call) {
  CLIP_OR_RETURN(Value());
  engine_of(rt).stop(clip);
  return Value();
}

Value mc_goto_and_play(Runtime& rt, CallInfo& call) {
  CLIP_OR_RETURN(Value());
  engine_of(rt).goto_value(clip, call.arg(0), true);
  return Value();
}

Value mc_goto_and_stop(Runtime& rt, CallInfo& call) {
  CLIP_OR_RETURN(Value());
  engine_of(rt).goto_value(clip, call.arg(0), false);
  return Value();
}

Value mc_next_frame(Runtime& rt, CallInfo& call) {
  CLIP_OR_RETURN(Value());
  engine_of(rt).next_frame(clip);
  return Value();
}

Value mc_prev_frame(Runtime& rt, CallInfo& call) {
  CLIP_OR_RETURN(Value());
  engine_of(rt).previous_frame(clip);
  return Value();
}

int depth_arg(Runtime& rt, const Value& v) {
  double d = rt.to_number(v);
  if (std::isnan(d)) return 0;
  // Scripts may create clips below the timeline's depths too.
  return static_cast<int>(std::max(-2147483648.0 + 16384, std::min(2130690045.0, d)));
}

Value mc_attach_movie(Runtime& rt, CallInfo& call) {
  CLIP_OR_RETURN(Value());
  if (call.count < 3) return Value();
  const npfp::Character* definition = engine_of(rt).exported(rt.to_string(call.arg(0)));
  if (!definition || definition->kind != npfp::CharacterKind::sprite) return Value();
  ClipObject* c = engine_of(rt).attach(clip, definition, rt.to_string(call.arg(1)),
                                       depth_arg(rt, call.arg(2)), call.arg(3).as_object());
  return c ? Value::object(c) : Value();
}

Value mc_create_empty(Runtime& rt, CallInfo& call) {
  CLIP_OR_RETURN(Value());
  if (call.count < 2) return Value();
  ClipObject* c =
      engine_of(rt).attach(clip, npfp::TimelineInstance::empty_sprite(), rt.to_string(call.arg(0)),
                           depth_arg(rt, call.arg(1)), nullptr);
  return c ? Value::object(c) : Value();
}

Value mc_duplicate(Runtime& rt, CallInfo& call) {
  CLIP_OR_RETURN(Value());
  if (call.count < 2) return Value();
  ClipObject* c = engine_of(rt).duplicate(clip, rt.to_string(call.arg(0)),
                                          depth_arg(rt, call.arg(1)), call.arg(2).as_object());
  return c ? Value::object(c) : Value();
}

Value mc_remove(Runtime& rt, CallInfo& call) {
  CLIP_OR_RETURN(Value());
  int depth = clip->depth();
  if (depth >= 0 && depth < 1048576) engine_of(rt).remove_clip(clip);
  return Value();
}

Value mc_swap_depths(Runtime& rt, CallInfo& call) {
  CLIP_OR_RETURN(Value());
  if (call.count == 0) return Value();
  engine_of(rt).swap_depths(clip, call.arg(0));
  return Value();
}

Value mc_get_depth(Runtime& rt, CallInfo& call) {
  CLIP_OR_RETURN(Value());
  return Value::number(clip->depth());
}

Value mc_next_highest_depth(Runtime& rt, CallInfo& call) {
  CLIP_OR_RETURN(Value());
  return Value::number(engine_of(rt).next_highest_depth(clip));
}

Value mc_instance_at_depth(Runtime& rt, CallInfo& call) {
  CLIP_OR_RETURN(Value());
  if (call.count == 0 || call.arg(0).is_undefined()) return Value();
  // Non-finite depths read as 0; fractions are cut towards zero.
  double d = rt.to_number(call.arg(0));
  if (!std::isfinite(d)) d = 0;
  d = std::trunc(std::max(-2147483648.0, std::min(2147483647.0, d)));
  ClipObject* c = engine_of(rt).instance_at_depth(clip, static_cast<int>(d));
  return c ? Value::object(c) : Value();
}

Value mc_get_bounds(Runtime& rt, CallInfo& call) {
  CLIP_OR_RETURN(Value());
  Engine& e = engine_of(rt);
  render::Rect r;
  Object* result = rt.make_object();
  if (!e.content_bounds(clip, r)) {
    // An empty clip answers the largest box the player knows, inverted.
    rt.set_property(result, "xMax", Value::number(-6710886.4));
    rt.set_property(result, "yMax", Value::number(-6710886.4));
    rt.set_property(result, "xMin", Value::number(6710886.35));
    rt.set_property(result, "yMin", Value::number(6710886.35));
    return Value::object(result);
  }
  render::Matrix m = e.to_root(clip);
  if (call.count > 0) {
    ClipObject* target = e.resolve_target(clip, call.arg(0));
    if (target) m = e.to_root(target).inverse(nullptr) * m;
  } else {
    m = render::Matrix();
  }
  render::Box b = render::transform_box(m, r);
  rt.set_property(result, "xMin", Value::number(b.x_min / 20));
  rt.set_property(result, "xMax", Value::number(b.x_max / 20));
  rt.set_property(result, "yMin", Value::number(b.y_min / 20));
  rt.set_property(result, "yMax", Value::number(b.y_max / 20));
  return Value::object(result);
}

Value mc_hit_test(Runtime& rt, CallInfo& call) {
  CLIP_OR_RETURN(Value::boolean(false));
  Engine& e = engine_of(rt);
  if (call.count >= 2) {
    double x = rt.to_number(call.arg(0)) * 20, y = rt.to_number(call.arg(1)) * 20;
    return Value::boolean(
        e.hit_test_point(clip, x, y, call.count > 2 && rt.to_boolean(call.arg(2))));
  }
  if (call.count == 1) {
    ClipObject* other = e.resolve_target(clip, call.arg(0));
    if (!other) return Value::boolean(false);
    render::Rect a, b;
    if (!e.content_bounds(clip, a) || !e.content_bounds(other, b)) return Value::boolean(false);
    render::Box ba = render::transform_box(e.to_root(clip), a);
    render::Box bb = render::transform_box(e.to_root(other), b);
    return Value::boolean(ba.x_min <= bb.x_max && bb.x_min <= ba.x_max && ba.y_min <= bb.y_max &&
                          bb.y_min <= ba.y_max);
  }
  return Value::boolean(false);
}

Value convert_point(Runtime& rt, CallInfo& call, bool to_global) {
  CLIP_OR_RETURN(Value());
  Object* p = call.arg(0).as_object();
  if (!p) return Value();
  Engine& e = engine_of(rt);
  double x = rt.to_number(rt.get_property(p, "x")) * 20;
  double y = rt.to_number(rt.get_property(p, "y")) * 20;
  render::Matrix m = e.to_root(clip);
  if (!to_global) m = m.inverse(nullptr);
  render::Point q = m.apply({x, y});
  rt.set_property(p, "x", Value::number(q.x / 20));
  rt.set_property(p, "y", Value::number(q.y / 20));
  return Value();
}

Value mc_local_to_global(Runtime& rt, CallInfo& call) { return convert_point(rt, call, true); }
Value mc_global_to_local(Runtime& rt, CallInfo& call) { return convert_point(rt, call, false); }

Value mc_start_drag(Runtime& rt, CallInfo& call) {
  CLIP_OR_RETURN(Value());
  bool lock = rt.to_boolean(call.arg(0));
  bool constrained = call.count >= 5;
  engine_of(rt).start_drag(clip, lock, constrained, rt.to_number(call.arg(1)),
                           rt.to_number(call.arg(2)), rt.to_number(call.arg(3)),
                           rt.to_number(call.arg(4)));
  return Value();
}

Value mc_stop_drag(Runtime& rt, CallInfo&) {
  engine_of(rt).stop_drag();
  return Value();
}

int method_arg(Runtime& rt, const Value& v) {
  std::string m = fold_case(rt.to_string(v).str());
  return m == "get" ? 1 : m == "post" ? 2 : 0;
}

Value mc_get_url(Runtime& rt, CallInfo& call) {
  CLIP_OR_RETURN(Value());
  engine_of(rt).get_url(clip, rt.to_string(call.arg(0)).str(),
                        call.count > 1 ? rt.to_string(call.arg(1)).str() : std::string(),
                        method_arg(rt, call.arg(2)), false, false);
  return Value();
}

Value mc_load_variables(Runtime& rt, CallInfo& call) {
  CLIP_OR_RETURN(Value());
  engine_of(rt).get_url(clip, rt.to_string(call.arg(0)).str(), "", method_arg(rt, call.arg(1)),
                        true, true);
  return Value();
}

Value mc_load_movie(Runtime& rt, CallInfo& call) {
  CLIP_OR_RETURN(Value());
  engine_of(rt).get_url(clip, rt.to_string(call.arg(0)).str(),
                        engine_of(rt).target_path(clip).str(), method_arg(rt, call.arg(1)), false,
                        true);
  return Value();
}

Value mc_unload_movie(Runtime& rt, CallInfo& call) {
  CLIP_OR_RETURN(Value());
  if (clip->timeline) {
    std::vector<npfp::Depth> depths;
    for (const auto& entry : clip->timeline->display_list()) depths.push_back(entry.first);
    for (npfp::Depth d : depths) clip->timeline->remove_object(d);
    clip->timeline->clear_drawing();
    engine_of(rt).request_redraw();
  }
  return Value();
}

Value mc_get_swf_version(Runtime& rt, CallInfo& call) {
  CLIP_OR_RETURN(Value::number(-1));
  return Value::number(clip->swf_version);
}

Value mc_get_bytes_loaded(Runtime& rt, CallInfo& call) {
  CLIP_OR_RETURN(Value());
  const npfp::Movie& m = engine_of(rt).player().movie();
  if (clip->parent == nullptr) {
    double total = m.header.file_length;
    return Value::number(m.root.complete ? total : 0);
  }
  return Value::number(0);
}

Value mc_get_bytes_total(Runtime& rt, CallInfo& call) {
  CLIP_OR_RETURN(Value());
  const npfp::Movie& m = engine_of(rt).player().movie();
  return Value::number(clip->parent == nullptr ? m.header.file_length : 0);
}

Value mc_nothing(Runtime&, CallInfo&) { return Value(); }

// setMask(clip) masks this clip by another; null (or anything that is no
// clip) takes the mask away.
Value mc_set_mask(Runtime& rt, CallInfo& call) {
  CLIP_OR_RETURN(Value());
  npfp::DisplayObject* self = clip->object();
  if (!self) return Value();
  Engine& e = engine_of(rt);
  ClipObject* mask = nullptr;
  if (Object* o = call.arg(0).as_object()) mask = o->is_clip() ? e.live(o) : nullptr;
  if (mask && mask->object())
    npfp::ScriptMaskLink::pair(*self, *mask->object());
  else
    self->script_mask.clear_mask();
  e.request_redraw();
  return Value();
}

// --- Drawing

DrawingState& pen(ClipObject* clip) {
  if (!clip->drawing) clip->drawing = std::make_unique<DrawingState>();
  return *clip->drawing;
}

render::Rgba color_from(Runtime& rt, const Value& rgb, const Value& alpha) {
  uint32_t c = static_cast<uint32_t>(rt.to_int32(rgb));
  double a = alpha.is_undefined() ? 100 : rt.to_number(alpha);
  if (std::isnan(a)) a = 100;
  a = std::max(0.0, std::min(100.0, a));
  return render::Rgba{static_cast<uint8_t>((c >> 16) & 255), static_cast<uint8_t>((c >> 8) & 255),
                      static_cast<uint8_t>(c & 255),
                      static_cast<uint8_t>(std::lround(a * 255 / 100))};
}

// Fills follow the outline's direction: a counter-clockwise path has its
// fill on the other side of its edges.
void swap_fill_sides(render::StyleGroup& g, size_t first) {
  for (size_t i = first; i < g.edges.size(); ++i) std::swap(g.edges[i].fill0, g.edges[i].fill1);
}

double cross(double ax, double ay, double bx, double by) { return ax * by - bx * ay; }

void put_fill(const DrawingState& d, render::ShapeEdge& e) {
  e.fill0 = d.flipped ? d.fill : 0;
  e.fill1 = d.flipped ? 0 : d.fill;
}

void push_closing_edge(const DrawingState& d, render::StyleGroup& g) {
  render::ShapeEdge e;
  e.from = {d.pen_x, d.pen_y};
  e.to = {d.start_x, d.start_y};
  e.control = {(e.from.x + e.to.x) / 2, (e.from.y + e.to.y) / 2};
  put_fill(d, e);
  g.edges.push_back(e);
}

// Longer fill paths are closed and oriented only when they end, so that a
// path whose direction keeps changing costs no more than its length.
constexpr size_t kMaxLiveClosedEdges = 4096;

// Puts the provisional closing edge after the last edge of the fill path
// being drawn and turns the fills to the side the whole path asks for.
void keep_closed(DrawingState& d, render::StyleGroup& g) {
  if (g.edges.size() - d.path_first_edge > kMaxLiveClosedEdges) return;
  if (d.pen_x != d.start_x || d.pen_y != d.start_y) {
    push_closing_edge(d, g);
    d.closing = true;
  }
  bool flip = d.area + cross(d.pen_x, d.pen_y, d.start_x, d.start_y) < 0;
  if (flip != d.flipped) {
    swap_fill_sides(g, d.path_first_edge);
    d.flipped = flip;
  }
}

void start_path(DrawingState& d, size_t first_edge) {
  d.path_first_edge = first_edge;
  d.closing = false;
  d.flipped = false;
  d.area = 0;
}

render::StyleGroup* current_group(ClipObject* clip) {
  DrawingState& d = pen(clip);
  if (!d.has_group || !clip->timeline) return nullptr;
  render::ShapeGeometry& g = clip->timeline->drawing_for_update();
  return d.group < g.groups.size() ? &g.groups[d.group] : nullptr;
}

void close_path(ClipObject* clip) {
  DrawingState& d = pen(clip);
  if (!d.filling) return;
  render::StyleGroup* g = current_group(clip);
  if (!g) return;
  if (!d.closing && (d.pen_x != d.start_x || d.pen_y != d.start_y)) push_closing_edge(d, *g);
  // The final side, also for paths too long to have been kept oriented.
  double area = 0;
  for (size_t i = d.path_first_edge; i < g->edges.size(); ++i) {
    const render::ShapeEdge& e = g->edges[i];
    area += cross(e.from.x, e.from.y, e.to.x, e.to.y);
  }
  if ((area < 0) != d.flipped) swap_fill_sides(*g, d.path_first_edge);
  d.pen_x = d.start_x;
  d.pen_y = d.start_y;
  start_path(d, g->edges.size());
}

void new_group(ClipObject* clip) {
  DrawingState& d = pen(clip);
  render::ShapeGeometry& g = clip->timeline->drawing_for_update();
  g.groups.emplace_back();
  d.group = g.groups.size() - 1;
  d.has_group = true;
  render::StyleGroup& group = g.groups.back();
  d.line = 0;
  if (d.has_line) {
    group.lines.push_back(d.line_style);
    d.line = 1;
  }
  start_path(d, 0);
  d.start_x = d.pen_x;
  d.start_y = d.pen_y;
}

void begin_fill(ClipObject* clip, const render::FillStyle& fill) {
  DrawingState& d = pen(clip);
  close_path(clip);
  new_group(clip);
  render::StyleGroup* g = current_group(clip);
  g->fills.push_back(fill);
  d.fill = 1;
  d.filling = true;
}

Value mc_begin_fill(Runtime& rt, CallInfo& call) {
  CLIP_OR_RETURN(Value());
  if (!clip->timeline) return Value();
  if (call.count == 0 || call.arg(0).is_undefined()) {
    close_path(clip);
    pen(clip).filling = false;
    return Value();
  }
  render::FillStyle fill;
  fill.type = render::FillStyle::solid;
  fill.color = color_from(rt, call.arg(0), call.arg(1));
  begin_fill(clip, fill);
  engine_of(rt).request_redraw();
  return Value();
}

std::vector<Value> list_of(Runtime& rt, const Value& v) {
  std::vector<Value> out;
  Object* o = v.as_object();
  if (!o) return out;
  double n = rt.to_number(rt.get_property(o, "length"));
  for (size_t i = 0; i < static_cast<size_t>(n > 0 ? std::min(n, 256.0) : 0); ++i)
    out.push_back(rt.get_property(o, String(std::to_string(i))));
  return out;
}

Value mc_begin_gradient_fill(Runtime& rt, CallInfo& call) {
  CLIP_OR_RETURN(Value());
  if (!clip->timeline || call.count < 5) return Value();
  std::string type = rt.to_string(call.arg(0)).str();
  std::vector<Value> colors = list_of(rt, call.arg(1));
  std::vector<Value> alphas = list_of(rt, call.arg(2));
  std::vector<Value> ratios = list_of(rt, call.arg(3));
  Object* m = call.arg(4).as_object();
  if (!m || colors.empty() || colors.size() != alphas.size() || colors.size() != ratios.size())
    return Value();
  render::FillStyle fill;
  fill.type =
      type == "radial" ? render::FillStyle::radial_gradient : render::FillStyle::linear_gradient;
  for (size_t i = 0; i < colors.size() && i < 15; ++i) {
    render::GradientStop s;
    double r = rt.to_number(ratios[i]);
    s.ratio = static_cast<uint8_t>(std::max(0.0, std::min(255.0, std::isnan(r) ? 0 : r)));
    s.color = color_from(rt, colors[i], alphas[i]);
    fill.gradient.stops.push_back(s);
  }
  auto get = [&](const char* n) { return rt.to_number(rt.get_property(m, n)); };
  std::string matrix_type = rt.to_string(rt.get_property(m, "matrixType")).str();
  render::Matrix g;
  if (matrix_type == "box") {
    double w = get("w"), h = get("h"), r = get("r");
    if (std::isnan(r)) r = 0;
    g.a = w / 1638.4 * std::cos(r);
    g.b = w / 1638.4 * std::sin(r);
    g.c = -h / 1638.4 * std::sin(r);
    g.d = h / 1638.4 * std::cos(r);
    g.tx = (get("x") + w / 2) * 20;
    g.ty = (get("y") + h / 2) * 20;
  } else {
    // A 3x3 matrix a..i mapping the gradient box (units of 1/20 pixel)
    // to pixels: its linear part carries over, the translation is in pixels.
    g.a = get("a");
    g.b = get("b");
    g.c = get("d");
    g.d = get("e");
    g.tx = get("g") * 20;
    g.ty = get("h") * 20;
  }
  fill.matrix = g;
  begin_fill(clip, fill);
  engine_of(rt).request_redraw();
  return Value();
}

Value mc_line_style(Runtime& rt, CallInfo& call) {
  CLIP_OR_RETURN(Value());
  if (!clip->timeline) return Value();
  DrawingState& d = pen(clip);
  if (call.count == 0 || call.arg(0).is_undefined()) {
    d.has_line = false;
    d.line = 0;
    return Value();
  }
  double width = rt.to_number(call.arg(0));
  if (std::isnan(width) || width < 0) width = 0;
  d.line_style = render::LineStyle();
  d.line_style.width = static_cast<uint16_t>(std::min(255.0, width) * 20);
  d.line_style.color = color_from(rt, call.arg(1), call.arg(2));
  d.has_line = true;
  if (d.filling) {
    render::StyleGroup* g = current_group(clip);
    if (g) {
      g->lines.push_back(d.line_style);
      d.line = static_cast<uint16_t>(g->lines.size());
    }
  } else {
    new_group(clip);
  }
  return Value();
}

void add_edge(ClipObject* clip, double cx, double cy, double x, double y, bool curved) {
  DrawingState& d = pen(clip);
  if (!d.has_group) new_group(clip);
  render::StyleGroup* g = current_group(clip);
  if (!g) return;
  if (d.closing) {
    g->edges.pop_back();
    d.closing = false;
  }
  render::ShapeEdge e;
  e.from = {d.pen_x, d.pen_y};
  e.to = {x, y};
  e.curved = curved;
  e.control = curved ? render::Point{cx, cy} : render::Point{(d.pen_x + x) / 2, (d.pen_y + y) / 2};
  if (d.filling) put_fill(d, e);
  e.line = d.line;
  g->edges.push_back(e);
  d.area += cross(d.pen_x, d.pen_y, x, y);
  d.pen_x = x;
  d.pen_y = y;
  if (d.filling) keep_closed(d, *g);
}

double twips_arg(Runtime& rt, CallInfo& call, size_t i) {
  double v = rt.to_number(call.arg(i));
  return std::isnan(v) ? 0 : std::round(v * 20);
}

Value mc_move_to(Runtime& rt, CallInfo& call) {
  CLIP_OR_RETURN(Value());
  if (!clip->timeline) return Value();
  DrawingState& d = pen(clip);
  close_path(clip);
  d.pen_x = d.start_x = twips_arg(rt, call, 0);
  d.pen_y = d.start_y = twips_arg(rt, call, 1);
  if (render::StyleGroup* g = current_group(clip)) start_path(d, g->edges.size());
  return Value();
}

Value mc_line_to(Runtime& rt, CallInfo& call) {
  CLIP_OR_RETURN(Value());
  if (!clip->timeline) return Value();
  add_edge(clip, 0, 0, twips_arg(rt, call, 0), twips_arg(rt, call, 1), false);
  engine_of(rt).request_redraw();
  return Value();
}

Value mc_curve_to(Runtime& rt, CallInfo& call) {
  CLIP_OR_RETURN(Value());
  if (!clip->timeline || call.count < 4) return Value();
  add_edge(clip, twips_arg(rt, call, 0), twips_arg(rt, call, 1), twips_arg(rt, call, 2),
           twips_arg(rt, call, 3), true);
  engine_of(rt).request_redraw();
  return Value();
}

Value mc_end_fill(Runtime& rt, CallInfo& call) {
  CLIP_OR_RETURN(Value());
  if (!clip->timeline) return Value();
  close_path(clip);
  DrawingState& d = pen(clip);
  d.filling = false;
  d.fill = 0;
  engine_of(rt).request_redraw();
  return Value();
}

Value mc_clear(Runtime& rt, CallInfo& call) {
  CLIP_OR_RETURN(Value());
  if (!clip->timeline) return Value();
  clip->timeline->clear_drawing();
  bool line = clip->drawing && clip->drawing->has_line;
  render::LineStyle style = clip->drawing ? clip->drawing->line_style : render::LineStyle();
  clip->drawing = std::make_unique<DrawingState>();
  clip->drawing->has_line = line;
  clip->drawing->line_style = style;
  engine_of(rt).request_redraw();
  return Value();
}

// --- The constructor and global functions

Value mc_constructor(Runtime&, CallInfo&) { return Value(); }

Value global_set_interval(Runtime& rt, CallInfo& call, bool repeat) {
  if (call.count < 2) return Value();
  Engine& e = engine_of(rt);
  Object* target = call.arg(0).as_object();
  if (!target) return Value();
  size_t next = 1;
  Value method;
  if (!target->is_function()) {
    method = call.arg(1);
    next = 2;
  }
  double interval = rt.to_number(call.arg(next));
  std::vector<Value> args;
  for (size_t i = next + 1; i < call.count; ++i) args.push_back(call.args[i]);
  int id =
      e.add_timer(target, method, std::isnan(interval) ? 0 : interval, std::move(args), repeat);
  return id ? Value::number(id) : Value();
}

Value global_set_interval_repeat(Runtime& rt, CallInfo& call) {
  return global_set_interval(rt, call, true);
}
Value global_set_timeout(Runtime& rt, CallInfo& call) {
  return global_set_interval(rt, call, false);
}

Value global_clear_interval(Runtime& rt, CallInfo& call) {
  double id = rt.to_number(call.arg(0));
  if (!std::isnan(id)) engine_of(rt).remove_timer(static_cast<int>(id));
  return Value();
}

Value global_update_after_event(Runtime& rt, CallInfo&) {
  engine_of(rt).request_redraw();
  return Value();
}

Value global_get_version(Runtime&, CallInfo&) { return Value(kPlayerVersion); }

}  // namespace

void install_movieclip_builtins(Engine& engine) {
  Runtime& rt = engine.runtime();
  WellKnown& k = rt.known();
  Object* proto = rt.make_object();
  k.movieclip_prototype = proto;
  FunctionObject* ctor = rt.make_class(mc_constructor, proto);
  k.movieclip_constructor = ctor;
  rt.global()->define("MovieClip", Value::object(ctor), kDontEnum);
  const std::pair<const char*, NativeFunction> methods[] = {
      {"play", mc_play},
      {"stop", mc_stop},
      {"gotoAndPlay", mc_goto_and_play},
      {"gotoAndStop", mc_goto_and_stop},
      {"nextFrame", mc_next_frame},
      {"prevFrame", mc_prev_frame},
      {"attachMovie", mc_attach_movie},
      {"duplicateMovieClip", mc_duplicate},
      {"removeMovieClip", mc_remove},
      {"swapDepths", mc_swap_depths},
      {"getBounds", mc_get_bounds},
      {"hitTest", mc_hit_test},
      {"localToGlobal", mc_local_to_global},
      {"globalToLocal", mc_global_to_local},
      {"startDrag", mc_start_drag},
      {"stopDrag", mc_stop_drag},
      {"getURL", mc_get_url},
      {"loadVariables", mc_load_variables},
      {"loadMovie", mc_load_movie},
      {"unloadMovie", mc_unload_movie},
      {"getBytesLoaded", mc_get_bytes_loaded},
      {"getBytesTotal", mc_get_bytes_total},
      {"attachAudio", mc_nothing},
      {"attachVideo", mc_nothing},
      {"getSWFVersion", mc_get_swf_version},
  };
  for (const auto& m : methods) rt.add_method(proto, m.first, m.second);
  const std::pair<const char*, NativeFunction> methods6[] = {
      {"createEmptyMovieClip", mc_create_empty},
      {"createTextField", mc_nothing},
      {"setMask", mc_set_mask},
      {"clear", mc_clear},
      {"beginFill", mc_begin_fill},
      {"beginGradientFill", mc_begin_gradient_fill},
      {"lineStyle", mc_line_style},
      {"moveTo", mc_move_to},
      {"lineTo", mc_line_to},
      {"curveTo", mc_curve_to},
      {"endFill", mc_end_fill},
      {"getDepth", mc_get_depth},
  };
  for (const auto& m : methods6) rt.add_method(proto, m.first, m.second, kHidden | kOnlyVersion6);
  const std::pair<const char*, NativeFunction> methods7[] = {
      {"getNextHighestDepth", mc_next_highest_depth},
      {"getInstanceAtDepth", mc_instance_at_depth},
  };
  for (const auto& m : methods7) rt.add_method(proto, m.first, m.second, kHidden | kOnlyVersion7);

  Object* g = rt.global();
  rt.add_method(g, "setInterval", global_set_interval_repeat, kDontEnum);
  rt.add_method(g, "setTimeout", global_set_timeout, kDontEnum);
  rt.add_method(g, "clearInterval", global_clear_interval, kDontEnum);
  // One function under both names.
  g->define("clearTimeout", rt.get_property(g, "clearInterval"), kDontEnum);
  rt.add_method(g, "updateAfterEvent", global_update_after_event, kDontEnum);
  rt.add_method(g, "getVersion", global_get_version, kDontEnum);
}

}  // namespace avm1
