// FileSystem: whole files and folders by path, and the File. handles
// (file_handles.cpp). Paths longer than the system's ANSI limit fail with
// the method's failure answer instead of reaching a fixed path buffer.
#include <windows.h>
// The system headers below need the types of windows.h first.
#include <io.h>
#include <objbase.h>
#include <shellapi.h>
#include <shlobj.h>
#include <shlwapi.h>
#include <sys/stat.h>

#include <cstdio>

#include "api/com_scope.h"
#include "api/file_handles.h"
#include "api/file_system_helpers.h"
#include "api/namespaces.h"
#include "common/paths.h"
#include "payload/work_folder.h"

namespace api {

namespace {

using bridge::ArgumentList;
using bridge::Result;

// Process-wide, as the movie's deleteFile callers of every window share it.
unsigned long g_last_delete_error = 0;

bool shell_copy(const std::string& source_argument, const std::string& folder_argument) {
  const std::string source = paths::resolve(source_argument);
  const std::string folder = paths::resolve(folder_argument);
  if (source.empty() || folder.empty()) return false;
  const std::string target =
      paths::resolve(paths::add_separator(folder) + paths::file_part(source));
  if (!path_fits(source) || !path_fits(target)) return false;
  // The shell's path lists end with two NULs: the string's own and this one.
  std::string from = source + '\0';
  std::string to = target + '\0';
  SHFILEOPSTRUCTA operation = {};
  operation.wFunc = FO_COPY;
  operation.pFrom = from.c_str();
  operation.pTo = to.c_str();
  operation.fFlags = FOF_SILENT | FOF_NOCONFIRMATION | FOF_NOCONFIRMMKDIR | FOF_NOERRORUI;
  return SHFileOperationA(&operation) == 0 && !operation.fAnyOperationsAborted;
}

bool create_shortcut(const std::string& target_argument, const std::string& link_argument) {
  const std::string target = paths::resolve(target_argument);
  const std::string link_path = paths::resolve(link_argument);
  if (!path_fits(target) || !path_fits(link_path) || link_path.empty()) return false;
  wchar_t wide_link[MAX_PATH];
  if (!MultiByteToWideChar(CP_ACP, 0, link_path.c_str(), -1, wide_link, MAX_PATH)) return false;

  ComScope com;
  IShellLinkA* link = nullptr;
  if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                              reinterpret_cast<void**>(&link)))) {
    return false;
  }
  bool saved = false;
  IPersistFile* file = nullptr;
  if (SUCCEEDED(link->SetPath(target.c_str())) && SUCCEEDED(link->SetDescription("Shortcut")) &&
      SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) {
    saved = SUCCEEDED(file->Save(wide_link, TRUE));
    file->Release();
  }
  link->Release();
  return saved;
}

bool delete_file(const std::string& path) {
  if (path.empty()) return true;
  if (!path_fits(path)) return false;
  if (!PathFileExistsA(path.c_str())) return true;
  if (DeleteFileA(path.c_str())) return true;
  g_last_delete_error = GetLastError();
  return false;
}

// Empties a folder depth-first and removes it; stops at the first failure.
// Links to other folders (reparse points) are removed, never entered.
bool delete_tree(const std::string& folder) {
  const std::string pattern = paths::add_separator(folder) + "*";
  if (!path_fits(pattern)) return false;
  bool ok = true;
  WIN32_FIND_DATAA found;
  HANDLE search = FindFirstFileA(pattern.c_str(), &found);
  if (search != INVALID_HANDLE_VALUE) {
    do {
      const std::string name = found.cFileName;
      if (name == "." || name == "..") continue;
      const std::string entry = paths::add_separator(folder) + name;
      if (!path_fits(entry)) {
        ok = false;
      } else if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        ok = (found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)
                 ? RemoveDirectoryA(entry.c_str()) != 0
                 : delete_tree(entry);
      } else {
        if (found.dwFileAttributes & FILE_ATTRIBUTE_READONLY) _chmod(entry.c_str(), _S_IWRITE);
        ok = DeleteFileA(entry.c_str()) != 0;
      }
    } while (ok && FindNextFileA(search, &found));
    FindClose(search);
  }
  return ok && RemoveDirectoryA(folder.c_str()) != 0;
}

