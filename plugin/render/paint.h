// What a fill style paints at each device pixel (solid colour, gradient ramp or
// bitmap samples, colour transform applied), and premultiplied pixel blending.
#pragma once

#include <cstdint>

#include "render/bitmap.h"
#include "render/color.h"
#include "render/shape.h"

namespace render {

struct Paint {
  enum Kind : uint8_t { none, solid, linear, radial, focal, bitmap };
  Kind kind = none;
  uint32_t color = 0;   // solid, premultiplied
  bool opaque = false;  // every shaded pixel has alpha 255
  Matrix inverse;       // device pixel -> gradient space or bitmap pixels
  uint32_t ramp[256] = {};
  SpreadMode spread = SpreadMode::pad;
  double focal_point = 0;
  const Bitmap* image = nullptr;
  bool repeat = false, smooth = false;
  ColorTransform cxform;
  bool transform_pixels = false;
  uint32_t fade = 256;  // bitmap pixels scaled by fade / 256 (an alpha-only transform)

  // Premultiplied colours of pixels x0 <= x < x1 in row y.
  void shade(int y, int x0, int x1, uint32_t* out) const;
};

// Resolves a fill style for one draw; false when it paints nothing (a missing
// bitmap, a gradient without stops, a singular matrix).
bool make_paint(const FillStyle& style, const Matrix& to_device, const ColorTransform& cxform,
                const BitmapLookup& bitmaps, bool smooth_bitmaps, Paint& out);

// Premultiplied helpers.
inline uint32_t scale_pixel(uint32_t p, uint32_t k /* 0..256 */) {
  uint32_t rb = (((p & 0x00FF00FFu) * k) >> 8) & 0x00FF00FFu;
  uint32_t ag = (((p >> 8) & 0x00FF00FFu) * k) & 0xFF00FF00u;
  return rb | ag;
}
inline uint32_t blend_over(uint32_t dst, uint32_t src) {
  uint32_t sa = src >> 24;
  if (sa == 255) return src;
  if (sa == 0) return dst;
  uint32_t inv = 255 - sa;
  uint32_t rb = (dst & 0x00FF00FFu) * inv + 0x00800080u;
  rb = ((rb + ((rb >> 8) & 0x00FF00FFu)) >> 8) & 0x00FF00FFu;
  uint32_t ag = ((dst >> 8) & 0x00FF00FFu) * inv + 0x00800080u;
  ag = (ag + ((ag >> 8) & 0x00FF00FFu)) & 0xFF00FF00u;
  return src + rb + ag;
}

}  // namespace render
