// DefineShape 1-4: style arrays and shape records into style groups.
#include "render/shape.h"

#include <algorithm>

#include "render/records.h"

namespace render {

namespace {

bool read_gradient(BitReader& in, int version, bool focal, Gradient& out) {
  uint8_t head = in.u8();
  uint8_t spread = head >> 6, interpolation = (head >> 4) & 3;
  unsigned count = head & 0x0F;
  out.spread = spread == 1   ? SpreadMode::reflect
               : spread == 2 ? SpreadMode::repeat
                             : SpreadMode::pad;
  out.interpolation = interpolation == 1 ? Interpolation::linear_rgb : Interpolation::rgb;
  out.stops.clear();
  for (unsigned i = 0; i < count; ++i) {
    GradientStop stop;
    stop.ratio = in.u8();
    stop.color = version >= 3 ? read_rgba(in) : read_rgb(in);
    out.stops.push_back(stop);
  }
  // Stops stay in file order: the ramp scans them forwards, so ratios that go
  // backwards end the ramp there instead of being reordered.
  if (focal) out.focal_point = in.s16() / 256.0;
  return !in.failed();
}

// The count of a style array: UI8, escaped to UI16 by 0xFF from version 2.
bool read_count(BitReader& in, int version, size_t& count) {
  count = in.u8();
  if (count == 0xFF && version >= 2) count = in.u16();
  // Every style takes at least one byte; a larger count is damage.
  return !in.failed() && count <= in.remaining();
}

}  // namespace

bool read_fill_style(BitReader& in, int version, FillStyle& f) {
  f = FillStyle();
  f.type = in.u8();
  switch (f.type) {
    case FillStyle::solid:
      f.color = version >= 3 ? read_rgba(in) : read_rgb(in);
      break;
    case FillStyle::linear_gradient:
    case FillStyle::radial_gradient:
    case FillStyle::focal_gradient:
      f.matrix = read_matrix(in);
      if (!read_gradient(in, version, f.type == FillStyle::focal_gradient, f.gradient))
        return false;
      break;
    case FillStyle::repeating_bitmap:
    case FillStyle::clipped_bitmap:
    case FillStyle::repeating_bitmap_hard:
    case FillStyle::clipped_bitmap_hard:
      f.bitmap_id = in.u16();
      f.matrix = read_matrix(in);
      break;
    default:
      return false;
  }
  return !in.failed();
}

bool read_fill_styles(BitReader& in, int version, std::vector<FillStyle>& out) {
  size_t count;
  if (!read_count(in, version, count)) return false;
  out.resize(count);
  for (size_t i = 0; i < count; ++i)
    if (!read_fill_style(in, version, out[i])) return false;
  return true;
}

bool read_line_styles(BitReader& in, int version, std::vector<LineStyle>& out) {
  size_t count;
  if (!read_count(in, version, count)) return false;
  out.resize(count);
  for (size_t i = 0; i < count; ++i) {
    LineStyle& l = out[i];
    l = LineStyle();
    l.width = in.u16();
    if (version < 4) {
      l.color = version >= 3 ? read_rgba(in) : read_rgb(in);
    } else {
      uint8_t first = in.u8(), second = in.u8();
      auto cap = [](unsigned v) {
        return v == 1 ? CapStyle::none : v == 2 ? CapStyle::square : CapStyle::round;
      };
      l.start_cap = cap(first >> 6);
      unsigned join = (first >> 4) & 3;
      l.join = join == 1 ? JoinStyle::bevel : join == 2 ? JoinStyle::miter : JoinStyle::round;
      l.has_fill = first & 0x08;
      l.no_hscale = first & 0x04;
      l.no_vscale = first & 0x02;
      l.pixel_hinting = first & 0x01;
      l.no_close = second & 0x04;
      l.end_cap = cap(second & 3);
      if (join == 2) l.miter_limit = in.u16() / 256.0;
      if (l.has_fill) {
        if (!read_fill_style(in, version, l.fill)) return false;
        l.color = l.fill.type == FillStyle::solid ? l.fill.color : Rgba{0, 0, 0, 255};
      } else {
        l.color = read_rgba(in);
      }
    }
    if (in.failed()) return false;
  }
  return true;
}

bool read_shape_records(BitReader& in, int version, unsigned fill_bits, unsigned line_bits,
                        ShapeGeometry& out) {
  if (out.groups.empty()) out.groups.emplace_back();
  Point pen;
  uint16_t fill0 = 0, fill1 = 0, line = 0;
  for (;;) {
    if (in.failed()) return false;
    if (in.ub(1) == 0) {
      unsigned flags = in.ub(5);
      if (in.failed()) return false;
      if (flags == 0) {
        in.align();
        return true;
      }
      if (flags & 0x01) {
        unsigned bits = in.ub(5);
        double x = in.sb(bits);
        pen = {x, double(in.sb(bits))};
      }
      bool set0 = flags & 0x02, set1 = flags & 0x04, set_line = flags & 0x08;
      if (set0) fill0 = uint16_t(in.ub(fill_bits));
      if (set1) fill1 = uint16_t(in.ub(fill_bits));
      if (set_line) line = uint16_t(in.ub(line_bits));
      if (flags & 0x10) {
        // New styles: later edges index the new arrays and draw above the old ones.
        StyleGroup group;
        if (!read_fill_styles(in, version, group.fills)) return false;
        if (!read_line_styles(in, version, group.lines)) return false;
        fill_bits = in.ub(4);
        line_bits = in.ub(4);
        if (!set0) fill0 = 0;
        if (!set1) fill1 = 0;
        if (!set_line) line = 0;
        if (out.groups.back().edges.empty() && out.groups.back().fills.empty() &&
            out.groups.back().lines.empty())
          out.groups.back() = std::move(group);
        else
          out.groups.push_back(std::move(group));
      }
      continue;
    }
    ShapeEdge e;
    e.fill0 = fill0;
    e.fill1 = fill1;
    e.line = line;
    e.from = pen;
    unsigned straight = in.ub(1);
    unsigned bits = in.ub(4) + 2;
    if (straight) {
      double dx = 0, dy = 0;
      if (in.ub(1)) {
        dx = in.sb(bits);
        dy = in.sb(bits);
      } else if (in.ub(1)) {
        dy = in.sb(bits);
      } else {
        dx = in.sb(bits);
      }
      e.to = {pen.x + dx, pen.y + dy};
      e.control = {(e.from.x + e.to.x) / 2, (e.from.y + e.to.y) / 2};
    } else {
      double cx = in.sb(bits);
      double cy = in.sb(bits);
      double ax = in.sb(bits);
      double ay = in.sb(bits);
      e.curved = true;
      e.control = {pen.x + cx, pen.y + cy};
      e.to = {e.control.x + ax, e.control.y + ay};
    }
    if (in.failed()) return false;
    pen = e.to;
    out.groups.back().edges.push_back(e);
  }
}

size_t parse_shape_records(const uint8_t* data, size_t length, int version, bool with_styles,
                           ShapeGeometry& out) {
  BitReader in(data, length);
  out.groups.clear();
  out.groups.emplace_back();
  if (with_styles) {
    if (!read_fill_styles(in, version, out.groups[0].fills)) return 0;
    if (!read_line_styles(in, version, out.groups[0].lines)) return 0;
  }
  unsigned fill_bits = in.ub(4), line_bits = in.ub(4);
  if (!read_shape_records(in, version, fill_bits, line_bits, out)) return 0;
  return in.position();
}

bool ShapeDefinition::parse(int tag_code, const uint8_t* body, size_t length) {
  switch (tag_code) {
    case kDefineShape:
      version_ = 1;
      break;
    case kDefineShape2:
      version_ = 2;
      break;
    case kDefineShape3:
      version_ = 3;
      break;
    case kDefineShape4:
      version_ = 4;
      break;
    default:
      return false;
  }
  geometry_.groups.clear();
  BitReader in(body, length);
  id_ = in.u16();
  bounds_ = read_rect(in);
  edge_bounds_ = bounds_;
  if (version_ == 4) {
    edge_bounds_ = read_rect(in);
    in.u8();  // stroke scaling flags: strokes carry their own no-scale flags
  }
  if (in.failed()) return false;
  size_t used = parse_shape_records(in.current(), in.remaining(), version_, true, geometry_);
  return used != 0;
}

}  // namespace render
