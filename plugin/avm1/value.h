// Values of the ActionScript 1/2 machine: undefined, null, booleans,
// numbers (IEEE doubles), strings and objects, with the conversions that do
// not need to call into scripts.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>

namespace avm1 {

class Object;

// Immutable, reference-counted text. Code of SWF 6 and later holds UTF-8;
// older code holds bytes in the system's code page.
class String {
 public:
  String();
  String(const char* text);  // NOLINT: texts convert freely
  String(std::string text);  // NOLINT
  String(const char* data, size_t size);
  String(const String& other) : rep_(other.rep_) { ++rep_->refs; }
  String(String&& other) noexcept : rep_(other.rep_) { other.rep_ = nullptr; }
  ~String() { release(); }
  String& operator=(const String& other);
  String& operator=(String&& other) noexcept;

  const std::string& str() const { return rep_->text; }
  const char* c_str() const { return rep_->text.c_str(); }
  size_t size() const { return rep_->text.size(); }
  bool empty() const { return rep_->text.empty(); }
  // Hash of the text with ASCII letters folded to lower case (the same for
  // names that differ only in case); computed once.
  uint32_t folded_hash() const;
  // Only 7-bit characters: byte and character positions agree.
  bool ascii() const;
  bool same(const String& other, bool case_sensitive) const;
  bool operator==(const String& other) const {
    return rep_ == other.rep_ || rep_->text == other.rep_->text;
  }
  bool operator!=(const String& other) const { return !(*this == other); }
  bool operator==(const char* text) const { return rep_->text == text; }

 private:
  friend class Value;
  struct Rep {
    uint32_t refs = 1;
    mutable uint32_t hash = 0;
    mutable uint8_t flags = 0;  // 1 hashed, 2 ascii known, 4 ascii
    std::string text;
  };
  explicit String(Rep* rep) : rep_(rep) { ++rep_->refs; }
  void release();
  static Rep* empty_rep();
  Rep* rep_;
};

// ASCII-only case folding, as names compare in SWF 6 and earlier.
bool equal_folded(const std::string& a, const std::string& b);
std::string fold_case(const std::string& s);

enum class Type : uint8_t { undefined, null, boolean, number, string, object };

class Value {
 public:
  Value() : type_(Type::undefined) { u_.n = 0; }
  Value(const Value& other) : type_(other.type_), u_(other.u_) { retain(); }
  Value(Value&& other) noexcept : type_(other.type_), u_(other.u_) {
    other.type_ = Type::undefined;
  }
  ~Value() { release(); }
  Value& operator=(const Value& other);
  Value& operator=(Value&& other) noexcept;

  Value(const String& s) : type_(Type::string) {  // NOLINT
    u_.s = s.rep_;
    ++u_.s->refs;
  }
  Value(const char* s) : Value(String(s)) {}         // NOLINT
  Value(const std::string& s) : Value(String(s)) {}  // NOLINT

  static Value null() {
    Value v;
    v.type_ = Type::null;
    return v;
  }
  static Value boolean(bool b) {
    Value v;
    v.type_ = Type::boolean;
    v.u_.b = b;
    return v;
  }
  static Value number(double n) {
    Value v;
    v.type_ = Type::number;
    v.u_.n = n;
    return v;
  }
  // A null pointer gives null.
  static Value object(Object* o) {
    Value v;
    if (o) {
      v.type_ = Type::object;
      v.u_.o = o;
    } else {
      v.type_ = Type::null;
    }
    return v;
  }

  Type type() const { return type_; }
  bool is_undefined() const { return type_ == Type::undefined; }
  bool is_null() const { return type_ == Type::null; }
  bool is_nullish() const { return type_ == Type::undefined || type_ == Type::null; }
  bool is_boolean() const { return type_ == Type::boolean; }
  bool is_number() const { return type_ == Type::number; }
  bool is_string() const { return type_ == Type::string; }
  bool is_object() const { return type_ == Type::object; }
  bool is_primitive() const { return type_ != Type::object; }

  bool as_boolean() const { return u_.b; }
  double as_number() const { return u_.n; }
  String as_string() const { return String(u_.s); }
  const std::string& string_text() const { return u_.s->text; }
  Object* as_object() const { return type_ == Type::object ? u_.o : nullptr; }

 private:
  void retain() {
    if (type_ == Type::string) ++u_.s->refs;
  }
  void release();

  Type type_;
  union {
    bool b;
    double n;
    String::Rep* s;
    Object* o;
  } u_;
};

// Numbers as text: 15 significant digits, exponent form from 1e15 up and
// below 0.0001 ("1e+15", "1e-5"), "NaN", "Infinity", "-Infinity".
std::string number_to_string(double n);
// In another radix (2 to 36): integers only, as the built-in toString does.
std::string number_to_radix_string(double n, int radix);
// Text as a number by the rules of the code's SWF version (hexadecimal and
// octal forms from version 6; every other malformed text is NaN, and SWF 4
// reads it as 0).
double string_to_number(const std::string& text, int version);
// ECMA-262 ToInt32 and ToUint32 (NaN and infinities give 0).
int32_t to_int32(double n);
uint32_t to_uint32(double n);
// Characters of a text: UTF-8 sequences for version 6 and later, bytes
// before (a malformed sequence counts as one character per byte).
size_t character_count(const std::string& text, int version);
// Byte offset of a character position (clamped to the text's end).
size_t character_offset(const std::string& text, size_t position, int version);
// The code of the character at a byte offset, and where the next begins.
uint32_t character_at(const std::string& text, size_t offset, size_t* next, int version);
void append_utf8(std::string& out, uint32_t code);

}  // namespace avm1
