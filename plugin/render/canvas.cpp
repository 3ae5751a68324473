#include "render/canvas.h"

#include <algorithm>

namespace render {

void Canvas::resize(int width, int height) {
  width_ = std::max(0, width);
  height_ = std::max(0, height);
  stride_ = width_;
  owned_.assign(static_cast<size_t>(width_) * height_, 0);
  pixels_ = owned_.data();
}

void Canvas::attach(uint32_t* pixels, int width, int height, int stride_pixels) {
  owned_.clear();
  owned_.shrink_to_fit();
  pixels_ = pixels;
  width_ = pixels ? std::max(0, width) : 0;
  height_ = pixels ? std::max(0, height) : 0;
  stride_ = std::max(width_, stride_pixels);
}

void Canvas::clear(uint32_t premultiplied_argb) { fill(bounds(), premultiplied_argb); }

void Canvas::fill(const IntRect& area, uint32_t value) {
  IntRect r = intersect(area, bounds());
  for (int y = r.top; y < r.bottom; ++y) std::fill(row(y) + r.left, row(y) + r.right, value);
}

void Mask::reset(int width, int height) {
  width_ = std::max(0, width);
  height_ = std::max(0, height);
  coverage_.assign(static_cast<size_t>(width_) * height_, 0);
  covered_ = {};
}

void Mask::set_from_alpha(const Canvas& drawn, const IntRect& area, bool binary) {
  if (drawn.width() != width_ || drawn.height() != height_) reset(drawn.width(), drawn.height());
  std::fill(coverage_.begin(), coverage_.end(), 0);
  covered_ = {};
  IntRect r = render::intersect(area, drawn.bounds());
  int min_x = r.right, max_x = r.left - 1, min_y = r.bottom, max_y = r.top - 1;
  for (int y = r.top; y < r.bottom; ++y) {
    const uint32_t* src = drawn.row(y);
    uint8_t* dst = coverage_.data() + static_cast<size_t>(y) * width_;
    for (int x = r.left; x < r.right; ++x) {
      uint8_t a = src[x] >> 24;
      if (binary) a = a >= 128 ? 255 : 0;
      dst[x] = a;
      if (a) {
        min_x = std::min(min_x, x);
        max_x = std::max(max_x, x);
        min_y = std::min(min_y, y);
        max_y = std::max(max_y, y);
      }
    }
  }
  if (max_x >= min_x) covered_ = {min_x, min_y, max_x + 1, max_y + 1};
}

void Mask::intersect(const Mask& other) {
  if (other.width_ != width_ || other.height_ != height_) {
    std::fill(coverage_.begin(), coverage_.end(), 0);
    covered_ = {};
    return;
  }
  for (size_t i = 0; i < coverage_.size(); ++i)
    coverage_[i] = static_cast<uint8_t>((coverage_[i] * other.coverage_[i] + 127) / 255);
  covered_ = render::intersect(covered_, other.covered_);
}

}  // namespace render
