// The pure rules behind System: version names and numbers, the volume
// scale, drive lists and volume arguments.
#include <gtest/gtest.h>

#include "api/system_helpers.h"

namespace {

using api::OsVersion;

std::string name_of(uint32_t platform, uint32_t major, uint32_t minor, const char* pack = "") {
  OsVersion version;
  version.platform = platform;
  version.major = major;
  version.minor = minor;
  version.service_pack = pack;
  return api::os_version_name(version);
}

TEST(ApiOsVersionNames, EveryRowOfTheTable) {
  EXPECT_EQ(name_of(0, 3, 11), "Microsoft Win32s");
  EXPECT_EQ(name_of(1, 4, 0), "Microsoft Windows 95");
  EXPECT_EQ(name_of(1, 4, 10, " A "), "Microsoft Windows 98SE");
  EXPECT_EQ(name_of(1, 4, 10, "A"), "Microsoft Windows 98");
  EXPECT_EQ(name_of(1, 4, 10, ""), "Microsoft Windows 98");
  EXPECT_EQ(name_of(1, 4, 90), "Microsoft Windows Millennium Edition");
  EXPECT_EQ(name_of(2, 6, 0), "Microsoft Windows Vista");
  EXPECT_EQ(name_of(2, 6, 1), "Microsoft Windows Vista");
  EXPECT_EQ(name_of(2, 6, 2), "Microsoft Windows Vista");
  EXPECT_EQ(name_of(2, 5, 2), "Microsoft Windows Server 2003");
  EXPECT_EQ(name_of(2, 5, 1, "Service Pack 3"), "Microsoft Windows XP");
  EXPECT_EQ(name_of(2, 5, 0), "Microsoft Windows 2000");
  EXPECT_EQ(name_of(2, 4, 0), "Microsoft Windows NT");
  EXPECT_EQ(name_of(2, 3, 51), "Microsoft Windows NT");
}

TEST(ApiOsVersionNames, CombinationsOutsideTheTableAreEmpty) {
  EXPECT_EQ(name_of(2, 5, 3), "");
  EXPECT_EQ(name_of(2, 10, 0), "");
  EXPECT_EQ(name_of(1, 4, 20), "");
  EXPECT_EQ(name_of(1, 5, 0), "");
  EXPECT_EQ(name_of(3, 6, 0), "");
}

TEST(ApiOsVersionNumbers, MajorHighMinorLow) {
  EXPECT_EQ(api::os_version_number(5, 1), 327681);
  EXPECT_EQ(api::os_version_number(6, 0), 393216);
  EXPECT_EQ(api::os_version_number(4, 10), 262154);
  EXPECT_EQ(api::os_version_number(10, 0), 655360);
}

TEST(ApiMasterVolume, PercentToControlValueAndBack) {
  EXPECT_EQ(api::volume_control_value(50), 32768u);
  EXPECT_EQ(api::volume_control_value(0), 0u);
  EXPECT_EQ(api::volume_control_value(100), 65535u);
  EXPECT_EQ(api::volume_control_value(1), 655u);
  // Out of range is held to the scale rather than wrapped.
  EXPECT_EQ(api::volume_control_value(-20), 0u);
  EXPECT_EQ(api::volume_control_value(250), 65535u);
  EXPECT_EQ(api::volume_percent(32768), 50);
  EXPECT_EQ(api::volume_percent(65535), 100);
  EXPECT_EQ(api::volume_percent(0), 0);
  EXPECT_EQ(api::volume_percent(0xFFFFFFFFu), 100);
  for (int32_t percent = 0; percent <= 100; ++percent) {
    EXPECT_EQ(api::volume_percent(api::volume_control_value(percent)), percent);
  }
}

TEST(ApiDrives, MaskBitsInLetterOrder) {
  // A, C and D.
  EXPECT_EQ(api::drives_in_mask(0xD), (std::vector<int32_t>{0, 2, 3}));
  EXPECT_EQ(api::drives_in_mask(0), std::vector<int32_t>{});
  EXPECT_EQ(api::drives_in_mask((1u << 2) | (1u << 25)), (std::vector<int32_t>{2, 25}));
  EXPECT_EQ(api::volume_list_result({0, 2, 3}),
            "<array><property id='0'><number>0</number></property>"
            "<property id='1'><number>2</number></property>"
            "<property id='2'><number>3</number></property></array>");
  EXPECT_EQ(api::volume_list_result({}), "<array></array>");
}

TEST(ApiDrives, RootsAndVolumeArguments) {
  EXPECT_EQ(api::drive_root(0), "A:\\");
  EXPECT_EQ(api::drive_root(2), "C:\\");
  EXPECT_EQ(api::drive_root(25), "Z:\\");
  EXPECT_EQ(api::drive_root(26), "");
  EXPECT_EQ(api::drive_root(-1), "");
  EXPECT_EQ(api::volume_root("null"), "");
  EXPECT_EQ(api::volume_root("C:\\"), "C:\\");
  EXPECT_EQ(api::volume_root("NULL"), "NULL");
}

}  // namespace
