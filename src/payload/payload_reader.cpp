#include "payload/payload_reader.h"

#include <algorithm>

#include "common/file_stream.h"
#include "common/paths.h"
#include "payload/payload_walker.h"
#include "payload/work_folder.h"

namespace payload {

namespace {

// Blocks are copied in pieces of this size, so memory stays small however
// large the movies are.
constexpr size_t kCopyChunk = 256 * 1024;

enum class CopyOutcome { kWritten, kNotWritten, kReadFailed };

}  // namespace

// Extracts each entry the walk hands over.
class PayloadReader::Extractor : public PayloadVisitor {
 public:
  Extractor(PayloadReader& reader, std::FILE* file) : reader_(reader), file_(file) {}

  bool settings_entry(const BlockSpan& text) override {
    reader_.has_settings_ = true;
    reader_.settings_ = SettingsEntryRecord();
    reader_.settings_.path = reader_.target_path(kSettingsFileName);
    CopyOutcome outcome = replace_with_block(reader_.settings_.path, text);
    reader_.settings_.written = outcome == CopyOutcome::kWritten;
    return outcome != CopyOutcome::kReadFailed;
  }

  bool file_entry(const std::string& folder, const std::string& name, uint32_t body_length,
                  const BlockSpan& contents) override {
    FileEntryRecord record;
    record.body_length = body_length;
    record.name = name;
    record.path =
        folder.empty() ? reader_.target_path(name) : paths::join(reader_.target_path(folder), name);
    CopyOutcome outcome = replace_with_block(record.path, contents);
    record.written = outcome == CopyOutcome::kWritten;
    if (folder.empty()) {
      reader_.files_.push_back(record);
    } else if (record.written) {
      reader_.folder_files_.push_back(record.path);
    }
    return outcome != CopyOutcome::kReadFailed;
  }

  bool data_entry(uint32_t value, const std::string& name, const BlockSpan& data) override {
    DataEntryRecord record;
    record.value = value;
    record.name = name;
    record.path = reader_.target_path(name);
    CopyOutcome outcome = CopyOutcome::kNotWritten;
    // A data file that is already there is kept as it is.
    if (!paths::exists(record.path)) outcome = copy_block(record.path, data);
    record.written = outcome == CopyOutcome::kWritten;
    reader_.data_blocks_.push_back(record);
    return outcome != CopyOutcome::kReadFailed;
  }

  bool folder_entry(const std::string& name) override {
    paths::create_folder(reader_.target_path(name));
    return true;
  }

  void unsafe_entry(uint32_t, const std::string&, const std::string&) override {
    ++reader_.skipped_entries_;
  }

 private:
  // An existing file is replaced; a folder of that name, or a file that
  // cannot be deleted, leaves nothing written.
  CopyOutcome replace_with_block(const std::string& path, const BlockSpan& span) {
    if (paths::is_folder(path)) return CopyOutcome::kNotWritten;
    if (paths::exists(path) && !paths::delete_file(path)) return CopyOutcome::kNotWritten;
    return copy_block(path, span);
  }

  CopyOutcome copy_block(const std::string& path, const BlockSpan& span) {
    std::FILE* out = std::fopen(path.c_str(), "wb");
    if (!out) return CopyOutcome::kNotWritten;
    CopyOutcome outcome = CopyOutcome::kWritten;
    if (!file_stream::seek_to(file_, span.offset)) outcome = CopyOutcome::kReadFailed;
    uint64_t remaining = span.size;
    if (remaining > 0 && buffer_.empty()) buffer_.resize(kCopyChunk);
    while (outcome == CopyOutcome::kWritten && remaining > 0) {
      size_t piece = static_cast<size_t>(std::min<uint64_t>(remaining, buffer_.size()));
      if (!file_stream::read_exact(file_, buffer_.data(), piece)) {
        outcome = CopyOutcome::kReadFailed;
      } else if (!file_stream::write_exact(out, buffer_.data(), piece)) {
        outcome = CopyOutcome::kNotWritten;
      }
      remaining -= piece;
    }
    if (std::fclose(out) != 0 && outcome == CopyOutcome::kWritten) {
      outcome = CopyOutcome::kNotWritten;
    }
    // A partly written file would pass for a whole one later: remove it.
    if (outcome != CopyOutcome::kWritten) paths::delete_file(path);
    return outcome;
  }

  PayloadReader& reader_;
  std::FILE* file_;
  std::vector<char> buffer_;
};

PayloadReader::PayloadReader() = default;

PayloadReader::~PayloadReader() {
  if (file_) std::fclose(file_);
}

bool PayloadReader::open(const std::string& path) {
  if (file_) {
    std::fclose(file_);
    file_ = nullptr;
  }
  if (!paths::exists(path)) {
    error_ = kProgramMissing;
    return false;
  }
  // Some platforms open a folder for reading; it is no program file either.
  file_ = paths::is_folder(path) ? nullptr : std::fopen(path.c_str(), "rb");
  if (!file_) {
    error_ = kProgramCannotOpen;
    return false;
  }
  error_ = kReaderOk;
  return true;
}

bool PayloadReader::read_table() {
  files_.clear();
  data_blocks_.clear();
  folder_files_.clear();
  settings_ = SettingsEntryRecord();
  has_settings_ = false;
  skipped_entries_ = 0;
  if (!file_) {
    if (error_ == kReaderOk) error_ = kProgramCannotOpen;
    return false;
  }
  error_ = kReaderOk;
  Extractor extractor(*this, file_);
  WalkResult result = walk_payload(file_, extractor);
  error_ = result.error;
  return error_ == kReaderOk;
}

bool PayloadReader::settings_path(std::string& out) const {
  if (!has_settings_ || !settings_.written) return false;
  if (!paths::exists(settings_.path) || paths::is_folder(settings_.path)) return false;
  out = settings_.path;
  return true;
}

std::vector<std::string> PayloadReader::extracted_paths() const {
  std::vector<std::string> result;
  for (const FileEntryRecord& file : files_) {
    if (file.written) result.push_back(file.path);
  }
  result.insert(result.end(), folder_files_.begin(), folder_files_.end());
  for (const DataEntryRecord& data : data_blocks_) {
    if (data.written) result.push_back(data.path);
  }
  if (has_settings_ && settings_.written) result.push_back(settings_.path);
  return result;
}

std::string PayloadReader::target_path(const std::string& name) const {
  if (target_folder_.empty()) return work_folder::path_of(name);
  return paths::join(target_folder_, name);
}

}  // namespace payload
