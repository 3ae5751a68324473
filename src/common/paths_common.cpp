#include "common/paths.h"

namespace paths {

static bool is_sep(char c) { return c == '/' || c == separator(); }

std::string add_separator(const std::string& path) {
  if (path.empty() || is_sep(path.back())) return path;
  return path + separator();
}

std::string join(const std::string& folder, const std::string& name) {
  if (folder.empty()) return name;
  size_t start = 0;
  while (start < name.size() && is_sep(name[start])) ++start;
  return add_separator(folder) + name.substr(start);
}

std::string file_part(const std::string& path, bool keep_extension) {
  size_t cut = path.size();
  while (cut > 0 && !is_sep(path[cut - 1]) && !(separator() == '\\' && path[cut - 1] == ':')) --cut;
  std::string name = path.substr(cut);
  if (!keep_extension) {
    size_t dot = name.rfind('.');
    if (dot != std::string::npos) name.resize(dot);
  }
  return name;
}

}  // namespace paths
