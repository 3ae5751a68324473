// Anti-aliased scan conversion with exact area coverage. Lines are added per
// "slot" (a fill style); one sweep yields, row by row, the coverage of every
// slot present in that row, so adjacent fills can be blended without seams.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "render/geometry.h"

namespace render {

enum class FillRule : uint8_t { even_odd, non_zero };

// Flattens a quadratic Bezier into lines within `tolerance` pixels, calling
// `emit` with each piece's end point (p1 last). Parts whose control polygon
// lies wholly outside `keep` become single chords: however far a curve
// reaches, only its visible stretch is divided finely.
void flatten_quad(Point p0, Point control, Point p1, double tolerance, const Box& keep,
                  const std::function<void(Point)>& emit);

// Coverage of one slot in one row: coverage[x] for left <= x < right (absolute
// device x; the pointer is already offset so coverage[left] is valid).
struct RowSpan {
  int slot;
  int left, right;
  const float* coverage;
};

class Rasterizer {
 public:
  // Starts a new path set clipped to `clip` with `slot_count` slots.
  void reset(const IntRect& clip, int slot_count);
  void set_rule(int slot, FillRule rule) { rules_[slot] = rule; }
  void set_antialias(bool on) { antialias_ = on; }

  // A line belongs to one slot, or to two (an edge between two fills). slot_b < 0: none.
  void add_line(Point a, Point b, int slot_a, int slot_b = -1);
  // A quadratic Bezier, flattened to within `tolerance` pixels.
  void add_quad(Point p0, Point control, Point p1, int slot_a, int slot_b = -1,
                double tolerance = 0.15);

  bool empty() const { return lines_.empty(); }
  // The rows and columns the added lines can touch (inside the clip).
  IntRect touched_bounds() const;

  // Calls `row` for every row with coverage, top to bottom.
  void sweep(const std::function<void(int y, const RowSpan* spans, int count)>& row);

 private:
  struct Line {
    double y_top, y_bottom, x_top, dxdy;
    float direction;
    int slot_a, slot_b;
    int first_row;
  };
  struct SlotRow {
    int buffer = -1;  // index into buffers_ while touched in this row
    int min_col = 0, max_col = 0;
  };
  void accumulate(int slot, double xa, double xb, double d);
  void accumulate_piece(float* acc, SlotRow& state, double x0, double x1, double d);

  IntRect clip_;
  bool antialias_ = true;
  std::vector<FillRule> rules_;
  std::vector<Line> lines_;
  double min_x_ = 0, max_x_ = 0, min_y_ = 0, max_y_ = 0;
  std::vector<SlotRow> slot_rows_;
  std::vector<std::vector<float>> buffers_;
  std::vector<int> touched_;
};

}  // namespace render
