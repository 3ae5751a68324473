// Small writers of BMP and PNG pictures for the mask tests and the mask
// benchmark, so that no binary test image is kept in the tree.
#pragma once

#include <png.h>

#include <cstdint>
#include <string>
#include <vector>

namespace mask_test_images {

struct Bmp {
  int bits = 24;
  int32_t width = 0;
  int32_t height = 0;  // positive: stored bottom row first
  // The picture top row first: 3 bytes (blue, green, red) or 1 index per pixel.
  std::vector<uint8_t> top_down;
  // Palette entries counted by "colours used" and written after the headers.
  uint32_t colours_used = 0;
  // Entries written after those without being counted (the data offset then
  // is the only way to find the pixels).
  uint32_t uncounted_palette = 0;
  uint8_t palette_fill = 0;  // every palette byte
  // Bytes between the palette and the pixel data.
  uint32_t gap = 0;
  bool write_offset = true;  // false leaves the data offset 0
};

inline void put16(std::string& s, uint32_t v) {
  s += static_cast<char>(v & 0xff);
  s += static_cast<char>((v >> 8) & 0xff);
}
inline void put32(std::string& s, uint32_t v) {
  put16(s, v & 0xffff);
  put16(s, v >> 16);
}

inline std::string bmp_bytes(const Bmp& b) {
  const int bytes_per_pixel = b.bits / 8;
  const uint32_t rows = static_cast<uint32_t>(b.height < 0 ? -b.height : b.height);
  const uint32_t row_bytes = static_cast<uint32_t>(b.width) * bytes_per_pixel;
  const uint32_t padding = (4 - row_bytes % 4) % 4;
  const uint32_t offset = 54 + 4 * (b.colours_used + b.uncounted_palette) + b.gap;
  std::string s = "BM";
  put32(s, offset + (row_bytes + padding) * rows);
  put32(s, 0);
  put32(s, b.write_offset ? offset : 0);
  put32(s, 40);
  put32(s, static_cast<uint32_t>(b.width));
  put32(s, static_cast<uint32_t>(b.height));
  put16(s, 1);
  put16(s, static_cast<uint32_t>(b.bits));
  put32(s, 0);
  put32(s, (row_bytes + padding) * rows);
  put32(s, 2835);
  put32(s, 2835);
  put32(s, b.colours_used);
  put32(s, 0);
  s.append(4 * (b.colours_used + b.uncounted_palette), static_cast<char>(b.palette_fill));
  s.append(b.gap, '\x5a');
  for (uint32_t j = 0; j < rows; ++j) {
    const uint32_t picture_row = b.height > 0 ? rows - 1 - j : j;
    s.append(reinterpret_cast<const char*>(b.top_down.data()) + picture_row * row_bytes, row_bytes);
    s.append(padding, '\0');
  }
  return s;
}

struct Png {
  uint32_t width = 0;
  uint32_t height = 0;
  int colour_type = PNG_COLOR_TYPE_RGB;
  int bit_depth = 8;
  std::vector<uint8_t> rows;  // packed rows as the file's colour type has them
  std::vector<png_color> palette;
  std::vector<png_byte> transparency;  // tRNS entries for a palette
  bool interlaced = false;
  bool background = false;  // writes bKGD with `background_colour`
  png_color_16 background_colour{};
  double gamma = 0;  // writes gAMA when not 0
};

inline void append_to_string(png_structp png, png_bytep data, png_size_t length) {
  static_cast<std::string*>(png_get_io_ptr(png))
      ->append(reinterpret_cast<const char*>(data), length);
}
inline void flush_nothing(png_structp) {}

// Empty when libpng refuses the description.
inline std::string png_bytes(const Png& p) {
  std::string out;
  const size_t stride = p.rows.size() / p.height;
  std::vector<png_bytep> rows(p.height);
  for (uint32_t y = 0; y < p.height; ++y) {
    rows[y] = const_cast<png_bytep>(p.rows.data()) + stride * y;
  }
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    out.clear();
    return out;
  }
  png_set_write_fn(png, &out, append_to_string, flush_nothing);
  png_set_IHDR(png, info, p.width, p.height, p.bit_depth, p.colour_type,
               p.interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  if (!p.palette.empty()) {
    png_set_PLTE(png, info, p.palette.data(), static_cast<int>(p.palette.size()));
  }
  if (!p.transparency.empty()) {
    png_set_tRNS(png, info, p.transparency.data(), static_cast<int>(p.transparency.size()),
                 nullptr);
  }
  if (p.background) png_set_bKGD(png, info, &p.background_colour);
  if (p.gamma != 0) png_set_gAMA(png, info, p.gamma);
  png_write_info(png, info);
  png_write_image(png, rows.data());
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return out;
}

}  // namespace mask_test_images
