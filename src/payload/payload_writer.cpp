#include "payload/payload_writer.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <vector>

#include "common/file_stream.h"
#include "common/paths.h"
#include "payload/payload_format.h"

namespace payload {

namespace {

constexpr size_t kCopyChunk = 256 * 1024;
constexpr uint64_t kMaxCount = 0xFFFFFFFFu;

std::string reason_of_errno() { return std::strerror(errno); }

}  // namespace

PayloadWriter::~PayloadWriter() {
  if (out_) std::fclose(out_);
}

bool PayloadWriter::open(const std::string& path) {
  if (out_) std::fclose(out_);
  out_path_ = path;
  failed_ = false;
  error_message_.clear();
  out_ = std::fopen(path.c_str(), "wb");
  if (!out_) return fail(path + ": cannot create: " + reason_of_errno());
  return true;
}

bool PayloadWriter::close() {
  if (!out_) {
    fail(out_path_ + ": not open");
    return false;
  }
  bool flushed = std::fclose(out_) == 0;
  out_ = nullptr;
  if (!flushed && !failed_) fail(out_path_ + ": cannot write: " + reason_of_errno());
  return !failed_;
}

bool PayloadWriter::fail(const std::string& message) {
  if (!failed_) error_message_ = message;
  failed_ = true;
  return false;
}

bool PayloadWriter::write_bytes(const void* data, size_t size) {
  if (failed_) return false;
  if (!out_) return fail("payload output is not open");
  if (!file_stream::write_exact(out_, data, size)) {
    return fail(out_path_ + ": cannot write: " + reason_of_errno());
  }
  return true;
}

bool PayloadWriter::check_name(const std::string& name, const std::string& source) {
  if (name.size() > kMaxNameLength) {
    return fail(source + ": name is " + std::to_string(name.size()) +
                " bytes long; names must be shorter than 256 bytes");
  }
  if (!is_safe_entry_name(name)) {
    return fail(source + ": \"" + name + "\" cannot be used as a file name in the saver");
  }
  return true;
}

std::FILE* PayloadWriter::open_source(const std::string& path, uint64_t& size) {
  if (failed_) return nullptr;
  if (paths::is_folder(path)) {
    fail(path + ": is a folder, not a file");
    return nullptr;
  }
  std::FILE* source = std::fopen(path.c_str(), "rb");
  if (!source) {
    fail(path + ": cannot read: " + reason_of_errno());
    return nullptr;
  }
  int64_t measured = file_stream::size(source);
  if (measured < 0) {
    fail(path + ": cannot read: " + reason_of_errno());
    std::fclose(source);
    return nullptr;
  }
  size = static_cast<uint64_t>(measured);
  return source;
}

uint64_t PayloadWriter::copy_from(std::FILE* source, const std::string& path, uint64_t size) {
  std::vector<char> buffer(static_cast<size_t>(std::min<uint64_t>(size, kCopyChunk)));
  uint64_t remaining = size;
  while (remaining > 0 && !failed_) {
    size_t piece = static_cast<size_t>(std::min<uint64_t>(remaining, buffer.size()));
    if (!file_stream::read_exact(source, buffer.data(), piece)) {
      fail(path + ": cannot read: " +
           (std::ferror(source) ? reason_of_errno() : std::string("file shrank while reading")));
      break;
    }
    write_bytes(buffer.data(), piece);
    remaining -= piece;
  }
  return failed_ ? 0 : size;
}

uint64_t PayloadWriter::write_raw_file(const std::string& path) {
  uint64_t size = 0;
  std::FILE* source = open_source(path, size);
  if (!source) return 0;
  uint64_t written = copy_from(source, path, size);
  std::fclose(source);
  return written;
}

uint32_t PayloadWriter::write_value(uint32_t value) {
  unsigned char bytes[4];
  file_stream::put_u32le(bytes, value);
  return write_bytes(bytes, 4) ? 4 : 0;
}

uint32_t PayloadWriter::write_block(const void* data, uint32_t size) {
  if (failed_) return 0;
  if (!write_bytes(data, size)) return 0;
  return write_value(size) ? size + 4 : 0;
}

uint32_t PayloadWriter::write_block_from_file(const std::string& path) {
  uint64_t size = 0;
  std::FILE* source = open_source(path, size);
  if (!source) return 0;
  // The count and the entry's body length are 32-bit.
  if (size > kMaxCount - 4 - 4 - kMaxNameLength - 4) {
    std::fclose(source);
    fail(path + ": too large for a saver (4 GB or more)");
    return 0;
  }
  copy_from(source, path, size);
  std::fclose(source);
  if (failed_) return 0;
  return write_value(static_cast<uint32_t>(size)) ? static_cast<uint32_t>(size) + 4 : 0;
}

uint32_t PayloadWriter::write_text(const std::string& text) {
  // Counts are one byte's worth; a longer text could not be walked back.
  if (!check_name(text, out_path_)) return 0;
  if (!write_bytes(text.data(), text.size())) return 0;
  return write_value(static_cast<uint32_t>(text.size())) ? static_cast<uint32_t>(text.size()) + 4
                                                         : 0;
}

uint32_t PayloadWriter::write_footer(uint32_t body_length, uint32_t kind) {
  if (!write_value(body_length) || !write_value(kind)) return 0;
  return kFooterSize;
}

uint32_t PayloadWriter::write_end_entry() { return write_footer(0, kEndEntry); }

uint32_t PayloadWriter::write_settings_entry(const std::string& settings_text) {
  if (failed_) return 0;
  if (settings_text.size() > kMaxCount - 4) {
    fail("settings text is too large");
    return 0;
  }
  uint32_t body = write_block(settings_text.data(), static_cast<uint32_t>(settings_text.size()));
  if (failed_) return 0;
  return write_footer(body, kSettingsEntry) ? body + kFooterSize : 0;
}

uint32_t PayloadWriter::write_settings_entry_from_file(const std::string& path) {
  uint32_t body = write_block_from_file(path);
  if (failed_) return 0;
  return write_footer(body, kSettingsEntry) ? body + kFooterSize : 0;
}

uint32_t PayloadWriter::write_file_entry(const std::string& path) {
  return write_file_entry_named(path, paths::file_part(path));
}

uint32_t PayloadWriter::write_file_entry_named(const std::string& path, const std::string& name) {
  // The name is checked before the contents go out, so that a bad name never
  // leaves half an entry behind.
  if (failed_ || !check_name(name, path)) return 0;
  uint32_t body = write_block_from_file(path);
  if (failed_) return 0;
  body += write_text(name);
  if (failed_) return 0;
  return write_footer(body, kFileEntry) ? body + kFooterSize : 0;
}

uint32_t PayloadWriter::write_data_entry(const void* data, uint32_t size, const std::string& name,
                                         uint32_t value) {
  if (failed_ || !check_name(name, out_path_)) return 0;
  if (size > kMaxCount - 4 - 4 - kMaxNameLength - 4) {
    fail(name + ": data too large");
    return 0;
  }
  uint32_t body = write_block(data, size);
  body += write_text(name);
  body += write_value(value);
  if (failed_) return 0;
  return write_footer(body, kDataEntry) ? body + kFooterSize : 0;
}

uint32_t PayloadWriter::write_folder_entry(const std::string& folder_path) {
  if (failed_) return 0;
  std::string folder_name = paths::file_part(folder_path);
  // "movies/" names the folder "movies" too.
  if (folder_name.empty()) folder_name = paths::file_part(paths::folder_part(folder_path));
  if (!check_name(folder_name, folder_path)) return 0;
  std::vector<std::string> names;
  if (!paths::list_folder(folder_path, names)) {
    fail(folder_path + ": cannot list folder: " + reason_of_errno());
    return 0;
  }
  std::sort(names.begin(), names.end());
  // Everything is checked before the first byte goes out.
  for (const std::string& name : names) {
    std::string path = paths::join(folder_path, name);
    if (paths::is_folder(path)) {
      fail(path + ": sub-folders are not supported; put its files in a folder of their own");
      return 0;
    }
    if (!check_name(name, path)) return 0;
  }
  uint64_t body = write_end_entry();
  for (const std::string& name : names) {
    body += write_file_entry_named(paths::join(folder_path, name), name);
    if (failed_) return 0;
    if (body > kMaxCount - kFooterSize - 4 - kMaxNameLength) {
      fail(folder_path + ": folder too large for a saver (4 GB or more)");
      return 0;
    }
  }
  body += write_text(folder_name);
  if (failed_) return 0;
  uint32_t length = static_cast<uint32_t>(body);
  return write_footer(length, kFolderEntry) ? length + kFooterSize : 0;
}

uint32_t PayloadWriter::write_trailer() { return write_bytes(kTrailer, 4) ? 4 : 0; }

}  // namespace payload
