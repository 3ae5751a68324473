#include "core/timeline.h"

namespace npfp {

namespace {

// The state a placement leaves at a depth, as a full record.
struct PlacedState {
  uint16_t character = 0;
  render::Matrix matrix;
  render::ColorTransform color_transform;
  uint16_t ratio = 0;
  std::string name;
  uint16_t clip_depth = 0;
  uint8_t blend_mode = 0;
  std::shared_ptr<const std::vector<render::Filter>> filters;
  SharedBytes clip_actions;
  int placed_frame = 0;  // the frame whose placement made the object
};

void merge_fields(PlacedState& s, const PlaceCommand& c) {
  if (c.has_matrix) s.matrix = c.matrix;
  if (c.has_color_transform) s.color_transform = c.color_transform;
  if (c.has_ratio) s.ratio = c.ratio;
  if (c.has_name) s.name = c.name;
  if (c.has_clip_depth) s.clip_depth = c.clip_depth;
  if (c.has_blend_mode) s.blend_mode = c.blend_mode;
  if (c.filters) s.filters = c.filters;
  if (c.clip_actions) s.clip_actions = c.clip_actions;
}

// The display-list rules of PlaceObject/2/3 and RemoveObject on plain
// states; TimelineInstance::place follows the same rules on live objects.
void apply_to_states(std::map<Depth, PlacedState>& states, const DisplayCommand& d, int frame) {
  const PlaceCommand& c = d.command;
  if (d.kind == DisplayCommand::remove) {
    states.erase(c.depth);
    return;
  }
  auto it = states.find(c.depth);
  if (!c.move && c.has_character) {
    PlacedState s;
    s.character = c.character;
    s.placed_frame = frame;
    merge_fields(s, c);
    states[c.depth] = s;
  } else if (it != states.end()) {
    if (c.has_character) it->second.character = c.character;
    merge_fields(it->second, c);
  }
  // A move at an empty depth places nothing.
}

void copy_state(DisplayObject& o, const PlacedState& s) {
  o.matrix = s.matrix;
  o.color_transform = s.color_transform;
  o.ratio = s.ratio;
  o.name = s.name;
  o.clip_depth = s.clip_depth;
  o.blend_mode = s.blend_mode;
  o.filters = s.filters;
  o.clip_actions = s.clip_actions;
}

void copy_fields(DisplayObject& o, const PlaceCommand& c) {
  if (c.has_matrix && !o.script_transform) o.matrix = c.matrix;
  if (c.has_color_transform && !o.script_transform) o.color_transform = c.color_transform;
  if (c.has_ratio) o.ratio = c.ratio;
  if (c.has_name) o.name = c.name;
  if (c.has_clip_depth) o.clip_depth = c.clip_depth;
  if (c.has_blend_mode) o.blend_mode = c.blend_mode;
  if (c.filters) o.filters = c.filters;
  if (c.clip_actions) o.clip_actions = c.clip_actions;
}

}  // namespace

TimelineInstance::TimelineInstance(const Movie& movie, const Timeline& timeline,
                                   std::shared_ptr<InstanceBudget> budget, int nesting)
    : movie_(movie),
      timeline_(timeline),
      budget_(budget ? std::move(budget) : std::make_shared<InstanceBudget>()),
      nesting_(nesting) {
  if (nesting_ > 0) ++budget_->live_sprites;
}

void ScriptMaskLink::pair(DisplayObject& maskee, DisplayObject& mask) {
  if (&maskee == &mask) return;
  maskee.script_mask.clear_mask();
  if (DisplayObject* old = mask.script_mask.maskee_) old->script_mask.mask_ = nullptr;
  maskee.script_mask.mask_ = &mask;
  mask.script_mask.maskee_ = &maskee;
}

void ScriptMaskLink::clear_mask() {
  if (mask_) mask_->script_mask.maskee_ = nullptr;
  mask_ = nullptr;
}

void ScriptMaskLink::clear() {
  clear_mask();
  if (maskee_) maskee_->script_mask.mask_ = nullptr;
  maskee_ = nullptr;
}

render::Matrix TimelineInstance::to_root(const DisplayObject& o) {
  render::Matrix m = o.matrix;
  const DisplayObject* at = &o;
  // Nesting is bounded by the instance budget; the count guards anyway.
  for (int i = 0; i <= InstanceBudget::kMaxNesting && at->owner && at->owner->host_; ++i) {
    at = at->owner->host_;
    m = at->matrix * m;
  }
  return m;
}

TimelineInstance::~TimelineInstance() {
  list_.clear();
  if (nesting_ > 0) --budget_->live_sprites;
}

const DisplayObject* TimelineInstance::object_at(Depth depth) const {
  auto it = list_.find(depth);
  return it == list_.end() ? nullptr : &it->second;
}

DisplayObject* TimelineInstance::object_at(Depth depth) {
  auto it = list_.find(depth);
  return it == list_.end() ? nullptr : &it->second;
}

TimelineInstance* TimelineInstance::sprite_at(Depth depth) {
  auto it = list_.find(depth);
  return it == list_.end() ? nullptr : it->second.sprite.get();
}

bool TimelineInstance::set_button_state(Depth depth, uint8_t state) {
  auto it = list_.find(depth);
  if (it == list_.end() || !it->second.definition ||
      it->second.definition->kind != CharacterKind::button || it->second.button_state == state)
    return false;
  it->second.button_state = state;
  make_button_sprites(it->second);
  return true;
}

std::unique_ptr<TimelineInstance> TimelineInstance::new_sprite(const Character* definition) {
  if (!definition || definition->kind != CharacterKind::sprite || !definition->timeline ||
      nesting_ >= InstanceBudget::kMaxNesting ||
      budget_->live_sprites >= InstanceBudget::kMaxLiveSprites)
    return nullptr;
  // Started by the caller, once the observer knows the object.
  return std::make_unique<TimelineInstance>(movie_, *definition->timeline, budget_, nesting_ + 1);
}

void TimelineInstance::make_button_sprites(DisplayObject& o) {
  o.button_sprites.clear();
  ButtonDefinition button;
  button.parse(o.definition->tag_code, o.definition->body->data(), o.definition->body->size());
  const std::vector<ButtonRecord>& records = button.records();
  for (size_t i = 0; i < records.size(); ++i) {
    if (!(records[i].states & o.button_state)) continue;
    if (auto sprite = new_sprite(movie_.character(records[i].character))) {
      sprite->start();
      o.button_sprites[i] = std::move(sprite);
    }
  }
}

bool TimelineInstance::start() {
  if (started() || timeline_.frames.empty()) return false;
  current_ = 0;
  apply_frame(0);
  entered_frame();
  return true;
}

bool TimelineInstance::advance() {
  if (!started()) return start();
  bool changed = false;
  for (auto& entry : list_)
    if (entry.second.sprite && entry.second.sprite->advance()) changed = true;
  return advance_self() || changed;
}

bool TimelineInstance::advance_self() {
  if (!started()) return start();
  bool changed = false;
  for (auto& entry : list_)
    for (auto& shown : entry.second.button_sprites)
      if (shown.second->advance()) changed = true;
  if (!playing_) return changed;

  size_t next = static_cast<size_t>(current_) + 1;
  if (next < timeline_.frames.size()) {
    current_ = static_cast<int>(next);
    if (apply_frame(next)) changed = true;
    entered_frame();
  } else if (timeline_.complete && timeline_.frames.size() > 1) {
    rebuild_to(0);
    changed = true;
    entered_frame();
  }
  // Otherwise the next frame has not arrived yet (or there is only one):
  // the playhead waits.
  return changed;
}

bool TimelineInstance::goto_frame(size_t frame) {
  if (timeline_.frames.empty()) return false;
  if (frame >= timeline_.frames.size()) frame = timeline_.frames.size() - 1;
  if (!started()) {
    current_ = 0;
    apply_frame(0);
  }
  size_t current = static_cast<size_t>(current_);
  if (frame == current) return false;
  if (frame < current) {
    rebuild_to(frame);
    entered_frame();
    return true;
  }
  for (size_t f = current + 1; f <= frame; ++f) {
    current_ = static_cast<int>(f);
    apply_frame(f);
  }
  entered_frame();
  return true;
}

void TimelineInstance::entered_frame() {
  if (budget_->observer) budget_->observer->frame_entered(*this);
}

void TimelineInstance::added(DisplayObject& o) {
  if (budget_->observer) budget_->observer->object_added(*this, o);
  if (o.sprite) o.sprite->start();
}

void TimelineInstance::removing(DisplayObject& o) {
  if (budget_->observer) budget_->observer->object_removed(*this, o);
}

bool TimelineInstance::apply_frame(size_t frame) {
  const Frame& f = timeline_.frames[frame];
  applying_command_ = 0;
  for (const DisplayCommand& d : f.commands) {
    ++applying_command_;
    if (d.kind == DisplayCommand::remove) {
      auto it = list_.find(d.command.depth);
      if (it == list_.end() || it->second.script_placed) continue;
      remove_placed(d.command.depth);
    } else {
      place(d.command);
    }
  }
  applying_command_ = 0;
  return !f.commands.empty();
}

void TimelineInstance::make_object(DisplayObject& o, Depth depth, uint16_t character) {
  o = DisplayObject();
  o.depth = depth;
  o.character = character;
  set_definition(o, movie_.character(character));
}

void TimelineInstance::set_character(DisplayObject& o, uint16_t character) {
  o.character = character;
  set_definition(o, movie_.character(character));
}

void TimelineInstance::set_definition(DisplayObject& o, const Character* definition) {
  o.definition = definition;
  o.owner = this;
  o.serial = ++serial_counter_;
  o.sprite = new_sprite(o.definition);
  if (o.sprite) o.sprite->host_ = &o;
  o.button_sprites.clear();
  o.button_state = kButtonUp;
  o.button_tracking = kTrackIdle;
  if (o.definition && o.definition->kind == CharacterKind::button) make_button_sprites(o);
}

void TimelineInstance::place(const PlaceCommand& c) {
  auto it = list_.find(c.depth);
  if (it != list_.end() && it->second.script_placed) return;
  auto interactive = [](const Character* d) {
    return d && (d->kind == CharacterKind::sprite || d->kind == CharacterKind::button);
  };
  if (it != list_.end() && c.has_character && c.move &&
      (interactive(it->second.definition) ||
       (c.character != it->second.character && interactive(movie_.character(c.character))))) {
    // A move never swaps a clip or button for another character, nor a
    // shape or text for a clip or button: it changes only the placement.
    copy_fields(it->second, c);
    return;
  }
  if (it != list_.end() && c.has_character && movie_.header.version >= 6 &&
      interactive(it->second.definition)) {
    // From SWF 6 a clip or button keeps its depth: a new placement there is
    // ignored.
    return;
  }
  if (!c.move && c.has_character) {
    // A new object; whatever was at the depth goes.
    if (it != list_.end()) removing(it->second);
    DisplayObject& o = list_[c.depth];
    make_object(o, c.depth, c.character);
    o.placed_frame = current_;
    copy_fields(o, c);
    added(o);
    return;
  }
  if (it != list_.end()) {
    // Modify the object at the depth; a new character replaces what it
    // shows and keeps the other properties unless the command gives them.
    DisplayObject& o = it->second;
    bool replaced = c.has_character && c.character != o.character;
    if (replaced) {
      removing(o);
      o.script_object = nullptr;
      set_character(o, c.character);
      o.placed_frame = current_;
    }
    copy_fields(o, c);
    if (replaced) added(o);
  }
  // A move at an empty depth places nothing.
}

void TimelineInstance::rebuild_to(size_t frame) {
  std::map<Depth, PlacedState> wanted;
  for (size_t f = 0; f <= frame; ++f)
    for (const DisplayCommand& d : timeline_.frames[f].commands)
      apply_to_states(wanted, d, static_cast<int>(f));
  // An object stays only if the placement that made it comes at or before
  // the frame (one placed later at the same depth is another object).
  auto kept = [&wanted](const DisplayObject& o) {
    auto w = wanted.find(o.depth);
    return w != wanted.end() && w->second.character == o.character &&
           o.placed_frame <= w->second.placed_frame;
  };

  std::vector<Depth> gone;
  for (auto it = list_.begin(); it != list_.end(); ++it) {
    // What scripts put at the timeline's own depths goes as well.
    if (it->second.script_placed) {
      if (it->first >= 0 && it->first < kFirstScriptDepth) gone.push_back(it->first);
      continue;
    }
    if (!kept(it->second)) gone.push_back(it->first);
  }
  for (Depth d : gone) remove_placed(d);
  for (auto it = list_.begin(); it != list_.end();) {
    if (it->second.script_placed) {
      ++it;
      continue;
    }
    auto w = wanted.find(it->first);
    if (!kept(it->second)) {
      // Came in while the others were removed (an unload handler).
      ++it;
      continue;
    }
    if (it->second.script_transform) {
      // The script's transform stays; the rest follows the timeline.
      render::Matrix m = it->second.matrix;
      render::ColorTransform cx = it->second.color_transform;
      copy_state(it->second, w->second);
      it->second.matrix = m;
      it->second.color_transform = cx;
    } else {
      copy_state(it->second, w->second);
    }
    ++it;
  }
  std::vector<DisplayObject*> made;
  for (const auto& w : wanted) {
    if (list_.count(w.first)) continue;
    DisplayObject& o = list_[w.first];
    make_object(o, w.first, w.second.character);
    copy_state(o, w.second);
    o.placed_frame = w.second.placed_frame;
    made.push_back(&o);
  }
  current_ = static_cast<int>(frame);
  for (DisplayObject* o : made) added(*o);
}

void TimelineInstance::remove_placed(Depth depth) {
  auto it = list_.find(depth);
  if (it == list_.end()) return;
  if (budget_->observer && budget_->observer->keep_removed(*this, it->second)) return;
  it = list_.find(depth);
  if (it == list_.end()) return;
  removing(it->second);
  list_.erase(it);
}

DisplayObject* TimelineInstance::add_script_object(Depth depth, const Character* definition,
                                                   const std::string& name) {
  if (!definition) return nullptr;
  if (definition->kind == CharacterKind::sprite &&
      (nesting_ >= InstanceBudget::kMaxNesting ||
       budget_->live_sprites >= InstanceBudget::kMaxLiveSprites))
    return nullptr;
  auto it = list_.find(depth);
  if (it != list_.end()) {
    removing(it->second);
    list_.erase(it);
  }
  DisplayObject& o = list_[depth];
  o.depth = depth;
  o.character = definition->id;
  set_definition(o, definition);
  o.name = name;
  o.script_placed = true;
  added(o);
  return &o;
}

bool TimelineInstance::remove_object(Depth depth) {
  auto it = list_.find(depth);
  if (it == list_.end()) return false;
  removing(it->second);
  list_.erase(it);
  return true;
}

bool TimelineInstance::swap_depths(Depth from, Depth to) {
  if (from == to) return list_.count(from) != 0;
  auto a = list_.find(from);
  if (a == list_.end()) return false;
  auto b = list_.find(to);
  // std::map nodes keep their addresses when moved between keys with
  // extract, so references to the objects stay good.
  auto node_a = list_.extract(a);
  if (b != list_.end()) {
    auto node_b = list_.extract(to);
    node_b.key() = from;
    node_b.mapped().depth = from;
    node_b.mapped().script_placed = true;
    list_.insert(std::move(node_b));
  }
  node_a.key() = to;
  node_a.mapped().depth = to;
  node_a.mapped().script_placed = true;
  list_.insert(std::move(node_a));
  return true;
}

render::ShapeGeometry& TimelineInstance::drawing_for_update() {
  // Copied when shared, so a picture being drawn elsewhere never changes.
  if (!drawing_)
    drawing_ = std::make_shared<render::ShapeGeometry>();
  else if (drawing_.use_count() > 1)
    drawing_ = std::make_shared<render::ShapeGeometry>(*drawing_);
  return *drawing_;
}

const Character* TimelineInstance::script_bitmap_character() {
  static const Character c = [] {
    Character b;
    b.kind = CharacterKind::bitmap;
    return b;
  }();
  return &c;
}

const Character* TimelineInstance::empty_sprite() {
  static const Character* const empty = [] {
    static Timeline timeline;
    timeline.frames.resize(1);
    timeline.declared_frame_count = 1;
    timeline.complete = true;
    static Character c;
    c.kind = CharacterKind::sprite;
    c.id = 0;
    c.tag_code = kTagDefineSprite;
    c.timeline = std::shared_ptr<const Timeline>(&timeline, [](const Timeline*) {});
    return &c;
  }();
  return empty;
}

}  // namespace npfp
