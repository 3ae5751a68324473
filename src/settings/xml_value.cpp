#include "settings/xml_value.h"

#include <cstdio>

namespace xml_value {
namespace {

bool starts_at(const std::string& text, size_t at, const char* word) {
  return text.compare(at, std::char_traits<char>::length(word), word) == 0;
}

int digit_value(char c, int base) {
  int value = -1;
  if (c >= '0' && c <= '9')
    value = c - '0';
  else if (c >= 'a' && c <= 'z')
    value = c - 'a' + 10;
  else if (c >= 'A' && c <= 'Z')
    value = c - 'A' + 10;
  return value < base ? value : -1;
}

bool is_blank(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

// Reads "&#x...;" or "&#...;" at `at`. On success stores the byte and the
// index just past the semicolon.
bool read_character_reference(const std::string& text, size_t at, char& byte, size_t& next) {
  size_t i = at + 2;  // past "&#"
  int base = 10;
  if (i < text.size() && text[i] == 'x') {
    base = 16;
    ++i;
  }
  const size_t first_digit = i;
  // The number saturates like strtol on a 32-bit long; only its low byte is kept.
  uint32_t number = 0;
  for (; i < text.size(); ++i) {
    int d = digit_value(text[i], base);
    if (d < 0) break;
    uint64_t grown = static_cast<uint64_t>(number) * base + d;
    number = grown > 0x7FFFFFFFu ? 0x7FFFFFFFu : static_cast<uint32_t>(grown);
  }
  if (i == first_digit || i >= text.size() || text[i] != ';') return false;
  byte = static_cast<char>(number & 0xFF);
  next = i + 1;
  return true;
}

// Skips leading blanks and an optional sign; answers the index after them.
size_t skip_blanks_and_sign(const std::string& value, bool& negative) {
  size_t i = 0;
  while (i < value.size() && is_blank(value[i])) ++i;
  negative = false;
  if (i < value.size() && (value[i] == '+' || value[i] == '-')) {
    negative = value[i] == '-';
    ++i;
  }
  return i;
}

// Digits in `base` from `i` on; the magnitude saturates at `cap` + 1 so that
// callers can tell an overflow.
uint64_t read_magnitude(const std::string& value, size_t i, int base, uint64_t cap) {
  uint64_t magnitude = 0;
  for (; i < value.size(); ++i) {
    int d = digit_value(value[i], base);
    if (d < 0) break;
    magnitude = magnitude * base + d;
    if (magnitude > cap) magnitude = cap + 1;
  }
  return magnitude;
}

}  // namespace

std::string unescape_value(const std::string& text) {
  static const struct {
    const char* entity;
    char byte;
  } kEntities[] = {{"&quot;", '"'}, {"&apos;", '\''}, {"&amp;", '&'}, {"&lt;", '<'}, {"&gt;", '>'}};
  std::string out;
  out.reserve(text.size());
  size_t i = 0;
  while (i < text.size()) {
    if (text[i] == '&') {
      bool matched = false;
      for (const auto& e : kEntities) {
        if (starts_at(text, i, e.entity)) {
          out += e.byte;
          i += std::char_traits<char>::length(e.entity);
          matched = true;
          break;
        }
      }
      if (matched) continue;
      char byte;
      size_t next;
      if (starts_at(text, i, "&#") && read_character_reference(text, i, byte, next)) {
        out += byte;
        i = next;
        continue;
      }
    }
    out += text[i++];
  }
  return out;
}

std::string escape_attribute(const std::string& bytes) {
  std::string out;
  out.reserve(bytes.size());
  for (char c : bytes) {
    unsigned char u = static_cast<unsigned char>(c);
    switch (c) {
      case '\n':
        out += "&#x0a;";
        break;
      case '\r':
        out += "&#x0d;";
        break;
      case '"':
        out += "&quot;";
        break;
      case '&':
        out += "&amp;";
        break;
      case '\'':
        out += "&apos;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      // A raw tab would come back as a space: DOMs normalise blanks in values.
      case '\t':
        out += "&#x09;";
        break;
      default: {
        char ref[10];
        if (u >= 0x80) {
          std::snprintf(ref, sizeof ref, "&#x%02x;", u);
          out += ref;
        } else if (u < 0x20) {
          // XML forbids these characters even as references, and a DOM refuses
          // the whole text. The private-use character U+F0hh carries the byte
          // instead: its low 8 bits are the byte, which is what the reader keeps.
          std::snprintf(ref, sizeof ref, "&#xf0%02x;", u);
          out += ref;
        } else {
          out += c;
        }
      }
    }
  }
  return out;
}

std::string serialised_value_part(const std::string& attribute_xml) {
  // Runs of non-quote bytes, as strtok with '"' as the only delimiter forms them.
  size_t run_starts[2];
  size_t run_ends[2];
  int runs = 0;
  size_t i = 0;
  while (i < attribute_xml.size() && runs < 2) {
    while (i < attribute_xml.size() && attribute_xml[i] == '"') ++i;
    if (i == attribute_xml.size()) break;
    run_starts[runs] = i;
    while (i < attribute_xml.size() && attribute_xml[i] != '"') ++i;
    run_ends[runs] = i;
    ++runs;
  }
  if (runs == 0) return attribute_xml;
  if (runs == 1) return std::string();
  return attribute_xml.substr(run_starts[1], run_ends[1] - run_starts[1]);
}

std::string decode_attribute_xml(const std::string& attribute_xml) {
  std::string value = unescape_value(serialised_value_part(attribute_xml));
  size_t nul = value.find('\0');
  if (nul != std::string::npos) value.resize(nul);
  return value;
}

int32_t to_int(const std::string& value) {
  bool negative;
  size_t i = skip_blanks_and_sign(value, negative);
  const uint64_t cap = negative ? 0x80000000u : 0x7FFFFFFFu;
  uint64_t magnitude = read_magnitude(value, i, 10, cap);
  if (magnitude > cap) magnitude = cap;
  int64_t signed_value =
      negative ? -static_cast<int64_t>(magnitude) : static_cast<int64_t>(magnitude);
  return static_cast<int32_t>(signed_value);
}

uint32_t to_unsigned(const std::string& value) {
  bool negative;
  size_t i = skip_blanks_and_sign(value, negative);
  int base = 10;
  if (i < value.size() && value[i] == '0') {
    if (i + 2 < value.size() && (value[i + 1] == 'x' || value[i + 1] == 'X') &&
        digit_value(value[i + 2], 16) >= 0) {
      base = 16;
      i += 2;
    } else {
      base = 8;
    }
  }
  const uint64_t cap = 0xFFFFFFFFu;
  uint64_t magnitude = read_magnitude(value, i, base, cap);
  if (magnitude > cap) return 0xFFFFFFFFu;
  uint32_t result = static_cast<uint32_t>(magnitude);
  return negative ? 0u - result : result;
}

bool to_bool(const std::string& value) {
  static const char kTrue[] = "true";
  if (value.size() != 4) return false;
  for (size_t i = 0; i < 4; ++i) {
    char c = value[i];
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (c != kTrue[i]) return false;
  }
  return true;
}

}  // namespace xml_value
