// The program's layer of the frame window. At creation it gives further
// monitors their own savers, makes the work folder, walks the payload into it,
// reads the settings and starts the movie windowless in the frame window; it
// routes input to the movie or to the exit rules as the settings say, paints
// the movie, and cleans the work folder up at destruction.
#include <windows.h>

#include "api/http_client.h"
#include "api/namespaces.h"
#include "bridge/identifiers.h"
#include "common/paths.h"
#include "flashhost/library_files.h"
#include "flashhost/player_library.h"
#include "payload/work_folder.h"
#include "saver/frame.h"
#include "saver/monitor_windows.h"
#include "saver/saver_app.h"

namespace saver {

namespace {

HCURSOR arrow_cursor() { return LoadCursorA(nullptr, MAKEINTRESOURCEA(32512)); }  // IDC_ARROW

// The pointer over the movie when the settings keep it visible; the frame's
// own layers keep hiding it otherwise.
void show_pointer_if_wanted(const SaverApp& app) {
  if (!frame.preview && !app.hide_mouse_cursor()) SetCursor(arrow_cursor());
}

bool is_key_message(UINT message) { return message >= WM_KEYDOWN && message <= WM_SYSDEADCHAR; }

bool is_button_message(UINT message) {
  return message >= WM_LBUTTONDOWN && message <= WM_MBUTTONDBLCLK;
}

}  // namespace

bool SaverApp::start(std::string& settings_path, HWND window) {
  failure_code_ = 0;
  if (!reader_.open(paths::program_path()) || !reader_.read_table()) {
    failure_code_ = reader_.error();
    return false;
  }
  if (!reader_.settings_path(settings_path)) {
    failure_code_ = kNoSettings;
    return false;
  }
  if (paths::exists(settings_path)) {
    bool loaded = settings_.load_settings(settings_path);
    // The settings text never stays on disk, whether it could be read or not.
    DeleteFileA(settings_path.c_str());
    if (!loaded) return false;
  }

  std::string failure;
  flashhost::PlayerLibrary* library =
      flashhost::PlayerLibrary::load(flashhost::extract_player_library(), failure);
  if (!library) return false;
  flashhost::set_current_library(library);

  // The movie functions get their identifiers, so that the events reach a
  // movie playing in the saver as they would in a window.
  bridge::register_movie_functions();

  std::unique_ptr<SaverPlayer> player(new SaverPlayer(settings_.main_window));
  if (!player->set_up(window)) return false;
  // The desktop API answers the movie; its dialogs belong to the frame
  // window, also for the players of further monitors.
  api_context_.reset(new api::FixedOwnerContext(frame.frame_window));
  api::install_namespaces(player->dispatcher(), *api_context_);
  host_ = std::move(player);
  host_->start();
  return true;
}

bool SaverApp::paint() {
  if (!host_ || !host_->view()) return false;
  host_->paint();
  show_pointer_if_wanted(*this);
  return true;
}

bool SaverApp::route_keys(UINT message, WPARAM wparam, LPARAM lparam) {
  if (!host_) return false;
  if (GetFocus() == frame.frame_window && settings_.main_window.exit_on_escape &&
      wparam == VK_ESCAPE) {
    return false;
  }
  flashhost::send_event(host_->view(), message, wparam, lparam);
  return true;
}

bool SaverApp::route_mouse(UINT message, WPARAM wparam, LPARAM lparam) {
  if (!host_ || !host_->view()) return false;
  const bool to_movie = settings_.main_window.left_mouse_action == MouseAction::flash;
  switch (message) {
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
      if (!to_movie) return false;
      flashhost::send_event(host_->view(), message, wparam, lparam);
      return true;
    case WM_LBUTTONUP:
    case WM_MOUSEMOVE:
      // The release belongs to a press the movie got; moves give it hover.
      if (to_movie) flashhost::send_event(host_->view(), message, wparam, lparam);
      return true;
    default:
      return true;
  }
}

SaverApp& main_app() {
  static SaverApp* app = new SaverApp;
  return *app;
}

namespace {

void start_up(HWND window) {
  // The movie's http:// and https:// requests are fetched over WinINet.
  api::install_http_client();
  monitor_set().create(window);
  work_folder::set_name(work_folder::default_name());
  work_folder::create();
  std::string settings_path = work_folder::path_of("fp.dat");
  main_app().start(settings_path, window);
  if (!frame.preview) {
    ShowCursor(main_app().hide_mouse_cursor() ? FALSE : TRUE);
    show_pointer_if_wanted(main_app());
  }
}

void shut_down() {
  main_app().shutdown();
  flashhost::delete_work_folder();
  PostQuitMessage(0);
}

// Input reaches the movie only in a full-screen run: the preview in the
// Display control panel is never interactive.
bool routes_input() { return !frame.preview; }

}  // namespace

LRESULT CALLBACK saver_window_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  SaverApp& app = main_app();
  switch (message) {
    case WM_CREATE:
      start_up(window);
      break;
    case WM_DESTROY:
      shut_down();
      break;
    case WM_PAINT:
      if (app.host() && app.paint()) return 1;
      break;
    case WM_ERASEBKGND:
      // Never erased: without a picture the window keeps what the screen showed.
      return 1;
    case WM_SETCURSOR:
      if (app.host() && !frame.preview && !app.hide_mouse_cursor()) {
        SetCursor(arrow_cursor());
        return 1;
      }
      break;
    case WM_MOUSEMOVE:
      if (!app.exit_on_mouse_move() && routes_input() && app.route_mouse(message, wparam, lparam))
        return 1;
      break;
    case WM_MOUSEWHEEL:
    case WM_MOUSEHOVER:
    case WM_MOUSELEAVE:
      if (routes_input() && app.route_mouse(message, wparam, lparam)) return 1;
      break;
    default:
      if (is_key_message(message)) {
        if (!app.exit_on_key_press() && routes_input() && app.route_keys(message, wparam, lparam))
          return 1;
      } else if (is_button_message(message)) {
        if (!app.exit_on_mouse_click() && routes_input() &&
            app.route_mouse(message, wparam, lparam))
          return 1;
      }
      break;
  }
  return default_saver_proc(window, message, wparam, lparam);
}

}  // namespace saver
