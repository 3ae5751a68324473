#include "bridge/windowed_start.h"

#include "bridge/identifiers.h"
#include "bridge/invoke_protocol.h"
#include "common/paths.h"
#include "settings/settings.h"

namespace bridge {

ErrorBox settings_error_box(const std::string& reader_message, int32_t settings_error) {
  ErrorBox box;
  if (!reader_message.empty()) {
    box.caption_from_resource = true;
    box.caption = "Error";
    box.text = reader_message;
  } else {
    box.caption = "error";
    box.text = format_text("invalid settings: %d", static_cast<int>(settings_error));
  }
  return box;
}

bool prepare_windowed_start(const std::string& settings_path, SaverSettings& settings,
                            ErrorBoxShower show) {
  register_movie_functions();
  if (settings_path.empty()) return true;
  const bool read = settings.load_settings(settings_path);
  paths::delete_file(settings_path);
  if (read) return true;
  // The settings reader keeps no message text of its own: the error code
  // tells what went wrong.
  if (show) show(settings_error_box(std::string(), settings.settings_error));
  return false;
}

}  // namespace bridge
