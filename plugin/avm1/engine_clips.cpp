// Clips from scripts: paths, the built-in properties, bounds and hit tests,
// gotos, and display-list changes (attach, duplicate, remove, swap depths).
#include <algorithm>
#include <cmath>
#include <cstdint>

#include "avm1/engine.h"

namespace avm1 {

namespace {

constexpr double kPi = 3.141592653589793;

const int kDepthOffset = 16384;

double round_twips(double pixels) { return std::round(pixels * 20); }

bool parse_level(const std::string& s, int& level) {
  if (s.size() <= 6 || !equal_folded(s.substr(0, 6), "_level")) return false;
  int n = 0;
  for (size_t i = 6; i < s.size(); ++i) {
    if (s[i] < '0' || s[i] > '9') return false;
    n = n * 10 + (s[i] - '0');
    if (n > 100000) return false;
  }
  level = n;
  return true;
}

void unite(render::Rect& out, bool& any, const render::Box& b) {
  if (b.empty() && b.x_max == b.x_min && b.y_max == b.y_min && b.x_min == 0 && b.y_min == 0) return;
  render::Rect r{
      static_cast<int32_t>(std::floor(b.x_min)), static_cast<int32_t>(std::ceil(b.x_max)),
      static_cast<int32_t>(std::floor(b.y_min)), static_cast<int32_t>(std::ceil(b.y_max))};
  if (!any) {
    out = r;
    any = true;
    return;
  }
  out.x_min = std::min(out.x_min, r.x_min);
  out.y_min = std::min(out.y_min, r.y_min);
  out.x_max = std::max(out.x_max, r.x_max);
  out.y_max = std::max(out.y_max, r.y_max);
}

}  // namespace

// ---------------------------------------------------------------------------
// Paths

ClipObject* Engine::live(Object* o) {
  if (!o || !o->is_clip()) return nullptr;
  auto* c = static_cast<ClipObject*>(o);
  if (!c->removed) return c;
  if (c->last_path.empty() || live_depth_ >= 4) return nullptr;
  ++live_depth_;
  ClipObject* found = resolve_path(root_, c->last_path);
  --live_depth_;
  return found && !found->removed ? found : nullptr;
}

String Engine::target_path(Object* o) {
  if (!o || !o->is_clip()) return String();
  auto* c = static_cast<ClipObject*>(o);
  if (c->removed) return String(c->last_path);
  std::string path;
  std::vector<ClipObject*> chain;
  for (ClipObject* p = c; p; p = p->parent) chain.push_back(p);
  ClipObject* top = chain.back();
  path = "_level" + std::to_string(top->level < 0 ? 0 : top->level);
  for (size_t i = chain.size() - 1; i-- > 0;) path += "." + chain[i]->instance_name().str();
  return String(path);
}

String Engine::slash_path(Object* o) {
  if (!o || !o->is_clip()) return String();
  auto* c = static_cast<ClipObject*>(o);
  std::vector<ClipObject*> chain;
  for (ClipObject* p = c; p; p = p->parent) chain.push_back(p);
  if (chain.size() == 1) return String("/");
  std::string path;
  for (size_t i = chain.size() - 1; i-- > 0;) path += "/" + chain[i]->instance_name().str();
  return String(path);
}

ClipObject* Engine::child_by_name(ClipObject* clip, const String& name) {
  if (!clip || !clip->timeline || name.empty()) return nullptr;
  bool cs = runtime_->case_sensitive();
  for (auto& entry : clip->timeline->display_list()) {
    npfp::DisplayObject& o = entry.second;
    if (!o.script_object) continue;
    const std::string& n = o.name;
    if (n.size() != name.size()) continue;
    if (cs ? n == name.str() : equal_folded(n, name.str())) return clip_of(o);
  }
  return nullptr;
}

ClipObject* Engine::resolve_path(ClipObject* base, const std::string& path) {
  if (!root_) return nullptr;
  if (!base) base = root_;
  if (path.empty()) return base;
  ClipObject* cur = base;
  size_t i = 0;
  if (path[0] == '/') {
    while (cur->parent && !cur->locks_root()) cur = cur->parent;
    i = 1;
  }
  bool cs = runtime_->case_sensitive();
  bool first = true;
  while (i <= path.size() && cur) {
    size_t slash = path.find('/', i);
    std::string part = path.substr(i, slash == std::string::npos ? std::string::npos : slash - i);
    i = slash == std::string::npos ? path.size() + 1 : slash + 1;
    // A slash segment may itself be a dot path ("_root.a.b").
    std::vector<std::string> segments;
    if (part == ".." || part == ".") {
      segments.push_back(part);
    } else {
      size_t from = 0;
      for (;;) {
        size_t dot = part.find('.', from);
        segments.push_back(
            part.substr(from, dot == std::string::npos ? std::string::npos : dot - from));
        if (dot == std::string::npos) break;
        from = dot + 1;
      }
    }
    for (const std::string& seg : segments) {
      if (!cur) return nullptr;
      if (seg.empty()) continue;
      String s(seg);
      int level;
      if (seg == "..") {
        cur = cur->parent;
      } else if (seg == "." || s.same("this", cs)) {
      } else if (s.same("_parent", cs)) {
        cur = cur->parent;
      } else if (s.same("_root", cs)) {
        while (cur->parent && !cur->locks_root()) cur = cur->parent;
      } else if (first && parse_level(seg, level)) {
        cur = this->level(level);
      } else {
        ClipObject* child = child_by_name(cur, s);
        if (!child && runtime_->version() >= 6) {
          // An object-valued property that holds a clip.
          Property* p = runtime_->own_property(cur, s);
          Object* o = p ? p->value.as_object() : nullptr;
          if (o && o->is_clip()) child = live(o);
        }
        cur = child;
      }
      first = false;
    }
    if (slash == std::string::npos) break;
  }
  return cur;
}

ClipObject* Engine::resolve_target(ClipObject* base, const Value& target) {
  if (Object* o = target.as_object()) {
    if (o->is_clip()) return live(o);
    return resolve_path(base, runtime_->to_string(target).str());
  }
  if (target.is_nullish()) return nullptr;
  return resolve_path(base, runtime_->to_string(target).str());
}

// ---------------------------------------------------------------------------
// Timeline control

void Engine::goto_frame(ClipObject* clip, long frame, bool play) {
  if (!clip || !clip->timeline) return;
  npfp::TimelineInstance* t = clip->timeline;
  if (play)
    t->play();
  else
    t->stop();
  if (frame < 0) frame = 0;
  if (t->loaded_frames() == 0) return;
  if (static_cast<size_t>(frame) >= t->loaded_frames())
    frame = static_cast<long>(t->loaded_frames()) - 1;
  if (t->goto_frame(static_cast<size_t>(frame))) redraw_ = true;
}

bool Engine::goto_label(ClipObject* clip, const std::string& label, bool play) {
  if (!clip || !clip->timeline) return false;
  int frame = clip->timeline->timeline().frame_of_label(label);
  if (frame < 0) return false;
  goto_frame(clip, frame, play);
  return true;
}

void Engine::goto_value(ClipObject* clip, const Value& frame, bool play, int scene_bias) {
  if (!clip) return;
  if (frame.is_string()) {
    std::string s = frame.string_text();
    size_t colon = s.rfind(':');
    if (colon != std::string::npos) {
      clip = resolve_path(clip, s.substr(0, colon));
      s = s.substr(colon + 1);
      if (!clip) return;
    }
    double n = string_to_number(s, runtime_->version());
    if (std::isnan(n)) {
      goto_label(clip, s, play);
      return;
    }
    // Frames before the first are no frames: the playhead stays.
    if (n != std::floor(n) || n + scene_bias < 1) return;
    goto_frame(clip, static_cast<long>(n) - 1 + scene_bias, play);
    return;
  }
  double n = runtime_->to_number(frame);
  if (std::isnan(n) || n != std::floor(n) || frame.is_undefined()) return;
  if (n + scene_bias < 1) return;
  goto_frame(clip, static_cast<long>(n) - 1 + scene_bias, play);
}

void Engine::play(ClipObject* clip) {
  if (clip && clip->timeline) clip->timeline->play();
}

void Engine::stop(ClipObject* clip) {
  if (clip && clip->timeline) clip->timeline->stop();
}

void Engine::next_frame(ClipObject* clip) {
  if (!clip || !clip->timeline) return;
  goto_frame(clip, clip->timeline->current_frame() + 1, false);
}

void Engine::previous_frame(ClipObject* clip) {
  if (!clip || !clip->timeline) return;
  long f = clip->timeline->current_frame() - 1;
  goto_frame(clip, f < 0 ? 0 : f, false);
}

bool Engine::frame_loaded(ClipObject* clip, long frame) {
  if (!clip || !clip->timeline) return true;
  return frame < static_cast<long>(clip->timeline->loaded_frames());
}

void Engine::call_frame(ClipObject* clip, const Value& frame) {
  if (!clip) return;
  std::string s = runtime_->to_string(frame).str();
  size_t colon = s.rfind(':');
  if (colon != std::string::npos) {
    clip = resolve_path(clip, s.substr(0, colon));
    s = s.substr(colon + 1);
  }
  if (!clip || !clip->timeline) return;
  const npfp::Timeline& t = clip->timeline->timeline();
  long index;
  double n = string_to_number(s, runtime_->version());
  if (!std::isnan(n))
    index = static_cast<long>(n) - 1;
  else
    index = t.frame_of_label(s);
  if (index < 0 || static_cast<size_t>(index) >= t.frames.size()) return;
  for (const Bytes& bytes : t.frames[static_cast<size_t>(index)].actions)
    if (bytes) runtime_->run_block(bytes, 0, bytes->size(), clip, clip->swf_version);
}

// ---------------------------------------------------------------------------
// Properties

namespace {

void read_transform(ClipObject* c, double& xs, double& ys, double& rot) {
  const render::Matrix& m = c->display->matrix;
  if (c->transform_known && c->display->script_transform) {
    xs = c->xscale;
    ys = c->yscale;
    rot = c->rotation;
    return;
  }
  xs = std::sqrt(m.a * m.a + m.b * m.b) * 100;
  ys = std::sqrt(m.c * m.c + m.d * m.d) * 100;
  if (m.determinant() < 0) ys = -ys;
  rot = std::atan2(m.b, m.a) * 180 / kPi;
}

void write_transform(ClipObject* c, double xs, double ys, double rot) {
  c->xscale = xs;
  c->yscale = ys;
  c->rotation = rot;
  c->transform_known = true;
  c->display->script_transform = true;
  double r = rot * kPi / 180;
  render::Matrix& m = c->display->matrix;
  m.a = std::cos(r) * xs / 100;
  m.b = std::sin(r) * xs / 100;
  m.c = -std::sin(r) * ys / 100;
  m.d = std::cos(r) * ys / 100;
}

}  // namespace

Value Engine::get_clip_property(ClipObject* c, int index) {
  npfp::DisplayObject* o = c->display;
  if (!o) return Value();
  double xs, ys, rot;
  switch (index) {
    case kPropX:
      return Value::number(o->matrix.tx / 20);
    case kPropY:
      return Value::number(o->matrix.ty / 20);
    case kPropXScale:
      read_transform(c, xs, ys, rot);
      return Value::number(xs);
    case kPropYScale:
      read_transform(c, xs, ys, rot);
      return Value::number(ys);
    case kPropRotation:
      read_transform(c, xs, ys, rot);
      return Value::number(rot);
    case kPropCurrentFrame:
      if (!c->timeline) return c->is_text_field() ? Value() : Value::number(1);
      return Value::number(c->current_frame() < 1 ? 1 : c->current_frame());
    case kPropTotalFrames:
      if (!c->timeline) return c->is_text_field() ? Value() : Value::number(1);
      return Value::number(c->total_frames());
    case kPropFramesLoaded:
      if (!c->timeline) return c->is_text_field() ? Value() : Value::number(1);
      return Value::number(static_cast<double>(c->timeline->loaded_frames()));
    case kPropAlpha:
      return Value::number(o->color_transform.mult_a * 100.0 / 256);
    case kPropVisible:
      return Value::boolean(o->visible);
    case kPropWidth:
    case kPropHeight: {
      render::Rect r;
      if (!content_bounds(c, r)) return Value::number(0);
      render::Box b = render::transform_box(o->matrix, r);
      return Value::number(index == kPropWidth ? (b.x_max - b.x_min) / 20
                                               : (b.y_max - b.y_min) / 20);
    }
    case kPropTarget:
      return Value(slash_path(c));
    case kPropName:
      return Value(c->parent ? o->name : std::string());
    case kPropDropTarget:
      return Value("");
    case kPropUrl:
      return Value(host_.movie_url());
    case kPropHighQuality:
      return Value::number(1);
    case kPropFocusRect:
      // Levels answer for the movie; SWF 5 spells flags as numbers.
      if (runtime_->version() < 6) return Value::number(focus_rect_ ? 1 : 0);
      if (!c->parent) return Value::boolean(focus_rect_);
      if (c->focus_rect == ClipObject::FocusRect::unset) return Value::null();
      return Value::boolean(c->focus_rect == ClipObject::FocusRect::on);
    case kPropSoundBufTime:
      return Value::number(5);
    case kPropQuality:
      return Value("HIGH");
    case kPropXMouse:
    case kPropYMouse: {
      render::Matrix m = to_root(c).inverse(nullptr);
      render::Point p = m.apply({mouse_pixel_x_, mouse_pixel_y_});
      return Value::number(std::round((index == kPropXMouse ? p.x : p.y) / 20));
    }
    default:
      return Value();
  }
}

void Engine::set_clip_property(ClipObject* c, int index, const Value& value) {
  npfp::DisplayObject* o = c->display;
  if (!o) return;
  if (index == kPropFocusRect) {
    set_focus_rect(c, value);
    return;
  }
  double v = runtime_->to_number(value);
  double xs, ys, rot;
  switch (index) {
    case kPropX:
      if (std::isnan(v)) return;
      o->matrix.tx = round_twips(v);
      o->script_transform = true;
      break;
    case kPropY:
      if (std::isnan(v)) return;
      o->matrix.ty = round_twips(v);
      o->script_transform = true;
      break;
    case kPropXScale:
      if (std::isnan(v)) return;
      read_transform(c, xs, ys, rot);
      write_transform(c, v, ys, rot);
      break;
    case kPropYScale:
      if (std::isnan(v)) return;
      read_transform(c, xs, ys, rot);
      write_transform(c, xs, v, rot);
      break;
    case kPropRotation: {
      if (std::isnan(v)) return;
      v = std::fmod(v, 360);
      if (v > 180) v -= 360;
      if (v < -180) v += 360;
      read_transform(c, xs, ys, rot);
      write_transform(c, xs, ys, v);
      break;
    }
    case kPropAlpha:
      if (std::isnan(v)) return;
      o->color_transform.mult_a =
          static_cast<int16_t>(std::max(-32768.0, std::min(32767.0, v * 256 / 100)));
      o->script_transform = true;
      break;
    case kPropVisible:
      o->visible = value.is_boolean() ? value.as_boolean() : (v != 0 && !std::isnan(v));
      break;
    case kPropWidth:
    case kPropHeight: {
      if (std::isnan(v)) return;
      render::Rect r;
      if (!content_bounds(c, r)) return;
      double size = index == kPropWidth ? r.x_max - r.x_min : r.y_max - r.y_min;
      if (size <= 0) return;
      read_transform(c, xs, ys, rot);
      if (index == kPropWidth)
        write_transform(c, v * 20 / size * 100, ys, rot);
      else
        write_transform(c, xs, v * 20 / size * 100, rot);
      break;
    }
    case kPropName:
      if (c->parent) o->name = runtime_->to_string(value).str();
      break;
    default:
      return;  // the others are read-only or global
  }
  redraw_ = true;
}

// A clip's own setting takes any value as a flag (nothing unsets it); the
// movie's takes numbers only and keeps its state for what is none.
void Engine::set_focus_rect(ClipObject* c, const Value& value) {
  if (c->parent && runtime_->version() >= 6) {
    c->focus_rect = value.is_nullish()            ? ClipObject::FocusRect::unset
                    : runtime_->to_boolean(value) ? ClipObject::FocusRect::on
                                                  : ClipObject::FocusRect::off;
    return;
  }
  if (value.is_nullish()) return;
  double v = runtime_->to_number(value);
  if (!std::isnan(v)) focus_rect_ = v != 0;
}

render::Matrix Engine::to_root(ClipObject* c) {
  render::Matrix m;
  for (ClipObject* p = c; p && p->parent; p = p->parent)
    if (p->display) m = p->display->matrix * m;
  return m;
}

namespace {

struct BoundsWalker {
  npfp::CharacterCache& cache;
  render::Rect out;
  bool any = false;
  int budget = 20000;

