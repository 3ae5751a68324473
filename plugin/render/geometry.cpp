#include "render/geometry.h"

#include <algorithm>
#include <cmath>

#include "render/records.h"

namespace render {

Matrix Matrix::rotation(double radians) {
  double c = std::cos(radians), s = std::sin(radians);
  return {c, s, -s, c, 0, 0};
}

Matrix Matrix::inverse(bool* ok) const {
  double det = determinant();
  if (det == 0 || !std::isfinite(det)) {
    if (ok) *ok = false;
    return {0, 0, 0, 0, 0, 0};
  }
  if (ok) *ok = true;
  Matrix r;
  r.a = d / det;
  r.b = -b / det;
  r.c = -c / det;
  r.d = a / det;
  r.tx = -(r.a * tx + r.c * ty);
  r.ty = -(r.b * tx + r.d * ty);
  return r;
}

Matrix operator*(const Matrix& o, const Matrix& i) {
  Matrix r;
  r.a = o.a * i.a + o.c * i.b;
  r.b = o.b * i.a + o.d * i.b;
  r.c = o.a * i.c + o.c * i.d;
  r.d = o.b * i.c + o.d * i.d;
  r.tx = o.a * i.tx + o.c * i.ty + o.tx;
  r.ty = o.b * i.tx + o.d * i.ty + o.ty;
  return r;
}

Matrix read_matrix(BitReader& in) {
  in.align();
  Matrix m;
  if (in.ub(1)) {
    unsigned n = in.ub(5);
    m.a = in.fb(n);
    m.d = in.fb(n);
  }
  if (in.ub(1)) {
    unsigned n = in.ub(5);
    m.b = in.fb(n);
    m.c = in.fb(n);
  }
  unsigned n = in.ub(5);
  m.tx = in.sb(n);
  m.ty = in.sb(n);
  in.align();
  return m;
}

Rect read_rect(BitReader& in) {
  in.align();
  unsigned n = in.ub(5);
  Rect r;
  r.x_min = in.sb(n);
  r.x_max = in.sb(n);
  r.y_min = in.sb(n);
  r.y_max = in.sb(n);
  in.align();
  return r;
}

size_t read_matrix(const uint8_t* data, size_t length, Matrix& out) {
  BitReader in(data, length);
  Matrix m = read_matrix(in);
  if (in.failed()) return 0;
  out = m;
  return in.position();
}

size_t read_rect(const uint8_t* data, size_t length, Rect& out) {
  BitReader in(data, length);
  Rect r = read_rect(in);
  if (in.failed()) return 0;
  out = r;
  return in.position();
}

Box transform_box(const Matrix& m, const Rect& r) {
  Point corners[4] = {
      m.apply({double(r.x_min), double(r.y_min)}), m.apply({double(r.x_max), double(r.y_min)}),
      m.apply({double(r.x_min), double(r.y_max)}), m.apply({double(r.x_max), double(r.y_max)})};
  Box b{corners[0].x, corners[0].y, corners[0].x, corners[0].y};
  for (const Point& p : corners) {
    b.x_min = std::min(b.x_min, p.x);
    b.y_min = std::min(b.y_min, p.y);
    b.x_max = std::max(b.x_max, p.x);
    b.y_max = std::max(b.y_max, p.y);
  }
  return b;
}

IntRect intersect(const IntRect& a, const IntRect& b) {
  IntRect r{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
            std::min(a.bottom, b.bottom)};
  if (r.empty()) return {};
  return r;
}

IntRect unite(const IntRect& a, const IntRect& b) {
  if (a.empty()) return b;
  if (b.empty()) return a;
  return {std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right),
          std::max(a.bottom, b.bottom)};
}

IntRect enclosing_pixels(const Box& box) {
  // Keep far-away boxes inside int range; callers intersect with a clip anyway.
  auto clampd = [](double v) { return std::max(-1e8, std::min(1e8, v)); };
  if (!(box.x_max >= box.x_min) || !(box.y_max >= box.y_min)) return {};
  return {int(std::floor(clampd(box.x_min))), int(std::floor(clampd(box.y_min))),
          int(std::ceil(clampd(box.x_max))), int(std::ceil(clampd(box.y_max)))};
}

}  // namespace render
