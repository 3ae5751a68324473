// A dispatcher with this module's namespaces installed, a context that
// records the machine-wide actions instead of doing them, and helpers that
// find and answer the modal dialogs a call shows.
#pragma once

#include <windows.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "api/namespaces.h"
#include "bridge/base64.h"
#include "bridge/dispatcher.h"

namespace api_testing {

class QuietHost : public bridge::DispatcherHost {
 public:
  void call_movie(const char*, const NPVariant*, uint32_t) override {}
  bool load_url_data(const std::string&, const char*, std::size_t, std::string&) override {
    return false;
  }
  std::string main_window_name() override { return "MainWindow"; }
  std::vector<std::string> child_window_names() override { return {}; }
};

// Never restarts, shuts down, suspends, opens a CD tray or starts a browser:
// it writes down what it was asked. Launching can be let through to the
// real shell for programs the test controls.
class RecordingContext : public api::ApiContext {
 public:
  std::vector<std::string> actions;
  bool answer = true;
  bool really_launch = false;

  void* owner_window() override { return owner; }
  bool exit_windows(unsigned flags) override {
    actions.push_back("exit " + std::to_string(flags));
    return answer;
  }
  bool suspend_machine() override {
    actions.push_back("suspend");
    return answer;
  }
  bool send_mci_command(const std::string& command) override {
    actions.push_back("mci " + command);
    return answer;
  }
  bool shell_execute(const std::string& target, bool open_verb, int show_command) override {
    actions.push_back(std::string(open_verb ? "open " : "default ") + target + " " +
                      std::to_string(show_command));
    if (really_launch) return ApiContext::shell_execute(target, open_verb, show_command);
    return answer;
  }

  HWND owner = nullptr;
};

// One API host: call texts in, result texts out.
class ApiCalls {
 public:
  ApiCalls() : dispatcher_(host_) { api::install_namespaces(dispatcher_, context); }

  // A call with its argument texts as the movie sends them (texts already
  // Base64 where the method wants Base64).
  bridge::Result call(const std::string& name, std::vector<std::string> arguments = {}) {
    bridge::OwnedArguments owned(std::move(arguments));
    return dispatcher_.dispatch(name, owned.list());
  }

  RecordingContext context;

 private:
  QuietHost host_;
  bridge::Dispatcher dispatcher_;
};

inline std::string b64(const std::string& text) { return bridge::base64_encode(text); }
inline std::string text_result(const std::string& text) {
  return "<string>" + b64(text) + "</string>";
}
inline std::string windows_path(const std::string& unix_path) {
  std::string path = "Z:" + unix_path;
  for (char& c : path) {
    if (c == '/') c = '\\';
  }
  return path;
}

inline BOOL CALLBACK take_visible_dialog(HWND window, LPARAM out) {
  char name[32] = {};
  GetClassNameA(window, name, sizeof name);
  if (std::string(name) == "#32770" && IsWindowVisible(window)) {
    *reinterpret_cast<HWND*>(out) = window;
    return FALSE;
  }
  return TRUE;
}

// The first visible dialog (class "#32770") of `thread`, waiting up to
// `timeout_ms` for it; null when none appears.
inline HWND wait_for_dialog(DWORD thread, int timeout_ms = 5000) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
  while (std::chrono::steady_clock::now() < deadline) {
    HWND found = nullptr;
    EnumThreadWindows(thread, take_visible_dialog, reinterpret_cast<LPARAM>(&found));
    if (found) return found;
    Sleep(20);
  }
  return nullptr;
}

inline std::string window_text(HWND window) {
  char text[1024] = {};
  GetWindowTextA(window, text, sizeof text);
  return text;
}

// Presses a dialog's button as a click would tell it.
inline void press(HWND dialog, int button) {
  PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED),
               reinterpret_cast<LPARAM>(GetDlgItem(dialog, button)));
}

// Runs `answer` on a thread of its own with the dialog that the calling
// thread shows next (null when none appeared in time). Join before looking
// at what it recorded.
class DialogAnswerer {
 public:
  explicit DialogAnswerer(std::function<void(HWND)> answer)
      : thread_([answer, caller = GetCurrentThreadId()] { answer(wait_for_dialog(caller)); }) {}
  ~DialogAnswerer() {
    if (thread_.joinable()) thread_.join();
  }
  void join() { thread_.join(); }

 private:
  std::thread thread_;
};

}  // namespace api_testing
