// The program's layer of the frame window. At creation it makes the work
// folder, walks the payload into it and reads the settings; at destruction it
// cleans the work folder up. Input passes on to the exit rules.
#include <windows.h>

#include "common/paths.h"
#include "flashhost/library_files.h"
#include "payload/work_folder.h"
#include "saver/frame.h"
#include "saver/saver_app.h"

namespace saver {

bool SaverApp::start(std::string& settings_path, HWND window) {
  (void)window;
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
  return true;
}

namespace {

// The frame window's own application; lives until the process ends.
SaverApp& main_app() {
  static SaverApp* app = new SaverApp;
  return *app;
}

void start_up(HWND window) {
  work_folder::set_name(work_folder::default_name());
  work_folder::create();
  std::string settings_path = work_folder::path_of("fp.dat");
  main_app().start(settings_path, window);
  if (!frame.preview) ShowCursor(main_app().settings().hide_mouse_cursor ? FALSE : TRUE);
}

}  // namespace

LRESULT CALLBACK saver_window_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_CREATE:
      start_up(window);
      break;
    case WM_DESTROY:
      main_app().shutdown();
      flashhost::delete_work_folder();
      PostQuitMessage(0);
      break;
    case WM_ERASEBKGND:
      // Never erased: without a picture the window keeps what the screen showed.
      return 1;
    default:
      break;
  }
  return default_saver_proc(window, message, wparam, lparam);
}

}  // namespace saver
