#include "core/scene.h"

#include <algorithm>

#include "render/layers.h"

namespace npfp {

namespace {

// Buttons may show buttons; a definition that shows itself stops here.
const int kMaxNesting = 16;

render::IntRect grow(const render::IntRect& r, int by) {
  return {r.left - by, r.top - by, r.right + by, r.bottom + by};
}

}  // namespace

bool SceneRenderer::spend_draw() {
  if (draws_left_ == 0) return false;
  --draws_left_;
  return true;
}

bool SceneRenderer::spend_hit_test() {
  if (hit_tests_left_ == 0) return false;
  --hit_tests_left_;
  return true;
}

namespace {

// Marks a button as entered for the life of the guard.
class OpenButton {
 public:
  OpenButton(std::vector<uint16_t>& open, uint16_t id) : open_(open) {
    entered_ = std::find(open.begin(), open.end(), id) == open.end();
    if (entered_) open_.push_back(id);
  }
  ~OpenButton() {
    if (entered_) open_.pop_back();
  }
  bool entered() const { return entered_; }

 private:
  std::vector<uint16_t>& open_;
  bool entered_;
};

}  // namespace

render::Canvas* SceneRenderer::borrow_canvas(const render::DrawTarget& target,
                                             const render::IntRect& area) {
  if (canvases_in_use_ == canvases_.size()) canvases_.push_back(std::make_unique<render::Canvas>());
  render::Canvas* c = canvases_[canvases_in_use_++].get();
  int w = target.canvas->width(), h = target.canvas->height();
  if (c->width() != w || c->height() != h)
    c->resize(w, h);
  else
    c->fill(area, 0);
  return c;
}

void SceneRenderer::return_canvas() {
  if (canvases_in_use_ > 0) --canvases_in_use_;
}

void SceneRenderer::draw_timeline(const TimelineInstance& timeline,
                                  const render::DrawTarget& target, const render::Matrix& to_device,
                                  const render::ColorTransform& cxform) {
  if (const auto& drawing = timeline.drawing())
    if (spend_draw())
      render::draw_geometry(*drawing, target, to_device, cxform, cache_.bitmap_lookup());
  draw_list(timeline.display_list(), target, to_device, cxform);
}

void SceneRenderer::draw_list(const std::map<Depth, DisplayObject>& list,
                              const render::DrawTarget& target, const render::Matrix& to_device,
                              const render::ColorTransform& cxform) {
  struct ActiveMask {
    uint16_t clip_depth;
    std::unique_ptr<render::Mask> mask;
  };
  std::vector<ActiveMask> masks;
  for (const auto& entry : list) {
    const DisplayObject& o = entry.second;
    if (!o.visible && o.clip_depth == 0) continue;
    masks.erase(std::remove_if(masks.begin(), masks.end(),
                               [&](const ActiveMask& m) { return m.clip_depth < o.depth; }),
                masks.end());
    render::DrawTarget t = target;
    if (!masks.empty()) t.mask = masks.back().mask.get();
    // A script's mask is not drawn itself. Inside a mask's own content,
    // script masks are left out, so masks that contain their maskees end.
    if (o.script_mask.is_mask()) continue;
    if (o.script_mask.mask() && !target.mask_mode && o.clip_depth == 0) {
      std::unique_ptr<render::Mask> mask = script_mask_for(o, t);
      if (!mask) continue;
      t.mask = mask.get();
      draw_object(o, t, to_device, cxform);
      continue;
    }

    if (o.clip_depth > 0) {
      // A mask inside a mask's own content adds nothing to its area.
      if (target.mask_mode) continue;
      // The mask object is drawn (through the masks around it, so nested
      // masks intersect) into a scratch canvas whose coverage becomes the
      // mask of the depths above it up to its clip depth.
      render::Canvas* scratch = borrow_canvas(t, t.clip);
      render::DrawTarget mask_target = t;
      mask_target.canvas = scratch;
      mask_target.mask_mode = true;
      mask_target.mask_strokes = false;
      draw_object(o, mask_target, to_device, cxform);
      auto mask = std::make_unique<render::Mask>();
      mask->set_from_alpha(*scratch, t.clip, false);
      return_canvas();
      masks.push_back({o.clip_depth, std::move(mask)});
      continue;
    }
    draw_object(o, t, to_device, cxform);
  }
}

std::unique_ptr<render::Mask> SceneRenderer::script_mask_for(const DisplayObject& o,
                                                             const render::DrawTarget& around) {
  const DisplayObject* mask_object = o.script_mask.mask();
  if (!mask_object->definition || !spend_draw()) return nullptr;
  render::Canvas* scratch = borrow_canvas(around, around.clip);
  render::DrawTarget mask_target = around;
  mask_target.canvas = scratch;
  mask_target.mask_mode = true;
  mask_target.mask_strokes = false;
  render::Matrix m = root_to_device_ * TimelineInstance::to_root(*mask_object);
  draw_content(*mask_object, mask_target, m, render::ColorTransform());
  auto mask = std::make_unique<render::Mask>();
  mask->set_from_alpha(*scratch, around.clip, false);
  return_canvas();
  return mask;
}

void SceneRenderer::draw_object(const DisplayObject& o, const render::DrawTarget& target,
                                const render::Matrix& to_device,
                                const render::ColorTransform& cxform) {
  if (!o.definition || !spend_draw()) return;
  render::Matrix m = to_device * o.matrix;
  render::ColorTransform cx = render::concatenate(cxform, o.color_transform);
  render::BlendMode mode = render::blend_mode_from_byte(o.blend_mode);
  bool filtered = o.filters && !o.filters->empty();
  bool layered = !target.mask_mode && (filtered || mode != render::BlendMode::normal);
  if (!layered) {
    draw_content(o, target, m, cx);
    return;
  }
  // Blend modes and filters work on the object's own picture: draw it into
  // a transparent layer, filter that, then composite it onto the target.
  int margin = filtered ? render::filter_margin(*o.filters) : 0;
  render::IntRect area = render::intersect(grow(target.clip, margin), target.canvas->bounds());
  render::Canvas* layer = borrow_canvas(target, area);
  render::DrawTarget layer_target = render::DrawTarget::whole(*layer);
  layer_target.clip = area;
  layer_target.antialias = target.antialias;
  layer_target.smooth_bitmaps = target.smooth_bitmaps;
  draw_content(o, layer_target, m, cx);
  if (filtered) render::apply_filters(*layer, area, *o.filters);
  render::composite_layer(target, *layer, mode);
  return_canvas();
}

void SceneRenderer::draw_content(const DisplayObject& o, const render::DrawTarget& target,
                                 const render::Matrix& m, const render::ColorTransform& cx) {
  if (o.script_bitmap) {
    draw_script_bitmap(*o.script_bitmap, o.smooth_bitmap, target, m, cx);
    return;
  }
  switch (o.definition->kind) {
    case CharacterKind::sprite:
      if (o.sprite) draw_timeline(*o.sprite, target, m, cx);
      break;
    case CharacterKind::button:
      draw_button(o.character, &o, target, m, cx, 0);
      break;
    case CharacterKind::edit_text:
      if (o.script_text) {
        // A field whose text a script set shows that text in its own layout.
        if (const EditTextDefinition* field = cache_.edit_text(o.character)) {
          EditTextDefinition shown = *field;
          shown.set_text(*o.script_text);
          shown.draw(target, m, cx, cache_.font_lookup());
        }
        break;
      }
      draw_static(o.character, o.ratio, target, m, cx, 0);
      break;
    default:
      draw_static(o.character, o.ratio, target, m, cx, 0);
      break;
  }
}

void SceneRenderer::draw_script_bitmap(const render::Bitmap& bitmap, bool smooth,
                                       const render::DrawTarget& target, const render::Matrix& m,
                                       const render::ColorTransform& cx) {
  if (bitmap.empty()) return;
  // A rectangle of the bitmap's size filled with it; the lookup answers
  // the one id the fill uses.
  constexpr uint16_t kId = 0xFFFF;
  render::ShapeGeometry g;
  g.groups.emplace_back();
  render::StyleGroup& group = g.groups.back();
  render::FillStyle fill;
  fill.type = smooth ? render::FillStyle::clipped_bitmap : render::FillStyle::clipped_bitmap_hard;
  fill.bitmap_id = kId;
  fill.matrix = render::Matrix::scaling(20, 20);
  group.fills.push_back(fill);
  double w = bitmap.width * 20.0, h = bitmap.height * 20.0;
  const render::Point corners[] = {{0, 0}, {w, 0}, {w, h}, {0, h}};
  for (int i = 0; i < 4; ++i) {
    render::ShapeEdge e;
    e.from = corners[i];
    e.to = corners[(i + 1) % 4];
    e.control = {(e.from.x + e.to.x) / 2, (e.from.y + e.to.y) / 2};
    e.fill1 = 1;
    group.edges.push_back(e);
  }
  render::draw_geometry(g, target, m, cx,
                        [&](uint16_t id) { return id == kId ? &bitmap : nullptr; });
}

void SceneRenderer::draw_static(uint16_t id, uint16_t ratio, const render::DrawTarget& target,
                                const render::Matrix& m, const render::ColorTransform& cx,
                                int nesting) {
  const Character* c = cache_.character(id);
  if (!c || !spend_draw()) return;
  switch (c->kind) {
    case CharacterKind::shape:
      if (const render::ShapeDefinition* shape = cache_.shape(id))
        shape->draw(target, m, cx, cache_.bitmap_lookup());
      break;
    case CharacterKind::morph_shape:
      if (const render::MorphShapeDefinition* morph = cache_.morph_shape(id))
        morph->draw(target, m, cx, ratio, cache_.bitmap_lookup());
      break;
    case CharacterKind::text:
      if (const TextDefinition* text = cache_.text(id))
        text->draw(target, m, cx, cache_.font_lookup());
      break;
    case CharacterKind::edit_text:
      if (const EditTextDefinition* field = cache_.edit_text(id))
        field->draw(target, m, cx, cache_.font_lookup());
      break;
    case CharacterKind::button:
      draw_button(id, nullptr, target, m, cx, nesting + 1);
      break;
    default:
      break;  // sounds, videos, fonts and bitmaps draw nothing by themselves
  }
}

void SceneRenderer::draw_button(uint16_t id, const DisplayObject* shown,
                                const render::DrawTarget& target, const render::Matrix& m,
                                const render::ColorTransform& cx, int nesting) {
  if (nesting > kMaxNesting) return;
  OpenButton guard(open_buttons_, id);
  if (!guard.entered()) return;
  const ButtonDefinition* button = cache_.button(id);
  if (!button) return;
  uint8_t state = shown ? shown->button_state : static_cast<uint8_t>(kButtonUp);
  const std::vector<ButtonRecord>& records = button->records();
  for (size_t i = 0; i < records.size(); ++i) {
    const ButtonRecord& r = records[i];
    if (!(r.states & state)) continue;
    render::Matrix rm = m * r.matrix;
    render::ColorTransform rcx = render::concatenate(cx, r.color_transform);
    const TimelineInstance* sprite = nullptr;
    if (shown) {
      auto it = shown->button_sprites.find(i);
      if (it != shown->button_sprites.end()) sprite = it->second.get();
    }
    if (sprite)
      draw_list(sprite->display_list(), target, rm, rcx);
    else
      draw_static(r.character, 0, target, rm, rcx, nesting);
  }
}

bool SceneRenderer::button_hit(const DisplayObject& button, render::Point p) {
  hit_tests_left_ = kMaxHitTestsPerQuery;
  OpenButton guard(open_buttons_, button.character);
  const ButtonDefinition* definition = cache_.button(button.character);
  if (!definition) return false;
  for (const ButtonRecord* r : definition->records_for(kButtonHitTest)) {
    bool invertible = false;
    render::Point local = r->matrix.inverse(&invertible).apply(p);
    if (invertible && hit_character(r->character, 0, local, 0)) return true;
  }
  return false;
}

bool SceneRenderer::hit_character(uint16_t id, uint16_t ratio, render::Point p, int nesting) {
  if (nesting > kMaxNesting || !spend_hit_test()) return false;
  const Character* c = cache_.character(id);
  if (!c) return false;
  switch (c->kind) {
    case CharacterKind::shape: {
      const render::ShapeDefinition* shape = cache_.shape(id);
      return shape && shape->hit_test(p);
    }
    case CharacterKind::morph_shape: {
      const render::MorphShapeDefinition* morph = cache_.morph_shape(id);
      return morph && morph->hit_test(ratio, p);
    }
    case CharacterKind::text: {
      const TextDefinition* text = cache_.text(id);
      return text && text->hit_test(p, cache_.font_lookup());
    }
    case CharacterKind::edit_text: {
      const EditTextDefinition* field = cache_.edit_text(id);
      const render::Rect* b = field ? &field->bounds() : nullptr;
      return b && p.x >= b->x_min && p.x <= b->x_max && p.y >= b->y_min && p.y <= b->y_max;
    }
    case CharacterKind::sprite:
      // A sprite in a hit area counts with its first frame.
      if (c->timeline && !c->timeline->frames.empty()) {
        for (const DisplayCommand& d : c->timeline->frames[0].commands) {
          if (d.kind != DisplayCommand::place || !d.command.has_character) continue;
          bool invertible = false;
          render::Point local = d.command.matrix.inverse(&invertible).apply(p);
          if (invertible && hit_character(d.command.character, d.command.ratio, local, nesting + 1))
            return true;
        }
      }
      return false;
    case CharacterKind::button: {
      OpenButton guard(open_buttons_, id);
      const ButtonDefinition* inner = guard.entered() ? cache_.button(id) : nullptr;
      if (!inner) return false;
      for (const ButtonRecord* r : inner->records_for(kButtonHitTest)) {
        bool invertible = false;
        render::Point local = r->matrix.inverse(&invertible).apply(p);
        if (invertible && hit_character(r->character, 0, local, nesting + 1)) return true;
      }
      return false;
    }
    default:
      return false;
  }
}

}  // namespace npfp
