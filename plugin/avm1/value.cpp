#include "avm1/value.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace avm1 {

// ---------------------------------------------------------------------------
// String

String::Rep* String::empty_rep() {
  // Never freed: its count starts at one and every holder adds one.
  static Rep* const rep = new Rep();
  return rep;
}

String::String() : rep_(empty_rep()) { ++rep_->refs; }

String::String(const char* text) : String(std::string(text ? text : "")) {}

String::String(std::string text) {
  if (text.empty()) {
    rep_ = empty_rep();
    ++rep_->refs;
    return;
  }
  rep_ = new Rep();
  rep_->text = std::move(text);
}

String::String(const char* data, size_t size) : String(std::string(data, size)) {}

void String::release() {
  if (rep_ && --rep_->refs == 0) delete rep_;
  rep_ = nullptr;
}

String& String::operator=(const String& other) {
  if (rep_ != other.rep_) {
    ++other.rep_->refs;
    release();
    rep_ = other.rep_;
  }
  return *this;
}

String& String::operator=(String&& other) noexcept {
  if (this != &other) {
    release();
    rep_ = other.rep_;
    other.rep_ = nullptr;
  }
  return *this;
}

namespace {

inline unsigned char fold(unsigned char c) { return c >= 'A' && c <= 'Z' ? c + 32 : c; }

}  // namespace

uint32_t String::folded_hash() const {
  if (!(rep_->flags & 1)) {
    uint32_t h = 2166136261u;
    for (unsigned char c : rep_->text) h = (h ^ fold(c)) * 16777619u;
    rep_->hash = h;
    rep_->flags |= 1;
  }
  return rep_->hash;
}

bool String::ascii() const {
  if (!(rep_->flags & 2)) {
    bool a = true;
    for (unsigned char c : rep_->text)
      if (c >= 0x80) {
        a = false;
        break;
      }
    rep_->flags |= a ? 6 : 2;
  }
  return rep_->flags & 4;
}

bool String::same(const String& other, bool case_sensitive) const {
  if (rep_ == other.rep_) return true;
  if (case_sensitive) return rep_->text == other.rep_->text;
  if (rep_->text.size() != other.rep_->text.size()) return false;
  if (folded_hash() != other.folded_hash()) return false;
  return equal_folded(rep_->text, other.rep_->text);
}

bool equal_folded(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (fold(static_cast<unsigned char>(a[i])) != fold(static_cast<unsigned char>(b[i])))
      return false;
  return true;
}

std::string fold_case(const std::string& s) {
  std::string out = s;
  for (char& c : out) c = static_cast<char>(fold(static_cast<unsigned char>(c)));
  return out;
}

// ---------------------------------------------------------------------------
// Value

void Value::release() {
  if (type_ == Type::string && --u_.s->refs == 0) delete u_.s;
}

Value& Value::operator=(const Value& other) {
  if (this != &other) {
    if (other.type_ == Type::string) ++other.u_.s->refs;
    release();
    type_ = other.type_;
    u_ = other.u_;
  }
  return *this;
}

Value& Value::operator=(Value&& other) noexcept {
  if (this != &other) {
    release();
    type_ = other.type_;
    u_ = other.u_;
    other.type_ = Type::undefined;
  }
  return *this;
}

// ---------------------------------------------------------------------------
// Numbers

