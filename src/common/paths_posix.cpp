// POSIX side of the path helpers (the native build: builder, tests, fuzzers).
#ifndef _WIN32
#include <dirent.h>
#include <fcntl.h>
#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

#include "common/paths.h"

namespace paths {

char separator() { return '/'; }

bool exists(const std::string& path) {
  struct stat st;
  return !path.empty() && stat(path.c_str(), &st) == 0;
}

bool is_folder(const std::string& path) {
  struct stat st;
  return !path.empty() && stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::string folder_part(const std::string& path) {
  size_t cut = path.find_last_of('/');
  if (cut == std::string::npos) return std::string();
  if (cut == 0) return "/";
  return path.substr(0, cut);
}

std::string resolve(const std::string& path) {
  if (path.empty() || path[0] == '/') return path;
  return join(folder_part(program_path()), path);
}

bool create_folder(const std::string& path) {
  if (mkdir(path.c_str(), 0777) == 0) return true;
  return is_folder(path);
}

bool create_empty_file(const std::string& path) {
  if (is_folder(path)) return false;
  int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0666);
  if (fd < 0) return false;
  close(fd);
  return true;
}

bool delete_file(const std::string& path) {
  if (unlink(path.c_str()) == 0) return true;
  return !exists(path);
}

bool replace_file(const std::string& from, const std::string& to) {
  return std::rename(from.c_str(), to.c_str()) == 0;
}

bool list_folder(const std::string& path, std::vector<std::string>& names) {
  names.clear();
  DIR* dir = opendir(path.c_str());
  if (!dir) return false;
  while (const dirent* entry = readdir(dir)) {
    std::string name = entry->d_name;
    if (name != "." && name != "..") names.push_back(name);
  }
  closedir(dir);
  return true;
}

std::string temp_folder() {
  const char* tmp = std::getenv("TMPDIR");
  return add_separator(tmp && *tmp ? tmp : "/tmp");
}

std::string program_path() {
  char buf[PATH_MAX];
  ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
  if (n <= 0) return std::string();
  return std::string(buf, static_cast<size_t>(n));
}

}  // namespace paths
#endif
