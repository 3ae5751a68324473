// The frame window of the screen saver: its process-wide state and its two
// window-procedure layers. Messages pass frame_window_proc -> the program's
// saver_window_proc (saver_app.h) -> default_saver_proc (the exit rules) ->
// DefWindowProcA.
#pragma once

#include <windows.h>

namespace saver {

// Sent by the WM_CLOSE rule to ask the Windows 9x password dialog.
constexpr UINT verify_password_message = 0x8000;

using VerifyPasswordEntry = BOOL(WINAPI*)(HWND);
using ImmAssociateContextEntry = HANDLE(WINAPI*)(HWND, HANDLE);

// One per process, touched only by the user-interface thread.
struct FrameState {
  HINSTANCE module_instance = nullptr;
  bool win9x = false;
  bool preview = false;
  HWND frame_window = nullptr;
  // Set once the saver may close; from then on input is no longer judged.
  bool closing = false;
  bool checking_password = false;
  // "QueryCancelAutoPlay" on Windows 9x, 0 elsewhere.
  UINT autoplay_message = 0;
  HMODULE password_library = nullptr;
  VerifyPasswordEntry verify_password_entry = nullptr;
  HMODULE ime_module = nullptr;
  ImmAssociateContextEntry ime_associate = nullptr;
  HANDLE saved_ime_context = nullptr;
  // Reference point of the mouse-move exit rule.
  POINT last_mouse_position = {0, 0};
  DWORD mouse_threshold = 4;
  // Last known ACLineStatus; 255 when none could be read.
  BYTE ac_line_status = 255;
  // GetTickCount at the end of the last password question; all ones: never.
  DWORD last_password_check = 0xFFFFFFFF;
};

extern FrameState frame;

// Class procedure of "WindowsScreenSaverClass".
LRESULT CALLBACK frame_window_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);

// The exit rules; the program's layer passes on what it does not handle.
LRESULT CALLBACK default_saver_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);

// ACLineStatus of GetSystemPowerStatus, 255 when it cannot be read.
BYTE read_ac_line_status();

// GetProcAddress typed for the caller (through void(*)() so that GCC's
// function-cast check accepts it).
template <typename Entry>
Entry find_entry(HMODULE module, const char* name) {
  return reinterpret_cast<Entry>(reinterpret_cast<void (*)()>(GetProcAddress(module, name)));
}

}  // namespace saver
