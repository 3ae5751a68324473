// Renderer throughput: 500 overlapping shapes (solid, gradient, curved, some
// stroked) drawn into a 1920 x 1080 canvas; prints frames per second and CPU
// time per frame.
#include <chrono>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <random>
#include <vector>

#include "render/shape.h"

using namespace render;

namespace {

ShapeEdge edge(Point a, Point b, uint16_t fill) {
  ShapeEdge e;
  e.from = a;
  e.to = b;
  e.control = {(a.x + b.x) / 2, (a.y + b.y) / 2};
  e.fill0 = fill;
  return e;
}

// An ellipse from eight quadratic arcs, or a rectangle; twips.
StyleGroup make_shape(std::mt19937& rng, int index) {
  std::uniform_real_distribution<double> x(0, 1920 * 20), y(0, 1080 * 20), size(400, 6000);
  std::uniform_int_distribution<int> byte(0, 255);
  StyleGroup g;
  FillStyle fill;
  int kind = index % 3;
  if (kind == 1) {
    fill.type = FillStyle::linear_gradient;
    fill.gradient.stops = {
        {0, Rgba{uint8_t(byte(rng)), uint8_t(byte(rng)), uint8_t(byte(rng)), 255}},
        {255, Rgba{uint8_t(byte(rng)), uint8_t(byte(rng)), uint8_t(byte(rng)), 200}}};
  } else if (kind == 2) {
    fill.type = FillStyle::radial_gradient;
    fill.gradient.stops = {
        {0, Rgba{255, 255, 255, 255}},
        {255, Rgba{uint8_t(byte(rng)), uint8_t(byte(rng)), uint8_t(byte(rng)), 255}}};
  } else {
    fill.color = Rgba{uint8_t(byte(rng)), uint8_t(byte(rng)), uint8_t(byte(rng)),
                      uint8_t(128 + byte(rng) / 2)};
  }
  double cx = x(rng), cy = y(rng), rx = size(rng), ry = size(rng);
  fill.matrix = Matrix{rx / 16384, 0, 0, ry / 16384, cx, cy};
  g.fills.push_back(fill);
  if (index % 2 == 0) {
    const double pi = 3.14159265358979;
    for (int i = 0; i < 8; ++i) {
      double a0 = i * pi / 4, a1 = (i + 1) * pi / 4, am = (a0 + a1) / 2, k = 1 / std::cos(pi / 8);
      ShapeEdge e = edge({cx + rx * std::cos(a0), cy + ry * std::sin(a0)},
                         {cx + rx * std::cos(a1), cy + ry * std::sin(a1)}, 1);
      e.curved = true;
      e.control = {cx + rx * k * std::cos(am), cy + ry * k * std::sin(am)};
      g.edges.push_back(e);
    }
  } else {
    Point corners[4] = {
        {cx - rx, cy - ry}, {cx + rx, cy - ry}, {cx + rx, cy + ry}, {cx - rx, cy + ry}};
    for (int i = 0; i < 4; ++i) g.edges.push_back(edge(corners[i], corners[(i + 1) % 4], 1));
  }
  if (index % 5 == 0) {
    LineStyle line;
    line.width = 60;
    line.color = Rgba{0, 0, 0, 255};
    g.lines.push_back(line);
    for (ShapeEdge& e : g.edges) e.line = 1;
  }
  return g;
}

// Draws the scene `frames` times; prints the figures under `label`.
void run(const char* label, const std::vector<ShapeGeometry>& shapes) {
  Canvas canvas(1920, 1080);
  DrawTarget target = DrawTarget::whole(canvas);
  const Matrix to_device = Matrix::scaling(0.05, 0.05);
  const int frames = 20;
  auto wall_start = std::chrono::steady_clock::now();
  std::clock_t cpu_start = std::clock();
  for (int f = 0; f < frames; ++f) {
    canvas.clear(0xFFFFFFFFu);
    for (const ShapeGeometry& s : shapes)
      draw_geometry(s, target, to_device, ColorTransform(), nullptr);
  }
  double cpu = double(std::clock() - cpu_start) / CLOCKS_PER_SEC;
  double wall =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - wall_start).count();
  // Pixels covered per frame (from the shapes' boxes), for a per-pixel cost.
  double area = 0;
  for (const ShapeGeometry& s : shapes) {
    Rect b = geometry_bounds(s, true);
    IntRect r = intersect(enclosing_pixels(transform_box(to_device, b)), canvas.bounds());
    area += double(r.width()) * r.height();
  }
  uint64_t sum = 0;
  for (int y = 0; y < canvas.height(); y += 7)
    for (int x = 0; x < canvas.width(); x += 7) sum += canvas.pixel(x, y);
  std::printf("render %s: 500 shapes at 1920x1080 (%.1f Mpixels of boxes per frame), %d frames\n",
              label, area / 1e6, frames);
  std::printf(
      "render %s: %.2f frames per second (wall), %.1f ms CPU per frame, %.2f ns per box pixel\n",
      label, frames / wall, cpu * 1000 / frames, cpu * 1e9 / frames / area);
  // The checksum keeps the drawing from being optimised away and shows when output changes.
  std::printf("render %s: checksum %llu\n", label, static_cast<unsigned long long>(sum));
}

}  // namespace

int main() {
  std::mt19937 rng(12345);
  std::vector<ShapeGeometry> mixed(500);
  for (int i = 0; i < 500; ++i) mixed[i].groups.push_back(make_shape(rng, i));
  run("mixed", mixed);
  // The same scene with every fill a plain opaque colour.
  std::vector<ShapeGeometry> opaque = mixed;
  for (ShapeGeometry& s : opaque)
    for (FillStyle& f : s.groups[0].fills) {
      f.type = FillStyle::solid;
      f.color.a = 255;
    }
  run("opaque", opaque);
  return 0;
}
