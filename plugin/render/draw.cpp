// Drawing, hit-testing and bounds of shape geometry.
#include <algorithm>
#include <cmath>

#include "render/paint.h"
#include "render/raster.h"
#include "render/shape.h"
#include "render/stroke.h"

namespace render {

namespace {

constexpr double kFlattenTolerance = 0.04;  // device pixels
// Coverage that rounds to a full 256/256 of the colour.
constexpr float kFull = 255.5f / 256;

// Source-over of one translucent premultiplied colour onto a run of pixels;
// branch-free so the compiler can vectorise it.
void blend_run(uint32_t* dst, int count, uint32_t color) {
  const uint32_t inv = 255 - (color >> 24);
  for (int i = 0; i < count; ++i) {
    uint32_t d = dst[i];
    uint32_t rb = (d & 0x00FF00FFu) * inv + 0x00800080u;
    rb = ((rb + ((rb >> 8) & 0x00FF00FFu)) >> 8) & 0x00FF00FFu;
    uint32_t ag = ((d >> 8) & 0x00FF00FFu) * inv + 0x00800080u;
    ag = (ag + ((ag >> 8) & 0x00FF00FFu)) & 0xFF00FF00u;
    dst[i] = color + rb + ag;
  }
}

// Blends rows of coverage into the canvas.
class Compositor {
 public:
  Compositor(const DrawTarget& target, const IntRect& clip) : target_(target) {
    // Shaded colours are kept for the clip's columns only.
    base_ = clip.left;
    shaded_.resize(size_t(std::max(0, clip.width())) + 1);
  }

  void single(int y, const RowSpan& span, const Paint& paint) {
    uint32_t* dst = target_.canvas->row(y);
    const uint8_t* mask = target_.mask ? target_.mask->row(y) : nullptr;
    const float* cov = span.coverage;
    if (paint.kind == Paint::solid && !mask) {
      // The common case: one colour, no mask.
      const uint32_t color = paint.color;
      const bool opaque = (color >> 24) == 255;
      for (int x = span.left; x < span.right;) {
        float c = cov[x];
        if (c >= kFull) {
          // A run of fully covered pixels.
          int start = x;
          while (x < span.right && cov[x] >= kFull) ++x;
          if (opaque) {
            std::fill(dst + start, dst + x, color);
          } else {
            blend_run(dst + start, x - start, color);
          }
          continue;
        }
        if (c > 0) dst[x] = blend_over(dst[x], scale_pixel(color, uint32_t(c * 256 + 0.5f)));
        ++x;
      }
      return;
    }
    const uint32_t* colors = nullptr;
    if (paint.kind != Paint::solid) {
      paint.shade(y, span.left, span.right, shaded_.data() + (span.left - base_));
      colors = shaded_.data();
    }
    if (!mask) {
      for (int x = span.left; x < span.right; ++x) {
        float c = cov[x];
        uint32_t color = colors ? colors[x - base_] : paint.color;
        if (c >= kFull) {
          dst[x] = (color >> 24) == 255 ? color : blend_over(dst[x], color);
        } else if (c > 0) {
          dst[x] = blend_over(dst[x], scale_pixel(color, uint32_t(c * 256 + 0.5f)));
        }
      }
      return;
    }
    for (int x = span.left; x < span.right; ++x) {
      uint32_t k = uint32_t(cov[x] * 256 + 0.5f);
      if (k == 0) continue;
      if (k > 256) k = 256;
      if (mask) k = (k * mask[x] + 127) / 255;
      uint32_t color = colors ? colors[x - base_] : paint.color;
      if (k >= 256) {
        dst[x] = (color >> 24) == 255 ? color : blend_over(dst[x], color);
      } else if (k) {
        dst[x] = blend_over(dst[x], scale_pixel(color, k));
      }
    }
  }

