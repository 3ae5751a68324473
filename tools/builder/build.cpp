#include "builder/build.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <random>
#include <set>

#include "builder/settings_options.h"
#include "common/file_stream.h"
#include "common/paths.h"
#include "payload/payload_format.h"
#include "payload/payload_reader.h"
#include "payload/payload_writer.h"

namespace saverbuild {

namespace {

// Files the saver itself writes into its work folder; an entry of that name
// would be overwritten (or would overwrite them).
const char* const kReservedNames[] = {"fp.dat", "npfp.dll", "_xxswfxx__.bin"};

std::string lower(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

// The name an input is stored under: its last path component.
std::string entry_name_of(const std::string& path) {
  std::string name = paths::file_part(path);
  if (name.empty()) name = paths::file_part(paths::folder_part(path));  // "movies/"
  return name;
}

bool check_name(const std::string& name, const std::string& path, std::string& error) {
  if (name.size() > payload::kMaxNameLength) {
    error = path + ": name is " + std::to_string(name.size()) +
            " bytes long; names must be shorter than 256 bytes";
    return false;
  }
  if (!payload::is_safe_entry_name(name)) {
    error = path + ": \"" + name + "\" cannot be used as a file name in the saver";
    return false;
  }
  for (const char* reserved : kReservedNames) {
    if (lower(name) == reserved) {
      error = path + ": \"" + name + "\" is a name the saver uses for its own files";
      return false;
    }
  }
  return true;
}

bool check_readable_file(const std::string& path, const char* what, std::string& error) {
  if (!paths::exists(path)) {
    error = path + ": " + what + " not found";
    return false;
  }
  if (paths::is_folder(path)) {
    error = path + ": " + what + " is a folder, not a file";
    return false;
  }
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (!file) {
    error = path + ": cannot read " + what + ": " + std::strerror(errno);
    return false;
  }
  std::fclose(file);
  return true;
}

bool ends_with_trailer(const std::string& path) {
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (!file) return false;
  unsigned char tail[4] = {0, 0, 0, 0};
  int64_t size = file_stream::size(file);
  bool found = size >= 4 && file_stream::seek_to(file, static_cast<uint64_t>(size) - 4) &&
               file_stream::read_exact(file, tail, 4) &&
               std::memcmp(tail, payload::kTrailer, 4) == 0;
  std::fclose(file);
  return found;
}

// Every input is checked before the first byte is written.
bool check_request(const BuildRequest& request, std::string& error) {
  if (request.runtime_path.empty()) {
    error = "no runtime given (--runtime FILE: the saver program without a payload)";
    return false;
  }
  if (request.output_path.empty()) {
    error = "no output given (-o FILE)";
    return false;
  }
  if (request.inputs.empty()) {
    error = "no movie files given";
    return false;
  }
  if (request.settings_file.empty() && !request.has_settings_text) {
    error = "no settings given (--settings FILE)";
    return false;
  }
  if (!check_readable_file(request.runtime_path, "runtime", error)) return false;
  if (ends_with_trailer(request.runtime_path)) {
    error =
        request.runtime_path + ": runtime already carries a payload; give the plain saver program";
    return false;
  }
  // The two programs take the same payload; a mix-up would give a saver that
  // opens a window or a windowed player that Windows runs as a saver.
  if (request.windowed != is_windowed_runtime(request.runtime_path)) {
    error = request.runtime_path +
            (request.windowed ? ": not the windowed player program (player.exe); --windowed "
                                "builds from that one"
                              : ": this is the windowed player program; build it with "
                                "--windowed, or give the saver program (saver.scr)");
    return false;
  }
  if (paths::resolve(request.output_path) == paths::resolve(request.runtime_path)) {
    error = request.output_path + ": output would replace the runtime";
    return false;
  }
  if (!request.settings_file.empty() &&
      !check_readable_file(request.settings_file, "settings file", error)) {
    return false;
  }
  std::set<std::string> names;
  for (const std::string& input : request.inputs) {
    std::string name = entry_name_of(input);
    if (!check_name(name, input, error)) return false;
    if (!names.insert(lower(name)).second) {
      error = input + ": another input is also named \"" + name +
              "\" (names are compared without case, as Windows does)";
      return false;
    }
    if (paths::is_folder(input)) {
      std::vector<std::string> files;
      if (!paths::list_folder(input, files)) {
        error = input + ": cannot list folder: " + std::strerror(errno);
        return false;
      }
      for (const std::string& file : files) {
        std::string path = paths::join(input, file);
        if (paths::is_folder(path)) {
          error = path + ": sub-folders are not supported; put its files in a folder of their own";
          return false;
        }
        if (!check_name(file, path, error) || !check_readable_file(path, "file", error)) {
          return false;
        }
      }
    } else if (!check_readable_file(input, "movie file", error)) {
      return false;
    }
  }
  return true;
}

std::string temporary_output_path(const std::string& output) {
  std::random_device random;
  for (int attempt = 0; attempt < 20; ++attempt) {
    std::string candidate = output + ".partial-" + std::to_string(random() % 1000000);
    if (!paths::exists(candidate)) return candidate;
  }
  return output + ".partial";
}

bool write_saver(const BuildRequest& request, const std::string& path, std::string& error) {
  payload::PayloadWriter writer;
  writer.open(path);
  writer.write_raw_file(request.runtime_path);
  writer.write_end_entry();
  for (const std::string& input : request.inputs) {
    if (paths::is_folder(input)) {
      writer.write_folder_entry(input);
    } else {
      writer.write_file_entry(input);
    }
  }
  if (!request.settings_file.empty()) {
    writer.write_settings_entry_from_file(request.settings_file);
  } else {
    writer.write_settings_entry(request.settings_text);
  }
  writer.write_trailer();
  if (!writer.close()) {
    error = writer.error_message();
    return false;
  }
  return true;
}

}  // namespace

bool is_windowed_runtime(const std::string& path) {
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (!file) return false;
  const std::string marker = kWindowedRuntimeMarker;
  // Read in blocks that overlap by the marker's length, so that a marker
  // across a block boundary is still found.
  std::string window;
  char block[65536];
  bool found = false;
  std::size_t got;
  while (!found && (got = std::fread(block, 1, sizeof block, file)) > 0) {
    window.append(block, got);
    found = window.find(marker) != std::string::npos;
    if (window.size() > marker.size()) window.erase(0, window.size() - marker.size());
  }
  std::fclose(file);
  return found;
}

bool build_saver(const BuildRequest& request, BuildSummary& summary, std::string& error) {
  summary = BuildSummary();
  if (!check_request(request, error)) return false;
  if (!check_settings(request, error)) return false;  // read as the saver will read it
  std::string temporary = temporary_output_path(request.output_path);
  bool ok = write_saver(request, temporary, error);
  if (ok) {
    // Read back what was written, as the saver will: a cheap walk over the
    // footers that catches a file changed while it was being copied.
    payload::PayloadListing listing;
    int walk_error = payload::list_payload(temporary, listing);
    if (walk_error != 0) {
      error =
          temporary + ": written saver does not read back: " + describe_reader_error(walk_error);
      ok = false;
    } else {
      summary.program_size = listing.program_size;
      summary.output_size = listing.file_size;
      summary.entries = listing.entries.size() - 1;  // without the settings entry
    }
  }
  if (ok && !paths::replace_file(temporary, request.output_path)) {
    error = request.output_path + ": cannot write output: " + std::strerror(errno);
    ok = false;
  }
  if (!ok) paths::delete_file(temporary);
  return ok;
}

std::string describe_reader_error(int error) {
  switch (error) {
    case payload::kReaderOk:
      return "no error";
    case payload::kProgramMissing:
      return "file not found";
    case payload::kProgramCannotOpen:
      return "cannot open file";
    case payload::kNoTrailer:
      return "no payload (the file does not end in a saver payload)";
    case payload::kPayloadDamaged:
      return "payload is damaged";
    default:
      return "reader error " + std::to_string(error);
  }
}

namespace {

// Names come from the file; keep control bytes from reaching the terminal.
std::string printable(const std::string& name) {
  std::string out;
  for (unsigned char c : name) {
    if (c < 0x20 || c == 0x7F) {
      char buf[8];
      std::snprintf(buf, sizeof buf, "\\x%02X", c);
      out += buf;
    } else {
      out += static_cast<char>(c);
    }
  }
  return out;
}

std::string entry_line(const payload::ListedEntry& entry, const std::string& prefix) {
  const char* kind = "?";
  switch (entry.kind) {
    case payload::kFileEntry:
      kind = "file";
      break;
    case payload::kDataEntry:
      kind = "data";
      break;
    case payload::kSettingsEntry:
      kind = "settings";
      break;
    case payload::kFolderEntry:
      kind = "folder";
      break;
  }
  std::string name =
      entry.kind == payload::kSettingsEntry
          ? std::string(payload::kSettingsFileName)
          : prefix + printable(entry.name) + (entry.kind == payload::kFolderEntry ? "/" : "");
  char line[512];
  if (entry.kind == payload::kFolderEntry) {
    std::snprintf(line, sizeof line, "  %-9s %s  (%zu file%s)", kind, name.c_str(),
                  entry.files.size(), entry.files.size() == 1 ? "" : "s");
  } else {
    std::snprintf(line, sizeof line, "  %-9s %s  %llu bytes", kind, name.c_str(),
                  static_cast<unsigned long long>(entry.size));
  }
  std::string text = line;
  if (entry.kind == payload::kDataEntry) text += "  value " + std::to_string(entry.value);
  if (entry.unsafe_name) text += "  (unsafe name: the saver skips it)";
  return text + "\n";
}

}  // namespace

std::string describe_listing(const std::string& saver_path,
                             const payload::PayloadListing& listing) {
  std::string text = saver_path + ": program " + std::to_string(listing.program_size) +
                     " bytes, payload " + std::to_string(listing.file_size - listing.program_size) +
                     " bytes\n";
  for (const payload::ListedEntry& entry : listing.entries) {
    text += entry_line(entry, "");
    for (const payload::ListedEntry& file : entry.files) {
      text += entry_line(file, printable(entry.name) + "/");
    }
  }
  return text;
}

bool extract_saver(const std::string& saver_path, const std::string& folder,
                   std::vector<std::string>& written, size_t& skipped, std::string& error) {
  written.clear();
  skipped = 0;
  if (!paths::create_folder(folder)) {
    error = folder + ": cannot create folder: " + std::strerror(errno);
    return false;
  }
  payload::PayloadReader reader;
  reader.set_target_folder(folder);
  if (!reader.open(saver_path) || !reader.read_table()) {
    error = saver_path + ": " + describe_reader_error(reader.error());
    written = reader.extracted_paths();
    return false;
  }
  written = reader.extracted_paths();
  skipped = reader.skipped_entries();
  size_t expected =
      reader.files().size() + reader.data_blocks().size() + (reader.has_settings() ? 1 : 0);
  size_t written_top = 0;
  for (const auto& file : reader.files()) written_top += file.written ? 1 : 0;
  for (const auto& data : reader.data_blocks()) written_top += data.written ? 1 : 0;
  if (reader.has_settings() && reader.settings().written) ++written_top;
  if (written_top != expected) {
    error = folder + ": some files could not be written (a folder or a read-only file in the way?)";
    return false;
  }
  return true;
}

}  // namespace saverbuild
