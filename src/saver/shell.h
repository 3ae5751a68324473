// The saver's process-level pieces: the mode dispatcher, the run and configure
// modes, and the Windows 9x screen-saver password machinery.
#pragma once

#include <windows.h>

namespace saver {

// The mode dispatcher: the exit code for a command tail (see command_line.h).
int saver_main(HINSTANCE instance, const char* command_tail, int show_command);

// saver_main behind the crash guard: an exception nobody handles ends the
// process with -1 after releasing the Windows 9x saver-running state.
int guarded_saver_main(HINSTANCE instance, const char* command_tail, int show_command);

// Full screen without a parent, preview inside the parent otherwise.
int run_saver(HWND parent);

// The saver has no settings dialog: answers -1 without showing anything.
int show_configure(HWND parent);

// Windows 9x: MPR.DLL's PwdChangePasswordA("SCRSAVE", parent, 0, 0).
void change_password(HWND parent);

// Windows 9x only (nothing elsewhere): loads PASSWORD.CPL when a screen-saver
// password is set, and marks the saver as running while it is loaded.
void load_password_library();
void unload_password_library();
void set_saver_running(bool running);

// Asked by the WM_CLOSE rule: whether the saver may close now.
bool verify_password(HWND window);

}  // namespace saver
