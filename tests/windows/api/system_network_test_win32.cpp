// System and Network through the dispatcher, against the Wine prefix. The
// actions that would harm the machine go through the recording context and
// are never executed.
#include <gtest/gtest.h>
#include <windows.h>
// after windows.h
#include <mmsystem.h>
#include <shlwapi.h>
#include <wininet.h>

#include <cstdio>
#include <string>
#include <vector>

#include "api/connection_check.h"
#include "support/temp_dir.h"
#include "windows/api/api_test_support.h"
#include "windows/http/http_test_server.h"

namespace {

using api_testing::ApiCalls;
using api_testing::b64;
using api_testing::text_result;
using api_testing::windows_path;
using bridge::Result;

const Result kTrue("<true/>");
const Result kFalse("<false/>");
const Result kNull("<null/>");

Result number(long long value) { return Result("<number>" + std::to_string(value) + "</number>"); }
Result two_decimals(double value) {
  return Result(bridge::format_text("<number>%.2f</number>", value));
}

TEST(ApiSystem, ScreenAnswersComeFromThePrimaryDisplay) {
  ApiCalls api;
  const int width = GetSystemMetrics(SM_CXSCREEN);
  const int height = GetSystemMetrics(SM_CYSCREEN);
  ASSERT_GT(width, 0);
  EXPECT_EQ(api.call("System.getScreenSize"), Result(bridge::result_size(width, height)));
  EXPECT_EQ(api.call("System.getScreenWidth"), number(width));
  EXPECT_EQ(api.call("System.getScreenHeight"), number(height));
  HDC screen = GetDC(nullptr);
  const int depth = GetDeviceCaps(screen, BITSPIXEL);
  ReleaseDC(nullptr, screen);
  EXPECT_GE(depth, 8);
  EXPECT_EQ(api.call("System.getScreenDepth"), number(depth));
  EXPECT_EQ(api.call("System.setScreenDepth", {"8"}), kFalse);
  EXPECT_EQ(api.call("System.getOutputSoundBalance"), std::nullopt);
  EXPECT_EQ(api.call("System.setOutputSoundBalance", {"50"}), std::nullopt);
  EXPECT_EQ(api.call("System.isWindows"), kTrue);
  EXPECT_EQ(api.call("System.isMacintosh"), kFalse);
  EXPECT_EQ(api.call("System.isLinux"), kFalse);
  EXPECT_EQ(api.call("System.iswindows"), std::nullopt);
}

// The master volume control's raw value, or -1 when the machine has none.
long long raw_master_volume() {
  HMIXER mixer = nullptr;
  if (mixerOpen(&mixer, 0, 0, 0, MIXER_OBJECTF_MIXER) != MMSYSERR_NOERROR) return -1;
  long long value = -1;
  MIXERLINEA line = {};
  line.cbStruct = sizeof line;
  line.dwComponentType = MIXERLINE_COMPONENTTYPE_DST_SPEAKERS;
  MIXERCONTROLA control = {};
  control.cbStruct = sizeof control;
  MIXERLINECONTROLSA controls = {};
  controls.cbStruct = sizeof controls;
  controls.dwControlType = MIXERCONTROL_CONTROLTYPE_VOLUME;
  controls.cControls = 1;
  controls.cbmxctrl = sizeof control;
  controls.pamxctrl = &control;
  MIXERCONTROLDETAILS_UNSIGNED channel = {};
  MIXERCONTROLDETAILS details = {};
  details.cbStruct = sizeof details;
  details.cChannels = 1;
  details.cbDetails = sizeof channel;
  details.paDetails = &channel;
  HMIXEROBJ object = reinterpret_cast<HMIXEROBJ>(mixer);
  if (mixerGetLineInfoA(object, &line, MIXER_OBJECTF_HMIXER | MIXER_GETLINEINFOF_COMPONENTTYPE) ==
      MMSYSERR_NOERROR) {
    controls.dwLineID = line.dwLineID;
    if (mixerGetLineControlsA(object, &controls,
                              MIXER_OBJECTF_HMIXER | MIXER_GETLINECONTROLSF_ONEBYTYPE) ==
        MMSYSERR_NOERROR) {
      details.dwControlID = control.dwControlID;
      if (mixerGetControlDetailsA(object, &details,
                                  MIXER_OBJECTF_HMIXER | MIXER_GETCONTROLDETAILSF_VALUE) ==
          MMSYSERR_NOERROR) {
        value = channel.dwValue;
      }
    }
  }
  mixerClose(mixer);
  return value;
}

TEST(ApiSystem, MasterVolumeFiftyIsControlValue32768WhereAMixerExists) {
  ApiCalls api;
  const long long before = raw_master_volume();
  if (before < 0) {
    // No mixer in this prefix: reading gives 0 and writing fails.
    EXPECT_EQ(api.call("System.getOutputSoundVolume"), number(0));
    EXPECT_EQ(api.call("System.setOutputSoundVolume", {"50"}), kFalse);
    std::printf("no mixer: only the failure answers were checked\n");
    return;
  }
  EXPECT_EQ(api.call("System.setOutputSoundVolume", {"50"}), kTrue);
  EXPECT_EQ(raw_master_volume(), 32768);
  EXPECT_EQ(api.call("System.getOutputSoundVolume"), number(50));
  EXPECT_EQ(api.call("System.setOutputSoundVolume", {"100"}), kTrue);
  EXPECT_EQ(raw_master_volume(), 65535);
  EXPECT_EQ(api.call("System.getOutputSoundVolume"), number(100));
  api.call("System.setOutputSoundVolume", {std::to_string(before * 100 / 65535)});
}

TEST(ApiSystem, MemoryIsTheWholeTotalWithoutWrapping) {
  ApiCalls api;
  MEMORYSTATUSEX status = {};
  status.dwLength = sizeof status;
  ASSERT_TRUE(GlobalMemoryStatusEx(&status));
  const unsigned long long total = status.ullTotalPhys;
  EXPECT_EQ(api.call("System.getRAMSizeBytes"), number(static_cast<long long>(total)));
  EXPECT_EQ(api.call("System.getRAMSizeKBytes"), number(static_cast<long long>(total / 1024)));
  EXPECT_EQ(api.call("System.getRAMSizeMBytes"), number(static_cast<long long>(total >> 20)));
  EXPECT_EQ(api.call("System.getRAMSizeGBytes"), two_decimals((total >> 20) / 1024.0));
  // Machines with more than 2 GB are told truthfully, never as a negative number.
  EXPECT_EQ(api.call("System.getRAMSizeBytes")->find('-'), std::string::npos);
}

TEST(ApiSystem, ProcessorSpeedFromTheRegistry) {
  ApiCalls api;
  DWORD megahertz = 0;
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "HARDWARE\\DESCRIPTION\\System\\CentralProcessor\\0", 0,
                    KEY_READ, &key) == ERROR_SUCCESS) {
    DWORD size = sizeof megahertz;
    RegQueryValueExA(key, "~MHz", nullptr, nullptr, reinterpret_cast<BYTE*>(&megahertz), &size);
    RegCloseKey(key);
  }
  EXPECT_EQ(api.call("System.getCPUSpeedMhz"), number(megahertz));
  EXPECT_EQ(api.call("System.getCPUSpeedGhz"), two_decimals(megahertz * 0.001));
}

