// The windowed start's first steps, before any player window: the movie
// functions get their identifiers, and the settings text the payload handed
// over is read and deleted. A failed read is shown in an error box and ends
// the start.
#pragma once

#include <cstdint>
#include <string>

struct SaverSettings;

namespace bridge {

// The string resource that holds the error box's caption ("Error").
constexpr unsigned kErrorCaptionResource = 104;

struct ErrorBox {
  bool caption_from_resource = false;  // caption is string resource 104
  std::string caption;                 // the caption to use otherwise (and the
                                       // resource's text when it is missing)
  std::string text;
};

// The box for settings that failed to read: the reader's message under the
// "Error" caption when there is one, else "invalid settings: <code>" under
// "error".
ErrorBox settings_error_box(const std::string& reader_message, int32_t settings_error);

// Shows a box; the Win32 version is show_error_box (windowed_start_win32.cpp).
using ErrorBoxShower = void (*)(const ErrorBox& box);

// Registers the movie functions, then reads `settings_path` into `settings`
// when a path is given and deletes the file whether reading succeeded or
// not. False, after `show` has shown the settings error, when reading
// failed; the start must then end.
bool prepare_windowed_start(const std::string& settings_path, SaverSettings& settings,
                            ErrorBoxShower show);

#if defined(_WIN32)
// A task-modal message box without owner, with the stop icon and an OK
// button; the caption comes from the program's string resource 104 when
// asked for.
void show_error_box(const ErrorBox& box);
#endif

}  // namespace bridge
