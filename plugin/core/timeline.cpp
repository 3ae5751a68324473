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
void apply_to_states(std::map<uint16_t, PlacedState>& states, const DisplayCommand& d) {
  const PlaceCommand& c = d.command;
  if (d.kind == DisplayCommand::remove) {
    states.erase(c.depth);
    return;
  }
  auto it = states.find(c.depth);
  if (!c.move && c.has_character) {
    PlacedState s;
    s.character = c.character;
    merge_fields(s, c);
    states[c.depth] = s;
  } else if (it != states.end()) {
    if (c.has_character) it->second.character = c.character;
    merge_fields(it->second, c);
  } else if (c.has_character) {
    PlacedState s;
    s.character = c.character;
    merge_fields(s, c);
    states[c.depth] = s;
  }
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
  if (c.has_matrix) o.matrix = c.matrix;
  if (c.has_color_transform) o.color_transform = c.color_transform;
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

TimelineInstance::~TimelineInstance() {
  list_.clear();
  if (nesting_ > 0) --budget_->live_sprites;
}

const DisplayObject* TimelineInstance::object_at(uint16_t depth) const {
  auto it = list_.find(depth);
  return it == list_.end() ? nullptr : &it->second;
}

TimelineInstance* TimelineInstance::sprite_at(uint16_t depth) {
  auto it = list_.find(depth);
  return it == list_.end() ? nullptr : it->second.sprite.get();
}

bool TimelineInstance::set_button_state(uint16_t depth, uint8_t state) {
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
  auto sprite =
      std::make_unique<TimelineInstance>(movie_, *definition->timeline, budget_, nesting_ + 1);
  sprite->start();
  return sprite;
}

void TimelineInstance::make_button_sprites(DisplayObject& o) {
  o.button_sprites.clear();
  ButtonDefinition button;
  button.parse(o.definition->tag_code, o.definition->body->data(), o.definition->body->size());
  const std::vector<ButtonRecord>& records = button.records();
  for (size_t i = 0; i < records.size(); ++i) {
    if (!(records[i].states & o.button_state)) continue;
    if (auto sprite = new_sprite(movie_.character(records[i].character)))
      o.button_sprites[i] = std::move(sprite);
  }
}

bool TimelineInstance::start() {
  if (started() || timeline_.frames.empty()) return false;
  current_ = 0;
  apply_frame(0);
  return true;
}

bool TimelineInstance::advance() {
  if (!started()) return start();
  bool changed = false;
  for (auto& entry : list_) {
    if (entry.second.sprite && entry.second.sprite->advance()) changed = true;
    for (auto& shown : entry.second.button_sprites)
      if (shown.second->advance()) changed = true;
  }
  if (!playing_) return changed;

  size_t next = static_cast<size_t>(current_) + 1;
  if (next < timeline_.frames.size()) {
    current_ = static_cast<int>(next);
    if (apply_frame(next)) changed = true;
  } else if (timeline_.complete && timeline_.frames.size() > 1) {
    rebuild_to(0);
    changed = true;
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
    return true;
  }
  for (size_t f = current + 1; f <= frame; ++f) apply_frame(f);
  current_ = static_cast<int>(frame);
  return true;
}

bool TimelineInstance::apply_frame(size_t frame) {
  const Frame& f = timeline_.frames[frame];
  for (const DisplayCommand& d : f.commands) {
    if (d.kind == DisplayCommand::remove)
      list_.erase(d.command.depth);
    else
      place(d.command);
  }
  return !f.commands.empty();
}

void TimelineInstance::make_object(DisplayObject& o, uint16_t depth, uint16_t character) {
  o = DisplayObject();
  o.depth = depth;
  set_character(o, character);
}

void TimelineInstance::set_character(DisplayObject& o, uint16_t character) {
  o.character = character;
  o.definition = movie_.character(character);
  o.serial = ++serial_counter_;
  o.sprite = new_sprite(o.definition);
  o.button_sprites.clear();
  o.button_state = kButtonUp;
  if (o.definition && o.definition->kind == CharacterKind::button) make_button_sprites(o);
}

void TimelineInstance::place(const PlaceCommand& c) {
  auto it = list_.find(c.depth);
  if (!c.move && c.has_character) {
    // A new object; whatever was at the depth goes.
    DisplayObject& o = list_[c.depth];
    make_object(o, c.depth, c.character);
    copy_fields(o, c);
    return;
  }
  if (it != list_.end()) {
    // Modify the object at the depth; a new character replaces what it
    // shows and keeps the other properties unless the command gives them.
    DisplayObject& o = it->second;
    if (c.has_character && c.character != o.character) set_character(o, c.character);
    copy_fields(o, c);
    return;
  }
  if (c.has_character) {
    DisplayObject& o = list_[c.depth];
    make_object(o, c.depth, c.character);
    copy_fields(o, c);
  }
}

void TimelineInstance::rebuild_to(size_t frame) {
  std::map<uint16_t, PlacedState> wanted;
  for (size_t f = 0; f <= frame; ++f)
    for (const DisplayCommand& d : timeline_.frames[f].commands) apply_to_states(wanted, d);

  for (auto it = list_.begin(); it != list_.end();) {
    auto w = wanted.find(it->first);
    if (w == wanted.end() || w->second.character != it->second.character) {
      it = list_.erase(it);
      continue;
    }
    copy_state(it->second, w->second);
    ++it;
  }
  for (const auto& w : wanted) {
    if (list_.count(w.first)) continue;
    DisplayObject& o = list_[w.first];
    make_object(o, w.first, w.second.character);
    copy_state(o, w.second);
  }
  current_ = static_cast<int>(frame);
}

}  // namespace npfp
