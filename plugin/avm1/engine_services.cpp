// The engine's services: input for clip events, listeners and buttons;
// intervals; URL requests and loads; ExternalInterface; text fields.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <functional>

#include "avm1/engine.h"
#include "avm1/external_interface.h"
#include "core/edit_text.h"

namespace avm1 {

// ---------------------------------------------------------------------------
// Input

namespace {

// The key code a button's key condition names for a virtual key.
uint32_t button_key_for_virtual_key(uint32_t vk) {
  switch (vk) {
    case 0x25:
      return 1;  // left
    case 0x27:
      return 2;  // right
    case 0x24:
      return 3;  // home
    case 0x23:
      return 4;  // end
    case 0x2D:
      return 5;  // insert
    case 0x2E:
      return 6;  // delete
    case 0x08:
      return 8;  // backspace
    case 0x0D:
      return 13;  // enter
    case 0x26:
      return 14;  // up
    case 0x28:
      return 15;  // down
    case 0x21:
      return 16;  // page up
    case 0x22:
      return 17;  // page down
    case 0x09:
      return 18;  // tab
    case 0x1B:
      return 19;  // escape
    default:
      return 0;
  }
}

bool has_button_handlers(Runtime& rt, ClipObject* c) {
  for (const ClipEventHandler& h : c->events)
    if (h.flags &
        (kEventPress | kEventRelease | kEventReleaseOutside | kEventRollOver | kEventRollOut))
      return true;
  for (const char* m : {"onPress", "onRelease", "onReleaseOutside", "onRollOver", "onRollOut"}) {
    Value v;
    if (rt.find_property(c, m, v) && rt.is_callable(v)) return true;
  }
  return false;
}

}  // namespace

void Engine::dispatch_mouse(uint32_t event, const char* method) {
  for (ClipObject* c : execution_order()) {
    bool handler = false;
    for (const ClipEventHandler& h : c->events)
      if (h.flags & event) handler = true;
    Value m;
    if (handler || (runtime_->find_property(c, method, m) && runtime_->is_callable(m)))
      queue_event(c, event);
  }
  Value mouse = runtime_->get_property(runtime_->global(), "Mouse");
  if (Object* o = mouse.as_object()) broadcast(o, method, {});
}

void Engine::dispatch_key(uint32_t event, const char* method) {
  for (ClipObject* c : execution_order()) {
    for (const ClipEventHandler& h : c->events)
      if (h.flags & event) {
        QueuedAction q;
        q.kind = QueuedAction::clip_event;
        q.clip = c;
        q.event = event;
        enqueue(std::move(q));
        break;
      }
  }
  Value key = runtime_->get_property(runtime_->global(), "Key");
  if (Object* o = key.as_object()) broadcast(o, method, {});
}

void Engine::clip_mouse_events(const npfp::InputEvent& e) {
  // The topmost clip under the mouse that takes button events.
  ClipObject* found = nullptr;
  std::function<bool(ClipObject*)> search = [&](ClipObject* c) {
    if (!c->timeline) return false;
    const auto& list = c->timeline->display_list();
    for (auto it = list.rbegin(); it != list.rend(); ++it) {
      ClipObject* child = clip_of(it->second);
      if (!child || !child->is_movieclip() || !it->second.visible) continue;
      if (!hit_test_point(child, mouse_x_, mouse_y_, true)) continue;
      if (has_button_handlers(*runtime_, child)) {
        found = child;
        return true;
      }
      if (search(child)) return true;
    }
    return false;
  };
  if (root_) search(root_);
  auto send = [&](ClipObject* c, uint32_t event) {
    if (c && !c->removed) queue_event(c, event);
  };
  if (e.type == npfp::InputEvent::mouse_move) {
    if (found != hovered_clip_ && !mouse_down_) {
      send(hovered_clip_, kEventRollOut);
      send(found, kEventRollOver);
      hovered_clip_ = found;
    }
  } else if (e.type == npfp::InputEvent::mouse_down) {
    pressed_clip_ = found;
    send(found, kEventPress);
  } else if (e.type == npfp::InputEvent::mouse_up) {
    if (pressed_clip_)
      send(pressed_clip_, found == pressed_clip_ ? kEventRelease : kEventReleaseOutside);
    pressed_clip_ = nullptr;
    if (found != hovered_clip_) {
      send(hovered_clip_, kEventRollOut);
      send(found, kEventRollOver);
      hovered_clip_ = found;
    }
  }
}

void Engine::input(const npfp::InputEvent& e, const render::Matrix& to_movie) {
  if (!root_) return;
  switch (e.type) {
    case npfp::InputEvent::mouse_move:
    case npfp::InputEvent::mouse_down:
    case npfp::InputEvent::mouse_up: {
      render::Point p = to_movie.apply({e.x + 0.5, e.y + 0.5});
      mouse_x_ = p.x;
      mouse_y_ = p.y;
      const render::Point corner =
          to_movie.apply({static_cast<double>(e.x), static_cast<double>(e.y)});
      mouse_pixel_x_ = corner.x;
      mouse_pixel_y_ = corner.y;
      if (e.type == npfp::InputEvent::mouse_move) {
        if (drag_clip_ && drag_clip_->display && drag_clip_->parent) {
          render::Point local = to_root(drag_clip_->parent).inverse(nullptr).apply(p);
          double x = local.x + drag_offset_x_, y = local.y + drag_offset_y_;
          if (drag_constrained_) {
            x = std::max(drag_x1_, std::min(drag_x2_, x));
            y = std::max(drag_y1_, std::min(drag_y2_, y));
          }
          drag_clip_->display->matrix.tx = std::round(x);
          drag_clip_->display->matrix.ty = std::round(y);
          drag_clip_->display->script_transform = true;
          redraw_ = true;
        }
        dispatch_mouse(kEventMouseMove, "onMouseMove");
      } else if (e.button == 0) {
        mouse_down_ = e.type == npfp::InputEvent::mouse_down;
        if (mouse_down_)
          dispatch_mouse(kEventMouseDown, "onMouseDown");
        else
          dispatch_mouse(kEventMouseUp, "onMouseUp");
      }
      if (e.button == 0) clip_mouse_events(e);
      break;
    }
    case npfp::InputEvent::key_down: {
      uint32_t code = e.key & 0xFF;
      keys_down_[code] = true;
      last_key_ = code;
      // Letters and digits have their character before WM_CHAR arrives.
      if ((code >= '0' && code <= '9') || code == ' ')
        last_ascii_ = code;
      else if (code >= 'A' && code <= 'Z')
        last_ascii_ = code + 32;
      else if (uint32_t k = button_key_for_virtual_key(code))
        last_ascii_ = k == 13 || k == 8 || k == 19 || k == 18 ? (k == 19   ? 27
                                                                 : k == 18 ? 9
                                                                           : k)
                                                              : 0;
      dispatch_key(kEventKeyDown, "onKeyDown");
      if (uint32_t k = button_key_for_virtual_key(code)) {
        send_button_key(k);
        for (ClipObject* c : execution_order())
          for (const ClipEventHandler& h : c->events)
            if ((h.flags & kEventKeyPress) && h.key == k) {
              QueuedAction q;
              q.kind = QueuedAction::clip_event;
              q.clip = c;
              q.event = kEventKeyPress;
              enqueue(std::move(q));
            }
      }
      break;
    }
    case npfp::InputEvent::key_up:
      keys_down_[e.key & 0xFF] = false;
      last_key_ = e.key & 0xFF;
      dispatch_key(kEventKeyUp, "onKeyUp");
      break;
    case npfp::InputEvent::character:
      last_ascii_ = e.key;
      if (e.key >= 32 && e.key <= 126) {
        send_button_key(e.key);
        for (ClipObject* c : execution_order())
          for (const ClipEventHandler& h : c->events)
            if ((h.flags & kEventKeyPress) && h.key == e.key) {
              QueuedAction q;
              q.kind = QueuedAction::clip_event;
              q.clip = c;
              q.event = kEventKeyPress;
              enqueue(std::move(q));
            }
      }
      break;
  }
  if (!in_advance_) {
    // Key press events carry their key; run them with it.
    std::deque<QueuedAction> pending;
    pending.swap(queue_);
    for (QueuedAction& a : pending) {
      if (a.kind == QueuedAction::clip_event && a.event == kEventKeyPress) {
        uint32_t key = e.type == npfp::InputEvent::character
                           ? e.key
                           : button_key_for_virtual_key(e.key & 0xFF);
        running_item_ = true;
        run_event(a.clip, kEventKeyPress, static_cast<uint8_t>(key));
        running_item_ = false;
        for (QueuedAction& i : inserts_) queue_.push_back(std::move(i));
        inserts_.clear();
      } else {
        queue_.push_back(std::move(a));
      }
    }
    run_queue();
  }
}

bool Engine::key_is_down(uint32_t code) const {
  return code < keys_down_.size() && keys_down_[code];
}

int Engine::stage_width() const {
  if (player_.options().scale == npfp::ScaleMode::no_scale) return player_.viewport_width();
  return player_.movie().header.width_pixels();
}

int Engine::stage_height() const {
  if (player_.options().scale == npfp::ScaleMode::no_scale) return player_.viewport_height();
  return player_.movie().header.height_pixels();
}

void Engine::broadcast(Object* source, const String& event, const std::vector<Value>& args) {
  Value list = runtime_->get_property(source, "_listeners");
  Object* l = list.as_object();
  if (!l) return;
  double n = runtime_->to_number(runtime_->get_property(l, "length"));
  std::vector<Value> listeners;
  for (size_t i = 0; i < static_cast<size_t>(n > 0 ? std::min(n, 100000.0) : 0); ++i)
    listeners.push_back(runtime_->get_property(l, String(std::to_string(i))));
  for (const Value& v : listeners) {
    if (Object* o = v.as_object()) {
      try {
        call_object_method(o, event, args);
      } catch (ScriptAbort&) {
      }
    }
  }
}

// ---------------------------------------------------------------------------
// Time and intervals

double Engine::timer_ms() { return host_.now_ms() - start_ms_; }

int Engine::add_timer(Object* target, const Value& method, double interval, std::vector<Value> args,
                      bool repeat) {
  if (!target) return 0;
  if (!(interval >= 0)) interval = 0;
  Timer t{next_timer_id_++,      target,          method, interval,
          timer_ms() + interval, std::move(args), repeat};
  timers_.push_back(std::move(t));
  return timers_.back().id;
}

void Engine::remove_timer(int id) {
  timers_.erase(
      std::remove_if(timers_.begin(), timers_.end(), [id](const Timer& t) { return t.id == id; }),
      timers_.end());
}

void Engine::run_timers() {
  double now = timer_ms();
  for (int round = 0; round < 10; ++round) {
    std::vector<int> due;
    for (const Timer& t : timers_)
      if (t.next <= now) due.push_back(t.id);
    if (due.empty()) break;
    for (int id : due) {
      auto it =
          std::find_if(timers_.begin(), timers_.end(), [id](const Timer& t) { return t.id == id; });
      if (it == timers_.end()) continue;
      Timer t = *it;
      if (t.repeat) {
        it->next += std::max(t.interval, 1.0);
      } else {
        timers_.erase(it);
      }
      try {
        if (t.target->is_function())
          runtime_->call(Value::object(t.target), Value(), t.args);
        else
          call_object_method(t.target, runtime_->to_string(t.method), t.args);
      } catch (ScriptThrow&) {
      } catch (ScriptAbort&) {
      }
      run_queue();
    }
  }
}

// ---------------------------------------------------------------------------
// URLs and loading

namespace {

std::string url_encode(const std::string& s) {
  static const char hex[] = "0123456789ABCDEF";
  std::string out;
  for (unsigned char c : s) {
    if ((c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '-' ||
        c == '_' || c == '.' || c == '*') {
      out += static_cast<char>(c);
    } else if (c == ' ') {
      out += '+';
    } else {
      out += '%';
      out += hex[c >> 4];
      out += hex[c & 15];
    }
  }
  return out;
}

int hex_value(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

std::string url_decode(const std::string& s) {
  std::string out;
  for (size_t i = 0; i < s.size(); ++i) {
    if (s[i] == '+') {
      out += ' ';
    } else if (s[i] == '%' && i + 2 < s.size() && hex_value(s[i + 1]) >= 0 &&
               hex_value(s[i + 2]) >= 0) {
      out += static_cast<char>(hex_value(s[i + 1]) * 16 + hex_value(s[i + 2]));
      i += 2;
    } else {
      out += s[i];
    }
  }
  return out;
}

std::string encode_variables(Runtime& rt, Object* o) {
  std::string out;
  std::vector<String> names = rt.enumerate(o);
  for (size_t i = names.size(); i-- > 0;) {
    Value v = rt.get_property(o, names[i]);
    if (v.is_object() && v.as_object()->is_function()) continue;
    if (!out.empty()) out += '&';
    out += url_encode(names[i].str()) + "=" + url_encode(rt.to_string(v).str());
  }
  return out;
}

void Engine::get_url(ClipObject* clip, const std::string& url, const std::string& target,
                     int method, bool load_variables, bool load_target) {
  if (url.size() >= 10 && equal_folded(url.substr(0, 10), "fscommand:")) {
    host_.fscommand(url.substr(10), target);
    return;
  }
  std::string data;
  if (method != 0 && clip) data = encode_variables(*runtime_, clip);
  const char* method_name = method == 1 ? "GET" : method == 2 ? "POST" : "";
  if (load_variables) {
    ClipObject* receiver = nullptr;
    int level;
    if (!load_target && target.size() > 6 && equal_folded(target.substr(0, 6), "_level")) {
      level = std::atoi(target.c_str() + 6);
      receiver = this->level(level);
    } else {
      receiver = resolve_path(clip, target);
    }
    if (!receiver) return;
    uint32_t id = next_load_++;
    loads_[id] = Load{receiver, true, false};
    if (!host_.load(id, url, method_name, data)) loads_.erase(id);
    return;
  }
  if (load_target || (target.size() > 6 && equal_folded(target.substr(0, 6), "_level"))) {
    // Movies loaded into clips or levels are not played; an empty address
    // unloads the clip's content.
    if (url.empty()) {
      ClipObject* c = resolve_path(clip, target);
      if (c && c != root_) remove_clip(c);
    }
    return;
  }
  host_.navigate(url, target, method_name, data);
}

bool Engine::load_into(Object* receiver, const std::string& url, const std::string& method,
                       const std::string& data) {
  uint32_t id = next_load_++;
  loads_[id] = Load{receiver, false, false};
  if (host_.load(id, url, method, data)) return true;
  loads_.erase(id);
  return false;
}

void Engine::load_finished(uint32_t request, bool ok, const std::string& raw) {
  auto it = loads_.find(request);
  if (it == loads_.end()) return;
  // A UTF-8 byte order mark is no part of the text.
  std::string data = raw.compare(0, 3, "\xEF\xBB\xBF") == 0 ? raw.substr(3) : raw;
  Load load = it->second;
  loads_.erase(it);
  if (load.variables) {
    auto* clip = static_cast<ClipObject*>(load.receiver);
    if (!ok || clip->removed) return;
    size_t from = 0;
    while (from <= data.size()) {
      size_t amp = data.find('&', from);
      std::string pair =
          data.substr(from, amp == std::string::npos ? std::string::npos : amp - from);
      size_t eq = pair.find('=');
      if (!pair.empty())
        runtime_->set_property(
            clip, String(url_decode(pair.substr(0, eq))),
            Value(eq == std::string::npos ? std::string() : url_decode(pair.substr(eq + 1))));
      if (amp == std::string::npos) break;
      from = amp + 1;
    }
    queue_event(clip, kEventData);
  } else {
    std::vector<Value> args;
    args.push_back(ok ? Value(data) : Value());
    call_object_method(load.receiver, "onData", args);
  }
  run_queue();
}

// ---------------------------------------------------------------------------
// ExternalInterface

bool Engine::external_call(const String& name, const std::vector<Value>& args, Value& result) {
  std::string script = external_call_script(*runtime_, name, args);
  std::string answer;
  if (!host_.evaluate(script, answer)) return false;
  Value v;
  if (parse_external_value(*runtime_, answer, v))
    result = v;
  else
    result = Value(answer);
  return true;
}

Value Engine::value_from_xml(const std::string& xml) {
  Value v;
  if (parse_external_value(*runtime_, xml, v)) return v;
  return Value();
}

namespace {

Value from_script_value(const npfp::ScriptValue& s) {
  switch (s.type) {
    case npfp::ScriptValue::null:
      return Value::null();
    case npfp::ScriptValue::boolean:
      return Value::boolean(s.boolean_value);
    case npfp::ScriptValue::number:
      return Value::number(s.number_value);
    case npfp::ScriptValue::string:
      return Value(s.string_value);
    default:
      return Value();
  }
}

}  // namespace

bool Engine::add_callback(const String& name, const Value& instance, const Value& function) {
  if (name.empty() || !runtime_->is_callable(function)) return false;
  auto it = std::find_if(callbacks_.begin(), callbacks_.end(),
                         [&](const Callback& c) { return c.name == name; });
  if (it != callbacks_.end()) {
    it->instance = instance;
    it->function = function;
  } else {
    callbacks_.push_back({name, instance, function});
  }
  String key = name;
  player_.callbacks().add(name.str(), [this, key](const std::vector<npfp::ScriptValue>& args,
                                                  npfp::ScriptValue& result) {
    auto found = std::find_if(callbacks_.begin(), callbacks_.end(),
                              [&](const Callback& c) { return c.name == key; });
    if (found == callbacks_.end()) return false;
    Value function = found->function, instance = found->instance;
    std::vector<Value> values;
    for (const npfp::ScriptValue& a : args) values.push_back(from_script_value(a));
    Value answer;
    try {
      answer = runtime_->call(function, instance, values);
    } catch (ScriptThrow&) {
    } catch (ScriptAbort&) {
    }
    switch (answer.type()) {
      case Type::null:
        result.type = npfp::ScriptValue::null;
        break;
      case Type::boolean:
        result = npfp::ScriptValue::from_bool(answer.as_boolean());
        break;
      case Type::number:
        result = npfp::ScriptValue::from_number(answer.as_number());
        break;
      case Type::string:
        result = npfp::ScriptValue::from_string(answer.string_text());
        break;
      case Type::object:
        result = npfp::ScriptValue::from_string(runtime_->to_string(answer).str());
        break;
      default:
        result = npfp::ScriptValue();
        break;
    }
    run_queue();
    redraw_ = true;
    return true;
  });
  return true;
}

// ---------------------------------------------------------------------------
// Text fields

namespace {

std::string plain_text(const TextFieldState& t) {
  return t.html ? npfp::strip_html(t.text) : t.text;
}

// The markup a field gives as its htmlText: a paragraph per line in the
// field's format. Markup the field was given is read for its characters
// only (character formats are not kept here).
std::string html_of_plain(const TextFieldState& t, int version) {
  char font[160];
  std::snprintf(font, sizeof font, "<FONT FACE=\"Times New Roman\" SIZE=\"12\" COLOR=\"#%06X\"%s>",
                static_cast<unsigned>(t.text_color & 0xFFFFFF),
                version >= 7 ? " LETTERSPACING=\"0\" KERNING=\"0\"" : "");
  std::string out;
  size_t from = 0;
  const std::string s = plain_text(t);
  if (s.empty()) return out;
  for (;;) {
    size_t end = s.find_first_of("\r\n", from);
    std::string line = s.substr(from, end == std::string::npos ? std::string::npos : end - from);
    out += "<P ALIGN=\"LEFT\">" + std::string(font) + xml_escape(line) + "</FONT></P>";
    if (end == std::string::npos) break;
    from = end + (s.compare(end, 2, "\r\n") == 0 ? 2 : 1);
  }
  return out;
}

// A field's numbers come from an object's valueOf alone; its flags ask
// valueOf too but any object counts as set.
Value value_of_only(Runtime& rt, const Value& v) {
  Object* o = v.as_object();
  if (!o || o->is_clip()) return v;
  Value method;
  if (!rt.find_property(o, "valueOf", method) || !rt.is_callable(method)) return v;
  return rt.call(method, v, nullptr, 0);
}

double number_of(Runtime& rt, const Value& v) {
  Value p = value_of_only(rt, v);
  return p.is_object() ? std::nan("") : rt.to_number(p);
}

bool flag_of(Runtime& rt, const Value& v) {
  if (v.is_object()) {
    value_of_only(rt, v);
    return true;
  }
  return rt.to_boolean(v);
}

uint32_t color_of(Runtime& rt, const Value& v) {
  return static_cast<uint32_t>(to_int32(number_of(rt, v))) & 0xFFFFFF;
}

}  // namespace

bool Engine::text_get(ClipObject* field, const String& name, Value& out) {
  // Fields became script objects with SWF 6; before, their members are plain.
  if (!field->is_text_field() || !field->text || runtime_->version() < 6) return false;
  TextFieldState& t = *field->text;
  bool cs = runtime_->case_sensitive();
  auto is = [&](const char* n) { return name.same(n, cs); };
  if (is("text"))
    out = Value(plain_text(t));
  else if (is("htmlText"))
    // Before SWF 7 a field without markup gives its text as it is.
    out = Value(!t.html && runtime_->version() < 7 ? plain_text(t)
                                                   : html_of_plain(t, runtime_->version()));
  else if (is("styleSheet"))
    out = t.style_sheet;
  else if (is("length"))
    out = Value::number(static_cast<double>(character_count(plain_text(t), runtime_->version())));
  else if (is("variable"))
    out = t.variable.empty() ? Value::null() : Value(t.variable);
  else if (is("html"))
    out = Value::boolean(t.html);
  else if (is("multiline"))
    out = Value::boolean(t.multiline);
  else if (is("wordWrap"))
    out = Value::boolean(t.word_wrap);
  else if (is("password"))
    out = Value::boolean(t.password);
  else if (is("selectable"))
    out = Value::boolean(t.selectable);
  else if (is("border"))
    out = Value::boolean(t.border);
  else if (is("background"))
    out = Value::boolean(t.background);
  else if (is("embedFonts"))
    out = Value::boolean(t.embed_fonts);
  else if (is("textColor"))
    out = Value::number(t.text_color);
  else if (is("borderColor"))
    out = Value::number(t.border_color);
  else if (is("backgroundColor"))
    out = Value::number(t.background_color);
  else if (is("maxChars"))
    out = t.max_chars ? Value::number(t.max_chars) : Value::null();
  else if (is("scroll") || is("hscroll"))
    out = Value::number(is("scroll") ? 1 : 0);
  else if (is("maxscroll"))
    out = Value::number(1);
  else if (is("type"))
    out = Value(t.input ? "input" : "dynamic");
  else if (is("condenseWhite"))
    out = Value::boolean(t.condense_white);
  else if (is("mouseWheelEnabled"))
    out = Value::boolean(t.mouse_wheel);
  else if (is("restrict"))
    out = t.restrict;
  else if (is("autoSize"))
    out = Value(t.auto_size);
  else
    return false;
  return true;
}

void Engine::bind_text_variable(ClipObject* field) {
  TextFieldState& t = *field->text;
  if (t.variable.empty() || !field->parent) return;
  // The variable of the field's timeline (paths name another).
  std::string v = t.variable.str();
  ClipObject* holder = field->parent;
  std::string var = v;
  size_t cut = v.find_last_of(":.");
  if (cut != std::string::npos) {
    holder = resolve_path(field->parent, v.substr(0, cut));
    var = v.substr(cut + 1);
  }
  if (!holder) return;
  Value current;
  if (!runtime_->find_property(holder, String(var), current) || current.is_undefined()) {
    // A variable that is not there yet starts from the field's own text
    // as its definition gave it (what scripts wrote is let go).
    const npfp::EditTextDefinition* def =
        field->display ? cache_.edit_text(field->display->character) : nullptr;
    // A defined field without any text leaves the variable unset.
    if (def && !def->has_text()) return;
    std::string initial = def ? def->initial_text() : std::string();
    if (initial != t.text) {
      t.text = initial;
      field->display->script_text = std::make_shared<const std::string>(initial);
      redraw_ = true;
    }
    runtime_->set_property(holder, String(var), Value(t.text));
    return;
  }
  std::string shown = runtime_->to_string(current).str();
  if (shown != t.text) {
    t.text = shown;
    field->display->script_text = std::make_shared<const std::string>(shown);
    redraw_ = true;
  }
}

bool Engine::text_set(ClipObject* field, const String& name, const Value& value) {
  if (!field->is_text_field() || !field->text || !field->display || runtime_->version() < 6)
    return false;
  TextFieldState& t = *field->text;
  bool cs = runtime_->case_sensitive();
  auto is = [&](const char* n) { return name.same(n, cs); };
  if (is("text") || is("htmlText")) {
    std::string s = text_by_to_string(*runtime_, value);
    t.text = is("text") && t.html ? xml_escape(s) : s;
    field->display->script_text = std::make_shared<const std::string>(t.text);
    if (!t.variable.empty() && field->parent)
      runtime_->set_property(field->parent, t.variable, Value(s));
    redraw_ = true;
  } else if (is("variable")) {
    // No name (or an empty one) binds nothing; an object's valueOf is asked
    // before its text.
    if (!value.is_nullish()) value_of_only(*runtime_, value);
    std::string v = value.is_nullish() ? std::string() : text_by_to_string(*runtime_, value);
    t.variable = String(v);
    if (!v.empty()) bind_text_variable(field);
  } else if (is("html")) {
    t.html = flag_of(*runtime_, value);
  } else if (is("multiline")) {
    t.multiline = flag_of(*runtime_, value);
  } else if (is("wordWrap")) {
    t.word_wrap = flag_of(*runtime_, value);
  } else if (is("password")) {
    t.password = flag_of(*runtime_, value);
  } else if (is("selectable")) {
    t.selectable = flag_of(*runtime_, value);
  } else if (is("border")) {
    t.border = flag_of(*runtime_, value);
  } else if (is("background")) {
    t.background = flag_of(*runtime_, value);
  } else if (is("embedFonts")) {
    t.embed_fonts = flag_of(*runtime_, value);
  } else if (is("textColor")) {
    t.text_color = color_of(*runtime_, value);
  } else if (is("borderColor")) {
    t.border_color = color_of(*runtime_, value);
  } else if (is("backgroundColor")) {
    t.background_color = color_of(*runtime_, value);
  } else if (is("maxChars")) {
    // Whole numbers; zero (and what is no number) means no limit.
    // The player reads the number twice (an object's valueOf runs twice).
    if (value.is_nullish()) {
      t.max_chars = 0;
    } else {
      number_of(*runtime_, value);
      t.max_chars = to_int32(number_of(*runtime_, value));
    }
  } else if (is("autoSize")) {
    // true is "left", false "none"; texts other than the four are "none".
    if (value.is_boolean()) {
      t.auto_size = value.as_boolean() ? "left" : "none";
    } else {
      value_of_only(*runtime_, value);
      std::string a = fold_case(text_by_to_string(*runtime_, value));
      t.auto_size = a == "left" || a == "center" || a == "right" ? a : "none";
    }
  } else if (is("styleSheet")) {
    // Only objects are taken (their valueOf is asked); anything else
    // removes the sheet.
    Object* o = value.as_object();
    if (o && !o->is_clip()) value_of_only(*runtime_, value);
    t.style_sheet = o && !o->is_clip() ? value : Value();
  } else if (is("condenseWhite")) {
    t.condense_white = flag_of(*runtime_, value);
  } else if (is("mouseWheelEnabled")) {
    t.mouse_wheel = flag_of(*runtime_, value);
  } else if (is("restrict")) {
    // An object's valueOf is asked before its text.
    if (value.is_nullish()) {
      t.restrict = Value::null();
    } else {
      value_of_only(*runtime_, value);
      // An empty list leaves a field without restriction as it is.
      std::string r = text_by_to_string(*runtime_, value);
      if (!r.empty() || !t.restrict.is_null()) t.restrict = Value(r);
    }
  } else if (is("type")) {
    // Only the two kinds are taken; an object's valueOf is asked first.
    value_of_only(*runtime_, value);
    std::string k = fold_case(text_by_to_string(*runtime_, value));
    if (k == "input" || k == "dynamic") t.input = k == "input";
  } else if (is("length") || is("maxscroll") || is("scroll") || is("hscroll")) {
    // read-only here
  } else {
    return false;
  }
  return true;
}

void Engine::update_text_fields() {
  std::vector<ClipObject*> fields = text_fields_;
  for (ClipObject* f : fields)
    if (!f->removed && f->text) bind_text_variable(f);
}

}  // namespace avm1
