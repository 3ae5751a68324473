#include "render/color.h"

#include <algorithm>

#include "render/bit_reader.h"

namespace render {

namespace {
inline uint8_t clamp255(int v) { return static_cast<uint8_t>(v < 0 ? 0 : (v > 255 ? 255 : v)); }
inline int16_t clamp16(int v) { return static_cast<int16_t>(std::max(-32768, std::min(32767, v))); }
}  // namespace

uint32_t premultiply(Rgba c) {
  if (c.a == 255) return pack_argb(255, c.r, c.g, c.b);
  auto mul = [&](uint8_t v) { return static_cast<uint8_t>((v * c.a + 127) / 255); };
  return pack_argb(c.a, mul(c.r), mul(c.g), mul(c.b));
}

Rgba unpremultiply(uint32_t argb) {
  uint8_t a = argb >> 24;
  Rgba c;
  c.a = a;
  if (a == 0) {
    c.r = c.g = c.b = 0;
    return c;
  }
  auto div = [&](uint32_t v) {
    return static_cast<uint8_t>(std::min(255u, (v * 255 + a / 2) / a));
  };
  c.r = div((argb >> 16) & 0xFF);
  c.g = div((argb >> 8) & 0xFF);
  c.b = div(argb & 0xFF);
  return c;
}

Rgba ColorTransform::apply(Rgba c) const {
  // Arithmetic shift: negative products round towards minus infinity.
  return {clamp255(((c.r * mult_r) >> 8) + add_r), clamp255(((c.g * mult_g) >> 8) + add_g),
          clamp255(((c.b * mult_b) >> 8) + add_b), clamp255(((c.a * mult_a) >> 8) + add_a)};
}

uint32_t ColorTransform::apply_premultiplied(uint32_t argb) const {
  // A fully transparent pixel has no colour left to transform: it stays empty.
  if ((argb >> 24) == 0) return 0;
  return premultiply(apply(unpremultiply(argb)));
}

ColorTransform concatenate(const ColorTransform& o, const ColorTransform& i) {
  ColorTransform r;
  auto mult = [](int outer, int inner) { return clamp16((outer * inner) >> 8); };
  auto add = [](int outer_mult, int inner_add, int outer_add) {
    return clamp16(((inner_add * outer_mult) >> 8) + outer_add);
  };
  r.mult_r = mult(o.mult_r, i.mult_r);
  r.mult_g = mult(o.mult_g, i.mult_g);
  r.mult_b = mult(o.mult_b, i.mult_b);
  r.mult_a = mult(o.mult_a, i.mult_a);
  r.add_r = add(o.mult_r, i.add_r, o.add_r);
  r.add_g = add(o.mult_g, i.add_g, o.add_g);
  r.add_b = add(o.mult_b, i.add_b, o.add_b);
  r.add_a = add(o.mult_a, i.add_a, o.add_a);
  return r;
}

size_t read_color_transform(const uint8_t* data, size_t length, bool with_alpha,
                            ColorTransform& out) {
  BitReader in(data, length);
  bool has_add = in.ub(1);
  bool has_mult = in.ub(1);
  unsigned n = in.ub(4);
  ColorTransform t;
  if (has_mult) {
    t.mult_r = clamp16(in.sb(n));
    t.mult_g = clamp16(in.sb(n));
    t.mult_b = clamp16(in.sb(n));
    if (with_alpha) t.mult_a = clamp16(in.sb(n));
  }
  if (has_add) {
    t.add_r = clamp16(in.sb(n));
    t.add_g = clamp16(in.sb(n));
    t.add_b = clamp16(in.sb(n));
    if (with_alpha) t.add_a = clamp16(in.sb(n));
  }
  in.align();
  if (in.failed()) return 0;
  out = t;
  return in.position();
}

}  // namespace render
