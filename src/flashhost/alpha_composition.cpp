#include "flashhost/alpha_composition.h"

#include <algorithm>
#include <cstddef>

namespace flashhost {

PixelRect clip_to_surface(const PixelRect& rect, int width, int height) {
  PixelRect clipped;
  clipped.left = std::max(rect.left, 0);
  clipped.top = std::max(rect.top, 0);
  clipped.right = std::min(rect.right, std::max(width, 0));
  clipped.bottom = std::min(rect.bottom, std::max(height, 0));
  if (clipped.right < clipped.left) clipped.right = clipped.left;
  if (clipped.bottom < clipped.top) clipped.bottom = clipped.top;
  return clipped;
}

void fill_backdrops(uint32_t* over_white, uint32_t* over_black, int stride, const PixelRect& rect) {
  if (rect.right <= rect.left) return;
  const std::size_t count = static_cast<std::size_t>(rect.right - rect.left);
  for (int y = rect.top; y < rect.bottom; ++y) {
    const std::size_t start = static_cast<std::size_t>(y) * stride + rect.left;
    std::fill_n(over_white + start, count, 0xFFFFFFFFu);
    std::fill_n(over_black + start, count, 0xFF000000u);
  }
}

void compose_premultiplied(uint32_t* over_white, const uint32_t* over_black, int stride,
                           const PixelRect& rect) {
  if (rect.right <= rect.left) return;
  const std::size_t count = static_cast<std::size_t>(rect.right - rect.left);
  for (int y = rect.top; y < rect.bottom; ++y) {
    const std::size_t start = static_cast<std::size_t>(y) * stride + rect.left;
    uint32_t* white = over_white + start;
    const uint32_t* black = over_black + start;
    for (std::size_t x = 0; x < count; ++x) white[x] = premultiplied_pixel(white[x], black[x]);
  }
}

}  // namespace flashhost
