// Objects of the machine: named properties with attribute flags in the order
// they were added, a prototype link kept as the ordinary `__proto__`
// property, and the kinds of object the built-in classes need. Objects live
// on the Heap and are freed by its collector.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "avm1/value.h"

namespace avm1 {

class Runtime;
class Heap;
class Object;

// ASSetPropFlags bits.
enum PropertyFlag : uint32_t {
  kDontEnum = 0x01,
  kDontDelete = 0x02,
  kReadOnly = 0x04,
  // Seen only by code of a SWF version from 6, 7, 8 or 9 on.
  kOnlyVersion6 = 0x80,
  kNotVersion6 = 0x100,  // hidden from SWF 6 code only
  kOnlyVersion7 = 0x400,
  kOnlyVersion8 = 0x1000,
  kOnlyVersion9 = 0x2000,
  kHidden = kDontEnum | kDontDelete,
};

// Whether a property with `flags` exists for code of `version`.
bool visible_to(uint32_t flags, int version);
// Whether the `__proto__` link with `flags` counts for code of `version`.
bool proto_visible_to(uint32_t flags, int version);

struct Property {
  String name;
  Value value;
  // addProperty's accessors (functions); a property with a getter has no
  // value of its own.
  Object* getter = nullptr;
  Object* setter = nullptr;
  uint32_t flags = 0;
};

// Properties in the order they were added, found by name with or without
// regard to case (code of SWF 6 and earlier ignores case).
class PropertyMap {
 public:
  Property* find(const String& name, bool case_sensitive);
  const Property* find(const String& name, bool case_sensitive) const {
    return const_cast<PropertyMap*>(this)->find(name, case_sensitive);
  }
  Property& add(const String& name);
  bool remove(const Property* p);
  size_t size() const { return list_.size(); }
  std::vector<Property>& list() { return list_; }
  const std::vector<Property>& list() const { return list_; }

 private:
  void rebuild();
  std::vector<Property> list_;
  std::vector<uint32_t> table_;  // index + 1 by folded hash; 0 = empty
};

enum class ObjectClass : uint8_t {
  object,
  function,
  array,
  movieclip,
  boolean,
  number,
  string,
  date,
  text_field,
  button,
  xml_node,
  activation,
  super_reference,
  other,
};

// Marks objects reachable from another during a collection.
class Tracer {
 public:
  explicit Tracer(Heap& heap) : heap_(heap) {}
  void mark(Object* o);
  void mark(const Value& v) { mark(v.as_object()); }

 private:
  Heap& heap_;
};

class Object {
 public:
  Object() = default;
  virtual ~Object() = default;
  Object(const Object&) = delete;
  Object& operator=(const Object&) = delete;

  virtual ObjectClass object_class() const { return ObjectClass::object; }
  bool is_function() const { return object_class() == ObjectClass::function; }
  bool is_clip() const { return object_class() == ObjectClass::movieclip; }

  // Objects this one holds outside its properties.
  virtual void trace_children(Tracer&) {}

  // Properties the object computes itself (movie clip properties, a text
  // field's text, ...): true when `name` is one, with `out` set.
  virtual bool get_native(Runtime&, const String&, Value&) { return false; }
  // Asked after the own properties missed, before the prototype (a clip's
  // children by instance name).
  virtual bool get_late(Runtime&, const String&, Value&) { return false; }
  // True when the write was taken (the property then holds nothing).
  virtual bool set_native(Runtime&, const String&, const Value&) { return false; }
  // Called after an own property was written through the ordinary path.
  virtual void property_written(Runtime&, Property&) {}
  // Names of computed properties that enumeration lists (clips: children).
  virtual void native_names(Runtime&, std::vector<String>&) {}

  PropertyMap& properties() { return properties_; }
  const PropertyMap& properties() const { return properties_; }
  Property* find_own(const String& name, bool case_sensitive) {
    return properties_.find(name, case_sensitive);
  }
  // Sets an own property's value, adding it (with `flags`) when missing;
  // read-only properties keep their value.
  void put(const String& name, const Value& value, uint32_t flags = 0);
  // Adds or replaces without regard to read-only, with exactly `flags`.
  void define(const String& name, const Value& value, uint32_t flags);
  bool remove_own(const String& name, bool case_sensitive);

