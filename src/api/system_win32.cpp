// System: queries about the machine and actions on it. The actions that
// would end the session or move hardware (power, CD tray) and launching go
// through the ApiContext, so tests can record them instead.
#include <windows.h>
// The system headers below need the types of windows.h first.
#include <mmsystem.h>

#include <cstring>
#include <string>

#include "api/file_system_helpers.h"
#include "api/namespaces.h"
#include "api/system_helpers.h"
#include "common/paths.h"

namespace api {

namespace {

using bridge::ArgumentList;
using bridge::Result;

// The length of a text in a fixed field that need not hold a NUL.
std::size_t bounded_length(const char* text, std::size_t size) {
  const void* end = std::memchr(text, 0, size);
  return end ? static_cast<std::size_t>(static_cast<const char*>(end) - text) : size;
}

// The master volume control: the volume control of mixer 0's speaker
// line. `write` sets `value` into it, otherwise `value` receives it.
bool master_volume(uint32_t& value, bool write) {
  HMIXER mixer = nullptr;
  if (mixerOpen(&mixer, 0, 0, 0, MIXER_OBJECTF_MIXER) != MMSYSERR_NOERROR) return false;
  HMIXEROBJ object = reinterpret_cast<HMIXEROBJ>(mixer);
  bool done = false;
  MIXERLINEA line = {};
  line.cbStruct = sizeof line;
  line.dwComponentType = MIXERLINE_COMPONENTTYPE_DST_SPEAKERS;
  if (mixerGetLineInfoA(object, &line, MIXER_OBJECTF_HMIXER | MIXER_GETLINEINFOF_COMPONENTTYPE) ==
      MMSYSERR_NOERROR) {
    MIXERCONTROLA control = {};
    control.cbStruct = sizeof control;
    MIXERLINECONTROLSA controls = {};
    controls.cbStruct = sizeof controls;
    controls.dwLineID = line.dwLineID;
    controls.dwControlType = MIXERCONTROL_CONTROLTYPE_VOLUME;
    controls.cControls = 1;
    controls.cbmxctrl = sizeof control;
    controls.pamxctrl = &control;
    if (mixerGetLineControlsA(object, &controls,
                              MIXER_OBJECTF_HMIXER | MIXER_GETLINECONTROLSF_ONEBYTYPE) ==
        MMSYSERR_NOERROR) {
      // One uniform channel of one unsigned value.
      MIXERCONTROLDETAILS_UNSIGNED channel = {};
      channel.dwValue = value;
      MIXERCONTROLDETAILS details = {};
      details.cbStruct = sizeof details;
      details.dwControlID = control.dwControlID;
      details.cChannels = 1;
      details.cMultipleItems = 0;
      details.cbDetails = sizeof channel;
      details.paDetails = &channel;
      if (write) {
        done = mixerSetControlDetails(object, &details,
                                      MIXER_OBJECTF_HMIXER | MIXER_SETCONTROLDETAILSF_VALUE) ==
               MMSYSERR_NOERROR;
      } else {
        done = mixerGetControlDetailsA(object, &details,
                                       MIXER_OBJECTF_HMIXER | MIXER_GETCONTROLDETAILSF_VALUE) ==
               MMSYSERR_NOERROR;
        if (done) value = channel.dwValue;
      }
    }
  }
  mixerClose(mixer);
  return done;
}

// Total physical memory as 64 bits, so that machines with more than 2 GB
// are told truthfully. The extended query is looked up at run time: Windows
// 95, 98, Me and NT 4 lack it, and an import would keep the program from
// loading there.
uint64_t physical_memory() {
  using Query = BOOL(WINAPI*)(MEMORYSTATUSEX*);
  const Query query = reinterpret_cast<Query>(reinterpret_cast<void (*)()>(
      GetProcAddress(GetModuleHandleA("kernel32.dll"), "GlobalMemoryStatusEx")));
  MEMORYSTATUSEX status = {};
  status.dwLength = sizeof status;
  if (query && query(&status)) return status.ullTotalPhys;
  MEMORYSTATUS basic = {};
  basic.dwLength = sizeof basic;
  GlobalMemoryStatus(&basic);
  return basic.dwTotalPhys;
}

bool read_os_version(OsVersion& version) {
  OSVERSIONINFOEXA extended = {};
  extended.dwOSVersionInfoSize = sizeof extended;
  OSVERSIONINFOA* info = reinterpret_cast<OSVERSIONINFOA*>(&extended);
  if (!GetVersionExA(info)) {
    extended = {};
    info->dwOSVersionInfoSize = sizeof(OSVERSIONINFOA);
    if (!GetVersionExA(info)) return false;
  }
  version.platform = info->dwPlatformId;
  version.major = info->dwMajorVersion;
  version.minor = info->dwMinorVersion;
  version.service_pack.assign(info->szCSDVersion,
                              bounded_length(info->szCSDVersion, sizeof info->szCSDVersion));
  return true;
}

uint32_t processor_megahertz() {
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "HARDWARE\\DESCRIPTION\\System\\CentralProcessor\\0", 0,
                    KEY_READ, &key) != ERROR_SUCCESS) {
    return 0;
  }
  DWORD megahertz = 0;
  DWORD size = sizeof megahertz;
  if (RegQueryValueExA(key, "~MHz", nullptr, nullptr, reinterpret_cast<BYTE*>(&megahertz), &size) !=
      ERROR_SUCCESS) {
    megahertz = 0;
  }
  RegCloseKey(key);
  return megahertz;
}

