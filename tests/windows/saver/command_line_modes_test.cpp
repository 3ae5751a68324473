// The saver's modes as Windows starts them: the real saver.scr with a command
// tail, judged by its windows and its exit code.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "saver_harness.h"

using namespace saver_test;

namespace {

// A hidden top-level window with a client area of the given size, standing
// in for the Display control panel's preview area.
class PreviewParent {
 public:
  PreviewParent(int client_width, int client_height) {
    WNDCLASSA window_class = {};
    window_class.lpfnWndProc = DefWindowProcA;
    window_class.hInstance = GetModuleHandleA(nullptr);
    window_class.lpszClassName = "SaverTestPreviewParent";
    RegisterClassA(&window_class);
    RECT frame = {0, 0, client_width, client_height};
    AdjustWindowRectEx(&frame, WS_OVERLAPPEDWINDOW, FALSE, 0);
    window_ = CreateWindowExA(0, "SaverTestPreviewParent", "preview parent", WS_OVERLAPPEDWINDOW,
                              10, 10, frame.right - frame.left, frame.bottom - frame.top, nullptr,
                              nullptr, GetModuleHandleA(nullptr), nullptr);
  }
  ~PreviewParent() {
    if (IsWindow(window_)) DestroyWindow(window_);
  }
  HWND window() const { return window_; }
  std::string decimal() const {
    return std::to_string(static_cast<unsigned long>(reinterpret_cast<UINT_PTR>(window_)));
  }

 private:
  HWND window_ = nullptr;
};

HWND wait_child(HWND parent, DWORD timeout_ms = 5000) {
  const DWORD start = GetTickCount();
  do {
    HWND child = FindWindowExA(parent, nullptr, frame_class, nullptr);
    if (child != nullptr && (GetWindowLongA(child, GWL_STYLE) & WS_VISIBLE) != 0) return child;
    pump_messages_for(10);
  } while (GetTickCount() - start < timeout_ms);
  return nullptr;
}

std::string title_of(HWND window) {
  char title[64] = {};
  GetWindowTextA(window, title, sizeof(title));
  return title;
}

}  // namespace

TEST(SaverModes, FullScreenTailsOpenOneWindowOverTheVirtualScreen) {
  const RECT desktop = {GetSystemMetrics(SM_XVIRTUALSCREEN), GetSystemMetrics(SM_YVIRTUALSCREEN),
                        GetSystemMetrics(SM_XVIRTUALSCREEN) + GetSystemMetrics(SM_CXVIRTUALSCREEN),
                        GetSystemMetrics(SM_YVIRTUALSCREEN) + GetSystemMetrics(SM_CYVIRTUALSCREEN)};
  struct Start {
    const char* tail;
    bool quoted_program;
  };
  for (const Start& start : {Start{"/s", true}, Start{"-S", true}, Start{"s", true},
                             Start{" / s", true}, Start{"/s", false}}) {
    SCOPED_TRACE(std::string("tail '") + start.tail + "', quoted " +
                 (start.quoted_program ? "yes" : "no"));
    SaverProcess saver;
    ASSERT_TRUE(saver.start(built_saver(), start.tail, start.quoted_program));
    HWND window = saver.wait_frame_window();
    ASSERT_NE(nullptr, window);
    EXPECT_EQ("Screen Saver", title_of(window));
    RECT rect = {};
    GetWindowRect(window, &rect);
    EXPECT_EQ(desktop.left, rect.left);
    EXPECT_EQ(desktop.top, rect.top);
    EXPECT_EQ(desktop.right, rect.right);
    EXPECT_EQ(desktop.bottom, rect.bottom);
    const LONG style = GetWindowLongA(window, GWL_STYLE);
    EXPECT_EQ(WS_POPUP | WS_VISIBLE, style & (WS_POPUP | WS_CHILD | WS_VISIBLE));
    EXPECT_NE(0, GetWindowLongA(window, GWL_EXSTYLE) & WS_EX_TOPMOST);
    // The title never changes.
    SendMessageA(window, WM_SETTEXT, 0, reinterpret_cast<LPARAM>("renamed"));
    EXPECT_EQ("Screen Saver", title_of(window));

    PostMessageA(window, WM_CLOSE, 0, 0);
    EXPECT_EQ(0u, saver.wait_exit(5000).value_or(12345));
  }
}

