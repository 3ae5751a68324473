// The parameters a window's settings add to its instance, after the
// defaults. Portable.
#pragma once

#include "flashhost/player_parameters.h"

struct WindowSettings;

namespace flashhost {

// A player window made from a window record: "src" (the movie's full path,
// only if the file exists), "wmode" "transparent" for a transparent window,
// "bgcolor" (only when the record asks for it), "quality", "menu", "scale".
void apply_window_settings(ParameterList& parameters, const WindowSettings& window);

// The screen saver's player in its frame window: "src" (the movie's file
// name placed in the work folder, only if that file exists), "bgcolor" (when
// asked for), "quality", "menu", "scale". The window type is not used.
void apply_saver_window_settings(ParameterList& parameters, const WindowSettings& window);

}  // namespace flashhost
