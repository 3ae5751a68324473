// A small assembler for action lists: the records of DoAction, with
// labels for jumps and branches, and a few helpers that spell common
// statement shapes (calls, variable assignment). Portable.
#pragma once

#include <cstdint>
#include <cstring>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace e2e {

class Actions {
 public:
  using Bytes = std::vector<uint8_t>;

  // A code without payload (Add2, Trace, GetMember ...).
  Actions& op(uint8_t code) {
    out_.push_back(code);
    return *this;
  }

  Actions& push_string(const std::string& s) {
    Bytes payload{0};
    payload.insert(payload.end(), s.begin(), s.end());
    payload.push_back(0);
    return record(0x96, payload);
  }
  Actions& push_number(double d) {
    // Type 6: the two 32-bit halves, high half first.
    uint64_t bits;
    std::memcpy(&bits, &d, sizeof bits);
    Bytes payload{6};
    append32(payload, static_cast<uint32_t>(bits >> 32));
    append32(payload, static_cast<uint32_t>(bits));
    return record(0x96, payload);
  }
  Actions& push_int(int32_t v) {
    Bytes payload{7};
    append32(payload, static_cast<uint32_t>(v));
    return record(0x96, payload);
  }
  Actions& push_bool(bool b) { return record(0x96, Bytes{5, static_cast<uint8_t>(b ? 1 : 0)}); }
  Actions& push_null() { return record(0x96, Bytes{2}); }
  Actions& push_undefined() { return record(0x96, Bytes{3}); }

  // name -> its value
  Actions& get(const std::string& name) { return push_string(name).op(0x1C); }
  // object.name, the object being on the stack
  Actions& member(const std::string& name) { return push_string(name).op(0x4E); }
  Actions& trace() { return op(0x26); }
  Actions& add() { return op(0x47); }
  Actions& pop() { return op(0x17); }
  Actions& ret() { return op(0x3E); }
  Actions& stop() { return op(0x07); }

  // var name = <what value() pushes>; (DefineLocal in functions, a timeline
  // variable at the top level).
  template <typename F>
  Actions& local(const std::string& name, F value) {
    push_string(name);
    value(*this);
    return op(0x3C);
  }
  template <typename F>
  Actions& set(const std::string& name, F value) {
    push_string(name);
    value(*this);
    return op(0x1D);
  }

  // object.method(...) with the arguments already on the stack, last
  // first; `object` pushes the object. Leaves the result on the stack.
  template <typename O>
  Actions& call_method(int argument_count, O object, const std::string& method) {
    push_int(argument_count);
    object(*this);
    push_string(method);
    return op(0x52);
  }
  // name(args) with the arguments already on the stack, last first.
  Actions& call_function(int argument_count, const std::string& name) {
    push_int(argument_count);
    push_string(name);
    return op(0x3D);
  }

  // Labels: jumps and branches may name a label before it is placed.
  Actions& label(const std::string& name) {
    labels_[name] = out_.size();
    return *this;
  }
  Actions& jump(const std::string& to) { return branch(0x99, to); }
  // Branches when the popped value is true.
  Actions& branch_if(const std::string& to) { return branch(0x9D, to); }

  // function name(params) { body } (DefineFunction; an empty name leaves
  // the function on the stack).
  Actions& define_function(const std::string& name, const std::vector<std::string>& params,
                           const Actions& body) {
    Bytes code = body.code();
    Bytes payload(name.begin(), name.end());
    payload.push_back(0);
    append16(payload, static_cast<uint16_t>(params.size()));
    for (const std::string& p : params) {
      payload.insert(payload.end(), p.begin(), p.end());
      payload.push_back(0);
    }
    append16(payload, static_cast<uint16_t>(code.size()));
    record(0x9B, payload);
    out_.insert(out_.end(), code.begin(), code.end());
    return *this;
  }

  // getURL(url, target) with the short form.
  Actions& get_url(const std::string& url, const std::string& target) {
    Bytes payload(url.begin(), url.end());
    payload.push_back(0);
    payload.insert(payload.end(), target.begin(), target.end());
    payload.push_back(0);
    return record(0x83, payload);
  }

  // The list without its end record, labels resolved.
  Bytes code() const {
    Bytes bytes = out_;
    for (const auto& fix : fixups_) {
      auto it = labels_.find(fix.second);
      int32_t target = it == labels_.end() ? 0 : static_cast<int32_t>(it->second);
      // Offsets count from the end of the branch record.
      int32_t offset = target - static_cast<int32_t>(fix.first + 2);
      bytes[fix.first] = static_cast<uint8_t>(offset & 0xFF);
      bytes[fix.first + 1] = static_cast<uint8_t>((offset >> 8) & 0xFF);
    }
    return bytes;
  }
  // A DoAction body: the list and its end record.
  Bytes finish() const {
    Bytes bytes = code();
    bytes.push_back(0);
    return bytes;
  }

 private:
  static void append16(Bytes& b, uint16_t v) {
    b.push_back(static_cast<uint8_t>(v));
    b.push_back(static_cast<uint8_t>(v >> 8));
  }
  static void append32(Bytes& b, uint32_t v) {
    for (int i = 0; i < 4; ++i) b.push_back(static_cast<uint8_t>(v >> (8 * i)));
  }
  Actions& record(uint8_t code, const Bytes& payload) {
    out_.push_back(code);
    append16(out_, static_cast<uint16_t>(payload.size()));
    out_.insert(out_.end(), payload.begin(), payload.end());
    return *this;
  }
  Actions& branch(uint8_t code, const std::string& to) {
    out_.push_back(code);
    append16(out_, 2);
    fixups_.emplace_back(out_.size(), to);
    out_.push_back(0);
    out_.push_back(0);
    return *this;
  }

  Bytes out_;
  std::map<std::string, size_t> labels_;
  std::vector<std::pair<size_t, std::string>> fixups_;
};

}  // namespace e2e
