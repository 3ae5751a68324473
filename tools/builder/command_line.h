// The builder's command line:
//   saverbuild build --runtime saver.scr --settings settings.xml -o out.scr movie.swf [more...]
//   saverbuild list out.scr
//   saverbuild extract out.scr folder
// Options live in one table (command_line.cpp); a new option is one row there
// plus, if it needs one, a field in CommandLine.
#pragma once

#include <string>
#include <vector>

#include "builder/build.h"

namespace saverbuild {

enum class Command { kHelp, kBuild, kList, kExtract };

struct CommandLine {
  Command command = Command::kHelp;
  BuildRequest build;
  std::string saver_path;  // list, extract
  std::string folder;      // extract
};

// `args` excludes the program name. On failure `error` holds one line.
bool parse_command_line(const std::vector<std::string>& args, CommandLine& out, std::string& error);

std::string usage_text();

}  // namespace saverbuild
