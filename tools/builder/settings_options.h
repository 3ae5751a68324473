// The builder's settings: options that write the settings text, so that
// authors need not write XML, and the check of a hand-written settings file,
// read the way the saver will read it.
//
//   --movie NAME  --title TEXT  --quality WORD  --scale WORD  --bgcolor RRGGBB
//   --left-mouse WORD  --right-mouse WORD  --[no-]menu  --[no-]exit-on-escape
//   --[no-]exit-on-mouse-move  --[no-]exit-on-mouse-click  --[no-]exit-on-key-press
//   --[no-]hide-cursor
#pragma once

#include <string>
#include <vector>

#include "builder/build.h"

namespace saverbuild {

// Reads a settings option at args[index]. Answers how many arguments it used
// (1, or 2 with a separate value), 0 when args[index] is no settings option,
// -1 with `error` set when the option is wrong. The choices collect in
// request.settings_text.
int parse_settings_option(const std::vector<std::string>& args, size_t index, BuildRequest& request,
                          std::string& error);

// The settings options' lines for the help text.
std::string settings_options_usage();

// After the command line, without a settings file: writes the settings text
// from the options (all defaults without any), the main window playing
// --movie or else the first movie file given on its own.
void complete_settings(BuildRequest& request);

// Reads the settings text (the file, or the written one) the way the saver
// will: refuses a text the saver would reject, a main movie that is not one
// of the movie files given on their own, and masks or further movies that the
// saver does not carry. One line in `error`.
bool check_settings(const BuildRequest& request, std::string& error);

// The names the inputs are extracted under: a file's name, "folder/file" for
// the files of a folder input.
std::vector<std::string> carried_names(const std::vector<std::string>& inputs);

}  // namespace saverbuild
