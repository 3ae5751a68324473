// Bounded reading of SWF data: little-endian integers, MSB-first bit fields,
// zero-terminated strings and the byte-aligned records (RECT, MATRIX,
// CXFORM). Every read stays inside the range the reader was made for (a tag
// body, the file); reading past its end yields zeros, sets failed() and
// leaves the position at the end, so a damaged movie is read as far as it
// makes sense and never outside its bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "render/color.h"
#include "render/geometry.h"

namespace npfp {

class ByteReader {
 public:
  ByteReader() = default;
  ByteReader(const uint8_t* data, size_t size) : data_(data), size_(data ? size : 0) {}

  bool failed() const { return failed_; }
  size_t size() const { return size_; }
  size_t position() const { return pos_; }
  size_t remaining() const { return size_ - pos_; }
  bool at_end() const { return pos_ >= size_; }
  const uint8_t* data() const { return data_; }
  const uint8_t* current() const { return data_ + pos_; }

  // Byte reads first drop the unread bits of a partly read byte. A value
  // that does not fit in what remains reads as 0.
  uint8_t u8();
  uint16_t u16();
  int16_t s16() { return static_cast<int16_t>(u16()); }
  uint32_t u32();
  // Zero-terminated; an unterminated string takes the rest and fails.
  std::string string();
  // `n` bytes as a pointer into the data; nullptr (and failed) when fewer remain.
  const uint8_t* bytes(size_t n);
  void skip(size_t n);
  void seek(size_t position);
  // A reader over the next `n` bytes (fewer when the data end first, which
  // fails this reader); this reader moves past them.
  ByteReader sub(size_t n);

  uint32_t ub(unsigned bits);
  int32_t sb(unsigned bits);
  double fb(unsigned bits) { return sb(bits) / 65536.0; }
  void align() { bit_ = 0; }

  render::Rgba rgb();
  render::Rgba rgba();
  render::Rect rect();
  render::Matrix matrix();
  render::ColorTransform color_transform(bool with_alpha);

 private:
  void fail() {
    failed_ = true;
    pos_ = size_;
    bit_ = 0;
  }

  const uint8_t* data_ = nullptr;
  size_t size_ = 0;
  size_t pos_ = 0;
  unsigned bit_ = 0;  // unread bits left in current_
  uint8_t current_ = 0;
  bool failed_ = false;
};

}  // namespace npfp
