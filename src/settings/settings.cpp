#include "settings/settings.h"

#include "media/swf_header.h"
#include "payload/work_folder.h"
#include "settings/xml_document.h"

namespace settings_words {
const std::vector<std::string> window_type = {"standard", "mask", "transparent"};
const std::vector<std::string> window_style = {"normal", "modal", "tool", "noborder"};
const std::vector<std::string> size_mode = {"custom", "swf_size", "screen_percent"};
const std::vector<std::string> window_position = {"custom", "center"};
const std::vector<std::string> mouse_action = {"drag", "flash", "ignore", "custom_menu"};
const std::vector<std::string> quality = {"low", "auto_low", "auto_high", "medium", "high", "best"};
const std::vector<std::string> scale_mode = {"show_all", "no_border", "exact_fit"};

int find(const std::vector<std::string>& words, const std::string& word) {
  for (size_t i = 0; i < words.size(); ++i) {
    if (words[i] == word) return static_cast<int>(i);
  }
  return -1;
}
}  // namespace settings_words

namespace {

bool is_named(const XmlNode& node, const char* name) {
  std::string node_name;
  return node.name(node_name) && node_name == name;
}

// Readers for one attribute each; an absent attribute leaves the field alone.
class AttributeReader {
 public:
  explicit AttributeReader(const XmlAttributes& attributes) : attributes_(attributes) {}

  void text(const char* name, std::string& field) const {
    std::unique_ptr<XmlAttribute> a;
    if (attributes_.get(name, a)) field = a->value_string();
  }

  // A file name stored as its path in the work folder. An empty value means
  // no file rather than the work folder itself.
  void work_file(const char* name, std::string& field) const {
    std::unique_ptr<XmlAttribute> a;
    if (!attributes_.get(name, a)) return;
    const std::string value = a->value_string();
    field = value.empty() ? std::string() : work_folder::path_of(value);
  }

  void integer(const char* name, int32_t& field) const {
    std::unique_ptr<XmlAttribute> a;
    if (attributes_.get(name, a)) field = a->value_int(field);
  }

  void flag(const char* name, bool& field) const {
    std::unique_ptr<XmlAttribute> a;
    if (attributes_.get(name, a)) field = a->value_bool();
  }

  // A word outside the table leaves the field unchanged.
  template <typename Enumeration>
  void word(const char* name, const std::vector<std::string>& words, Enumeration& field) const {
    std::unique_ptr<XmlAttribute> a;
    if (!attributes_.get(name, a)) return;
    const int index = settings_words::find(words, a->value_string());
    if (index >= 0) field = static_cast<Enumeration>(index);
  }

 private:
  const XmlAttributes& attributes_;
};

void read_window_attributes(const XmlAttributes& attributes, WindowSettings& w) {
  const AttributeReader read(attributes);
  read.work_file("swf", w.movie_path);
  read.text("window_name", w.window_name);
  read.text("window_title", w.window_title);
  read.work_file("mask", w.mask_path);
  read.integer("window_x", w.x);
  read.integer("window_y", w.y);
  read.integer("window_width", w.width);
  read.integer("window_height", w.height);
  read.integer("window_width_percent", w.width_percent);
  read.integer("window_height_percent", w.height_percent);
  read.word("window_type", settings_words::window_type, w.window_type);
  read.word("window_style", settings_words::window_style, w.window_style);
  read.word("window_size", settings_words::size_mode, w.size_mode);
  read.word("window_position", settings_words::window_position, w.centered);
  read.flag("window_has_minimize", w.has_minimize);
  read.flag("window_has_maximize", w.has_maximize);
  read.flag("window_has_close", w.has_close);
  read.flag("window_is_resizable", w.resizable);
  read.flag("window_is_visible", w.visible);
  read.flag("window_has_menu", w.has_menu);
  read.flag("window_fullscreen", w.full_screen);
  read.word("right_mouse_action", settings_words::mouse_action, w.right_mouse_action);
  read.word("left_mouse_action", settings_words::mouse_action, w.left_mouse_action);
  read.flag("exit_on_escape", w.exit_on_escape);
  read.flag("use_flash_bgcolor", w.use_background_colour);
  read.integer("flash_bgcolor", w.background_colour);
  read.word("flash_quality", settings_words::quality, w.quality);
  read.word("flash_scale", settings_words::scale_mode, w.scale_mode);
  read.flag("flash_show_menu", w.show_menu);
}

bool equal_ignoring_case(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    char x = a[i], y = b[i];
    if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
    if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
    if (x != y) return false;
  }
  return true;
}

}  // namespace

WindowSettings::WindowSettings() { reset(); }

void WindowSettings::reset() {
  movie_path.clear();
  window_name.clear();
  window_title = "Window";
  mask_path.clear();
  x = 20;
  y = 60;
  width = 320;
  height = 240;
  width_percent = 100;
  height_percent = 100;
  window_type = WindowType::standard;
  window_style = WindowStyle::normal;
  size_mode = SizeMode::swf_size;
  centered = WindowPosition::custom;
  has_minimize = true;
  has_maximize = true;
  has_close = true;
  resizable = false;
  visible = false;
  has_menu = false;
  full_screen = false;
  right_mouse_action = MouseAction::flash;
  left_mouse_action = MouseAction::flash;
  exit_on_escape = true;
  use_background_colour = false;
  background_colour = 0;
  quality = Quality::high;
  scale_mode = ScaleMode::show_all;
  show_menu = true;
  movie_width = 100;
  movie_height = 100;
  children.clear();
  window_index = 0;
}

