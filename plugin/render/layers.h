// Off-screen layers for SWF 8 blend modes and filters: the display list draws an
// object into a transparent layer canvas, filters it, and composites it back.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "render/canvas.h"
#include "render/shape.h"

namespace render {

// PlaceObject3 / BUTTONRECORD blend mode values (0 and 15+ are normal).
enum class BlendMode : uint8_t {
  normal = 1,
  layer = 2,
  multiply = 3,
  screen = 4,
  lighten = 5,
  darken = 6,
  difference = 7,
  add = 8,
  subtract = 9,
  invert = 10,
  alpha = 11,
  erase = 12,
  overlay = 13,
  hardlight = 14,
};
BlendMode blend_mode_from_byte(uint8_t value);

// Composites `layer` (same size as the target canvas) onto the target inside its
// clip (and through its mask) with a blend mode. "alpha" and "erase" change the
// target's alpha: use them onto a parent drawn as a layer.
void composite_layer(const DrawTarget& target, const Canvas& layer, BlendMode mode);

// FILTER records of a FILTERLIST.
struct Filter {
  enum Type : uint8_t {
    drop_shadow = 0,
    blur = 1,
    glow = 2,
    bevel = 3,
    gradient_glow = 4,
    convolution = 5,
    color_matrix = 6,
    gradient_bevel = 7,
  };
  uint8_t type = blur;
  Rgba color;                     // shadow/glow colour; bevel shadow colour
  Rgba highlight;                 // bevel highlight colour
  double blur_x = 0, blur_y = 0;  // pixels
  double angle = 0;               // radians
  double distance = 0;            // pixels
  double strength = 1;
  bool inner = false, knockout = false, composite_source = true, on_top = false;
  int passes = 1;
  std::vector<GradientStop> gradient;  // gradient glow/bevel
  int matrix_x = 0, matrix_y = 0;      // convolution
  double divisor = 1, bias = 0;
  std::vector<float> matrix;  // convolution (matrix_x * matrix_y) or colour matrix (20)
  Rgba default_color;
  bool clamp = true, preserve_alpha = false;
};

// Reads a FILTERLIST (count byte and filters). Returns the bytes used, 0 when
// the data ends inside it.
size_t parse_filter_list(const uint8_t* data, size_t length, std::vector<Filter>& out);

// Applies filters to the layer's pixels in `area`; `area` grows by what blurs,
// shadows and glows add (clipped to the layer). Supported: blur, drop shadow,
// glow, bevel, colour matrix, convolution; gradient glow/bevel use their
// gradient's outer colour as a plain glow/bevel.
void apply_filters(Canvas& layer, IntRect& area, const std::vector<Filter>& filters);
// How far (pixels) the filters may spread the object's pixels on each side.
int filter_margin(const std::vector<Filter>& filters);

}  // namespace render
