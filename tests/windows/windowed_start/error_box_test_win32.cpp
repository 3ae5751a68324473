#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "bridge/windowed_start.h"
#include "settings/settings.h"
#include "support/temp_dir.h"

namespace {

// What the watcher saw of the box before it pressed OK.
struct SeenBox {
  HWND probe = nullptr;  // a top-level window of the thread that shows the box
  bool found = false;
  std::string caption;
  std::string text;
  bool has_owner = true;
  bool has_icon = false;
  bool has_ok = false;
  bool has_cancel = true;
  bool probe_enabled = true;
};

BOOL CALLBACK find_box(HWND window, LPARAM found) {
  char class_name[16] = {};
  GetClassNameA(window, class_name, sizeof class_name);
  if (std::string(class_name) == "#32770" && IsWindowVisible(window)) {
    *reinterpret_cast<HWND*>(found) = window;
    return FALSE;
  }
  return TRUE;
}

DWORD WINAPI watch_and_close(void* parameter) {
  SeenBox* seen = static_cast<SeenBox*>(parameter);
  for (int i = 0; i < 500 && !seen->found; ++i) {
    HWND box = nullptr;
    EnumWindows(find_box, reinterpret_cast<LPARAM>(&box));
    DWORD process = 0;
    if (box) GetWindowThreadProcessId(box, &process);
    if (!box || process != GetCurrentProcessId()) {
      Sleep(10);
      continue;
    }
    char text[256] = {};
    GetWindowTextA(box, text, sizeof text);
    seen->caption = text;
    GetDlgItemTextA(box, 0xFFFF, text, sizeof text);
    seen->text = text;
    seen->has_owner = GetWindow(box, GW_OWNER) != nullptr;
    // The stop icon sits in a static control of its own.
    HWND icon = GetDlgItem(box, 0x0440);
    seen->has_icon = icon && SendMessageA(icon, STM_GETICON, 0, 0) != 0;
    seen->has_ok = GetDlgItem(box, IDOK) != nullptr;
    seen->has_cancel = GetDlgItem(box, IDCANCEL) != nullptr;
    // Task-modal: the thread's other top-level windows are disabled.
    seen->probe_enabled = IsWindowEnabled(seen->probe) != FALSE;
    seen->found = true;
    PostMessageA(box, WM_COMMAND, IDOK, 0);
  }
  return 0;
}

class ErrorBoxTest : public ::testing::Test {
 protected:
  void SetUp() override {
    seen.probe = CreateWindowA("STATIC", "probe", WS_OVERLAPPEDWINDOW, 0, 0, 50, 50, nullptr,
                               nullptr, GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(seen.probe, nullptr);
    watcher = CreateThread(nullptr, 0, watch_and_close, &seen, 0, nullptr);
    ASSERT_NE(watcher, nullptr);
  }
  void TearDown() override {
    WaitForSingleObject(watcher, 10000);
    CloseHandle(watcher);
    DestroyWindow(seen.probe);
  }

  SeenBox seen;
  HANDLE watcher = nullptr;
};

TEST_F(ErrorBoxTest, SettingsFailureShowsTheCodeUnderLowerCaseError) {
  testing_support::TempDir folder;
  const std::string path = folder.write("fp.dat", "<xml version=\"1.0\">");
  SaverSettings settings;
  EXPECT_FALSE(bridge::prepare_windowed_start(path, settings, bridge::show_error_box));
  WaitForSingleObject(watcher, 10000);
  ASSERT_TRUE(seen.found);
  EXPECT_EQ(seen.caption, "error");
  EXPECT_EQ(seen.text, "invalid settings: " + std::to_string(settings.settings_error));
  EXPECT_FALSE(seen.has_owner);
  EXPECT_TRUE(seen.has_icon);
  EXPECT_TRUE(seen.has_ok);
  EXPECT_FALSE(seen.has_cancel);
  EXPECT_FALSE(seen.probe_enabled);
  EXPECT_TRUE(IsWindowEnabled(seen.probe));
  EXPECT_EQ(GetFileAttributesA(path.c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST_F(ErrorBoxTest, AReaderMessageTakesTheCaptionFromTheResource) {
  bridge::show_error_box(bridge::settings_error_box("bad attribute", 8));
  WaitForSingleObject(watcher, 10000);
  ASSERT_TRUE(seen.found);
  EXPECT_EQ(seen.caption, "Error from resource");
  EXPECT_EQ(seen.text, "bad attribute");
}

}  // namespace
