// A preview child ignores every exit rule and hands help requests to the
// control panel window it lives in.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "saver_harness.h"

using namespace saver_test;

namespace {

struct SeenMessage {
  UINT message;
  WPARAM wparam;
  LPARAM lparam;
  DWORD help_context;  // HELPINFO.dwContextId of a WM_HELP
};

std::vector<SeenMessage> seen_by_parent;

LRESULT CALLBACK recording_parent_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_HELP || message == WM_CONTEXTMENU) {
    const DWORD context = message == WM_HELP
                              ? static_cast<DWORD>(reinterpret_cast<HELPINFO*>(lparam)->dwContextId)
                              : 0;
    seen_by_parent.push_back({message, wparam, lparam, context});
    return 1;
  }
  return DefWindowProcA(window, message, wparam, lparam);
}

class SaverPreview : public ::testing::Test {
 protected:
  void SetUp() override {
    seen_by_parent.clear();
    WNDCLASSA window_class = {};
    window_class.lpfnWndProc = recording_parent_proc;
    window_class.hInstance = GetModuleHandleA(nullptr);
    window_class.lpszClassName = "SaverTestRecordingParent";
    RegisterClassA(&window_class);
    parent_ = CreateWindowExA(0, "SaverTestRecordingParent", "", WS_OVERLAPPEDWINDOW, 0, 0, 200,
                              160, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(nullptr, parent_);
    ASSERT_TRUE(
        saver_.start(built_saver(), "/p " + std::to_string(reinterpret_cast<UINT_PTR>(parent_))));
    const DWORD start = GetTickCount();
    while (child_ == nullptr && GetTickCount() - start < 5000) {
      child_ = FindWindowExA(parent_, nullptr, frame_class, nullptr);
      pump_messages_for(10);
    }
    ASSERT_NE(nullptr, child_);
  }
  void TearDown() override {
    if (IsWindow(parent_)) DestroyWindow(parent_);
  }

  // Pumps until the parent has seen the message or the time is up.
  const SeenMessage* wait_for_parent(UINT message) {
    const DWORD start = GetTickCount();
    do {
      for (const SeenMessage& seen : seen_by_parent)
        if (seen.message == message) return &seen;
      pump_messages_for(10);
    } while (GetTickCount() - start < 2000);
    return nullptr;
  }

  HWND parent_ = nullptr;
  HWND child_ = nullptr;
  SaverProcess saver_;
};

}  // namespace

TEST_F(SaverPreview, IgnoresEveryExitRule) {
  for (UINT press : {WM_KEYDOWN, WM_SYSKEYDOWN, WM_LBUTTONDOWN, WM_RBUTTONDOWN, WM_MBUTTONDOWN})
    PostMessageA(child_, press, 0, 0);
  PostMessageA(child_, WM_ACTIVATEAPP, FALSE, 0);
  PostMessageA(child_, WM_POWERBROADCAST, PBT_APMSUSPEND, 0);
  PostMessageA(child_, WM_POWER, PWR_CRITICALRESUME, 0);
  SendMessageTimeoutA(child_, WM_SYSCOMMAND, SC_MONITORPOWER, 2, SMTO_NORMAL, 2000, nullptr);
  POINT cursor;
  GetCursorPos(&cursor);
  SetCursorPos(cursor.x + 200, cursor.y + 150);
  PostMessageA(child_, WM_MOUSEMOVE, 0, MAKELPARAM(5, 5));
  EXPECT_TRUE(keeps_running(saver_, 400));
  EXPECT_TRUE(IsWindow(child_));
}

TEST_F(SaverPreview, HandsHelpRequestsToTheParent) {
  PostMessageA(child_, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(child_), MAKELPARAM(21, 34));
  const SeenMessage* menu = wait_for_parent(WM_CONTEXTMENU);
  ASSERT_NE(nullptr, menu);
  EXPECT_EQ(reinterpret_cast<WPARAM>(parent_), menu->wparam);
  EXPECT_EQ(MAKELPARAM(21, 34), menu->lparam);

  HELPINFO help = {};
  help.cbSize = sizeof(help);
  help.iContextType = HELPINFO_WINDOW;
  help.hItemHandle = child_;
  help.dwContextId = 4711;
  DWORD_PTR answer = 0;
  SendMessageTimeoutA(child_, WM_HELP, 0, reinterpret_cast<LPARAM>(&help), SMTO_NORMAL, 2000,
                      &answer);
  EXPECT_EQ(1u, answer);
  const SeenMessage* seen_help = wait_for_parent(WM_HELP);
  ASSERT_NE(nullptr, seen_help);
  EXPECT_EQ(reinterpret_cast<WPARAM>(parent_), seen_help->wparam);
  EXPECT_EQ(4711u, seen_help->help_context);

  EXPECT_TRUE(keeps_running(saver_, 100));
}
