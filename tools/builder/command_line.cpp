#include "builder/command_line.h"

#include "builder/settings_options.h"

namespace saverbuild {

namespace {

struct OptionSpec {
  const char* long_name;   // without "--"
  char short_name;         // 0: none
  const char* value_name;  // shown in the help
  const char* help;
  // Stores the value; answers false (with `error`) when it cannot be used.
  bool (*apply)(CommandLine& line, const std::string& value, std::string& error);
};

bool set_once(std::string& field, const std::string& value, const char* option,
              std::string& error) {
  if (!field.empty()) {
    error = std::string("option --") + option + " given twice";
    return false;
  }
  if (value.empty()) {
    error = std::string("option --") + option + " needs a non-empty value";
    return false;
  }
  field = value;
  return true;
}

// Options of the build command. Settings options that generate the settings
// text belong here too (they fill BuildRequest::settings_text).
const OptionSpec kBuildOptions[] = {
    {"runtime", 'r', "FILE",
     "the program without a payload (saver.scr; player.exe with --windowed)",
     [](CommandLine& line, const std::string& value, std::string& error) {
       return set_once(line.build.runtime_path, value, "runtime", error);
     }},
    {"settings", 's', "FILE", "the settings text (XML) to carry",
     [](CommandLine& line, const std::string& value, std::string& error) {
       return set_once(line.build.settings_file, value, "settings", error);
     }},
    {"output", 'o', "FILE", "the finished screen saver to write",
     [](CommandLine& line, const std::string& value, std::string& error) {
       return set_once(line.build.output_path, value, "output", error);
     }},
};

const OptionSpec* find_option(const std::string& arg, std::string& inline_value, bool& has_inline) {
  has_inline = false;
  for (const OptionSpec& option : kBuildOptions) {
    if (arg.size() > 2 && arg[0] == '-' && arg[1] == '-') {
      std::string name = arg.substr(2);
      size_t equals = name.find('=');
      if (equals != std::string::npos) {
        inline_value = name.substr(equals + 1);
        has_inline = true;
        name.resize(equals);
      }
      if (name == option.long_name) return &option;
      has_inline = false;
    } else if (arg.size() == 2 && arg[0] == '-' && option.short_name &&
               arg[1] == option.short_name) {
      return &option;
    }
  }
  return nullptr;
}

bool is_help(const std::string& arg) { return arg == "--help" || arg == "-h" || arg == "help"; }

bool parse_build(const std::vector<std::string>& args, CommandLine& out, std::string& error) {
  bool options_ended = false;
  for (size_t i = 1; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (options_ended || arg.empty() || arg[0] != '-' || arg == "-") {
      out.build.inputs.push_back(arg);
      continue;
    }
    if (arg == "--") {
      options_ended = true;
      continue;
    }
    if (arg == "--help" || arg == "-h") {
      out.command = Command::kHelp;
      return true;
    }
    if (arg == "--windowed") {
      out.build.windowed = true;
      continue;
    }
    // Options that write the settings text live in settings_options.cpp.
    const int settings_used = parse_settings_option(args, i, out.build, error);
    if (settings_used < 0) return false;
    if (settings_used > 0) {
      i += static_cast<size_t>(settings_used) - 1;
      continue;
    }
    std::string value;
    bool has_inline = false;
    const OptionSpec* option = find_option(arg, value, has_inline);
    if (!option) {
      error = "unknown option " + arg + " (see saverbuild --help)";
      return false;
    }
    if (!has_inline) {
      if (i + 1 >= args.size()) {
        error = std::string("option --") + option->long_name + " needs a value (" +
                option->value_name + ")";
        return false;
      }
      value = args[++i];
    }
    if (!option->apply(out, value, error)) return false;
  }
  return true;
}

// Exactly `count` plain arguments after the command word.
bool parse_plain(const std::vector<std::string>& args, size_t count, const char* shape,
                 std::string& error) {
  for (size_t i = 1; i < args.size(); ++i) {
    if (args[i].size() > 1 && args[i][0] == '-') {
      error = "unknown option " + args[i] + " (usage: saverbuild " + shape + ")";
      return false;
    }
  }
  if (args.size() - 1 != count) {
    error = std::string("usage: saverbuild ") + shape;
    return false;
  }
  return true;
}

}  // namespace

bool parse_command_line(const std::vector<std::string>& args, CommandLine& out,
                        std::string& error) {
  out = CommandLine();
  if (args.empty()) {
    error = "no command given (see saverbuild --help)";
    return false;
  }
  const std::string& command = args[0];
  if (is_help(command)) {
    out.command = Command::kHelp;
    return true;
  }
  for (size_t i = 1; i < args.size(); ++i) {
    if (is_help(args[i]) && args[i] != "help") {
      out.command = Command::kHelp;
      return true;
    }
  }
  if (command == "build") {
    out.command = Command::kBuild;
    return parse_build(args, out, error);
  }
  if (command == "list") {
    out.command = Command::kList;
    if (!parse_plain(args, 1, "list SAVER", error)) return false;
    out.saver_path = args[1];
    return true;
  }
  if (command == "extract") {
    out.command = Command::kExtract;
    if (!parse_plain(args, 2, "extract SAVER FOLDER", error)) return false;
    out.saver_path = args[1];
    out.folder = args[2];
    return true;
  }
  error = "unknown command \"" + command + "\" (see saverbuild --help)";
  return false;
}

std::string usage_text() {
  std::string text =
      "saverbuild: makes a Flash movie screen saver from the saver program, movies and settings\n"
      "\n"
      "usage:\n"
      "  saverbuild build --runtime SAVER [--settings FILE | settings options] -o OUTPUT\n"
      "                   MOVIE [MORE...]\n"
      "  saverbuild build --windowed --runtime PLAYER [the same] -o OUTPUT MOVIE [MORE...]\n"
      "  saverbuild list SAVER\n"
      "  saverbuild extract SAVER FOLDER\n"
      "  saverbuild --help\n"
      "\n"
      "build: copies the runtime and appends the movies (files, or folders of files\n"
      "without sub-folders) and the settings text. The output is replaced only when\n"
      "everything succeeded.\n"
      "\n"
      "build options:\n";
  text +=
      "  --windowed                 build a windowed player (from player.exe): the movie\n"
      "                             plays in the windows of the settings until the main\n"
      "                             window closes or Escape ends it\n";
  for (const OptionSpec& option : kBuildOptions) {
    std::string left = "  ";
    if (option.short_name) left += std::string("-") + option.short_name + ", ";
    left += std::string("--") + option.long_name + " " + option.value_name;
    if (left.size() < 28) left.resize(28, ' ');
    text += left + " " + option.help + "\n";
  }
  text += settings_options_usage();
  text +=
      "\n"
      "list: shows the entries a saver carries.\n"
      "extract: writes them into FOLDER (the settings text as fp.dat).\n"
      "\n"
      "Exit status: 0 on success, 1 when the work failed, 2 for a wrong command line.\n";
  return text;
}

}  // namespace saverbuild
