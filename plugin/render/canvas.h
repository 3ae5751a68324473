// The surfaces the renderer draws into: a premultiplied 32-bit canvas, coverage
// masks for clip-depth masking, and the target record every draw call takes.
#pragma once

#include <cstdint>
#include <vector>

#include "render/geometry.h"

namespace render {

// Premultiplied 0xAARRGGBB pixels, rows top to bottom: the layout of a top-down
// 32-bit DIB, so the glue can blit it (or let the canvas draw into the DIB's bits).
class Canvas {
 public:
  Canvas() = default;
  Canvas(int width, int height) { resize(width, height); }

  // Owns its pixels again, all transparent black.
  void resize(int width, int height);
  // Draws into memory owned by the caller (stride in pixels); the memory must
  // outlive every draw into this canvas.
  void attach(uint32_t* pixels, int width, int height, int stride_pixels);

  int width() const { return width_; }
  int height() const { return height_; }
  int stride() const { return stride_; }
  IntRect bounds() const { return {0, 0, width_, height_}; }
  uint32_t* row(int y) { return pixels_ + static_cast<size_t>(y) * stride_; }
  const uint32_t* row(int y) const { return pixels_ + static_cast<size_t>(y) * stride_; }
  uint32_t pixel(int x, int y) const { return row(y)[x]; }

  void clear(uint32_t premultiplied_argb);
  // Sets every pixel of the area (clipped to the canvas) to the value.
  void fill(const IntRect& area, uint32_t premultiplied_argb);

 private:
  std::vector<uint32_t> owned_;
  uint32_t* pixels_ = nullptr;
  int width_ = 0, height_ = 0, stride_ = 0;
};

// Coverage 0-255 per canvas pixel. Objects drawn through a mask have their
// coverage multiplied by it. Nested masks: draw the inner mask's shapes through
// the outer mask, and the result is already the intersection.
class Mask {
 public:
  // All pixels of a width x height area uncovered.
  void reset(int width, int height);
  // Takes the alpha of what was drawn into `drawn` (same size) inside `area`;
  // pixels outside `area` become uncovered. `binary` makes every covered pixel
  // fully covered (alpha >= 128) or not at all.
  void set_from_alpha(const Canvas& drawn, const IntRect& area, bool binary);
  // Keeps only what both masks cover (multiplies coverage).
  void intersect(const Mask& other);

  int width() const { return width_; }
  int height() const { return height_; }
  uint8_t at(int x, int y) const { return coverage_[static_cast<size_t>(y) * width_ + x]; }
  const uint8_t* row(int y) const { return coverage_.data() + static_cast<size_t>(y) * width_; }
  // The smallest rectangle holding every covered pixel (empty when none).
  IntRect covered_bounds() const { return covered_; }

 private:
  std::vector<uint8_t> coverage_;
  int width_ = 0, height_ = 0;
  IntRect covered_;
};

// Where and how a draw call paints.
struct DrawTarget {
  Canvas* canvas = nullptr;
  // Device pixels the call may touch; intersected with the canvas bounds.
  IntRect clip;
  // Optional coverage multiplied into everything drawn (same size as the canvas).
  const Mask* mask = nullptr;
  // Quality: anti-aliased edges and smoothed bitmaps ("LOW" turns both off).
  bool antialias = true;
  bool smooth_bitmaps = true;
  // Drawing a clip-depth mask: fills paint opaque white whatever their style or
  // colour transform; strokes are left out when mask_strokes is false.
  bool mask_mode = false;
  bool mask_strokes = true;

  static DrawTarget whole(Canvas& canvas) {
    DrawTarget t;
    t.canvas = &canvas;
    t.clip = canvas.bounds();
    return t;
  }
};

}  // namespace render
