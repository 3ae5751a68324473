// The Windows 95/98/Me password path, run for real: a copy of saver.scr that
// Wine presents as Windows 98, next to test stand-ins for PASSWORD.CPL and
// MPR.DLL (tests/fixtures) that record their calls and answer as told.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "saver_harness.h"
#include "support/temp_dir.h"

using namespace saver_test;

namespace {

constexpr char desktop_key[] = "Control Panel\\Desktop";
constexpr char use_password[] = "ScreenSaveUsePassword";
constexpr char win98_key[] = "Software\\Wine\\AppDefaults\\saver98.scr";
constexpr char win98_overrides_key[] = "Software\\Wine\\AppDefaults\\saver98.scr\\DllOverrides";
constexpr POINT start_cursor = {100, 100};

std::vector<std::string> lines_of(const std::string& text) {
  std::vector<std::string> lines;
  size_t begin = 0;
  for (size_t end; (end = text.find('\n', begin)) != std::string::npos; begin = end + 1)
    lines.push_back(text.substr(begin, end - begin));
  return lines;
}

std::string decimal(HWND window) {
  return std::to_string(static_cast<unsigned long>(reinterpret_cast<UINT_PTR>(window)));
}

class Windows9xSaver : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_FALSE(folder_.path().empty());
    saver_ = folder_.file("saver98.scr");
    ASSERT_TRUE(CopyFileA(built_saver().c_str(), saver_.c_str(), FALSE));
    ASSERT_TRUE(CopyFileA(wine_path(PASSWORD_CPL_PATH).c_str(),
                          folder_.file("PASSWORD.CPL").c_str(), FALSE));
    ASSERT_TRUE(CopyFileA(wine_path(MPR_DLL_PATH).c_str(), folder_.file("MPR.DLL").c_str(), FALSE));
    saved_use_password_ = user_number(desktop_key, use_password);
    ASSERT_TRUE(set_user_text(win98_key, "Version", "win98"));
    // Windows searches the program's folder first; Wine would prefer its
    // own built-in mpr.dll to the stand-in there.
    ASSERT_TRUE(set_user_text(win98_overrides_key, "mpr", "native"));
    ASSERT_TRUE(set_user_number(desktop_key, use_password, 1));
  }

  void TearDown() override {
    delete_user_key(win98_overrides_key);
    delete_user_value(win98_key, "Version");
    delete_user_key_if_empty(win98_key);
    if (saved_use_password_)
      set_user_number(desktop_key, use_password, *saved_use_password_);
    else
      delete_user_value(desktop_key, use_password);
  }

  void answer(const std::string& answers) { folder_.write("password_answers.txt", answers); }

  std::vector<std::string> password_calls() const {
    return lines_of(testing_support::TempDir::read(folder_.file("password_calls.txt")));
  }

  // Pumps until the password stand-in has been asked `count` times.
  bool wait_password_calls(size_t count) {
    const DWORD start = GetTickCount();
    do {
      if (password_calls().size() >= count) return true;
      pump_messages_for(10);
    } while (GetTickCount() - start < 3000);
    return false;
  }

  HWND start_full_screen(SaverProcess& saver) {
    SetCursorPos(start_cursor.x, start_cursor.y);
    if (!saver.start(saver_, "/s")) return nullptr;
    return saver.wait_frame_window();
  }

  testing_support::TempDir folder_;
  std::string saver_;
  std::optional<DWORD> saved_use_password_;
};

void move_cursor(HWND window, int x, int y) {
  SetCursorPos(x, y);
  PostMessageA(window, WM_MOUSEMOVE, 0, MAKELPARAM(x, y));
}

}  // namespace

TEST_F(Windows9xSaver, RefusedPasswordKeepsTheSaverAndMovesTheMouseReference) {
  // The first question sees a nested close request and a key press, and the
  // cursor moves 50 pixels while it is open; then it refuses.
  answer("n1");
  SaverProcess saver;
  HWND window = start_full_screen(saver);
  ASSERT_NE(nullptr, window);

  PostMessageA(window, WM_KEYDOWN, 'A', 0);
  ASSERT_TRUE(wait_password_calls(1));
  EXPECT_TRUE(keeps_running(saver, 400));
  EXPECT_EQ(1u, password_calls().size()) << "no second question while one is open";

  // Measured from where the cursor was at the refusal, this is 4 pixels.
  move_cursor(window, start_cursor.x + 53, start_cursor.y + 51);
  EXPECT_TRUE(keeps_running(saver));
  EXPECT_EQ(1u, password_calls().size());

  move_cursor(window, start_cursor.x + 80, start_cursor.y + 80);
  EXPECT_EQ(0u, saver.wait_exit(3000).value_or(12345));
  const std::vector<std::string> calls = password_calls();
  ASSERT_EQ(2u, calls.size());
  EXPECT_EQ(decimal(window), calls[0]);
  EXPECT_EQ(decimal(window), calls[1]);
}

