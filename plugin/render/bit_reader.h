// Bounded little-endian byte and MSB-first bit reading for tag bodies. Reading
// past the end yields zeros and sets failed(); callers check it once per record.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace render {

class BitReader {
 public:
  BitReader(const uint8_t* data, size_t length) : data_(data), length_(data ? length : 0) {}

  bool failed() const { return failed_; }
  size_t position() const { return pos_; }  // whole bytes consumed (after align)
  size_t remaining() const { return pos_ < length_ ? length_ - pos_ : 0; }
  const uint8_t* current() const { return data_ + (pos_ < length_ ? pos_ : length_); }

  void align() { bit_ = 0; }
  void seek(size_t pos) {
    bit_ = 0;
    if (pos > length_) {
      failed_ = true;
      pos_ = length_;
    } else {
      pos_ = pos;
    }
  }
  void skip(size_t bytes) { seek(pos_ + bytes > pos_ ? pos_ + bytes : length_ + 1); }

  uint8_t u8() {
    align();
    if (pos_ >= length_) {
      failed_ = true;
      return 0;
    }
    return data_[pos_++];
  }
  uint16_t u16() {
    uint16_t lo = u8();
    return static_cast<uint16_t>(lo | (u8() << 8));
  }
  int16_t s16() { return static_cast<int16_t>(u16()); }
  uint32_t u32() {
    uint32_t lo = u16();
    return lo | (static_cast<uint32_t>(u16()) << 16);
  }
  float f32() {
    uint32_t raw = u32();
    float f;
    static_assert(sizeof f == sizeof raw, "float size");
    std::memcpy(&f, &raw, sizeof f);
    return f;
  }

  uint32_t ub(unsigned bits) {
    uint32_t value = 0;
    for (unsigned i = 0; i < bits; ++i) {
      if (bit_ == 0) {
        if (pos_ >= length_) {
          failed_ = true;
          return 0;
        }
        current_ = data_[pos_++];
        bit_ = 8;
      }
      --bit_;
      value = (value << 1) | ((current_ >> bit_) & 1u);
    }
    return value;
  }
  int32_t sb(unsigned bits) {
    if (bits == 0) return 0;
    uint32_t value = ub(bits);
    if (bits < 32 && (value & (1u << (bits - 1)))) value |= ~0u << bits;
    return static_cast<int32_t>(value);
  }
  double fb(unsigned bits) { return sb(bits) / 65536.0; }

 private:
  const uint8_t* data_;
  size_t length_;
  size_t pos_ = 0;
  unsigned bit_ = 0;
  uint8_t current_ = 0;
  bool failed_ = false;
};

}  // namespace render
