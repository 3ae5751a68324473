// The text forms in which the movie and the host exchange values: the call
// text of a movie call and how it is cut, the argument list and its readers,
// the result builders, and the invoke texts the host builds for the movie's
// glue.
//
// Arguments are NPAPI string variants (flashhost/npapi.h): NPString's
// UTF8Characters and UTF8Length are the argument's bytes and byte length.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "bridge/base64.h"
#include "flashhost/npapi.h"

namespace bridge {

// ---------------------------------------------------------------------------
// Argument list

// The text of a variant: a string's bytes up to its first NUL, never beyond
// its byte length (a plug-in need not terminate its strings). Every other
// variant type, and a string without characters, is the empty text.
std::string_view variant_text(const NPVariant& variant);

// A string variant pointing at `text` (which must outlive it).
NPVariant string_variant(std::string_view text);
NPVariant int32_variant(int32_t value);

// The arguments of one call. Positions count from 1. A position the call
// does not carry, or one that is not a string, reads as the empty text, so a
// method that reads more positions than it was given sees "", 0 or false.
class ArgumentList {
 public:
  ArgumentList() = default;
  ArgumentList(const NPVariant* items, uint32_t count) : items_(items), count_(items ? count : 0) {}

  uint32_t count() const { return count_; }
  // The argument's text (see variant_text).
  std::string_view text(uint32_t position) const;
  // The argument's whole byte record, NULs included (raw posted data).
  std::string_view bytes(uint32_t position) const;

 private:
  const NPVariant* at(uint32_t position) const;

  const NPVariant* items_ = nullptr;
  uint32_t count_ = 0;
};

// Owned argument texts and the string variants that point into them; what
// the bridge hands the dispatcher after cutting a call text.
class OwnedArguments {
 public:
  OwnedArguments() = default;
  explicit OwnedArguments(std::vector<std::string> texts);
  OwnedArguments(const OwnedArguments&) = delete;
  OwnedArguments& operator=(const OwnedArguments&) = delete;

  const std::vector<std::string>& texts() const { return texts_; }
  const NPVariant* variants() const { return variants_.data(); }
  uint32_t count() const { return static_cast<uint32_t>(variants_.size()); }
  ArgumentList list() const { return ArgumentList(variants(), count()); }

 private:
  std::vector<std::string> texts_;
  std::vector<NPVariant> variants_;
};

// ---------------------------------------------------------------------------
// Argument readers: every namespace reads its arguments through these.

// Text reader: the Base64-decoded argument.
std::string read_text(const ArgumentList& arguments, uint32_t position);
// Text-into-string reader: `out` holds the decoded argument.
void read_text_into(const ArgumentList& arguments, uint32_t position, std::string& out);
// Integer reader: white space, an optional sign, decimal digits up to the
// first other character; no digits gives 0. Values beyond 32 bits saturate.
int32_t read_integer(const ArgumentList& arguments, uint32_t position);
// Real reader: white space, then the longest decimal real prefix (sign,
// digits, optional point and digits, optional exponent); none gives 0.
double read_real(const ArgumentList& arguments, uint32_t position);
// Flag reader: true exactly for "true" in any letter case.
bool read_flag(const ArgumentList& arguments, uint32_t position);
// Decoded-flag reader: Base64-decode, then the flag rule.
bool read_decoded_flag(const ArgumentList& arguments, uint32_t position);

// The same rules on a raw argument text.
int32_t parse_integer(std::string_view text);
double parse_real(std::string_view text);
bool parse_flag(std::string_view text);

// ---------------------------------------------------------------------------
// Result builders: every namespace builds its results through these.

std::string result_null();
std::string result_boolean(bool value);
std::string result_integer(int32_t value);
std::string result_long_integer(int64_t value);
// Fixed notation: at least `width` characters (0: not given) with
// `precision` decimals (0: not given, which prints six; with a width given,
// none and no point). A negative width left-aligns; a negative precision
// counts as not given. Magnitudes above 1000 are cut to 1000.
std::string result_real(double value, int width, int precision);
// "<string>...</string>"; with `encode` the content is the Base64 of `text`
// (every text that comes from the machine or the user), without it the text
// itself (only the fixed words of a method's own vocabulary).
std::string result_text(std::string_view text, bool encode);
// `month` is 1 to 12; the object carries it as 0 to 11.
std::string result_date(int year, int month, int day, int hour, int minute, int second);
std::string result_point(int32_t x, int32_t y);
std::string result_size(int32_t width, int32_t height);
// "<array>" and one "<property id='i'><string>Base64</string></property>"
// per text, then "</array>".
std::string result_text_array(const std::vector<std::string>& texts);
// One element of a number array; its user wraps the elements in
// "<array>" ... "</array>".
std::string result_number_array_element(int32_t position, int32_t value);

// printf-style formatting into a text of any length: starts with 256 bytes
// and doubles until the whole text fits; never cut.
#if defined(__MINGW_PRINTF_FORMAT)
#define BRIDGE_PRINTF_FORMAT(f, a) __attribute__((format(__MINGW_PRINTF_FORMAT, f, a)))
#elif defined(__GNUC__)
#define BRIDGE_PRINTF_FORMAT(f, a) __attribute__((format(printf, f, a)))
#else
#define BRIDGE_PRINTF_FORMAT(f, a)
#endif
std::string format_text(const char* format, ...) BRIDGE_PRINTF_FORMAT(1, 2);

// ---------------------------------------------------------------------------
// Call text (movie to host)

// The 21 characters every call text begins with.
constexpr std::string_view kCallTextPrefix = "try { __flash__toXML(";

struct CallText {
  std::string name;
  std::vector<std::string> arguments;
};

// Cuts a call text into the method name (up to the first "(" after the
// prefix) and the argument values: the text after that "(" up to the next
// ")" (or the end) is split at every comma, empty pieces are dropped, and
// each piece gives the characters between its first and last double quote
// (one quote only: empty). A piece without any double quote is taken
// unchanged. False when the text does not begin with the prefix, has no "("
// after it, or ends right after that "(".
bool cut_call_text(std::string_view script, CallText& out);

// ---------------------------------------------------------------------------
// Invoke texts (host to movie glue)

// From three texts, unchanged: name, then two string arguments.
std::string invoke_text(std::string_view name, std::string_view first, std::string_view second);
// From a name and variants: "<arguments>" only when there is at least one
// variant; null, booleans, int32 ("%d"), doubles ("%f") and strings (text
// unchanged) give elements, every other type nothing.
std::string invoke_text(std::string_view name, const NPVariant* arguments, uint32_t count);
// From a name alone: one "<null/>" argument.
std::string invoke_text(std::string_view name);

}  // namespace bridge