// A name from a system call that reports the size it needs: starts with 256
// bytes and grows once when the name is longer.
template <typename Query>
std::string system_name(Query query) {
  std::string name(256, '\0');
  DWORD size = static_cast<DWORD>(name.size());
  if (!query(&name[0], &size)) {
    if (size <= name.size()) return std::string();
    name.assign(size, '\0');
    size = static_cast<DWORD>(name.size());
    if (!query(&name[0], &size)) return std::string();
  }
  name.resize(bounded_length(name.c_str(), name.size()));
  return name;
}

// Drive queries must not stop the program with a "no disk" box for an empty
// removable drive.
class QuietDriveErrors {
 public:
  QuietDriveErrors() : previous_(SetErrorMode(SEM_FAILCRITICALERRORS)) {}
  ~QuietDriveErrors() { SetErrorMode(previous_); }
  QuietDriveErrors(const QuietDriveErrors&) = delete;
  QuietDriveErrors& operator=(const QuietDriveErrors&) = delete;

 private:
  UINT previous_;
};

struct VolumeSpace {
  uint64_t total = 0;
  uint64_t free = 0;
};

VolumeSpace volume_space(const std::string& argument) {
  VolumeSpace space;
  const std::string root = volume_root(argument);
  if (!path_fits(root)) return space;
  QuietDriveErrors quiet;
  ULARGE_INTEGER available, total, free;
  if (GetDiskFreeSpaceExA(root.empty() ? nullptr : root.c_str(), &available, &total, &free)) {
    space.total = total.QuadPart;
    space.free = free.QuadPart;
  }
  return space;
}

Result volume_name(int32_t drive) {
  const std::string root = drive_root(drive);
  if (root.empty()) return bridge::result_null();
  QuietDriveErrors quiet;
  char label[MAX_PATH + 1] = {};
  if (!GetVolumeInformationA(root.c_str(), label, sizeof label, nullptr, nullptr, nullptr, nullptr,
                             0) ||
      !label[0]) {
    return bridge::result_null();
  }
  return bridge::result_text(label, true);
}

Result bytes_in_unit(uint64_t bytes, char unit) {
  switch (unit) {
    case 'K':
      return bridge::result_long_integer(static_cast<int64_t>(size_in_kilobytes(bytes)));
    case 'M':
      return bridge::result_real(size_in_megabytes(bytes), 0, 2);
    case 'G':
      return bridge::result_real(size_in_gigabytes(bytes), 0, 2);
    default:
      return bridge::result_long_integer(static_cast<int64_t>(bytes));
  }
}

// The unit a method name ends with: "Bytes" 'B', "KBytes" 'K', "MBytes"
// 'M', "GBytes" 'G'; false for any other ending.
bool size_unit(std::string_view suffix, char& unit) {
  if (suffix == "Bytes") {
    unit = 'B';
    return true;
  }
  if (suffix.size() == 6 && suffix.substr(1) == "Bytes" &&
      (suffix[0] == 'K' || suffix[0] == 'M' || suffix[0] == 'G')) {
    unit = suffix[0];
    return true;
  }
  return false;
}

class SystemNamespace : public bridge::NamespaceHandler {
 public:
  explicit SystemNamespace(ApiContext& context) : context_(context) {}

