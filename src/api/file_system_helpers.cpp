#include "api/file_system_helpers.h"

#include <cstdio>

namespace api {

namespace {

int hex_digit_value(char c) {
  if (c >= '1' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return 0;
}

}  // namespace

std::string bytes_from_hex_digits(std::string_view digits) {
  std::string bytes;
  bytes.reserve(digits.size() / 2 + 1);
  std::size_t i = 0;
  if (digits.size() % 2 == 1) {
    bytes.push_back(static_cast<char>(hex_digit_value(digits[0])));
    i = 1;
  }
  for (; i + 1 < digits.size(); i += 2) {
    bytes.push_back(static_cast<char>(hex_digit_value(digits[i]) * 16 + hex_digit_value(digits[i + 1])));
  }
  return bytes;
}

std::string file_extension(std::string_view path) {
  const std::size_t component = path.find_last_of("\\/");
  const std::string_view name =
      component == std::string_view::npos ? path : path.substr(component + 1);
  const std::size_t dot = name.rfind('.');
  if (dot == std::string_view::npos) return std::string();
  return std::string(name.substr(dot + 1));
}

bool find_special_folder(std::string_view name, SpecialFolder& out) {
  using Source = SpecialFolder::Source;
  using Fallback = SpecialFolder::Fallback;
  struct Entry {
    std::string_view name;
    Source source;
    std::vector<int> shell_folders;
    Fallback fallback;
  };
  // Shell folder ids: 0 desktop, 16 desktop directory, 25 common desktop
  // directory, 2 programs, 26 application data, 28 local application data,
  // 12 documents folder, 20 fonts, 5 personal, 46 common documents, 14
  // video, 13 music, 39 pictures, 37 system, 10 recycle bin, 7 startup.
  static const Entry kTable[] = {
      {"desktop", Source::kShell, {0, 16, 25}, Fallback::kTempFolder},
      {"app_files", Source::kWorkFolder, {}, Fallback::kNone},
      {"applications", Source::kShell, {2}, Fallback::kTempFolder},
      {"applications_user", Source::kShell, {2}, Fallback::kTempFolder},
      {"application_support", Source::kShell, {26, 28, 12}, Fallback::kProgramFolder},
      {"fonts", Source::kShell, {20}, Fallback::kTempFolder},
      {"documents", Source::kShell, {5}, Fallback::kTempFolder},
      {"documents_shared", Source::kShell, {46}, Fallback::kTempFolder},
      {"movies", Source::kShell, {14}, Fallback::kTempFolder},
      {"music", Source::kShell, {13}, Fallback::kTempFolder},
      {"pictures", Source::kShell, {39}, Fallback::kTempFolder},
      {"system", Source::kShell, {37}, Fallback::kTempFolder},
      {"temp", Source::kTempFolder, {}, Fallback::kNone},
      {"trash", Source::kShell, {10}, Fallback::kTempFolder},
      {"startup", Source::kShell, {7}, Fallback::kTempFolder},
  };
  for (const Entry& entry : kTable) {
    if (entry.name != name) continue;
    out.source = entry.source;
    out.shell_folders = entry.shell_folders;
    out.fallback = entry.fallback;
    return true;
  }
  return false;
}

bool is_stream_mode(std::string_view mode) {
  if (mode.empty() || (mode[0] != 'r' && mode[0] != 'w' && mode[0] != 'a')) return false;
  for (char c : mode.substr(1)) {
    if (c != '+' && c != 'b' && c != 't') return false;
  }
  return true;
}

bool stream_mode_writes(std::string_view mode) {
  return mode.find_first_of("AWaw") != std::string_view::npos;
}

int seek_origin(std::string_view origin) {
  if (origin == "cur") return SEEK_CUR;
  if (origin == "end") return SEEK_END;
  return SEEK_SET;
}

}  // namespace api
