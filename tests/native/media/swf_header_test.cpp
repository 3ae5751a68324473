#include "media/swf_header.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <random>

#include "common/paths.h"
#include "native/payload/scratch_temp_folder.h"
#include "payload/work_folder.h"

namespace {

using media::SwfHeader;
using testing_support::TempDir;

// A RECT field by field, most significant bit first, padded to whole bytes.
std::string rect_bytes(unsigned bits, int32_t x_min, int32_t x_max, int32_t y_min, int32_t y_max) {
  std::string out;
  unsigned char current = 0;
  int used = 0;
  auto put = [&](uint32_t value, unsigned count) {
    for (unsigned i = count; i-- > 0;) {
      current = static_cast<unsigned char>(current | (((value >> i) & 1u) << (7 - used)));
      if (++used == 8) {
        out += static_cast<char>(current);
        current = 0;
        used = 0;
      }
    }
  };
  put(bits, 5);
  for (int32_t v : {x_min, x_max, y_min, y_max}) put(static_cast<uint32_t>(v), bits);
  if (used) out += static_cast<char>(current);
  return out;
}

std::string le32(uint32_t v) {
  std::string s;
  for (int i = 0; i < 4; ++i) s += static_cast<char>((v >> (8 * i)) & 0xFF);
  return s;
}

// Header fields after the signature and version: length, RECT, rate, count.
std::string body(uint32_t length, const std::string& rect, unsigned char rate_fraction,
                 unsigned char rate_whole, uint16_t frames) {
  std::string s = le32(length) + rect;
  s += static_cast<char>(rate_fraction);
  s += static_cast<char>(rate_whole);
  s += static_cast<char>(frames & 0xFF);
  s += static_cast<char>(frames >> 8);
  return s;
}

// A CWS file: the first 8 bytes as they are, the rest deflated.
std::string compress_movie(const std::string& fws) {
  std::string rest = fws.substr(8);
  uLongf size = compressBound(static_cast<uLong>(rest.size()));
  std::string packed(size, '\0');
  EXPECT_EQ(compress(reinterpret_cast<Bytef*>(&packed[0]), &size,
                     reinterpret_cast<const Bytef*>(rest.data()), static_cast<uLong>(rest.size())),
            Z_OK);
  packed.resize(size);
  return "CWS" + fws.substr(3, 5) + packed;
}

class SwfHeaderTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(work_folder::create()); }
  std::string write(const std::string& name, const std::string& bytes) {
    return scratch_.temp().write(name, bytes);
  }
  std::string inflated_copy() const { return work_folder::path_of("_xxswfxx__.bin"); }

  testing_support::ScratchTempFolder scratch_;
};

// The common 550 x 400 stage: n = 15, 0..11000 and 0..8000 twips, 9 bytes.
const std::string kStage550x400("\x78\x00\x05\x5F\x00\x00\x0F\xA0\x00", 9);

TEST_F(SwfHeaderTest, ReadsEveryFieldOfAnUncompressedHeader) {
  ASSERT_EQ(rect_bytes(15, 0, 11000, 0, 8000), kStage550x400);
  std::string movie = "FWS" + std::string(1, '\x08') + body(1234, kStage550x400, 0x80, 0x18, 517) +
                      std::string(20, '\x00');
  std::string path = write("stage.swf", movie);
  SwfHeader header;
  ASSERT_TRUE(media::read_swf_header(path, true, header));
  EXPECT_EQ(header.error, 0);
  EXPECT_EQ(header.version, 8);
  EXPECT_EQ(header.declared_length, 1234u);
  EXPECT_EQ(header.x_min, 0);
  EXPECT_EQ(header.x_max, 11000);
  EXPECT_EQ(header.y_min, 0);
  EXPECT_EQ(header.y_max, 8000);
  EXPECT_FLOAT_EQ(header.frame_rate, 24.5f);
  EXPECT_EQ(header.frame_count, 517);
  EXPECT_EQ(header.file_size, movie.size());
  EXPECT_FALSE(header.compressed);
  int width = 0, height = 0;
  ASSERT_TRUE(media::swf_frame_size(path, width, height));
  EXPECT_EQ(width, 550);
  EXPECT_EQ(height, 400);
}

