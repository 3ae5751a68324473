// Writes the demo movie: 640 x 480 at 30 frames per second, three seconds
// that loop seamlessly. A gradient backdrop, a bitmap-filled tile that
// circles and turns, two sprites with their own orbiting ball, a rotating
// star outline and a line of text sliding back and forth.
//
//   make_demo_movie <out.swf> [--compressed]
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>

#include "swfwriter/block_font.h"
#include "swfwriter/swf_writer.h"

using namespace swfwriter;

namespace {

const double kPi = 3.14159265358979323846;
const int kFrames = 90;
const int kWidth = 640, kHeight = 480;

enum : uint16_t {
  kBackdrop = 1,
  kBitmap = 2,
  kTile = 3,
  kBall = 4,
  kOrbit = 5,
  kFont = 6,
  kText = 7,
  kStar = 8,
};

int32_t px(double pixels) { return static_cast<int32_t>(std::lround(pixels * 20)); }

// A 64 x 64 picture with a soft round alpha edge: colour bands and a ring.
std::vector<Rgba> tile_pixels() {
  std::vector<Rgba> pixels;
  for (int y = 0; y < 64; ++y)
    for (int x = 0; x < 64; ++x) {
      double dx = x - 31.5, dy = y - 31.5;
      double r = std::sqrt(dx * dx + dy * dy);
      Rgba c;
      c.r = static_cast<uint8_t>(128 + 127 * std::sin(x * 0.2));
      c.g = static_cast<uint8_t>(128 + 127 * std::sin(y * 0.2 + 1));
      c.b = static_cast<uint8_t>(r < 20 && r > 14 ? 255 : 80);
      c.a = r < 28 ? 255 : (r < 32 ? static_cast<uint8_t>(255 * (32 - r) / 4) : 0);
      pixels.push_back(c);
    }
  return pixels;
}

void define_characters(Movie& movie) {
  ShapeBuilder backdrop;
  int sky = backdrop.add_fill(FillStyle::linear(
      Matrix::rotation(kPi / 2, px(kHeight) / 32768.0, px(kWidth / 2), px(kHeight / 2)),
      {{0, {16, 32, 80, 255}}, {160, {60, 40, 120, 255}}, {255, {200, 90, 60, 255}}}));
  backdrop.rectangle(0, 0, px(kWidth), px(kHeight), sky);
  movie.define_shape(kBackdrop, backdrop, 3);

  movie.define_bits_lossless(kBitmap, 64, 64, tile_pixels(), true);
  ShapeBuilder tile;
  int picture = tile.add_fill(
      FillStyle::bitmap(kBitmap, Matrix::scaling(40, 40, px(-64), px(-64)), true, true));
  tile.rectangle(px(-64), px(-64), px(64), px(64), picture);
  movie.define_shape(kTile, tile, 3);

  ShapeBuilder ball;
  int shade = ball.add_fill(FillStyle::radial(
      Matrix::scaling(px(40) / 16384.0, px(40) / 16384.0, px(-10), px(-10)),
      {{0, {255, 255, 255, 255}}, {90, {250, 200, 40, 255}}, {255, {160, 60, 0, 255}}}));
  int rim = ball.add_line({40, {255, 255, 255, 160}});
  ball.circle(0, 0, px(28), shade, rim);
  movie.define_shape(kBall, ball, 3);

  // The orbit sprite: its ball circles the sprite's origin once per 30 frames.
  TagStream orbit;
  for (int f = 0; f < 30; ++f) {
    double a = 2 * kPi * f / 30;
    Matrix m = Matrix::translation(px(70 * std::cos(a)), px(70 * std::sin(a)));
    orbit.place(f == 0 ? Placement::place(kBall, 1, m) : Placement::move_to(1, m));
    orbit.show_frame();
  }
  orbit.end();
  movie.define_sprite(kOrbit, 30, orbit);

  movie.define_font(kFont, block_font_glyphs());
  TextRun run = block_font_run(kFont, "SWF SAVER", 720, {255, 255, 255, 255}, 0, 0);
  int32_t text_width = static_cast<int32_t>(run.glyphs.size()) * run.advances[0];
  movie.define_text(kText, 0, -720, text_width, 0, Matrix(), {run}, 1);

  ShapeBuilder star;
  int fill = star.add_fill(FillStyle::solid({90, 220, 160, 200}));
  int outline = star.add_line({60, {255, 255, 255, 255}});
  star.set_styles(0, fill, outline);
  for (int i = 0; i <= 10; ++i) {
    double a = -kPi / 2 + kPi * i / 5;
    double r = (i % 2 == 0) ? 60 : 26;
    int32_t x = px(r * std::cos(a)), y = px(r * std::sin(a));
    if (i == 0)
      star.move_to(x, y);
    else
      star.line_to(x, y);
  }
  movie.define_shape(kStar, star, 3);
}

void write_frames(Movie& movie) {
  for (int f = 0; f < kFrames; ++f) {
    double t = static_cast<double>(f) / kFrames;  // 0 .. 1 over the loop
    double a = 2 * kPi * t;
    Matrix tile_m = Matrix::rotation(a, 1.0 + 0.25 * std::sin(2 * a), px(320 + 180 * std::cos(a)),
                                     px(240 + 120 * std::sin(a)));
    Matrix star_m = Matrix::rotation(-2 * a, 1.0, px(540), px(110));
    Matrix text_m = Matrix::translation(px(90 + 120 * std::sin(a)), px(440));
    if (f == 0) {
      movie.place(Placement::place(kBackdrop, 1));
      movie.place(Placement::place(kTile, 2, tile_m));
      Placement left = Placement::place(kOrbit, 3, Matrix::translation(px(150), px(200)));
      left.name = "left";
      movie.place(left);
      Placement right = Placement::place(kOrbit, 4, Matrix::scaling(0.7, 0.7, px(480), px(300)));
      right.name = "right";
      right.has_color_transform = true;
      right.color_transform.has_mult = true;
      right.color_transform.mult[0] = 120;  // a cooler, half-red copy
      right.color_transform.mult[2] = 256;
      movie.place(right);
      movie.place(Placement::place(kStar, 5, star_m));
      movie.place(Placement::place(kText, 6, text_m));
    } else {
      movie.place(Placement::move_to(2, tile_m));
      movie.place(Placement::move_to(5, star_m));
      movie.place(Placement::move_to(6, text_m));
    }
    movie.show_frame();
  }
  movie.end();
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: make_demo_movie <out.swf> [--compressed]\n");
    return 2;
  }
  bool compressed = argc > 2 && std::strcmp(argv[2], "--compressed") == 0;
  Movie movie;
  movie.version = 8;
  movie.width_twips = px(kWidth);
  movie.height_twips = px(kHeight);
  movie.frame_rate = 30;
  movie.frame_count = kFrames;
  movie.set_background_color({32, 48, 64, 255});
  define_characters(movie);
  write_frames(movie);
  if (!write_file(argv[1], movie.finish(compressed))) {
    std::fprintf(stderr, "make_demo_movie: cannot write %s\n", argv[1]);
    return 1;
  }
  return 0;
}
