// A tiny SWF bit writer for building tag bodies in renderer tests.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace render_test {

class SwfBits {
 public:
  void ub(uint32_t value, unsigned bits) {
    for (unsigned i = bits; i-- > 0;) {
      if (bit_ == 0) {
        bytes_.push_back(0);
        bit_ = 8;
      }
      --bit_;
      if ((value >> i) & 1u) bytes_.back() |= uint8_t(1u << bit_);
    }
  }
  void sb(int32_t value, unsigned bits) {
    ub(uint32_t(value) & ((bits >= 32) ? ~0u : ((1u << bits) - 1)), bits);
  }
  void align() { bit_ = 0; }
  void u8(uint8_t v) {
    align();
    bytes_.push_back(v);
  }
  void u16(uint16_t v) {
    u8(uint8_t(v));
    u8(uint8_t(v >> 8));
  }
  void u32(uint32_t v) {
    u16(uint16_t(v));
    u16(uint16_t(v >> 16));
  }
  void bytes(const std::vector<uint8_t>& data) {
    align();
    bytes_.insert(bytes_.end(), data.begin(), data.end());
  }
  void rgb(uint8_t r, uint8_t g, uint8_t b) {
    u8(r);
    u8(g);
    u8(b);
  }
  void rgba(uint8_t r, uint8_t g, uint8_t b, uint8_t a) {
    rgb(r, g, b);
    u8(a);
  }
  // Bits needed for a signed value.
  static unsigned sbits(int32_t v) {
    unsigned n = 1;
    while (n < 32 && (v < -(1 << (n - 1)) || v >= (1 << (n - 1)))) ++n;
    return n;
  }
  void rect(int32_t x_min, int32_t x_max, int32_t y_min, int32_t y_max) {
    align();
    unsigned n = 1;
    for (int32_t v : {x_min, x_max, y_min, y_max}) n = std::max(n, sbits(v));
    ub(n, 5);
    for (int32_t v : {x_min, x_max, y_min, y_max}) sb(v, n);
    align();
  }
  // MATRIX with scale/rotate in 16.16 fixed point given as doubles.
  void matrix(double a = 1, double b = 0, double c = 0, double d = 1, int32_t tx = 0,
              int32_t ty = 0) {
    align();
    auto fixed = [](double v) { return int32_t(v * 65536.0 + (v < 0 ? -0.5 : 0.5)); };
    if (a != 1 || d != 1) {
      ub(1, 1);
      unsigned n = std::max(sbits(fixed(a)), sbits(fixed(d)));
      ub(n, 5);
      sb(fixed(a), n);
      sb(fixed(d), n);
    } else {
      ub(0, 1);
    }
    if (b != 0 || c != 0) {
      ub(1, 1);
      unsigned n = std::max(sbits(fixed(b)), sbits(fixed(c)));
      ub(n, 5);
      sb(fixed(b), n);
      sb(fixed(c), n);
    } else {
      ub(0, 1);
    }
    unsigned n = std::max(sbits(tx), sbits(ty));
    ub(n, 5);
    sb(tx, n);
    sb(ty, n);
    align();
  }
  // Shape records (bit-packed, not aligned).
  void style_change(bool move, int32_t x, int32_t y, int fill0, int fill1, int line,
                    unsigned fill_bits, unsigned line_bits, bool new_styles = false) {
    ub(0, 1);
    ub(new_styles ? 1 : 0, 1);
    ub(line >= 0 ? 1 : 0, 1);
    ub(fill1 >= 0 ? 1 : 0, 1);
    ub(fill0 >= 0 ? 1 : 0, 1);
    ub(move ? 1 : 0, 1);
    if (move) {
      unsigned n = std::max(sbits(x), sbits(y));
      ub(n, 5);
      sb(x, n);
      sb(y, n);
    }
    if (fill0 >= 0) ub(uint32_t(fill0), fill_bits);
    if (fill1 >= 0) ub(uint32_t(fill1), fill_bits);
    if (line >= 0) ub(uint32_t(line), line_bits);
  }
  void line_to(int32_t dx, int32_t dy) {
    ub(1, 1);
    ub(1, 1);
    unsigned n = std::max({sbits(dx), sbits(dy), 2u});
    ub(n - 2, 4);
    if (dx != 0 && dy != 0) {
      ub(1, 1);
      sb(dx, n);
      sb(dy, n);
    } else if (dx == 0) {
      ub(0, 1);
      ub(1, 1);
      sb(dy, n);
    } else {
      ub(0, 1);
      ub(0, 1);
      sb(dx, n);
    }
  }
  void curve_to(int32_t cdx, int32_t cdy, int32_t adx, int32_t ady) {
    ub(1, 1);
    ub(0, 1);
    unsigned n = std::max({sbits(cdx), sbits(cdy), sbits(adx), sbits(ady), 2u});
    ub(n - 2, 4);
    sb(cdx, n);
    sb(cdy, n);
    sb(adx, n);
    sb(ady, n);
  }
  void end_shape() {
    ub(0, 6);
    align();
  }
  const std::vector<uint8_t>& data() const { return bytes_; }
  size_t size() const { return bytes_.size(); }

 private:
  std::vector<uint8_t> bytes_;
  unsigned bit_ = 0;
};

}  // namespace render_test
