// Under Xvfb without a window manager, Wine waits two seconds whenever a
// visible popup of a managed program goes away. This program's windows are
// made unmanaged for the run (a per-program Wine setting, removed after).
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

namespace {

std::string program_key() {
  char path[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string name = path;
  const std::size_t slash = name.find_last_of("\\/");
  if (slash != std::string::npos) name.erase(0, slash + 1);
  return "Software\\Wine\\AppDefaults\\" + name;
}

class UnmanagedWindows : public ::testing::Environment {
 public:
  void SetUp() override {
    HKEY key = nullptr;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, (program_key() + "\\X11 Driver").c_str(), 0, nullptr, 0,
                        KEY_SET_VALUE, nullptr, &key, nullptr) == ERROR_SUCCESS) {
      RegSetValueExA(key, "Managed", 0, REG_SZ, reinterpret_cast<const BYTE*>("N"), 2);
      RegCloseKey(key);
    }
  }
  void TearDown() override {
    RegDeleteKeyA(HKEY_CURRENT_USER, (program_key() + "\\X11 Driver").c_str());
    RegDeleteKeyA(HKEY_CURRENT_USER, program_key().c_str());
  }
};

::testing::Environment* const unmanaged_windows =
    ::testing::AddGlobalTestEnvironment(new UnmanagedWindows);

}  // namespace
