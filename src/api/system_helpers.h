// Pure rules behind the System methods: operating system names and version
// numbers, the master volume scale, the drive list and volume arguments.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace api {

// What GetVersionExA reports that the names depend on.
struct OsVersion {
  uint32_t platform = 0;  // 0 Win32s, 1 Windows 9x, 2 NT
  uint32_t major = 0;
  uint32_t minor = 0;
  std::string service_pack;  // the CSD text ("A" as its second character marks 98 SE)
};

// "Microsoft Windows XP" and the like; empty for combinations the table
// does not name (an NT 5.3 or 10.0, for example).
std::string os_version_name(const OsVersion& version);
// Major version in the upper 16 bits, minor in the lower (5.1 gives 327681).
int32_t os_version_number(uint32_t major, uint32_t minor);

// Master volume: percent (clamped to 0-100) to a mixer control value on the
// 0-65535 scale, rounded; and a control value back to the nearest whole
// percent (values above the scale count as its top), so that every percent
// written reads back unchanged.
uint32_t volume_control_value(int32_t percent);
int32_t volume_percent(uint32_t control_value);

// The drive numbers (0 = A ... 25 = Z) of the set bits of a logical drive
// mask, in letter order.
std::vector<int32_t> drives_in_mask(uint32_t mask);
// "C:\" for drive number 2; empty for numbers outside 0-25.
std::string drive_root(int32_t drive);
// A volume argument as the space queries take it: "null" stands for no
// path (the current drive).
std::string volume_root(const std::string& decoded_argument);

// "<array>" with one number element per drive (running index from 0), then
// "</array>".
std::string volume_list_result(const std::vector<int32_t>& drives);

}  // namespace api
