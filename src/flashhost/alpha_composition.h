// Per-pixel alpha for windows that show the movie with its transparency: the
// plug-in renders the same frame once over opaque black and once over opaque
// white, and the difference between the two renderings is how much of the
// backdrop shows through. Pure arithmetic on 32-bit pixel arrays (blue, green,
// red, alpha bytes from the lowest address up), so it is portable.
#pragma once

#include <cstdint>

namespace flashhost {

// A rectangle of pixels: rows top to bottom - 1, columns left to right - 1.
struct PixelRect {
  int left;
  int top;
  int right;
  int bottom;
};

// `rect` cut to the surface (0, 0, width, height); empty (right <= left or
// bottom <= top) when nothing of it lies inside.
PixelRect clip_to_surface(const PixelRect& rect, int width, int height);

// Before the two renderings: opaque white in `over_white`, opaque black in
// `over_black`, inside `rect`. `stride` is the row length in pixels; the
// rectangle must lie inside the surfaces (see clip_to_surface).
void fill_backdrops(uint32_t* over_white, uint32_t* over_black, int stride, const PixelRect& rect);

// After them: alpha = 255 - (white.blue - black.blue), modulo 256, then every
// colour byte of the white rendering v becomes (v * alpha) >> 8, and alpha is
// stored in its alpha byte: `over_white` ends up premultiplied. Only the
// pixels of `rect` are read or written.
void compose_premultiplied(uint32_t* over_white, const uint32_t* over_black, int stride,
                           const PixelRect& rect);

// One pixel of compose_premultiplied.
inline uint32_t premultiplied_pixel(uint32_t white, uint32_t black) {
  const uint32_t alpha = (255u - ((white & 0xFFu) - (black & 0xFFu))) & 0xFFu;
  const uint32_t blue = ((white & 0xFFu) * alpha) >> 8;
  const uint32_t green = (((white >> 8) & 0xFFu) * alpha) >> 8;
  const uint32_t red = (((white >> 16) & 0xFFu) * alpha) >> 8;
  return blue | (green << 8) | (red << 16) | (alpha << 24);
}

}  // namespace flashhost
