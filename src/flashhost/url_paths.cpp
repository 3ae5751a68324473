#include "flashhost/url_paths.h"

#include <cstdio>

#include "common/paths.h"

namespace flashhost {

namespace {

bool starts_with(const std::string& text, const char* prefix) {
  return text.compare(0, std::char_traits<char>::length(prefix), prefix) == 0;
}

int hex_value(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

std::string without_file_scheme(const std::string& url) {
  if (starts_with(url, "file:///")) return url.substr(8);
  if (starts_with(url, "file://")) return url.substr(7);
  return url;
}

std::string in_work_folder(const std::string& path, const std::string& work_folder) {
  if (is_absolute_path(path)) return path;
  return work_folder + paths::separator() + path;
}

}  // namespace

bool is_javascript_url(const std::string& url) { return starts_with(url, "javascript:"); }

bool is_http_url(const std::string& url) {
  return starts_with(url, "http://") || starts_with(url, "https://");
}

void url_decode_in_place(std::string& text) {
  std::size_t out = 0;
  for (std::size_t in = 0; in < text.size(); ++in) {
    char c = text[in];
    if (c == '+') {
      text[out++] = ' ';
    } else if (c == '%') {
      int high = in + 1 < text.size() ? hex_value(text[in + 1]) : -1;
      int low = in + 2 < text.size() ? hex_value(text[in + 2]) : -1;
      if (high >= 0 && low >= 0) {
        text[out++] = static_cast<char>(high * 16 + low);
        in += 2;
      }
    } else {
      text[out++] = c;
    }
  }
  text.resize(out);
}

bool is_absolute_path(const std::string& path) {
  if (path.empty()) return false;
  if (path[0] == '\\' || path[0] == paths::separator()) return true;
  return path.size() > 1 && path[1] == ':';
}

std::string stream_file_path(const std::string& url, const std::string& work_folder) {
  std::string path = in_work_folder(without_file_scheme(url), work_folder);
  url_decode_in_place(path);
  return path;
}

std::string fetch_file_path(const std::string& url, const std::string& work_folder) {
  return in_work_folder(without_file_scheme(url), work_folder);
}

std::string unique_base_url(std::uintptr_t instance_address) {
  char text[64];
  std::snprintf(text, sizeof text, "file://%llX__flashplugin_unique__",
                static_cast<unsigned long long>(instance_address));
  return text;
}

}  // namespace flashhost
