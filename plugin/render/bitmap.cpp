// Bitmap tags: JPEG through libjpeg, PNG through libpng, lossless data through zlib.
#include "render/bitmap.h"

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstring>

// jpeglib.h needs FILE declared first.
#include <jpeglib.h>
#include <png.h>
#include <zlib.h>
#ifdef NPFP_RENDER_GIF
#include <gif_lib.h>
#endif

#include "render/bit_reader.h"
#include "render/color.h"

namespace render {

namespace {

// Larger images are refused rather than allocated (64 MB of pixels).
constexpr uint64_t kMaxPixels = 16u * 1024u * 1024u;

bool size_acceptable(uint64_t width, uint64_t height) {
  return width > 0 && height > 0 && width * height <= kMaxPixels;
}

// Inflates a zlib stream, stopping after `wanted` bytes. Answers the bytes made.
// The output grows with what the stream really holds, so a small damaged tag
// that declares a huge bitmap costs no huge allocation.
size_t inflate_up_to(const uint8_t* data, size_t length, size_t wanted, std::vector<uint8_t>& out) {
  out.clear();
  if (wanted == 0) return 0;
  z_stream z;
  std::memset(&z, 0, sizeof z);
  if (inflateInit(&z) != Z_OK) return 0;
  z.next_in = const_cast<Bytef*>(data);
  z.avail_in = uInt(std::min<size_t>(length, 0x7FFFFFFF));
  size_t made = 0;
  int status = Z_OK;
  while (status == Z_OK && made < wanted) {
    size_t chunk = std::min(wanted - made, std::max<size_t>(made, 65536));
    out.resize(made + chunk);
    z.next_out = out.data() + made;
    z.avail_out = uInt(chunk);
    status = inflate(&z, Z_NO_FLUSH);
    made += chunk - z.avail_out;
    if (z.avail_out == chunk && z.avail_in == 0) break;  // no progress, no input left
  }
  inflateEnd(&z);
  out.resize(made);
  return made;
}

inline uint32_t premultiplied_clamped(uint8_t a, uint8_t r, uint8_t g, uint8_t b) {
  return pack_argb(a, std::min(r, a), std::min(g, a), std::min(b, a));
}

bool decode_lossless(bool with_alpha, BitReader& in, const uint8_t* body, size_t length,
                     Bitmap& out) {
  uint8_t format = in.u8();
  int width = in.u16(), height = in.u16();
  size_t table_size = 0;
  if (format == 3) table_size = size_t(in.u8()) + 1;
  if (in.failed() || !size_acceptable(width, height)) return false;
  if (format != 3 && format != 5 && !(format == 4 && !with_alpha)) return false;
  const uint8_t* zdata = body + in.position();
  size_t zlength = length - in.position();

  size_t table_bytes = table_size * (with_alpha ? 4 : 3);
  size_t stride = format == 3   ? (size_t(width) + 3) & ~size_t(3)
                  : format == 4 ? (size_t(width) * 2 + 3) & ~size_t(3)
                                : size_t(width) * 4;
  size_t wanted = table_bytes + stride * size_t(height);
  std::vector<uint8_t> raw;
  if (inflate_up_to(zdata, zlength, wanted, raw) < wanted) return false;

  out.width = width;
  out.height = height;
  out.pixels.assign(size_t(width) * height, 0);
  if (format == 3) {
    std::vector<uint32_t> palette(256, 0);
    for (size_t i = 0; i < table_size; ++i) {
      const uint8_t* c = &raw[i * (with_alpha ? 4 : 3)];
      // Lossless2 palettes hold premultiplied colours like its 32-bit pixels.
      palette[i] = with_alpha ? premultiplied_clamped(c[3], c[0], c[1], c[2])
                              : pack_argb(255, c[0], c[1], c[2]);
    }
    for (int y = 0; y < height; ++y) {
      const uint8_t* row = &raw[table_bytes + stride * y];
      uint32_t* dst = &out.pixels[size_t(y) * width];
      for (int x = 0; x < width; ++x) dst[x] = palette[row[x]];
    }
  } else if (format == 4) {
    for (int y = 0; y < height; ++y) {
      const uint8_t* row = &raw[stride * y];
      uint32_t* dst = &out.pixels[size_t(y) * width];
      for (int x = 0; x < width; ++x) {
        unsigned word = (unsigned(row[2 * x]) << 8) | row[2 * x + 1];
        auto expand = [](unsigned c) { return uint8_t((c << 3) | (c >> 2)); };
        dst[x] =
            pack_argb(255, expand((word >> 10) & 31), expand((word >> 5) & 31), expand(word & 31));
      }
    }
  } else {
    for (size_t i = 0; i < out.pixels.size(); ++i) {
      const uint8_t* p = &raw[i * 4];
      out.pixels[i] = with_alpha ? premultiplied_clamped(p[0], p[1], p[2], p[3])
                                 : pack_argb(255, p[1], p[2], p[3]);
    }
  }
  return true;
}

// Copies the marker segments of a JPEG stream, leaving out every SOI and EOI
// before the scan data (the "FF D9 FF D8" pairs some writers put in, and the
// frame of a tables-only stream). Returns true once the scan (SOS) was copied.
bool copy_jpeg_segments(const uint8_t* data, size_t length, std::vector<uint8_t>& out) {
  size_t pos = 0;
  while (pos + 1 < length) {
    if (data[pos] != 0xFF) {
      ++pos;
      continue;
    }
    uint8_t marker = data[pos + 1];
    if (marker == 0xFF) {
      ++pos;
    } else if (marker == 0xD8 || marker == 0xD9) {
      pos += 2;
    } else if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7) || marker == 0x00) {
      pos += 2;
    } else if (marker == 0xDA) {
      out.insert(out.end(), data + pos, data + length);
      return true;
    } else {
      if (pos + 3 >= length) return false;
      size_t segment = (size_t(data[pos + 2]) << 8) | data[pos + 3];
      if (segment < 2 || pos + 2 + segment > length) return false;
      out.insert(out.end(), data + pos, data + pos + 2 + segment);
      pos += 2 + segment;
    }
  }
  return false;
}