std::string number_to_string(double n) {
  if (std::isnan(n)) return "NaN";
  if (std::isinf(n)) return n > 0 ? "Infinity" : "-Infinity";
  if (n == 0) return "0";
  if (std::fabs(n) < 1e15 && n == std::floor(n)) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%.0f", n);
    return buffer;
  }
  char buffer[40];
  std::snprintf(buffer, sizeof buffer, "%.15g", n);
  // Rounding up must not leave the finite range: the largest numbers
  // print with their digits cut instead.
  if (std::isinf(std::strtod(buffer, nullptr))) {
    char exact[48];
    std::snprintf(exact, sizeof exact, "%.16e", n);
    std::string text = exact;
    size_t e = text.find('e');
    size_t keep = (text[0] == '-' ? 1 : 0) + 16;  // sign, digit, point, 14 digits
    std::string mantissa = text.substr(0, keep);
    while (mantissa.back() == '0') mantissa.pop_back();
    if (mantissa.back() == '.') mantissa.pop_back();
    std::snprintf(buffer, sizeof buffer, "%s%s", mantissa.c_str(), text.c_str() + e);
  }
  // C writes at least two exponent digits ("1e-05"); the player writes as
  // many as needed.
  std::string s = buffer;
  size_t e = s.find('e');
  if (e != std::string::npos && e + 2 < s.size()) {
    size_t digits = e + 2;
    size_t first = digits;
    while (first + 1 < s.size() && s[first] == '0') ++first;
    s.erase(digits, first - digits);
  }
  return s;
}

std::string number_to_radix_string(double n, int radix) {
  if (radix == 10 || radix < 2 || radix > 36) return number_to_string(n);
  if (std::isnan(n)) return "NaN";
  if (std::isinf(n)) return n > 0 ? "Infinity" : "-Infinity";
  // Other radixes print the 32-bit integer part.
  int32_t v = to_int32(n);
  bool negative = v < 0;
  uint32_t u = negative ? 0u - static_cast<uint32_t>(v) : static_cast<uint32_t>(v);
  std::string digits;
  do {
    digits.insert(digits.begin(), "0123456789abcdefghijklmnopqrstuvwxyz"[u % radix]);
    u /= radix;
  } while (u);
  return negative ? "-" + digits : digits;
}

