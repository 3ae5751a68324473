// Reads arbitrary bytes as a movie header, compressed or not. Besides the
// sanitizers' checks: an inflated copy never exceeds the declared length.
#include <stdlib.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>

#include "media/swf_header.h"
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
  std::string pattern = std::string(base) + "/fuzz_swf_header_XXXXXX";
  if (!mkdtemp(&pattern[0])) abort();
  scratch = pattern;
  setenv("TMPDIR", scratch.c_str(), 1);
  atexit(remove_scratch);
  work_folder::set_name(work_folder::default_name());
  if (!work_folder::create()) abort();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string movie = scratch + "/movie.swf";
  FILE* out = fopen(movie.c_str(), "wb");
  if (!out) abort();
  if (size) fwrite(data, 1, size, out);
  fclose(out);
  std::string copy = work_folder::path_of(media::kInflatedCopyName);
  std::error_code ignored;
  std::filesystem::remove(copy, ignored);

  media::SwfHeader header;
  bool check = size == 0 || (data[size - 1] & 1) == 0;
  bool read = media::read_swf_header(movie, check, header);
  if (read != (header.error == media::kSwfNoError)) abort();
  if (read && !header.compressed && header.file_size != size) abort();

  if (size >= 8 && data[0] == 'C' && data[1] == 'W' && data[2] == 'S') {
    uint32_t declared = data[4] | (data[5] << 8) | (data[6] << 16) | (uint32_t(data[7]) << 24);
    uint64_t limit = declared < 8 ? 8 : declared;
    uintmax_t written = std::filesystem::file_size(copy, ignored);
    if (!ignored && written > limit) abort();
  }
  // The frame size always checks the signature.
  int width = 0, height = 0;
  if (check && media::swf_frame_size(movie, width, height) != read) abort();
  return 0;
}
