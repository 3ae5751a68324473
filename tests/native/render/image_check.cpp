#include "image_check.h"

#include <png.h>

#include <cstdio>
#include <cstdlib>
#include <vector>

#include "render/color.h"

namespace render_test {

bool write_png(const render::Canvas& canvas, const std::string& path) {
  FILE* file = std::fopen(path.c_str(), "wb");
  if (!file) return false;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png ? png_create_info_struct(png) : nullptr;
  bool ok = false;
  if (png && info && !setjmp(png_jmpbuf(png))) {
    png_init_io(png, file);
    png_set_IHDR(png, info, canvas.width(), canvas.height(), 8, PNG_COLOR_TYPE_RGB_ALPHA,
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    std::vector<uint8_t> row(size_t(canvas.width()) * 4);
    for (int y = 0; y < canvas.height(); ++y) {
      for (int x = 0; x < canvas.width(); ++x) {
        render::Rgba c = render::unpremultiply(canvas.pixel(x, y));
        row[size_t(x) * 4 + 0] = c.r;
        row[size_t(x) * 4 + 1] = c.g;
        row[size_t(x) * 4 + 2] = c.b;
        row[size_t(x) * 4 + 3] = c.a;
      }
      png_write_row(png, row.data());
    }
    png_write_end(png, nullptr);
    ok = true;
  }
  png_destroy_write_struct(png ? &png : nullptr, info ? &info : nullptr);
  std::fclose(file);
  return ok;
}

std::string output_path(const std::string& name) {
  return std::string(SWFSAVER_BINARY_DIR) + "/render-test-images-" + name + ".png";
}

int count_mismatches(const render::Canvas& actual,
                     const std::function<uint32_t(int, int)>& expected, int tolerance,
                     const std::string& name) {
  render::Canvas wanted(actual.width(), actual.height());
  int mismatches = 0;
  for (int y = 0; y < actual.height(); ++y) {
    for (int x = 0; x < actual.width(); ++x) {
      uint32_t e = expected(x, y), a = actual.pixel(x, y);
      wanted.row(y)[x] = e;
      for (int shift = 0; shift < 32; shift += 8) {
        if (std::abs(int((e >> shift) & 0xFF) - int((a >> shift) & 0xFF)) > tolerance) {
          ++mismatches;
          break;
        }
      }
    }
  }
  if (mismatches) {
#ifdef _WIN32
    std::string prefix = "Z:";
#else
    std::string prefix;
#endif
    write_png(actual, prefix + output_path(name + "-actual"));
    write_png(wanted, prefix + output_path(name + "-expected"));
  }
  return mismatches;
}

}  // namespace render_test
