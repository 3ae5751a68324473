#include "media/swf_header.h"

#include <zlib.h>

#include <algorithm>
#include <cstdio>
#include <vector>

#include "common/file_stream.h"
#include "common/paths.h"
#include "payload/work_folder.h"

namespace media {

const char kInflatedCopyName[] = "_xxswfxx__.bin";

namespace {

// Reads n-bit fields from the most significant bit of each byte onward.
class BitReader {
 public:
  BitReader(const unsigned char* bytes, size_t size) : bytes_(bytes), size_(size) {}

  uint32_t unsigned_bits(unsigned count) {
    uint32_t value = 0;
    for (unsigned i = 0; i < count; ++i) {
      size_t byte = bit_ / 8;
      unsigned bit = (byte < size_) ? (bytes_[byte] >> (7 - bit_ % 8)) & 1u : 0u;
      value = (value << 1) | bit;
      ++bit_;
    }
    return value;
  }

  // Two's complement, sign taken from the field's top bit.
  int32_t signed_bits(unsigned count) {
    if (count == 0) return 0;
    int64_t value = unsigned_bits(count);
    if (value & (int64_t{1} << (count - 1))) value -= int64_t{1} << count;
    return static_cast<int32_t>(value);
  }

 private:
  const unsigned char* bytes_;
  size_t size_;
  size_t bit_ = 0;
};

class ScopedFile {
 public:
  explicit ScopedFile(std::FILE* file) : file_(file) {}
  ~ScopedFile() { close(); }
  ScopedFile(const ScopedFile&) = delete;
  ScopedFile& operator=(const ScopedFile&) = delete;
  std::FILE* get() const { return file_; }
  bool close() {
    bool ok = !file_ || std::fclose(file_) == 0;
    file_ = nullptr;
    return ok;
  }