TEST(ApiSystem, UserAndComputerNames) {
  ApiCalls api;
  char user[256] = {};
  DWORD size = sizeof user;
  ASSERT_TRUE(GetUserNameA(user, &size));
  EXPECT_EQ(api.call("System.getUserName"), text_result(user));
  char computer[256] = {};
  size = sizeof computer;
  ASSERT_TRUE(GetComputerNameA(computer, &size));
  EXPECT_EQ(api.call("System.getComputerName"), text_result(computer));
}

TEST(ApiSystem, PowerActionsAndTheCdTrayOnlyReachTheContext) {
  ApiCalls api;
  EXPECT_EQ(api.call("System.restart"), std::nullopt);
  EXPECT_EQ(api.call("System.shutdown"), std::nullopt);
  EXPECT_EQ(api.call("System.logOff"), std::nullopt);
  EXPECT_EQ(api.call("System.sleep"), std::nullopt);
  EXPECT_EQ(api.call("System.openCDTray"), kTrue);
  api.context.answer = false;
  EXPECT_EQ(api.call("System.closeCDTray"), kFalse);
  EXPECT_EQ(api.call("System.restart"), std::nullopt);
  // EWX_REBOOT, EWX_SHUTDOWN and EWX_LOGOFF, each with EWX_FORCE.
  EXPECT_EQ(api.context.actions,
            (std::vector<std::string>{"exit 6", "exit 5", "exit 4", "suspend",
                                      "mci set cdaudio door open", "mci set cdaudio door closed",
                                      "exit 6"}));
}

