// Colours and SWF colour transforms.
#pragma once

#include <cstddef>
#include <cstdint>

namespace render {

// A straight (not premultiplied) colour as SWF records store it.
struct Rgba {
  uint8_t r = 0, g = 0, b = 0, a = 255;
};
inline bool operator==(Rgba x, Rgba y) {
  return x.r == y.r && x.g == y.g && x.b == y.b && x.a == y.a;
}

// Canvas and bitmap pixels are premultiplied 0xAARRGGBB values (bytes B, G, R, A
// in memory on little-endian machines: a top-down 32-bit DIB).
uint32_t premultiply(Rgba c);
Rgba unpremultiply(uint32_t argb);
inline uint32_t pack_argb(uint8_t a, uint8_t r, uint8_t g, uint8_t b) {
  return (uint32_t(a) << 24) | (uint32_t(r) << 16) | (uint32_t(g) << 8) | b;
}

// CXFORM / CXFORMWITHALPHA: c' = clamp((c * mult) >> 8 + add, 0, 255) per channel,
// multipliers in 8.8 (256 = 1.0, may be negative).
struct ColorTransform {
  int16_t mult_r = 256, mult_g = 256, mult_b = 256, mult_a = 256;
  int16_t add_r = 0, add_g = 0, add_b = 0, add_a = 0;

  bool is_identity() const {
    return mult_r == 256 && mult_g == 256 && mult_b == 256 && mult_a == 256 && add_r == 0 &&
           add_g == 0 && add_b == 0 && add_a == 0;
  }
  Rgba apply(Rgba c) const;
  // Transforms a premultiplied pixel (unpremultiply, transform, premultiply);
  // fully transparent pixels stay transparent.
  uint32_t apply_premultiplied(uint32_t argb) const;
};

// The transform that applies `inner` (a child's own) first and then `outer`
// (its parent's), composed into one set of terms.
ColorTransform concatenate(const ColorTransform& outer, const ColorTransform& inner);

// Reads a byte-aligned CXFORM (with_alpha false) or CXFORMWITHALPHA record.
// Returns the bytes it used, 0 if the data ends first.
size_t read_color_transform(const uint8_t* data, size_t length, bool with_alpha,
                            ColorTransform& out);

}  // namespace render
