// Process entry of the windowed player: walks its own payload into the work
// folder, plays the movie in windows until the main window closes or Escape
// ends it, then cleans the work folder up.
#include <windows.h>

#include <string>

#include "common/paths.h"
#include "flashhost/library_files.h"
#include "payload/payload_reader.h"
#include "payload/work_folder.h"
#include "player/player_app.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  work_folder::set_name(work_folder::default_name());
  work_folder::create();
  // A program without a payload plays nothing in a window of the defaults.
  std::string settings_path;
  static payload::PayloadReader* reader = new payload::PayloadReader;
  if (reader->open(paths::program_path()) && reader->read_table()) {
    reader->settings_path(settings_path);
  }
  const int code = player::run_player(settings_path);
  flashhost::delete_work_folder();
  ExitProcess(static_cast<UINT>(code));
}
