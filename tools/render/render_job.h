// The portable half of the render tool: its command line, the conversion of
// the host's 32-bit pixels to straight RGBA and the PNG files it writes.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace swfrender {

struct RenderOptions {
  std::string movie;
  std::string output;
  int frames = 10;
  int width = 0, height = 0;  // 0: the movie's own size
  bool transparent = false;   // wmode "transparent": the picture keeps its alpha
  std::string scale = "showall";
  std::string align;       // salign parameter (L, R, T, B, LT, ...); empty: centred
  std::string background;  // bgcolor parameter, "#RRGGBB"; empty: the movie's
  std::string plugin;      // the module's path; empty: npfp.dll beside the tool
  int timeout_seconds = 60;
};

// Reads `swfrender MOVIE OUT.png [--frames N] [--width W --height H]
// [--transparent] [--scale MODE] [--salign LTRB] [--bgcolor RRGGBB] [--plugin DLL]
// [--timeout S]`. False with `error` set when the line is wrong.
bool parse_arguments(int argc, const char* const* argv, RenderOptions& out, std::string& error);

// The usage text printed for a wrong command line.
const char* usage();

// Host pixels (0xAARRGGBB words, top row first). With `premultiplied` the
// colours are scaled by alpha and are divided back; otherwise alpha is
// ignored and every pixel is opaque.
std::vector<uint8_t> straight_rgba(const uint32_t* pixels, int width, int height,
                                   bool premultiplied);

// 8-bit RGBA PNG files (rows top first).
bool write_png(const std::string& path, int width, int height, const std::vector<uint8_t>& rgba);
bool read_png(const std::string& path, int& width, int& height, std::vector<uint8_t>& rgba);

}  // namespace swfrender
