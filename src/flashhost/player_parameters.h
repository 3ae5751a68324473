// The ordered, case-insensitive parameter list of a plug-in instance and the
// texts that window settings turn into. Portable.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace flashhost {

// Names compare like stricmp (ASCII letters without regard to case). Setting
// a present name replaces its value in place and keeps the name as first
// written; a new name is appended.
class ParameterList {
 public:
  void set(const std::string& name, const std::string& value);
  // The value of a name in any case, or null when absent.
  const std::string* find(const std::string& name) const;
  std::size_t size() const { return entries_.size(); }
  const std::string& name(std::size_t index) const { return entries_[index].first; }
  const std::string& value(std::size_t index) const { return entries_[index].second; }

 private:
  std::vector<std::pair<std::string, std::string>> entries_;
};

bool same_name(const std::string& a, const std::string& b);

// The parameters every instance starts with, in this order: type,
// allowscriptaccess, quality, wmode, salign, scale.
void set_default_parameters(ParameterList& parameters);

// A colour stored as 0x00BBGGRR (red in the low byte) as "#rrggbb".
std::string format_bgcolor(uint32_t colour);

// Quality 0..5 as "low", "autolow", "autohigh", "medium", "high", "best";
// null outside that range.
const char* quality_parameter(int quality);

// Scale mode 0..2 as "showall", "noborder", "exactfit"; null outside.
const char* scale_parameter(int scale);

}  // namespace flashhost
