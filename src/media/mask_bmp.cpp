// The BMP reader of mask images: uncompressed 8-bit (palette index) and
// 24-bit pictures. Its messages go to the stream the caller gives.
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <memory>

#include "media/mask_image.h"

namespace media {

namespace {

// The reader allocates the whole picture before it reads the rows, so a
// damaged header must not ask for more than a 32-bit process can spare.
constexpr int64_t kMaxPixels = int64_t{1} << 25;

constexpr int kMagicValue = 'B' * 256 + 'M';  // 16973

struct FileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};

class BmpReader {
 public:
  BmpReader(std::FILE* file, std::ostream& out) : file_(file), out_(out) {}

  bool read(MaskImage& image);

 private:
  bool get(uint8_t& byte) {
    const int c = std::getc(file_);
    if (c == EOF) return false;
    byte = static_cast<uint8_t>(c);
    return true;
  }
  bool get_bytes(uint8_t* bytes, size_t count) {
    return std::fread(bytes, 1, count, file_) == count;
  }
  void fatal(const char* line) { out_ << "\nBMP_READ: Fatal error!\n" << line; }
  void pixel_error(const char* step, char channel, int32_t column, int64_t row) {
    out_ << "\n"
         << step << ": Fatal error!\n"
         << "  Failed reading " << channel << " for pixel (" << column << "," << row << ").\n";
  }
  void padding_warning(const char* step, int index, int total, int64_t row) {
    out_ << "\n"
         << step << " - Warning!\n"
         << "  Failed while reading padding character " << index << "\n"
         << "  of total " << total << " characters\n"
         << "  at the end of line " << row << "\n"
         << "  This is a minor error.\n";
  }
  // Reads the padding after row `row`; false (after the warning) when the
  // file ends inside it.
  bool skip_padding(const char* step, int total, int64_t row) {
    for (int k = 0; k < total; ++k) {
      uint8_t byte = 0;
      if (!get(byte)) {
        padding_warning(step, k, total, row);
        return false;
      }
    }
    return true;
  }

  std::FILE* file_;
  std::ostream& out_;
};

uint32_t le32(const uint8_t* p) {
  return uint32_t{p[0]} | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16 | uint32_t{p[3]} << 24;
}
uint16_t le16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }

bool BmpReader::read(MaskImage& image) {
  uint8_t header1[14];
  if (!get_bytes(header1, sizeof header1)) {
    fatal("  BMP_HEADER1_READ failed.\n");
    return false;
  }
  if (header1[0] != 'B' || header1[1] != 'M') {
    const int value = header1[0] * 256 + header1[1];
    out_ << "\nBMP_READ: Fatal error!\n"
         << "  The file's internal magic number is not \"BM\".\n"
         << "  with the numeric value " << kMagicValue << "\n"
         << "  Instead, it is \"" << static_cast<char>(header1[0]) << static_cast<char>(header1[1])
         << "\".\n"
         << "  with the numeric value " << value << "\n"
         << "  (Perhaps you need to reverse the byte swapping option!)\n";
    return false;
  }
  const uint32_t data_offset = le32(header1 + 10);

  uint8_t header2[40];
  if (!get_bytes(header2, sizeof header2)) {
    fatal("  BMP_HEADER2_READ failed.\n");
    return false;
  }
  const int32_t width = static_cast<int32_t>(le32(header2 + 4));
  const int32_t height = static_cast<int32_t>(le32(header2 + 8));
  const int bits = le16(header2 + 14);
  const int32_t colours_used = static_cast<int32_t>(le32(header2 + 32));

  // The palette is read and thrown away: an 8-bit mask keys on the index.
  static const char kChannels[4] = {'B', 'G', 'R', 'A'};
  for (int32_t entry = 0; entry < colours_used; ++entry) {
    for (char channel : kChannels) {
      uint8_t byte = 0;
      if (!get(byte)) {
        out_ << "\nBMP_PALETTE_READ: Fatal error!\n"
             << "  Failed reading " << channel << " for palette color " << entry << ".\n";
        fatal("  BMP_PALETTE_READ failed.\n");
        return false;
      }
    }
  }

  if (bits != 8 && bits != 24) {
    out_ << "\nBMP_READ: Fatal error!\n"
         << "  Unrecognized value of BITSPERPIXEL = " << bits << "\n";
    return false;
  }

  const int64_t rows = std::llabs(int64_t{height});
  if (width < 0 || int64_t{width} * rows > kMaxPixels) return false;

  // The pixel data start where the file header says (after a larger
  // information header, or a palette that "colours used" does not count);
  // files that leave the offset 0 are read right after the palette.
  if (data_offset >= sizeof header1 + sizeof header2 &&
      std::fseek(file_, static_cast<long>(data_offset), SEEK_SET) != 0) {
    return false;
  }

  image.width = width;
  image.height = static_cast<int32_t>(rows);
  image.bits_per_pixel = 24;
  image.alpha.clear();
  image.pixels.assign(static_cast<size_t>(width) * static_cast<size_t>(rows) * 3, 0);

  const bool bottom_up = height > 0;
  for (int64_t j = 0; j < rows; ++j) {
    const int64_t target = bottom_up ? rows - 1 - j : j;
    uint8_t* row = image.pixels.data() + static_cast<size_t>(target) * width * 3;
    if (bits == 8) {
      for (int32_t i = 0; i < width; ++i) {
        uint8_t index = 0;
        if (!get(index)) {
          pixel_error("BMP_08_DATA_READ", 'R', i, j);
          fatal("  BMP_08_DATA_READ failed.\n");
          return false;
        }
        row[i * 3] = row[i * 3 + 1] = row[i * 3 + 2] = index;
      }
      if (!skip_padding("BMP_08_DATA_READ", (4 - width % 4) % 4, j)) break;
    } else {
      for (int32_t i = 0; i < width; ++i) {
        for (int c = 0; c < 3; ++c) {
          if (!get(row[i * 3 + c])) {
            pixel_error("BMP_24_DATA_READ", kChannels[c], i, j);
            fatal("  BMP_24_DATA_READ failed.\n");
            return false;
          }
        }
      }
      if (!skip_padding("BMP_24_DATA_READ", width % 4, j)) break;
    }
  }
  return true;
}

}  // namespace

bool load_bmp_mask(const std::string& path, MaskImage& out, std::ostream& diagnostics) {
  std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "rb"));
  if (!file) {
    diagnostics << "\nBMP_READ - Fatal error!\n"
                << "  Could not open the input file.\n";
    return false;
  }
  MaskImage image;
  BmpReader reader(file.get(), diagnostics);
  if (!reader.read(image)) return false;
  out = std::move(image);
  return true;
}

bool load_bmp_mask(const std::string& path, MaskImage& out) {
  const bool ok = load_bmp_mask(path, out, std::cout);
  std::cout.flush();
  return ok;
}

}  // namespace media