  void character(const npfp::DisplayObject* o, uint16_t id, uint16_t ratio,
                 const npfp::TimelineInstance* sprite, const render::Matrix& m, int nesting) {
    if (--budget < 0 || nesting > 32) return;
    if (o && o->script_bitmap) {
      if (!o->script_bitmap->empty()) {
        render::Rect r;
        r.x_max = o->script_bitmap->width * 20;
        r.y_max = o->script_bitmap->height * 20;
        unite(out, any, render::transform_box(m, r));
      }
      return;
    }
    const npfp::Character* c = cache.character(id);
    if (!c) {
      if (sprite) timeline(*sprite, m, nesting + 1);
      return;
    }
    switch (c->kind) {
      case npfp::CharacterKind::shape:
        if (auto* s = cache.shape(id)) unite(out, any, render::transform_box(m, s->bounds()));
        break;
      case npfp::CharacterKind::morph_shape:
        if (auto* s = cache.morph_shape(id))
          unite(out, any, render::transform_box(m, s->bounds_at(ratio)));
        break;
      case npfp::CharacterKind::text:
        if (auto* s = cache.text(id)) unite(out, any, render::transform_box(m, s->bounds()));
        break;
      case npfp::CharacterKind::edit_text:
        if (auto* s = cache.edit_text(id)) unite(out, any, render::transform_box(m, s->bounds()));
        break;
      case npfp::CharacterKind::button:
        if (auto* b = cache.button(id))
          for (const npfp::ButtonRecord* r : b->records_for(npfp::kButtonUp))
            character(nullptr, r->character, 0, nullptr, m * r->matrix, nesting + 1);
        break;
      case npfp::CharacterKind::sprite:
        if (sprite) timeline(*sprite, m, nesting + 1);
        break;
      default:
        break;
    }
    (void)o;
  }