 private:
  std::FILE* file_;
};

// The most a rectangle takes: 5 + 4 * 31 bits.
constexpr size_t kMaxRectBytes = (4 * 31 + 12) / 8;

bool fail(SwfHeader& out, int error) {
  out.error = error;
  return false;
}

bool read_uncompressed_rest(std::FILE* file, SwfHeader& out) {
  unsigned char length[4];
  if (!file_stream::read_exact(file, length, 4)) return fail(out, kSwfTruncated);
  out.declared_length = file_stream::get_u32le(length);

  unsigned char rect[kMaxRectBytes];
  if (!file_stream::read_exact(file, rect, 1)) return fail(out, kSwfTruncated);
  unsigned bits = rect[0] >> 3;
  size_t rect_bytes = (4 * bits + 12) / 8;
  if (!file_stream::read_exact(file, rect + 1, rect_bytes - 1)) return fail(out, kSwfTruncated);
  BitReader reader(rect, rect_bytes);
  reader.unsigned_bits(5);
  out.x_min = reader.signed_bits(bits);
  out.x_max = reader.signed_bits(bits);
  out.y_min = reader.signed_bits(bits);
  out.y_max = reader.signed_bits(bits);

  unsigned char tail[4];
  if (!file_stream::read_exact(file, tail, 4)) return fail(out, kSwfTruncated);
  // 8.8 fixed point: the fraction byte comes first.
  out.frame_rate = static_cast<float>(tail[1]) + static_cast<float>(tail[0]) / 256.0f;
  out.frame_count = static_cast<uint16_t>(tail[2] | (tail[3] << 8));
  out.error = kSwfNoError;
  return true;
}

}  // namespace

bool inflate_swf(const std::string& source, const std::string& target, int& last_error) {
  ScopedFile in(std::fopen(source.c_str(), "rb"));
  if (!in.get()) {
    last_error = kInflateCannotOpenSource;
    return false;
  }
  unsigned char header[8];
  size_t got = std::fread(header, 1, sizeof header, in.get());
  if (got < 3 || header[0] != 'C' || header[1] != 'W' || header[2] != 'S') {
    last_error = kInflateNotCompressed;
    return false;
  }
  if (got < sizeof header) {
    last_error = kInflateDamagedStream;
    return false;
  }
  // Writing the copy over its own source would destroy it before it is read.
  if (paths::resolve(source) == paths::resolve(target)) {
    last_error = kInflateCannotCreateTarget;
    return false;
  }
  if (!paths::create_empty_file(target)) last_error = kInflateCannotCreateTarget;
  ScopedFile out(std::fopen(target.c_str(), "wb"));
  if (!out.get()) {
    last_error = kInflateCannotCreateTarget;
    return false;
  }
  unsigned char copy_header[8] = {'F',       'W',       'S',       header[3],
                                  header[4], header[5], header[6], header[7]};
  if (!file_stream::write_exact(out.get(), copy_header, sizeof copy_header)) {
    last_error = kInflateCannotCreateTarget;
    return false;
  }

  // Never write more than the header promises: a small file can inflate to
  // any size, and the copy exists only so that its header can be read.
  uint32_t declared = file_stream::get_u32le(header + 4);
  uint64_t room = declared > sizeof header ? declared - sizeof header : 0;

  z_stream stream{};
  if (inflateInit(&stream) != Z_OK) {
    last_error = kInflateDamagedStream;
    return false;
  }
  std::vector<unsigned char> input(64 * 1024), output(64 * 1024);
  int outcome = kInflateDamagedStream;
  for (;;) {
    if (stream.avail_in == 0) {
      size_t n = std::fread(input.data(), 1, input.size(), in.get());
      if (n == 0) break;  // the input ran out before the stream ended
      stream.next_in = input.data();
      stream.avail_in = static_cast<uInt>(n);
    }
    stream.next_out = output.data();
    stream.avail_out = static_cast<uInt>(output.size());
    int status = inflate(&stream, Z_NO_FLUSH);
    if (status != Z_OK && status != Z_STREAM_END && status != Z_BUF_ERROR) break;
    size_t produced = output.size() - stream.avail_out;
    size_t keep = static_cast<size_t>(std::min<uint64_t>(produced, room));
    if (!file_stream::write_exact(out.get(), output.data(), keep)) {
      outcome = kInflateCannotCreateTarget;
      break;
    }
    room -= keep;
    if (status == Z_STREAM_END || room == 0) {
      outcome = kInflateNoError;
      break;
    }
  }
  inflateEnd(&stream);
  if (!out.close() && outcome == kInflateNoError) outcome = kInflateCannotCreateTarget;
  last_error = outcome;
  return outcome == kInflateNoError;
}

bool read_swf_header(const std::string& path, bool check_signature, SwfHeader& out) {
  if (!paths::exists(path)) return false;
  out = SwfHeader();
  std::string resolved = paths::resolve(path);
  ScopedFile file(std::fopen(resolved.c_str(), "rb"));
  if (!file.get()) return fail(out, kSwfCannotOpen);
  int64_t size = file_stream::size(file.get());
  if (size < 0) return fail(out, kSwfCannotOpen);
  out.file_size = static_cast<uint64_t>(size);

  unsigned char signature[3];
  if (!file_stream::read_exact(file.get(), signature, 1)) return fail(out, kSwfTruncated);
  if (signature[0] == 'C') {
    file.close();
    std::string copy = work_folder::path_of(kInflatedCopyName);
    int inflate_error = kInflateNoError;
    // A damaged stream fails the read even when the header bytes came
    // through: the movie itself is unusable.
    if (!inflate_swf(resolved, copy, inflate_error)) return fail(out, kSwfBadSignature);
    // The copy starts with "FWS", so this does not come back here.
    if (!read_swf_header(copy, check_signature, out)) {
      if (out.error == kSwfNoError) out.error = kSwfBadSignature;
      out.compressed = true;
      return false;
    }
    out.compressed = true;
    return true;
  }
  if (check_signature && signature[0] != 'F') return fail(out, kSwfBadSignature);
  if (!file_stream::read_exact(file.get(), signature + 1, 2)) return fail(out, kSwfTruncated);
  if (check_signature && (signature[1] != 'W' || signature[2] != 'S')) {
    return fail(out, kSwfBadSignature);
  }
  if (!file_stream::read_exact(file.get(), &out.version, 1)) return fail(out, kSwfTruncated);
  return read_uncompressed_rest(file.get(), out);
}

bool swf_frame_size(const std::string& path, int& width, int& height) {
  SwfHeader header;
  if (!read_swf_header(path, true, header)) return false;
  width = static_cast<int>((int64_t{header.x_max} - header.x_min) / 20);
  height = static_cast<int>((int64_t{header.y_max} - header.y_min) / 20);
  return true;
}

}  // namespace media
