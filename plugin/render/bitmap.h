// Bitmap characters: DefineBits (with JPEGTables), DefineBitsJPEG2/3 and
// DefineBitsLossless/2, decoded into premultiplied pixels.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

namespace render {

// Premultiplied 0xAARRGGBB pixels, rows top to bottom, no padding.
struct Bitmap {
  int width = 0;
  int height = 0;
  std::vector<uint32_t> pixels;
  bool empty() const { return width <= 0 || height <= 0; }
  uint32_t at(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }
};

// Finds a bitmap character by id (nullptr when the id names none).
using BitmapLookup = std::function<const Bitmap*(uint16_t character_id)>;

// Tag codes this module decodes.
enum BitmapTagCode : int {
  kTagDefineBits = 6,
  kTagJpegTables = 8,
  kTagDefineBitsLossless = 20,
  kTagDefineBitsJpeg2 = 21,
  kTagDefineBitsJpeg3 = 35,
  kTagDefineBitsLossless2 = 36,
};

// Decodes a bitmap tag body. `jpeg_tables` is the body of the file's JPEGTables
// tag (empty when there was none); `swf_version` is the file's version byte.
// On success `character_id` and `out` are set. Damaged data gives false and an
// empty bitmap; it never reads outside the body.
bool decode_bitmap_tag(int tag_code, const uint8_t* body, size_t length,
                       const std::vector<uint8_t>& jpeg_tables, int swf_version,
                       uint16_t& character_id, Bitmap& out);

// Decodes a stand-alone image file in memory (JPEG, PNG, GIF: its first image;
// GIF only when built with giflib), as loadMovie of an image needs.
bool decode_image(const uint8_t* data, size_t length, Bitmap& out);

}  // namespace render
