// The windowed player's start before any window: settings it cannot read
// end it after an error box, and the settings file never stays on disk.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "common/paths.h"
#include "player/player_app.h"
#include "support/temp_dir.h"

namespace {

struct BoxSeen {
  volatile LONG stop = 0;
  bool seen = false;
  std::string caption;
  std::string text;
};

// Waits for the message box of this process, reads it and presses OK.
DWORD WINAPI answer_box(void* argument) {
  BoxSeen& seen = *static_cast<BoxSeen*>(argument);
  for (int i = 0; i < 500 && !seen.stop; ++i) {
    HWND box = FindWindowA("#32770", nullptr);
    DWORD process = 0;
    if (box) GetWindowThreadProcessId(box, &process);
    if (box && process == GetCurrentProcessId() && IsWindowVisible(box)) {
      char text[256] = "";
      GetWindowTextA(box, text, sizeof text);
      seen.caption = text;
      GetDlgItemTextA(box, 0xFFFF, text, sizeof text);
      seen.text = text;
      seen.seen = true;
      PostMessageA(box, WM_COMMAND, IDOK, 0);
      return 0;
    }
    Sleep(10);
  }
  return 0;
}

TEST(WindowedStart, UnreadableSettingsShowTheErrorBoxAndEndTheStart) {
  testing_support::TempDir folder;
  const std::string settings = folder.write("fp.dat", "this is not XML");
  BoxSeen seen;
  HANDLE thread = CreateThread(nullptr, 0, answer_box, &seen, 0, nullptr);
  EXPECT_EQ(player::run_player(settings), player::kExitSettings);
  WaitForSingleObject(thread, 5000);
  CloseHandle(thread);
  EXPECT_TRUE(seen.seen);
  EXPECT_EQ(seen.caption, "error");
  EXPECT_EQ(seen.text, "invalid settings: 1");
  EXPECT_FALSE(paths::exists(settings)) << "deleted although it could not be read";
}

TEST(WindowedStart, ReadableSettingsGoOnToTheLibraryWithoutABox) {
  testing_support::TempDir folder;
  const std::string settings = folder.write(
      "fp.dat", "<xml version=\"1.0\"><windows><window window_title=\"T\"/></windows></xml>");
  BoxSeen seen;
  HANDLE thread = CreateThread(nullptr, 0, answer_box, &seen, 0, nullptr);
  // This test program carries no player library resource.
  EXPECT_EQ(player::run_player(settings), player::kExitLibrary);
  Sleep(300);  // a box would have appeared by now
  InterlockedExchange(&seen.stop, 1);
  WaitForSingleObject(thread, 5000);
  CloseHandle(thread);
  EXPECT_FALSE(seen.seen);
  EXPECT_FALSE(paths::exists(settings));
}

}  // namespace