  // The prototype: the `__proto__` property when it holds an object.
  Object* proto() const { return proto_; }
  // The prototype as code of `version` sees it: none while ASSetPropFlags
  // hides `__proto__` from that version.
  Object* proto_for(int version) const {
    return proto_flags_ && !proto_visible_to(proto_flags_, version) ? nullptr : proto_;
  }
  void set_proto(Object* proto);
  // Keeps proto() in step after `__proto__` was written or removed.
  void proto_changed();

  // Collector bookkeeping.
  Object* heap_next = nullptr;
  bool marked = false;

 private:
  PropertyMap properties_;
  Object* proto_ = nullptr;
  uint32_t proto_flags_ = 0;
};

class CallInfo;
using NativeFunction = Value (*)(Runtime& runtime, CallInfo& call);

// The code of a function defined by DefineFunction or DefineFunction2.
struct ScriptCode {
  std::shared_ptr<const std::vector<uint8_t>> bytes;  // keeps the block alive
  size_t start = 0, size = 0;                         // body within bytes
  String name;
  std::vector<String> parameters;
  std::vector<uint8_t> parameter_registers;  // DefineFunction2; 0 = variable
  bool version2 = false;
  uint8_t register_count = 0;
  uint16_t flags = 0;  // DefineFunction2 preload/suppress flags
  int swf_version = 0;
  std::shared_ptr<const std::vector<Value>> constant_pool;
};

class FunctionObject : public Object {
 public:
  ObjectClass object_class() const override { return ObjectClass::function; }
  void trace_children(Tracer& t) override;

  bool is_native() const { return native_ != nullptr; }
  NativeFunction native() const { return native_; }
  const std::shared_ptr<const ScriptCode>& code() const { return code_; }
  // The scope chain of the definition, outermost first; for a native
  // function empty. `target` is the timeline it was defined on.
  const std::vector<Object*>& scope() const { return scope_; }
  Object* target() const { return target_; }
  // For native constructors: the class of the objects `new` makes.
  void set_native_function(NativeFunction f) { native_ = f; }
  void set_script(std::shared_ptr<const ScriptCode> code, std::vector<Object*> scope,
                  Object* target) {
    code_ = std::move(code);
    scope_ = std::move(scope);
    target_ = target;
  }
  // A value a native function keeps (e.g. the method's own data).
  Value data;
  // Native constructors called with `new` make their own object (true) or
  // run on the one `new` made with the prototype (false).
  bool makes_own_object = false;

 private:
  NativeFunction native_ = nullptr;
  std::shared_ptr<const ScriptCode> code_;
  std::vector<Object*> scope_;
  Object* target_ = nullptr;
};

// Array instances: `length` follows the highest index written and cuts the
// elements when set lower.
class ArrayObject : public Object {
 public:
  ObjectClass object_class() const override { return ObjectClass::array; }
  bool set_native(Runtime& runtime, const String& name, const Value& value) override;
  bool get_native(Runtime& runtime, const String& name, Value& out) override;
  void property_written(Runtime& runtime, Property& p) override;

  void native_names(Runtime& runtime, std::vector<String>& names) override;

  size_t length() const { return length_; }
  // Sets the length, removing elements at and beyond it.
  void set_length(Runtime& runtime, size_t length);
  void raw_length(size_t length) {
    length_ = length;
    written_length_ = Value();
  }
  // `length` is a hidden, permanent property whose flags ASSetPropFlags
  // changes like any other's.
  uint32_t length_flags = kHidden;

 private:
  size_t length_ = 0;
  // A length written as a value that is not a number reads back as written
  // until the array changes.
  Value written_length_;
};

// A Boolean, Number or String wrapper, and Date's time value.
class PrimitiveObject : public Object {
 public:
  explicit PrimitiveObject(ObjectClass kind) : kind_(kind) {}
  ObjectClass object_class() const override { return kind_; }
  Value primitive;

 private:
  ObjectClass kind_;
};

// Holds another object without exposing it (the value `super` stands for).
class SuperObject : public Object {
 public:
  ObjectClass object_class() const override { return ObjectClass::super_reference; }
  void trace_children(Tracer& t) override {
    t.mark(prototype);
    t.mark(this_object);
  }
  Object* prototype = nullptr;  // where method lookups start
  Value this_object;
};

// Array index of a property name: decimal digits without a leading zero.
bool array_index(const std::string& name, size_t& index);

}  // namespace avm1
