// The action interpreter: runs action lists by program counter (blocks may
// overlap and code may jump anywhere inside its list), with the scope chain
// of With blocks, function activations, the definition's chain, the current
// target timeline and _global; Try blocks catch what Throw (or a called
// function) raises.
#include <cmath>
#include <cstring>
#include <random>

#include "avm1/actions.h"
#include "avm1/clip.h"
#include "avm1/engine.h"
#include "avm1/runtime.h"

namespace avm1 {

namespace {

struct Block {
  bool is_try = false;
  size_t start = 0, end = 0;  // the whole block
  size_t with_count = 0;      // with objects outside this block
  // Try blocks.
  size_t try_end = 0, catch_start = 0, catch_end = 0, finally_start = 0;
  uint8_t flags = 0;
  String catch_name;
  uint8_t catch_register = 0;
  bool pending_throw = false, pending_return = false;
  Value pending;
};

enum TryFlag : uint8_t { kTryCatch = 1, kTryFinally = 2, kTryCatchInRegister = 4 };

// DefineFunction2 flags (first byte low, second byte high).
enum FunctionFlag : uint16_t {
  kPreloadThis = 0x0001,
  kSuppressThis = 0x0002,
  kPreloadArguments = 0x0004,
  kSuppressArguments = 0x0008,
  kPreloadSuper = 0x0010,
  kSuppressSuper = 0x0020,
  kPreloadRoot = 0x0040,
  kPreloadParent = 0x0080,
  kPreloadGlobal = 0x0100,
};

const size_t kMaxWithDepth = 16;
const size_t kMaxStack = 1 << 20;

}  // namespace

struct ExecutionFrame {
  Bytes bytes;
  const uint8_t* code = nullptr;
  size_t start = 0, end = 0, pc = 0;
  size_t at = 0;  // where the running action starts (pc is past it)
  int version = 0;
  const std::vector<Object*>* outer = nullptr;  // the definition's chain
  Object* activation = nullptr;
  std::vector<Object*> withs;
  Object* target = nullptr;  // current target (SetTarget changes it)
  Object* original_target = nullptr;
  bool target_lost = false;  // SetTarget named no clip
  Value this_value;
  std::shared_ptr<const std::vector<Value>> pool;
  Value* registers = nullptr;
  size_t register_count = 0;
  Value local_registers[4];
  std::vector<Value> own_registers;
  std::vector<Value> stack;
  std::vector<Block> blocks;
  FunctionObject* callee = nullptr;
  ExecutionFrame* caller = nullptr;
  Value return_value;
  bool returned = false;

  Value pop() {
    if (stack.empty()) return Value();
    Value v = std::move(stack.back());
    stack.pop_back();
    return v;
  }
  void push(Value v) {
    if (stack.size() < kMaxStack) stack.push_back(std::move(v));
  }
};

// Sets the running frame, version and depth for the life of a run.
class RunScope {
 public:
  RunScope(Runtime& rt, ExecutionFrame& frame)
      : rt_(rt), saved_frame_(rt.current_), saved_version_(rt.version_) {
    frame.caller = rt.current_;
    rt.current_ = &frame;
    rt.version_ = frame.version;
    if (rt.depth_ == 0) {
      rt.actions_at_run_start_ = rt.actions_total_;
      rt.text_bytes_this_run_ = 0;
    }
    ++rt.depth_;
  }
  ~RunScope() {
    --rt_.depth_;
    rt_.current_ = saved_frame_;
    rt_.version_ = saved_version_;
  }

 private:
  Runtime& rt_;
  ExecutionFrame* saved_frame_;
  int saved_version_;
};

struct Interpreter {
  Runtime& rt;
  ExecutionFrame& f;

  Engine* engine() const { return rt.engine(); }

  // --- Targets

  ClipObject* target_clip() {
    Object* t = f.target_lost ? nullptr : f.target;
    if (!t || !t->is_clip()) return nullptr;
    if (engine()) return engine()->live(t);
    return static_cast<ClipObject*>(t);
  }
  // The clip relative paths start from (the original one when the target
  // was lost).
  ClipObject* base_clip() {
    if (ClipObject* c = target_clip()) return c;
    Object* t = f.original_target;
    if (t && t->is_clip() && engine()) return engine()->live(t);
    return nullptr;
  }

  // Targets are set relative to the clip the code started on, not to the
  // one an earlier SetTarget chose.
  ClipObject* original_clip() {
    Object* t = f.original_target;
    if (t && t->is_clip() && engine()) return engine()->live(t);
    return base_clip();
  }

  // The clip a GetProperty or SetProperty target names ("" is the current
  // target).
  ClipObject* property_target(const Value& t) {
    if (!engine()) return nullptr;
    if (t.is_string() && t.string_text().empty()) return target_clip();
    if (Object* o = t.as_object())
      if (o->is_clip()) return engine()->live(o);
    if (t.is_nullish()) return nullptr;
    return clip_at(base_clip(), rt.to_string(t).str());
  }

  // The clip a target path names from `from` (itself for "").
  ClipObject* clip_at(ClipObject* from, const std::string& path) {
    if (!engine() || !from) return nullptr;
    if (path.empty()) return from;
    Object* o = resolve_path(from, path, true, true);
    return o && o->is_clip() ? engine()->live(o) : nullptr;
  }

  // --- Reading and writing payloads

  struct Payload {
    const uint8_t* p;
    size_t n, at = 0;
    bool ok = true;
    uint8_t u8() {
      if (at + 1 > n) {
        ok = false;
        return 0;
      }
      return p[at++];
    }
    uint16_t u16() {
      uint16_t lo = u8();
      return static_cast<uint16_t>(lo | (u8() << 8));
    }
    uint32_t u32() {
      uint32_t lo = u16();
      return lo | (static_cast<uint32_t>(u16()) << 16);
    }
    String string() {
      size_t start = at;
      while (at < n && p[at]) ++at;
      String s(reinterpret_cast<const char*>(p + start), at - start);
      if (at < n)
        ++at;
      else
        ok = false;
      return s;
    }
  };

  // --- Variables

  bool special_variable(const String& name, Value& out) {
    const std::string& s = name.str();
    if (s.empty() || (s[0] != '_' && s[0] != 't' && s[0] != 'T')) return false;
    bool cs = rt.case_sensitive();
    auto is = [&](const char* word) { return name.same(word, cs); };
    if (is("this")) {
      for (size_t i = f.withs.size(); i-- > 0;)
        if (rt.find_property(f.withs[i], name, out)) return true;
      if (f.activation) {
        // A function that suppressed its `this` still answers with the
        // object it was called on.
        Property* p = f.activation->find_own("this", true);
        out = p ? p->value : f.this_value;
        return true;
      }
      out = f.this_value;
      return true;
    }
    if (is("_global") && f.version >= 6) {
      out = Value::object(rt.global());
      return true;
    }
    if (!engine()) return false;
    if (is("_root")) {
      out = Value::object(root_for(base_clip()));
      return true;
    }
    if (s.size() > 6 && equal_folded(s.substr(0, 6), "_level")) {
      bool digits = true;
      for (size_t i = 6; i < s.size(); ++i)
        if (s[i] < '0' || s[i] > '9') digits = false;
      if (digits) {
        ClipObject* level = engine()->level(std::atoi(s.c_str() + 6));
        out = level ? Value::object(level) : Value();
        return true;
      }
    }
    return false;
  }