std::string probe_path() { return windows_path(API_PROBE_PATH); }

bool wait_for_file(const std::string& path) {
  for (int i = 0; i < 200; ++i) {
    if (GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES) return true;
    Sleep(50);
  }
  return false;
}

TEST(ApiSystem, LaunchingOpensTheResolvedPathThroughTheShell) {
  ApiCalls api;
  // Recorded: a relative path is taken from the program's folder.
  char own[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, own, sizeof own);
  std::string folder(own);
  folder.resize(folder.find_last_of('\\'));
  EXPECT_EQ(api.call("System.launchDocument", {b64("docs\\readme.txt")}), kTrue);
  api.context.answer = false;
  EXPECT_EQ(api.call("System.launchApplication", {b64("C:\\absent.exe")}), kFalse);
  EXPECT_EQ(api.context.actions,
            (std::vector<std::string>{"open " + folder + "\\docs\\readme.txt 5",
                                      "open C:\\absent.exe 5"}));

  // Really started: the probe program leaves its marker.
  api.context.really_launch = true;
  const std::string marker = probe_path() + ".ran";
  DeleteFileA(marker.c_str());
  EXPECT_EQ(api.call("System.launchApplication", {b64(probe_path())}), kTrue);
  EXPECT_TRUE(wait_for_file(marker));
  DeleteFileA(marker.c_str());
  EXPECT_EQ(api.call("System.launchApplication", {b64(probe_path() + ".missing.exe")}), kFalse);
}

// What the System namespace of the probe program answers about the
// operating system when Wine tells it `version`.
std::vector<std::string> version_answers(const std::string& version) {
  const std::string key = "Software\\Wine\\AppDefaults\\api_probe.exe";
  HKEY app = nullptr;
  RegCreateKeyExA(HKEY_CURRENT_USER, key.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &app, nullptr);
  RegSetValueExA(app, "Version", 0, REG_SZ, reinterpret_cast<const BYTE*>(version.c_str()),
                 static_cast<DWORD>(version.size() + 1));
  RegCloseKey(app);
  testing_support::TempDir dir;
  const std::string out = dir.file("version.txt");
  std::string command = "\"" + probe_path() + "\" version \"" + out + "\"";
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process = {};
  std::vector<std::string> lines;
  if (CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                     &process)) {
    WaitForSingleObject(process.hProcess, 30000);
    CloseHandle(process.hProcess);
    CloseHandle(process.hThread);
    std::string text = testing_support::TempDir::read(out);
    std::size_t at = 0;
    while (at < text.size()) {
      const std::size_t end = text.find('\n', at);
      lines.push_back(text.substr(at, end - at));
      at = end == std::string::npos ? text.size() : end + 1;
    }
  }
  SHDeleteKeyA(HKEY_CURRENT_USER, key.c_str());
  return lines;
}