TEST_F(SwfHeaderTest, RectangleSizesAndSignExtension) {
  // n = 0: one byte, a 0 by 0 frame; the fields after it are found.
  std::string empty_rect(1, '\x00');
  std::string path = write("empty.swf", "FWS\x06" + body(30, empty_rect, 0, 12, 3));
  SwfHeader header;
  ASSERT_TRUE(media::read_swf_header(path, true, header));
  EXPECT_EQ(header.x_max, 0);
  EXPECT_EQ(header.frame_rate, 12.0f);
  EXPECT_EQ(header.frame_count, 3);
  int width = -1, height = -1;
  ASSERT_TRUE(media::swf_frame_size(path, width, height));
  EXPECT_EQ(width, 0);
  EXPECT_EQ(height, 0);

  // A negative left edge: -200 .. 11000 twips is 560 pixels wide.
  std::string rect = rect_bytes(15, -200, 11000, -20, 7990);
  ASSERT_EQ(rect.size(), 9u);
  path = write("negative.swf", "FWS\x07" + body(40, rect, 0, 30, 1));
  ASSERT_TRUE(media::read_swf_header(path, true, header));
  EXPECT_EQ(header.x_min, -200);
  EXPECT_EQ(header.y_min, -20);
  ASSERT_TRUE(media::swf_frame_size(path, width, height));
  EXPECT_EQ(width, 560);
  EXPECT_EQ(height, 400);

  // Widest fields (n = 31, 17 bytes) and division truncating toward zero.
  rect = rect_bytes(31, -1073741824, 1073741823, 50, 21);
  ASSERT_EQ(rect.size(), 17u);
  path = write("wide.swf", "FWS\x09" + body(50, rect, 1, 0, 65535));
  ASSERT_TRUE(media::read_swf_header(path, true, header));
  EXPECT_EQ(header.x_min, -1073741824);
  EXPECT_EQ(header.x_max, 1073741823);
  EXPECT_EQ(header.frame_count, 65535);
  EXPECT_FLOAT_EQ(header.frame_rate, 1.0f / 256);
  ASSERT_TRUE(media::swf_frame_size(path, width, height));
  EXPECT_EQ(width, 107374182);
  EXPECT_EQ(height, -1) << "-29 twips truncate toward zero";
}

TEST_F(SwfHeaderTest, CompressedMovieIsInflatedIntoTheWorkFolder) {
  std::string fws = "FWS\x0A" + body(0, kStage550x400, 0, 25, 10);
  fws += std::string(5000, 'x');  // tags, compressible
  std::string length = le32(static_cast<uint32_t>(fws.size()));
  fws.replace(4, 4, length);
  std::string path = write("packed.swf", compress_movie(fws));
  SwfHeader header;
  ASSERT_TRUE(media::read_swf_header(path, true, header));
  EXPECT_TRUE(header.compressed);
  EXPECT_EQ(header.version, 10);
  EXPECT_EQ(header.x_max, 11000);
  EXPECT_FLOAT_EQ(header.frame_rate, 25.0f);
  EXPECT_EQ(header.declared_length, fws.size());
  EXPECT_EQ(header.file_size, fws.size()) << "the size of the uncompressed copy";
  EXPECT_EQ(TempDir::read(inflated_copy()), fws);
  int width = 0, height = 0;
  ASSERT_TRUE(media::swf_frame_size(path, width, height));
  EXPECT_EQ(width, 550);
}

TEST_F(SwfHeaderTest, DamagedStreamFailsAndTheNextReadReplacesTheCopy) {
  std::string good_fws = "FWS\x08" + body(0, kStage550x400, 0, 24, 1) + std::string(3000, 'g');
  good_fws.replace(4, 4, le32(static_cast<uint32_t>(good_fws.size())));
  std::string packed = compress_movie(good_fws);
  std::string damaged = packed;
  for (size_t i = 20; i < damaged.size() - 4; ++i) damaged[i] = static_cast<char>(0xFF - i % 7);
  std::string damaged_path = write("damaged.swf", damaged);
  SwfHeader header;
  header.error = 99;
  EXPECT_FALSE(media::read_swf_header(damaged_path, true, header));
  EXPECT_EQ(header.error, media::kSwfBadSignature);
  int width = 7, height = 9;
  EXPECT_FALSE(media::swf_frame_size(damaged_path, width, height));
  EXPECT_EQ(width, 7) << "a failed read keeps the previous size";
  EXPECT_EQ(height, 9);

  // A stream cut short fails too, though its header bytes came through.
  std::string cut_path = write("cut.swf", packed.substr(0, packed.size() / 2));
  EXPECT_FALSE(media::read_swf_header(cut_path, true, header));

  std::string good_path = write("good.swf", packed);
  ASSERT_TRUE(media::read_swf_header(good_path, true, header));
  EXPECT_EQ(TempDir::read(inflated_copy()), good_fws);
}

