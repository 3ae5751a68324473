#include "builder/settings_options.h"

#include <fstream>
#include <sstream>

#include "common/paths.h"
#include "payload/work_folder.h"
#include "settings/portable_xml.h"
#include "settings/settings.h"
#include "settings/settings_writer.h"

namespace saverbuild {

namespace {

using Apply = bool (*)(SaverSettings& settings, const std::string& value, std::string& error);

struct SettingsOption {
  const char* name;        // without "--"
  const char* value_name;  // nullptr for a flag, which also has a "no-" form
  const char* help;
  Apply apply;  // a flag gets "true" or "false"
};

std::string joined(const std::vector<std::string>& words) {
  std::string text;
  for (size_t i = 0; i < words.size(); ++i) text += (i ? ", " : "") + words[i];
  return text;
}

template <typename Enumeration>
bool set_word(const char* option, const std::vector<std::string>& words, const std::string& value,
              Enumeration& field, std::string& error) {
  const int index = settings_words::find(words, value);
  if (index < 0) {
    error = std::string("--") + option + ": \"" + value + "\" is not one of " + joined(words);
    return false;
  }
  field = static_cast<Enumeration>(index);
  return true;
}

int hex_digit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// RRGGBB (optionally after "#" or "0x") as the settings' 0x00BBGGRR.
bool set_colour(SaverSettings& s, const std::string& value, std::string& error) {
  std::string digits = value;
  if (!digits.empty() && digits[0] == '#') digits.erase(0, 1);
  if (digits.size() > 2 && digits[0] == '0' && (digits[1] == 'x' || digits[1] == 'X'))
    digits.erase(0, 2);
  int32_t rgb = 0;
  bool valid = digits.size() == 6;
  for (size_t i = 0; valid && i < digits.size(); ++i) {
    const int d = hex_digit(digits[i]);
    valid = d >= 0;
    rgb = rgb * 16 + d;
  }
  if (!valid) {
    error = "--bgcolor: \"" + value + "\" is not a colour written RRGGBB in hexadecimal";
    return false;
  }
  const int32_t red = (rgb >> 16) & 0xFF, green = (rgb >> 8) & 0xFF, blue = rgb & 0xFF;
  s.main_window.background_colour = (blue << 16) | (green << 8) | red;
  s.main_window.use_background_colour = true;
  return true;
}

bool flag_value(const std::string& value) { return value == "true"; }

const SettingsOption kSettingsOptions[] = {
    {"movie", "NAME", "the movie the saver plays (default: the first .swf file given)",
     [](SaverSettings& s, const std::string& value, std::string& error) {
       if (value.empty()) {
         error = "--movie needs the name of one of the movie files";
         return false;
       }
       s.main_window.movie_path = work_folder::path_of(value);
       return true;
     }},
    {"title", "TEXT", "the main window's title (windowed players show it; the saver does not)",
     [](SaverSettings& s, const std::string& value, std::string&) {
       s.main_window.window_title = value;
       return true;
     }},
    {"quality", "WORD", "low, auto_low, auto_high, medium, high (default) or best",
     [](SaverSettings& s, const std::string& value, std::string& error) {
       return set_word("quality", settings_words::quality, value, s.main_window.quality, error);
     }},
    {"scale", "WORD", "show_all (default), no_border or exact_fit",
     [](SaverSettings& s, const std::string& value, std::string& error) {
       return set_word("scale", settings_words::scale_mode, value, s.main_window.scale_mode, error);
     }},
    {"bgcolor", "RRGGBB", "the movie's background colour (default: the movie's own)", set_colour},
    {"left-mouse", "WORD",
     "when clicks or moves do not end the saver: flash (default) gives the left button and "
     "mouse movement to the movie; with drag, ignore or custom_menu a left press ends the saver "
     "and movement is ignored",
     [](SaverSettings& s, const std::string& value, std::string& error) {
       return set_word("left-mouse", settings_words::mouse_action, value,
                       s.main_window.left_mouse_action, error);
     }},
    {"right-mouse", "WORD",
     "the right button in the windowed player (flash, default, gives it to the movie); the "
     "saver never gives the right button to the movie",
     [](SaverSettings& s, const std::string& value, std::string& error) {
       return set_word("right-mouse", settings_words::mouse_action, value,
                       s.main_window.right_mouse_action, error);
     }},
    {"menu", nullptr, "the player's context menu (default: on)",
     [](SaverSettings& s, const std::string& value, std::string&) {
       s.main_window.show_menu = flag_value(value);
       return true;
     }},
    {"exit-on-escape", nullptr,
     "Escape ends the saver even when keys go to the movie (default: on)",
     [](SaverSettings& s, const std::string& value, std::string&) {
       s.main_window.exit_on_escape = flag_value(value);
       return true;
     }},
    {"exit-on-mouse-move", nullptr, "moving the mouse ends the saver (default: on)",
     [](SaverSettings& s, const std::string& value, std::string&) {
       s.exit_on_mouse_move = flag_value(value);
       return true;
     }},
    {"exit-on-mouse-click", nullptr, "a mouse button ends the saver (default: on)",
     [](SaverSettings& s, const std::string& value, std::string&) {
       s.exit_on_mouse_click = flag_value(value);
       return true;
     }},
    {"exit-on-key-press", nullptr, "any key ends the saver (default: on)",
     [](SaverSettings& s, const std::string& value, std::string&) {
       s.exit_on_key_press = flag_value(value);
       return true;
     }},
    {"hide-cursor", nullptr, "hide the mouse pointer while the saver runs (default: on)",
     [](SaverSettings& s, const std::string& value, std::string&) {
       s.hide_mouse_cursor = flag_value(value);
       return true;
     }},
};

// The record the options so far describe: read back from the text they wrote.
void read_generated(const BuildRequest& request, SaverSettings& settings) {
  settings.reset();
  if (!request.has_settings_text) return;
  PortableXmlDocument document;
  if (document.load_text(request.settings_text)) settings.read_document(document);
}

std::string lower(std::string text) {
  for (char& c : text) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return text;
}

// Names compare as Windows compares file names: without case, either slash.
std::string comparable(const std::string& name) {
  std::string text = lower(name);
  for (char& c : text) {
    if (c == '\\') c = '/';
  }
  return text;
}

bool is_movie_name(const std::string& name) {
  return name.size() > 4 && lower(name.substr(name.size() - 4)) == ".swf";
}

bool carries(const std::vector<std::string>& carried, const std::string& name) {
  for (const std::string& c : carried) {
    if (comparable(c) == comparable(name)) return true;
  }
  return false;
}

std::string name_list(const std::vector<std::string>& names) {
  std::string text;
  for (size_t i = 0; i < names.size() && i < 12; ++i) text += (i ? ", " : "") + names[i];
  if (names.size() > 12) text += ", ...";
  return text.empty() ? "nothing" : text;
}

// The saver plays the last component of the main window's movie name from
// the top of its work folder, so the main movie must be a movie file given on
// its own, not one inside a folder.
bool check_main_movie(const std::string& name, const std::vector<std::string>& inputs,
                      const std::string& source, std::string& error) {
  std::vector<std::string> top_level;
  for (const std::string& input : inputs) {
    if (!paths::is_folder(input)) top_level.push_back(paths::file_part(input));
  }
  if (name.empty()) {
    error = source +
            "no movie for the saver to play: give a movie file on its own (not only "
            "folders) and name it in the main window's swf or with --movie";
    return false;
  }
  if (!carries(top_level, name)) {
    error = source + "the saver plays \"" + name +
            "\", which is not one of the movie files given (" + name_list(top_level) +
            "); a movie inside a folder cannot be the one the saver plays";
    return false;
  }
  return true;
}

// Masks, and the movies of the further windows, must be among the files the
// saver carries.
bool check_carried_files(const WindowSettings& w, const std::vector<std::string>& carried,
                         const std::string& source, std::string& error) {
  const bool is_main = w.parent == nullptr;
  for (const std::string* path : {&w.movie_path, &w.mask_path}) {
    if (path->empty() || (is_main && path == &w.movie_path)) continue;
    const std::string name = work_file_name(*path);
    if (!carries(carried, name)) {
      error = source + "window \"" + w.window_name + "\" names \"" + name +
              "\", which the saver does not carry (" + name_list(carried) + ")";
      return false;
    }
  }
  for (const auto& child : w.children) {
    if (!check_carried_files(*child, carried, source, error)) return false;
  }
  return true;
}

bool read_settings_text(const BuildRequest& request, std::string& text, std::string& error) {
  if (request.settings_file.empty()) {
    text = request.settings_text;
    return true;
  }
  std::ifstream in(request.settings_file, std::ios::binary);
  if (!in) {
    error = request.settings_file + ": cannot read settings file";
    return false;
  }
  std::ostringstream content;
  content << in.rdbuf();
  text = content.str();
  return true;
}

// The first movie file given on its own, else the first file given.
std::string default_movie(const std::vector<std::string>& inputs) {
  std::string first_file;
  for (const std::string& input : inputs) {
    if (paths::is_folder(input)) continue;
    const std::string name = paths::file_part(input);
    if (is_movie_name(name)) return name;
    if (first_file.empty()) first_file = name;
  }
  return first_file;
}

}  // namespace

int parse_settings_option(const std::vector<std::string>& args, size_t index, BuildRequest& request,
                          std::string& error) {
  const std::string& arg = args[index];
  if (arg.size() < 3 || arg.compare(0, 2, "--") != 0) return 0;
  std::string name = arg.substr(2);
  std::string value;
  bool has_inline = false;
  const size_t equals = name.find('=');
  if (equals != std::string::npos) {
    value = name.substr(equals + 1);
    has_inline = true;
    name.resize(equals);
  }
  const bool negated = name.compare(0, 3, "no-") == 0;
  const std::string base = negated ? name.substr(3) : name;
  for (const SettingsOption& option : kSettingsOptions) {
    const bool is_flag = option.value_name == nullptr;
    if (base != option.name || (negated && !is_flag)) continue;
    int used = 1;
    if (is_flag) {
      if (has_inline) {
        error = "option --" + name + " takes no value";
        return -1;
      }
      value = negated ? "false" : "true";
    } else if (!has_inline) {
      if (index + 1 >= args.size()) {
        error = "option --" + name + " needs a value (" + option.value_name + ")";
        return -1;
      }
      value = args[index + 1];
      used = 2;
    }
    SaverSettings settings;
    read_generated(request, settings);
    if (!option.apply(settings, value, error)) return -1;
    request.settings_text = settings_text(settings);
    request.has_settings_text = true;
    return used;
  }
  return 0;
}

// Help text wrapped to lines of at most `width` bytes, each further line
// indented to `margin`.
std::string wrapped(const std::string& help, size_t margin, size_t width) {
  std::string text, line;
  std::istringstream words(help);
  std::string word;
  while (words >> word) {
    if (!line.empty() && margin + line.size() + 1 + word.size() > width) {
      text += line + "\n" + std::string(margin, ' ');
      line.clear();
    }
    line += (line.empty() ? "" : " ") + word;
  }
  return text + line;
}

std::string settings_options_usage() {
  std::string text = "\nsettings options (instead of --settings; each flag has a --no- form):\n";
  for (const SettingsOption& option : kSettingsOptions) {
    std::string left = std::string("  --") + option.name;
    if (option.value_name) left += std::string(" ") + option.value_name;
    if (left.size() < 28) left.resize(28, ' ');
    text += left + " " + wrapped(option.help, 29, 100) + "\n";
  }
  return text;
}

std::vector<std::string> carried_names(const std::vector<std::string>& inputs) {
  std::vector<std::string> names;
  for (const std::string& input : inputs) {
    std::string name = paths::file_part(input);
    if (!paths::is_folder(input)) {
      names.push_back(name);
      continue;
    }
    if (name.empty()) name = paths::file_part(paths::folder_part(input));  // "movies/"
    std::vector<std::string> files;
    if (paths::list_folder(input, files)) {
      for (const std::string& file : files) names.push_back(name + "/" + file);
    }
  }
  return names;
}

void complete_settings(BuildRequest& request) {
  if (!request.settings_file.empty()) return;
  SaverSettings settings;
  read_generated(request, settings);
  if (settings.main_window.movie_path.empty()) {
    const std::string movie = default_movie(request.inputs);
    if (!movie.empty()) settings.main_window.movie_path = work_folder::path_of(movie);
  }
  request.settings_text = settings_text(settings);
  request.has_settings_text = true;
}

bool check_settings(const BuildRequest& request, std::string& error) {
  if (!request.settings_file.empty() && request.has_settings_text) {
    error =
        "settings options cannot be combined with --settings FILE (the file is used as "
        "it is; put those choices into it)";
    return false;
  }
  std::string text;
  if (!read_settings_text(request, text, error)) return false;
  const std::string source =
      request.settings_file.empty() ? std::string("settings: ") : request.settings_file + ": ";
  PortableXmlDocument document;
  if (!document.load_text(text)) {
    error = source + "the saver cannot read this as XML: " + document.error_message();
    return false;
  }
  SaverSettings settings;
  if (!settings.read_document(document)) {
    error = source + "the saver would refuse these settings (settings error " +
            std::to_string(settings.settings_error) +
            "): " + settings_error_text(settings.settings_error);
    return false;
  }
  const std::string movie = work_file_name(settings.main_window.movie_path);
  return check_main_movie(movie, request.inputs, source, error) &&
         check_carried_files(settings.main_window, carried_names(request.inputs), source, error);
}

}  // namespace saverbuild
