#include "api/file_handles.h"

#include <cstdint>
#include <string>

#include "api/file_system_helpers.h"
#include "common/paths.h"

namespace api {

FileHandleTable::~FileHandleTable() {
  for (auto& entry : streams_) {
    if (entry.second) std::fclose(entry.second);
  }
}

int32_t FileHandleTable::add() {
  const int32_t id = ++last_id_;
  streams_[id] = nullptr;
  return id;
}

std::FILE** FileHandleTable::find(int32_t id) {
  auto found = streams_.find(id);
  return found == streams_.end() ? nullptr : &found->second;
}

FileHandleTable& process_file_handles() {
  static FileHandleTable table;
  return table;
}

namespace {

using bridge::Result;

void close_stream(std::FILE*& stream) {
  if (stream) std::fclose(stream);
  stream = nullptr;
}

// The previous stream is closed first: a stream the handle no longer
// points at could never be flushed or closed by the movie.
bool open_stream(std::FILE*& stream, const std::string& path, const std::string& mode) {
  close_stream(stream);
  if (!path_fits(path) || !is_stream_mode(mode)) return false;
  if (stream_mode_writes(mode) && !paths::exists(path) && !paths::create_empty_file(path)) {
    return false;
  }
  stream = std::fopen(path.c_str(), mode.c_str());
  return stream != nullptr;
}

Result read_character(std::FILE* stream) {
  if (!stream) return bridge::result_null();
  const int c = std::fgetc(stream);
  if (c == EOF) return bridge::result_null();
  // A zero byte ends the text it would start: the movie sees "".
  if (c == 0) return bridge::result_text("", true);
  return bridge::result_text(std::string(1, static_cast<char>(c)), true);
}

Result read_line(std::FILE* stream) {
  if (!stream) return bridge::result_null();
  char line[1024];
  if (!std::fgets(line, sizeof line, stream)) return bridge::result_null();
  return bridge::result_text(line, true);
}

void write_text(std::FILE* stream, const std::string& text) {
  if (stream) std::fputs(text.c_str(), stream);
}

}  // namespace

Result call_file_method(FileHandleTable& table, std::string_view method,
                        const bridge::ArgumentList& arguments) {
  if (method == "new") return bridge::result_integer(table.add());
  std::FILE** slot = table.find(bridge::read_integer(arguments, 1));
  if (!slot) return std::nullopt;
  std::FILE*& stream = *slot;
  if (method == "open") {
    return bridge::result_boolean(
        open_stream(stream, bridge::read_text(arguments, 2), bridge::read_text(arguments, 3)));
  }
  if (method == "close") {
    close_stream(stream);
    return std::nullopt;
  }
  if (method == "getc") return read_character(stream);
  if (method == "putc" || method == "puts") {
    write_text(stream, bridge::read_text(arguments, 2));
    return std::nullopt;
  }
  if (method == "gets") return read_line(stream);
  if (method == "seek") {
    if (!stream) return bridge::result_integer(-1);
    const int moved = std::fseek(stream, bridge::read_integer(arguments, 2),
                                 seek_origin(arguments.text(3)));
    return bridge::result_integer(moved == 0 ? 0 : -1);
  }
  if (method == "tell") {
    const long position = stream ? std::ftell(stream) : -1;
    // A position past what the answer's 32 bits hold is no position.
    if (position < 0 || position > INT32_MAX) return bridge::result_integer(-1);
    return bridge::result_integer(static_cast<int32_t>(position));
  }
  if (method == "eof") return bridge::result_boolean(!stream || std::feof(stream) != 0);
  return std::nullopt;
}

}  // namespace api