std::vector<uint8_t> assemble_jpeg(const uint8_t* tables, size_t tables_length,
                                   const uint8_t* image, size_t image_length) {
  std::vector<uint8_t> out = {0xFF, 0xD8};
  if (tables && tables_length) copy_jpeg_segments(tables, tables_length, out);
  if (!copy_jpeg_segments(image, image_length, out)) return {};
  if (out.size() < 2 || out[out.size() - 2] != 0xFF || out.back() != 0xD9) {
    out.push_back(0xFF);
    out.push_back(0xD9);
  }
  return out;
}

struct JpegError {
  jpeg_error_mgr manager;
  jmp_buf jump;
};

void jpeg_fail(j_common_ptr cinfo) { longjmp(reinterpret_cast<JpegError*>(cinfo->err)->jump, 1); }
void jpeg_quiet(j_common_ptr, int) {}
void jpeg_no_output(j_common_ptr) {}

// Only plain data lives in this frame: a failure jumps back to the setjmp.
bool decode_jpeg_stream(const uint8_t* data, size_t length, Bitmap* out) {
  jpeg_decompress_struct cinfo;
  JpegError error;
  cinfo.err = jpeg_std_error(&error.manager);
  error.manager.error_exit = jpeg_fail;
  error.manager.emit_message = jpeg_quiet;
  error.manager.output_message = jpeg_no_output;
  if (setjmp(error.jump)) {
    jpeg_destroy_decompress(&cinfo);
    return false;
  }
  jpeg_create_decompress(&cinfo);
  jpeg_mem_src(&cinfo, const_cast<unsigned char*>(data), static_cast<unsigned long>(length));
  if (jpeg_read_header(&cinfo, TRUE) != JPEG_HEADER_OK) {
    jpeg_destroy_decompress(&cinfo);
    return false;
  }
  bool cmyk = cinfo.jpeg_color_space == JCS_CMYK || cinfo.jpeg_color_space == JCS_YCCK;
  cinfo.out_color_space = cmyk ? JCS_CMYK : JCS_RGB;
  if (!size_acceptable(cinfo.image_width, cinfo.image_height)) {
    jpeg_destroy_decompress(&cinfo);
    return false;
  }
  jpeg_start_decompress(&cinfo);
  const int width = int(cinfo.output_width), height = int(cinfo.output_height);
  const int channels = cinfo.output_components;
  out->width = width;
  out->height = height;
  out->pixels.assign(size_t(width) * height, 0xFF000000u);
  JSAMPARRAY row = (*cinfo.mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(&cinfo), JPOOL_IMAGE,
                                              JDIMENSION(width * channels), 1);
  while (cinfo.output_scanline < cinfo.output_height) {
    int y = int(cinfo.output_scanline);
    if (jpeg_read_scanlines(&cinfo, row, 1) != 1) break;
    uint32_t* dst = &out->pixels[size_t(y) * width];
    const JSAMPLE* s = row[0];
    for (int x = 0; x < width; ++x) {
      if (channels == 4) {
        // Adobe CMYK JPEGs store inverted values.
        unsigned k = s[4 * x + 3];
        dst[x] = pack_argb(255, uint8_t(s[4 * x] * k / 255), uint8_t(s[4 * x + 1] * k / 255),
                           uint8_t(s[4 * x + 2] * k / 255));
      } else if (channels == 3) {
        dst[x] = pack_argb(255, s[3 * x], s[3 * x + 1], s[3 * x + 2]);
      } else {
        dst[x] = pack_argb(255, s[x], s[x], s[x]);
      }
    }
  }
  jpeg_finish_decompress(&cinfo);
  jpeg_destroy_decompress(&cinfo);
  return true;
}

