// Pure rules behind the FileSystem and File methods: path lengths, hex
// digits, extensions, size units, the special folder table, and the stream
// mode and seek origin texts.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace api {

// The longest path the system's ANSI file functions take (MAX_PATH less
// the NUL). Longer paths fail cleanly instead of overrunning a path buffer.
constexpr std::size_t kLongestPath = 259;
inline bool path_fits(std::string_view path) { return path.size() <= kLongestPath; }

// The bytes that a text of hexadecimal digits spells: an odd first digit
// makes a byte alone, then each pair makes one byte. "1"-"9", "A"-"F" and
// "a"-"f" have their values; every other character counts as 0.
std::string bytes_from_hex_digits(std::string_view digits);

// The text after the last "." of the last path component ("\" or "/"
// separates components); empty when that component holds no ".".
std::string file_extension(std::string_view path);

// Size units: kilobytes by integer division, megabytes and gigabytes as
// fractions of those kilobytes (printed with two decimals by their users).
inline uint64_t size_in_kilobytes(uint64_t bytes) { return bytes >> 10; }
inline double size_in_megabytes(uint64_t bytes) {
  return static_cast<double>(bytes >> 10) * (1.0 / 1024);
}
inline double size_in_gigabytes(uint64_t bytes) {
  return static_cast<double>(bytes >> 10) * (1.0 / 1048576);
}

// Where a special folder name leads.
struct SpecialFolder {
  enum class Source {
    kShell,       // the first shell folder (CSIDL) of `shell_folders` that has a path
    kWorkFolder,  // the run's work folder, with a trailing separator
    kTempFolder,  // the user's temporary folder, with a trailing separator
  };
  enum class Fallback {
    kNone,
    kTempFolder,     // the user's temporary folder
    kProgramFolder,  // the folder that holds the program file
  };
  Source source = Source::kShell;
  std::vector<int> shell_folders;
  Fallback fallback = Fallback::kNone;
};

// False for names that lead nowhere ("library", "preferences", "startmenu"
// and every name not in the table; compared exactly).
bool find_special_folder(std::string_view name, SpecialFolder& out);

// A stream mode the runtime library takes: "r", "w" or "a", then any of
// "+", "b" and "t". Other texts are refused before they reach fopen.
bool is_stream_mode(std::string_view mode);
// True when the mode holds any of the letters A, W, a, w (the stream may
// create its file).
bool stream_mode_writes(std::string_view mode);

// "beg", "cur", "end" as SEEK_SET, SEEK_CUR, SEEK_END; anything else counts
// as "beg".
int seek_origin(std::string_view origin);

}  // namespace api
