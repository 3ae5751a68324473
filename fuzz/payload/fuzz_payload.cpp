// Walks arbitrary bytes as a saver's payload. Besides the sanitizers'
// checks: nothing may be written outside the work folder, and the listing
// must agree with the reader about where the walk failed.
#include <stdlib.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>

#include "payload/payload_listing.h"
#include "payload/payload_reader.h"
#include "payload/work_folder.h"

namespace {

std::string scratch;  // stands for the user's temporary folder

void remove_scratch() {
  std::error_code ignored;
  std::filesystem::remove_all(scratch, ignored);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  // Memory-backed when possible: every input writes files.
  const char* base = getenv("TMPDIR");
  if (!base || !*base) base = std::filesystem::is_directory("/dev/shm") ? "/dev/shm" : "/tmp";
  std::string pattern = std::string(base) + "/fuzz_payload_XXXXXX";
  if (!mkdtemp(&pattern[0])) abort();
  scratch = pattern;
  setenv("TMPDIR", scratch.c_str(), 1);
  atexit(remove_scratch);
  work_folder::set_name(work_folder::default_name());
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  namespace fs = std::filesystem;
  std::error_code ignored;
  fs::remove_all(work_folder::path(), ignored);
  if (!work_folder::create()) abort();
  std::string program = scratch + "/saver.scr";
  if (FILE* out = fopen(program.c_str(), "wb")) {
    if (size) fwrite(data, 1, size, out);
    fclose(out);
  } else {
    abort();
  }

  payload::PayloadReader reader;
  if (!reader.open(program)) abort();
  bool read = reader.read_table();

  payload::PayloadListing listing;
  int listed = payload::list_payload(program, listing);
  if (listed != reader.error() || read != (listed == 0)) abort();

  // Everything written lies in the work folder and is no bigger than the input.
  for (const fs::directory_entry& entry : fs::directory_iterator(scratch)) {
    std::string name = entry.path().filename().string();
    if (name != "saver.scr" && name != work_folder::name()) abort();
  }
  for (const std::string& path : reader.extracted_paths()) {
    if (path.compare(0, work_folder::path().size() + 1, work_folder::path() + "/") != 0) abort();
    if (fs::file_size(path, ignored) > size) abort();
  }
  return 0;
}
