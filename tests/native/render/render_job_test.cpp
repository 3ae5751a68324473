// The render tool's portable half: its command line, the pixels it turns
// into straight RGBA and the PNG files it writes.
#include "render/render_job.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "image_check.h"

namespace {

bool parse(std::vector<const char*> args, swfrender::RenderOptions& out, std::string& error) {
  args.insert(args.begin(), "swfrender");
  return swfrender::parse_arguments(static_cast<int>(args.size()), args.data(), out, error);
}

TEST(RenderTool, CommandLineTakesMovieOutputAndOptions) {
  swfrender::RenderOptions o;
  std::string error;
  ASSERT_TRUE(parse({"in.swf", "out.png"}, o, error)) << error;
  EXPECT_EQ(o.movie, "in.swf");
  EXPECT_EQ(o.output, "out.png");
  EXPECT_EQ(o.frames, 10);
  EXPECT_EQ(o.width, 0);
  EXPECT_FALSE(o.transparent);
  EXPECT_EQ(o.scale, "showall");

  swfrender::RenderOptions p;
  ASSERT_TRUE(parse({"--frames", "3", "a.swf", "--width", "320", "--height", "200", "b.png",
                     "--transparent", "--scale", "exactfit", "--salign", "LT", "--bgcolor",
                     "#00ff80", "--plugin", "x.dll", "--timeout", "5"},
                    p, error))
      << error;
  EXPECT_EQ(p.movie, "a.swf");
  EXPECT_EQ(p.output, "b.png");
  EXPECT_EQ(p.frames, 3);
  EXPECT_EQ(p.width, 320);
  EXPECT_EQ(p.height, 200);
  EXPECT_TRUE(p.transparent);
  EXPECT_EQ(p.scale, "exactfit");
  EXPECT_EQ(p.align, "LT");
  EXPECT_EQ(p.background, "#00ff80");
  EXPECT_EQ(p.plugin, "x.dll");
  EXPECT_EQ(p.timeout_seconds, 5);
}

TEST(RenderTool, WrongCommandLinesAreRefusedWithAReason) {
  const std::vector<std::vector<const char*>> wrong = {
      {"only.swf"},
      {"a.swf", "b.png", "c.png"},
      {"a.swf", "b.png", "--frames", "0"},
      {"a.swf", "b.png", "--frames", "x"},
      {"a.swf", "b.png", "--frames"},
      {"a.swf", "b.png", "--width", "100"},
      {"a.swf", "b.png", "--width", "100", "--height", "99999"},
      {"a.swf", "b.png", "--scale", "stretch"},
      {"a.swf", "b.png", "--bgcolor", "12345"},
      {"a.swf", "b.png", "--salign", "LTR"},
      {"a.swf", "b.png", "--salign", "X"},
      {"a.swf", "b.png", "--colour"},
  };
  for (const auto& args : wrong) {
    swfrender::RenderOptions o;
    std::string error;
    EXPECT_FALSE(parse(args, o, error)) << args.back();
    EXPECT_FALSE(error.empty()) << args.back();
  }
}

TEST(RenderTool, PixelsBecomeStraightRgba) {
  // 0xAARRGGBB: an opaque colour, half-transparent premultiplied red, nothing.
  const uint32_t pixels[3] = {0xFF102030u, 0x80800000u, 0x00000000u};
  std::vector<uint8_t> rgba = swfrender::straight_rgba(pixels, 3, 1, true);
  EXPECT_EQ(std::vector<uint8_t>(rgba.begin(), rgba.begin() + 4),
            (std::vector<uint8_t>{0x10, 0x20, 0x30, 0xFF}));
  EXPECT_EQ(rgba[4], 255);
  EXPECT_EQ(rgba[5], 0);
  EXPECT_EQ(rgba[7], 0x80);
  EXPECT_EQ(std::vector<uint8_t>(rgba.begin() + 8, rgba.end()), std::vector<uint8_t>(4, 0));
  // Opaque pictures ignore whatever the alpha byte holds.
  rgba = swfrender::straight_rgba(pixels, 3, 1, false);
  EXPECT_EQ(rgba[3], 255);
  EXPECT_EQ(rgba[4], 0x80);
  EXPECT_EQ(rgba[11], 255);
}

TEST(RenderTool, PngFilesRoundTripAndBadInputIsRefused) {
  const int w = 5, h = 3;
  std::vector<uint8_t> rgba(w * h * 4);
  for (size_t i = 0; i < rgba.size(); ++i) rgba[i] = static_cast<uint8_t>(i * 7);
#ifdef _WIN32
  std::string path = "Z:" + render_test::output_path("render_tool_roundtrip");
#else
  std::string path = render_test::output_path("render_tool_roundtrip");
#endif
  ASSERT_TRUE(swfrender::write_png(path, w, h, rgba));
  int rw = 0, rh = 0;
  std::vector<uint8_t> back;
  ASSERT_TRUE(swfrender::read_png(path, rw, rh, back));
  EXPECT_EQ(rw, w);
  EXPECT_EQ(rh, h);
  EXPECT_EQ(back, rgba);
  std::remove(path.c_str());

  EXPECT_FALSE(swfrender::write_png(path, w, h, std::vector<uint8_t>(3)));
  EXPECT_FALSE(swfrender::read_png(path + ".missing", rw, rh, back));
}

}  // namespace