bool decode_jpeg(const uint8_t* tables, size_t tables_length, const uint8_t* data, size_t length,
                 Bitmap& out) {
  std::vector<uint8_t> stream = assemble_jpeg(tables, tables_length, data, length);
  if (stream.empty() || !decode_jpeg_stream(stream.data(), stream.size(), &out)) {
    out = Bitmap();
    return false;
  }
  return true;
}

struct PngSource {
  const uint8_t* data;
  size_t length;
  size_t position;
};

void png_read_memory(png_structp png, png_bytep target, png_size_t count) {
  PngSource* source = static_cast<PngSource*>(png_get_io_ptr(png));
  if (source->length - source->position < count) png_error(png, "truncated");
  std::memcpy(target, source->data + source->position, count);
  source->position += count;
}

void png_quiet(png_structp, png_const_charp) {}

bool decode_png_stream(const uint8_t* data, size_t length, Bitmap* out) {
  PngSource source{data, length, 0};
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, png_quiet);
  if (!png) return false;
  png_infop info = png_create_info_struct(png);
  if (!info || setjmp(png_jmpbuf(png))) {
    png_destroy_read_struct(&png, info ? &info : nullptr, nullptr);
    return false;
  }
  png_set_read_fn(png, &source, png_read_memory);
  png_read_info(png, info);
  png_uint_32 width = png_get_image_width(png, info), height = png_get_image_height(png, info);
  if (!size_acceptable(width, height)) png_error(png, "too large");
  int color_type = png_get_color_type(png, info);
  png_set_expand(png);
  png_set_strip_16(png);
  if (color_type == PNG_COLOR_TYPE_GRAY || color_type == PNG_COLOR_TYPE_GRAY_ALPHA)
    png_set_gray_to_rgb(png);
  png_set_add_alpha(png, 0xFF, PNG_FILLER_AFTER);
  int passes = png_set_interlace_handling(png);
  png_read_update_info(png, info);
  if (png_get_rowbytes(png, info) != size_t(width) * 4) png_error(png, "unexpected layout");
  out->width = int(width);
  out->height = int(height);
  out->pixels.assign(size_t(width) * height, 0);
  // RGBA bytes are read straight into the pixel words, then rearranged.
  for (int pass = 0; pass < passes; ++pass)
    for (png_uint_32 y = 0; y < height; ++y)
      png_read_row(png, reinterpret_cast<png_bytep>(&out->pixels[size_t(y) * width]), nullptr);
  png_destroy_read_struct(&png, &info, nullptr);
  for (uint32_t& p : out->pixels) {
    const uint8_t* b = reinterpret_cast<const uint8_t*>(&p);
    p = premultiply(Rgba{b[0], b[1], b[2], b[3]});
  }
  return true;
}

