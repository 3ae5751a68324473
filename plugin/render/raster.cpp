#include "render/raster.h"

#include <algorithm>
#include <cmath>

namespace render {

namespace {
// Keeps absurd coordinates (huge scales, damaged data) in a range where the
// arithmetic below stays exact enough and integer conversions are defined.
constexpr double kCoordinateLimit = 1.0e7;
inline double limit(double v) {
  return v < -kCoordinateLimit ? -kCoordinateLimit : (v > kCoordinateLimit ? kCoordinateLimit : v);
}
}  // namespace

void Rasterizer::reset(const IntRect& clip, int slot_count) {
  clip_ = clip.empty() ? IntRect{} : clip;
  rules_.assign(std::max(0, slot_count), FillRule::even_odd);
  slot_rows_.assign(std::max(0, slot_count), SlotRow{});
  lines_.clear();
  touched_.clear();
  min_x_ = min_y_ = 1e300;
  max_x_ = max_y_ = -1e300;
}

void Rasterizer::add_line(Point a, Point b, int slot_a, int slot_b) {
  if (!std::isfinite(a.x) || !std::isfinite(a.y) || !std::isfinite(b.x) || !std::isfinite(b.y))
    return;
  if (slot_a < 0 || slot_a >= int(rules_.size())) return;
  if (slot_b >= int(rules_.size()) || slot_b == slot_a) slot_b = -1;
  if (a.y == b.y) return;  // horizontal lines change no winding
  if (clip_.empty()) return;
  Line line;
  line.direction = a.y < b.y ? 1.0f : -1.0f;
  if (b.y < a.y) std::swap(a, b);
  if (b.y <= clip_.top || a.y >= clip_.bottom) return;
  // Only the rows of the clip matter: cut the line to them (keeping its slope,
  // however far away its ends are), then keep x in a range where the row
  // arithmetic stays exact.
  const double slope = (b.x - a.x) / (b.y - a.y);
  if (a.y < clip_.top) a = {a.x + (clip_.top - a.y) * slope, double(clip_.top)};
  if (b.y > clip_.bottom) b = {b.x - (b.y - clip_.bottom) * slope, double(clip_.bottom)};
  if (!(b.y > a.y)) return;
  if (!std::isfinite(a.x) || !std::isfinite(b.x)) return;
  if (std::fabs(a.x) > kCoordinateLimit || std::fabs(b.x) > kCoordinateLimit) {
    // Split where the line leaves the coordinate range: parts beyond its left
    // end act as vertical lines there, parts beyond its right end do not count.
    double cuts[4] = {0, 0, 0, 1};
    int n = 1;
    for (double edge : {-kCoordinateLimit, kCoordinateLimit}) {
      double t = (edge - a.x) / (b.x - a.x);
      if (t > 0 && t < 1) cuts[n++] = t;
    }
    cuts[n++] = 1;
    if (n == 4 && cuts[2] < cuts[1]) std::swap(cuts[1], cuts[2]);
    const bool down = line.direction > 0;
    for (int i = 0; i + 1 < n; ++i) {
      Point p{a.x + (b.x - a.x) * cuts[i], a.y + (b.y - a.y) * cuts[i]};
      Point q{a.x + (b.x - a.x) * cuts[i + 1], a.y + (b.y - a.y) * cuts[i + 1]};
      double middle = (p.x + q.x) / 2;
      if (middle > kCoordinateLimit) continue;
      if (middle < -kCoordinateLimit) p.x = q.x = -kCoordinateLimit;
      p.x = limit(p.x);
      q.x = limit(q.x);
      if (down)
        add_line(p, q, slot_a, slot_b);
      else
        add_line(q, p, slot_a, slot_b);
    }
    return;
  }
  line.y_top = a.y;
  line.y_bottom = b.y;
  line.x_top = a.x;
  line.dxdy = (b.x - a.x) / (b.y - a.y);
  line.slot_a = slot_a;
  line.slot_b = slot_b;
  line.first_row = std::max(clip_.top, int(std::floor(a.y)));
  lines_.push_back(line);
  min_x_ = std::min(min_x_, std::min(a.x, b.x));
  max_x_ = std::max(max_x_, std::max(a.x, b.x));
  min_y_ = std::min(min_y_, a.y);
  max_y_ = std::max(max_y_, b.y);
}

namespace {

void flatten_part(Point p0, Point c, Point p1, double tolerance, const Box& keep, int depth,
                  const std::function<void(Point)>& emit) {
  double min_x = std::min({p0.x, c.x, p1.x}), max_x = std::max({p0.x, c.x, p1.x});
  double min_y = std::min({p0.y, c.y, p1.y}), max_y = std::max({p0.y, c.y, p1.y});
  if (max_x < keep.x_min || min_x > keep.x_max || max_y < keep.y_min || min_y > keep.y_max) {
    emit(p1);  // out of sight: the chord has the same effect there
    return;
  }
  // Deviation of a quadratic from its chord shrinks with the square of the
  // number of pieces: |p0 - 2c + p1| / (8 n^2) <= tolerance.
  double ddx = p0.x - 2 * c.x + p1.x, ddy = p0.y - 2 * c.y + p1.y;
  double dd = std::sqrt(ddx * ddx + ddy * ddy);
  if (!std::isfinite(dd)) return;
  double n = std::ceil(std::sqrt(dd / (8 * std::max(tolerance, 0.01))));
  if (n > 64 && depth < 40) {
    // Halve it, so the parts out of sight can be dropped to chords.
    Point c0{(p0.x + c.x) / 2, (p0.y + c.y) / 2}, c1{(c.x + p1.x) / 2, (c.y + p1.y) / 2};
    Point mid{(c0.x + c1.x) / 2, (c0.y + c1.y) / 2};
    flatten_part(p0, c0, mid, tolerance, keep, depth + 1, emit);
    flatten_part(mid, c1, p1, tolerance, keep, depth + 1, emit);
    return;
  }
  int pieces = std::max(1, int(std::min(n, 64.0)));
  for (int i = 1; i < pieces; ++i) {
    double t = double(i) / pieces, u = 1 - t;
    emit({u * u * p0.x + 2 * u * t * c.x + t * t * p1.x,
          u * u * p0.y + 2 * u * t * c.y + t * t * p1.y});
  }
  emit(p1);
}

}  // namespace

void flatten_quad(Point p0, Point control, Point p1, double tolerance, const Box& keep,
                  const std::function<void(Point)>& emit) {
  flatten_part(p0, control, p1, tolerance, keep, 0, emit);
}

void Rasterizer::add_quad(Point p0, Point c, Point p1, int slot_a, int slot_b, double tolerance) {
  Box keep{double(clip_.left) - 1, double(clip_.top) - 1, double(clip_.right) + 1,
           double(clip_.bottom) + 1};
  Point previous = p0;
  flatten_quad(p0, c, p1, tolerance, keep, [&](Point q) {
    add_line(previous, q, slot_a, slot_b);
    previous = q;
  });
}

IntRect Rasterizer::touched_bounds() const {
  if (lines_.empty()) return {};
  IntRect r{int(std::floor(std::max(min_x_, double(clip_.left)))),
            int(std::floor(std::max(min_y_, double(clip_.top)))), clip_.right,
            int(std::ceil(std::min(max_y_, double(clip_.bottom))))};
  return intersect(r, clip_);
}

void Rasterizer::accumulate_piece(float* acc, SlotRow& state, double x0, double x1, double d) {
  // Adds a straight piece (within one row, height |d|, x from x0 to x1 in
  // column units of the clip) so that the running sum of acc gives, for each
  // column, the signed area to the right of the piece.
  if (x1 < x0) std::swap(x0, x1);
  int i0 = int(std::floor(x0));
  if (x1 <= i0 + 1) {
    double f = 0.5 * (x0 + x1) - i0;
    acc[i0] += float(d * (1 - f));
    acc[i0 + 1] += float(d * f);
    state.min_col = std::min(state.min_col, i0);
    state.max_col = std::max(state.max_col, i0 + 1);
    return;
  }
  // A(u): mean over the piece of max(0, u - x), u measured from x0.
  double width = x1 - x0;
  auto area = [&](double u) {
    if (u <= 0) return 0.0;
    if (u >= width) return u - 0.5 * width;
    return u * u / (2 * width);
  };
  int i_end = int(std::ceil(x1));  // first column fully right of the piece
  double previous = 0;
  for (int i = i0; i < i_end; ++i) {
    double covered = area(i + 1 - x0) - area(i - x0);
    acc[i] += float(d * (covered - previous));
    previous = covered;
  }
  acc[i_end] += float(d * (1 - previous));
  state.min_col = std::min(state.min_col, i0);
  state.max_col = std::max(state.max_col, i_end);
}

void Rasterizer::accumulate(int slot, double xa, double xb, double d) {
  SlotRow& state = slot_rows_[slot];
  if (state.buffer < 0) {
    size_t index = touched_.size();
    if (buffers_.size() <= index) buffers_.emplace_back();
    std::vector<float>& buffer = buffers_[index];
    size_t needed = size_t(clip_.width()) + 2;
    if (buffer.size() < needed) buffer.assign(needed, 0.0f);
    state.buffer = int(index);
    state.min_col = clip_.width() + 1;
    state.max_col = 0;
    touched_.push_back(slot);
  }
  float* acc = buffers_[state.buffer].data();
  const double width = clip_.width();
  // Parts left of the clip act as a vertical line on its left edge; parts right
  // of it change nothing visible.
  double x0 = xa, x1 = xb, h = d;
  auto add = [&](double from, double to, double part) {
    if (part == 0) return;
    if (from <= 0 && to <= 0) {
      accumulate_piece(acc, state, 0, 0, part);
    } else if (from >= width && to >= width) {
      return;
    } else {
      accumulate_piece(acc, state, std::max(0.0, std::min(width, from)),
                       std::max(0.0, std::min(width, to)), part);
    }
  };
  // Split at the clip edges so each part lies on one side of them.
  double cuts[4];
  int n = 0;
  cuts[n++] = 0;
  for (double edge : {0.0, width}) {
    if ((x0 < edge && x1 > edge) || (x0 > edge && x1 < edge)) cuts[n++] = (edge - x0) / (x1 - x0);
  }
  if (n == 3 && cuts[2] < cuts[1]) std::swap(cuts[1], cuts[2]);
  cuts[n++] = 1;
  for (int i = 0; i + 1 < n; ++i) {
    double t0 = cuts[i], t1 = cuts[i + 1];
    add(x0 + (x1 - x0) * t0, x0 + (x1 - x0) * t1, h * (t1 - t0));
  }
}

void Rasterizer::sweep(const std::function<void(int, const RowSpan*, int)>& row) {
  if (lines_.empty() || clip_.empty()) return;
  std::vector<size_t> order(lines_.size());
  for (size_t i = 0; i < order.size(); ++i) order[i] = i;
  std::sort(order.begin(), order.end(),
            [&](size_t a, size_t b) { return lines_[a].first_row < lines_[b].first_row; });
  std::vector<size_t> active;
  std::vector<RowSpan> spans;
  size_t next = 0;
  int last_row = std::min(clip_.bottom, int(std::ceil(max_y_)));
  int y = lines_[order[0]].first_row;
  const double left = clip_.left;
  while (y < last_row) {
    if (active.empty() && next < order.size() && lines_[order[next]].first_row > y)
      y = lines_[order[next]].first_row;
    if (y >= last_row) break;
    while (next < order.size() && lines_[order[next]].first_row <= y)
      active.push_back(order[next++]);
    size_t kept = 0;
    for (size_t i = 0; i < active.size(); ++i) {
      const Line& line = lines_[active[i]];
      double ya = std::max(line.y_top, double(y));
      double yb = std::min(line.y_bottom, double(y + 1));
      if (yb > ya) {
        double xa = line.x_top + (ya - line.y_top) * line.dxdy - left;
        double xb = line.x_top + (yb - line.y_top) * line.dxdy - left;
        double d = (yb - ya) * line.direction;
        accumulate(line.slot_a, xa, xb, d);
        if (line.slot_b >= 0) accumulate(line.slot_b, xa, xb, d);
      }
      if (line.y_bottom > y + 1) active[kept++] = active[i];
    }
    active.resize(kept);

    spans.clear();
    const int columns = clip_.width();
    for (int slot : touched_) {
      SlotRow& state = slot_rows_[slot];
      float* acc = buffers_[state.buffer].data();
      int last = std::min(state.max_col, columns - 1);
      const bool even_odd = rules_[slot] == FillRule::even_odd;
      const bool antialias = antialias_;
      auto fold = [even_odd, antialias](float sum) {
        float v = std::fabs(sum);
        if (v > 1) {
          if (even_odd) {
            v = std::fmod(v, 2.0f);
            if (v > 1) v = 2 - v;
          } else {
            v = 1;
          }
        }
        if (v < 1.0f / 512) v = 0;
        if (!antialias) v = v >= 0.5f ? 1.0f : 0.0f;
        return v;
      };
      // Most columns hold no edge: their coverage repeats the one before, so
      // the sum is only touched where something was added.
      float sum = 0, v = 0;
      for (int x = state.min_col; x <= last; ++x) {
        float a = acc[x];
        if (a != 0) {
          sum += a;
          v = fold(sum);
        }
        acc[x] = v;
      }
      // Edges right of the clip were dropped: what remains of the sum covers
      // the rest of the row.
      int end = last;
      if (last < columns - 1 && v > 0) {
        std::fill(acc + last + 1, acc + columns, v);
        state.max_col = std::max(state.max_col, columns - 1);
        end = columns - 1;
      }
      int first_covered = std::max(state.min_col, 0), last_covered = end;
      while (first_covered <= end && acc[first_covered] == 0) ++first_covered;
      while (last_covered >= first_covered && acc[last_covered] == 0) --last_covered;
      if (first_covered > last_covered) first_covered = -1;
      if (first_covered >= 0)
        spans.push_back(
            {slot, first_covered + clip_.left, last_covered + 1 + clip_.left, acc - clip_.left});
    }
    if (!spans.empty()) row(y, spans.data(), int(spans.size()));
    for (int slot : touched_) {
      SlotRow& state = slot_rows_[slot];
      float* acc = buffers_[state.buffer].data();
      // A slot whose pieces all fell right of the clip touched no column.
      if (state.min_col <= state.max_col)
        std::fill(acc + state.min_col, acc + state.max_col + 1, 0.0f);
      state.buffer = -1;
    }
    touched_.clear();
    ++y;
    if (active.empty() && next >= order.size()) break;
  }
}

}  // namespace render
