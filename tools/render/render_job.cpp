#include "render/render_job.h"

#include <png.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace swfrender {

namespace {

bool parse_int(const char* text, int low, int high, int& out) {
  char* end = nullptr;
  long value = std::strtol(text, &end, 10);
  if (!*text || *end || value < low || value > high) return false;
  out = static_cast<int>(value);
  return true;
}

bool is_hex_color(const std::string& text) {
  if (text.size() != 6) return false;
  for (char c : text)
    if (!std::strchr("0123456789abcdefABCDEF", c)) return false;
  return true;
}

}  // namespace

const char* usage() {
  return "usage: swfrender MOVIE.swf OUT.png [--frames N] [--width W --height H]\n"
         "                 [--transparent] [--scale showall|noborder|exactfit|noscale]\n"
         "                 [--salign L|R|T|B|LT|TR|BL|BR]\n"
         "                 [--bgcolor RRGGBB] [--plugin npfp.dll] [--timeout SECONDS]\n";
}

bool parse_arguments(int argc, const char* const* argv, RenderOptions& out, std::string& error) {
  std::vector<std::string> positional;
  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i];
    bool has_value = i + 1 < argc;
    if (arg == "--transparent") {
      out.transparent = true;
    } else if (arg == "--frames" || arg == "--width" || arg == "--height" || arg == "--timeout") {
      if (!has_value) {
        error = arg + " needs a value";
        return false;
      }
      int* target = arg == "--frames"   ? &out.frames
                    : arg == "--width"  ? &out.width
                    : arg == "--height" ? &out.height
                                        : &out.timeout_seconds;
      // A frame is shown at load, so at least one; sizes as the plug-in takes them.
      int low = 1, high = arg == "--frames" ? 100000 : arg == "--timeout" ? 3600 : 16384;
      if (!parse_int(argv[++i], low, high, *target)) {
        error = arg + " takes a number from " + std::to_string(low) + " to " + std::to_string(high);
        return false;
      }
    } else if (arg == "--scale" || arg == "--salign" || arg == "--bgcolor" || arg == "--plugin") {
      if (!has_value) {
        error = arg + " needs a value";
        return false;
      }
      std::string value = argv[++i];
      if (arg == "--scale") {
        if (value != "showall" && value != "noborder" && value != "exactfit" &&
            value != "noscale") {
          error = "unknown scale mode " + value;
          return false;
        }
        out.scale = value;
      } else if (arg == "--salign") {
        if (value.size() > 2 || value.find_first_not_of("LRTBlrtb") != std::string::npos) {
          error = "--salign takes up to two of L, R, T, B";
          return false;
        }
        out.align = value;
      } else if (arg == "--bgcolor") {
        if (!value.empty() && value[0] == '#') value.erase(0, 1);
        if (!is_hex_color(value)) {
          error = "--bgcolor takes RRGGBB";
          return false;
        }
        out.background = "#" + value;
      } else {
        out.plugin = value;
      }
    } else if (arg.size() > 1 && arg[0] == '-' && arg.compare(0, 2, "--") == 0) {
      error = "unknown option " + arg;
      return false;
    } else {
      positional.push_back(arg);
    }
  }
  if (positional.size() != 2) {
    error = "give the movie and the output file";
    return false;
  }
  if ((out.width == 0) != (out.height == 0)) {
    error = "--width and --height go together";
    return false;
  }
  out.movie = positional[0];
  out.output = positional[1];
  return true;
}

std::vector<uint8_t> straight_rgba(const uint32_t* pixels, int width, int height,
                                   bool premultiplied) {
  std::vector<uint8_t> out(static_cast<size_t>(width) * height * 4);
  for (size_t i = 0; i < static_cast<size_t>(width) * height; ++i) {
    uint32_t p = pixels[i];
    uint32_t a = premultiplied ? p >> 24 : 255;
    uint32_t c[3] = {(p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF};
    uint8_t* o = &out[i * 4];
    for (int k = 0; k < 3; ++k) {
      uint32_t v = c[k];
      if (premultiplied) v = a ? (v * 255 + a / 2) / a : 0;
      o[k] = static_cast<uint8_t>(v > 255 ? 255 : v);
    }
    o[3] = static_cast<uint8_t>(a);
  }
  return out;
}

bool write_png(const std::string& path, int width, int height, const std::vector<uint8_t>& rgba) {
  if (width <= 0 || height <= 0 || rgba.size() != static_cast<size_t>(width) * height * 4)
    return false;
  FILE* file = std::fopen(path.c_str(), "wb");
  if (!file) return false;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png ? png_create_info_struct(png) : nullptr;
  bool ok = false;
  if (png && info && !setjmp(png_jmpbuf(png))) {
    png_init_io(png, file);
    png_set_IHDR(png, info, png_uint_32(width), png_uint_32(height), 8, PNG_COLOR_TYPE_RGB_ALPHA,
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    for (int y = 0; y < height; ++y)
      png_write_row(png, const_cast<png_bytep>(&rgba[static_cast<size_t>(y) * width * 4]));
    png_write_end(png, nullptr);
    ok = true;
  }
  png_destroy_write_struct(png ? &png : nullptr, info ? &info : nullptr);
  return std::fclose(file) == 0 && ok;
}

bool read_png(const std::string& path, int& width, int& height, std::vector<uint8_t>& rgba) {
  FILE* file = std::fopen(path.c_str(), "rb");
  if (!file) return false;
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png ? png_create_info_struct(png) : nullptr;
  bool ok = false;
  if (png && info && !setjmp(png_jmpbuf(png))) {
    png_init_io(png, file);
    png_read_info(png, info);
    png_set_expand(png);
    png_set_strip_16(png);
    png_set_gray_to_rgb(png);
    png_set_add_alpha(png, 0xFF, PNG_FILLER_AFTER);
    png_set_interlace_handling(png);
    png_read_update_info(png, info);
    width = static_cast<int>(png_get_image_width(png, info));
    height = static_cast<int>(png_get_image_height(png, info));
    rgba.assign(static_cast<size_t>(width) * height * 4, 0);
    std::vector<png_bytep> rows(static_cast<size_t>(height));
    for (int y = 0; y < height; ++y) rows[static_cast<size_t>(y)] = &rgba[size_t(y) * width * 4];
    png_read_image(png, rows.data());
    ok = true;
  }
  png_destroy_read_struct(png ? &png : nullptr, info ? &info : nullptr, nullptr);
  std::fclose(file);
  return ok;
}

}  // namespace swfrender
