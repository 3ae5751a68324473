// The PNG loader of mask images: libpng reads the file from memory and its
// transforms give 8-bit RGB or RGBA rows whatever the file's colour type.
#include <png.h>

#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <vector>

#include "media/mask_image.h"

namespace media {

namespace {

// Decoded pictures are held whole; a damaged header must not ask for more
// than a 32-bit process can spare.
constexpr uint64_t kMaxPixels = uint64_t{1} << 25;

struct MemoryReader {
  const uint8_t* data;
  size_t size;
  size_t offset;
};

void read_from_memory(png_structp png, png_bytep target, png_size_t length) {
  auto* reader = static_cast<MemoryReader*>(png_get_io_ptr(png));
  if (length > reader->size - reader->offset) png_error(png, "read past the end");
  std::memcpy(target, reader->data + reader->offset, length);
  reader->offset += length;
}

bool read_file(const std::string& path, std::vector<uint8_t>& bytes) {
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (!file) return false;
  uint8_t buffer[65536];
  size_t got = 0;
  while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0) {
    bytes.insert(bytes.end(), buffer, buffer + got);
  }
  const bool ok = !std::ferror(file);
  std::fclose(file);
  return ok;
}

// Decodes with libpng; its errors arrive here by longjmp, so this function
// keeps no local that needs a destructor or changes after setjmp.
bool decode(png_structp png, png_infop info, MemoryReader* reader, MaskImage* out) {
  if (setjmp(png_jmpbuf(png))) return false;
  png_set_read_fn(png, reader, read_from_memory);
  png_set_sig_bytes(png, 8);
  png_read_info(png, info);

  const png_byte colour_type = png_get_color_type(png, info);
  png_set_strip_16(png);
  png_set_expand(png);
  if (colour_type == PNG_COLOR_TYPE_GRAY || colour_type == PNG_COLOR_TYPE_GRAY_ALPHA) {
    png_set_gray_to_rgb(png);
  }
  png_color_16p background = nullptr;
  if (png_get_bKGD(png, info, &background)) {
    png_set_background(png, background, PNG_BACKGROUND_GAMMA_FILE, 1, 1.0);
  }
  double gamma = 0;
  if (png_get_gAMA(png, info, &gamma)) png_set_gamma(png, 2.2, gamma);
  const int passes = png_set_interlace_handling(png);
  png_read_update_info(png, info);

  const png_uint_32 width = png_get_image_width(png, info);
  const png_uint_32 height = png_get_image_height(png, info);
  const int channels = png_get_channels(png, info);
  if ((channels != 3 && channels != 4) || uint64_t{width} * height > kMaxPixels) return false;
  const size_t stride = png_get_rowbytes(png, info);
  if (stride != size_t{width} * channels) return false;

  out->width = static_cast<int32_t>(width);
  out->height = static_cast<int32_t>(height);
  out->bits_per_pixel = channels * 8;
  out->pixels.assign(stride * height, 0);
  for (int pass = 0; pass < passes; ++pass) {
    for (png_uint_32 y = 0; y < height; ++y)
      png_read_row(png, out->pixels.data() + stride * y, nullptr);
  }
  png_read_end(png, nullptr);

  out->alpha.clear();
  if (channels == 4) {
    out->alpha.resize(size_t{width} * height);
    for (size_t i = 0; i < out->alpha.size(); ++i) out->alpha[i] = out->pixels[i * 4 + 3];
  }
  return true;
}

}  // namespace

bool load_png_mask(const std::string& path, MaskImage& out) {
  std::vector<uint8_t> bytes;
  if (!read_file(path, bytes)) return false;
  if (bytes.size() < 8 || png_sig_cmp(bytes.data(), 0, 8) != 0) return false;

  // libpng 1.6 refuses to be created for an older interface version, so it is
  // created for the one it was built with.
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  if (!png) return false;
  png_infop info = png_create_info_struct(png);
  if (!info) {
    png_destroy_read_struct(&png, nullptr, nullptr);
    return false;
  }
  MemoryReader reader{bytes.data(), bytes.size(), 8};
  MaskImage image;
  const bool ok = decode(png, info, &reader, &image);
  png_destroy_read_struct(&png, &info, nullptr);
  if (ok) out = std::move(image);
  return ok;
}

}  // namespace media