  Object* root_for(ClipObject* clip) {
    ClipObject* c = clip;
    int guard = 0;
    while (c && c->parent && !c->locks_root() && guard++ < 100000) c = c->parent;
    return c ? c : engine()->root_clip();
  }

  bool lookup_plain(const String& name, Value& out) {
    if (special_variable(name, out)) return true;
    // A With object answers for what it lacks when it has __resolve.
    for (size_t i = f.withs.size(); i-- > 0;)
      if (rt.find_property(f.withs[i], name, out) || rt.resolve_missing(f.withs[i], name, out))
        return true;
    if (f.activation && rt.find_property(f.activation, name, out)) return true;
    if (f.outer)
      for (size_t i = f.outer->size(); i-- > 0;)
        if (rt.find_property((*f.outer)[i], name, out)) return true;
    if (ClipObject* t = base_clip())
      if (rt.find_property(t, name, out)) return true;
    if (rt.find_property(rt.global(), name, out)) return true;
    return false;
  }

  // The objects a name is looked up in, innermost first: With objects,
  // the activation, the definition's chain, the timeline and _global.
  std::vector<Object*> scope_objects() {
    std::vector<Object*> chain;
    for (size_t i = f.withs.size(); i-- > 0;) chain.push_back(f.withs[i]);
    if (f.activation) chain.push_back(f.activation);
    if (f.outer)
      for (size_t i = f.outer->size(); i-- > 0;) chain.push_back((*f.outer)[i]);
    if (ClipObject* t = base_clip()) chain.push_back(t);
    chain.push_back(rt.global());
    return chain;
  }

  // Follows a target path ("a/b", "a.b", "a:b", "/a", "../a", mixed) from
  // `start`: clips' children win over their variables, ".." and "_parent"
  // climb, a leading "/" starts at the root. Nothing when a step does not
  // give an object.
  Object* resolve_path(Object* start, const std::string& path, bool first_element,
                       bool target = false) {
    if (!start) return nullptr;
    Object* cur = start;
    size_t i = 0;
    bool slash = false;
    // Colons at the start (after a root '/') and after ".." are skipped
    // when a name follows; other empty names find nothing.
    auto skip_colons = [&] {
      size_t after = path.find_first_not_of(':', i);
      if (after != std::string::npos) i = after;
    };
    if (!path.empty() && path[0] == '/') {
      Object* root =
          engine() ? root_for(start->is_clip() ? engine()->live(start) : base_clip()) : nullptr;
      if (!root) return nullptr;
      cur = root;
      ++i;
      slash = true;
      first_element = false;
    }
    skip_colons();
    bool cs = rt.case_sensitive();
    int guard = 0;
    while (i < path.size()) {
      if (++guard > 4096) return nullptr;
      // A whole target path takes any run of colons as one.
      if (target) skip_colons();
      // ".." climbs where a name may start, not right after a dot.
      bool after_dot = i > 0 && path[i - 1] == '.';
      if (!after_dot && path.compare(i, 2, "..") == 0 &&
          (i + 2 == path.size() || path[i + 2] == '/' || path[i + 2] == ':')) {
        slash = true;  // dots stop delimiting after a climb
        i += 3;
        ClipObject* c = cur->is_clip() && engine() ? engine()->live(cur) : nullptr;
        if (!c || !c->parent) return nullptr;
        cur = c->parent;
        first_element = false;
        skip_colons();
        continue;
      }
      // Slashes and colons delimit (after a '/', a colon that starts a name
      // belongs to it); before any '/', from SWF 6, so do dots that do not
      // start a name.
      size_t end = i;
      bool dots = !slash && f.version >= 6 && path[i] != '.';
      while (end < path.size()) {
        char ch = path[end];
        if ((ch == ':' && (!slash || end > i)) || (ch == '.' && dots)) break;
        if (ch == '/') {
          slash = true;
          break;
        }
        ++end;
      }
      String name(path.substr(i, end - i));
      i = end + 1;
      Value next;
      bool found = false;
      if (first_element) {
        if (name.same("this", cs) || name.same("_global", cs) || name.same("_root", cs))
          found = special_variable(name, next);
      }
      first_element = false;
      if (!found && engine()) {
        const std::string& n = name.str();
        // SWF 5 paths know levels only as their first name.
        if ((f.version >= 6 || cur == start) && n.size() > 6 &&
            equal_folded(n.substr(0, 6), "_level") &&
            n.find_first_not_of("0123456789", 6) == std::string::npos) {
          next = Value::object(engine()->level(std::atoi(n.c_str() + 6)));
          found = true;
        } else if (cur->is_clip()) {
          if (ClipObject* c = engine()->live(cur))
            if (ClipObject* child = engine()->child_by_name(c, name)) {
              next = Value::object(child);
              found = true;
            }
        }
      }
      if (!found) next = rt.get_property(cur, name);
      cur = next.as_object();
      if (!cur) return nullptr;
    }
    return cur;
  }

  // Where a path's variable part starts: after the last ':' or (from SWF 6)
  // '.', and for writes '/'; npos when the name is a plain one.
  static size_t variable_split(const std::string& s, bool for_write, bool dots) {
    for (size_t i = s.size(); i-- > 0;)
      if (s[i] == ':' || (s[i] == '.' && dots) || (for_write && s[i] == '/')) return i;
    return std::string::npos;
  }

  Value get_variable(const String& name) {
    const std::string& s = name.str();
    size_t split = variable_split(s, false, true);
    if (split != std::string::npos) {
      // A path to an object and a variable in it, looked for from each
      // object of the scope chain in turn.
      String variable(s.substr(split + 1));
      std::string path = s.substr(0, split);
      if (variable.empty() || path.empty()) return Value();
      for (Object* scope : scope_objects()) {
        Object* o = resolve_path(scope, path, true);
        if (o && rt.has_property(o, variable)) return rt.get_property(o, variable);
      }
      return Value();
    }
    if (s.find('/') != std::string::npos) {
      // A slash path names a clip.
      for (Object* scope : scope_objects())
        if (Object* o = resolve_path(scope, s, false))
          return o->is_clip() ? Value::object(o) : Value();
      // A path that leads nowhere may still be a variable's whole name.
    }
    Value out;
    if (lookup_plain(name, out)) return out;
    return Value();
  }

  // Own properties, and the properties a clip computes, take writes.
  bool holds_for_write(Object* o, const String& name) {
    Value ignored;
    if (o->get_native(rt, name, ignored)) return true;
    return rt.own_property(o, name) != nullptr;
  }

