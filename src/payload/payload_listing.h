// What a finished saver carries, read without extracting anything.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace payload {

struct ListedEntry {
  uint32_t kind = 0;
  std::string name;                // empty for the settings entry
  uint64_t size = 0;               // of the block (file contents, data, settings text)
  uint32_t value = 0;              // data entries
  bool unsafe_name = false;        // the reader would skip it
  std::vector<ListedEntry> files;  // folder entries
};

struct PayloadListing {
  // Bytes before the payload (the program itself).
  uint64_t program_size = 0;
  uint64_t file_size = 0;
  // Entries in file order (as the builder wrote them).
  std::vector<ListedEntry> entries;
};

// Answers 0 or a reader error (kProgramMissing, kProgramCannotOpen, kNoTrailer,
// kPayloadDamaged).
int list_payload(const std::string& saver_path, PayloadListing& out);

}  // namespace payload
