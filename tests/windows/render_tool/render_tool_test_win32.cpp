// The render tool as authors run it: a movie file in, a PNG of frame N out,
// through the host's real library, instance and view code and npfp.dll.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "core/player.h"
#include "render/canvas.h"
#include "render/color.h"
#include "render/render_job.h"
#include "swfwriter/block_font.h"
#include "swfwriter/swf_writer.h"

namespace {

using swfwriter::Rgba;

std::string windows_path(std::string path) {
  for (char& c : path)
    if (c == '/') c = '\\';
  return "Z:" + path;
}

std::string temp_file(const std::string& name) {
  char folder[MAX_PATH] = {};
  GetTempPathA(MAX_PATH, folder);
  return std::string(folder) + "swfrender_test_" + std::to_string(GetCurrentProcessId()) + "_" +
         name;
}

// Runs the tool with `arguments`; its exit code, -1 when it did not start.
int run_tool(const std::string& arguments) {
  std::string line = "\"" + windows_path(SWFRENDER_EXE) + "\" " + arguments;
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process = {};
  std::vector<char> buffer(line.begin(), line.end());
  buffer.push_back('\0');
  if (!CreateProcessA(nullptr, buffer.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                      &startup, &process))
    return -1;
  WaitForSingleObject(process.hProcess, 60000);
  DWORD code = 0;
  GetExitCodeProcess(process.hProcess, &code);
  CloseHandle(process.hProcess);
  CloseHandle(process.hThread);
  return static_cast<int>(code);
}

struct Picture {
  int width = 0, height = 0;
  std::vector<uint8_t> rgba;
  const uint8_t* at(int x, int y) const { return &rgba[(size_t(y) * width + x) * 4]; }
};

// Renders `movie` with the tool; false when it failed or wrote no picture.
bool render(const std::string& movie, const std::string& options, Picture& out) {
  std::string png = temp_file("out.png");
  DeleteFileA(png.c_str());
  int code = run_tool("\"" + movie + "\" \"" + png + "\" " + options);
  EXPECT_EQ(code, 0) << options;
  bool read = code == 0 && swfrender::read_png(png, out.width, out.height, out.rgba);
  DeleteFileA(png.c_str());
  return read;
}

void expect_color(const Picture& p, int x, int y, Rgba c, int tolerance = 0) {
  const uint8_t* v = p.at(x, y);
  EXPECT_NEAR(v[0], c.r, tolerance) << "red at " << x << "," << y;
  EXPECT_NEAR(v[1], c.g, tolerance) << "green at " << x << "," << y;
  EXPECT_NEAR(v[2], c.b, tolerance) << "blue at " << x << "," << y;
  EXPECT_NEAR(v[3], c.a, tolerance) << "alpha at " << x << "," << y;
}

swfwriter::ShapeBuilder rectangle(int32_t x0, int32_t y0, int32_t x1, int32_t y1, Rgba color) {
  swfwriter::ShapeBuilder s;
  s.rectangle(x0, y0, x1, y1, s.add_fill(swfwriter::FillStyle::solid(color)));
  return s;
}

const Rgba kFrameColors[4] = {
    {200, 0, 0, 255}, {0, 180, 0, 255}, {0, 0, 220, 255}, {240, 200, 0, 255}};

// Four frames, each filling the stage with its own colour; it loops.
std::string write_counting_movie() {
  swfwriter::Movie m;
  m.width_twips = 60 * 20;
  m.height_twips = 40 * 20;
  m.frame_rate = 60;
  m.frame_count = 4;
  m.set_background_color({255, 255, 255, 255});
  for (int i = 0; i < 4; ++i) {
    m.define_shape(uint16_t(i + 1), rectangle(0, 0, 60 * 20, 40 * 20, kFrameColors[i]));
    if (i > 0) m.remove(1);
    m.place(swfwriter::Placement::place(uint16_t(i + 1), 1));
    m.show_frame();
  }
  std::string path = temp_file("count.swf");
  EXPECT_TRUE(swfwriter::write_file(path, m.finish(true)));
  return path;
}

// Shapes, a gradient, a bitmap fill, a stroke and text; the bitmap tile
// slides right by 10 pixels a frame.
swfwriter::Bytes feature_movie() {
  swfwriter::Movie m;
  m.width_twips = 160 * 20;
  m.height_twips = 120 * 20;
  m.frame_rate = 40;
  m.frame_count = 6;
  m.set_background_color({30, 40, 60, 255});
  m.define_shape(1, rectangle(0, 0, 30 * 20, 30 * 20, {250, 120, 10, 255}));
  swfwriter::ShapeBuilder ramp;
  ramp.rectangle(0, 60 * 20, 160 * 20, 80 * 20,
                 ramp.add_fill(swfwriter::FillStyle::linear(
                     swfwriter::FillStyle::gradient_box(0, 60 * 20, 160 * 20, 80 * 20),
                     {{0, {255, 0, 0, 255}}, {255, {0, 0, 255, 255}}})));
  m.define_shape(2, ramp);
  std::vector<Rgba> checks(8 * 8);
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 8; ++x)
      checks[size_t(y * 8 + x)] = ((x ^ y) & 1) ? Rgba{255, 255, 255, 255} : Rgba{0, 128, 0, 255};
  m.define_bits_lossless(3, 8, 8, checks, false);
  swfwriter::ShapeBuilder tile;
  tile.rectangle(60 * 20, 10 * 20, 108 * 20, 42 * 20,
                 tile.add_fill(swfwriter::FillStyle::bitmap(
                     3, swfwriter::Matrix::scaling(80, 80, 60 * 20, 10 * 20), false, false)),
                 tile.add_line({40, {255, 255, 0, 255}}));
  m.define_shape(4, tile);
  m.define_font2(5, swfwriter::block_font2());
  m.define_text(6, 0, 0, 160 * 20, 20 * 20, swfwriter::Matrix(),
                {swfwriter::block_font_run(5, "HI", 300, {255, 255, 255, 255}, 20 * 20, 112 * 20)},
                2);
  m.place(swfwriter::Placement::place(2, 1));
  m.place(swfwriter::Placement::place(4, 2));
  m.place(swfwriter::Placement::place(6, 3));
  m.place(swfwriter::Placement::place(1, 4, swfwriter::Matrix::translation(10 * 20, 10 * 20)));
  m.show_frame();
  for (int f = 1; f < 6; ++f) {
    m.place(swfwriter::Placement::move_to(2, swfwriter::Matrix::translation(10 * f * 20, 0)));
    m.show_frame();
  }
  return m.finish(false);
}

