#include "core/swf_stream.h"

#include <zlib.h>

#include <algorithm>
#include <cstring>

namespace npfp {

struct SwfStream::Inflater {
  z_stream z{};
  bool open = false;
  bool ended = false;
  Inflater() { open = inflateInit(&z) == Z_OK; }
  ~Inflater() {
    if (open) inflateEnd(&z);
  }
};

SwfStream::SwfStream(MovieBuilder& builder) : builder_(builder) {}

SwfStream::~SwfStream() = default;

bool SwfStream::feed(const uint8_t* data, size_t size) {
  if (!data) size = 0;
  received_ += size;
  if (state_ == State::failed) return false;
  if (state_ == State::done) return true;

  if (state_ == State::signature) {
    size_t take = std::min(size, sizeof signature_ - signature_bytes_);
    std::memcpy(signature_ + signature_bytes_, data, take);
    signature_bytes_ += take;
    data += take;
    size -= take;
    if (signature_bytes_ < sizeof signature_) return true;
    bool fws = signature_[0] == 'F' && signature_[1] == 'W' && signature_[2] == 'S';
    bool cws = signature_[0] == 'C' && signature_[1] == 'W' && signature_[2] == 'S';
    if (!fws && !cws) {
      state_ = State::failed;
      return false;
    }
    compressed_ = cws;
    version_ = signature_[3];
    declared_length_ = static_cast<uint32_t>(signature_[4]) | (signature_[5] << 8) |
                       (signature_[6] << 16) | (static_cast<uint32_t>(signature_[7]) << 24);
    if (compressed_) {
      inflater_ = std::make_unique<Inflater>();
      if (!inflater_->open) {
        state_ = State::failed;
        return false;
      }
    }
    state_ = State::header;
  }

  take_body(data, size);
  parse_body();
  return state_ != State::failed;
}

void SwfStream::take_body(const uint8_t* data, size_t size) {
  if (size == 0) return;
  if (!compressed_) {
    pending_.insert(pending_.end(), data, data + size);
    decoded_ += size;
    return;
  }
  if (inflater_->ended) return;  // bytes after the zlib stream are not the movie's
  // A compressed movie may expand to what it declares (and never beyond a
  // sane size), so a tiny file cannot claim all memory.
  uint64_t limit = std::min<uint64_t>(std::max<uint64_t>(declared_length_, 8), kMaxDecodedSize);
  z_stream& z = inflater_->z;
  z.next_in = const_cast<Bytef*>(data);
  z.avail_in = static_cast<uInt>(size);
  uint8_t chunk[16384];
  while (z.avail_in > 0 && decoded_ < limit) {
    z.next_out = chunk;
    z.avail_out = static_cast<uInt>(std::min<uint64_t>(sizeof chunk, limit - decoded_));
    int result = inflate(&z, Z_NO_FLUSH);
    size_t produced = static_cast<size_t>(z.next_out - chunk);
    pending_.insert(pending_.end(), chunk, chunk + produced);
    decoded_ += produced;
    if (result == Z_STREAM_END) {
      inflater_->ended = true;
      break;
    }
    if (result != Z_OK && result != Z_BUF_ERROR) {
      // Broken data: play what came before it.
      parse_body();
      if (state_ == State::tags || state_ == State::done) builder_.finish();
      state_ = State::failed;
      return;
    }
    if (result == Z_BUF_ERROR && produced == 0) break;
  }
}

bool SwfStream::parse_movie_header() {
  size_t available = pending_.size() - consumed_;
  if (available < 1) return false;
  const uint8_t* p = pending_.data() + consumed_;
  unsigned bits = p[0] >> 3;
  size_t rect_bytes = (5 + 4 * bits + 7) / 8;
  if (available < rect_bytes + 4) return false;
  MovieHeader h;
  h.version = version_;
  h.file_length = declared_length_;
  h.compressed = compressed_;
  render::read_rect(p, rect_bytes, h.frame);
  const uint8_t* q = p + rect_bytes;
  h.frame_rate = (q[0] | (q[1] << 8)) / 256.0;
  h.frame_count = static_cast<uint16_t>(q[2] | (q[3] << 8));
  consumed_ += rect_bytes + 4;
  builder_.header(h);
  return true;
}

void SwfStream::parse_body() {
  if (state_ == State::header) {
    if (!parse_movie_header()) return;
    state_ = State::tags;
  }
  while (state_ == State::tags) {
    size_t available = pending_.size() - consumed_;
    if (available < 2) break;
    const uint8_t* p = pending_.data() + consumed_;
    int code = (p[0] | (p[1] << 8)) >> 6;
    uint64_t length = p[0] & 0x3F;
    size_t header = 2;
    if (length == 0x3F) {
      if (available < 6) break;
      length = static_cast<uint32_t>(p[2]) | (p[3] << 8) | (p[4] << 16) |
               (static_cast<uint32_t>(p[5]) << 24);
      header = 6;
      if (length > 0x7FFFFFFFu) {
        // Not a length any real tag has: the rest is not readable.
        builder_.finish();
        state_ = State::done;
        break;
      }
    }
    if (available - header < length) break;  // wait for the rest of the tag
    builder_.tag(code, p + header, static_cast<size_t>(length));
    consumed_ += header + static_cast<size_t>(length);
    if (builder_.ended()) state_ = State::done;
  }
  if (state_ == State::done) {
    pending_.clear();
    pending_.shrink_to_fit();
    consumed_ = 0;
  } else if (consumed_ > 65536 && consumed_ * 2 > pending_.size()) {
    pending_.erase(pending_.begin(), pending_.begin() + static_cast<std::ptrdiff_t>(consumed_));
    consumed_ = 0;
  }
}

void SwfStream::finish() {
  if (state_ == State::tags) {
    builder_.finish();
    state_ = State::done;
    pending_.clear();
    consumed_ = 0;
  }
}

}  // namespace npfp