TEST(ApiSystem, VersionNamesAndNumbersUnderFakedVersions) {
  struct Case {
    const char* wine_version;
    const char* name;
    long long number;
  };
  const Case cases[] = {
      {"winxp", "Microsoft Windows XP", 327681},
      {"vista", "Microsoft Windows Vista", 393216},
      // 6.1 still carries the Vista name.
      {"win7", "Microsoft Windows Vista", 393217},
      {"win2k", "Microsoft Windows 2000", 327680},
      // Wine's 98 carries the service-pack text " A ": the second edition.
      {"win98", "Microsoft Windows 98SE", 262154},
      {"win95", "Microsoft Windows 95", 262144},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(version_answers(c.wine_version),
              (std::vector<std::string>{text_result(c.name), *number(c.number)}))
        << c.wine_version;
  }
}

TEST(ApiSystem, VolumeSpaceOfRootsAndOfTheCurrentDrive) {
  ApiCalls api;
  ULARGE_INTEGER available, total, free;
  ASSERT_TRUE(GetDiskFreeSpaceExA("C:\\", &available, &total, &free));
  const unsigned long long bytes = total.QuadPart;
  EXPECT_EQ(api.call("System.getTotalSpaceBytes", {b64("C:\\")}), number(bytes));
  EXPECT_EQ(api.call("System.getTotalSpaceKBytes", {b64("C:\\")}), number(bytes >> 10));
  EXPECT_EQ(api.call("System.getTotalSpaceMBytes", {b64("C:\\")}),
            two_decimals((bytes >> 10) / 1024.0));
  EXPECT_EQ(api.call("System.getTotalSpaceGBytes", {b64("C:\\")}),
            two_decimals((bytes >> 10) / 1048576.0));
  // Free space moves while other programs write: close to the system's figure.
  const Result free_answer = api.call("System.getFreeSpaceBytes", {b64("C:\\")});
  ASSERT_TRUE(free_answer);
  const double free_bytes = std::stod(free_answer->substr(8));
  EXPECT_NEAR(free_bytes, static_cast<double>(free.QuadPart), 256.0 * 1024 * 1024);
  EXPECT_LE(free_bytes, static_cast<double>(bytes));
  const Result free_gb = api.call("System.getFreeSpaceGBytes", {b64("C:\\")});
  ASSERT_TRUE(free_gb);
  EXPECT_NEAR(std::stod(free_gb->substr(8)), free.QuadPart / 1073741824.0, 0.5);

  // "null" is the current drive.
  char current[MAX_PATH] = {};
  GetCurrentDirectoryA(sizeof current, current);
  ULARGE_INTEGER current_total;
  ASSERT_TRUE(GetDiskFreeSpaceExA(nullptr, &available, &current_total, &free));
  EXPECT_EQ(api.call("System.getTotalSpaceBytes", {b64("null")}), number(current_total.QuadPart));
  // A drive that does not exist gives 0 in every form.
  EXPECT_EQ(api.call("System.getTotalSpaceBytes", {b64("Q:\\")}), number(0));
  EXPECT_EQ(api.call("System.getFreeSpaceKBytes", {b64("Q:\\")}), number(0));
  EXPECT_EQ(api.call("System.getFreeSpaceMBytes", {b64("Q:\\")}), Result("<number>0.00</number>"));
  EXPECT_EQ(api.call("System.getTotalSpaceTBytes", {b64("C:\\")}), std::nullopt);
}

