#include "bridge/invoke_protocol.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace bridge {

namespace {

bool is_space(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

bool is_digit(char c) { return c >= '0' && c <= '9'; }

std::size_t skip_space(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size() && is_space(text[i])) ++i;
  return i;
}

std::size_t count_digits(std::string_view text, std::size_t from) {
  std::size_t i = from;
  while (i < text.size() && is_digit(text[i])) ++i;
  return i - from;
}

int clamp_magnitude(int value, int limit) {
  if (value > limit) return limit;
  if (value < -limit) return -limit;
  return value;
}

void append_number_element(std::string& out, int32_t value) {
  out += "<number>";
  out += std::to_string(value);
  out += "</number>";
}

// The value of one non-empty piece of a call's argument text.
void add_piece(std::string_view piece, CallText& out) {
  const std::size_t first = piece.find('"');
  if (first == std::string_view::npos) {
    // Not what a conforming movie sends; the piece itself is still a text
    // the method can read, so nothing goes missing.
    out.arguments.emplace_back(piece);
    return;
  }
  const std::size_t last = piece.rfind('"');
  out.arguments.emplace_back(last > first ? piece.substr(first + 1, last - first - 1)
                                          : std::string_view());
}

// Tolerates the pre-C99 answer (negative when the buffer is too small) as
// well as the C99 one; gives up beyond 256 MB.
constexpr std::size_t kFormatLimit = std::size_t{1} << 28;

}  // namespace

// ---------------------------------------------------------------------------
// Argument list

std::string_view variant_text(const NPVariant& variant) {
  if (variant.type != NPVariantType_String) return {};
  const NPString& string = variant.value.stringValue;
  if (!string.UTF8Characters) return {};
  const void* nul = std::memchr(string.UTF8Characters, '\0', string.UTF8Length);
  const std::size_t length =
      nul ? static_cast<std::size_t>(static_cast<const char*>(nul) - string.UTF8Characters)
          : string.UTF8Length;
  return std::string_view(string.UTF8Characters, length);
}

NPVariant string_variant(std::string_view text) {
  NPVariant variant;
  std::memset(&variant, 0, sizeof variant);
  variant.type = NPVariantType_String;
  variant.value.stringValue.UTF8Characters = text.data();
  variant.value.stringValue.UTF8Length = static_cast<uint32_t>(text.size());
  return variant;
}

NPVariant int32_variant(int32_t value) {
  NPVariant variant;
  std::memset(&variant, 0, sizeof variant);
  variant.type = NPVariantType_Int32;
  variant.value.intValue = value;
  return variant;
}

const NPVariant* ArgumentList::at(uint32_t position) const {
  if (position < 1 || position > count_) return nullptr;
  return &items_[position - 1];
}

std::string_view ArgumentList::text(uint32_t position) const {
  const NPVariant* item = at(position);
  return item ? variant_text(*item) : std::string_view();
}

std::string_view ArgumentList::bytes(uint32_t position) const {
  const NPVariant* item = at(position);
  if (!item || item->type != NPVariantType_String || !item->value.stringValue.UTF8Characters) {
    return {};
  }
  return std::string_view(item->value.stringValue.UTF8Characters,
                          item->value.stringValue.UTF8Length);
}

OwnedArguments::OwnedArguments(std::vector<std::string> texts) : texts_(std::move(texts)) {
  variants_.reserve(texts_.size());
  for (const std::string& text : texts_) variants_.push_back(string_variant(text));
}

// ---------------------------------------------------------------------------
// Readers

std::string read_text(const ArgumentList& arguments, uint32_t position) {
  return base64_decode(arguments.text(position));
}

void read_text_into(const ArgumentList& arguments, uint32_t position, std::string& out) {
  out = base64_decode(arguments.text(position));
}

int32_t read_integer(const ArgumentList& arguments, uint32_t position) {
  return parse_integer(arguments.text(position));
}

double read_real(const ArgumentList& arguments, uint32_t position) {
  return parse_real(arguments.text(position));
}

bool read_flag(const ArgumentList& arguments, uint32_t position) {
  return parse_flag(arguments.text(position));
}