  void set_variable(const String& name, const Value& value) {
    const std::string& s = name.str();
    size_t split = variable_split(s, true, f.version >= 6);
    if (split != std::string::npos) {
      // The path is followed from the current target; a '/' before the
      // variable belongs to the path ("/x" is the root's x).
      String variable(s.substr(split + 1));
      std::string path = s.substr(0, s[split] == '/' ? split + 1 : split);
      Object* start = base_clip();
      if (!start) start = f.this_value.as_object();
      Object* o = path.empty() ? start : resolve_path(start, path, true);
      if (o && !variable.empty()) rt.set_property(o, variable, value);
      return;
    }
    for (size_t i = f.withs.size(); i-- > 0;)
      if (holds_for_write(f.withs[i], name)) {
        rt.set_property(f.withs[i], name, value);
        return;
      }
    if (f.activation && holds_for_write(f.activation, name)) {
      rt.set_property(f.activation, name, value);
      return;
    }
    if (f.outer)
      for (size_t i = f.outer->size(); i-- > 0;)
        if (holds_for_write((*f.outer)[i], name)) {
          rt.set_property((*f.outer)[i], name, value);
          return;
        }
    if (ClipObject* t = base_clip()) rt.set_property(t, name, value);
  }

  void define_local(const String& name, const Value& value) {
    if (f.activation) {
      f.activation->put(name, value);
      return;
    }
    // Outside functions it writes where SetVariable would.
    set_variable(name, value);
  }

  void declare_local(const String& name) {
    if (f.activation) {
      if (!rt.own_property(f.activation, name)) f.activation->put(name, Value());
      return;
    }
    if (ClipObject* t = base_clip())
      if (!rt.own_property(t, name)) rt.set_property(t, name, Value());
  }

  bool delete_variable(const String& name) {
    for (size_t i = f.withs.size(); i-- > 0;)
      if (rt.own_property(f.withs[i], name)) return rt.delete_property(f.withs[i], name);
    if (f.activation && rt.own_property(f.activation, name))
      return rt.delete_property(f.activation, name);
    if (f.outer)
      for (size_t i = f.outer->size(); i-- > 0;)
        if (rt.own_property((*f.outer)[i], name)) return rt.delete_property((*f.outer)[i], name);
    if (ClipObject* t = base_clip())
      if (rt.own_property(t, name)) return rt.delete_property(t, name);
    if (rt.own_property(rt.global(), name)) return rt.delete_property(rt.global(), name);
    return false;
  }

  // The object a function found by name runs on: the with object or
  // timeline that holds it, else the current target.
  Value this_for_call(const String& name) {
    for (size_t i = f.withs.size(); i-- > 0;)
      if (rt.has_property(f.withs[i], name)) return Value::object(f.withs[i]);
    // A local function runs on the activation that holds it.
    if (f.activation && rt.own_property(f.activation, name)) return Value::object(f.activation);
    if (f.outer)
      for (size_t i = f.outer->size(); i-- > 0;)
        if (rt.has_property((*f.outer)[i], name)) return Value::object((*f.outer)[i]);
    ClipObject* t = base_clip();
    return t ? Value::object(t) : Value();
  }

  // --- Calls

  // Calls take no more arguments than the stack holds; lists (InitArray)
  // fill up with undefined.
  std::vector<Value> pop_arguments(double count_value, bool for_call = false) {
    size_t count = 0;
    if (count_value > 0) count = static_cast<size_t>(std::min(count_value, 65536.0));
    if (for_call) count = std::min(count, f.stack.size());
    std::vector<Value> args;
    args.reserve(std::min<size_t>(count, f.stack.size()));
    for (size_t i = 0; i < count; ++i) args.push_back(f.pop());
    return args;
  }

  // Object and array literals know their class by an own, hidden
  // `constructor`, as objects made with `new` do.
  static void literal_constructor(Object* o, FunctionObject* ctor) {
    if (ctor) o->define("constructor", Value::object(ctor), kDontEnum);
  }

  // Calls object[name] (or the object itself for an empty name), with
  // `super` following where the method was found.
  Value call_method(const Value& object, const Value& name_value, const std::vector<Value>& args) {
    // A name that converts to an empty text counts as none too.
    String name = name_value.is_undefined() ? String() : rt.to_string(name_value);
    bool no_name = name.str().empty();
    Object* o = object.as_object();
    if (o && o->object_class() == ObjectClass::super_reference) {
      auto* s = static_cast<SuperObject*>(o);
      Object* base = s->prototype;
      if (no_name) {
        // super(...): the constructor one level up.
        Value ctor;
        if (base) ctor = rt.get_property(base, "__constructor__");
        if (!rt.is_callable(ctor) && base) {
          Object* up = base->proto();
          if (up) ctor = rt.get_property(up, "constructor");
        }
        if (!rt.is_callable(ctor)) return Value();
        auto* fn = static_cast<FunctionObject*>(ctor.as_object());
        return rt.call_with_super(fn, s->this_object, args.data(), args.size(),
                                  base ? base->proto() : nullptr, false);
      }

      Object* holder = nullptr;
      Value method = find_with_holder(base ? base->proto() : nullptr, name, s->this_object, holder);
      if (!rt.is_callable(method)) return Value();
      // The callee's super is one level further up, wherever the method
      // was found.
      return rt.call_with_super(static_cast<FunctionObject*>(method.as_object()), s->this_object,
                                args.data(), args.size(), base ? base->proto() : nullptr, false);
    }
    if (no_name) {
      // The function itself is called without `this`; its `super` still
      // stands for the function object.
      if (!rt.is_callable(object)) return Value();
      return rt.call_with_super(static_cast<FunctionObject*>(o), Value(), args.data(), args.size(),
                                o->proto_for(rt.version()), false, &object);
    }

    Value method;
    Object* holder = nullptr;
    if (o) {
      method = find_with_holder(o, name, object, holder);
      if (!holder && !rt.is_callable(method)) method = rt.get_property(o, name);
    } else {
      method = rt.get_member(object, name);
    }
    if (!rt.is_callable(method)) return Value();
    // `super` starts one link above the object's prototype, wherever along
    // the chain the method was found.
    return rt.call_with_super(static_cast<FunctionObject*>(method.as_object()), object, args.data(),
                              args.size(), o ? o->proto_for(rt.version()) : nullptr, false);
  }

  // Looks `name` up from `start` along the chain; `holder` is where it was
  // found (getters run on `self`).
  Value find_with_holder(Object* start, const String& name, const Value& self, Object*& holder) {
    holder = nullptr;
    if (!start) return Value();
    Value out;
    if (start->get_native(rt, name, out)) {
      holder = start;
      return out;
    }
    bool cs = rt.case_sensitive();
    int guard = 0;
    for (Object* cur = start; cur; cur = cur->proto_for(rt.version()), ++guard) {
      if (guard > 256) throw ScriptAbort();  // a chain this deep ends the script
      Property* p = cur->find_own(name, cs);
      if (p && visible_to(p->flags, rt.version())) {
        holder = cur;
        if (p->getter) return rt.call(Value::object(p->getter), self, nullptr, 0);
        return p->value;
      }
      if (cur == start && start->get_late(rt, name, out)) {
        holder = start;
        return out;
      }
    }
    return Value();
  }