TEST(ApiSystem, VolumesAreTheDrivesInLetterOrder) {
  ApiCalls api;
  const DWORD drives = GetLogicalDrives();
  std::string expected = "<array>";
  int count = 0;
  for (int bit = 0; bit < 32; ++bit) {
    if (drives & (1u << bit)) {
      expected += bridge::result_number_array_element(count++, bit);
    }
  }
  expected += "</array>";
  EXPECT_EQ(api.call("System.getVolumes"), Result(expected));
  EXPECT_EQ(api.call("System.getNumberOfVolumes"), number(count));
  // The Wine prefix has at least C: (2) and Z: (25).
  EXPECT_NE(expected.find("<number>2</number>"), std::string::npos);
  EXPECT_NE(expected.find("<number>25</number>"), std::string::npos);

  char label[MAX_PATH + 1] = {};
  const bool labelled =
      GetVolumeInformationA("C:\\", label, sizeof label, nullptr, nullptr, nullptr, nullptr, 0) &&
      label[0];
  EXPECT_EQ(api.call("System.getVolumeName", {"2"}), labelled ? text_result(label) : kNull);
  // Q: is not there; numbers outside A to Z name no drive.
  if (!(drives & (1u << 16))) {
    EXPECT_EQ(api.call("System.getVolumeName", {"16"}), kNull);
  }
  EXPECT_EQ(api.call("System.getVolumeName", {"26"}), kNull);
  EXPECT_EQ(api.call("System.getVolumeName", {"-1"}), kNull);
}

// Points the connection probe at an address for the length of a test.
class ProbeAddress {
 public:
  explicit ProbeAddress(const std::string& url) {
    SetEnvironmentVariableA(api::kProbeUrlVariable, url.c_str());
  }
  ~ProbeAddress() { SetEnvironmentVariableA(api::kProbeUrlVariable, nullptr); }
};

TEST(ApiNetwork, CheckConnectionProbesTheConfiguredLocalServer) {
  DWORD flags = 0;
  if (!InternetGetConnectedState(&flags, 0)) {
    // The system reports no connection: false without any request.
    ApiCalls api;
    ProbeAddress address("http://127.0.0.1:1/");
    EXPECT_EQ(api.call("Network.checkConnection"), kFalse);
    std::printf("the system reports no connection: only that answer was checked\n");
    return;
  }
  http_test::TestServer server;
  ASSERT_TRUE(server.running());
  ApiCalls api;
  {
    ProbeAddress address(server.url("/text"));
    EXPECT_EQ(api.call("Network.checkConnection"), kTrue);
  }
  {
    // The server answers: any answer, also "not found", means online.
    ProbeAddress address(server.url("/no/such/page"));
    EXPECT_EQ(api.call("Network.checkConnection"), kTrue);
  }
  {
    // Nobody listens on port 1: cannot connect (12029) means offline.
    ProbeAddress address("http://127.0.0.1:1/");
    EXPECT_EQ(api.call("Network.checkConnection"), kFalse);
  }
  {
    // Any other failure (here an address WinINet cannot parse) is no proof
    // of being offline.
    ProbeAddress address("probe://127.0.0.1/");
    EXPECT_EQ(api.call("Network.checkConnection"), kTrue);
  }
}

TEST(ApiNetwork, OpenUrlHandsTheUrlToTheShellAndAlwaysAnswersTrue) {
  ApiCalls api;
  api.context.answer = false;
  EXPECT_EQ(api.call("Network.HTTP.openURL", {b64("http://example.org/a?b=c,d")}), kTrue);
  // The default verb, shown normally.
  EXPECT_EQ(api.context.actions,
            (std::vector<std::string>{"default http://example.org/a?b=c,d 1"}));
  EXPECT_EQ(api.call("Network.HTTP.openUrl", {b64("http://example.org/")}), std::nullopt);
  EXPECT_EQ(api.call("Network.FTP.openURL", {b64("ftp://example.org/")}), std::nullopt);
  EXPECT_EQ(api.call("Network.FTP.upload"), std::nullopt);
  EXPECT_EQ(api.call("Network.checkconnection"), std::nullopt);
  EXPECT_EQ(api.context.actions.size(), 1u);
}

}  // namespace