bool delete_folder(const std::string& folder, bool recursive) {
  if (folder.empty() || !path_fits(folder)) return false;
  if (recursive) return delete_tree(folder);
  return RemoveDirectoryA(folder.c_str()) != 0;
}

bool create_folder(const std::string& folder) {
  if (folder.empty() || !path_fits(folder)) return false;
  if (PathFileExistsA(folder.c_str())) return true;
  return CreateDirectoryA(folder.c_str(), nullptr) != 0;
}

// A new file opened with `mode`; null when the path is taken (by a file or
// a folder) or cannot be created. Existing files are never replaced.
std::FILE* create_new_file(const std::string& path, const char* mode) {
  if (path.empty() || !path_fits(path)) return nullptr;
  HANDLE created = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                               FILE_ATTRIBUTE_NORMAL, nullptr);
  if (created == INVALID_HANDLE_VALUE) return nullptr;
  CloseHandle(created);
  return std::fopen(path.c_str(), mode);
}

bool save_text(const std::string& path, const std::string& text) {
  // Text mode: each line feed is stored as a carriage return and line feed.
  std::FILE* file = create_new_file(path, "w");
  if (!file) return false;
  const bool written = std::fputs(text.c_str(), file) >= 0;
  return std::fclose(file) == 0 && written;
}

bool save_hex(const std::string& path, const std::string& digits) {
  std::FILE* file = create_new_file(path, "wb");
  if (!file) return false;
  const std::string bytes = bytes_from_hex_digits(digits);
  const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
  return std::fclose(file) == 0 && written;
}

