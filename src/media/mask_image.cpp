// Choosing a mask loader by file name, and the row runs of kept pixels that
// a window region is built from in one step.
#include "media/mask_image.h"

#include <cctype>

namespace media {

MaskKind mask_kind_for_path(const std::string& path) {
  const size_t dot = path.find_last_of('.');
  const size_t separator = path.find_last_of("\\/");
  if (dot == std::string::npos || (separator != std::string::npos && dot < separator)) {
    return MaskKind::kNone;
  }
  std::string extension = path.substr(dot + 1);
  for (char& c : extension) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  if (extension == "png") return MaskKind::kPng;
  if (extension == "bmp") return MaskKind::kBmp;
  return MaskKind::kNone;
}

bool load_mask_image(const std::string& path, MaskImage& out) {
  switch (mask_kind_for_path(path)) {
    case MaskKind::kPng:
      return load_png_mask(path, out);
    case MaskKind::kBmp:
      return load_bmp_mask(path, out);
    case MaskKind::kNone:
      break;
  }
  return false;
}

bool is_key_pixel(const MaskImage& image, int32_t x, int32_t y, uint8_t red, uint8_t green,
                  uint8_t blue) {
  const size_t step = image.bits_per_pixel / 8;
  const uint8_t* p = image.pixels.data() + (static_cast<size_t>(y) * image.width + x) * step;
  return p[0] == red && p[1] == green && p[2] == blue;
}

std::vector<RowRun> kept_row_runs(const MaskImage& image, uint8_t red, uint8_t green,
                                  uint8_t blue) {
  std::vector<RowRun> runs;
  const size_t step = image.bits_per_pixel / 8;
  if (image.width <= 0 || image.height <= 0 || (step != 3 && step != 4) ||
      image.pixels.size() < static_cast<size_t>(image.width) * image.height * step) {
    return runs;
  }
  const uint8_t* p = image.pixels.data();
  for (int32_t y = 0; y < image.height; ++y) {
    int32_t start = -1;  // left edge of the run being walked, or -1
    for (int32_t x = 0; x < image.width; ++x, p += step) {
      const bool key = p[0] == red && p[1] == green && p[2] == blue;
      if (!key && start < 0) {
        start = x;
      } else if (key && start >= 0) {
        runs.push_back({y, start, x});
        start = -1;
      }
    }
    if (start >= 0) runs.push_back({y, start, image.width});
  }
  return runs;
}

}  // namespace media
