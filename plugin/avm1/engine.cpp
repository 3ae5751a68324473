// The engine's timeline side: script objects for instances as the display
// lists change, the order in which playheads move and scripts run each
// frame, the action queue, clip events and button actions.
#include "avm1/engine.h"

#include <algorithm>
#include <cmath>

#include "avm1/actions.h"
#include "core/byte_reader.h"

namespace avm1 {

void install_text_field_members(Runtime& rt);

namespace {

const char* method_for_event(uint32_t event) {
  switch (event) {
    case kEventLoad:
      return "onLoad";
    case kEventEnterFrame:
      return "onEnterFrame";
    case kEventUnload:
      return "onUnload";
    case kEventMouseMove:
      return "onMouseMove";
    case kEventMouseDown:
      return "onMouseDown";
    case kEventMouseUp:
      return "onMouseUp";
    case kEventData:
      return "onData";
    case kEventPress:
      return "onPress";
    case kEventRelease:
      return "onRelease";
    case kEventReleaseOutside:
      return "onReleaseOutside";
    case kEventRollOver:
      return "onRollOver";
    case kEventRollOut:
      return "onRollOut";
    case kEventDragOver:
      return "onDragOver";
    case kEventDragOut:
      return "onDragOut";
    default:
      return nullptr;
  }
}

}  // namespace

Engine::Engine(npfp::Player& player, Host& host)
    : player_(player),
      host_(host),
      runtime_(std::make_unique<Runtime>(player.has_header() ? player.movie().header.version : 8)),
      cache_(player.movie()) {
  runtime_->set_engine(this);
  runtime_->trace_output = [this](const std::string& line) { host_.trace(line); };
  start_ms_ = host_.now_ms();
  keys_down_.assign(256, false);
  install_movieclip_builtins(*this);
  install_stage_builtins(*this);
  install_textfield_builtins(*this);
  install_system_builtins(*this);
  install_bitmap_builtins(*this);
  install_media_builtins(*this);
  install_geom_builtins(*this);
  install_filter_builtins(*this);
  index_native_table(*runtime_);
  player_.set_script_host(this);
}

Engine::~Engine() {
  for (const Callback& c : callbacks_) player_.callbacks().remove(c.name.str());
  if (player_.script_host() == this) player_.set_script_host(nullptr);
  if (player_.root()) player_.root()->set_observer(nullptr);
}

int Engine::movie_version() const {
  return player_.has_header() ? player_.movie().header.version : 8;
}

// ---------------------------------------------------------------------------
// Binding

ClipObject* Engine::clip_of_timeline(const npfp::TimelineInstance* timeline) const {
  auto it = timeline_clips_.find(timeline);
  return it == timeline_clips_.end() ? nullptr : it->second;
}

void Engine::root_created(npfp::TimelineInstance& root) {
  runtime_->set_movie_version(movie_version());
  root_display_ = npfp::DisplayObject();
  root_ = runtime_->heap().make<ClipObject>(*this, ObjectClass::movieclip);
  root_->set_proto(runtime_->known().movieclip_prototype);
  root_->timeline = &root;
  root_->display = &root_display_;
  root_->level = 0;
  root_->swf_version = movie_version();
  root_->created = ++creation_counter_;
  root_->constructed = true;
  root_display_.script_object = root_;
  // The player version, as movies read it from the main timeline.
  root_->put("$version", Value(kPlayerVersion));
  clips_.push_back(root_);
  timeline_clips_[&root] = root_;
  init_actions_done_.assign(player_.movie().root.frames.size() + 1, false);
}

ClipObject* Engine::make_clip(npfp::TimelineInstance* owner, npfp::DisplayObject& o,
                              ClipObject* parent) {
  ObjectClass kind = ObjectClass::movieclip;
  Object* proto = runtime_->known().movieclip_prototype;
  if (o.definition && o.definition->kind == npfp::CharacterKind::edit_text) {
    kind = ObjectClass::text_field;
    proto = runtime_->known().textfield_prototype;
  } else if (o.definition && o.definition->kind == npfp::CharacterKind::button) {
    kind = ObjectClass::button;
    proto = runtime_->known().button_prototype;
  }
  auto* c = runtime_->heap().make<ClipObject>(*this, kind);
  c->set_proto(proto);
  c->parent = parent;
  c->owner = owner;
  c->display = &o;
  c->timeline = o.sprite.get();
  c->swf_version = movie_version();
  c->created = ++creation_counter_;
  if (o.name.empty() && kind != ObjectClass::text_field)
    o.name = "instance" + std::to_string(++instance_counter_);
  o.script_object = c;
  if (o.clip_actions) {
    c->event_bytes = o.clip_actions;
    c->events = parse_clip_actions(*o.clip_actions, movie_version());
  }
  clips_.push_back(c);
  if (c->timeline) timeline_clips_[c->timeline] = c;
  if (kind == ObjectClass::text_field) {
    c->text = std::make_unique<TextFieldState>();
    if (const npfp::EditTextDefinition* field = cache_.edit_text(o.character)) {
      c->text->text = field->has_text() ? field->initial_text() : std::string();
      c->text->html = field->html();
      c->text->variable = String(field->variable_name());
      c->text->multiline = field->multiline();
      c->text->word_wrap = field->word_wrap();
      c->text->password = field->password();
      c->text->border = field->border();
      render::Rgba color = field->color();
      c->text->text_color = (color.r << 16) | (color.g << 8) | color.b;
    }
    text_fields_.push_back(c);
    install_text_field_members(*runtime_);
    // The field and its variable agree from the moment it appears.
    if (!c->text->variable.empty()) bind_text_variable(c);
  }
  return c;
}

void Engine::object_added(npfp::TimelineInstance& owner, npfp::DisplayObject& object) {
  ClipObject* parent = clip_of_timeline(&owner);
  if (!parent || !object.definition) return;
  npfp::CharacterKind kind = object.definition->kind;
  if (kind != npfp::CharacterKind::sprite && kind != npfp::CharacterKind::edit_text &&
      kind != npfp::CharacterKind::button)
    return;
  ClipObject* c = make_clip(&owner, object, parent);
  newborns_.push_back(c);
  if (script_creating_ == &owner) {
    c->script_created = true;
  } else {
    // A clip the timeline places is constructed before the frame's
    // actions run, after the init actions that came before it.
    c->placed_command = owner.applying_command();
    if (root_ && root_->timeline && root_->timeline->current_frame() >= 0)
      queue_init_actions(static_cast<size_t>(root_->timeline->current_frame()));
    QueuedAction construct;
    construct.kind = QueuedAction::constructor_call;
    construct.clip = c;
    enqueue(std::move(construct));
  }
}

void Engine::mark_removed(ClipObject* c) {
  if (c->removed) return;
  c->last_path = target_path(c).str();
  if (c->timeline) {
    for (auto& entry : c->timeline->display_list())
      if (ClipObject* child = clip_of(entry.second)) mark_removed(child);
    timeline_clips_.erase(c->timeline);
  }
  c->removed = true;
  if (c->display) c->display->script_object = nullptr;
  c->display = nullptr;
  c->timeline = nullptr;
  c->owner = nullptr;
  clips_.erase(std::remove(clips_.begin(), clips_.end(), c), clips_.end());
  text_fields_.erase(std::remove(text_fields_.begin(), text_fields_.end(), c), text_fields_.end());
  newborns_.erase(std::remove(newborns_.begin(), newborns_.end(), c), newborns_.end());
  if (drag_clip_ == c) drag_clip_ = nullptr;
  if (pressed_clip_ == c) pressed_clip_ = nullptr;
  if (hovered_clip_ == c) hovered_clip_ = nullptr;
}

void Engine::object_removed(npfp::TimelineInstance&, npfp::DisplayObject& object) {
  ClipObject* c = clip_of(object);
  if (!c) return;
  bool has_unload = false;
  for (const ClipEventHandler& h : c->events)
    if (h.flags & kEventUnload) has_unload = true;
  mark_removed(c);
  if ((has_unload || c->loaded) && !c->unload_queued) pending_unloads_.push_back(c);
}

bool Engine::keep_removed(npfp::TimelineInstance&, npfp::DisplayObject& object) {
  return park_for_unload(clip_of(object), true);
}

void Engine::frame_entered(npfp::TimelineInstance& timeline) {
  // What the frame removed unloads after the constructors of what it
  // placed, before its actions.
  std::vector<ClipObject*> unloads;
  unloads.swap(pending_unloads_);
  for (ClipObject* u : unloads) queue_event(u, kEventUnload);
  ClipObject* c = clip_of_timeline(&timeline);
  if (!c) return;
  // A clip made in this step has its first frame queued with its load.
  if (std::find(newborns_.begin(), newborns_.end(), c) != newborns_.end()) return;
  queue_frame(c);
}

// ---------------------------------------------------------------------------
// The queue

void Engine::enqueue(QueuedAction a) {
  if (running_item_)
    inserts_.push_back(std::move(a));
  else
    queue_.push_back(std::move(a));
}

void Engine::queue_frame(ClipObject* c) {
  if (!c->timeline) return;
  int frame = c->timeline->current_frame();
  if (frame < 0 || static_cast<size_t>(frame) >= c->timeline->timeline().frames.size()) return;
  const npfp::Frame& f = c->timeline->timeline().frames[static_cast<size_t>(frame)];
  if (c == root_) queue_init_actions(static_cast<size_t>(frame));
  for (size_t i = 0; i < f.actions.size(); ++i) {
    const auto& bytes = f.actions[i];
    // Clips placed before this action in the file load before it runs.
    size_t before = i < f.commands_before_action.size() ? f.commands_before_action[i] : 0;
    for (ClipObject* n : newborns_) {
      if (n->removed || n->load_queued || n->owner != c->timeline || n->placed_command == 0 ||
          n->placed_command > before)
        continue;
      n->load_queued = true;
      QueuedAction load;
      load.kind = QueuedAction::clip_event;
      load.clip = n;
      load.event = kEventLoad;
      queue_.push_back(std::move(load));
    }
    QueuedAction a;
    a.kind = QueuedAction::frame_actions;
    a.clip = c;
    a.bytes = bytes;
    a.start = 0;
    a.size = bytes ? bytes->size() : 0;
    // A frame a script went to runs after what is queued already.
    queue_.push_back(std::move(a));
  }
}

void Engine::queue_init_actions(size_t frame) {
  // Init actions of this frame and of any skipped before it.
  for (size_t k = 0; k <= frame && k < init_actions_done_.size(); ++k) {
    if (init_actions_done_[k]) continue;
    init_actions_done_[k] = true;
    for (const auto& init : player_.movie().root.frames[k].init_actions) {
      QueuedAction a;
      a.kind = QueuedAction::init_actions;
      a.clip = root_;
      a.bytes = init.second;
      a.start = 0;
      a.size = init.second ? init.second->size() : 0;
      enqueue(std::move(a));
    }
  }
}

void Engine::queue_event(ClipObject* c, uint32_t event) {
  QueuedAction a;
  a.kind = QueuedAction::clip_event;
  a.clip = c;
  a.event = event;
  enqueue(std::move(a));
}

void Engine::queue_newborns() {
  auto flush_unloads = [this] {
    std::vector<ClipObject*> unloads;
    unloads.swap(pending_unloads_);
    for (ClipObject* c : unloads) queue_event(c, kEventUnload);
  };
  while (!newborns_.empty()) {
    std::vector<ClipObject*> born;
    born.swap(newborns_);
    for (ClipObject* c : born) {
      if (c->removed) continue;
      if (!c->constructed) {
        QueuedAction construct;
        construct.kind = QueuedAction::constructor_call;
        construct.clip = c;
        enqueue(std::move(construct));
      }
      flush_unloads();
      if (c->script_created) {
        // A clip made by a script loads after what the frame queued.
        bool was_running = running_item_;
        running_item_ = false;
        queue_event(c, kEventLoad);
        queue_frame(c);
        running_item_ = was_running;
      } else {
        if (!c->load_queued) queue_event(c, kEventLoad);
        queue_frame(c);
      }
    }
  }
  flush_unloads();
}

void Engine::run_queue() {
  if (running_queue_) return;
  running_queue_ = true;
  queue_newborns();
  // Scripts that keep queueing each other (a frame script that goes back to
  // its own frame) share one action budget, as one long script would.
  const uint64_t actions_at_start = runtime_->actions_run();
  size_t guard = 0;
  for (;;) {
    if (queue_.empty()) {
      if (finishing_.empty()) break;
      std::vector<ClipObject*> gone;
      gone.swap(finishing_);
      for (ClipObject* c : gone) {
        QueuedAction finish;
        finish.kind = QueuedAction::finish_removal;
        finish.clip = c;
        queue_.push_back(std::move(finish));
      }
    }
    if (guard++ >= 1000000 ||
        runtime_->actions_run() - actions_at_start > runtime_->max_actions_per_run)
      break;
    QueuedAction a = std::move(queue_.front());
    queue_.pop_front();
    running_item_ = true;
    try {
      run_one(a);
    } catch (ScriptThrow&) {
      // Nothing caught it: that action ends, the queue goes on.
    } catch (ScriptAbort&) {
      if (runtime_->running()) {
        running_item_ = running_queue_ = false;
        throw;
      }
    }
    queue_newborns();
    running_item_ = false;
    for (size_t i = inserts_.size(); i-- > 0;) queue_.push_front(std::move(inserts_[i]));
    inserts_.clear();
  }
  running_queue_ = false;
}

void Engine::run_one(const QueuedAction& a) {
  ClipObject* c = a.clip;
  switch (a.kind) {
    case QueuedAction::frame_actions:
      if (c && !c->removed) runtime_->run_block(a.bytes, a.start, a.size, c, c->swf_version);
      break;
    case QueuedAction::init_actions:
      runtime_->run_block(a.bytes, a.start, a.size, root_, movie_version());
      break;
    case QueuedAction::clip_event:
      if (c) run_event(c, a.event);
      break;
    case QueuedAction::clip_method:
      if (c && !c->removed) call_clip_method(c, a.method);
      break;
    case QueuedAction::constructor_call:
      if (c && !c->removed) construct_clip(c);
      break;
    case QueuedAction::finish_removal:
      if (c && !c->removed && c->owner && c->display) {
        c->owner->remove_object(c->display->depth);
        redraw_ = true;
      }
      break;
  }
}

void Engine::run_event(ClipObject* c, uint32_t event, uint8_t key) {
  if (event == kEventLoad) {
    if (c->loaded || c->removed) return;
    c->loaded = true;
  }
  if (event != kEventUnload && c->removed) return;
  for (const ClipEventHandler& h : c->events) {
    if (!(h.flags & event)) continue;
    if (event == kEventKeyPress && h.key != key) continue;
    runtime_->run_block(c->event_bytes, h.start, h.size, c, c->swf_version);
  }
  // Event methods (onLoad, onEnterFrame, ...) came with Flash 6.
  if (c->swf_version < 6) return;
  if (const char* method = method_for_event(event)) call_clip_method(c, method);
}

void Engine::construct_clip(ClipObject* c, bool defer_initialize) {
  if (c->constructed) return;
  c->constructed = true;
  Object* ctor = nullptr;
  if (c->display && c->display->definition && !runtime_->registered_classes.empty()) {
    uint16_t id = c->display->definition->id;
    for (const auto& e : player_.movie().exports) {
      if (e.second != id) continue;
      for (const auto& r : runtime_->registered_classes)
        if (r.first.same(String(e.first), runtime_->case_sensitive())) ctor = r.second;
    }
  }
  // The initialize event still sees a plain clip; the construct event
  // sees the registered class's prototype, before its constructor runs.
  if (defer_initialize)
    queue_event(c, kEventInitialize);
  else
    run_event(c, kEventInitialize);
  if (c->removed) return;
  if (ctor) {
    Value prototype = runtime_->get_property(ctor, "prototype");
    if (prototype.as_object()) c->set_proto(prototype.as_object());
  }
  run_event(c, kEventConstruct);
  if (ctor && ctor->is_function()) {
    Value prototype = runtime_->get_property(ctor, "prototype");
    c->define("__constructor__", Value::object(ctor), kHidden);
    try {
      runtime_->call_with_super(static_cast<FunctionObject*>(ctor), Value::object(c), nullptr, 0,
                                prototype.as_object(), true);
    } catch (ScriptThrow&) {
    } catch (ScriptAbort&) {
    }
  }
}

void Engine::run_actions(ClipObject* clip, const Bytes& bytes, size_t start, size_t size) {
  runtime_->run_block(bytes, start, size, clip, clip ? clip->swf_version : movie_version());
  run_queue();
}

void Engine::call_clip_method(ClipObject* clip, const String& name,
                              const std::vector<Value>& args) {
  call_object_method(clip, name, args);
}

void Engine::call_object_method(Object* o, const String& name, const std::vector<Value>& args) {
  if (!o) return;
  Value self = Value::object(o);
  try {
    // The lookup runs scripts too (getters, __resolve) and may throw.
    Value method = runtime_->get_property(o, name);
    if (!runtime_->is_callable(method)) return;
    runtime_->call(method, self, args);
  } catch (ScriptThrow&) {
  } catch (ScriptAbort&) {
    if (runtime_->running()) throw;
  }
}

// ---------------------------------------------------------------------------
// The frame loop

std::vector<ClipObject*> Engine::execution_order() {
  std::vector<ClipObject*> order;
  order.reserve(clips_.size());
  for (auto it = clips_.rbegin(); it != clips_.rend(); ++it)
    if (!(*it)->removed && (*it)->timeline) order.push_back(*it);
  return order;
}

bool Engine::advance_frame(npfp::TimelineInstance& root) {
  if (!root_) root_created(root);
  if (!runtime_->running() && runtime_->heap().wants_collection()) collect_garbage();
  in_advance_ = true;
  bool changed = false;
  const uint64_t actions_before = runtime_->actions_run();
  if (!root.started()) {
    changed = root.advance_self();
    queue_newborns();
    // The main timeline loads after its first frame's actions.
    queue_event(root_, kEventLoad);
    run_queue();
  } else {
    run_timers();
    std::vector<ClipObject*> order = execution_order();
    for (ClipObject* c : order) {
      if (c->removed || !c->timeline) continue;
      queue_event(c, kEventEnterFrame);
      if (c->timeline->advance_self()) changed = true;
      queue_newborns();
    }
    run_queue();
  }
  update_text_fields();
  in_advance_ = false;
  if (redraw_) changed = true;
  redraw_ = false;
  // Scripts change what is drawn in more ways than the property setters
  // flag (text, drawing, colours), so a frame in which any action ran is
  // drawn again; a still movie whose scripts are idle asks for nothing.
  return changed || runtime_->actions_run() != actions_before;
}

bool Engine::take_redraw_request() {
  bool r = redraw_;
  redraw_ = false;
  return r;
}

void Engine::collect_garbage() {
  runtime_->heap().collect([this](Tracer& t) {
    runtime_->trace_roots(t);
    t.mark(root_);
    for (ClipObject* c : clips_) t.mark(c);
    for (ClipObject* c : newborns_) t.mark(c);
    for (ClipObject* c : pending_unloads_) t.mark(c);
    for (ClipObject* c : finishing_) t.mark(c);
    for (ClipObject* c : text_fields_) t.mark(c);
    for (const QueuedAction& a : queue_) t.mark(a.clip);
    for (const QueuedAction& a : inserts_) t.mark(a.clip);
    for (const Timer& timer : timers_) {
      t.mark(timer.target);
      t.mark(timer.method);
      for (const Value& v : timer.args) t.mark(v);
    }
    for (const auto& l : loads_) t.mark(l.second.receiver);
    for (const Callback& c : callbacks_) {
      t.mark(c.instance);
      t.mark(c.function);
    }
    t.mark(drag_clip_);
    t.mark(pressed_clip_);
    t.mark(hovered_clip_);
  });
}

// ---------------------------------------------------------------------------
// Buttons

namespace {

// The actions of a DefineButton (one list, run on release) or the
// condition records of a DefineButton2.
struct ButtonAction {
  uint16_t conditions;
  size_t start, size;
};

std::vector<ButtonAction> button_actions(const npfp::Character& c) {
  std::vector<ButtonAction> out;
  const std::vector<uint8_t>& body = *c.body;
  size_t n = body.size();
  if (c.tag_code == npfp::kTagDefineButton2) {
    if (n < 5) return out;
    size_t offset = body[3] | (body[4] << 8);
    if (offset == 0) return out;
    size_t at = 3 + offset;
    while (at + 4 <= n) {
      size_t size = body[at] | (body[at + 1] << 8);
      uint16_t conditions = static_cast<uint16_t>(body[at + 2] | (body[at + 3] << 8));
      size_t start = at + 4;
      size_t end = size == 0 ? n : std::min(n, at + size);
      if (end > start) out.push_back({conditions, start, end - start});
      if (size == 0) break;
      at += size;
    }
    return out;
  }
  // DefineButton: the records, then one action list.
  size_t at = 2;
  while (at < n) {
    uint8_t flags = body[at];
    if (flags == 0) {
      ++at;
      break;
    }
    at += 5;
    if (at > n) return out;
    render::Matrix m;
    size_t used = render::read_matrix(body.data() + at, n - at, m);
    if (used == 0) return out;
    at += used;
  }
  if (at < n) out.push_back({npfp::kCondOverDownToOverUp, at, n - at});
  return out;
}

}  // namespace

void Engine::button_event(npfp::TimelineInstance& owner, npfp::DisplayObject& button,
                          uint16_t condition) {
  ClipObject* parent = clip_of_timeline(&owner);
  if (!parent || !button.definition || !button.definition->body) return;
  for (const ButtonAction& a : button_actions(*button.definition)) {
    if (!(a.conditions & condition)) continue;
    QueuedAction q;
    q.kind = QueuedAction::frame_actions;
    q.clip = parent;
    q.bytes = button.definition->body;
    q.start = a.start;
    q.size = a.size;
    enqueue(std::move(q));
  }
  if (ClipObject* b = clip_of(button)) {
    const char* method = nullptr;
    switch (condition) {
      case npfp::kCondIdleToOverUp:
        method = "onRollOver";
        break;
      case npfp::kCondOverUpToIdle:
        method = "onRollOut";
        break;
      case npfp::kCondOverUpToOverDown:
        method = "onPress";
        break;
      case npfp::kCondOverDownToOverUp:
        method = "onRelease";
        break;
      case npfp::kCondOutDownToIdle:
        method = "onReleaseOutside";
        break;
      case npfp::kCondOverDownToOutDown:
        method = "onDragOut";
        break;
      case npfp::kCondOutDownToOverDown:
        method = "onDragOver";
        break;
      default:
        break;
    }
    if (method) {
      QueuedAction q;
      q.kind = QueuedAction::clip_method;
      q.clip = b;
      q.method = method;
      enqueue(std::move(q));
    }
  }
  if (!in_advance_) run_queue();
  redraw_ = true;
}

void Engine::send_button_key(uint32_t code) {
  // Key conditions of every button on the stage.
  std::vector<std::pair<ClipObject*, const npfp::DisplayObject*>> buttons;
  for (ClipObject* c : execution_order()) {
    for (const auto& entry : c->timeline->display_list()) {
      const npfp::DisplayObject& o = entry.second;
      if (o.definition && o.definition->kind == npfp::CharacterKind::button &&
          o.definition->tag_code == npfp::kTagDefineButton2)
        buttons.emplace_back(c, &o);
    }
  }
  for (const auto& b : buttons) {
    for (const ButtonAction& a : button_actions(*b.second->definition)) {
      if ((a.conditions >> 9) != code) continue;
      QueuedAction q;
      q.kind = QueuedAction::frame_actions;
      q.clip = b.first;
      q.bytes = b.second->definition->body;
      q.start = a.start;
      q.size = a.size;
      enqueue(std::move(q));
    }
  }
}

}  // namespace avm1
