// Screen-saver passwords on Windows 95/98/Me: the system's PASSWORD.CPL
// answers whether the saver may close, MPR.DLL changes the password. NT-family
// systems ask for the password themselves, so nothing here runs there.
#include <windows.h>

#include "saver/frame.h"
#include "saver/shell.h"

namespace saver {

namespace {

using PwdChangePasswordEntry = DWORD(WINAPI*)(LPCSTR, HWND, DWORD, DWORD);

// Within this time after a question, a further close request is answered
// from the last result instead of asking again.
constexpr DWORD password_repeat_ms = 200;

}  // namespace

void set_saver_running(bool running) {
  if (!frame.win9x) return;
  // Keeps Ctrl+Alt+Del and task switching away while the password protects.
  UINT previous = 0;
  SystemParametersInfoA(SPI_SETSCREENSAVERRUNNING, running ? 1 : 0, &previous, 0);
}

void unload_password_library() {
  if (!frame.win9x) return;
  if (frame.password_library != nullptr) {
    FreeLibrary(frame.password_library);
    frame.password_library = nullptr;
  }
  if (frame.verify_password_entry != nullptr) {
    frame.verify_password_entry = nullptr;
    set_saver_running(false);
  }
}

void load_password_library() {
  if (!frame.win9x) return;
  if (frame.password_library != nullptr) unload_password_library();

  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, "Control Panel\\Desktop", 0, KEY_QUERY_VALUE, &key) !=
      ERROR_SUCCESS)
    return;
  DWORD use_password = 0;
  DWORD size = sizeof(use_password);
  if (RegQueryValueExA(key, "ScreenSaveUsePassword", nullptr, nullptr,
                       reinterpret_cast<BYTE*>(&use_password), &size) == ERROR_SUCCESS &&
      use_password != 0) {
    frame.password_library = LoadLibraryA("PASSWORD.CPL");
    if (frame.password_library != nullptr) {
      frame.verify_password_entry =
          find_entry<VerifyPasswordEntry>(frame.password_library, "VerifyScreenSavePwd");
      if (frame.verify_password_entry != nullptr)
        set_saver_running(true);
      else
        unload_password_library();
    }
  }
  RegCloseKey(key);
}

bool verify_password(HWND window) {
  // No second question while one is open; nothing more to decide once closing.
  if (frame.checking_password || frame.closing) return false;
  if (frame.verify_password_entry == nullptr) {
    frame.closing = true;
    return true;
  }
  const DWORD now = GetTickCount();
  if (frame.last_password_check == 0xFFFFFFFF ||
      now - frame.last_password_check >= password_repeat_ms) {
    frame.checking_password = true;
    // A pending timer tick must not run the movie under the dialog.
    MSG pending;
    for (int i = 0; i < 2; ++i)
      PeekMessageA(&pending, window, WM_TIMER, WM_TIMER, PM_REMOVE | PM_NOYIELD);
    frame.closing = SendMessageA(window, verify_password_message, 0, 0) != 0;
    frame.checking_password = false;
    if (!frame.closing) SetCursor(nullptr);
    frame.last_password_check = GetTickCount();
  }
  return frame.closing;
}

void change_password(HWND parent) {
  HMODULE mpr = LoadLibraryA("MPR.DLL");
  if (mpr == nullptr) return;
  auto change = find_entry<PwdChangePasswordEntry>(mpr, "PwdChangePasswordA");
  if (change != nullptr) change("SCRSAVE", parent, 0, 0);
  FreeLibrary(mpr);
}

}  // namespace saver
