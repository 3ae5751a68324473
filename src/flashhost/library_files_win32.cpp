#include <windows.h>

#include <cstdio>

#include "flashhost/library_files.h"
#include "payload/work_folder.h"

namespace flashhost {

namespace {

HMODULE program_module() {
  static HMODULE module = GetModuleHandleA(nullptr);
  return module;
}

std::string full_path(const std::string& path) {
  char buffer[MAX_PATH];
  DWORD length = GetFullPathNameA(path.c_str(), MAX_PATH, buffer, nullptr);
  if (length == 0 || length >= MAX_PATH) return path;
  return std::string(buffer, length);
}

// A name that, joined to the temporary folder, names a folder inside it.
bool is_plain_folder_name(const std::string& name) {
  if (name.empty() || name == "." || name == "..") return false;
  return name.find_first_of("\\/:") == std::string::npos;
}

bool delete_file(const std::string& path, DWORD attributes) {
  if (attributes & FILE_ATTRIBUTE_READONLY) {
    SetFileAttributesA(path.c_str(), attributes & ~static_cast<DWORD>(FILE_ATTRIBUTE_READONLY));
  }
  return DeleteFileA(path.c_str()) != 0;
}

// Deletes what `folder` holds; false when anything stays. An entry that
// cannot go (the loaded plug-in library) does not keep the entries listed
// after it from going.
bool delete_contents(const std::string& folder) {
  WIN32_FIND_DATAA entry;
  HANDLE find = FindFirstFileA((folder + "\\*").c_str(), &entry);
  if (find == INVALID_HANDLE_VALUE) return true;
  bool all_deleted = true;
  do {
    std::string name = entry.cFileName;
    if (name == "." || name == "..") continue;
    std::string path = folder + "\\" + name;
    DWORD attributes = entry.dwFileAttributes;
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) {
      // A junction or directory link is removed as a link: what it points
      // to lies outside the work folder.
      bool link = (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
      if (!link && !delete_contents(path)) {
        all_deleted = false;
        continue;
      }
      if (attributes & FILE_ATTRIBUTE_READONLY) {
        SetFileAttributesA(path.c_str(), attributes & ~static_cast<DWORD>(FILE_ATTRIBUTE_READONLY));
      }
      if (!RemoveDirectoryA(path.c_str())) all_deleted = false;
    } else if (!delete_file(path, attributes)) {
      all_deleted = false;
    }
  } while (FindNextFileA(find, &entry));
  FindClose(find);
  return all_deleted;
}

}  // namespace

bool load_resource(const char* type_name, int id, const void*& data, uint32_t& size) {
  data = nullptr;
  size = 0;
  HMODULE module = program_module();
  HRSRC resource = FindResourceA(module, MAKEINTRESOURCEA(id), type_name);
  if (!resource) return false;
  size = SizeofResource(module, resource);
  HGLOBAL loaded = LoadResource(module, resource);
  if (!loaded) return false;
  data = LockResource(loaded);
  return data != nullptr;
}

std::string extract_player_library() {
  const void* data = nullptr;
  uint32_t size = 0;
  load_resource(kPlayerResourceType, kPlayerResourceId, data, size);
  std::string path = full_path(work_folder::path_of("npfp.dll"));
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (file) {
    if (data && size) std::fwrite(data, 1, size, file);
    std::fclose(file);
  }
  return path;
}

void delete_work_folder() {
  const std::string& name = work_folder::name();
  if (!is_plain_folder_name(name)) return;
  char temp[MAX_PATH];
  DWORD length = GetTempPathA(MAX_PATH, temp);
  if (length == 0 || length >= MAX_PATH) return;
  std::string folder = full_path(std::string(temp, length));
  if (folder.empty()) return;
  if (folder.back() != '\\') folder += '\\';
  folder += name;
  DWORD attributes = GetFileAttributesA(folder.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY)) return;
  // The work folder itself being a link: remove the link, never what it
  // points to.
  if (!(attributes & FILE_ATTRIBUTE_REPARSE_POINT)) delete_contents(folder);
  RemoveDirectoryA(folder.c_str());
}

}  // namespace flashhost
