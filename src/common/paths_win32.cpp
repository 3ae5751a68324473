// Win32 side of the path helpers, over the shell's path functions.
#include <windows.h>
#include <shlwapi.h>

#include "common/paths.h"

namespace paths {

char separator() { return '\\'; }

bool exists(const std::string& path) {
  return !path.empty() && path.size() < MAX_PATH && PathFileExistsA(path.c_str());
}

bool is_folder(const std::string& path) {
  if (path.empty()) return false;
  DWORD attrs = GetFileAttributesA(path.c_str());
  return attrs != INVALID_FILE_ATTRIBUTES && (attrs & FILE_ATTRIBUTE_DIRECTORY);
}

std::string folder_part(const std::string& path) {
  if (path.size() >= MAX_PATH) {
    size_t cut = path.find_last_of("\\/");
    return cut == std::string::npos ? std::string() : path.substr(0, cut);
  }
  char buf[MAX_PATH];
  lstrcpynA(buf, path.c_str(), MAX_PATH);
  PathRemoveFileSpecA(buf);
  return buf;
}

std::string resolve(const std::string& path) {
  if (path.empty()) return path;
  if (path.size() < MAX_PATH && !PathIsRelativeA(path.c_str())) return path;
  return join(folder_part(program_path()), path);
}

bool create_folder(const std::string& path) {
  if (CreateDirectoryA(path.c_str(), nullptr)) return true;
  return is_folder(path);
}

bool create_empty_file(const std::string& path) {
  if (is_folder(path)) return false;
  HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  CloseHandle(h);
  return true;
}

bool delete_file(const std::string& path) {
  if (DeleteFileA(path.c_str())) return true;
  return GetFileAttributesA(path.c_str()) == INVALID_FILE_ATTRIBUTES;
}

bool replace_file(const std::string& from, const std::string& to) {
  return MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING) != 0;
}

bool list_folder(const std::string& path, std::vector<std::string>& names) {
  names.clear();
  WIN32_FIND_DATAA found;
  HANDLE find = FindFirstFileA(join(path, "*").c_str(), &found);
  if (find == INVALID_HANDLE_VALUE) return is_folder(path);  // an empty drive root lists nothing
  do {
    std::string name = found.cFileName;
    if (name != "." && name != "..") names.push_back(name);
  } while (FindNextFileA(find, &found));
  FindClose(find);
  return true;
}

std::string temp_folder() {
  char buf[MAX_PATH + 1];
  DWORD n = GetTempPathA(sizeof buf, buf);
  if (n == 0 || n > MAX_PATH) return std::string();
  return add_separator(std::string(buf, n));
}

std::string program_path() {
  char buf[MAX_PATH];
  DWORD n = GetModuleFileNameA(nullptr, buf, sizeof buf);
  if (n == 0 || n >= sizeof buf) return std::string();
  return std::string(buf, n);
}

}  // namespace paths