WindowSettings* WindowSettings::add_child() {
  children.push_back(std::make_unique<WindowSettings>());
  WindowSettings* child = children.back().get();
  child->parent = this;
  return child;
}

bool WindowSettings::parse_window(const XmlNode& element, int32_t& next_index, int depth) {
  if (depth > kMaxWindowDepth) return false;
  window_index = next_index++;
  std::unique_ptr<XmlAttributes> attributes;
  if (element.attributes(attributes)) read_window_attributes(*attributes, *this);

  std::unique_ptr<XmlNodeList> element_children;
  if (!element.children(element_children)) return true;
  const long count = element_children->length();
  for (long i = 0; i < count; ++i) {
    std::unique_ptr<XmlNode> sub_data;
    if (!element_children->item(i, sub_data) || !is_named(*sub_data, "sub_data")) continue;
    std::unique_ptr<XmlNodeList> windows;
    if (!sub_data->children(windows)) continue;
    const long window_count = windows->length();
    for (long k = 0; k < window_count; ++k) {
      std::unique_ptr<XmlNode> window;
      if (!windows->item(k, window) || !is_named(*window, "window")) continue;
      // Checked before the child exists, so a refused level leaves no record.
      if (depth + 1 > kMaxWindowDepth) return false;
      if (!add_child()->parse_window(*window, next_index, depth + 1)) return false;
    }
  }
  return true;
}

bool WindowSettings::set_movie(const std::string& path) {
  int frame_width = 0, frame_height = 0;
  if (!media::swf_frame_size(path, frame_width, frame_height)) return false;
  movie_width = frame_width;
  movie_height = frame_height;
  if (!equal_ignoring_case(path, movie_path)) movie_path = path;
  set_size_mode(size_mode);
  return true;
}

void WindowSettings::set_size_mode(SizeMode mode) {
  size_mode = mode;
  if (mode == SizeMode::swf_size) {
    width = movie_width;
    height = movie_height;
  }
}

WindowSettings* WindowSettings::find_window(const std::string& name) {
  if (window_name == name) return this;
  for (const auto& child : children) {
    if (child->window_name == name) return child.get();
  }
  return nullptr;
}

SaverSettings::SaverSettings() { reset(); }

void SaverSettings::reset() {
  main_window.reset();
  main_window.window_name = "MainWindow";
  main_window.visible = true;
  hide_mouse_cursor = true;
  settings_error = 0;
  exit_on_mouse_move = true;
  exit_on_mouse_click = true;
  exit_on_key_press = true;
}

bool SaverSettings::load_settings(const std::string& path) {
  std::unique_ptr<XmlDocument> document = create_platform_document();
  return load_settings(path, *document);
}

bool SaverSettings::load_settings(const std::string& path, XmlDocument& document) {
  settings_error = 0;
  if (!document.load(path)) {
    settings_error = 1;
    return false;
  }
  return read_document(document);
}

bool SaverSettings::read_document(const XmlDocument& document) {
  settings_error = 0;
  int32_t next_index = 0;
  std::unique_ptr<XmlNode> top;
  if (!document.first_child(top)) {
    settings_error = 2;
    return false;
  }
  std::unique_ptr<XmlNodeList> top_children;
  if (!top->children(top_children)) {
    settings_error = 3;
    return false;
  }
  const long count = top_children->length();
  for (long i = 0; i < count; ++i) {
    std::unique_ptr<XmlNode> windows;
    if (!top_children->item(i, windows) || !is_named(*windows, "windows")) continue;
    std::unique_ptr<XmlAttributes> attributes;
    if (windows->attributes(attributes)) read_saver_attributes(*attributes);
    std::unique_ptr<XmlNodeList> windows_children;
    if (!windows->children(windows_children)) continue;
    const long window_count = windows_children->length();
    for (long k = 0; k < window_count; ++k) {
      std::unique_ptr<XmlNode> window;
      if (!windows_children->item(k, window) || !is_named(*window, "window")) continue;
      // Every "window" at this level writes into the main window itself.
      if (!main_window.parse_window(*window, next_index)) {
        settings_error = 8;
        return false;
      }
    }
  }
  return true;
}

void SaverSettings::read_saver_attributes(const XmlAttributes& attributes) {
  const AttributeReader read(attributes);
  read.flag("exit_on_mouse_move", exit_on_mouse_move);
  read.flag("exit_on_mouse_click", exit_on_mouse_click);
  read.flag("exit_on_key_press", exit_on_key_press);
  read.flag("hide_mouse_cursor", hide_mouse_cursor);
}

const char* settings_error_text(int32_t settings_error) {
  switch (settings_error) {
    case 0:
      return "no error";
    case 1:
      return "the settings file cannot be loaded as XML";
    case 2:
      return "the settings document has no first node";
    case 3:
      return "the first node of the settings has no children (the text must begin with "
             "<xml version=\"1.0\">, with nothing before it: no declaration, comment or "
             "processing instruction)";
    case 8:
      return "a window element failed to parse (windows nested deeper than 64 levels)";
    default:
      return "unknown settings error";
  }
}
