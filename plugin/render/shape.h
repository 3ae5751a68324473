// Shape characters: DefineShape 1-4 parsed into style groups and drawn with a
// matrix and a colour transform.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "render/bitmap.h"
#include "render/canvas.h"
#include "render/color.h"
#include "render/geometry.h"

namespace render {

struct GradientStop {
  uint8_t ratio = 0;
  Rgba color;
};

enum class SpreadMode : uint8_t { pad = 0, reflect = 1, repeat = 2 };
enum class Interpolation : uint8_t { rgb = 0, linear_rgb = 1 };

struct Gradient {
  std::vector<GradientStop> stops;  // in file order (normally ascending ratios)
  SpreadMode spread = SpreadMode::pad;
  Interpolation interpolation = Interpolation::rgb;
  double focal_point = 0;  // -1..1, focal gradients only
};

// FILLSTYLE. Gradient and bitmap matrices map gradient/bitmap space to shape twips.
struct FillStyle {
  enum Type : uint8_t {
    solid = 0x00,
    linear_gradient = 0x10,
    radial_gradient = 0x12,
    focal_gradient = 0x13,
    repeating_bitmap = 0x40,
    clipped_bitmap = 0x41,
    repeating_bitmap_hard = 0x42,
    clipped_bitmap_hard = 0x43,
  };
  uint8_t type = solid;
  Rgba color;
  Matrix matrix;
  Gradient gradient;
  uint16_t bitmap_id = 0;

  bool is_bitmap() const { return type >= 0x40 && type <= 0x43; }
  bool is_gradient() const { return type == 0x10 || type == 0x12 || type == 0x13; }
};

enum class CapStyle : uint8_t { round = 0, none = 1, square = 2 };
enum class JoinStyle : uint8_t { round = 0, bevel = 1, miter = 2 };

// LINESTYLE / LINESTYLE2.
struct LineStyle {
  uint16_t width = 0;  // twips
  Rgba color;
  CapStyle start_cap = CapStyle::round;
  CapStyle end_cap = CapStyle::round;
  JoinStyle join = JoinStyle::round;
  double miter_limit = 3;  // times the width
  bool no_hscale = false, no_vscale = false, pixel_hinting = false, no_close = false;
  bool has_fill = false;
  FillStyle fill;  // when has_fill
};

// One edge with the style selections current when it was read. Straight edges
// have control == midpoint and curved == false. fill0 is the style on the left
// of the edge's direction, fill1 on its right (1-based, 0 = none).
struct ShapeEdge {
  Point from, control, to;
  bool curved = false;
  uint16_t fill0 = 0, fill1 = 0, line = 0;
};

// The edges between two new-styles records, with the styles they index.
struct StyleGroup {
  std::vector<FillStyle> fills;
  std::vector<LineStyle> lines;
  std::vector<ShapeEdge> edges;
};

// Shared by shapes, morph shapes at a ratio, glyphs and drawing-API shapes.
struct ShapeGeometry {
  std::vector<StyleGroup> groups;
};

// Draws geometry (twips) with a matrix to device pixels. Fills of a group
// share one scan so adjacent regions leave no seam; strokes come after them.
void draw_geometry(const ShapeGeometry& geometry, const DrawTarget& target, const Matrix& to_device,
                   const ColorTransform& cxform, const BitmapLookup& bitmaps);
// Whether a point in shape twips lies inside a fill region (even-odd per style)
// or on a stroke.
bool geometry_hit(const ShapeGeometry& geometry, Point p);
// Bounds of the edges (control points included), in twips; widened by half
// the widest stroke when with_strokes.
Rect geometry_bounds(const ShapeGeometry& geometry, bool with_strokes);

class ShapeDefinition {
 public:
  enum TagCode : int {
    kDefineShape = 2,
    kDefineShape2 = 22,
    kDefineShape3 = 32,
    kDefineShape4 = 83
  };

  // Parses a DefineShape/2/3/4 body (tag code picks the version). Reads never
  // leave the body; damaged data gives false (with whatever parsed so far kept,
  // so a partly damaged shape still draws its intact part).
  bool parse(int tag_code, const uint8_t* body, size_t length);

  uint16_t id() const { return id_; }
  int version() const { return version_; }  // 1-4
  const Rect& bounds() const { return bounds_; }
  // DefineShape4's bounds without strokes; the same as bounds() before it.
  const Rect& edge_bounds() const { return edge_bounds_; }
  const ShapeGeometry& geometry() const { return geometry_; }
  ShapeGeometry& geometry() { return geometry_; }

  void draw(const DrawTarget& target, const Matrix& to_device, const ColorTransform& cxform,
            const BitmapLookup& bitmaps) const {
    draw_geometry(geometry_, target, to_device, cxform, bitmaps);
  }
  // Point in shape twips.
  bool hit_test(Point p) const { return geometry_hit(geometry_, p); }

 private:
  uint16_t id_ = 0;
  int version_ = 1;
  Rect bounds_, edge_bounds_;
  ShapeGeometry geometry_;
};

// Parses a SHAPE (NumFillBits, NumLineBits, records: glyphs and morph edges)
// or a SHAPEWITHSTYLE into `out`. `version` is the shape version (1-4) for
// style records; `with_styles` reads the style arrays first. Returns the bytes
// used (0 on damaged data; whatever parsed stays in `out`).
size_t parse_shape_records(const uint8_t* data, size_t length, int version, bool with_styles,
                           ShapeGeometry& out);

}  // namespace render
