// DefineMorphShape/2: start and end styles and edges, interpolated at a ratio.
#include "render/morph.h"

#include <algorithm>

#include "render/records.h"

namespace render {

namespace {

bool read_morph_gradient(BitReader& in, bool focal, Gradient& start, Gradient& end) {
  uint8_t head = in.u8();
  unsigned count = head & 0x0F;
  uint8_t spread = head >> 6, interpolation = (head >> 4) & 3;
  start = Gradient();
  start.spread = spread == 1   ? SpreadMode::reflect
                 : spread == 2 ? SpreadMode::repeat
                               : SpreadMode::pad;
  start.interpolation = interpolation == 1 ? Interpolation::linear_rgb : Interpolation::rgb;
  end = start;
  for (unsigned i = 0; i < count; ++i) {
    GradientStop a, b;
    a.ratio = in.u8();
    a.color = read_rgba(in);
    b.ratio = in.u8();
    b.color = read_rgba(in);
    start.stops.push_back(a);
    end.stops.push_back(b);
  }
  if (focal) {
    start.focal_point = in.s16() / 256.0;
    end.focal_point = in.s16() / 256.0;
  }
  return !in.failed();
}

bool read_morph_fill(BitReader& in, FillStyle& start, FillStyle& end) {
  start = FillStyle();
  start.type = in.u8();
  end = start;
  switch (start.type) {
    case FillStyle::solid:
      start.color = read_rgba(in);
      end.color = read_rgba(in);
      break;
    case FillStyle::linear_gradient:
    case FillStyle::radial_gradient:
    case FillStyle::focal_gradient:
      start.matrix = read_matrix(in);
      end.matrix = read_matrix(in);
      if (!read_morph_gradient(in, start.type == FillStyle::focal_gradient, start.gradient,
                               end.gradient))
        return false;
      break;
    case FillStyle::repeating_bitmap:
    case FillStyle::clipped_bitmap:
    case FillStyle::repeating_bitmap_hard:
    case FillStyle::clipped_bitmap_hard:
      start.bitmap_id = end.bitmap_id = in.u16();
      start.matrix = read_matrix(in);
      end.matrix = read_matrix(in);
      break;
    default:
      return false;
  }
  return !in.failed();
}

bool read_count(BitReader& in, size_t& count) {
  count = in.u8();
  if (count == 0xFF) count = in.u16();
  return !in.failed() && count <= in.remaining();
}

inline double mix(double a, double b, double t) { return a + (b - a) * t; }
inline uint8_t mix8(uint8_t a, uint8_t b, double t) {
  return uint8_t(a + (int(b) - int(a)) * t + 0.5);
}
Rgba mix_color(Rgba a, Rgba b, double t) {
  return {mix8(a.r, b.r, t), mix8(a.g, b.g, t), mix8(a.b, b.b, t), mix8(a.a, b.a, t)};
}
Point mix_point(Point a, Point b, double t) { return {mix(a.x, b.x, t), mix(a.y, b.y, t)}; }
Matrix mix_matrix(const Matrix& a, const Matrix& b, double t) {
  return {mix(a.a, b.a, t), mix(a.b, b.b, t),   mix(a.c, b.c, t),
          mix(a.d, b.d, t), mix(a.tx, b.tx, t), mix(a.ty, b.ty, t)};
}
FillStyle mix_fill(const FillStyle& a, const FillStyle& b, double t) {
  FillStyle f = a;
  f.color = mix_color(a.color, b.color, t);
  f.matrix = mix_matrix(a.matrix, b.matrix, t);
  for (size_t i = 0; i < f.gradient.stops.size() && i < b.gradient.stops.size(); ++i) {
    f.gradient.stops[i].ratio = mix8(a.gradient.stops[i].ratio, b.gradient.stops[i].ratio, t);
    f.gradient.stops[i].color = mix_color(a.gradient.stops[i].color, b.gradient.stops[i].color, t);
  }
  f.gradient.focal_point = mix(a.gradient.focal_point, b.gradient.focal_point, t);
  return f;
}

}  // namespace

bool MorphShapeDefinition::parse(int tag_code, const uint8_t* body, size_t length) {
  *this = MorphShapeDefinition();
  if (tag_code != kDefineMorphShape && tag_code != kDefineMorphShape2) return false;
  const bool second = tag_code == kDefineMorphShape2;
  BitReader in(body, length);
  id_ = in.u16();
  start_bounds_ = read_rect(in);
  end_bounds_ = read_rect(in);
  if (second) {
    read_rect(in);
    read_rect(in);
    in.u8();
  }
  uint32_t offset = in.u32();
  size_t end_edges = in.position() + offset;
  if (in.failed() || end_edges > length) return false;

  StyleGroup start, end;
  size_t count;
  if (!read_count(in, count)) return false;
  start.fills.resize(count);
  end.fills.resize(count);
  for (size_t i = 0; i < count; ++i)
    if (!read_morph_fill(in, start.fills[i], end.fills[i])) return false;
  if (!read_count(in, count)) return false;
  start.lines.resize(count);
  end.lines.resize(count);
  for (size_t i = 0; i < count; ++i) {
    LineStyle& a = start.lines[i];
    LineStyle& b = end.lines[i];
    a.width = in.u16();
    b.width = in.u16();
    if (second) {
      uint8_t first = in.u8(), flags = in.u8();
      auto cap = [](unsigned v) {
        return v == 1 ? CapStyle::none : v == 2 ? CapStyle::square : CapStyle::round;
      };
      a.start_cap = cap(first >> 6);
      unsigned join = (first >> 4) & 3;
      a.join = join == 1 ? JoinStyle::bevel : join == 2 ? JoinStyle::miter : JoinStyle::round;
      a.has_fill = first & 0x08;
      a.no_hscale = first & 0x04;
      a.no_vscale = first & 0x02;
      a.pixel_hinting = first & 0x01;
      a.no_close = flags & 0x04;
      a.end_cap = cap(flags & 3);
      if (join == 2) a.miter_limit = in.u16() / 256.0;
      uint16_t width = b.width;
      b = a;
      b.width = width;
      if (a.has_fill) {
        if (!read_morph_fill(in, a.fill, b.fill)) return false;
      } else {
        a.color = read_rgba(in);
        b.color = read_rgba(in);
      }
    } else {
      a.color = read_rgba(in);
      b.color = read_rgba(in);
    }
    if (in.failed()) return false;
  }
  ShapeGeometry start_shape, end_shape;
  size_t used = parse_shape_records(in.current(), in.remaining(), 3, false, start_shape);
  if (used == 0) return false;
  parse_shape_records(body + end_edges, length - end_edges, 3, false, end_shape);

  for (const StyleGroup& group : start_shape.groups)
    start.edges.insert(start.edges.end(), group.edges.begin(), group.edges.end());
  size_t index = 0;
  for (const StyleGroup& group : end_shape.groups) {
    for (const ShapeEdge& e : group.edges) {
      if (index >= start.edges.size()) break;
      ShapeEdge paired = e;
      const ShapeEdge& s = start.edges[index++];
      paired.fill0 = s.fill0;
      paired.fill1 = s.fill1;
      paired.line = s.line;
      paired.curved = e.curved || s.curved;
      end.edges.push_back(paired);
    }
  }
  // Edges without a partner keep their start position.
  for (; index < start.edges.size(); ++index) end.edges.push_back(start.edges[index]);
  for (size_t i = 0; i < start.edges.size(); ++i) start.edges[i].curved = end.edges[i].curved;
  start_.groups.push_back(std::move(start));
  end_.groups.push_back(std::move(end));
  return true;
}

Rect MorphShapeDefinition::bounds_at(uint16_t ratio) const {
  double t = ratio / 65535.0;
  auto m = [&](int32_t a, int32_t b) { return int32_t(a + (double(b) - a) * t); };
  return {m(start_bounds_.x_min, end_bounds_.x_min), m(start_bounds_.x_max, end_bounds_.x_max),
          m(start_bounds_.y_min, end_bounds_.y_min), m(start_bounds_.y_max, end_bounds_.y_max)};
}

const ShapeGeometry& MorphShapeDefinition::geometry_at(uint16_t ratio) const {
  if (cached_ratio_ == ratio) return cached_;
  cached_ratio_ = ratio;
  cached_.groups.clear();
  if (start_.groups.empty()) return cached_;
  const double t = ratio / 65535.0;
  const StyleGroup& a = start_.groups[0];
  const StyleGroup& b = end_.groups[0];
  StyleGroup g;
  g.fills.resize(a.fills.size());
  for (size_t i = 0; i < a.fills.size(); ++i) g.fills[i] = mix_fill(a.fills[i], b.fills[i], t);
  g.lines.resize(a.lines.size());
  for (size_t i = 0; i < a.lines.size(); ++i) {
    g.lines[i] = a.lines[i];
    g.lines[i].width = uint16_t(mix(a.lines[i].width, b.lines[i].width, t) + 0.5);
    g.lines[i].color = mix_color(a.lines[i].color, b.lines[i].color, t);
    if (a.lines[i].has_fill) g.lines[i].fill = mix_fill(a.lines[i].fill, b.lines[i].fill, t);
  }
  g.edges.resize(a.edges.size());
  for (size_t i = 0; i < a.edges.size(); ++i) {
    ShapeEdge& e = g.edges[i];
    e = a.edges[i];
    e.from = mix_point(a.edges[i].from, b.edges[i].from, t);
    e.control = mix_point(a.edges[i].control, b.edges[i].control, t);
    e.to = mix_point(a.edges[i].to, b.edges[i].to, t);
  }
  cached_.groups.push_back(std::move(g));
  return cached_;
}

}  // namespace render
