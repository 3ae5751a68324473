// TextField.StyleSheet's parseCSSFontFamily: the generic CSS family names
// become the player's device font names; any other text stays as it is.
#include <cctype>

#include "avm1/runtime.h"

namespace avm1 {

namespace {

bool same_folded(const std::string& a, const char* b) {
  size_t i = 0;
  for (; i < a.size() && b[i]; ++i)
    if (std::tolower(static_cast<unsigned char>(a[i])) != b[i]) return false;
  return i == a.size() && !b[i];
}

}  // namespace

Value style_sheet_parse_font_family(Runtime& rt, CallInfo& call) {
  const Value& v = call.arg(0);
  if (v.is_undefined() || v.is_null()) return v;
  std::string name = text_by_to_string(rt, v);
  if (same_folded(name, "mono")) return Value(std::string("_typewriter"));
  if (same_folded(name, "sans-serif")) return Value(std::string("_sans"));
  if (same_folded(name, "serif")) return Value(std::string("_serif"));
  return Value(name);
}

}  // namespace avm1
