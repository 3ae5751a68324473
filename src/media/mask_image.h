// Mask images: pictures whose pure white pixels are cut out of a window.
// PNG files decode through libpng, BMP files through our own reader (which
// writes its diagnostics to standard output). The result keeps the pixels
// and, for the region, the row runs of pixels that stay.
#pragma once

#include <cstdint>
#include <iosfwd>
#include <string>
#include <vector>

namespace media {

// A decoded picture, rows from the top, no row padding.
struct MaskImage {
  int32_t width = 0;
  int32_t height = 0;
  int32_t bits_per_pixel = 0;   // 24 or 32
  std::vector<uint8_t> pixels;  // 3 or 4 bytes per pixel
  std::vector<uint8_t> alpha;   // PNG with alpha only: one byte per pixel
};

// A horizontal run [left, right) of kept pixels in row `y`.
struct RowRun {
  int32_t y = 0;
  int32_t left = 0;
  int32_t right = 0;
};

inline bool operator==(const RowRun& a, const RowRun& b) {
  return a.y == b.y && a.left == b.left && a.right == b.right;
}

enum class MaskKind { kNone, kPng, kBmp };

// The loader a file name selects by its extension, compared without regard to
// case: "png" or "bmp"; anything else (GIF among them) is no mask image.
MaskKind mask_kind_for_path(const std::string& path);

// Each answers true when the picture was decoded into `out`.
bool load_png_mask(const std::string& path, MaskImage& out);
// Diagnostics go to `diagnostics` (standard output in a real run). A BMP with
// a positive height is stored bottom row first; the result is turned right way
// up so the mask cuts what the picture shows. The pixel data are read from the
// offset the file header gives.
bool load_bmp_mask(const std::string& path, MaskImage& out, std::ostream& diagnostics);
bool load_bmp_mask(const std::string& path, MaskImage& out);

// Loads by the extension; false for other extensions or a failed load.
bool load_mask_image(const std::string& path, MaskImage& out);

// Whether pixel (x, y) has the key colour in its first three bytes.
bool is_key_pixel(const MaskImage& image, int32_t x, int32_t y, uint8_t red, uint8_t green,
                  uint8_t blue);

// The runs of pixels whose first three bytes are not the key, row by row from
// the top, each row from the left. An image without any key pixel gives one
// full-width run per row.
std::vector<RowRun> kept_row_runs(const MaskImage& image, uint8_t red = 255, uint8_t green = 255,
                                  uint8_t blue = 255);

}  // namespace media
