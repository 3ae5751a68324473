// A small assembler for action bytes, and a runner that plays a movie made of
// them with the script engine and collects its trace lines. Shared by the
// engine's tests, its fuzz seed maker and its benchmark.
#pragma once

#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <string>
#include <vector>

#include "avm1/actions.h"
#include "avm1/engine.h"
#include "avm1/host.h"
#include "core/player.h"
#include "swfwriter/swf_writer.h"

namespace avm1_test {

// One value of a Push record.
struct Push {
  enum Kind { string, number, integer, boolean, null, undefined, reg, constant } kind;
  std::string text;
  double number_value = 0;
  int32_t integer_value = 0;
  bool boolean_value = false;
  uint16_t index = 0;

  Push(const char* s) : kind(string), text(s) {}         // NOLINT: pushes read as literals
  Push(const std::string& s) : kind(string), text(s) {}  // NOLINT
  Push(double n) : kind(number), number_value(n) {}      // NOLINT
  Push(int i) : kind(integer), integer_value(i) {}       // NOLINT
  static Push b(bool v) {
    Push p(0);
    p.kind = boolean;
    p.boolean_value = v;
    return p;
  }
  static Push null_value() {
    Push p(0);
    p.kind = null;
    return p;
  }
  static Push undefined_value() {
    Push p(0);
    p.kind = undefined;
    return p;
  }
  static Push r(uint8_t n) {
    Push p(0);
    p.kind = reg;
    p.index = n;
    return p;
  }
  static Push c(uint16_t n) {
    Push p(0);
    p.kind = constant;
    p.index = n;
    return p;
  }
};

class Asm {
 public:
  using Bytes = std::vector<uint8_t>;

  Asm& op(uint8_t code) {
    out_.push_back(code);
    return *this;
  }
  Asm& record(uint8_t code, const Bytes& payload) {
    out_.push_back(code);
    u16(out_, static_cast<uint16_t>(payload.size()));
    out_.insert(out_.end(), payload.begin(), payload.end());
    return *this;
  }
  Asm& push(std::initializer_list<Push> values) {
    Bytes p;
    for (const Push& v : values) {
      switch (v.kind) {
        case Push::string:
          p.push_back(0);
          str(p, v.text);
          break;
        case Push::number: {
          p.push_back(6);
          uint64_t bits;
          std::memcpy(&bits, &v.number_value, 8);
          u32(p, static_cast<uint32_t>(bits >> 32));
          u32(p, static_cast<uint32_t>(bits));
          break;
        }
        case Push::integer:
          p.push_back(7);
          u32(p, static_cast<uint32_t>(v.integer_value));
          break;
        case Push::boolean:
          p.push_back(5);
          p.push_back(v.boolean_value ? 1 : 0);
          break;
        case Push::null:
          p.push_back(2);
          break;
        case Push::undefined:
          p.push_back(3);
          break;
        case Push::reg:
          p.push_back(4);
          p.push_back(static_cast<uint8_t>(v.index));
          break;
        case Push::constant:
          if (v.index < 256) {
            p.push_back(8);
            p.push_back(static_cast<uint8_t>(v.index));
          } else {
            p.push_back(9);
            u16(p, v.index);
          }
          break;
      }
    }
    return record(avm1::kActionPush, p);
  }
  Asm& constants(const std::vector<std::string>& pool) {
    Bytes p;
    u16(p, static_cast<uint16_t>(pool.size()));
    for (const std::string& s : pool) str(p, s);
    return record(avm1::kActionConstantPool, p);
  }
  Asm& trace(std::initializer_list<Push> values) { return push(values).op(avm1::kActionTrace); }
  // name = value (both pushed first).
  Asm& set(const std::string& name, std::initializer_list<Push> value) {
    push({Push(name)});
    for (const Push& v : value) push({v});
    return op(avm1::kActionSetVariable);
  }
  Asm& get(const std::string& name) { return push({Push(name)}).op(avm1::kActionGetVariable); }
  Asm& store(uint8_t reg) { return record(avm1::kActionStoreRegister, {reg}); }

  // Branches by label: offsets are patched when the label is placed.
  Asm& jump(const std::string& label) { return branch(avm1::kActionJump, label); }
  Asm& branch_if(const std::string& label) { return branch(avm1::kActionIf, label); }
  Asm& label(const std::string& name) {
    for (Fixup& f : fixups_)
      if (f.label == name && !f.done) {
        int16_t offset =
            static_cast<int16_t>(static_cast<long>(out_.size()) - static_cast<long>(f.at + 2));
        out_[f.at] = static_cast<uint8_t>(offset & 0xFF);
        out_[f.at + 1] = static_cast<uint8_t>((offset >> 8) & 0xFF);
        f.done = true;
      }
    labels_.push_back({name, out_.size()});
    return *this;
  }
  // A backward branch to a label already placed.
  Asm& jump_back(const std::string& label_name, uint8_t code = avm1::kActionJump) {
    size_t target = 0;
    for (const auto& l : labels_)
      if (l.first == label_name) target = l.second;
    Bytes p;
    long offset = static_cast<long>(target) - static_cast<long>(out_.size() + 5);
    u16(p, static_cast<uint16_t>(static_cast<int16_t>(offset)));
    return record(code, p);
  }

