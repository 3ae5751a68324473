// Renderer throughput at 1920 x 1080: the demo movie played and drawn frame
// by frame through the player, and 500 overlapping shapes (solid, gradient,
// curved, some stroked); prints frames per second and CPU time per frame.
// First it checks what the demo shows: shapes, a gradient, a bitmap and text,
// each moving.
#include <chrono>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <fstream>
#include <iterator>
#include <map>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "core/character_cache.h"
#include "core/player.h"
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

// What a placed character is, in words the content check prints.
struct Content {
  bool shape = false, gradient = false, bitmap = false, text = false;
};

Content content_of(npfp::CharacterCache& cache, uint16_t id, int nesting = 0) {
  Content c;
  const npfp::Character* character = cache.character(id);
  if (!character || nesting > 8) return c;
  if (const render::ShapeDefinition* shape = cache.shape(id)) {
    c.shape = true;
    for (const StyleGroup& g : shape->geometry().groups)
      for (const FillStyle& f : g.fills) {
        if (f.type >= FillStyle::linear_gradient && f.type <= FillStyle::focal_gradient)
          c.gradient = true;
        if (f.type >= FillStyle::repeating_bitmap) c.bitmap = true;
      }
  }
  if (character->kind == npfp::CharacterKind::text ||
      character->kind == npfp::CharacterKind::edit_text)
    c.text = true;
  return c;
}

// Walks a timeline's frames: for each depth, its character and whether its
// matrix changes from frame to frame; sprites are walked in turn.
void check_timeline(npfp::CharacterCache& cache, const npfp::Timeline& timeline,
                    const std::string& where, Content& moving, int nesting = 0) {
  struct Track {
    uint16_t character = 0;
    std::set<std::vector<double>> matrices;
  };
  std::map<uint16_t, Track> depths;
  for (const npfp::Frame& frame : timeline.frames)
    for (const npfp::DisplayCommand& c : frame.commands) {
      if (c.kind != npfp::DisplayCommand::place) continue;
      Track& t = depths[c.command.depth];
      if (c.command.has_character) t.character = c.command.character;
      if (c.command.has_matrix) {
        const Matrix& m = c.command.matrix;
        t.matrices.insert({m.a, m.b, m.c, m.d, m.tx, m.ty});
      }
    }
  for (const auto& entry : depths) {
    const Track& t = entry.second;
    Content c = content_of(cache, t.character);
    bool moves = t.matrices.size() > 1;
    std::printf("demo: %s depth %u: character %u%s%s%s%s, %zu positions\n", where.c_str(),
                entry.first, t.character, c.shape ? " shape" : "",
                c.gradient ? " with a gradient" : "", c.bitmap ? " with a bitmap" : "",
                c.text ? " text" : "", t.matrices.size());
    if (moves) {
      moving.shape |= c.shape;
      moving.gradient |= c.gradient;
      moving.bitmap |= c.bitmap;
      moving.text |= c.text;
    }
    const npfp::Character* ch = cache.character(t.character);
    if (ch && ch->timeline && nesting < 4)
      check_timeline(cache, *ch->timeline, "sprite " + std::to_string(t.character), moving,
                     nesting + 1);
  }
}

// The demo movie: its content check, then frames drawn at 1920 x 1080.
bool run_demo(const char* path) {
  std::ifstream in(path, std::ios::binary);
  std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)),
                             std::istreambuf_iterator<char>());
  npfp::Player player;
  player.feed(bytes.data(), bytes.size());
  player.finish_stream();
  if (!player.has_header() || player.movie().root.frames.empty()) {
    std::printf("demo: %s is no movie\n", path);
    return false;
  }
  npfp::CharacterCache cache(player.movie());
  Content moving;
  check_timeline(cache, player.movie().root, "main", moving);
  std::printf("demo: moving: shapes %s, gradient %s, bitmap %s, text %s\n",
              moving.shape ? "yes" : "NO", moving.gradient ? "yes" : "NO",
              moving.bitmap ? "yes" : "NO", moving.text ? "yes" : "NO");

  const double rate = player.frame_rate();
  const int frames = 180;
  Canvas canvas(1920, 1080);
  // Frame 1 against frame 46: the picture itself changes.
  player.advance();
  player.render(canvas, canvas.bounds());
  std::vector<uint32_t> first(canvas.width() * size_t(canvas.height()));
  for (int y = 0; y < canvas.height(); ++y)
    for (int x = 0; x < canvas.width(); ++x)
      first[size_t(y) * canvas.width() + x] = canvas.pixel(x, y);
  auto wall_start = std::chrono::steady_clock::now();
  std::clock_t cpu_start = std::clock();
  for (int f = 0; f < frames; ++f) {
    player.advance();
    player.render(canvas, canvas.bounds());
    if (f == 44) {
      size_t changed = 0;
      for (int y = 0; y < canvas.height(); ++y)
        for (int x = 0; x < canvas.width(); ++x)
          changed += canvas.pixel(x, y) != first[size_t(y) * canvas.width() + x];
      std::printf("demo: frame 46 differs from frame 1 in %.1f%% of the pixels\n",
                  100.0 * double(changed) / double(first.size()));
    }
  }
  double cpu = double(std::clock() - cpu_start) / CLOCKS_PER_SEC;
  double wall =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - wall_start).count();
  double cpu_per_frame = cpu / frames;
  double share = cpu_per_frame * rate;  // of one core, playing at the movie's rate
  std::printf("render demo: %d frames of the demo movie (%.0f fps) at 1920x1080\n", frames, rate);
  std::printf("render demo: %.2f frames per second (wall), %.1f ms CPU per frame\n", frames / wall,
              cpu_per_frame * 1000);
  // Under half a core at the movie's rate means frames take under half their
  // interval of CPU: a fact of the code, unlike the wall rate, which other
  // programs on the machine lower.
  std::printf(
      "render demo: %.1f frames per CPU second; at %.0f fps it takes %.0f%% of one core: %s\n",
      1 / cpu_per_frame, rate, share * 100,
      share < 0.5 ? "holds its rate under half a core"
                  : "DOES NOT hold its rate under half a core");
  return moving.shape && moving.gradient && moving.bitmap && moving.text;
}

}  // namespace

int main() {
  bool demo_ok = run_demo(DEMO_MOVIE_PATH);
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
  return demo_ok ? 0 : 1;
}
