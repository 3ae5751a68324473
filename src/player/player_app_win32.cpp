#include "api/http_client.h"
#include "api/namespaces.h"
#include "api/window_host.h"
#include "bridge/windowed_start.h"
#include "flashhost/library_files.h"
#include "flashhost/player_library.h"
#include "player/player_app.h"

namespace player {

void install_window_api(flashhost::PlayerWindow& window, flashhost::PlayerWindowSet& windows,
                        std::vector<std::unique_ptr<api::ApiContext>>& contexts) {
  contexts.push_back(std::make_unique<WindowOwnerContext>(window));
  api::install_namespaces(window.dispatcher(), *contexts.back());
  api::install_window_namespaces(window, windows);
}

int run_player(const std::string& settings_path) {
  SaverSettings settings;
  if (!bridge::prepare_windowed_start(settings_path, settings, bridge::show_error_box)) {
    return kExitSettings;
  }

  // The movie's http:// and https:// URLs are fetched by the API's client.
  api::install_http_client();
  std::string failure;
  flashhost::PlayerLibrary* library =
      flashhost::PlayerLibrary::load(flashhost::extract_player_library(), failure);
  if (!library) return kExitLibrary;
  flashhost::set_current_library(library);
  if (flashhost::register_player_class() != 0) return kExitWindow;

  std::vector<std::unique_ptr<api::ApiContext>> contexts;
  // Windows and instances are never torn down one by one: the process exit
  // ends them, as it ends the library.
  flashhost::PlayerWindowSet* windows = nullptr;
  windows = new flashhost::PlayerWindowSet(settings.main_window,
                                           [&windows, &contexts](flashhost::PlayerWindow& window) {
                                             install_window_api(window, *windows, contexts);
                                           });
  flashhost::PlayerWindowSet& set = *windows;

  bool created = false;
  flashhost::PlayerWindow* main = set.open(settings.main_window.window_name, true, created);
  if (!main || !created) return kExitWindow;
  // A modal main window has already run and ended.
  if (!main->is_modal()) {
    if (settings.main_window.visible) ShowWindow(main->window(), SW_SHOW);
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
      TranslateMessage(&message);
      DispatchMessageA(&message);
    }
  }
  return kExitDone;
}

}  // namespace player
