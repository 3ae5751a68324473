// The saver variant of the player window object: bound to a saver window (the
// frame window or a secondary monitor's window) instead of a player window of
// its own. The saver window's procedures route the messages; this object only
// draws, starts and receives events.
#pragma once

#include <windows.h>

#include "flashhost/player_window.h"

struct WindowSettings;

namespace saver {

class SaverPlayer : public flashhost::PlayerWindow {
 public:
  // `main_window` is the main window record of the saver's settings; it must
  // outlive the player.
  explicit SaverPlayer(const WindowSettings& main_window);

  // An opaque view of the window's client size drawn through a memory DC, a
  // press hook that forwards nothing, and an instance with the main window's
  // "src" (from the work folder), "bgcolor", "quality", "menu" and "scale".
  // The window keeps its own procedure. False without a window or instance.
  bool set_up(HWND window) override;
};

}  // namespace saver
