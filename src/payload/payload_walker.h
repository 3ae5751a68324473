// The backward walk over a payload, separate from what is done with each
// entry: the reader extracts, the listing only records.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

namespace payload {

// Where an entry's block lies in the file.
struct BlockSpan {
  uint64_t offset = 0;
  uint32_t size = 0;
};

class PayloadVisitor {
 public:
  virtual ~PayloadVisitor() = default;
  // Each call may move the file position; the walk seeks before every read.
  // Answer false when the block could not be read: the walk then ends as
  // damaged. (Failing to write an entry out is the visitor's own business.)
  virtual bool settings_entry(const BlockSpan& text) = 0;
  // `folder` is empty for a file at the top of the payload.
  virtual bool file_entry(const std::string& folder, const std::string& name, uint32_t body_length,
                          const BlockSpan& contents) = 0;
  virtual bool data_entry(uint32_t value, const std::string& name, const BlockSpan& data) = 0;
  // Called before the folder's file entries are walked.
  virtual bool folder_entry(const std::string& name) = 0;
  // An entry whose name would not stay inside the target folder: it is walked
  // past and not handed on (a folder's files are skipped with it). `folder`
  // is empty for an entry at the top of the payload.
  virtual void unsafe_entry(uint32_t kind, const std::string& folder, const std::string& name) {
    (void)kind;
    (void)folder;
    (void)name;
  }
};

struct WalkResult {
  int error = 0;  // 0, kNoTrailer or kPayloadDamaged
  // The offset of the entry that ended the walk (for a complete payload, the
  // end entry: everything before it is the program itself).
  uint64_t end_offset = 0;
  uint32_t end_kind = 0;
};

// Walks the payload of an open file from its last byte backwards and hands
// each entry to the visitor, in reading order (last entry first). No read
// goes outside the file and no count is trusted before it is checked.
WalkResult walk_payload(std::FILE* file, PayloadVisitor& visitor);

}  // namespace payload
