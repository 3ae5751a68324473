// The exit rules of the full-screen frame window, exercised on a running
// saver.scr by moving the cursor and sending it the messages Windows would.
#include <gtest/gtest.h>
#include <windows.h>

#include "saver_harness.h"

using namespace saver_test;

namespace {

constexpr POINT start_cursor = {100, 100};

// Starts a full-screen saver with the cursor at start_cursor.
HWND start_full_screen(SaverProcess& saver) {
  SetCursorPos(start_cursor.x, start_cursor.y);
  if (!saver.start(built_saver(), "/s")) return nullptr;
  return saver.wait_frame_window();
}

bool closes_normally(SaverProcess& saver) {
  return saver.wait_exit(3000) == std::optional<DWORD>(0);
}

void move_cursor(HWND window, int x, int y) {
  SetCursorPos(x, y);
  PostMessageA(window, WM_MOUSEMOVE, 0, MAKELPARAM(x, y));
}

}  // namespace

TEST(SaverExitRules, MouseMovesCloseOnlyBeyondFourPixelsInTotal) {
  SaverProcess saver;
  HWND window = start_full_screen(saver);
  ASSERT_NE(nullptr, window);

  move_cursor(window, start_cursor.x + 3, start_cursor.y + 1);
  EXPECT_TRUE(keeps_running(saver)) << "3 right and 1 down is 4 in total";
  move_cursor(window, start_cursor.x, start_cursor.y - 4);
  EXPECT_TRUE(keeps_running(saver)) << "4 up";
  // 5 in total, although neither direction alone nor the straight line
  // distance (3.6) exceeds 4.
  move_cursor(window, start_cursor.x + 3, start_cursor.y + 2);
  EXPECT_TRUE(closes_normally(saver));
}

TEST(SaverExitRules, PressesCloseAndReleasesDoNot) {
  const UINT presses[] = {WM_KEYDOWN, WM_SYSKEYDOWN, WM_LBUTTONDOWN, WM_RBUTTONDOWN,
                          WM_MBUTTONDOWN};
  bool first = true;
  for (UINT press : presses) {
    SCOPED_TRACE(press);
    SaverProcess saver;
    HWND window = start_full_screen(saver);
    ASSERT_NE(nullptr, window);
    if (first) {
      for (UINT other : {WM_KEYUP, WM_SYSKEYUP, WM_CHAR, WM_LBUTTONUP, WM_RBUTTONUP, WM_MBUTTONUP,
                         WM_MOUSEWHEEL})
        PostMessageA(window, other, 0, MAKELPARAM(start_cursor.x, start_cursor.y));
      EXPECT_TRUE(keeps_running(saver));
      first = false;
    }
    PostMessageA(window, press, press < WM_MOUSEFIRST ? 'A' : 0,
                 MAKELPARAM(start_cursor.x, start_cursor.y));
    EXPECT_TRUE(closes_normally(saver));
  }
}

TEST(SaverExitRules, DeactivationCloses) {
  SaverProcess saver;
  HWND window = start_full_screen(saver);
  ASSERT_NE(nullptr, window);
  PostMessageA(window, WM_ACTIVATEAPP, TRUE, 0);
  EXPECT_TRUE(keeps_running(saver));
  PostMessageA(window, WM_ACTIVATEAPP, FALSE, 0);
  EXPECT_TRUE(closes_normally(saver));
}

TEST(SaverExitRules, SystemCommandsAreRefusedAndMonitorPowerCloses) {
  SaverProcess saver;
  HWND window = start_full_screen(saver);
  ASSERT_NE(nullptr, window);
  // The low four bits of a system command belong to the system.
  for (WPARAM command : {SC_SCREENSAVE, SC_NEXTWINDOW, SC_PREVWINDOW, SC_SCREENSAVE | 2}) {
    SCOPED_TRACE(command);
    DWORD_PTR answer = 99;
    ASSERT_NE(0,
              SendMessageTimeoutA(window, WM_SYSCOMMAND, command, 0, SMTO_NORMAL, 2000, &answer));
    EXPECT_EQ(0u, answer);
  }
  EXPECT_TRUE(keeps_running(saver));
  SendMessageTimeoutA(window, WM_SYSCOMMAND, SC_MONITORPOWER, 2, SMTO_NORMAL, 2000, nullptr);
  EXPECT_TRUE(closes_normally(saver));
}

TEST(SaverExitRules, PowerEventsCloseExceptUnchangedLineStatusAndFailedResumes) {
  {
    SaverProcess saver;
    HWND window = start_full_screen(saver);
    ASSERT_NE(nullptr, window);
    // Wine's power line status does not change while the test runs.
    PostMessageA(window, WM_POWERBROADCAST, PBT_APMPOWERSTATUSCHANGE, 0);
    PostMessageA(window, WM_POWERBROADCAST, PBT_APMRESUMESUSPEND, PBTF_APMRESUMEFROMFAILURE);
    PostMessageA(window, WM_POWERBROADCAST, PBT_APMRESUMEAUTOMATIC, PBTF_APMRESUMEFROMFAILURE);
    PostMessageA(window, WM_POWER, PWR_SUSPENDREQUEST, 0);
    EXPECT_TRUE(keeps_running(saver));
    PostMessageA(window, WM_POWERBROADCAST, PBT_APMRESUMESUSPEND, 0);
    EXPECT_TRUE(closes_normally(saver));
  }
  struct Event {
    UINT message;
    WPARAM code;
  };
  for (const Event& event :
       {Event{WM_POWERBROADCAST, PBT_APMSUSPEND}, Event{WM_POWERBROADCAST, PBT_APMQUERYSUSPEND},
        Event{WM_POWERBROADCAST, PBT_APMOEMEVENT}, Event{WM_POWER, PWR_CRITICALRESUME}}) {
    SCOPED_TRACE(event.code);
    SaverProcess saver;
    HWND window = start_full_screen(saver);
    ASSERT_NE(nullptr, window);
    PostMessageA(window, event.message, event.code, 0);
    EXPECT_TRUE(closes_normally(saver));
  }
}

TEST(SaverExitRules, AutoPlayQueryIsNotSpecialOutsideWindows9x) {
  SaverProcess saver;
  HWND window = start_full_screen(saver);
  ASSERT_NE(nullptr, window);
  DWORD_PTR answer = 99;
  ASSERT_NE(0, SendMessageTimeoutA(window, RegisterWindowMessageA("QueryCancelAutoPlay"), 0, 0,
                                   SMTO_NORMAL, 2000, &answer));
  EXPECT_EQ(0u, answer);
  EXPECT_TRUE(keeps_running(saver));
  PostMessageA(window, WM_CLOSE, 0, 0);
  EXPECT_TRUE(closes_normally(saver));
}
