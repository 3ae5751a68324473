// Runs the real saver.scr as a child process and finds its windows.
#pragma once

#include <windows.h>

#include <optional>
#include <string>

namespace saver_test {

constexpr char frame_class[] = "WindowsScreenSaverClass";

// A Linux path of the build as Wine sees it.
std::string wine_path(const char* linux_path);

// The built saver.scr.
std::string built_saver();

// Runs this thread's messages for a while (a preview parent lives here, and
// the saver's child window talks to it synchronously).
void pump_messages_for(DWORD milliseconds);

class SaverProcess {
 public:
  SaverProcess() = default;
  ~SaverProcess();  // ends a saver that is still running
  SaverProcess(const SaverProcess&) = delete;
  SaverProcess& operator=(const SaverProcess&) = delete;

  // Starts the program with the command line `"<program>" <arguments>`, or
  // `<program> <arguments>` when not quoted.
  bool start(const std::string& program, const std::string& arguments, bool quoted = true);

  // The exit code once the process has ended within the time; none while it
  // still runs.
  std::optional<DWORD> wait_exit(DWORD timeout_ms);

  // A top-level window of this process with the frame class, once it exists
  // and is shown (it exists already during its WM_CREATE).
  HWND wait_frame_window(DWORD timeout_ms = 5000);

  DWORD id() const { return info_.dwProcessId; }

 private:
  PROCESS_INFORMATION info_ = {};
};

// Runs a saver to its end and answers its exit code (none on a time-out).
std::optional<DWORD> run_to_end(const std::string& program, const std::string& arguments,
                                DWORD timeout_ms = 5000);

// True when the process is still running after the time.
bool keeps_running(SaverProcess& saver, DWORD milliseconds = 300);

constexpr DWORD exit_minus_one = static_cast<DWORD>(-1);

// Sets a REG_SZ value under HKEY_CURRENT_USER, creating the key.
bool set_user_text(const char* key, const char* name, const char* value);
bool set_user_number(const char* key, const char* name, DWORD value);
// The value, or none when it is not there.
std::optional<DWORD> user_number(const char* key, const char* name);
void delete_user_value(const char* key, const char* name);
// Deletes the key and everything below it.
void delete_user_key(const char* key);
// Deletes the key when it holds neither values nor keys.
void delete_user_key_if_empty(const char* key);

}  // namespace saver_test
