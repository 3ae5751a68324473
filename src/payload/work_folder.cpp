#include "payload/work_folder.h"

#include <cstdio>

#include "common/paths.h"

namespace work_folder {

namespace {

// Process-wide, as the start-up order of the saver windows relies on it.
std::string& name_storage() {
  static std::string stored;
  return stored;
}

std::string temp_folder_without_separator() {
  std::string temp = paths::temp_folder();
  // Keep a bare root ("/" or "C:\") intact: stripping it would change its meaning.
  if (temp.size() > 1 && (temp.back() == paths::separator() || temp.back() == '/') &&
      temp[temp.size() - 2] != ':') {
    temp.pop_back();
  }
  return temp;
}

}  // namespace

std::string default_name() {
  char buf[32];
  std::snprintf(buf, sizeof buf, "qnfpssver_%d", 1);
  return buf;
}

void set_name(const std::string& new_name) { name_storage() = new_name; }

const std::string& name() { return name_storage(); }

std::string path() {
  if (name().empty()) return temp_folder_without_separator();
  return paths::join(paths::temp_folder(), name());
}

std::string path_of(const std::string& file_name) {
  if (name().empty()) return paths::join(paths::temp_folder(), file_name);
  return paths::join(path(), file_name);
}

bool create() { return paths::create_folder(path()); }

}  // namespace work_folder