  // --- Control flow

  // Leaves the blocks the program counter has moved out of.
  void leave_blocks() {
    while (!f.blocks.empty()) {
      Block& b = f.blocks.back();
      if (f.pc >= b.start && f.pc < b.end) return;
      if (b.is_try && f.pc == b.end && (b.pending_throw || b.pending_return)) {
        Block done = b;
        f.withs.resize(std::min(f.withs.size(), done.with_count));
        f.blocks.pop_back();
        if (done.pending_throw) throw ScriptThrow{done.pending};
        do_return(done.pending);
        return;
      }
      f.withs.resize(std::min(f.withs.size(), b.with_count));
      f.blocks.pop_back();
    }
  }

  void do_return(const Value& v) {
    // A finally block runs first.
    for (size_t i = f.blocks.size(); i-- > 0;) {
      Block& b = f.blocks[i];
      if (!b.is_try || !(b.flags & kTryFinally)) continue;
      if (f.at >= b.finally_start && f.at < b.end) continue;  // inside the finally already
      f.blocks.resize(i + 1);
      f.withs.resize(std::min(f.withs.size(), b.with_count));
      b.pending_return = true;
      b.pending_throw = false;
      b.pending = v;
      f.pc = b.finally_start;
      return;
    }
    f.return_value = v;
    f.returned = true;
  }

  // An exception reached this frame: true when a block here took it.
  bool catch_here(const Value& thrown) {
    while (!f.blocks.empty()) {
      Block& b = f.blocks.back();
      if (!b.is_try) {
        f.withs.resize(std::min(f.withs.size(), b.with_count));
        f.blocks.pop_back();
        continue;
      }
      f.withs.resize(std::min(f.withs.size(), b.with_count));
      bool in_try = f.at >= b.start && f.at < b.try_end;
      bool in_catch = f.at >= b.catch_start && f.at < b.catch_end;
      if (in_try && (b.flags & kTryCatch)) {
        f.pc = b.catch_start;
        if (b.flags & kTryCatchInRegister) {
          if (b.catch_register < f.register_count) f.registers[b.catch_register] = thrown;
        } else {
          define_local(b.catch_name, thrown);
        }
        return true;
      }
      if ((in_try || in_catch) && (b.flags & kTryFinally)) {
        b.pending_throw = true;
        b.pending_return = false;
        b.pending = thrown;
        f.pc = b.finally_start;
        return true;
      }
      f.blocks.pop_back();
    }
    return false;
  }

  // --- Functions

  FunctionObject* define_function(const std::shared_ptr<ScriptCode>& code) {
    FunctionObject* fn = rt.heap().make<FunctionObject>();
    fn->set_proto(rt.known().function_prototype);
    // Closures come with SWF 6: older functions see only their own locals,
    // the timeline they were defined on and _global.
    std::vector<Object*> scope;
    if (f.version >= 6) {
      if (f.outer) scope = *f.outer;
      if (f.activation) scope.push_back(f.activation);
      for (Object* w : f.withs) scope.push_back(w);
    }
    // A function belongs to the timeline the code began on, whatever
    // SetTarget chose.
    Object* defining = original_clip();
    fn->set_script(code, std::move(scope), defining);
    Object* prototype = rt.make_object();
    prototype->define("constructor", Value::object(fn), kHidden);
    fn->define("prototype", Value::object(prototype), kHidden);
    return fn;
  }

  // --- The loop

