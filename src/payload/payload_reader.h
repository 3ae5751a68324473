// PayloadReader: opens the program file and extracts its payload (movies,
// data files and the settings text) into the work folder.
//
//   PayloadReader reader;
//   reader.open(paths::program_path());
//   reader.read_table();
//   std::string settings;
//   reader.settings_path(settings);
//
// Entry names that would reach outside the folder (a folder part, "..", a
// device name, ...) are not written: such entries are walked past and counted
// in skipped_entries(), and the rest of the payload is extracted as usual,
// the same way an output file that cannot be opened is skipped.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "payload/payload_format.h"

namespace payload {

struct FileEntryRecord {
  uint32_t kind = kFileEntry;
  uint32_t body_length = 0;
  std::string name;
  std::string path;      // where it was (or would have been) extracted
  bool written = false;  // the whole contents reached the file
};

struct DataEntryRecord {
  uint32_t value = 0;
  std::string name;
  std::string path;
  bool written = false;  // false also when a file already stood there
};

struct SettingsEntryRecord {
  std::string path;
  bool written = false;
};

class PayloadReader {
 public:
  PayloadReader();
  ~PayloadReader();
  PayloadReader(const PayloadReader&) = delete;
  PayloadReader& operator=(const PayloadReader&) = delete;

  // Opens the program file, which stays open for the reader's life. Errors:
  // kProgramMissing, kProgramCannotOpen.
  bool open(const std::string& path);

  // Walks the whole payload and extracts every entry. Errors: kNoTrailer,
  // kPayloadDamaged (the entries read before the damage stay extracted).
  bool read_table();

  // The extracted settings file; false when the payload had no settings
  // entry or this walk could not write its file.
  bool settings_path(std::string& out) const;

  // Extraction goes into the work folder unless another folder is given
  // (the builder's extract command uses this).
  void set_target_folder(const std::string& folder) { target_folder_ = folder; }

  int error() const { return error_; }
  const std::vector<FileEntryRecord>& files() const { return files_; }
  const std::vector<DataEntryRecord>& data_blocks() const { return data_blocks_; }
  bool has_settings() const { return has_settings_; }
  const SettingsEntryRecord& settings() const { return settings_; }
  // Entries walked past because of an unsafe name.
  size_t skipped_entries() const { return skipped_entries_; }
  // Every file this walk wrote (file entries, data entries, the settings file).
  std::vector<std::string> extracted_paths() const;

 private:
  class Extractor;
  std::string target_path(const std::string& name) const;

  std::vector<FileEntryRecord> files_;
  std::vector<DataEntryRecord> data_blocks_;
  SettingsEntryRecord settings_;
  bool has_settings_ = false;
  std::FILE* file_ = nullptr;
  int error_ = kReaderOk;
  size_t skipped_entries_ = 0;
  std::vector<std::string> folder_files_;  // written inside folder entries
  std::string target_folder_;
};

}  // namespace payload
