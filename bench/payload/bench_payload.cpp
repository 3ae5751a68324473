// Builds a saver carrying a 200 MB movie, then times extracting it against a
// plain copy of the same bytes on the same disk, and prints the peak memory.
//   bench_payload [scratch folder] [megabytes]
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "common/paths.h"
#include "payload/payload_reader.h"
#include "payload/payload_writer.h"
#include "peak_memory.h"

namespace {

constexpr size_t kChunk = 1 << 20;

double seconds_since(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// FNV-1a over a file, to prove the extracted copy is the movie.
uint64_t file_hash(const std::string& path) {
  std::FILE* in = std::fopen(path.c_str(), "rb");
  if (!in) return 0;
  std::vector<unsigned char> buffer(kChunk);
  uint64_t hash = 1469598103934665603ull;
  size_t n;
  while ((n = std::fread(buffer.data(), 1, buffer.size(), in)) > 0) {
    for (size_t i = 0; i < n; ++i) hash = (hash ^ buffer[i]) * 1099511628211ull;
  }
  std::fclose(in);
  return hash;
}

bool write_movie(const std::string& path, uint64_t size) {
  std::FILE* out = std::fopen(path.c_str(), "wb");
  if (!out) return false;
  std::vector<uint32_t> buffer(kChunk / 4);
  std::mt19937 generator(12345);
  bool ok = true;
  for (uint64_t written = 0; ok && written < size; written += kChunk) {
    for (uint32_t& word : buffer) word = generator();
    size_t piece = static_cast<size_t>(std::min<uint64_t>(kChunk, size - written));
    ok = std::fwrite(buffer.data(), 1, piece, out) == piece;
  }
  return std::fclose(out) == 0 && ok;
}

// The plain copy: the same stream functions and piece size as the extraction.
bool plain_copy(const std::string& from, const std::string& to) {
  std::FILE* in = std::fopen(from.c_str(), "rb");
  std::FILE* out = std::fopen(to.c_str(), "wb");
  bool ok = in && out;
  std::vector<char> buffer(256 * 1024);
  size_t n;
  while (ok && (n = std::fread(buffer.data(), 1, buffer.size(), in)) > 0) {
    ok = std::fwrite(buffer.data(), 1, n, out) == n;
  }
  if (in) std::fclose(in);
  if (out && std::fclose(out) != 0) ok = false;
  return ok;
}

double megabytes_per_second(uint64_t bytes, double seconds) {
  return seconds > 0 ? static_cast<double>(bytes) / (1024.0 * 1024.0) / seconds : 0;
}

}  // namespace

int main(int argc, char** argv) {
  std::string base = argc > 1 ? argv[1] : paths::temp_folder();
  uint64_t megabytes = argc > 2 ? std::strtoull(argv[2], nullptr, 10) : 200;
  const uint64_t size = megabytes * 1024 * 1024;
  std::string scratch = paths::join(
      base, "swfsaver_bench_payload_" + std::to_string(std::random_device()() % 100000));
  std::string extract_folder = paths::join(scratch, "extracted");
  if (!paths::create_folder(scratch) || !paths::create_folder(extract_folder)) {
    std::fprintf(stderr, "bench_payload: cannot create %s\n", scratch.c_str());
    return 1;
  }
  std::string movie = paths::join(scratch, "movie.swf");
  std::string runtime = paths::join(scratch, "runtime.scr");
  std::string saver = paths::join(scratch, "saver.scr");
  std::string copy = paths::join(scratch, "copy.bin");
  int status = 0;

  std::printf("payload: %llu MB movie in %s\n", static_cast<unsigned long long>(megabytes),
              scratch.c_str());
  std::FILE* runtime_file = std::fopen(runtime.c_str(), "wb");
  if (runtime_file) {
    std::fputs("MZ stand-in runtime", runtime_file);
    std::fclose(runtime_file);
  }
  auto start = std::chrono::steady_clock::now();
  bool ok = write_movie(movie, size);
  std::printf("  write movie:   %8.1f MB/s\n", megabytes_per_second(size, seconds_since(start)));

  payload::PayloadWriter writer;
  start = std::chrono::steady_clock::now();
  ok = ok && writer.open(saver);
  writer.write_raw_file(runtime);
  writer.write_end_entry();
  writer.write_file_entry(movie);
  writer.write_settings_entry("<windows/>");
  writer.write_trailer();
  ok = writer.close() && ok;
  std::printf("  build saver:   %8.1f MB/s\n", megabytes_per_second(size, seconds_since(start)));
  if (!ok) {
    std::fprintf(stderr, "bench_payload: %s\n", writer.error_message().c_str());
    status = 1;
  }

  double best_copy = 0, best_extract = 0;
  // Rounds alternate which of the two goes first, so that neither always
  // meets the disk cache in the same state.
  for (int round = 0; status == 0 && round < 4; ++round) {
    double copy_seconds = 0, extract_seconds = 0;
    for (int step = 0; step < 2; ++step) {
      bool copy_now = (step == 0) == (round % 2 == 0);
      start = std::chrono::steady_clock::now();
      if (copy_now) {
        if (!plain_copy(movie, copy)) status = 1;
        copy_seconds = seconds_since(start);
      } else {
        payload::PayloadReader reader;
        reader.set_target_folder(extract_folder);
        if (!reader.open(saver) || !reader.read_table() || reader.files().size() != 1 ||
            !reader.files()[0].written) {
          status = 1;
        }
        extract_seconds = seconds_since(start);
      }
    }
    double copy_rate = megabytes_per_second(size, copy_seconds);
    double extract_rate = megabytes_per_second(size, extract_seconds);
    std::printf("  round %d: plain copy %8.1f MB/s, extraction %8.1f MB/s\n", round + 1, copy_rate,
                extract_rate);
    best_copy = std::max(best_copy, copy_rate);
    best_extract = std::max(best_extract, extract_rate);
  }
  if (status == 0 && file_hash(paths::join(extract_folder, "movie.swf")) != file_hash(movie)) {
    std::fprintf(stderr, "bench_payload: extracted movie differs from the original\n");
    status = 1;
  }
  double ratio = best_copy > 0 ? best_extract / best_copy : 0;
  double peak_mb = static_cast<double>(peak_resident_bytes()) / (1024.0 * 1024.0);
  std::printf(
      "  best: plain copy %.1f MB/s, extraction %.1f MB/s = %.0f%% of the copy (target 70%%)\n",
      best_copy, best_extract, ratio * 100);
  std::printf("  peak resident memory: %.1f MB (target under 32 MB)\n", peak_mb);

  std::error_code ignored;
  std::filesystem::remove_all(std::filesystem::u8path(scratch), ignored);
  if (status != 0) std::printf("  FAILED\n");
  return status;
}