TEST(SaverModes, SecondFullScreenStartBringsTheFirstToTheFrontAndEnds) {
  SaverProcess first;
  ASSERT_TRUE(first.start(built_saver(), "/s"));
  HWND window = first.wait_frame_window();
  ASSERT_NE(nullptr, window);

  SaverProcess second;
  ASSERT_TRUE(second.start(built_saver(), "/S"));
  EXPECT_EQ(0u, second.wait_exit(5000).value_or(12345));
  EXPECT_TRUE(keeps_running(first, 100));
  EXPECT_EQ(window, GetForegroundWindow());

  PostMessageA(window, WM_CLOSE, 0, 0);
  EXPECT_EQ(0u, first.wait_exit(5000).value_or(12345));
}

TEST(SaverModes, PreviewFillsTheParentsClientArea) {
  for (const char* letter : {"/p ", "/l ", "/P   "}) {
    SCOPED_TRACE(letter);
    PreviewParent parent(152, 112);
    ASSERT_NE(nullptr, parent.window());
    SaverProcess saver;
    ASSERT_TRUE(saver.start(built_saver(), letter + parent.decimal()));
    HWND child = wait_child(parent.window());
    ASSERT_NE(nullptr, child);
    EXPECT_EQ("Preview", title_of(child));
    RECT client = {};
    GetClientRect(child, &client);
    EXPECT_EQ(152, client.right - client.left);
    EXPECT_EQ(112, client.bottom - client.top);
    RECT rect = {};
    GetWindowRect(child, &rect);
    MapWindowPoints(nullptr, parent.window(), reinterpret_cast<POINT*>(&rect), 2);
    EXPECT_EQ(0, rect.left);
    EXPECT_EQ(0, rect.top);
    EXPECT_NE(0, GetWindowLongA(child, GWL_STYLE) & WS_CHILD);
    // A preview is not the full-screen saver: no second instance rule.
    EXPECT_EQ(nullptr, FindWindowA(frame_class, "Screen Saver"));

    // The control panel ends a preview by destroying its window.
    DestroyWindow(parent.window());
    EXPECT_EQ(0u, saver.wait_exit(5000).value_or(12345));
  }
}

TEST(SaverModes, PreviewWithoutAValidWindowEndsWithMinusOne) {
  PreviewParent parent(152, 112);
  HWND gone = CreateWindowExA(0, "STATIC", "", 0, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
  const std::string gone_handle =
      std::to_string(static_cast<unsigned long>(reinterpret_cast<UINT_PTR>(gone)));
  DestroyWindow(gone);
  ASSERT_FALSE(IsWindow(gone));

  const std::string tails[] = {"/p", "/p 0", "/p " + gone_handle, "/l", "/p x1"};
  for (const std::string& tail : tails) {
    SCOPED_TRACE(tail);
    SaverProcess saver;
    ASSERT_TRUE(saver.start(built_saver(), tail));
    EXPECT_EQ(exit_minus_one, saver.wait_exit(5000).value_or(12345));
  }
  EXPECT_EQ(nullptr, FindWindowExA(parent.window(), nullptr, frame_class, nullptr));
}

TEST(SaverModes, ConfigureShowsNothingAndEndsWithMinusOne) {
  PreviewParent parent(152, 112);
  const std::string tails[] = {"", "/c", "/c:" + parent.decimal(), "-C"};
  for (const std::string& tail : tails) {
    SCOPED_TRACE("tail '" + tail + "'");
    SaverProcess saver;
    ASSERT_TRUE(saver.start(built_saver(), tail));
    EXPECT_EQ(exit_minus_one, saver.wait_exit(5000).value_or(12345));
  }
}

TEST(SaverModes, UnknownLettersAndPasswordChangeOnNtEndWithMinusOne) {
  PreviewParent parent(152, 112);
  const std::string tails[] = {"/x", "/?", "/a " + parent.decimal()};
  for (const std::string& tail : tails) {
    SCOPED_TRACE(tail);
    SaverProcess saver;
    ASSERT_TRUE(saver.start(built_saver(), tail));
    EXPECT_EQ(exit_minus_one, saver.wait_exit(5000).value_or(12345));
  }
}