// The core's own rendering of frame `frames` at width x height, as straight
// RGBA: what the tool must write.
Picture core_rendering(const swfwriter::Bytes& movie, int frames, int width, int height) {
  npfp::Player player;
  npfp::StageOptions options;
  player.set_options(options);
  player.feed(movie.data(), movie.size());
  player.finish_stream();
  for (int i = 0; i < frames; ++i) player.advance();
  render::Canvas canvas(width, height);
  player.render(canvas, canvas.bounds());
  Picture p;
  p.width = width;
  p.height = height;
  p.rgba.resize(size_t(width) * height * 4);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      render::Rgba c = render::unpremultiply(canvas.pixel(x, y));
      uint8_t* o = &p.rgba[(size_t(y) * width + x) * 4];
      o[0] = c.r;
      o[1] = c.g;
      o[2] = c.b;
      o[3] = c.a;
    }
  return p;
}

int count_differences(const Picture& a, const Picture& b, int tolerance) {
  int bad = 0;
  for (size_t i = 0; i < a.rgba.size(); i += 4)
    for (int c = 0; c < 4; ++c)
      if (std::abs(int(a.rgba[i + c]) - int(b.rgba[i + c])) > tolerance) {
        ++bad;
        break;
      }
  return bad;
}

TEST(RenderTool, WritesExactlyTheFrameAsked) {
  std::string movie = write_counting_movie();
  // Frame 6 of a looping four-frame movie is its second frame again.
  const int frames[] = {1, 3, 4, 6};
  const int shown[] = {0, 2, 3, 1};
  for (int i = 0; i < 4; ++i) {
    Picture p;
    ASSERT_TRUE(render(movie, "--frames " + std::to_string(frames[i]), p));
    ASSERT_EQ(p.width, 60);
    ASSERT_EQ(p.height, 40);
    SCOPED_TRACE("frames " + std::to_string(frames[i]));
    expect_color(p, 30, 20, kFrameColors[shown[i]]);
    expect_color(p, 0, 0, kFrameColors[shown[i]]);
  }
  DeleteFileA(movie.c_str());
}

