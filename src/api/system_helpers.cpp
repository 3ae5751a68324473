#include "api/system_helpers.h"

#include "bridge/invoke_protocol.h"

namespace api {

std::string os_version_name(const OsVersion& version) {
  switch (version.platform) {
    case 0:
      return "Microsoft Win32s";
    case 1:
      if (version.major != 4) return std::string();
      if (version.minor == 0) return "Microsoft Windows 95";
      if (version.minor == 10) {
        const bool second_edition =
            version.service_pack.size() >= 2 && version.service_pack[1] == 'A';
        return second_edition ? "Microsoft Windows 98SE" : "Microsoft Windows 98";
      }
      if (version.minor == 90) return "Microsoft Windows Millennium Edition";
      return std::string();
    case 2:
      if (version.major == 6) return "Microsoft Windows Vista";
      if (version.major == 5) {
        if (version.minor == 2) return "Microsoft Windows Server 2003";
        if (version.minor == 1) return "Microsoft Windows XP";
        if (version.minor == 0) return "Microsoft Windows 2000";
        return std::string();
      }
      if (version.major <= 4) return "Microsoft Windows NT";
      return std::string();
    default:
      return std::string();
  }
}

int32_t os_version_number(uint32_t major, uint32_t minor) {
  return static_cast<int32_t>(((major & 0xFFFFu) << 16) | (minor & 0xFFFFu));
}

uint32_t volume_control_value(int32_t percent) {
  if (percent < 0) percent = 0;
  if (percent > 100) percent = 100;
  return static_cast<uint32_t>(percent * 0.01 * 65535 + 0.5);
}

int32_t volume_percent(uint32_t control_value) {
  if (control_value > 65535) control_value = 65535;
  // Rounded to the nearest percent: truncating would read a volume set to
  // 1% back as 0% (655 of 65535 is 0.9995%).
  return static_cast<int32_t>((control_value * 100u + 65535u / 2) / 65535u);
}

std::vector<int32_t> drives_in_mask(uint32_t mask) {
  std::vector<int32_t> drives;
  for (int32_t bit = 0; bit < 32; ++bit) {
    if (mask & (1u << bit)) drives.push_back(bit);
  }
  return drives;
}

std::string drive_root(int32_t drive) {
  if (drive < 0 || drive > 25) return std::string();
  return std::string(1, static_cast<char>('A' + drive)) + ":\\";
}

std::string volume_root(const std::string& decoded_argument) {
  return decoded_argument == "null" ? std::string() : decoded_argument;
}

std::string volume_list_result(const std::vector<int32_t>& drives) {
  std::string out = "<array>";
  for (std::size_t i = 0; i < drives.size(); ++i) {
    out += bridge::result_number_array_element(static_cast<int32_t>(i), drives[i]);
  }
  out += "</array>";
  return out;
}

}  // namespace api
