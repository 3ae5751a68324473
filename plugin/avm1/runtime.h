// The ActionScript 1/2 machine: the heap and the global object with the
// built-in classes, conversions and property access with the rules of the
// running code's SWF version, function calls, and the interpreter that runs
// action blocks. Movie clips and the timeline side live in the Engine, which
// owns a Runtime.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "avm1/heap.h"
#include "avm1/object.h"
#include "avm1/value.h"

namespace avm1 {

class Engine;
class ClipObject;

using Bytes = std::shared_ptr<const std::vector<uint8_t>>;

// The arguments of a call to a native function.
class CallInfo {
 public:
  Value this_value;
  const Value* args = nullptr;
  size_t count = 0;
  FunctionObject* callee = nullptr;
  bool constructing = false;

  const Value& arg(size_t i) const;
  Object* this_object() const { return this_value.as_object(); }
};

// An ActionScript exception on its way to a catch block.
struct ScriptThrow {
  Value value;
};
// The script ran too long or nested too deep: every running block stops.
struct ScriptAbort {};

// Bounds on what scripts may build, so that a runaway movie ends its script
// (as the player stops a script that runs away) instead of exhausting the
// process. Far above what real movies use:
// - one text value holds at most 16 MB;
// - the texts one top-level run builds by joining add up to at most 256 MB,
//   which also bounds the time a loop that grows a long text can take;
// - an array method visits at most 4M elements (longer arrays may exist,
//   sparse, but are not walked);
// - an object holds at most 4M properties;
// - while a script runs at most max_live_objects (below) exist, garbage
//   included, since collections wait until no script runs.
constexpr size_t kMaxTextBytes = size_t{16} << 20;
constexpr uint64_t kMaxTextBytesPerRun = uint64_t{256} << 20;
constexpr size_t kMaxArrayWalk = size_t{1} << 22;
constexpr size_t kMaxOwnProperties = size_t{1} << 22;

enum class Hint { none, number, string };

struct ExecutionFrame;

// The built-in classes' prototypes and constructors scripts and natives
// refer to.
struct WellKnown {
  Object* global = nullptr;
  Object* object_prototype = nullptr;
  Object* function_prototype = nullptr;
  Object* array_prototype = nullptr;
  Object* string_prototype = nullptr;
  Object* number_prototype = nullptr;
  Object* boolean_prototype = nullptr;
  Object* date_prototype = nullptr;
  Object* movieclip_prototype = nullptr;
  Object* button_prototype = nullptr;
  Object* textfield_prototype = nullptr;
  Object* xml_node_prototype = nullptr;
  Object* xml_prototype = nullptr;
  FunctionObject* object_constructor = nullptr;
  FunctionObject* function_constructor = nullptr;
  FunctionObject* array_constructor = nullptr;
  FunctionObject* string_constructor = nullptr;
  FunctionObject* number_constructor = nullptr;
  FunctionObject* boolean_constructor = nullptr;
  FunctionObject* date_constructor = nullptr;
  FunctionObject* movieclip_constructor = nullptr;
  FunctionObject* xml_node_constructor = nullptr;
  FunctionObject* xml_constructor = nullptr;
};

class Runtime {
 public:
  explicit Runtime(int movie_version);
  ~Runtime();
  Runtime(const Runtime&) = delete;
  Runtime& operator=(const Runtime&) = delete;

  Heap& heap() { return heap_; }
  Engine* engine() const { return engine_; }
  void set_engine(Engine* engine) { engine_ = engine; }
  const WellKnown& known() const { return known_; }
  WellKnown& known() { return known_; }
  Object* global() const { return known_.global; }

  // The SWF version of the code running now (the movie's between runs).
  int version() const { return version_; }
  void set_version(int version) { version_ = version; }
  int movie_version() const { return movie_version_; }
  // The movie's version once its header is known (and the running one
  // between runs).
  void set_movie_version(int version) {
    movie_version_ = version;
    if (depth_ == 0) version_ = version;
  }
  bool case_sensitive() const { return version_ >= 7; }

  // --- Making objects
  Object* make_object(Object* proto);
  Object* make_object() { return make_object(known_.object_prototype); }
  ArrayObject* make_array(const std::vector<Value>& items = {});
  // A native function object (Function.prototype, no `prototype`).
  FunctionObject* make_native(NativeFunction f);
  // A native constructor whose `prototype` is `prototype` (made when null),
  // with `prototype.constructor` set.
  FunctionObject* make_class(NativeFunction f, Object* prototype);
  // A hidden method on an object.
  FunctionObject* add_method(Object* target, const char* name, NativeFunction f,
                             uint32_t flags = kHidden);
  Object* wrap(const Value& primitive);

  // --- Conversions, by the running version's rules
  bool to_boolean(const Value& v);
  double to_number(const Value& v);
  String to_string(const Value& v);
  Value to_primitive(const Value& v, Hint hint);
  // An object for a value: primitives are wrapped; undefined and null give
  // nullptr.
  Object* to_object(const Value& v);
  int32_t to_int32(const Value& v) { return avm1::to_int32(to_number(v)); }
  String type_of(const Value& v);
  bool loose_equals(const Value& a, const Value& b);
  bool strict_equals(const Value& a, const Value& b);
  // a < b; undefined when a number involved is NaN.
  Value less_than(const Value& a, const Value& b);
  Value add(const Value& a, const Value& b);
  // The text trace prints for a value.
  std::string trace_text(const Value& v);
  bool instance_of(const Value& object, const Value& constructor);

