// How the host turns the URLs a plug-in asks for into files and requests.
// Portable: the paths follow the Windows rules of the system the host runs on
// (a drive letter or a leading backslash makes a path absolute).
#pragma once

#include <cstdint>
#include <string>

namespace flashhost {

// "javascript:" at the start, exact case.
bool is_javascript_url(const std::string& url);
// "http://" or "https://" at the start, exact case.
bool is_http_url(const std::string& url);

// "+" becomes a space, "%" and two hex digits become that byte, and a "%"
// not followed by two hex digits is dropped.
void url_decode_in_place(std::string& text);

// False when the path starts with a backslash or the platform separator, or
// its second character is ":" (a drive).
bool is_absolute_path(const std::string& path);

// The file a stream request reads: without "file:///" or else "file://"; a
// relative path is placed in `work_folder`; then the whole path is
// URL-decoded.
std::string stream_file_path(const std::string& url, const std::string& work_folder);

// The file an in-memory fetch reads: without "file:///" or else "file://", a
// relative path placed in `work_folder`, no URL-decoding.
std::string fetch_file_path(const std::string& url, const std::string& work_folder);

// The page address an instance answers for every javascript: request:
// "file://" + upper-case hex of the address + "__flashplugin_unique__".
std::string unique_base_url(std::uintptr_t instance_address);

}  // namespace flashhost
