#include "avm1/object.h"

#include "avm1/runtime.h"

namespace avm1 {

bool visible_to(uint32_t flags, int version) {
  if ((flags & kOnlyVersion6) && version < 6) return false;
  if ((flags & kOnlyVersion7) && version < 7) return false;
  if ((flags & kNotVersion6) && version == 6) return false;
  if ((flags & kOnlyVersion8) && version < 8) return false;
  if ((flags & kOnlyVersion9) && version < 9) return false;
  return true;
}

bool proto_visible_to(uint32_t flags, int version) {
  // The prototype link follows its own table: the flags of SWF 8 and 9
  // hide it from SWF 5 and from one later version only, and the SWF 6 bit
  // does not apply.
  if ((flags & kOnlyVersion6) && version < 6) return false;
  if ((flags & kOnlyVersion7) && version < 7) return false;
  if ((flags & kOnlyVersion8) && (version < 6 || version == 7)) return false;
  if ((flags & kOnlyVersion9) && (version < 6 || version == 8)) return false;
  return true;
}

// ---------------------------------------------------------------------------
// PropertyMap

namespace {
const size_t kLinearLimit = 8;
}

Property* PropertyMap::find(const String& name, bool case_sensitive) {
  if (list_.size() <= kLinearLimit) {
    uint32_t h = name.folded_hash();
    for (Property& p : list_)
      if (p.name.folded_hash() == h && p.name.same(name, case_sensitive)) return &p;
    return nullptr;
  }
  if (table_.empty()) rebuild();
  size_t mask = table_.size() - 1;
  for (size_t i = name.folded_hash() & mask;; i = (i + 1) & mask) {
    uint32_t slot = table_[i];
    if (slot == 0) return nullptr;
    Property& p = list_[slot - 1];
    if (p.name.same(name, case_sensitive)) return &p;
  }
}

Property& PropertyMap::add(const String& name) {
  list_.emplace_back();
  list_.back().name = name;
  if (list_.size() > kLinearLimit) {
    if (table_.empty() || list_.size() * 2 > table_.size()) {
      rebuild();
    } else {
      size_t mask = table_.size() - 1;
      size_t i = name.folded_hash() & mask;
      while (table_[i] != 0) i = (i + 1) & mask;
      table_[i] = static_cast<uint32_t>(list_.size());
    }
  }
  return list_.back();
}

bool PropertyMap::remove(const Property* p) {
  if (!p || p < list_.data() || p >= list_.data() + list_.size()) return false;
  list_.erase(list_.begin() + (p - list_.data()));
  table_.clear();
  if (list_.size() > kLinearLimit) rebuild();
  return true;
}

void PropertyMap::rebuild() {
  size_t capacity = 16;
  while (capacity < list_.size() * 2 + 2) capacity *= 2;
  table_.assign(capacity, 0);
  size_t mask = capacity - 1;
  for (size_t k = 0; k < list_.size(); ++k) {
    size_t i = list_[k].name.folded_hash() & mask;
    while (table_[i] != 0) i = (i + 1) & mask;
    table_[i] = static_cast<uint32_t>(k + 1);
  }
}

// ---------------------------------------------------------------------------
// Object

namespace {

bool is_proto_name(const String& name) { return equal_folded(name.str(), "__proto__"); }

}  // namespace

void Object::put(const String& name, const Value& value, uint32_t flags) {
  Property* p = properties_.find(name, true);
  if (!p) {
    p = &properties_.add(name);
    p->flags = flags;
  } else if (p->flags & kReadOnly) {
    return;
  }
  p->value = value;
  if (is_proto_name(name)) proto_changed();
}

void Object::define(const String& name, const Value& value, uint32_t flags) {
  Property* p = properties_.find(name, true);
  if (!p) p = &properties_.add(name);
  p->value = value;
  p->flags = flags;
  p->getter = p->setter = nullptr;
  if (is_proto_name(name)) proto_changed();
}

bool Object::remove_own(const String& name, bool case_sensitive) {
  Property* p = properties_.find(name, case_sensitive);
  if (!p) return false;
  bool proto = is_proto_name(p->name);
  properties_.remove(p);
  if (proto) proto_changed();
  return true;
}

void Object::set_proto(Object* proto) {
  Property* p = properties_.find("__proto__", false);
  if (!p) {
    p = &properties_.add("__proto__");
    p->flags = kHidden;
  }
  p->value = Value::object(proto);
  proto_ = proto;
}

void Object::proto_changed() {
  Property* p = properties_.find("__proto__", false);
  proto_ = p && !p->getter ? p->value.as_object() : nullptr;
  proto_flags_ = p ? p->flags : 0;
  // Movie clips are no prototypes: a chain ends where it would reach one.
  if (proto_ && proto_->is_clip()) proto_ = nullptr;
}

// ---------------------------------------------------------------------------
// Functions and arrays

void FunctionObject::trace_children(Tracer& t) {
  for (Object* o : scope_) t.mark(o);
  t.mark(target_);
  t.mark(data);
  if (code_ && code_->constant_pool)
    for (const Value& v : *code_->constant_pool) t.mark(v);
}

bool array_index(const std::string& name, size_t& index) {
  if (name.empty() || name.size() > 9) return false;
  if (name.size() > 1 && name[0] == '0') return false;
  size_t v = 0;
  for (char c : name) {
    if (c < '0' || c > '9') return false;
    v = v * 10 + static_cast<size_t>(c - '0');
  }
  index = v;
  return true;
}

bool ArrayObject::get_native(Runtime& runtime, const String& name, Value& out) {
  if (!name.same("length", runtime.case_sensitive())) return false;
  out = written_length_.is_undefined() ? Value::number(static_cast<double>(length_))
                                       : written_length_;
  return true;
}

void ArrayObject::native_names(Runtime&, std::vector<String>& names) {
  if (!(length_flags & kDontEnum)) names.emplace_back("length");
}

bool ArrayObject::set_native(Runtime& runtime, const String& name, const Value& value) {
  if (!name.same("length", runtime.case_sensitive())) return false;
  double n = runtime.to_number(value);
  if (!(n >= 0)) n = 0;
  if (n > 4294967295.0) n = 4294967295.0;
  set_length(runtime, static_cast<size_t>(n));
  if (!value.is_number()) written_length_ = value;
  return true;
}

void ArrayObject::property_written(Runtime&, Property& p) {
  size_t index;
  if (array_index(p.name.str(), index) && index >= length_) raw_length(index + 1);
}

void ArrayObject::set_length(Runtime&, size_t length) {
  if (length < length_) {
    std::vector<Property>& list = properties().list();
    bool any = false;
    for (const Property& p : list) {
      size_t index;
      if (array_index(p.name.str(), index) && index >= length) {
        any = true;
        break;
      }
    }
    if (any) {
      // Rebuilt without the cut elements, keeping the others' order.
      PropertyMap kept;
      for (Property& p : list) {
        size_t index;
        if (array_index(p.name.str(), index) && index >= length) continue;
        Property& q = kept.add(p.name);
        q = std::move(p);
      }
      properties() = std::move(kept);
    }
  }
  raw_length(length);
}

}  // namespace avm1
