// Byte layout of the payload appended to the saver program: entries written
// value first and size last so that they can be walked backwards from the
// trailer FF EE "QN" at the very end of the file. All numbers are unsigned
// 32-bit little-endian.
#pragma once

#include <cstdint>
#include <string>

namespace payload {

enum EntryKind : uint32_t {
  kEndEntry = 0,       // empty body; the first entry of a payload (and of a folder)
  kSettingsEntry = 1,  // block: the settings text
  kFileEntry = 5,      // block: contents; text: file name
  kDataEntry = 7,      // block: data; text: file name; 32-bit value
  kFolderEntry = 8,    // end entry; the folder's file entries; text: folder name
};

// The last four bytes of a saver that carries a payload.
extern const unsigned char kTrailer[4];  // 0xFF 0xEE 'Q' 'N'

constexpr uint32_t kFooterSize = 8;  // body length, then kind
// A text's count is one byte's worth: names are shorter than 256 bytes.
constexpr uint32_t kMaxNameLength = 255;

// Reader errors (PayloadReader::error()).
enum ReaderError {
  kReaderOk = 0,
  kProgramMissing = 100,
  kProgramCannotOpen = 101,
  kNoTrailer = 102,
  // A count reaches before the start of the file, a name is longer than any
  // writer produces, a read comes up short, or a folder holds anything but
  // file entries: the walk stops instead of reading outside the file.
  kPayloadDamaged = 103,
};

// The settings text is extracted under this name.
extern const char kSettingsFileName[];  // "fp.dat"

// True when a name can be used as a file name directly inside the work folder
// on every platform: not empty, shorter than 256 bytes, no folder part ('\\',
// '/', ':'), no control characters or characters Windows refuses in names, not
// only dots and spaces (".", ".." and "..." would reach the folder itself or
// its parent), not ending in a dot or space (Windows drops those, so "x." and
// "x" would collide), and not a Windows device name such as "CON" or "com1.txt".
bool is_safe_entry_name(const std::string& name);

}  // namespace payload