  // Several fills meet in this row: sum their coverage-weighted colours first so
  // a pixel shared by two adjacent fills ends up fully covered. Where fills
  // overlap, the higher style index is on top: styles are taken from the top
  // down, each getting only the coverage the ones above left.
  void multiple(int y, const RowSpan* unsorted, int count, const std::vector<Paint>& paints) {
    order_.assign(unsorted, unsorted + count);
    std::sort(order_.begin(), order_.end(),
              [](const RowSpan& a, const RowSpan& b) { return a.slot > b.slot; });
    const RowSpan* spans = order_.data();
    int left = spans[0].left, right = spans[0].right;
    for (int i = 1; i < count; ++i) {
      left = std::min(left, spans[i].left);
      right = std::max(right, spans[i].right);
    }
    size_t width = size_t(right - left);
    if (sums_.size() < width * 5) sums_.resize(width * 5);
    std::fill(sums_.begin(), sums_.begin() + width * 5, 0.0f);
    for (int i = 0; i < count; ++i) {
      const RowSpan& span = spans[i];
      const Paint& paint = paints[span.slot];
      if (paint.kind == Paint::none) continue;
      if (paint.kind != Paint::solid)
        paint.shade(y, span.left, span.right, shaded_.data() + (span.left - base_));
      for (int x = span.left; x < span.right; ++x) {
        float* s = &sums_[size_t(x - left) * 5];
        float c = std::min(span.coverage[x], 1.0f - s[4]);
        if (c <= 0) continue;
        uint32_t color = paint.kind == Paint::solid ? paint.color : shaded_[size_t(x - base_)];
        s[0] += c * float(color >> 24);
        s[1] += c * float((color >> 16) & 0xFF);
        s[2] += c * float((color >> 8) & 0xFF);
        s[3] += c * float(color & 0xFF);
        s[4] += c;
      }
    }
    uint32_t* dst = target_.canvas->row(y);
    const uint8_t* mask = target_.mask ? target_.mask->row(y) : nullptr;
    for (int x = left; x < right; ++x) {
      const float* s = &sums_[size_t(x - left) * 5];
      if (s[4] <= 0) continue;
      float scale = 1;
      if (mask) scale *= mask[x] / 255.0f;
      auto channel = [&](float v) { return uint32_t(std::min(255.0f, v * scale + 0.5f)); };
      uint32_t a = channel(s[0]);
      uint32_t src = (a << 24) | (std::min(a, channel(s[1])) << 16) |
                     (std::min(a, channel(s[2])) << 8) | std::min(a, channel(s[3]));
      dst[x] = blend_over(dst[x], src);
    }
  }

