// The program's own layer of the frame window: start-up, input routing,
// painting and shutdown. It passes what it does not handle to
// default_saver_proc (frame.h).
#pragma once

#include <windows.h>

#include <string>

#include "payload/payload_reader.h"
#include "settings/settings.h"

namespace saver {

// One saver window's application: its payload walk and its settings. The
// player is not set up yet, so a started app plays nothing and every input
// reaches the exit rules.
class SaverApp {
 public:
  // Failure codes besides the reader's own errors.
  static constexpr int kNoSettings = 4;

  // Walks the program's payload into the work folder and reads the settings
  // file it holds (which is deleted right after, whatever the outcome).
  bool start(std::string& settings_path, HWND window);
  void shutdown() {}

  int failure_code() const { return failure_code_; }
  const SaverSettings& settings() const { return settings_; }
  const payload::PayloadReader& reader() const { return reader_; }

 private:
  SaverSettings settings_;
  payload::PayloadReader reader_;
  int failure_code_ = 0;
};

LRESULT CALLBACK saver_window_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);

}  // namespace saver
