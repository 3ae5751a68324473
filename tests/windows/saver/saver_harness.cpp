#include "saver_harness.h"

#include <gtest/gtest.h>
#include <shlwapi.h>

#include <string>

namespace saver_test {

std::string wine_path(const char* linux_path) {
  std::string path = std::string("Z:") + linux_path;
  for (char& c : path)
    if (c == '/') c = '\\';
  return path;
}

std::string built_saver() { return wine_path(SAVER_SCR_PATH); }

void pump_messages_for(DWORD milliseconds) {
  const DWORD start = GetTickCount();
  do {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&message);
      DispatchMessageA(&message);
    }
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
  } while (GetTickCount() - start < milliseconds);
}

SaverProcess::~SaverProcess() {
  if (info_.hProcess == nullptr) return;
  if (WaitForSingleObject(info_.hProcess, 0) == WAIT_TIMEOUT) {
    TerminateProcess(info_.hProcess, 99);
    WaitForSingleObject(info_.hProcess, 5000);
  }
  CloseHandle(info_.hThread);
  CloseHandle(info_.hProcess);
}

bool SaverProcess::start(const std::string& program, const std::string& arguments, bool quoted) {
  std::string line = quoted ? "\"" + program + "\"" : program;
  if (!arguments.empty()) line += " " + arguments;
  const std::string folder = program.substr(0, program.find_last_of('\\'));
  STARTUPINFOA startup = {};
  startup.cb = sizeof(startup);
  return CreateProcessA(program.c_str(), &line[0], nullptr, nullptr, FALSE, 0, nullptr,
                        folder.c_str(), &startup, &info_) != 0;
}

std::optional<DWORD> SaverProcess::wait_exit(DWORD timeout_ms) {
  const DWORD start = GetTickCount();
  for (;;) {
    if (WaitForSingleObject(info_.hProcess, 0) == WAIT_OBJECT_0) {
      DWORD code = 0;
      GetExitCodeProcess(info_.hProcess, &code);
      return code;
    }
    if (GetTickCount() - start >= timeout_ms) return std::nullopt;
    pump_messages_for(10);
  }
}

namespace {

struct WindowSearch {
  DWORD process_id;
  HWND found;
};

BOOL CALLBACK match_frame(HWND window, LPARAM data) {
  auto* search = reinterpret_cast<WindowSearch*>(data);
  DWORD owner = 0;
  GetWindowThreadProcessId(window, &owner);
  char class_name[64] = {};
  GetClassNameA(window, class_name, sizeof(class_name));
  if (owner == search->process_id && lstrcmpA(class_name, frame_class) == 0 &&
      IsWindowVisible(window)) {
    search->found = window;
    return FALSE;
  }
  return TRUE;
}

}  // namespace

HWND SaverProcess::wait_frame_window(DWORD timeout_ms) {
  const DWORD start = GetTickCount();
  do {
    WindowSearch search = {info_.dwProcessId, nullptr};
    EnumWindows(match_frame, reinterpret_cast<LPARAM>(&search));
    if (search.found != nullptr) return search.found;
    pump_messages_for(10);
  } while (GetTickCount() - start < timeout_ms &&
           WaitForSingleObject(info_.hProcess, 0) == WAIT_TIMEOUT);
  return nullptr;
}

std::optional<DWORD> run_to_end(const std::string& program, const std::string& arguments,
                                DWORD timeout_ms) {
  SaverProcess saver;
  if (!saver.start(program, arguments)) return std::nullopt;
  return saver.wait_exit(timeout_ms);
}

bool keeps_running(SaverProcess& saver, DWORD milliseconds) {
  return !saver.wait_exit(milliseconds).has_value();
}

bool set_user_text(const char* key, const char* name, const char* value) {
  HKEY handle = nullptr;
  if (RegCreateKeyExA(HKEY_CURRENT_USER, key, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &handle,
                      nullptr) != ERROR_SUCCESS)
    return false;
  const bool done = RegSetValueExA(handle, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value),
                                   lstrlenA(value) + 1) == ERROR_SUCCESS;
  RegCloseKey(handle);
  return done;
}

bool set_user_number(const char* key, const char* name, DWORD value) {
  HKEY handle = nullptr;
  if (RegCreateKeyExA(HKEY_CURRENT_USER, key, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &handle,
                      nullptr) != ERROR_SUCCESS)
    return false;
  const bool done =
      RegSetValueExA(handle, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value),
                     sizeof(value)) == ERROR_SUCCESS;
  RegCloseKey(handle);
  return done;
}

std::optional<DWORD> user_number(const char* key, const char* name) {
  HKEY handle = nullptr;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, key, 0, KEY_QUERY_VALUE, &handle) != ERROR_SUCCESS)
    return std::nullopt;
  DWORD value = 0, size = sizeof(value), type = 0;
  const bool found = RegQueryValueExA(handle, name, nullptr, &type, reinterpret_cast<BYTE*>(&value),
                                      &size) == ERROR_SUCCESS &&
                     type == REG_DWORD;
  RegCloseKey(handle);
  if (!found) return std::nullopt;
  return value;
}

void delete_user_value(const char* key, const char* name) {
  HKEY handle = nullptr;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, key, 0, KEY_SET_VALUE, &handle) != ERROR_SUCCESS) return;
  RegDeleteValueA(handle, name);
  RegCloseKey(handle);
}

void delete_user_key(const char* key) { SHDeleteKeyA(HKEY_CURRENT_USER, key); }

void delete_user_key_if_empty(const char* key) {
  HKEY handle = nullptr;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, key, 0, KEY_QUERY_VALUE, &handle) != ERROR_SUCCESS) return;
  DWORD subkeys = 1, values = 1;
  RegQueryInfoKeyA(handle, nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, &values, nullptr,
                   nullptr, nullptr, nullptr);
  RegCloseKey(handle);
  if (subkeys == 0 && values == 0) RegDeleteKeyA(HKEY_CURRENT_USER, key);
}

namespace {

// Wine treats a full-screen popup as a window for the window manager and,
// on Xvfb without one, waits two seconds at every close for an answer that
// never comes. Unmanaged windows close at once; the setting is per program
// name and is removed after the test.
class UnmanagedSaverWindows : public ::testing::Environment {
 public:
  void SetUp() override {
    for (const char* program : programs_)
      set_user_text((std::string(program) + "\\X11 Driver").c_str(), "Managed", "N");
  }
  void TearDown() override {
    for (const char* program : programs_) {
      delete_user_key((std::string(program) + "\\X11 Driver").c_str());
      delete_user_key_if_empty(program);
    }
  }

 private:
  const char* programs_[2] = {"Software\\Wine\\AppDefaults\\saver.scr",
                              "Software\\Wine\\AppDefaults\\saver98.scr"};
};

::testing::Environment* const unmanaged_saver_windows =
    ::testing::AddGlobalTestEnvironment(new UnmanagedSaverWindows);

}  // namespace

}  // namespace saver_test
