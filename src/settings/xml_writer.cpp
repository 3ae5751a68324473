#include "settings/xml_writer.h"

#include <vector>

#include "common/paths.h"
#include "settings/xml_value.h"

namespace {

bool is_separator(char c) { return c == '/' || c == paths::separator(); }

std::vector<std::string> components(const std::string& path) {
  std::vector<std::string> parts;
  std::string part;
  for (char c : path) {
    if (is_separator(c)) {
      if (!part.empty()) parts.push_back(part);
      part.clear();
    } else {
      part += c;
    }
  }
  if (!part.empty()) parts.push_back(part);
  return parts;
}

// Windows file names ignore letter case; POSIX ones do not.
bool same_component(const std::string& a, const std::string& b) {
  if (paths::separator() != '\\') return a == b;
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

void XmlWriter::write_escaped(const std::string& bytes) {
  text_ += xml_value::escape_attribute(bytes);
}

void XmlWriter::write_path(const std::string& path) {
  write_escaped(base_folder_.empty() ? paths::resolve(path) : relative_path(path, base_folder_));
}

void XmlWriter::write_attribute(const char* name, const std::string& value) {
  text_ += ' ';
  text_ += name;
  text_ += "=\"";
  write_escaped(value);
  text_ += '"';
}

void XmlWriter::write_attribute(const char* name, bool value) {
  write_attribute(name, std::string(value ? "true" : "false"));
}

void XmlWriter::write_attribute(const char* name, int32_t value) {
  write_attribute(name, std::to_string(value));
}

std::string XmlWriter::relative_path(const std::string& path, const std::string& base_folder) {
  const std::vector<std::string> target = components(path);
  const std::vector<std::string> base = components(base_folder);
  // Both must start at the same root: the same drive, or both at "/".
  const bool path_rooted = !path.empty() && is_separator(path[0]);
  const bool base_rooted = !base_folder.empty() && is_separator(base_folder[0]);
  if (target.empty() || base.empty() || path_rooted != base_rooted ||
      !same_component(target[0], base[0])) {
    return path;
  }
  size_t common = 0;
  while (common < target.size() - 1 && common < base.size() &&
         same_component(target[common], base[common])) {
    ++common;
  }
  std::string relative;
  for (size_t i = common; i < base.size(); ++i) relative += std::string("..") + paths::separator();
  for (size_t i = common; i < target.size(); ++i) {
    relative += target[i];
    if (i + 1 < target.size()) relative += paths::separator();
  }
  return relative;
}
