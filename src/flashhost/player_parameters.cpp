#include "flashhost/player_parameters.h"

#include <cstdio>

namespace flashhost {

namespace {

char lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

}  // namespace

bool same_name(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (lower(a[i]) != lower(b[i])) return false;
  }
  return true;
}

void ParameterList::set(const std::string& name, const std::string& value) {
  for (auto& entry : entries_) {
    if (same_name(entry.first, name)) {
      entry.second = value;
      return;
    }
  }
  entries_.emplace_back(name, value);
}

const std::string* ParameterList::find(const std::string& name) const {
  for (const auto& entry : entries_) {
    if (same_name(entry.first, name)) return &entry.second;
  }
  return nullptr;
}

void set_default_parameters(ParameterList& parameters) {
  parameters.set("type", "application/x-shockwave-flash");
  parameters.set("allowscriptaccess", "always");
  parameters.set("quality", "high");
  parameters.set("wmode", "opaque");
  parameters.set("salign", "LT");
  parameters.set("scale", "exactfit");
}

std::string format_bgcolor(uint32_t colour) {
  char text[8];
  std::snprintf(text, sizeof text, "#%02x%02x%02x", static_cast<unsigned>(colour & 0xFF),
                static_cast<unsigned>((colour >> 8) & 0xFF),
                static_cast<unsigned>((colour >> 16) & 0xFF));
  return text;
}

const char* quality_parameter(int quality) {
  static const char* const names[] = {"low", "autolow", "autohigh", "medium", "high", "best"};
  if (quality < 0 || quality > 5) return nullptr;
  return names[quality];
}

const char* scale_parameter(int scale) {
  static const char* const names[] = {"showall", "noborder", "exactfit"};
  if (scale < 0 || scale > 2) return nullptr;
  return names[scale];
}

}  // namespace flashhost
