#include "core/byte_reader.h"

#include <cstring>

namespace npfp {

uint8_t ByteReader::u8() {
  align();
  if (pos_ >= size_) {
    fail();
    return 0;
  }
  return data_[pos_++];
}

uint16_t ByteReader::u16() {
  const uint8_t* p = bytes(2);
  return p ? static_cast<uint16_t>(p[0] | (p[1] << 8)) : 0;
}

uint32_t ByteReader::u32() {
  const uint8_t* p = bytes(4);
  return p ? static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
                 (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24)
           : 0;
}

std::string ByteReader::string() {
  align();
  if (pos_ >= size_) {
    fail();
    return std::string();
  }
  const uint8_t* start = data_ + pos_;
  const void* zero = std::memchr(start, 0, size_ - pos_);
  if (!zero) {
    std::string rest(reinterpret_cast<const char*>(start), size_ - pos_);
    fail();
    return rest;
  }
  size_t n = static_cast<const uint8_t*>(zero) - start;
  pos_ += n + 1;
  return std::string(reinterpret_cast<const char*>(start), n);
}

const uint8_t* ByteReader::bytes(size_t n) {
  align();
  if (n > size_ - pos_) {
    fail();
    return nullptr;
  }
  const uint8_t* p = data_ + pos_;
  pos_ += n;
  return p;
}

void ByteReader::skip(size_t n) { bytes(n); }

void ByteReader::seek(size_t position) {
  align();
  if (position > size_)
    fail();
  else
    pos_ = position;
}

ByteReader ByteReader::sub(size_t n) {
  align();
  size_t available = size_ - pos_;
  ByteReader r(data_ + pos_, n <= available ? n : available);
  if (n > available)
    fail();
  else
    pos_ += n;
  return r;
}

uint32_t ByteReader::ub(unsigned bits) {
  if (bits > 32) {
    fail();
    return 0;
  }
  uint32_t value = 0;
  for (unsigned i = 0; i < bits; ++i) {
    if (bit_ == 0) {
      if (pos_ >= size_) {
        fail();
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

int32_t ByteReader::sb(unsigned bits) {
  if (bits == 0) return 0;
  uint32_t value = ub(bits);
  if (bits < 32 && (value & (1u << (bits - 1)))) value |= ~0u << bits;
  return static_cast<int32_t>(value);
}

render::Rgba ByteReader::rgb() {
  render::Rgba c;
  c.r = u8();
  c.g = u8();
  c.b = u8();
  return c;
}

render::Rgba ByteReader::rgba() {
  render::Rgba c = rgb();
  c.a = u8();
  return c;
}

render::Rect ByteReader::rect() {
  align();
  render::Rect r;
  size_t used = render::read_rect(current(), remaining(), r);
  if (used == 0)
    fail();
  else
    pos_ += used;
  return r;
}

render::Matrix ByteReader::matrix() {
  align();
  render::Matrix m;
  size_t used = render::read_matrix(current(), remaining(), m);
  if (used == 0)
    fail();
  else
    pos_ += used;
  return m;
}

render::ColorTransform ByteReader::color_transform(bool with_alpha) {
  align();
  render::ColorTransform cx;
  size_t used = render::read_color_transform(current(), remaining(), with_alpha, cx);
  if (used == 0)
    fail();
  else
    pos_ += used;
  return cx;
}

}  // namespace npfp
