// Application, Clipboard and Debug through the dispatcher, against the real
// module path, message queue, clipboard and standard output.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <io.h>

#include <cstdio>

#include "windows/api/api_test_support.h"

namespace {

using api_testing::ApiCalls;
using api_testing::b64;
using api_testing::text_result;

std::string own_path() {
  char path[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, path, sizeof path);
  return path;
}

TEST(ApiApplication, FolderAndFullPathOfTheRunningProgram) {
  ApiCalls api;
  const std::string path = own_path();
  const std::string folder = path.substr(0, path.find_last_of('\\'));
  EXPECT_EQ(api.call("Application.getFullPath"), text_result(path));
  // No trailing backslash on the folder.
  EXPECT_EQ(api.call("Application.getFolder"), text_result(folder));
}

TEST(ApiApplication, QuitPostsTheQuitMessageWithCodeZeroAndAnswersNothing) {
  ApiCalls api;
  MSG message;
  while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
  }
  EXPECT_EQ(api.call("Application.quit"), std::nullopt);
  ASSERT_TRUE(PeekMessageA(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
  EXPECT_EQ(message.wParam, 0u);
}

TEST(ApiApplication, WindowOperationsAreAcceptedAndAnswerNothing) {
  ApiCalls api;
  for (const char* method : {"bounceDockIcon", "bringToFront", "sendToBack", "maximize", "minimize",
                             "restore", "getfolder", "Quit"}) {
    EXPECT_EQ(api.call(std::string("Application.") + method, {"true"}), std::nullopt) << method;
  }
  MSG message;
  EXPECT_FALSE(PeekMessageA(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
}

std::string clipboard_text() {
  std::string text;
  if (!OpenClipboard(nullptr)) return "(closed)";
  if (HANDLE block = GetClipboardData(CF_TEXT)) {
    if (const char* bytes = static_cast<const char*>(GlobalLock(block))) {
      text = bytes;
      GlobalUnlock(block);
    }
  } else {
    text = "(no text)";
  }
  CloseClipboard();
  return text;
}

TEST(ApiClipboard, CopyStringThenPasteGivesTheTextBack) {
  ApiCalls api;
  const std::string text = "line one\r\nline two, 50% done (\"quoted\")";
  EXPECT_EQ(api.call("Clipboard.copyString", {b64(text)}), std::nullopt);
  EXPECT_EQ(clipboard_text(), text);
  EXPECT_EQ(api.call("Clipboard.paste"), text_result(text));
}

TEST(ApiClipboard, ClearAndAnEmptyCopyBothLeaveTheEmptyText) {
  ApiCalls api;
  api.call("Clipboard.copyString", {b64("something")});
  EXPECT_EQ(api.call("Clipboard.clear"), std::nullopt);
  EXPECT_EQ(clipboard_text(), "");
  EXPECT_EQ(api.call("Clipboard.paste"), "<string></string>");

  api.call("Clipboard.copyString", {b64("something")});
  EXPECT_EQ(api.call("Clipboard.copyString", {b64("")}), std::nullopt);
  EXPECT_EQ(clipboard_text(), "");
}

TEST(ApiClipboard, CopyAndCutLeaveTheClipboardAlone) {
  ApiCalls api;
  api.call("Clipboard.copyString", {b64("kept")});
  EXPECT_EQ(api.call("Clipboard.copy"), std::nullopt);
  EXPECT_EQ(api.call("Clipboard.cut"), std::nullopt);
  EXPECT_EQ(api.call("Clipboard.paste"), text_result("kept"));
}

TEST(ApiClipboard, PasteWithoutTextOnTheClipboardIsNull) {
  ApiCalls api;
  ASSERT_TRUE(OpenClipboard(nullptr));
  EmptyClipboard();
  CloseClipboard();
  EXPECT_EQ(api.call("Clipboard.paste"), "<null/>");
}

// Standard output sent to a file for the length of one call.
std::string traced_output(ApiCalls& api, const std::string& base64_argument) {
  char folder[MAX_PATH] = {};
  GetTempPathA(sizeof folder, folder);
  const std::string path =
      std::string(folder) + "api_trace_" + std::to_string(GetCurrentProcessId()) + ".txt";
  std::fflush(stdout);
  const int saved = _dup(_fileno(stdout));
  std::FILE* capture = std::fopen(path.c_str(), "wb");
  if (saved < 0 || !capture) return "(no capture)";
  _dup2(_fileno(capture), _fileno(stdout));
  const bridge::Result answer = api.call("Debug.trace", {base64_argument});
  std::fflush(stdout);
  _dup2(saved, _fileno(stdout));
  _close(saved);
  std::fclose(capture);
  std::string text;
  if (std::FILE* in = std::fopen(path.c_str(), "rb")) {
    char buffer[512];
    std::size_t got;
    while ((got = std::fread(buffer, 1, sizeof buffer, in)) > 0) text.append(buffer, got);
    std::fclose(in);
  }
  DeleteFileA(path.c_str());
  if (answer) text += "(answered " + *answer + ")";
  return text;
}

TEST(ApiDebug, TraceWritesTheDecodedTextAndALineEndToStandardOutput) {
  ApiCalls api;
  // Written literally: the percent signs are no format.
  const std::string out = traced_output(api, b64("frame 12: 100% %s %d"));
  // Standard output is a text stream: the line end may be stored as CR LF.
  EXPECT_TRUE(out == "frame 12: 100% %s %d\n" || out == "frame 12: 100% %s %d\r\n") << out;
  const std::string empty = traced_output(api, "");
  EXPECT_TRUE(empty == "\n" || empty == "\r\n") << empty;
}

}  // namespace
