// Morph shapes: DefineMorphShape (46) and DefineMorphShape2 (84), drawn at a
// ratio 0-65535 between the start and end shapes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "render/shape.h"

namespace render {

class MorphShapeDefinition {
 public:
  enum TagCode : int { kDefineMorphShape = 46, kDefineMorphShape2 = 84 };

  bool parse(int tag_code, const uint8_t* body, size_t length);

  uint16_t id() const { return id_; }
  Rect bounds_at(uint16_t ratio) const;
  // The shape at a ratio (kept until another ratio is asked for).
  const ShapeGeometry& geometry_at(uint16_t ratio) const;

  void draw(const DrawTarget& target, const Matrix& to_device, const ColorTransform& cxform,
            uint16_t ratio, const BitmapLookup& bitmaps) const {
    draw_geometry(geometry_at(ratio), target, to_device, cxform, bitmaps);
  }
  bool hit_test(uint16_t ratio, Point p) const { return geometry_hit(geometry_at(ratio), p); }

 private:
  uint16_t id_ = 0;
  Rect start_bounds_, end_bounds_;
  // Start and end states share style and edge order; styles at ratio 0 and 65535.
  ShapeGeometry start_, end_;
  mutable ShapeGeometry cached_;
  mutable int cached_ratio_ = -1;
};

}  // namespace render
