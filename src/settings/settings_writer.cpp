#include "settings/settings_writer.h"

#include <vector>

#include "common/paths.h"
#include "payload/work_folder.h"
#include "settings/settings.h"
#include "settings/xml_writer.h"

namespace {

std::string indent(int depth) { return std::string(static_cast<size_t>(depth) * 2, ' '); }

template <typename Enumeration>
const std::string& word(const std::vector<std::string>& words, Enumeration value) {
  return words.at(static_cast<size_t>(value));
}

// One attribute per line, so that people can edit the text comfortably.
class WindowWriter {
 public:
  // Attributes sit two levels deeper than their tag; write_attribute adds one space.
  WindowWriter(XmlWriter& out, int depth)
      : out_(out), line_start_("\n" + std::string(static_cast<size_t>(depth) * 2 + 3, ' ')) {}

  template <typename Value>
  void operator()(const char* name, const Value& value) {
    out_.write_raw(line_start_);
    out_.write_attribute(name, value);
  }

 private:
  XmlWriter& out_;
  std::string line_start_;
};

void write_window(XmlWriter& out, const WindowSettings& w, int depth) {
  out.write_raw(indent(depth) + "<window");
  WindowWriter attribute(out, depth);
  if (!w.movie_path.empty()) attribute("swf", work_file_name(w.movie_path));
  attribute("window_name", w.window_name);
  attribute("window_title", w.window_title);
  if (!w.mask_path.empty()) attribute("mask", work_file_name(w.mask_path));
  attribute("window_x", w.x);
  attribute("window_y", w.y);
  attribute("window_width", w.width);
  attribute("window_height", w.height);
  attribute("window_width_percent", w.width_percent);
  attribute("window_height_percent", w.height_percent);
  attribute("window_type", word(settings_words::window_type, w.window_type));
  attribute("window_style", word(settings_words::window_style, w.window_style));
  attribute("window_size", word(settings_words::size_mode, w.size_mode));
  attribute("window_position", word(settings_words::window_position, w.centered));
  attribute("window_has_minimize", w.has_minimize);
  attribute("window_has_maximize", w.has_maximize);
  attribute("window_has_close", w.has_close);
  attribute("window_is_resizable", w.resizable);
  attribute("window_is_visible", w.visible);
  attribute("window_has_menu", w.has_menu);
  attribute("window_fullscreen", w.full_screen);
  attribute("right_mouse_action", word(settings_words::mouse_action, w.right_mouse_action));
  attribute("left_mouse_action", word(settings_words::mouse_action, w.left_mouse_action));
  attribute("exit_on_escape", w.exit_on_escape);
  attribute("use_flash_bgcolor", w.use_background_colour);
  attribute("flash_bgcolor", w.background_colour);
  attribute("flash_quality", word(settings_words::quality, w.quality));
  attribute("flash_scale", word(settings_words::scale_mode, w.scale_mode));
  attribute("flash_show_menu", w.show_menu);
  if (w.children.empty()) {
    out.write_raw("/>\n");
    return;
  }
  out.write_raw(">\n" + indent(depth + 1) + "<sub_data>\n");
  for (const auto& child : w.children) write_window(out, *child, depth + 2);
  out.write_raw(indent(depth + 1) + "</sub_data>\n" + indent(depth) + "</window>\n");
}

}  // namespace

std::string work_file_name(const std::string& path) {
  const std::string folder = work_folder::path_of("");
  if (path.size() > folder.size() && path.compare(0, folder.size(), folder) == 0) {
    return path.substr(folder.size());
  }
  return paths::file_part(path);
}

std::string settings_text(const SaverSettings& settings) {
  XmlWriter out;
  out.write_raw("<xml version=\"1.0\">\n  <windows");
  out.write_attribute("exit_on_mouse_move", settings.exit_on_mouse_move);
  out.write_attribute("exit_on_mouse_click", settings.exit_on_mouse_click);
  out.write_attribute("exit_on_key_press", settings.exit_on_key_press);
  out.write_attribute("hide_mouse_cursor", settings.hide_mouse_cursor);
  out.write_raw(">\n");
  write_window(out, settings.main_window, 2);
  out.write_raw("  </windows>\n</xml>\n");
  return out.text();
}
