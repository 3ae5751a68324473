#include <windows.h>

#include "flashhost/window_parameters.h"
#include "saver/saver_player.h"
#include "settings/settings.h"

namespace saver {

namespace {

// The saver forwards no right-button presses on its own.
bool forward_no_press(flashhost::PlayerView*, int, int) { return false; }

}  // namespace

SaverPlayer::SaverPlayer(const WindowSettings& main_window)
    : PlayerWindow(&main_window, &main_window) {}

bool SaverPlayer::set_up(HWND window) {
  if (!window) return false;
  create_view(window, false);
  view_->press_hook = forward_no_press;
  RECT client = {};
  GetClientRect(window, &client);
  flashhost::view_resize(view_, client.right - client.left, client.bottom - client.top);
  if (!create_player_instance()) return false;
  flashhost::apply_saver_window_settings(instance_->parameters, *settings_);
  return true;
}

}  // namespace saver
