#include "flashhost/window_parameters.h"

#include "common/paths.h"
#include "payload/work_folder.h"
#include "settings/settings.h"

namespace flashhost {

namespace {

void apply_looks(ParameterList& parameters, const WindowSettings& window) {
  if (window.use_background_colour) {
    parameters.set("bgcolor", format_bgcolor(static_cast<uint32_t>(window.background_colour)));
  }
  if (const char* quality = quality_parameter(static_cast<int>(window.quality))) {
    parameters.set("quality", quality);
  }
  parameters.set("menu", window.show_menu ? "true" : "false");
  if (const char* scale = scale_parameter(static_cast<int>(window.scale_mode))) {
    parameters.set("scale", scale);
  }
}

}  // namespace

void apply_window_settings(ParameterList& parameters, const WindowSettings& window) {
  if (!window.movie_path.empty() && paths::exists(window.movie_path)) {
    parameters.set("src", window.movie_path);
  }
  if (window.window_type == WindowType::transparent) parameters.set("wmode", "transparent");
  apply_looks(parameters, window);
}

void apply_saver_window_settings(ParameterList& parameters, const WindowSettings& window) {
  if (!window.movie_path.empty()) {
    std::string movie = work_folder::path_of(paths::file_part(window.movie_path));
    if (paths::exists(movie)) parameters.set("src", movie);
  }
  apply_looks(parameters, window);
}

}  // namespace flashhost