namespace {

bool is_space(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

// A decimal number filling all of [p, end): digits with an optional
// point and an optional exponent.
bool parse_decimal(const char* p, const char* end, double& out) {
  const char* start = p;
  bool digits = false;
  while (p < end && *p >= '0' && *p <= '9') {
    ++p;
    digits = true;
  }
  if (p < end && *p == '.') {
    ++p;
    while (p < end && *p >= '0' && *p <= '9') {
      ++p;
      digits = true;
    }
  }
  if (!digits) return false;
  if (p < end && (*p == 'e' || *p == 'E')) {
    const char* q = p + 1;
    if (q < end && (*q == '+' || *q == '-')) ++q;
    bool exponent_digits = false;
    while (q < end && *q >= '0' && *q <= '9') {
      ++q;
      exponent_digits = true;
    }
    if (!exponent_digits) return false;
    p = q;
  }
  if (p != end) return false;
  out = std::strtod(std::string(start, end).c_str(), nullptr);
  return true;
}

}  // namespace

double string_to_number(const std::string& text, int version) {
  const double nan = std::nan("");
  const char* p = text.c_str();
  const char* end = p + text.size();
  if (version >= 6 && end - p >= 2 && p[0] == '0' && (p[1] == 'x' || p[1] == 'X')) {
    // Hexadecimal, which takes a sign after the prefix.
    const char* q = p + 2;
    bool negative = false;
    if (q < end && (*q == '-' || *q == '+')) {
      negative = *q == '-';
      ++q;
    }
    if (q == end) return nan;
    double v = 0;
    for (; q < end; ++q) {
      int d;
      if (*q >= '0' && *q <= '9')
        d = *q - '0';
      else if (*q >= 'a' && *q <= 'f')
        d = *q - 'a' + 10;
      else if (*q >= 'A' && *q <= 'F')
        d = *q - 'A' + 10;
      else
        return nan;
      v = v * 16 + d;
    }
    // The value is a 32-bit integer.
    double r = static_cast<double>(static_cast<int32_t>(to_uint32(v)));
    return negative ? -r : r;
  }
  if (version >= 6 && end - p >= 2 && p[0] == '0') {
    // Leading zero and only octal digits: octal.
    bool octal = true;
    for (const char* q = p + 1; q < end; ++q)
      if (*q < '0' || *q > '7') {
        octal = false;
        break;
      }
    if (octal) {
      double v = 0;
      for (const char* q = p + 1; q < end; ++q) v = v * 8 + (*q - '0');
      return v;
    }
  }
  while (p < end && is_space(*p)) ++p;
  bool negative = false;
  if (p < end && (*p == '+' || *p == '-')) {
    negative = *p == '-';
    ++p;
  }
  double v;
  if (!parse_decimal(p, end, v)) return version <= 4 ? 0 : nan;
  return negative ? -v : v;
}

int32_t to_int32(double n) { return static_cast<int32_t>(to_uint32(n)); }

uint32_t to_uint32(double n) {
  if (!std::isfinite(n)) return 0;
  double t = std::trunc(n);
  double m = std::fmod(t, 4294967296.0);
  if (m < 0) m += 4294967296.0;
  return static_cast<uint32_t>(m);
}

// ---------------------------------------------------------------------------
// Characters

namespace {

// Length of a well-formed UTF-8 sequence starting at s[i], 0 if malformed.
size_t utf8_length(const std::string& s, size_t i, uint32_t* code) {
  unsigned char c = static_cast<unsigned char>(s[i]);
  size_t n;
  uint32_t v;
  if (c < 0x80) {
    if (code) *code = c;
    return 1;
  } else if ((c & 0xE0) == 0xC0) {
    n = 2;
    v = c & 0x1F;
  } else if ((c & 0xF0) == 0xE0) {
    n = 3;
    v = c & 0x0F;
  } else if ((c & 0xF8) == 0xF0) {
    n = 4;
    v = c & 0x07;
  } else {
    return 0;
  }
  if (i + n > s.size()) return 0;
  for (size_t k = 1; k < n; ++k) {
    unsigned char d = static_cast<unsigned char>(s[i + k]);
    if ((d & 0xC0) != 0x80) return 0;
    v = (v << 6) | (d & 0x3F);
  }
  if (code) *code = v;
  return n;
}

}  // namespace

size_t character_count(const std::string& text, int version) {
  if (version < 6) return text.size();
  size_t count = 0;
  for (size_t i = 0; i < text.size();) {
    size_t n = utf8_length(text, i, nullptr);
    i += n ? n : 1;
    ++count;
  }
  return count;
}

size_t character_offset(const std::string& text, size_t position, int version) {
  if (version < 6) return position < text.size() ? position : text.size();
  size_t i = 0;
  for (size_t k = 0; k < position && i < text.size(); ++k) {
    size_t n = utf8_length(text, i, nullptr);
    i += n ? n : 1;
  }
  return i;
}

uint32_t character_at(const std::string& text, size_t offset, size_t* next, int version) {
  if (offset >= text.size()) {
    if (next) *next = text.size();
    return 0;
  }
  if (version < 6) {
    if (next) *next = offset + 1;
    return static_cast<unsigned char>(text[offset]);
  }
  uint32_t code = 0;
  size_t n = utf8_length(text, offset, &code);
  if (n == 0) {
    if (next) *next = offset + 1;
    return static_cast<unsigned char>(text[offset]);
  }
  if (next) *next = offset + n;
  return code;
}

std::string drop_malformed_utf8(const std::string& text) {
  size_t i = 0;
  while (i < text.size() && static_cast<unsigned char>(text[i]) < 0x80) ++i;
  if (i == text.size()) return text;
  std::string out(text, 0, i);
  while (i < text.size()) {
    size_t n = utf8_length(text, i, nullptr);
    if (n == 0) {
      ++i;
      continue;
    }
    out.append(text, i, n);
    i += n;
  }
  return out;
}

std::string bytes_to_utf8(const std::string& bytes) {
  std::string out;
  out.reserve(bytes.size());
  for (unsigned char c : bytes) append_utf8(out, c);
  return out;
}

void append_utf8(std::string& out, uint32_t code) {
  if (code < 0x80) {
    out += static_cast<char>(code);
  } else if (code < 0x800) {
    out += static_cast<char>(0xC0 | (code >> 6));
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else if (code < 0x10000) {
    out += static_cast<char>(0xE0 | (code >> 12));
    out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (code >> 18));
    out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  }
}

}  // namespace avm1
