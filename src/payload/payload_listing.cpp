#include "payload/payload_listing.h"

#include <algorithm>
#include <cstdio>

#include "common/file_stream.h"
#include "common/paths.h"
#include "payload/payload_format.h"
#include "payload/payload_walker.h"

namespace payload {

namespace {

class Lister : public PayloadVisitor {
 public:
  explicit Lister(std::vector<ListedEntry>& entries) : entries_(entries) {}

  bool settings_entry(const BlockSpan& text) override {
    ListedEntry entry;
    entry.kind = kSettingsEntry;
    entry.size = text.size;
    entries_.push_back(entry);
    return true;
  }

  bool file_entry(const std::string& folder, const std::string& name, uint32_t,
                  const BlockSpan& contents) override {
    ListedEntry entry;
    entry.kind = kFileEntry;
    entry.name = name;
    entry.size = contents.size;
    add(folder, entry);
    return true;
  }

  bool data_entry(uint32_t value, const std::string& name, const BlockSpan& data) override {
    ListedEntry entry;
    entry.kind = kDataEntry;
    entry.name = name;
    entry.size = data.size;
    entry.value = value;
    entries_.push_back(entry);
    return true;
  }

  bool folder_entry(const std::string& name) override {
    ListedEntry entry;
    entry.kind = kFolderEntry;
    entry.name = name;
    entries_.push_back(entry);
    return true;
  }

  void unsafe_entry(uint32_t kind, const std::string& folder, const std::string& name) override {
    ListedEntry entry;
    entry.kind = kind;
    entry.name = name;
    entry.unsafe_name = true;
    add(folder, entry);
  }

 private:
  // A folder's files come right after its folder entry in reading order.
  void add(const std::string& folder, const ListedEntry& entry) {
    if (!folder.empty() && !entries_.empty() && entries_.back().kind == kFolderEntry) {
      entries_.back().files.push_back(entry);
    } else {
      entries_.push_back(entry);
    }
  }

  std::vector<ListedEntry>& entries_;
};

}  // namespace

int list_payload(const std::string& saver_path, PayloadListing& out) {
  out = PayloadListing();
  if (!paths::exists(saver_path)) return kProgramMissing;
  std::FILE* file = paths::is_folder(saver_path) ? nullptr : std::fopen(saver_path.c_str(), "rb");
  if (!file) return kProgramCannotOpen;
  int64_t size = file_stream::size(file);
  out.file_size = size < 0 ? 0 : static_cast<uint64_t>(size);
  Lister lister(out.entries);
  WalkResult result = walk_payload(file, lister);
  std::fclose(file);
  out.program_size = result.error ? 0 : result.end_offset;
  // The walk sees the last entry first; authors think in the order they built.
  std::reverse(out.entries.begin(), out.entries.end());
  for (ListedEntry& entry : out.entries) std::reverse(entry.files.begin(), entry.files.end());
  return result.error;
}

}  // namespace payload
