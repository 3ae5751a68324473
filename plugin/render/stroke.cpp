#include "render/stroke.h"

#include <cmath>

namespace render {

namespace {

constexpr double kPi = 3.14159265358979323846;

struct Vec {
  double x, y;
};
inline Vec sub(Point a, Point b) { return {a.x - b.x, a.y - b.y}; }
inline Point add(Point p, Vec v, double k = 1) { return {p.x + v.x * k, p.y + v.y * k}; }
inline double dot(Vec a, Vec b) { return a.x * b.x + a.y * b.y; }
inline double cross(Vec a, Vec b) { return a.x * b.y - a.y * b.x; }
inline Vec unit(Vec v) {
  double len = std::sqrt(v.x * v.x + v.y * v.y);
  return len > 0 ? Vec{v.x / len, v.y / len} : Vec{1, 0};
}
inline Vec normal_of(Vec direction) { return {-direction.y, direction.x}; }

// Appends points on a circle around `center` from angle a0 sweeping `sweep`
// radians (sign gives the direction), excluding the first point.
void arc(std::vector<Point>& out, Point center, double radius, double a0, double sweep) {
  double tolerance = 0.03;
  double step = radius > tolerance ? 2 * std::acos(1 - tolerance / radius) : kPi / 2;
  step = std::max(step, kPi / 64);
  int pieces = std::max(1, int(std::ceil(std::fabs(sweep) / step)));
  pieces = std::min(pieces, 256);
  for (int i = 1; i <= pieces; ++i) {
    double a = a0 + sweep * i / pieces;
    out.push_back({center.x + radius * std::cos(a), center.y + radius * std::sin(a)});
  }
}

// Adds the join at `p` between incoming direction d0 and outgoing d1 on the
// side given by `side` (+1 / -1 times the left normal).
void join(std::vector<Point>& out, Point p, Vec d0, Vec d1, double side, const StrokeStyle& s) {
  double hw = s.half_width;
  Vec n0 = normal_of(d0), n1 = normal_of(d1);
  n0 = {n0.x * side, n0.y * side};
  n1 = {n1.x * side, n1.y * side};
  Point a = add(p, n0, hw), b = add(p, n1, hw);
  bool outer = dot(d1, n0) < 0;
  if (!outer || std::fabs(cross(d0, d1)) < 1e-12) {
    // Inner side (or straight on): pass through the centre so the two offset
    // lines cross inside the stroke body.
    out.push_back(a);
    if (std::fabs(cross(d0, d1)) >= 1e-12 || dot(d0, d1) < 0) out.push_back(p);
    out.push_back(b);
    return;
  }
  out.push_back(a);
  switch (s.join) {
    case JoinStyle::round: {
      double a0 = std::atan2(n0.y, n0.x), a1 = std::atan2(n1.y, n1.x);
      double sweep = a1 - a0;
      while (sweep > kPi) sweep -= 2 * kPi;
      while (sweep < -kPi) sweep += 2 * kPi;
      arc(out, p, hw, a0, sweep);
      break;
    }
    case JoinStyle::miter: {
      Vec bisector = unit({n0.x + n1.x, n0.y + n1.y});
      double cos_half = dot(bisector, n0);
      if (cos_half > 1e-6 && 1 / cos_half <= s.miter_limit) {
        out.push_back(add(p, bisector, hw / cos_half));
      }
      out.push_back(b);
      break;
    }
    case JoinStyle::bevel:
      out.push_back(b);
      break;
  }
}

// Cap at `p` for a path leaving in direction d (outward), from the side
// p + n*hw round to p - n*hw.
void cap(std::vector<Point>& out, Point p, Vec d, CapStyle style, double hw) {
  Vec n = normal_of(d);
  Point from = add(p, n, hw), to = add(p, n, -hw);
  switch (style) {
    case CapStyle::round: {
      double a0 = std::atan2(n.y, n.x);
      // Sweep half a turn through the outward direction d.
      double sweep = cross(n, d) > 0 ? kPi : -kPi;
      out.push_back(from);
      arc(out, p, hw, a0, sweep);
      break;
    }
    case CapStyle::square:
      out.push_back(from);
      out.push_back(add(from, d, hw));
      out.push_back(add(to, d, hw));
      out.push_back(to);
      break;
    case CapStyle::none:
      out.push_back(from);
      out.push_back(to);
      break;
  }
}

void add_polygon(const std::vector<Point>& polygon, Rasterizer& r, int slot) {
  for (size_t i = 0; i < polygon.size(); ++i)
    r.add_line(polygon[i], polygon[(i + 1) % polygon.size()], slot);
}

}  // namespace

void stroke_polyline(const std::vector<Point>& input, const StrokeStyle& s, Rasterizer& r,
                     int slot) {
  std::vector<Point> pts;
  pts.reserve(input.size());
  for (const Point& p : input) {
    if (!std::isfinite(p.x) || !std::isfinite(p.y)) return;
    if (pts.empty() || std::fabs(p.x - pts.back().x) > 1e-9 || std::fabs(p.y - pts.back().y) > 1e-9)
      pts.push_back(p);
  }
  if (pts.empty()) return;
  const double hw = s.half_width;
  std::vector<Point> outline;
  if (pts.size() == 1) {
    // A zero-length stroke still shows its caps (a dot).
    if (s.start_cap == CapStyle::round) {
      arc(outline, pts[0], hw, 0, 2 * kPi);
    } else if (s.start_cap == CapStyle::square) {
      outline = {{pts[0].x - hw, pts[0].y - hw},
                 {pts[0].x + hw, pts[0].y - hw},
                 {pts[0].x + hw, pts[0].y + hw},
                 {pts[0].x - hw, pts[0].y + hw}};
    }
    if (!outline.empty()) add_polygon(outline, r, slot);
    return;
  }
  bool closed = pts.size() > 2 && std::fabs(pts.front().x - pts.back().x) < 1e-6 &&
                std::fabs(pts.front().y - pts.back().y) < 1e-6 && !s.no_close;
  if (closed) pts.pop_back();
  const size_t n = pts.size();
  std::vector<Vec> dir(closed ? n : n - 1);
  for (size_t i = 0; i < dir.size(); ++i) dir[i] = unit(sub(pts[(i + 1) % n], pts[i]));

  if (closed) {
    // Two loops of opposite orientation: the ring between them is the stroke.
    for (double side : {1.0, -1.0}) {
      outline.clear();
      for (size_t k = 0; k < n; ++k) {
        size_t i = side > 0 ? k : n - 1 - k;
        Vec d_in = side > 0 ? dir[(i + n - 1) % n] : Vec{-dir[i].x, -dir[i].y};
        Vec d_out = side > 0 ? dir[i] : Vec{-dir[(i + n - 1) % n].x, -dir[(i + n - 1) % n].y};
        join(outline, pts[i], d_in, d_out, 1.0, s);
      }
      add_polygon(outline, r, slot);
    }
    return;
  }
  // Left side forward, end cap, right side backward, start cap.
  outline.push_back(add(pts[0], normal_of(dir[0]), hw));
  for (size_t i = 1; i + 1 < n; ++i) join(outline, pts[i], dir[i - 1], dir[i], 1.0, s);
  Vec last = dir[n - 2];
  cap(outline, pts[n - 1], last, s.end_cap, hw);
  for (size_t i = n - 2; i >= 1; --i) {
    Vec d_in = {-dir[i].x, -dir[i].y}, d_out = {-dir[i - 1].x, -dir[i - 1].y};
    join(outline, pts[i], d_in, d_out, 1.0, s);
  }
  Vec first = {-dir[0].x, -dir[0].y};
  cap(outline, pts[0], first, s.start_cap, hw);
  add_polygon(outline, r, slot);
}

}  // namespace render
