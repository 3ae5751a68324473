// 64-bit positioning for the runtime library's buffered file streams (a
// payload or a movie may lie beyond what a 32-bit long can address).
#pragma once

#include <cstdint>
#include <cstdio>

namespace file_stream {

bool seek_to(std::FILE* file, uint64_t offset);
bool seek_to_end(std::FILE* file);
// The current position, or -1 on failure.
int64_t position(std::FILE* file);
// The size of an open file (the position is moved to the start), or -1.
int64_t size(std::FILE* file);

// Reads exactly `count` bytes; false on a short read.
bool read_exact(std::FILE* file, void* buffer, size_t count);
bool write_exact(std::FILE* file, const void* buffer, size_t count);

// Little-endian 32-bit values.
uint32_t get_u32le(const unsigned char* bytes);
void put_u32le(unsigned char* bytes, uint32_t value);

}  // namespace file_stream