  Result call(std::string_view method, const ArgumentList& arguments) override {
    if (method == "openCDTray") {
      return bridge::result_boolean(context_.send_mci_command("set cdaudio door open"));
    }
    if (method == "closeCDTray") {
      return bridge::result_boolean(context_.send_mci_command("set cdaudio door closed"));
    }
    if (method == "getScreenSize") {
      return bridge::result_size(GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN));
    }
    if (method == "getScreenWidth") return bridge::result_integer(GetSystemMetrics(SM_CXSCREEN));
    if (method == "getScreenHeight") return bridge::result_integer(GetSystemMetrics(SM_CYSCREEN));
    if (method == "getScreenDepth") return bridge::result_integer(screen_depth());
    if (method == "setScreenDepth") return bridge::result_boolean(false);
    if (method == "getOutputSoundVolume") {
      uint32_t value = 0;
      return bridge::result_integer(master_volume(value, false) ? volume_percent(value) : 0);
    }
    if (method == "setOutputSoundVolume") {
      uint32_t value = volume_control_value(bridge::read_integer(arguments, 1));
      return bridge::result_boolean(master_volume(value, true));
    }
    if (method == "getOutputSoundBalance" || method == "setOutputSoundBalance") {
      return std::nullopt;
    }
    if (method == "getRAMSizeBytes") return bytes_in_unit(physical_memory(), 'B');
    if (method == "getRAMSizeKBytes") return bytes_in_unit(physical_memory(), 'K');
    if (method == "getRAMSizeMBytes") {
      return bridge::result_long_integer(static_cast<int64_t>(physical_memory() >> 20));
    }
    if (method == "getRAMSizeGBytes") {
      return bridge::result_real(static_cast<double>(physical_memory() >> 20) * (1.0 / 1024), 0, 2);
    }
    if (method == "getOSVersionString") {
      OsVersion version;
      return bridge::result_text(read_os_version(version) ? os_version_name(version) : "Unknown",
                                 true);
    }
    if (method == "getOSVersionNumber") {
      OsVersion version;
      return bridge::result_integer(
          read_os_version(version) ? os_version_number(version.major, version.minor) : 0);
    }
    if (method == "getCPUSpeedMhz") {
      return bridge::result_integer(static_cast<int32_t>(processor_megahertz()));
    }
    if (method == "getCPUSpeedGhz") {
      return bridge::result_real(processor_megahertz() * 0.001, 0, 2);
    }
    if (method == "isMacintosh") return bridge::result_boolean(false);
    if (method == "isWindows") return bridge::result_boolean(true);
    if (method == "isLinux") return bridge::result_boolean(false);
    if (method == "getUserName") {
      return bridge::result_text(
          system_name([](char* name, DWORD* size) { return GetUserNameA(name, size) != 0; }), true);
    }
    if (method == "getComputerName") {
      return bridge::result_text(
          system_name([](char* name, DWORD* size) { return GetComputerNameA(name, size) != 0; }),
          true);
    }
    if (method == "restart") {
      context_.exit_windows(EWX_REBOOT | EWX_FORCE);
      return std::nullopt;
    }
    if (method == "shutdown") {
      context_.exit_windows(EWX_SHUTDOWN | EWX_FORCE);
      return std::nullopt;
    }
    if (method == "logOff") {
      context_.exit_windows(EWX_LOGOFF | EWX_FORCE);
      return std::nullopt;
    }
    if (method == "sleep") {
      context_.suspend_machine();
      return std::nullopt;
    }
    if (method == "launchApplication" || method == "launchDocument") {
      // A relative path is taken from the folder that holds the program.
      return bridge::result_boolean(
          context_.shell_execute(paths::resolve(bridge::read_text(arguments, 1)), true, SW_SHOW));
    }
    std::string_view suffix = method;
    char unit = 0;
    if (bridge::take_prefix(suffix, "getTotalSpace") && size_unit(suffix, unit)) {
      return bytes_in_unit(volume_space(bridge::read_text(arguments, 1)).total, unit);
    }
    suffix = method;
    if (bridge::take_prefix(suffix, "getFreeSpace") && size_unit(suffix, unit)) {
      return bytes_in_unit(volume_space(bridge::read_text(arguments, 1)).free, unit);
    }
    if (method == "getNumberOfVolumes") {
      return bridge::result_integer(
          static_cast<int32_t>(drives_in_mask(GetLogicalDrives()).size()));
    }
    if (method == "getVolumes") return volume_list_result(drives_in_mask(GetLogicalDrives()));
    if (method == "getVolumeName") return volume_name(bridge::read_integer(arguments, 1));
    return std::nullopt;
  }

 private:
  static int32_t screen_depth() {
    HDC screen = GetDC(nullptr);
    if (!screen) return 0;
    const int depth = GetDeviceCaps(screen, BITSPIXEL);
    ReleaseDC(nullptr, screen);
    return depth;
  }

  ApiContext& context_;
};

}  // namespace

std::unique_ptr<bridge::NamespaceHandler> make_system_namespace(ApiContext& context) {
  return std::make_unique<SystemNamespace>(context);
}

}  // namespace api
