// The saver-level flags and the per-window settings that a settings text
// fills, with their defaults and the words of every enumeration.
//
// The text: <xml version="1.0"><windows ...saver flags...><window ...>
// [<sub_data><window .../>...</sub_data>]</window></windows></xml>
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class XmlAttributes;
class XmlDocument;
class XmlNode;

enum class WindowType { standard = 0, mask = 1, transparent = 2 };
enum class WindowStyle { normal = 0, modal = 1, tool = 2, noborder = 3 };
enum class SizeMode { custom = 0, swf_size = 1, screen_percent = 2 };
enum class WindowPosition { custom = 0, center = 1 };
enum class MouseAction { drag = 0, flash = 1, ignore = 2, custom_menu = 3 };
enum class Quality { low = 0, auto_low = 1, auto_high = 2, medium = 3, high = 4, best = 5 };
enum class ScaleMode { show_all = 0, no_border = 1, exact_fit = 2 };

// The attribute words of each enumeration, indexed by value.
namespace settings_words {
extern const std::vector<std::string> window_type;
extern const std::vector<std::string> window_style;
extern const std::vector<std::string> size_mode;
extern const std::vector<std::string> window_position;
extern const std::vector<std::string> mouse_action;
extern const std::vector<std::string> quality;
extern const std::vector<std::string> scale_mode;
// The index of a word (exact, case-sensitive), or -1.
int find(const std::vector<std::string>& words, const std::string& word);
}  // namespace settings_words

// The deepest window nesting a settings text may hold: the main window is
// level 1, each "sub_data" adds one. Deeper texts fail with settings error 8.
constexpr int kMaxWindowDepth = 64;

struct WindowSettings {
  WindowSettings();
  WindowSettings(const WindowSettings&) = delete;
  WindowSettings& operator=(const WindowSettings&) = delete;

  std::string movie_path;          // "swf", a path in the work folder
  std::string window_name;         // "window_name"
  std::string window_title;        // "window_title"
  std::string mask_path;           // "mask", a path in the work folder
  int32_t x;                       // "window_x"
  int32_t y;                       // "window_y"
  int32_t width;                   // "window_width"
  int32_t height;                  // "window_height"
  int32_t width_percent;           // "window_width_percent"
  int32_t height_percent;          // "window_height_percent"
  WindowType window_type;          // "window_type"
  WindowStyle window_style;        // "window_style"
  SizeMode size_mode;              // "window_size"
  WindowPosition centered;         // "window_position"
  bool has_minimize;               // "window_has_minimize"
  bool has_maximize;               // "window_has_maximize"
  bool has_close;                  // "window_has_close"
  bool resizable;                  // "window_is_resizable"
  bool visible;                    // "window_is_visible"
  bool has_menu;                   // "window_has_menu"
  bool full_screen;                // "window_fullscreen"
  MouseAction right_mouse_action;  // "right_mouse_action"
  MouseAction left_mouse_action;   // "left_mouse_action"
  bool exit_on_escape;             // "exit_on_escape"
  bool use_background_colour;      // "use_flash_bgcolor"
  int32_t background_colour;       // "flash_bgcolor", 0x00BBGGRR
  Quality quality;                 // "flash_quality"
  ScaleMode scale_mode;            // "flash_scale"
  bool show_menu;                  // "flash_show_menu"
  int32_t movie_width;             // from the movie header
  int32_t movie_height;
  WindowSettings* parent = nullptr;  // the window whose "sub_data" holds this one
  std::vector<std::unique_ptr<WindowSettings>> children;
  int32_t window_index;  // order in which windows were parsed

  // The defaults; destroys the children. The parent link stays.
  void reset();
  // A new reset child with this window as parent, appended to the children.
  WindowSettings* add_child();

  // Reads one "window" element into this record. `next_index` numbers the
  // windows in parse order; `depth` is this window's nesting level (1 for the
  // main window). False when a window lies deeper than kMaxWindowDepth.
  bool parse_window(const XmlNode& element, int32_t& next_index, int depth = 1);

  // Takes the movie's frame size from its header and stores the path; false,
  // changing nothing, when the header cannot be read.
  bool set_movie(const std::string& path);
  // Stores the mode; swf_size copies the movie size into the window size.
  void set_size_mode(SizeMode mode);
  void set_visible(bool value) { visible = value; }
  void set_has_menu(bool value) { has_menu = value; }

  // This window if its name matches, else its first direct child of that
  // name; nullptr when none. Case-sensitive.
  WindowSettings* find_window(const std::string& name);
};

struct SaverSettings {
  SaverSettings();
  SaverSettings(const SaverSettings&) = delete;
  SaverSettings& operator=(const SaverSettings&) = delete;

  WindowSettings main_window;
  bool hide_mouse_cursor;    // "hide_mouse_cursor"
  int32_t settings_error;    // 0, or 1, 2, 3, 8 (see load_settings)
  bool exit_on_mouse_move;   // "exit_on_mouse_move"
  bool exit_on_mouse_click;  // "exit_on_mouse_click"
  bool exit_on_key_press;    // "exit_on_key_press"

  // Every default, with a main window named "MainWindow" and visible.
  void reset();

  // Reads a settings file through the platform DOM. False with settings_error
  // 1 (not loadable as XML), 2 (no first node), 3 (the top element has no
  // children) or 8 (a "window" element failed to parse).
  bool load_settings(const std::string& path);
  // The same through a given document back-end.
  bool load_settings(const std::string& path, XmlDocument& document);
  // The same over a document that is already loaded.
  bool read_document(const XmlDocument& document);

  // Sets the saver flags present among the attributes of "windows".
  void read_saver_attributes(const XmlAttributes& attributes);
};

// A short explanation of a settings error code for people.
const char* settings_error_text(int32_t settings_error);