 private:
  const DrawTarget& target_;
  std::vector<uint32_t> shaded_;
  int base_ = 0;
  std::vector<float> sums_;
  std::vector<RowSpan> order_;
};

void add_edge(Rasterizer& r, const Matrix& m, const ShapeEdge& e, int slot_a, int slot_b) {
  if (e.curved) {
    r.add_quad(m.apply(e.from), m.apply(e.control), m.apply(e.to), slot_a, slot_b,
               kFlattenTolerance);
  } else {
    r.add_line(m.apply(e.from), m.apply(e.to), slot_a, slot_b);
  }
}

// Appends an edge's points after its start, in device pixels; `keep` is the
// area (clip plus stroke width) where curves must be followed closely.
void append_flattened(std::vector<Point>& out, const Matrix& m, const ShapeEdge& e,
                      const Box& keep) {
  Point p1 = m.apply(e.to);
  if (!e.curved) {
    out.push_back(p1);
    return;
  }
  flatten_quad(m.apply(e.from), m.apply(e.control), p1, kFlattenTolerance, keep,
               [&](Point q) { out.push_back(q); });
}

double stroke_scale(const Matrix& m, const LineStyle& line) {
  double sx = std::sqrt(m.a * m.a + m.b * m.b), sy = std::sqrt(m.c * m.c + m.d * m.d);
  if (line.no_hscale && line.no_vscale) return 1.0 / 20;
  if (line.no_hscale) return sy;
  if (line.no_vscale) return sx;
  return std::sqrt(std::fabs(m.determinant()));
}

void paint_single_slot(Rasterizer& r, const DrawTarget& target, const IntRect& clip,
                       const Paint& paint) {
  Compositor compositor(target, clip);
  r.sweep([&](int y, const RowSpan* spans, int count) {
    for (int i = 0; i < count; ++i) compositor.single(y, spans[i], paint);
  });
}

void draw_group(const StyleGroup& group, const DrawTarget& target, const IntRect& full_clip,
                const Matrix& m, const ColorTransform& cxform, const BitmapLookup& bitmaps) {
  if (group.edges.empty()) return;
  // Work only over the pixels the group can reach (its edges' box, widened
  // by the widest stroke), so small shapes cost little on large canvases.
  double widest = 0;
  for (const LineStyle& line : group.lines)
    widest = std::max(widest, line.width * stroke_scale(m, line));
  Box box{1e300, 1e300, -1e300, -1e300};
  for (const ShapeEdge& e : group.edges)
    for (const Point& twips : {e.from, e.control, e.to}) {
      Point p = m.apply(twips);
      box.x_min = std::min(box.x_min, p.x);
      box.y_min = std::min(box.y_min, p.y);
      box.x_max = std::max(box.x_max, p.x);
      box.y_max = std::max(box.y_max, p.y);
    }
  const double margin = std::max(1.0, widest) / 2 + 2;
  box = {box.x_min - margin, box.y_min - margin, box.x_max + margin, box.y_max + margin};
  const IntRect clip = intersect(full_clip, enclosing_pixels(box));
  if (clip.empty()) return;
  const int fill_count = int(group.fills.size());
  Rasterizer r;
  r.set_antialias(target.antialias);
  if (fill_count > 0) {
    r.reset(clip, fill_count);
    std::vector<bool> used(fill_count, false);
    for (const ShapeEdge& e : group.edges) {
      if (e.fill0 == e.fill1) continue;  // interior edge, or no fill
      int a = e.fill0 >= 1 && e.fill0 <= fill_count ? e.fill0 - 1 : -1;
      int b = e.fill1 >= 1 && e.fill1 <= fill_count ? e.fill1 - 1 : -1;
      if (a < 0) std::swap(a, b);
      if (a < 0) continue;
      used[a] = true;
      if (b >= 0) used[b] = true;
      add_edge(r, m, e, a, b);
    }
    if (!r.empty()) {
      std::vector<Paint> paints(fill_count);
      for (int i = 0; i < fill_count; ++i) {
        if (!used[i]) continue;
        if (target.mask_mode) {
          paints[i].kind = Paint::solid;
          paints[i].color = 0xFFFFFFFFu;
          paints[i].opaque = true;
        } else if (!make_paint(group.fills[i], m, cxform, bitmaps, target.smooth_bitmaps,
                               paints[i])) {
          paints[i].kind = Paint::none;
        }
      }
      Compositor compositor(target, clip);
      r.sweep([&](int y, const RowSpan* spans, int count) {
        if (count == 1) {
          if (paints[spans[0].slot].kind != Paint::none)
            compositor.single(y, spans[0], paints[spans[0].slot]);
        } else {
          compositor.multiple(y, spans, count, paints);
        }
      });
    }
  }

  if (group.lines.empty() || (target.mask_mode && !target.mask_strokes)) return;
  std::vector<std::vector<size_t>> by_line(group.lines.size());
  for (size_t i = 0; i < group.edges.size(); ++i) {
    uint16_t line = group.edges[i].line;
    if (line >= 1 && line <= group.lines.size()) by_line[line - 1].push_back(i);
  }
  for (size_t l = 0; l < group.lines.size(); ++l) {
    if (by_line[l].empty()) continue;
    const LineStyle& line = group.lines[l];
    StrokeStyle style;
    double width = line.width * stroke_scale(m, line);
    style.half_width = std::max(1.0, width) / 2;
    style.start_cap = line.start_cap;
    style.end_cap = line.end_cap;
    style.join = line.join;
    style.miter_limit = std::max(1.0, line.miter_limit);
    style.no_close = line.no_close;
    r.reset(clip, 1);
    r.set_rule(0, FillRule::non_zero);
    std::vector<Point> polyline;
    const ShapeEdge* previous = nullptr;
    const double margin = style.half_width + 2;
    const Box keep{clip.left - margin, clip.top - margin, clip.right + margin,
                   clip.bottom + margin};
    for (size_t index : by_line[l]) {
      const ShapeEdge& e = group.edges[index];
      bool connected = previous && previous->to.x == e.from.x && previous->to.y == e.from.y;
      if (!connected) {
        if (!polyline.empty()) stroke_polyline(polyline, style, r, 0);
        polyline.clear();
        polyline.push_back(m.apply(e.from));
      }
      append_flattened(polyline, m, e, keep);
      previous = &e;
    }
    if (!polyline.empty()) stroke_polyline(polyline, style, r, 0);
    if (r.empty()) continue;
    Paint paint;
    if (target.mask_mode) {
      paint.kind = Paint::solid;
      paint.color = 0xFFFFFFFFu;
    } else if (line.has_fill) {
      if (!make_paint(line.fill, m, cxform, bitmaps, target.smooth_bitmaps, paint)) continue;
    } else {
      FillStyle solid;
      solid.color = line.color;
      if (!make_paint(solid, m, cxform, bitmaps, target.smooth_bitmaps, paint)) continue;
    }
    paint_single_slot(r, target, clip, paint);
  }
}

// Crossings of a horizontal ray to the right of p with a straight piece.
bool crosses(Point a, Point b, Point p) {
  if ((a.y > p.y) == (b.y > p.y)) return false;
  double x = a.x + (p.y - a.y) * (b.x - a.x) / (b.y - a.y);
  return x > p.x;
}

double distance_to_segment(Point a, Point b, Point p) {
  double dx = b.x - a.x, dy = b.y - a.y;
  double len2 = dx * dx + dy * dy;
  double t = len2 > 0 ? ((p.x - a.x) * dx + (p.y - a.y) * dy) / len2 : 0;
  t = std::max(0.0, std::min(1.0, t));
  double ex = a.x + t * dx - p.x, ey = a.y + t * dy - p.y;
  return std::sqrt(ex * ex + ey * ey);
}

template <typename F>
void for_each_piece(const ShapeEdge& e, F f) {
  if (!e.curved) {
    f(e.from, e.to);
    return;
  }
  const int pieces = 16;
  Point prev = e.from;
  for (int i = 1; i <= pieces; ++i) {
    double t = double(i) / pieces, u = 1 - t;
    Point q{u * u * e.from.x + 2 * u * t * e.control.x + t * t * e.to.x,
            u * u * e.from.y + 2 * u * t * e.control.y + t * t * e.to.y};
    f(prev, q);
    prev = q;
  }
}

}  // namespace

void draw_geometry(const ShapeGeometry& geometry, const DrawTarget& target, const Matrix& to_device,
                   const ColorTransform& cxform, const BitmapLookup& bitmaps) {
  if (!target.canvas) return;
  IntRect clip = intersect(target.clip, target.canvas->bounds());
  if (target.mask) {
    if (target.mask->width() != target.canvas->width() ||
        target.mask->height() != target.canvas->height())
      return;
    clip = intersect(clip, target.mask->covered_bounds());
  }
  if (clip.empty()) return;
  if (!target.mask_mode && cxform.mult_a <= 0 && cxform.add_a <= 0) return;  // fully transparent
  for (const StyleGroup& group : geometry.groups)
    draw_group(group, target, clip, to_device, cxform, bitmaps);
}

bool geometry_hit(const ShapeGeometry& geometry, Point p) {
  for (const StyleGroup& group : geometry.groups) {
    std::vector<int> crossings(group.fills.size() + 1, 0);
    for (const ShapeEdge& e : group.edges) {
      if (e.fill0 != e.fill1) {
        for_each_piece(e, [&](Point a, Point b) {
          if (!crosses(a, b, p)) return;
          if (e.fill0 && e.fill0 <= group.fills.size()) ++crossings[e.fill0];
          if (e.fill1 && e.fill1 <= group.fills.size()) ++crossings[e.fill1];
        });
      }
      if (e.line && e.line <= group.lines.size()) {
        double half = std::max(20.0, double(group.lines[e.line - 1].width)) / 2;
        bool near = false;
        for_each_piece(
            e, [&](Point a, Point b) { near = near || distance_to_segment(a, b, p) <= half; });
        if (near) return true;
      }
    }
    for (size_t s = 1; s < crossings.size(); ++s)
      if (crossings[s] & 1) return true;
  }
  return false;
}

Rect geometry_bounds(const ShapeGeometry& geometry, bool with_strokes) {
  double x0 = 1e300, y0 = 1e300, x1 = -1e300, y1 = -1e300;
  for (const StyleGroup& group : geometry.groups) {
    for (const ShapeEdge& e : group.edges) {
      double pad = 0;
      if (with_strokes && e.line && e.line <= group.lines.size())
        pad = group.lines[e.line - 1].width / 2.0;
      for (const Point& q : {e.from, e.control, e.to}) {
        x0 = std::min(x0, q.x - pad);
        y0 = std::min(y0, q.y - pad);
        x1 = std::max(x1, q.x + pad);
        y1 = std::max(y1, q.y + pad);
      }
    }
  }
  if (x1 < x0) return {};
  return {int32_t(std::floor(x0)), int32_t(std::ceil(x1)), int32_t(std::floor(y0)),
          int32_t(std::ceil(y1))};
}

}  // namespace render
