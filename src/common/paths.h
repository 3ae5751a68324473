// Path helpers: the one seam through which portable code reaches the file
// system. Windows uses the shell's path functions; POSIX has its own copy
// with '/' as the separator.
#pragma once

#include <string>
#include <vector>

namespace paths {

// The platform's folder separator ('\\' on Windows, '/' elsewhere).
char separator();

bool exists(const std::string& path);
bool is_folder(const std::string& path);

// Appends the separator unless the path already ends in one (or is empty).
std::string add_separator(const std::string& path);

// Joins a folder and a name with exactly one separator.
std::string join(const std::string& folder, const std::string& name);

// The path without its last component ("C:\\a\\b.swf" -> "C:\\a").
std::string folder_part(const std::string& path);

// The last component, optionally without its extension.
std::string file_part(const std::string& path, bool keep_extension = true);

// Empty stays empty; a relative path is joined to the folder holding the
// program file; an absolute path is returned unchanged.
std::string resolve(const std::string& path);

// Creates a folder; true also when it already exists as a folder.
bool create_folder(const std::string& path);

// Creates an empty file, replacing an existing file. A folder of that name is
// left alone and the call fails.
bool create_empty_file(const std::string& path);

// Deletes a file; true also when it is missing.
bool delete_file(const std::string& path);

// Renames a file, replacing a file that already exists at the target.
bool replace_file(const std::string& from, const std::string& to);

// The names of a folder's entries (files and folders, without "." and ".."),
// in listing order; false when the folder cannot be listed.
bool list_folder(const std::string& path, std::vector<std::string>& names);

// The user's temporary folder, with a trailing separator.
std::string temp_folder();

// The full path of the running program file.
std::string program_path();

}  // namespace paths
