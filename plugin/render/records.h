// Readers for the byte-aligned records shared by many tags (RECT, MATRIX,
// colours, style arrays), on a BitReader.
#pragma once

#include "render/bit_reader.h"
#include "render/color.h"
#include "render/geometry.h"
#include "render/shape.h"

namespace render {

Rect read_rect(BitReader& in);
Matrix read_matrix(BitReader& in);
inline Rgba read_rgb(BitReader& in) {
  Rgba c;
  c.r = in.u8();
  c.g = in.u8();
  c.b = in.u8();
  c.a = 255;
  return c;
}
inline Rgba read_rgba(BitReader& in) {
  Rgba c = read_rgb(in);
  c.a = in.u8();
  return c;
}

// FILLSTYLE / LINESTYLE(2) and their arrays for shape version 1-4. False on an
// unknown fill type or when the data ends.
bool read_fill_style(BitReader& in, int version, FillStyle& out);
bool read_fill_styles(BitReader& in, int version, std::vector<FillStyle>& out);
bool read_line_styles(BitReader& in, int version, std::vector<LineStyle>& out);

// SHAPE records (after NumFillBits/NumLineBits have been read into the
// arguments). New-styles records start new groups, which need `version` to read.
// Ends at EndShapeRecord (true) or at damage (false).
bool read_shape_records(BitReader& in, int version, unsigned fill_bits, unsigned line_bits,
                        ShapeGeometry& out);

}  // namespace render
