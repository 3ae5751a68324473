#include "bridge/window_events.h"

namespace bridge {

namespace {

void send_pair(MovieCaller& movie, const char* function, uint32_t packed) {
  const NPVariant arguments[2] = {int32_variant(static_cast<int32_t>(packed & 0xFFFF)),
                                  int32_variant(static_cast<int32_t>(packed >> 16))};
  movie.call_movie(function, arguments, 2);
}

}  // namespace

void send_window_moved(MovieCaller& movie, uint32_t packed_position) {
  send_pair(movie, "onWindowPosition", packed_position);
}

void send_window_sized(MovieCaller& movie, uint32_t kind, uint32_t packed_size, bool has_view) {
  if (kind == kSizeRestored) movie.call_movie("onWindowRestore", nullptr, 0);
  if (kind == kSizeMinimized) movie.call_movie("onWindowMinimize", nullptr, 0);
  if (kind == kSizeMaximized) movie.call_movie("onWindowMaximize", nullptr, 0);
  if (has_view) send_pair(movie, "onWindowResize", packed_size);
}

void send_menu_command(MovieCaller& movie, const std::string& menu_name,
                       const std::string& item_name) {
  const NPVariant arguments[2] = {string_variant(menu_name), string_variant(item_name)};
  movie.call_movie("onMenuCommand", arguments, 2);
}

void send_api_init_finished(MovieCaller& movie) { movie.call_movie("apiInitFinished", nullptr, 0); }

}  // namespace bridge