  void run();
  void step(const ActionRecord& r);
  bool jump_to(long target) {
    if (target < static_cast<long>(f.start) || target > static_cast<long>(f.end)) {
      f.pc = f.end;  // out of the list: it ends
      return false;
    }
    f.pc = static_cast<size_t>(target);
    return true;
  }
};

void Interpreter::run() {
  for (;;) {
    try {
      ActionRecord r;
      while (!f.returned) {
        leave_blocks();
        if (f.returned || f.pc >= f.end) break;
        if (!decode_action(f.code, f.end, f.pc, r) || r.code == kActionEnd) {
          f.pc = f.end;
          leave_blocks();
          break;
        }
        if (++rt.actions_total_ - rt.actions_at_run_start_ > rt.max_actions_per_run ||
            rt.heap_.count() > rt.max_live_objects)
          throw ScriptAbort();
        f.at = f.pc;
        f.pc = r.next;
        step(r);
      }
      return;
    } catch (ScriptThrow& thrown) {
      if (!catch_here(thrown.value)) throw;
    }
  }
}

namespace {

double random_number(double max) {
  static std::mt19937 generator(12345);
  if (!(max >= 1)) return 0;
  std::uniform_int_distribution<uint32_t> d(0,
                                            static_cast<uint32_t>(std::min(max, 4294967295.0)) - 1);
  return d(generator);
}

}  // namespace

void Interpreter::step(const ActionRecord& r) {
  Payload in{f.code + r.payload, r.payload_length};
  Engine* e = engine();
  int v = f.version;
  auto push_bool = [&](bool b) {
    // SWF 4 code has no booleans: 1 and 0.
    if (v < 5)
      f.push(Value::number(b ? 1 : 0));
    else
      f.push(Value::boolean(b));
  };
  switch (r.code) {
    case kActionNextFrame:
      if (e) e->next_frame(target_clip());
      break;
    case kActionPreviousFrame:
      if (e) e->previous_frame(target_clip());
      break;
    case kActionPlay:
      if (e) e->play(target_clip());
      break;
    case kActionStop:
      if (e) e->stop(target_clip());
      break;
    case kActionToggleQuality:
    case kActionStopSounds:
      break;
    case kActionAdd: {
      double a = rt.to_number(f.pop()), b = rt.to_number(f.pop());
      f.push(Value::number(b + a));
      break;
    }
    case kActionSubtract: {
      double a = rt.to_number(f.pop()), b = rt.to_number(f.pop());
      f.push(Value::number(b - a));
      break;
    }
    case kActionMultiply: {
      double a = rt.to_number(f.pop()), b = rt.to_number(f.pop());
      f.push(Value::number(b * a));
      break;
    }
    case kActionDivide: {
      double a = rt.to_number(f.pop()), b = rt.to_number(f.pop());
      if (a == 0 && v < 5)
        f.push(Value("#ERROR#"));
      else if (a == 0)  // the sign of a zero divisor does not count
        f.push(Value::number(b > 0 ? INFINITY : b < 0 ? -INFINITY : std::nan("")));
      else
        f.push(Value::number(b / a));
      break;
    }
    case kActionEquals: {
      double a = rt.to_number(f.pop()), b = rt.to_number(f.pop());
      push_bool(b == a);
      break;
    }
    case kActionLess: {
      double a = rt.to_number(f.pop()), b = rt.to_number(f.pop());
      push_bool(b < a);
      break;
    }
    case kActionAnd: {
      Value a = f.pop(), b = f.pop();
      push_bool(rt.to_boolean(b) && rt.to_boolean(a));
      break;
    }
    case kActionOr: {
      Value a = f.pop(), b = f.pop();
      push_bool(rt.to_boolean(b) || rt.to_boolean(a));
      break;
    }
    case kActionNot:
      push_bool(!rt.to_boolean(f.pop()));
      break;
    case kActionStringEquals: {
      String a = rt.to_string(f.pop()), b = rt.to_string(f.pop());
      push_bool(a == b);
      break;
    }
    case kActionStringLength:
    case kActionMBStringLength: {
      String s = rt.to_string(f.pop());
      f.push(Value::number(static_cast<double>(character_count(s.str(), v))));
      break;
    }
    case kActionStringExtract:
    case kActionMBStringExtract: {
      // Index and count are 32-bit integers (NaN and infinities give 0).
      int32_t count = to_int32(rt.to_number(f.pop()));
      int32_t index = to_int32(rt.to_number(f.pop()));
      String s = rt.to_string(f.pop());
      long first = static_cast<long>(index) - 1;
      if (first < 0) first = 0;
      size_t length = character_count(s.str(), v);
      if (static_cast<size_t>(first) >= length || count == 0) {
        f.push(Value(""));
        break;
      }
      size_t n = count < 0 ? length : static_cast<size_t>(count);
      size_t from = character_offset(s.str(), static_cast<size_t>(first), v);
      size_t to = character_offset(s.str(), static_cast<size_t>(first) + n, v);
      f.push(Value(s.str().substr(from, to - from)));
      break;
    }
    case kActionPop:
      f.pop();
      break;
    case kActionToInteger:
      f.push(Value::number(static_cast<double>(to_int32(rt.to_number(f.pop())))));
      break;
    case kActionGetVariable: {
      String name = rt.to_string(f.pop());
      f.push(get_variable(name));
      break;
    }
    case kActionSetVariable: {
      Value value = f.pop();
      String name = rt.to_string(f.pop());
      set_variable(name, value);
      break;
    }
    case kActionSetTarget2: {
      Value t = f.pop();
      if (!e) break;
      if (t.is_string() && t.string_text().empty()) {
        f.target = f.original_target;
        f.target_lost = false;
        break;
      }
      // The target is taken as text: a clip is found again by its path,
      // and undefined names "undefined" from SWF 7.
      ClipObject* c = clip_at(original_clip(), rt.to_string(t).str());
      f.target = c;
      f.target_lost = c == nullptr;
      break;
    }
    case kActionStringAdd: {
      String a = rt.to_string(f.pop()), b = rt.to_string(f.pop());
      rt.charge_text(a.size() + b.size());
      f.push(Value(b.str() + a.str()));
      break;
    }
    case kActionGetProperty: {
      double index = rt.to_number(f.pop());
      Value t = f.pop();
      ClipObject* c = property_target(t);
      if (!c || std::isnan(index) || index < 0 || index >= kPropCount) {
        f.push(Value());
        break;
      }
      f.push(e->get_clip_property(c, static_cast<int>(index)));
      break;
    }
    case kActionSetProperty: {
      Value value = f.pop();
      double index = rt.to_number(f.pop());
      Value t = f.pop();
      ClipObject* c = property_target(t);
      if (c && !std::isnan(index) && index >= 0 && index < kPropCount)
        e->set_clip_property(c, static_cast<int>(index), value);
      break;
    }
    case kActionCloneSprite: {
      double depth = rt.to_number(f.pop());
      String name = rt.to_string(f.pop());
      Value source = f.pop();
      if (!e) break;
      ClipObject* c = e->resolve_target(base_clip(), source);
      if (c && !std::isnan(depth)) e->duplicate(c, name, static_cast<int>(depth) - 16384, nullptr);
      break;
    }
    case kActionRemoveSprite: {
      Value t = f.pop();
      if (!e) break;
      ClipObject* c = e->resolve_target(base_clip(), t);
      if (c && c->depth() >= 0 && c->depth() < 1048576) e->remove_clip(c);
      break;
    }
    case kActionTrace: {
      Value value = f.pop();
      std::string line = rt.trace_text(value);
      // Code before SWF 6 handles texts as bytes of a single-byte code page;
      // the output shows each byte as its own character.
      if (v < 6) line = bytes_to_utf8(line);
      if (rt.trace_output) rt.trace_output(line);
      break;
    }
    case kActionStartDrag: {
      Value t = f.pop();
      bool lock = rt.to_boolean(f.pop());
      bool constrained = rt.to_boolean(f.pop());
      double x1 = 0, y1 = 0, x2 = 0, y2 = 0;
      if (constrained) {
        y2 = rt.to_number(f.pop());
        x2 = rt.to_number(f.pop());
        y1 = rt.to_number(f.pop());
        x1 = rt.to_number(f.pop());
      }
      if (!e) break;
      if (ClipObject* c = e->resolve_target(base_clip(), t))
        e->start_drag(c, lock, constrained, x1, y1, x2, y2);
      break;
    }
    case kActionEndDrag:
      if (e) e->stop_drag();
      break;
    case kActionStringLess: {
      String a = rt.to_string(f.pop()), b = rt.to_string(f.pop());
      push_bool(b.str() < a.str());
      break;
    }
    case kActionStringGreater: {
      String a = rt.to_string(f.pop()), b = rt.to_string(f.pop());
      push_bool(b.str() > a.str());
      break;
    }
    case kActionThrow:
      throw ScriptThrow{f.pop()};
    case kActionCastOp: {
      Value object = f.pop();
      Value constructor = f.pop();
      f.push(rt.instance_of(object, constructor) ? object : Value::null());
      break;
    }
    case kActionImplementsOp: {
      Value constructor = f.pop();
      std::vector<Value> interfaces = pop_arguments(rt.to_number(f.pop()));
      Object* c = constructor.as_object();
      if (!c) break;
      ArrayObject* list = rt.make_array(interfaces);
      c->define("__implements__", Value::object(list), kHidden);
      break;
    }
    case kActionRandomNumber:
      f.push(Value::number(random_number(rt.to_number(f.pop()))));
      break;
    case kActionCharToAscii:
    case kActionMBCharToAscii: {
      String s = rt.to_string(f.pop());
      if (s.empty()) {
        f.push(Value::number(0));
        break;
      }
      f.push(Value::number(character_at(s.str(), 0, nullptr, v)));
      break;
    }
    case kActionAsciiToChar:
    case kActionMBAsciiToChar: {
      uint32_t full = static_cast<uint32_t>(to_int32(rt.to_number(f.pop())));
      uint32_t code = full & 0xFFFF;
      std::string s;
      if (v < 6) {
        // Bytes: the single-byte form keeps the low byte, the multi-byte
        // form writes a high byte first for anything past one byte; a zero
        // byte ends the text.
        bool two = r.code == kActionMBAsciiToChar && full > 0xFF;
        bool ended = two && (code >> 8) == 0;
        if (two && !ended) s += static_cast<char>(code >> 8);
        if ((code & 0xFF) != 0 && !ended) s += static_cast<char>(code & 0xFF);
      } else if (code != 0) {
        append_utf8(s, code);
      }
      f.push(Value(s));
      break;
    }
    case kActionGetTime:
      f.push(Value::number(e ? std::floor(e->timer_ms()) : 0));
      break;
    case kActionDelete: {
      String name = rt.to_string(f.pop());
      Value object = f.pop();
      Object* o = object.as_object();
      f.push(Value::boolean(o && rt.delete_property(o, name)));
      break;
    }
    case kActionDelete2: {
      String name = rt.to_string(f.pop());
      f.push(Value::boolean(delete_variable(name)));
      break;
    }
    case kActionDefineLocal: {
      Value value = f.pop();
      String name = rt.to_string(f.pop());
      define_local(name, value);
      break;
    }
    case kActionDefineLocal2:
      declare_local(rt.to_string(f.pop()));
      break;
    case kActionCallFunction: {
      String name = rt.to_string(f.pop());
      std::vector<Value> args = pop_arguments(rt.to_number(f.pop()), true);
      Value fn = get_variable(name);
      Value result;
      Object* o = fn.as_object();
      if (o && o->object_class() == ObjectClass::super_reference)
        result = call_method(fn, Value(), args);  // super(...)
      else if (rt.is_callable(fn))                // no object called it: super stands for nothing
        result = rt.call_with_super(static_cast<FunctionObject*>(o), this_for_call(name),
                                    args.data(), args.size(), nullptr, false);
      f.push(result);
      break;
    }
    case kActionReturn:
      do_return(f.pop());
      break;
    case kActionModulo: {
      double a = rt.to_number(f.pop()), b = rt.to_number(f.pop());
      f.push(Value::number(std::fmod(b, a)));
      break;
    }
    case kActionNewObject: {
      String name = rt.to_string(f.pop());
      std::vector<Value> args = pop_arguments(rt.to_number(f.pop()), true);
      Value ctor = get_variable(name);
      f.push(rt.construct(ctor, args));
      break;
    }
    case kActionInitArray: {
      std::vector<Value> items = pop_arguments(rt.to_number(f.pop()));
      ArrayObject* array = rt.make_array(items);
      literal_constructor(array, rt.known().array_constructor);
      f.push(Value::object(array));
      break;
    }
    case kActionInitObject: {
      double count = rt.to_number(f.pop());
      Object* o = rt.make_object();
      literal_constructor(o, rt.known().object_constructor);
      size_t n = count > 0 ? static_cast<size_t>(std::min(count, 65536.0)) : 0;
      for (size_t i = 0; i < n; ++i) {
        Value value = f.pop();
        String name = rt.to_string(f.pop());
        rt.set_property(o, name, value);
      }
      f.push(Value::object(o));
      break;
    }
    case kActionTypeOf:
      f.push(Value(rt.type_of(f.pop())));
      break;
    case kActionTargetPath: {
      Value t = f.pop();
      Object* o = t.as_object();
      if (e && o && o->is_clip())
        f.push(Value(e->target_path(o)));
      else
        f.push(Value());
      break;
    }
    case kActionEnumerate:
    case kActionEnumerate2: {
      Value subject = f.pop();
      Object* o = nullptr;
      if (r.code == kActionEnumerate) {
        subject = get_variable(rt.to_string(subject));
      }
      o = subject.as_object();
      f.push(Value::null());
      if (!o) break;
      std::vector<String> names = rt.enumerate(o);
      for (size_t i = names.size(); i-- > 0;) f.push(Value(names[i]));
      break;
    }
    case kActionAdd2: {
      Value a = f.pop(), b = f.pop();
      f.push(rt.add(b, a));
      break;
    }
    case kActionLess2: {
      Value a = f.pop(), b = f.pop();
      f.push(rt.less_than(b, a));
      break;
    }
    case kActionGreater: {
      Value a = f.pop(), b = f.pop();
      f.push(rt.less_than(a, b));
      break;
    }
    case kActionEquals2: {
      Value a = f.pop(), b = f.pop();
      push_bool(rt.loose_equals(b, a));
      break;
    }
    case kActionStrictEquals: {
      Value a = f.pop(), b = f.pop();
      push_bool(rt.strict_equals(b, a));
      break;
    }
    case kActionToNumber:
      f.push(Value::number(rt.to_number(f.pop())));
      break;
    case kActionToString:
      f.push(Value(rt.to_string(f.pop())));
      break;
    case kActionPushDuplicate: {
      Value a = f.stack.empty() ? Value() : f.stack.back();
      f.push(a);
      break;
    }
    case kActionStackSwap: {
      Value a = f.pop(), b = f.pop();
      f.push(a);
      f.push(b);
      break;
    }
    case kActionGetMember: {
      Value name = f.pop();
      Value object = f.pop();
      Object* o = object.as_object();
      if (o && o->object_class() == ObjectClass::super_reference) {
        auto* s = static_cast<SuperObject*>(o);
        Object* holder = nullptr;
        f.push(find_with_holder(s->prototype ? s->prototype->proto() : nullptr, rt.to_string(name),
                                s->this_object, holder));
        break;
      }
      f.push(rt.get_member(object, rt.to_string(name)));
      break;
    }
    case kActionSetMember: {
      Value value = f.pop();
      Value name = f.pop();
      Value object = f.pop();
      if (Object* o = object.as_object()) rt.set_property(o, rt.to_string(name), value);
      break;
    }
    case kActionIncrement:
      f.push(Value::number(rt.to_number(f.pop()) + 1));
      break;
    case kActionDecrement:
      f.push(Value::number(rt.to_number(f.pop()) - 1));
      break;
    case kActionCallMethod: {
      Value name = f.pop();
      Value object = f.pop();
      std::vector<Value> args = pop_arguments(rt.to_number(f.pop()), true);
      f.push(call_method(object, name, args));
      break;
    }
    case kActionNewMethod: {
      Value name = f.pop();
      Value object = f.pop();
      std::vector<Value> args = pop_arguments(rt.to_number(f.pop()), true);
      Value ctor;
      String method = name.is_undefined() ? String() : rt.to_string(name);
      if (method.empty())
        ctor = object;
      else
        ctor = rt.get_member(object, method);
      f.push(rt.construct(ctor, args));
      break;
    }
    case kActionInstanceOf: {
      Value constructor = f.pop();
      Value object = f.pop();
      push_bool(rt.instance_of(object, constructor));
      break;
    }
    case kActionBitAnd: {
      int32_t a = rt.to_int32(f.pop()), b = rt.to_int32(f.pop());
      f.push(Value::number(b & a));
      break;
    }
    case kActionBitOr: {
      int32_t a = rt.to_int32(f.pop()), b = rt.to_int32(f.pop());
      f.push(Value::number(b | a));
      break;
    }
    case kActionBitXor: {
      int32_t a = rt.to_int32(f.pop()), b = rt.to_int32(f.pop());
      f.push(Value::number(b ^ a));
      break;
    }
    case kActionBitLShift: {
      int32_t count = rt.to_int32(f.pop()) & 31;
      int32_t value = rt.to_int32(f.pop());
      f.push(Value::number(static_cast<int32_t>(static_cast<uint32_t>(value) << count)));
      break;
    }
    case kActionBitRShift: {
      int32_t count = rt.to_int32(f.pop()) & 31;
      int32_t value = rt.to_int32(f.pop());
      f.push(Value::number(value >> count));
      break;
    }
    case kActionBitURShift: {
      int32_t count = rt.to_int32(f.pop()) & 31;
      uint32_t value = to_uint32(rt.to_number(f.pop()));
      // The player keeps results as 32-bit signed integers: a shift by
      // nothing leaves a negative number negative.
      uint32_t shifted = value >> count;
      f.push(Value::number(count == 0 ? static_cast<double>(static_cast<int32_t>(shifted))
                                      : static_cast<double>(shifted)));
      break;
    }
    case kActionExtends: {
      Value superclass = f.pop();
      Value subclass = f.pop();
      Object* sub = subclass.as_object();
      Object* super = superclass.as_object();
      if (!sub || !super) break;
      Object* prototype = rt.make_object(nullptr);
      prototype->set_proto(rt.get_property(super, "prototype").as_object());
      prototype->define("__constructor__", superclass, kHidden);
      rt.set_property(sub, "prototype", Value::object(prototype));
      break;
    }
    // --- Records with payloads
    case kActionGotoFrame: {
      uint16_t frame = in.u16();
      if (e && in.ok) e->goto_frame(target_clip(), frame, false);
      break;
    }
    case kActionGetURL: {
      String url = in.string();
      String target = in.string();
      if (e) e->get_url(base_clip(), url.str(), target.str(), 0, false, false);
      break;
    }
    case kActionStoreRegister: {
      uint8_t reg = in.u8();
      if (in.ok && reg < f.register_count)
        f.registers[reg] = f.stack.empty() ? Value() : f.stack.back();
      break;
    }
    case kActionConstantPool: {
      uint16_t count = in.u16();
      auto pool = std::make_shared<std::vector<Value>>();
      pool->reserve(count);
      for (uint16_t i = 0; i < count && in.ok; ++i) {
        String s = in.string();
        if (f.version >= 6 && !s.ascii()) s = String(drop_malformed_utf8(s.str()));
        if (in.ok || !s.empty()) pool->push_back(Value(s));
      }
      f.pool = pool;
      break;
    }
    case kActionWaitForFrame:
    case kActionWaitForFrame2: {
      long frame;
      uint8_t skip;
      if (r.code == kActionWaitForFrame) {
        frame = in.u16();
        skip = in.u8();
      } else {
        skip = in.u8();
        Value fv = f.pop();
        frame = static_cast<long>(rt.to_number(fv)) - 1;
      }
      bool loaded = true;
      if (e) loaded = e->frame_loaded(target_clip(), frame);
      if (!loaded) {
        ActionRecord skipped;
        for (uint8_t i = 0; i < skip; ++i) {
          if (!decode_action(f.code, f.end, f.pc, skipped)) break;
          f.pc = skipped.next;
        }
      }
      break;
    }
    case kActionSetTarget: {
      String path = in.string();
      if (!e) break;
      if (path.empty()) {
        f.target = f.original_target;
        f.target_lost = false;
        break;
      }
      ClipObject* c = clip_at(original_clip(), path.str());
      f.target = c;
      f.target_lost = c == nullptr;
      break;
    }
    case kActionGotoLabel: {
      String label = in.string();
      if (e) e->goto_label(target_clip(), label.str(), false);
      break;
    }
    case kActionDefineFunction:
    case kActionDefineFunction2: {
      auto code = std::make_shared<ScriptCode>();
      code->name = in.string();
      uint16_t params = in.u16();
      if (r.code == kActionDefineFunction2) {
        code->version2 = true;
        code->register_count = in.u8();
        code->flags = in.u16();
      }
      for (uint16_t i = 0; i < params && in.ok; ++i) {
        uint8_t reg = code->version2 ? in.u8() : 0;
        code->parameter_registers.push_back(reg);
        code->parameters.push_back(in.string());
      }
      uint16_t size = in.u16();
      if (!in.ok) {
        f.pc = f.end;
        break;
      }
      size_t body = r.next;
      size_t body_end = std::min(body + size, f.end);
      code->bytes = f.bytes;
      code->start = body;
      code->size = body_end - body;
      code->swf_version = v;
      code->constant_pool = f.pool;
      FunctionObject* fn = define_function(code);
      f.pc = body_end;
      if (code->name.empty())
        f.push(Value::object(fn));
      else
        define_local(code->name, Value::object(fn));
      break;
    }
    case kActionTry: {
      Block b;
      b.is_try = true;
      b.flags = in.u8();
      uint16_t try_size = in.u16();
      uint16_t catch_size = in.u16();
      uint16_t finally_size = in.u16();
      if (b.flags & kTryCatchInRegister)
        b.catch_register = in.u8();
      else
        b.catch_name = in.string();
      if (!in.ok) {
        f.pc = f.end;
        break;
      }
      // A part whose flag is clear has no room: its size is ignored.
      if (!(b.flags & kTryCatch)) catch_size = 0;
      if (!(b.flags & kTryFinally)) finally_size = 0;
      b.start = r.next;
      b.try_end = b.start + try_size;
      b.catch_start = b.try_end;
      b.catch_end = b.catch_start + catch_size;
      b.finally_start = b.catch_end;
      b.end = b.finally_start + finally_size;
      b.with_count = f.withs.size();
      if (b.end > f.end) b.end = f.end;
      if (!(b.flags & kTryFinally)) b.finally_start = b.end;
      f.blocks.push_back(b);
      break;
    }
    case kActionWith: {
      uint16_t size = in.u16();
      Value subject = f.pop();
      Object* o = subject.as_object();
      if (!o && !subject.is_nullish()) o = rt.to_object(subject);
      if (!o || f.withs.size() >= kMaxWithDepth) {
        f.pc = std::min(r.next + size, f.end);  // the body is skipped
        break;
      }
      Block b;
      b.start = r.next;
      b.end = std::min(r.next + size, f.end);
      b.with_count = f.withs.size();
      f.withs.push_back(o);
      f.blocks.push_back(b);
      break;
    }
    case kActionPush:
      while (in.ok && in.at < in.n) {
        uint8_t type = in.u8();
        switch (type) {
          case 0: {
            String s = in.string();
            if (f.version >= 6 && !s.ascii()) s = String(drop_malformed_utf8(s.str()));
            f.push(Value(s));
            break;
          }
          case 1: {
            uint32_t bits = in.u32();
            float value;
            std::memcpy(&value, &bits, 4);
            f.push(Value::number(value));
            break;
          }
          case 2:
            f.push(Value::null());
            break;
          case 3:
            f.push(Value());
            break;
          case 4: {
            uint8_t reg = in.u8();
            f.push(reg < f.register_count ? f.registers[reg] : Value());
            break;
          }
          case 5:
            f.push(Value::boolean(in.u8() != 0));
            break;
          case 6: {
            uint64_t hi = in.u32();
            uint64_t lo = in.u32();
            uint64_t bits = (hi << 32) | lo;
            double value;
            std::memcpy(&value, &bits, 8);
            f.push(Value::number(value));
            break;
          }
          case 7:
            f.push(Value::number(static_cast<int32_t>(in.u32())));
            break;
          case 8:
          case 9: {
            size_t index = type == 8 ? in.u8() : in.u16();
            if (f.pool && index < f.pool->size())
              f.push((*f.pool)[index]);
            else
              f.push(Value());
            break;
          }
          default:
            in.ok = false;  // an unknown type ends the record
            break;
        }
      }
      break;
    case kActionJump: {
      int16_t offset = static_cast<int16_t>(in.u16());
      if (in.ok) jump_to(static_cast<long>(r.next) + offset);
      break;
    }
    case kActionIf: {
      int16_t offset = static_cast<int16_t>(in.u16());
      Value cond = f.pop();
      bool taken =
          v < 5 ? rt.to_number(cond) != 0 && !std::isnan(rt.to_number(cond)) : rt.to_boolean(cond);
      if (in.ok && taken) jump_to(static_cast<long>(r.next) + offset);
      break;
    }
    case kActionGetURL2: {
      uint8_t flags = in.u8();
      String target = rt.to_string(f.pop());
      String url = rt.to_string(f.pop());
      if (e)
        e->get_url(base_clip(), url.str(), target.str(), flags & 3, (flags & 0x80) != 0,
                   (flags & 0x40) != 0);
      break;
    }
    case kActionCall: {
      Value frame = f.pop();
      if (e) e->call_frame(base_clip(), frame);
      break;
    }
    case kActionGotoFrame2: {
      uint8_t flags = in.u8();
      int bias = (flags & 2) ? in.u16() : 0;
      Value frame = f.pop();
      if (e) e->goto_value(target_clip(), frame, (flags & 1) != 0, bias);
      break;
    }
    default:
      break;  // unknown codes do nothing
  }
}

// ---------------------------------------------------------------------------
// Entry points

void Runtime::run_block(const Bytes& bytes, size_t start, size_t size, Object* clip, int version) {
  if (!bytes || start >= bytes->size()) return;
  ExecutionFrame frame;
  frame.bytes = bytes;
  frame.code = bytes->data();
  frame.start = start;
  frame.end = std::min(bytes->size(), start + size);
  frame.pc = start;
  frame.version = version;
  frame.target = frame.original_target = clip;
  frame.this_value = Value::object(clip);
  frame.registers = frame.local_registers;
  frame.register_count = 4;
  frame.stack.reserve(16);
  RunScope scope(*this, frame);
  try {
    Interpreter{*this, frame}.run();
  } catch (ScriptThrow&) {
    // Nothing caught it: the block ends there.
  } catch (ScriptAbort&) {
    if (depth_ > 1) throw;
  }
}

Value Runtime::run_function(FunctionObject* fn, const Value& this_value, const Value* args,
                            size_t count, Object* super_prototype, bool constructing,
                            const Value* super_this) {
  (void)constructing;
  const std::shared_ptr<const ScriptCode>& code = fn->code();
  if (!code || !code->bytes) return Value();
  if (depth_ >= max_call_depth) throw ScriptAbort();
  ExecutionFrame frame;
  frame.bytes = code->bytes;
  frame.code = code->bytes->data();
  frame.start = code->start;
  frame.end = std::min(code->bytes->size(), code->start + code->size);
  frame.pc = frame.start;
  frame.version = code->swf_version;
  frame.outer = &fn->scope();
  frame.target = frame.original_target = fn->target();
  frame.this_value = this_value;
  frame.pool = code->constant_pool;
  frame.callee = fn;
  frame.stack.reserve(16);

  Object* activation = heap_.make<Object>();
  frame.activation = activation;

  // Registers: DefineFunction2 with a count has its own; others share
  // the caller's four (or have four of their own at the top).
  if (code->version2 && code->register_count > 0) {
    frame.own_registers.resize(code->register_count);
    frame.registers = frame.own_registers.data();
    frame.register_count = frame.own_registers.size();
  } else if (code->version2 && current_) {
    frame.registers = current_->registers;
    frame.register_count = current_->register_count;
  } else {
    frame.registers = frame.local_registers;
    frame.register_count = 4;
  }

  std::vector<Value> actual(args, args + count);
  ArrayObject* arguments = make_array(actual);
  arguments->define("callee", Value::object(fn), kHidden);
  arguments->define("caller",
                    current_ && current_->callee ? Value::object(current_->callee) : Value::null(),
                    kHidden);
  SuperObject* super_object = heap_.make<SuperObject>();
  super_object->prototype = super_prototype;
  super_object->this_object = super_this ? *super_this : this_value;

  uint16_t flags = code->version2 ? code->flags : 0;
  if (!(flags & kSuppressThis)) activation->put("this", this_value);
  if (!(flags & kSuppressArguments)) activation->put("arguments", Value::object(arguments));
  // SWF 5 code has no `super`.
  if (!(flags & kSuppressSuper) && code->swf_version >= 6)
    activation->put("super", Value::object(super_object));
  if (code->version2) {
    size_t next = 1;
    auto preload = [&](uint16_t flag, const Value& v) {
      if (!(flags & flag)) return;
      if (next < frame.register_count) frame.registers[next] = v;
      ++next;
    };
    // Suppressing `this` wins over preloading it.
    preload(flags & kSuppressThis ? 0 : kPreloadThis, this_value);
    preload(kPreloadArguments, Value::object(arguments));
    preload(kPreloadSuper, Value::object(super_object));
    if (flags & (kPreloadRoot | kPreloadParent)) {
      ClipObject* target = nullptr;
      if (engine_ && fn->target() && fn->target()->is_clip()) target = engine_->live(fn->target());
      ClipObject* root = target;
      while (root && root->parent) root = root->parent;
      if (!root && engine_) root = engine_->root_clip();
      preload(kPreloadRoot, Value::object(root));
      preload(kPreloadParent, target && target->parent ? Value::object(target->parent) : Value());
    }
    preload(kPreloadGlobal, Value::object(known_.global));
  }
  for (size_t i = 0; i < code->parameters.size(); ++i) {
    Value v = i < count ? args[i] : Value();
    uint8_t reg = i < code->parameter_registers.size() ? code->parameter_registers[i] : 0;
    if (reg != 0) {
      if (reg < frame.register_count) frame.registers[reg] = v;
    } else {
      activation->put(code->parameters[i], v);
    }
  }

  RunScope scope(*this, frame);
  Interpreter{*this, frame}.run();
  return frame.return_value;
}

Object* Runtime::current_target() const {
  if (!current_) return nullptr;
  return current_->target_lost ? current_->original_target : current_->target;
}

Object* Runtime::current_this() const {
  return current_ ? current_->this_value.as_object() : nullptr;
}

}  // namespace avm1