bool read_decoded_flag(const ArgumentList& arguments, uint32_t position) {
  return parse_flag(base64_decode(arguments.text(position)));
}

int32_t parse_integer(std::string_view text) {
  std::size_t i = skip_space(text);
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
    negative = text[i] == '-';
    ++i;
  }
  // Saturates instead of overflowing: a movie may send any digits.
  const int64_t limit = negative ? int64_t{2147483648} : int64_t{2147483647};
  int64_t value = 0;
  for (; i < text.size() && is_digit(text[i]); ++i) {
    value = value * 10 + (text[i] - '0');
    if (value > limit) value = limit;
  }
  return static_cast<int32_t>(negative ? -value : value);
}

double parse_real(std::string_view text) {
  const std::size_t start = skip_space(text);
  std::size_t end = start;
  if (end < text.size() && (text[end] == '+' || text[end] == '-')) ++end;
  const std::size_t whole_digits = count_digits(text, end);
  end += whole_digits;
  std::size_t fraction_digits = 0;
  if (end < text.size() && text[end] == '.') {
    fraction_digits = count_digits(text, end + 1);
    if (whole_digits + fraction_digits > 0) end += 1 + fraction_digits;
  }
  if (whole_digits + fraction_digits == 0) return 0.0;
  if (end < text.size() && (text[end] == 'e' || text[end] == 'E')) {
    std::size_t exponent = end + 1;
    if (exponent < text.size() && (text[exponent] == '+' || text[exponent] == '-')) ++exponent;
    const std::size_t exponent_digits = count_digits(text, exponent);
    if (exponent_digits > 0) end = exponent + exponent_digits;
  }
  // strtod on exactly the decimal prefix: it never sees hexadecimal, "inf"
  // or "nan" forms, which are not decimal reals.
  const std::string prefix(text.substr(start, end - start));
  return std::strtod(prefix.c_str(), nullptr);
}

bool parse_flag(std::string_view text) {
  static const char kTrue[] = "true";
  if (text.size() != 4) return false;
  for (std::size_t i = 0; i < 4; ++i) {
    char c = text[i];
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (c != kTrue[i]) return false;
  }
  return true;
}

// ---------------------------------------------------------------------------
// Result builders

std::string result_null() { return "<null/>"; }

std::string result_boolean(bool value) { return value ? "<true/>" : "<false/>"; }

std::string result_integer(int32_t value) {
  std::string out;
  append_number_element(out, value);
  return out;
}

std::string result_long_integer(int64_t value) {
  return "<number>" + std::to_string(value) + "</number>";
}

std::string result_real(double value, int width, int precision) {
  width = clamp_magnitude(width, 1000);
  precision = precision < 0 ? 0 : clamp_magnitude(precision, 1000);
  if (width != 0 && precision != 0) {
    return format_text("<number>%*.*f</number>", width, precision, value);
  }
  if (width != 0) return format_text("<number>%*.f</number>", width, value);
  if (precision != 0) return format_text("<number>%.*f</number>", precision, value);
  return format_text("<number>%f</number>", value);
}

std::string result_text(std::string_view text, bool encode) {
  static constexpr std::string_view kOpen = "<string>";
  static constexpr std::string_view kClose = "</string>";
  std::string out;
  out.reserve(kOpen.size() + (encode ? base64_encoded_length(text.size()) : text.size()) +
              kClose.size());
  out += kOpen;
  if (encode) {
    base64_encode_append(text, out);
  } else {
    out += text;
  }
  out += kClose;
  return out;
}

std::string result_date(int year, int month, int day, int hour, int minute, int second) {
  return format_text(
      "<object><property id='year'><number>%d</number></property>"
      "<property id='month'><number>%d</number></property>"
      "<property id='date'><number>%d</number></property>"
      "<property id='hour'><number>%d</number></property>"
      "<property id='minute'><number>%d</number></property>"
      "<property id='second'><number>%d</number></property></object>",
      year, month - 1, day, hour, minute, second);
}

std::string result_point(int32_t x, int32_t y) {
  return format_text(
      "<object><property id='x'><number>%d</number></property>"
      "<property id='y'><number>%d</number></property></object>",
      static_cast<int>(x), static_cast<int>(y));
}