TEST_F(SwfHeaderTest, InflatingNeverWritesMoreThanTheDeclaredLength) {
  // 8 MB of zeros squeeze into a few kilobytes; the header claims 100 bytes.
  std::string huge = "FWS\x08" + le32(100) + kStage550x400 + std::string("\x00\x18\x01\x00", 4);
  huge += std::string(8 * 1024 * 1024, '\0');
  std::string packed = compress_movie(huge);
  ASSERT_LT(packed.size(), 64u * 1024);
  std::string path = write("bomb.swf", packed);
  SwfHeader header;
  ASSERT_TRUE(media::read_swf_header(path, true, header));
  EXPECT_EQ(header.x_max, 11000);
  EXPECT_EQ(TempDir::read(inflated_copy()).size(), 100u);

  int last_error = -1;
  std::string target = scratch_.temp().file("copy.bin");
  ASSERT_TRUE(media::inflate_swf(path, target, last_error));
  EXPECT_EQ(last_error, media::kInflateNoError);
  EXPECT_EQ(TempDir::read(target), huge.substr(0, 100));
}

TEST_F(SwfHeaderTest, InflateReportsItsOwnErrors) {
  int last_error = 0;
  std::string target = scratch_.temp().file("t.bin");
  EXPECT_FALSE(media::inflate_swf(scratch_.temp().file("missing.swf"), target, last_error));
  EXPECT_EQ(last_error, media::kInflateCannotOpenSource);
  std::string fws = write("plain.swf", "FWS\x08" + body(30, kStage550x400, 0, 1, 1));
  EXPECT_FALSE(media::inflate_swf(fws, target, last_error));
  EXPECT_EQ(last_error, media::kInflateNotCompressed);
  EXPECT_FALSE(paths::exists(target)) << "checked before the target is made";
  std::string cws =
      write("packed.swf", compress_movie("FWS\x08" + body(30, kStage550x400, 0, 1, 1)));
  EXPECT_FALSE(media::inflate_swf(cws, scratch_.temp().file("no/such/folder.bin"), last_error));
  EXPECT_EQ(last_error, media::kInflateCannotCreateTarget);
  EXPECT_FALSE(media::inflate_swf(cws, cws, last_error)) << "never over its own source";
  EXPECT_EQ(TempDir::read(cws).substr(0, 3), "CWS");
}

TEST_F(SwfHeaderTest, BadSignaturesShortFilesAndMissingFiles) {
  SwfHeader header;
  std::string good_rest = body(30, kStage550x400, 0, 12, 1);
  EXPECT_FALSE(media::read_swf_header(write("a.swf", "GIF89a" + good_rest), true, header));
  EXPECT_EQ(header.error, media::kSwfBadSignature);
  EXPECT_FALSE(media::read_swf_header(write("b.swf", "FWX\x08" + good_rest), true, header));
  EXPECT_EQ(header.error, media::kSwfBadSignature);
  EXPECT_FALSE(media::read_swf_header(write("c.swf", "CWX\x08" + good_rest), true, header));
  EXPECT_EQ(header.error, media::kSwfBadSignature);

  // Without the check only the first byte decides.
  ASSERT_TRUE(media::read_swf_header(write("d.swf", "XYZ\x05" + good_rest), false, header));
  EXPECT_EQ(header.version, 5);
  EXPECT_EQ(header.x_max, 11000);

  // Every cut inside the header fails as cut short, never as success.
  const std::string full = "FWS\x08" + good_rest;
  for (size_t size = 0; size < full.size(); ++size) {
    SCOPED_TRACE(size);
    EXPECT_FALSE(media::read_swf_header(write("short.swf", full.substr(0, size)), true, header));
    EXPECT_EQ(header.error, media::kSwfTruncated);
  }
  EXPECT_TRUE(media::read_swf_header(write("short.swf", full), true, header));

  // A missing file answers false and leaves the record as it was.
  header.error = 42;
  header.frame_count = 77;
  EXPECT_FALSE(media::read_swf_header(scratch_.temp().file("none.swf"), true, header));
  EXPECT_EQ(header.error, 42);
  EXPECT_EQ(header.frame_count, 77);
  // A folder exists but is no movie.
  EXPECT_FALSE(media::read_swf_header(scratch_.temp().path(), true, header));
  EXPECT_NE(header.error, 0);
}

}  // namespace