TEST_F(Windows9xSaver, CloseRequestsRightAfterARefusalDoNotAskAgain) {
  answer("01");
  SaverProcess saver;
  HWND window = start_full_screen(saver);
  ASSERT_NE(nullptr, window);

  // The second request arrives within 200 ms of the refused question.
  PostMessageA(window, WM_CLOSE, 0, 0);
  PostMessageA(window, WM_CLOSE, 0, 0);
  ASSERT_TRUE(wait_password_calls(1));
  EXPECT_TRUE(keeps_running(saver, 400));
  EXPECT_EQ(1u, password_calls().size());

  // Later requests are asked again.
  PostMessageA(window, WM_CLOSE, 0, 0);
  EXPECT_EQ(0u, saver.wait_exit(3000).value_or(12345));
  EXPECT_EQ(2u, password_calls().size());
}

TEST_F(Windows9xSaver, AutoPlayIsCancelledWhileAPasswordProtects) {
  answer("01");
  SaverProcess saver;
  HWND window = start_full_screen(saver);
  ASSERT_NE(nullptr, window);
  DWORD_PTR cancel = 0;
  ASSERT_NE(0, SendMessageTimeoutA(window, RegisterWindowMessageA("QueryCancelAutoPlay"), 0, 0,
                                   SMTO_NORMAL, 2000, &cancel));
  EXPECT_EQ(1u, cancel);
  ASSERT_TRUE(wait_password_calls(1));
  EXPECT_TRUE(keeps_running(saver));

  PostMessageA(window, WM_LBUTTONDOWN, 0, 0);
  EXPECT_EQ(0u, saver.wait_exit(3000).value_or(12345));
  EXPECT_EQ(2u, password_calls().size());
}

TEST_F(Windows9xSaver, WithoutAPasswordInputClosesAtOnce) {
  ASSERT_TRUE(set_user_number(desktop_key, use_password, 0));
  answer("0");
  SaverProcess saver;
  HWND window = start_full_screen(saver);
  ASSERT_NE(nullptr, window);
  DWORD_PTR cancel = 99;
  ASSERT_NE(0, SendMessageTimeoutA(window, RegisterWindowMessageA("QueryCancelAutoPlay"), 0, 0,
                                   SMTO_NORMAL, 2000, &cancel));
  EXPECT_EQ(0u, cancel) << "AutoPlay is only cancelled while a password protects";
  EXPECT_EQ(0u, saver.wait_exit(3000).value_or(12345));
  EXPECT_TRUE(password_calls().empty());
}

TEST_F(Windows9xSaver, PasswordChangeGoesToMprWithTheGivenWindow) {
  HWND owner = CreateWindowExA(0, "STATIC", "", 0, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
  ASSERT_NE(nullptr, owner);
  SaverProcess saver;
  ASSERT_TRUE(saver.start(saver_, "/a " + decimal(owner)));
  EXPECT_EQ(0u, saver.wait_exit(5000).value_or(12345));
  DestroyWindow(owner);
  const std::vector<std::string> calls =
      lines_of(testing_support::TempDir::read(folder_.file("mpr_calls.txt")));
  ASSERT_EQ(1u, calls.size());
  EXPECT_EQ("SCRSAVE " + decimal(owner) + " 0 0", calls[0]);
}

TEST_F(Windows9xSaver, PasswordChangeIsRefusedOnNt) {
  delete_user_value(win98_key, "Version");
  SaverProcess saver;
  ASSERT_TRUE(saver.start(saver_, "/a"));
  EXPECT_EQ(exit_minus_one, saver.wait_exit(5000).value_or(12345));
  EXPECT_TRUE(testing_support::TempDir::read(folder_.file("mpr_calls.txt")).empty());
}

TEST_F(Windows9xSaver, AnExceptionInsideTheSaverEndsItWithMinusOne) {
  answer("x");
  SaverProcess saver;
  HWND window = start_full_screen(saver);
  ASSERT_NE(nullptr, window);
  PostMessageA(window, WM_CLOSE, 0, 0);
  EXPECT_EQ(exit_minus_one, saver.wait_exit(5000).value_or(12345));
  EXPECT_EQ(1u, password_calls().size());
}
