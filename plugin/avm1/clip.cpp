#include "avm1/clip.h"

#include "avm1/engine.h"

namespace avm1 {

namespace {

const char* const kPropertyNames[kPropCount] = {
    "_x",           "_y",           "_xscale",       "_yscale",       "_currentframe",
    "_totalframes", "_alpha",       "_visible",      "_width",        "_height",
    "_rotation",    "_target",      "_framesloaded", "_name",         "_droptarget",
    "_url",         "_highquality", "_focusrect",    "_soundbuftime", "_quality",
    "_xmouse",      "_ymouse"};

}  // namespace

int clip_property_index(const String& name, bool case_sensitive) {
  const std::string& s = name.str();
  if (s.size() < 2 || s[0] != '_') return -1;
  for (int i = 0; i < kPropCount; ++i)
    if (case_sensitive ? s == kPropertyNames[i] : equal_folded(s, kPropertyNames[i])) return i;
  return -1;
}

std::vector<ClipEventHandler> parse_clip_actions(const std::vector<uint8_t>& bytes, int version) {
  std::vector<ClipEventHandler> out;
  size_t at = 0;
  size_t n = bytes.size();
  size_t flag_size = version <= 5 ? 2 : 4;
  auto read_flags = [&](uint32_t& flags) {
    if (at + flag_size > n) return false;
    if (flag_size == 2) {
      flags = bytes[at] | (bytes[at + 1] << 8);
    } else {
      flags = bytes[at] | (bytes[at + 1] << 8) | (bytes[at + 2] << 16) |
              (static_cast<uint32_t>(bytes[at + 3]) << 24);
    }
    at += flag_size;
    return true;
  };
  uint32_t all;
  at = 2;  // reserved
  if (!read_flags(all)) return out;
  for (;;) {
    uint32_t flags;
    if (!read_flags(flags) || flags == 0) break;
    if (at + 4 > n) break;
    uint32_t size = bytes[at] | (bytes[at + 1] << 8) | (bytes[at + 2] << 16) |
                    (static_cast<uint32_t>(bytes[at + 3]) << 24);
    at += 4;
    if (size > n - at) size = static_cast<uint32_t>(n - at);
    ClipEventHandler h;
    h.flags = flags;
    size_t start = at;
    if ((flags & kEventKeyPress) && size > 0) {
      h.key = bytes[at];
      ++start;
    }
    h.start = start;
    h.size = at + size - start;
    out.push_back(h);
    at += size;
  }
  return out;
}

void ClipObject::trace_children(Tracer& t) {
  t.mark(parent);
  if (text) t.mark(text->style_sheet);
}

int ClipObject::current_frame() const { return timeline ? timeline->current_frame() + 1 : 0; }

int ClipObject::total_frames() const {
  if (!timeline) return 0;
  int declared = timeline->timeline().declared_frame_count;
  int loaded = static_cast<int>(timeline->loaded_frames());
  return declared > loaded ? declared : (loaded > 0 ? loaded : 1);
}

String ClipObject::instance_name() const { return display ? String(display->name) : String(); }

int ClipObject::depth() const { return display ? display->depth - 16384 : -16384; }

bool ClipObject::get_native(Runtime& rt, const String& name, Value& out) {
  const std::string& s = name.str();
  if (s.empty() || s[0] != '_') return engine_.text_get(this, name, out);
  ClipObject* self = this;
  if (removed) {
    self = engine_.live(this);
    if (!self) {
      if (clip_property_index(name, rt.case_sensitive()) >= 0) {
        out = Value();
        return true;
      }
      return false;
    }
    if (self != this) return self->get_native(rt, name, out);
  }
  bool cs = rt.case_sensitive();
  int index = clip_property_index(name, cs);
  if (index >= 0) {
    out = engine_.get_clip_property(self, index);
    return true;
  }
  if (name.same("_parent", cs)) {
    out = parent ? Value::object(parent) : Value();
    return true;
  }
  if (name.same("_root", cs)) {
    ClipObject* c = self;
    while (c->parent && !c->locks_root()) c = c->parent;
    out = Value::object(c);
    return true;
  }
  if (name.same("_lockroot", cs) && is_movieclip() && rt.version() >= 7) {
    out = Value::boolean(lock_root);
    return true;
  }
  return false;
}

bool ClipObject::set_native(Runtime& rt, const String& name, const Value& value) {
  const std::string& s = name.str();
  if (s.empty() || s[0] != '_') return engine_.text_set(this, name, value);
  ClipObject* self = removed ? engine_.live(this) : this;
  bool cs = rt.case_sensitive();
  int index = clip_property_index(name, cs);
  if (index >= 0) {
    if (self) engine_.set_clip_property(self, index, value);
    return true;
  }
  if (name.same("_lockroot", cs) && is_movieclip() && rt.version() >= 7) {
    if (self) self->lock_root = rt.to_boolean(value);
    return true;
  }
  return false;
}

bool ClipObject::get_late(Runtime&, const String& name, Value& out) {
  ClipObject* self = removed ? engine_.live(this) : this;
  if (!self) return false;
  if (ClipObject* child = engine_.child_by_name(self, name)) {
    out = Value::object(child);
    return true;
  }
  return false;
}

void ClipObject::native_names(Runtime&, std::vector<String>& names) {
  if (!timeline || removed) return;
  const auto& list = timeline->display_list();
  for (auto it = list.rbegin(); it != list.rend(); ++it) {
    const npfp::DisplayObject& o = it->second;
    if (o.script_object && !o.name.empty()) names.push_back(String(o.name));
  }
}

}  // namespace avm1