#ifdef NPFP_RENDER_GIF
struct GifSource {
  const uint8_t* data;
  size_t length;
  size_t position;
};

int gif_read_memory(GifFileType* gif, GifByteType* target, int count) {
  GifSource* source = static_cast<GifSource*>(gif->UserData);
  size_t n = std::min(size_t(std::max(count, 0)), source->length - source->position);
  std::memcpy(target, source->data + source->position, n);
  source->position += n;
  return int(n);
}

// The first image of a GIF on its logical screen; the screen around it and the
// transparent colour index stay transparent. Sizes are checked before any
// row is allocated.
bool decode_gif_first_image(GifFileType* gif, Bitmap& out) {
  int transparent = -1;
  for (;;) {
    GifRecordType type;
    if (DGifGetRecordType(gif, &type) != GIF_OK) return false;
    if (type == TERMINATE_RECORD_TYPE) return false;
    if (type == EXTENSION_RECORD_TYPE) {
      int code;
      GifByteType* block = nullptr;
      if (DGifGetExtension(gif, &code, &block) != GIF_OK) return false;
      if (code == GRAPHICS_EXT_FUNC_CODE && block && block[0] >= 4)
        transparent = (block[1] & 1) ? block[4] : -1;
      while (block) {
        if (DGifGetExtensionNext(gif, &block) != GIF_OK) return false;
      }
      continue;
    }
    if (type != IMAGE_DESC_RECORD_TYPE) continue;
    if (DGifGetImageDesc(gif) != GIF_OK) return false;
    const GifImageDesc& image = gif->Image;
    const ColorMapObject* colors = image.ColorMap ? image.ColorMap : gif->SColorMap;
    int screen_width = gif->SWidth > 0 ? gif->SWidth : image.Width;
    int screen_height = gif->SHeight > 0 ? gif->SHeight : image.Height;
    if (!colors ||
        !size_acceptable(uint64_t(std::max(0, image.Width)), uint64_t(std::max(0, image.Height))) ||
        !size_acceptable(uint64_t(screen_width), uint64_t(screen_height)))
      return false;
    std::vector<GifPixelType> raster(size_t(image.Width) * image.Height);
    auto read_row = [&](int row) {
      return DGifGetLine(gif, &raster[size_t(row) * image.Width], image.Width) == GIF_OK;
    };
    if (image.Interlace) {
      static const int offsets[4] = {0, 4, 2, 1}, steps[4] = {8, 8, 4, 2};
      for (int pass = 0; pass < 4; ++pass)
        for (int row = offsets[pass]; row < image.Height; row += steps[pass])
          if (!read_row(row)) return false;
    } else {
      for (int row = 0; row < image.Height; ++row)
        if (!read_row(row)) return false;
    }
    out.width = screen_width;
    out.height = screen_height;
    out.pixels.assign(size_t(screen_width) * screen_height, 0);
    for (int y = 0; y < image.Height; ++y) {
      int sy = image.Top + y;
      if (sy < 0 || sy >= screen_height) continue;
      for (int x = 0; x < image.Width; ++x) {
        int sx = image.Left + x;
        if (sx < 0 || sx >= screen_width) continue;
        int index = raster[size_t(y) * image.Width + x];
        if (index == transparent || index >= colors->ColorCount) continue;
        const GifColorType& c = colors->Colors[index];
        out.pixels[size_t(sy) * screen_width + sx] = pack_argb(255, c.Red, c.Green, c.Blue);
      }
    }
    return true;
  }
}

