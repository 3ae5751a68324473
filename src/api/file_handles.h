// The File. methods: open files addressed by numbered handles. Ids count
// from 1 and are never reused; "close" keeps the handle, which can be opened
// again.
#pragma once

#include <cstdint>
#include <cstdio>
#include <map>
#include <string_view>

#include "bridge/dispatcher.h"

namespace api {

class FileHandleTable {
 public:
  FileHandleTable() = default;
  ~FileHandleTable();  // closes the streams still open
  FileHandleTable(const FileHandleTable&) = delete;
  FileHandleTable& operator=(const FileHandleTable&) = delete;

  // A new handle with no open stream; its id.
  int32_t add();
  // The stream slot of a handle (null inside while nothing is open), or
  // null when the id was never issued.
  std::FILE** find(int32_t id);

 private:
  int32_t last_id_ = 0;
  std::map<int32_t, std::FILE*> streams_;
};

// The table the FileSystem namespace uses: one for the process, so that
// every window's movie sees the same handles.
FileHandleTable& process_file_handles();

// Answers one File. method (the name after "File."). Argument 1 is the
// handle id except for "new"; an id never issued gives no result. On a
// handle without an open stream the reading methods answer "<null/>",
// "seek" and "tell" -1, "eof" "<true/>", and the writing methods nothing.
bridge::Result call_file_method(FileHandleTable& table, std::string_view method,
                                const bridge::ArgumentList& arguments);

}  // namespace api
