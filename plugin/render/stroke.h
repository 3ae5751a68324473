// Turns stroked polylines (device pixels) into outline polygons for the
// rasterizer's non-zero rule: offset sides with joins, caps at open ends.
#pragma once

#include <vector>

#include "render/raster.h"
#include "render/shape.h"

namespace render {

struct StrokeStyle {
  double half_width = 0.5;  // pixels
  CapStyle start_cap = CapStyle::round;
  CapStyle end_cap = CapStyle::round;
  JoinStyle join = JoinStyle::round;
  double miter_limit = 3;
  bool no_close = false;
};

// Adds the outline of one polyline. A polyline whose last point equals its
// first is closed (joined all round) unless no_close.
void stroke_polyline(const std::vector<Point>& points, const StrokeStyle& style,
                     Rasterizer& rasterizer, int slot);

}  // namespace render
