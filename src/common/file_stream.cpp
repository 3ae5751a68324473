#include "common/file_stream.h"

namespace file_stream {

bool seek_to(std::FILE* file, uint64_t offset) {
  if (offset > static_cast<uint64_t>(INT64_MAX)) return false;
#ifdef _WIN32
  return _fseeki64(file, static_cast<int64_t>(offset), SEEK_SET) == 0;
#else
  return fseeko(file, static_cast<off_t>(offset), SEEK_SET) == 0;
#endif
}

bool seek_to_end(std::FILE* file) {
#ifdef _WIN32
  return _fseeki64(file, 0, SEEK_END) == 0;
#else
  return fseeko(file, 0, SEEK_END) == 0;
#endif
}

int64_t position(std::FILE* file) {
#ifdef _WIN32
  return _ftelli64(file);
#else
  return static_cast<int64_t>(ftello(file));
#endif
}

int64_t size(std::FILE* file) {
  if (!seek_to_end(file)) return -1;
  int64_t end = position(file);
  if (end < 0 || !seek_to(file, 0)) return -1;
  return end;
}

bool read_exact(std::FILE* file, void* buffer, size_t count) {
  return count == 0 || std::fread(buffer, 1, count, file) == count;
}

bool write_exact(std::FILE* file, const void* buffer, size_t count) {
  return count == 0 || std::fwrite(buffer, 1, count, file) == count;
}

uint32_t get_u32le(const unsigned char* bytes) {
  return static_cast<uint32_t>(bytes[0]) | (static_cast<uint32_t>(bytes[1]) << 8) |
         (static_cast<uint32_t>(bytes[2]) << 16) | (static_cast<uint32_t>(bytes[3]) << 24);
}

void put_u32le(unsigned char* bytes, uint32_t value) {
  for (int i = 0; i < 4; ++i) bytes[i] = static_cast<unsigned char>(value >> (8 * i));
}

}  // namespace file_stream