// The names in a folder, as the file system returns them ("." and ".."
// included); none when it cannot be searched.
std::vector<std::string> list_entries(const std::string& folder_argument, bool folders_only) {
  std::vector<std::string> names;
  const std::string folder = paths::resolve(folder_argument);
  if (folder.empty()) return names;
  const std::string pattern = paths::add_separator(folder) + "*";
  if (!path_fits(pattern)) return names;
  WIN32_FIND_DATAA found;
  HANDLE search = FindFirstFileA(pattern.c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return names;
  do {
    if (folders_only && !(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) continue;
    names.push_back(found.cFileName);
  } while (FindNextFileA(search, &found));
  FindClose(search);
  return names;
}

// Opens a file for reading, shared with nobody; INVALID_HANDLE_VALUE when it
// cannot be opened (a folder, a file held open by another program).
HANDLE open_for_measuring(const std::string& path) {
  if (path.empty() || !path_fits(path)) return INVALID_HANDLE_VALUE;
  return CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                     nullptr);
}

uint64_t file_size(const std::string& path_argument) {
  HANDLE file = open_for_measuring(paths::resolve(path_argument));
  if (file == INVALID_HANDLE_VALUE) return 0;
  // GetFileSize with its high half rather than GetFileSizeEx, which the
  // Windows 9x kernels lack.
  DWORD high = 0;
  SetLastError(NO_ERROR);
  const DWORD low = GetFileSize(file, &high);
  const bool measured = low != INVALID_FILE_SIZE || GetLastError() == NO_ERROR;
  CloseHandle(file);
  return measured ? (static_cast<uint64_t>(high) << 32) | low : 0;
}

// The creation or last-write time in UTC. The existence test takes the
// path as given, the opening takes it resolved.
Result file_date(const std::string& path_argument, bool creation) {
  if (!paths::exists(path_argument)) return bridge::result_null();
  HANDLE file = open_for_measuring(paths::resolve(path_argument));
  if (file == INVALID_HANDLE_VALUE) return bridge::result_null();
  FILETIME created, written;
  const bool read = GetFileTime(file, &created, nullptr, &written) != 0;
  CloseHandle(file);
  SYSTEMTIME time;
  if (!read || !FileTimeToSystemTime(creation ? &created : &written, &time)) {
    return bridge::result_null();
  }
  return bridge::result_date(time.wYear, time.wMonth, time.wDay, time.wHour, time.wMinute,
                             time.wSecond);
}

Result special_folder(const std::string& name) {
  SpecialFolder folder;
  if (!find_special_folder(name, folder)) return bridge::result_null();
  switch (folder.source) {
    case SpecialFolder::Source::kWorkFolder:
      return bridge::result_text(paths::add_separator(work_folder::path()), true);
    case SpecialFolder::Source::kTempFolder:
      return bridge::result_text(paths::temp_folder(), true);
    case SpecialFolder::Source::kShell:
      break;
  }
  for (int id : folder.shell_folders) {
    char path[MAX_PATH] = {};
    if (SHGetSpecialFolderPathA(nullptr, path, id, TRUE) && path[0]) {
      return bridge::result_text(path, true);
    }
  }
  switch (folder.fallback) {
    case SpecialFolder::Fallback::kTempFolder:
      return bridge::result_text(paths::temp_folder(), true);
    case SpecialFolder::Fallback::kProgramFolder:
      return bridge::result_text(paths::folder_part(paths::program_path()), true);
    case SpecialFolder::Fallback::kNone:
      break;
  }
  return bridge::result_null();
}

class FileSystemNamespace : public bridge::NamespaceHandler {
 public:
  Result call(std::string_view method, const ArgumentList& arguments) override {
    if (bridge::take_prefix(method, "File.")) {
      return call_file_method(process_file_handles(), method, arguments);
    }
    auto text = [&arguments](uint32_t position) { return bridge::read_text(arguments, position); };
    if (method == "copyFile" || method == "copyFolder") {
      return bridge::result_boolean(shell_copy(text(1), text(2)));
    }
    if (method == "moveFile" || method == "renameFile" || method == "setFileExtension") {
      return bridge::result_boolean(false);
    }
    if (method == "createShortcut")
      return bridge::result_boolean(create_shortcut(text(1), text(2)));
    if (method == "deleteFile") return bridge::result_boolean(delete_file(text(1)));
    if (method == "deleteFolder") {
      return bridge::result_boolean(
          delete_folder(text(1), bridge::read_decoded_flag(arguments, 2)));
    }
    if (method == "createFolder") return bridge::result_boolean(create_folder(text(1)));
    if (method == "saveFile") return bridge::result_boolean(save_text(text(1), text(2)));
    if (method == "saveFileHEX") return bridge::result_boolean(save_hex(text(1), text(2)));
    if (method == "fileExists" || method == "folderExists") {
      return bridge::result_boolean(paths::exists(text(1)));
    }
    if (method == "listFiles") return bridge::result_text_array(list_entries(text(1), false));
    if (method == "listFolders") return bridge::result_text_array(list_entries(text(1), true));
    if (method == "getFileExtension") return bridge::result_text(file_extension(text(1)), true);
    if (method == "getFileSizeBytes") {
      return bridge::result_long_integer(static_cast<int64_t>(file_size(text(1))));
    }
    if (method == "getFileSizeKBytes") {
      return bridge::result_long_integer(
          static_cast<int64_t>(size_in_kilobytes(file_size(text(1)))));
    }
    if (method == "getFileSizeMBytes") {
      return bridge::result_real(size_in_megabytes(file_size(text(1))), 0, 2);
    }
    if (method == "getFileSizeGBytes") {
      return bridge::result_real(size_in_gigabytes(file_size(text(1))), 0, 2);
    }
    if (method == "getFileCreator" || method == "getFileType") return bridge::result_null();
    if (method == "getFileCreateDate") return file_date(text(1), true);
    if (method == "getFileModifiedDate") return file_date(text(1), false);
    if (method == "getSpecialFolder") return special_folder(text(1));
    return std::nullopt;
  }
};

}  // namespace

unsigned long last_delete_file_error() { return g_last_delete_error; }

std::unique_ptr<bridge::NamespaceHandler> make_file_system_namespace() {
  return std::make_unique<FileSystemNamespace>();
}

}  // namespace api
