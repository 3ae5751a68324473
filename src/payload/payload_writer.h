// PayloadWriter: appends payload entries to an output file in the layout the
// reader walks backwards (each field value first, size last; each entry body
// then its footer).
//
// Every write answers the number of bytes it wrote; each entry answers its
// total size (body plus footer). The first failure (a source that cannot be
// read, a name that cannot be used, a folder with sub-folders, a write
// error) makes the writer fail for good: later writes do nothing, and the
// output must be thrown away. A failing entry's source is checked before any
// of its bytes are written.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

namespace payload {

class PayloadWriter {
 public:
  PayloadWriter() = default;
  ~PayloadWriter();
  PayloadWriter(const PayloadWriter&) = delete;
  PayloadWriter& operator=(const PayloadWriter&) = delete;

  // Creates (or truncates) the output file.
  bool open(const std::string& path);
  // Closes the output; false when any write (or the final flush) failed.
  bool close();

  bool failed() const { return failed_; }
  // One line naming the file and the reason of the first failure.
  const std::string& error_message() const { return error_message_; }

  // The bytes of a whole file, with no count: the saver program itself.
  uint64_t write_raw_file(const std::string& path);

  // Fields.
  uint32_t write_value(uint32_t value);
  uint32_t write_block(const void* data, uint32_t size);
  uint32_t write_block_from_file(const std::string& path);
  uint32_t write_text(const std::string& text);
  uint32_t write_footer(uint32_t body_length, uint32_t kind);

  // Entries.
  uint32_t write_end_entry();
  uint32_t write_settings_entry(const std::string& settings_text);
  uint32_t write_settings_entry_from_file(const std::string& path);
  // Named after the file part of the path.
  uint32_t write_file_entry(const std::string& path);
  uint32_t write_data_entry(const void* data, uint32_t size, const std::string& name,
                            uint32_t value);
  // The folder's files, sorted by name. Sub-folders are refused.
  uint32_t write_folder_entry(const std::string& folder_path);
  uint32_t write_trailer();

 private:
  bool fail(const std::string& message);
  bool check_name(const std::string& name, const std::string& source);
  // Opens a source for reading and measures it; fails the writer otherwise.
  std::FILE* open_source(const std::string& path, uint64_t& size);
  uint64_t copy_from(std::FILE* source, const std::string& path, uint64_t size);
  bool write_bytes(const void* data, size_t size);
  uint32_t write_file_entry_named(const std::string& path, const std::string& name);

  std::FILE* out_ = nullptr;
  std::string out_path_;
  bool failed_ = false;
  std::string error_message_;
};

}  // namespace payload
