// The program's own layer of the frame window: start-up, input routing,
// painting and shutdown. It passes what it does not handle to
// default_saver_proc (frame.h).
#pragma once

#include <windows.h>

#include <memory>
#include <string>

#include "api/api_context.h"
#include "payload/payload_reader.h"
#include "saver/saver_player.h"
#include "settings/settings.h"

namespace saver {

// One saver window's application: its payload walk, its settings and, once
// started, the player that plays the main window's movie in that window.
class SaverApp {
 public:
  // Failure codes besides the reader's own errors (100, 101, 102).
  static constexpr int kNoSettings = 4;

  SaverApp() = default;
  SaverApp(const SaverApp&) = delete;
  SaverApp& operator=(const SaverApp&) = delete;

  // Walks the program's payload into the work folder, reads the settings
  // file it holds (deleted right after, whatever the outcome; its path is
  // left in `settings_path`), writes out and loads the player library, sets
  // the player up in `window` and starts it. False when any step before the
  // player's start failed; the window then plays nothing.
  bool start(std::string& settings_path, HWND window);
  // The player is never stopped: the process exit ends it.
  void shutdown() {}

  int failure_code() const { return failure_code_; }
  const SaverSettings& settings() const { return settings_; }
  const payload::PayloadReader& reader() const { return reader_; }
  SaverPlayer* host() const { return host_.get(); }

  bool hide_mouse_cursor() const { return settings_.hide_mouse_cursor; }
  bool exit_on_mouse_move() const { return settings_.exit_on_mouse_move; }
  bool exit_on_mouse_click() const { return settings_.exit_on_mouse_click; }
  bool exit_on_key_press() const { return settings_.exit_on_key_press; }

  // WM_PAINT: copies the player's picture to the window. False without a
  // player (the caller then leaves the message to the default handling).
  bool paint();
  // Keys (WM_KEYDOWN to WM_SYSDEADCHAR) go to the movie, except Escape while
  // the frame window has the focus and the main window exits on Escape. True
  // when the movie took the message; false leaves it to the exit rules.
  bool route_keys(UINT message, WPARAM wparam, LPARAM lparam);
  // Mouse messages when their exit rule is off. With left_mouse_action
  // "flash" the movie gets left presses, releases and double clicks and the
  // moves; otherwise a left press or double click answers false (the exit
  // rules judge it). Everything else is swallowed (true).
  bool route_mouse(UINT message, WPARAM wparam, LPARAM lparam);

 private:
  SaverSettings settings_;
  // What the movie's API calls need of the saver: dialogs owned by the
  // frame window. Lives as long as the player that uses it.
  std::unique_ptr<api::ApiContext> api_context_;
  std::unique_ptr<SaverPlayer> host_;
  payload::PayloadReader reader_;
  int failure_code_ = 0;
};

// The frame window's own application; lives until the process ends.
SaverApp& main_app();

LRESULT CALLBACK saver_window_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);

}  // namespace saver