  // --- Properties
  // Member of any value: primitives answer through their wrappers'
  // prototypes.
  Value get_member(const Value& object, const String& name);
  // Looks along the prototype chain; getters run with `this` the object.
  Value get_property(Object* o, const String& name);
  bool find_property(Object* o, const String& name, Value& out);
  // Asks the object's __resolve function for a property it does not have;
  // false when there is none.
  bool resolve_missing(Object* o, const String& name, Value& out);
  void set_member(const Value& object, const String& name, const Value& value);
  void set_property(Object* o, const String& name, const Value& value);
  bool has_property(Object* o, const String& name);
  bool has_own_property(Object* o, const String& name);
  bool delete_property(Object* o, const String& name);
  // The visible own property, nullptr if none.
  Property* own_property(Object* o, const String& name);
  // Names a for-in loop visits: own, then inherited, most recent first.
  std::vector<String> enumerate(Object* o);

  // --- Calls
  Value call(const Value& function, const Value& this_value, const Value* args, size_t count);
  Value call(const Value& function, const Value& this_value, const std::vector<Value>& args) {
    return call(function, this_value, args.data(), args.size());
  }
  // Calls object[name] when it is a function (undefined otherwise).
  Value call_method(const Value& object, const String& name, const std::vector<Value>& args);
  Value construct(const Value& constructor, const Value* args, size_t count);
  Value construct(const Value& constructor, const std::vector<Value>& args) {
    return construct(constructor, args.data(), args.size());
  }
  // A call where `super` stands for `super_prototype` (method lookups),
  // run on `super_this` when given, else on `this_value`.
  Value call_with_super(FunctionObject* f, const Value& this_value, const Value* args, size_t count,
                        Object* super_prototype, bool constructing,
                        const Value* super_this = nullptr);
  bool is_callable(const Value& v) const {
    Object* o = v.as_object();
    return o && o->is_function();
  }

  // --- Running code
  // Runs an action block (frame script, clip event, button action) with
  // `clip` as `this`, target and scope. Exceptions that nothing caught end
  // the block. `version` is the SWF version of the code.
  void run_block(const Bytes& bytes, size_t start, size_t size, Object* clip, int version);
  // Whether a script is running now (collections wait until none is).
  bool running() const { return depth_ > 0; }
  int call_depth() const { return depth_; }

  // The frame running now, for natives that need the current target.
  ExecutionFrame* current_frame() const { return current_; }
  // The current target clip of the running code (nullptr outside code).
  Object* current_target() const;
  Object* current_this() const;

  // Where trace lines go.
  std::function<void(const std::string&)> trace_output;

  // Limits: calls nested deeper, or more actions in one top-level run,
  // abort the run.
  int max_call_depth = 256;
  uint64_t max_actions_per_run = 200000000;
  size_t max_live_objects = size_t{1} << 20;
  uint64_t actions_run() const { return actions_total_; }
  // Accounts for a text of `bytes` about to be built from others; ends the
  // script when it is too long or the run has built too much text.
  void charge_text(size_t bytes);
  // Ends the script when an array method would walk `length` elements.
  void check_walk(size_t length) const;

  // Objects native code keeps beyond a run (interval functions, listeners,
  // callbacks) are marked from here and from the engine.
  void trace_roots(Tracer& t);
  std::vector<Value> registers;  // the four registers outside DefineFunction2

  // Registered classes: Object.registerClass(name, constructor).
  std::vector<std::pair<String, Object*>> registered_classes;

  // The player's numbered natives ASnative(n, m) hands out: each call makes
  // a fresh function object running the same native.
  struct NativeEntry {
    uint32_t key = 0;  // n << 16 | m
    NativeFunction function = nullptr;
    Value data;
    bool makes_own_object = false;
  };
  std::vector<NativeEntry> native_table;

 private:
  friend struct Interpreter;
  void install_builtins();
  void mark_constructed(Object* o, const Value& constructor);
  Value run_function(FunctionObject* f, const Value& this_value, const Value* args, size_t count,
                     Object* super_prototype, bool constructing, const Value* super_this);

  Heap heap_;
  WellKnown known_;
  Engine* engine_ = nullptr;
  int movie_version_;
  int version_;
  int depth_ = 0;
  uint64_t actions_total_ = 0;
  uint64_t actions_at_run_start_ = 0;
  uint64_t text_bytes_this_run_ = 0;
  ExecutionFrame* current_ = nullptr;
  friend class RunScope;
};

// The player version scripts see ($version, getVersion, System.capabilities).
constexpr const char* kPlayerVersion = "WIN 9,0,28,0";

// Installers of the built-in classes (builtins_*.cpp).
void install_object_builtins(Runtime& rt);
void install_error_builtins(Runtime& rt);
void install_function_builtins(Runtime& rt);
void install_array_builtins(Runtime& rt);
void install_string_builtins(Runtime& rt);
void install_number_builtins(Runtime& rt);
void install_math_builtins(Runtime& rt);
void install_date_builtins(Runtime& rt);
void install_global_functions(Runtime& rt);
void install_xml_builtins(Runtime& rt);
void install_native_table_builtins(Runtime& rt);
// Records the natives ASnative reaches from where the installers put them;
// run again once the engine added its classes.
void index_native_table(Runtime& rt);

// Helpers for natives.
double number_arg(Runtime& rt, const CallInfo& call, size_t i, double missing);
String string_arg(Runtime& rt, const CallInfo& call, size_t i);
// The text text fields and style sheets take from a value: an object's
// toString is asked once and only a text answer counts ("[type Object]"
// otherwise).
std::string text_by_to_string(Runtime& rt, const Value& v);
// XML's and LoadVars' addRequestHeader.
Value add_request_header(Runtime& rt, CallInfo& call);
// TextField.StyleSheet's parseCSSFontFamily.
Value style_sheet_parse_font_family(Runtime& rt, CallInfo& call);

}  // namespace avm1