TEST(RenderTool, PictureMatchesTheCoresRenderingAtEverySize) {
  swfwriter::Bytes bytes = feature_movie();
  std::string movie = temp_file("features.swf");
  ASSERT_TRUE(swfwriter::write_file(movie, bytes));
  struct Case {
    int frames, width, height;
  };
  for (Case c : {Case{1, 160, 120}, Case{4, 160, 120}, Case{5, 400, 200}}) {
    SCOPED_TRACE(std::to_string(c.frames) + " frames at " + std::to_string(c.width));
    Picture p;
    std::string size = c.width == 160 ? std::string()
                                      : " --width " + std::to_string(c.width) + " --height " +
                                            std::to_string(c.height);
    ASSERT_TRUE(render(movie, "--frames " + std::to_string(c.frames) + size, p));
    ASSERT_EQ(p.width, c.width);
    ASSERT_EQ(p.height, c.height);
    Picture golden = core_rendering(bytes, c.frames, c.width, c.height);
    EXPECT_EQ(count_differences(p, golden, 3), 0);
  }
  // The pieces where they belong at the movie's size on frame 4: the square
  // (not moving), the gradient's ends, the bitmap tile (moved 30 pixels) and
  // the background between them.
  Picture p;
  ASSERT_TRUE(render(movie, "--frames 4", p));
  expect_color(p, 25, 25, {250, 120, 10, 255});
  expect_color(p, 1, 70, {255, 0, 0, 255}, 12);
  expect_color(p, 158, 70, {0, 0, 255, 255}, 12);
  expect_color(p, 60, 50, {30, 40, 60, 255});
  expect_color(p, 140, 50, {30, 40, 60, 255});
  const uint8_t* tile = p.at(134, 14);  // inside the moved tile: one of the checks
  EXPECT_TRUE((tile[0] == 255 && tile[1] == 255) || (tile[0] == 0 && tile[1] == 128))
      << int(tile[0]) << "," << int(tile[1]) << "," << int(tile[2]);
  DeleteFileA(movie.c_str());
}

TEST(RenderTool, TransparentPicturesKeepTheirAlpha) {
  swfwriter::Movie m;
  m.width_twips = 40 * 20;
  m.height_twips = 40 * 20;
  m.define_shape(1, rectangle(0, 0, 20 * 20, 40 * 20, {0, 100, 200, 255}));
  m.define_shape(2, rectangle(20 * 20, 0, 40 * 20, 20 * 20, {255, 0, 0, 128}));
  m.place(swfwriter::Placement::place(1, 1));
  m.place(swfwriter::Placement::place(2, 2));
  m.show_frame();
  std::string movie = temp_file("transparent.swf");
  ASSERT_TRUE(swfwriter::write_file(movie, m.finish()));
  Picture p;
  ASSERT_TRUE(render(movie, "--frames 1 --transparent", p));
  expect_color(p, 10, 10, {0, 100, 200, 255}, 3);
  expect_color(p, 30, 10, {255, 0, 0, 128}, 3);
  EXPECT_EQ(p.at(30, 30)[3], 0);
  // Without it the stage colour is under everything.
  ASSERT_TRUE(render(movie, "--frames 1 --bgcolor 00ff00", p));
  expect_color(p, 30, 30, {0, 255, 0, 255});
  expect_color(p, 30, 10, {128, 127, 0, 255}, 2);
  // Aligned to the top left, the 40-pixel stage leaves the rest of a wider
  // picture to the stage colour.
  ASSERT_TRUE(render(movie, "--frames 1 --bgcolor 00ff00 --width 80 --height 40 --salign LT", p));
  expect_color(p, 10, 10, {0, 100, 200, 255});
  expect_color(p, 60, 10, {0, 255, 0, 255});
  DeleteFileA(movie.c_str());
}

TEST(RenderTool, FailuresEndWithAnExitCodeAndNoPicture) {
  std::string png = temp_file("none.png");
  DeleteFileA(png.c_str());
  EXPECT_EQ(run_tool("only-one-argument.swf"), 2);
  EXPECT_EQ(run_tool("a.swf b.png --frames 0"), 2);
  EXPECT_EQ(run_tool("\"" + temp_file("missing.swf") + "\" \"" + png + "\""), 1);
  std::string junk = temp_file("junk.swf");
  ASSERT_TRUE(swfwriter::write_file(junk, swfwriter::Bytes(100, 0x41)));
  EXPECT_EQ(run_tool("\"" + junk + "\" \"" + png + "\" --width 10 --height 10"), 1);
  EXPECT_EQ(GetFileAttributesA(png.c_str()), INVALID_FILE_ATTRIBUTES);
  DeleteFileA(junk.c_str());
}

}  // namespace