  // DefineFunction: name ("" pushes the function), parameters, body.
  Asm& function(const std::string& name, const std::vector<std::string>& params, const Asm& body) {
    Bytes p;
    str(p, name);
    u16(p, static_cast<uint16_t>(params.size()));
    for (const std::string& s : params) str(p, s);
    u16(p, static_cast<uint16_t>(body.out_.size()));
    record(avm1::kActionDefineFunction, p);
    out_.insert(out_.end(), body.out_.begin(), body.out_.end());
    return *this;
  }
  // DefineFunction2 with parameters in registers (0 = by name).
  Asm& function2(const std::string& name, uint8_t registers, uint16_t flags,
                 const std::vector<std::pair<uint8_t, std::string>>& params, const Asm& body) {
    Bytes p;
    str(p, name);
    u16(p, static_cast<uint16_t>(params.size()));
    p.push_back(registers);
    u16(p, flags);
    for (const auto& param : params) {
      p.push_back(param.first);
      str(p, param.second);
    }
    u16(p, static_cast<uint16_t>(body.out_.size()));
    record(avm1::kActionDefineFunction2, p);
    out_.insert(out_.end(), body.out_.begin(), body.out_.end());
    return *this;
  }
  // Try with an optional catch (by name) and finally.
  Asm& try_block(const Asm& body, const std::string& catch_name, const Asm* handler,
                 const Asm* finally) {
    Bytes p;
    uint8_t flags = (handler ? 1 : 0) | (finally ? 2 : 0);
    p.push_back(flags);
    u16(p, static_cast<uint16_t>(body.out_.size()));
    u16(p, static_cast<uint16_t>(handler ? handler->out_.size() : 0));
    u16(p, static_cast<uint16_t>(finally ? finally->out_.size() : 0));
    str(p, catch_name);
    record(avm1::kActionTry, p);
    out_.insert(out_.end(), body.out_.begin(), body.out_.end());
    if (handler) out_.insert(out_.end(), handler->out_.begin(), handler->out_.end());
    if (finally) out_.insert(out_.end(), finally->out_.begin(), finally->out_.end());
    return *this;
  }
  // With: the object is on the stack.
  Asm& with(const Asm& body) {
    Bytes p;
    u16(p, static_cast<uint16_t>(body.out_.size()));
    record(avm1::kActionWith, p);
    out_.insert(out_.end(), body.out_.begin(), body.out_.end());
    return *this;
  }
  Asm& raw(const Bytes& bytes) {
    out_.insert(out_.end(), bytes.begin(), bytes.end());
    return *this;
  }

  const Bytes& bytes() const { return out_; }
  Bytes finished() const {
    Bytes b = out_;
    b.push_back(0);
    return b;
  }

 private:
  struct Fixup {
    std::string label;
    size_t at;
    bool done;
  };
  Asm& branch(uint8_t code, const std::string& label_name) {
    record(code, {0, 0});
    fixups_.push_back({label_name, out_.size() - 2, false});
    return *this;
  }
  static void u16(Bytes& b, uint16_t v) {
    b.push_back(static_cast<uint8_t>(v & 0xFF));
    b.push_back(static_cast<uint8_t>(v >> 8));
  }
  static void u32(Bytes& b, uint32_t v) {
    u16(b, static_cast<uint16_t>(v & 0xFFFF));
    u16(b, static_cast<uint16_t>(v >> 16));
  }
  static void str(Bytes& b, const std::string& s) {
    b.insert(b.end(), s.begin(), s.end());
    b.push_back(0);
  }
  Bytes out_;
  std::vector<Fixup> fixups_;
  std::vector<std::pair<std::string, size_t>> labels_;
};

struct TraceHost : avm1::Host {
  std::string output;
  double clock = 0;
  void trace(const std::string& line) override { output += line + "\n"; }
  double now_ms() override { return clock; }
};

// A movie whose frames run the given action blocks (one DoAction each).
inline std::vector<uint8_t> script_movie(const std::vector<std::vector<uint8_t>>& frames,
                                         uint8_t version = 8) {
  swfwriter::Movie m;
  m.version = version;
  m.frame_rate = 20;
  m.frame_count = static_cast<uint16_t>(frames.size());
  for (const auto& f : frames) {
    m.do_action(f);
    m.show_frame();
  }
  m.end();
  return m.finish();
}

// Plays a movie for `frames` frames and answers its trace output.
inline std::string run_movie(const std::vector<uint8_t>& movie, int frames = 1,
                             uint64_t max_actions = 0) {
  npfp::Player player;
  player.feed(movie.data(), movie.size());
  player.finish_stream();
  TraceHost host;
  avm1::Engine engine(player, host);
  if (max_actions) engine.runtime().max_actions_per_run = max_actions;
  for (int i = 0; i < frames; ++i) {
    player.advance();
    host.clock += 50;
  }
  return host.output;
}

// One frame of actions in a movie of `version`.
inline std::string run(const Asm& a, uint8_t version = 8) {
  return run_movie(script_movie({a.finished()}, version));
}

// object.method(args...) with the arguments given in call order.
inline Asm& call(Asm& a, const std::string& object, const std::string& method,
                 std::initializer_list<Push> args) {
  std::vector<Push> reversed(args.begin(), args.end());
  for (size_t i = reversed.size(); i-- > 0;) a.push({reversed[i]});
  a.push({Push(static_cast<int>(args.size()))}).get(object).push({Push(method)});
  return a.op(avm1::kActionCallMethod);
}

}  // namespace avm1_test