std::string result_size(int32_t width, int32_t height) {
  return format_text(
      "<object><property id='w'><number>%d</number></property>"
      "<property id='h'><number>%d</number></property></object>",
      static_cast<int>(width), static_cast<int>(height));
}

std::string result_text_array(const std::vector<std::string>& texts) {
  std::size_t length = 15;
  for (const std::string& text : texts) length += 48 + base64_encoded_length(text.size());
  std::string out;
  out.reserve(length);
  out += "<array>";
  for (std::size_t i = 0; i < texts.size(); ++i) {
    out += "<property id='";
    out += std::to_string(i);
    out += "'><string>";
    base64_encode_append(texts[i], out);
    out += "</string></property>";
  }
  out += "</array>";
  return out;
}

std::string result_number_array_element(int32_t position, int32_t value) {
  std::string out = "<property id='" + std::to_string(position) + "'>";
  append_number_element(out, value);
  out += "</property>";
  return out;
}

std::string format_text(const char* format, ...) {
  std::string out(256, '\0');
  for (;;) {
    va_list arguments;
    va_start(arguments, format);
    const int written = std::vsnprintf(&out[0], out.size(), format, arguments);
    va_end(arguments);
    if (written >= 0 && static_cast<std::size_t>(written) < out.size()) {
      out.resize(static_cast<std::size_t>(written));
      return out;
    }
    if (out.size() >= kFormatLimit) return std::string();
    out.resize(out.size() * 2);
  }
}

// ---------------------------------------------------------------------------
// Call text

bool cut_call_text(std::string_view script, CallText& out) {
  if (script.substr(0, kCallTextPrefix.size()) != kCallTextPrefix) return false;
  const std::string_view rest = script.substr(kCallTextPrefix.size());
  const std::size_t open = rest.find('(');
  if (open == std::string_view::npos || open + 1 >= rest.size()) return false;

  out.name.assign(rest.data(), open);
  out.arguments.clear();
  // One pass over the argument text: it ends at the first ")" (or the end),
  // and every "," ends a piece. Arguments can be megabytes long.
  const char* cursor = rest.data() + open + 1;
  const char* const end = rest.data() + rest.size();
  const char* piece = cursor;
  for (;; ++cursor) {
    const bool last = cursor == end || *cursor == ')';
    if (!last && *cursor != ',') continue;
    if (cursor > piece)
      add_piece(std::string_view(piece, static_cast<std::size_t>(cursor - piece)), out);
    if (last) return true;
    piece = cursor + 1;
  }
}

// ---------------------------------------------------------------------------
// Invoke texts

std::string invoke_text(std::string_view name, std::string_view first, std::string_view second) {
  std::string out;
  out.reserve(name.size() + first.size() + second.size() + 112);
  out += "<invoke name=\"";
  out += name;
  out += "\" returntype=\"javascript\"><arguments><string>";
  out += first;
  out += "</string><string>";
  out += second;
  out += "</string></arguments></invoke>";
  return out;
}

std::string invoke_text(std::string_view name, const NPVariant* arguments, uint32_t count) {
  std::string out = "<invoke name=\"";
  out += name;
  out += "\" returntype=\"javascript\">";
  if (arguments && count > 0) {
    out += "<arguments>";
    for (uint32_t i = 0; i < count; ++i) {
      const NPVariant& argument = arguments[i];
      switch (argument.type) {
        case NPVariantType_Null:
          out += "<null/>";
          break;
        case NPVariantType_Bool:
          out += argument.value.boolValue ? "<true/>" : "<false/>";
          break;
        case NPVariantType_Int32:
          append_number_element(out, argument.value.intValue);
          break;
        case NPVariantType_Double:
          out += format_text("<number>%f</number>", argument.value.doubleValue);
          break;
        case NPVariantType_String:
          out += "<string>";
          out += variant_text(argument);
          out += "</string>";
          break;
        default:
          break;
      }
    }
    out += "</arguments>";
  }
  out += "</invoke>";
  return out;
}

std::string invoke_text(std::string_view name) {
  std::string out = "<invoke name=\"";
  out += name;
  out += "\" returntype=\"javascript\"><arguments><null/></arguments></invoke>";
  return out;
}

}  // namespace bridge
