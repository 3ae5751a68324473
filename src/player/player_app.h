// The windowed player: plays the payload's movie in player windows made from
// the window records of its settings, with the desktop API offered to the
// movie. Authors use it to try a movie in a window.
#pragma once

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "api/api_context.h"
#include "flashhost/player_window_types.h"
#include "settings/settings.h"

namespace player {

// Exit codes of the program.
constexpr int kExitDone = 0;
constexpr int kExitSettings = 1;  // the settings could not be read (a box said so)
constexpr int kExitLibrary = 2;   // the player library did not load
constexpr int kExitWindow = 3;    // no player window class, or no main window

// The owner of a window's dialogs is that window.
class WindowOwnerContext : public api::ApiContext {
 public:
  explicit WindowOwnerContext(flashhost::PlayerWindow& window) : window_(window) {}
  void* owner_window() override { return window_.window(); }

 private:
  flashhost::PlayerWindow& window_;
};

// Installs every API namespace into a new window's dispatcher, the Window
// namespace over `windows`; `contexts` keeps the windows' API contexts.
void install_window_api(flashhost::PlayerWindow& window, flashhost::PlayerWindowSet& windows,
                        std::vector<std::unique_ptr<api::ApiContext>>& contexts);

// The whole program after the payload walk: names, settings (the file at
// `settings_path` is deleted; empty when the payload had none), library,
// class, main window, message loop. Answers the exit code.
int run_player(const std::string& settings_path);

}  // namespace player