  void timeline(const npfp::TimelineInstance& t, const render::Matrix& m, int nesting) {
    if (const auto& drawing = t.drawing()) {
      render::Rect r = render::geometry_bounds(*drawing, true);
      if (!r.empty() || r.x_max > r.x_min || r.y_max > r.y_min)
        unite(out, any, render::transform_box(m, r));
    }
    for (const auto& entry : t.display_list()) {
      const npfp::DisplayObject& o = entry.second;
      if (o.clip_depth > 0) continue;
      character(&o, o.character, o.ratio, o.sprite.get(), m * o.matrix, nesting);
    }
  }
};

// Whether a point (twips, in the space of the walked content) lies on a
// filled or stroked part of the content: shapes, morphs, text, the
// drawing of clips, and nested clips, each tested in its own space.
struct ShapeHitWalker {
  npfp::CharacterCache& cache;
  int budget = 20000;

  bool character(uint16_t id, uint16_t ratio, const npfp::TimelineInstance* sprite, render::Point p,
                 int nesting) {
    if (--budget < 0 || nesting > 32) return false;
    if (sprite) return timeline(*sprite, p, nesting + 1);
    const npfp::Character* c = cache.character(id);
    if (!c) return false;
    switch (c->kind) {
      case npfp::CharacterKind::shape: {
        const render::ShapeDefinition* s = cache.shape(id);
        return s && s->hit_test(p);
      }
      case npfp::CharacterKind::morph_shape: {
        const render::MorphShapeDefinition* s = cache.morph_shape(id);
        return s && s->hit_test(ratio, p);
      }
      case npfp::CharacterKind::text: {
        const npfp::TextDefinition* t = cache.text(id);
        return t && t->hit_test(p, cache.font_lookup());
      }
      case npfp::CharacterKind::edit_text: {
        const npfp::EditTextDefinition* f = cache.edit_text(id);
        if (!f) return false;
        const render::Rect& b = f->bounds();
        return p.x >= b.x_min && p.x <= b.x_max && p.y >= b.y_min && p.y <= b.y_max;
      }
      case npfp::CharacterKind::button:
        if (const npfp::ButtonDefinition* b = cache.button(id))
          for (const npfp::ButtonRecord* r : b->records_for(npfp::kButtonUp)) {
            bool ok = false;
            render::Point local = r->matrix.inverse(&ok).apply(p);
            if (ok && character(r->character, 0, nullptr, local, nesting + 1)) return true;
          }
        return false;
      default:
        return false;
    }
  }

