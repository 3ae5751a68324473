#include "payload/payload_format.h"

#include <cctype>
#include <cstring>

namespace payload {

const unsigned char kTrailer[4] = {0xFF, 0xEE, 'Q', 'N'};
const char kSettingsFileName[] = "fp.dat";

namespace {

bool is_device_name(const std::string& name) {
  // Windows treats these as devices in any folder, with or without extension.
  std::string stem = name.substr(0, name.find('.'));
  while (!stem.empty() && stem.back() == ' ') stem.pop_back();
  for (char& c : stem) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  static const char* const kDevices[] = {"CON", "PRN", "AUX", "NUL", "CLOCK$", "CONIN$", "CONOUT$"};
  for (const char* device : kDevices) {
    if (stem == device) return true;
  }
  if (stem.size() == 4 && (stem.compare(0, 3, "COM") == 0 || stem.compare(0, 3, "LPT") == 0) &&
      stem[3] >= '0' && stem[3] <= '9') {
    return true;
  }
  return false;
}

}  // namespace

bool is_safe_entry_name(const std::string& name) {
  if (name.empty() || name.size() > kMaxNameLength) return false;
  bool only_dots_and_spaces = true;
  for (char ch : name) {
    unsigned char c = static_cast<unsigned char>(ch);
    if (c < 0x20 || c == 0x7F || std::strchr("\\/:*?\"<>|", ch)) return false;
    if (ch != '.' && ch != ' ') only_dots_and_spaces = false;
  }
  if (only_dots_and_spaces) return false;
  if (name.back() == '.' || name.back() == ' ') return false;
  return !is_device_name(name);
}

}  // namespace payload
