#include "payload/payload_walker.h"

#include "common/file_stream.h"
#include "payload/payload_format.h"

namespace payload {

namespace {

// A cursor that moves backwards through the file. Every read first checks
// that the bytes lie between the start of the file and the cursor.
class BackwardCursor {
 public:
  BackwardCursor(std::FILE* file, uint64_t end) : file_(file), position_(end) {}

  uint64_t position() const { return position_; }

  bool read_bytes(void* buffer, uint32_t count) {
    if (count > position_) return false;
    position_ -= count;
    return file_stream::seek_to(file_, position_) && file_stream::read_exact(file_, buffer, count);
  }

  bool read_value(uint32_t& value) {
    unsigned char bytes[4];
    if (!read_bytes(bytes, 4)) return false;
    value = file_stream::get_u32le(bytes);
    return true;
  }

  // A block is left in place: only its span is noted, so that nothing is
  // allocated for it here.
  bool read_block(BlockSpan& span) {
    uint32_t count;
    if (!read_value(count) || count > position_) return false;
    position_ -= count;
    span.offset = position_;
    span.size = count;
    return true;
  }

  bool read_text(std::string& text) {
    uint32_t count;
    if (!read_value(count) || count > kMaxNameLength) return false;
    text.assign(count, '\0');
    return count == 0 || read_bytes(&text[0], count);
  }

 private:
  std::FILE* file_;
  uint64_t position_;
};

bool read_footer(BackwardCursor& cursor, uint32_t& kind, uint32_t& body_length) {
  return cursor.read_value(kind) && cursor.read_value(body_length);
}

// The folder's file entries, up to and including its leading end entry.
bool walk_folder_files(BackwardCursor& cursor, PayloadVisitor& visitor, const std::string& folder,
                       bool folder_is_safe) {
  for (;;) {
    uint32_t kind, body_length;
    if (!read_footer(cursor, kind, body_length)) return false;
    if (kind == kEndEntry) return true;
    // Only file entries belong in a folder; a nested folder or anything
    // else is a layout this walk does not know, so it cannot stay aligned.
    if (kind != kFileEntry) return false;
    std::string name;
    BlockSpan contents;
    if (!cursor.read_text(name) || !cursor.read_block(contents)) return false;
    if (!folder_is_safe || !is_safe_entry_name(name)) {
      visitor.unsafe_entry(kind, folder, name);
    } else if (!visitor.file_entry(folder, name, body_length, contents)) {
      return false;
    }
  }
}

}  // namespace

WalkResult walk_payload(std::FILE* file, PayloadVisitor& visitor) {
  WalkResult result;
  int64_t file_size = file_stream::size(file);
  if (file_size < 0) {
    result.error = kPayloadDamaged;
    return result;
  }
  BackwardCursor cursor(file, static_cast<uint64_t>(file_size));
  unsigned char trailer[4];
  if (!cursor.read_bytes(trailer, 4) || trailer[0] != kTrailer[0] || trailer[1] != kTrailer[1] ||
      trailer[2] != kTrailer[2] || trailer[3] != kTrailer[3]) {
    result.error = kNoTrailer;
    return result;
  }

  for (;;) {
    uint32_t kind, body_length;
    if (!read_footer(cursor, kind, body_length)) {
      result.error = kPayloadDamaged;
      return result;
    }
    bool ok = true;
    std::string name;
    switch (kind) {
      case kSettingsEntry: {
        BlockSpan text;
        ok = cursor.read_block(text) && visitor.settings_entry(text);
        break;
      }
      case kFileEntry: {
        BlockSpan contents;
        ok = cursor.read_text(name) && cursor.read_block(contents);
        if (ok && !is_safe_entry_name(name)) {
          visitor.unsafe_entry(kind, std::string(), name);
        } else if (ok) {
          ok = visitor.file_entry(std::string(), name, body_length, contents);
        }
        break;
      }
      case kDataEntry: {
        uint32_t value;
        BlockSpan data;
        ok = cursor.read_value(value) && cursor.read_text(name) && cursor.read_block(data);
        if (ok && !is_safe_entry_name(name)) {
          visitor.unsafe_entry(kind, std::string(), name);
        } else if (ok) {
          ok = visitor.data_entry(value, name, data);
        }
        break;
      }
      case kFolderEntry: {
        ok = cursor.read_text(name);
        if (!ok) break;
        bool safe = is_safe_entry_name(name);
        if (safe) {
          ok = visitor.folder_entry(name);
        } else {
          visitor.unsafe_entry(kind, std::string(), name);
        }
        ok = ok && walk_folder_files(cursor, visitor, name, safe);
        break;
      }
      default:
        // The end entry, or any kind this walk does not know, ends the walk.
        result.end_offset = cursor.position();
        result.end_kind = kind;
        return result;
    }
    if (!ok) {
      result.error = kPayloadDamaged;
      return result;
    }
  }
}

}  // namespace payload