  bool timeline(const npfp::TimelineInstance& t, render::Point p, int nesting) {
    if (const auto& drawing = t.drawing())
      if (render::geometry_hit(*drawing, p)) return true;
    for (const auto& entry : t.display_list()) {
      const npfp::DisplayObject& o = entry.second;
      if (o.clip_depth > 0) continue;
      bool ok = false;
      render::Point local = o.matrix.inverse(&ok).apply(p);
      if (ok && character(o.character, o.ratio, o.sprite.get(), local, nesting)) return true;
    }
    return false;
  }
};

}  // namespace

bool Engine::content_bounds(ClipObject* c, render::Rect& out) {
  if (!c->display) return false;
  BoundsWalker w{cache_, render::Rect(), false, 20000};
  if (c->timeline)
    w.timeline(*c->timeline, render::Matrix(), 0);
  else
    w.character(c->display, c->display->character, c->display->ratio, nullptr, render::Matrix(), 0);
  out = w.out;
  return w.any;
}

bool Engine::hit_test_point(ClipObject* c, double x, double y, bool shape) {
  // x, y in the movie's space, twips.
  render::Rect r;
  if (!content_bounds(c, r)) return false;
  render::Matrix m = to_root(c);
  if (!shape) {
    render::Box b = render::transform_box(m, r);
    return x >= b.x_min && x <= b.x_max && y >= b.y_min && y <= b.y_max;
  }
  bool ok = false;
  render::Point p = m.inverse(&ok).apply({x, y});
  if (!ok) return false;
  ShapeHitWalker w{cache_, 20000};
  if (c->timeline) return w.timeline(*c->timeline, p, 0);
  return w.character(c->display->character, c->display->ratio, nullptr, p, 0);
}

// ---------------------------------------------------------------------------
// Display list changes

const npfp::Character* Engine::exported(const String& name) {
  bool cs = runtime_->case_sensitive();
  for (const auto& e : player_.movie().exports)
    if (cs ? e.first == name.str() : equal_folded(e.first, name.str()))
      return player_.movie().character(e.second);
  return nullptr;
}

ClipObject* Engine::attach(ClipObject* parent, const npfp::Character* definition,
                           const String& name, int depth, Object* init) {
  if (!parent || !parent->timeline || !definition) return nullptr;
  script_creating_ = parent->timeline;
  npfp::DisplayObject* o =
      parent->timeline->add_script_object(depth + kDepthOffset, definition, name.str());
  script_creating_ = nullptr;
  if (!o) return nullptr;
  ClipObject* c = clip_of(*o);
  if (!c) return nullptr;
  if (init) {
    for (const Property& p : init->properties().list())
      if (!(p.flags & kDontEnum) && !p.getter) runtime_->set_property(c, p.name, p.value);
  }
  construct_clip(c, true);
  redraw_ = true;
  return c;
}

ClipObject* Engine::duplicate(ClipObject* clip, const String& name, int depth, Object* init) {
  if (!clip || !clip->parent || !clip->display || !clip->owner) return nullptr;
  npfp::DisplayObject* source = clip->display;
  const npfp::Character* definition = source->definition;
  if (!definition) return nullptr;
  render::Matrix matrix = source->matrix;
  render::ColorTransform cx = source->color_transform;
  Bytes events = clip->event_bytes;
  std::vector<ClipEventHandler> handlers = clip->events;
  bool visible = source->visible;
  script_creating_ = clip->owner;
  npfp::DisplayObject* o =
      clip->owner->add_script_object(depth + kDepthOffset, definition, name.str());
  script_creating_ = nullptr;
  if (!o) return nullptr;
  o->matrix = matrix;
  o->color_transform = cx;
  o->visible = visible;
  o->clip_actions = events;
  // What scripts drew on the clip goes with it, and so does the pen: a
  // fill in progress goes on in each of them apart.
  if (clip->timeline && o->sprite) o->sprite->share_drawing(clip->timeline->drawing());
  ClipObject* c = clip_of(*o);
  if (!c) return nullptr;
  c->event_bytes = events;
  c->events = handlers;
  if (clip->drawing) c->drawing = std::make_unique<DrawingState>(*clip->drawing);
  if (init) {
    for (const Property& p : init->properties().list())
      if (!(p.flags & kDontEnum) && !p.getter) runtime_->set_property(c, p.name, p.value);
  }
  construct_clip(c, true);
  redraw_ = true;
  return c;
}

bool Engine::has_unload_handler(ClipObject* clip) {
  for (const ClipEventHandler& h : clip->events)
    if (h.flags & kEventUnload) return true;
  try {
    // Any value counts, even one that is no function.
    return !runtime_->get_property(clip, "onUnload").is_undefined();
  } catch (ScriptThrow&) {
  } catch (ScriptAbort&) {
    if (runtime_->running()) throw;
  }
  return false;
}

bool Engine::wants_unload(ClipObject* clip, int nesting) {
  if (nesting > 64) return false;
  if (has_unload_handler(clip)) return true;
  if (!clip->timeline) return false;
  for (auto& entry : clip->timeline->display_list())
    if (ClipObject* child = clip_of(entry.second))
      if (wants_unload(child, nesting + 1)) return true;
  return false;
}

void Engine::queue_unloads(ClipObject* clip, bool later, int nesting) {
  if (nesting > 64) return;
  if (clip->timeline) {
    std::vector<ClipObject*> children;
    for (auto& entry : clip->timeline->display_list())
      if (ClipObject* child = clip_of(entry.second)) children.push_back(child);
    for (ClipObject* child : children) queue_unloads(child, later, nesting + 1);
  }
  if (clip->unload_queued) return;
  clip->unload_queued = true;
  if (!has_unload_handler(clip)) return;
  if (later)
    pending_unloads_.push_back(clip);
  else
    queue_event(clip, kEventUnload);
}

void Engine::remove_clip(ClipObject* clip) {
  if (!clip || clip->removed || !clip->owner || !clip->display) return;
  // A clip inside one that is unloading goes with it.
  for (ClipObject* p = clip; p; p = p->parent)
    if (p->unloading) return;
  npfp::Depth depth = clip->display->depth;
  if (!park_for_unload(clip, false)) clip->owner->remove_object(depth);
  redraw_ = true;
}

bool Engine::park_for_unload(ClipObject* clip, bool by_timeline) {
  if (!clip || clip->removed || clip->unloading || !clip->owner || !clip->display) return false;
  npfp::Depth depth = clip->display->depth;
  if (depth <= 0) return false;
  npfp::Depth parked = -depth - 1;
  // Another clip still waiting for its unload may hold that depth.
  for (int tries = 0; tries < 1000 && clip->owner->object_at(parked) && parked > INT32_MIN; ++tries)
    --parked;
  if (clip->owner->object_at(parked) || !wants_unload(clip)) return false;
  // It stays, out of the way at a negative depth, until its unload
  // handlers (and those of the clips inside) have run.
  clip->owner->swap_depths(depth, parked);
  clip->unloading = true;
  keep_unload_listeners(clip);
  // The timeline's removals unload after the constructors of what it
  // places in the same step.
  queue_unloads(clip, by_timeline);
  // It goes when what the frame queued has run.
  finishing_.push_back(clip);
  redraw_ = true;
  return true;
}

void Engine::keep_unload_listeners(ClipObject* clip, int nesting) {
  // A clip that listens keeps all it holds; one that does not keeps only
  // the clips inside that listen (or hold listeners).
  if (nesting > 64 || !clip->timeline || has_unload_handler(clip)) return;
  std::vector<std::pair<npfp::Depth, ClipObject*>> children;
  for (auto& entry : clip->timeline->display_list())
    children.emplace_back(entry.first, clip_of(entry.second));
  for (const auto& child : children) {
    if (child.second && wants_unload(child.second))
      keep_unload_listeners(child.second, nesting + 1);
    else if (clip->timeline)
      clip->timeline->remove_object(child.first);
  }
}

bool Engine::swap_depths(ClipObject* clip, const Value& target) {
  if (!clip || !clip->display) return false;
  int to;
  if (Object* o = target.as_object()) {
    ClipObject* other = live(o);
    if (!other || !clip->owner || other->owner != clip->owner || !other->display) return false;
    to = other->display->depth;
  } else {
    // Depths below the lowest timeline depth or beyond the highest a
    // script may use are refused.
    double d = runtime_->to_number(target);
    if (std::isnan(d) || d < -kDepthOffset || d >= 2130690045.0) return false;
    to = static_cast<int>(d) + kDepthOffset;
  }
  if (!clip->owner) {
    // A main timeline is in no list: it only takes the new depth.
    clip->display->depth = to;
    return true;
  }
  bool ok = clip->owner->swap_depths(clip->display->depth, to);
  if (ok) redraw_ = true;
  return ok;
}

int Engine::next_highest_depth(ClipObject* clip) {
  if (!clip || !clip->timeline) return 0;
  const auto& list = clip->timeline->display_list();
  if (list.empty()) return 0;
  int highest = list.rbegin()->first - kDepthOffset;
  return highest < 0 ? 0 : highest + 1;
}

ClipObject* Engine::instance_at_depth(ClipObject* clip, int depth) {
  if (!clip || !clip->timeline) return nullptr;
  long long at = static_cast<long long>(depth) + kDepthOffset;
  if (at < INT32_MIN || at > INT32_MAX) return nullptr;
  npfp::DisplayObject* o = clip->timeline->object_at(static_cast<npfp::Depth>(at));
  return o ? clip_of(*o) : nullptr;
}

// ---------------------------------------------------------------------------
// Dragging

void Engine::start_drag(ClipObject* clip, bool lock_center, bool constrained, double x1, double y1,
                        double x2, double y2) {
  drag_clip_ = clip;
  drag_lock_ = lock_center;
  drag_constrained_ = constrained;
  drag_x1_ = std::min(x1, x2) * 20;
  drag_x2_ = std::max(x1, x2) * 20;
  drag_y1_ = std::min(y1, y2) * 20;
  drag_y2_ = std::max(y1, y2) * 20;
  drag_offset_x_ = drag_offset_y_ = 0;
  if (!lock_center && clip->display && clip->parent) {
    render::Point local = to_root(clip->parent).inverse(nullptr).apply({mouse_x_, mouse_y_});
    drag_offset_x_ = clip->display->matrix.tx - local.x;
    drag_offset_y_ = clip->display->matrix.ty - local.y;
  }
}

void Engine::stop_drag() { drag_clip_ = nullptr; }

}  // namespace avm1
