// The calls a player window makes into its movie when something happens to
// the window. Arguments travel as variants: texts plain (no Base64), numbers
// as 32-bit integers. Results are not wanted.
#pragma once

#include <cstdint>
#include <string>

#include "bridge/dispatcher.h"

namespace bridge {

// Kinds of a size message (its wParam).
constexpr uint32_t kSizeRestored = 0;
constexpr uint32_t kSizeMinimized = 1;
constexpr uint32_t kSizeMaximized = 2;

// A move message: "onWindowPosition" with the low and high 16 bits of
// `packed_position` (its lParam), both unsigned, so a position left of or
// above the origin arrives as 65536 minus its distance.
void send_window_moved(MovieCaller& movie, uint32_t packed_position);

// A size message: first the kind's own event ("onWindowRestore",
// "onWindowMinimize" or "onWindowMaximize"; none for other kinds), then,
// when the window has a plug-in view, "onWindowResize" with the width and
// height from the low and high 16 bits of `packed_size`. The caller resizes
// the view afterwards.
void send_window_sized(MovieCaller& movie, uint32_t kind, uint32_t packed_size, bool has_view);

// A command for an item of one of the window's menus: "onMenuCommand" with
// the menu's name and the item's name (NUL-terminated for the plug-in).
void send_menu_command(MovieCaller& movie, const std::string& menu_name,
                       const std::string& item_name);

// Right after the window's plug-in instance has been started.
void send_api_init_finished(MovieCaller& movie);

}  // namespace bridge