bool decode_gif_stream(const uint8_t* data, size_t length, Bitmap& out) {
  GifSource source{data, length, 0};
  int error = 0;
  GifFileType* gif = DGifOpen(&source, gif_read_memory, &error);
  if (!gif) return false;
  bool ok = decode_gif_first_image(gif, out);
  DGifCloseFile(gif, &error);
  if (!ok) out = Bitmap();
  return ok;
}
#endif

bool is_png(const uint8_t* data, size_t length) {
  static const uint8_t signature[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
  return length >= 8 && std::memcmp(data, signature, 8) == 0;
}
bool is_gif(const uint8_t* data, size_t length) {
  return length >= 6 && std::memcmp(data, "GIF8", 4) == 0;
}

}  // namespace

bool decode_image(const uint8_t* data, size_t length, Bitmap& out) {
  out = Bitmap();
  if (!data || length < 4) return false;
  if (is_png(data, length)) {
    if (decode_png_stream(data, length, &out)) return true;
    out = Bitmap();
    return false;
  }
  if (is_gif(data, length)) {
#ifdef NPFP_RENDER_GIF
    return decode_gif_stream(data, length, out);
#else
    return false;  // built without giflib
#endif
  }
  return decode_jpeg(nullptr, 0, data, length, out);
}

bool decode_bitmap_tag(int tag_code, const uint8_t* body, size_t length,
                       const std::vector<uint8_t>& jpeg_tables, int /*swf_version*/,
                       uint16_t& character_id, Bitmap& out) {
  out = Bitmap();
  BitReader in(body, length);
  character_id = in.u16();
  if (in.failed()) return false;
  const uint8_t* rest = body + 2;
  size_t rest_length = length - 2;
  bool ok = false;
  switch (tag_code) {
    case kTagDefineBits:
      ok = decode_jpeg(jpeg_tables.data(), jpeg_tables.size(), rest, rest_length, out);
      break;
    case kTagDefineBitsJpeg2:
      ok = decode_image(rest, rest_length, out);
      break;
    case kTagDefineBitsJpeg3: {
      uint32_t alpha_offset = in.u32();
      if (in.failed() || alpha_offset > length - 6) return false;
      const uint8_t* image = body + 6;
      if (is_png(image, alpha_offset) || is_gif(image, alpha_offset)) {
        ok = decode_image(image, alpha_offset, out);
        break;
      }
      ok = decode_jpeg(nullptr, 0, image, alpha_offset, out);
      if (!ok) break;
      std::vector<uint8_t> alpha;
      size_t count = out.pixels.size();
      const uint8_t* zdata = image + alpha_offset;
      size_t zlength = length - 6 - alpha_offset;
      // Without a complete alpha plane the picture stays opaque.
      // The player takes the JPEG colours as already multiplied by the alpha
      // plane (kept no larger than the alpha, so they stay valid).
      if (zlength > 0 && inflate_up_to(zdata, zlength, count, alpha) == count) {
        for (size_t i = 0; i < count; ++i) {
          uint32_t p = out.pixels[i];
          out.pixels[i] =
              premultiplied_clamped(alpha[i], uint8_t(p >> 16), uint8_t(p >> 8), uint8_t(p));
        }
      }
      break;
    }
    case kTagDefineBitsLossless:
    case kTagDefineBitsLossless2:
      ok = decode_lossless(tag_code == kTagDefineBitsLossless2, in, body, length, out);
      break;
    default:
      return false;
  }
  if (!ok) out = Bitmap();
  return ok;
}

}  // namespace render
